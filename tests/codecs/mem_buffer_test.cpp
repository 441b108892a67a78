// The growable memory buffer behind the memory streams.
#include <gtest/gtest.h>

#include <vector>

#include "codecs/mem_buffer.h"

namespace {

TEST(MemBuffer, GrowsByWholeStepsThenGeometrically) {
    CMemBuffer buffer(65536);
    std::vector<BYTE> data(70000, 7);
    EXPECT_EQ(buffer.Write(data.data(), DWORD(data.size())), 70000u);
    EXPECT_EQ(buffer.GetCapacity(), 131072u);
    EXPECT_EQ(buffer.GetSize(), 70000u);
    // Many small writes past a megabyte: the capacity at least doubles each time.
    std::vector<BYTE> chunk(4096, 1);
    DWORD growths = 0, last = buffer.GetCapacity();
    for (int i = 0; i < 2048; ++i) {
        ASSERT_EQ(buffer.Write(chunk.data(), DWORD(chunk.size())), chunk.size());
        if (buffer.GetCapacity() != last) {
            ++growths;
            last = buffer.GetCapacity();
        }
    }
    EXPECT_EQ(buffer.GetSize(), 70000u + 2048u * 4096u);
    EXPECT_LT(growths, 20u);
}

TEST(MemBuffer, SeeksAndReads) {
    CMemBuffer buffer(65536);
    const BYTE bytes[5] = {1, 2, 3, 4, 5};
    buffer.Write(bytes, 5);
    EXPECT_EQ(buffer.Seek(1, 2), 5u);            // a positive offset from the end is refused
    EXPECT_EQ(buffer.Seek(-2, 2), 3u);
    BYTE out[8] = {};
    EXPECT_EQ(buffer.Read(out, 8), 2u);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(buffer.Seek(-10, 1), 5u);          // before the start: unchanged
    EXPECT_EQ(buffer.Seek(15, 0), 15u);          // past the end: neither size nor capacity moves
    EXPECT_EQ(buffer.GetSize(), 5u);
    EXPECT_EQ(buffer.Read(out, 8), 0u);
    EXPECT_EQ(buffer.Seek(0, 7), 15u);           // unknown origin
}

TEST(MemBuffer, ASeekPastTheEndReservesNothingAndAWriteThereFillsTheGapWithZeros) {
    CMemBuffer buffer(65536);
    const BYTE bytes[4] = {9, 9, 9, 9};
    buffer.Write(bytes, 4);
    const DWORD capacity = buffer.GetCapacity();
    // Hostile stream users seek far: only what is written may cost memory.
    EXPECT_EQ(buffer.Seek(int64_t(1) << 40, 0), 0x7FFFFFFFu);
    EXPECT_EQ(buffer.Seek(64u << 20, 0), 64u << 20);
    EXPECT_EQ(buffer.GetCapacity(), capacity);
    EXPECT_EQ(buffer.GetSize(), 4u);
    // A write there grows the buffer to its end; the bytes between read as zeros.
    buffer.Seek(100000, 0);
    const BYTE tail[3] = {1, 2, 3};
    EXPECT_EQ(buffer.Write(tail, 3), 3u);
    EXPECT_EQ(buffer.GetSize(), 100003u);
    EXPECT_LT(buffer.GetCapacity(), 1u << 20);
    std::vector<BYTE> all(100003, 0xAA);
    buffer.Seek(0, 0);
    ASSERT_EQ(buffer.Read(all.data(), DWORD(all.size())), 100003u);
    EXPECT_EQ(all[3], 9);
    size_t nonzero = 0;
    for (size_t i = 4; i < 100000; ++i) nonzero += all[i] != 0;
    EXPECT_EQ(nonzero, 0u);
    EXPECT_EQ(all[100002], 3);
    // A size set beyond the end reads as zeros too.
    ASSERT_TRUE(buffer.SetSize(100010));
    buffer.Seek(100003, 0);
    BYTE more[7] = {5, 5, 5, 5, 5, 5, 5};
    EXPECT_EQ(buffer.Read(more, 7), 7u);
    for (BYTE b : more) EXPECT_EQ(b, 0);
}

TEST(MemBuffer, FarSeekIsClampedNotCut) {
    // 2^32 + 16 cut to 32 bits would land inside the data at 16.
    std::vector<BYTE> bytes(100, 1);
    CMemBuffer fixed(bytes.data(), 100, FALSE, 0);
    EXPECT_EQ(fixed.Seek((int64_t(1) << 32) + 16, 0), 100u);
    EXPECT_EQ(fixed.Seek(-((int64_t(1) << 32) - 16), 1), 100u);
}

TEST(MemBuffer, FixedBufferOverCallerBytes) {
    std::vector<BYTE> bytes(100, 9);
    {
        CMemBuffer buffer(bytes.data(), 100, FALSE, 0);
        EXPECT_EQ(buffer.GetSize(), 100u);
        buffer.Seek(90, 0);
        BYTE more[20] = {};
        EXPECT_EQ(buffer.Write(more, 20), 0u);
        EXPECT_EQ(buffer.Write(more, 10), 10u);
        EXPECT_EQ(buffer.SetSize(50), TRUE);
        EXPECT_EQ(buffer.GetPosition(), 50u);
        EXPECT_EQ(buffer.SetSize(101), FALSE);
    }
    EXPECT_EQ(bytes[0], 9);  // not freed: the vector still owns them
}

// Under the native build's leak checker: owned bytes are freed with the buffer, detached ones
// belong to the caller.
TEST(MemBuffer, OwnedBytesAreFreedAndDetachHandsThemOver) {
    {
        HGLOBAL block = GlobalAlloc(GMEM_FIXED, 64);
        CMemBuffer buffer(static_cast<BYTE*>(block), 64, TRUE, 0);
    }
    CMemBuffer buffer(65536);
    const BYTE b = 3;
    buffer.Write(&b, 1);
    BYTE* data = buffer.Detach();
    EXPECT_EQ(buffer.GetSize(), 0u);
    EXPECT_EQ(data[0], 3);
    buffer.Attach(data, 1, TRUE, 0);  // given back: freed with the buffer
    EXPECT_EQ(buffer.GetSize(), 1u);
}

}  // namespace
