#include "codecs/jpeg/jpeg_huffman_decoder.h"

#include <cstring>

#include "codecs/jpeg/jpeg_tables.h"

namespace jpeg {

void ClearHuffmanTable(JpegHuffmanTable* t) {
    memset(t, 0, sizeof(*t));
    for (int l = 0; l <= 16; ++l) t->maxCode[l] = -1;
}

bool BuildHuffmanTable(const uint8_t counts[16], const uint8_t* symbols, JpegHuffmanTable* t) {
    ClearHuffmanTable(t);
    int total = 0;
    for (int l = 0; l < 16; ++l) total += counts[l];
    if (total > 256) return false;
    memcpy(t->symbols, symbols, static_cast<size_t>(total));

    int32_t code = 0;
    int index = 0;
    for (int length = 1; length <= 16; ++length) {
        int n = counts[length - 1];
        if (n) {
            t->valueOffset[length] = index - code;
            if (code + n > (1 << length)) return false;  // codes of this length do not fit
            for (int i = 0; i < n; ++i, ++code, ++index) {
                if (length > kLookaheadBits) continue;
                const uint32_t symbol = t->symbols[index];
                const uint32_t entry = (symbol << 16) | (uint32_t(length) << 8) | (length + (symbol & 15));
                int shift = kLookaheadBits - length;
                for (int j = 0; j < (1 << shift); ++j) t->fast[(code << shift) | j] = entry;
            }
            t->maxCode[length] = code - 1;
        }
        code <<= 1;
    }
    return true;
}

namespace {

using Window = JpegBitReader::Window;

// A code longer than the lookahead: its symbol, or -1 (nothing consumed) when no code matches.
// The window holds at least 16 bits.
int LongCodeSymbol(Window& w, const JpegHuffmanTable& t) {
    const uint32_t window = static_cast<uint32_t>(w.bits >> 48);
    for (int length = kLookaheadBits + 1; length <= 16; ++length) {
        int32_t code = static_cast<int32_t>(window >> (16 - length));
        if (code <= t.maxCode[length]) {
            w.bits <<= length;
            w.count -= length;
            return t.symbols[(code + t.valueOffset[length]) & 0xFF];
        }
    }
    return -1;
}

// The value of the n (0..16) bits at the top of bits: v when its top bit is set, else
// v + 1 - 2^n; 0 for n = 0.
inline int32_t Extend(uint64_t bits, int n) {
    const int32_t v = static_cast<int32_t>((bits >> 1) >> (63 - n));
    const int32_t low = (int32_t(1) << n) - 1;
    return static_cast<int64_t>(bits) < 0 ? v : v - low;
}

}  // namespace

// The window is kept in locals (registers) through the block and written back at its end; it
// is topped up whenever it holds fewer than 32 bits, the most a code (16) and its value bits
// (16) take.
int DecodeBlock(JpegBitReader& reader, const JpegHuffmanTable& dc, const JpegHuffmanTable& ac,
                int16_t* predictor, int16_t coeffs[64], unsigned* spread) {
    Window w = reader.Load();
    if (w.count < 32) w = reader.Filled(w);
    int last = 0;
    unsigned positions = 0;
    int s;
    if (const uint32_t e = dc.fast[w.bits >> (64 - kLookaheadBits)]) {
        const int length = (e >> 8) & 0xFF;
        w.bits <<= length;
        w.count -= length;
        s = static_cast<int>(e >> 16);
    } else {
        s = LongCodeSymbol(w, dc);
    }
    if (s > 0) {
        // Categories above 16 only come from damaged tables; read 16 bits for them.
        const int n = s > 16 ? 16 : s;
        const int32_t diff = Extend(w.bits, n);
        w.bits <<= n;
        w.count -= n;
        *predictor = static_cast<int16_t>(*predictor + diff);
    }
    coeffs[0] = *predictor;

    for (int k = 1; k < 64;) {
        if (w.count < 32) w = reader.Filled(w);
        const uint32_t e = ac.fast[w.bits >> (64 - kLookaheadBits)];
        int symbol;
        uint64_t valueBits;
        if (e) {
            symbol = static_cast<int>(e >> 16);
            valueBits = w.bits << ((e >> 8) & 63);
            w.bits <<= e & 63;  // code and value bits in one step
            w.count -= static_cast<int>(e & 0xFF);
        } else {
            symbol = LongCodeSymbol(w, ac);
            if (symbol < 0) {  // no code matches: nothing consumed, one position on
                ++k;
                continue;
            }
            valueBits = w.bits;
            w.bits <<= symbol & 15;
            w.count -= symbol & 15;
        }
        const int run = symbol >> 4, size = symbol & 15;
        if (size) {
            const int32_t value = Extend(valueBits, size);
            k += run;
            if (k > 63) break;
            const unsigned natural = kZigzagToNatural[k];
            coeffs[natural] = static_cast<int16_t>(value);
            positions |= natural;
            last = k;
            ++k;
        } else if (run == 15) {
            k += 16;
        } else {
            break;  // end of block (a zero-size symbol with a run other than 15 counts as one)
        }
    }
    reader.Store(w);
    if (spread) *spread = positions;
    return last;
}

}  // namespace jpeg
