// Output stage of the decoder: one row of decoded samples to one row of DIB pixels. Colour
// pixels get the chroma sample of their position (replicated over the luminance sampling area)
// and are converted with truncated integer tables, written B, G, R.
#pragma once

#include <cstdint>

namespace jpeg {

struct JpegColorTables {
    int crToR[256], cbToB[256], crToG[256], cbToG[256];
    uint8_t clamp[1024];  // clamp[v + kClampOffset] = v limited to 0..255
    static constexpr int kClampOffset = 384;
    JpegColorTables();
};

// The table factors below 1, in 16 bits (1.402 = 1 + 26345 / 65536, and so on), from which the
// vector path computes the same truncated products as the tables hold.
constexpr int kCrToRFraction = 26345, kCbToBFraction = 50594, kCrToGFraction = 46802, kCbToGFraction = 22554;

// The chroma contributions of one chroma row, shared by the luminance rows that use it.
struct ChromaTerms {
    int16_t* blue;
    int16_t* green;
    int16_t* red;
};
void ComputeChromaTerms(const JpegColorTables& t, const uint8_t* cb, const uint8_t* cr, int count, ChromaTerms terms);

// y: width luminance samples; terms: one entry per h luminance samples.
void YccRowToBgr(const JpegColorTables& t, const uint8_t* y, const ChromaTerms& terms, int h, int width,
                 uint8_t* out);

}  // namespace jpeg
