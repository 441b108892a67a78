// What the PNG reader learns about an image from its chunks before the pixels: the header, the
// palette, the physical pixel size and the colour-space chunks, with flags of which were seen.
#pragma once

#include <cstdint>

struct PngImageInfo {
    uint32_t width = 0, height = 0;
    uint8_t bitDepth = 0, colorType = 0, compression = 0, filter = 0, interlace = 0;
    uint8_t channels = 0;
    uint8_t pixelDepth = 0;  // bit depth x channels

    uint8_t palette[256][3] = {};  // red, green, blue
    int paletteCount = 0;

    uint32_t physX = 0, physY = 0;
    uint8_t physUnit = 0;  // 1: metres, 0: only the aspect ratio is known

    uint32_t gamma = 0;            // x 100000
    uint32_t chromaticities[8] = {};  // white x, y; red x, y; green x, y; blue x, y; x 100000
    uint8_t srgbIntent = 0;

    bool hasHeader = false, hasPalette = false, hasPhys = false;
    bool hasGamma = false, hasChromaticities = false, hasSrgb = false;
};
