#include "bench_page.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "base/dib_layout.h"

namespace {

struct NoiseSource {
    uint32_t seed = 12345;
    int operator()(int amplitude) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 16) % (2 * amplitude + 1)) - amplitude;
    }
};

}  // namespace

HGLOBAL MakeBenchPage(bool grey) {
    const int bits = grey ? 8 : 24, colours = grey ? 256 : 0;
    const uint64_t stride = DibStride(kPageWidth, bits);
    const uint64_t offset = 40 + 4 * uint64_t(colours);
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(offset + stride * kPageHeight));
    auto* p = static_cast<uint8_t*>(GlobalLock(dib));
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = kPageWidth;
    h.biHeight = kPageHeight;
    h.biPlanes = 1;
    h.biBitCount = WORD(bits);
    h.biClrUsed = DWORD(colours);
    h.biXPelsPerMeter = h.biYPelsPerMeter = 11811;
    memcpy(p, &h, 40);
    for (int i = 0; i < colours; ++i) p[40 + 4 * i] = p[41 + 4 * i] = p[42 + 4 * i] = uint8_t(i);
    NoiseSource noise;
    for (int y = 0; y < kPageHeight; ++y) {
        uint8_t* row = p + offset + stride * uint64_t(kPageHeight - 1 - y);
        for (int x = 0; x < kPageWidth; ++x) {
            int paper = 238 + noise(4);
            int b = paper - 6, g = paper - 2, r = paper;
            bool photo = x >= 300 && x < 2180 && y >= 1900 && y < 3100;
            bool textLine = (y - 300) % 60 < 34 && y >= 300 && y < 1800 && x >= 240 && x < 2240;
            if (photo) {
                double u = (x - 300) / 1880.0, v = (y - 1900) / 1200.0;
                r = int(120 + 90 * std::sin(u * 6.0 + v * 2.0) + 20 * std::sin(x * 0.3) * std::cos(y * 0.21));
                g = int(110 + 70 * std::cos(v * 5.0 - u) + 15 * std::sin((x + y) * 0.17));
                b = int(90 + 60 * std::sin(u * 3.0 * v + 1.0)) + noise(6);
            } else if (textLine) {
                // Glyph-like strokes: short dark runs on the line.
                int gx = (x - 240) % 26, gy = (y - 300) % 60;
                bool stroke = (gx < 4 && ((x / 26) % 3 != 2)) || (gy > 14 && gy < 18 && gx < 20) ||
                              ((x * 7 + y / 60 * 13) % 41 < 3 && gy < 30);
                if (stroke) r = g = b = 35 + noise(10);
            }
            if (grey) {
                row[x] = uint8_t(std::clamp((r * 77 + g * 150 + b * 29) >> 8, 0, 255));
            } else {
                row[3 * x] = uint8_t(std::clamp(b, 0, 255));
                row[3 * x + 1] = uint8_t(std::clamp(g, 0, 255));
                row[3 * x + 2] = uint8_t(std::clamp(r, 0, 255));
            }
        }
    }
    GlobalUnlock(dib);
    return dib;
}
