// Every transform of the image model on small images with steered sizes, depths, pixels and
// arguments: nothing may read or write outside a block, and a failed transform leaves the
// image's size as it was. The first 32 bytes steer; the rest fills the pixels and colour table.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/image.h"
#include "engine/image_filter.h"

namespace {

int32_t Word32(const uint8_t* p) {
    int32_t v;
    memcpy(&v, p, 4);
    return v;
}

// Small sizes most of the time, hostile ones sometimes.
LONG Size(const uint8_t* p) {
    int32_t v = Word32(p);
    return (v & 0x70000000) ? LONG(v % 97) : v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 32) return 0;
    const uint8_t* s = data;
    static const int kDepths[] = {1, 4, 8, 24};
    CImage image;
    if (!image.Create(1 + s[0] % 48, 1 + s[1] % 48, nullptr, kDepths[s[2] % 4])) return 0;
    const size_t table = image.GetColorCount() * 4;
    const size_t pixels = size_t(image.GetStride()) * size_t(image.GetHeight());
    const size_t n = std::min(size - 32, table + pixels);
    memcpy(reinterpret_cast<BYTE*>(image.GetPalette() ? static_cast<void*>(image.GetPalette()) : image.GetBits()),
           data + 32, std::min(n, table ? table + pixels : pixels));

    const LONG w = image.GetWidth(), h = image.GetHeight();
    const ImageRect rect{Word32(s + 4) % 64, Word32(s + 8) % 64, Size(s + 12), Word32(s + 16) % 64};
    const int method = s[20] % 6, edge = s[21] % 8;
    float angle;
    memcpy(&angle, s + 22, 4);
    bool ok = false;
    switch (s[3] % 14) {
        case 0: ok = image.RotateLeft(); break;
        case 1: ok = image.RotateRight(); break;
        case 2: ok = image.Rotate180() && image.Flip() && image.Mirror(); break;
        case 3: ok = image.RotateEx(std::fmod(double(angle), 1000.0), method, edge, Word32(s + 26), s[30] & 1); break;
        case 4: ok = image.Crop(rect); break;
        case 5: ok = image.Erase(rect, Word32(s + 26)); break;
        case 6: ok = image.Resample(Size(s + 22) % 200, Size(s + 26) % 200, method, edge, s[30] & 1); break;
        case 7: ok = image.SetDPI(Word32(s + 22) % 2000, Word32(s + 26) % 2000, s[30] & 1, method); break;
        case 8: ok = image.Threshold(rect, s[30]); break;
        case 9: {
            int kernel[25];
            for (int i = 0; i < 25; ++i) kernel[i] = int8_t(data[(i + 4) % 32]) % 5;
            ok = image.Convolve(kernel, 1 + 2 * (s[30] % 3), int8_t(s[31]), s[29] % 20);
            break;
        }
        case 10: {
            HGLOBAL overlay = image.OverlayRectangle(rect, Word32(s + 26), float(s[30]) / 128.0f);
            if (overlay) GlobalFree(overlay);
            break;
        }
        case 11: {
            double x = Word32(s + 22) / 1000.0, y = Word32(s + 26) / 1000.0;
            image.GetInterpolatedColor(x, y, method, edge);
            image.GetAreaColor(x, y, s[30] / 7.0, s[31] / 7.0, method, edge);
            break;
        }
        case 12: image.GetColorDeviation(rect); break;
        case 13: {
            HGLOBAL dib = image.ExportDIB();
            CImageFilter filter;
            double current;
            filter.IsBlankImage(dib, s[30], float(s[31]), rect, s[29] & 1, &current);
            GlobalFree(dib);
            break;
        }
    }
    if (!image.IsValid()) __builtin_trap();
    if (!ok && (image.GetWidth() != w || image.GetHeight() != h) && s[3] % 14 != 8) __builtin_trap();
    return 0;
}
