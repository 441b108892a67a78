// The image buffer against a plain model: every step checks the count, the current index, which
// image sits in which slot, the buffer-changed notices and which blocks were freed.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <vector>

#include "support/event_recorder.h"
#include "support/test_dib.h"
#include "support/test_engine.h"

namespace {

bool IsFreed(HGLOBAL block) { return GlobalFlags(block) == GMEM_INVALID_HANDLE; }

struct Model {
    std::vector<uint32_t> slots;
    int capacity = 64;
    int current = -1;
    bool append = true;
};

class BufferFixture : public testing::Test {
protected:
    void SetUp() override {
        engine.SetOwnerWindow(recorder.Window());
        recorder.AttachEngine(&engine);
    }

    HGLOBAL NewImage() {
        uint32_t seed = nextSeed++;
        HGLOBAL h = MakeTestDib(3 + seed % 5, 2 + seed % 3, 24, seed);
        live[seed] = h;
        return h;
    }

    // Every image the model holds is in its slot and alive; every other image was freed.
    void ExpectMatches(const Model& m) {
        ASSERT_TRUE(engine.IsConsistent());
        ASSERT_EQ(engine.GetImageCount(), static_cast<int>(m.slots.size()));
        ASSERT_EQ(engine.GetCurrentImageIndex(), m.current);
        std::set<uint32_t> held(m.slots.begin(), m.slots.end());
        for (size_t i = 0; i < m.slots.size(); ++i) {
            HGLOBAL h = engine.GetImageDIB(static_cast<SHORT>(i));
            ASSERT_EQ(h, live[m.slots[i]]) << "slot " << i;
            ASSERT_EQ(TestDibSeed(h), m.slots[i]);
        }
        for (auto it = live.begin(); it != live.end();) {
            if (held.count(it->first)) {
                ASSERT_FALSE(IsFreed(it->second)) << "image " << it->first << " freed while held";
                ++it;
            } else {
                ASSERT_TRUE(IsFreed(it->second)) << "image " << it->first << " leaked";
                it = live.erase(it);
            }
        }
        ASSERT_EQ(live.size(), m.slots.size());
    }

    EventRecorderWindow recorder;
    TestEngine engine;
    std::map<uint32_t, HGLOBAL> live;
    uint32_t nextSeed = 1;
};

TEST_F(BufferFixture, FreshBufferIsEmpty) {
    EXPECT_EQ(engine.GetImageCount(), 0);
    EXPECT_EQ(engine.GetCurrentImageIndex(), -1);
    EXPECT_EQ(engine.GetMaxImagesInBuffer(), 64);
    EXPECT_EQ(engine.GetIfAppendImage(), 1u);
    EXPECT_EQ(engine.GetImageDIB(0), nullptr);
    EXPECT_EQ(engine.GetErrorCode(), -1033);
}

TEST_F(BufferFixture, AppendWrapsAfterCurrentWhenFull) {
    ASSERT_TRUE(engine.SetMaxImagesInBuffer(3));
    HGLOBAL a = NewImage(), b = NewImage(), c = NewImage();
    engine.AddImage(a);
    engine.AddImage(b);
    engine.AddImage(c);
    EXPECT_EQ(engine.GetCurrentImageIndex(), 2);
    engine.AddImage(NewImage());  // overwrites index 0
    EXPECT_EQ(engine.GetCurrentImageIndex(), 0);
    EXPECT_TRUE(IsFreed(a));
    engine.AddImage(NewImage());  // overwrites index 1
    EXPECT_EQ(engine.GetCurrentImageIndex(), 1);
    EXPECT_TRUE(IsFreed(b));
    EXPECT_FALSE(IsFreed(c));
}

TEST_F(BufferFixture, InsertModeFullBuffer) {
    engine.SetIfAppendImage(0);
    ASSERT_TRUE(engine.SetMaxImagesInBuffer(3));
    HGLOBAL first = NewImage();
    engine.AddImage(first);
    EXPECT_EQ(engine.GetImageCount(), 1);
    EXPECT_EQ(engine.GetCurrentImageIndex(), 0);
    HGLOBAL second = NewImage(), third = NewImage();
    engine.AddImage(second);  // at 0, first moves to 1
    engine.AddImage(third);
    EXPECT_EQ(engine.GetImageDIB(2), first);
    // Full, current 0: the last image falls out, all others move up.
    HGLOBAL fourth = NewImage();
    engine.AddImage(fourth);
    EXPECT_TRUE(IsFreed(first));
    EXPECT_EQ(engine.GetImageDIB(0), fourth);
    EXPECT_EQ(engine.GetImageDIB(1), third);
    EXPECT_EQ(engine.GetImageDIB(2), second);
    // Full, current is the last index: that image is replaced.
    ASSERT_TRUE(engine.SetCurrentImageIndex(2));
    HGLOBAL fifth = NewImage();
    engine.AddImage(fifth);
    EXPECT_TRUE(IsFreed(second));
    EXPECT_EQ(engine.GetImageDIB(2), fifth);
    EXPECT_EQ(engine.GetImageCount(), 3);
}

TEST_F(BufferFixture, CapacityLimits) {
    EXPECT_FALSE(engine.SetMaxImagesInBuffer(0));
    EXPECT_EQ(engine.GetErrorCode(), -1010);
    EXPECT_FALSE(engine.SetMaxImagesInBuffer(4097));
    EXPECT_EQ(engine.GetErrorCode(), -1010);
    EXPECT_TRUE(engine.SetMaxImagesInBuffer(4096));
    EXPECT_EQ(engine.GetErrorCode(), 0);
}

TEST_F(BufferFixture, ShrinkingNotifiesWithTheNewCount) {
    for (int i = 0; i < 10; ++i) engine.AddImage(NewImage());
    ASSERT_TRUE(engine.SetCurrentImageIndex(7));
    engine.notices.clear();
    ASSERT_TRUE(engine.SetMaxImagesInBuffer(4));
    ASSERT_EQ(engine.notices.size(), 1u);
    EXPECT_EQ(engine.notices[0].quiet, 1);
    EXPECT_EQ(engine.notices[0].countAtCall, 4);  // views never see the freed slots
    EXPECT_EQ(engine.GetCurrentImageIndex(), 3);
    // With current below the new capacity the views are still told.
    ASSERT_TRUE(engine.SetCurrentImageIndex(1));
    engine.notices.clear();
    ASSERT_TRUE(engine.SetMaxImagesInBuffer(2));
    ASSERT_EQ(engine.notices.size(), 1u);
    EXPECT_EQ(engine.notices[0].countAtCall, 2);
    EXPECT_EQ(engine.GetCurrentImageIndex(), 1);
}

TEST_F(BufferFixture, RemoveKeepsCurrentNumber) {
    for (int i = 0; i < 4; ++i) engine.AddImage(NewImage());
    HGLOBAL third = engine.GetImageDIB(2);
    ASSERT_TRUE(engine.SetCurrentImageIndex(1));
    ASSERT_TRUE(engine.RemoveImage(0));
    EXPECT_EQ(engine.GetCurrentImageIndex(), 1);
    EXPECT_EQ(engine.GetImageDIB(1), third);
    ASSERT_TRUE(engine.SetCurrentImageIndex(2));
    ASSERT_TRUE(engine.RemoveImage(2));
    EXPECT_EQ(engine.GetCurrentImageIndex(), 1);
    EXPECT_FALSE(engine.RemoveImage(5));
    EXPECT_EQ(engine.GetErrorCode(), -1033);
    engine.RemoveAllImages();
    EXPECT_EQ(engine.GetCurrentImageIndex(), -1);
    engine.notices.clear();
    engine.RemoveAllImages();
    ASSERT_EQ(engine.notices.size(), 1u);
    EXPECT_EQ(engine.notices[0].quiet, 1);
}

TEST_F(BufferFixture, MoveAndSwitch) {
    for (int i = 0; i < 5; ++i) engine.AddImage(NewImage());
    ASSERT_TRUE(engine.SetCurrentImageIndex(2));
    engine.notices.clear();
    EXPECT_TRUE(engine.SwitchImage(1, 1));
    EXPECT_TRUE(engine.MoveImage(3, 3));
    EXPECT_TRUE(engine.notices.empty());
    EXPECT_TRUE(engine.MoveImage(0, 3));
    EXPECT_EQ(engine.GetCurrentImageIndex(), 1);
    ASSERT_TRUE(engine.SetCurrentImageIndex(0));
    EXPECT_TRUE(engine.MoveImage(0, 3));
    EXPECT_EQ(engine.GetCurrentImageIndex(), 3);
}

TEST_F(BufferFixture, MoveImagesWithRepeatedIndexKeepsEachHandleOnce) {
    for (int i = 0; i < 6; ++i) engine.AddImage(NewImage());
    std::vector<HGLOBAL> before;
    for (int i = 0; i < 6; ++i) before.push_back(engine.GetImageDIB(i));
    SHORT list[] = {4, 1, 4};
    ASSERT_TRUE(engine.MoveImages(list, 3, 0));
    std::set<HGLOBAL> after;
    for (int i = 0; i < 6; ++i) after.insert(engine.GetImageDIB(i));
    EXPECT_EQ(after, std::set<HGLOBAL>(before.begin(), before.end()));
    EXPECT_EQ(engine.GetImageDIB(0), before[4]);
    EXPECT_EQ(engine.GetImageDIB(1), before[1]);
    EXPECT_TRUE(engine.IsConsistent());
}

TEST_F(BufferFixture, RejectedImageIsFreedAndNotStored) {
    HGLOBAL bad = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 20);  // shorter than a header
    EXPECT_FALSE(engine.AddImage(bad));
    EXPECT_NE(engine.GetErrorCode(), 0);
    EXPECT_TRUE(IsFreed(bad));
    EXPECT_EQ(engine.GetImageCount(), 0);
    EXPECT_FALSE(engine.AddImage(nullptr));
    EXPECT_EQ(engine.GetErrorCode(), -1010);
}

TEST_F(BufferFixture, ThirtyTwoBitImagesBecomeTwentyFourBit) {
    HGLOBAL wide = MakeTestDib(5, 3, 32, 77);
    ASSERT_TRUE(engine.AddImage(wide));
    EXPECT_TRUE(IsFreed(wide));
    HGLOBAL kept = engine.GetImageDIB(0);
    auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(kept));
    EXPECT_EQ(h->biBitCount, 24);
    EXPECT_EQ(h->biWidth, 5);
    GlobalUnlock(kept);
}

// Random operations against the model.
TEST_F(BufferFixture, RandomOperationsMatchModel) {
    std::mt19937 rng(12345);
    Model m;
    for (int step = 0; step < 3000; ++step) {
        int n = static_cast<int>(m.slots.size());
        auto pick = [&](int extra) { return static_cast<int>(rng() % (n + extra + 2)) - 1; };
        size_t noticesBefore = engine.notices.size();
        size_t expectedNotices = 0;
        int expectedQuiet = 0;
        int op = rng() % 11;
        switch (op) {
            case 0:
            case 1:
            case 2: {  // add
                HGLOBAL h = NewImage();
                uint32_t seed = nextSeed - 1;
                ASSERT_TRUE(engine.AddImage(h));
                if (m.append) {
                    int target;
                    if (n < m.capacity) {
                        target = n;
                        m.slots.push_back(seed);
                    } else {
                        target = m.current == n - 1 ? 0 : m.current + 1;
                        m.slots[target] = seed;
                    }
                    m.current = target;
                } else {
                    int target = m.current < 0 ? 0 : m.current;
                    if (n >= m.capacity) m.slots.pop_back();
                    m.slots.insert(m.slots.begin() + target, seed);
                    m.current = target;
                }
                expectedNotices = 1;
                break;
            }
            case 3: {  // remove
                int i = pick(0);
                bool ok = engine.RemoveImage(static_cast<SHORT>(i));
                ASSERT_EQ(ok, i >= 0 && i < n);
                if (ok) {
                    m.slots.erase(m.slots.begin() + i);
                    if (m.current >= i && m.current == static_cast<int>(m.slots.size())) --m.current;
                    expectedNotices = 1;
                }
                break;
            }
            case 4: {  // set current
                int i = pick(0);
                bool ok = engine.SetCurrentImageIndex(static_cast<SHORT>(i));
                ASSERT_EQ(ok, i >= 0 && i < n);
                if (ok) {
                    m.current = i;
                    expectedNotices = 1;
                    expectedQuiet = 1;
                }
                break;
            }
            case 5: {  // capacity
                int c = static_cast<int>(rng() % 40) - 2;
                bool ok = engine.SetMaxImagesInBuffer(c);
                ASSERT_EQ(ok, c >= 1 && c <= 4096);
                if (ok) {
                    m.capacity = c;
                    if (c < n) {
                        m.slots.resize(c);
                        if (m.current >= c) m.current = c - 1;
                        expectedNotices = 1;
                        expectedQuiet = 1;
                    }
                }
                break;
            }
            case 6: {  // switch
                int a = pick(0), b = pick(0);
                bool ok = engine.SwitchImage(static_cast<SHORT>(a), static_cast<SHORT>(b));
                ASSERT_EQ(ok, a >= 0 && a < n && b >= 0 && b < n);
                if (ok && a != b) {
                    std::swap(m.slots[a], m.slots[b]);
                    expectedNotices = 1;
                }
                break;
            }
            case 7: {  // move
                int from = pick(0), to = pick(0);
                bool ok = engine.MoveImage(static_cast<SHORT>(from), static_cast<SHORT>(to));
                ASSERT_EQ(ok, from >= 0 && from < n && to >= 0 && to < n);
                if (ok && from != to) {
                    uint32_t current = m.slots[m.current];
                    uint32_t moving = m.slots[from];
                    m.slots.erase(m.slots.begin() + from);
                    m.slots.insert(m.slots.begin() + to, moving);
                    for (int k = 0; k < n; ++k) {
                        if (m.slots[k] == current) m.current = k;
                    }
                    expectedNotices = 1;
                }
                break;
            }
            case 8: {  // replace
                int i = pick(0);
                HGLOBAL h = NewImage();
                uint32_t seed = nextSeed - 1;
                HGLOBAL old = (i >= 0 && i < n) ? engine.GetImageDIB(static_cast<SHORT>(i)) : nullptr;
                bool ok = engine.ReplaceImage(static_cast<SHORT>(i), h);
                ASSERT_EQ(ok, i >= 0 && i < n);
                if (ok) {
                    GlobalFree(old);  // the caller frees the replaced image
                    m.slots[i] = seed;
                    expectedNotices = 1;
                } else {
                    GlobalFree(h);
                }
                break;
            }
            case 9:  // remove all, now and then
                if (rng() % 8 == 0) {
                    engine.RemoveAllImages();
                    expectedQuiet = n == 0 ? 1 : 0;
                    m.slots.clear();
                    m.current = -1;
                    expectedNotices = 1;
                }
                break;
            case 10:
                m.append = rng() % 2;
                engine.SetIfAppendImage(m.append ? 1 : 0);
                break;
        }
        ASSERT_NO_FATAL_FAILURE(ExpectMatches(m)) << "step " << step << " op " << op;
        ASSERT_EQ(engine.notices.size() - noticesBefore, expectedNotices) << "step " << step << " op " << op;
        if (expectedNotices) {
            const BufferNotice& last = engine.notices.back();
            ASSERT_EQ(last.quiet, expectedQuiet) << "step " << step;
            ASSERT_EQ(last.countAtCall, static_cast<int>(m.slots.size())) << "step " << step;
        }
    }
}

}  // namespace
