// The arithmetic of sampling between pixels, shared by the per-pixel operations of CImage and
// the row-at-a-time resampler, so both give the same bytes.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "base/simd.h"
#include "engine/image.h"

namespace sampling {

// floor, saturated to the 32-bit range (positions far outside the image stay far outside).
inline int64_t FloorToInt(double v) {
    if (!(v > -2147483648.0)) return INT32_MIN;
    if (!(v < 2147483647.0)) return INT32_MAX;
    const int64_t t = static_cast<int64_t>(v);  // towards zero, then down for negative fractions
    return t - (static_cast<double>(t) > v);
}

inline int64_t TruncToInt(double v) {
    if (!(v > -2147483648.0)) return INT32_MIN;
    if (!(v < 2147483647.0)) return INT32_MAX;
    return static_cast<int64_t>(v);
}

// Cubic convolution with a = -1.
inline double CubicKernelA1(double t) {
    double u = std::fabs(t);
    if (u < 1) return 1 - 2 * u * u + u * u * u;
    if (u < 2) return 4 - 8 * u + 5 * u * u - u * u * u;
    return 0;
}

// Cubic convolution with a free a.
inline double CubicKernel(double t, double a) {
    double u = std::fabs(t);
    if (u < 1) return (a + 2) * u * u * u - (a + 3) * u * u + 1;
    if (u < 2) return a * u * u * u - 5 * a * u * u + 8 * a * u - 4 * a;
    return 0;
}

// The weights of the four neighbours x0 - 1 .. x0 + 2 of position x (x0 = floor(x)).
inline void CubicWeights(double x, int64_t x0, int method, float w[4]) {
    for (int k = 0; k < 4; ++k) {
        double t = double(x0 - 1 + k) - x;
        w[k] = static_cast<float>(method == kCubicA1 ? CubicKernelA1(t) : CubicKernel(t, -0.5));
    }
}

// A channel sum clamped to a byte, truncated.
inline uint32_t ClampChannel(double v) {
    if (!(v > 0)) return 0;
    if (v >= 255) return 255;
    return static_cast<uint32_t>(v);
}

// The part of the pixel square [p - 0.5, p + 0.5] inside [lo, hi].
inline double Overlap(int64_t p, double lo, double hi) {
    double v = std::min(hi, double(p) + 0.5) - std::max(lo, double(p) - 0.5);
    return v > 0 ? v : 0;
}

// A position along one axis brought inside [0, size) by an edge mode; -1 for the background.
inline int64_t WrapIndex(int64_t v, int64_t size, int edgeMode) {
    if (v >= 0 && v < size) return v;
    switch (edgeMode) {
        case kWrapRepeat:
            v %= size;
            return v < 0 ? v + size : v;
        case kWrapClamp: return v < 0 ? 0 : size - 1;
        case kWrapMirror: return v < 0 ? (-v) % size : size - (v % size) - 1;
        default: return -1;
    }
}

inline uint32_t Blue(uint32_t c) { return c & 0xFF; }
inline uint32_t Green(uint32_t c) { return (c >> 8) & 0xFF; }
inline uint32_t Red(uint32_t c) { return (c >> 16) & 0xFF; }
inline uint32_t Pack(uint32_t b, uint32_t g, uint32_t r) { return b | g << 8 | r << 16; }

#if defined(LUMETTA_SSE2)

// The two pieces of CubicKernelA1 (a1) or CubicKernel with a = -0.5, each of two distances at
// once, every lane doing the plain function's operations in its order: the inner piece (distance
// below 1) and the outer one (1 up to 2).
inline __m128d CubicInner2(__m128d u, bool a1) {
    const __m128d uu = _mm_mul_pd(u, u), uuu = _mm_mul_pd(uu, u);
    if (a1) return _mm_add_pd(_mm_sub_pd(_mm_set1_pd(1), _mm_mul_pd(_mm_mul_pd(_mm_set1_pd(2), u), u)), uuu);
    const double a = -0.5;
    const __m128d cubic = _mm_mul_pd(_mm_mul_pd(_mm_mul_pd(_mm_set1_pd(a + 2), u), u), u);
    return _mm_add_pd(_mm_sub_pd(cubic, _mm_mul_pd(_mm_mul_pd(_mm_set1_pd(a + 3), u), u)), _mm_set1_pd(1));
}

inline __m128d CubicOuter2(__m128d u, bool a1) {
    const __m128d uu = _mm_mul_pd(u, u), uuu = _mm_mul_pd(uu, u);
    if (a1) {
        return _mm_sub_pd(_mm_add_pd(_mm_sub_pd(_mm_set1_pd(4), _mm_mul_pd(_mm_set1_pd(8), u)),
                                     _mm_mul_pd(_mm_mul_pd(_mm_set1_pd(5), u), u)),
                          uuu);
    }
    const double a = -0.5;
    const __m128d outer = _mm_mul_pd(_mm_mul_pd(_mm_mul_pd(_mm_set1_pd(a), u), u), u);
    return _mm_sub_pd(_mm_add_pd(_mm_sub_pd(outer, _mm_mul_pd(_mm_mul_pd(_mm_set1_pd(5 * a), u), u)),
                                 _mm_mul_pd(_mm_set1_pd(8 * a), u)),
                      _mm_set1_pd(4 * a));
}

// CubicWeights as four float lanes, for x0 = floor(x) inside the 32-bit range. With f = x - x0 in
// [0, 1) the four distances are 1 + f, f, 1 - f and 2 - f: the first and last take the outer
// piece, the middle two the inner one. Where a distance is exactly 1 or 2 (where the plain
// function takes its other branch, or its 0 from 2 on) both pieces give exactly 0, so the weights
// are the plain function's to the bit.
inline __m128 CubicWeights4(double x, int64_t x0, int method) {
    const bool a1 = method == kCubicA1;
    const __m128d at = _mm_set1_pd(x), sign = _mm_set1_pd(-0.0);
    const __m128d u01 = _mm_andnot_pd(sign, _mm_sub_pd(_mm_set_pd(double(x0), double(x0 - 1)), at));
    const __m128d u23 = _mm_andnot_pd(sign, _mm_sub_pd(_mm_set_pd(double(x0 + 2), double(x0 + 1)), at));
    const __m128d inner = CubicInner2(_mm_shuffle_pd(u01, u23, 1), a1);  // distances 1 and 2
    const __m128d outer = CubicOuter2(_mm_shuffle_pd(u01, u23, 2), a1);  // distances 0 and 3
    return _mm_movelh_ps(_mm_cvtpd_ps(_mm_unpacklo_pd(outer, inner)), _mm_cvtpd_ps(_mm_unpackhi_pd(inner, outer)));
}

// The cubic colour of (x, y) in a 24-bit image whose 4 x 4 neighbours x0 - 1 .. x0 + 2,
// y0 - 1 .. y0 + 2 all lie inside it: p is the first byte of (x0 - 1, y0 - 1), stride the step to
// the next row. The same sums in the same order as the per-pixel path, one lane per channel.
inline uint32_t CubicInside24(const BYTE* p, uint64_t stride, double x, double y, int64_t x0, int64_t y0, int method) {
    const __m128 wx = CubicWeights4(x, x0, method), wy = CubicWeights4(y, y0, method);
    const __m128 w[4] = {_mm_shuffle_ps(wx, wx, 0x00), _mm_shuffle_ps(wx, wx, 0x55), _mm_shuffle_ps(wx, wx, 0xAA),
                         _mm_shuffle_ps(wx, wx, 0xFF)};
    const __m128i zero = _mm_setzero_si128();
    auto channels = [&](__m128i bytes) {  // the low three bytes as B, G, R floats (and one more)
        return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero));
    };
    auto row = [&](const BYTE* q, __m128 weight, __m128 sum) {
        // Twelve bytes, the four pixels of the row, read without touching the byte past them.
        int32_t tail;
        memcpy(&tail, q + 8, 4);
        const __m128i bytes = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(q)), _mm_cvtsi32_si128(tail));
        __m128 acc = _mm_add_ps(_mm_setzero_ps(), _mm_mul_ps(w[0], channels(bytes)));
        acc = _mm_add_ps(acc, _mm_mul_ps(w[1], channels(_mm_srli_si128(bytes, 3))));
        acc = _mm_add_ps(acc, _mm_mul_ps(w[2], channels(_mm_srli_si128(bytes, 6))));
        acc = _mm_add_ps(acc, _mm_mul_ps(w[3], channels(_mm_srli_si128(bytes, 9))));
        return _mm_add_ps(sum, _mm_mul_ps(weight, acc));
    };
    __m128 sum = _mm_setzero_ps();
    sum = row(p, _mm_shuffle_ps(wy, wy, 0x00), sum);
    sum = row(p + stride, _mm_shuffle_ps(wy, wy, 0x55), sum);
    sum = row(p + 2 * stride, _mm_shuffle_ps(wy, wy, 0xAA), sum);
    sum = row(p + 3 * stride, _mm_shuffle_ps(wy, wy, 0xFF), sum);
    // ClampChannel: 0 up to 0, 255 from 255, truncated between.
    sum = _mm_min_ps(_mm_max_ps(sum, _mm_setzero_ps()), _mm_set1_ps(255));
    const __m128i v = _mm_cvttps_epi32(sum);
    return uint32_t(_mm_cvtsi128_si32(v)) | uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(v, 4))) << 8 |
           uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(v, 8))) << 16;
}

#endif

}  // namespace sampling
