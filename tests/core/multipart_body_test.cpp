// The multipart/form-data body of POST uploads, byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/multipart_body.h"

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

}  // namespace
