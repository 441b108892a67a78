// The core's image operations on a real engine under Wine: the facade wrapper and its error
// mapping, text and fonts, overlays, the clipboard with forged foreign blocks, Base64 output of
// prepared data and the blank test on the calling thread and on the worker.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "base/dib_layout.h"
#include "base/error_codes.h"
#include "engine/image.h"
#include "support/test_dib.h"
#include "support/test_engine.h"

namespace {

// A 24-bit image of one colour (0x00RRGGBB) in a new block.
HGLOBAL SolidDib(LONG w, LONG h, DWORD color) {
    CImage image;
    image.Create(w, h, nullptr, 24);
    for (LONG y = 0; y < h; ++y)
        for (LONG x = 0; x < w; ++x) image.SetPixelColor(x, y, color);
    return image.Detach();
}

DWORD PixelOf(HGLOBAL dib, LONG x, LONG yFromTop) {
    CImage image(dib, FALSE, TRUE);
    return image.GetPixelColor(x, image.GetHeight() - 1 - yFromTop);
}

LONG WidthOf(HGLOBAL dib) {
    CImage image(dib, FALSE, TRUE);
    return image.GetWidth();
}

// Puts raw bytes on the clipboard as CF_DIB.
bool PutOnClipboard(const std::vector<BYTE>& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    bool ok = SetClipboardData(CF_DIB, block) != nullptr;
    CloseClipboard();
    return ok;
}

std::vector<BYTE> Header(LONG w, LONG h, WORD bits, DWORD compression = BI_RGB, DWORD colors = 0) {
    BITMAPINFOHEADER hd = {};
    hd.biSize = 40;
    hd.biWidth = w;
    hd.biHeight = h;
    hd.biPlanes = 1;
    hd.biBitCount = bits;
    hd.biCompression = compression;
    hd.biClrUsed = colors;
    std::vector<BYTE> out(40);
    memcpy(out.data(), &hd, 40);
    return out;
}

TEST(ImageOperations, FacadeOperationsReplaceTheSlotAndMapTheirErrors) {
    TestEngine engine;
    ASSERT_TRUE(engine.AddImage(MakeTestDib(30, 20, 24, 3)));
    HGLOBAL before = engine.GetImageDIB(0);
    EXPECT_TRUE(engine.RotateLeft(0));
    EXPECT_NE(engine.GetImageDIB(0), before);
    EXPECT_EQ(WidthOf(engine.GetImageDIB(0)), 20);
    EXPECT_TRUE(engine.RotateRight(0));
    EXPECT_TRUE(engine.Flip(0) && engine.Mirror(0));
    EXPECT_EQ(engine.GetErrorCode(), 0);
    // A bad index: -1033 and the buffer as it was.
    HGLOBAL current = engine.GetImageDIB(0);
    EXPECT_FALSE(engine.RotateLeft(-1));
    EXPECT_EQ(engine.GetErrorCode(), kErrInvalidIndex);
    EXPECT_FALSE(engine.Crop(5, 0, 0, 10, 10));
    EXPECT_EQ(engine.GetErrorCode(), kErrInvalidIndex);
    EXPECT_EQ(engine.GetImageDIB(0), current);
    // A bad value: -1034.
    EXPECT_FALSE(engine.ChangeImageSize(0, 0, 10, 3));
    EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue);
    EXPECT_FALSE(engine.Crop(0, 4, 4, 4, 10));
    EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue);
    // Too large: memory, condition code 2.
    EXPECT_FALSE(engine.ChangeImageSize(0, 0x7FFFFFFF, 0x7FFFFFFF, 1));
    EXPECT_EQ(engine.GetErrorCode(), kErrNoMemory);
    EXPECT_EQ(engine.GetImageDIB(0), current);
    // The script's rectangle counts from the top: the top-left 10 x 5 block.
    HGLOBAL source = engine.GetImageDIB(0);
    const DWORD topLeft = PixelOf(source, 0, 0);
    EXPECT_TRUE(engine.Crop(0, 0, 0, 10, 5));
    EXPECT_EQ(WidthOf(engine.GetImageDIB(0)), 10);
    EXPECT_EQ(PixelOf(engine.GetImageDIB(0), 0, 0), topLeft);
    EXPECT_TRUE(engine.ChangeImageSize(0, 20, 10, 3));
    EXPECT_EQ(engine.GetImageSize(0, -1, -1), 20.0 * 3 * 10);
    EXPECT_EQ(engine.GetImageSize(0, -1, 5), -1.0);
    EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue);
}

TEST(ImageOperations, ColoursCrossWithRedInTheLowByte) {
    TestEngine engine;
    ASSERT_TRUE(engine.AddImage(SolidDib(10, 10, 0xFFFFFF)));
    engine.SetBackgroundFillColor(0x0000FF);  // red for the script
    EXPECT_TRUE(engine.Erase(0, 2, 0, 5, 3));
    HGLOBAL dib = engine.GetImageDIB(0);
    EXPECT_EQ(PixelOf(dib, 2, 0), 0xFF0000u);  // red inside the engine
    EXPECT_EQ(PixelOf(dib, 2, 3), 0xFFFFFFu);
    EXPECT_EQ(PixelOf(dib, 5, 0), 0xFFFFFFu);
    EXPECT_TRUE(engine.RotateEx(0, 45.0f, FALSE, 1));
    EXPECT_EQ(PixelOf(engine.GetImageDIB(0), 0, 0), 0xFF0000u);  // the corner takes the fill colour
    EXPECT_FALSE(engine.RotateEx(0, std::numeric_limits<float>::quiet_NaN(), FALSE, 3));
    EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue);
}

TEST(ImageOperations, ResolutionWithoutResampleChangesTheSlotInPlace) {
    TestEngine engine;
    ASSERT_TRUE(engine.AddImage(SolidDib(40, 20, 0)));
    HGLOBAL dib = engine.GetImageDIB(0);
    EXPECT_TRUE(engine.SetDPI(0, 200, 150, FALSE, 1));
    EXPECT_EQ(engine.GetImageDIB(0), dib);
    EXPECT_EQ(engine.GetImageXResolution(0), 200);
    EXPECT_EQ(engine.GetImageYResolution(0), 150);
    EXPECT_TRUE(engine.SetDPI(0, 100, 75, TRUE, 3));
    EXPECT_EQ(WidthOf(engine.GetImageDIB(0)), 20);
    EXPECT_EQ(engine.GetImageXResolution(0), 100);
}

TEST(ImageOperations, TextFontAndTextBoxes) {
    TestEngine engine;
    EXPECT_TRUE(engine.CreateTextFont(-20, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0,
                                      "A face name that is forty characters lon"));
    EXPECT_EQ(strlen(engine.TextFont().lfFaceName), 31u);
    EXPECT_EQ(engine.TextFont().lfWeight, 700);
    EXPECT_TRUE(engine.CreateTextFont(-24, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));
    ASSERT_TRUE(engine.AddImage(SolidDib(200, 60, 0xFFFFFF)));
    ASSERT_TRUE(engine.AddImage(SolidDib(200, 60, 0xFFFFFF)));
    // Weight 0: only the text pixels, in the text colour (blue for the script is 0xFF0000).
    EXPECT_TRUE(engine.AddText(0, 10, 10, "Hi", 0xFF0000, 0x00FF00, 0.1f, 0.0f));
    int text = 0, other = 0;
    for (LONG y = 0; y < 60; ++y) {
        for (LONG x = 0; x < 200; ++x) {
            DWORD p = PixelOf(engine.GetImageDIB(0), x, y);
            if (p == 0x0000FF) ++text;
            else if (p != 0xFFFFFF) ++other;
        }
    }
    EXPECT_GT(text, 10);
    EXPECT_EQ(other, 0);
    // Weight 1: a solid box in the background colour behind the text.
    EXPECT_TRUE(engine.AddText(1, 10, 10, "Hi", 0xFF0000, 0x00FF00, 0.1f, 1.0f));
    int box = 0;
    for (LONG y = 0; y < 60; ++y)
        for (LONG x = 0; x < 200; ++x) box += PixelOf(engine.GetImageDIB(1), x, y) == 0x00FF00;
    EXPECT_GT(box, 50);
    EXPECT_EQ(PixelOf(engine.GetImageDIB(1), 0, 0), 0xFFFFFFu);
    EXPECT_FALSE(engine.AddText(4, 0, 0, "x", 0, 0, 0, 0));
    EXPECT_EQ(engine.GetErrorCode(), kErrInvalidIndex);
}

TEST(ImageOperations, OverlayRectangle) {
    TestEngine engine;
    EXPECT_FALSE(engine.OverlayRectangle(0, 0, 0, 5, 5, 0, 0.0f));
    ASSERT_TRUE(engine.AddImage(SolidDib(10, 10, 0)));
    EXPECT_TRUE(engine.OverlayRectangle(0, 0, 0, 5, 5, 0, 0.0f));
    EXPECT_TRUE(engine.OverlayRectangle(0, 0, 0, 5, 5, 0xFF, 0.5f));
    EXPECT_FALSE(engine.OverlayRectangle(0, 3, 0, 3, 5, 0xFF, 0.5f));
    EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue);
}

TEST(Clipboard, RoundTripAndCropToClipboard) {
    TestEngine engine;
    ASSERT_TRUE(engine.AddImage(MakeTestDib(17, 9, 8, 4)));
    ASSERT_TRUE(engine.CopyToClipboard(0));
    ASSERT_TRUE(engine.LoadDibFromClipboard());
    ASSERT_EQ(engine.GetImageCount(), 2);
    CImage a(engine.GetImageDIB(0), FALSE, TRUE), b(engine.GetImageDIB(1), FALSE, TRUE);
    EXPECT_EQ(b.GetWidth(), 17);
    for (LONG y = 0; y < 9; ++y)
        for (LONG x = 0; x < 17; ++x) ASSERT_EQ(a.GetPixelColor(x, y), b.GetPixelColor(x, y));
    ASSERT_TRUE(engine.CropToClipboard(0, 2, 1, 7, 4));
    ASSERT_TRUE(engine.LoadDibFromClipboard());
    EXPECT_EQ(WidthOf(engine.GetImageDIB(2)), 5);
    EXPECT_EQ(PixelOf(engine.GetImageDIB(2), 0, 0), PixelOf(engine.GetImageDIB(0), 2, 1));
    // Cut: the copy stays on the clipboard, the image leaves the buffer.
    ASSERT_TRUE(engine.CutToClipboard(2));
    EXPECT_EQ(engine.GetImageCount(), 2);
    ASSERT_TRUE(engine.CutFrameToClipboard(0, 0, 0, 3, 3));
    EXPECT_EQ(PixelOf(engine.GetImageDIB(0), 1, 1), 0xFFFFFFu);
    TestEngine empty;
    EXPECT_FALSE(empty.CutToClipboard(0));
    EXPECT_EQ(empty.GetErrorCode(), kErrInvalidIndex);
}

// An engine whose incoming-image slot refuses every image. It takes the image over as the slot
// must; instead of freeing it, it keeps it, so the test can see whether the caller freed it again.
class RefusingEngine : public TestEngine {
public:
    HGLOBAL NormalizeIncomingImage(HGLOBAL dib) override {
        taken.push_back(dib);
        SetErrorCode(kErrNoMemory);
        return nullptr;
    }
    std::vector<HGLOBAL> taken;
};

TEST(Clipboard, AnImageTheBufferRefusedIsNotFreedAgain) {
    TestEngine source;
    ASSERT_TRUE(source.AddImage(MakeTestDib(6, 5, 24)));
    ASSERT_TRUE(source.CopyToClipboard(0));
    RefusingEngine engine;
    EXPECT_FALSE(engine.LoadDibFromClipboard());
    EXPECT_EQ(engine.GetErrorCode(), kErrNoMemory);
    ASSERT_EQ(engine.taken.size(), 1u);
    // The buffer owned the image from the call on: the clipboard code must not have freed it.
    EXPECT_NE(GlobalFlags(engine.taken[0]), UINT(GMEM_INVALID_HANDLE));
    EXPECT_GT(GlobalSize(engine.taken[0]), SIZE_T(40));
    GlobalFree(engine.taken[0]);
}

TEST(Clipboard, AClipboardHeldByAnotherThreadFailsWithResultFour) {
    HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr), release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        HWND window = CreateWindowA("STATIC", "holder", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        OpenClipboard(window);
        SetEvent(opened);
        WaitForSingleObject(release, 10000);
        CloseClipboard();
        DestroyWindow(window);
    });
    WaitForSingleObject(opened, 10000);
    HGLOBAL dib = MakeTestDib(8, 8, 24);
    CImage image(dib, TRUE);
    EXPECT_FALSE(image.CopyRectToClipboard(ImageRect{0, 0, 4, 4}));
    EXPECT_EQ(image.GetResult(), kImageClipboardFailed);
    TestEngine engine;
    ASSERT_TRUE(engine.AddImage(dib));
    engine.SetErrorCode(-1020);
    EXPECT_FALSE(engine.CropToClipboard(0, 0, 0, 4, 4));
    EXPECT_EQ(engine.GetErrorCode(), 0);  // result 4 keeps the (cleared) code
    SetEvent(release);
    holder.join();
    CloseHandle(opened);
    CloseHandle(release);
}

TEST(Clipboard, ForgedForeignBlocksAreRefused) {
    TestEngine engine;
    // Shorter than its header says.
    auto shortBlock = Header(100, 100, 24);
    shortBlock.resize(40 + 100);
    ASSERT_TRUE(PutOnClipboard(shortBlock));
    EXPECT_FALSE(engine.LoadDibFromClipboard());
    EXPECT_EQ(engine.GetErrorCode(), kErrBmpFormat);
    // A colour count beyond the depth.
    auto colours = Header(4, 4, 8, BI_RGB, 0x40000000);
    colours.resize(40 + 1024 + 16);
    ASSERT_TRUE(PutOnClipboard(colours));
    EXPECT_FALSE(engine.LoadDibFromClipboard());
    // A negative height whose rows are not there.
    auto negative = Header(8, -0x7FFFFFFF, 24);
    negative.resize(40 + 24 * 4);
    ASSERT_TRUE(PutOnClipboard(negative));
    EXPECT_FALSE(engine.LoadDibFromClipboard());
    // Compression other than BI_RGB and BI_BITFIELDS.
    auto jpeg = Header(4, 4, 24, 4);
    jpeg.resize(40 + 64);
    ASSERT_TRUE(PutOnClipboard(jpeg));
    EXPECT_FALSE(engine.LoadDibFromClipboard());
    // Bit fields without their masks.
    auto noMasks = Header(2, 2, 16, BI_BITFIELDS);
    ASSERT_TRUE(PutOnClipboard(noMasks));
    EXPECT_FALSE(engine.LoadDibFromClipboard());
    EXPECT_EQ(engine.GetImageCount(), 0);
    // Well-formed 5-6-5 bit fields become 24 bits; a real top-down block is turned upright.
    auto fields = Header(2, 1, 16, BI_BITFIELDS);
    const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    fields.insert(fields.end(), reinterpret_cast<const BYTE*>(masks), reinterpret_cast<const BYTE*>(masks) + 12);
    const BYTE pixels[4] = {0xFF, 0xFF, 0x00, 0x00};
    fields.insert(fields.end(), pixels, pixels + 4);
    ASSERT_TRUE(PutOnClipboard(fields));
    ASSERT_TRUE(engine.LoadDibFromClipboard());
    EXPECT_EQ(PixelOf(engine.GetImageDIB(0), 0, 0), 0xF8FCF8u);
    auto topDown = Header(1, -2, 24);
    const BYTE rows[8] = {1, 2, 3, 0, 4, 5, 6, 0};
    topDown.insert(topDown.end(), rows, rows + 8);
    ASSERT_TRUE(PutOnClipboard(topDown));
    ASSERT_TRUE(engine.LoadDibFromClipboard());
    EXPECT_EQ(PixelOf(engine.GetImageDIB(1), 0, 0), 0x030201u);
}

// Bytes of a save to memory, the block freed.
std::vector<BYTE> BytesOf(HGLOBAL block, DWORD size) {
    std::vector<BYTE> bytes(static_cast<const BYTE*>(block), static_cast<const BYTE*>(block) + size);
    GlobalFree(block);
    return bytes;
}

// An engine whose page sets the document title from its buffer notice, as a handler may.
class RetitlingEngine : public TestEngine {
public:
    void OnBufferChanged(HGLOBAL current, int quiet) override {
        TestEngine::OnBufferChanged(current, quiet);
        if (retitle) std::strcpy(m_pdfSettings.title, "Set by the page meanwhile");
    }
    bool retitle = false;
};

TEST(LoadImageFromMemory, ADocumentsSettingsBecomeTheEnginesOnlyFromADocumentThatLoaded) {
    RetitlingEngine engine;
    ASSERT_TRUE(engine.AddImage(SolidDib(12, 8, 0x336699)));
    std::strcpy(engine.m_pdfSettings.title, "Scanned at the desk");
    HGLOBAL block = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(engine.SaveAsPDFToMemory(&block, 0, nullptr, &size, enumAutoEncode, 80)) << engine.GetErrorCode();
    const std::vector<BYTE> pdf = BytesOf(block, size);
    ASSERT_TRUE(engine.SaveAsBMPToMemory(&block, 0, &size));
    const std::vector<BYTE> bmp = BytesOf(block, size);

    std::strcpy(engine.m_pdfSettings.title, "The page's own");
    // A BMP has none: a handler's change made while it loads stays.
    engine.retitle = true;
    EXPECT_TRUE(engine.LoadImageFromMemory(bmp.data(), DWORD(bmp.size()), OSTRL_BMP));
    EXPECT_STREQ(engine.m_pdfSettings.title, "Set by the page meanwhile");
    engine.retitle = false;
    std::strcpy(engine.m_pdfSettings.title, "The page's own");
    // A document cut short does not load and leaves them.
    const std::vector<BYTE> cut(pdf.begin(), pdf.begin() + 40);
    EXPECT_FALSE(engine.LoadImageFromMemory(cut.data(), DWORD(cut.size()), OSTRL_PDF));
    EXPECT_STREQ(engine.m_pdfSettings.title, "The page's own");
    EXPECT_TRUE(engine.LoadImageFromMemory(pdf.data(), DWORD(pdf.size()), OSTRL_PDF)) << engine.GetErrorCode();
    EXPECT_STREQ(engine.m_pdfSettings.title, "Scanned at the desk");
    EXPECT_EQ(engine.GetImageCount(), 3);

    // Types no format reads, also one whose low 16 bits are BMP's: -1110, nothing added.
    for (LONG type : {LONG(kImageTypeOther), LONG(kImageTypeRawFile), 0x10000L, -1L}) {
        SCOPED_TRACE(type);
        EXPECT_FALSE(engine.LoadImageFromMemory(bmp.data(), DWORD(bmp.size()), type));
        EXPECT_EQ(engine.GetErrorCode(), kErrFileExtension);
    }
    EXPECT_EQ(engine.GetImageCount(), 3);
}

TEST(Base64Output, PreparedDataIsEncodedOnceThenGone) {
    TestEngine engine;
    EXPECT_FALSE(engine.SaveSelectedImagesToBase64Binary(nullptr));
    EXPECT_EQ(engine.GetErrorCode(), kErrNoSelectedImagesSize);
    HGLOBAL data = GlobalAlloc(GMEM_FIXED, 3);
    memcpy(data, "Man", 3);
    engine.SetSelectedImagesData(data, 3);
    EXPECT_TRUE(engine.SaveSelectedImagesToBase64Binary(nullptr));
    EXPECT_EQ(engine.lastScriptString, "TWFu");
    EXPECT_FALSE(engine.SaveSelectedImagesToBase64Binary(nullptr));
    EXPECT_EQ(engine.GetErrorCode(), kErrNoSelectedImagesSize);
}

TEST(BlankTest, OnTheCallingThreadAndOnTheWorker) {
    for (LONG worker : {0, 1}) {
        SCOPED_TRACE(worker);
        TestEngine engine;
        engine.SetRunInWorker(worker);
        ASSERT_TRUE(engine.AddImage(SolidDib(64, 64, 0xFFFFFF)));
        HGLOBAL page = SolidDib(64, 64, 0xFFFFFF);
        {
            CImage blot(page, FALSE, TRUE);
            for (LONG y = 10; y < 30; ++y)
                for (LONG x = 10; x < 30; ++x) blot.SetPixelColor(x, y, 0);
        }
        ASSERT_TRUE(engine.AddImage(page));
        engine.SetBlankImageMaxStdDev(0.0f);
        EXPECT_TRUE(engine.IsBlankImage(0));
        EXPECT_EQ(engine.GetBlankImageCurrentStdDev(), 0.0);
        EXPECT_FALSE(engine.IsBlankImage(1));
        EXPECT_GT(engine.GetBlankImageCurrentStdDev(), 0.0);
        EXPECT_EQ(engine.GetErrorCode(), 0);
        EXPECT_EQ(engine.GetIfShowProgressBar(), 1);
        // The page's rectangle passes unconverted: rows 0..9 from the bottom hold no blot.
        EXPECT_TRUE(engine.IsBlankImageEx(1, 0, 0, 64, 10, FALSE));
        EXPECT_FALSE(engine.IsBlankImageEx(1, 0, 0, 0, 10, FALSE));
        EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue);
        EXPECT_FALSE(engine.IsBlankImage(7));
        EXPECT_EQ(engine.GetErrorCode(), kErrInvalidIndex);
    }
}

}  // namespace
