// Transfers from the test scanner through Wine's manager: event order, images row-exact in every
// mechanism and pixel type, cancellation, extended information and hostile device data.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/event_record.h"
#include "base/dib_layout.h"
#include "scanner_scenario.h"
#include "twain_harness.h"

namespace {

std::vector<int> Batch(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> all = {2};
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    all.push_back(3);
    return all;
}

// Enables the source and pumps until the batch ended.
void Scan(ScanSession& s) {
    ASSERT_TRUE(s.engine.EnableSource()) << s.engine.GetErrorCode();
    ASSERT_TRUE(PumpScan(s.engine, [&] { return !s.engine.kinds.empty() && s.engine.kinds.back() == 3; }));
}

// The colour the scanner meant at (x, y) of a page, channel c.
BYTE Expected(const ScannerScenario& sc, int page, int x, int y, int c) {
    switch (sc.pixelType) {
        case 0: return ScannerBit(page, x, y) ? 255 : 0;  // bit 1 is white under the default flavour
        case 1: return ScannerSample(page, x, y, 0);
        case 2: return ScannerSample(page, x, y, c);
        default: {
            RGBQUAD q = ScannerPaletteColor(ScannerPaletteIndex(page, x, y));
            return c == 0 ? q.rgbRed : c == 1 ? q.rgbGreen : q.rgbBlue;
        }
    }
}

void ExpectPage(HGLOBAL dib, const ScannerScenario& sc, int page, const char* what) {
    DibLayout l;
    ASSERT_TRUE(ComputeDibLayout(dib, &l)) << what;
    ASSERT_EQ(l.width, sc.width) << what;
    ASSERT_EQ(l.height, sc.height) << what;
    EXPECT_FALSE(l.topDown) << what;
    int mismatches = 0;
    for (int y = 0; y < sc.height; ++y) {
        for (int x = 0; x < sc.width; ++x) {
            for (int c = 0; c < 3; ++c) mismatches += DibSample(dib, x, y, c) != Expected(sc, page, x, y, c);
        }
    }
    EXPECT_EQ(mismatches, 0) << what;
}

TEST(TwainTransfer, NativeImagesInOrder) {
    const char* text = "pages=3;pixel=rgb;width=9;height=5";
    SetScenario(text);
    ScanSession s;
    std::vector<SHORT> pending;
    s.engine.onPreTransfer = [&] { pending.push_back(s.engine.GetPendingXfers()); };
    Scan(s);
    EXPECT_EQ(s.engine.kinds, Batch({{0, 17, 1}, {0, 17, 1}, {0, 17, 1}}));
    EXPECT_EQ(pending, (std::vector<SHORT>{-1, 2, 1}));
    ASSERT_EQ(s.engine.GetImageCount(), 3);
    ScannerScenario sc = ParseScannerScenario(text);
    for (int i = 0; i < 3; ++i) {
        char what[32];
        snprintf(what, sizeof(what), "native page %d", i);
        ExpectPage(s.engine.GetImageDIB(SHORT(i)), sc, i, what);
    }
    EXPECT_EQ(s.engine.TransferState(), 1);
    EXPECT_EQ(s.engine.GetPendingXfers(), 0);
    EXPECT_TRUE(s.engine.IsSourceEnabled());
}

TEST(TwainTransfer, CancelFromPreTransferGivesNoImage) {
    SetScenario("pages=3");
    ScanSession s;
    s.engine.onPreTransfer = [&] { s.engine.CancelAllPendingTransfers(); };
    Scan(s);
    EXPECT_EQ(s.engine.kinds, Batch({{0}}));
    EXPECT_EQ(s.engine.GetImageCount(), 0);
    // The scanner's pending transfers were reset: it is enabled and idle again.
    EXPECT_TRUE(s.engine.IsSourceEnabled());
    EXPECT_TRUE(s.engine.DisableSource());
}

TEST(TwainTransfer, CancelledAndFailedPagesAndDisableAfterAcquire) {
    SetScenario("pages=3;cancelAt=1");
    ScanSession s;
    Scan(s);
    EXPECT_EQ(s.engine.kinds, Batch({{0, 17, 1}, {0, 4}, {0, 17, 1}}));
    EXPECT_EQ(s.engine.GetImageCount(), 2);

    ASSERT_TRUE(s.engine.DisableSource());
    s.engine.kinds.clear();
    SetScenario("pages=2;failAt=0");
    s.engine.SetIfDisableSourceAfterAcquire(1);
    Scan(s);
    EXPECT_EQ(s.engine.kinds, Batch({{0, 5}, {0, 17, 1}}));
    EXPECT_FALSE(s.engine.IsSourceEnabled());
    EXPECT_TRUE(s.engine.IsSourceOpen());
}

TEST(TwainTransfer, MemoryStripsOfEveryPixelTypeComeOutRowExact) {
    ScanSession s;
    ASSERT_TRUE(s.engine.SetTransferMode(TWSX_MEMORY));
    ASSERT_TRUE(s.engine.OpenSource());
    using Fn = int(WINAPI*)();
    auto mechanism = reinterpret_cast<Fn>(GetProcAddress(ScannerModule(), "TestScanner_Mechanism"));
    ASSERT_NE(mechanism, nullptr);
    EXPECT_EQ(mechanism(), TWSX_MEMORY);
    const char* scenarios[] = {
        "pages=2;pixel=bw;width=21;height=11;strip=3",       "pages=2;pixel=gray;width=17;height=11;strip=4",
        "pages=2;pixel=rgb;width=13;height=7;strip=3",       "pages=2;pixel=rgb;width=13;height=7;strip=2;padded=1",
        "pages=2;pixel=palette;width=15;height=9;strip=5",   "pages=1;pixel=gray;width=5;height=3;strip=1",
    };
    for (const char* text : scenarios) {
        s.engine.RemoveAllImages();
        s.engine.kinds.clear();
        SetScenario(text);
        Scan(s);
        ScannerScenario sc = ParseScannerScenario(text);
        std::vector<int> expected = {2};
        for (int i = 0; i < sc.pages; ++i) expected.insert(expected.end(), {0, 17, 1});
        expected.push_back(3);
        EXPECT_EQ(s.engine.kinds, expected) << text;
        ASSERT_EQ(s.engine.GetImageCount(), sc.pages) << text;
        for (int i = 0; i < sc.pages; ++i) ExpectPage(s.engine.GetImageDIB(SHORT(i)), sc, i, text);
        auto* bi = static_cast<BITMAPINFOHEADER*>(GlobalLock(s.engine.GetImageDIB(0)));
        EXPECT_EQ(bi->biXPelsPerMeter, 11811) << text;  // 300 dpi
        GlobalUnlock(s.engine.GetImageDIB(0));
        EXPECT_TRUE(s.engine.IsSourceEnabled()) << text;  // a memory batch never disables
        ASSERT_TRUE(s.engine.DisableSource());
    }
}

TEST(TwainTransfer, FileTransferWritesThePages) {
    SetScenario("pages=2;pixel=gray");
    ScanSession s;
    ASSERT_TRUE(s.engine.OpenSource());
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    strcat(path, "lumetta_twain_file.bmp");
    DeleteFileA(path);
    EXPECT_FALSE(s.engine.SetFileXferInfo(path, 10));
    EXPECT_EQ(s.engine.GetErrorCode(), -1034);
    ASSERT_TRUE(s.engine.SetFileXferInfo(path, TWFF_BMP));
    ASSERT_TRUE(s.engine.SetTransferMode(TWSX_FILE));
    Scan(s);
    EXPECT_EQ(s.engine.kinds, Batch({{0, 1}, {0, 1}}));
    EXPECT_EQ(s.engine.GetImageCount(), 0);
    FILE* f = fopen(path, "rb");
    ASSERT_NE(f, nullptr);
    char magic[2] = {};
    EXPECT_EQ(fread(magic, 1, 2, f), 2u);
    fclose(f);
    EXPECT_EQ(magic[0], 'B');
    EXPECT_EQ(magic[1], 'M');
    DeleteFileA(path);
}

TEST(TwainTransfer, BarcodesAndMagneticData) {
    SetScenario("pages=1;barcodes=1");
    ScanSession s;
    Scan(s);
    EXPECT_EQ(s.engine.kinds, Batch({{0, 17, 1}}));
    ASSERT_EQ(s.engine.GetBarcodeCount(), 2);
    EXPECT_STREQ(s.engine.GetBarcodeText(0), "12345");
    EXPECT_STREQ(s.engine.GetBarcodeText(1), "CODE-2");
    EXPECT_EQ(s.engine.GetBarcodeText(2), nullptr);
    LONG v = 0;
    EXPECT_TRUE(s.engine.GetBarcodeInfo(0, 1, &v));
    EXPECT_EQ(v, 101);
    EXPECT_TRUE(s.engine.GetBarcodeInfo(3, 0, &v));
    EXPECT_EQ(v, 90);
    EXPECT_TRUE(s.engine.GetBarcodeInfo(5, 1, &v));
    EXPECT_EQ(v, 6);
    EXPECT_FALSE(s.engine.GetBarcodeInfo(6, 0, &v));
    EXPECT_EQ(s.engine.GetMagType(), 1);
    ASSERT_NE(s.engine.GetMagData(), nullptr);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(s.engine.GetMagData())), "MICR 0042");
    GlobalUnlock(s.engine.GetMagData());

    ASSERT_TRUE(s.engine.DisableSource());
    s.engine.kinds.clear();
    SetScenario("pages=1;noext=1");
    Scan(s);
    EXPECT_EQ(s.engine.GetBarcodeCount(), 0);
    EXPECT_EQ(s.engine.GetMagType(), 2);
}

TEST(TwainTransfer, ACancelledOrFailedTransferLeavesNoBarcodesOfTheImageBefore) {
    for (const char* scenario : {"pages=2;barcodes=1;cancelAt=1", "pages=2;barcodes=1;failAt=1"}) {
        for (LONG mode : {TWSX_NATIVE, TWSX_MEMORY}) {
            SetScenario(scenario);
            ScanSession s;
            ASSERT_TRUE(s.engine.SetTransferMode(mode));
            int barcodesAfterFirst = -1;
            s.engine.onPreTransfer = [&] {
                if (s.engine.GetImageCount() == 1) barcodesAfterFirst = s.engine.GetBarcodeCount();
            };
            Scan(s);
            EXPECT_EQ(s.engine.GetImageCount(), 1) << scenario << " mode " << mode;
            EXPECT_EQ(barcodesAfterFirst, 2) << "the first page brought its barcodes: " << scenario;
            EXPECT_EQ(s.engine.GetBarcodeCount(), 0) << scenario << " mode " << mode;
            EXPECT_EQ(s.engine.GetBarcodeText(0), nullptr) << scenario;
            EXPECT_EQ(s.engine.GetMagData(), nullptr) << scenario;
            EXPECT_EQ(s.engine.GetMagType(), 2) << scenario;
        }
    }
}

TEST(TwainTransfer, AnEmptyBlockOfExtendedInformationIsStillFreed) {
    // The source answered the item with success and a block of its making: the application owns
    // that block however many bytes it holds.
    SetEnvironmentVariableA("LUMETTA_SCANNER_EMPTY_BLOCK", nullptr);
    SetScenario("pages=1;barcodes=1;hostile=emptyblock");
    ScanSession s;
    Scan(s);
    char text[32] = {};
    ASSERT_GT(GetEnvironmentVariableA("LUMETTA_SCANNER_EMPTY_BLOCK", text, sizeof(text)), 0u);
    auto block = reinterpret_cast<HGLOBAL>(static_cast<UINT_PTR>(strtoull(text, nullptr, 16)));
    EXPECT_EQ(s.engine.GetMagData(), nullptr);
    EXPECT_EQ(GlobalFlags(block), UINT(GMEM_INVALID_HANDLE)) << "the empty block was left behind";
    // The rest of the information of that page is kept.
    EXPECT_EQ(s.engine.GetBarcodeCount(), 2);
}

TEST(TwainTransfer, HostileDeviceDataEndsInTransferErrors) {
    struct Case {
        const char* scenario;
        LONG mode;
        std::vector<int> events;
    } cases[] = {
        {"pages=1;hostile=length", TWSX_MEMORY, Batch({{0, 5}})},
        {"pages=1;pixel=palette;hostile=colors", TWSX_MEMORY, Batch({{0, 5}})},
        {"pages=2;hostile=written", TWSX_MEMORY, Batch({{0, 5}, {0, 5}})},
        {"pages=1;hostile=strips", TWSX_MEMORY, Batch({{0, 5}})},
        // The image itself is fine and kept; its extended information is refused.
        {"pages=1;barcodes=1;hostile=barcodes", TWSX_NATIVE, Batch({{0, 17, 5}})},
        {"pages=1;barcodes=1;hostile=barcodes", TWSX_MEMORY, Batch({{0, 17, 5}})},
        // A source failing page after page without end: the batch stops after three.
        {"pages=-1;failAll=1", TWSX_NATIVE, Batch({{0, 5}, {0, 5}, {0, 5}})},
        {"pages=-1;failAll=1", TWSX_MEMORY, Batch({{0, 5}, {0, 5}, {0, 5}})},
        // A native "image" handle below 32 is no image.
        {"pages=1;hostile=handle", TWSX_NATIVE, Batch({{0, 1}})},
    };
    for (const Case& c : cases) {
        SetScenario(c.scenario);
        ScanSession s;
        ASSERT_TRUE(s.engine.SetTransferMode(c.mode));
        Scan(s);
        EXPECT_EQ(s.engine.kinds, c.events) << c.scenario;
        EXPECT_EQ(s.engine.GetBarcodeCount(), 0) << c.scenario;
        EXPECT_TRUE(s.engine.IsSourceEnabled()) << c.scenario;
        // The scanner is back in a state that lets it be closed normally.
        EXPECT_TRUE(s.engine.CloseSource()) << c.scenario;
    }
}

}  // namespace
