#include "codecs/jpeg/jpeg_color_decode.h"

namespace jpeg {

JpegColorTables::JpegColorTables() {
    for (int i = 0; i < 256; ++i) {
        crToR[i] = static_cast<int>((i - 128) * 1.402);
        cbToB[i] = static_cast<int>((i - 128) * 1.772);
        crToG[i] = static_cast<int>((i - 128) * -0.71414);
        cbToG[i] = static_cast<int>((i - 128) * -0.34414);
    }
}

namespace {

inline uint8_t Clamp(int v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

}  // namespace

void YccRowToBgr(const JpegColorTables& t, const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int h,
                 int width, uint8_t* out) {
    int x = 0;
    if (h == 2) {
        for (; x + 1 < width; x += 2, out += 6) {
            int c = x >> 1;
            int b = t.cbToB[cb[c]], g = t.crToG[cr[c]] + t.cbToG[cb[c]], r = t.crToR[cr[c]];
            int y0 = y[x], y1 = y[x + 1];
            out[0] = Clamp(y0 + b);
            out[1] = Clamp(y0 + g);
            out[2] = Clamp(y0 + r);
            out[3] = Clamp(y1 + b);
            out[4] = Clamp(y1 + g);
            out[5] = Clamp(y1 + r);
        }
    }
    for (; x < width; ++x, out += 3) {
        int c = x / h;
        int yy = y[x];
        out[0] = Clamp(yy + t.cbToB[cb[c]]);
        out[1] = Clamp(yy + t.crToG[cr[c]] + t.cbToG[cb[c]]);
        out[2] = Clamp(yy + t.crToR[cr[c]]);
    }
}

}  // namespace jpeg
