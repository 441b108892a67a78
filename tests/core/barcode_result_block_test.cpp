// The barcode library's result block: well-formed blocks, and blocks whose counts and lengths
// claim more than the block holds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/barcode_result_block.h"

namespace {

// Writes blocks the way a barcode library lays them out, field by field.
class BlockWriter {
public:
    BlockWriter& U32(DWORD v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<BYTE>(v >> (8 * i)));
        return *this;
    }
    BlockWriter& Float(float f) {
        DWORD bits;
        std::memcpy(&bits, &f, 4);
        return U32(bits);
    }
    BlockWriter& Text(const std::string& t) {
        bytes.insert(bytes.end(), t.begin(), t.end());
        return *this;
    }
    std::vector<BYTE> bytes;
};

std::vector<BarcodeResult> Read(const std::vector<BYTE>& block, bool* ok = nullptr) {
    std::vector<BarcodeResult> results;
    const bool read = ReadBarcodeResultBlock(block.data(), block.size(), results);
    if (ok) *ok = read;
    return results;
}

}  // namespace

TEST(BarcodeResultBlock, ReadsTextsFormatsAndPointsInOrder) {
    BlockWriter w;
    w.U32(2);
    w.U32(0x10).U32(5).Text("ABC12").U32(4).Float(1.5f).Float(2).Float(10).Float(2).Float(10).Float(8).Float(1.5f).Float(8);
    w.U32(7).U32(3).Text(std::string("a\0b", 3)).U32(0);
    bool ok = false;
    auto results = Read(w.bytes, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].text, "ABC12");
    EXPECT_EQ(results[0].format, 0x10);
    ASSERT_EQ(results[0].x.size(), 4u);
    EXPECT_FLOAT_EQ(results[0].x[1], 10.0f);
    EXPECT_FLOAT_EQ(results[0].y[3], 8.0f);
    EXPECT_EQ(results[1].text, std::string("a\0b", 3));
    EXPECT_EQ(results[1].format, 7);
    EXPECT_TRUE(results[1].x.empty());
}

TEST(BarcodeResultBlock, ClaimsBeyondTheBlockAreCut) {
    // A text length past the end keeps the bytes that remain and ends the list.
    BlockWriter cutText;
    cutText.U32(1).U32(1).U32(1000).Text("xyz");
    auto results = Read(cutText.bytes);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].text, "xyz");

    // A count of 0x7FFFFFFF with one barcode in the block reads one barcode.
    BlockWriter hugeCount;
    hugeCount.U32(0x7FFFFFFF).U32(3).U32(2).Text("ok").U32(0);
    results = Read(hugeCount.bytes);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].text, "ok");

    // A point count past the end keeps the whole pairs present.
    BlockWriter manyPoints;
    manyPoints.U32(1).U32(3).U32(1).Text("p").U32(0xFFFFFFFF).Float(1).Float(2).Float(3);
    results = Read(manyPoints.bytes);
    ASSERT_EQ(results.size(), 1u);
    ASSERT_EQ(results[0].x.size(), 1u);
    EXPECT_FLOAT_EQ(results[0].y[0], 2.0f);

    // A second barcode whose text is cut off keeps its format; a third is not invented.
    BlockWriter shortSecond;
    shortSecond.U32(3).U32(1).U32(1).Text("a").U32(0).U32(9).U32(4).Text("b");
    results = Read(shortSecond.bytes);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[1].format, 9);
    EXPECT_EQ(results[1].text, "b");
}

TEST(BarcodeResultBlock, TooShortForItsCount) {
    bool ok = true;
    EXPECT_TRUE(Read({1, 0, 0}, &ok).empty());
    EXPECT_FALSE(ok);
    std::vector<BarcodeResult> results;
    EXPECT_FALSE(ReadBarcodeResultBlock(nullptr, 0, results));
    // An empty list is a valid block.
    EXPECT_TRUE(Read({0, 0, 0, 0}, &ok).empty());
    EXPECT_TRUE(ok);
}
