#include "codecs/jpeg/jpeg_color_encode.h"

#include "codecs/jpeg/jpeg_simd.h"

namespace jpeg {

void GreyRowToSamples(const uint8_t* in, int width, int paddedWidth, int16_t* out) {
    for (int x = 0; x < width; ++x) out[x] = static_cast<int16_t>(in[x] - 128);
    for (int x = width; x < paddedWidth; ++x) out[x] = out[width - 1];
}

namespace {

inline int16_t Luma(const uint8_t* p) {
    return static_cast<int16_t>(((19595 * p[2] + 38470 * p[1] + 7471 * p[0]) >> 16) - 128);
}
inline int16_t ChromaB(const uint8_t* p) {
    return static_cast<int16_t>((-11058 * p[2] - 21708 * p[1] + 32768 * p[0]) >> 16);
}
inline int16_t ChromaR(const uint8_t* p) {
    return static_cast<int16_t>((32768 * p[2] - 27438 * p[1] - 5328 * p[0]) >> 16);
}

#if defined(LUMETTA_JPEG_SSE2)

// The weighted sums of the conversion in 32-bit integers through pairwise multiply-adds, so the
// result is the integer formula itself. Weights above 32767 do not fit a 16-bit factor: the
// green weight of the luma is split over two pairs (2 x 19235), and 32768 x channel is taken
// as the subtraction of -32768 x channel. Eight pixels at a time, as their (R, G) and (B, G)
// pairs in 32-bit lanes, pixels 0..3 and 4..7.
inline __m128i Pair(short a, short b) {
    return _mm_set_epi16(b, a, b, a, b, a, b, a);
}

struct Pairs {
    __m128i rg[2], bg[2];
};

inline Pairs PairsOf(__m128i b, __m128i g, __m128i r) {
    return Pairs{{_mm_unpacklo_epi16(r, g), _mm_unpackhi_epi16(r, g)}, {_mm_unpacklo_epi16(b, g), _mm_unpackhi_epi16(b, g)}};
}

// (19595 r + 38470 g + 7471 b) >> 16, minus 128.
inline __m128i LumaOf(const Pairs& p) {
    const __m128i rg = Pair(19595, 19235), bg = Pair(7471, 19235);
    __m128i lo = _mm_add_epi32(_mm_madd_epi16(p.rg[0], rg), _mm_madd_epi16(p.bg[0], bg));
    __m128i hi = _mm_add_epi32(_mm_madd_epi16(p.rg[1], rg), _mm_madd_epi16(p.bg[1], bg));
    __m128i words = _mm_packs_epi32(_mm_srai_epi32(lo, 16), _mm_srai_epi32(hi, 16));
    return _mm_sub_epi16(words, _mm_set1_epi16(128));
}

// (32768 c + w0 x + w1 g) >> 16 with an arithmetic shift, from the pairs (x, g) and (c, g).
inline __m128i ChromaOf(const __m128i xg[2], const __m128i cg[2], short w0, short w1) {
    const __m128i weights = Pair(w0, w1), minus32768 = Pair(-32768, 0);
    __m128i lo = _mm_sub_epi32(_mm_madd_epi16(xg[0], weights), _mm_madd_epi16(cg[0], minus32768));
    __m128i hi = _mm_sub_epi32(_mm_madd_epi16(xg[1], weights), _mm_madd_epi16(cg[1], minus32768));
    return _mm_packs_epi32(_mm_srai_epi32(lo, 16), _mm_srai_epi32(hi, 16));
}

// A value the compiler has to take as it is: clang merges a chain of byte shuffles into one
// permutation of all three source registers and lowers that to about three times the
// instructions of the chain as written. (GCC keeps the chain anyway; a compiler without GNU
// asm statements gets the value unchanged.)
inline __m128i AsIs(__m128i v) {
#if defined(__GNUC__)
    __asm__("" : "+x"(v));
#endif
    return v;
}

// One step of the deinterleave: the bytes of (a, f, b) interleaved with those eight bytes
// further on, into (a, f, b) again.
inline void InterleaveHalves(__m128i& a, __m128i& f, __m128i& b) {
    __m128i g = AsIs(_mm_srli_si128(a, 8));
    a = AsIs(_mm_unpackhi_epi8(AsIs(_mm_slli_si128(a, 8)), f));
    __m128i h = AsIs(_mm_slli_si128(f, 8));
    f = AsIs(_mm_unpacklo_epi8(g, b));
    b = AsIs(_mm_unpackhi_epi8(h, b));
}

// Sixteen B, G, R pixels to 16-bit planes of their even and odd pixels: the three registers are
// unpacked against themselves shifted by eight bytes until each component of the even and of the
// odd pixels stands in a register of its own.
struct Deinterleaved {
    __m128i b[2], g[2], r[2];  // [0] pixels 0, 2, ..., 14; [1] pixels 1, 3, ..., 15
};

inline Deinterleaved Deinterleave(const uint8_t* p) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    __m128i e = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    for (int step = 0; step < 3; ++step) InterleaveHalves(a, d, e);
    // a: channel 0 of the even pixels, then channel 1 of them; d: channel 2 of the even pixels,
    // then channel 0 of the odd ones; e: channels 1 and 2 of the odd pixels.
    const __m128i zero = _mm_setzero_si128();
    Deinterleaved out;
    out.b[0] = _mm_unpacklo_epi8(a, zero);
    out.g[0] = _mm_unpackhi_epi8(a, zero);
    out.r[0] = _mm_unpacklo_epi8(d, zero);
    out.b[1] = _mm_unpackhi_epi8(d, zero);
    out.g[1] = _mm_unpacklo_epi8(e, zero);
    out.r[1] = _mm_unpackhi_epi8(e, zero);
    return out;
}

#endif

}  // namespace

void BgrRowToSamples(const uint8_t* in, int width, int paddedWidth, int16_t* y, int16_t* cb, int16_t* cr) {
    int x = 0;
#if defined(LUMETTA_JPEG_SSE2)
    for (; x + 16 <= width; x += 16) {
        Deinterleaved px = Deinterleave(in + 3 * x);
        const Pairs even = PairsOf(px.b[0], px.g[0], px.r[0]), odd = PairsOf(px.b[1], px.g[1], px.r[1]);
        const __m128i evenLuma = LumaOf(even), oddLuma = LumaOf(odd);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(y + x), _mm_unpacklo_epi16(evenLuma, oddLuma));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(y + x + 8), _mm_unpackhi_epi16(evenLuma, oddLuma));
        if (cb) {
            // Cb: 32768 b - 11058 r - 21708 g; Cr: 32768 r - 5328 b - 27438 g.
            _mm_storeu_si128(reinterpret_cast<__m128i*>(cb + x / 2), ChromaOf(even.rg, even.bg, -11058, -21708));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(cr + x / 2), ChromaOf(even.bg, even.rg, -5328, -27438));
        }
    }
#endif
    for (int i = x; i < width; ++i) y[i] = Luma(in + 3 * i);
    for (int i = width; i < paddedWidth; ++i) y[i] = y[width - 1];
    if (!cb) return;
    // Chroma from the first pixel of each pair; past the right edge from the repeated last pixel.
    const int chromaWidth = paddedWidth / 2;
    for (int c = x / 2; c < chromaWidth; ++c) {
        const uint8_t* p = in + 3 * (2 * c < width ? 2 * c : width - 1);
        cb[c] = ChromaB(p);
        cr[c] = ChromaR(p);
    }
}

}  // namespace jpeg
