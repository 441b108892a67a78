// Helpers of the PDF codec tests: DIBs of every depth from a colour function, their pixels as
// colours, documents written by the codec, and PDF files assembled by hand.
#pragma once

#include "lumetta_win.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "codecs/pdf/pdf_codec.h"

namespace pdftest {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// A packed bottom-up DIB. For 1, 4 and 8 bits, palette gives the table and index(x, y) each
// pixel (y from the top); for 24 bits colour(x, y).
HGLOBAL MakePaletteDib(int width, int height, int bits, const std::vector<Rgb>& palette,
                       const std::function<int(int, int)>& index, LONG pelsPerMeter = 3780);
HGLOBAL MakeColourDib(int width, int height, const std::function<Rgb(int, int)>& colour,
                      LONG pelsPerMeter = 3780);

// A decoded DIB's colours, top row first.
struct Picture {
    int width = 0, height = 0, bits = 0;
    std::vector<Rgb> pixels;
    Rgb at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};
Picture ReadPicture(HGLOBAL dib);
Picture PictureOf(HGLOBAL dib);  // the same, for a DIB the test keeps

// Largest and mean difference of two pictures of the same size over all channels.
int MaxDifference(const Picture& a, const Picture& b);
double MeanDifference(const Picture& a, const Picture& b);

// Writes a document of the DIBs to memory (quality 80), the settings as given.
std::vector<uint8_t> WriteDocument(const std::vector<HGLOBAL>& dibs, LONG compression, LONG* result = nullptr,
                                   const PdfSettings* settings = nullptr, int quality = 80);
// Reads every page; the pictures of the images read (freed).
LONG ReadDocument(const std::vector<uint8_t>& bytes, std::vector<Picture>* pages, PdfSettings* settings = nullptr,
                  LONG page = -1);

// Settings with fixed dates, so documents do not change with the clock.
PdfSettings FixedSettings();

// A PDF file put together from object bodies ("<< ... >>" and the rest, without "n 0 obj"),
// object 1 first, with a correct cross-reference table; the trailer names the root object.
std::string AssemblePdf(const std::vector<std::string>& objects, int root = 1, int info = 0);
std::vector<uint8_t> Bytes(const std::string& text);
std::string Text(const std::vector<uint8_t>& bytes);

// A one-page document around an image object body (dictionary and stream as given): object 1
// catalog, 2 pages, 3 page, 4 image.
std::string OneImagePdf(const std::string& imageDictionary, const std::string& stream);

// A document of pages pages that all show one image object (dictionary and stream as given).
std::string SharedImagePdf(int pages, const std::string& imageDictionary, const std::string& stream);

// zlib's compress of bytes.
std::string Deflate(const std::vector<uint8_t>& bytes);

}  // namespace pdftest
