// The own PNG codec against programs nobody here wrote (native build only): every file the
// writer makes passes pngcheck and reads back in libpng with the DIB's very pixels; files that
// libpng, Pillow and ImageMagick write at every colour type and bit depth, interlaced or not,
// read back exactly as libpng reads them (16-bit samples cut to their high byte, alpha dropped).
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include <stdlib.h>

#include <png.h>
#include <zlib.h>

#include "codecs/png/png_codec.h"
#include "base/dib_layout.h"
#include "png_test_support.h"
#include "support/temp_folder.h"

using namespace pngtest;

namespace {

std::string Temp(const std::string& name) { return testsupport::TempPath(name); }

Bytes ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool Shell(const std::string& command) { return system(command.c_str()) == 0; }

struct MemoryReader {
    const Bytes* bytes;
    size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t n) {
    auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (r->pos + n > r->bytes->size()) png_error(png, "short");
    memcpy(out, r->bytes->data() + r->pos, n);
    r->pos += n;
}

// libpng's reading of a stream as blue, green, red, top row first: palettes and low greys
// expanded, 16-bit samples cut to their high byte, alpha stripped, gamma left alone.
bool LibpngRender(const Bytes& bytes, Picture* out, int* colorType = nullptr, int* depth = nullptr,
                  int* interlace = nullptr) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    MemoryReader reader{&bytes, 0};
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, ReadFromMemory);
    png_read_info(png, info);
    if (colorType) *colorType = png_get_color_type(png, info);
    if (depth) *depth = png_get_bit_depth(png, info);
    if (interlace) *interlace = png_get_interlace_type(png, info);
    png_set_strip_16(png);
    png_set_palette_to_rgb(png);
    png_set_expand_gray_1_2_4_to_8(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    out->width = int(png_get_image_width(png, info));
    out->height = int(png_get_image_height(png, info));
    if (png_get_rowbytes(png, info) != size_t(out->width) * 3) png_error(png, "not three bytes a pixel");
    out->bgr.assign(size_t(out->width) * out->height * 3, 0);
    for (int y = 0; y < out->height; ++y) rows.push_back(out->bgr.data() + size_t(y) * out->width * 3);
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

Bytes OwnEncode(HGLOBAL dib) {
    CPNG codec;
    SIZE_T size = 0;
    if (codec.WriteToMemory(dib, &size) != CPNG::kOk) return {};
    HGLOBAL block = codec.GetMemoryResult();
    Bytes bytes = BlockBytes(block, size);
    GlobalFree(block);
    return bytes;
}

LONG OwnRender(const Bytes& bytes, Picture* out) {
    CPNG codec;
    LONG r = codec.ReadFromMemory(bytes.size(), bytes.data(), nullptr);
    if (r != CPNG::kOk) return r;
    HGLOBAL dib = codec.GetDIB();
    *out = Render(dib);
    GlobalFree(dib);
    return r;
}

// Checks one file of another program; returns its colour type and depth as "t<type>d<depth>[i]".
std::string CheckForeignFile(const std::string& path) {
    Bytes bytes = ReadFile(path);
    Picture ref, own;
    int type = -1, depth = -1, interlace = 0;
    EXPECT_TRUE(LibpngRender(bytes, &ref, &type, &depth, &interlace)) << path;
    EXPECT_EQ(OwnRender(bytes, &own), CPNG::kOk) << path;
    EXPECT_EQ(own.width, ref.width) << path;
    EXPECT_EQ(own.height, ref.height) << path;
    EXPECT_TRUE(own.bgr == ref.bgr) << path;
    return "t" + std::to_string(type) + "d" + std::to_string(depth) + (interlace ? "i" : "");
}

// A file written by libpng itself: random samples, optional tRNS, gAMA and text chunks.
void LibpngWrite(const std::string& path, int width, int height, int colorType, int depth, bool interlaced,
                 uint32_t seed) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(f);
        FAIL() << "libpng could not write " << path;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), depth, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[256];
        for (int i = 0; i < 256; ++i) palette[i] = {png_byte(i * 7), png_byte(255 - i), png_byte(i * 13 + 1)};
        png_set_PLTE(png, info, palette, 1 << depth);
        png_byte alpha[2] = {0, 128};
        png_set_tRNS(png, info, alpha, 2, nullptr);
    } else if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_RGB) {
        png_color_16 trans{};
        trans.gray = trans.red = 1;
        png_set_tRNS(png, info, nullptr, 0, &trans);
    }
    png_set_gAMA(png, info, 0.45455);
    png_text text{};
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = const_cast<char*>("Comment");
    text.text = const_cast<char*>("written by libpng for the reader's test");
    png_set_text(png, info, &text, 1);
    png_set_filter(png, 0, PNG_ALL_FILTERS);
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    const size_t rowBytes = (size_t(width) * channels * depth + 7) / 8;
    std::vector<Bytes> rows(static_cast<size_t>(height), Bytes(rowBytes));
    uint32_t x = seed * 2654435761u + 3;
    for (int y = 0; y < height; ++y)
        for (size_t i = 0; i < rowBytes; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            // Smooth in places, so that every filter type turns up.
            rows[size_t(y)][i] = (y / 4) % 2 ? png_byte(i + y) : png_byte(x >> 11);
        }
    std::vector<png_bytep> pointers;
    for (Bytes& r : rows) pointers.push_back(r.data());
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    fclose(f);
}

// libpng writing a DIB with the writer's settings: palette (no filters, default strategy) or
// RGB (all filters, filtered strategy), zlib's default level, 64 KB IDAT chunks, pHYs in metres.
Bytes LibpngWriteDib(HGLOBAL dib, int paletteCount) {
    DibLayout l;
    if (!ComputeDibLayout(dib, &l)) return {};
    auto* base = static_cast<const uint8_t*>(GlobalLock(dib));
    BITMAPINFOHEADER h;
    memcpy(&h, base, 40);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Bytes out;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        GlobalUnlock(dib);
        return {};
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
            o->insert(o->end(), data, data + n);
        },
        [](png_structp) {});
    png_set_compression_buffer_size(png, 65536);
    const bool palette = l.bitCount <= 8;
    png_set_IHDR(png, info, png_uint_32(l.width), png_uint_32(l.height), palette ? l.bitCount : 8,
                 palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette) {
        png_color colours[256] = {};
        const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(base + 40);
        for (int i = 0; i < paletteCount; ++i) colours[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue};
        png_set_PLTE(png, info, colours, paletteCount);
        png_set_filter(png, 0, PNG_FILTER_NONE);
        png_set_compression_strategy(png, Z_DEFAULT_STRATEGY);
    } else {
        png_set_filter(png, 0, PNG_ALL_FILTERS);
        png_set_compression_strategy(png, Z_FILTERED);
        png_set_bgr(png);
    }
    png_set_pHYs(png, info, png_uint_32(h.biXPelsPerMeter), png_uint_32(h.biYPelsPerMeter), PNG_RESOLUTION_METER);
    png_write_info(png, info);
    for (int y = 0; y < l.height; ++y)
        png_write_row(png, base + l.pixelOffset + l.stride * uint64_t(l.topDown ? y : l.height - 1 - y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    GlobalUnlock(dib);
    return out;
}

TEST(PngReference, WriterMakesTheBytesLibpngMakesWithTheSameSettings) {
    // The filter choice of every row, the zlib stream, the chunk split and the trimmed window
    // of small images all come out as libpng makes them.
    struct Case {
        int width, height, bits;
        bool topDown;
    } cases[] = {{641, 480, 24, false}, {300, 250, 24, true}, {10, 10, 24, false}, {90, 31, 24, false},
                 {400, 300, 8, false},  {300, 250, 4, true},  {520, 130, 1, false}};
    int n = 0;
    for (const Case& c : cases) {
        HGLOBAL dib = MakeDib(c.width, c.height, c.bits, uint32_t(50 + ++n), c.topDown, 0, 2835);
        Bytes own = OwnEncode(dib);
        Bytes ref = LibpngWriteDib(dib, c.bits <= 8 ? 1 << c.bits : 0);
        ASSERT_FALSE(ref.empty());
        EXPECT_EQ(ChunkTypes(own), ChunkTypes(ref)) << n;
        EXPECT_TRUE(own == ref) << "case " << n << ": " << c.width << "x" << c.height << "x" << c.bits << ", "
                                << own.size() << " bytes against " << ref.size();
        GlobalFree(dib);
    }
}

TEST(PngReference, WrittenFilesPassPngcheckAndLibpngReadsTheDibsPixels) {
    struct Case {
        int width, height, bits;
        bool topDown;
        int colours;
    } cases[] = {
        {1, 1, 1, false, 0},    {37, 19, 1, false, 0},   {300, 41, 1, true, 0},    {5, 3, 4, false, 0},
        {77, 60, 4, true, 11},  {13, 9, 8, false, 0},    {301, 250, 8, false, 200}, {250, 300, 8, true, 0},
        {1, 1, 24, false, 0},   {10, 10, 24, false, 0},  {123, 45, 24, true, 0},   {641, 480, 24, false, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        ++n;
        HGLOBAL dib = MakeDib(c.width, c.height, c.bits, uint32_t(n), c.topDown, c.colours, n % 2 ? 0 : 3937);
        Bytes png = OwnEncode(dib);
        ASSERT_FALSE(png.empty()) << n;
        std::string path = Temp("own" + std::to_string(n) + ".png");
        WriteFile(path, png);
        EXPECT_TRUE(Shell("pngcheck -v " + path + " > " + path + ".log 2>&1")) << path << "\n"
                                                                                << std::string(ReadFile(path + ".log").begin(), ReadFile(path + ".log").end());
        Picture ref;
        ASSERT_TRUE(LibpngRender(png, &ref)) << n;
        EXPECT_TRUE(ref == Render(dib)) << "case " << n << ": " << c.width << "x" << c.height << "x" << c.bits;
        GlobalFree(dib);
    }
}

TEST(PngReference, FilesLibpngWritesReadBackExactly) {
    struct Layout {
        int type, depth;
    } layouts[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1}, {3, 2},
                   {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
    int n = 0;
    for (const Layout& l : layouts)
        for (bool interlaced : {false, true})
            for (auto size : {std::pair<int, int>{1, 1}, {3, 5}, {33, 17}, {130, 9}}) {
                std::string path = Temp("libpng" + std::to_string(++n) + ".png");
                LibpngWrite(path, size.first, size.second, l.type, l.depth, interlaced, uint32_t(n));
                std::string got = CheckForeignFile(path);
                std::string want = "t" + std::to_string(l.type) + "d" + std::to_string(l.depth) + (interlaced ? "i" : "");
                EXPECT_EQ(got, want);
            }
}

TEST(PngReference, FilesPillowWritesReadBackExactly) {
    std::string script = Temp("pillow.py");
    std::string folder = Temp("pillow");
    std::filesystem::create_directory(folder);
    WriteFile(script, [] {
        std::string s = R"PY(
import sys, random
from PIL import Image
out = sys.argv[1]
random.seed(7)
def noise(mode, size, top):
    im = Image.new(mode, size)
    im.putdata([random.randint(0, top) for _ in range(size[0] * size[1])])
    return im
base = Image.new('RGB', (61, 37))
base.putdata([((x * 4) % 256, (y * 7) % 256, (x * y) % 256) for y in range(37) for x in range(61)])
base.save(out + '/rgb.png')
base.save(out + '/rgb_dpi.png', dpi=(300, 300))
base.convert('RGBA').save(out + '/rgba.png')
rgba = base.convert('RGBA'); rgba.putalpha(noise('L', (61, 37), 255)); rgba.save(out + '/rgba_noise.png')
base.convert('L').save(out + '/grey.png')
la = base.convert('LA'); la.putalpha(noise('L', (61, 37), 255)); la.save(out + '/grey_alpha.png')
base.convert('1').save(out + '/mono.png')
noise('I;16', (29, 31), 65535).save(out + '/grey16.png')
noise('I', (29, 31), 65535).save(out + '/grey_i.png')
p = base.convert('P', palette=Image.ADAPTIVE, colors=200); p.save(out + '/palette.png')
p.save(out + '/palette_trans.png', transparency=3)
for bits in (1, 2, 4):
    q = base.convert('P', palette=Image.ADAPTIVE, colors=1 << bits)
    q.save(out + '/palette%d.png' % bits, bits=bits)
base.save(out + '/rgb_optimised.png', optimize=True)
base.save(out + '/rgb_level0.png', compress_level=0)
)PY";
        return Bytes(s.begin(), s.end());
    }());
    ASSERT_TRUE(Shell("/usr/bin/python3 " + script + " " + folder));
    int files = 0;
    std::set<std::string> layouts;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        layouts.insert(CheckForeignFile(entry.path().string()));
        ++files;
    }
    EXPECT_EQ(files, 16);
    std::string seen;
    for (const std::string& l : layouts) seen += l + " ";
    // 1, 2, 4, 8-bit palettes, grey at 1, 8, 16 bits, grey with alpha, RGB and RGBA.
    EXPECT_GE(layouts.size(), 10u) << seen;
}

TEST(PngReference, FilesImageMagickWritesReadBackExactly) {
    struct Variant {
        const char* options;
        const char* name;
    } variants[] = {
        {"-define png:color-type=0 -define png:bit-depth=1 -threshold 50%", "g1"},
        {"-colorspace gray -define png:color-type=0 -define png:bit-depth=2", "g2"},
        {"-colorspace gray -define png:color-type=0 -define png:bit-depth=4", "g4"},
        {"-colorspace gray -define png:color-type=0 -define png:bit-depth=8", "g8"},
        {"-colorspace gray -depth 16 -define png:color-type=0 -define png:bit-depth=16", "g16"},
        {"-define png:color-type=2 -define png:bit-depth=8", "rgb8"},
        {"-depth 16 -define png:color-type=2 -define png:bit-depth=16", "rgb16"},
        {"-colors 2 -define png:color-type=3 -define png:bit-depth=1", "p1"},
        {"-colors 4 -define png:color-type=3 -define png:bit-depth=2", "p2"},
        {"-colors 16 -define png:color-type=3 -define png:bit-depth=4", "p4"},
        {"-colors 200 -define png:color-type=3 -define png:bit-depth=8", "p8"},
        {"-colorspace gray -alpha set -channel A -fx 'i/w' +channel -define png:color-type=4 -define png:bit-depth=8", "ga8"},
        {"-colorspace gray -alpha set -channel A -fx 'j/h' +channel -depth 16 -define png:color-type=4 -define png:bit-depth=16", "ga16"},
        {"-alpha set -channel A -fx 'i/w' +channel -define png:color-type=6 -define png:bit-depth=8", "rgba8"},
        {"-alpha set -channel A -fx 'j/h' +channel -depth 16 -define png:color-type=6 -define png:bit-depth=16", "rgba16"},
    };
    std::set<std::string> layouts;
    for (const Variant& v : variants)
        for (bool interlaced : {false, true}) {
            std::string path = Temp(std::string("im_") + v.name + (interlaced ? "_i" : "") + ".png");
            ASSERT_TRUE(Shell(std::string("convert rose: ") + v.options + (interlaced ? " -interlace PNG " : " ") + path))
                << v.name;
            layouts.insert(CheckForeignFile(path));
        }
    // ImageMagick picks its own layout for some palette requests; every other one is as asked.
    std::string seen;
    for (const std::string& l : layouts) seen += l + " ";
    EXPECT_GE(layouts.size(), 26u) << seen;
}

}  // namespace
