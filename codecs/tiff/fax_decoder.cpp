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
    if (int r = CheckParams(params, false)) return r;
    if (!data && size) return kNullData;
    const size_t width = m_width;
    if (!m_reader.Load(data, size, params.fillOrder == 2)) return kNoMemory;
    m_whiteRuns = WhiteRunTable();
    m_blackRuns = BlackRunTable();
    m_modes = ModeTable();
    // Every change costs at least one bit of the strip, so a row never has more changes than
    // the strip has bits (nor than the row has pixels).
    size_t changes = width;
    if (size < changes / 8) changes = size * 8;
    if (!AllocateRuns(changes + kChangeSentinels + 1)) return kNoMemory;
    m_rowsRead = 0;
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
    if (!CountZeros(&zeros)) return kEolStripEnd;
    if (zeros < 11) return kEolNone;
    m_reader.Skip(zeros + 1);
    return kEolFound;
}

// The same for rows that start on byte boundaries: an EOL whose fill bits end it on a byte
// boundary, else the fill bits up to the boundary and then an EOL, if any. (Zero fill bits
// followed by a row whose first code starts with zeros can look like an EOL that ends inside
// a byte; none of those is taken.)
CTIFFFax::EolSearch CTIFFFax::SkipAlignedEol() {
    size_t zeros = 0;
    if (!CountZeros(&zeros)) return kEolStripEnd;
    if (zeros >= 11 && (m_reader.Position() + zeros + 1) % 8 == 0) {
        m_reader.Skip(zeros + 1);
        return kEolFound;
    }
    m_reader.AlignToByte();
    return SkipEol();
}

// The zero bits from the current position up to the next one bit; false when the strip ends first.
bool CTIFFFax::CountZeros(size_t* zeros) {
    const uint8_t* data = m_reader.Data();
    size_t pos = m_reader.Position();
    const size_t end = m_reader.End();
    for (;;) {
        if (pos >= end) return false;
        uint32_t bits = PeekAt(data, pos, 16);
        if (bits == 0) {
            pos += 16;
            continue;
        }
        pos += size_t(__builtin_clz(bits) - 16);
        if (pos >= end) return false;
        *zeros = pos - m_reader.Position();
        return true;
    }
}

namespace {

// One run at bit position pos: make-up codes, then a terminating code; the sum is capped at the
// width. False for an invalid code or one that runs past the end.
inline bool ReadRun(BitWindow& in, size_t end, const RunEntry* table, int bits, uint32_t width, uint32_t* run) {
    uint32_t sum = 0;
    for (;;) {
        const RunEntry e = table[in.Peek(bits)];
        if (e.kind != kTerminating && e.kind != kMakeUp) return false;
        in.Skip(e.length);
        if (in.pos > end) return false;
        sum += uint32_t(e.run);
        if (sum > width) sum = width;
        if (e.kind == kTerminating) break;
    }
    *run = sum;
    return true;
}

}  // namespace

bool CTIFFFax::DecodeRun(int colour, uint32_t* run) {
    BitWindow in(m_reader.Data(), m_reader.Position());
    bool ok = colour ? ReadRun(in, m_reader.End(), m_blackRuns, kBlackBits, m_width, run)
                     : ReadRun(in, m_reader.End(), m_whiteRuns, kWhiteBits, m_width, run);
    m_reader.SetPosition(in.pos);
    return ok;
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

// The inner loop keeps the bit position, the change list and its count in locals.
bool CTIFFFax::Decode2D() {
    const int width = int(m_width);
    const uint32_t* ref = m_reference;
    uint32_t* cur = m_current;
    int count = 0;
    const int limit = int(m_capacity) - kChangeSentinels;
    BitWindow in(m_reader.Data(), m_reader.Position());
    const size_t end = m_reader.End();
    const ModeEntry* modes = m_modes;
    // Changes never go left of the last one; two at one position cancel.
    auto add = [&](uint32_t position) {
        if (count > 0 && cur[count - 1] == position) {
            --count;
            return true;
        }
        if (count >= limit) return false;
        cur[count++] = position;
        return true;
    };
    // b1 is ref[j]: the first change after a0 to the colour opposite a0's (even indexes are
    // changes to black). Each mode moves j by the few steps its new a0 allows; ref ends with
    // sentinels at the width, which stop every search.
    int a0 = -1;
    int colour = 0;
    int j = 0;
    while (a0 < width) {
        const int b1 = int(ref[j]);
        const ModeEntry e = modes[in.Peek(kModeBits)];
        in.Skip(e.length);
        if (in.pos > end) break;
        if (e.kind == kModeVertical) {
            int a1 = b1 + e.offset;
            if (a1 <= a0 || a1 > width) break;
            if (a1 < width && !add(uint32_t(a1))) break;
            a0 = a1;
            colour ^= 1;
            // Only the change before b1 can lie between a1 and b1.
            j = (j > 0 && int(ref[j - 1]) > a1) ? j - 1 : j + 1;
        } else if (e.kind == kModePass) {
            a0 = int(ref[j + 1]);
            j += 2;
        } else if (e.kind == kModeHorizontal) {
            uint32_t run1, run2;
            const RunEntry* first = colour ? m_blackRuns : m_whiteRuns;
            const RunEntry* second = colour ? m_whiteRuns : m_blackRuns;
            if (!ReadRun(in, end, first, colour ? kBlackBits : kWhiteBits, m_width, &run1) ||
                !ReadRun(in, end, second, colour ? kWhiteBits : kBlackBits, m_width, &run2))
                break;
            uint32_t start = a0 < 0 ? 0 : uint32_t(a0);
            uint32_t a1 = start + run1, a2 = a1 + run2;
            if (a1 > m_width) a1 = m_width;
            if (a2 > m_width) a2 = m_width;
            if (a1 < m_width && !add(a1)) break;
            if (a2 < m_width && !add(a2)) break;
            a0 = int(a2);
        } else {
            break;  // EOL, extension or no code
        }
        if (a0 >= width) break;
        while (int(ref[j]) <= a0) j += 2;
    }
    m_reader.SetPosition(in.pos);
    m_currentCount = count;
    if (a0 >= width) return true;
    EndRowWhite(a0 < 0 ? 0 : uint32_t(a0));
    return false;
}

int CTIFFFax::Decode(BYTE* rows, size_t stride, DWORD rowCount, DWORD* rowsDecoded) {
    if (rowsDecoded) *rowsDecoded = 0;
    if (!rows) return kNullData;
    if (!m_current || m_encoding) return kUnsupported;
    int result = kOk;
    size_t complete = 0;
    size_t row = 0;
    for (; row < rowCount; ++row) {
        bool twoD = m_compression == 4;
        if (m_compression == 3) {
            EolSearch eol = m_byteAlignedRows ? SkipAlignedEol() : SkipEol();
            if (eol == kEolStripEnd) {
                result = kBadData;
                break;
            }
            if (m_twoDimensional) {
                twoD = m_reader.Peek(1) == 0;
                m_reader.Skip(1);
            }
        } else if ((m_compression == 2 || m_byteAlignedRows) && m_rowsRead > 0) {
            // Every row but the strip's first starts on a byte, also the first row of a later
            // call (the reader decodes a long strip a piece of rows at a time).
            m_reader.AlignToByte();
        }
        ++m_rowsRead;
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
    // A strip that failed stops here: the rows after it are left as the caller had them (every
    // caller starts from blank rows), so damaged data costs no more than the rows it reached.
    return result;
}
