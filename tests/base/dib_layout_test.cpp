// The validating layout of packed DIBs and the 24-bit conversion, on hand-made blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/dib_convert.h"
#include "base/dib_layout.h"
#include "support/test_dib.h"

namespace {

BITMAPINFOHEADER Header(int w, int h, int bits, DWORD compression = BI_RGB, DWORD clrUsed = 0) {
    BITMAPINFOHEADER hd{};
    hd.biSize = 40;
    hd.biWidth = w;
    hd.biHeight = h;
    hd.biPlanes = 1;
    hd.biBitCount = static_cast<WORD>(bits);
    hd.biCompression = compression;
    hd.biClrUsed = clrUsed;
    return hd;
}

TEST(DibLayout, SizesOfEveryDepth) {
    struct {
        int bits;
        uint64_t stride;
        uint32_t colors;
    } cases[] = {{1, 4, 2}, {4, 4, 16}, {8, 8, 256}, {16, 12, 0}, {24, 16, 0}, {32, 20, 0}};
    for (auto c : cases) {
        BITMAPINFOHEADER h = Header(5, 3, c.bits);
        DibLayout l;
        ASSERT_TRUE(ComputeDibLayout(&h, 1 << 20, &l)) << c.bits;
        EXPECT_EQ(l.stride, c.stride) << c.bits;
        EXPECT_EQ(l.colors, c.colors) << c.bits;
        EXPECT_EQ(l.pixelOffset, 40u + 4u * c.colors) << c.bits;
        EXPECT_EQ(l.totalBytes, l.pixelOffset + 3 * c.stride) << c.bits;
    }
}

TEST(DibLayout, RefusesWhatCannotBeReadSafely) {
    DibLayout l;
    BITMAPINFOHEADER h = Header(5, 3, 24);
    EXPECT_FALSE(ComputeDibLayout(&h, 40 + 47, &l));  // one byte short
    EXPECT_TRUE(ComputeDibLayout(&h, 40 + 48, &l));
    h = Header(0, 3, 24);
    EXPECT_FALSE(ComputeDibLayout(&h, 1 << 20, &l));
    h = Header(5, 0, 24);
    EXPECT_FALSE(ComputeDibLayout(&h, 1 << 20, &l));
    h = Header(5, 3, 7);
    EXPECT_FALSE(ComputeDibLayout(&h, 1 << 20, &l));
    h = Header(5, 3, 8, BI_RGB, 257);
    EXPECT_FALSE(ComputeDibLayout(&h, 1 << 20, &l));
    h = Header(5, 3, 24, BI_BITFIELDS);
    EXPECT_FALSE(ComputeDibLayout(&h, 1 << 20, &l));
    h = Header(5, 3, 8, 1 /* RLE8 */);
    EXPECT_FALSE(ComputeDibLayout(&h, 1 << 20, &l));
    h = Header(0x7FFFFFFF, 0x7FFFFFFF, 32);  // wraps in 32 bits
    EXPECT_FALSE(ComputeDibLayout(&h, UINT64_MAX, &l));
    h = Header(5, 3, 24);
    h.biSize = 39;
    EXPECT_FALSE(ComputeDibLayout(&h, 1 << 20, &l));
    h.biSize = 5000;  // a header larger than the block
    EXPECT_FALSE(ComputeDibLayout(&h, 1000, &l));
    h = Header(5, -3, 24);
    ASSERT_TRUE(ComputeDibLayout(&h, 1 << 20, &l));
    EXPECT_TRUE(l.topDown);
    EXPECT_EQ(l.height, 3);
}

TEST(DibConvert, ThirtyTwoBitsTakeTheFirstThreeBytes) {
    HGLOBAL src = MakeTestDib(7, 3, 32, 11);
    HGLOBAL out = ConvertDIBTo24Bit(src);
    ASSERT_NE(out, nullptr);
    ASSERT_NE(out, src);
    auto* s = static_cast<BYTE*>(GlobalLock(src));
    auto* d = static_cast<BYTE*>(GlobalLock(out));
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(d);
    EXPECT_EQ(h->biBitCount, 24);
    EXPECT_EQ(h->biSizeImage, 24u * 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            for (int c = 0; c < 3; ++c) ASSERT_EQ(d[40 + y * 24 + x * 3 + c], s[40 + y * 28 + x * 4 + c]);
    GlobalUnlock(src);
    GlobalUnlock(out);
    GlobalFree(out);
    HGLOBAL same = MakeTestDib(7, 3, 24, 1);
    EXPECT_EQ(ConvertDIBTo24Bit(same), same);
    GlobalFree(same);
    GlobalFree(src);
}

TEST(DibConvert, BitfieldsFollowTheirMasks) {
    // One pixel, masks in an unusual order: red in the low byte.
    std::vector<BYTE> block(40 + 12 + 4);
    BITMAPINFOHEADER h = Header(1, 1, 32, BI_BITFIELDS);
    memcpy(block.data(), &h, 40);
    uint32_t masks[3] = {0x000000FF, 0x0000FF00, 0x00FF0000};
    memcpy(block.data() + 40, masks, 12);
    uint32_t pixel = 0x00332211;  // red 0x11, green 0x22, blue 0x33
    memcpy(block.data() + 52, &pixel, 4);
    HGLOBAL src = GlobalAlloc(GMEM_MOVEABLE, block.size());
    memcpy(GlobalLock(src), block.data(), block.size());
    GlobalUnlock(src);
    HGLOBAL out = ConvertDIBTo24Bit(src);
    ASSERT_NE(out, nullptr);
    auto* d = static_cast<BYTE*>(GlobalLock(out));
    EXPECT_EQ(d[40], 0x33);  // blue
    EXPECT_EQ(d[41], 0x22);
    EXPECT_EQ(d[42], 0x11);  // red
    GlobalUnlock(out);
    GlobalFree(out);
    GlobalFree(src);
}


HGLOBAL BlockOf(const std::vector<BYTE>& bytes) {
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(GlobalLock(g), bytes.data(), bytes.size());
    GlobalUnlock(g);
    return g;
}

std::vector<BYTE> Bytes(const BITMAPINFOHEADER& h, std::initializer_list<uint32_t> words, size_t headerSize = 40) {
    std::vector<BYTE> b(headerSize);
    memcpy(b.data(), &h, 40);
    reinterpret_cast<BITMAPINFOHEADER*>(b.data())->biSize = static_cast<DWORD>(headerSize);
    for (uint32_t w : words) {
        b.insert(b.end(), reinterpret_cast<BYTE*>(&w), reinterpret_cast<BYTE*>(&w) + 4);
    }
    return b;
}

// Converts and returns the bytes of the result (freeing it when new).
std::vector<BYTE> Converted(const std::vector<BYTE>& source, bool expectNew = true) {
    HGLOBAL src = BlockOf(source);
    HGLOBAL out = ConvertDIBTo24Bit(src);
    EXPECT_NE(out, nullptr);
    EXPECT_EQ(out != src, expectNew);
    std::vector<BYTE> bytes;
    if (out) {
        bytes.resize(GlobalSize(out));
        memcpy(bytes.data(), GlobalLock(out), bytes.size());
        GlobalUnlock(out);
        if (out != src) GlobalFree(out);
    }
    GlobalFree(src);
    return bytes;
}

TEST(DibConvert, EngineFormsStayAndEveryOtherDepthIsRepacked) {
    for (int bits : {1, 4, 8, 24}) {
        HGLOBAL same = MakeTestDib(5, 2, bits, 9);
        EXPECT_EQ(ConvertDIBTo24Bit(same), same) << bits;
        GlobalFree(same);
    }
    // 16 bits without masks are 5-5-5: 0x7FFF white, 0x7C00 red, 0x03E0 green, 0x001F blue.
    auto out = Converted(Bytes(Header(4, 1, 16), {0x7C007FFF, 0x001F03E0}));
    ASSERT_EQ(out.size(), 40u + 12);
    EXPECT_EQ(reinterpret_cast<BITMAPINFOHEADER*>(out.data())->biBitCount, 24);
    EXPECT_EQ(std::vector<BYTE>(out.begin() + 40, out.end()),
              (std::vector<BYTE>{248, 248, 248, 0, 0, 248, 0, 248, 0, 248, 0, 0}));
    // 16-bit 5-6-5 bit fields: 0xFFFF is (248, 252, 248).
    out = Converted(Bytes(Header(1, 1, 16, BI_BITFIELDS), {0xF800, 0x07E0, 0x001F, 0xFFFF}));
    ASSERT_EQ(out.size(), 44u);
    EXPECT_EQ(out[40], 248);
    EXPECT_EQ(out[41], 252);
    EXPECT_EQ(out[42], 248);
    // A 24-bit top-down image is turned bottom-up; a stale biSizeImage is recomputed.
    BITMAPINFOHEADER top = Header(1, -2, 24);
    top.biSizeImage = 999;
    out = Converted(Bytes(top, {0x00030201, 0x00060504}));
    ASSERT_EQ(out.size(), 48u);
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(out.data());
    EXPECT_EQ(h->biHeight, 2);
    EXPECT_EQ(h->biSizeImage, 8u);
    EXPECT_EQ(out[40], 4);
    EXPECT_EQ(out[44], 1);
    // A 24-bit image carrying a colour table loses the table.
    out = Converted(Bytes(Header(1, 1, 24, BI_RGB, 2), {0x11111111, 0x22222222, 0x00332211}));
    ASSERT_EQ(out.size(), 44u);
    EXPECT_EQ(out[40], 0x11);
    EXPECT_EQ(out[42], 0x33);
    // An 8-bit image with a 108-byte header and a two-entry table keeps depth and table.
    out = Converted(Bytes(Header(2, 1, 8, BI_RGB, 2), {0x00ABCDEF, 0x00123456, 0x00000100}, 108));
    ASSERT_EQ(out.size(), 40u + 8 + 4);
    h = reinterpret_cast<BITMAPINFOHEADER*>(out.data());
    EXPECT_EQ(h->biSize, 40u);
    EXPECT_EQ(h->biBitCount, 8);
    EXPECT_EQ(h->biClrUsed, 2u);
    EXPECT_EQ(out[40], 0xEF);
    EXPECT_EQ(out[44], 0x56);
    EXPECT_EQ(out[48], 0);
    EXPECT_EQ(out[49], 1);
}

TEST(DibConvert, RefusedBlocksGiveNull) {
    EXPECT_EQ(ConvertDIBTo24Bit(nullptr), nullptr);
    std::vector<BYTE> tiny(20);
    HGLOBAL small = BlockOf(tiny);
    EXPECT_EQ(ConvertDIBTo24Bit(small), nullptr);
    GlobalFree(small);
    HGLOBAL shortRows = BlockOf(Bytes(Header(4, 4, 32), {1, 2, 3}));
    EXPECT_EQ(ConvertDIBTo24Bit(shortRows), nullptr);
    GlobalFree(shortRows);
}

}  // namespace
