// Serial numbers as pages write them, against the bytes a certificate store compares.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/certificate_serial.h"

namespace {

std::vector<uint8_t> Parse(const char* text, size_t max = kMaxSerialBytes) {
    std::vector<uint8_t> out(kMaxSerialBytes + 1, 0xCC);
    out.resize(ParseCertificateSerial(text, out.data(), max));
    return out;
}

TEST(CertificateSerial, DigitsPairFromTheEndLeastSignificantFirst) {
    EXPECT_EQ(Parse("01:A2:FF"), (std::vector<uint8_t>{0xFF, 0xA2, 0x01}));
    EXPECT_EQ(Parse("01 a2 ff"), (std::vector<uint8_t>{0xFF, 0xA2, 0x01}));
    EXPECT_EQ(Parse("0x1A2B"), (std::vector<uint8_t>{0x2B, 0x1A, 0x00}));  // the x is skipped, the 0 kept
    // The leftover digit is the most significant one: 0x123 is 23 01.
    EXPECT_EQ(Parse("123"), (std::vector<uint8_t>{0x23, 0x01}));
    EXPECT_EQ(Parse("f"), (std::vector<uint8_t>{0x0F}));
    EXPECT_TRUE(Parse("").empty());
    EXPECT_TRUE(Parse("zz:--").empty());
    EXPECT_TRUE(Parse(nullptr).empty());
}

TEST(CertificateSerial, AtMostTheRoomGiven) {
    std::string digits(2000, 'a');
    EXPECT_EQ(Parse(digits.c_str()).size(), kMaxSerialBytes);
    EXPECT_EQ(Parse("112233", 2), (std::vector<uint8_t>{0x33, 0x22}));
    EXPECT_EQ(Parse("12345", 2), (std::vector<uint8_t>{0x45, 0x23}));
}

}  // namespace
