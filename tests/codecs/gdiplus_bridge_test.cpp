// The GDI+ bridge: what Wine's GDI+ really does (frames, appends, resolution, status codes) and,
// through a recording table in front of it, what it ignores (JPEG quality, TIFF compression,
// save flags).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "codecs/bmp_codec.h"
#include "file_io_fixture.h"
#include "support/test_dib.h"

namespace {

using Status = GdiplusApi::Status;

// The recording stand-in: every encoder parameter handed to GDI+ is written down as
// "call:name=value,..."; chosen calls can be made to fail.
struct Recording {
    std::vector<std::string> calls;
    Status failSaveAddImage = Gdiplus::Ok;
    Status failCreateFromStream = Gdiplus::Ok;
};
Recording g_recording;

std::string Describe(const char* call, const Gdiplus::EncoderParameters* params) {
    std::string text = call;
    text += ":";
    for (UINT i = 0; params && i < params->Count; ++i) {
        const Gdiplus::EncoderParameter& p = params->Parameter[i];
        const char* name = IsEqualGUID(p.Guid, kGdipEncoderQuality)       ? "quality"
                           : IsEqualGUID(p.Guid, kGdipEncoderCompression) ? "compression"
                           : IsEqualGUID(p.Guid, kGdipEncoderSaveFlag)    ? "flag"
                                                                          : "?";
        text += std::string(i ? "," : "") + name + "=" + std::to_string(*static_cast<const LONG*>(p.Value));
    }
    return text;
}

Status WINAPI RecordSaveImageToStream(GdiplusApi::Image* image, IStream* stream, const CLSID* clsid,
                                      const Gdiplus::EncoderParameters* params) {
    g_recording.calls.push_back(Describe("save", params));
    return LinkedGdiplusApi().SaveImageToStream(image, stream, clsid, params);
}

Status WINAPI RecordSaveAdd(GdiplusApi::Image* image, const Gdiplus::EncoderParameters* params) {
    g_recording.calls.push_back(Describe("add", params));
    return LinkedGdiplusApi().SaveAdd(image, params);
}

Status WINAPI RecordSaveAddImage(GdiplusApi::Image* image, GdiplusApi::Image* page,
                                 const Gdiplus::EncoderParameters* params) {
    g_recording.calls.push_back(Describe("addimage", params));
    if (g_recording.failSaveAddImage != Gdiplus::Ok) return g_recording.failSaveAddImage;
    return LinkedGdiplusApi().SaveAddImage(image, page, params);
}

Status WINAPI RecordCreateBitmapFromStream(IStream* stream, GdiplusApi::Bitmap** bitmap) {
    if (g_recording.failCreateFromStream != Gdiplus::Ok) return g_recording.failCreateFromStream;
    return LinkedGdiplusApi().CreateBitmapFromStream(stream, bitmap);
}

const GdiplusApi& RecordingApi() {
    static GdiplusApi api = [] {
        GdiplusApi a = LinkedGdiplusApi();
        a.SaveImageToStream = RecordSaveImageToStream;
        a.SaveAdd = RecordSaveAdd;
        a.SaveAddImage = RecordSaveAddImage;
        a.CreateBitmapFromStream = RecordCreateBitmapFromStream;
        return a;
    }();
    return api;
}

class Bridge : public testing::Test {
protected:
    void SetUp() override {
        g_recording = Recording{};
        engine = MakeEngine(Route::kControl, &RecordingApi());
        folder = ScratchFolder();
    }
    // Images of widths 10, 11, 12, ... so pages can be told apart.
    void AddImages(int n, int bits = 24) {
        for (int i = 0; i < n; ++i) ASSERT_TRUE(engine->AddImage(MakeTestDib(10 + i, 8, bits, uint32_t(i + 1))));
    }
    std::vector<LONG> PageWidths(const std::string& path) {
        auto reader = MakeEngine(Route::kControl, &LinkedGdiplusApi());
        std::vector<LONG> widths;
        if (!reader->LoadImageFileGdiplus(path.c_str())) return widths;
        for (SHORT i = 0; i < reader->GetImageCount(); ++i) widths.push_back(reader->Info(i).biWidth);
        return widths;
    }

    std::unique_ptr<FileEngine> engine;
    std::string folder;
};

TEST_F(Bridge, JpegQualityReachesTheEncoder) {
    AddImages(1);
    HGLOBAL out = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(engine->SaveAsJPEGToMemory(&out, 0, &size, 100));
    EXPECT_EQ(engine->m_jpegQuality, 100);
    ASSERT_EQ(g_recording.calls, std::vector<std::string>{"save:quality=100"});
    ASSERT_GT(size, 4u);
    EXPECT_EQ(static_cast<BYTE*>(out)[0], 0xFF);
    EXPECT_EQ(static_cast<BYTE*>(out)[1], 0xD8);
    GlobalFree(out);
    // PNG and BMP carry no parameters.
    ASSERT_TRUE(engine->SaveAsPNGToMemory(&out, 0, &size));
    GlobalFree(out);
    EXPECT_EQ(g_recording.calls.back(), "save:");
}

TEST_F(Bridge, TiffCompressionFollowsSettingAndDepth) {
    ASSERT_TRUE(engine->AddImage(MakeTestDib(9, 9, 1)));
    ASSERT_TRUE(engine->AddImage(MakeTestDib(9, 9, 24)));
    struct {
        SHORT index;
        LONG setting;
        const char* expected;
    } cases[] = {
        {0, TIFF_AUTO, "save:compression=4"},      {1, TIFF_AUTO, "save:compression=2"},
        {1, TIFF_NONE, "save:compression=6"},      {1, TIFF_RLE, "save:compression=5"},
        {0, TIFF_FAX3, "save:compression=3"},      {0, TIFF_FAX4, "save:compression=4"},
        {1, TIFF_LZW, "save:compression=2"},       {1, TIFF_PACKBITS, "save:compression=2"},
    };
    for (auto& c : cases) {
        HGLOBAL out = nullptr;
        DWORD size = 0;
        g_recording.calls.clear();
        engine->SaveAsTIFFToMemory(&out, c.index, &size, c.setting);
        if (out) GlobalFree(out);
        ASSERT_FALSE(g_recording.calls.empty());
        EXPECT_EQ(g_recording.calls[0], c.expected) << c.setting;
        EXPECT_EQ(engine->m_tiffCompressionType, c.setting);
    }
}

TEST_F(Bridge, MultiPageSaveFlagsAndPageOrder) {
    AddImages(5);
    std::string path = folder + "list.tif";
    const SHORT list[] = {4, 2};
    ASSERT_TRUE(engine->SaveSelectedImagesAsMultiPageTIFF(path.c_str(), list, 2, TIFF_LZW)) << engine->GetErrorCode();
    EXPECT_EQ(g_recording.calls,
              (std::vector<std::string>{"save:compression=2,flag=18", "addimage:compression=2,flag=23",
                                        "add:compression=2,flag=20"}));
    EXPECT_EQ(PageWidths(path), (std::vector<LONG>{14, 12}));
    const SHORT all[] = {SHORT(65535)};
    std::string allPath = folder + "all.tif";
    ASSERT_TRUE(engine->SaveSelectedImagesAsMultiPageTIFF(allPath.c_str(), all, 1, TIFF_AUTO));
    EXPECT_EQ(PageWidths(allPath), (std::vector<LONG>{10, 11, 12, 13, 14}));
}

TEST_F(Bridge, SaveAsTiffReplacesOrAppends) {
    AddImages(3);
    std::string path = folder + "pages.tif";
    const SHORT two[] = {0, 1};
    ASSERT_TRUE(engine->SaveSelectedImagesAsMultiPageTIFF(path.c_str(), two, 2, TIFF_AUTO));
    ASSERT_EQ(PageWidths(path).size(), 2u);
    // IfTiffMultiPage 0: the caller passes new-file 1 and the file is replaced.
    ASSERT_TRUE(engine->SaveAsTIFF(path.c_str(), 2, TRUE, TIFF_AUTO));
    EXPECT_EQ(PageWidths(path), (std::vector<LONG>{12}));
    ASSERT_TRUE(engine->SaveSelectedImagesAsMultiPageTIFF(path.c_str(), two, 2, TIFF_AUTO));
    EXPECT_EQ(PageWidths(path), (std::vector<LONG>{12, 10, 11}));
    // IfTiffMultiPage 1: appended after the existing pages.
    ASSERT_TRUE(engine->SaveAsTIFF(path.c_str(), 2, FALSE, TIFF_AUTO)) << engine->GetErrorCode();
    EXPECT_EQ(PageWidths(path), (std::vector<LONG>{12, 10, 11, 12}));
}

TEST_F(Bridge, FailedAppendKeepsTheOldFile) {
    AddImages(2);
    std::string path = folder + "keep.tif";
    CopyFileA(TestFile("pages3.tif").c_str(), path.c_str(), FALSE);
    std::vector<BYTE> before = ReadBytes(path);
    g_recording.failSaveAddImage = Gdiplus::Win32Error;
    const SHORT list[] = {0, 1};
    EXPECT_FALSE(engine->SaveSelectedImagesAsMultiPageTIFF(path.c_str(), list, 2, TIFF_AUTO));
    EXPECT_EQ(engine->GetErrorCode(), -1208);
    EXPECT_EQ(ReadBytes(path), before);
    // A file that is no image: the append cannot start, and the file stays.
    std::string garbage = folder + "garbage.tif";
    CopyFileA(TestFile("garbage.tif").c_str(), garbage.c_str(), FALSE);
    g_recording = Recording{};
    EXPECT_FALSE(engine->SaveAllAsMultiPageTIFF(garbage.c_str(), TIFF_AUTO));
    EXPECT_LT(engine->GetErrorCode(), -1200);
    EXPECT_EQ(ReadBytes(garbage), ReadBytes(TestFile("garbage.tif")));
    // Without the fault the same append succeeds.
    EXPECT_TRUE(engine->SaveSelectedImagesAsMultiPageTIFF(path.c_str(), list, 2, TIFF_AUTO));
    EXPECT_EQ(PageWidths(path).size(), 5u);
}

TEST_F(Bridge, StatusCodesMapToEngineCodes) {
    g_recording.failCreateFromStream = Gdiplus::OutOfMemory;
    EXPECT_FALSE(engine->LoadImageFileGdiplus(TestFile("rose.png").c_str()));
    EXPECT_EQ(engine->GetErrorCode(), -1204);
    g_recording.failCreateFromStream = Gdiplus::UnknownImageFormat;
    EXPECT_FALSE(engine->LoadBMPFile(TestFile("rose3.bmp").c_str()));
    EXPECT_EQ(engine->GetErrorCode(), -1214);
    g_recording = Recording{};
    EXPECT_FALSE(engine->LoadImageFileGdiplus(TestFile("garbage.tif").c_str()));
    EXPECT_LE(engine->GetErrorCode(), -1202);
    EXPECT_GE(engine->GetErrorCode(), -1221);
    EXPECT_EQ(engine->GetImageCount(), 0);
}

TEST_F(Bridge, PaletteImagesWithoutColourCountKeepTheirPixels) {
    // biClrUsed 0 at 8 and 4 bits: the pixels start after the whole table.
    for (int bits : {8, 4, 1}) {
        engine->RemoveAllImages();
        ASSERT_TRUE(engine->AddImage(MakeTestDib(13, 6, bits, 77)));
        std::vector<BYTE> original = DibPixels(engine->GetImageDIB(0));
        std::string path = folder + "pal" + std::to_string(bits) + ".bmp";
        ASSERT_TRUE(engine->SaveAsBMP(path.c_str(), 0));
        std::vector<BYTE> file = ReadBytes(path);
        HGLOBAL back = nullptr;
        ASSERT_EQ(BmpReadFromMemory(file.data(), file.size(), &back), 0);
        std::vector<BYTE> pixels = DibPixels(back);
        GlobalFree(back);
        ASSERT_EQ(pixels.size(), original.size()) << bits;
        // Equal in every pixel; the row padding is GDI+'s own.
        const int width = 13, stride = int(pixels.size() / 6);
        for (int row = 0; row < 6; ++row) {
            for (int x = 0; x < width * bits; ++x) {
                const int at = row * stride + x / 8, bit = 7 - x % 8;
                ASSERT_EQ((pixels[at] >> bit) & 1, (original[at] >> bit) & 1) << bits << " bits, row " << row;
            }
        }
    }
}

TEST_F(Bridge, ResolutionOfEachAxisSurvivesTheRoundTrip) {
    HGLOBAL dib = MakeTestDib(16, 4, 1, 3);  // 3780 pixels per metre = 96 dpi
    auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    h->biXPelsPerMeter = 11811;  // 300 dpi
    h->biYPelsPerMeter = 0;      // 96 dpi
    GlobalUnlock(dib);
    ASSERT_TRUE(engine->AddImage(dib));
    std::string path = folder + "mono.bmp";
    ASSERT_TRUE(engine->SaveAsBMP(path.c_str(), 0));
    ASSERT_TRUE(engine->LoadImageFileGdiplus(path.c_str()));
    BITMAPINFOHEADER back = engine->Info(1);
    EXPECT_NEAR(back.biXPelsPerMeter, 11811, 40);
    EXPECT_NEAR(back.biYPelsPerMeter, 3780, 40);
}

}  // namespace
