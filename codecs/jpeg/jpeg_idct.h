// The float inverse DCT of the decoder (the AAN factorisation, columns first) with the
// dequantisation folded into its multiplier table, the descaling and the range limit.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jpeg {

// Maps a descaled IDCT output x, taken modulo 1024 as a 10-bit two's-complement value, to
// x + 128 clamped to 0..255.
struct JpegRangeLimit {
    uint8_t table[1024];
    JpegRangeLimit();
};

// Multiplier table of one quantisation table: natural order, each value times the AAN scale
// factors of its row and column.
void BuildDequantTable(const uint16_t quantNatural[64], float out[64]);

// coeffs: natural order. out: 8 rows of 8 samples, stride bytes apart. last: the last zigzag
// position that may hold a non-zero coefficient; up to kLastOfTopLeftQuarter they all lie in
// rows 0..3 and columns 0..3, which the vector path takes as a lighter case with the same result.
constexpr int kLastOfTopLeftQuarter = 9;
void InverseDct(const int16_t coeffs[64], const float dequant[64], const JpegRangeLimit& limit,
                uint8_t* out, size_t stride, int last = 63);

// The same for a block of the decoder, which knows more about it. spread: the bitwise or of the
// natural indices of the AC coefficients that may be non-zero; with (spread & kOutsideQuarter)
// zero they all lie in rows 0..3 and columns 0..3, a lighter case with the same result.
// bounded: the multipliers come from a table for which OutputsStayBounded holds, so that no
// output of any block comes near the limits Descale clamps to and the vector path leaves the
// clamp out.
constexpr unsigned kOutsideQuarter = 0x24;  // row bit 2 (32) and column bit 2 (4) of an index
void InverseDctOfBlock(const int16_t coeffs[64], const float dequant[64], const JpegRangeLimit& limit,
                       uint8_t* out, size_t stride, unsigned spread, bool bounded);

// True when every output of the inverse DCT of any block (coefficients -32768..32767) with the
// multipliers of this quantisation table stays inside +-1e9, the clamp of the descale: an
// output is 8 times the orthonormal inverse DCT, whose basis values are at most 1/4 in
// magnitude, so at most 2 x the sum of |coefficient x quantiser|; a quantiser sum up to 14000
// keeps it below 2 x 32768 x 14000 = 0.92e9, a margin far beyond the float rounding.
bool OutputsStayBounded(const uint16_t quantNatural[64]);

// The same, one float at a time (what the vector path does lane by lane).
void InverseDctPlain(const int16_t coeffs[64], const float dequant[64], const JpegRangeLimit& limit,
                     uint8_t* out, size_t stride);

// A block whose only non-zero coefficient is DC: every sample is the same.
void InverseDctDcOnly(int16_t dc, const float dequant[64], const JpegRangeLimit& limit, uint8_t* out,
                      size_t stride);

}  // namespace jpeg
