// The fax strip codec against libtiff, tiffcp and ImageMagick (native build only): strips written
// here equal libtiff's strips of the same pixels byte for byte in every coding, and strips that
// libtiff and ImageMagick wrote decode to their pixels in both fill orders.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <stdlib.h>

#include <tiffio.h>

#include "bilevel_pages.h"
#include "codecs/tiff/fax_codec.h"
#include "support/temp_folder.h"

using faxtest::BilevelPage;

namespace {

std::string Temp(const std::string& name) { return testsupport::TempPath(name); }

bool Shell(const std::string& command) { return system(command.c_str()) == 0; }

// A coding as libtiff takes it: the Compression tag, Group3Options and the vertical resolution,
// from which libtiff picks the k factor of two-dimensional group 3.
struct Coding {
    const char* name;
    uint16_t compression;
    uint32_t t4Options;
    float yResolution;
};

const Coding kCodings[] = {
    {"modified Huffman", COMPRESSION_CCITTRLE, 0, 300},
    {"group 3 1-D", COMPRESSION_CCITTFAX3, 0, 300},
    {"group 3 1-D, aligned EOLs", COMPRESSION_CCITTFAX3, GROUP3OPT_FILLBITS, 300},
    {"group 3 2-D, standard resolution", COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, 98},
    {"group 3 2-D, fine resolution", COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, 196},
    {"group 3 2-D, aligned EOLs", COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING | GROUP3OPT_FILLBITS, 300},
    {"group 4", COMPRESSION_CCITTFAX4, 0, 300},
};

FaxStripParams Params(const Coding& c, const BilevelPage& page, uint16_t fillOrder = 1) {
    FaxStripParams p;
    p.compression = c.compression;
    p.width = page.width;
    p.height = page.height;
    p.rowStride = page.stride;
    p.t4Options = c.t4Options;
    p.kFactor = CTIFFFax::KFactorForResolution(c.yResolution);
    p.fillOrder = fillOrder;
    return p;
}

// libtiff writes the page (1 = black, MinIsWhite) as one strip.
void LibtiffWrite(const std::string& path, const BilevelPage& page, const Coding& c, uint16_t fillOrder = 1) {
    TIFF* t = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, page.width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, page.height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, page.height);
    TIFFSetField(t, TIFFTAG_FILLORDER, fillOrder);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, 300.0f);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, c.yResolution);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(t, TIFFTAG_COMPRESSION, c.compression);
    if (c.compression == COMPRESSION_CCITTFAX3) TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, c.t4Options);
    for (uint32_t y = 0; y < page.height; ++y)
        ASSERT_EQ(TIFFWriteScanline(t, const_cast<uint8_t*>(page.Row(y)), y, 0), 1);
    TIFFClose(t);
}

struct StripFile {
    uint32_t width = 0, height = 0, rowsPerStrip = 0;
    uint16_t compression = 0, fillOrder = 1, photometric = 0;
    uint32_t t4Options = 0;
    std::vector<std::vector<uint8_t>> strips;
};

StripFile ReadStrips(const std::string& path) {
    StripFile f;
    TIFF* t = TIFFOpen(path.c_str(), "r");
    EXPECT_NE(t, nullptr);
    if (!t) return f;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &f.width);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &f.height);
    TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &f.rowsPerStrip);
    TIFFGetField(t, TIFFTAG_COMPRESSION, &f.compression);
    TIFFGetFieldDefaulted(t, TIFFTAG_FILLORDER, &f.fillOrder);
    TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &f.photometric);
    TIFFGetField(t, TIFFTAG_GROUP3OPTIONS, &f.t4Options);
    const uint64_t* counts = nullptr;
    TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts);
    for (uint32_t s = 0; s < TIFFNumberOfStrips(t); ++s) {
        std::vector<uint8_t> raw(counts[s]);
        EXPECT_EQ(TIFFReadRawStrip(t, s, raw.data(), tmsize_t(raw.size())), tmsize_t(raw.size()));
        f.strips.push_back(std::move(raw));
    }
    TIFFClose(t);
    return f;
}

// libtiff's own decoding of a bilevel file, 1 = black whatever the photometric.
BilevelPage LibtiffPixels(const std::string& path) {
    TIFF* t = TIFFOpen(path.c_str(), "r");
    EXPECT_NE(t, nullptr);
    uint32_t w = 0, h = 0;
    uint16_t photometric = 0;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric);
    BilevelPage page = faxtest::BlankPage(w, h);
    for (uint32_t y = 0; y < h; ++y) {
        EXPECT_EQ(TIFFReadScanline(t, page.Row(y), y, 0), 1);
        if (photometric == PHOTOMETRIC_MINISBLACK)
            for (size_t i = 0; i < page.stride; ++i) page.Row(y)[i] = uint8_t(~page.Row(y)[i]);
        if (w % 8) page.Row(y)[page.stride - 1] &= uint8_t(0xFF << (8 - w % 8));
    }
    TIFFClose(t);
    return page;
}

std::vector<uint8_t> OwnStrip(const BilevelPage& page, const Coding& c) {
    std::vector<uint8_t> out;
    EXPECT_EQ(CTIFFFax::EncodeStrip(page.bits.data(), Params(c, page), out), CTIFFFax::kOk) << c.name;
    return out;
}

BilevelPage OwnDecode(const std::vector<uint8_t>& strip, const FaxStripParams& params, int* result = nullptr) {
    BilevelPage page = faxtest::BlankPage(params.width, params.height);
    DWORD rows = 0;
    int r = CTIFFFax::DecodeStrip(strip.data(), strip.size(), params, page.bits.data(), page.bits.size(), &rows);
    if (result)
        *result = r;
    else
        EXPECT_EQ(r, CTIFFFax::kOk);
    return page;
}

// The first row where two pages differ, or -1.
int FirstDifferentRow(const BilevelPage& a, const BilevelPage& b) {
    if (a.width != b.width || a.height != b.height) return 0;
    for (uint32_t y = 0; y < a.height; ++y)
        if (memcmp(a.Row(y), b.Row(y), a.stride) != 0) return int(y);
    return -1;
}

// Pages with every kind of row: a typed A4 page, small odd widths, noise, every run length.
std::vector<std::pair<std::string, BilevelPage>> TestPages() {
    std::vector<std::pair<std::string, BilevelPage>> pages;
    pages.emplace_back("A4 page", faxtest::A4Page(7));
    pages.emplace_back("text 1001 wide", faxtest::TextPage(1001, 420, 3));
    pages.emplace_back("sparse noise", faxtest::NoisePage(777, 97, 5, 4));
    pages.emplace_back("dense noise", faxtest::NoisePage(203, 64, 6, 50));
    pages.emplace_back("run lengths 3000 wide", faxtest::RunLengthPage(3000, 2800));
    pages.emplace_back("run lengths 1728 wide", faxtest::RunLengthPage(1728, 1728));
    pages.emplace_back("run lengths 6000 wide", faxtest::RunLengthPage(6000, 5300));
    pages.emplace_back("blank 1728", faxtest::BlankPage(1728, 30));
    BilevelPage black = faxtest::BlankPage(99, 12);
    black.Fill(0, 0, 99, 12);
    pages.emplace_back("all black", black);
    pages.emplace_back("one pixel wide", faxtest::NoisePage(1, 40, 8, 50));
    pages.emplace_back("nine pixels wide", faxtest::NoisePage(9, 40, 9, 30));
    return pages;
}

TEST(FaxReference, StripsEqualLibtiffsAndDecodeBack) {
    const auto pages = TestPages();
    for (const Coding& c : kCodings) {
        for (const auto& [name, page] : pages) {
            SCOPED_TRACE(std::string(c.name) + ", " + name);
            const std::string path = Temp("libtiff.tif");
            LibtiffWrite(path, page, c);
            StripFile file = ReadStrips(path);
            ASSERT_EQ(file.strips.size(), 1u);
            std::vector<uint8_t> own = OwnStrip(page, c);
            ASSERT_EQ(own.size(), file.strips[0].size());
            EXPECT_TRUE(own == file.strips[0]);
            EXPECT_EQ(FirstDifferentRow(OwnDecode(file.strips[0], Params(c, page)), page), -1);
        }
    }
}

// The same pixels through Debian's tiffcp from an uncompressed file, as a user would convert them.
TEST(FaxReference, StripsEqualTiffcps) {
    const BilevelPage page = faxtest::TextPage(1728, 600, 11);
    const Coding none = {"none", COMPRESSION_NONE, 0, 300};
    const std::string plain = Temp("plain.tif");
    LibtiffWrite(plain, page, none);
    struct Case {
        const char* option;
        Coding coding;
    };
    const Case cases[] = {
        {"g4", {"group 4", COMPRESSION_CCITTFAX4, 0, 300}},
        {"g3:1d", {"group 3 1-D", COMPRESSION_CCITTFAX3, 0, 300}},
        {"g3:2d", {"group 3 2-D", COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, 300}},
        {"g3:1d:fill", {"group 3 1-D fill", COMPRESSION_CCITTFAX3, GROUP3OPT_FILLBITS, 300}},
        {"g3:2d:fill", {"group 3 2-D fill", COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING | GROUP3OPT_FILLBITS, 300}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.option);
        for (const char* fill : {"msb2lsb", "lsb2msb"}) {
            const std::string out = Temp(std::string("tiffcp_") + fill + ".tif");
            ASSERT_TRUE(Shell("tiffcp -s -r 100000 -f " + std::string(fill) + " -c " + k.option + " " + plain +
                              " " + out));
            StripFile file = ReadStrips(out);
            ASSERT_EQ(file.strips.size(), 1u);
            EXPECT_EQ(file.t4Options & ~uint32_t(GROUP3OPT_UNCOMPRESSED), k.coding.t4Options);
            if (file.fillOrder == FILLORDER_MSB2LSB) EXPECT_TRUE(OwnStrip(page, k.coding) == file.strips[0]);
            EXPECT_EQ(FirstDifferentRow(OwnDecode(file.strips[0], Params(k.coding, page, file.fillOrder)), page), -1);
        }
    }
}

// Fax TIFFs from ImageMagick, whose pixels come from a PBM file: group 4 and group 3, both fill
// orders, several strips per page.
TEST(FaxReference, ImageMagickFilesDecodePixelExact) {
    const BilevelPage page = faxtest::TextPage(1240, 877, 21);
    const std::string pbm = Temp("page.pbm");
    {
        std::ofstream f(pbm, std::ios::binary);
        f << "P4\n" << page.width << " " << page.height << "\n";
        f.write(reinterpret_cast<const char*>(page.bits.data()), std::streamsize(page.bits.size()));
    }
    const char* variants[] = {
        "-compress Group4",
        "-compress Group4 -define tiff:fill-order=lsb",
        "-compress Fax",
        "-compress Fax -define tiff:fill-order=lsb",
        "-define quantum:polarity=min-is-black -compress Group4",
        "-define quantum:polarity=min-is-black -compress Fax",
    };
    std::vector<std::string> commands;
    const std::string tif = Temp("magick.tif"), one = Temp("one_strip.tif");
    for (const char* v : variants) commands.push_back("convert " + pbm + " " + v + " " + tif);
    // ImageMagick writes fax pages as one strip; tiffcp cuts them into several.
    commands.push_back("convert " + pbm + " -compress Group4 " + one + " && tiffcp -r 64 -c g4 " + one + " " + tif);
    commands.push_back("convert " + pbm + " -compress Fax " + one + " && tiffcp -r 100 -c g3:2d " + one + " " + tif);
    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        ASSERT_TRUE(Shell(command));
        StripFile file = ReadStrips(tif);
        ASSERT_EQ(file.width, page.width);
        ASSERT_GT(file.strips.size(), 0u);
        if (command.find("tiffcp") != std::string::npos) EXPECT_GT(file.strips.size(), 1u);
        BilevelPage own = faxtest::BlankPage(file.width, file.height);
        uint32_t rps = file.rowsPerStrip ? std::min(file.rowsPerStrip, file.height) : file.height;
        for (size_t s = 0; s < file.strips.size(); ++s) {
            FaxStripParams p;
            p.compression = file.compression;
            p.width = file.width;
            p.height = std::min<uint32_t>(rps, file.height - uint32_t(s) * rps);
            p.rowStride = own.stride;
            p.t4Options = file.t4Options;
            p.fillOrder = file.fillOrder;
            uint8_t* rows = own.Row(uint32_t(s) * rps);
            DWORD decoded = 0;
            EXPECT_EQ(CTIFFFax::DecodeStrip(file.strips[s].data(), file.strips[s].size(), p, rows,
                                            own.stride * p.height, &decoded),
                      CTIFFFax::kOk);
            EXPECT_EQ(decoded, p.height);
        }
        if (file.photometric == PHOTOMETRIC_MINISBLACK)
            for (uint32_t y = 0; y < own.height; ++y)
                for (size_t i = 0; i < own.stride; ++i) own.Row(y)[i] = uint8_t(~own.Row(y)[i]);
        for (uint32_t y = 0; page.width % 8 && y < own.height; ++y)
            own.Row(y)[own.stride - 1] &= uint8_t(0xFF << (8 - page.width % 8));
        EXPECT_EQ(FirstDifferentRow(own, page), -1);
        EXPECT_EQ(FirstDifferentRow(own, LibtiffPixels(tif)), -1);
    }
}

// A strip cut anywhere keeps the rows before the cut exactly as libtiff decodes them.
TEST(FaxReference, CutStripsKeepTheirCompleteRows) {
    const BilevelPage page = faxtest::TextPage(640, 200, 5);
    for (const Coding& c : kCodings) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> strip = OwnStrip(page, c);
        for (size_t cut : {size_t(0), size_t(1), strip.size() / 7, strip.size() / 2, strip.size() - 9}) {
            std::vector<uint8_t> part(strip.begin(), strip.begin() + long(cut));
            int result = 0;
            BilevelPage out = faxtest::BlankPage(page.width, page.height);
            DWORD rows = 0;
            result = CTIFFFax::DecodeStrip(part.data() ? part.data() : strip.data(), part.size(), Params(c, page),
                                           out.bits.data(), out.bits.size(), &rows);
            EXPECT_EQ(result, CTIFFFax::kBadData) << cut;
            EXPECT_LT(rows, page.height);
            for (uint32_t y = 0; y < rows; ++y) EXPECT_EQ(memcmp(out.Row(y), page.Row(y), page.stride), 0) << y;
            // The rows after the damaged one are white.
            for (uint32_t y = rows + 1; y < page.height; ++y)
                for (size_t i = 0; i < page.stride; ++i) ASSERT_EQ(out.Row(y)[i], 0) << y;
        }
    }
}

}  // namespace
