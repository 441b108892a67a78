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
                int shift = kLookaheadBits - length;
                for (int j = 0; j < (1 << shift); ++j)
                    t->fast[(code << shift) | j] = static_cast<uint16_t>((length << 8) | t->symbols[index]);
            }
            t->maxCode[length] = code - 1;
        }
        code <<= 1;
    }

    // Whole AC coefficients within the lookahead.
    for (int i = 0; i < (1 << kLookaheadBits); ++i) {
        int entry = t->fast[i];
        if (!entry) continue;
        int length = entry >> 8, symbol = entry & 0xFF;
        int run = symbol >> 4, size = symbol & 15;
        if (!size || length + size > kLookaheadBits) continue;
        int bits = (i >> (kLookaheadBits - length - size)) & ((1 << size) - 1);
        int value = bits < (1 << (size - 1)) ? bits + 1 - (1 << size) : bits;
        if (value < -128 || value > 127) continue;
        t->fastAc[i] = static_cast<int16_t>(value * 256 + (run << 4) + length + size);
    }
    return true;
}

namespace {

// The symbol of the next code, or -1 (nothing consumed) when no code matches.
inline int DecodeSymbol(JpegBitReader& reader, const JpegHuffmanTable& t) {
    if (reader.Count() < 16) reader.Fill();
    int entry = t.fast[reader.Peek(kLookaheadBits)];
    if (entry) {
        reader.Skip(entry >> 8);
        return entry & 0xFF;
    }
    uint32_t window = reader.Peek(16);
    for (int length = kLookaheadBits + 1; length <= 16; ++length) {
        int32_t code = static_cast<int32_t>(window >> (16 - length));
        if (code <= t.maxCode[length]) {
            reader.Skip(length);
            return t.symbols[(code + t.valueOffset[length]) & 0xFF];
        }
    }
    return -1;
}

}  // namespace

int DecodeBlock(JpegBitReader& reader, const JpegHuffmanTable& dc, const JpegHuffmanTable& ac,
                int16_t* predictor, int16_t coeffs[64]) {
    int last = 0;
    int s = DecodeSymbol(reader, dc);
    if (s > 0) {
        // Categories above 16 only come from damaged tables; read 16 bits for them.
        int32_t diff = reader.ReceiveExtend(s > 16 ? 16 : s);
        *predictor = static_cast<int16_t>(*predictor + diff);
    }
    coeffs[0] = *predictor;

    for (int k = 1; k < 64;) {
        if (reader.Count() < 16) reader.Fill();
        int fast = ac.fastAc[reader.Peek(kLookaheadBits)];
        if (fast) {
            reader.Skip(fast & 15);
            k += (fast >> 4) & 15;
            if (k > 63) break;
            coeffs[kZigzagToNatural[k]] = static_cast<int16_t>(fast >> 8);
            last = k;
            ++k;
            continue;
        }
        int symbol = DecodeSymbol(reader, ac);
        if (symbol < 0) {
            ++k;
            continue;
        }
        int run = symbol >> 4, size = symbol & 15;
        if (size) {
            int32_t value = reader.ReceiveExtend(size);
            k += run;
            if (k > 63) break;
            coeffs[kZigzagToNatural[k]] = static_cast<int16_t>(value);
            last = k;
            ++k;
        } else if (run == 15) {
            k += 16;
        } else {
            break;  // end of block (a zero-size symbol with a run other than 15 counts as one)
        }
    }
    return last;
}

}  // namespace jpeg
