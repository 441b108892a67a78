// How decoded PNG rows become DIB rows: the DIB depth and colour table for an image, and the
// conversion of one unfiltered row (16-bit samples to their high byte, alpha dropped, red and
// blue exchanged, 2-bit pixels widened to 4 bits).
#pragma once

#include "lumetta_win.h"

#include <cstdint>

#include "codecs/png/png_image_info.h"

namespace png {

struct DibShape {
    int bitCount;  // 1, 4, 8 or 24
    int colors;    // 2, 16, 256 or 0
};

DibShape ChooseDibShape(const PngImageInfo& info);

// Fills the DIB's colour table of shape.colors entries: the palette for palette images, else
// greys.
void FillColorTable(const PngImageInfo& info, const DibShape& shape, RGBQUAD* table);

// Converts one unfiltered PNG row of info.width pixels into a DIB row of the chosen shape.
void ConvertRow(const PngImageInfo& info, const uint8_t* src, uint8_t* dst);

}  // namespace png
