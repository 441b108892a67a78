// CImage transforms: quarter turns, free rotation, flip, mirror, crop, erase, resampling, DPI,
// overlays, and a randomised run of every transform for crashes and overruns.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "engine/image.h"
#include "engine/image_sampling.h"
#include "support/global_block_count.h"
#include "support/test_dib.h"

namespace {

// An image of random pixels (grey table for palette depths), owned by the test.
struct TestImage : CImage {
    TestImage(int w, int h, int bits, uint32_t seed = 1) {
        HGLOBAL dib = MakeTestDib(w, h, bits, seed);
        AttachHandle(dib, TRUE);
        GlobalFree(dib);
    }
};

// Every pixel of a equals the pixel of b (indices for palette images, colours otherwise).
::testing::AssertionResult SamePixels(const CImage& a, const CImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetBitCount() != b.GetBitCount()) {
        return ::testing::AssertionFailure() << "size " << a.GetWidth() << "x" << a.GetHeight() << "x"
                                             << a.GetBitCount() << " vs " << b.GetWidth() << "x" << b.GetHeight()
                                             << "x" << b.GetBitCount();
    }
    for (LONG y = 0; y < a.GetHeight(); ++y) {
        for (LONG x = 0; x < a.GetWidth(); ++x) {
            DWORD pa = a.GetBitCount() <= 8 ? a.GetPixelIndex(x, y) : a.GetPixelColor(x, y);
            DWORD pb = b.GetBitCount() <= 8 ? b.GetPixelIndex(x, y) : b.GetPixelColor(x, y);
            if (pa != pb) return ::testing::AssertionFailure() << "pixel " << x << "," << y << ": " << pa << " vs " << pb;
        }
    }
    return ::testing::AssertionSuccess();
}

// Cancels its own loop at the first progress report.
struct CancellingImage : TestImage {
    using TestImage::TestImage;
    void OnProgress(LONG) override { Cancel(); }
    // The first report happens before any row; the cancel is seen at the second.
};

const int kDepths[] = {1, 4, 8, 24};
const int kSizes[][2] = {{1, 1}, {3, 2}, {13, 7}, {65, 3}, {67, 130}, {129, 66}};

TEST(QuarterTurns, RoundTripsGiveTheOriginalAtEveryDepthAndOddWidth) {
    for (int bits : kDepths) {
        for (auto& s : kSizes) {
            SCOPED_TRACE(testing::Message() << bits << " bits " << s[0] << "x" << s[1]);
            TestImage original(s[0], s[1], bits, 7), image(s[0], s[1], bits, 7);
            for (int i = 0; i < 4; ++i) ASSERT_TRUE(image.RotateLeft());
            EXPECT_TRUE(SamePixels(image, original));
            ASSERT_TRUE(image.RotateLeft());
            EXPECT_EQ(image.GetWidth(), s[1]);
            ASSERT_TRUE(image.RotateRight());
            EXPECT_TRUE(SamePixels(image, original));
            ASSERT_TRUE(image.Flip() && image.Flip());
            EXPECT_TRUE(SamePixels(image, original));
            ASSERT_TRUE(image.Mirror() && image.Mirror());
            EXPECT_TRUE(SamePixels(image, original));
            TestImage twice(s[0], s[1], bits, 7);
            ASSERT_TRUE(image.Rotate180());
            ASSERT_TRUE(twice.RotateLeft() && twice.RotateLeft());
            EXPECT_TRUE(SamePixels(image, twice));
            // Flip and mirror together are the half turn.
            ASSERT_TRUE(twice.Flip() && twice.Mirror());
            EXPECT_TRUE(SamePixels(twice, original));
            EXPECT_EQ(image.GetXDPI(), original.GetXDPI());
        }
    }
}

TEST(QuarterTurns, LeftTurnPutsTheTopRightPixelAtTheTopLeft) {
    CImage image;
    ASSERT_TRUE(image.Create(3, 2, nullptr, 24));
    image.SetPixelColor(2, 1, 0x123456);  // top right (rows from the bottom)
    image.SetPixelColor(0, 0, 0xABCDEF);  // bottom left
    ASSERT_TRUE(image.RotateLeft());
    EXPECT_EQ(image.GetWidth(), 2);
    EXPECT_EQ(image.GetHeight(), 3);
    EXPECT_EQ(image.GetPixelColor(0, 2), 0x123456u);
    EXPECT_EQ(image.GetPixelColor(1, 0), 0xABCDEFu);
}

TEST(QuarterTurns, EveryPixelLandsWhereTheTurnPutsIt) {
    for (int bits : kDepths) {
        TestImage original(70, 131, bits, 8), left(70, 131, bits, 8), right(70, 131, bits, 8);
        ASSERT_TRUE(left.RotateLeft() && right.RotateRight());
        for (LONG y = 0; y < 70; ++y) {
            for (LONG x = 0; x < 131; ++x) {
                ASSERT_EQ(left.GetPixelColor(x, y), original.GetPixelColor(y, 130 - x)) << bits;
                ASSERT_EQ(right.GetPixelColor(x, y), original.GetPixelColor(69 - y, x)) << bits;
            }
        }
    }
}

// Sizes on both sides of the 64-pixel tiles, of the groups of four target rows and of the 8 x 8
// blocks of bits, with row padding on either side and right turns whose source columns do not
// start on a byte: each pixel where the turn puts it, and the target rows' padding still zero
// (stored files carry it).
// Image blocks asked for without zero-filling come back full of junk while one of these lives,
// as reused memory may be.
struct JunkImageMemory {
    static HGLOBAL Allocate(UINT flags, SIZE_T bytes) {
        HGLOBAL block = GlobalAlloc(flags, bytes);
        if (block && !(flags & GMEM_ZEROINIT)) {
            memset(GlobalLock(block), 0xA5, bytes);
            GlobalUnlock(block);
        }
        return block;
    }
    JunkImageMemory() : previous(SetImageBlockAllocator(Allocate)) {}
    ~JunkImageMemory() { SetImageBlockAllocator(previous); }
    ImageBlockAllocator previous;
};

TEST(QuarterTurns, SizesAroundTheTileAndGroupEdgesKeepEveryPixelAndZeroPadding) {
    JunkImageMemory junk;
    const LONG sides[] = {1, 2, 3, 4, 5, 7, 8, 9, 15, 63, 64, 65, 67, 72, 130};
    for (int bits : kDepths) {
        for (LONG w : sides) {
            for (LONG h : sides) {
                SCOPED_TRACE(testing::Message() << bits << " bits " << w << "x" << h);
                TestImage original(w, h, bits, uint32_t(w * 131 + h)), left(w, h, bits, uint32_t(w * 131 + h)),
                    right(w, h, bits, uint32_t(w * 131 + h));
                ASSERT_TRUE(left.RotateLeft() && right.RotateRight());
                for (LONG y = 0; y < w; ++y) {
                    for (LONG x = 0; x < h; ++x) {
                        ASSERT_EQ(left.GetPixelColor(x, y), original.GetPixelColor(y, h - 1 - x)) << x << "," << y;
                        ASSERT_EQ(right.GetPixelColor(x, y), original.GetPixelColor(w - 1 - y, x)) << x << "," << y;
                    }
                }
                // Whole bytes past the pixels, and the unused low bits of a row's last byte.
                const DWORD usedBits = DWORD(h) * DWORD(bits);
                for (const CImage* turned : {&left, &right}) {
                    for (LONG y = 0; y < w; ++y) {
                        const BYTE* row = turned->GetBits() + size_t(turned->GetStride()) * size_t(y);
                        if (usedBits % 8) {
                            ASSERT_EQ(row[usedBits / 8] & (0xFF >> (usedBits % 8)), 0) << "row " << y;
                        }
                        for (DWORD b = (usedBits + 7) / 8; b < turned->GetStride(); ++b) ASSERT_EQ(row[b], 0) << "row " << y;
                    }
                }
            }
        }
    }
}

TEST(RotateEx, WholeTurnsEqualTheQuarterTurnsAtEveryDepth) {
    for (int bits : kDepths) {
        SCOPED_TRACE(bits);
        TestImage original(13, 7, bits, 3);
        struct {
            double angle;
            int turn;  // 0 none, 1 right, 2 left, 3 half
        } cases[] = {{0, 0}, {360, 0}, {90, 1}, {-270, 1}, {-90, 2}, {270, 2}, {180, 3}, {-180, 3}};
        for (auto c : cases) {
            TestImage image(13, 7, bits, 3), expected(13, 7, bits, 3);
            ASSERT_TRUE(image.RotateEx(c.angle, kCubic, 2));
            if (c.turn == 1) expected.RotateRight();
            if (c.turn == 2) expected.RotateLeft();
            if (c.turn == 3) expected.Rotate180();
            EXPECT_TRUE(SamePixels(image, expected)) << c.angle;
        }
    }
}

TEST(RotateEx, FortyFiveDegreesGrowsTheImageWithWhiteCorners) {
    TestImage image(100, 100, 24, 5);
    ASSERT_TRUE(image.RotateEx(45, kBilinear, 2));
    EXPECT_EQ(image.GetWidth(), 141);
    EXPECT_EQ(image.GetHeight(), 141);
    EXPECT_EQ(image.GetPixelColor(0, 0), kWhite);
    EXPECT_EQ(image.GetPixelColor(140, 140), kWhite);
    TestImage kept(100, 100, 24, 5);
    ASSERT_TRUE(kept.RotateEx(45, kCubic, 2, 0x000000, true));
    EXPECT_EQ(kept.GetWidth(), 100);
    EXPECT_EQ(kept.GetPixelColor(0, 0), 0u);  // the given background
    // With keep, a turn by 0 is the identity.
    TestImage same(31, 17, 24, 9), reference(31, 17, 24, 9);
    ASSERT_TRUE(same.RotateEx(0, kCubic, 2, kWhite, true));
    EXPECT_TRUE(SamePixels(same, reference));
}

TEST(RotateEx, NonFiniteAnglesAndBadMethodsAreInvalidValues) {
    TestImage image(10, 10, 24), original(10, 10, 24);
    for (double a : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(image.RotateEx(a, kCubic, 2));
        EXPECT_EQ(image.GetResult(), kImageBadValue);
    }
    EXPECT_FALSE(image.RotateEx(10, 5, 2));
    EXPECT_FALSE(image.RotateEx(10, 1, 7));
    EXPECT_TRUE(SamePixels(image, original));
    // Huge finite angles are fine.
    EXPECT_TRUE(image.RotateEx(1e300, kNearest, 5));
}

TEST(Resample, HalvingA24BitImageAveragesEachTwoByTwoBlockWithEveryMethod) {
    for (int method = kNearest; method <= kCubic; ++method) {
        TestImage image(10, 6, 24, 11), original(10, 6, 24, 11);
        ASSERT_TRUE(image.Resample(5, 3, method, kWrapClamp));
        for (LONG y = 0; y < 3; ++y) {
            for (LONG x = 0; x < 5; ++x) {
                for (int c = 0; c < 3; ++c) {
                    int sum = 0;
                    for (int k = 0; k < 4; ++k) sum += (original.GetPixelColor(2 * x + k % 2, 2 * y + k / 2) >> (8 * c)) & 0xFF;
                    EXPECT_EQ((image.GetPixelColor(x, y) >> (8 * c)) & 0xFF, DWORD(sum / 4)) << method << " " << x << "," << y;
                }
            }
        }
    }
}

TEST(Resample, RowLoopsGiveTheBytesOfThePerPixelSamplers) {
    std::mt19937 rng(42);
    for (int round = 0; round < 60; ++round) {
        const int w = 1 + rng() % 23, h = 1 + rng() % 19, method = 1 + rng() % 4, edge = 1 + rng() % 6;
        const int nw = 1 + rng() % 40, nh = 1 + rng() % 40;
        SCOPED_TRACE(testing::Message() << w << "x" << h << " -> " << nw << "x" << nh << " m" << method << " e" << edge);
        TestImage image(w, h, 24, round), source(w, h, 24, round);
        ASSERT_TRUE(image.Resample(nw, nh, method, edge));
        const double sx = double(w) / nw, sy = double(h) / nh;
        for (LONG j = 0; j < nh; ++j) {
            for (LONG i = 0; i < nw; ++i) {
                const double x = (i + 0.5) * sx - 0.5, y = (j + 0.5) * sy - 0.5;
                const DWORD expected = (sx > 1 || sy > 1) ? source.GetAreaColor(x, y, sx, sy, method, edge)
                                                          : source.GetInterpolatedColor(x, y, method, edge);
                ASSERT_EQ(image.GetPixelColor(i, j), expected) << i << "," << j;
            }
        }
    }
}

TEST(Resample, SameSizeBadSizesAndBadMethods) {
    TestImage image(8, 8, 8), original(8, 8, 8);
    EXPECT_TRUE(image.Resample(8, 8, kCubic, 5));
    EXPECT_FALSE(image.Resample(0, 8, kCubic, 5));
    EXPECT_EQ(image.GetResult(), kImageBadValue);
    EXPECT_FALSE(image.Resample(4, 4, 5, 5));
    EXPECT_EQ(image.GetResult(), kImageBadValue);
    EXPECT_FALSE(image.Resample(4, 4, 1, 0));
    EXPECT_FALSE(image.Resample(0x7FFFFFFF, 0x7FFFFFFF, 1, 5));
    EXPECT_EQ(image.GetResult(), kImageNoMemory);
    EXPECT_TRUE(SamePixels(image, original));
}

TEST(SetDPI, HalvingTheResolutionWithResampleHalvesBothSides) {
    TestImage image(40, 30, 24);
    ASSERT_TRUE(image.SetDPI(200, 200, false, kCubic));
    EXPECT_EQ(image.GetXDPI(), 200);
    EXPECT_EQ(image.GetWidth(), 40);
    ASSERT_TRUE(image.SetDPI(100, 100, true, kCubic));
    EXPECT_EQ(image.GetWidth(), 20);
    EXPECT_EQ(image.GetHeight(), 15);
    EXPECT_EQ(image.GetXDPI(), 100);
    EXPECT_EQ(static_cast<BITMAPINFOHEADER*>(image.GetDIB())->biXPelsPerMeter, image.GetHeader().biXPelsPerMeter);
    // A new size beyond 32 bits is clamped and refused for memory, the image unchanged.
    ASSERT_TRUE(image.SetDPI(1, 1, false, kCubic));
    EXPECT_FALSE(image.SetDPI(2147483647, 2147483647, true, kNearest));
    EXPECT_EQ(image.GetWidth(), 20);
}

TEST(Crop, WholeImageSingleRowsAndEmptyRectangles) {
    TestImage image(10, 8, 24), original(10, 8, 24);
    EXPECT_TRUE(image.Crop(ImageRect{0, 0, -1, -1}));
    EXPECT_TRUE(SamePixels(image, original));
    EXPECT_TRUE(image.Crop(ImageRect{0, 0, 10, 8}));
    EXPECT_TRUE(SamePixels(image, original));
    // Cutting off one column or one row is a real crop.
    ASSERT_TRUE(image.Crop(ImageRect{1, 0, 10, 8}));
    EXPECT_EQ(image.GetWidth(), 9);
    EXPECT_EQ(image.GetPixelColor(0, 0), original.GetPixelColor(1, 0));
    ASSERT_TRUE(image.Crop(ImageRect{0, 8, 9, 1}));  // reversed rows
    EXPECT_EQ(image.GetHeight(), 7);
    EXPECT_EQ(image.GetPixelColor(0, 0), original.GetPixelColor(1, 1));
    EXPECT_FALSE(image.Crop(ImageRect{3, 0, 3, 5}));
    EXPECT_EQ(image.GetResult(), kImageBadValue);
    EXPECT_FALSE(image.Crop(ImageRect{50, 50, 60, 60}));
    for (int bits : kDepths) {
        TestImage small(13, 9, bits), src(13, 9, bits);
        HGLOBAL dib = small.GetCroppedDIB(ImageRect{3, 2, 12, 7});
        ASSERT_NE(dib, nullptr);
        CImage cut(dib, FALSE);
        EXPECT_EQ(cut.GetWidth(), 9);
        for (LONG y = 0; y < 5; ++y)
            for (LONG x = 0; x < 9; ++x) ASSERT_EQ(cut.GetPixelColor(x, y), src.GetPixelColor(x + 3, y + 2));
    }
}

TEST(Erase, PaletteImagesTakeTheNearestEntry) {
    TestImage image(6, 6, 8);
    ASSERT_TRUE(image.Erase(ImageRect{1, 1, 3, 4}, 0x405060));
    const DWORD grey = image.GetPixelColor(1, 1);
    EXPECT_EQ(grey & 0xFF, (grey >> 8) & 0xFF);
    EXPECT_NEAR(int(grey & 0xFF), 0x50, 2);
    EXPECT_EQ(image.GetPixelColor(2, 3), grey);
    TestImage colour(6, 6, 24);
    ASSERT_TRUE(colour.Erase(ImageRect{0, 0, -1, -1}, 0x123456));
    EXPECT_EQ(colour.GetPixelColor(5, 5), 0x123456u);
    EXPECT_FALSE(colour.Erase(ImageRect{2, 2, 2, 5}, 0));
}

TEST(Cancel, ACancelledTransformLeavesTheImageUnchanged) {
    using Op = bool (*)(CImage&);
    Op ops[] = {[](CImage& i) { return i.RotateLeft(); },  [](CImage& i) { return i.Flip(); },
                [](CImage& i) { return i.Mirror(); },      [](CImage& i) { return i.RotateEx(33, kCubic, 2); },
                [](CImage& i) { return i.Resample(70, 700, kCubic, 5); },
                [](CImage& i) { return i.Resample(5, 5, kCubic, 5); },
                [](CImage& i) { return i.Erase(ImageRect{}, 0); },
                [](CImage& i) { return i.Threshold(ImageRect{}, 100); }};
    for (Op op : ops) {
        // Quarter turns report once per band of 64 rows: the image spans three.
        CancellingImage image(150, 140, 24, 4);
        TestImage original(150, 140, 24, 4);
        EXPECT_FALSE(op(image));
        EXPECT_EQ(image.GetResult(), kImageCancelled);
        EXPECT_TRUE(SamePixels(image, original));
        EXPECT_FALSE(image.IsCancelled());
    }
}

TEST(Overlay, HalfBlackHalvesEveryChannelAndLeavesTheSourceAlone) {
    TestImage image(8, 4, 24), original(8, 4, 24);
    HGLOBAL dib = image.OverlayRectangle(ImageRect{2, 1, 6, 3}, 0x000000, 0.5f);
    ASSERT_NE(dib, nullptr);
    CImage overlay(dib, FALSE);
    EXPECT_EQ(overlay.GetWidth(), 4);
    EXPECT_EQ(overlay.GetHeight(), 2);
    for (LONG y = 0; y < 2; ++y) {
        for (LONG x = 0; x < 4; ++x) {
            DWORD s = original.GetPixelColor(x + 2, y + 1), o = overlay.GetPixelColor(x, y);
            for (int c = 0; c < 3; ++c) EXPECT_EQ((o >> (8 * c)) & 0xFF, ((s >> (8 * c)) & 0xFF) / 2);
        }
    }
    EXPECT_TRUE(SamePixels(image, original));
    EXPECT_EQ(image.OverlayRectangle(ImageRect{3, 0, 3, 4}, 0, 1), nullptr);
    EXPECT_EQ(image.GetResult(), kImageBadValue);
}

TEST(Gamma, OneIsTheIdentityAndBadValuesAreRefused) {
    TestImage image(5, 5, 24), original(5, 5, 24);
    ASSERT_TRUE(image.Gamma(1.0f));
    EXPECT_TRUE(SamePixels(image, original));
    EXPECT_FALSE(image.Gamma(0));
    EXPECT_FALSE(image.Gamma(std::numeric_limits<float>::quiet_NaN()));
}

// Random images of every depth through random transforms with random (also hostile) arguments:
// nothing may crash or overrun (ASan), a failure leaves the image as it was, a success leaves
// a valid image of the expected size, and no block leaks.
TEST(TransformProperties, RandomImagesAndArgumentsNeverBreakTheImage) {
    std::mt19937 rng(2026);
    const long before = LiveGlobalBlocks();
    auto pick = [&](std::initializer_list<LONG> v) { return *(v.begin() + rng() % v.size()); };
    for (int round = 0; round < 400; ++round) {
        const int bits = kDepths[rng() % 4];
        const int w = 1 + rng() % 37, h = 1 + rng() % 29;
        TestImage image(w, h, bits, round), original(w, h, bits, round);
        const LONG any = pick({-5, -1, 0, 1, 2, LONG(rng() % 50), 100000, 0x7FFFFFFF, -0x7FFFFFFF});
        const ImageRect rect{LONG(rng() % 45) - 4, LONG(rng() % 35) - 4, any, LONG(rng() % 40) - 5};
        const int op = rng() % 10;
        const int method = int(rng() % 6), edge = int(rng() % 8);
        LONG ew = -1, eh = -1;
        bool ok = false;
        SCOPED_TRACE(testing::Message() << "round " << round << " op " << op << " " << bits << " bits " << w << "x" << h);
        switch (op) {
            case 0: ok = image.RotateLeft(), ew = h, eh = w; break;
            case 1: ok = image.RotateEx(double(int(rng() % 721) - 360) + (rng() % 100) / 100.0, method, edge,
                                        rng(), rng() % 2); break;
            case 2: ok = image.Crop(rect); break;
            case 3: ok = image.Erase(rect, rng()), ew = w, eh = h; break;
            case 4: {
                const LONG nw = pick({1, 2, LONG(rng() % 80), any}), nh = pick({1, 3, LONG(rng() % 80), any});
                ok = image.Resample(nw, nh, method, edge, rng() % 2);
                if (ok) ew = nw, eh = nh;
                break;
            }
            case 5: ok = image.SetDPI(any, pick({1, 72, 300, any}), rng() % 2, 1 + rng() % 4); break;
            case 6: ok = image.Threshold(rect, int(rng() % 256)); break;
            case 7: {
                int kernel[25];
                for (int& k : kernel) k = int(rng() % 9) - 2;
                ok = image.Convolve(kernel, 1 + 2 * (rng() % 3), int(rng() % 20) - 2, int(rng() % 10)), ew = w, eh = h;
                break;
            }
            case 8: {
                HGLOBAL overlay = image.OverlayRectangle(rect, rng(), float(int(rng() % 5) - 1) / 2);
                if (overlay) GlobalFree(overlay);
                ok = false;
                EXPECT_TRUE(SamePixels(image, original));
                break;
            }
            case 9: {
                const double x = double(int(rng() % 200) - 100) / 3, y = double(int(rng() % 200) - 100) / 3;
                image.GetInterpolatedColor(x, y, method, edge);
                image.GetAreaColor(x, y, (rng() % 50) / 7.0, (rng() % 50) / 7.0, method, edge);
                image.GetColorDeviation(rect);
                ok = false;
                break;
            }
        }
        ASSERT_TRUE(image.IsValid());
        if (ok) {
            if (ew >= 0) {
                EXPECT_EQ(image.GetWidth(), ew);
                EXPECT_EQ(image.GetHeight(), eh);
            }
            EXPECT_EQ(image.GetBlockSize(), 40 + 4 * image.GetColorCount() + image.GetStride() * DWORD(image.GetHeight()));
        } else if (op != 8 && op != 9) {
            EXPECT_TRUE(SamePixels(image, original));
        }
    }
    if (CanCountGlobalBlocks()) {
        EXPECT_EQ(LiveGlobalBlocks(), before);
    }
}

}  // namespace

#if defined(LUMETTA_SSE2)
// The vector cubic sample of the free rotation against the per-pixel path, at random positions
// and at whole and half positions (where the kernel's distances meet its branch points): the
// same colour to the bit, for both kernels.
// The vector weights against the plain kernel, to the bit, where each distance takes the
// other branch or falls on a branch point: whole positions, the doubles next to them (the
// distance 1 + f that rounds to 2), half positions and random ones, near 0 and far out.
TEST(RotateEx, VectorCubicWeightsEqualThePlainOnes) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> fraction(0.0, 1.0);
    std::vector<double> positions;
    for (double whole : {1.0, 2.0, 37.0, 4095.0, 1048576.0, 2147480000.0}) {
        positions.insert(positions.end(), {whole, std::nextafter(whole, 0.0), std::nextafter(whole, 1e300),
                                           whole + 0.5, std::nextafter(whole + 1, 0.0)});
        for (int n = 0; n < 2000; ++n) positions.push_back(whole + fraction(rng));
    }
    for (int method : {kCubic, kCubicA1}) {
        for (double x : positions) {
            const int64_t x0 = sampling::FloorToInt(x);
            float plain[4], vector[4];
            sampling::CubicWeights(x, x0, method, plain);
            _mm_storeu_ps(vector, sampling::CubicWeights4(x, x0, method));
            ASSERT_EQ(memcmp(plain, vector, sizeof plain), 0) << method << " at " << x << ": " << plain[0] << " "
                                                              << plain[1] << " " << plain[2] << " " << plain[3];
        }
    }
}

TEST(RotateEx, VectorCubicSamplesEqualThePerPixelOnes) {
    TestImage image(41, 23, 24, 35);
    std::mt19937 rng(33);
    std::uniform_real_distribution<double> across(1.0, 38.999), down(1.0, 20.999);
    for (int method : {kCubic, kCubicA1}) {
        for (int n = 0; n < 20000; ++n) {
            double x = across(rng), y = down(rng);
            if (n % 4 == 1) x = std::floor(x);
            if (n % 4 == 2) y = std::floor(y) + 0.5;
            if (n % 4 == 3) x = std::floor(x) + 0.5, y = std::floor(y);
            const int64_t x0 = sampling::FloorToInt(x), y0 = sampling::FloorToInt(y);
            ASSERT_TRUE(x0 >= 1 && x0 + 2 < 41 && y0 >= 1 && y0 + 2 < 23);
            const BYTE* p = image.GetBits() + uint64_t(image.GetStride()) * uint64_t(y0 - 1) + 3 * uint64_t(x0 - 1);
            ASSERT_EQ(sampling::CubicInside24(p, image.GetStride(), x, y, x0, y0, method),
                      image.GetInterpolatedColor(x, y, method, 1, 0x123456))
                << method << " at " << x << "," << y;
        }
    }
}
#endif
