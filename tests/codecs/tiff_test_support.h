// Helpers of the TIFF tests: hand-made DIBs, files, and reading pages back through libtiff.
#pragma once

#include "lumetta_win.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tifftest {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// An image as colours, top row first: what a page shows, whatever its storage.
struct Picture {
    uint32_t width = 0, height = 0;
    std::vector<Rgb> pixels;
    Rgb at(uint32_t x, uint32_t y) const { return pixels[size_t(y) * width + x]; }
    bool operator==(const Picture& o) const { return width == o.width && height == o.height && pixels == o.pixels; }
};

// A packed DIB (40-byte header, 2^bits table entries for 8 bits or fewer, bottom-up unless
// topDown) with a pattern that touches every table entry; palette null gives a grey ramp.
HGLOBAL MakeDib(int width, int height, int bits, const RGBQUAD* palette = nullptr, bool topDown = false,
                uint32_t seed = 1, LONG pixelsPerMetre = 11811);

// The colours of a packed DIB.
Picture PictureOfDib(HGLOBAL dib);

// The colours of one page of a TIFF file as libtiff reads it (its own scanline reader, the
// colour map and photometric applied here; 16-bit samples by their high byte).
Picture LibtiffPicture(const std::string& path, int page = 0);

std::string TempPath(const std::string& name);
std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> BlockBytes(HGLOBAL block);
// Runs a shell command; its standard output and error come back in output.
int Shell(const std::string& command, std::string* output = nullptr);

}  // namespace tifftest
