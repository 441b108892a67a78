// The ANSI string helpers and ParseDecimal.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/ansi_strings.h"

namespace {

std::vector<std::string> Split(const char* text, char separator) {
    char** pieces = nullptr;
    int count = -1;
    EXPECT_TRUE(SplitString(text, separator, &pieces, &count));
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) out.push_back(pieces[i]);
    FreeStringArray(pieces, count);
    return out;
}

TEST(AnsiStrings, CountAndSplitPieces) {
    EXPECT_EQ(CountPieces("", ','), 0);
    EXPECT_EQ(CountPieces("a", ','), 1);
    EXPECT_EQ(CountPieces("a,,b,", ','), 3);
    EXPECT_EQ(CountPieces(",a", ','), 2);
    EXPECT_EQ(Split("a,,b,", ','), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(Split(",a", ','), (std::vector<std::string>{"", "a"}));
    EXPECT_EQ(Split("abc", ','), (std::vector<std::string>{"abc"}));
    EXPECT_TRUE(Split("", ',').empty());
}

TEST(AnsiStrings, TrimReplaceAndFind) {
    char text[64];
    strcpy(text, "C:\\a\\b\\/ /  ");
    TrimTrailingSeparators(text);
    EXPECT_STREQ(text, "C:\\a\\b\\/ ");  // blanks, then backslashes, then slashes: once each
    strcpy(text, "C:\\x\\ \\\\//");
    TrimTrailingSeparators(text);
    EXPECT_STREQ(text, "C:\\x\\ \\\\");
    strcpy(text, "x\\y\\\\  ");
    TrimTrailingSeparators(text);
    EXPECT_STREQ(text, "x\\y");
    strcpy(text, "a/b/c");
    EXPECT_EQ(ReplaceChar(text, '/', '\\'), 5);
    EXPECT_STREQ(text, "a\\b\\c");
    EXPECT_EQ(FindCharFrom("abcabc", 'b', 2), 4);
    EXPECT_EQ(FindCharFrom("abc", 'b', 3), -1);
    EXPECT_EQ(FindCharFrom("abc", 'b', -1), -1);
    EXPECT_EQ(ReverseFindChar("abcabc", 'a'), 3);
    EXPECT_EQ(ReverseFindChar("abc", 'z'), -1);
}

TEST(AnsiStrings, CopySubstringStaysInsideTheText) {
    char out[16];
    CopySubstring("abcdef", 2, 3, out);
    EXPECT_STREQ(out, "cde");
    CopySubstring("abcdef", 4, 100, out);
    EXPECT_STREQ(out, "ef");
    memset(out, 'x', sizeof(out));
    CopySubstring("abc", 10, 5, out);  // a start past the end copies nothing
    EXPECT_STREQ(out, "");
    CopySubstring("abc", 1, -4, out);
    EXPECT_STREQ(out, "");
}

TEST(AnsiStrings, FindSubstringBoundsAndCase) {
    EXPECT_EQ(FindSubstring("aaab", "aab", 0, 4, 1), 1);
    EXPECT_EQ(FindSubstring("aaab", "aab", 0, 3, 1), -1);  // would end past the bound
    EXPECT_EQ(FindSubstring("aaab", "aab", 2, 4, 1), -1);
    EXPECT_EQ(FindSubstring("aaab", "", 0, 4, 1), -1);
    EXPECT_EQ(FindSubstring("aaab", "a", 3, 3, 1), -1);
    EXPECT_EQ(FindSubstringInString("the Roaming folder", "ROAMING", 0), 4);
    EXPECT_EQ(FindSubstringInString("the Roaming folder", "ROAMING", 1), -1);
}

TEST(AnsiStrings, ParseDecimalWeighsByPosition) {
    EXPECT_EQ(ParseDecimal("12a"), 120);
    EXPECT_EQ(ParseDecimal("200"), 200);
    EXPECT_EQ(ParseDecimal("-5"), 5);
    EXPECT_EQ(ParseDecimal(""), 0);
    EXPECT_EQ(ParseDecimal(nullptr), 0);
    EXPECT_EQ(ParseDecimal("2147483647"), 2147483647);
    EXPECT_EQ(ParseDecimal("99999999999999999999999"), 2147483647);  // no overflow
}

TEST(AnsiStrings, RoamingBecomesLocalLowWithinTheBuffer) {
    char path[260];
    strcpy(path, "C:\\Users\\u\\appdata\\roaming\\Sub");
    ASSERT_TRUE(RewriteRoamingToLocalLow(path, sizeof(path)));
    EXPECT_STREQ(path, "C:\\Users\\u\\AppData\\LocalLow");
    strcpy(path, "C:\\ProgramData");
    ASSERT_TRUE(RewriteRoamingToLocalLow(path, sizeof(path)));
    EXPECT_STREQ(path, "C:\\ProgramData");
    // A prefix of 243 characters leaves no room for the one character more.
    std::string longPath = std::string(243, 'x') + "\\AppData\\Roaming";
    strcpy(path, longPath.c_str());
    EXPECT_FALSE(RewriteRoamingToLocalLow(path, sizeof(path)));
    EXPECT_EQ(std::string(path), longPath);
    longPath = std::string(242, 'x') + "\\AppData\\Roaming";
    strcpy(path, longPath.c_str());
    EXPECT_TRUE(RewriteRoamingToLocalLow(path, sizeof(path)));
    EXPECT_EQ(strlen(path), 259u);
}

}  // namespace
