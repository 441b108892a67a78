#include "codecs/tiff/tiff_page_record.h"

#include "codecs/tiff/tiff_format.h"

DWORD TiffDpiFromPixelsPerMetre(LONG pixelsPerMetre, bool smallRule) {
    const double dpi = double(pixelsPerMetre) * 254.0 / 10000.0 + 0.5;
    DWORD value = dpi >= 1.0 ? DWORD(dpi) : 0;
    if (value < 1 || (smallRule && value <= 10)) value = tiff_format::kDefaultDpi;
    return value;
}
