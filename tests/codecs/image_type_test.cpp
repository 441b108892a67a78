// Image types from names and signatures, and the codec result tables.
#include <gtest/gtest.h>

#include "codecs/codec_result_map.h"
#include "codecs/image_type.h"

namespace {

TEST(ImageType, FromFileName) {
    SHORT t = 99;
    EXPECT_EQ(GetImageTypeFromFileName("photo.JPEG", &t), 0);
    EXPECT_EQ(t, OSTRL_JPG);
    EXPECT_EQ(GetImageTypeFromFileName("archive.tar.gif", &t), 0);
    EXPECT_EQ(t, kImageTypeOther);
    EXPECT_EQ(GetImageTypeFromFileName("C:\\a.b\\scan.TiFf", &t), 0);
    EXPECT_EQ(t, OSTRL_TIF);
    EXPECT_EQ(GetImageTypeFromFileName("x.dib", &t), 0);
    EXPECT_EQ(t, OSTRL_BMP);
    t = 99;
    EXPECT_EQ(GetImageTypeFromFileName("noextension", &t), -1110);
    EXPECT_EQ(t, 99);
    EXPECT_EQ(GetImageTypeFromFileName("", &t), -1110);
    EXPECT_EQ(GetImageTypeFromFileName("ends.", &t), -1110);
    EXPECT_EQ(t, SHORT(-1));
    EXPECT_EQ(GetImageTypeFromFileName("a.jpgx", &t), -1110);
    EXPECT_EQ(GetImageTypeFromFileName(nullptr, &t), -1034);
}

TEST(ImageType, FromSignature) {
    SHORT t = 42;
    const BYTE pdf[] = {'%', 'p', 'D', 'f'};
    EXPECT_TRUE(DetectImageType(pdf, 4, &t));
    EXPECT_EQ(t, OSTRL_PDF);
    EXPECT_FALSE(DetectImageType(pdf, 3, &t));
    const BYTE mm[] = {'M', 'M', 0, 0x2B};
    t = 42;
    EXPECT_FALSE(DetectImageType(mm, 4, &t));
    EXPECT_EQ(t, 42);
    const BYTE ii[] = {'I', 'I', '*', 0};
    const BYTE jpg[] = {0xFF, 0xD8, 0xFF, 0xE0};
    const BYTE png[] = {0x89, 'P', 'N', 'G'};
    const BYTE bmp[] = {'B', 'M', 0, 0};
    EXPECT_TRUE(DetectImageType(ii, 4, &t) && t == OSTRL_TIF);
    EXPECT_TRUE(DetectImageType(jpg, 4, &t) && t == OSTRL_JPG);
    EXPECT_TRUE(DetectImageType(png, 4, &t) && t == OSTRL_PNG);
    EXPECT_TRUE(DetectImageType(bmp, 4, &t) && t == OSTRL_BMP);
}

TEST(ImageType, FiltersOfTheSaveDialog) {
    EXPECT_STREQ(FilterOfImageType(OSTRL_JPG)->name, "JPEG (*.jpg;*.jpeg;*.jpe;*.jfif)");
    EXPECT_STREQ(FilterOfImageType(OSTRL_TIF)->defaultExtension, "tif");
    EXPECT_EQ(FilterOfImageType(5), nullptr);
    EXPECT_EQ(FilterOfImageType(-1), nullptr);
}

TEST(CodecResults, Tables) {
    EXPECT_EQ(JpegResultToErrorCode(2), -1071);
    EXPECT_EQ(JpegResultToErrorCode(-3), -1073);
    EXPECT_EQ(JpegResultToErrorCode(3), -1070);
    EXPECT_EQ(JpegResultToErrorCode(1), -1002);
    EXPECT_EQ(JpegResultToErrorCode(77), 0);
    EXPECT_EQ(TiffResultToErrorCode(-13), -1081);
    EXPECT_EQ(TiffResultToErrorCode(-12), -1080);
    EXPECT_EQ(TiffResultToErrorCode(-11), -1022);
    EXPECT_EQ(TiffResultToErrorCode(-6), -1002);
    EXPECT_EQ(PngResultToErrorCode(-10), -1100);
    EXPECT_EQ(PngResultToErrorCode(-9), -1022);
    EXPECT_EQ(PdfResultToErrorCode(-9), -1073);
    EXPECT_EQ(PdfResultToErrorCode(-3), -1036);
    EXPECT_EQ(PdfResultToErrorCode(-2), -1022);
    // "No pages" and other reader results stay failures through the PDF table.
    EXPECT_EQ(PdfResultToErrorCode(-4), -1200);
    EXPECT_EQ(PdfResultToErrorCode(-13), -1200);
    EXPECT_EQ(GdiplusStatusToErrorCode(1), -1202);
    EXPECT_EQ(GdiplusStatusToErrorCode(6), -1207);
    EXPECT_EQ(GdiplusStatusToErrorCode(20), -1221);
    EXPECT_EQ(GdiplusStatusToErrorCode(21), -1202);
    EXPECT_EQ(SystemErrorToErrorCode(5), -3005);
}

}  // namespace
