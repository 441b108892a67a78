// PDF through the engine's file I/O layer on every route: saves of one, all and listed images to
// files and memory, loads from files, memory and LoadImageEx, the document information both
// ways, and the engine codes of failures. On the control's route the JPEG pages go through GDI+.
#include <gtest/gtest.h>

#include <cstring>

#include "file_io_fixture.h"
#include "pdf_test_support.h"
#include "support/test_dib.h"

namespace {

class PdfRoute : public testing::TestWithParam<Route> {
protected:
    void SetUp() override {
        engine = MakeEngine(GetParam(), GetParam() == Route::kControl ? &LinkedGdiplusApi() : nullptr);
        // Three pages of different sizes and depths.
        ASSERT_TRUE(engine->AddImage(MakeTestDib(40, 30, 24, 1)));
        ASSERT_TRUE(engine->AddImage(MakeTestDib(25, 17, 8, 2)));
        ASSERT_TRUE(engine->AddImage(MakeTestDib(64, 9, 24, 3)));
        folder = ScratchFolder();
    }
    void ExpectPagesFrom(SHORT first, const std::vector<SHORT>& sources) {
        ASSERT_EQ(engine->GetImageCount(), first + SHORT(sources.size()));
        for (size_t i = 0; i < sources.size(); ++i) {
            BITMAPINFOHEADER got = engine->Info(SHORT(first + i)), want = engine->Info(sources[i]);
            EXPECT_EQ(got.biWidth, want.biWidth) << i;
            EXPECT_EQ(got.biHeight, want.biHeight) << i;
        }
    }
    std::unique_ptr<FileEngine> engine;
    std::string folder;
};

TEST_P(PdfRoute, AllPagesToAFileAndBackWithTheInformation) {
    std::strcpy(engine->m_pdfSettings.title, "Report (draft)");
    std::strcpy(engine->m_pdfSettings.author, "Scanner\\Desk 2");
    std::string path = folder + "sub\\all.pdf";  // missing folders are made
    ASSERT_TRUE(engine->SaveAsPDF(path.c_str(), -1, nullptr, enumAutoEncode, 80)) << engine->GetErrorCode();
    std::vector<BYTE> bytes = ReadBytes(path);
    SHORT type = -1;
    ASSERT_TRUE(CImageOperator::DetectImageType(bytes.data(), DWORD(bytes.size()), &type));
    EXPECT_EQ(type, OSTRL_PDF);

    std::memset(&engine->m_pdfSettings, 0, sizeof engine->m_pdfSettings);
    ASSERT_TRUE(engine->LoadPDFFile(path.c_str(), -1, &engine->m_pdfSettings)) << engine->GetErrorCode();
    ExpectPagesFrom(3, {0, 1, 2});
    EXPECT_STREQ(engine->m_pdfSettings.title, "Report (draft)");
    EXPECT_STREQ(engine->m_pdfSettings.author, "Scanner\\Desk 2");
    EXPECT_STREQ(engine->m_pdfSettings.version, "1.4");
    EXPECT_EQ(std::strlen(engine->m_pdfSettings.creationDate), 14u);

    // One page of the file, and the whole file through LoadImageEx with its report.
    ASSERT_TRUE(engine->LoadPDFFile(path.c_str(), 2, nullptr));
    ExpectPagesFrom(6, {2});
    std::string backslashed = path;
    ASSERT_TRUE(engine->LoadImageEx(backslashed.c_str(), OSTRL_PDF)) << engine->GetErrorCode();
    ExpectPagesFrom(7, {0, 1, 2});
    ASSERT_FALSE(engine->postLoads.empty());
    EXPECT_EQ(engine->postLoads.back().name, "all.pdf");
    EXPECT_EQ(engine->postLoads.back().type, OSTRL_PDF);
}

TEST_P(PdfRoute, ListedPagesToMemoryAndBack) {
    SHORT list[2] = {2, 0};
    HGLOBAL block = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(engine->SaveImagesAsPDFToMemory(&block, list, 2, nullptr, &size, enumJPEGEncode, 60))
        << engine->GetErrorCode();
    ASSERT_NE(block, nullptr);
    EXPECT_GE(GlobalSize(block), size);
    ASSERT_TRUE(engine->LoadPDFFromHandle(block, -1, nullptr)) << engine->GetErrorCode();
    GlobalFree(block);
    ExpectPagesFrom(3, {2, 0});

    SHORT all[1] = {-1};
    ASSERT_TRUE(engine->SaveImagesAsPDFToMemory(&block, all, 1, nullptr, &size, enumAutoEncode, 80));
    std::vector<BYTE> bytes(static_cast<BYTE*>(block), static_cast<BYTE*>(block) + size);
    GlobalFree(block);
    ASSERT_TRUE(engine->LoadPDFFromMemory(DWORD(bytes.size()), bytes.data(), 1, nullptr));
    ExpectPagesFrom(5, {1});

    ASSERT_TRUE(engine->SaveAsPDFToMemory(&block, 1, nullptr, &size, enumAutoEncode, 80));
    ASSERT_TRUE(engine->LoadPDFFromMemory(size, static_cast<BYTE*>(block), -1, nullptr));
    GlobalFree(block);
    ExpectPagesFrom(6, {1});

    SHORT everything[1] = {SHORT(-1)};
    std::string path = folder + "selected.pdf";
    ASSERT_TRUE(engine->SaveSelectedImagesAsMultiPagePDF(path.c_str(), everything, 1, nullptr, enumAutoEncode, 80));
    SHORT before = engine->GetImageCount();
    ASSERT_TRUE(engine->LoadPDFFile(path.c_str(), -1, nullptr));
    EXPECT_EQ(engine->GetImageCount(), before + before);
}

TEST_P(PdfRoute, FailuresGiveTheirEngineCodes) {
    EXPECT_FALSE(engine->LoadPDFFile((folder + "missing.pdf").c_str(), -1, nullptr));
    EXPECT_EQ(engine->GetErrorCode(), -1036);
    // Bytes are mapped by the TIFF table, files by the PDF one; no pages is never a success.
    const BYTE junk[] = "%PDF-1.4\nnothing here\n";
    EXPECT_FALSE(engine->LoadPDFFromMemory(sizeof junk, junk, -1, nullptr));
    EXPECT_EQ(engine->GetErrorCode(), -1081);
    WriteBytes(folder + "junk.pdf", std::vector<BYTE>(junk, junk + sizeof junk));
    EXPECT_FALSE(engine->LoadPDFFile((folder + "junk.pdf").c_str(), -1, nullptr));
    EXPECT_EQ(engine->GetErrorCode(), -1200);
    const std::string empty = pdftest::AssemblePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"});
    EXPECT_FALSE(engine->LoadPDFFromMemory(DWORD(empty.size()), reinterpret_cast<const BYTE*>(empty.data()), -1, nullptr));
    EXPECT_EQ(engine->GetErrorCode(), -1200);
    // A fax page whose data breaks off: -1022 from bytes, -1200 from a file.
    const std::string broken = pdftest::OneImagePdf(
        "/Width 64 /Height 64 /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode "
        "/DecodeParms << /K -1 >>",
        std::string(2, '\xFF'));
    EXPECT_FALSE(engine->LoadPDFFromMemory(DWORD(broken.size()), reinterpret_cast<const BYTE*>(broken.data()), -1, nullptr));
    EXPECT_EQ(engine->GetErrorCode(), -1022);
    WriteBytes(folder + "broken.pdf", std::vector<BYTE>(broken.begin(), broken.end()));
    EXPECT_FALSE(engine->LoadPDFFile((folder + "broken.pdf").c_str(), -1, nullptr));
    EXPECT_EQ(engine->GetErrorCode(), -1200);
    EXPECT_EQ(engine->GetImageCount(), 3);
    // A fax page needs a bilevel image: no file is left behind.
    std::string path = folder + "fax.pdf";
    EXPECT_FALSE(engine->SaveAsPDF(path.c_str(), 0, nullptr, enumCCITTFax4Encode, 80));
    EXPECT_EQ(engine->GetErrorCode(), -1200);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(engine->SaveAsPDF(path.c_str(), 9, nullptr, enumAutoEncode, 80));
    EXPECT_EQ(engine->GetErrorCode(), -1033);
    EXPECT_EQ(engine->GetImageCount(), 3);

    // A read-only file is replaced.
    path = folder + "readonly.pdf";
    WriteBytes(path, {1, 2, 3});
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(engine->SaveAsPDF(path.c_str(), 1, nullptr, enumAutoEncode, 80)) << engine->GetErrorCode();
    ASSERT_TRUE(engine->LoadPDFFile(path.c_str(), -1, nullptr));
    ExpectPagesFrom(3, {1});
}

TEST_P(PdfRoute, ALoadOverTheBudgetAddsNothing) {
    // Five pages share one group 4 image of 2^24 x 32 white pixels (64 MiB each) coded in four
    // bytes: 320 MiB from 2 KB is more than the 256 MiB any load may add.
    const std::string dictionary = "/Width 16777216 /Height 32 /ColorSpace /DeviceGray /BitsPerComponent 1 "
                                   "/Filter /CCITTFaxDecode /DecodeParms << /K -1 >>";
    const std::string four(4, '\xFF');
    std::string pdf = pdftest::SharedImagePdf(5, dictionary, four);
    EXPECT_FALSE(engine->LoadPDFFromMemory(DWORD(pdf.size()), reinterpret_cast<const BYTE*>(pdf.data()), -1, nullptr));
    EXPECT_EQ(engine->GetErrorCode(), -1002);
    EXPECT_EQ(engine->GetImageCount(), 3);
    WriteBytes(folder + "budget.pdf", std::vector<BYTE>(pdf.begin(), pdf.end()));
    EXPECT_FALSE(engine->LoadPDFFile((folder + "budget.pdf").c_str(), -1, nullptr));
    EXPECT_EQ(engine->GetErrorCode(), -1002);
    EXPECT_EQ(engine->GetImageCount(), 3);
    // Three of them fit, each its own image.
    pdf = pdftest::SharedImagePdf(3, dictionary, four);
    ASSERT_TRUE(engine->LoadPDFFromMemory(DWORD(pdf.size()), reinterpret_cast<const BYTE*>(pdf.data()), -1, nullptr))
        << engine->GetErrorCode();
    ASSERT_EQ(engine->GetImageCount(), 6);
    EXPECT_EQ(engine->Info(5).biWidth, 16777216);
}

INSTANTIATE_TEST_SUITE_P(Routes, PdfRoute,
                         testing::Values(Route::kControl, Route::kPluginWithGdiplus, Route::kPluginWithoutGdiplus),
                         [](const testing::TestParamInfo<Route>& info) { return std::string(RouteName(info.param)); });

}  // namespace
