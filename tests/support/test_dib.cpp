#include "support/test_dib.h"

#include <cstring>

HGLOBAL MakeTestDib(int width, int height, int bitCount, uint32_t seed) {
    uint32_t colors = bitCount <= 8 ? (1u << bitCount) : 0;
    uint64_t stride = ((uint64_t(width) * bitCount + 31) / 32) * 4;
    uint64_t size = 40 + colors * 4 + stride * uint64_t(height);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(size + 4));
    if (!block) return nullptr;
    auto* p = static_cast<BYTE*>(GlobalLock(block));
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bitCount);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(stride * height);
    h.biXPelsPerMeter = h.biYPelsPerMeter = 3780;
    memcpy(p, &h, sizeof(h));
    auto* table = reinterpret_cast<RGBQUAD*>(p + 40);
    for (uint32_t i = 0; i < colors; ++i) {
        BYTE v = static_cast<BYTE>(colors > 1 ? i * 255 / (colors - 1) : 0);
        table[i] = RGBQUAD{v, v, v, 0};
    }
    BYTE* pixels = p + 40 + colors * 4;
    uint32_t x = seed * 2654435761u + 1;
    for (uint64_t i = 0; i < stride * uint64_t(height); ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        pixels[i] = static_cast<BYTE>(x);
    }
    // The seed rides behind the pixels, so a test can tell its images apart.
    memcpy(p + size, &seed, 4);
    GlobalUnlock(block);
    return block;
}

uint32_t TestDibSeed(HGLOBAL dib) {
    auto* p = static_cast<BYTE*>(GlobalLock(dib));
    uint32_t seed = 0;
    SIZE_T size = GlobalSize(dib);
    if (p && size >= 4) memcpy(&seed, p + size - 4, 4);
    GlobalUnlock(dib);
    return seed;
}
