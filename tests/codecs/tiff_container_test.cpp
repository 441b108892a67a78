// The TIFF reader and writer against libtiff, its tools and ImageMagick (native build only):
// written files pass tiffinfo -D and tiffdump and hold the pixels libtiff reads back; written
// strips equal tiffcp's for the same pixels; files that libtiff and ImageMagick write read back
// pixel-exact; appends keep the earlier pages; hostile files end in an error code.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <tiffio.h>

#include "codecs/tiff/fax_codec.h"
#include "codecs/tiff/tiff.h"
#include "tiff_test_support.h"

using namespace tifftest;

namespace {

struct Dib {
    HGLOBAL h;
    explicit Dib(HGLOBAL handle) : h(handle) {}
    ~Dib() {
        if (h) GlobalFree(h);
    }
    Dib(const Dib&) = delete;
    Dib& operator=(const Dib&) = delete;
};

bool FaxBuilt() {
    const BYTE row[1] = {0};
    FaxStripParams p;
    p.width = 8;
    p.height = 1;
    p.rowStride = 1;
    std::vector<BYTE> out;
    return CTIFFFax::EncodeStrip(row, p, out) == CTIFFFax::kOk;
}

const RGBQUAD kBlackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
const RGBQUAD kWhiteBlack[2] = {{255, 255, 255, 0}, {0, 0, 0, 0}};

std::vector<RGBQUAD> Colourful(int bits) {
    std::vector<RGBQUAD> p(size_t(1) << bits);
    for (size_t i = 0; i < p.size(); ++i) p[i] = {BYTE(i * 37), BYTE(255 - i * 11), BYTE(i * 5 + 3), 0};
    return p;
}

struct Case {
    const char* name;
    int bits;
    std::vector<RGBQUAD> palette;  // empty: grey ramp
};

std::vector<Case> Depths() {
    return {{"bw", 1, {kBlackWhite[0], kBlackWhite[1]}},
            {"wb", 1, {kWhiteBlack[0], kWhiteBlack[1]}},
            {"pal4", 4, Colourful(4)},
            {"grey4", 4, {}},
            {"grey8", 8, {}},
            {"pal8", 8, Colourful(8)},
            {"rgb", 24, {}}};
}

HGLOBAL MakeCase(const Case& c, int width, int height, bool topDown = false) {
    return MakeDib(width, height, c.bits, c.palette.empty() ? nullptr : c.palette.data(), topDown);
}

std::vector<uint8_t> RawStrip(const std::string& path, int page = 0) {
    TIFF* t = TIFFOpen(path.c_str(), "r");
    EXPECT_NE(t, nullptr);
    if (!t) return {};
    TIFFSetDirectory(t, tdir_t(page));
    const uint64_t* counts = nullptr;
    TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts);
    std::vector<uint8_t> strip(static_cast<size_t>(counts[0]));
    TIFFReadRawStrip(t, 0, strip.data(), tmsize_t(strip.size()));
    TIFFClose(t);
    return strip;
}

uint32_t Tag(const std::string& path, ttag_t tag, int page = 0) {
    TIFF* t = TIFFOpen(path.c_str(), "rc");  // the strips as stored, not chopped for reading
    if (!t) return 0xDEAD;
    TIFFSetDirectory(t, tdir_t(page));
    uint32_t v32 = 0;
    uint16_t v16 = 0;
    uint32_t result = 0xDEAD;
    if (tag == TIFFTAG_IMAGEWIDTH || tag == TIFFTAG_ROWSPERSTRIP) {
        if (TIFFGetField(t, tag, &v32)) result = v32;
    } else if (tag == TIFFTAG_XRESOLUTION) {
        float f = 0;
        if (TIFFGetField(t, tag, &f)) result = uint32_t(f);
    } else if (TIFFGetField(t, tag, &v16)) {
        result = v16;
    }
    TIFFClose(t);
    return result;
}

int DirectoryCount(const std::string& path) {
    TIFF* t = TIFFOpen(path.c_str(), "r");
    if (!t) return -1;
    int n = TIFFNumberOfDirectories(t);
    TIFFClose(t);
    return n;
}

// tiffinfo -D decodes every strip and tiffdump walks every IFD; neither may complain.
void ExpectValid(const std::string& path) {
    std::string out;
    EXPECT_EQ(Shell("tiffinfo -D '" + path + "' > /dev/null", &out), 0) << out;
    EXPECT_EQ(out.find("rror"), std::string::npos) << out;
    EXPECT_EQ(out.find("arning"), std::string::npos) << out;
    EXPECT_EQ(Shell("tiffdump '" + path + "' > /dev/null", &out), 0) << out;
}

Picture ReadOwn(const std::string& path, DWORD page = 0, LONG* rc = nullptr) {
    CTiff tiff;
    const LONG r = tiff.ReadFromFile(path.c_str(), page);
    if (rc) *rc = r;
    if (r != 0) return {};
    Dib dib(tiff.GetPage(0, nullptr));
    return PictureOfDib(dib.h);
}

std::string CompressionName(WORD c) {
    switch (c) {
        case 1: return "none";
        case 2: return "g3:1d";  // not used for tiffcp: see the fax case
        case 3: return "g3:1d";
        case 4: return "g4";
        case 5: return "lzw";
        default: return "packbits";
    }
}

}  // namespace

TEST(TiffWriter, EveryDepthAndCompressionGivesValidFilesWithTheStripsTiffcpWrites) {
    const bool fax = FaxBuilt();
    for (const Case& c : Depths()) {
        std::vector<WORD> compressions = {1, 5, 32773};
        if (c.bits != 1 || fax) compressions.push_back(0);  // automatic: group 4 for 1 bit
        if (c.bits == 1 && fax) compressions.insert(compressions.end(), {2, 3, 4});
        for (WORD compression : compressions) {
            for (bool topDown : {false, true}) {
                SCOPED_TRACE(testing::Message() << c.name << " compression " << compression << " topDown " << topDown);
                Dib dib(MakeCase(c, 203, 61, topDown));
                const std::string path = TempPath(std::string(c.name) + "_" + std::to_string(compression) + ".tif");
                CTiff tiff;
                ASSERT_EQ(tiff.WriteToFile(path.c_str(), dib.h, TRUE, compression), 0);
                ExpectValid(path);
                EXPECT_EQ(LibtiffPicture(path), PictureOfDib(dib.h));
                const WORD effective = compression ? compression : (c.bits == 1 ? 4 : 5);
                EXPECT_EQ(Tag(path, TIFFTAG_COMPRESSION), effective);
                EXPECT_EQ(Tag(path, TIFFTAG_ROWSPERSTRIP), 61u);
                EXPECT_EQ(ReadOwn(path), PictureOfDib(dib.h));
                if (effective == 1 || effective == 2) continue;
                // tiffcp re-encodes our uncompressed page in one strip with the same compression.
                const std::string plain = path + ".none.tif", ref = path + ".ref.tif";
                ASSERT_EQ(tiff.WriteToFile(plain.c_str(), dib.h, TRUE, 1), 0);
                std::string out;
                ASSERT_EQ(Shell("tiffcp -c " + CompressionName(effective) + " -r 61 '" + plain + "' '" + ref + "'", &out), 0)
                    << out;
                EXPECT_EQ(RawStrip(path), RawStrip(ref));
            }
        }
    }
}

TEST(TiffWriter, PhotometricColourMapAndResolutionFollowTheDib) {
    struct Expect {
        const char* name;
        uint32_t photometric;
        bool map;
    };
    const Expect expect[] = {{"bw", 0, false},   {"wb", 0, false},  {"pal4", 3, true}, {"grey4", 1, false},
                             {"grey8", 1, false}, {"pal8", 3, true}, {"rgb", 2, false}};
    std::vector<Case> cases = Depths();
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        Dib dib(MakeCase(cases[i], 40, 9));
        const std::string path = TempPath("photo.tif");
        CTiff tiff;
        ASSERT_EQ(tiff.WriteToFile(path.c_str(), dib.h, TRUE, 1), 0);
        EXPECT_EQ(Tag(path, TIFFTAG_PHOTOMETRIC), expect[i].photometric);
        EXPECT_EQ(Tag(path, TIFFTAG_XRESOLUTION), 300u);  // 11811 pixels per metre
        EXPECT_EQ(Tag(path, TIFFTAG_RESOLUTIONUNIT), 2u);
        uint16_t *r, *g, *b;
        TIFF* t = TIFFOpen(path.c_str(), "r");
        EXPECT_EQ(TIFFGetField(t, TIFFTAG_COLORMAP, &r, &g, &b) == 1, expect[i].map);
        TIFFClose(t);
    }
    // A (black, white) 1-bit page is stored complemented, a (white, black) one as it is.
    Dib bw(MakeDib(16, 1, 1, kBlackWhite)), wb(MakeDib(16, 1, 1, kWhiteBlack));
    const std::string a = TempPath("bw.tif"), b = TempPath("wb.tif");
    CTiff tiff;
    ASSERT_EQ(tiff.WriteToFile(a.c_str(), bw.h, TRUE, 1), 0);
    ASSERT_EQ(tiff.WriteToFile(b.c_str(), wb.h, TRUE, 1), 0);
    const auto* pixels = static_cast<const BYTE*>(GlobalLock(bw.h)) + 48;
    EXPECT_EQ(RawStrip(a), (std::vector<uint8_t>{BYTE(~pixels[0]), BYTE(~pixels[1])}));
    EXPECT_EQ(RawStrip(b), (std::vector<uint8_t>{pixels[0], pixels[1]}));
    GlobalUnlock(bw.h);
    // Black-is-zero mode for one page: photometric 1, same picture.
    tiff.SetEncodeOptions(false, true, false);
    ASSERT_EQ(tiff.WriteToFile(a.c_str(), bw.h, TRUE, 5), 0);
    EXPECT_EQ(Tag(a, TIFFTAG_PHOTOMETRIC), 1u);
    EXPECT_EQ(LibtiffPicture(a), PictureOfDib(bw.h));
    ASSERT_EQ(tiff.WriteToFile(a.c_str(), bw.h, TRUE, 5), 0);
    EXPECT_EQ(Tag(a, TIFFTAG_PHOTOMETRIC), 0u);
    // No resolution gives 96 dpi; the small-resolution rule lifts 10 dpi and less to 96 as well.
    Dib none(MakeDib(8, 8, 8, nullptr, false, 1, 0)), tiny(MakeDib(8, 8, 8, nullptr, false, 1, 394));
    ASSERT_EQ(tiff.WriteToFile(a.c_str(), none.h, TRUE, 1), 0);
    EXPECT_EQ(Tag(a, TIFFTAG_XRESOLUTION), 96u);
    ASSERT_EQ(tiff.WriteToFile(a.c_str(), tiny.h, TRUE, 1), 0);
    EXPECT_EQ(Tag(a, TIFFTAG_XRESOLUTION), 10u);
    tiff.SetEncodeOptions(false, false, true);
    ASSERT_EQ(tiff.WriteToFile(a.c_str(), tiny.h, TRUE, 1), 0);
    EXPECT_EQ(Tag(a, TIFFTAG_XRESOLUTION), 96u);
}

TEST(TiffWriter, RefusesWhatItCannotStoreAndLeavesNoFile) {
    CTiff tiff;
    const std::string path = TempPath("refused.tif");
    Dib grey(MakeDib(10, 10, 8)), rgb(MakeDib(10, 10, 24));
    EXPECT_EQ(tiff.WriteToFile(path.c_str(), grey.h, TRUE, 2), CTiff::kUnsupported);
    EXPECT_EQ(tiff.WriteToFile(path.c_str(), grey.h, TRUE, 3), CTiff::kUnsupported);
    EXPECT_EQ(tiff.WriteToFile(path.c_str(), rgb.h, TRUE, 4), CTiff::kUnsupported);
    EXPECT_EQ(tiff.WriteToFile(path.c_str(), rgb.h, TRUE, 7), CTiff::kUnsupported);
    EXPECT_FALSE(std::filesystem::exists(path));
    Dib deep(MakeDib(10, 10, 32)), sixteen(MakeDib(10, 10, 16));
    EXPECT_EQ(tiff.WriteToFile(path.c_str(), deep.h, TRUE, 0), CTiff::kUnsupported);
    EXPECT_EQ(tiff.WriteToFile(path.c_str(), sixteen.h, TRUE, 0), CTiff::kUnsupported);
    EXPECT_EQ(tiff.WriteToFile(path.c_str(), nullptr, TRUE, 0), CTiff::kBadDib);
    EXPECT_EQ(tiff.WriteToFile(nullptr, grey.h, TRUE, 0), CTiff::kNullArgument);
    // A header promising more pixels than the block holds.
    HGLOBAL cut = GlobalAlloc(GMEM_FIXED, 60);
    memcpy(cut, GlobalLock(grey.h), 60);
    GlobalUnlock(grey.h);
    EXPECT_EQ(tiff.WriteToFile(path.c_str(), cut, TRUE, 0), CTiff::kBadDib);
    GlobalFree(cut);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(tiff.WriteToFile("/nonexistent-folder/x.tif", grey.h, TRUE, 0), CTiff::kCreateFailed);
}

TEST(TiffWriter, AppendsKeepEarlierPagesAndFailedAppendsLeaveTheFile) {
    const std::string path = TempPath("multi.tif");
    std::remove(path.c_str());
    std::vector<Case> cases = Depths();
    std::vector<Picture> pictures;
    std::vector<uint8_t> before;
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        Dib dib(MakeCase(cases[i], 31 + int(i) * 7, 13 + int(i)));
        pictures.push_back(PictureOfDib(dib.h));
        CTiff tiff;
        ASSERT_EQ(tiff.WriteToFile(path.c_str(), dib.h, FALSE, i % 2 ? 32773 : 5), 0);
        const std::vector<uint8_t> after = ReadFileBytes(path);
        ASSERT_GE(after.size(), before.size());
        // Every earlier byte stays but the one next-IFD field that now points at the new page.
        size_t differing = 0;
        for (size_t k = 0; k < before.size(); ++k) differing += before[k] != after[k];
        EXPECT_LE(differing, 4u);
        before = after;
    }
    ExpectValid(path);
    ASSERT_EQ(DirectoryCount(path), int(cases.size()));
    for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(LibtiffPicture(path, int(i)), pictures[i]) << i;
    CTiff all;
    ASSERT_EQ(all.ReadFromFile(path.c_str(), CTiff::kAllPages), 0);
    ASSERT_EQ(all.GetPageCount(), cases.size());
    for (DWORD i = 0; i < all.GetPageCount(); ++i) {
        Dib page(all.GetPage(i, nullptr));
        EXPECT_EQ(PictureOfDib(page.h), pictures[i]) << i;
    }
    EXPECT_EQ(ReadOwn(path, 3), pictures[3]);
    LONG rc = 0;
    ReadOwn(path, DWORD(cases.size()), &rc);
    EXPECT_EQ(rc, CTiff::kBadIfd);

    // Appending to a big-endian copy, to a non-TIFF and to a looping chain fails and changes nothing.
    Dib dib(MakeDib(20, 20, 8));
    const std::string big = TempPath("big.tif");
    ASSERT_EQ(Shell("tiffcp -B '" + path + "' '" + big + "'"), 0);
    const std::string text = TempPath("text.tif");
    WriteFileBytes(text, {'h', 'e', 'l', 'l', 'o', ' ', 't', 'i', 'f', 'f'});
    const std::string loop = TempPath("loop.tif");
    {
        CTiff tiff;
        ASSERT_EQ(tiff.WriteToFile(loop.c_str(), dib.h, TRUE, 1), 0);
        std::vector<uint8_t> bytes = ReadFileBytes(loop);
        const size_t nextField = 8 + 2 + 14 * 12;
        bytes[nextField] = 8;  // the only IFD names itself as the next
        WriteFileBytes(loop, bytes);
    }
    for (const std::string& target : {big, text, loop}) {
        const std::vector<uint8_t> kept = ReadFileBytes(target);
        CTiff tiff;
        EXPECT_EQ(tiff.WriteToFile(target.c_str(), dib.h, FALSE, 5), CTiff::kBadIfd) << target;
        EXPECT_EQ(ReadFileBytes(target), kept) << target;
    }
    // A page that cannot be encoded leaves an existing file alone too.
    Dib deep(MakeDib(10, 10, 32));
    const std::vector<uint8_t> kept = ReadFileBytes(path);
    CTiff tiff;
    EXPECT_EQ(tiff.WriteToFile(path.c_str(), deep.h, FALSE, 5), CTiff::kUnsupported);
    EXPECT_EQ(tiff.WriteToFile(path.c_str(), deep.h, TRUE, 5), CTiff::kUnsupported);
    EXPECT_EQ(ReadFileBytes(path), kept);
    // An empty file takes the page as its first.
    const std::string empty = TempPath("empty.tif");
    WriteFileBytes(empty, {});
    EXPECT_EQ(tiff.WriteToFile(empty.c_str(), dib.h, FALSE, 5), 0);
    EXPECT_EQ(DirectoryCount(empty), 1);
}

TEST(TiffWriter, MemoryResultsGrowPageByPageAndAreOwnedPerObject) {
    CTiff first, second;
    SIZE_T size = 0;
    Dib a(MakeDib(50, 20, 24)), b(MakeDib(33, 70, 1, kWhiteBlack)), c(MakeDib(64, 64, 8));
    EXPECT_EQ(first.AppendPageToMemory(a.h, &size, 5), CTiff::kNoMemoryResult);
    ASSERT_EQ(first.WriteToMemory(a.h, &size, 5), 0);
    ASSERT_EQ(second.WriteToMemory(c.h, &size, 32773), 0);  // a second operation at the same time
    ASSERT_EQ(first.AppendPageToMemory(b.h, &size, 5), 0);
    ASSERT_EQ(first.AppendPageToMemory(c.h, &size, 32773), 0);
    SIZE_T failed = 1;
    EXPECT_EQ(first.AppendPageToMemory(nullptr, &failed, 5), CTiff::kBadDib);
    HGLOBAL block = first.GetMemoryResult();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), size);
    const std::string path = TempPath("memory.tif");
    WriteFileBytes(path, BlockBytes(block));
    ExpectValid(path);
    ASSERT_EQ(DirectoryCount(path), 3);
    EXPECT_EQ(LibtiffPicture(path, 0), PictureOfDib(a.h));
    EXPECT_EQ(LibtiffPicture(path, 1), PictureOfDib(b.h));
    EXPECT_EQ(LibtiffPicture(path, 2), PictureOfDib(c.h));
    CTiff reader;
    ASSERT_EQ(reader.ReadFromHandle(block, CTiff::kAllPages), 0);
    EXPECT_EQ(reader.GetPageCount(), 3u);
    GlobalFree(block);
    HGLOBAL other = second.GetMemoryResult();
    WriteFileBytes(path, BlockBytes(other));
    EXPECT_EQ(LibtiffPicture(path, 0), PictureOfDib(c.h));
    GlobalFree(other);
    // A single grey page in memory: LZW, BlackIsZero, and a strip libtiff decodes to the pixels.
    CTiff rec;
    ASSERT_EQ(rec.WriteToMemory(c.h, &size, 5), 0);
    HGLOBAL single = rec.GetMemoryResult();
    WriteFileBytes(path, BlockBytes(single));
    ExpectValid(path);
    EXPECT_EQ(Tag(path, TIFFTAG_COMPRESSION), 5u);
    EXPECT_EQ(Tag(path, TIFFTAG_PHOTOMETRIC), 1u);
    EXPECT_FALSE(RawStrip(path).empty());
    EXPECT_EQ(LibtiffPicture(path, 0), PictureOfDib(c.h));
    GlobalFree(single);
}

TEST(TiffReader, FilesOfImageMagickAndLibtiffReadPixelExact) {
    const bool fax = FaxBuilt();
    struct Made {
        const char* name;
        std::string command;  // %s: the output file
        bool faxOnly;
    };
    const std::string rose = "rose: -resize 173x97! ";
    const std::vector<Made> made = {
        {"rgb_none", "convert " + rose + "-compress none %s", false},
        {"rgb_lzw", "convert " + rose + "-compress lzw %s", false},
        {"rgb_packbits", "convert " + rose + "-compress rle %s", false},
        {"rgb_predictor", "convert " + rose + "-compress lzw -define tiff:predictor=2 %s", false},
        {"rgb_strips", "convert " + rose + "-compress lzw -define tiff:rows-per-strip=7 %s", false},
        {"rgb16", "convert " + rose + "-depth 16 -compress lzw %s", false},
        {"rgb16_predictor", "convert " + rose + "-depth 16 -compress lzw -define tiff:predictor=2 %s", false},
        {"rgb_msb", "convert " + rose + "-compress lzw -define tiff:endian=msb %s", false},
        {"rgba", "convert " + rose + "-alpha set -compress lzw %s", false},
        {"grey8", "convert " + rose + "-colorspace gray -depth 8 -compress lzw %s", false},
        {"grey8_predictor", "convert " + rose + "-colorspace gray -compress lzw -define tiff:predictor=2 %s", false},
        {"grey16", "convert " + rose + "-colorspace gray -depth 16 -compress rle %s", false},
        {"grey4", "convert " + rose + "-colorspace gray -depth 4 -compress none %s", false},
        {"palette8", "convert " + rose + "-colors 200 -type palette -compress lzw %s", false},
        {"palette4", "convert " + rose + "-colors 12 -type palette -depth 4 -compress rle %s", false},
        {"palette1", "convert " + rose + "-colors 2 -type palette -depth 1 -compress none %s", false},
        {"mono_none", "convert " + rose + "-monochrome -compress none %s", false},
        {"mono_lzw", "convert " + rose + "-monochrome -compress lzw %s", false},
        {"mono_white", "convert " + rose + "-monochrome -compress none -define quantum:polarity=min-is-white %s", false},
        {"mono_g4", "convert " + rose + "-monochrome -compress group4 %s", true},
        {"mono_g3", "convert " + rose + "-monochrome -compress fax %s", true},
        {"mono_g4_msb_fill2", "convert " + rose + "-monochrome -compress group4 -define tiff:endian=msb -define tiff:fill-order=lsb %s", true},
    };
    for (const Made& m : made) {
        if (m.faxOnly && !fax) continue;
        SCOPED_TRACE(m.name);
        const std::string path = TempPath(std::string(m.name) + ".tif");
        std::string command = m.command;
        command.replace(command.find("%s"), 2, "'" + path + "'");
        std::string out;
        ASSERT_EQ(Shell(command, &out), 0) << out;
        const Picture expected = LibtiffPicture(path);
        ASSERT_FALSE(expected.pixels.empty());
        LONG rc = 0;
        EXPECT_EQ(ReadOwn(path, 0, &rc), expected);
        EXPECT_EQ(rc, 0);
        // The same pages big-endian, as tiffcp -B writes them.
        const std::string big = path + ".msb.tif";
        ASSERT_EQ(Shell("tiffcp -B '" + path + "' '" + big + "'", &out), 0) << out;
        EXPECT_EQ(ReadOwn(big, 0, &rc), expected);
        EXPECT_EQ(rc, 0);
    }
    // A 1-bit palette page becomes a 1-bit DIB.
    CTiff tiff;
    ASSERT_EQ(tiff.ReadFromFile(TempPath("palette1.tif").c_str(), 0), 0);
    Dib page(tiff.GetPage(0, nullptr));
    EXPECT_EQ(static_cast<const BITMAPINFOHEADER*>(GlobalLock(page.h))->biBitCount, 1);
    GlobalUnlock(page.h);
}

namespace {

// A little-endian file made by hand: one IFD of the given entries at 8, then data.
struct HandFile {
    std::vector<uint8_t> bytes;
    std::vector<std::array<uint32_t, 4>> entries;  // tag, type, count, value
    std::vector<uint8_t> data;                     // placed after the IFD
    uint32_t DataOffset() const { return uint32_t(8 + 2 + entries.size() * 12 + 4); }
    void Set(uint32_t tag, uint32_t value) {
        for (auto& e : entries)
            if (e[0] == tag) e[3] = value;
    }
    void Remove(uint32_t tag) {
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i][0] == tag) entries.erase(entries.begin() + long(i));
        Set(273, DataOffset());
    }
    void Add(uint32_t tag, uint32_t type, uint32_t count, uint32_t value) {
        entries.push_back({tag, type, count, value});
        Set(273, DataOffset());
    }
    std::vector<uint8_t> Build(uint32_t next = 0) const {
        std::vector<uint8_t> b = {'I', 'I', 42, 0, 8, 0, 0, 0};
        auto put16 = [&](uint32_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); };
        auto put32 = [&](uint32_t v) { put16(v & 0xFFFF); put16(v >> 16); };
        put16(uint32_t(entries.size()));
        for (const auto& e : entries) {
            put16(e[0]);
            put16(e[1]);
            put32(e[2]);
            if (e[1] == 3 && e[2] == 1) { put16(e[3]); put16(0); } else { put32(e[3]); }
        }
        put32(next);
        b.insert(b.end(), data.begin(), data.end());
        return b;
    }
};

// An 8x2 grey page stored uncompressed after the IFD, of the given extra entries.
HandFile GreyPage(bool compressionTag = true, uint32_t samples = 1, uint32_t photometric = 1, uint32_t bits = 8) {
    HandFile f;
    f.entries = {{256, 4, 1, 8}, {257, 4, 1, 2}, {258, 3, 1, bits}};
    if (compressionTag) f.entries.push_back({259, 3, 1, 1});
    f.entries.push_back({262, 3, 1, photometric});
    f.entries.push_back({273, 4, 1, 0});
    f.entries.push_back({277, 3, 1, samples});
    f.entries.push_back({278, 4, 1, 2});
    f.entries.push_back({279, 4, 1, 16});
    f.Set(273, f.DataOffset());
    for (int i = 0; i < 16; ++i) f.data.push_back(uint8_t(i * 16));
    return f;
}

LONG ReadBytes(const std::vector<uint8_t>& bytes, DWORD page, CTiff& tiff) {
    tiff.SetPageByteLimit(64 << 20);
    return tiff.ReadFromMemory(bytes.size(), bytes.data(), page);
}

}  // namespace

TEST(TiffReader, HostileAndUnusualPagesEndInTheirCodes) {
    CTiff tiff;
    // Without a Compression tag a page is uncompressed.
    ASSERT_EQ(ReadBytes(GreyPage(false).Build(), 0, tiff), 0);
    {
        Dib page(tiff.GetPage(0, nullptr));
        const Picture pic = PictureOfDib(page.h);
        EXPECT_EQ(pic.at(1, 0), (Rgb{16, 16, 16}));
        EXPECT_EQ(pic.at(7, 1), (Rgb{240, 240, 240}));
    }
    // RGB with one sample, two bits per sample, CMYK: refused.
    EXPECT_EQ(ReadBytes(GreyPage(true, 1, 2).Build(), 0, tiff), CTiff::kUnsupported);
    EXPECT_EQ(ReadBytes(GreyPage(true, 1, 1, 2).Build(), 0, tiff), CTiff::kUnsupported);
    EXPECT_EQ(ReadBytes(GreyPage(true, 1, 5).Build(), 0, tiff), CTiff::kUnsupported);
    // Missing RowsPerStrip, zero width: -7; tiled: -8.
    HandFile f = GreyPage();
    f.Remove(278);
    EXPECT_EQ(ReadBytes(f.Build(), 0, tiff), CTiff::kNoMemory);
    f = GreyPage();
    f.Set(256, 0);
    EXPECT_EQ(ReadBytes(f.Build(), 0, tiff), CTiff::kNoMemory);
    f = GreyPage();
    f.Add(322, 3, 1, 16);
    f.Add(323, 3, 1, 16);
    EXPECT_EQ(ReadBytes(f.Build(), 0, tiff), CTiff::kBadIfd);
    // Huge declared sizes over a few bytes: refused before any pixel, never an overrun.
    f = GreyPage();
    f.Set(256, 0x7FFFFFFF);
    f.Set(257, 0x7FFFFFFF);
    f.Set(278, 0x7FFFFFFF);
    EXPECT_EQ(ReadBytes(f.Build(), 0, tiff), CTiff::kNoMemory);
    f.Set(256, 0xFFFFFFFF);
    f.Set(257, 0xFFFFFFFF);
    f.Set(258, 16);
    EXPECT_EQ(ReadBytes(f.Build(), 0, tiff), CTiff::kNoMemory);
    // A strip past the end of the file, or longer than the bytes present.
    f = GreyPage();
    f.Set(273, 0x10000000);
    EXPECT_EQ(ReadBytes(f.Build(), 0, tiff), CTiff::kStripFailed);
    f = GreyPage();
    std::vector<uint8_t> cut = f.Build();
    cut.resize(cut.size() - 5);
    EXPECT_EQ(ReadBytes(cut, 0, tiff), CTiff::kStripFailed);
    EXPECT_EQ(tiff.GetPageCount(), 0u);  // a failed single page is released
    // An uncompressed strip of the wrong length.
    f = GreyPage();
    f.Set(279, 15);
    EXPECT_EQ(ReadBytes(f.Build(), 0, tiff), CTiff::kUnsupported);
    // Entry counts of 0 and above 100; a header that is not TIFF.
    std::vector<uint8_t> zero = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(ReadBytes(zero, 0, tiff), CTiff::kBadIfd);
    std::vector<uint8_t> many = {'I', 'I', 42, 0, 8, 0, 0, 0, 101, 0};
    many.resize(many.size() + 101 * 12 + 4);
    EXPECT_EQ(ReadBytes(many, 0, tiff), CTiff::kBadIfd);
    const std::vector<uint8_t> junk = {'J', 'U', 'N', 'K', 0, 0, 0, 0};
    EXPECT_EQ(ReadBytes(junk, 0, tiff), CTiff::kUnsupported);
    EXPECT_EQ(tiff.ReadFromMemory(4, nullptr, 0), CTiff::kNullArgument);
    EXPECT_EQ(tiff.ReadFromFile(TempPath("missing.tif").c_str(), 0), CTiff::kOpenFailed);
}

TEST(TiffReader, ChainsThatLoopEndAndUnsupportedStripsLeaveBlankPages) {
    // Two pages whose IFDs name each other: two pages, then the chain ends.
    const std::string path = TempPath("loop2.tif");
    Dib a(MakeDib(12, 5, 8, nullptr, false, 1)), b(MakeDib(9, 4, 8, nullptr, false, 2));
    CTiff tiff;
    ASSERT_EQ(tiff.WriteToFile(path.c_str(), a.h, TRUE, 1), 0);
    ASSERT_EQ(tiff.WriteToFile(path.c_str(), b.h, FALSE, 1), 0);
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    uint32_t second;
    memcpy(&second, &bytes[8 + 2 + 14 * 12], 4);
    const uint32_t back = 8;
    memcpy(&bytes[second + 2 + 14 * 12], &back, 4);
    ASSERT_EQ(ReadBytes(bytes, CTiff::kAllPages, tiff), 0);
    EXPECT_EQ(tiff.GetPageCount(), 2u);
    for (DWORD i = 0; i < 2; ++i) GlobalFree(tiff.GetPage(i, nullptr));

    // Three pages, the middle one deflated: three pages, the second blank, the result -10.
    const std::string mixed = TempPath("mixed.tif");
    const std::string p1 = TempPath("m1.tif"), p2 = TempPath("m2.tif"), p3 = TempPath("m3.tif");
    ASSERT_EQ(tiff.WriteToFile(p1.c_str(), a.h, TRUE, 5), 0);
    ASSERT_EQ(tiff.WriteToFile(p2.c_str(), b.h, TRUE, 1), 0);
    ASSERT_EQ(tiff.WriteToFile(p3.c_str(), a.h, TRUE, 32773), 0);
    ASSERT_EQ(Shell("tiffcp -c zip '" + p2 + "' '" + p2 + ".zip.tif' && tiffcp '" + p1 + "' '" + p2 + ".zip.tif' '" + p3 +
                  "' '" + mixed + "'"),
              0);
    ASSERT_EQ(tiff.ReadFromFile(mixed.c_str(), CTiff::kAllPages), CTiff::kStripFailed);
    ASSERT_EQ(tiff.GetPageCount(), 3u);
    Dib m1(tiff.GetPage(0, nullptr)), m2(tiff.GetPage(1, nullptr)), m3(tiff.GetPage(2, nullptr));
    EXPECT_EQ(PictureOfDib(m1.h), PictureOfDib(a.h));
    EXPECT_EQ(PictureOfDib(m2.h), Picture({9, 4, std::vector<Rgb>(36, Rgb{0, 0, 0})}));
    EXPECT_EQ(PictureOfDib(m3.h), PictureOfDib(a.h));
    EXPECT_EQ(tiff.GetPage(0, nullptr), nullptr);  // handed out once
    EXPECT_EQ(tiff.GetPage(3, nullptr), nullptr);
}
