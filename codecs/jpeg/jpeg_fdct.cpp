#include "codecs/jpeg/jpeg_fdct.h"

#include "codecs/jpeg/jpeg_simd.h"
#include "codecs/jpeg/jpeg_tables.h"

namespace jpeg {

void BuildFdctDivisors(const uint16_t q[64], float out[64]) {
    for (int i = 0; i < 64; ++i)
        out[i] = static_cast<float>(1.0 / (static_cast<double>(q[i]) * kAanScale[i >> 3] * kAanScale[i & 7] * 8.0));
}

namespace {

// One 8-point pass of the AAN forward DCT over d[0], d[step], ..., d[7 * step], in place.
// T is float, or a vector of floats whose lanes each do exactly the scalar operations.
template <typename T>
inline void FdctPass(T* d, int step) {
    T tmp0 = d[0] + d[7 * step];
    T tmp7 = d[0] - d[7 * step];
    T tmp1 = d[step] + d[6 * step];
    T tmp6 = d[step] - d[6 * step];
    T tmp2 = d[2 * step] + d[5 * step];
    T tmp5 = d[2 * step] - d[5 * step];
    T tmp3 = d[3 * step] + d[4 * step];
    T tmp4 = d[3 * step] - d[4 * step];

    T tmp10 = tmp0 + tmp3;
    T tmp13 = tmp0 - tmp3;
    T tmp11 = tmp1 + tmp2;
    T tmp12 = tmp1 - tmp2;
    d[0] = tmp10 + tmp11;
    d[4 * step] = tmp10 - tmp11;
    T z1 = (tmp12 + tmp13) * 0.707106781f;
    d[2 * step] = tmp13 + z1;
    d[6 * step] = tmp13 - z1;

    tmp10 = tmp4 + tmp5;
    tmp11 = tmp5 + tmp6;
    tmp12 = tmp6 + tmp7;
    T z5 = (tmp10 - tmp12) * 0.382683433f;
    T z2 = 0.541196100f * tmp10 + z5;
    T z4 = 1.306562965f * tmp12 + z5;
    T z3 = tmp11 * 0.707106781f;
    T z11 = tmp7 + z3;
    T z13 = tmp7 - z3;
    d[5 * step] = z13 + z2;
    d[3 * step] = z13 - z2;
    d[step] = z11 + z4;
    d[7 * step] = z11 - z4;
}

}  // namespace

// Quantisation rounds half up through a positive offset, as the IJG float path does.
void ForwardDctQuantizePlain(const int16_t* src, size_t srcStride, const float* divisors, int16_t out[64]) {
    float ws[64];
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) ws[r * 8 + c] = static_cast<float>(src[r * srcStride + c]);
    for (int r = 0; r < 8; ++r) FdctPass(ws + r * 8, 1);
    for (int c = 0; c < 8; ++c) FdctPass(ws + c, 8);
    for (int i = 0; i < 64; ++i)
        out[i] = static_cast<int16_t>(static_cast<int>(ws[i] * divisors[i] + 16384.5f) - 16384);
}

#if defined(LUMETTA_JPEG_SSE2)

void ForwardDctQuantize(const int16_t* src, size_t srcStride, const float* divisors, int16_t out[64]) {
    F4 m[16];  // row r, columns 0..3 and 4..7
    for (int r = 0; r < 8; ++r) {
        __m128i row = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + r * srcStride));
        m[r * 2] = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(row, row), 16));
        m[r * 2 + 1] = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(row, row), 16));
    }
    Transpose8x8(m);
    FdctPass(m, 2);      // rows 0..3
    FdctPass(m + 1, 2);  // rows 4..7
    Transpose8x8(m);
    FdctPass(m, 2);      // columns 0..3
    FdctPass(m + 1, 2);  // columns 4..7
    const __m128i offset = _mm_set1_epi32(16384);
    for (int r = 0; r < 8; ++r) {
        F4 lo = m[r * 2] * _mm_loadu_ps(divisors + r * 8) + 16384.5f;
        F4 hi = m[r * 2 + 1] * _mm_loadu_ps(divisors + r * 8 + 4) + 16384.5f;
        __m128i words = _mm_packs_epi32(_mm_sub_epi32(_mm_cvttps_epi32(lo), offset),
                                        _mm_sub_epi32(_mm_cvttps_epi32(hi), offset));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + r * 8), words);
    }
}

#else

void ForwardDctQuantize(const int16_t* src, size_t srcStride, const float* divisors, int16_t out[64]) {
    ForwardDctQuantizePlain(src, srcStride, divisors, out);
}

#endif

}  // namespace jpeg
