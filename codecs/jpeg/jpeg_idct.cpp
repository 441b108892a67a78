#include "codecs/jpeg/jpeg_idct.h"

#include <algorithm>
#include <cstring>

#include "codecs/jpeg/jpeg_simd.h"
#include "codecs/jpeg/jpeg_tables.h"

namespace jpeg {

JpegRangeLimit::JpegRangeLimit() {
    for (int i = 0; i < 1024; ++i) {
        int x = i < 512 ? i : i - 1024;
        table[i] = static_cast<uint8_t>(std::clamp(x + 128, 0, 255));
    }
}

void BuildDequantTable(const uint16_t q[64], float out[64]) {
    for (int i = 0; i < 64; ++i)
        out[i] = static_cast<float>(q[i] * kAanScale[i >> 3] * kAanScale[i & 7]);
}

namespace {

// Rounds v / 8 to the nearest integer, halves upwards: floor(v) + 4, shifted. (A plain cast
// would round negative outputs towards zero and bias every dark sample by up to one level.)
// Outputs of damaged streams can grow beyond what an int holds; real ones never come near.
inline int Descale(float v) {
    v = std::min(std::max(v, -1.0e9f), 1.0e9f);
    int t = static_cast<int>(v);
    t -= static_cast<float>(t) > v;
    return (t + 4) >> 3;
}

}  // namespace

#if defined(LUMETTA_JPEG_SSE2)

namespace {

// One pass of the IDCT over eight vectors (elements 0..7 of one dimension, four lanes of the
// other), in place; the operations of the scalar passes below, lane by lane.
inline void IdctPass(F4* v, int step) {
    F4 tmp0 = v[0], tmp1 = v[2 * step], tmp2 = v[4 * step], tmp3 = v[6 * step];
    F4 tmp10 = Add(tmp0, tmp2);
    F4 tmp11 = Sub(tmp0, tmp2);
    F4 tmp13 = Add(tmp1, tmp3);
    F4 tmp12 = Sub(Mul(Sub(tmp1, tmp3), Splat(1.414213562f)), tmp13);
    tmp0 = Add(tmp10, tmp13);
    tmp3 = Sub(tmp10, tmp13);
    tmp1 = Add(tmp11, tmp12);
    tmp2 = Sub(tmp11, tmp12);

    F4 tmp4 = v[1 * step], tmp5 = v[3 * step], tmp6 = v[5 * step], tmp7 = v[7 * step];
    F4 z13 = Add(tmp6, tmp5);
    F4 z10 = Sub(tmp6, tmp5);
    F4 z11 = Add(tmp4, tmp7);
    F4 z12 = Sub(tmp4, tmp7);
    tmp7 = Add(z11, z13);
    tmp11 = Mul(Sub(z11, z13), Splat(1.414213562f));
    F4 z5 = Mul(Add(z10, z12), Splat(1.847759065f));
    tmp10 = Sub(Mul(Splat(1.082392200f), z12), z5);
    tmp12 = Add(Mul(Splat(-2.613125930f), z10), z5);
    tmp6 = Sub(tmp12, tmp7);
    tmp5 = Sub(tmp11, tmp6);
    tmp4 = Add(tmp10, tmp5);

    v[0] = Add(tmp0, tmp7);
    v[7 * step] = Sub(tmp0, tmp7);
    v[1 * step] = Add(tmp1, tmp6);
    v[6 * step] = Sub(tmp1, tmp6);
    v[2 * step] = Add(tmp2, tmp5);
    v[5 * step] = Sub(tmp2, tmp5);
    v[4 * step] = Add(tmp3, tmp4);
    v[3 * step] = Sub(tmp3, tmp4);
}

// Descale of four outputs, then the range limit: the 10-bit wrap-around, + 128, clamp to 0..255
// (the saturating packs do the clamp).
inline __m128i DescaleLimit(F4 v) {
    v = _mm_min_ps(_mm_max_ps(v, Splat(-1.0e9f)), Splat(1.0e9f));
    __m128i t = _mm_cvttps_epi32(v);
    t = _mm_add_epi32(t, _mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(t), v)));  // floor
    t = _mm_srai_epi32(_mm_add_epi32(t, _mm_set1_epi32(4)), 3);
    t = _mm_srai_epi32(_mm_slli_epi32(t, 22), 22);
    return _mm_add_epi32(t, _mm_set1_epi32(128));
}

}  // namespace

void InverseDct(const int16_t in[64], const float q[64], const JpegRangeLimit&, uint8_t* out, size_t stride) {
    F4 m[16];
    for (int r = 0; r < 8; ++r) {
        __m128i row = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + r * 8));
        __m128i lo = _mm_srai_epi32(_mm_unpacklo_epi16(row, row), 16);
        __m128i hi = _mm_srai_epi32(_mm_unpackhi_epi16(row, row), 16);
        m[r * 2] = Mul(_mm_cvtepi32_ps(lo), _mm_loadu_ps(q + r * 8));
        m[r * 2 + 1] = Mul(_mm_cvtepi32_ps(hi), _mm_loadu_ps(q + r * 8 + 4));
    }
    IdctPass(m, 2);      // columns 0..3
    IdctPass(m + 1, 2);  // columns 4..7
    Transpose8x8(m);
    IdctPass(m, 2);      // rows 0..3
    IdctPass(m + 1, 2);  // rows 4..7
    Transpose8x8(m);
    for (int r = 0; r < 8; ++r, out += stride) {
        __m128i words = _mm_packs_epi32(DescaleLimit(m[r * 2]), DescaleLimit(m[r * 2 + 1]));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words));
    }
}

#else

void InverseDct(const int16_t in[64], const float q[64], const JpegRangeLimit& limit, uint8_t* out,
                size_t stride) {
    float ws[64];
    // Columns: one independent lane per column, so the loop runs on vector registers.
    for (int c = 0; c < 8; ++c) {
        float tmp0 = in[c] * q[c];
        float tmp1 = in[16 + c] * q[16 + c];
        float tmp2 = in[32 + c] * q[32 + c];
        float tmp3 = in[48 + c] * q[48 + c];
        float tmp10 = tmp0 + tmp2;
        float tmp11 = tmp0 - tmp2;
        float tmp13 = tmp1 + tmp3;
        float tmp12 = (tmp1 - tmp3) * 1.414213562f - tmp13;
        tmp0 = tmp10 + tmp13;
        tmp3 = tmp10 - tmp13;
        tmp1 = tmp11 + tmp12;
        tmp2 = tmp11 - tmp12;

        float tmp4 = in[8 + c] * q[8 + c];
        float tmp5 = in[24 + c] * q[24 + c];
        float tmp6 = in[40 + c] * q[40 + c];
        float tmp7 = in[56 + c] * q[56 + c];
        float z13 = tmp6 + tmp5;
        float z10 = tmp6 - tmp5;
        float z11 = tmp4 + tmp7;
        float z12 = tmp4 - tmp7;
        tmp7 = z11 + z13;
        tmp11 = (z11 - z13) * 1.414213562f;
        float z5 = (z10 + z12) * 1.847759065f;
        tmp10 = 1.082392200f * z12 - z5;
        tmp12 = -2.613125930f * z10 + z5;
        tmp6 = tmp12 - tmp7;
        tmp5 = tmp11 - tmp6;
        tmp4 = tmp10 + tmp5;

        ws[c] = tmp0 + tmp7;
        ws[56 + c] = tmp0 - tmp7;
        ws[8 + c] = tmp1 + tmp6;
        ws[48 + c] = tmp1 - tmp6;
        ws[16 + c] = tmp2 + tmp5;
        ws[40 + c] = tmp2 - tmp5;
        ws[32 + c] = tmp3 + tmp4;
        ws[24 + c] = tmp3 - tmp4;
    }
    // Rows.
    for (int r = 0; r < 8; ++r, out += stride) {
        const float* w = ws + r * 8;
        float tmp10 = w[0] + w[4];
        float tmp11 = w[0] - w[4];
        float tmp13 = w[2] + w[6];
        float tmp12 = (w[2] - w[6]) * 1.414213562f - tmp13;
        float tmp0 = tmp10 + tmp13;
        float tmp3 = tmp10 - tmp13;
        float tmp1 = tmp11 + tmp12;
        float tmp2 = tmp11 - tmp12;

        float z13 = w[5] + w[3];
        float z10 = w[5] - w[3];
        float z11 = w[1] + w[7];
        float z12 = w[1] - w[7];
        float tmp7 = z11 + z13;
        tmp11 = (z11 - z13) * 1.414213562f;
        float z5 = (z10 + z12) * 1.847759065f;
        tmp10 = 1.082392200f * z12 - z5;
        tmp12 = -2.613125930f * z10 + z5;
        float tmp6 = tmp12 - tmp7;
        float tmp5 = tmp11 - tmp6;
        float tmp4 = tmp10 + tmp5;

        out[0] = limit.table[Descale(tmp0 + tmp7) & 1023];
        out[7] = limit.table[Descale(tmp0 - tmp7) & 1023];
        out[1] = limit.table[Descale(tmp1 + tmp6) & 1023];
        out[6] = limit.table[Descale(tmp1 - tmp6) & 1023];
        out[2] = limit.table[Descale(tmp2 + tmp5) & 1023];
        out[5] = limit.table[Descale(tmp2 - tmp5) & 1023];
        out[4] = limit.table[Descale(tmp3 + tmp4) & 1023];
        out[3] = limit.table[Descale(tmp3 - tmp4) & 1023];
    }
}

#endif

void InverseDctDcOnly(int16_t dc, const float q[64], const JpegRangeLimit& limit, uint8_t* out,
                      size_t stride) {
    uint8_t v = limit.table[Descale(dc * q[0]) & 1023];
    for (int r = 0; r < 8; ++r, out += stride) memset(out, v, 8);
}

}  // namespace jpeg
