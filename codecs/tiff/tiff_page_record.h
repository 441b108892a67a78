// What the TIFF writer knows about one page: filled from a DIB before it is written.
#pragma once

#include "lumetta_win.h"

#include <cstdint>

struct TiffPageRecord {
    DWORD width = 0;
    DWORD height = 0;              // always positive
    WORD bitsPerPixel = 0;
    DWORD dpiX = 0;
    DWORD dpiY = 0;
    DWORD colors = 0;
    RGBQUAD palette[256] = {};
    DWORD imageSize = 0;           // DIB pixel bytes
    DWORD stride = 0;              // DIB row stride, padded to 4
    const BYTE* bits = nullptr;    // bottom-up rows while the page is written
    WORD compression = 0;          // effective Compression tag value
    WORD photometric = 0;
    bool rgb = false;              // RGB of 8 or more bits per sample
};

// Dots per inch from pixels per metre, rounded; below 1 gives 96, and with smallRule 10 or less
// gives 96 too.
DWORD TiffDpiFromPixelsPerMetre(LONG pixelsPerMetre, bool smallRule);
