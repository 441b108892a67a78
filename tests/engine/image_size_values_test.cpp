// The Image Size dialog's values against figures worked out by hand: byte counts in their unit
// with two decimals, and sides converted between pixels and percent.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "engine/image_size_values.h"

namespace {

std::string Text(uint64_t bytes) {
    char buffer[40];
    return FormatByteSize(bytes, buffer, sizeof buffer);
}

TEST(ImageSizeValues, ByteCountsInTheirUnit) {
    EXPECT_EQ(Text(0), "0.00 Bytes");
    EXPECT_EQ(Text(1024), "1024.00 Bytes");  // up to 1024 in bytes
    EXPECT_EQ(Text(1025), "1.00 KB");        // 1.0009...
    // The fraction keeps its leading zero: 1076 / 1024 = 1.0507..., 1075 / 1024 = 1.0498...
    EXPECT_EQ(Text(1076), "1.05 KB");
    EXPECT_EQ(Text(1075), "1.04 KB");
    EXPECT_EQ(Text(1840), "1.79 KB");  // 30 x 20 at 24 bits: 92-byte rows, 1.796875 KB
    EXPECT_EQ(Text(7200), "7.03 KB");  // 60 x 40: 180-byte rows, 7.03125 KB
    EXPECT_EQ(Text(1536), "1.50 KB");
    EXPECT_EQ(Text(1048576), "1024.00 KB");
    EXPECT_EQ(Text(1048577), "1.00 MB");
    EXPECT_EQ(Text(26099520), "24.89 MB");  // 2480 x 3508 at 24 bits: 7440 x 3508 bytes = 24.890... MB
    EXPECT_EQ(Text(1073741824), "1024.00 MB");
    EXPECT_EQ(Text(1073741825), "1.00 GB");
    EXPECT_EQ(Text(5905580032ull), "5.50 GB");  // 5.5 x 2^30
    EXPECT_EQ(Text(UINT64_MAX), "17179869183.99 GB");
}

TEST(ImageSizeValues, ByteTextIsCutToItsBuffer) {
    char small[5] = "xxxx";
    EXPECT_STREQ(FormatByteSize(1076, small, sizeof small), "1.05");
    char none[1] = {'x'};
    FormatByteSize(1076, none, 0);
    EXPECT_EQ(none[0], 'x');
    EXPECT_EQ(FormatByteSize(1076, nullptr, 10), nullptr);
}

TEST(ImageSizeValues, PixelsAndPercent) {
    EXPECT_EQ(PercentOfSide(15, 30), 50);
    EXPECT_EQ(PercentOfSide(45, 30), 150);
    EXPECT_EQ(PercentOfSide(31, 30), 103);  // 103.3 cut
    EXPECT_EQ(PercentOfSide(1, 300), 1);    // 0.33 is at least 1
    EXPECT_EQ(PercentOfSide(0, 30), 1);
    EXPECT_EQ(PercentOfSide(10, 0), 1);
    EXPECT_EQ(PercentOfSide(INT32_MAX, 1), INT32_MAX);
    EXPECT_EQ(PixelsOfPercent(30, 50), 15);
    EXPECT_EQ(PixelsOfPercent(33, 50), 16);      // 16.5 cut
    EXPECT_EQ(PixelsOfPercent(2480, 33), 818);   // 818.4 cut
    EXPECT_EQ(PixelsOfPercent(20, 1), 0);        // 0.2: the dialog refuses it
    EXPECT_EQ(PixelsOfPercent(-5, 50), 0);
    EXPECT_EQ(PixelsOfPercent(30, -1), 0);
    EXPECT_EQ(PixelsOfPercent(INT32_MAX, INT32_MAX), INT32_MAX);
}

TEST(ImageSizeValues, ProportionsKept) {
    EXPECT_EQ(ProportionalSide(60, 30, 20), 40);
    EXPECT_EQ(ProportionalSide(45, 30, 20), 30);
    EXPECT_EQ(ProportionalSide(31, 30, 20), 21);   // 20.67 rounds to 21
    EXPECT_EQ(ProportionalSide(1, 1000, 1), 1);    // 0.001 is at least 1
    EXPECT_EQ(ProportionalSide(7, 0, 20), 7);      // no side to scale by
    EXPECT_EQ(ProportionalSide(INT32_MAX, 1, INT32_MAX), INT32_MAX);
}

}  // namespace
