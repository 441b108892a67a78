// The readers of what a TWAIN source hands back, on hand-made answers: extended image
// information items (values in the Item field or in blocks of the source), capability containers
// and memory strips. Item sizes are those the TWAIN protocol defines for each type.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/dib_layout.h"
#include "capture/twain/ext_image_info_reader.h"
#include "capture/twain/memory_strip_image.h"
#include "capture/twain/twain_capability_area.h"

namespace {

// A source's block holding the given bytes.
HGLOBAL Block(const void* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    memcpy(GlobalLock(block), bytes, size);
    GlobalUnlock(block);
    return block;
}

// The answer to a request for some barcodes; items not set answer "not supported".
struct Answer {
    explicit Answer(uint32_t barcodes) : count(barcodes), items(ExtendedInfoItemCount(barcodes)) {
        FillExtendedInfoRequest(items.data(), barcodes);
        for (TW_INFO& item : items) item.ReturnCode = 8;  // TWRC_INFONOTSUPPORTED
    }
    ~Answer() {
        for (HGLOBAL block : blocks) GlobalFree(block);
        FreeExtendedImageInfo(info);
    }
    TW_INFO& Item(TW_UINT16 id, uint32_t nth = 0) {
        for (TW_INFO& item : items)
            if (item.InfoID == id && nth-- == 0) return item;
        throw std::out_of_range("no such item");
    }
    void InBlock(TW_UINT16 id, TW_UINT16 type, TW_UINT16 numItems, const void* bytes, size_t size, uint32_t nth = 0) {
        TW_INFO& item = Item(id, nth);
        item.ReturnCode = TWRC_SUCCESS;
        item.ItemType = type;
        item.NumItems = numItems;
        blocks.push_back(Block(bytes, size));
        item.Item = reinterpret_cast<TW_UINTPTR>(blocks.back());
    }
    LONG Read() {
        info.magneticType = 2;
        return ReadExtendedInfoItems(items.data(), count, info);
    }
    uint32_t count;
    std::vector<TW_INFO> items;
    std::vector<HGLOBAL> blocks;
    TwainExtendedInfo info = {};
};

TEST(TwainItems, SizesOfTheProtocolTypes) {
    const struct {
        TW_UINT16 type;
        uint32_t size;
    } sizes[] = {{TWTY_INT8, 1},    {TWTY_INT16, 2},    {TWTY_INT32, 4},     {TWTY_UINT8, 1},
                 {TWTY_UINT16, 2},  {TWTY_UINT32, 4},   {TWTY_BOOL, 2},      {TWTY_FIX32, 4},
                 {TWTY_FRAME, 16},  {TWTY_STR32, 34},   {TWTY_STR64, 66},    {TWTY_STR128, 130},
                 {TWTY_STR255, 256}, {TWTY_STR1024, 1026}, {TWTY_UNI512, 1024}};
    for (const auto& s : sizes) EXPECT_EQ(TwainItemSize(s.type), s.size) << "type " << s.type;
}

TEST(ExtendedImageInfo, MagneticTextOfEveryNarrowStringTypeIsKept) {
    for (TW_UINT16 type : {TWTY_STR32, TWTY_STR64, TWTY_STR128, TWTY_STR255, TWTY_STR1024}) {
        Answer answer(0);
        std::vector<char> text(TwainItemSize(type), 0);
        strcpy(text.data(), "E13B 0123456789");
        answer.InBlock(TWEI_MAGDATA, type, 1, text.data(), text.size());
        EXPECT_EQ(answer.Read(), 0);
        ASSERT_NE(answer.info.magneticData, nullptr) << "type " << type;
        EXPECT_STREQ(static_cast<const char*>(answer.info.magneticData), "E13B 0123456789") << "type " << type;
    }
    // A wide string is not taken as text.
    Answer wide(0);
    std::vector<char16_t> text(512, 0);
    std::u16string(u"E13B").copy(text.data(), 4);
    wide.InBlock(TWEI_MAGDATA, TWTY_UNI512, 1, text.data(), text.size() * 2);
    EXPECT_EQ(wide.Read(), 0);
    EXPECT_EQ(wide.info.magneticData, nullptr);
}

TEST(ExtendedImageInfo, ValuesStayInsideTheSourcesBlocks) {
    // A handle item says nothing about its block through its count: 100 values, 3 in the block.
    Answer handle(1);
    const uint16_t xs[3] = {120, 7, 9};
    handle.InBlock(TWEI_BARCODEX, TWTY_HANDLE, 100, xs, sizeof xs);
    EXPECT_EQ(handle.Read(), 0);
    ASSERT_EQ(handle.info.barcodeCount, 1);
    EXPECT_EQ(handle.info.barcodeX[0], 120);

    // Three 2-byte values of a type beyond the protocol's, exactly filling their block.
    Answer unknown(3);
    const uint16_t ys[3] = {300, 400, 500};
    for (uint32_t b = 0; b < 3; ++b) unknown.InBlock(TWEI_BARCODEY, 0x10, 3, ys, sizeof ys, b);
    EXPECT_EQ(unknown.Read(), 0);
    EXPECT_EQ(unknown.info.barcodeY[0], 300);
    EXPECT_EQ(unknown.info.barcodeY[1], 400);
    EXPECT_EQ(unknown.info.barcodeY[2], 500);

    // 32-bit values declared beyond the block: the item is refused, the others kept.
    Answer shortBlock(1);
    const int32_t confidence = 97;
    shortBlock.InBlock(TWEI_BARCODECONFIDENCE, TWTY_INT32, 4, &confidence, 4);
    const int32_t rotation = 90;
    shortBlock.Item(TWEI_BARCODEROTATION).ReturnCode = TWRC_SUCCESS;
    shortBlock.Item(TWEI_BARCODEROTATION).ItemType = TWTY_INT32;
    shortBlock.Item(TWEI_BARCODEROTATION).NumItems = 1;
    memcpy(&shortBlock.Item(TWEI_BARCODEROTATION).Item, &rotation, 4);
    EXPECT_EQ(shortBlock.Read(), TWCC_BADVALUE);
    EXPECT_EQ(shortBlock.info.barcodeConfidences[0], 0);
    EXPECT_EQ(shortBlock.info.barcodeRotations[0], 90);
}

TEST(ExtendedImageInfo, TextsAreCutInsideTheirSlotAndRenamedItemsRefused) {
    Answer answer(2);
    std::string longText(3000, 'Q');  // no terminator in the whole block
    answer.InBlock(TWEI_BARCODETEXT, TWTY_HANDLE, 1, longText.data(), longText.size(), 0);
    answer.InBlock(TWEI_BARCODETEXT, TWTY_STR32, 1, "4006381333931\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 34, 1);
    answer.Item(TWEI_BARCODETYPE, 1).InfoID = TWEI_PAGENUMBER;  // renamed by the source
    answer.Item(TWEI_PAGENUMBER).ReturnCode = TWRC_SUCCESS;
    EXPECT_EQ(answer.Read(), TWCC_BADVALUE);
    ASSERT_EQ(answer.info.barcodeCount, 2);
    const char* slots = static_cast<const char*>(answer.info.barcodeTexts);
    EXPECT_EQ(strlen(slots), kBarcodeTextSlot - 2);
    EXPECT_STREQ(slots + kBarcodeTextSlot, "4006381333931");
}

TEST(CapabilityContainer, StringOneValuesNeedTheirWholeItem) {
    std::vector<uint8_t> block(2 + 1026, 0);
    block[0] = TWTY_STR1024;
    memcpy(block.data() + 2, "ScanDrive 7", 11);
    TwainCapabilityArea area = {};
    ASSERT_TRUE(DecodeCapabilityContainer(TWON_ONEVALUE, block.data(), block.size(), area));
    EXPECT_EQ(area.itemType, TWTY_STR1024);
    EXPECT_FALSE(DecodeCapabilityContainer(TWON_ONEVALUE, block.data(), 6, area));

    // An array that declares more items than its block holds decodes what is there.
    const uint8_t array[] = {TWTY_UINT16, 0, 200, 0, 0, 0, 75, 0, 150, 0, 44};
    TwainCapabilityArea items = {};
    ASSERT_TRUE(DecodeCapabilityContainer(TWON_ARRAY, array, sizeof array, items));
    EXPECT_EQ(items.arrayCount, 200u);
    EXPECT_EQ(items.items[0], 75);
    EXPECT_EQ(items.items[1], 150);
    EXPECT_EQ(items.items[2], 0);
}

TEST(MemoryStrips, RowsLandBottomUpAndStripsOutsideTheImageAreRefused) {
    TW_IMAGEINFO info = {};
    info.ImageWidth = 3;
    info.ImageLength = 2;
    info.BitsPerPixel = 24;
    info.PixelType = TWPT_RGB;
    MemoryStripImage image;
    ASSERT_EQ(image.Create(info, nullptr, 0, 3780, 3780), 0);
    // Two unpadded RGB rows of three pixels in one strip.
    const uint8_t rows[18] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    TW_IMAGEMEMXFER strip = {};
    strip.BytesPerRow = 9;
    strip.Columns = 3;
    strip.Rows = 2;
    strip.BytesWritten = 18;
    TW_IMAGEMEMXFER beyond = strip;
    beyond.YOffset = 1;
    EXPECT_FALSE(image.PlaceStrip(beyond, rows, sizeof rows));
    TW_IMAGEMEMXFER overstated = strip;
    overstated.BytesWritten = 19;
    EXPECT_FALSE(image.PlaceStrip(overstated, rows, sizeof rows));
    ASSERT_TRUE(image.PlaceStrip(strip, rows, sizeof rows));
    HGLOBAL dib = image.Release();
    DibLayout layout;
    ASSERT_TRUE(ComputeDibLayout(dib, &layout));
    const auto* bits = static_cast<const uint8_t*>(GlobalLock(dib)) + layout.pixelOffset;
    // The DIB's first row is the image's last, in BGR order, padded to 12 bytes.
    const uint8_t expected[24] = {12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0,
                                  3,  2,  1,  6,  5,  4,  9,  8,  7,  0, 0, 0};
    EXPECT_EQ(memcmp(bits, expected, sizeof expected), 0);
    GlobalUnlock(dib);
    GlobalFree(dib);
}


// Descriptor values whose sums and products wrap in 32 bits, each of which would let a copy read
// past the strip buffer or write past the DIB, are refused; the strip at the image's far corner
// is placed.
TEST(MemoryStrips, DescriptorsThatWrapInThirtyTwoBitsAreRefused) {
    TW_IMAGEINFO info = {};
    info.ImageWidth = 16;
    info.ImageLength = 4;
    info.BitsPerPixel = 8;
    info.PixelType = TWPT_GRAY;
    RGBQUAD grey[256] = {};
    MemoryStripImage image;
    ASSERT_EQ(image.Create(info, grey, 256, 3780, 3780), 0);
    uint8_t buffer[64];
    for (int i = 0; i < 64; ++i) buffer[i] = uint8_t(i + 1);
    TW_IMAGEMEMXFER corner = {};
    corner.BytesPerRow = 8;
    corner.Columns = 8;
    corner.Rows = 1;
    corner.XOffset = 8;
    corner.YOffset = 3;
    corner.BytesWritten = 8;
    struct Case {
        const char* what;
        TW_IMAGEMEMXFER strip;
    } cases[] = {
        {"two rows 2^31 apart: (rows - 1) * bytes per row is 2^32", corner},
        {"XOffset + Columns is 2^32 + 8", corner},
        {"YOffset + Rows is 2^32", corner},
        {"Columns far beyond the width", corner},
        {"BytesWritten beyond the buffer", corner},
    };
    cases[0].strip.Rows = 3;
    cases[0].strip.YOffset = 0;
    cases[0].strip.BytesPerRow = 0x80000000u;
    cases[0].strip.BytesWritten = 64;
    cases[1].strip.XOffset = 0xFFFFFFF8u;
    cases[1].strip.Columns = 16;
    cases[1].strip.BytesPerRow = 16;
    cases[1].strip.BytesWritten = 16;
    cases[2].strip.YOffset = 0xFFFFFFFFu;
    cases[3].strip.XOffset = 0;
    cases[3].strip.Columns = 0xFFFFFFF0u;
    cases[3].strip.BytesPerRow = 0xFFFFFFF0u;
    cases[4].strip.BytesWritten = 0xFFFFFFFFu;
    for (const Case& c : cases) EXPECT_FALSE(image.PlaceStrip(c.strip, buffer, sizeof buffer)) << c.what;
    ASSERT_TRUE(image.PlaceStrip(corner, buffer, sizeof buffer));
    HGLOBAL dib = image.Release();
    DibLayout layout;
    ASSERT_TRUE(ComputeDibLayout(dib, &layout));
    const auto* bits = static_cast<const uint8_t*>(GlobalLock(dib)) + layout.pixelOffset;
    // The image's last row is the DIB's first: its right half holds the strip, the rest stays 0.
    uint8_t expected[64] = {};
    memcpy(expected + 8, buffer, 8);
    EXPECT_EQ(memcmp(bits, expected, sizeof expected), 0);
    GlobalUnlock(dib);
    GlobalFree(dib);
}

}  // namespace
