// The viewer's geometry with any numbers a script, a window size or a hostile image header can
// produce: layout, scrolling, zoom, placement, coordinate mapping and the tracker's drags.
#include <cstdint>
#include <cstring>

#include "engine/cell_geometry.h"
#include "engine/grid_layout.h"
#include "engine/track_rect_geometry.h"
#include "engine/viewer_selection.h"

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    int32_t Int() {
        int32_t v = 0;
        size_t n = size < 4 ? size : 4;
        memcpy(&v, data, n);
        data += n;
        size -= n;
        return v;
    }
    float Float() {
        int32_t bits = Int();
        float f;
        memcpy(&f, &bits, sizeof(f));
        return f;
    }
    RECT Rect() { return {Int(), Int(), Int(), Int()}; }
};

// A cell rectangle: window sizes stay within 16 bits.
RECT SmallRect(Reader& r) {
    RECT c = {r.Int() % 0x8000, r.Int() % 0x8000, r.Int() % 0x8000, r.Int() % 0x8000};
    return c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader r{data, size};
    RECT client = SmallRect(r);
    int columns = r.Int(), rows = r.Int(), count = r.Int() % 4097, margin = r.Int() % 0x8000;
    GridMetrics m = ComputeGridMetrics(client, columns, rows, count, margin, r.Int() & 1, r.Int() & 1);
    RECT cell = GridCellRect(client, m, columns, r.Int());
    GridScrollBar bar = ComputeGridScrollBar(m, rows, client.bottom - client.top, true);
    int pos = ApplyScrollAction(r.Int() % 20, r.Int(), r.Int(), GridRowPitch(m), bar.page, bar.range);
    GridTopRow({pos, r.Int(), m.rowsNeeded, rows, count, (r.Int() & 1) != 0, (r.Int() & 1) != 0}, m);

    int iw = r.Int(), ih = r.Int();
    float zoom = r.Float();
    FitZoom(cell.right - cell.left, cell.bottom - cell.top, iw, ih, r.Int());
    ZoomStepIn(zoom);
    ZoomStepOut(zoom);
    if (iw > 0 && ih > 0) {
        int sx = r.Int(), sy = r.Int();
        CellPlacement p = PlaceImage(SmallRect(r), iw, ih, zoom, r.Int() & 1, sx, sy);
        RECT s = SelectionToImage(p, SmallRect(r), r.Float(), r.Float(), sx, sy, iw, ih);
        ImageToSelection(p, r.Rect(), r.Float(), r.Float(), sx, sy, iw, ih);
        CellToImage(p, {r.Int() % 0x8000, r.Int() % 0x8000}, zoom, sx, sy);
        if (s.left < 0 || s.top < 0 || s.right > iw || s.bottom > ih) __builtin_trap();
    }
    RescaleScrollPosition(r.Int(), r.Int(), r.Int(), r.Int());

    TrackGeometry g;
    g.rect = SmallRect(r);
    g.bounds = SmallRect(r);
    g.style = static_cast<UINT>(r.Int());
    POINT mouse = {static_cast<int16_t>(r.Int()), static_cast<int16_t>(r.Int())};
    int hit = r.Int() % 10;
    TrackHitTest(g, mouse);
    TrackNormalizeHit(g.rect, hit);
    TrackDragStart start = TrackBeginDrag(g.rect, hit, mouse);
    TrackDragTo(g, start, hit, {static_cast<int16_t>(r.Int()), static_cast<int16_t>(r.Int())}, r.Int() & 1);
    RECT strips[2];
    TrackEdgeStrips(SmallRect(r), g.rect, strips);

    CViewerSelection sel;
    sel.SetCount(count);
    for (int i = 0; i < 8 && r.size; ++i) {
        int op = r.Int() & 3, a = r.Int(), b = r.Int();
        if (op == 0) sel.Click(a, b & 1, b & 2);
        if (op == 1) sel.ResetToCount(a);
        if (op == 2) sel.SetAt(a, b);
        if (op == 3) sel.SetMultiSelect(a & 1);
        for (size_t k = 1; k < sel.Selected().size(); ++k) {
            if (sel.Selected()[k - 1] >= sel.Selected()[k]) __builtin_trap();  // sorted and unique
        }
    }
    return 0;
}
