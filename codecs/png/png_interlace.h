// The seven passes of an interlaced PNG image: which pixels each pass carries, and how a pass
// row is spread over the image row it belongs to.
#pragma once

#include <cstdint>

namespace png {

struct InterlacePass {
    uint32_t x0, y0, dx, dy;
};

constexpr InterlacePass kInterlacePasses[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                               {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

inline uint32_t PassExtent(uint32_t size, uint32_t start, uint32_t step) {
    return size > start ? (size - start + step - 1) / step : 0;
}

// Copies the passWidth pixels of a pass row (pixelDepth bits each, packed as in the file) to
// their places in an image row of the same packing.
void SpreadPassRow(const uint8_t* passRow, uint32_t passWidth, int pixelDepth, const InterlacePass& pass,
                   uint8_t* imageRow);

}  // namespace png
