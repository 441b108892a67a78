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

// One 8-point pass of the AAN inverse DCT over v[0], v[step], ..., v[7 * step], in place.
// T is float, or a vector of floats whose lanes each do exactly the scalar operations.
template <typename T>
inline void IdctPass(T* v, int step) {
    T tmp0 = v[0], tmp1 = v[2 * step], tmp2 = v[4 * step], tmp3 = v[6 * step];
    T tmp10 = tmp0 + tmp2;
    T tmp11 = tmp0 - tmp2;
    T tmp13 = tmp1 + tmp3;
    T tmp12 = (tmp1 - tmp3) * 1.414213562f - tmp13;
    tmp0 = tmp10 + tmp13;
    tmp3 = tmp10 - tmp13;
    tmp1 = tmp11 + tmp12;
    tmp2 = tmp11 - tmp12;

    T tmp4 = v[step], tmp5 = v[3 * step], tmp6 = v[5 * step], tmp7 = v[7 * step];
    T z13 = tmp6 + tmp5;
    T z10 = tmp6 - tmp5;
    T z11 = tmp4 + tmp7;
    T z12 = tmp4 - tmp7;
    tmp7 = z11 + z13;
    tmp11 = (z11 - z13) * 1.414213562f;
    T z5 = (z10 + z12) * 1.847759065f;
    tmp10 = 1.082392200f * z12 - z5;
    tmp12 = -2.613125930f * z10 + z5;
    tmp6 = tmp12 - tmp7;
    tmp5 = tmp11 - tmp6;
    tmp4 = tmp10 + tmp5;

    v[0] = tmp0 + tmp7;
    v[7 * step] = tmp0 - tmp7;
    v[step] = tmp1 + tmp6;
    v[6 * step] = tmp1 - tmp6;
    v[2 * step] = tmp2 + tmp5;
    v[5 * step] = tmp2 - tmp5;
    v[4 * step] = tmp3 + tmp4;
    v[3 * step] = tmp3 - tmp4;
}

// Rounds v / 8 to the nearest integer, halves upwards: floor(v) + 4, shifted. (A plain cast
// would round negative outputs towards zero and bias every dark sample by up to one level.)
// Outputs of damaged streams can grow beyond what an int holds; real ones never come near.
inline int Descale(float v) {
    v = std::min(std::max(v, -1.0e9f), 1.0e9f);
    int t = static_cast<int>(v);
    t -= static_cast<float>(t) > v;
    return (t + 4) >> 3;
}

#if defined(LUMETTA_JPEG_SSE2)

// Descale of four outputs and the range limit: the 10-bit wrap-around, + 128, and the clamp
// to 0..255, which the saturating packs of the caller do.
inline __m128i DescaleLimit(F4 v) {
    v = _mm_min_ps(_mm_max_ps(v, Splat(-1.0e9f)), Splat(1.0e9f));
    __m128i t = _mm_cvttps_epi32(v);
    t = _mm_add_epi32(t, _mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(t), v)));  // floor
    t = _mm_srai_epi32(_mm_add_epi32(t, _mm_set1_epi32(4)), 3);
    t = _mm_srai_epi32(_mm_slli_epi32(t, 22), 22);
    return _mm_add_epi32(t, _mm_set1_epi32(128));
}

#endif

}  // namespace

#if defined(LUMETTA_JPEG_SSE2)

void InverseDct(const int16_t in[64], const float q[64], const JpegRangeLimit&, uint8_t* out, size_t stride) {
    F4 m[16];  // row r, columns 0..3 and 4..7
    for (int r = 0; r < 8; ++r) {
        __m128i row = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + r * 8));
        __m128i lo = _mm_srai_epi32(_mm_unpacklo_epi16(row, row), 16);
        __m128i hi = _mm_srai_epi32(_mm_unpackhi_epi16(row, row), 16);
        m[r * 2] = _mm_cvtepi32_ps(lo) * _mm_loadu_ps(q + r * 8);
        m[r * 2 + 1] = _mm_cvtepi32_ps(hi) * _mm_loadu_ps(q + r * 8 + 4);
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
    for (int i = 0; i < 64; ++i) ws[i] = in[i] * q[i];
    for (int c = 0; c < 8; ++c) IdctPass(ws + c, 8);
    for (int r = 0; r < 8; ++r) IdctPass(ws + r * 8, 1);
    for (int r = 0; r < 8; ++r, out += stride)
        for (int c = 0; c < 8; ++c) out[c] = limit.table[Descale(ws[r * 8 + c]) & 1023];
}

#endif

void InverseDctDcOnly(int16_t dc, const float q[64], const JpegRangeLimit& limit, uint8_t* out,
                      size_t stride) {
    uint8_t v = limit.table[Descale(dc * q[0]) & 1023];
    for (int r = 0; r < 8; ++r, out += stride) memset(out, v, 8);
}

}  // namespace jpeg
