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

    // The AC coefficients that are not zero, as bits by zigzag position. They are found in the
    // natural order and only those few are moved to their zigzag bits: most blocks of a page
    // have none or a handful.
    uint64_t natural = 0;
#if defined(LUMETTA_JPEG_SSE2)
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 4; ++i) {
        __m128i a = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(coeffs + 16 * i)), zero);
        __m128i b = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(coeffs + 16 * i + 8)), zero);
        uint32_t zeros = static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(a, b)));
        natural |= static_cast<uint64_t>(~zeros & 0xFFFFu) << (16 * i);
    }
#else
    for (int n = 0; n < 64; ++n) natural |= static_cast<uint64_t>(coeffs[n] != 0) << n;
#endif
    natural &= ~uint64_t(1);  // the DC coefficient is coded above
    uint64_t nonZero = 0;
    while (natural) {
        nonZero |= uint64_t(1) << kNaturalToZigzag[std::countr_zero(natural)];
        natural &= natural - 1;
    }
    int last = 0;
    while (nonZero) {
        int k = std::countr_zero(nonZero);
        nonZero &= nonZero - 1;
        int run = k - last - 1;
        for (; run >= 16; run -= 16) batch.Put(ac.code[0xF0], ac.length[0xF0]);
        int v = coeffs[kZigzagToNatural[k]];
        category = Category(v);
        int symbol = (run << 4) | category;
        batch.Put((static_cast<uint32_t>(ac.code[symbol]) << category) | ValueBits(v, category),
                   ac.length[symbol] + category);
        last = k;
    }
    if (last != 63) batch.Put(ac.code[0], ac.length[0]);
}

}  // namespace jpeg
