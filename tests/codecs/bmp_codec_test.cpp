// The own BMP codec on hand-made files: exact bytes written, round trips at every depth, and
// refused or hostile headers.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "codecs/bmp_codec.h"
#include "base/dib_layout.h"
#include "support/test_dib.h"

namespace {

std::vector<BYTE> BlockBytes(HGLOBAL block) {
    auto* p = static_cast<const BYTE*>(GlobalLock(block));
    std::vector<BYTE> bytes(p, p + GlobalSize(block));
    GlobalUnlock(block);
    return bytes;
}

uint32_t LE32(const std::vector<BYTE>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

// A BMP file of the given header, with the colour table and pixels a DIB of it needs.
std::vector<BYTE> MakeBmp(BITMAPINFOHEADER h, uint64_t pixelBytes, uint32_t tableEntries) {
    std::vector<BYTE> file(14 + sizeof h + 4 * tableEntries + pixelBytes, 0x5A);
    file[0] = 'B';
    file[1] = 'M';
    std::memcpy(file.data() + 14, &h, sizeof h);
    return file;
}

BITMAPINFOHEADER Header(int w, int h, int bits, DWORD clrUsed = 0) {
    BITMAPINFOHEADER hd{};
    hd.biSize = 40;
    hd.biWidth = w;
    hd.biHeight = h;
    hd.biPlanes = 1;
    hd.biBitCount = WORD(bits);
    hd.biClrUsed = clrUsed;
    return hd;
}

TEST(BmpWriter, HeaderBytesAreExact) {
    HGLOBAL dib = MakeTestDib(5, 3, 24, 7);
    HGLOBAL bmp = nullptr;
    uint64_t size = 0;
    ASSERT_EQ(BmpWriteToMemory(dib, &bmp, &size), 0);
    std::vector<BYTE> b = BlockBytes(bmp);
    const uint64_t dibSize = GlobalSize(dib);
    ASSERT_EQ(size, dibSize + 14);
    const BYTE expected[14] = {'B', 'M', BYTE(size), BYTE(size >> 8), 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(b.data(), expected, 14));
    EXPECT_EQ(b[2] | (b[3] << 8), int(size));
    std::vector<BYTE> original = BlockBytes(dib);
    EXPECT_EQ(0, std::memcmp(b.data() + 14, original.data(), original.size()));
    GlobalFree(bmp);

    // The transfer layer's file: the same bytes, but the file size counts the headers and the
    // three rows of 16 bytes (5 pixels of 3 bytes, padded), not the 4 bytes the block holds behind them.
    ASSERT_EQ(BmpWriteToMemory(dib, &bmp, &size, true), 0);
    std::vector<BYTE> carried = BlockBytes(bmp);
    ASSERT_EQ(size, dibSize + 14);
    const uint32_t rows = 14 + 40 + 3 * 16;
    ASSERT_EQ(dibSize, 40u + 3 * 16 + 4);
    const BYTE carriedHeader[14] = {'B', 'M', BYTE(rows), 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(carried.data(), carriedHeader, 14));
    EXPECT_EQ(0, std::memcmp(carried.data() + 14, b.data() + 14, b.size() - 14));
    GlobalFree(bmp);
    GlobalFree(dib);
}

TEST(BmpWriter, OffsetFollowsTheColourTable) {
    HGLOBAL dib8 = MakeTestDib(4, 2, 8);
    BYTE header[14];
    auto* p = static_cast<BYTE*>(GlobalLock(dib8));
    ASSERT_EQ(BmpBuildFileHeader(p, GlobalSize(dib8), header), 0);
    EXPECT_EQ(LE32(std::vector<BYTE>(header, header + 14), 10), 1078u);
    // A block of exactly header + pixels was stored without a table.
    auto* info = reinterpret_cast<BITMAPINFOHEADER*>(p);
    ASSERT_EQ(BmpBuildFileHeader(p, info->biSizeImage + 40, header), 0);
    EXPECT_EQ(LE32(std::vector<BYTE>(header, header + 14), 10), 54u);
    info->biClrUsed = 16;
    ASSERT_EQ(BmpBuildFileHeader(p, GlobalSize(dib8), header), 0);
    EXPECT_EQ(LE32(std::vector<BYTE>(header, header + 14), 10), 54u + 64u);
    EXPECT_EQ(BmpBuildFileHeader(p, 39, header), -1090);
    GlobalUnlock(dib8);
    GlobalFree(dib8);
}

TEST(BmpReader, RoundTripsEveryDepth) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        for (int width : {1, 3, 17}) {
            HGLOBAL dib = MakeTestDib(width, 5, bits, uint32_t(bits * 100 + width));
            HGLOBAL bmp = nullptr;
            uint64_t size = 0;
            ASSERT_EQ(BmpWriteToMemory(dib, &bmp, &size), 0);
            HGLOBAL back = nullptr;
            ASSERT_EQ(BmpReadFromMemory(static_cast<const BYTE*>(bmp), size, &back), 0) << bits;
            EXPECT_EQ(BlockBytes(back), BlockBytes(dib)) << bits << " bits, width " << width;
            GlobalFree(back);
            GlobalFree(bmp);
            GlobalFree(dib);
        }
    }
}

TEST(BmpReader, PixelsFollowTheTableWhateverTheOffsetSays) {
    std::vector<BYTE> f = MakeBmp(Header(1, 1, 24), 4, 0);
    f[10] = 100;  // bfOffBits with a gap the writer never leaves
    f[54] = 0x11;
    HGLOBAL out = nullptr;
    ASSERT_EQ(BmpReadFromMemory(f.data(), f.size(), &out), 0);
    EXPECT_EQ(static_cast<BYTE*>(out)[40], 0x11);
    GlobalFree(out);
}

TEST(BmpReader, RefusesWhatItCannotRead) {
    HGLOBAL out = nullptr;
    std::vector<BYTE> good = MakeBmp(Header(2, 2, 24), 16, 0);
    ASSERT_EQ(BmpReadFromMemory(good.data(), good.size(), &out), 0);
    GlobalFree(out);

    EXPECT_EQ(BmpReadFromMemory(nullptr, 100, &out), -1034);
    EXPECT_EQ(BmpReadFromMemory(good.data(), 53, &out), -1090);
    std::vector<BYTE> bad = good;
    bad[1] = 'A';
    EXPECT_EQ(BmpReadFromMemory(bad.data(), bad.size(), &out), -1090);

    BITMAPINFOHEADER core = Header(2, 2, 24);
    core.biSize = 12;
    std::vector<BYTE> old = MakeBmp(core, 16, 0);
    EXPECT_EQ(BmpReadFromMemory(old.data(), old.size(), &out), -1090);

    for (DWORD compression : {DWORD(BI_RLE8), DWORD(BI_RLE4), DWORD(BI_BITFIELDS), DWORD(4), DWORD(5)}) {
        BITMAPINFOHEADER c = Header(2, 2, 8);
        c.biCompression = compression;
        std::vector<BYTE> f = MakeBmp(c, 16, 256);
        EXPECT_EQ(BmpReadFromMemory(f.data(), f.size(), &out), -1090) << compression;
    }
    EXPECT_EQ(out, nullptr);
}

TEST(BmpReader, HostileHeadersAreRefused) {
    HGLOBAL out = nullptr;
    // Sizes whose 32-bit product wraps to a small number.
    BITMAPINFOHEADER wrap = Header(0x10000, 0x10000, 32);
    std::vector<BYTE> f = MakeBmp(wrap, 64, 0);
    EXPECT_EQ(BmpReadFromMemory(f.data(), f.size(), &out), -1090);
    // A depth no DIB has, a colour count beyond the depth, a header larger than the data.
    BITMAPINFOHEADER depth = Header(2, 2, 7);
    f = MakeBmp(depth, 64, 0);
    EXPECT_EQ(BmpReadFromMemory(f.data(), f.size(), &out), -1090);
    BITMAPINFOHEADER colors = Header(2, 2, 8, 0x40000000);
    f = MakeBmp(colors, 64, 256);
    EXPECT_EQ(BmpReadFromMemory(f.data(), f.size(), &out), -1090);
    BITMAPINFOHEADER big = Header(2, 2, 24);
    big.biSize = 0xFFFFFFF0u;
    f = MakeBmp(big, 64, 0);
    EXPECT_EQ(BmpReadFromMemory(f.data(), f.size(), &out), -1090);
    // A memory BMP whose pixels are cut short.
    f = MakeBmp(Header(8, 8, 24), 8 * 24 - 1, 0);
    EXPECT_EQ(BmpReadFromMemory(f.data(), f.size(), &out), -1090);
    EXPECT_EQ(out, nullptr);
}

TEST(BmpReader, FileHeadersSizeTheDib) {
    uint64_t size = 0;
    // 8 bits without biClrUsed: 256 entries; with 16: 16.
    std::vector<BYTE> f = MakeBmp(Header(4, 2, 8), 8, 256);
    ASSERT_EQ(BmpDibSizeFromHeaders(f.data(), f.size() - 14, &size), 0);
    EXPECT_EQ(size, 40u + 1024u + 8u);
    f = MakeBmp(Header(4, 2, 8, 16), 8, 16);
    ASSERT_EQ(BmpDibSizeFromHeaders(f.data(), f.size() - 14, &size), 0);
    EXPECT_EQ(size, 40u + 64u + 8u);
    // A truncated file still sizes its whole DIB (the rest reads as zero), but only when the
    // header and table are there.
    ASSERT_EQ(BmpDibSizeFromHeaders(f.data(), 40 + 64, &size), 0);
    EXPECT_EQ(size, 40u + 64u + 8u);
    EXPECT_EQ(BmpDibSizeFromHeaders(f.data(), 40 + 63, &size), -1090);
    // A few bytes that declare a gigabyte image are refused; a large file cut short is not.
    std::vector<BYTE> huge = MakeBmp(Header(20000, 16000, 24), 0, 0);
    EXPECT_EQ(BmpDibSizeFromHeaders(huge.data(), 40, &size), -1090);
    ASSERT_EQ(BmpDibSizeFromHeaders(huge.data(), 600000000, &size), 0);
    EXPECT_EQ(size, 40u + 960000000u);
}

}  // namespace
