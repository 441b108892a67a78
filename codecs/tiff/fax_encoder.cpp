// CTIFFFax: shared state and the encoder.
#include "codecs/tiff/fax_codec.h"

#include <cstdlib>
#include <utility>

#include "codecs/tiff/fax_code_tables.h"
#include "codecs/tiff/fax_row_changes.h"

using namespace fax;

CTIFFFax::CTIFFFax() = default;

CTIFFFax::~CTIFFFax() { FreeRuns(); }

void CTIFFFax::FreeRuns() {
    std::free(m_current);
    std::free(m_reference);
    std::free(m_scratch);
    m_current = m_reference = nullptr;
    m_scratch = nullptr;
    m_capacity = 0;
}

bool CTIFFFax::AllocateRuns(size_t entries) {
    FreeRuns();
    m_current = static_cast<uint32_t*>(std::malloc(entries * sizeof(uint32_t)));
    m_reference = static_cast<uint32_t*>(std::malloc(entries * sizeof(uint32_t)));
    if (!m_current || !m_reference) {
        FreeRuns();
        return false;
    }
    m_capacity = entries;
    // The reference of the first row is all white.
    m_referenceCount = m_currentCount = 0;
    for (int s = 0; s < kChangeSentinels; ++s) m_reference[s] = m_current[s] = m_width;
    return true;
}

void CTIFFFax::SwapRows() {
    std::swap(m_current, m_reference);
    std::swap(m_currentCount, m_referenceCount);
}

int CTIFFFax::CheckParams(const FaxStripParams& params, bool encoding) {
    if (params.compression < 2 || params.compression > 4 || params.width == 0 || params.width > kMaxWidth)
        return kUnsupported;
    // Uncompressed mode is never written. A strip that only allows it decodes as long as it does
    // not use it (its extension code is then a damaged strip).
    if (encoding && params.compression == 4 && (params.t6Options & 2)) return kUnsupported;
    if (encoding && params.compression == 3 && (params.t4Options & 2)) return kUnsupported;
    m_compression = params.compression;
    m_twoDimensional = params.compression == 3 && (params.t4Options & 1);
    m_alignedEol = params.compression == 3 && (params.t4Options & 4);
    m_byteAlignedRows = params.byteAlignedRows;
    m_endOfBlock = params.endOfBlock;
    m_k = params.kFactor < 1 ? 1 : params.kFactor;
    m_width = params.width;
    m_rowInGroup = 0;
    return kOk;
}

int CTIFFFax::SetupEncoder(const FaxStripParams& params) {
    m_encoding = false;
    m_writer.Reset();
    FreeRuns();
    if (int r = CheckParams(params, true)) return r;
    m_encoding = true;
    if (!AllocateRuns(size_t(m_width) + kChangeSentinels)) return kNoMemory;
    m_scratch = static_cast<uint64_t*>(std::malloc(ScratchWords(m_width) * sizeof(uint64_t)));
    if (!m_scratch || !m_writer.Reserve(size_t(m_width) + 64)) {
        FreeRuns();
        return kNoMemory;
    }
    return kOk;
}

void CTIFFFax::PutRun(int colour, uint32_t run) {
    const Code* makeUp = colour ? kBlackMakeUp : kWhiteMakeUp;
    const Code* terminating = colour ? kBlackTerminating : kWhiteTerminating;
    while (run >= 2624) {
        m_writer.Put(makeUp[39]);  // 2560
        run -= 2560;
    }
    if (run >= 64) {
        m_writer.Put(makeUp[run / 64 - 1]);
        run &= 63;
    }
    m_writer.Put(terminating[run]);
}

void CTIFFFax::Code1D() {
    uint32_t position = 0;
    int colour = 0;
    for (int i = 0; i < m_currentCount; ++i) {
        PutRun(colour, m_current[i] - position);
        position = m_current[i];
        colour ^= 1;
    }
    PutRun(colour, m_width - position);
}

// Two-dimensional coding of the current row against the reference row. a0 starts on an imaginary
// white element before the row (-1); a1 is the next change of the current row after a0, b1 the
// first change of the reference row after a0 to the colour opposite a0's, b2 the change after b1.
void CTIFFFax::Code2D() {
    const int width = int(m_width);
    const uint32_t* cur = m_current;
    const uint32_t* ref = m_reference;
    int a0 = -1;
    int colour = 0;
    int ci = 0;  // index of a1
    int j = 0;   // index of b1
    while (a0 < width) {
        while (int(cur[ci]) <= a0) ++ci;
        int a1 = int(cur[ci]);
        while (int(ref[j]) <= a0) ++j;
        while (j > 0 && int(ref[j - 1]) > a0) --j;
        if ((j & 1) != colour) ++j;
        int b1 = int(ref[j]);
        int b2 = int(ref[j + 1]);
        if (b2 < a1) {
            m_writer.Put(kPass);
            a0 = b2;
            continue;
        }
        int d = a1 - b1;
        if (d >= -3 && d <= 3) {
            m_writer.Put(kVertical[d + 3]);
            a0 = a1;
            colour ^= 1;
            ++ci;
            continue;
        }
        int a2 = int(cur[ci + 1]);
        int start = a0 < 0 ? 0 : a0;
        m_writer.Put(kHorizontal);
        PutRun(colour, uint32_t(a1 - start));
        PutRun(colour ^ 1, uint32_t(a2 - a1));
        a0 = a2;
        ci += 2;
    }
}

int CTIFFFax::EncodeRow(const BYTE* row) {
    if (!row) return kNullData;
    if (!m_encoding || !m_current) return kUnsupported;
    // A row takes at most 7 bits a pixel (a 7-bit vertical code for each pixel), plus an EOL, a
    // tag bit, fill bits and the row-end codes.
    if (!m_writer.Reserve(size_t(m_width) + 64)) return kNoMemory;
    m_currentCount = FindChanges(row, m_width, m_scratch, m_current);
    switch (m_compression) {
    case 2:
        Code1D();
        m_writer.AlignToByte();
        break;
    case 3: {
        bool twoD = m_twoDimensional && m_rowInGroup != 0;
        if (m_alignedEol) m_writer.AlignBefore(kEol.length);
        m_writer.Put(kEol);
        if (m_twoDimensional) m_writer.Put(twoD ? 0 : 1, 1);
        if (twoD)
            Code2D();
        else
            Code1D();
        if (m_twoDimensional) m_rowInGroup = (m_rowInGroup + 1) % m_k;
        if (m_byteAlignedRows) m_writer.AlignToByte();
        break;
    }
    default:
        Code2D();
        if (m_byteAlignedRows) m_writer.AlignToByte();
        break;
    }
    SwapRows();
    return kOk;
}

int CTIFFFax::FinishEncoding() {
    if (!m_encoding) return kUnsupported;
    if (!m_writer.Reserve(64)) return kNoMemory;
    if (m_endOfBlock && m_compression == 4) {
        m_writer.Put(kEol);
        m_writer.Put(kEol);
    }
    m_writer.Flush();
    m_encoding = false;
    FreeRuns();
    return kOk;
}
