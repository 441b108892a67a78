// The float forward DCT of the encoder (the AAN factorisation, rows first) and the quantisation
// with the divisor table that folds the quantiser and the AAN scale factors together. The
// arithmetic is the float path of the IJG library, operation for operation, so the coefficients
// (and the stream) are the same on every platform and compiler.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jpeg {

// Divisor of natural position (r, c): 1 / (q[r][c] * a[r] * a[c] * 8), in double, kept as float.
void BuildFdctDivisors(const uint16_t quantNatural[64], float out[64]);

// src: 8 rows of 8 level-shifted samples, srcStride samples apart. out: natural order.
void ForwardDctQuantize(const int16_t* src, size_t srcStride, const float divisors[64], int16_t out[64]);

// The same, one float at a time (what the vector path does lane by lane).
void ForwardDctQuantizePlain(const int16_t* src, size_t srcStride, const float divisors[64], int16_t out[64]);

}  // namespace jpeg
