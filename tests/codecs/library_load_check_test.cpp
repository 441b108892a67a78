// The check a load through the platform library runs first: the crafted files of
// tests/codecs/data/hostile refused with the code their own codec gives (the folder's expected.txt,
// and the own decoders on the same bytes), files the own encoders write passing, forms the own
// codecs cannot read left to the library unless they declare more than the load's budget, and the
// budget held over every page of a file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/dib_layout.h"
#include "base/error_codes.h"
#include "codecs/bmp_codec.h"
#include "codecs/codec_result_map.h"
#include "codecs/jpeg/mini_jpeg.h"
#include "codecs/jpeg/mini_jpeg_decoder.h"
#include "codecs/library_load_check.h"
#include "codecs/png/png_codec.h"
#include "codecs/tiff/tiff.h"
#include "hostile_cases.h"
#include "support/test_dib.h"

#ifndef LUMETTA_HOSTILE_DATA
#error LUMETTA_HOSTILE_DATA names the folder of crafted files
#endif

namespace {

std::vector<BYTE> Take(HGLOBAL block, SIZE_T size) {
    const BYTE* p = static_cast<const BYTE*>(GlobalLock(block));
    std::vector<BYTE> bytes(p, p + size);
    GlobalUnlock(block);
    GlobalFree(block);
    return bytes;
}

// The code the own decoder gives for the bytes held in memory, and the images it makes.
LONG OwnDecoderCode(const std::string& extension, const std::vector<BYTE>& bytes, size_t* images) {
    HGLOBAL dib = nullptr;
    LONG code = 0;
    *images = 0;
    if (extension == "tif") {
        CTiff tiff;
        code = TiffResultToErrorCode(tiff.ReadFromMemory(bytes.size(), bytes.data(), CTiff::kAllPages));
        for (DWORD i = 0; i < tiff.GetPageCount(); ++i)
            if (HGLOBAL page = tiff.GetPage(i, nullptr)) {
                GlobalFree(page);
                ++*images;
            }
        return code;
    }
    if (extension == "png") {
        CPNG png;
        code = PngResultToErrorCode(png.ReadFromMemory(bytes.size(), bytes.data(), nullptr));
        dib = png.GetDIB();
    } else if (extension == "bmp") {
        code = BmpReadFromMemory(bytes.data(), bytes.size(), &dib);
    } else {
        CMiniJpegDecoder jpeg;
        code = JpegResultToErrorCode(jpeg.Decode(bytes.data(), bytes.size()));
        if (code == 0) dib = jpeg.GetDIB();
    }
    if (dib) {
        GlobalFree(dib);
        *images = 1;
    }
    return code;
}

TEST(LibraryLoadCheck, CraftedFilesAreRefusedWithTheirOwnCodecsCode) {
    const std::string folder = LUMETTA_HOSTILE_DATA;
    int refused = 0, loaded = 0;
    for (const HostileCase& c : HostileCases(folder)) {
        if (c.Extension() == "pdf") continue;  // PDF never goes to the library
        const std::vector<BYTE> bytes = HostileFileBytes(folder + "/" + c.name);
        ASSERT_FALSE(bytes.empty()) << c.name;
        const LONG asFile = LibraryLoadCheck(bytes.data(), bytes.size(), true);
        const LONG asBytes = LibraryLoadCheck(bytes.data(), bytes.size(), false);
        size_t images = 0;
        const LONG own = OwnDecoderCode(c.Extension(), bytes, &images);
        if (c.refuse) {
            EXPECT_EQ(asFile, c.value) << c.name;
            EXPECT_EQ(asBytes, c.fromBytes) << c.name;
            EXPECT_EQ(own, asBytes) << c.name << ": the own decoder on the same bytes";
            ++refused;
        } else {
            EXPECT_EQ(asFile, 0) << c.name;
            EXPECT_EQ(asBytes, 0) << c.name;
            EXPECT_EQ(own, 0) << c.name;
            EXPECT_EQ(long(images), c.value) << c.name;
            ++loaded;
        }
    }
    EXPECT_GE(refused, 15);
    EXPECT_GE(loaded, 4);
}

// Every depth the own writers take, written by them, passes as a file and as bytes.
TEST(LibraryLoadCheck, FilesTheOwnEncodersWritePass) {
    std::vector<std::pair<std::string, std::vector<BYTE>>> files;
    for (int bits : {1, 4, 8, 24}) {
        HGLOBAL dib = MakeTestDib(37, 23, bits, uint32_t(bits));
        const std::string depth = std::to_string(bits) + " bits";
        HGLOBAL out = nullptr;
        uint64_t size64 = 0;
        ASSERT_EQ(BmpWriteToMemory(dib, &out, &size64), 0);
        files.push_back({"BMP " + depth, Take(out, SIZE_T(size64))});
        CPNG png;
        SIZE_T size = 0;
        ASSERT_EQ(png.WriteToMemory(dib, &size), CPNG::kOk);
        files.push_back({"PNG " + depth, Take(png.GetMemoryResult(), size)});
        for (WORD compression : {CTiff::kNone, CTiff::kLzw, CTiff::kPackBits, CTiff::kAuto}) {
            CTiff tiff;
            ASSERT_EQ(tiff.WriteToMemory(dib, &size, compression), CTiff::kOk);
            ASSERT_EQ(tiff.AppendPageToMemory(dib, &size, compression), CTiff::kOk);
            files.push_back({"TIFF " + depth + " compression " + std::to_string(compression),
                             Take(tiff.GetMemoryResult(), size)});
        }
        if (bits == 24) {
            CMiniJpeg jpeg;
            ASSERT_EQ(jpeg.EncodeToMemory(dib), CMiniJpeg::kOk);
            HGLOBAL stream = jpeg.GetOutput(&size);
            files.push_back({"JPEG", Take(stream, size)});
        }
        GlobalFree(dib);
    }
    for (const auto& [what, bytes] : files) {
        EXPECT_EQ(LibraryLoadCheck(bytes.data(), bytes.size(), true), 0) << what;
        EXPECT_EQ(LibraryLoadCheck(bytes.data(), bytes.size(), false), 0) << what;
    }
}

std::vector<BYTE> Bmp(uint32_t headerSize, int32_t width, int32_t height, WORD bits, DWORD compression,
                      size_t rest) {
    std::vector<BYTE> file(14 + headerSize + rest, 0);
    file[0] = 'B';
    file[1] = 'M';
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) file[at + size_t(i)] = BYTE(v >> (8 * i));
    };
    put(14, headerSize, 4);
    if (headerSize == 12) {
        put(18, uint32_t(width), 2);
        put(20, uint32_t(height), 2);
        put(22, 1, 2);
        put(24, bits, 2);
    } else {
        put(18, uint32_t(width), 4);
        put(22, uint32_t(height), 4);
        put(26, 1, 2);
        put(28, bits, 2);
        put(30, compression, 4);
    }
    return file;
}

// Forms the own BMP reader refuses reach the library; only a size past the load's budget (here
// 256 MiB, the budget of a small file) is refused, with the BMP code.
TEST(LibraryLoadCheck, BmpFormsTheOwnReaderLacksAreHeldOnlyToTheBudget) {
    struct Case {
        const char* what;
        std::vector<BYTE> file;
        LONG code;
    };
    const std::vector<Case> cases = {
        {"RLE8 100 x 100", Bmp(40, 100, 100, 8, 1, 1026), 0},
        {"RLE8 16384 x 16383", Bmp(40, 16384, 16383, 8, 1, 1026), 0},
        {"RLE8 16384 x 16385", Bmp(40, 16384, 16385, 8, 1, 1026), kErrBmpFormat},
        {"RLE4 60000 x 60000 top-down", Bmp(40, 60000, -60000, 4, 2, 66), kErrBmpFormat},
        {"masks at 32 bits, 8192 x 8193", Bmp(40, 8192, 8193, 32, 3, 12), kErrBmpFormat},
        {"masks at 16 bits, 64 x 64", Bmp(40, 64, 64, 16, 3, 12 + 64 * 128), 0},
        {"core header 65535 x 65535 at 24 bits", Bmp(12, 65535, 65535, 24, 0, 0), kErrBmpFormat},
        {"core header 3 x 2 at 24 bits", Bmp(12, 3, 2, 24, 0, 24), 0},
        {"a width of INT_MIN", Bmp(40, INT32_MIN, 1, 8, 1, 2), 0},
        {"64-bit products at 2^31 rows", Bmp(40, INT32_MAX, INT32_MIN, 32, 3, 12), kErrBmpFormat},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LibraryLoadCheck(c.file.data(), c.file.size(), true), c.code) << c.what;
        EXPECT_EQ(LibraryLoadCheck(c.file.data(), c.file.size(), false), c.code) << c.what;
    }
    // The own reader's rules differ between the file (missing rows read as zero) and bytes.
    std::vector<BYTE> shortRows = Bmp(40, 64, 64, 8, 0, 1024 + 64 * 63);
    EXPECT_EQ(LibraryLoadCheck(shortRows.data(), shortRows.size(), true), 0);
    EXPECT_EQ(LibraryLoadCheck(shortRows.data(), shortRows.size(), false), kErrBmpFormat);
}

// Group 4 pages of 2^15 pixels a row, 8 rows of 4 KiB for each byte (a blank row takes a bit):
// the own reader takes each, and the load's budget (256 MiB for a file this small) holds their sum.
std::vector<BYTE> WideFaxPages(int pages, uint32_t rows) {
    std::vector<BYTE> file = {'I', 'I', 42, 0, 8, 0, 0, 0};
    const uint32_t stripBytes = rows / 8;
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) file[at + size_t(i)] = BYTE(v >> (8 * i));
    };
    for (int p = 0; p < pages; ++p) {
        const size_t ifd = file.size();
        const uint32_t entries[][3] = {{256, 4, 1u << 15}, {257, 4, rows}, {258, 3, 1}, {259, 3, 4}, {262, 3, 0},
                                       {273, 4, 0},       {277, 3, 1},     {278, 4, rows}, {279, 4, stripBytes}};
        file.resize(ifd + 2 + 12 * 9 + 4);
        put(ifd, 9, 2);
        for (size_t e = 0; e < 9; ++e) {
            put(ifd + 2 + 12 * e, entries[e][0], 2);
            put(ifd + 4 + 12 * e, entries[e][1], 2);
            put(ifd + 6 + 12 * e, 1, 4);
            put(ifd + 10 + 12 * e, entries[e][2], entries[e][1] == 3 ? 2 : 4);
        }
        put(ifd + 2 + 12 * 5 + 8, uint32_t(file.size()), 4);  // the strip follows the IFD
        file.resize(file.size() + stripBytes, 0xFF);
        if (p + 1 < pages) put(ifd + 2 + 12 * 9, uint32_t(file.size()), 4);
    }
    return file;
}

TEST(LibraryLoadCheck, TheLoadBudgetHoldsEveryPageOfAFile) {
    // 24576 rows of 4 KiB: 96 MiB a page, from 3 KiB of strip.
    const std::vector<BYTE> one = WideFaxPages(1, 24576), two = WideFaxPages(2, 24576), three = WideFaxPages(3, 24576);
    ASSERT_EQ(LoadBudgetFor(three.size()), 256ull << 20);
    EXPECT_EQ(LibraryLoadCheck(one.data(), one.size(), true), 0);
    EXPECT_EQ(LibraryLoadCheck(two.data(), two.size(), true), 0);
    EXPECT_EQ(LibraryLoadCheck(three.data(), three.size(), true), kErrNoMemory);
    EXPECT_EQ(LibraryLoadCheck(three.data(), three.size(), false), kErrNoMemory);
    // The reader holds its pages to the same budget: the third page's block does not fit what
    // the first two left, and measuring stops there; with room for all three it takes them.
    CTiff tiff;
    uint64_t declared = 0;
    EXPECT_EQ(tiff.Measure(three.size(), three.data(), &declared), CTiff::kNoMemory);
    EXPECT_EQ(declared, 2 * (40 + 2 * 4 + (96ull << 20)));
    tiff.SetReadBudget(3 * (40 + 2 * 4 + (96ull << 20)));
    EXPECT_EQ(tiff.Measure(three.size(), three.data(), &declared), CTiff::kOk);
    EXPECT_EQ(declared, 3 * (40 + 2 * 4 + (96ull << 20)));
    // One page of twice the rows needs 256 MiB and a little more: over the floor of the budget.
    const std::vector<BYTE> tall = WideFaxPages(1, 65536);
    EXPECT_EQ(LibraryLoadCheck(tall.data(), tall.size(), true), kErrNoMemory);
}

}  // namespace
