#include "codecs/jpeg/jpeg_huffman_encoder.h"

#include <bit>
#include <cstring>

namespace jpeg {

void BuildHuffmanCodes(const HuffmanSpec& spec, JpegHuffmanCodes* out) {
    memset(out, 0, sizeof(*out));
    uint32_t code = 0;
    int index = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int i = 0; i < spec.counts[length - 1]; ++i, ++index, ++code) {
            uint8_t symbol = spec.symbols[index];
            out->code[symbol] = static_cast<uint16_t>(code);
            out->length[symbol] = static_cast<uint8_t>(length);
        }
        code <<= 1;
    }
}

namespace {

// Category (bit count of |v|) and the value bits: v when positive, v + 2^category - 1 when
// negative.
inline int Category(int v) { return std::bit_width(static_cast<unsigned>(v < 0 ? -v : v)); }
inline uint32_t ValueBits(int v, int category) {
    return static_cast<uint32_t>(v < 0 ? v - 1 : v) & ((1u << category) - 1);
}

}  // namespace

void EncodeBlock(JpegBitWriter& writer, const int16_t coeffs[64], int16_t* predictor, const JpegHuffmanCodes& dc,
                 const JpegHuffmanCodes& ac) {
    int diff = coeffs[0] - *predictor;
    *predictor = coeffs[0];
    int category = Category(diff);
    writer.Put((static_cast<uint32_t>(dc.code[category]) << category) | ValueBits(diff, category),
               dc.length[category] + category);

    int16_t zz[64];
    uint64_t nonZero = 0;
    for (int k = 1; k < 64; ++k) {
        zz[k] = coeffs[kZigzagToNatural[k]];
        nonZero |= static_cast<uint64_t>(zz[k] != 0) << k;
    }
    int last = 0;
    while (nonZero) {
        int k = std::countr_zero(nonZero);
        nonZero &= nonZero - 1;
        int run = k - last - 1;
        for (; run >= 16; run -= 16) writer.Put(ac.code[0xF0], ac.length[0xF0]);
        int v = zz[k];
        category = Category(v);
        int symbol = (run << 4) | category;
        writer.Put((static_cast<uint32_t>(ac.code[symbol]) << category) | ValueBits(v, category),
                   ac.length[symbol] + category);
        last = k;
    }
    if (last != 63) writer.Put(ac.code[0], ac.length[0]);
}

}  // namespace jpeg
