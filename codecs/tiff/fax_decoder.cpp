// CTIFFFax: the decoder. Every code is read through the bounded bit reader, every change is
// entered in a run array of fixed capacity and every position is kept within the row, so a
// hostile strip ends with kBadData after at most one pass over its bits.
#include "codecs/tiff/fax_codec.h"

#include <cstring>

#include "codecs/tiff/fax_code_tables.h"
#include "codecs/tiff/fax_row_changes.h"

using namespace fax;

int CTIFFFax::SetupDecoder(const FaxStripParams& params, const BYTE* data, size_t size) {
    m_encoding = false;
    FreeRuns();
    if (int r = CheckParams(params)) return r;
    if (!data && size) return kNullData;
    const size_t width = m_width;
    if (!m_reader.Load(data, size, params.fillOrder == 2)) return kNoMemory;
    // Every change costs at least one bit of the strip, so a row never has more changes than
    // the strip has bits (nor than the row has pixels).
    size_t changes = width;
    if (size < changes / 8) changes = size * 8;
    if (!AllocateRuns(changes + kChangeSentinels + 1)) return kNoMemory;
    return kOk;
}

// Enters a change at `position` (never left of the last one). Two changes at one position cancel.
bool CTIFFFax::AddChange(uint32_t position) {
    if (m_currentCount > 0 && m_current[m_currentCount - 1] == position) {
        --m_currentCount;
        return true;
    }
    if (size_t(m_currentCount) + kChangeSentinels >= m_capacity) return false;
    m_current[m_currentCount++] = position;
    return true;
}

// A damaged row: what was decoded stays, the pixels from `position` on are white.
void CTIFFFax::EndRowWhite(uint32_t position) {
    if (position > m_width) position = m_width;
    if ((m_currentCount & 1) && position < m_width && !AddChange(position)) --m_currentCount;
}

// Fill bits and an EOL (eleven or more zero bits, then a one) in front of a group 3 row. Without
// an EOL nothing is consumed.
CTIFFFax::EolSearch CTIFFFax::SkipEol() {
    size_t zeros = 0;
    for (;;) {
        if (m_reader.AtEnd()) return kEolStripEnd;
        uint32_t bits = m_reader.Peek(16);
        if (bits == 0) {
            m_reader.Skip(16);
            zeros += 16;
            continue;
        }
        int lead = __builtin_clz(bits) - 16;
        if (zeros + size_t(lead) < 11) return kEolNone;
        m_reader.Skip(size_t(lead) + 1);
        return kEolFound;
    }
}

// One run: make-up codes, then a terminating code. The sum is capped at the width.
bool CTIFFFax::DecodeRun(int colour, uint32_t* run) {
    const RunEntry* table = colour ? BlackRunTable() : WhiteRunTable();
    const int bits = colour ? kBlackBits : kWhiteBits;
    uint32_t sum = 0;
    for (;;) {
        const RunEntry& e = table[m_reader.Peek(bits)];
        if (e.kind != kTerminating && e.kind != kMakeUp) return false;
        m_reader.Skip(e.length);
        if (m_reader.Exhausted()) return false;
        sum += uint32_t(e.run);
        if (sum > m_width) sum = m_width;
        if (e.kind == kTerminating) break;
    }
    *run = sum;
    return true;
}

bool CTIFFFax::Decode1D() {
    m_currentCount = 0;
    uint32_t position = 0;
    int colour = 0;
    for (;;) {
        uint32_t run;
        if (!DecodeRun(colour, &run)) {
            EndRowWhite(position);
            return false;
        }
        position += run;
        if (position >= m_width) break;
        if (!AddChange(position)) {
            EndRowWhite(position);
            return false;
        }
        colour ^= 1;
    }
    return true;
}

bool CTIFFFax::Decode2D() {
    m_currentCount = 0;
    const int width = int(m_width);
    const uint32_t* ref = m_reference;
    const ModeEntry* modes = ModeTable();
    int a0 = -1;
    int colour = 0;
    int j = 0;
    while (a0 < width) {
        while (int(ref[j]) <= a0) ++j;
        while (j > 0 && int(ref[j - 1]) > a0) --j;
        if ((j & 1) != colour) ++j;
        int b1 = int(ref[j]);
        int b2 = int(ref[j + 1]);
        const ModeEntry& e = modes[m_reader.Peek(kModeBits)];
        m_reader.Skip(e.length ? e.length : 1);
        if (m_reader.Exhausted()) break;
        if (e.kind == kModeVertical) {
            int a1 = b1 + e.offset;
            if (a1 <= a0 || a1 > width) break;
            if (a1 < width && !AddChange(uint32_t(a1))) break;
            a0 = a1;
            colour ^= 1;
        } else if (e.kind == kModePass) {
            a0 = b2;
        } else if (e.kind == kModeHorizontal) {
            uint32_t run1, run2;
            if (!DecodeRun(colour, &run1) || !DecodeRun(colour ^ 1, &run2)) break;
            uint32_t start = a0 < 0 ? 0 : uint32_t(a0);
            uint32_t a1 = start + run1, a2 = a1 + run2;
            if (a1 > m_width) a1 = m_width;
            if (a2 > m_width) a2 = m_width;
            if (a1 < m_width && !AddChange(a1)) break;
            if (a2 < m_width && !AddChange(a2)) break;
            a0 = int(a2);
        } else {
            break;  // EOL, extension or no code
        }
    }
    if (a0 >= width) return true;
    EndRowWhite(a0 < 0 ? 0 : uint32_t(a0));
    return false;
}

int CTIFFFax::Decode(BYTE* rows, size_t stride, DWORD rowCount, DWORD* rowsDecoded) {
    if (rowsDecoded) *rowsDecoded = 0;
    if (!rows) return kNullData;
    if (!m_current || m_encoding) return kUnsupported;
    const size_t rowBytes = RowBytes();
    int result = kOk;
    size_t complete = 0;
    size_t row = 0;
    for (; row < rowCount; ++row) {
        bool twoD = m_compression == 4;
        if (m_compression == 3) {
            EolSearch eol = SkipEol();
            if (eol == kEolNone && m_byteAlignedRows) {
                // Rows that start on a byte boundary without an EOL in front.
                m_reader.AlignToByte();
                eol = SkipEol();
            }
            if (eol == kEolStripEnd) {
                result = kBadData;
                break;
            }
            if (m_twoDimensional) {
                twoD = m_reader.Peek(1) == 0;
                m_reader.Skip(1);
            }
        } else if ((m_compression == 2 || m_byteAlignedRows) && row > 0) {
            m_reader.AlignToByte();
        }
        if (m_reader.AtEnd()) {
            result = kBadData;
            break;
        }
        bool whole = twoD ? Decode2D() : Decode1D();
        for (int s = 0; s < kChangeSentinels; ++s) m_current[m_currentCount + s] = m_width;
        FillRow(rows + row * stride, m_width, m_current, m_currentCount);
        SwapRows();
        if (!whole) {
            result = kBadData;
            ++row;
            break;
        }
        complete = row + 1;
    }
    if (rowsDecoded) *rowsDecoded = DWORD(complete);
    for (; row < rowCount; ++row) std::memset(rows + row * stride, 0, rowBytes);
    return result;
}
