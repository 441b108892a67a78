// The own PNG codec against libpng configured the same way, in one process on the same pixels:
// a generated A4 page at 300 dpi (paper with scanner noise, lines of text, a photo) as a 24-bit
// RGB image (adaptive filters, zlib's default level, filtered strategy) and as an 8-bit grey
// palette image (no filters, default strategy). Both sides write 64 KB IDAT chunks into pieces
// that are joined into one new exact block at the end, freed again inside the measurement, and
// decode the same stream into a new DIB block of the same size, freed inside it as well. The two
// sides of a line run in turns.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "bench_page.h"
#include "bench_timing.h"
#include "codecs/png/png_codec.h"
#include "base/dib_layout.h"

namespace {

constexpr int kWidth = kPageWidth, kHeight = kPageHeight;
// Encoding at zlib's default level takes seconds a page: fewer runs.
constexpr int kDecodeRuns = 5, kEncodeRuns = 3;

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

// Into pieces, then into an exact new block, as the own writer hands out its file.
HGLOBAL LibpngEncode(HGLOBAL dib, bool grey, size_t* fileSize) {
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
    HGLOBAL joined = GlobalAlloc(GMEM_FIXED, pieces.total);
    if (!joined) abort();
    size_t at = 0;
    for (auto& part : pieces.parts) {
        memcpy(static_cast<uint8_t*>(joined) + at, part.data(), part.size());
        at += part.size();
    }
    *fileSize = pieces.total;
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

// Into a new DIB block of the size the own reader allocates (header, colour table, bottom-up
// rows), from the same allocator, freed inside the measurement as the own side frees its DIB.
void LibpngDecode(const std::vector<uint8_t>& s) {
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
    const size_t offset = 40 + (palette ? 1024 : 0);
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE, offset + stride * kHeight);
    auto* bits = static_cast<uint8_t*>(GlobalLock(dib));
    if (!bits) abort();
    memset(bits, 0, offset);
    for (int y = 0; y < kHeight; ++y) png_read_row(png, bits + offset + stride * (kHeight - 1 - y), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    GlobalUnlock(dib);
    GlobalFree(dib);
}

void Run(bool grey) {
    HGLOBAL page = MakeBenchPage(grey);
    const char* what = grey ? "grey8" : "rgb24";
    size_t streamSize = 0;
    HGLOBAL encoded = LibpngEncode(page, grey, &streamSize);
    const std::vector<uint8_t> stream(static_cast<uint8_t*>(encoded), static_cast<uint8_t*>(encoded) + streamSize);
    GlobalFree(encoded);

    Timing ownDecode, refDecode;
    MedianMsInTurns(
        kDecodeRuns,
        [&] {
            CPNG reader;
            if (reader.ReadFromMemory(stream.size(), stream.data(), nullptr) != CPNG::kOk) abort();
            GlobalFree(reader.GetDIB());
        },
        [&] { LibpngDecode(stream); }, &ownDecode, &refDecode);
    char name[64];
    snprintf(name, sizeof name, "png_decode_a4_%s", what);
    Report(name, ownDecode, refDecode);

    size_t refSize = 0, ownSize = 0;
    Timing ownEncode, refEncode;
    MedianMsInTurns(
        kEncodeRuns,
        [&] {
            CPNG writer;
            SIZE_T size = 0;
            if (writer.WriteToMemory(page, &size) != CPNG::kOk) abort();
            GlobalFree(writer.GetMemoryResult());
            ownSize = size;
        },
        [&] { GlobalFree(LibpngEncode(page, grey, &refSize)); }, &ownEncode, &refEncode);
    snprintf(name, sizeof name, "png_encode_a4_%s", what);
    Report(name, ownEncode, refEncode);
    fprintf(stderr, "%s stream bytes: own %zu, libpng %zu\n", what, ownSize, refSize);
    GlobalFree(page);
}

}  // namespace

int main() {
    KeepFreedMemory();
    Run(false);
    Run(true);
    return 0;
}
