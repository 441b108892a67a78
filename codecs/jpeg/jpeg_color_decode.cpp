#include "codecs/jpeg/jpeg_color_decode.h"

#include "codecs/jpeg/jpeg_simd.h"

namespace jpeg {

JpegColorTables::JpegColorTables() {
    for (int i = 0; i < 256; ++i) {
        crToR[i] = static_cast<int>((i - 128) * 1.402);
        cbToB[i] = static_cast<int>((i - 128) * 1.772);
        crToG[i] = static_cast<int>((i - 128) * -0.71414);
        cbToG[i] = static_cast<int>((i - 128) * -0.34414);
    }
    for (int i = 0; i < 1024; ++i) {
        int v = i - kClampOffset;
        clamp[i] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
}

#if defined(LUMETTA_JPEG_SSE2)

namespace {

// The truncated table product (v - 128) x c of eight samples, in fixed point: with a = |v - 128|
// (at most 128), floor(a x |c|) = whole x a + (a x fraction) >> 16, where fraction is the
// part of |c| below 1 in 16 bits, exact for every a (the tables' factors were checked for all
// 256 samples); the sign of the product is put back afterwards, truncating towards zero.
template <int Whole, int Fraction, bool Negative>
inline __m128i TableProduct(__m128i samples) {
    const __m128i x = _mm_sub_epi16(samples, _mm_set1_epi16(128));
    const __m128i sign = _mm_srai_epi16(x, 15);
    const __m128i a = _mm_sub_epi16(_mm_xor_si128(x, sign), sign);
    __m128i t = _mm_mulhi_epu16(a, _mm_set1_epi16(static_cast<short>(Fraction)));
    if (Whole) t = _mm_add_epi16(t, a);
    const __m128i s = Negative ? _mm_xor_si128(sign, _mm_set1_epi16(-1)) : sign;
    return _mm_sub_epi16(_mm_xor_si128(t, s), s);
}

}  // namespace

#endif

void ComputeChromaTerms(const JpegColorTables& t, const uint8_t* cb, const uint8_t* cr, int count, ChromaTerms terms) {
    int i = 0;
#if defined(LUMETTA_JPEG_SSE2)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= count; i += 8) {
        const __m128i b = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb + i)), zero);
        const __m128i r = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cr + i)), zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(terms.blue + i), TableProduct<1, kCbToBFraction, false>(b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(terms.green + i),
                         _mm_add_epi16(TableProduct<0, kCrToGFraction, true>(r), TableProduct<0, kCbToGFraction, true>(b)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(terms.red + i), TableProduct<1, kCrToRFraction, false>(r));
    }
#endif
    for (; i < count; ++i) {
        terms.blue[i] = static_cast<int16_t>(t.cbToB[cb[i]]);
        terms.green[i] = static_cast<int16_t>(t.crToG[cr[i]] + t.cbToG[cb[i]]);
        terms.red[i] = static_cast<int16_t>(t.crToR[cr[i]]);
    }
}

namespace {

#if defined(LUMETTA_JPEG_SSE2)

// Sixteen pixels: luminance plus the chroma terms (eight of them for h = 2, each used twice),
// clamped by the saturating pack, then interleaved to B, G, R. Every 8-byte store writes two
// bytes past its six; the next store (or the caller's scalar tail) writes over them.
template <int h>
inline void SixteenPixels(const uint8_t* y, const int16_t* blue, const int16_t* green, const int16_t* red,
                          uint8_t* out) {
    const __m128i zero = _mm_setzero_si128();
    __m128i luma = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y));
    __m128i yLo = _mm_unpacklo_epi8(luma, zero), yHi = _mm_unpackhi_epi8(luma, zero);
    auto channel = [&](const int16_t* terms) {
        __m128i lo, hi;
        if constexpr (h == 2) {
            __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(terms));
            lo = _mm_unpacklo_epi16(t, t);
            hi = _mm_unpackhi_epi16(t, t);
        } else {
            lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(terms));
            hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(terms + 8));
        }
        return _mm_packus_epi16(_mm_adds_epi16(yLo, lo), _mm_adds_epi16(yHi, hi));
    };
    __m128i b = channel(blue), g = channel(green), r = channel(red);
    __m128i bg[2] = {_mm_unpacklo_epi8(b, g), _mm_unpackhi_epi8(b, g)};
    __m128i r0[2] = {_mm_unpacklo_epi8(r, zero), _mm_unpackhi_epi8(r, zero)};
    const __m128i low32 = _mm_set_epi32(0, -1, 0, -1);
    for (int half = 0; half < 2; ++half) {
        __m128i quads[2] = {_mm_unpacklo_epi16(bg[half], r0[half]), _mm_unpackhi_epi16(bg[half], r0[half])};
        for (__m128i q : quads) {
            // B G R 0 | B G R 0 in each 64-bit lane becomes six packed bytes.
            __m128i packed = _mm_or_si128(_mm_and_si128(q, low32), _mm_srli_epi64(_mm_andnot_si128(low32, q), 8));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 6), _mm_srli_si128(packed, 8));
            out += 12;
        }
    }
}

// The groups of sixteen pixels strictly inside the row, so that the two bytes written past each
// group stay in it; returns where the scalar tail starts. h is a constant here (1 or 2), so
// the chroma index needs no division.
template <int h>
int SixteenPixelGroups(const uint8_t* y, const ChromaTerms& terms, int width, uint8_t* out) {
    const int16_t* blue = terms.blue;
    const int16_t* green = terms.green;
    const int16_t* red = terms.red;
    int x = 0;
    for (; x + 16 < width; x += 16) SixteenPixels<h>(y + x, blue + x / h, green + x / h, red + x / h, out + 3 * x);
    return x;
}

#endif

}  // namespace

void YccRowToBgr(const JpegColorTables& t, const uint8_t* y, const ChromaTerms& terms, int h, int width,
                 uint8_t* out) {
    int x = 0;
#if defined(LUMETTA_JPEG_SSE2)
    if (h == 2)
        x = SixteenPixelGroups<2>(y, terms, width, out);
    else if (h == 1)
        x = SixteenPixelGroups<1>(y, terms, width, out);
#endif
    const uint8_t* clamp = t.clamp + JpegColorTables::kClampOffset;
    for (; x < width; ++x) {
        int c = x / h, yy = y[x];
        out[3 * x] = clamp[yy + terms.blue[c]];
        out[3 * x + 1] = clamp[yy + terms.green[c]];
        out[3 * x + 2] = clamp[yy + terms.red[c]];
    }
}

}  // namespace jpeg
