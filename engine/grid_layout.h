// Geometry of the viewer's thumbnail grid: margins, cell sizes and rectangles, the top row and
// the vertical scroll bar. Plain functions over numbers, shared by the viewer window and its tests.
#pragma once

#include "lumetta_win.h"

// Largest number of columns or rows a view mode may ask for: a full page of 32 x 32 cells stays
// far below the process's window quota and the 16-bit page size.
constexpr int kMaxGridColumns = 32;
constexpr int kMaxGridRows = 32;
// Width of the viewer's own vertical scroll bar.
constexpr int kGridScrollBarWidth = 16;

// Scroll actions of the grid and of a cell: the platform's codes and two private ones.
enum ScrollAction : int {
    kScrollLineUp = 0,
    kScrollLineDown = 1,
    kScrollPageUp = 2,
    kScrollPageDown = 3,
    kScrollThumbPosition = 4,
    kScrollThumbTrack = 5,
    kScrollTop = 6,
    kScrollBottom = 7,
    kScrollEnd = 8,
    kScrollByDelta = 9,   // moves back by a delta (the wheel, panning)
    kScrollToRow = 18,    // grid only: makes the row in the high word the top row
};

struct GridMetrics {
    int margin = 0;           // between cells and round the page
    int cellWidth = 1;
    int cellHeight = 1;
    int scrollAllowance = 0;  // room kept for the vertical scroll bar
    int rowsNeeded = 1;       // rows all images take
};

// Rows the images take: ceil(count / columns), 1 in single-image mode, at least 1.
int GridRowsNeeded(int count, int columns, bool singleImage);

// Margin and cell size for a client rectangle. A positive margin is kept while it is at most a
// tenth of the room per column and per row; otherwise it becomes a tenth of the smaller cell
// pitch, never more than the old margin, at least 1. A 1 x 1 view has no margin. Cells are at
// least 1 x 1 pixel, whatever the client.
GridMetrics ComputeGridMetrics(const RECT& client, int columns, int rows, int count, int oldMargin,
                               bool singleImage, bool vScrollBar);

// Rectangle of page position p (0 = top-left cell of the visible page), cut at the page's margin.
RECT GridCellRect(const RECT& client, const GridMetrics& metrics, int columns, int pagePosition);

// Distance from one row to the next.
inline int GridRowPitch(const GridMetrics& m) { return m.cellHeight + m.margin; }

struct GridTopRowInput {
    int scrollPosition;   // the vertical bar's position
    int savedPosition;    // the position saved by a jump to a row (-1: none)
    int rowsNeeded;
    int visibleRows;
    int count;
    bool useBar;          // grid mode with the vertical bar enabled
    bool singleImage = false;  // one image a row: the rows are the images
};

// The first visible row of a relayout. Without the bar, a saved row past the last row (the last
// image in single-image mode) starts again at row 0.
int GridTopRow(const GridTopRowInput& in, const GridMetrics& metrics);

struct GridScrollBar {
    int range = 0;        // maximum of the bar: rows needed x pitch
    int page = 0;         // visible rows x pitch
    bool visible = false;
};

GridScrollBar ComputeGridScrollBar(const GridMetrics& metrics, int visibleRows, int clientHeight,
                                   bool vScrollBar);

// New position of a scroll bar after an action. The position stays within 0..range - page.
// `argument` is the track position (thumb actions), the delta (kScrollByDelta) or the row
// (kScrollToRow); `line` is the distance of one line.
int ApplyScrollAction(int action, int position, int argument, int line, int page, int range);
