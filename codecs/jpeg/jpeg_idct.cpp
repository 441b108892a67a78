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

bool OutputsStayBounded(const uint16_t q[64]) {
    uint32_t sum = 0;
    for (int i = 0; i < 64; ++i) sum += q[i];
    return sum <= 14000;
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

// IdctPass of a vector whose last four entries (v[4 * step] .. v[7 * step]) are zero, with the
// zero terms left out: x + 0 and x - 0 are x, 0 - x is -x. Only the sign of a zero can come out
// differently, and no later step turns a zero's sign into a value: the outputs are the same.
template <typename T>
inline void IdctPassFour(T* v, int step) {
    T tmp0 = v[0], tmp1 = v[2 * step];
    T tmp13 = tmp1;
    T tmp12 = tmp1 * 1.414213562f - tmp13;
    T even0 = tmp0 + tmp13;
    T even3 = tmp0 - tmp13;
    T even1 = tmp0 + tmp12;
    T even2 = tmp0 - tmp12;

    T tmp4 = v[step], tmp5 = v[3 * step];
    T z13 = tmp5;
    T z10 = -tmp5;
    T z11 = tmp4;
    T z12 = tmp4;
    T tmp7 = z11 + z13;
    T tmp11 = (z11 - z13) * 1.414213562f;
    T z5 = (z10 + z12) * 1.847759065f;
    T tmp10 = 1.082392200f * z12 - z5;
    tmp12 = -2.613125930f * z10 + z5;
    T tmp6 = tmp12 - tmp7;
    T tmp5b = tmp11 - tmp6;
    T tmp4b = tmp10 + tmp5b;

    v[0] = even0 + tmp7;
    v[7 * step] = even0 - tmp7;
    v[step] = even1 + tmp6;
    v[6 * step] = even1 - tmp6;
    v[2 * step] = even2 + tmp5b;
    v[5 * step] = even2 - tmp5b;
    v[4 * step] = even3 + tmp4b;
    v[3 * step] = even3 - tmp4b;
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

// Descale of four outputs with the 10-bit wrap-around of the range limit: bits 3..12 of
// floor(v) + 4, sign-extended, which is ((floor(v) + 4) >> 3) taken modulo 1024. The caller adds
// 128 and the saturating pack clamps to 0..255. Clamp: as Descale; left out where the outputs
// cannot come near its limits, where it changes nothing.
template <bool Clamp>
inline __m128i DescaleWrap(F4 v) {
    if (Clamp) v = _mm_min_ps(_mm_max_ps(v, Splat(-1.0e9f)), Splat(1.0e9f));
    __m128i t = _mm_cvttps_epi32(v);
    t = _mm_add_epi32(t, _mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(t), v)));  // floor
    t = _mm_add_epi32(t, _mm_set1_epi32(4));
    return _mm_srai_epi32(_mm_slli_epi32(t, 19), 22);
}

#endif

}  // namespace

void InverseDctPlain(const int16_t in[64], const float q[64], const JpegRangeLimit& limit, uint8_t* out,
                     size_t stride) {
    float ws[64];
    for (int i = 0; i < 64; ++i) ws[i] = in[i] * q[i];
    for (int c = 0; c < 8; ++c) IdctPass(ws + c, 8);
    for (int r = 0; r < 8; ++r) IdctPass(ws + r * 8, 1);
    for (int r = 0; r < 8; ++r, out += stride)
        for (int c = 0; c < 8; ++c) out[c] = limit.table[Descale(ws[r * 8 + c]) & 1023];
}

#if defined(LUMETTA_JPEG_SSE2)

namespace {

// Row r, columns 4h .. 4h + 3 of the coefficients times their multipliers.
inline F4 LoadQuarter(const int16_t* in, const float* q, int r, int h) {
    __m128i words = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + r * 8 + h * 4));
    return _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(words, words), 16)) * _mm_loadu_ps(q + r * 8 + h * 4);
}

// The outputs after the row pass, m[c * 2 + h] = column c, rows 4h .. 4h + 3, descaled and
// limited, transposed as bytes and stored row by row.
template <bool Clamp>
inline void StoreColumns(const F4 m[16], uint8_t* out, size_t stride) {
    __m128i pairs[4];
    const __m128i bias = _mm_set1_epi16(128);
    for (int c = 0; c < 8; c += 2) {
        __m128i left = _mm_packs_epi32(DescaleWrap<Clamp>(m[c * 2]), DescaleWrap<Clamp>(m[c * 2 + 1]));
        __m128i right = _mm_packs_epi32(DescaleWrap<Clamp>(m[c * 2 + 2]), DescaleWrap<Clamp>(m[c * 2 + 3]));
        // column c rows 0..7, column c + 1 rows 0..7, + 128 and clamped to 0..255
        __m128i both = _mm_packus_epi16(_mm_add_epi16(left, bias), _mm_add_epi16(right, bias));
        pairs[c / 2] = _mm_unpacklo_epi8(both, _mm_srli_si128(both, 8));  // c and c + 1 side by side
    }
    const __m128i top0 = _mm_unpacklo_epi16(pairs[0], pairs[1]), bottom0 = _mm_unpackhi_epi16(pairs[0], pairs[1]);
    const __m128i top1 = _mm_unpacklo_epi16(pairs[2], pairs[3]), bottom1 = _mm_unpackhi_epi16(pairs[2], pairs[3]);
    const __m128i rows[4] = {_mm_unpacklo_epi32(top0, top1), _mm_unpackhi_epi32(top0, top1),
                             _mm_unpacklo_epi32(bottom0, bottom1), _mm_unpackhi_epi32(bottom0, bottom1)};
    for (const __m128i& two : rows) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), two);
        _mm_storeh_pd(reinterpret_cast<double*>(out + stride), _mm_castsi128_pd(two));
        out += 2 * stride;
    }
}

// Only rows 0..3 of columns 0..3 hold coefficients: the right half stays zero through the
// column pass, and the rows' last four inputs are zero in the row pass.
template <bool Clamp>
void IdctQuarter(const int16_t* in, const float* q, uint8_t* out, size_t stride) {
    F4 m[16];  // row r, columns 0..3 and 4..7
    for (int r = 0; r < 4; ++r) m[r * 2] = LoadQuarter(in, q, r, 0);
    IdctPassFour(m, 2);
    F4 a[4] = {m[0], m[2], m[4], m[6]}, c[4] = {m[8], m[10], m[12], m[14]};
    _MM_TRANSPOSE4_PS(a[0], a[1], a[2], a[3]);
    _MM_TRANSPOSE4_PS(c[0], c[1], c[2], c[3]);
    for (int i = 0; i < 4; ++i) {
        m[i * 2] = a[i];
        m[i * 2 + 1] = c[i];
    }
    IdctPassFour(m, 2);      // rows 0..3
    IdctPassFour(m + 1, 2);  // rows 4..7
    StoreColumns<Clamp>(m, out, stride);
}

template <bool Clamp>
void IdctFull(const int16_t* in, const float* q, uint8_t* out, size_t stride) {
    F4 m[16];  // row r, columns 0..3 and 4..7
    for (int r = 0; r < 8; ++r) {
        // The row's eight coefficients in one load, widened to 32 bits by sign.
        const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + r * 8));
        const __m128i low = _mm_srai_epi32(_mm_unpacklo_epi16(words, words), 16);
        const __m128i high = _mm_srai_epi32(_mm_unpackhi_epi16(words, words), 16);
        m[r * 2] = _mm_cvtepi32_ps(low) * _mm_loadu_ps(q + r * 8);
        m[r * 2 + 1] = _mm_cvtepi32_ps(high) * _mm_loadu_ps(q + r * 8 + 4);
    }
    IdctPass(m, 2);      // columns 0..3
    IdctPass(m + 1, 2);  // columns 4..7
    Transpose8x8(m);
    IdctPass(m, 2);      // rows 0..3
    IdctPass(m + 1, 2);  // rows 4..7
    StoreColumns<Clamp>(m, out, stride);
}

}  // namespace

void InverseDct(const int16_t in[64], const float q[64], const JpegRangeLimit&, uint8_t* out, size_t stride,
                int last) {
    if (last <= kLastOfTopLeftQuarter)
        IdctQuarter<true>(in, q, out, stride);
    else
        IdctFull<true>(in, q, out, stride);
}

void InverseDctOfBlock(const int16_t in[64], const float q[64], const JpegRangeLimit&, uint8_t* out, size_t stride,
                       unsigned spread, bool bounded) {
    const bool quarter = (spread & kOutsideQuarter) == 0;
    if (bounded) {
        if (quarter)
            IdctQuarter<false>(in, q, out, stride);
        else
            IdctFull<false>(in, q, out, stride);
    } else {
        if (quarter)
            IdctQuarter<true>(in, q, out, stride);
        else
            IdctFull<true>(in, q, out, stride);
    }
}

#else

void InverseDct(const int16_t in[64], const float q[64], const JpegRangeLimit& limit, uint8_t* out, size_t stride,
                int) {
    InverseDctPlain(in, q, limit, out, stride);
}

void InverseDctOfBlock(const int16_t in[64], const float q[64], const JpegRangeLimit& limit, uint8_t* out,
                       size_t stride, unsigned, bool) {
    InverseDctPlain(in, q, limit, out, stride);
}

#endif

void InverseDctDcOnly(int16_t dc, const float q[64], const JpegRangeLimit& limit, uint8_t* out,
                      size_t stride) {
    uint8_t v = limit.table[Descale(dc * q[0]) & 1023];
    for (int r = 0; r < 8; ++r, out += stride) memset(out, v, 8);
}

}  // namespace jpeg
