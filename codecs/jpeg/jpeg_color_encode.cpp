#include "codecs/jpeg/jpeg_color_encode.h"

namespace jpeg {

void GreyRowToSamples(const uint8_t* in, int width, int paddedWidth, int16_t* out) {
    for (int x = 0; x < width; ++x) out[x] = static_cast<int16_t>(in[x] - 128);
    for (int x = width; x < paddedWidth; ++x) out[x] = out[width - 1];
}

void BgrRowToSamples(const uint8_t* in, int width, int paddedWidth, int16_t* y, int16_t* cb, int16_t* cr) {
    for (int x = 0; x < width; ++x) {
        int b = in[3 * x], g = in[3 * x + 1], r = in[3 * x + 2];
        y[x] = static_cast<int16_t>(((19595 * r + 38470 * g + 7471 * b) >> 16) - 128);
    }
    for (int x = width; x < paddedWidth; ++x) y[x] = y[width - 1];
    if (!cb) return;
    const int chromaWidth = paddedWidth / 2;
    int x = 0;
    for (; x < chromaWidth && 2 * x < width; ++x) {
        int b = in[6 * x], g = in[6 * x + 1], r = in[6 * x + 2];
        cb[x] = static_cast<int16_t>((-11058 * r - 21708 * g + 32768 * b) >> 16);
        cr[x] = static_cast<int16_t>((32768 * r - 27438 * g - 5328 * b) >> 16);
    }
    // Past the right edge the groups start on the repeated last pixel.
    if (x < chromaWidth) {
        const uint8_t* p = in + 3 * (width - 1);
        int16_t lastCb = static_cast<int16_t>((-11058 * p[2] - 21708 * p[1] + 32768 * p[0]) >> 16);
        int16_t lastCr = static_cast<int16_t>((32768 * p[2] - 27438 * p[1] - 5328 * p[0]) >> 16);
        for (; x < chromaWidth; ++x) {
            cb[x] = lastCb;
            cr[x] = lastCr;
        }
    }
}

}  // namespace jpeg
