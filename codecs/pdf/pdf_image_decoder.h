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
class ReadBudget;

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
    ReadBudget* budget = nullptr;  // the read's: the DIB's block is reserved against it (none: no limit)
};

// A new DIB of the image, or null with a CPDF result (kEncodeFailed for a decoder failure,
// kBadDocument for data that cannot form the image, kNoMemory also for a DIB, or a buffer, that
// does not fit what remains of the read's budget, refused before it is reserved), or the
// bridge's engine code. A block reserved stays counted in the budget when the image fails.
HGLOBAL DecodePdfImage(const PdfImageStream& image, PdfImageBridge* bridge, LONG* result);
