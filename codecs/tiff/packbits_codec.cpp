#include "codecs/tiff/packbits_codec.h"

#include <cstring>
#include <new>

#include "base/simd.h"

namespace {

enum class PackState { Base, Literal, Run, LiteralRun };

// How many of the first `limit` bytes each differ from the byte after them (limit < the bytes
// there are): each of them is a run of one.
size_t SinglesAhead(const BYTE* bp, size_t limit) {
    size_t k = 0;
#if defined(LUMETTA_SSE2)
    while (k + 16 <= limit) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bp + k));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bp + k + 1));
        const unsigned equal = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(here, next)));
        if (equal) return k + unsigned(__builtin_ctz(equal));
        k += 16;
    }
#endif
    while (k < limit && bp[k] != bp[k + 1]) ++k;
    return k;
}

// The packer's place in a row: where it writes, its state, and the open literal's count byte.
// The states follow the classic TIFF packer so that strips come out byte for byte as other
// writers make them: a literal, a run of two and one more byte become one longer literal when the
// literal has room.
struct Packer {
    BYTE* op;
    BYTE* lastLiteral;
    PackState state = PackState::Base;

    // One byte unlike its neighbours: into the open literal, else a new one.
    void Single(BYTE b) {
        if (state == PackState::Literal) {
            if (++*lastLiteral == 127) state = PackState::Base;
            *op++ = b;
            return;
        }
        lastLiteral = op;
        *op++ = 0;
        *op++ = b;
        state = PackState::Literal;
    }

    // n equal bytes b.
    void Put(BYTE b, size_t n) {
        if (state == PackState::LiteralRun) {
            if (n == 1 && op[-2] == 0xFF && *lastLiteral < 126) {
                // The run of two in front of this byte joins the literal before it.
                *lastLiteral = static_cast<BYTE>(*lastLiteral + 2);
                state = *lastLiteral == 127 ? PackState::Base : PackState::Literal;
                op[-2] = op[-1];
            } else {
                state = PackState::Run;
            }
        }
        if (n == 1) return Single(b);
        if (n > 128) {
            // Runs of 128 first; what is left is a run of its own, or a single byte.
            do {
                *op++ = static_cast<BYTE>(-127);
                *op++ = b;
                n -= 128;
            } while (n > 128);
            state = PackState::Run;
            if (n == 1) return Single(b);
        } else {
            state = state == PackState::Literal ? PackState::LiteralRun : PackState::Run;
        }
        *op++ = static_cast<BYTE>(1 - static_cast<int>(n));
        *op++ = b;
    }

    // The first of the `limit` bytes at bp that each differ from the next join the open literal
    // as they are, as many as it has room for; how many did.
    size_t Singles(const BYTE* bp, size_t limit) {
        const size_t room = 127u - *lastLiteral;
        const size_t k = SinglesAhead(bp, room < limit ? room : limit);
        memcpy(op, bp, k);
        op += k;
        *lastLiteral = static_cast<BYTE>(*lastLiteral + k);
        if (*lastLiteral == 127) state = PackState::Base;
        return k;
    }
};

// Appends the packed row to out.
// op has room for 2 * cc + 2 bytes (every object takes at least one input byte for two output
// bytes); returns the end of what was written.
BYTE* PackRow(const BYTE* bp, size_t cc, BYTE* op) {
    Packer packer{op, op};
    while (cc > 0) {
        if (packer.state == PackState::Literal && cc > 1) {
            const size_t k = packer.Singles(bp, cc - 1);
            bp += k;
            cc -= k;
            if (k) continue;
        }
        const BYTE b = *bp++;
        --cc;
        size_t n = 1;
        while (cc > 0 && *bp == b) {
            ++n;
            ++bp;
            --cc;
        }
        packer.Put(b, n);
    }
    return packer.op;
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
    // What the last call left of a literal or a run comes first.
    if (m_literal) {
        const size_t take = m_literal < count ? m_literal : count;
        std::memcpy(out, m_data + m_in, take);
        pos = take;
        m_in += take;
        m_literal -= take;
    }
    if (m_run && pos < count) {
        const size_t take = m_run < count - pos ? m_run : count - pos;
        std::memset(out + pos, m_runByte, take);
        pos += take;
        m_run -= take;
    }
    // Then whole objects, in locals, as long as they fit; the one that does not is kept for the
    // next call.
    const BYTE* data = m_data;
    const size_t size = m_size;
    size_t in = m_in;
    while (pos < count && in < size) {
        const int n = static_cast<signed char>(data[in++]);
        if (n >= 0) {
            const size_t literal = static_cast<size_t>(n) + 1;
            if (literal > size - in) {  // a literal longer than the data left ends the strip
                in = size;
                break;
            }
            const size_t take = literal < count - pos ? literal : count - pos;
            std::memcpy(out + pos, data + in, take);
            pos += take;
            in += take;
            if (take < literal) m_literal = literal - take;
        } else if (n != -128) {
            if (in >= size) break;
            const size_t run = static_cast<size_t>(1 - n);
            const BYTE b = data[in++];
            const size_t take = run < count - pos ? run : count - pos;
            std::memset(out + pos, b, take);
            pos += take;
            if (take < run) {
                m_run = run - take;
                m_runByte = b;
            }
        }
    }
    m_in = in;
    return pos;
}

uint64_t CTIFFPackBits::LargestOutput(uint64_t bytes) {
    constexpr uint64_t kFar = uint64_t(1) << 48;  // beyond any source; keeps the product in range
    return (bytes < kFar ? bytes : kFar) / 2 * 128;
}
