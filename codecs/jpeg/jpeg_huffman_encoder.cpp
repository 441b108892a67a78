#include "codecs/jpeg/jpeg_huffman_encoder.h"

#include <algorithm>
#include <bit>

#include "codecs/jpeg/jpeg_simd.h"

namespace jpeg {

void BuildHuffmanCodes(const HuffmanSpec& table, JpegHuffmanCodes* out) {
    uint16_t codes[256] = {};
    uint8_t lengths[256] = {};
    uint32_t code = 0;
    int index = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int i = 0; i < table.counts[length - 1]; ++i, ++index, ++code) {
            uint8_t symbol = table.symbols[index];
            codes[symbol] = static_cast<uint16_t>(code);
            lengths[symbol] = static_cast<uint8_t>(length);
        }
        code <<= 1;
    }
    for (int symbol = 0; symbol < 256; ++symbol) {
        const int valueBits = symbol & 15;
        out->entry[symbol] = ((static_cast<uint64_t>(codes[symbol]) << valueBits) << 8) | (lengths[symbol] + valueBits);
    }
}

namespace {

// Zigzag positions of the coefficients of one natural row: bits[r][m] has bit k set for every
// column c in the mask m whose coefficient (r, c) stands at zigzag position k. Eight lookups
// turn the mask of the non-zero coefficients in natural order into the one in zigzag order.
struct RowToZigzag {
    uint64_t bits[8][256];
};

constexpr RowToZigzag BuildRowToZigzag() {
    // The zigzag walk: along each anti-diagonal, upwards (row falling) on even ones.
    int zigzagOf[64] = {};
    int k = 0;
    for (int d = 0; d < 15; ++d) {
        for (int i = 0; i <= d; ++i) {
            const int r = d % 2 == 0 ? d - i : i, c = d - r;
            if (r < 8 && c < 8) zigzagOf[r * 8 + c] = k++;
        }
    }
    RowToZigzag t{};
    for (int r = 0; r < 8; ++r)
        for (int m = 0; m < 256; ++m)
            for (int c = 0; c < 8; ++c)
                if (m >> c & 1) t.bits[r][m] |= uint64_t(1) << zigzagOf[r * 8 + c];
    return t;
}

constexpr RowToZigzag kRowToZigzag = BuildRowToZigzag();

// The category of a coefficient or DC difference: the bit count of its magnitude, taken as at
// most 32767 (-32768 and differences beyond that come from no image; so the category stays
// below 16, within the symbols' four bits). Half the DC differences of a page are zero: their
// bit count is that of 2 |v| + 1 less one, so that no branch for zero is needed.
inline int Category(int v) {
    return std::bit_width(std::min(static_cast<unsigned>(v < 0 ? -v : v), 32767u) * 2 + 1) - 1;
}
inline int CategoryOfNonZero(int v) {
    return std::bit_width(std::min(static_cast<unsigned>(v < 0 ? -v : v), 32767u) | 1u);
}

// The value bits of v (category bits of them): v when positive, v + 2^category - 1 when
// negative.
constexpr uint32_t kLowBits[16] = {0,     1,     3,     7,     15,     31,     63,     127,
                                    255,   511,   1023,  2047,  4095,  8191,   16383,  32767};
inline uint32_t ValueBits(int v, int category) {
    return static_cast<uint32_t>(v < 0 ? v - 1 : v) & kLowBits[category];
}

// The most bits one block takes: a DC code with its value bits, 63 AC codes with theirs, three
// ZRL and the EOB, each code 16 bits at most and the value bits 15.
constexpr size_t kMaxBlockBits = 31 + 63 * 31 + 3 * 16 + 16;

}  // namespace

void EncodeBlock(JpegBitWriter& writer, const int16_t coeffs[64], int16_t* predictor, const JpegHuffmanCodes& dc,
                 const JpegHuffmanCodes& ac) {
    const int diff = coeffs[0] - *predictor;
    *predictor = coeffs[0];
    JpegBitWriter::Batch batch(writer, kMaxBlockBits);
    if (!batch.ok()) return;
    int category = Category(diff);
    uint64_t code = dc.entry[category];
    batch.Put((code >> 8) | ValueBits(diff, category), static_cast<int>(code & 0xFF));

    // The AC coefficients that are not zero, as bits by natural index, then by zigzag position.
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
    for (int r = 0; r < 8; ++r) nonZero |= kRowToZigzag.bits[r][(natural >> (8 * r)) & 0xFF];

    int last = 0;
    while (nonZero) {
        const int k = std::countr_zero(nonZero);
        nonZero &= nonZero - 1;
        int run = k - last - 1;
        last = k;
        for (; run >= 16; run -= 16) batch.Put(ac.entry[0xF0] >> 8, static_cast<int>(ac.entry[0xF0] & 0xFF));
        const int v = coeffs[kZigzagToNatural[k]];
        category = CategoryOfNonZero(v);
        code = ac.entry[(run << 4) | category];
        batch.Put((code >> 8) | ValueBits(v, category), static_cast<int>(code & 0xFF));
    }
    if (last != 63) batch.Put(ac.entry[0] >> 8, static_cast<int>(ac.entry[0] & 0xFF));
}

}  // namespace jpeg
