// One page of a PDF document: the image stream of a DIB in the compression the setting asks
// for, with the values the page's objects need (sizes, resolution, filter, colour space).
#pragma once

#include "lumetta_win.h"

#include <cstdint>
#include <vector>

class PdfImageBridge;

struct PdfPageImage {
    enum class Filter { Dct, Fax, Lzw };
    enum class Colour { Gray, Rgb, Indexed };

    int width = 0;
    int height = 0;
    int dpiX = 96;
    int dpiY = 96;
    Filter filter = Filter::Dct;
    Colour colour = Colour::Gray;
    int bitsPerComponent = 8;
    std::vector<BYTE> lookup;  // Indexed: red, green, blue of each of the 2^bits entries
    std::vector<BYTE> data;    // the image stream
};

// Encodes a DIB by the compression setting (0 auto, 1 and 2 group 4 fax, 3 and 4 LZW, 5 JPEG,
// anything else the automatic strip choice). 0, or CPDF's kEncodeFailed (a strip page cannot
// be made), kJpegFailed (JPEG setting) or kNoMemory.
LONG EncodePdfPage(HGLOBAL dib, LONG compression, int quality, PdfImageBridge* bridge, PdfPageImage* page);
