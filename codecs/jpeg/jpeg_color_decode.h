// Output stage of the decoder: one row of decoded samples to one row of DIB pixels. Grey
// samples are copied; colour pixels get the chroma sample of their position (replicated over the
// luminance sampling area) and are converted with truncated integer tables, written B, G, R.
#pragma once

#include <cstdint>

namespace jpeg {

struct JpegColorTables {
    int crToR[256], cbToB[256], crToG[256], cbToG[256];
    JpegColorTables();
};

// y: width luminance samples; cb, cr: the chroma row (one sample per h luminance samples).
void YccRowToBgr(const JpegColorTables& t, const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int h,
                 int width, uint8_t* out);

}  // namespace jpeg
