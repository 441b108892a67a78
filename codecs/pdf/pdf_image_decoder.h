// One image XObject of a PDF page decoded into a packed bottom-up DIB: JPEG through the JPEG
// decoder (or the engine's platform library), Flate through zlib, run-length, CCITT fax and LZW
// through their strip decoders.
#pragma once

#include "lumetta_win.h"

#include <cstdint>
#include <vector>

#include "codecs/pdf/pdf_strip_codecs.h"
#include "codecs/pdf/pdf_syntax.h"

class PdfImageBridge;

struct PdfImageStream {
    enum class Filter { Dct, Fax, Lzw, Flate, RunLength };
    enum class Colour { Gray, Rgb, Indexed };

    Filter filter = Filter::Flate;
    Colour colour = Colour::Gray;
    int width = 0;
    int height = 0;
    int bitsPerComponent = 1;
    std::vector<RGBQUAD> palette;  // Indexed: high value + 1 entries
    bool inverted = false;         // /Decode [1 0], or black coded as 1 in fax data
    pdfstrip::FaxStreamParams fax;
    PdfSpan data;
    uint64_t budget = UINT64_MAX;  // the most bytes the image's DIB may take
};

// A new DIB of the image, or null with a CPDF result (kEncodeFailed for a decoder failure,
// kBadDocument for data that cannot form the image, kNoMemory also for a DIB larger than the
// image's budget, refused before it is decoded), or the bridge's engine code.
HGLOBAL DecodePdfImage(const PdfImageStream& image, PdfImageBridge* bridge, LONG* result);
