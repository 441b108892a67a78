// The fixed error-text table: the texts are the page's contract, misspellings included.
#include <gtest/gtest.h>

#include <set>

#include "base/error_codes.h"

namespace {

TEST(ErrorCodes, TableHoldsEveryFixedCodeOnce) {
    size_t count = 0;
    const FixedErrorEntry* table = FixedErrorTable(&count);
    EXPECT_EQ(count, 66u);  // 69 codes, of which -2119..-2121 carry custom texts
    std::set<LONG> codes;
    for (size_t i = 0; i < count; ++i) {
        EXPECT_TRUE(codes.insert(table[i].code).second) << table[i].code;
        EXPECT_STREQ(FixedErrorText(table[i].code), table[i].text);
    }
}

TEST(ErrorCodes, ExactTexts) {
    EXPECT_STREQ(FixedErrorText(0), "Successful.");
    EXPECT_STREQ(FixedErrorText(-1015),
                 "Capability has dependancy on other capability and cannot be operated upon at this time.");
    EXPECT_STREQ(FixedErrorText(-1006),
                 "Capability not supported by Source or operation is not supported on capability, or capability had "
                 "dependencies on other capabilities and cannot be operated upon at this time.");
    EXPECT_STREQ(FixedErrorText(-1032), "User cancelled the operation.");
    EXPECT_STREQ(FixedErrorText(-1073),
                 "Only 24-bit true color bmp and 8-bit gray-scaled image are supported for JPEG compression.");
    EXPECT_STREQ(FixedErrorText(-2004), "The file too big for FTP.");
    EXPECT_STREQ(FixedErrorText(-2111), "The property doesn't exist.");
    EXPECT_STREQ(FixedErrorText(-2125), "No device is found.");
    EXPECT_STREQ(FixedErrorText(-1030),
                 "Can not open Source Manager. TWAINDSM.dll is missing or is in use by another application.");
    EXPECT_STREQ(FixedErrorText(-1030, true),
                 "Can not open Source Manager. TWain_32.dll is missing or is in use by another application.");
    EXPECT_STREQ(FixedErrorText(-1034, true), "Invalid value.");
}

TEST(ErrorCodes, CodesWithoutFixedText) {
    for (LONG code : {-1007, -1008, -2119, -2120, -2121, -1037, -3005, -15000, 1, -1})
        EXPECT_EQ(FixedErrorText(code), nullptr) << code;
    EXPECT_TRUE(IsCustomTextError(-2120));
    EXPECT_FALSE(IsCustomTextError(-2122));
    EXPECT_TRUE(IsWinInetError(-15000));
    EXPECT_TRUE(IsWinInetError(-15175));
    EXPECT_FALSE(IsWinInetError(-14999));
    EXPECT_FALSE(IsWinInetError(-15176));
    EXPECT_EQ(SystemErrorNumber(-3005), 5);
}

}  // namespace
