#include "engine/grid_layout.h"

#include <algorithm>
#include <cstdint>

int GridRowsNeeded(int count, int columns, bool singleImage) {
    if (singleImage) return 1;
    columns = std::max(columns, 1);
    int rows = (std::max(count, 0) + columns - 1) / columns;
    return std::max(rows, 1);
}

GridMetrics ComputeGridMetrics(const RECT& client, int columns, int rows, int count, int oldMargin,
                               bool singleImage, bool vScrollBar) {
    columns = std::clamp(columns, 1, kMaxGridColumns);
    rows = std::clamp(rows, 1, kMaxGridRows);
    GridMetrics m;
    m.rowsNeeded = GridRowsNeeded(count, columns, singleImage);
    m.scrollAllowance = (m.rowsNeeded > rows && vScrollBar) ? kGridScrollBarWidth : 0;
    int64_t width = int64_t(client.right) - client.left;
    int64_t height = int64_t(client.bottom) - client.top;
    int64_t roomX = width - m.scrollAllowance;
    int64_t margin = oldMargin;
    if (columns == 1 && rows == 1) {
        margin = 0;
    } else {
        bool fits = margin > 0 && margin * columns * 10 <= roomX - 3 * columns &&
                    margin * rows * 10 <= height - 3 * rows;
        if (!fits) {
            int64_t fresh = std::min(height / (rows * 10), roomX / (columns * 10));
            if (oldMargin > 0) fresh = std::min<int64_t>(fresh, oldMargin);
            margin = std::max<int64_t>(fresh, 1);
        }
    }
    m.margin = static_cast<int>(std::min<int64_t>(margin, 0x7FFF));
    int64_t cellWidth = (roomX - m.margin) / columns - m.margin;
    int64_t cellHeight = (height - m.margin) / rows - m.margin;
    m.cellWidth = static_cast<int>(std::clamp<int64_t>(cellWidth, 1, 0x7FFF));
    m.cellHeight = static_cast<int>(std::clamp<int64_t>(cellHeight, 1, 0x7FFF));
    return m;
}

RECT GridCellRect(const RECT& client, const GridMetrics& m, int columns, int p) {
    columns = std::clamp(columns, 1, kMaxGridColumns);
    p = std::clamp(p, 0, kMaxGridColumns * kMaxGridRows - 1);
    int64_t left = int64_t(m.cellWidth + m.margin) * (p % columns) + m.margin;
    int64_t top = int64_t(p / columns) * (m.cellHeight + m.margin) + m.margin;
    int64_t right = std::min<int64_t>(left + m.cellWidth, int64_t(client.right) - m.margin);
    int64_t bottom = std::min<int64_t>(top + m.cellHeight, int64_t(client.bottom) - m.margin);
    // A cell never turns inside out, however small the client.
    right = std::max(right, left + 1);
    bottom = std::max(bottom, top + 1);
    auto fit = [](int64_t v) { return static_cast<LONG>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    return {fit(left), fit(top), fit(right), fit(bottom)};
}

int GridTopRow(const GridTopRowInput& in, const GridMetrics& m) {
    int pitch = std::max(GridRowPitch(m), 1);
    int visible = std::max(in.visibleRows, 1);
    int top;
    if (in.useBar) {
        top = std::max(in.scrollPosition, 0) / pitch;
        if (in.rowsNeeded - top < visible) top = in.rowsNeeded - visible;
    } else {
        top = std::max(in.savedPosition, 0) / pitch;
        if (top >= (in.singleImage ? in.count : in.rowsNeeded)) top = 0;
    }
    if (!in.singleImage && top == in.rowsNeeded - 1 && top > 0) top -= visible - 1;
    return std::max(top, 0);
}

GridScrollBar ComputeGridScrollBar(const GridMetrics& m, int visibleRows, int clientHeight,
                                   bool vScrollBar) {
    GridScrollBar bar;
    int64_t pitch = GridRowPitch(m);
    bar.range = static_cast<int>(std::min<int64_t>(int64_t(m.rowsNeeded) * pitch, INT32_MAX));
    bar.page = static_cast<int>(std::min<int64_t>(pitch * std::max(visibleRows, 1), INT32_MAX));
    bar.visible = vScrollBar && bar.range > clientHeight;
    return bar;
}

int ApplyScrollAction(int action, int position, int argument, int line, int page, int range) {
    int64_t limit = std::max<int64_t>(int64_t(range) - page, 0);
    int64_t pos = position;
    switch (action) {
        case kScrollLineUp: pos -= line; break;
        case kScrollLineDown: pos += line; break;
        case kScrollPageUp: pos -= page; break;
        case kScrollPageDown: pos += page; break;
        case kScrollThumbPosition:
        case kScrollThumbTrack: pos = argument; break;
        case kScrollTop: pos = 0; break;
        case kScrollBottom: pos = limit; break;
        case kScrollByDelta: pos -= argument; break;
        case kScrollToRow: pos = int64_t(line) * argument; break;
        default: return position;
    }
    return static_cast<int>(std::clamp<int64_t>(pos, 0, limit));
}
