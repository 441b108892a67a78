#include "codecs/jpeg/jpeg_fdct.h"

#include "codecs/jpeg/jpeg_tables.h"

namespace jpeg {

void BuildFdctDivisors(const uint16_t q[64], float out[64]) {
    for (int i = 0; i < 64; ++i)
        out[i] = static_cast<float>(1.0 / (static_cast<double>(q[i]) * kAanScale[i >> 3] * kAanScale[i & 7] * 8.0));
}

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

}  // namespace jpeg
