#include "codecs/jpeg/jpeg_color_decode.h"

namespace jpeg {

JpegColorTables::JpegColorTables() {
    for (int i = 0; i < 256; ++i) {
        crToR[i] = static_cast<int>((i - 128) * 1.402);
        cbToB[i] = static_cast<int>((i - 128) * 1.772);
        crToG[i] = static_cast<int>((i - 128) * -0.71414);
        cbToG[i] = static_cast<int>((i - 128) * -0.34414);
    }
    for (int i = 0; i < 1024; ++i) {
        int v = i - kClampOffset;
        clamp[i] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
}

void ComputeChromaTerms(const JpegColorTables& t, const uint8_t* cb, const uint8_t* cr, int count, ChromaTerms terms) {
    for (int i = 0; i < count; ++i) {
        terms.blue[i] = static_cast<int16_t>(t.cbToB[cb[i]] + JpegColorTables::kClampOffset);
        terms.green[i] = static_cast<int16_t>(t.crToG[cr[i]] + t.cbToG[cb[i]] + JpegColorTables::kClampOffset);
        terms.red[i] = static_cast<int16_t>(t.crToR[cr[i]] + JpegColorTables::kClampOffset);
    }
}

void YccRowToBgr(const JpegColorTables& t, const uint8_t* y, const ChromaTerms& terms, int h, int width,
                 uint8_t* out) {
    const uint8_t* clamp = t.clamp;
    int x = 0;
    if (h == 2) {
        for (int c = 0; x + 1 < width; x += 2, ++c, out += 6) {
            int b = terms.blue[c], g = terms.green[c], r = terms.red[c];
            int y0 = y[x], y1 = y[x + 1];
            out[0] = clamp[y0 + b];
            out[1] = clamp[y0 + g];
            out[2] = clamp[y0 + r];
            out[3] = clamp[y1 + b];
            out[4] = clamp[y1 + g];
            out[5] = clamp[y1 + r];
        }
    }
    for (; x < width; ++x, out += 3) {
        int c = x / h, yy = y[x];
        out[0] = clamp[yy + terms.blue[c]];
        out[1] = clamp[yy + terms.green[c]];
        out[2] = clamp[yy + terms.red[c]];
    }
}

}  // namespace jpeg
