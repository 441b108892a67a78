// The plug-in's route as it runs in the browser: GDI+ only through "GDIPLUS.dll" loaded by name.
// This program never links GDI+, so it also runs with GDI+ switched off
// (LUMETTA_EXPECT_NO_GDIPLUS=1 with WINEDLLOVERRIDES=gdiplus=d).
#include <gtest/gtest.h>

#include <cstdlib>

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
    BOOL gif = engine->LoadImageEx(TestFile("logo.gif").c_str(), -1);
    if (GdiplusSwitchedOff()) {
        EXPECT_TRUE(jpeg);  // the own JPEG decoder
        EXPECT_FALSE(tiff);
        EXPECT_FALSE(gif);
        EXPECT_EQ(engine->GetErrorCode(), -1207);  // GDI+ function missing
        EXPECT_EQ(engine->GetImageCount(), 2);
        EXPECT_EQ(engine->Info(1).biWidth, 160);
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

}  // namespace
