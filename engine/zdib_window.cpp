#include "engine/zdib_window.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/viewer_window_class.h"

namespace {

constexpr int kBar = 16;  // thickness of a cell's scroll bars

RECT Inset(RECT r, int by) { return {r.left + by, r.top + by, r.right - by, r.bottom - by}; }
LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }

void FrameRectColour(HDC dc, const RECT& r, COLORREF colour) {
    HBRUSH brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
    SetDCBrushColor(dc, colour);
    FrameRect(dc, &r, brush);
}

void Line(HDC dc, int x0, int y0, int x1, int y1, COLORREF colour) {
    SetDCPenColor(dc, colour);
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

}  // namespace

CZDIBWindow::CZDIBWindow() : CZWindow(FALSE), m_tracker(RECT{0, 0, 0, 0}, kTrackDottedLine | kTrackResizeOutside) {
    m_lazyScrollBars = TRUE;
    m_vBarHidden = TRUE;
}

CZDIBWindow::~CZDIBWindow() { Destroy(); }

BOOL CZDIBWindow::CreateCell(HWND parent, HINSTANCE instance, const RECT& r) {
    return Create(kViewerWindowClassName, "", instance, parent, WS_CHILD | WS_CLIPSIBLINGS, 0, nullptr, r.left, r.top,
                  Width(r), Height(r));
}

void CZDIBWindow::SetImage(int index, HGLOBAL dib, const std::vector<ImageOverlay>* overlays,
                           const CLentImageList::HolderCheck* holder) {
    bool hasOverlays = overlays && !overlays->empty();
    bool changed = index != m_index || dib != m_dib || overlays != m_overlays || hasOverlays;
    if (index != m_index) {
        // Another image: its selection, scrolling and zoom start afresh.
        m_tracker.Rect() = {0, 0, 0, 0};
        m_hScroll.nPos = m_vScroll.nPos = 0;
        m_needsErase = TRUE;
    }
    m_index = index;
    m_dib = dib;
    m_overlays = overlays;
    m_holder = holder;
    ReloadHeader();
    if (changed && m_hwnd) InvalidateRect(m_hwnd, nullptr, TRUE);
}

void CZDIBWindow::Unbind() {
    if (m_index < 0 && !m_dib) return;
    SetImage(-1, nullptr, nullptr, m_holder);
    m_frame = m_savedFrame;
    m_settingsApplied = false;
    if (m_hwnd) ShowWindow(m_hwnd, SW_HIDE);
}

void CZDIBWindow::ReloadHeader() {
    static const CLentImageList::HolderCheck kNone;
    m_headerValid = CLentImageList::PaintableLayout(m_index, m_dib, m_holder ? *m_holder : kNone, &m_layout);
}

void CZDIBWindow::ApplySettings(const CellSettings& c) {
    bool same = m_settingsApplied && c == m_settings && (c.selected != FALSE) == (IsSelected() != FALSE) &&
                (!c.singleImage || (c.zoom == m_zoom && c.fit == m_fit));
    bool shown = m_hwnd && (GetWindowLongPtrA(m_hwnd, GWL_STYLE) & WS_VISIBLE);
    if (same && (!m_hwnd || shown)) return;
    bool moved = !m_settingsApplied || !EqualRect(&c.rect, &m_settings.rect);
    m_settings = c;
    m_settingsApplied = true;
    SetMouseShape(c.hand);
    if (c.singleImage) {
        SetInteractiveZoom(c.interactiveZoom);
        SetZoom(c.zoom, FALSE);
    }
    SetBorderStyle(c.borderStyle);
    SetSelectionColour(c.selectionColour);
    SetBackgroundBrush(c.background);
    if (c.selected) Select();
    else Deselect();
    if (!m_hwnd) return;
    if (moved) MoveWindow(m_hwnd, c.rect.left, c.rect.top, c.rect.right - c.rect.left, c.rect.bottom - c.rect.top, FALSE);
    SetFit(c.fit, c.fitType);
    if (!shown) ShowWindow(m_hwnd, SW_SHOWNA);
    InvalidateRect(m_hwnd, nullptr, FALSE);
}

void CZDIBWindow::SetMouseShape(BOOL hand) { m_hand = hand ? TRUE : FALSE; }

void CZDIBWindow::SetZoom(float zoom, BOOL repaint) {
    zoom = ClampZoom(zoom);
    if (zoom == m_zoom) return;
    m_previousZoom = m_zoom;
    m_zoom = zoom;
    m_needsErase = TRUE;
    if (repaint && m_hwnd) InvalidateRect(m_hwnd, nullptr, FALSE);
}

void CZDIBWindow::SetFit(BOOL fit, int type) {
    fit = fit ? TRUE : FALSE;
    type = std::clamp(type, 0, 4);
    if (fit != m_fit || type != m_fitType) m_needsErase = TRUE;
    m_fit = fit;
    m_fitType = type;
    if (m_fit && m_headerValid && m_hwnd) {
        GetClientRect(m_hwnd, &m_client);
        m_zoom = FitZoom(Width(m_client), Height(m_client), m_layout.width, m_layout.height, m_fitType);
    }
}

void CZDIBWindow::SetBorderStyle(int style) {
    m_savedFrame = std::clamp(style, 0, 3);
    if (m_frame != kFrameSelected) m_frame = m_savedFrame;
}

void CZDIBWindow::Select() { m_frame = kFrameSelected; }

void CZDIBWindow::Deselect() {
    if (m_frame == kFrameSelected) m_frame = m_savedFrame;
}

float CZDIBWindow::EffectiveZoom(float* zoomX, float* zoomY) const {
    float z = m_zoom;
    if (m_fit && m_headerValid) z = FitZoom(Width(m_client), Height(m_client), m_layout.width, m_layout.height, m_fitType);
    float zx = z, zy = z;
    if (m_fit && m_fitType == kFitStretch && m_headerValid) {
        zx = std::max(float(Width(m_area)), 1.0f) / float(m_layout.width);
        zy = std::max(float(Height(m_area)), 1.0f) / float(m_layout.height);
    }
    if (zoomX) *zoomX = zx;
    if (zoomY) *zoomY = zy;
    return z;
}

CellPlacement CZDIBWindow::Placement() {
    if (!m_headerValid) return CellPlacement{};
    float z = EffectiveZoom(nullptr, nullptr);
    return PlaceImage(m_area, m_layout.width, m_layout.height, z, m_fit && m_fitType == kFitStretch,
                      m_hBarHidden ? 0 : m_hScroll.nPos, m_vBarHidden ? 0 : m_vScroll.nPos);
}

void CZDIBWindow::DrawFrame(HDC dc, const RECT& r, int type) {
    switch (type) {
        case kFrameNone: FrameRectColour(dc, r, RGB(0xEE, 0xEE, 0xEE)); break;
        case kFrameFlat: FrameRectColour(dc, r, RGB(0, 0, 0)); break;
        case kFrameGreen: FrameRectColour(dc, r, RGB(0, 0xFF, 0)); break;
        case kFrameSelected: FrameRectColour(dc, r, m_selectionColour); break;
        case kFrame3D: {
            int saved = SaveDC(dc);
            SelectObject(dc, GetStockObject(DC_PEN));
            LONG l = r.left, t = r.top, rr = r.right - 1, b = r.bottom - 1;
            Line(dc, l, b, l, t, 0x848284);
            Line(dc, l, t, rr, t, 0x848284);
            Line(dc, l + 1, b - 1, l + 1, t + 1, 0x424142);
            Line(dc, l + 1, t + 1, rr - 1, t + 1, 0x424142);
            Line(dc, l, b, rr + 1, b, 0xFFFFFF);
            Line(dc, rr, t, rr, b, 0xFFFFFF);
            Line(dc, l + 1, b - 1, rr, b - 1, 0xCED3D6);
            Line(dc, rr - 1, t + 1, rr - 1, b - 1, 0xCED3D6);
            RestoreDC(dc, saved);
            break;
        }
        default: break;
    }
}

RECT CZDIBWindow::ImageArea(const RECT& client, BOOL drawFrames, HDC dc) {
    RECT area = client;
    bool ownFrame = m_fit && (m_fitType == kFitWhole || m_fitType == kFitFill);
    if (!ownFrame) {
        if (drawFrames) DrawFrame(dc, client, kFrameNone);
        area = Inset(area, 1);
        SetUpScrollBars(area);
        if (!m_vBarHidden) area.right -= kBar;
        if (!m_hBarHidden) area.bottom -= kBar;
    } else {
        SetUpScrollBars(area);
        if (drawFrames) DrawFrame(dc, client, m_frame);
        int inset = 1;
        if (m_frame == kFrameNone && (Width(client) <= 2 || Height(client) <= 2)) inset = 0;
        if (m_frame == kFrame3D) inset = (Width(client) >= 5 && Height(client) >= 5) ? 2 : 0;
        area = Inset(area, inset);
    }
    return area;
}

void CZDIBWindow::SetUpScrollBars(const RECT& area) {
    bool allowH = !m_fit || m_fitType == kFitHeight;
    bool allowV = !m_fit || m_fitType == kFitWidth;
    float z = EffectiveZoom(nullptr, nullptr);
    LONG scaledW = m_headerValid ? static_cast<LONG>(m_layout.width * double(z)) : 0;
    LONG scaledH = m_headerValid ? static_cast<LONG>(m_layout.height * double(z)) : 0;
    LONG w = Width(area), h = Height(area);
    bool showV = allowV && scaledH > h;
    bool showH = allowH && scaledW > w - (showV ? kBar : 0);
    showV = allowV && scaledH > h - (showH ? kBar : 0);
    if ((showV || showH) && !EnsureScrollBars()) showV = showH = false;
    auto apply = [&](SCROLLINFO& info, HWND bar, bool show, LONG range, LONG page, BOOL& hidden) {
        int oldRange = info.nMax;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        if (!show) {
            info.nMin = info.nMax = 0;
            info.nPage = 0;
            info.nPos = 0;
            hidden = TRUE;
        } else {
            if (m_previousZoom > 0 && info.nPos > 0)
                info.nPos = RescaleScrollPosition(info.nPos, oldRange, range, page);
            info.nMin = 0;
            info.nMax = range;
            info.nPage = static_cast<UINT>(std::max<LONG>(page, 0));
            info.nPos = std::clamp<int>(info.nPos, 0, std::max<int>(range - page, 0));
            hidden = FALSE;
        }
        if (bar) {
            SetScrollInfo(bar, SB_CTL, &info, TRUE);
            ShowWindow(bar, show ? SW_SHOWNA : SW_HIDE);
        }
    };
    apply(m_vScroll, m_vBar, showV, scaledH, h - (showH ? kBar : 0), m_vBarHidden);
    apply(m_hScroll, m_hBar, showH, scaledW, w - (showV ? kBar : 0), m_hBarHidden);
    m_previousZoom = 0.0f;
    if (m_vBar && showV) MoveWindow(m_vBar, area.right - kBar, area.top, kBar, h - (showH ? kBar : 0), TRUE);
    if (m_hBar && showH) MoveWindow(m_hBar, area.left, area.bottom - kBar, w - (showV ? kBar : 0), kBar, TRUE);
}

void CZDIBWindow::DrawImage(HDC dc, const RECT& area) {
    if (Width(area) < 1 || Height(area) < 1) return;
    float zx, zy;
    EffectiveZoom(&zx, &zy);
    m_placement = Placement();
    const CellPlacement& p = m_placement;
    auto* block = static_cast<BYTE*>(GlobalLock(m_dib));
    if (!block) return;
    auto* info = reinterpret_cast<BITMAPINFO*>(block);
    const BYTE* bits = block + m_layout.pixelOffset;
    int scrollX = m_hBarHidden ? 0 : m_hScroll.nPos;
    int scrollY = m_vBarHidden ? 0 : m_vScroll.nPos;
    int dx = p.centredX ? p.target.left : p.originX + int(std::lround(p.sourceX * double(zx))) - scrollX;
    int dy = p.centredY ? p.target.top : p.originY + int(std::lround(p.sourceY * double(zy))) - scrollY;
    int dw = p.centredX ? Width(p.target) : int(std::lround(p.sourceWidth * double(zx)));
    int dh = p.centredY ? Height(p.target) : int(std::lround(p.sourceHeight * double(zy)));
    LONG srcY = m_layout.topDown ? p.sourceY : BottomUpSourceY(p, m_layout.height);
    int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    SetStretchBltMode(dc, m_layout.bitCount == 1 ? HALFTONE : COLORONCOLOR);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, dx, dy, dw, dh, p.sourceX, srcY, p.sourceWidth, p.sourceHeight, bits, info, DIB_RGB_COLORS,
                  SRCCOPY);
    GlobalUnlock(m_dib);
    if (m_overlays) {
        static const CLentImageList::HolderCheck kOwned;  // overlay DIBs belong to the viewer
        for (const ImageOverlay& o : *m_overlays) {
            DibLayout ol;
            if (o.opacity <= 0 || !CLentImageList::PaintableLayout(-1, o.dib, kOwned, &ol)) continue;
            RECT r = ImageToSelection(p, {o.left, o.top, o.right, o.bottom}, zx, zy, scrollX, scrollY, m_layout.width,
                                      m_layout.height);
            DrawOverlay(dc, o, ol, r);
        }
    }
    RestoreDC(dc, saved);
}

void CZDIBWindow::DrawOverlay(HDC dc, const ImageOverlay& overlay, const DibLayout& layout, const RECT& r) {
    if (Width(r) < 1 || Height(r) < 1) return;
    auto* block = static_cast<BYTE*>(GlobalLock(overlay.dib));
    if (!block) return;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(block);
    const BYTE* bits = block + layout.pixelOffset;
    if (overlay.opacity >= 1.0f) {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, r.left, r.top, Width(r), Height(r), 0, 0, layout.width, layout.height, bits, info,
                      DIB_RGB_COLORS, SRCCOPY);
    } else {
        // Stretched into a bitmap of the target's size, then blended at the overlay's opacity.
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, Width(r), Height(r));
        if (memory && bitmap) {
            HGDIOBJ old = SelectObject(memory, bitmap);
            SetStretchBltMode(memory, COLORONCOLOR);
            StretchDIBits(memory, 0, 0, Width(r), Height(r), 0, 0, layout.width, layout.height, bits, info,
                          DIB_RGB_COLORS, SRCCOPY);
            BLENDFUNCTION blend = {AC_SRC_OVER, 0, static_cast<BYTE>(overlay.opacity * 255.0f + 0.5f), 0};
            GdiAlphaBlend(dc, r.left, r.top, Width(r), Height(r), memory, 0, 0, Width(r), Height(r), blend);
            SelectObject(memory, old);
        }
        if (bitmap) DeleteObject(bitmap);
        if (memory) DeleteDC(memory);
    }
    GlobalUnlock(overlay.dib);
}

void CZDIBWindow::Paint(HDC dc) {
    GetClientRect(m_hwnd, &m_client);
    HBRUSH background = m_background ? m_background : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    FillRect(dc, &m_client, background);
    // The buffer may have freed the image since it was lent: look again before every paint.
    ReloadHeader();
    if (!m_headerValid) {
        m_tracker.Rect() = {0, 0, 0, 0};
        m_area = m_client;
        if (!m_dib) {
            // An invalid handle leaves the cell empty; only a cell without image says so.
            SetBkMode(dc, TRANSPARENT);
            RECT r = m_client;
            DrawTextA(dc, m_emptyText, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
        DrawFrame(dc, m_client, m_frame);
        return;
    }
    m_area = ImageArea(m_client, TRUE, dc);
    DrawImage(dc, m_area);
    // The tracker's bounds follow the image, for its cursors as for its drawing.
    RECT limit = m_placement.target;
    InflateRect(&limit, 4, 4);
    m_tracker.SetBounds(limit);
    if (m_needsErase) {
        m_tracker.Rect() = {0, 0, 0, 0};
        m_needsErase = FALSE;
    } else if (!RectIsEmpty(NormalizedRect(m_tracker.Rect()))) {
        RECT clipped = NormalizedRect(m_tracker.Rect());
        IntersectRect(&clipped, &clipped, &limit);
        m_tracker.Rect() = clipped;
        m_tracker.Draw(dc);
    }
}

void CZDIBWindow::StoreImageMouse(LPARAM lParam) {
    POINT p = {static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
    float zx, zy;
    EffectiveZoom(&zx, &zy);
    int sx = m_hBarHidden ? 0 : m_hScroll.nPos;
    int sy = m_vBarHidden ? 0 : m_vScroll.nPos;
    POINT ix = CellToImage(m_placement, p, zx, sx, sy);
    POINT iy = CellToImage(m_placement, p, zy, sx, sy);
    m_imageMouse = {ix.x, iy.y};
}

void CZDIBWindow::Notify(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND parent = m_hwnd ? GetParent(m_hwnd) : nullptr;
    if (parent) SendMessageA(parent, message, wParam, lParam);
}

void CZDIBWindow::OnLeftButtonDown(LPARAM lParam) {
    int index = m_index;
    HGLOBAL dib = m_dib;
    Notify(WM_CELL_LBUTTONDOWN, 0, reinterpret_cast<LPARAM>(this));
    // The owner may have changed the buffer meanwhile: go on only with the same image.
    if (!IsBound(index, dib)) return;
    m_lastMouse = {static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
    ReloadHeader();
    if (m_hand || !m_headerValid) return;
    m_placement = Placement();
    RECT bounds = m_placement.target;
    InflateRect(&bounds, 4, 4);
    m_tracker.SetBounds(bounds);
    BOOL onSelection = !RectIsEmpty(NormalizedRect(m_tracker.Rect())) && m_tracker.HitTestHandles(m_lastMouse) >= 0;
    BOOL changed = onSelection ? m_tracker.Track(m_hwnd, m_lastMouse, TRUE)
                               : m_tracker.TrackRubberBand(m_hwnd, m_lastMouse, TRUE);
    if (!IsBound(index, dib)) return;
    // A band or a move that changed nothing (released in place, cancelled) empties the selection.
    m_tracker.Rect() = changed ? NormalizedRect(m_tracker.Rect()) : RECT{0, 0, 0, 0};
    RECT image = {0, 0, 0, 0};
    GetSelectionArea(&image);
    if (Width(image) > 0 && Height(image) > 0) {
        Notify(WM_CELL_AREA_SELECTED, reinterpret_cast<WPARAM>(this), reinterpret_cast<LPARAM>(&image));
    } else {
        Notify(WM_CELL_AREA_EMPTIED, reinterpret_cast<WPARAM>(this), 0);
    }
    if (m_hwnd) InvalidateRect(m_hwnd, nullptr, FALSE);
}

BOOL CZDIBWindow::GetSelectionArea(RECT* image) {
    if (!image) return FALSE;
    *image = {0, 0, 0, 0};
    RECT s = NormalizedRect(m_tracker.Rect());
    if (!m_headerValid || RectIsEmpty(s)) return FALSE;
    float zx, zy;
    EffectiveZoom(&zx, &zy);
    *image = SelectionToImage(m_placement, s, zx, zy, m_hBarHidden ? 0 : m_hScroll.nPos,
                              m_vBarHidden ? 0 : m_vScroll.nPos, m_layout.width, m_layout.height);
    return TRUE;
}

BOOL CZDIBWindow::SetSelectionArea(const RECT& image) {
    ReloadHeader();
    if (m_hand || !m_headerValid || !m_hwnd) return FALSE;
    GetClientRect(m_hwnd, &m_client);
    if (RectIsEmpty(m_area)) m_area = Inset(m_client, 1);
    m_placement = Placement();
    float zx, zy;
    EffectiveZoom(&zx, &zy);
    m_tracker.Rect() = ImageToSelection(m_placement, image, zx, zy, m_hBarHidden ? 0 : m_hScroll.nPos,
                                        m_vBarHidden ? 0 : m_vScroll.nPos, m_layout.width, m_layout.height);
    m_needsErase = FALSE;
    InvalidateRect(m_hwnd, nullptr, FALSE);
    return TRUE;
}

void CZDIBWindow::ResetSelectionArea() {
    if (m_hwnd) GetClientRect(m_hwnd, &m_client);
    m_tracker.Rect() = m_client;
    m_needsErase = FALSE;
    if (m_hwnd) InvalidateRect(m_hwnd, nullptr, FALSE);
}

BOOL CZDIBWindow::ZoomStep(BOOL in) {
    if (!m_interactiveZoom) return FALSE;
    float from = EffectiveZoom(nullptr, nullptr);
    float to = in ? ZoomStepIn(from) : ZoomStepOut(from);
    m_fit = FALSE;
    m_previousZoom = from;
    m_zoom = to;
    m_needsErase = TRUE;
    if (m_hwnd) InvalidateRect(m_hwnd, nullptr, FALSE);
    return TRUE;
}

void CZDIBWindow::ScrollBy(int bar, int action, int argument) {
    SCROLLINFO& info = bar == SB_VERT ? m_vScroll : m_hScroll;
    BOOL hidden = bar == SB_VERT ? m_vBarHidden : m_hBarHidden;
    if (hidden) return;
    int line = 1;
    int page = static_cast<int>(info.nPage);
    int pos = info.nPos;
    int fresh = ApplyScrollAction(action, pos, argument, line, page, info.nMax);
    if (action == kScrollEnd || fresh == pos) return;
    info.nPos = fresh;
    HWND handle = bar == SB_VERT ? m_vBar : m_hBar;
    if (handle) {
        info.fMask = SIF_POS;
        SetScrollInfo(handle, SB_CTL, &info, TRUE);
    }
    if (m_hwnd && !(m_vBarHidden && m_hBarHidden)) InvalidateRect(m_hwnd, nullptr, FALSE);
}

BOOL CZDIBWindow::OnKey(UINT key) {
    switch (key) {
        case VK_UP: ScrollBy(SB_VERT, kScrollLineUp, 0); break;
        case VK_DOWN: ScrollBy(SB_VERT, kScrollLineDown, 0); break;
        case VK_LEFT: ScrollBy(SB_HORZ, kScrollLineUp, 0); break;
        case VK_RIGHT: ScrollBy(SB_HORZ, kScrollLineDown, 0); break;
        case VK_PRIOR: ScrollBy(SB_VERT, kScrollPageUp, 0); break;
        case VK_NEXT: ScrollBy(SB_VERT, kScrollPageDown, 0); break;
        case VK_HOME: ScrollBy(SB_VERT, kScrollTop, 0); ScrollBy(SB_HORZ, kScrollTop, 0); break;
        case VK_END: ScrollBy(SB_VERT, kScrollBottom, 0); ScrollBy(SB_HORZ, kScrollBottom, 0); break;
        case VK_ADD: case VK_OEM_PLUS: return ZoomStep(TRUE);
        case VK_SUBTRACT: case VK_OEM_MINUS: return ZoomStep(FALSE);
        default: break;
    }
    return FALSE;
}

BOOL CZDIBWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message >= WM_MOUSEFIRST && message <= WM_RBUTTONUP) StoreImageMouse(lParam);
    switch (message) {
        case WM_ERASEBKGND:
            *result = 1;  // painting is double-buffered
            return TRUE;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            RECT client;
            GetClientRect(window, &client);
            if (client.right > 0 && client.bottom > 0) {
                HDC memory = CreateCompatibleDC(dc);
                HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
                if (memory && bitmap) {
                    HGDIOBJ old = SelectObject(memory, bitmap);
                    Paint(memory);
                    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
                    SelectObject(memory, old);
                } else {
                    Paint(dc);
                }
                if (bitmap) DeleteObject(bitmap);
                if (memory) DeleteDC(memory);
            }
            EndPaint(window, &ps);
            *result = 0;
            return TRUE;
        }
        case WM_LBUTTONDOWN:
            OnLeftButtonDown(lParam);
            return TRUE;
        case WM_RBUTTONDOWN:
            m_lastMouse = {static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
            Notify(WM_CELL_RBUTTONDOWN, 0, reinterpret_cast<LPARAM>(this));
            return TRUE;
        case WM_LBUTTONDBLCLK:
            Notify(WM_CELL_DBLCLK, 0, reinterpret_cast<LPARAM>(this));
            return TRUE;
        case WM_MOUSEMOVE: {
            if (!m_mouseTracking && GetFocus() == GetParent(window)) {
                TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window, 0};
                m_mouseTracking = TrackMouseEvent(&track);
            }
            int index = m_index;
            Notify(WM_CELL_MOUSEMOVE, 0, reinterpret_cast<LPARAM>(this));
            if (!m_hwnd || m_index != index) return TRUE;
            POINT p = {static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
            if (m_hand && (wParam & MK_LBUTTON)) {
                ScrollBy(SB_VERT, kScrollByDelta, p.y - m_lastMouse.y);
                ScrollBy(SB_HORZ, kScrollByDelta, p.x - m_lastMouse.x);
                m_lastMouse = p;
            }
            return TRUE;
        }
        case WM_MOUSELEAVE:
            m_mouseTracking = FALSE;
            if (m_frame == kFrameGreen) m_frame = m_savedFrame;
            Notify(WM_CELL_MOUSEMOVE, 0, 0);
            return TRUE;
        case WM_SETCURSOR:
            if (m_hand) {
                SetCursor(LoadCursorA(nullptr, IDC_HAND));
                *result = TRUE;
                return TRUE;
            }
            if (LOWORD(lParam) == HTCLIENT && m_headerValid && m_tracker.SetCursor(window, HTCLIENT)) {
                *result = TRUE;
                return TRUE;
            }
            return FALSE;
        case WM_VSCROLL:
        case WM_HSCROLL:
            ScrollBy(message == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wParam),
                     LOWORD(wParam) == kScrollByDelta ? static_cast<int>(lParam) : HIWORD(wParam));
            return TRUE;
        case WM_KEYDOWN:
            OnKey(static_cast<UINT>(wParam));
            return TRUE;
        case WM_SIZE:
            m_needsErase = TRUE;
            return FALSE;
        default:
            return FALSE;
    }
}
