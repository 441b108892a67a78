// The arithmetic of sampling between pixels, shared by the per-pixel operations of CImage and
// the row-at-a-time resampler, so both give the same bytes.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/image.h"

namespace sampling {

// floor, saturated to the 32-bit range (positions far outside the image stay far outside).
inline int64_t FloorToInt(double v) {
    if (!(v > -2147483648.0)) return INT32_MIN;
    if (!(v < 2147483647.0)) return INT32_MAX;
    return static_cast<int64_t>(std::floor(v));
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

}  // namespace sampling
