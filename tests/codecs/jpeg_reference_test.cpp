// The own JPEG codec against libjpeg-turbo (native build only). The encoder must produce the
// very scan data of cjpeg's float path for grey images; the decoder must stay within a few
// levels of libjpeg's float IDCT without fancy upsampling on files other encoders wrote.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <stdlib.h>

#include <jpeglib.h>

#include "jpeg_test_support.h"
#include "support/temp_folder.h"

using namespace jpegtest;

namespace {

std::string Temp(const std::string& name) { return testsupport::TempPath(name); }

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool Shell(const std::string& command) { return system(command.c_str()) == 0; }

// A PGM/PPM file of a decoded image (channels B, G, R become R, G, B).
void WritePnm(const std::string& path, const Image& img) {
    std::string header = (img.channels == 1 ? "P5\n" : "P6\n") + std::to_string(img.width) + " " +
                         std::to_string(img.height) + "\n255\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            for (int c = img.channels - 1; c >= 0; --c) bytes.push_back(img.at(x, y, c));
    WriteFile(path, bytes);
}

// Reads a binary PGM/PPM without comments (as ImageMagick writes them) into a DIB.
HGLOBAL ReadPnm(const std::string& path, bool grey) {
    std::vector<uint8_t> b = ReadFile(path);
    int w = 0, h = 0, max = 0, n = 0;
    if (sscanf(reinterpret_cast<const char*>(b.data()), "P%*d %d %d %d%n", &w, &h, &max, &n) != 3) return nullptr;
    const uint8_t* p = b.data() + n + 1;
    int channels = grey ? 1 : 3;
    return MakeDib(w, h, grey ? 8 : 24, [&](int x, int y, int c) {
        return p[(size_t(y) * w + x) * channels + (channels - 1 - c)];
    });
}

bool LibjpegDecode(const std::vector<uint8_t>& s, Image* out) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, s.data(), static_cast<unsigned long>(s.size()));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
    cinfo.dct_method = JDCT_FLOAT;
    cinfo.do_fancy_upsampling = FALSE;
    cinfo.out_color_space = cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    out->width = int(cinfo.output_width);
    out->height = int(cinfo.output_height);
    out->channels = cinfo.output_components;
    out->pixels.resize(size_t(out->width) * out->height * out->channels);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &out->pixels[size_t(cinfo.output_scanline) * out->width * out->channels];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

struct DibGuard {
    HGLOBAL h;
    ~DibGuard() { GlobalFree(h); }
};

// Sources: the generated pattern and ImageMagick's built-in images.
std::vector<std::pair<std::string, std::string>> SourceImages() {
    std::vector<std::pair<std::string, std::string>> out;
    DibGuard pattern{MakeDib(203, 117, 24, Pattern)};
    WritePnm(Temp("pattern.ppm"), ReadDib(pattern.h));
    out.push_back({"pattern", Temp("pattern.ppm")});
    for (const char* builtin : {"rose", "logo", "wizard", "granite", "netscape"}) {
        std::string path = Temp(std::string(builtin) + ".ppm");
        if (Shell(std::string("convert ") + builtin + ": -strip -depth 8 " + path)) out.push_back({builtin, path});
    }
    return out;
}

}  // namespace

TEST(JpegReference, GreyStreamsEqualCjpegFloat) {
    auto sources = SourceImages();
    ASSERT_GE(sources.size(), 4u);
    int compared = 0;
    for (auto& [name, ppm] : sources) {
        std::string pgm = Temp(name + ".pgm");
        ASSERT_TRUE(Shell("convert " + ppm + " -strip -colorspace gray -depth 8 " + pgm));
        DibGuard dib{ReadPnm(pgm, true)};
        ASSERT_NE(dib.h, nullptr);
        for (int quality : {1, 10, 25, 50, 75, 90, 95, 100}) {
            std::string jpg = Temp(name + ".jpg");
            ASSERT_TRUE(Shell("JSIMD_FORCENONE=1 cjpeg -grayscale -dct float -baseline -quality " +
                            std::to_string(quality) + " -outfile " + jpg + " " + pgm));
            std::vector<Segment> theirs, ours;
            std::vector<uint8_t> theirScan, ourScan;
            ASSERT_TRUE(SplitStream(ReadFile(jpg), &theirs, &theirScan));
            ASSERT_TRUE(SplitStream(Encode(dib.h, quality), &ours, &ourScan));
            SCOPED_TRACE(name + " q" + std::to_string(quality));
            EXPECT_EQ(QuantTables(ours), QuantTables(theirs));
            EXPECT_EQ(HuffmanTables(ours), HuffmanTables(theirs));
            ASSERT_NE(FindSegment(theirs, 0xC0), nullptr);
            EXPECT_EQ(FindSegment(ours, 0xC0)->payload, FindSegment(theirs, 0xC0)->payload);
            EXPECT_EQ(FindSegment(ours, 0xDA)->payload, FindSegment(theirs, 0xDA)->payload);
            EXPECT_EQ(ourScan.size(), theirScan.size());
            EXPECT_TRUE(ourScan == theirScan);
            ++compared;
        }
    }
    EXPECT_GE(compared, 32);
}

TEST(JpegReference, ColourTablesEqualCjpeg) {
    DibGuard dib{MakeDib(64, 48, 24, Pattern)};
    WritePnm(Temp("tables.ppm"), ReadDib(dib.h));
    for (int quality : {20, 75, 97}) {
        std::string jpg = Temp("tables.jpg");
        ASSERT_TRUE(Shell("cjpeg -baseline -quality " + std::to_string(quality) + " -outfile " + jpg + " " +
                        Temp("tables.ppm")));
        std::vector<Segment> theirs, ours;
        std::vector<uint8_t> scan;
        ASSERT_TRUE(SplitStream(ReadFile(jpg), &theirs, &scan));
        ASSERT_TRUE(SplitStream(Encode(dib.h, quality), &ours, &scan));
        EXPECT_EQ(QuantTables(ours), QuantTables(theirs)) << quality;
        EXPECT_EQ(HuffmanTables(ours), HuffmanTables(theirs)) << quality;
        EXPECT_EQ(FindSegment(ours, 0xC0)->payload, FindSegment(theirs, 0xC0)->payload) << quality;
    }
}

TEST(JpegReference, DecoderStaysWithinThreeLevelsOfLibjpegFloat) {
    auto sources = SourceImages();
    ASSERT_GE(sources.size(), 4u);
    const std::vector<std::string> options = {
        "-quality 75 -sample 2x2",         "-quality 50 -sample 2x1",  "-quality 95 -sample 1x1",
        "-quality 85 -sample 1x2",         "-quality 30 -grayscale",   "-quality 90 -sample 2x2 -restart 1B",
        "-quality 60 -sample 2x1 -restart 2", "-quality 80 -optimize", "-quality 100 -sample 1x1",
        "-quality 70 -grayscale -restart 5B",
    };
    int files = 0, worstOverall = 0;
    for (auto& [name, ppm] : sources) {
        std::vector<std::string> jpegs;
        for (size_t i = 0; i < options.size(); ++i) {
            std::string jpg = Temp(name + "_" + std::to_string(i) + ".jpg");
            ASSERT_TRUE(Shell("cjpeg " + options[i] + " -outfile " + jpg + " " + ppm));
            jpegs.push_back(jpg);
        }
        // ImageMagick's own writer, with its default settings.
        std::string im = Temp(name + "_im.jpg");
        if (Shell("convert " + ppm + " -quality 82 " + im)) jpegs.push_back(im);
        for (const std::string& jpg : jpegs) {
            std::vector<uint8_t> bytes = ReadFile(jpg);
            Image ours, theirs;
            ASSERT_EQ(Decode(bytes, &ours), 0) << jpg;
            ASSERT_TRUE(LibjpegDecode(bytes, &theirs)) << jpg;
            ASSERT_EQ(ours.width, theirs.width) << jpg;
            ASSERT_EQ(ours.height, theirs.height) << jpg;
            ASSERT_EQ(ours.channels, theirs.channels) << jpg;
            int worst = 0;
            for (size_t i = 0; i < ours.pixels.size(); ++i)
                worst = std::max(worst, std::abs(int(ours.pixels[i]) - int(theirs.pixels[i])));
            EXPECT_LE(worst, 3) << jpg;
            worstOverall = std::max(worst, worstOverall);
            ++files;
        }
    }
    printf("decoded %d files, largest difference %d levels\n", files, worstOverall);
    EXPECT_GE(files, 40);
}

TEST(JpegReference, ProgressiveFilesAreRefused) {
    auto sources = SourceImages();
    std::string jpg = Temp("progressive.jpg");
    ASSERT_TRUE(Shell("cjpeg -progressive -outfile " + jpg + " " + sources[0].second));
    EXPECT_EQ(Decode(ReadFile(jpg), nullptr), 2);
    ASSERT_TRUE(Shell("cjpeg -arithmetic -outfile " + jpg + " " + sources[0].second));
    EXPECT_EQ(Decode(ReadFile(jpg), nullptr), 2);
}

TEST(JpegReference, LibjpegReadsOurColourStreams) {
    for (int quality : {10, 75, 100}) {
        DibGuard dib{MakeDib(203, 117, 24, Pattern)};
        std::vector<uint8_t> stream = Encode(dib.h, quality);
        Image ours, theirs;
        ASSERT_EQ(Decode(stream, &ours), 0);
        ASSERT_TRUE(LibjpegDecode(stream, &theirs));
        int worst = 0;
        for (size_t i = 0; i < ours.pixels.size(); ++i)
            worst = std::max(worst, std::abs(int(ours.pixels[i]) - int(theirs.pixels[i])));
        EXPECT_LE(worst, 3) << quality;
    }
}
