#include "codecs/jpeg/jpeg_fdct.h"

#include "codecs/jpeg/jpeg_simd.h"
#include "codecs/jpeg/jpeg_tables.h"

namespace jpeg {

void BuildFdctDivisors(const uint16_t q[64], float out[64]) {
    for (int i = 0; i < 64; ++i)
        out[i] = static_cast<float>(1.0 / (static_cast<double>(q[i]) * kAanScale[i >> 3] * kAanScale[i & 7] * 8.0));
}

#if defined(LUMETTA_JPEG_SSE2)

namespace {

// One pass of the forward DCT over eight vectors (elements 0..7 of one dimension, four lanes of
// the other), in place; the operations of the scalar passes below, lane by lane.
inline void FdctPass(F4* d, int step) {
    F4 tmp0 = Add(d[0], d[7 * step]);
    F4 tmp7 = Sub(d[0], d[7 * step]);
    F4 tmp1 = Add(d[1 * step], d[6 * step]);
    F4 tmp6 = Sub(d[1 * step], d[6 * step]);
    F4 tmp2 = Add(d[2 * step], d[5 * step]);
    F4 tmp5 = Sub(d[2 * step], d[5 * step]);
    F4 tmp3 = Add(d[3 * step], d[4 * step]);
    F4 tmp4 = Sub(d[3 * step], d[4 * step]);

    F4 tmp10 = Add(tmp0, tmp3);
    F4 tmp13 = Sub(tmp0, tmp3);
    F4 tmp11 = Add(tmp1, tmp2);
    F4 tmp12 = Sub(tmp1, tmp2);
    d[0] = Add(tmp10, tmp11);
    d[4 * step] = Sub(tmp10, tmp11);
    F4 z1 = Mul(Add(tmp12, tmp13), Splat(0.707106781f));
    d[2 * step] = Add(tmp13, z1);
    d[6 * step] = Sub(tmp13, z1);

    tmp10 = Add(tmp4, tmp5);
    tmp11 = Add(tmp5, tmp6);
    tmp12 = Add(tmp6, tmp7);
    F4 z5 = Mul(Sub(tmp10, tmp12), Splat(0.382683433f));
    F4 z2 = Add(Mul(Splat(0.541196100f), tmp10), z5);
    F4 z4 = Add(Mul(Splat(1.306562965f), tmp12), z5);
    F4 z3 = Mul(tmp11, Splat(0.707106781f));
    F4 z11 = Add(tmp7, z3);
    F4 z13 = Sub(tmp7, z3);
    d[5 * step] = Add(z13, z2);
    d[3 * step] = Sub(z13, z2);
    d[1 * step] = Add(z11, z4);
    d[7 * step] = Sub(z11, z4);
}

inline __m128i Quantize(F4 v, const float* divisors) {
    F4 scaled = Add(Mul(v, _mm_loadu_ps(divisors)), Splat(16384.5f));
    return _mm_sub_epi32(_mm_cvttps_epi32(scaled), _mm_set1_epi32(16384));
}

}  // namespace

void ForwardDctQuantize(const float* src, size_t srcStride, const float* divisors, int16_t out[64]) {
    F4 m[16];
    for (int r = 0; r < 8; ++r) {
        m[r * 2] = _mm_loadu_ps(src + r * srcStride);
        m[r * 2 + 1] = _mm_loadu_ps(src + r * srcStride + 4);
    }
    Transpose8x8(m);
    FdctPass(m, 2);      // rows 0..3
    FdctPass(m + 1, 2);  // rows 4..7
    Transpose8x8(m);
    FdctPass(m, 2);      // columns 0..3
    FdctPass(m + 1, 2);  // columns 4..7
    for (int r = 0; r < 8; ++r) {
        __m128i words = _mm_packs_epi32(Quantize(m[r * 2], divisors + r * 8), Quantize(m[r * 2 + 1], divisors + r * 8 + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + r * 8), words);
    }
}

#else

void ForwardDctQuantize(const float* src, size_t srcStride, const float* divisors, int16_t out[64]) {
    alignas(32) float ws[64];
    // Rows.
    for (int r = 0; r < 8; ++r) {
        const float* d = src + r * srcStride;
        float* o = ws + r * 8;
        float tmp0 = d[0] + d[7];
        float tmp7 = d[0] - d[7];
        float tmp1 = d[1] + d[6];
        float tmp6 = d[1] - d[6];
        float tmp2 = d[2] + d[5];
        float tmp5 = d[2] - d[5];
        float tmp3 = d[3] + d[4];
        float tmp4 = d[3] - d[4];

        float tmp10 = tmp0 + tmp3;
        float tmp13 = tmp0 - tmp3;
        float tmp11 = tmp1 + tmp2;
        float tmp12 = tmp1 - tmp2;
        o[0] = tmp10 + tmp11;
        o[4] = tmp10 - tmp11;
        float z1 = (tmp12 + tmp13) * 0.707106781f;
        o[2] = tmp13 + z1;
        o[6] = tmp13 - z1;

        tmp10 = tmp4 + tmp5;
        tmp11 = tmp5 + tmp6;
        tmp12 = tmp6 + tmp7;
        float z5 = (tmp10 - tmp12) * 0.382683433f;
        float z2 = 0.541196100f * tmp10 + z5;
        float z4 = 1.306562965f * tmp12 + z5;
        float z3 = tmp11 * 0.707106781f;
        float z11 = tmp7 + z3;
        float z13 = tmp7 - z3;
        o[5] = z13 + z2;
        o[3] = z13 - z2;
        o[1] = z11 + z4;
        o[7] = z11 - z4;
    }
    // Columns: one independent lane per column.
    for (int c = 0; c < 8; ++c) {
        float* d = ws + c;
        float tmp0 = d[0] + d[56];
        float tmp7 = d[0] - d[56];
        float tmp1 = d[8] + d[48];
        float tmp6 = d[8] - d[48];
        float tmp2 = d[16] + d[40];
        float tmp5 = d[16] - d[40];
        float tmp3 = d[24] + d[32];
        float tmp4 = d[24] - d[32];

        float tmp10 = tmp0 + tmp3;
        float tmp13 = tmp0 - tmp3;
        float tmp11 = tmp1 + tmp2;
        float tmp12 = tmp1 - tmp2;
        d[0] = tmp10 + tmp11;
        d[32] = tmp10 - tmp11;
        float z1 = (tmp12 + tmp13) * 0.707106781f;
        d[16] = tmp13 + z1;
        d[48] = tmp13 - z1;

        tmp10 = tmp4 + tmp5;
        tmp11 = tmp5 + tmp6;
        tmp12 = tmp6 + tmp7;
        float z5 = (tmp10 - tmp12) * 0.382683433f;
        float z2 = 0.541196100f * tmp10 + z5;
        float z4 = 1.306562965f * tmp12 + z5;
        float z3 = tmp11 * 0.707106781f;
        float z11 = tmp7 + z3;
        float z13 = tmp7 - z3;
        d[40] = z13 + z2;
        d[24] = z13 - z2;
        d[8] = z11 + z4;
        d[56] = z11 - z4;
    }
    // Quantisation, rounding half up through a positive offset as the IJG float path does.
    for (int i = 0; i < 64; ++i)
        out[i] = static_cast<int16_t>(static_cast<int>(ws[i] * divisors[i] + 16384.5f) - 16384);
}

#endif

}  // namespace jpeg
