// Where an image lands on a printed page, against sizes worked out by hand from inches and dots.
#include <gtest/gtest.h>

#include <climits>

#include "engine/print_layout.h"

namespace {

TEST(PrintLayout, ResolutionFromPixelsPerMetre) {
    EXPECT_EQ(PrintImageDpi(11811), 300);  // 300 x 39.37
    EXPECT_EQ(PrintImageDpi(3780), 96);
    EXPECT_EQ(PrintImageDpi(23622), 600);
    EXPECT_EQ(PrintImageDpi(20), 1);       // 0.508 rounds up to 1 DPI
    // Nothing below 1 DPI: no resolution, a negative one and 1 to 19 pixels per metre are 96 DPI.
    for (int32_t ppm : {0, -1, 1, 10, 19, INT32_MIN}) EXPECT_EQ(PrintImageDpi(ppm), 96) << ppm;
    EXPECT_GT(PrintImageDpi(INT32_MAX), 0);
}

TEST(PrintLayout, FitScale) {
    EXPECT_DOUBLE_EQ(FitScale(4960, 7016, 2400, 3200), 1.0);
    EXPECT_DOUBLE_EQ(FitScale(1000, 1000, 2000, 500), 0.5);
    EXPECT_DOUBLE_EQ(FitScale(1000, 1000, 500, 4000), 0.25);
    // A rectangle with no width or height neither divides by zero nor grows.
    EXPECT_DOUBLE_EQ(FitScale(1000, 1000, 0, 500), 1.0);
    EXPECT_DOUBLE_EQ(FitScale(1000, 1000, 4000, 0), 0.25);
    EXPECT_DOUBLE_EQ(FitScale(1000, 1000, 0, 0), 1.0);
    EXPECT_DOUBLE_EQ(FitScale(0, 0, 10, 10), 0.0);
}

TEST(PrintLayout, PlacementOnAnA4PageAt600Dpi) {
    // 4 x 5.33 inches at 300 DPI keep their size, centred on 4960 x 7016.
    PrintPlacement p = PlaceImageOnPage(4960, 7016, 600, 600, 1200, 1600, 11811, 11811);
    EXPECT_EQ(p.width, 2400);
    EXPECT_EQ(p.height, 3200);
    EXPECT_EQ(p.left, 1280);
    EXPECT_EQ(p.top, 1908);
    // A whole A4 page at 300 DPI fills the page exactly.
    p = PlaceImageOnPage(4960, 7016, 600, 600, 2480, 3508, 11811, 11811);
    EXPECT_EQ(p.width, 4960);
    EXPECT_EQ(p.height, 7016);
    EXPECT_EQ(p.left, 0);
    EXPECT_EQ(p.top, 0);
    // Twice A4 at 300 DPI shrinks to half, keeping its proportions.
    p = PlaceImageOnPage(4960, 7016, 600, 600, 4960, 7016, 11811, 11811);
    EXPECT_EQ(p.width, 4960);
    EXPECT_EQ(p.height, 7016);
    // 10 inches across at 96 DPI on a page 5 inches wide and 10 high: half size, centred down.
    p = PlaceImageOnPage(3000, 6000, 600, 600, 960, 96, 0, 0);
    EXPECT_EQ(p.width, 3000);
    EXPECT_EQ(p.height, 300);
    EXPECT_EQ(p.left, 0);
    EXPECT_EQ(p.top, 2850);
}

TEST(PrintLayout, HostileHeaderValuesStayInRange) {
    // The largest header values and 1 pixel per metre neither overflow nor leave the page.
    const PrintPlacement p = PlaceImageOnPage(4960, 7016, 600, 600, INT32_MAX, INT32_MAX, 1, 1);
    EXPECT_GE(p.width, 0);
    EXPECT_LE(p.width, 4960);
    EXPECT_LE(p.height, 7016);
    EXPECT_GE(p.left, 0);
    EXPECT_GE(p.top, 0);
    // A printer that reports no resolution draws nothing rather than dividing by zero.
    const PrintPlacement none = PlaceImageOnPage(4960, 7016, 0, 0, 100, 100, 3780, 3780);
    EXPECT_EQ(none.width, 0);
    EXPECT_EQ(none.height, 0);
}

}  // namespace
