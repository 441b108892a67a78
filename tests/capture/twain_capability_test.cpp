// Capabilities: every container type read and written through Wine's manager to the test scanner,
// the container codec against hostile blocks, the typed properties and the image layout.
#include <gtest/gtest.h>

#include <cstring>

#include "capture/twain/twain_capability_area.h"
#include "scanner_capabilities.h"
#include "twain_harness.h"

namespace {

template <typename T>
T At(const std::vector<BYTE>& v, size_t offset) {
    T value{};
    if (offset + sizeof(T) <= v.size()) memcpy(&value, v.data() + offset, sizeof(T));
    return value;
}

struct OpenScanner : ScanSession {
    OpenScanner(const char* scenario = "") {
        SetScenario(scenario);
        EXPECT_TRUE(engine.OpenSource());
    }
};

TEST(TwainFix32, WholeThenFraction) {
    TW_FIX32 f = FloatToFix32(-1.5);
    EXPECT_EQ(f.Whole, -2);
    EXPECT_EQ(f.Frac, 0x8000);
    f = FloatToFix32(300);
    EXPECT_EQ(f.Whole, 300);
    EXPECT_EQ(f.Frac, 0);
    BYTE bytes[4];
    memcpy(bytes, &f, 4);
    EXPECT_EQ(bytes[0], 300 & 0xFF);  // the whole part comes first in memory
    EXPECT_FLOAT_EQ(Fix32ToFloat(FloatToFix32(8.5)), 8.5f);
    EXPECT_EQ(FloatToFix32(1e12).Whole, 32767);  // saturates
    EXPECT_EQ(CapabilityItemType(CAP_XFERCOUNT, TWTY_FIX32), TWTY_INT16);
    EXPECT_EQ(CapabilityItemType(0x1114, TWTY_FIX32), TWTY_FRAME);
    EXPECT_EQ(CapabilityItemType(0x9999, TWTY_UINT32), TWTY_UINT32);
}

TEST(TwainContainerCodec, BlocksShorterThanTheyClaimAreBounded) {
    auto area = std::make_unique<TwainCapabilityArea>();
    const uint8_t shortOne[3] = {TWTY_UINT32, 0, 7};
    EXPECT_FALSE(DecodeCapabilityContainer(TWON_ONEVALUE, shortOne, sizeof(shortOne), *area));
    uint8_t stringOne[2 + 10] = {TWTY_STR255, 0, 'a', 'b'};
    EXPECT_FALSE(DecodeCapabilityContainer(TWON_ONEVALUE, stringOne, sizeof(stringOne), *area));
    // An enumeration declaring 0x7FFFFFFF items with three in the block: three decoded.
    uint8_t e[14 + 6] = {TWTY_UINT16, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 5, 0, 6, 0};
    area->items[3] = -1;
    EXPECT_TRUE(DecodeCapabilityContainer(TWON_ENUMERATION, e, sizeof(e), *area));
    EXPECT_EQ(area->items[2], 6);
    EXPECT_EQ(area->items[3], -1);
    const uint8_t shortRange[10] = {TWTY_INT32};
    EXPECT_FALSE(DecodeCapabilityContainer(TWON_RANGE, shortRange, sizeof(shortRange), *area));
}

TEST(TwainCapabilities, OneValueRoundTripSendsTheTablesItemType) {
    OpenScanner s;
    ASSERT_TRUE(s.engine.SetCapability(CAP_XFERCOUNT));
    ASSERT_TRUE(s.engine.SetCapType(TWON_ONEVALUE));
    s.engine.CapArea().oneValue = 1.0;
    ASSERT_TRUE(s.engine.CapSet()) << s.engine.GetErrorCode();
    std::vector<BYTE> sent;
    ASSERT_EQ(ScannerLastSet(CAP_XFERCOUNT, &sent), TWON_ONEVALUE);
    EXPECT_EQ(At<TW_UINT16>(sent, 0), TWTY_INT16);
    EXPECT_EQ(At<TW_INT16>(sent, 2), 1);
    s.engine.CapArea().oneValue = 0;
    ASSERT_TRUE(s.engine.CapGet());
    EXPECT_EQ(s.engine.CapArea().oneValue, 1.0);
    EXPECT_EQ(s.engine.CapArea().itemType, TWTY_INT16);
    EXPECT_FALSE(s.engine.SetCapType(7));
    EXPECT_EQ(s.engine.GetErrorCode(), -1034);
    EXPECT_EQ(s.engine.GetCapType(), TWON_ONEVALUE);
    EXPECT_TRUE(s.engine.CapIfSupported(1));
    EXPECT_TRUE(s.engine.CapReset());
    ASSERT_TRUE(s.engine.CapGet());
    EXPECT_EQ(s.engine.CapArea().oneValue, -1.0);
}

TEST(TwainCapabilities, EnumerationOf1200ItemsKeepsTheCountAndDecodes1000) {
    OpenScanner s;
    ASSERT_TRUE(s.engine.SetCapability(kCapLongEnumeration));
    ASSERT_TRUE(s.engine.CapGet());
    EXPECT_EQ(s.engine.GetCapType(), TWON_ENUMERATION);
    EXPECT_EQ(s.engine.CapArea().enumCount, 1200u);
    EXPECT_EQ(s.engine.CapArea().enumCurrent, 1100u);
    EXPECT_EQ(s.engine.GetCapNumItems(), 1000);
    double v = 0;
    EXPECT_TRUE(s.engine.GetCapItems(999, &v));
    EXPECT_EQ(v, 2997);
    EXPECT_FALSE(s.engine.GetCapItems(1000, &v));
    EXPECT_EQ(s.engine.GetErrorCode(), -1033);
    EXPECT_FALSE(s.engine.GetCapItems(-1, &v));
    EXPECT_EQ(s.engine.GetErrorCode(), -1033);
    ASSERT_TRUE(s.engine.CapGetCurrent());
    EXPECT_EQ(s.engine.GetCapType(), TWON_ONEVALUE);
    EXPECT_EQ(s.engine.CapArea().oneValue, 3300);

    // Written back as an enumeration of three items of the work area's item type.
    ASSERT_TRUE(s.engine.SetCapType(TWON_ENUMERATION));
    ASSERT_TRUE(s.engine.SetCapNumItems(3));
    EXPECT_FALSE(s.engine.SetCapNumItems(1001));
    for (ULONG i = 0; i < 3; ++i) ASSERT_TRUE(s.engine.SetCapItems(i, 10.0 * (i + 1)));
    EXPECT_FALSE(s.engine.SetCapItems(1000, 1));
    s.engine.CapArea().itemType = TWTY_UINT16;
    s.engine.CapArea().enumCurrent = 2;
    ASSERT_TRUE(s.engine.CapSet());
    std::vector<BYTE> sent;
    ASSERT_EQ(ScannerLastSet(kCapLongEnumeration, &sent), TWON_ENUMERATION);
    EXPECT_EQ(At<TW_UINT16>(sent, 0), TWTY_UINT16);
    EXPECT_EQ(At<TW_UINT32>(sent, 2), 3u);
    EXPECT_EQ(At<TW_UINT32>(sent, 6), 2u);
    EXPECT_EQ(At<TW_UINT16>(sent, 14), 10);
    EXPECT_EQ(At<TW_UINT16>(sent, 18), 30);
}

TEST(TwainCapabilities, ArraysOfStringsRangesAndFrames) {
    OpenScanner s;
    ASSERT_TRUE(s.engine.SetCapability(kCapStringArray));
    ASSERT_TRUE(s.engine.CapGet());
    EXPECT_EQ(s.engine.GetCapType(), TWON_ARRAY);
    EXPECT_EQ(s.engine.GetCapNumItems(), 3);
    EXPECT_STREQ(s.engine.CapArea().strings[0], "alpha");
    EXPECT_STREQ(s.engine.CapArea().strings[2], "0123456789abcdef0123456789abcdefX");  // 33 of 34

    ASSERT_TRUE(s.engine.SetCapability(0x1004));
    ASSERT_TRUE(s.engine.CapGet());
    EXPECT_EQ(strlen(s.engine.CapArea().oneString), 33u);

    ASSERT_TRUE(s.engine.SetCapability(kCapInt32Range));
    ASSERT_TRUE(s.engine.CapGet());
    EXPECT_EQ(s.engine.GetCapType(), TWON_RANGE);
    EXPECT_EQ(s.engine.CapArea().rangeMin, -5);
    EXPECT_EQ(s.engine.CapArea().rangeMax, 70000);
    EXPECT_EQ(s.engine.CapArea().rangeCurrent, 65540);
    s.engine.CapArea().itemType = TWTY_INT32;
    s.engine.CapArea().rangeCurrent = -7;
    ASSERT_TRUE(s.engine.CapSet());
    std::vector<BYTE> sent;
    ASSERT_EQ(ScannerLastSet(kCapInt32Range, &sent), TWON_RANGE);
    EXPECT_EQ(At<TW_INT32>(sent, 2), -5);
    EXPECT_EQ(At<TW_INT32>(sent, 18), -7);

    ASSERT_TRUE(s.engine.SetCapability(ICAP_CONTRAST));
    ASSERT_TRUE(s.engine.CapGetCurrent());
    EXPECT_FLOAT_EQ(float(s.engine.CapArea().oneValue), -12.5f);

    ASSERT_TRUE(s.engine.SetCapability(kCapFrames));
    ASSERT_TRUE(s.engine.CapGet());
    float v = 0;
    EXPECT_TRUE(s.engine.CapGetFrameRight(1, &v));
    EXPECT_FLOAT_EQ(v, 4.0f);
    EXPECT_FALSE(s.engine.CapGetFrameLeft(2, &v));
    EXPECT_EQ(s.engine.GetErrorCode(), -1033);
    ASSERT_TRUE(s.engine.CapSetFrame(0, 1, 2, 3.5f, 4));
    ASSERT_TRUE(s.engine.CapSet());
    ASSERT_EQ(ScannerLastSet(kCapFrames, &sent), TWON_ENUMERATION);
    EXPECT_EQ(At<TW_UINT16>(sent, 0), TWTY_FRAME);
    EXPECT_EQ(At<TW_INT16>(sent, 14 + 8), 3);
    EXPECT_EQ(At<TW_UINT16>(sent, 14 + 10), 0x8000);

    // A container that claims more items than its block holds.
    ASSERT_TRUE(s.engine.SetCapability(kCapHostileEnumeration));
    ASSERT_TRUE(s.engine.CapGet());
    EXPECT_EQ(s.engine.GetCapNumItems(), 1000);
    double item = 0;
    EXPECT_TRUE(s.engine.GetCapItems(1, &item));
    EXPECT_EQ(item, 8);
}

TEST(TwainCapabilities, CompressionIsRefusedInMemoryMode) {
    OpenScanner s;
    ASSERT_TRUE(s.engine.SetTransferMode(TWSX_MEMORY));
    EXPECT_FALSE(s.engine.SetCapability(ICAP_COMPRESSION));
    EXPECT_EQ(s.engine.GetErrorCode(), 0);
}

TEST(TwainCapabilities, ImageLayout) {
    OpenScanner s;
    ASSERT_TRUE(s.engine.SetImageLayout(0, 0, 8.5f, 11));
    using Fn = void(WINAPI*)(TW_IMAGELAYOUT*);
    auto layoutOf = reinterpret_cast<Fn>(GetProcAddress(ScannerModule(), "TestScanner_Layout"));
    ASSERT_NE(layoutOf, nullptr);
    TW_IMAGELAYOUT seen = {};
    layoutOf(&seen);
    EXPECT_EQ(seen.Frame.Right.Whole, 8);
    EXPECT_EQ(seen.Frame.Right.Frac, 0x8000);
    EXPECT_EQ(seen.DocumentNumber, 0xFFFFFFFFu);
    EXPECT_EQ(seen.PageNumber, 0xFFFFFFFFu);
    EXPECT_EQ(seen.FrameNumber, 0xFFFFFFFFu);
    float l = -1, t = -1, r = -1, b = -1;
    ASSERT_TRUE(s.engine.GetImageLayout(&l, &t, &r, &b));
    EXPECT_FLOAT_EQ(r, 8.5f);
    EXPECT_FLOAT_EQ(b, 11);
    ASSERT_TRUE(s.engine.ResetImageLayout());
    ASSERT_TRUE(s.engine.GetDefaultImageLayout(&l, &t, &r, &b));
    EXPECT_FLOAT_EQ(r, 8.5f);
}

TEST(TwainTypedProperties, ValuesAndFlags) {
    OpenScanner s;
    float resolution = 0;
    ASSERT_TRUE(s.engine.GetResolution(&resolution));
    EXPECT_FLOAT_EQ(resolution, 300);
    ASSERT_TRUE(s.engine.SetResolution(600));
    EXPECT_EQ(ScannerSetCount(ICAP_XRESOLUTION), 1);
    EXPECT_EQ(ScannerSetCount(ICAP_YRESOLUTION), 1);
    // Beyond the scanner's range: the X write fails, the Y write is not attempted.
    EXPECT_FALSE(s.engine.SetResolution(5000));
    EXPECT_EQ(s.engine.GetErrorCode(), -1010);
    EXPECT_EQ(ScannerSetCount(ICAP_XRESOLUTION), 2);
    EXPECT_EQ(ScannerSetCount(ICAP_YRESOLUTION), 1);

    ASSERT_TRUE(s.engine.SetXferCount(1));
    std::vector<BYTE> sent;
    ASSERT_EQ(ScannerLastSet(CAP_XFERCOUNT, &sent), TWON_ONEVALUE);
    EXPECT_EQ(At<TW_UINT16>(sent, 0), TWTY_INT16);
    SHORT count = 0;
    ASSERT_TRUE(s.engine.GetXferCount(&count));
    EXPECT_EQ(count, 1);

    ASSERT_TRUE(s.engine.SetIfAutoScan(2));  // only exactly 1 means true
    ASSERT_EQ(ScannerLastSet(CAP_AUTOSCAN, &sent), TWON_ONEVALUE);
    EXPECT_EQ(At<TW_UINT16>(sent, 0), TWTY_BOOL);
    EXPECT_EQ(At<TW_UINT16>(sent, 2), 0);
    BOOL flag = 7;
    ASSERT_TRUE(s.engine.GetIfShowIndicator(&flag));
    EXPECT_EQ(flag, 1);
    ASSERT_TRUE(s.engine.GetIfAutoDiscardBlankpages(&flag));
    EXPECT_EQ(flag, 0);
    ASSERT_TRUE(s.engine.SetIfAutoDiscardBlankpages(1));
    ASSERT_EQ(ScannerLastSet(ICAP_AUTODISCARDBLANKPAGES, &sent), TWON_ONEVALUE);
    EXPECT_EQ(At<TW_INT32>(sent, 2), -1);
    ASSERT_TRUE(s.engine.GetIfAutomaticDeskew(&flag));  // an enumeration of one true item
    EXPECT_EQ(flag, 1);
    SHORT pixelType = -1;
    ASSERT_TRUE(s.engine.GetPixelType(&pixelType));
    EXPECT_EQ(pixelType, 2);
    LONG duplex = 0;
    ASSERT_TRUE(s.engine.GetDuplex(&duplex));
    EXPECT_EQ(duplex, 1);
    float contrast = 0;
    ASSERT_TRUE(s.engine.GetContrast(&contrast));
    EXPECT_FLOAT_EQ(contrast, -12.5f);
    EXPECT_EQ(s.engine.DataSourceStatus(), 1);

    // A failed getter leaves its output alone.
    SHORT untouched = 77;
    ASSERT_TRUE(s.engine.CloseSource());
    EXPECT_FALSE(s.engine.GetBitDepth(&untouched));
    EXPECT_EQ(untouched, 77);
    EXPECT_EQ(s.engine.GetErrorCode(), -1031);
}

TEST(TwainTypedProperties, DeviceTypeProbeRestoresOnlyWhatItRead) {
    {
        OpenScanner feeder;
        EXPECT_EQ(feeder.engine.GetDeviceType(), 3);
        std::vector<BYTE> sent;
        ASSERT_EQ(ScannerLastSet(CAP_FEEDERENABLED, &sent), TWON_ONEVALUE);
        EXPECT_EQ(At<TW_UINT16>(sent, 2), 1);  // the value it read, put back last
        EXPECT_EQ(ScannerSetCount(CAP_FEEDERENABLED), 3);
    }
    OpenScanner flatbed("flatbed=1");
    EXPECT_EQ(flatbed.engine.GetDeviceType(), 2);
    EXPECT_EQ(ScannerSetCount(CAP_FEEDERENABLED), 0);
}

}  // namespace
