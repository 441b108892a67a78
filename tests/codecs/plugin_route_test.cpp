// The plug-in's route as it runs in the browser: GDI+ only through "GDIPLUS.dll" loaded by name.
// This program never links GDI+, so it also runs with GDI+ switched off
// (LUMETTA_EXPECT_NO_GDIPLUS=1 with WINEDLLOVERRIDES=gdiplus=d).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codecs/own_codec_routes.h"
#include "file_io_fixture.h"
#include "support/test_dib.h"

namespace {

bool GdiplusSwitchedOff() {
    const char* v = std::getenv("LUMETTA_EXPECT_NO_GDIPLUS");
    return v && *v == '1';
}

class PluginRoute : public testing::Test {
protected:
    void SetUp() override { engine = MakeEngine(Route::kPluginWithGdiplus); }
    std::unique_ptr<FileEngine> engine;
};

TEST_F(PluginRoute, LoadsThroughGdiplusOnlyWhenItIsThere) {
    EXPECT_FALSE(engine->UsesLibraryForSaving());
    EXPECT_EQ(engine->UsesLibraryForLoading(), !GdiplusSwitchedOff());
    EXPECT_EQ(engine->HasGdiplusStarted(), !GdiplusSwitchedOff());
    ASSERT_TRUE(engine->LoadBMPFile(TestFile("rose.bmp").c_str())) << engine->GetErrorCode();
    EXPECT_EQ(engine->Info(0).biWidth, 70);
    BOOL jpeg = engine->LoadJPEGFile(TestFile("logo.jpg").c_str());
    BOOL tiff = engine->LoadTIFFFile(TestFile("pages3.tif").c_str(), -1);
    BOOL gif = engine->LoadImageEx(TestFile("logo.gif").c_str(), 5);
    if (GdiplusSwitchedOff()) {
        EXPECT_TRUE(jpeg);  // the own JPEG decoder
        EXPECT_TRUE(tiff);  // the own TIFF reader, every page
        EXPECT_FALSE(gif);
        EXPECT_EQ(engine->GetErrorCode(), -1207);  // GDI+ function missing
        EXPECT_EQ(engine->GetImageCount(), 5);
        EXPECT_EQ(engine->Info(1).biWidth, 160);
        EXPECT_EQ(engine->Info(2).biWidth, 70);
        EXPECT_EQ(engine->Info(3).biWidth, 100);
    } else {
        EXPECT_TRUE(jpeg && tiff && gif);
        EXPECT_EQ(engine->GetImageCount(), 6);
    }
}

TEST_F(PluginRoute, SavesWithOwnEncoders) {
    ASSERT_TRUE(engine->AddImage(MakeTestDib(9, 5, 8)));
    std::string folder = ScratchFolder();
    ASSERT_TRUE(engine->SaveAsBMP((folder + "own.bmp").c_str(), 0));
    ASSERT_TRUE(engine->LoadBMPFile((folder + "own.bmp").c_str()));
    EXPECT_EQ(engine->Pixels(0), engine->Pixels(1));
    HGLOBAL out = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(engine->SaveAsJPEGToMemory(&out, 0, &size, 100)) << engine->GetErrorCode();
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(GlobalSize(out), size);
    // The own encoder at the quality given: after SOI and the JFIF segment, a DQT of all ones.
    const BYTE* bytes = static_cast<const BYTE*>(out);
    ASSERT_GT(size, 89u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    EXPECT_EQ(bytes[21], 0xDB);
    for (int i = 25; i < 89; ++i) EXPECT_EQ(bytes[i], 1) << i;
    GlobalFree(out);
}

TEST_F(PluginRoute, SavesPngWithItsOwnWriterAndReadsItBack) {
    std::string folder = ScratchFolder();
    const int depths[] = {1, 4, 8, 24};
    // Rows of whole bytes without padding: the writer does not keep what lies beyond the pixels.
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(engine->AddImage(MakeTestDib(32, 11, depths[i], uint32_t(i + 3))));
    for (SHORT i = 0; i < 4; ++i) {
        std::vector<BYTE> original = DibPixels(engine->GetImageDIB(i));
        // To a file: the own writer's bytes, read back by the own reader pixel for pixel.
        std::string path = folder + "own" + std::to_string(i) + ".png";
        ASSERT_TRUE(engine->SaveAsPNG(path.c_str(), i)) << engine->GetErrorCode();
        std::vector<BYTE> file = ReadBytes(path);
        ASSERT_GT(file.size(), 8u);
        EXPECT_EQ(memcmp(file.data(), "\x89PNG\r\n\x1a\n", 8), 0);
        HGLOBAL dib = nullptr;
        ASSERT_EQ(OwnPngDecode(file.data(), file.size(), &dib), 0) << i;
        EXPECT_EQ(DibPixels(dib), original) << depths[i];
        GlobalFree(dib);
        // To memory, as the uploads encode it: the same bytes.
        HGLOBAL out = nullptr;
        DWORD size = 0;
        ASSERT_TRUE(engine->SaveAsPNGToMemory(&out, i, &size)) << engine->GetErrorCode();
        ASSERT_EQ(GlobalSize(out), size);
        EXPECT_EQ(std::vector<BYTE>(static_cast<BYTE*>(out), static_cast<BYTE*>(out) + size), file);
        GlobalFree(out);
        // Loaded by the route of the plug-in (GDI+ when it is there, else the own reader).
        SHORT before = engine->GetImageCount();
        ASSERT_TRUE(engine->LoadPNGFile(path.c_str())) << engine->GetErrorCode();
        ASSERT_EQ(engine->GetImageCount(), before + 1);
        EXPECT_EQ(engine->Info(before).biWidth, 32);
        EXPECT_EQ(engine->Info(before).biHeight, 11);
        if (GdiplusSwitchedOff() || depths[i] == 24) {
            EXPECT_EQ(engine->Pixels(before), engine->Pixels(i)) << depths[i];
        }
    }
    // A damaged file is refused with the PNG error, and nothing is added.
    std::vector<BYTE> cut = ReadBytes(folder + "own3.png");
    cut.resize(cut.size() / 2);
    WriteBytes(folder + "cut.png", cut);
    SHORT count = engine->GetImageCount();
    if (GdiplusSwitchedOff()) {
        EXPECT_FALSE(engine->LoadPNGFile((folder + "cut.png").c_str()));
        EXPECT_EQ(engine->GetErrorCode(), -1100);
        EXPECT_FALSE(engine->LoadPNGFromMemory(DWORD(cut.size()), cut.data()));
        EXPECT_EQ(engine->GetErrorCode(), -1100);
        EXPECT_EQ(engine->GetImageCount(), count);
    }
    // A read-only file is replaced.
    std::string ro = folder + "ro.png";
    WriteBytes(ro, {1, 2, 3});
    SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(engine->SaveAsPNG(ro.c_str(), 0)) << engine->GetErrorCode();
    EXPECT_GT(ReadBytes(ro).size(), 3u);
}

TEST_F(PluginRoute, MultiPageTiffSavesAppendAndLoadBack) {
    const std::string folder = ScratchFolder();
    ASSERT_TRUE(engine->AddImage(MakeTestDib(41, 17, 24, 3)));
    ASSERT_TRUE(engine->AddImage(MakeTestDib(30, 30, 8, 4)));
    ASSERT_TRUE(engine->AddImage(MakeTestDib(65, 9, 1, 5)));
    const std::string path = folder + "pages.tif";
    ASSERT_TRUE(engine->SaveAllAsMultiPageTIFF(path.c_str(), TIFF_LZW)) << engine->GetErrorCode();
    const std::vector<BYTE> three = ReadBytes(path);
    // One more page appended: the earlier bytes stay but for the last next-IFD field.
    ASSERT_TRUE(engine->SaveAsTIFF(path.c_str(), 1, FALSE, TIFF_PACKBITS)) << engine->GetErrorCode();
    const std::vector<BYTE> four = ReadBytes(path);
    ASSERT_GT(four.size(), three.size());
    int differing = 0;
    for (size_t i = 0; i < three.size(); ++i) differing += three[i] != four[i];
    EXPECT_LE(differing, 4);
    // Read back by the route's loader (GDI+ when present, else the own reader).
    ASSERT_TRUE(engine->LoadTIFFFile(path.c_str(), -1)) << engine->GetErrorCode();
    ASSERT_EQ(engine->GetImageCount(), 7);
    EXPECT_EQ(engine->Info(3).biWidth, 41);
    EXPECT_EQ(engine->Info(6).biWidth, 30);
    EXPECT_EQ(engine->Pixels(3), engine->Pixels(0));
    if (GdiplusSwitchedOff()) {
        // The own reader keeps each page's depth.
        EXPECT_EQ(engine->Pixels(4), engine->Pixels(1));
        EXPECT_EQ(engine->Info(5).biBitCount, 1);
        // A (black, white) page comes back as (white, black) with every bit turned: the same picture.
        const std::vector<BYTE> bw = engine->Pixels(2), back = engine->Pixels(5);
        ASSERT_EQ(back.size(), bw.size());
        const size_t rowBytes = (65 + 7) / 8;
        for (size_t i = 0; i < bw.size(); ++i)
            EXPECT_EQ(back[i], BYTE(~bw[i] & (i % rowBytes == rowBytes - 1 ? 0x80 : 0xFF))) << i;
    }
    // In memory: three pages, the same pictures.
    HGLOBAL block = nullptr;
    DWORD size = 0;
    const SHORT list[] = {0, 1, 2};
    ASSERT_TRUE(engine->SaveImagesAsTIFFToMemory(&block, list, 3, &size, TIFF_LZW)) << engine->GetErrorCode();
    ASSERT_TRUE(engine->LoadTIFFFromHandle(block, -1)) << engine->GetErrorCode();
    GlobalFree(block);
    EXPECT_EQ(engine->GetImageCount(), 10);
    EXPECT_EQ(engine->Pixels(7), engine->Pixels(0));
}

TEST_F(PluginRoute, FailedTiffAppendLeavesTheFileAsItWas) {
    const std::string folder = ScratchFolder();
    ASSERT_TRUE(engine->AddImage(MakeTestDib(20, 20, 8, 1)));
    ASSERT_TRUE(engine->AddImage(MakeTestDib(20, 20, 24, 2)));
    const std::string path = folder + "kept.tif";
    ASSERT_TRUE(engine->SaveAsTIFF(path.c_str(), 0, TRUE, TIFF_LZW));
    const std::vector<BYTE> kept = ReadBytes(path);
    // Group 4 on a colour page cannot be written; the file keeps its one page untouched.
    EXPECT_FALSE(engine->SaveAsTIFF(path.c_str(), 1, FALSE, TIFF_FAX4));
    EXPECT_EQ(engine->GetErrorCode(), -1081);
    EXPECT_EQ(ReadBytes(path), kept);
    // A target that is not a little-endian TIFF is not appended to.
    const std::string other = folder + "other.tif";
    WriteBytes(other, {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0});
    EXPECT_FALSE(engine->SaveAsTIFF(other.c_str(), 1, FALSE, TIFF_LZW));
    EXPECT_EQ(engine->GetErrorCode(), -1081);
    EXPECT_EQ(ReadBytes(other), (std::vector<BYTE>{'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0}));
    // A read-only file is made writable and appended to.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(engine->SaveAsTIFF(path.c_str(), 1, FALSE, TIFF_LZW)) << engine->GetErrorCode();
    EXPECT_GT(ReadBytes(path).size(), kept.size());
}

}  // namespace
