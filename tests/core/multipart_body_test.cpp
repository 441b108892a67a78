// The multipart/form-data body of POST uploads and the BMP file of an upload, byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/multipart_body.h"
#include "core/upload_bmp_file.h"
#include "support/test_dib.h"

namespace {

const std::string kLine = "-----------------------------7d22c1f30aa4";

std::string Build(const MultipartField* fields, int count, const char* fieldName, const char* fileName,
                  const std::string& file, int* result = nullptr) {
    HGLOBAL body = nullptr;
    uint64_t size = 0;
    int r = BuildMultipartBody(fields, count, fieldName, fileName, reinterpret_cast<const BYTE*>(file.data()),
                               file.size(), &body, &size);
    if (result) *result = r;
    if (r != kMultipartOk) {
        EXPECT_EQ(body, nullptr);
        return {};
    }
    std::string out(static_cast<const char*>(body), size);
    GlobalFree(body);
    return out;
}

TEST(MultipartBody, FieldsThenImageThenClosing) {
    MultipartField fields[] = {{"id", "42"}, {"", "skipped"}, {nullptr, "skipped too"}, {"note", ""}};
    std::string file("\x00\x01\xFFimage", 8);
    std::string expected = kLine + "\r\nContent-Disposition: form-data; name=\"id\"; \r\n\r\n42\r\n" + kLine +
                           "\r\nContent-Disposition: form-data; name=\"note\"; \r\n\r\n\r\n" + kLine +
                           "\r\nContent-Disposition: form-data; name=\"RemoteFile\"; filename=\"scan.bmp\"\r\n"
                           "Content-Type: application/octet-stream\r\n\r\n" +
                           file + "\r\n" + kLine + "--\r\n";
    EXPECT_EQ(Build(fields, 4, "RemoteFile", "scan.bmp", file), expected);
}

TEST(MultipartBody, EmptyFileAndNoFields) {
    std::string expected = kLine +
                           "\r\nContent-Disposition: form-data; name=\"f\"; filename=\"\"\r\n"
                           "Content-Type: application/octet-stream\r\n\r\n\r\n" +
                           kLine + "--\r\n";
    EXPECT_EQ(Build(nullptr, 0, "f", nullptr, ""), expected);
}

TEST(MultipartBody, HeaderTextsCannotBreakTheirHeader) {
    MultipartField fields[] = {{"a\"b\r\nX-Injected: 1", "line one\r\nline two"}};
    std::string body = Build(fields, 1, "up\"load", "x\".bmp\r\n", "F");
    EXPECT_NE(body.find("name=\"a%22b%0D%0AX-Injected: 1\"; \r\n\r\nline one\r\nline two\r\n"), std::string::npos);
    EXPECT_NE(body.find("name=\"up%22load\"; filename=\"x%22.bmp%0D%0A\"\r\n"), std::string::npos);
    EXPECT_EQ(body.find("\r\nX-Injected"), std::string::npos);
}

TEST(MultipartBody, ValueHoldingTheDelimiterIsRefused) {
    // A value holding CRLF and a boundary line would end its part and let the page forge others.
    std::string forged = "x\r\n" + kLine + "\r\nContent-Disposition: form-data; name=\"admin\"";
    MultipartField fields[] = {{"note", forged.c_str()}};
    int result = 0;
    Build(fields, 1, "f", "a.bmp", "F", &result);
    EXPECT_EQ(result, kMultipartBadValue);
    // The value follows a CRLF of its own part header: starting with the boundary line is as bad.
    std::string leading = kLine + "--";
    MultipartField first[] = {{"note", leading.c_str()}};
    Build(first, 1, "f", "a.bmp", "F", &result);
    EXPECT_EQ(result, kMultipartBadValue);
}

TEST(MultipartBody, FileNameCutAtACharacterBoundary) {
    // 255 two-byte characters (510 bytes) and one three-byte character: 513 bytes in all.
    std::string name;
    for (int i = 0; i < 255; ++i) name += "\xC3\xA9";
    name += "\xE2\x82\xAC";
    std::string body = Build(nullptr, 0, "f", name.c_str(), "");
    std::string expectedName = "filename=\"" + name.substr(0, 510) + "\"\r\n";
    EXPECT_NE(body.find(expectedName), std::string::npos);
    EXPECT_EQ(Utf8PrefixLength("abc", 3, 511), 3u);
    EXPECT_EQ(Utf8PrefixLength("ab\xE2\x82\xAC", 5, 4), 2u);
    EXPECT_EQ(Utf8PrefixLength("ab\xE2\x82\xAC", 5, 5), 5u);
}

TEST(MultipartBody, RequestHeaders) {
    EXPECT_EQ(MultipartRequestHeaders(1234),
              "Content-Type: multipart/form-data; boundary=---------------------------7d22c1f30aa4\r\n"
              "Content-Length: 1234");
}

std::string BmpOf(HGLOBAL dib, bool* ok) {
    uint64_t size = 0;
    bool noMemory = false;
    auto* bytes = static_cast<const BYTE*>(GlobalLock(dib));
    HGLOBAL file = BuildUploadBmpFile(bytes, GlobalSize(dib), &size, &noMemory);
    GlobalUnlock(dib);
    *ok = file != nullptr;
    if (!file) return {};
    std::string out(static_cast<const char*>(file), size);
    GlobalFree(file);
    return out;
}

uint32_t Dword(const std::string& s, size_t at) {
    uint32_t v = 0;
    memcpy(&v, s.data() + at, 4);
    return v;
}

TEST(UploadBmpFile, EightBitWithoutClrUsedHasOffset1078) {
    HGLOBAL dib = MakeTestDib(13, 7, 8);
    bool ok = false;
    std::string file = BmpOf(dib, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(file.substr(0, 2), "BM");
    EXPECT_EQ(Dword(file, 10), 1078u);
    EXPECT_EQ(Dword(file, 2), 1078u + 16u * 7u);
    EXPECT_EQ(file.size(), 1078u + 16u * 7u);
    EXPECT_EQ(Dword(file, 6), 0u);
    // The DIB follows as it is, without the bytes a larger block carries behind its pixels.
    auto* bytes = static_cast<const char*>(GlobalLock(dib));
    EXPECT_EQ(file.substr(14), std::string(bytes, file.size() - 14));
    GlobalUnlock(dib);
    GlobalFree(dib);
}

TEST(UploadBmpFile, TwentyFourBitAndRefusedHeaders) {
    HGLOBAL dib = MakeTestDib(5, 3, 24);
    bool ok = false;
    std::string file = BmpOf(dib, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(Dword(file, 10), 54u);
    EXPECT_EQ(Dword(file, 2), 54u + 16u * 3u);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    header->biWidth = 100000;  // pixels beyond the block
    GlobalUnlock(dib);
    BmpOf(dib, &ok);
    EXPECT_FALSE(ok);
    GlobalFree(dib);
    uint64_t size = 0;
    bool noMemory = true;
    BYTE tiny[10] = {};
    EXPECT_EQ(BuildUploadBmpFile(tiny, sizeof(tiny), &size, &noMemory), nullptr);
    EXPECT_FALSE(noMemory);
}

}  // namespace
