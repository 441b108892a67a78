// The operation-name table generated from the member list: its size, its group anchors and that
// every name outside the separators is unique.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/operation_name_table.h"

TEST(OperationNameTable, AnchorsOfTheThreeGroups) {
    EXPECT_STREQ(OperationNameTable[0], "DefaultSourceName");
    EXPECT_STREQ(OperationNameTable[109], "FrameRate");
    EXPECT_STREQ(OperationNameTable[110], "");
    EXPECT_STREQ(OperationNameTable[111], "Manufacturer");
    EXPECT_STREQ(OperationNameTable[245], "IfAutoRoll");
    EXPECT_STREQ(OperationNameTable[246], "");
    EXPECT_STREQ(OperationNameTable[247], "AcquireImage");
    EXPECT_STREQ(OperationNameTable[396], "ShowFileDialog");
}

TEST(OperationNameTable, IdsOfTheLongOperations) {
    EXPECT_EQ(kOpIsBlankImage, 326);
    EXPECT_EQ(kOpIsBlankImageEx, 352);
    EXPECT_EQ(kOpReadBarcode, 373);
    EXPECT_EQ(kOpOCREx1, 394);
    EXPECT_EQ(kOpIfShowProgressBar, 213);
    EXPECT_STREQ(OperationName(kOpOCREx1), "OCREx1");
    EXPECT_STREQ(OperationName(-1), "");
    EXPECT_STREQ(OperationName(kOperationCount), "");
}

TEST(OperationNameTable, GroupSizesAndUniqueNames) {
    int counts[4] = {};
    std::set<std::string> names;
    for (int i = 0; i < kOperationCount; ++i) {
        ++counts[static_cast<int>(OperationKindTable[i])];
        if (OperationKindTable[i] != ScriptMemberKind::Separator) {
            EXPECT_TRUE(names.insert(OperationNameTable[i]).second) << OperationNameTable[i];
            EXPECT_NE(OperationNameTable[i][0], '\0');
        }
    }
    EXPECT_EQ(counts[static_cast<int>(ScriptMemberKind::Separator)], 2);
    EXPECT_EQ(counts[static_cast<int>(ScriptMemberKind::ReadOnly)], 110);
    EXPECT_EQ(counts[static_cast<int>(ScriptMemberKind::ReadWrite)], 135);
    EXPECT_EQ(counts[static_cast<int>(ScriptMemberKind::Method)], 150);
    EXPECT_EQ(OperationKindTable[109], ScriptMemberKind::ReadOnly);
    EXPECT_EQ(OperationKindTable[111], ScriptMemberKind::ReadWrite);
    EXPECT_EQ(OperationKindTable[247], ScriptMemberKind::Method);
}
