#include "engine/track_rect.h"

#include <algorithm>

namespace {

RECT Inflated(RECT r, int by) { return {r.left - by, r.top - by, r.right + by, r.bottom + by}; }

// The band between a rectangle's outside and its inside shrunk by size.
HRGN FrameRegion(const RECT& rect, int size) {
    RECT outerRect = NormalizedRect(rect);
    RECT innerRect = Inflated(outerRect, -size);
    if (RectIsEmpty(innerRect)) innerRect = {0, 0, 0, 0};
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    HRGN outer = CreateRectRgnIndirect(&outerRect);
    HRGN inner = CreateRectRgnIndirect(&innerRect);
    CombineRgn(region, outer, inner, RGN_XOR);
    DeleteObject(outer);
    DeleteObject(inner);
    return region;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

POINT PointOf(LPARAM lParam) {
    return {static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
}

}  // namespace

CTrackRect::CTrackRect() : CTrackRect(RECT{0, 0, 0, 0}, kTrackDottedLine | kTrackResizeOutside) {}

CTrackRect::CTrackRect(const RECT& rect, UINT style) {
    m_geometry.rect = rect;
    m_geometry.style = style;
    static const LPCSTR kCursorNames[10] = {IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZENS,
                                            IDC_SIZEWE,   IDC_SIZENS,   IDC_SIZEWE,   IDC_SIZEALL,  IDC_CROSS};
    for (int i = 0; i < 10; ++i) m_cursors[i] = LoadCursorA(nullptr, kCursorNames[i]);
}

CTrackRect::~CTrackRect() = default;

void CTrackRect::SetBounds(const RECT& rect) { m_geometry.bounds = Inflated(rect, -m_geometry.handleSize); }

void CTrackRect::Draw(HDC dc) {
    TrackClampToBounds(&m_geometry.rect, m_geometry.bounds, kHitMiddle);
    RECT r = NormalizedRect(m_geometry.rect);
    UINT style = m_geometry.style;
    int saved = SaveDC(dc);
    if (style & (kTrackSolidLine | kTrackDottedLine)) {
        SelectObject(dc, (style & kTrackDottedLine) ? static_cast<HGDIOBJ>(m_gdi.DottedPen()) : GetStockObject(BLACK_PEN));
        SelectObject(dc, GetStockObject(NULL_BRUSH));
        SetBkMode(dc, TRANSPARENT);
        Rectangle(dc, r.left - 1, r.top - 1, r.right + 1, r.bottom + 1);
    }
    if ((style & kTrackHatchInside) && m_gdi.HatchBrush()) {
        SetBkMode(dc, TRANSPARENT);
        SelectObject(dc, GetStockObject(NULL_PEN));
        SelectObject(dc, m_gdi.HatchBrush());
        Rectangle(dc, r.left, r.top, r.right + 1, r.bottom + 1);
    }
    if ((style & kTrackHatchedBorder) && m_gdi.HatchBrush()) {
        int size = TrackHandleSize(m_geometry);
        RECT outer = Inflated(r, size);
        RECT bands[4] = {{outer.left, outer.top, outer.right, r.top},
                         {outer.left, r.bottom, outer.right, outer.bottom},
                         {outer.left, r.top, r.left, r.bottom},
                         {r.right, r.top, outer.right, r.bottom}};
        for (const RECT& band : bands) FillRect(dc, &band, m_gdi.HatchBrush());
    }
    if (style & (kTrackResizeInside | kTrackResizeOutside)) {
        UINT mask = GetHandleMask();
        for (int h = 0; h < 8; ++h) {
            if (!(mask & (1u << h))) continue;
            RECT handle = TrackHandleRect(m_geometry, h);
            FillRect(dc, &handle, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        }
    }
    RestoreDC(dc, saved);
}

BOOL CTrackRect::SetCursor(HWND window, UINT hitTestCode) {
    if (hitTestCode != HTCLIENT) return FALSE;
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(window, &p);
    if (!PointInRect(m_geometry.bounds, p)) return FALSE;
    int hit = NormalizeHit(HitTest(p));
    ::SetCursor(m_cursors[hit < 0 ? kHitCursorNone : hit]);
    return TRUE;
}

BOOL CTrackRect::Track(HWND window, POINT point, BOOL allowInvert) {
    int hit = HitTestHandles(point);
    if (hit < 0) return FALSE;
    m_allowInvert = allowInvert;
    return TrackHandle(hit, window, point);
}

BOOL CTrackRect::TrackRubberBand(HWND window, POINT point, BOOL allowInvert) {
    m_allowInvert = allowInvert;
    m_geometry.rect = {point.x, point.y, point.x, point.y};
    return TrackHandle(kHitBottomRight, window, point);
}

BOOL CTrackRect::TrackHandle(int hit, HWND window, POINT start) {
    if (GetCapture() != nullptr) return FALSE;
    RECT saved = m_geometry.rect;
    SetCapture(window);
    UpdateWindow(window);
    TrackDragStart drag = TrackBeginDrag(saved, hit, start);
    HDC dc = GetDC(window);
    TrackGeometry geometry = m_geometry;
    geometry.bounds = Inflated(m_geometry.bounds, -m_geometry.handleSize);
    m_lastFrame = {0, 0, 0, 0};
    bool drawn = false;
    bool cancelled = false;
    bool everMoved = false;
    while (GetCapture() == window) {
        MSG msg;
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            // The thread is quitting (or the queue failed): leave the loop and let the quit
            // reach the loop that owns the thread.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            cancelled = true;
            break;
        }
        if ((msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) || msg.message == WM_RBUTTONDOWN) {
            cancelled = true;
            break;
        }
        if (msg.message == WM_MOUSEMOVE || msg.message == WM_LBUTTONUP) {
            bool up = msg.message == WM_LBUTTONUP;
            RECT moved = TrackDragTo(geometry, drag, hit, PointOf(msg.lParam), m_allowInvert != FALSE);
            bool changed = !SameRect(moved, m_geometry.rect);
            if (changed || up) {
                if (drawn) {
                    m_erase = TRUE;
                    DrawTrackerRect(m_lastFrame, dc);  // the same frame again removes it
                    m_erase = FALSE;
                    drawn = false;
                }
                m_geometry.rect = moved;
                OnChangedRect(moved);
                if (!up) {
                    DrawTrackerRect(moved, dc);
                    drawn = true;
                }
                if (changed) everMoved = true;
            }
            if (up) break;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (cancelled && drawn) {
        m_erase = TRUE;
        DrawTrackerRect(m_lastFrame, dc);
        m_erase = FALSE;
    }
    ReleaseDC(window, dc);
    if (GetCapture() == window) ReleaseCapture();
    // A press released without moving leaves the rectangle as it was.
    if (cancelled || !everMoved) m_geometry.rect = saved;
    return !SameRect(m_geometry.rect, saved);
}

void CTrackRect::DrawTrackerRect(const RECT& rect, HDC dc) {
    // PATINVERT through the frame's region: drawing the same frame twice removes it, so the
    // erase call (m_erase) paints the last frame again.
    int size = 1;
    if (m_geometry.style & kTrackHatchedBorder) size = std::max(TrackHandleSize(m_geometry) - 1, 1);
    HRGN region = FrameRegion(m_erase ? m_lastFrame : rect, size);
    if (!m_erase) m_lastFrame = rect;
    int saved = SaveDC(dc);
    SelectClipRgn(dc, region);
    RECT box;
    GetClipBox(dc, &box);
    SelectObject(dc, m_gdi.HalftoneBrush());
    PatBlt(dc, box.left, box.top, box.right - box.left, box.bottom - box.top, PATINVERT);
    RestoreDC(dc, saved);
    DeleteObject(region);
}
