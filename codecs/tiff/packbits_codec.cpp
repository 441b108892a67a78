#include "codecs/tiff/packbits_codec.h"

#include <cstring>
#include <new>

namespace {

enum class PackState { Base, Literal, Run, LiteralRun };

// Appends the packed row to out. The states follow the classic TIFF packer so that strips come
// out byte for byte as other writers make them: a literal, a run of two and one more byte become
// one longer literal when the literal has room.
// op has room for 2 * cc + 2 bytes (every object takes at least one input byte for two output
// bytes); returns the end of what was written.
BYTE* PackRow(const BYTE* bp, size_t cc, BYTE* op) {
    PackState state = PackState::Base;
    BYTE* lastLiteral = op;  // the open literal's count byte
    while (cc > 0) {
        const BYTE b = *bp++;
        --cc;
        size_t n = 1;
        while (cc > 0 && *bp == b) {
            ++n;
            ++bp;
            --cc;
        }
        for (;;) {
            switch (state) {
            case PackState::Base:
            case PackState::Run:
                if (n > 1) {
                    state = PackState::Run;
                    if (n > 128) {
                        *op++ = static_cast<BYTE>(-127);
                        *op++ = b;
                        n -= 128;
                        continue;
                    }
                    *op++ = static_cast<BYTE>(1 - static_cast<int>(n));
                    *op++ = b;
                } else {
                    lastLiteral = op;
                    *op++ = 0;
                    *op++ = b;
                    state = PackState::Literal;
                }
                break;
            case PackState::Literal:
                if (n > 1) {
                    state = PackState::LiteralRun;
                    if (n > 128) {
                        *op++ = static_cast<BYTE>(-127);
                        *op++ = b;
                        n -= 128;
                        continue;
                    }
                    *op++ = static_cast<BYTE>(1 - static_cast<int>(n));
                    *op++ = b;
                } else {
                    if (++*lastLiteral == 127) state = PackState::Base;
                    *op++ = b;
                }
                break;
            case PackState::LiteralRun:
                if (n == 1 && op[-2] == 0xFF && *lastLiteral < 126) {
                    *lastLiteral = static_cast<BYTE>(*lastLiteral + 2);
                    state = *lastLiteral == 127 ? PackState::Base : PackState::Literal;
                    op[-2] = op[-1];
                } else {
                    state = PackState::Run;
                }
                continue;
            }
            break;
        }
    }
    return op;
}

}  // namespace

int CTIFFPackBits::EncodeRow(const BYTE* row, size_t size, std::vector<BYTE>& out) {
    if (!row) return kNullData;
    try {
        const size_t start = out.size();
        out.resize(start + 2 * size + 2);
        BYTE* end = PackRow(row, size, out.data() + start);
        out.resize(static_cast<size_t>(end - out.data()));
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

int CTIFFPackBits::EncodeStrip(const BYTE* rows, size_t rowBytes, DWORD height, size_t rowStride,
                               std::vector<BYTE>& out) {
    if (!rows && height > 0 && rowBytes > 0) return kNullData;
    try {
        const size_t start = out.size();
        out.resize(start + (2 * rowBytes + 2) * height);
        BYTE* op = out.data() + start;
        for (DWORD y = 0; y < height; ++y) op = PackRow(rows + static_cast<size_t>(y) * rowStride, rowBytes, op);
        out.resize(static_cast<size_t>(op - out.data()));
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

int CTIFFPackBits::DecodeStrip(const BYTE* data, size_t size, BYTE* out, size_t outSize, size_t* written) {
    if (written) *written = 0;
    if (!data && size > 0) return kNullData;
    if (!out && outSize > 0) return kNullData;
    const size_t pos = Unpacker(data, size).Next(out, outSize);
    if (written) *written = pos;
    return pos == outSize ? kOk : kBadData;
}

size_t CTIFFPackBits::Unpacker::Next(BYTE* out, size_t count) {
    size_t pos = 0;
    while (pos < count) {
        if (m_literal) {
            const size_t take = m_literal < count - pos ? m_literal : count - pos;
            std::memcpy(out + pos, m_data + m_in, take);
            pos += take;
            m_in += take;
            m_literal -= take;
            continue;
        }
        if (m_run) {
            const size_t take = m_run < count - pos ? m_run : count - pos;
            std::memset(out + pos, m_runByte, take);
            pos += take;
            m_run -= take;
            continue;
        }
        if (m_in >= m_size) break;
        const int n = static_cast<signed char>(m_data[m_in++]);
        if (n >= 0) {
            const size_t literal = static_cast<size_t>(n) + 1;
            if (literal > m_size - m_in) {  // a literal longer than the data left ends the strip
                m_in = m_size;
                break;
            }
            m_literal = literal;
        } else if (n != -128) {
            if (m_in >= m_size) break;
            m_run = static_cast<size_t>(1 - n);
            m_runByte = m_data[m_in++];
        }
    }
    return pos;
}

uint64_t CTIFFPackBits::LargestOutput(uint64_t bytes) {
    constexpr uint64_t kFar = uint64_t(1) << 48;  // beyond any source; keeps the product in range
    return (bytes < kFar ? bytes : kFar) / 2 * 128;
}
