#include "tiff_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <stdlib.h>

#include <tiffio.h>

#include "support/temp_folder.h"

namespace tifftest {

std::string TempPath(const std::string& name) { return testsupport::TempPath(name); }

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> BlockBytes(HGLOBAL block) {
    const auto* p = static_cast<const uint8_t*>(GlobalLock(block));
    std::vector<uint8_t> bytes(p, p + GlobalSize(block));
    GlobalUnlock(block);
    return bytes;
}

int Shell(const std::string& command, std::string* output) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    const int status = pclose(pipe);
    if (output) *output = text;
    return status;
}

HGLOBAL MakeDib(int width, int height, int bits, const RGBQUAD* palette, bool topDown, uint32_t seed,
                LONG pixelsPerMetre) {
    const uint32_t colors = bits <= 8 ? 1u << bits : 0;
    const size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
    const size_t size = 40 + colors * 4 + stride * height;
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* p = static_cast<uint8_t*>(GlobalLock(dib));
    BITMAPINFOHEADER h = {};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = topDown ? -height : height;
    h.biPlanes = 1;
    h.biBitCount = WORD(bits);
    h.biSizeImage = DWORD(stride * height);
    h.biXPelsPerMeter = pixelsPerMetre;
    h.biYPelsPerMeter = pixelsPerMetre;
    h.biClrUsed = colors;
    memcpy(p, &h, 40);
    for (uint32_t i = 0; i < colors; ++i) {
        RGBQUAD q = palette ? palette[i] : RGBQUAD{BYTE(i * 255 / (colors - 1)), BYTE(i * 255 / (colors - 1)),
                                                    BYTE(i * 255 / (colors - 1)), 0};
        memcpy(p + 40 + i * 4, &q, 4);
    }
    uint8_t* pixels = p + 40 + colors * 4;
    uint32_t state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y)
        for (size_t x = 0; x < stride; ++x) {
            state = state * 1103515245u + 12345u;
            // Runs and noise mixed: long equal stretches with changes, so every codec has work.
            const uint8_t v = ((x + size_t(y) / 3) % 23 < 9) ? uint8_t(x * 7 + y) : uint8_t(state >> 16);
            pixels[size_t(y) * stride + x] = (y % 5 == 0) ? uint8_t(0xFF * ((x / 9) & 1)) : v;
        }
    GlobalUnlock(dib);
    return dib;
}

Picture PictureOfDib(HGLOBAL dib) {
    const auto* p = static_cast<const uint8_t*>(GlobalLock(dib));
    BITMAPINFOHEADER h;
    memcpy(&h, p, 40);
    const int bits = h.biBitCount;
    const uint32_t colors = bits <= 8 ? (h.biClrUsed ? h.biClrUsed : 1u << bits) : 0;
    const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(p + h.biSize);
    const uint8_t* pixels = p + h.biSize + colors * 4;
    const size_t stride = ((size_t(h.biWidth) * bits + 31) / 32) * 4;
    const uint32_t height = uint32_t(h.biHeight < 0 ? -h.biHeight : h.biHeight);
    Picture pic{uint32_t(h.biWidth), height, {}};
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels + stride * (h.biHeight < 0 ? y : height - 1 - y);
        for (uint32_t x = 0; x < pic.width; ++x) {
            if (bits == 24) {
                pic.pixels.push_back({row[3 * x + 2], row[3 * x + 1], row[3 * x]});
            } else {
                const uint32_t index = (row[(size_t(x) * bits) / 8] >> (8 - bits - (x * bits) % 8)) & ((1u << bits) - 1);
                const RGBQUAD c = table[index];
                pic.pixels.push_back({c.rgbRed, c.rgbGreen, c.rgbBlue});
            }
        }
    }
    GlobalUnlock(dib);
    return pic;
}

Picture LibtiffPicture(const std::string& path, int page) {
    Picture pic;
    TIFF* t = TIFFOpen(path.c_str(), "r");
    if (!t) return pic;
    if (!TIFFSetDirectory(t, tdir_t(page))) {
        TIFFClose(t);
        return pic;
    }
    uint32_t w = 0, h = 0;
    uint16_t bits = 1, spp = 1, photometric = 0;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric);
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (photometric == PHOTOMETRIC_PALETTE) TIFFGetField(t, TIFFTAG_COLORMAP, &red, &green, &blue);
    bool wide = false;
    if (red)
        for (uint32_t i = 0; i < (1u << bits); ++i) wide = wide || red[i] > 255 || green[i] > 255 || blue[i] > 255;
    auto map = [&](uint16_t v) { return uint8_t(wide ? v * 255u / 65535u : v); };
    std::vector<uint8_t> line(size_t(TIFFScanlineSize(t)));
    pic.width = w;
    pic.height = h;
    for (uint32_t y = 0; y < h; ++y) {
        if (TIFFReadScanline(t, line.data(), y, 0) < 0) {
            pic.pixels.clear();
            break;
        }
        for (uint32_t x = 0; x < w; ++x) {
            auto sample = [&](uint32_t s) -> uint32_t {
                const size_t i = size_t(x) * spp + s;
                if (bits == 16) return reinterpret_cast<const uint16_t*>(line.data())[i] >> 8;  // host order
                if (bits == 8) return line[i];
                const size_t bit = i * bits;
                return (line[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            };
            if (photometric == PHOTOMETRIC_RGB) {
                pic.pixels.push_back({uint8_t(sample(0)), uint8_t(sample(1)), uint8_t(sample(2))});
            } else if (photometric == PHOTOMETRIC_PALETTE) {
                const uint32_t i = sample(0);
                pic.pixels.push_back({map(red[i]), map(green[i]), map(blue[i])});
            } else {
                const uint32_t levels = (bits == 16 ? 256u : 1u << bits) - 1;
                uint8_t v = uint8_t(sample(0) * (255 / levels));
                if (photometric == PHOTOMETRIC_MINISWHITE) v = uint8_t(255 - v);
                pic.pixels.push_back({v, v, v});
            }
        }
    }
    TIFFClose(t);
    return pic;
}

}  // namespace tifftest
