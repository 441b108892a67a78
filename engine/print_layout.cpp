#include "engine/print_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

int32_t PrintImageDpi(int32_t pixelsPerMetre) {
    if (pixelsPerMetre <= 0) return 96;
    const int32_t dpi = static_cast<int32_t>(std::lround(pixelsPerMetre * 254.0 / 10000.0));
    return dpi > 0 ? dpi : 96;
}

double FitScale(int32_t pageWidth, int32_t pageHeight, int32_t width, int32_t height) {
    double scale = 1.0;
    if (width > 0) scale = std::min(scale, static_cast<double>(pageWidth) / width);
    if (height > 0) scale = std::min(scale, static_cast<double>(pageHeight) / height);
    return std::max(scale, 0.0);
}

static int32_t SizeOnPaper(int32_t pixels, int32_t printerDpi, int32_t imageDpi) {
    const int64_t size = static_cast<int64_t>(std::abs(static_cast<int64_t>(pixels))) * std::max(printerDpi, 0) / imageDpi;
    return static_cast<int32_t>(std::min<int64_t>(size, INT32_MAX));
}

PrintPlacement PlaceImageOnPage(int32_t pageWidth, int32_t pageHeight, int32_t printerDpiX, int32_t printerDpiY,
                                int32_t imageWidth, int32_t imageHeight, int32_t pixelsPerMetreX,
                                int32_t pixelsPerMetreY) {
    const int32_t w = SizeOnPaper(imageWidth, printerDpiX, PrintImageDpi(pixelsPerMetreX));
    const int32_t h = SizeOnPaper(imageHeight, printerDpiY, PrintImageDpi(pixelsPerMetreY));
    const double scale = FitScale(pageWidth, pageHeight, w, h);
    const double ws = w * scale, hs = h * scale;
    PrintPlacement placement;
    placement.width = static_cast<int32_t>(ws);
    placement.height = static_cast<int32_t>(hs);
    placement.left = static_cast<int32_t>((pageWidth - ws) / 2);
    placement.top = static_cast<int32_t>((pageHeight - hs) / 2);
    return placement;
}
