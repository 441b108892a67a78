// Growth, insertion and removal of the global-memory arrays.
#include <gtest/gtest.h>

#include "engine/global_index_array.h"
#include "engine/global_ptr_array.h"

namespace {

void* P(intptr_t v) { return reinterpret_cast<void*>(v); }

TEST(GlobalArray, GrowsByAnEighthClampedToFourAndTheRequest) {
    GlobalPtrArray a;
    EXPECT_EQ(a.GetCapacity(), 0);
    ASSERT_TRUE(a.SetSize(1));
    EXPECT_EQ(a.GetCapacity(), 1);
    ASSERT_TRUE(a.SetSize(100));
    EXPECT_EQ(a.GetCapacity(), 100);
    ASSERT_TRUE(a.SetAtGrow(100, P(7)));
    EXPECT_EQ(a.GetCapacity(), 112);
    EXPECT_EQ(a.GetSize(), 101);
    EXPECT_EQ(a.GetAt(100), P(7));
    EXPECT_EQ(a.GetAt(99), nullptr);  // new elements are zero

    GlobalPtrArray b;
    ASSERT_TRUE(b.SetSize(16));
    ASSERT_TRUE(b.Add(P(1)));
    EXPECT_EQ(b.GetCapacity(), 20);
    ASSERT_TRUE(b.SetSize(20000));
    ASSERT_TRUE(b.Add(P(1)));
    EXPECT_EQ(b.GetCapacity(), 20000 + 1024);
    ASSERT_TRUE(b.SetSize(3, 10));  // shrinking keeps the block, stores the step
    EXPECT_EQ(b.GetCapacity(), 21024);
    EXPECT_EQ(b.GetGrowBy(), 10);
    ASSERT_TRUE(b.SetSize(0));
    EXPECT_EQ(b.GetCapacity(), 0);
    EXPECT_EQ(b.GetData(), nullptr);
}

TEST(GlobalArray, RefusesImpossibleSizesAndStaysAsItWas) {
    GlobalPtrArray a;
    ASSERT_TRUE(a.Add(P(5)));
    EXPECT_FALSE(a.SetSize(-1));
    EXPECT_FALSE(a.SetSize(0x7FFFFFFF));
    EXPECT_FALSE(a.InsertAt(0, P(1), 0x7FFFFFFF));
    EXPECT_FALSE(a.SetAtGrow(-3, P(1)));
    EXPECT_EQ(a.GetSize(), 1);
    EXPECT_EQ(a.GetAt(0), P(5));
}

TEST(GlobalArray, InsertRemoveAndInsertArray) {
    GlobalPtrArray a;
    for (intptr_t v : {1, 2, 3}) ASSERT_TRUE(a.Add(P(v)));
    ASSERT_TRUE(a.InsertAt(1, P(9), 2));  // 1 9 9 2 3
    ASSERT_EQ(a.GetSize(), 5);
    EXPECT_EQ(a.GetAt(1), P(9));
    EXPECT_EQ(a.GetAt(3), P(2));
    ASSERT_TRUE(a.InsertAt(7, P(4)));  // past the end: 1 9 9 2 3 0 0 4
    EXPECT_EQ(a.GetSize(), 8);
    EXPECT_EQ(a.GetAt(6), nullptr);
    a.RemoveAt(1, 2);  // 1 2 3 0 0 4
    EXPECT_EQ(a.GetSize(), 6);
    EXPECT_EQ(a.GetAt(1), P(2));
    a.RemoveAt(4, 100);  // clamped to the end
    EXPECT_EQ(a.GetSize(), 4);
    GlobalPtrArray b;
    b.Add(P(7));
    b.Add(P(8));
    ASSERT_TRUE(a.InsertArray(1, b));  // 1 7 8 2 3 0
    EXPECT_EQ(a.GetSize(), 6);
    EXPECT_EQ(a.GetAt(1), P(7));
    EXPECT_EQ(a.GetAt(2), P(8));
    EXPECT_EQ(a.GetAt(3), P(2));
    GlobalPtrArray empty;
    EXPECT_TRUE(a.InsertArray(0, empty));
    EXPECT_EQ(a.GetSize(), 6);
}

TEST(GlobalArray, IndexTwinSharesTheRule) {
    GlobalIndexArray s;
    ASSERT_TRUE(s.SetSize(16));
    s.SetAt(15, 0xFFFF);
    ASSERT_TRUE(s.Add(3));
    EXPECT_EQ(s.GetCapacity(), 20);
    EXPECT_EQ(s.GetAt(15), 0xFFFF);
    s.RemoveAt(0, 15);
    EXPECT_EQ(s.GetSize(), 2);
    EXPECT_EQ(s.GetAt(0), 0xFFFF);
    EXPECT_EQ(s.GetAt(1), 3);
    EXPECT_EQ(s.GetAt(2), 0);  // outside
}

}  // namespace
