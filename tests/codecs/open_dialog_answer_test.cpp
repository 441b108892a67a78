// The open dialog's answer read within its buffer (under the native build's address checker each
// buffer is exactly as long as the dialog's, so a read past it fails the run).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/open_dialog_answer.h"

namespace {

std::vector<char> Bytes(const std::string& text) { return std::vector<char>(text.begin(), text.end()); }

std::vector<std::string> Split(const std::vector<char>& bytes) { return SplitOpenDialogAnswer(bytes.data(), bytes.size()); }

using Paths = std::vector<std::string>;

TEST(OpenDialogAnswer, OneFileOrAFolderWithNames) {
    EXPECT_EQ(Split(Bytes(std::string("C:\\scans\\a.png\0\0", 17))), (Paths{"C:\\scans\\a.png"}));
    EXPECT_EQ(Split(Bytes(std::string("C:\\scans\0a.png\0b.tif\0\0", 23))),
              (Paths{"C:\\scans\\a.png", "C:\\scans\\b.tif"}));
    // A root folder already ends in "\".
    EXPECT_EQ(Split(Bytes(std::string("D:\\\0x.jpg\0\0", 11))), (Paths{"D:\\x.jpg"}));
    EXPECT_EQ(Split(Bytes(std::string("\0\0", 2))), (Paths{""}));
    EXPECT_TRUE(SplitOpenDialogAnswer(nullptr, 10).empty());
}

TEST(OpenDialogAnswer, ABufferFilledToItsEndEndsTheListThere) {
    // The last name ends with the buffer: no second NUL follows it.
    EXPECT_EQ(Split(Bytes(std::string("C:\\f\0a.png\0b.png\0", 18))), (Paths{"C:\\f\\a.png", "C:\\f\\b.png"}));
    // The last name is cut by the buffer's end: no NUL at all.
    EXPECT_EQ(Split(Bytes(std::string("C:\\f\0a.png\0b.p", 14))), (Paths{"C:\\f\\a.png", "C:\\f\\b.p"}));
    // Only a path, cut by the end.
    EXPECT_EQ(Split(Bytes("C:\\very\\long")), (Paths{"C:\\very\\long"}));
    // A path that ends with the buffer, its NUL the last byte.
    EXPECT_EQ(Split(Bytes(std::string("C:\\a.bmp\0", 9))), (Paths{"C:\\a.bmp"}));
}

}  // namespace
