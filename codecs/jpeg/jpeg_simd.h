// Four-lane floats for the DCT stages. With SSE2 (every x86-64 build, and the i686 build, which
// is compiled with -msse2) the passes run on vector registers through the compilers' vector
// operators; each lane does exactly the operations of the scalar code in the same order, so
// the results are bit-identical to it.
#pragma once

#include "base/simd.h"

#if defined(LUMETTA_SSE2)
#define LUMETTA_JPEG_SSE2 1

namespace jpeg {

using F4 = __m128;

inline F4 Splat(float v) { return _mm_set1_ps(v); }

// Transposes the 8 x 8 matrix held as m[row * 2 + half] (half 0: columns 0..3, 1: 4..7).
inline void Transpose8x8(F4 m[16]) {
    F4 a[4] = {m[0], m[2], m[4], m[6]}, b[4] = {m[1], m[3], m[5], m[7]};
    F4 c[4] = {m[8], m[10], m[12], m[14]}, d[4] = {m[9], m[11], m[13], m[15]};
    _MM_TRANSPOSE4_PS(a[0], a[1], a[2], a[3]);
    _MM_TRANSPOSE4_PS(b[0], b[1], b[2], b[3]);
    _MM_TRANSPOSE4_PS(c[0], c[1], c[2], c[3]);
    _MM_TRANSPOSE4_PS(d[0], d[1], d[2], d[3]);
    for (int i = 0; i < 4; ++i) {
        m[i * 2] = a[i];
        m[i * 2 + 1] = c[i];
        m[(i + 4) * 2] = b[i];
        m[(i + 4) * 2 + 1] = d[i];
    }
}

}  // namespace jpeg

#endif
