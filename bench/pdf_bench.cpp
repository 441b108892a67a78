// Writing ten-page A4 documents at 300 dpi, against ImageMagick (MagickWand, one thread) writing
// the same compression from the same raw pixels in this process: a colour document with JPEG
// pages at quality 75 and a bilevel one with CCITT group 4 pages. Both sides start from raw
// pixels (the own side from the DIB, ImageMagick constitutes each page from the same bytes) and
// end with the whole document in memory. ImageMagick's PDF writer also makes a small thumbnail
// of each page, which this version cannot switch off. The two sides run in turns.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <wand/MagickWand.h>

#include "base/dib_layout.h"
#include "bench_timing.h"
#include "codecs/pdf/pdf_codec.h"
#include "codecs/pdf/pdf_strip_codecs.h"

namespace {

constexpr int kWidth = 2480, kHeight = 3508, kPages = 10, kQuality = 75, kRuns = 5;

uint32_t g_seed = 777;
int Noise(int amplitude) {
    g_seed = g_seed * 1664525u + 1013904223u;
    return int((g_seed >> 16) % (2 * amplitude + 1)) - amplitude;
}

struct Page {
    HGLOBAL dib = nullptr;
    std::vector<uint8_t> raw;  // top row first: red, green, blue or one grey byte per pixel
};

// A bottom-up DIB of the page size at 300 dpi with a black-and-white table at 1 bit; its rows.
HGLOBAL NewPageDib(int bits, uint8_t** rows, uint64_t* stride) {
    *stride = DibStride(kWidth, bits);
    const uint32_t table = bits == 1 ? 8 : 0;
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, SIZE_T(40 + table + *stride * kHeight));
    auto* p = static_cast<uint8_t*>(GlobalLock(dib));
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = kWidth;
    h.biHeight = kHeight;
    h.biPlanes = 1;
    h.biBitCount = WORD(bits);
    h.biClrUsed = bits == 1 ? 2 : 0;
    h.biXPelsPerMeter = h.biYPelsPerMeter = 11811;
    std::memcpy(p, &h, 40);
    const uint8_t blackWhite[8] = {0, 0, 0, 0, 255, 255, 255, 0};
    if (table) std::memcpy(p + 40, blackWhite, table);
    *rows = p + 40 + table;
    return dib;
}

// A scanned letter: paper with noise, text lines, a coloured logo and a photo block.
Page MakeColourPage() {
    Page page;
    uint8_t* pixels = nullptr;
    uint64_t stride = 0;
    page.dib = NewPageDib(24, &pixels, &stride);
    page.raw.resize(size_t(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = pixels + stride * uint64_t(kHeight - 1 - y);
        for (int x = 0; x < kWidth; ++x) {
            int r = 242 + Noise(5), g = r - 3, b = r - 8;
            if (x > 200 && x < 700 && y > 150 && y < 420) {
                r = 30 + (x - 200) / 3;
                g = 60 + (y - 150) / 2;
                b = 160;
            } else if (x > 300 && x < 2200 && y > 2000 && y < 3200) {
                r = int(128 + 100 * std::sin(x * 0.01) * std::cos(y * 0.013)) + Noise(8);
                g = int(120 + 80 * std::cos((x + y) * 0.007)) + Noise(8);
                b = int(100 + 60 * std::sin(y * 0.02)) + Noise(8);
            } else if (y > 600 && y < 1900 && (y - 600) % 55 < 30 && x > 240 && x < 2240 &&
                       ((x / 22) % 5 != 4) && ((x * 13 + y * 7) % 17 < 8)) {
                r = g = b = 40 + Noise(12);
            }
            r = std::clamp(r, 0, 255);
            g = std::clamp(g, 0, 255);
            b = std::clamp(b, 0, 255);
            row[3 * x] = uint8_t(b);
            row[3 * x + 1] = uint8_t(g);
            row[3 * x + 2] = uint8_t(r);
            uint8_t* q = &page.raw[(size_t(y) * kWidth + size_t(x)) * 3];
            q[0] = uint8_t(r);
            q[1] = uint8_t(g);
            q[2] = uint8_t(b);
        }
    }
    GlobalUnlock(page.dib);
    return page;
}

// A bilevel scan of a text page: dark glyph strokes on white, a ruled table, some speckle.
Page MakeBilevelPage() {
    Page page;
    uint8_t* pixels = nullptr;
    uint64_t stride = 0;
    page.dib = NewPageDib(1, &pixels, &stride);  // 0 black, 1 white
    page.raw.resize(size_t(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = pixels + stride * uint64_t(kHeight - 1 - y);
        for (int x = 0; x < kWidth; ++x) {
            bool black = (y > 300 && y < 2600 && (y - 300) % 48 < 26 && x > 200 && x < 2280 &&
                          ((x / 19) % 6 != 5) && ((x * 5 + y * 3) % 11 < 4 || (x % 19) < 2)) ||
                         (y > 2800 && y < 3300 && x > 200 && x < 2280 && ((y - 2800) % 100 < 3 || (x - 200) % 416 < 3)) ||
                         (Noise(5000) == 0);
            if (!black) row[x / 8] |= uint8_t(0x80 >> (x & 7));
            page.raw[size_t(y) * kWidth + size_t(x)] = black ? 0 : 255;
        }
    }
    GlobalUnlock(page.dib);
    return page;
}

size_t OwnDocument(const Page& page, LONG compression) {
    std::vector<HGLOBAL> dibs(kPages, page.dib);
    CPDF pdf;
    uint64_t size = 0;
    if (pdf.WriteToMemory(dibs.data(), kPages, compression, kQuality, &size) != CPDF::kOk) return 0;
    GlobalFree(pdf.GetMemoryResult());
    return size_t(size);
}

size_t MagickDocument(const Page& page, bool bilevel) {
    MagickWand* wand = NewMagickWand();
    for (int i = 0; i < kPages; ++i) {
        MagickWand* one = NewMagickWand();
        MagickConstituteImage(one, kWidth, kHeight, bilevel ? "I" : "RGB", CharPixel, page.raw.data());
        MagickSetImageResolution(one, 300, 300);
        MagickSetImageUnits(one, PixelsPerInchResolution);
        if (bilevel) {
            // The pixels are 0 and 255 only: ImageMagick takes the page as bilevel as it is.
            MagickSetImageCompression(one, Group4Compression);
        } else {
            MagickSetImageCompression(one, JPEGCompression);
            MagickSetImageCompressionQuality(one, kQuality);
        }
        MagickAddImage(wand, one);
        DestroyMagickWand(one);
    }
    // The plain PDF coder is refused by Debian's policy; the PDF/A one writes the same pages.
    MagickSetFormat(wand, "PDFA");
    size_t size = 0;
    unsigned char* blob = MagickGetImagesBlob(wand, &size);
    if (blob) MagickRelinquishMemory(blob);
    DestroyMagickWand(wand);
    return size;
}

// Measures one document kind; false when either side could not write it.
bool Measure(const char* name, const Page& page, LONG compression, bool bilevel) {
    size_t own = OwnDocument(page, compression), ref = MagickDocument(page, bilevel);
    if (!own || !ref) {
        std::printf("bench %s: a document could not be written (own %zu, ImageMagick %zu)\n", name, own, ref);
        return false;
    }
    Timing ownMs, refMs;
    MedianMsInTurns(
        kRuns, [&] { OwnDocument(page, compression); }, [&] { MagickDocument(page, bilevel); }, &ownMs, &refMs);
    Report(name, ownMs, refMs);
    return true;
}

}  // namespace

int main() {
    KeepFreedMemory();
    MagickWandGenesis();
    MagickSetResourceLimit(ThreadResource, 1);
    int status = 0;
    Page colour = MakeColourPage();
    if (!Measure("pdf_jpeg_10_pages", colour, CPDF::kJpeg, false)) status = 1;
    GlobalFree(colour.dib);

    std::vector<BYTE> probe;
    BYTE row = 0;
    if (!pdfstrip::EncodeFaxGroup4(&row, 1, 8, 1, &probe)) {
        std::printf("bench pdf_g4_10_pages: not measured, the fax strip codec is not in this build\n");
    } else {
        Page bilevel = MakeBilevelPage();
        if (!Measure("pdf_g4_10_pages", bilevel, CPDF::kFax4, true)) status = 1;
        GlobalFree(bilevel.dib);
    }
    MagickWandTerminus();
    return status;
}
