// Loads and saves of the file I/O layer on all three routes (the control through GDI+, the
// plug-in loading through GDI+, the plug-in with its own codecs only), with files ImageMagick
// wrote, and the failure codes of missing, unreadable and unwritable files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "codecs/bmp_codec.h"
#include "file_io_fixture.h"
#include "support/test_dib.h"

namespace {

class RouteTest : public testing::TestWithParam<Route> {
protected:
    void SetUp() override { engine = MakeEngine(GetParam(), GetParam() == Route::kControl ? &LinkedGdiplusApi() : nullptr); }
    bool LoadsThroughGdiplus() const { return GetParam() != Route::kPluginWithoutGdiplus; }
    bool SavesThroughGdiplus() const { return GetParam() == Route::kControl; }

    std::unique_ptr<FileEngine> engine;
};

TEST_P(RouteTest, RoutingFlagsOfTheDeliverable) {
    EXPECT_TRUE(engine->HasGdiplusStarted());
    EXPECT_EQ(engine->UsesLibraryForSaving(), SavesThroughGdiplus());
    EXPECT_EQ(engine->UsesLibraryForLoading(), LoadsThroughGdiplus());
}

TEST_P(RouteTest, LoadsBmpFilesOfOtherPrograms) {
    // 124-byte (version 5) header, 40-byte header, 8-bit grey palette, 1-bit.
    for (const char* name : {"rose.bmp", "rose3.bmp", "gray8.bmp", "mono.bmp"}) {
        ASSERT_TRUE(engine->LoadBMPFile(TestFile(name).c_str())) << name << " " << engine->GetErrorCode();
        BITMAPINFOHEADER h = engine->Info(engine->GetCurrentImageIndex());
        EXPECT_EQ(h.biWidth, 70) << name;
        EXPECT_EQ(h.biHeight, 46) << name;
    }
    EXPECT_EQ(engine->GetImageCount(), 4);
    if (!LoadsThroughGdiplus()) {
        EXPECT_EQ(engine->Info(2).biBitCount, 8);
        EXPECT_EQ(engine->Info(3).biBitCount, 1);
    }
    // The same pixels whichever header carried them.
    EXPECT_EQ(engine->Pixels(0), engine->Pixels(1));
}

TEST_P(RouteTest, BmpFromMemoryMatchesTheFile) {
    std::vector<BYTE> bytes = ReadBytes(TestFile("rose3.bmp"));
    ASSERT_TRUE(engine->LoadBMPFromMemory(DWORD(bytes.size()), bytes.data()));
    ASSERT_TRUE(engine->LoadBMPFile(TestFile("rose3.bmp").c_str()));
    EXPECT_EQ(engine->Pixels(0), engine->Pixels(1));
    EXPECT_FALSE(engine->LoadBMPFromMemory(10, nullptr));
    EXPECT_EQ(engine->GetErrorCode(), -1034);
}

TEST_P(RouteTest, OwnReaderRefusesAndToleratesAsDocumented) {
    if (LoadsThroughGdiplus()) GTEST_SKIP() << "own reader only";
    EXPECT_FALSE(engine->LoadBMPFile(TestFile("rle8.bmp").c_str()));
    EXPECT_EQ(engine->GetErrorCode(), -1090);
    EXPECT_FALSE(engine->LoadBMPFile(TestFile("rose_alpha.bmp").c_str()));  // bit fields
    EXPECT_EQ(engine->GetErrorCode(), -1090);
    EXPECT_FALSE(engine->LoadBMPFile(TestFile("cut_table.bmp").c_str()));
    EXPECT_EQ(engine->GetErrorCode(), -1090);
    EXPECT_FALSE(engine->LoadBMPFile(TestFile("garbage.tif").c_str()));
    EXPECT_EQ(engine->GetErrorCode(), -1090);
    EXPECT_EQ(engine->GetImageCount(), 0);
    // A truncated file loads; the missing rows are zero.
    ASSERT_TRUE(engine->LoadBMPFile(TestFile("truncated.bmp").c_str()));
    std::vector<BYTE> pixels = DibPixels(engine->GetImageDIB(0));
    ASSERT_EQ(pixels.size(), 9752u);
    std::vector<BYTE> file = ReadBytes(TestFile("truncated.bmp"));
    EXPECT_TRUE(std::equal(file.begin() + 54, file.end(), pixels.begin()));
    EXPECT_TRUE(std::all_of(pixels.begin() + (1000 - 54), pixels.end(), [](BYTE b) { return b == 0; }));
}

TEST_P(RouteTest, MissingFileFailsWithReadError) {
    std::string missing = ScratchFolder() + "nothing.bmp";
    EXPECT_FALSE(engine->LoadBMPFile(missing.c_str()));
    EXPECT_EQ(engine->GetErrorCode(), -1036);
    EXPECT_FALSE(engine->LoadJPEGFile(missing.c_str()));
    EXPECT_EQ(engine->GetErrorCode(), -1036);
    EXPECT_FALSE(engine->LoadBMPFile(nullptr));
    EXPECT_EQ(engine->GetErrorCode(), -1034);
}

TEST_P(RouteTest, OtherFormatsLoadThroughGdiplusOrWaitForTheirCodec) {
    struct {
        const char* name;
        int images;
        LONG width;
    } files[] = {{"logo.jpg", 1, 160}, {"rose.png", 1, 70}, {"pages3.tif", 3, 70}};
    for (auto& f : files) {
        std::string path = TestFile(f.name);
        SHORT type = 0;
        ASSERT_TRUE(engine->GetImageTypeFromFileName(path.c_str(), &type));
        engine->RemoveAllImages();
        BOOL ok = type == OSTRL_JPG ? engine->LoadJPEGFile(path.c_str())
                : type == OSTRL_PNG ? engine->LoadPNGFile(path.c_str())
                                    : engine->LoadTIFFFile(path.c_str(), -1);
        if (LoadsThroughGdiplus()) {
            ASSERT_TRUE(ok) << f.name << " " << engine->GetErrorCode();
            EXPECT_EQ(engine->GetImageCount(), f.images) << f.name;
            EXPECT_EQ(engine->Info(0).biWidth, f.width) << f.name;
            EXPECT_EQ(engine->Info(0).biBitCount == 24 || engine->Info(0).biBitCount <= 8, true);
        } else if (type == OSTRL_JPG || type == OSTRL_PNG) {
            // The own JPEG and PNG decoders.
            ASSERT_TRUE(ok) << f.name << " " << engine->GetErrorCode();
            EXPECT_EQ(engine->GetImageCount(), 1);
            EXPECT_EQ(engine->Info(0).biWidth, f.width);
            EXPECT_EQ(engine->Info(0).biBitCount, 24);
        } else if (type == OSTRL_TIF) {
            // The own TIFF reader: every page, at the depth ImageMagick stored.
            ASSERT_TRUE(ok) << engine->GetErrorCode();
            EXPECT_EQ(engine->GetImageCount(), f.images);
            EXPECT_EQ(engine->Info(0).biWidth, f.width);
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(engine->GetErrorCode(), -1111) << f.name;
            EXPECT_EQ(engine->GetImageCount(), 0);
        }
    }
    // Every page of a TIFF, in order.
    if (LoadsThroughGdiplus() || engine->GetImageCount() == 3) {
        EXPECT_EQ(engine->Info(1).biWidth, 100);
        EXPECT_EQ(engine->Info(2).biWidth, 128);
    }
    // GIF is always GDI+'s.
    engine->RemoveAllImages();
    EXPECT_TRUE(engine->LoadImageFileGdiplus(TestFile("logo.gif").c_str()));
    EXPECT_EQ(engine->Info(0).biWidth, 80);
}

// A moveable block of the bytes: its handle is not its address, as with the blocks the decoder,
// TWAIN, the webcam and the clipboard make.
HGLOBAL MoveableBlockOf(const std::vector<BYTE>& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    void* p = GlobalLock(block);
    memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

TEST_P(RouteTest, LoadsFromMoveableHandlesAsFromTheFile) {
    for (const char* name : {"logo.jpg", "rose.png", "pages3.tif"}) {
        const std::string path = TestFile(name);
        SHORT type = 0;
        ASSERT_TRUE(engine->GetImageTypeFromFileName(path.c_str(), &type));
        engine->RemoveAllImages();
        const BOOL fromFile = type == OSTRL_JPG   ? engine->LoadJPEGFile(path.c_str())
                              : type == OSTRL_PNG ? engine->LoadPNGFile(path.c_str())
                                                  : engine->LoadTIFFFile(path.c_str(), -1);
        const LONG fileError = engine->GetErrorCode();
        const int fileImages = engine->GetImageCount();
        HGLOBAL block = MoveableBlockOf(ReadBytes(path));
        ASSERT_NE(static_cast<void*>(block), GlobalLock(block)) << "a moveable block";
        GlobalUnlock(block);
        const BOOL fromHandle = type == OSTRL_JPG   ? engine->LoadJPEGFromHandle(block)
                                : type == OSTRL_PNG ? engine->LoadPNGFromHandle(block)
                                                    : engine->LoadTIFFFromHandle(block, -1);
        EXPECT_EQ(fromHandle, fromFile) << name;
        EXPECT_EQ(engine->GetErrorCode(), fileError) << name;
        ASSERT_EQ(engine->GetImageCount(), 2 * fileImages) << name;
        for (int i = 0; i < fileImages; ++i) {
            EXPECT_EQ(engine->Pixels(SHORT(i)), engine->Pixels(SHORT(fileImages + i))) << name << " image " << i;
        }
        EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 0u) << "unlocked again";
        GlobalFree(block);
    }
}

TEST_P(RouteTest, SavesRoundTripByType) {
    std::string folder = ScratchFolder();
    HGLOBAL dib = MakeTestDib(33, 21, 24, 5);
    ASSERT_TRUE(engine->AddImage(dib));
    std::vector<BYTE> original = engine->Pixels(0);

    std::string bmp = folder + "new\\sub\\a.bmp";  // missing folders are made
    ASSERT_TRUE(engine->SaveAsBMP(bmp.c_str(), 0)) << engine->GetErrorCode();
    ASSERT_TRUE(engine->LoadBMPFile(bmp.c_str()));
    EXPECT_EQ(engine->Pixels(1), original);

    struct {
        const char* name;
        SHORT type;
    } saves[] = {{"a.jpg", OSTRL_JPG}, {"a.tif", OSTRL_TIF}, {"a.png", OSTRL_PNG}};
    for (auto& s : saves) {
        std::string path = folder + s.name;
        BOOL ok = s.type == OSTRL_JPG ? engine->SaveAsJPEG(path.c_str(), 0, 90)
                : s.type == OSTRL_TIF ? engine->SaveAsTIFF(path.c_str(), 0, TRUE, TIFF_AUTO)
                                      : engine->SaveAsPNG(path.c_str(), 0);
        if (!SavesThroughGdiplus() && s.type == OSTRL_PNG) {
            // The plug-in's own PNG writer; the file loads back by either route, pixel for pixel.
            ASSERT_TRUE(ok) << engine->GetErrorCode();
            SHORT before = engine->GetImageCount();
            ASSERT_TRUE(engine->LoadPNGFile(path.c_str())) << engine->GetErrorCode();
            EXPECT_EQ(engine->GetImageCount(), before + 1);
            EXPECT_EQ(engine->Pixels(before), original);
            continue;
        }
        if (!SavesThroughGdiplus() && s.type == OSTRL_JPG) {
            // The plug-in's own JPEG encoder; the file loads back by either route of the plug-in.
            ASSERT_TRUE(ok) << engine->GetErrorCode();
            SHORT before = engine->GetImageCount();
            ASSERT_TRUE(engine->LoadJPEGFile(path.c_str())) << engine->GetErrorCode();
            EXPECT_EQ(engine->GetImageCount(), before + 1);
            EXPECT_EQ(engine->Info(before).biWidth, 33);
            EXPECT_EQ(engine->Info(before).biHeight, 21);
            continue;
        }
        if (!SavesThroughGdiplus() && s.type == OSTRL_TIF) {
            // The plug-in's own TIFF writer; the own reader gives the pixels back.
            ASSERT_TRUE(ok) << engine->GetErrorCode();
            SHORT before = engine->GetImageCount();
            ASSERT_TRUE(engine->LoadTIFFFile(path.c_str(), -1)) << engine->GetErrorCode();
            ASSERT_EQ(engine->GetImageCount(), before + 1);
            EXPECT_EQ(engine->Pixels(before), original);
            continue;
        }
        if (!SavesThroughGdiplus()) {
            // The plug-in saves with its own encoders only.
            EXPECT_FALSE(ok);
            EXPECT_EQ(engine->GetErrorCode(), -1111);
            continue;
        }
        ASSERT_TRUE(ok) << s.name << " " << engine->GetErrorCode();
        std::vector<BYTE> bytes = ReadBytes(path);
        SHORT detected = -1;
        ASSERT_TRUE(CImageOperator::DetectImageType(bytes.data(), DWORD(bytes.size()), &detected));
        EXPECT_EQ(detected, s.type);
        SHORT before = engine->GetImageCount();
        ASSERT_TRUE(engine->LoadImageFileGdiplus(path.c_str()));
        EXPECT_EQ(engine->GetImageCount(), before + 1);
        if (s.type != OSTRL_JPG) {
            EXPECT_EQ(engine->Pixels(SHORT(before)), original) << s.name;
        }
    }
}

TEST_P(RouteTest, UnwritableTargetsFail) {
    std::string folder = ScratchFolder();
    ASSERT_TRUE(engine->AddImage(MakeTestDib(8, 8, 24)));
    // A read-only file is made writable and replaced.
    std::string ro = folder + "ro.bmp";
    WriteBytes(ro, {1, 2, 3});
    SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(engine->SaveAsBMP(ro.c_str(), 0));
    EXPECT_EQ(GetFileAttributesA(ro.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    // A folder where the file should be cannot be written.
    std::string dir = folder + "taken.bmp";
    CreateDirectoryA(dir.c_str(), nullptr);
    EXPECT_FALSE(engine->SaveAsBMP(dir.c_str(), 0));
    EXPECT_EQ(engine->GetErrorCode(), SavesThroughGdiplus() ? -1016 : -1022);
    EXPECT_FALSE(engine->SaveAsBMP((folder + "x.bmp").c_str(), 5));
    EXPECT_EQ(engine->GetErrorCode(), -1033);
    EXPECT_FALSE(engine->SaveAsBMP(nullptr, 0));
    EXPECT_EQ(engine->GetErrorCode(), -1034);
}

TEST_P(RouteTest, LoadImageExLoadsByTheTypeGiven) {
    std::string folder = ScratchFolder();
    std::string png = TestFile("rose.png");
    // Without a dialog the path is loaded as it is and reported.
    EXPECT_TRUE(engine->LoadImageEx(png.c_str(), OSTRL_PNG)) << engine->GetErrorCode();
    ASSERT_EQ(engine->postLoads.size(), 1u);
    EXPECT_EQ(engine->postLoads[0].name, "rose.png");
    EXPECT_EQ(engine->postLoads[0].folder + "\\rose.png", png);
    EXPECT_EQ(engine->postLoads[0].type, OSTRL_PNG);
    // A type outside 0 to 5 loads nothing, whatever the extension, and is no failure: the path
    // is still reported with the type given.
    engine->RemoveAllImages();
    for (SHORT type : {SHORT(-1), SHORT(-2), SHORT(6), SHORT(32767)}) {
        EXPECT_TRUE(engine->LoadImageEx(TestFile("rose3.bmp").c_str(), type)) << type;
        EXPECT_EQ(engine->GetErrorCode(), 0);
        EXPECT_EQ(engine->postLoads.back().name, "rose3.bmp");
        EXPECT_EQ(engine->postLoads.back().type, type);
    }
    EXPECT_TRUE(engine->LoadImageEx((folder + "file.xyz").c_str(), -1));
    EXPECT_EQ(engine->GetImageCount(), 0);
    EXPECT_EQ(engine->postLoads.size(), 6u);
    EXPECT_TRUE(engine->LoadImageEx(TestFile("rose3.bmp").c_str(), OSTRL_BMP));
    EXPECT_EQ(engine->GetImageCount(), 1);
}

TEST_P(RouteTest, NormaliserCutsThirtyTwoBitsAndRefusesBrokenImages) {
    HGLOBAL bmp = nullptr;
    uint64_t size = 0;
    HGLOBAL dib32 = MakeTestDib(6, 4, 32);
    ASSERT_EQ(BmpWriteToMemory(dib32, &bmp, &size), 0);
    GlobalFree(dib32);
    ASSERT_TRUE(engine->LoadBMPFromMemory(DWORD(size), static_cast<BYTE*>(bmp)));
    EXPECT_EQ(engine->Info(0).biBitCount, 24);
    GlobalFree(bmp);
    // An image the layout refuses is freed and not added.
    HGLOBAL broken = GlobalAlloc(GHND, 16);
    EXPECT_FALSE(engine->AddImage(broken));
    EXPECT_EQ(engine->GetImageCount(), 1);
    EXPECT_EQ(GlobalFlags(broken), UINT(GMEM_INVALID_HANDLE));
}

// Multi-page TIFF files of the longest path a save takes (259 characters) are written and
// appended to under that name; the new content's file beside it fits a path too and never takes
// the place of a file that is there.
TEST_P(RouteTest, MultiPageTiffOfTheLongestPathIsWrittenWhole) {
    std::string path = ScratchFolder() + "longtiff";
    while (259 - path.size() > 140) path += "\\" + std::string(100, 'd');
    path += "\\";
    path += std::string(259 - path.size() - 4, 'n') + ".tif";
    ASSERT_EQ(path.size(), 259u);
    const std::string folder = path.substr(0, path.rfind('\\'));
    ASSERT_TRUE(engine->AddImage(MakeTestDib(24, 16, 24, 1)));
    ASSERT_TRUE(engine->AddImage(MakeTestDib(20, 12, 24, 2)));
    const SHORT both[] = {0, 1};
    ASSERT_TRUE(engine->SaveSelectedImagesAsMultiPageTIFF(path.c_str(), both, 2, TIFF_AUTO)) << engine->GetErrorCode();
    // A file under the name the new content would go to first is left alone.
    const std::string beside = path.substr(0, 254) + "~0000";
    HANDLE file = CreateFileA(beside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "keep", 4, &written, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(engine->SaveAsTIFF(path.c_str(), 0, FALSE, TIFF_AUTO)) << engine->GetErrorCode();
    EXPECT_EQ(ReadBytes(beside), (std::vector<BYTE>{'k', 'e', 'e', 'p'}));
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::vector<std::string> names;
    do {
        if (found.cFileName[0] != '.') names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    const std::vector<std::string> expected = {path.substr(path.rfind('\\') + 1),
                                               beside.substr(beside.rfind('\\') + 1)};
    EXPECT_EQ(names, expected);
    engine->RemoveAllImages();
    ASSERT_TRUE(engine->LoadTIFFFile(path.c_str(), -1)) << engine->GetErrorCode();
    ASSERT_EQ(engine->GetImageCount(), 3);
    EXPECT_EQ(engine->Info(1).biWidth, 20);
    EXPECT_EQ(engine->Info(2).biWidth, 24);
}

INSTANTIATE_TEST_SUITE_P(Routes, RouteTest,
                         testing::Values(Route::kControl, Route::kPluginWithGdiplus, Route::kPluginWithoutGdiplus),
                         [](const testing::TestParamInfo<Route>& info) { return std::string(RouteName(info.param)); });

class FileUtilities : public testing::Test {
protected:
    void SetUp() override { engine = MakeEngine(Route::kControl, &LinkedGdiplusApi()); }
    std::unique_ptr<FileEngine> engine;
};

TEST_F(FileUtilities, ReadAndWriteWholeFiles) {
    std::string folder = ScratchFolder();
    std::string path = folder + "deep\\er\\bytes.bin";
    const BYTE data[] = {9, 8, 7, 6, 5};
    ASSERT_TRUE(engine->WriteMemoryToFile(path.c_str(), data, 5));
    DWORD size = 0;
    HGLOBAL back = engine->ReadFileToMemory(path.c_str(), &size);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(0, std::memcmp(back, data, 5));
    GlobalFree(back);
    EXPECT_EQ(engine->ReadFileToMemory((folder + "none").c_str(), &size), nullptr);
    EXPECT_EQ(engine->GetErrorCode(), -3000 - LONG(ERROR_FILE_NOT_FOUND));
    CreateDirectoryA((folder + "adir").c_str(), nullptr);
    EXPECT_FALSE(engine->WriteMemoryToFile((folder + "adir").c_str(), data, 5));
    EXPECT_LT(engine->GetErrorCode(), -3000);
}

TEST_F(FileUtilities, ClearReadOnlyAndInfoHeader) {
    std::string path = ScratchFolder() + "ro.txt";
    EXPECT_FALSE(CImageOperator::ClearReadOnly(nullptr));
    EXPECT_TRUE(CImageOperator::ClearReadOnly(path.c_str()));  // missing: nothing to do
    WriteBytes(path, {1});
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(CImageOperator::ClearReadOnly(path.c_str()));
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    BITMAPINFOHEADER h{};
    EXPECT_FALSE(engine->GetImageInfoHeader(0, &h));
    EXPECT_EQ(engine->GetErrorCode(), -1033);
    EXPECT_FALSE(engine->GetImageInfoHeader(0, nullptr));
    EXPECT_EQ(engine->GetErrorCode(), -1034);
    ASSERT_TRUE(engine->AddImage(MakeTestDib(12, 7, 8)));
    ASSERT_TRUE(engine->GetImageInfoHeader(0, &h));
    EXPECT_EQ(h.biWidth, 12);
    EXPECT_EQ(h.biBitCount, 8);
}

TEST_F(FileUtilities, OwnBmpWriterBytesOnDisk) {
    engine->SetRoutes(FALSE, FALSE);
    HGLOBAL dib = MakeTestDib(3, 2, 8);
    std::vector<BYTE> block(static_cast<BYTE*>(GlobalLock(dib)), static_cast<BYTE*>(GlobalLock(dib)) + GlobalSize(dib));
    GlobalUnlock(dib);
    GlobalUnlock(dib);
    ASSERT_TRUE(engine->AddImage(dib));
    std::string path = ScratchFolder() + "exact.bmp";
    ASSERT_TRUE(engine->SaveAsBMP(path.c_str(), 0));
    std::vector<BYTE> file = ReadBytes(path);
    ASSERT_EQ(file.size(), block.size() + 14);
    const uint32_t total = uint32_t(file.size());
    const BYTE header[14] = {'B', 'M', BYTE(total), BYTE(total >> 8), 0, 0, 0, 0, 0, 0, 0x36, 0x04, 0, 0};
    EXPECT_EQ(0, std::memcmp(file.data(), header, 14));
    EXPECT_EQ(0, std::memcmp(file.data() + 14, block.data(), block.size()));
    HGLOBAL out = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(engine->SaveAsBMPToMemory(&out, 0, &size));
    EXPECT_EQ(std::vector<BYTE>(static_cast<BYTE*>(out), static_cast<BYTE*>(out) + size), file);
    GlobalFree(out);
}

}  // namespace
