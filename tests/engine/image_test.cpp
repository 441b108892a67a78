// CImage on hand-made images: ownership, sizes, DPI, pixels and colour tables, foreign DIBs.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/dib_layout.h"
#include "engine/image.h"
#include "support/global_block_count.h"
#include "support/test_dib.h"

namespace {

// A packed DIB built byte by byte, copied into a global block on request.
struct PackedDib {
    std::vector<BYTE> bytes;

    PackedDib(int w, int h, int bits, DWORD compression = BI_RGB, DWORD headerSize = 40) {
        BITMAPINFOHEADER hd{};
        hd.biSize = headerSize;
        hd.biWidth = w;
        hd.biHeight = h;
        hd.biPlanes = 1;
        hd.biBitCount = static_cast<WORD>(bits);
        hd.biCompression = compression;
        hd.biSizeImage = 12345;  // stale on purpose
        bytes.resize(headerSize);
        memcpy(bytes.data(), &hd, 40);
    }
    BITMAPINFOHEADER& Header() { return *reinterpret_cast<BITMAPINFOHEADER*>(bytes.data()); }
    void Append(const void* data, size_t n) {
        auto* p = static_cast<const BYTE*>(data);
        bytes.insert(bytes.end(), p, p + n);
    }
    void AppendU32(uint32_t v) { Append(&v, 4); }
    HGLOBAL Block() const {
        HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        memcpy(GlobalLock(g), bytes.data(), bytes.size());
        GlobalUnlock(g);
        return g;
    }
};

// Reads a handle's bytes and frees it.
std::vector<BYTE> TakeBytes(HGLOBAL g) {
    std::vector<BYTE> out(GlobalSize(g));
    memcpy(out.data(), GlobalLock(g), out.size());
    GlobalUnlock(g);
    GlobalFree(g);
    return out;
}

const BITMAPINFOHEADER& HeaderOf(const std::vector<BYTE>& b) { return *reinterpret_cast<const BITMAPINFOHEADER*>(b.data()); }

TEST(ImageResultTexts, EveryCodeHasItsText) {
    EXPECT_STREQ(ImageResultText(0), "Successful.");
    EXPECT_STREQ(ImageResultText(1), "User canceled.");
    EXPECT_STREQ(ImageResultText(2), "Not enough memory to perform operation.");
    EXPECT_STREQ(ImageResultText(3), "Invalid image. Original image does't exist.");
    EXPECT_STREQ(ImageResultText(4), "Failed to operate Clipboard.");
    EXPECT_STREQ(ImageResultText(5), "Invalid value.");
    EXPECT_STREQ(ImageResultText(6), "Unknow error.");
    CImage image;
    EXPECT_STREQ(image.GetErrorText(nullptr, 0), "NULL Pointer!");
    EXPECT_FALSE(image.IsValid());
    char small[8];
    EXPECT_STREQ(image.GetErrorText(small, sizeof(small)), "Invalid");
}

TEST(ImageDpi, ConvertsPixelsPerMetreBothWays) {
    CImage image;
    ASSERT_TRUE(image.Create(3, 2, nullptr, 24));
    EXPECT_EQ(image.GetXDPI(), 96);  // 0 pixels per metre
    ASSERT_TRUE(image.SetXDPI(100));
    EXPECT_EQ(image.GetHeader().biXPelsPerMeter, 3937);
    EXPECT_EQ(image.GetXDPI(), 100);
    ASSERT_TRUE(image.SetYDPI(72));
    EXPECT_EQ(image.GetHeader().biYPelsPerMeter, 2835);
    EXPECT_EQ(image.GetYDPI(), 72);
    image.SetXDPI(0);  // below 1: 96
    EXPECT_EQ(image.GetHeader().biXPelsPerMeter, 3780);
    image.SetYDPI(2147483647);  // stays in range
    EXPECT_GT(image.GetHeader().biYPelsPerMeter, 0);
    // The block's header follows the image's own.
    auto* block = static_cast<BITMAPINFOHEADER*>(image.GetDIB());
    EXPECT_EQ(block->biXPelsPerMeter, 3780);
    CImage empty;
    EXPECT_EQ(empty.GetXDPI(), 0);
    EXPECT_EQ(empty.GetResult(), kImageInvalid);
}

TEST(ImageCreate, SizesOfEveryDepthAndItsNormalisation) {
    struct {
        int bits, made, entries;
        DWORD stride;
    } cases[] = {{1, 1, 2, 4}, {2, 4, 16, 4}, {4, 4, 16, 4}, {5, 8, 256, 8}, {8, 8, 256, 8}, {16, 24, 0, 16},
                 {24, 24, 0, 16}, {32, 24, 0, 16}};
    for (auto c : cases) {
        CImage image;
        ASSERT_TRUE(image.Create(5, 3, nullptr, c.bits)) << c.bits;
        EXPECT_EQ(image.GetBitCount(), c.made);
        EXPECT_EQ(image.GetColorCount(), DWORD(c.entries));
        EXPECT_EQ(image.GetStride(), c.stride);
        EXPECT_EQ(image.GetBlockSize(), 40 + 4 * DWORD(c.entries) + 3 * c.stride);
        EXPECT_EQ(image.GetHeader().biSizeImage, 3 * c.stride);
        EXPECT_EQ(image.GetSizeInBytes(), int64_t(3 * c.stride));
    }
    CImage image;
    ASSERT_TRUE(image.Create(3, 2, nullptr, 24));
    EXPECT_EQ(image.GetSizeInBytes(-1, -1), 24);
    EXPECT_EQ(image.GetSizeInBytes(-1, 5), -1);
    EXPECT_EQ(image.GetResult(), kImageBadValue);
    EXPECT_EQ(image.GetSizeInBytes(100000, 100000), int64_t(300000) * 100000);
    EXPECT_FLOAT_EQ(image.GetAspectRatio(), 1.5f);
}

TEST(ImageCreate, RefusesZeroNegativeAndHugeSizesWithoutLeaking) {
    long before = LiveGlobalBlocks();
    CImage image;
    EXPECT_FALSE(image.Create(0, 5, nullptr, 24));
    EXPECT_EQ(image.GetResult(), kImageInvalid);
    EXPECT_FALSE(image.Create(-5, 5, nullptr, 24));
    EXPECT_EQ(image.GetResult(), kImageBadValue);
    // 65536 x 65536 x 3 wraps to 0 in 32 bits.
    EXPECT_FALSE(image.Create(65536, 65536, nullptr, 24));
    EXPECT_EQ(image.GetResult(), kImageNoMemory);
    EXPECT_FALSE(image.Create(0x7FFFFFFF, 0x7FFFFFFF, nullptr, 1));
    EXPECT_EQ(image.GetResult(), kImageNoMemory);
    // Creating into an image that holds a block frees the old one.
    ASSERT_TRUE(image.Create(4, 4, nullptr, 8));
    ASSERT_TRUE(image.Create(8, 8, nullptr, 24));
    if (CanCountGlobalBlocks()) {
        EXPECT_EQ(LiveGlobalBlocks(), before + 1);
    }
    image.Release();
    if (CanCountGlobalBlocks()) {
        EXPECT_EQ(LiveGlobalBlocks(), before);
    }
}

TEST(ImageCreate, TakesHeaderAndTableFromTheTemplateEvenItself) {
    CImage source;
    ASSERT_TRUE(source.Create(4, 4, nullptr, 4));
    source.SetGrayPalette();
    source.SetXDPI(200);
    CImage target;
    ASSERT_TRUE(target.Create(9, 2, &source));
    EXPECT_EQ(target.GetBitCount(), 4);
    EXPECT_EQ(target.GetXDPI(), 200);
    EXPECT_TRUE(target.GetPaletteEntry(15) == 0xFFFFFF && target.GetPaletteEntry(1) == 0x111111);
    // A deeper target takes only the entries the template has.
    CImage deeper;
    ASSERT_TRUE(deeper.Create(2, 2, &source, 8));
    EXPECT_EQ(deeper.GetPaletteEntry(15), 0xFFFFFFu);
    EXPECT_EQ(deeper.GetPaletteEntry(16), 0u);
    ASSERT_TRUE(source.Create(3, 3, &source));
    EXPECT_EQ(source.GetPaletteEntry(15), 0xFFFFFFu);
    EXPECT_EQ(source.GetXDPI(), 200);
}

TEST(ImageAttach, ChecksTheBlockAndHonoursTheHeaderSize) {
    // A 2 x 1 8-bit image with a 44-byte header and a 3-entry table.
    PackedDib dib(2, 1, 8, BI_RGB, 44);
    dib.Header().biClrUsed = 3;
    dib.Header().biClrImportant = 9;  // past the table
    dib.AppendU32(0x000000);
    dib.AppendU32(0x102030);
    dib.AppendU32(0xFFFFFF);
    BYTE row[4] = {1, 2, 0, 0};
    dib.Append(row, 4);
    CImage image;
    ASSERT_TRUE(image.Attach(dib.bytes.data(), dib.bytes.size()));
    EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
    EXPECT_EQ(image.GetPixelColor(0, 0), 0x102030u);
    EXPECT_EQ(image.GetPixelColor(1, 0), 0xFFFFFFu);
    EXPECT_EQ(image.GetHeader().biSizeImage, 4u);
    EXPECT_EQ(image.GetHeader().biClrImportant, 3u);
    EXPECT_EQ(image.FindNearestColor(0xFEFEFE), 2);
    // One byte short of what the header asks for: refused, nothing read past the block.
    EXPECT_FALSE(image.Attach(dib.bytes.data(), dib.bytes.size() - 1));
    EXPECT_EQ(image.GetResult(), kImageInvalid);
    EXPECT_FALSE(image.IsValid());
    EXPECT_FALSE(image.Attach(nullptr, 100));
    EXPECT_FALSE(image.AttachHandle(nullptr));
    EXPECT_EQ(image.GetResult(), kImageInvalid);
}

TEST(ImageAttach, HandlesWithAndWithoutCopy) {
    long before = LiveGlobalBlocks();
    HGLOBAL dib = MakeTestDib(5, 4, 8, 3);
    {
        CImage copy(dib);
        ASSERT_TRUE(copy.IsValid());
        copy.SetPixelIndex(0, 0, 77);
        EXPECT_NE(static_cast<BYTE*>(GlobalLock(dib))[40 + 1024], 77);
        GlobalUnlock(dib);
        CImage borrowed(dib, FALSE, TRUE);
        borrowed.SetPixelIndex(0, 0, 77);
        EXPECT_EQ(static_cast<BYTE*>(GlobalLock(dib))[40 + 1024], 77);
        GlobalUnlock(dib);
    }
    if (CanCountGlobalBlocks()) {
        EXPECT_EQ(LiveGlobalBlocks(), before + 1);
    }  // the borrowed block was not freed
    {
        CImage owner(dib, FALSE, FALSE);  // takes the moveable block over
        EXPECT_TRUE(owner.IsValid());
    }
    if (CanCountGlobalBlocks()) {
        EXPECT_EQ(LiveGlobalBlocks(), before);
    }
}

TEST(ImageOwnership, TakeOverExportAndDetach) {
    long before = LiveGlobalBlocks();
    CImage a, b;
    ASSERT_TRUE(a.Create(3, 3, nullptr, 24));
    a.SetPixelColor(1, 1, 0x123456);
    void* block = a.GetDIB();
    b.TakeOver(a);
    EXPECT_EQ(b.GetDIB(), block);
    EXPECT_EQ(a.GetDIB(), nullptr);
    HGLOBAL exported = b.ExportDIB();
    ASSERT_NE(exported, nullptr);
    CImage c(exported, FALSE);
    EXPECT_EQ(c.GetPixelColor(1, 1), 0x123456u);
    HGLOBAL detached = b.Detach();
    EXPECT_EQ(b.GetDIB(), nullptr);
    if (CanCountGlobalBlocks()) {
        EXPECT_EQ(LiveGlobalBlocks(), before + 2);
    }
    GlobalFree(detached);
    EXPECT_EQ(a.ExportDIB(), nullptr);
    EXPECT_EQ(a.GetResult(), kImageInvalid);
}

TEST(ImagePixels, IndexesOfEveryPaletteDepth) {
    for (int bits : {1, 4, 8}) {
        CImage image;
        ASSERT_TRUE(image.Create(9, 2, nullptr, bits));
        BYTE top = static_cast<BYTE>((1 << bits) - 1);
        image.SetPixelIndex(8, 1, top);
        image.SetPixelIndex(7, 1, 1);
        EXPECT_EQ(image.GetPixelIndex(8, 1), top) << bits;
        EXPECT_EQ(image.GetPixelIndex(7, 1), 1) << bits;
        EXPECT_EQ(image.GetPixelIndex(6, 1), 0) << bits;
        EXPECT_EQ(image.GetPixelIndex(8, 0), 0) << bits;
    }
    // Bit order: the leftmost pixel is the highest bit, the high nibble.
    CImage one;
    one.Create(8, 1, nullptr, 1);
    one.SetPixelIndex(0, 0, 1);
    EXPECT_EQ(one.GetBits()[0], 0x80);
    CImage four;
    four.Create(2, 1, nullptr, 4);
    four.SetPixelIndex(0, 0, 0xA);
    four.SetPixelIndex(1, 0, 0x5);
    EXPECT_EQ(four.GetBits()[0], 0xA5);
    // Outside: the getter answers the first byte, the setter does nothing.
    EXPECT_EQ(four.GetPixelIndex(5, 5), 0xA5);
    four.SetPixelIndex(-1, 0, 3);
    EXPECT_EQ(four.GetBits()[0], 0xA5);
}

TEST(ImagePixels, ColoursOf24BitsAndThroughTheTable) {
    CImage rgb;
    ASSERT_TRUE(rgb.Create(2, 2, nullptr, 24));
    rgb.SetPixelColor(1, 0, 0x00AABBCC);
    EXPECT_EQ(rgb.GetBits()[3], 0xCC);  // blue first
    EXPECT_EQ(rgb.GetBits()[5], 0xAA);
    EXPECT_EQ(rgb.GetPixelColor(1, 0), 0xAABBCCu);
    rgb.SetPixelColor(0, 0, 0x010203);
    EXPECT_EQ(rgb.GetPixelColor(7, 7), 0x010203u);  // outside: the colour at (0, 0)

    CImage gray;
    ASSERT_TRUE(gray.Create(2, 1, nullptr, 8));
    gray.SetGrayPalette();
    EXPECT_TRUE(gray.IsGrayPalette());
    gray.SetPixelColor(1, 0, 0x7F7F7F);
    EXPECT_EQ(gray.GetPixelIndex(1, 0), 0x7F);
    for (DWORD g = 0; g < 256; g += 17) EXPECT_EQ(gray.FindNearestColor(g * 0x010101), g);
    gray.SetPaletteEntry(3, 0xFF0000);
    EXPECT_FALSE(gray.IsGrayPalette());
    EXPECT_EQ(gray.FindNearestColor(0xFE0101), 3);  // the cache forgot the old table
    gray.SetPaletteEntry(256, 0x123456);             // past the table: ignored
    EXPECT_EQ(gray.GetPaletteEntry(256), 0u);
}

TEST(ImagePalette, GrayRampsFindOrAddAndTies) {
    CImage two, sixteen;
    two.Create(1, 1, nullptr, 1);
    two.SetGrayPalette();
    EXPECT_EQ(two.GetPaletteEntry(1), 0xFFFFFFu);
    sixteen.Create(1, 1, nullptr, 4);
    sixteen.SetGrayPalette();
    EXPECT_EQ(sixteen.GetPaletteEntry(15), 0xFFFFFFu);
    EXPECT_EQ(sixteen.GetPaletteEntry(1), 0x111111u);
    // A one-entry table (from a foreign block) becomes black instead of dividing by zero.
    PackedDib dib(1, 1, 8);
    dib.Header().biClrUsed = 1;
    dib.AppendU32(0x445566);
    dib.AppendU32(0);
    CImage single;
    ASSERT_TRUE(single.Attach(dib.bytes.data(), dib.bytes.size()));
    single.SetGrayPalette();
    EXPECT_EQ(single.GetPaletteEntry(0), 0u);
    // A pixel index past the one entry reads black, not past the table.
    single.SetPixelIndex(0, 0, 200);
    EXPECT_EQ(single.GetPixelColor(0, 0), 0u);

    CImage pal;
    pal.Create(1, 1, nullptr, 4);
    EXPECT_EQ(pal.FindOrAddColor(0x000000, 0), 0);     // added as entry 0 (it was black anyway)
    EXPECT_EQ(pal.FindOrAddColor(0xFF0000, 1), 1);     // added
    EXPECT_EQ(pal.FindOrAddColor(0xFF0000, 2), 1);     // found
    EXPECT_EQ(pal.GetPaletteEntry(1), 0xFF0000u);
    EXPECT_EQ(pal.FindOrAddColor(0xEE0000, 16), 1);    // table full: nearest
    // Ties keep the lower index: entries 2.. are black like entry 0.
    EXPECT_EQ(pal.FindNearestColor(0x000001), 0);
}

TEST(ImagePixels, LookupTablesAndWrapping) {
    BYTE invert[256];
    for (int i = 0; i < 256; ++i) invert[i] = static_cast<BYTE>(255 - i);
    CImage rgb;
    rgb.Create(2, 1, nullptr, 24);
    rgb.SetPixelColor(0, 0, 0x102030);
    rgb.ApplyLookupTable(invert);
    EXPECT_EQ(rgb.GetPixelColor(0, 0), 0xEFDFCFu);
    CImage gray;
    gray.Create(2, 1, nullptr, 8);
    gray.SetGrayPalette();
    gray.SetPixelIndex(0, 0, 10);
    gray.ApplyLookupTable(invert);
    EXPECT_EQ(gray.GetPixelIndex(0, 0), 10);  // the table changes, not the indexes
    EXPECT_EQ(gray.GetPaletteEntry(10), 0xF5F5F5u);

    CImage image;
    image.Create(10, 4, nullptr, 8);
    auto wrap = [&](LONG x, LONG y, int mode) {
        image.WrapCoordinates(x, y, mode);
        return std::make_pair(int(x), int(y));
    };
    EXPECT_EQ(wrap(-1, 9, kWrapRepeat), std::make_pair(9, 1));
    EXPECT_EQ(wrap(-1, 9, kWrapClamp), std::make_pair(0, 3));
    EXPECT_EQ(wrap(-3, 5, kWrapMirror), std::make_pair(3, 2));
    EXPECT_EQ(wrap(12, -2147483647 - 1, kWrapMirror), std::make_pair(7, 0));
}

TEST(ImageProgress, CancelStopsLoops) {
    struct Counting : CImage {
        int calls = 0;
        void OnProgress(LONG) override { ++calls; }
    } image;
    EXPECT_TRUE(image.ReportRowProgress(5, 10));
    EXPECT_EQ(image.GetProgress(), 50);
    EXPECT_EQ(image.calls, 1);
    image.Cancel();
    EXPECT_FALSE(image.ReportRowProgress(6, 10));
    EXPECT_EQ(image.GetResult(), kImageCancelled);
    image.EndLongLoop();
    EXPECT_FALSE(image.IsCancelled());
    EXPECT_EQ(image.GetProgress(), 0);
}

TEST(ImageImport, PackedDibsOfEveryDepthBecomeEngineImages) {
    CImage image;
    // 16-bit 5-6-5 bit fields: 0xFFFF gives (248, 252, 248).
    PackedDib b565(2, 1, 16, BI_BITFIELDS);
    b565.Header().biXPelsPerMeter = 1000;
    b565.Header().biYPelsPerMeter = 2000;
    b565.AppendU32(0xF800);
    b565.AppendU32(0x07E0);
    b565.AppendU32(0x001F);
    uint16_t px[2] = {0xFFFF, 0x07E0};
    b565.Append(px, 4);
    HGLOBAL src = b565.Block();
    auto out = TakeBytes(image.CreateFromPackedDIB(src));
    GlobalFree(src);
    ASSERT_EQ(out.size(), 40u + 8);
    EXPECT_EQ(HeaderOf(out).biBitCount, 24);
    EXPECT_EQ(HeaderOf(out).biSizeImage, 8u);
    EXPECT_EQ(HeaderOf(out).biXPelsPerMeter, 1000);
    EXPECT_EQ(HeaderOf(out).biYPelsPerMeter, 2000);
    EXPECT_EQ(out[40], 248);  // blue
    EXPECT_EQ(out[41], 252);
    EXPECT_EQ(out[42], 248);  // red
    EXPECT_EQ(out[43], 0);
    EXPECT_EQ(out[44], 252);  // pure green
    EXPECT_EQ(out[45], 0);

    // 32-bit BI_RGB rows are wider than the new 24-bit ones: converted, not copied over.
    PackedDib rgb32(3, 1, 32);
    uint32_t quads[3] = {0xFF010203, 0xFF040506, 0xFF070809};
    rgb32.Append(quads, 12);
    src = rgb32.Block();
    out = TakeBytes(image.CreateFromPackedDIB(src));
    GlobalFree(src);
    ASSERT_EQ(out.size(), 40u + 12);
    EXPECT_EQ(std::vector<BYTE>(out.begin() + 40, out.begin() + 49),
              (std::vector<BYTE>{3, 2, 1, 6, 5, 4, 9, 8, 7}));

    // A top-down 4-bit image with a V5-sized header and a short table.
    PackedDib top(2, -2, 4, BI_RGB, 124);
    top.Header().biClrUsed = 2;
    top.AppendU32(0x111111);
    top.AppendU32(0x222222);
    top.AppendU32(0x00000010);  // top row: pixels 1, 0
    top.AppendU32(0x00000001);  // bottom row: 0, 1
    src = top.Block();
    out = TakeBytes(image.CreateFromPackedDIB(src));
    GlobalFree(src);
    ASSERT_EQ(out.size(), 40u + 64 + 8);
    EXPECT_EQ(HeaderOf(out).biHeight, 2);
    EXPECT_EQ(HeaderOf(out).biSize, 40u);
    EXPECT_EQ(HeaderOf(out).biClrUsed, 16u);
    EXPECT_EQ(out[44], 0x22);
    EXPECT_EQ(out[48], 0);  // past the source's table
    EXPECT_EQ(out[104], 0x01);  // bottom row first
    EXPECT_EQ(out[108], 0x10);
    EXPECT_EQ(image.GetResult(), kImageOk);
}

TEST(ImageImport, RefusesWhatItCannotRead) {
    CImage image;
    EXPECT_EQ(image.CreateFromPackedDIB(nullptr), nullptr);
    EXPECT_EQ(image.GetResult(), kImageInvalid);
    PackedDib dib(4, 4, 24);
    dib.bytes.resize(40 + 40);  // rows for 4 x 4 need 48 bytes
    HGLOBAL src = dib.Block();
    image.SetResult(kImageOk);
    EXPECT_EQ(image.CreateFromPackedDIB(src), nullptr);
    EXPECT_EQ(image.GetResult(), kImageInvalid);
    GlobalFree(src);
    PackedDib rle(4, 4, 8, BI_RLE8);
    rle.bytes.resize(2000);
    src = rle.Block();
    image.SetResult(kImageBadValue);
    EXPECT_EQ(image.CreateFromPackedDIB(src), nullptr);
    EXPECT_EQ(image.GetResult(), kImageBadValue);  // unchanged
    GlobalFree(src);
}

TEST(ImageImport, BitfieldRowsFollowEachMask) {
    CImage image;
    ASSERT_TRUE(image.Create(2, 1, nullptr, 24));
    // 5-5-5 as the fixed shifts gave it, and a 4-4-4 layout with red in the low bits.
    uint16_t rows555[2] = {0x7FFF, 0x001F};
    ASSERT_TRUE(image.ConvertBitfieldsTo24(reinterpret_cast<BYTE*>(rows555), 0x7C00, 0x03E0, 0x001F, 16));
    EXPECT_EQ(image.GetPixelColor(0, 0), 0xF8F8F8u);
    EXPECT_EQ(image.GetPixelColor(1, 0), 0x0000F8u);
    uint16_t rows444[2] = {0x000F, 0x0F00};
    ASSERT_TRUE(image.ConvertBitfieldsTo24(reinterpret_cast<BYTE*>(rows444), 0x000F, 0x00F0, 0x0F00, 16));
    EXPECT_EQ(image.GetPixelColor(0, 0), 0xF00000u);
    EXPECT_EQ(image.GetPixelColor(1, 0), 0x0000F0u);
    uint32_t rows32[2] = {0x00ABCDEF, 0x00123456};
    ASSERT_TRUE(image.ConvertBitfieldsTo24(reinterpret_cast<BYTE*>(rows32), 0, 0, 0, 32));
    EXPECT_EQ(image.GetPixelColor(0, 0), 0xABCDEFu);
    EXPECT_FALSE(image.ConvertBitfieldsTo24(reinterpret_cast<BYTE*>(rows32), 0, 0, 0, 8));
}

}  // namespace
