#include "codecs/jpeg/jpeg_huffman_encoder.h"

#include <bit>
#include <cstring>

#include "codecs/jpeg/jpeg_simd.h"

namespace jpeg {

void BuildHuffmanCodes(const HuffmanSpec& table, JpegHuffmanCodes* out) {
    memset(out, 0, sizeof(*out));
    uint32_t code = 0;
    int index = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int i = 0; i < table.counts[length - 1]; ++i, ++index, ++code) {
            uint8_t symbol = table.symbols[index];
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
    JpegBitWriter::Batch batch(writer);
    int diff = coeffs[0] - *predictor;
    *predictor = coeffs[0];
    int category = Category(diff);
    batch.Put((static_cast<uint32_t>(dc.code[category]) << category) | ValueBits(diff, category),
               dc.length[category] + category);

    uint64_t nonZero = 0;
    alignas(16) int16_t zz[64];
#if defined(LUMETTA_JPEG_SSE2)
    // Most blocks of a page (paper, flat areas) have no AC coefficient at all: find out from
    // the natural order first and skip the reordering for them.
    const __m128i zero = _mm_setzero_si128();
    __m128i any = _mm_insert_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(coeffs)), 0, 0);
    for (int i = 1; i < 8; ++i) any = _mm_or_si128(any, _mm_loadu_si128(reinterpret_cast<const __m128i*>(coeffs + 8 * i)));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, zero)) != 0xFFFF) {
        zz[0] = 0;
        for (int k = 1; k < 64; ++k) zz[k] = coeffs[kZigzagToNatural[k]];
        for (int i = 0; i < 4; ++i) {
            __m128i a = _mm_cmpeq_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(zz + 16 * i)), zero);
            __m128i b = _mm_cmpeq_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(zz + 16 * i + 8)), zero);
            uint32_t zeros = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(a, b)));
            nonZero |= static_cast<uint64_t>(~zeros & 0xFFFFu) << (16 * i);
        }
    }
#else
    for (int k = 1; k < 64; ++k) {
        zz[k] = coeffs[kZigzagToNatural[k]];
        nonZero |= static_cast<uint64_t>(zz[k] != 0) << k;
    }
#endif
    int last = 0;
    while (nonZero) {
        int k = std::countr_zero(nonZero);
        nonZero &= nonZero - 1;
        int run = k - last - 1;
        for (; run >= 16; run -= 16) batch.Put(ac.code[0xF0], ac.length[0xF0]);
        int v = zz[k];
        category = Category(v);
        int symbol = (run << 4) | category;
        batch.Put((static_cast<uint32_t>(ac.code[symbol]) << category) | ValueBits(v, category),
                   ac.length[symbol] + category);
        last = k;
    }
    if (last != 63) batch.Put(ac.code[0], ac.length[0]);
}

}  // namespace jpeg
