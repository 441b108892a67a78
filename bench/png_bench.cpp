// The own PNG codec against libpng configured the same way, in one process on the same pixels:
// a generated A4 page at 300 dpi (paper with scanner noise, lines of text, a photo) as a 24-bit
// RGB image (adaptive filters, zlib's default level, filtered strategy) and as an 8-bit grey
// palette image (no filters, default strategy). Both sides write 64 KB IDAT chunks into pieces
// that are joined into one block at the end, and decode the same stream into a new
// bottom-up image.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "codecs/png/png_codec.h"
#include "engine/dib_layout.h"

namespace {

constexpr int kWidth = 2480, kHeight = 3508;
// Encoding at zlib's default level takes seconds a page: fewer runs.
constexpr int kDecodeRuns = 5, kEncodeRuns = 3;

uint32_t g_seed = 12345;
int Noise(int amplitude) {
    g_seed = g_seed * 1664525u + 1013904223u;
    return int((g_seed >> 16) % (2 * amplitude + 1)) - amplitude;
}

// The page as a bottom-up DIB: 24-bit colour, or 8-bit with a grey table.
HGLOBAL MakePage(bool grey) {
    const int bits = grey ? 8 : 24, colours = grey ? 256 : 0;
    const uint64_t stride = DibStride(kWidth, bits);
    const uint64_t offset = 40 + 4 * uint64_t(colours);
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(offset + stride * kHeight));
    auto* p = static_cast<uint8_t*>(GlobalLock(dib));
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = kWidth;
    h.biHeight = kHeight;
    h.biPlanes = 1;
    h.biBitCount = WORD(bits);
    h.biClrUsed = DWORD(colours);
    h.biXPelsPerMeter = h.biYPelsPerMeter = 11811;
    memcpy(p, &h, 40);
    for (int i = 0; i < colours; ++i) p[40 + 4 * i] = p[41 + 4 * i] = p[42 + 4 * i] = uint8_t(i);
    g_seed = 12345;
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = p + offset + stride * uint64_t(kHeight - 1 - y);
        for (int x = 0; x < kWidth; ++x) {
            int paper = 238 + Noise(4);
            int b = paper - 6, g = paper - 2, r = paper;
            bool photo = x >= 300 && x < 2180 && y >= 1900 && y < 3100;
            bool textLine = (y - 300) % 60 < 34 && y >= 300 && y < 1800 && x >= 240 && x < 2240;
            if (photo) {
                double u = (x - 300) / 1880.0, v = (y - 1900) / 1200.0;
                r = int(120 + 90 * std::sin(u * 6.0 + v * 2.0) + 20 * std::sin(x * 0.3) * std::cos(y * 0.21));
                g = int(110 + 70 * std::cos(v * 5.0 - u) + 15 * std::sin((x + y) * 0.17));
                b = int(90 + 60 * std::sin(u * 3.0 * v + 1.0)) + Noise(6);
            } else if (textLine) {
                int gx = (x - 240) % 26, gy = (y - 300) % 60;
                bool stroke = (gx < 4 && ((x / 26) % 3 != 2)) || (gy > 14 && gy < 18 && gx < 20) ||
                              ((x * 7 + y / 60 * 13) % 41 < 3 && gy < 30);
                if (stroke) r = g = b = 35 + Noise(10);
            }
            if (grey) {
                row[x] = uint8_t(std::clamp((r * 77 + g * 150 + b * 29) >> 8, 0, 255));
            } else {
                row[3 * x] = uint8_t(std::clamp(b, 0, 255));
                row[3 * x + 1] = uint8_t(std::clamp(g, 0, 255));
                row[3 * x + 2] = uint8_t(std::clamp(r, 0, 255));
            }
        }
    }
    GlobalUnlock(dib);
    return dib;
}

// libpng's output as pieces, joined into one block at the end like the own writer's chunks.
struct Pieces {
    std::vector<std::vector<uint8_t>> parts;
    size_t total = 0;
};

void WritePiece(png_structp png, png_bytep data, png_size_t n) {
    auto* p = static_cast<Pieces*>(png_get_io_ptr(png));
    p->parts.emplace_back(data, data + n);
    p->total += n;
}

void FlushNothing(png_structp) {}

std::vector<uint8_t> LibpngEncode(HGLOBAL dib, bool grey) {
    auto* p = static_cast<uint8_t*>(GlobalLock(dib));
    const uint64_t stride = DibStride(kWidth, grey ? 8 : 24);
    const uint8_t* pixels = p + 40 + (grey ? 1024 : 0);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) abort();
    Pieces pieces;
    png_set_write_fn(png, &pieces, WritePiece, FlushNothing);
    png_set_compression_buffer_size(png, 65536);
    png_set_compression_level(png, Z_DEFAULT_COMPRESSION);
    png_set_compression_mem_level(png, 8);
    png_set_compression_window_bits(png, 15);
    png_set_IHDR(png, info, kWidth, kHeight, 8, grey ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (grey) {
        png_color palette[256];
        for (int i = 0; i < 256; ++i) palette[i] = {png_byte(i), png_byte(i), png_byte(i)};
        png_set_PLTE(png, info, palette, 256);
        png_set_filter(png, 0, PNG_FILTER_NONE);
        png_set_compression_strategy(png, Z_DEFAULT_STRATEGY);
    } else {
        png_set_filter(png, 0, PNG_ALL_FILTERS);
        png_set_compression_strategy(png, Z_FILTERED);
        png_set_bgr(png);
    }
    png_set_pHYs(png, info, 11811, 11811, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    for (int y = 0; y < kHeight; ++y) png_write_row(png, pixels + stride * uint64_t(kHeight - 1 - y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    GlobalUnlock(dib);
    std::vector<uint8_t> joined(pieces.total);
    size_t at = 0;
    for (auto& part : pieces.parts) {
        memcpy(joined.data() + at, part.data(), part.size());
        at += part.size();
    }
    return joined;
}

struct MemoryReader {
    const std::vector<uint8_t>* bytes;
    size_t pos;
};

void ReadPiece(png_structp png, png_bytep out, png_size_t n) {
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (r->pos + n > r->bytes->size()) png_error(png, "short");
    memcpy(out, r->bytes->data() + r->pos, n);
    r->pos += n;
}

// Into a new bottom-up image with the DIB's row layout, as the own reader does.
void LibpngDecode(const std::vector<uint8_t>& s, std::unique_ptr<uint8_t[]>& pixels) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) abort();
    MemoryReader reader{&s, 0};
    png_set_read_fn(png, &reader, ReadPiece);
    png_read_info(png, info);
    const bool palette = png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE;
    if (!palette) png_set_bgr(png);
    png_read_update_info(png, info);
    const size_t stride = DibStride(kWidth, palette ? 8 : 24);
    pixels.reset(new uint8_t[stride * kHeight]);
    for (int y = 0; y < kHeight; ++y) png_read_row(png, pixels.get() + stride * (kHeight - 1 - y), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
}

template <typename F>
double MedianMs(int runs, F&& f) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        f();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Report(const char* name, double own, double ref) {
    printf("bench %s own_ms=%.2f ref_ms=%.2f ratio=%.2f\n", name, own, ref, own / ref);
}

void Run(bool grey) {
    HGLOBAL page = MakePage(grey);
    const char* what = grey ? "grey8" : "rgb24";
    std::vector<uint8_t> stream = LibpngEncode(page, grey);

    std::unique_ptr<uint8_t[]> refPixels;
    double refDecode = MedianMs(kDecodeRuns, [&] { LibpngDecode(stream, refPixels); });
    double ownDecode = MedianMs(kDecodeRuns, [&] {
        CPNG reader;
        if (reader.ReadFromMemory(stream.size(), stream.data(), nullptr) != CPNG::kOk) abort();
        GlobalFree(reader.GetDIB());
    });
    char name[64];
    snprintf(name, sizeof name, "png_decode_a4_%s", what);
    Report(name, ownDecode, refDecode);

    size_t refSize = 0, ownSize = 0;
    double refEncode = MedianMs(kEncodeRuns, [&] { refSize = LibpngEncode(page, grey).size(); });
    double ownEncode = MedianMs(kEncodeRuns, [&] {
        CPNG writer;
        SIZE_T size = 0;
        if (writer.WriteToMemory(page, &size) != CPNG::kOk) abort();
        GlobalFree(writer.GetMemoryResult());
        ownSize = size;
    });
    snprintf(name, sizeof name, "png_encode_a4_%s", what);
    Report(name, ownEncode, refEncode);
    fprintf(stderr, "%s stream bytes: own %zu, libpng %zu\n", what, ownSize, refSize);
    GlobalFree(page);
}

}  // namespace

int main() {
    Run(false);
    Run(true);
    return 0;
}
