// Geometry of the viewer: grid layout and scrolling, cell zoom and placement, the selection
// tracker, the selection list, and the lent image list's guard against freed images.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/cell_geometry.h"
#include "engine/grid_layout.h"
#include "engine/lent_image_list.h"
#include "engine/track_rect_geometry.h"
#include "engine/viewer_selection.h"
#include "support/test_dib.h"

namespace {

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

#define EXPECT_RECT(r, l, t, rr, b) EXPECT_TRUE(SameRect((r), RECT{l, t, rr, b})) \
    << (r).left << "," << (r).top << "," << (r).right << "," << (r).bottom

TEST(GridLayout, ThreeByTwoWithSevenImagesKeepsRoomForTheBar) {
    RECT client{0, 0, 400, 300};
    GridMetrics m = ComputeGridMetrics(client, 3, 2, 7, 0, false, true);
    EXPECT_EQ(m.rowsNeeded, 3);
    EXPECT_EQ(m.scrollAllowance, 16);
    EXPECT_EQ(m.margin, 12);  // min(300 / 20, 384 / 30)
    EXPECT_EQ(m.cellWidth, 112);
    EXPECT_EQ(m.cellHeight, 132);
    EXPECT_RECT(GridCellRect(client, m, 3, 0), 12, 12, 124, 144);
    EXPECT_RECT(GridCellRect(client, m, 3, 4), 136, 156, 248, 288);

    GridScrollBar bar = ComputeGridScrollBar(m, 2, 300, true);
    EXPECT_TRUE(bar.visible);
    EXPECT_EQ(bar.range, 3 * 144);
    EXPECT_EQ(bar.page, 2 * 144);
    EXPECT_FALSE(ComputeGridScrollBar(m, 2, 300, false).visible);

    // One line down shows the rows from index 3 on.
    int pos = ApplyScrollAction(kScrollLineDown, 0, 0, 144, bar.page, bar.range);
    EXPECT_EQ(pos, 144);
    EXPECT_EQ(GridTopRow({pos, -1, 3, 2, 7, true}, m), 1);
    // Further scrolling stops at the last full page.
    EXPECT_EQ(ApplyScrollAction(kScrollPageDown, pos, 0, 144, bar.page, bar.range), 144);
    EXPECT_EQ(ApplyScrollAction(kScrollPageUp, pos, 0, 144, bar.page, bar.range), 0);
    EXPECT_EQ(ApplyScrollAction(kScrollByDelta, pos, 120, 144, bar.page, bar.range), 24);
    EXPECT_EQ(ApplyScrollAction(kScrollToRow, 0, 5, 144, bar.page, bar.range), 144);
    EXPECT_EQ(ApplyScrollAction(kScrollBottom, 0, 0, 144, bar.page, bar.range), 144);
    EXPECT_EQ(ApplyScrollAction(kScrollEnd, 37, 0, 144, bar.page, bar.range), 37);
}

TEST(GridLayout, MarginRules) {
    // A margin of 50 in a 200 x 200 view with 2 x 2 cells becomes 10.
    GridMetrics m = ComputeGridMetrics({0, 0, 200, 200}, 2, 2, 4, 50, false, true);
    EXPECT_EQ(m.margin, 10);
    EXPECT_EQ(m.scrollAllowance, 0);
    // A small margin is kept; a fresh one never grows past the old one; 1 x 1 has none.
    EXPECT_EQ(ComputeGridMetrics({0, 0, 200, 200}, 2, 2, 4, 5, false, true).margin, 5);
    EXPECT_EQ(ComputeGridMetrics({0, 0, 2000, 2000}, 2, 2, 4, 0, false, true).margin, 100);
    EXPECT_EQ(ComputeGridMetrics({0, 0, 20, 20}, 2, 2, 4, 0, false, true).margin, 1);
    EXPECT_EQ(ComputeGridMetrics({0, 0, 200, 200}, 1, 1, 4, 30, false, true).margin, 0);
    // Single-image mode needs one row: no bar.
    EXPECT_EQ(ComputeGridMetrics({0, 0, 200, 200}, 1, 1, 40, 0, true, true).scrollAllowance, 0);
}

TEST(GridLayout, HugeModesAndTinyClientsKeepCellsPositive) {
    GridMetrics m = ComputeGridMetrics({0, 0, 10, 10}, 30000, 30000, 4096, 0, false, true);
    EXPECT_GE(m.cellWidth, 1);
    EXPECT_GE(m.cellHeight, 1);
    RECT r = GridCellRect({0, 0, 10, 10}, m, kMaxGridColumns, kMaxGridColumns * kMaxGridRows - 1);
    EXPECT_GT(r.right, r.left);
    EXPECT_GT(r.bottom, r.top);
    m = ComputeGridMetrics({0, 0, 0, 0}, 1, 1, 0, 0, false, true);
    EXPECT_EQ(m.cellWidth, 1);
    EXPECT_EQ(m.cellHeight, 1);
}

TEST(GridLayout, TopRowWithoutTheBarUsesTheSavedPosition) {
    GridMetrics m = ComputeGridMetrics({0, 0, 200, 200}, 1, 1, 10, 0, true, true);
    EXPECT_EQ(GridTopRow({0, 3 * GridRowPitch(m), 1, 1, 10, false, true}, m), 3);
    EXPECT_EQ(GridTopRow({0, 12 * GridRowPitch(m), 1, 1, 10, false, true}, m), 0);  // past the count
    EXPECT_EQ(GridTopRow({0, -1, 1, 1, 10, false, true}, m), 0);
    // A grid without its bar: a saved row past the rows the images take starts again at 0, and
    // the last row shows a full page.
    GridMetrics two = ComputeGridMetrics({0, 0, 200, 200}, 2, 2, 10, 0, false, false);
    EXPECT_EQ(GridTopRow({0, 7 * GridRowPitch(two), 5, 2, 10, false}, two), 0);
    EXPECT_EQ(GridTopRow({0, 4 * GridRowPitch(two), 5, 2, 10, false}, two), 3);
    // 4096 images in a 4 x 4 grid scrolled to the end: the last full page.
    GridMetrics g = ComputeGridMetrics({0, 0, 400, 400}, 4, 4, 4096, 0, false, true);
    EXPECT_EQ(GridTopRow({1 << 30, -1, g.rowsNeeded, 4, 4096, true}, g), 1024 - 4);
}

TEST(CellGeometry, FitZoomTable) {
    EXPECT_FLOAT_EQ(FitZoom(200, 200, 400, 300, kFitWhole), 0.5f);
    EXPECT_NEAR(FitZoom(200, 200, 400, 300, kFitHeight), 0.6667f, 1e-4);
    EXPECT_FLOAT_EQ(FitZoom(200, 200, 400, 300, kFitWidth), 0.5f);
    EXPECT_FLOAT_EQ(FitZoom(200, 200, 400, 300, kFitStretch), 1.0f);
    EXPECT_FLOAT_EQ(FitZoom(200, 200, 100, 50, kFitWhole), 1.0f);
    EXPECT_FLOAT_EQ(FitZoom(200, 200, 100, 50, kFitFill), 2.0f);
    EXPECT_FLOAT_EQ(FitZoom(200, 200, 100, 400, kFitWhole), 0.5f);
    EXPECT_FLOAT_EQ(FitZoom(200, 200, 100, 400, kFitWidth), 1.0f);
    EXPECT_FLOAT_EQ(FitZoom(200, 200, 400, 100, kFitHeight), 1.0f);
    EXPECT_FLOAT_EQ(FitZoom(200, 200, 0, 100, kFitWhole), 1.0f);  // never divides by zero
    EXPECT_FLOAT_EQ(FitZoom(1, 1, 100000, 100000, kFitWhole), kMinZoom);
}

TEST(CellGeometry, ZoomSteps) {
    EXPECT_FLOAT_EQ(ZoomStepIn(0.4f), 0.8f);
    EXPECT_FLOAT_EQ(ZoomStepIn(0.5f), 0.75f);
    EXPECT_FLOAT_EQ(ZoomStepIn(1.5f), 2.0f);
    EXPECT_FLOAT_EQ(ZoomStepIn(40.0f), kMaxZoom);
    EXPECT_FLOAT_EQ(ZoomStepOut(0.03f), kMinZoom);
    EXPECT_FLOAT_EQ(ZoomStepOut(2.0f), 1.5f);
    EXPECT_FLOAT_EQ(ZoomStepOut(1.0f), 0.75f);
    EXPECT_FLOAT_EQ(ClampZoom(100.0f), kMaxZoom);
}

TEST(CellGeometry, SmallImageIsCentredAndACornerToCornerBandIsTheWholeImage) {
    RECT area{1, 1, 199, 199};
    CellPlacement p = PlaceImage(area, 100, 50, 1.0f, false, 0, 0);
    EXPECT_TRUE(p.centredX && p.centredY);
    EXPECT_RECT(p.target, 50, 75, 150, 125);
    RECT image = SelectionToImage(p, p.target, 1.0f, 1.0f, 0, 0, 100, 50);
    EXPECT_RECT(image, 0, 0, 100, 50);
    // Drawn from the bottom-right corner back, and past the image: still clamped to it.
    RECT over{p.target.right + 2, p.target.bottom + 2, p.target.left - 2, p.target.top - 2};
    EXPECT_RECT(SelectionToImage(p, over, 1.0f, 1.0f, 0, 0, 100, 50), 0, 0, 100, 50);
    RECT inner{60, 80, 70, 90};
    EXPECT_RECT(SelectionToImage(p, inner, 1.0f, 1.0f, 0, 0, 100, 50), 10, 5, 20, 15);
    EXPECT_RECT(ImageToSelection(p, {10, 5, 20, 15}, 1.0f, 1.0f, 0, 0, 100, 50), 60, 80, 70, 90);
    POINT pt = CellToImage(p, {60, 80}, 1.0f, 0, 0);
    EXPECT_EQ(pt.x, 10);
    EXPECT_EQ(pt.y, 5);
}

TEST(CellGeometry, ZoomedImageScrollsAndClampsItsSelection) {
    RECT area{0, 0, 200, 200};
    CellPlacement p = PlaceImage(area, 400, 300, 1.0f, false, 100, 50);
    EXPECT_FALSE(p.centredX || p.centredY);
    EXPECT_EQ(p.sourceX, 100);
    EXPECT_EQ(p.sourceY, 50);
    EXPECT_EQ(p.sourceWidth, 200);
    EXPECT_EQ(BottomUpSourceY(p, 300), 50);
    // Scrolled past the end: held at the last position.
    p = PlaceImage(area, 400, 300, 1.0f, false, 9999, 9999);
    EXPECT_EQ(p.sourceX, 200);
    EXPECT_EQ(p.sourceY, 100);
    RECT r = SelectionToImage(p, {-20, -20, 500, 500}, 1.0f, 1.0f, 200, 100, 400, 300);
    EXPECT_RECT(r, 200, 100, 400, 300);
    // Stretch covers the whole area.
    p = PlaceImage(area, 400, 100, 1.0f, true, 0, 0);
    EXPECT_RECT(p.target, 0, 0, 200, 200);
    EXPECT_RECT(SelectionToImage(p, {0, 0, 200, 200}, 0.5f, 2.0f, 0, 0, 400, 100), 0, 0, 400, 100);
}

TEST(CellGeometry, ScrollRescale) {
    EXPECT_EQ(RescaleScrollPosition(0, 400, 800, 200), 0);
    EXPECT_EQ(RescaleScrollPosition(100, 400, 800, 200), 299);  // 100 / 201 x 601
    EXPECT_EQ(RescaleScrollPosition(100, 400, 100, 200), 0);
}

TEST(TrackGeometry, HandlesOfANarrowRectangle) {
    TrackGeometry g;
    g.rect = {10, 10, 20, 50};
    UINT mask = TrackHandleMask(g);
    EXPECT_EQ(mask & 0x0F, 0x0Fu);
    EXPECT_FALSE(mask & (1u << kHitTop));
    EXPECT_FALSE(mask & (1u << kHitBottom));
    EXPECT_TRUE(mask & (1u << kHitLeft));
    EXPECT_TRUE(mask & (1u << kHitRight));
    EXPECT_RECT(TrackTrueRect(g), 8, 8, 22, 52);
    EXPECT_EQ(TrackHitTest(g, {8, 8}), kHitTopLeft);
    EXPECT_EQ(TrackHitTest(g, {20, 50}), kHitBottomRight);
    EXPECT_EQ(TrackHitTest(g, {15, 30}), kHitMiddle);
    EXPECT_EQ(TrackHitTest(g, {100, 100}), kHitNothing);
    RECT left = TrackHandleRect(g, kHitLeft);
    EXPECT_EQ(TrackHitTest(g, {left.left, left.top}), kHitLeft);
}

TEST(TrackGeometry, ResizeStopsAtTheMinimumAndInvertsWhenAllowed) {
    TrackGeometry g;
    g.rect = {10, 10, 50, 50};
    g.bounds = {0, 0, 200, 200};
    TrackDragStart start = TrackBeginDrag(g.rect, kHitBottomRight, {50, 50});
    EXPECT_RECT(TrackDragTo(g, start, kHitBottomRight, {11, 11}, false), 10, 10, 14, 14);
    RECT flipped = TrackDragTo(g, start, kHitBottomRight, {0, 0}, true);
    EXPECT_RECT(flipped, 10, 10, 0, 0);
    EXPECT_EQ(TrackNormalizeHit(flipped, kHitBottomRight), kHitTopLeft);
    EXPECT_EQ(TrackNormalizeHit(RECT{10, 10, 0, 20}, kHitRight), kHitLeft);
    EXPECT_EQ(TrackNormalizeHit(g.rect, 12), kHitCursorNone);
}

TEST(TrackGeometry, MovingAgainstTheBoundsKeepsTheSize) {
    TrackGeometry g;
    g.rect = {10, 10, 30, 30};
    g.bounds = {0, 0, 100, 100};
    TrackDragStart start = TrackBeginDrag(g.rect, kHitMiddle, {20, 20});
    EXPECT_RECT(TrackDragTo(g, start, kHitMiddle, {-50, 95}, false), 0, 80, 20, 100);
    EXPECT_RECT(TrackDragTo(g, start, kHitMiddle, {25, 26}, false), 15, 16, 35, 36);
    // A rubber band from a corner: the bottom-right corner follows the mouse, clamped.
    TrackDragStart band = TrackBeginDrag({5, 5, 5, 5}, kHitBottomRight, {5, 5});
    EXPECT_RECT(TrackDragTo(g, band, kHitBottomRight, {300, 300}, true), 5, 5, 100, 100);
}

TEST(TrackGeometry, EdgeStrips) {
    RECT strips[2];
    EXPECT_EQ(TrackEdgeStrips({0, 0, 100, 100}, {0, 10, 50, 100}, strips), 2);
    EXPECT_RECT(strips[0], -3, -3, 0, 103);
    EXPECT_RECT(strips[1], -3, 100, 103, 103);
    EXPECT_EQ(TrackEdgeStrips({0, 0, 100, 100}, {10, 10, 50, 50}, strips), 0);
}

TEST(ViewerSelection, ShiftAndControlClicks) {
    CViewerSelection s;
    s.SetCount(8);
    s.Click(2, false, false);
    EXPECT_EQ(s.TakeFocusChange(), 2);
    s.Click(5, true, false);
    EXPECT_EQ(s.Selected(), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(s.TakeFocusChange(), -2);  // the focus stayed at 2
    s.Click(3, false, true);
    EXPECT_EQ(s.Selected(), (std::vector<int>{2, 4, 5}));
    s.Click(0, true, true);  // Shift with Control adds the range from the anchor 3
    EXPECT_EQ(s.Selected(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(s.TakeFocusChange(), 0);
    s.Click(6, false, false);
    EXPECT_EQ(s.TakeFocusChange(), 6);
    s.Click(6, false, false);  // the only selected cell again: nothing changes
    EXPECT_EQ(s.TakeFocusChange(), -2);
    s.Click(6, false, true);
    EXPECT_EQ(s.Selected(), (std::vector<int>{6}));
    s.SetMultiSelect(false);
    s.Click(1, true, false);
    EXPECT_EQ(s.Selected(), (std::vector<int>{1}));
    s.Click(99, false, false);  // outside the buffer: ignored
    EXPECT_EQ(s.Selected(), (std::vector<int>{1}));
}

TEST(ViewerSelection, ScriptPutsKeepTheListSortedAndUnique) {
    CViewerSelection s;
    s.SetCount(8);
    s.SetMultiSelect(false);
    EXPECT_FALSE(s.ResetToCount(3));
    s.SetMultiSelect(true);
    s.SelectOnly(4);
    EXPECT_FALSE(s.ResetToCount(0));
    EXPECT_FALSE(s.ResetToCount(9));
    ASSERT_TRUE(s.ResetToCount(3));
    EXPECT_EQ(s.Selected(), (std::vector<int>{4}));
    EXPECT_TRUE(s.SetAt(1, 6));
    EXPECT_TRUE(s.SetAt(2, 1));
    EXPECT_EQ(s.Selected(), (std::vector<int>{1, 4, 6}));
    EXPECT_TRUE(s.SetAt(2, 4));  // replaces 6 by an index already selected: no repeat
    EXPECT_EQ(s.Selected(), (std::vector<int>{1, 4}));
    EXPECT_FALSE(s.SetAt(0, 8));
    EXPECT_FALSE(s.SetAt(0, -1));
    EXPECT_FALSE(s.SetAt(5, 2));
    EXPECT_EQ(s.At(1), 4);
    EXPECT_EQ(s.At(7), -1);
    s.SetCount(3);
    EXPECT_EQ(s.SelectedCount(), 0);
    EXPECT_EQ(s.Focused(), -1);
}

TEST(LentImageList, NeverReadsAnImageTheLenderFreed) {
    // The lender: a buffer that frees an image while its updates to the views are suspended.
    std::vector<HGLOBAL> buffer = {MakeTestDib(30, 20, 24, 1), MakeTestDib(10, 10, 8, 2)};
    CLentImageList list;
    list.SetHolderCheck([&buffer](int i, HGLOBAL h) { return i >= 0 && i < int(buffer.size()) && buffer[i] == h; });
    for (int i = 0; i < 2; ++i) list.Set(i, buffer[i]);
    DibLayout layout;
    ASSERT_TRUE(list.PaintableLayout(0, &layout));
    EXPECT_EQ(layout.width, 30);
    HGLOBAL gone = buffer[0];
    buffer.erase(buffer.begin());
    GlobalFree(gone);  // poisoned and given back: any read of it fails under the sanitizers
    EXPECT_FALSE(list.PaintableLayout(0, &layout));
    EXPECT_FALSE(list.PaintableLayout(1, &layout));  // the image moved to index 0
    list.Set(0, buffer[0]);
    EXPECT_TRUE(list.PaintableLayout(0, &layout));
    EXPECT_FALSE(list.PaintableLayout(5, &layout));
    EXPECT_FALSE(list.Set(4096, buffer[0]));
    for (HGLOBAL h : buffer) GlobalFree(h);
}

TEST(LentImageList, RefusesBlocksThatAreNotPaintable) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 30);  // shorter than a header
    CLentImageList list;
    list.Set(0, block);
    EXPECT_FALSE(list.PaintableLayout(0, nullptr));
    GlobalFree(block);
    HGLOBAL empty = MakeTestDib(4, 4, 24);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(empty));
    header->biWidth = 0;
    GlobalUnlock(empty);
    list.Set(0, empty);
    EXPECT_FALSE(list.PaintableLayout(0, nullptr));
    GlobalFree(empty);
}

}  // namespace
