#include "codecs/png/png_row_convert.h"

#include <cstring>

#include "codecs/png/png_format.h"

namespace png {

DibShape ChooseDibShape(const PngImageInfo& info) {
    // Grey with alpha keeps only its grey samples.
    if (info.colorType == kGreyAlpha) return {8, 256};
    int depth = info.pixelDepth;
    if (depth == 16) depth = 8;
    if (depth > 16) return {24, 0};
    if (depth == 1) return {1, 2};
    if (depth <= 4) return {4, 16};
    return {8, 256};
}

void FillColorTable(const PngImageInfo& info, const DibShape& shape, RGBQUAD* table) {
    memset(table, 0, sizeof(RGBQUAD) * size_t(shape.colors));
    if (info.colorType == kPalette) {
        int n = info.paletteCount < shape.colors ? info.paletteCount : shape.colors;
        for (int i = 0; i < n; ++i) {
            table[i].rgbRed = info.palette[i][0];
            table[i].rgbGreen = info.palette[i][1];
            table[i].rgbBlue = info.palette[i][2];
        }
        return;
    }
    if (info.bitDepth == 2) {
        for (int i = 0; i < 4; ++i) table[i].rgbRed = table[i].rgbGreen = table[i].rgbBlue = uint8_t(i * 85);
        return;
    }
    const int step = 255 / (shape.colors - 1);
    for (int i = 0; i < shape.colors; ++i) table[i].rgbRed = table[i].rgbGreen = table[i].rgbBlue = uint8_t(i * step);
}

void ConvertRow(const PngImageInfo& info, const uint8_t* src, uint8_t* dst) {
    const uint32_t w = info.width;
    switch (info.colorType) {
        case kGrey:
        case kPalette:
            if (info.bitDepth == 2) {
                for (uint32_t x = 0; x < w; ++x) {
                    uint8_t v = uint8_t((src[x >> 2] >> (6 - 2 * (x & 3))) & 3);
                    dst[x >> 1] = uint8_t(dst[x >> 1] | (x & 1 ? v : v << 4));
                }
            } else if (info.bitDepth == 16) {
                for (uint32_t x = 0; x < w; ++x) dst[x] = src[2 * size_t(x)];
            } else {
                memcpy(dst, src, size_t(RowBytes(w, info.bitDepth)));
            }
            return;
        case kGreyAlpha: {
            const size_t step = info.bitDepth == 16 ? 4 : 2;
            for (uint32_t x = 0; x < w; ++x) dst[x] = src[step * x];
            return;
        }
        case kRgb:
        case kRgbAlpha: {
            const size_t sampleBytes = info.bitDepth / 8, step = sampleBytes * info.channels;
            const uint8_t* s = src;
            uint8_t* d = dst;
            if (step == 3) {
                for (uint32_t x = 0; x < w; ++x, s += 3, d += 3) {
                    d[0] = s[2];
                    d[1] = s[1];
                    d[2] = s[0];
                }
            } else {
                for (uint32_t x = 0; x < w; ++x, s += step, d += 3) {
                    d[0] = s[2 * sampleBytes];
                    d[1] = s[sampleBytes];
                    d[2] = s[0];
                }
            }
            return;
        }
        default:
            return;
    }
}

}  // namespace png
