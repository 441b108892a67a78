// The blank-image test: grey conversion, threshold, smoothing and the deviation statistic.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>
#include <random>

#include "engine/image.h"
#include "engine/image_filter.h"
#include "support/global_block_count.h"
#include "support/test_dib.h"

namespace {

// A 24-bit page of one colour with optional black dots, as a global block owned by the test.
struct Page {
    HGLOBAL dib = nullptr;
    Page(int w, int h, DWORD color) {
        CImage image;
        image.Create(w, h, nullptr, 24);
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w; ++x) image.SetPixelColor(x, y, color);
        image_ = image.Detach();
        dib = image_;
    }
    ~Page() { GlobalFree(dib); }
    void Dot(LONG x, LONG y, DWORD color = 0) {
        CImage image(dib, FALSE, TRUE);
        image.SetPixelColor(x, y, color);
    }
    HGLOBAL image_ = nullptr;
};

TEST(BlankImage, WhiteAndBlackPagesAreBlankWithZero) {
    for (DWORD color : {0xFFFFFFu, 0x000000u}) {
        Page page(64, 48, color);
        CImageFilter filter;
        double current = -1;
        EXPECT_TRUE(filter.IsBlankImage(page.dib, 128, 0.0f, ImageRect{}, 0, &current));
        EXPECT_EQ(current, 0.0);
        EXPECT_EQ(filter.GetErrorCode(), kImageOk);
    }
}

TEST(BlankImage, IsolatedSpecksAreSmoothedAwayButABlotIsNot) {
    Page page(64, 48, 0xFFFFFF);
    for (LONG k = 0; k < 10; ++k) page.Dot(3 + 6 * k, 2 + 4 * k);
    CImageFilter filter;
    double current = -1;
    EXPECT_TRUE(filter.IsBlankImage(page.dib, 128, 0.0f, ImageRect{}, 0, &current));
    EXPECT_EQ(current, 0.0);
    for (LONG y = 20; y < 30; ++y)
        for (LONG x = 20; x < 30; ++x) page.Dot(x, y);
    EXPECT_FALSE(filter.IsBlankImage(page.dib, 128, 0.0f, ImageRect{}, 0, &current));
    EXPECT_GT(current, 0.0);
    EXPECT_TRUE(filter.IsBlankImage(page.dib, 128, 100.0f, ImageRect{}, 0, &current));
    // The page itself is untouched.
    CImage check(page.dib, FALSE, TRUE);
    EXPECT_EQ(check.GetBitCount(), 24);
    EXPECT_EQ(check.GetPixelColor(3, 2), 0u);
}

// The statistic as plainly written: a running deviation from the running mean, in doubles.
double ReferenceDeviation(CImage& image, LONG l, LONG t, LONG r, LONG b) {
    double n = 0, sum = 0, acc = 0;
    for (LONG y = t; y < b; ++y) {
        for (LONG x = l; x < r; ++x) {
            DWORD c = image.GetPixelColor(x, y);
            double v = double(c & 0xFF) * 65536 + double((c >> 8) & 0xFF) * 256 + double((c >> 16) & 0xFF);
            n += 1;
            sum += v;
            acc += (v - sum / n) * (v - sum / n);
        }
    }
    return std::sqrt(acc / n);
}

TEST(BlankImage, TheStatisticMatchesADoublePrecisionReference) {
    for (int bits : {1, 4, 8, 24}) {
        HGLOBAL dib = MakeTestDib(97, 61, bits, 5);
        CImage image(dib, TRUE);
        const double expected = ReferenceDeviation(image, 5, 3, 90, 50);
        EXPECT_DOUBLE_EQ(image.GetColorDeviation(ImageRect{5, 3, 90, 50}), expected) << bits;
        CImageFilter filter;
        double current = -1;
        const bool blank = filter.IsBlankImage(dib, 128, 50.0f, ImageRect{5, 3, 90, 50}, 1, &current);
        EXPECT_DOUBLE_EQ(current, std::min(100.0, expected / 100000.0));
        EXPECT_EQ(blank, 50.0 >= current);
        GlobalFree(dib);
    }
}

TEST(BlankImage, EmptyRectanglesAndMissingImagesFail) {
    Page page(20, 20, 0xFFFFFF);
    CImageFilter filter;
    double current = -1;
    EXPECT_FALSE(filter.IsBlankImage(page.dib, 128, 100.0f, ImageRect{5, 0, 5, 10}, 1, &current));
    EXPECT_EQ(filter.GetErrorCode(), kImageBadValue);
    EXPECT_EQ(current, 0.0);
    EXPECT_FALSE(filter.IsBlankImage(page.dib, 128, 100.0f, ImageRect{5, 0, 5, 10}, 0, &current));
    EXPECT_EQ(filter.GetErrorCode(), kImageBadValue);
    EXPECT_FALSE(filter.IsBlankImage(nullptr, 128, 100.0f, ImageRect{}, 0, &current));
    EXPECT_EQ(filter.GetErrorCode(), kImageInvalid);
}

TEST(GreyAndThreshold, WeightsPaletteImagesAndTheSmoothingMajority) {
    CImage image;
    ASSERT_TRUE(image.Create(4, 2, nullptr, 24));
    image.SetPixelColor(0, 0, 0xFF0000);  // red: 306 x 255 >> 10 = 76
    image.SetPixelColor(1, 0, 0x00FF00);  // green: 149
    bool cropped = false;
    ASSERT_TRUE(image.ConvertToGray(ImageRect{}, &cropped));
    EXPECT_TRUE(cropped);
    EXPECT_EQ(image.GetBitCount(), 8);
    EXPECT_EQ(image.GetPixelIndex(0, 0), 76);
    EXPECT_EQ(image.GetPixelIndex(1, 0), 149);
    ASSERT_TRUE(image.Threshold(ImageRect{}, 100));
    EXPECT_EQ(image.GetBitCount(), 1);
    EXPECT_EQ(image.GetPixelIndex(0, 0), 0);
    EXPECT_EQ(image.GetPixelIndex(1, 0), 1);
    EXPECT_EQ(image.GetPaletteEntry(1), 0xFFFFFFu);
    // An 8-bit image with a short colour table is cut out like the small depths.
    CImage shortTable;
    ASSERT_TRUE(shortTable.Create(3, 1, nullptr, 8));
    shortTable.SetPaletteEntry(1, 0x0000FF);  // blue: 117 x 255 >> 10 = 29
    shortTable.SetPixelIndex(0, 0, 1);
    {
        // Forge a 16-entry block from it.
        std::vector<BYTE> block(40 + 16 * 4 + 4);
        memcpy(block.data(), shortTable.GetDIB(), 40 + 16 * 4);
        reinterpret_cast<BITMAPINFOHEADER*>(block.data())->biClrUsed = 16;
        block[40 + 64] = 1;
        CImage forged;
        ASSERT_TRUE(forged.Attach(block.data(), block.size(), TRUE));
        ASSERT_TRUE(forged.ConvertToGray(ImageRect{}, &cropped));
        EXPECT_TRUE(cropped);
        EXPECT_EQ(forged.GetPixelIndex(0, 0), 29);
        EXPECT_TRUE(forged.IsGrayPalette());
    }
    // The 1-bit fast path and the per-colour path agree on random bits and kernels.
    std::mt19937 rng(3);
    for (int round = 0; round < 30; ++round) {
        HGLOBAL dib = MakeTestDib(1 + rng() % 40, 1 + rng() % 30, 1, round);
        CImage a(dib, TRUE), b(dib, TRUE);
        GlobalFree(dib);
        int kernel[9];
        for (int& k : kernel) k = int(rng() % 5);
        const int d = int(rng() % 20), o = int(rng() % 3) * 60;
        ASSERT_TRUE(a.Convolve(kernel, 3, d, o));
        // A negative weight that contributes nothing sends b through the general path.
        int general[25] = {};
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x) general[(y + 1) * 5 + x + 1] = kernel[y * 3 + x];
        // Pixels near the edge read (0, 0) in both; a 5 x 5 kernel with zero rim behaves like 3 x 3.
        general[0] = 0;
        ASSERT_TRUE(b.Convolve(general, 5, d, o));
        for (LONG y = 0; y < a.GetHeight(); ++y)
            for (LONG x = 0; x < a.GetWidth(); ++x) ASSERT_EQ(a.GetPixelIndex(x, y), b.GetPixelIndex(x, y));
    }
}

}  // namespace
