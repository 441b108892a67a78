// Where one image lands on a printed page: its resolution, its size in printer pixels, the scale
// that fits it on the page and the centred rectangle. Platform-free, so the arithmetic is tested
// natively as well.
#pragma once

#include <cstdint>

// Dots per inch from a DIB's pixels per metre; below 1 DPI (0 to 19 pixels per metre, or a
// negative value) the image counts as 96 DPI, so the size on paper never divides by zero.
int32_t PrintImageDpi(int32_t pixelsPerMetre);

// The scale that fits a w x h rectangle on a page: 1 when it fits, else the smaller of the two
// ratios. A rectangle with no width or height has nothing to shrink and keeps scale 1.
double FitScale(int32_t pageWidth, int32_t pageHeight, int32_t width, int32_t height);

struct PrintPlacement {
    int32_t left, top, width, height;
};

// The rectangle of an image on the page: its size at its own resolution converted to the printer's,
// fitted to the page and centred. Every value stays inside 32 bits for any header values.
PrintPlacement PlaceImageOnPage(int32_t pageWidth, int32_t pageHeight, int32_t printerDpiX, int32_t printerDpiY,
                                int32_t imageWidth, int32_t imageHeight, int32_t pixelsPerMetreX,
                                int32_t pixelsPerMetreY);
