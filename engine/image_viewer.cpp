#include "engine/image_viewer.h"

#include <algorithm>

#include "base/dib_layout.h"
#include "engine/viewer_window_class.h"

CImageViewer::CImageViewer(BOOL postQuit) : CZWindow(postQuit) {}

CImageViewer::~CImageViewer() {
    TrimCells(0);
    Destroy();
    FreeOverlayRecords(false);
    if (m_backgroundBrush) DeleteObject(m_backgroundBrush);
    if (m_classAcquired) ReleaseViewerWindowClass(m_instance);
}

BOOL CImageViewer::RegisterWindowClass(HINSTANCE instance) {
    if (m_classAcquired) return m_instance == instance;
    if (!AcquireViewerWindowClass(instance)) return FALSE;
    m_instance = instance;
    m_classAcquired = TRUE;
    return TRUE;
}

BOOL CImageViewer::Create(LPCSTR className, LPCSTR title, HINSTANCE instance, HWND parent, DWORD style,
                          DWORD exStyle, HMENU menu, int x, int y, int width, int height) {
    if (m_hwnd) return FALSE;
    // The cells are always of the viewer class, whatever class the viewer window itself has.
    if (!RegisterWindowClass(instance)) return FALSE;
    if (!className) className = kViewerWindowClassName;
    m_instance = instance;
    if (!CZWindow::Create(className, title, instance, parent, style, exStyle, menu, x, y, width, height)) return FALSE;
    GetClientRect(m_hwnd, &m_client);
    Relayout(TRUE);
    return TRUE;
}

// ---- buffer synchronisation ----

void CImageViewer::SetImage(int index, HGLOBAL dib) {
    if (index < 0 || index >= m_capacity) return;
    if (index == 0) {
        for (ImageOverlayRecord& r : m_overlays) r.inUse = false;
    }
    for (ImageOverlayRecord& r : m_overlays) {
        if (r.image == dib && dib) r.inUse = true;
    }
    if (!m_images.Set(index, dib)) return;
    if (index >= m_selection.Count()) m_selection.SetCount(m_images.Count());
    if (CZDIBWindow* cell = CellForIndex(index)) cell->SetImage(index, dib, OverlaysOf(dib), &m_images.Holder());
}

void CImageViewer::SetImageCount(int count) {
    m_images.SetCount(count);
    m_selection.SetCount(m_images.Count());
    FreeOverlayRecords(true);
    ForgetAreasOfGoneImages();
    if (m_images.Count() == 0) TrimCells(0);
    Relayout(TRUE);
}

void CImageViewer::ShowImage(int index) {
    if (index < 0 || index >= ImageCount()) return;
    int columns = m_singleImage ? 1 : m_columns;
    int row = index / columns;
    int top = m_firstVisible < 0 ? 0 : m_firstVisible / columns;
    if (m_hwnd) {
        if (row < top || row >= top + VisibleRows()) {
            SendMessageA(m_hwnd, WM_VSCROLL, MAKEWPARAM(kScrollToRow, row), 0);
        } else if (row == top + VisibleRows() - 1) {
            Relayout(FALSE);
        }
    }
    m_selection.SelectOnly(index);
    m_selection.SetReported(index);
    RefreshCellStates();
}

// ---- layout ----

void CImageViewer::TrimCells(size_t needed) {
    while (m_cells.size() > needed) {
        CZDIBWindow* cell = m_cells.back();
        m_cells.pop_back();
        cell->Release();  // a cell still handling a message of its own goes once it returns
    }
}

const std::vector<ImageOverlay>* CImageViewer::OverlaysOf(HGLOBAL dib) const {
    for (const ImageOverlayRecord& r : m_overlays) {
        if (r.image == dib && dib && !r.overlays.empty()) return &r.overlays;
    }
    return nullptr;
}

void CImageViewer::FreeOverlayRecords(bool onlyUnused) {
    auto unused = [onlyUnused](const ImageOverlayRecord& r) { return !onlyUnused || !r.inUse; };
    for (ImageOverlayRecord& r : m_overlays) {
        if (!unused(r)) continue;
        for (ImageOverlay& o : r.overlays) {
            if (o.dib) GlobalFree(o.dib);
        }
        r.overlays.clear();
    }
    m_overlays.erase(std::remove_if(m_overlays.begin(), m_overlays.end(), unused), m_overlays.end());
    // Cells must not keep a list that was just freed.
    for (CZDIBWindow* cell : m_cells) {
        if (cell->Index() >= 0) cell->SetImage(cell->Index(), cell->Dib(), OverlaysOf(cell->Dib()), &m_images.Holder());
    }
}

void CImageViewer::UpdateCell(CZDIBWindow* cell, int index, const RECT& rect) {
    HGLOBAL dib = m_images.At(index);
    const bool newImage = cell->Index() != index || cell->Dib() != dib;
    cell->SetImage(index, dib, OverlaysOf(dib), &m_images.Holder());
    CellSettings settings = {rect,
                             m_mouseShape,
                             m_singleImage,
                             m_singleImage ? m_interactiveZoom : TRUE,
                             m_singleImage ? m_zoom : 1.0f,
                             m_singleImage ? m_fit : TRUE,
                             m_singleImage ? m_fitType : 0,
                             m_borderStyle,
                             m_selectionColour,
                             m_backgroundBrush,
                             m_selection.IsSelected(index)};
    // Only what changed goes to the window system: a refresh of a large buffer stays cheap.
    cell->ApplySettings(settings);
    // A cell that now shows another image shows that image's kept area.
    if (newImage && dib) {
        if (const RECT* area = StoredArea(dib)) cell->SetSelectionArea(*area);
    }
}

void CImageViewer::Relayout(BOOL erase) {
    int count = ImageCount();
    int columns = m_singleImage ? 1 : m_columns;
    int rows = VisibleRows();
    m_metrics = ComputeGridMetrics(m_client, columns, rows, count, m_margin, m_singleImage != FALSE,
                                   m_vScrollBar != FALSE);
    m_margin = m_metrics.margin;
    int before = m_firstVisible;
    if (!m_hwnd || count == 0) {
        TrimCells(0);
        m_firstVisible = -1;
        if (m_hwnd) {
            SetUpScrollBar(GridScrollBar{});
            m_erase = erase;
            InvalidateRect(m_hwnd, nullptr, erase);
        }
        return;
    }
    bool useBar = !m_singleImage && m_vScrollBar;
    int top = GridTopRow({m_vScroll.nPos, m_savedScroll, m_metrics.rowsNeeded, rows, count, useBar, m_singleImage != FALSE}, m_metrics);
    int first = top * columns;
    size_t needed = static_cast<size_t>(std::clamp(count - first, 0, columns * rows));
    // The pool holds at most a page; cells past the last image wait hidden for the next refresh,
    // so a growing buffer does not create and destroy windows at every image.
    TrimCells(static_cast<size_t>(std::min(count, columns * rows)));
    while (m_cells.size() < needed) {
        auto* cell = new CZDIBWindow();
        cell->SetOwnerHold(OwnerHold());
        RECT r = GridCellRect(m_client, m_metrics, columns, 0);
        if (!cell->CreateCell(m_hwnd, m_instance, r)) {
            delete cell;  // the image is not shown
            break;
        }
        m_cells.push_back(cell);
    }
    for (size_t p = 0; p < m_cells.size(); ++p) {
        if (p < needed) {
            UpdateCell(m_cells[p], first + static_cast<int>(p), GridCellRect(m_client, m_metrics, columns, static_cast<int>(p)));
        } else {
            m_cells[p]->Unbind();
        }
    }
    m_firstVisible = first;
    GridScrollBar bar = ComputeGridScrollBar(m_metrics, rows, m_client.bottom - m_client.top, m_vScrollBar != FALSE);
    if (m_singleImage) bar.visible = false;
    if (useBar) m_vScroll.nPos = std::clamp(m_vScroll.nPos, 0, std::max(bar.range - bar.page, 0));
    SetUpScrollBar(bar);
    m_erase = erase;
    if (erase) InvalidateRect(m_hwnd, nullptr, TRUE);
    if (before < 0 || before / columns != top) SendOwner(WM_CELL_TOPROW, static_cast<WPARAM>(first), 0);
}

void CImageViewer::SetUpScrollBar(const GridScrollBar& bar) {
    if (!m_vBar) return;
    bool same = bar.visible == !m_vBarHidden && (!bar.visible || (m_vScroll.nMax == bar.range &&
                m_vScroll.nPage == static_cast<UINT>(bar.page) && m_barPosition == m_vScroll.nPos &&
                EqualRect(&m_barClient, &m_client)));
    if (same) return;
    m_barPosition = m_vScroll.nPos;
    m_barClient = m_client;
    m_vScroll.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    m_vScroll.nMin = 0;
    if (!bar.visible) {
        m_vScroll.nMax = 0;
        m_vScroll.nPage = 0;
        if (!m_singleImage && m_vScrollBar) m_vScroll.nPos = 0;
        m_vBarHidden = TRUE;
        ShowWindow(m_vBar, SW_HIDE);
        return;
    }
    m_vScroll.nMax = bar.range;
    m_vScroll.nPage = static_cast<UINT>(bar.page);
    m_vBarHidden = FALSE;
    SCROLLINFO info = m_vScroll;
    SetScrollInfo(m_vBar, SB_CTL, &info, TRUE);
    MoveWindow(m_vBar, m_client.right - kGridScrollBarWidth, m_client.top, kGridScrollBarWidth,
               m_client.bottom - m_client.top, TRUE);
    ShowWindow(m_vBar, SW_SHOWNA);
}

void CImageViewer::OnScroll(int action, int argument) {
    GridScrollBar bar = ComputeGridScrollBar(m_metrics, VisibleRows(), m_client.bottom - m_client.top, TRUE);
    int old = m_vScroll.nPos;
    int fresh = ApplyScrollAction(action, old, argument, Pitch(), bar.page, bar.range);
    if (action == kScrollToRow) {
        fresh = Pitch() * argument;
        m_savedScroll = fresh;
    }
    if (action == kScrollEnd) return;
    int columns = m_singleImage ? 1 : m_columns;
    m_vScroll.nPos = fresh;
    int oldTop = m_firstVisible < 0 ? -1 : m_firstVisible / columns;
    bool useBar = !m_singleImage && m_vScrollBar;
    int top = GridTopRow({fresh, m_savedScroll, m_metrics.rowsNeeded, VisibleRows(), ImageCount(), useBar, m_singleImage != FALSE}, m_metrics);
    if (m_vBar && !m_vBarHidden) {
        SCROLLINFO info = {sizeof(info), SIF_POS, 0, 0, 0, m_vScroll.nPos, 0};
        SetScrollInfo(m_vBar, SB_CTL, &info, TRUE);
    }
    if (top != oldTop) {
        int last = (top + VisibleRows()) * columns;
        Relayout(last > ImageCount() ? TRUE : FALSE);
    }
}

// ---- selection and owner messages ----

void CImageViewer::SendOwner(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND owner = m_hwnd ? GetParent(m_hwnd) : nullptr;
    if (owner) SendMessageA(owner, message, wParam, lParam);
}

CZDIBWindow* CImageViewer::CellOf(LPARAM cell) const {
    for (CZDIBWindow* c : m_cells) {
        if (reinterpret_cast<LPARAM>(c) == cell) return c;
    }
    return nullptr;
}

int CImageViewer::IndexOfCell(LPARAM cell) const {
    CZDIBWindow* c = CellOf(cell);
    return c ? c->Index() : -1;
}

CZDIBWindow* CImageViewer::CellForIndex(int index) const {
    if (index < 0 || m_firstVisible < 0 || index < m_firstVisible) return nullptr;
    size_t p = static_cast<size_t>(index - m_firstVisible);
    return p < m_cells.size() && m_cells[p]->Index() == index ? m_cells[p] : nullptr;
}

int CImageViewer::CellWindowCount() const {
    int n = 0;
    for (CZDIBWindow* c : m_cells) n += c->Window() && c->Index() >= 0 ? 1 : 0;
    return n;
}

void CImageViewer::RefreshCellStates() {
    for (CZDIBWindow* c : m_cells) {
        bool was = c->IsSelected();
        bool is = m_selection.IsSelected(c->Index());
        if (is) c->Select();
        else c->Deselect();
        if (was != is && c->Window()) InvalidateRect(c->Window(), nullptr, FALSE);
    }
}

void CImageViewer::ReportFocus() {
    int focus = m_selection.TakeFocusChange();
    if (focus != CViewerSelection::kNoFocusChange) SendOwner(WM_VIEWER_SET_CURRENT, static_cast<WPARAM>(focus), 0);
}

void CImageViewer::OnCellClick(int index, UINT message) {
    if (m_hwnd && GetFocus() != m_hwnd) SetFocus(m_hwnd);
    m_selection.Click(index, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0);
    RefreshCellStates();
    ReportFocus();
    if (message == WM_CELL_LBUTTONDOWN) SendOwner(message, static_cast<WPARAM>(m_selection.Focused()), 0);
    else SendOwner(message, static_cast<WPARAM>(index), 0);
}

BOOL CImageViewer::SetSelectedImagesCount(int n) {
    if (!m_selection.ResetToCount(n)) return FALSE;
    RefreshCellStates();
    return TRUE;
}

BOOL CImageViewer::SetSelectedImageIndex(int position, int index) {
    if (!m_selection.SetAt(position, index)) return FALSE;
    RefreshCellStates();
    ReportFocus();
    return TRUE;
}

void CImageViewer::SetAllowMultiSelect(BOOL on) {
    m_selection.SetMultiSelect(on != FALSE);
    RefreshCellStates();
}

// ---- properties ----

float CImageViewer::GetZoom() const {
    if (m_singleImage && !m_cells.empty()) return m_cells.front()->GetZoom();
    return m_zoom;
}

void CImageViewer::SetZoom(float zoom) {
    m_zoom = ClampZoom(zoom);
    m_fit = FALSE;
    if (m_singleImage) {
        for (CZDIBWindow* c : m_cells) c->SetZoom(m_zoom, FALSE);
        Relayout(FALSE);
    } else {
        m_fit = TRUE;
    }
}

void CImageViewer::SetIfFitWindow(BOOL fit) {
    fit = fit ? TRUE : FALSE;
    if (!m_singleImage) {
        m_fit = TRUE;
        return;
    }
    if (fit == m_fit) return;
    m_fit = fit;
    Relayout(FALSE);
}

void CImageViewer::SetFitWindowType(int type) {
    if (!m_singleImage || !m_fit || type < 0 || type > 4 || type == m_fitType) return;
    m_fitType = type;
    Relayout(FALSE);
}

void CImageViewer::SetBorderStyle(int style) {
    if (style == m_borderStyle) return;
    m_borderStyle = style;
    Relayout(FALSE);
}

void CImageViewer::SetImageMargin(int margin) {
    margin = std::clamp(margin, 0, 0x7FFF);
    if (margin == m_margin) return;
    m_margin = margin;
    Relayout(TRUE);
}

void CImageViewer::SetMouseShape(SHORT value) {
    m_mouseShapeValue = value;
    m_mouseShape = value ? TRUE : FALSE;
    Relayout(FALSE);
}

void CImageViewer::SetCapacity(int capacity) {
    if (capacity < 1 || capacity > 4096 || capacity == m_capacity) return;
    m_capacity = capacity;
    if (m_images.Count() > capacity) SetImageCount(capacity);
}

void CImageViewer::SetEnableInteractiveZoom(BOOL on) {
    on = on ? TRUE : FALSE;
    if (on == m_interactiveZoom) return;
    m_interactiveZoom = on;
    if (m_singleImage) Relayout(FALSE);
}

void CImageViewer::SetSelectionImageBorderColor(DWORD colour) {
    if (colour == m_selectionColour) return;
    m_selectionColour = colour;
    Relayout(FALSE);
}

void CImageViewer::SetBackgroundColor(DWORD colour) {
    if (colour == m_backgroundColour) return;
    HBRUSH old = m_backgroundBrush;
    m_backgroundBrush = colour != 0xFFFFFF ? CreateSolidBrush(colour) : nullptr;
    m_backgroundColour = colour;
    // The cells take the new brush before the old one goes; the window class has none.
    for (CZDIBWindow* c : m_cells) c->SetBackgroundBrush(m_backgroundBrush);
    if (old) DeleteObject(old);
    Relayout(TRUE);
}

BOOL CImageViewer::SetVScrollBar(BOOL on) {
    if (m_singleImage) return FALSE;
    on = on ? TRUE : FALSE;
    if (on != m_vScrollBar) {
        m_vScrollBar = on;
        Relayout(TRUE);
    }
    return TRUE;
}

void CImageViewer::GetViewMode(int* columns, int* rows) const {
    if (columns) *columns = m_columns;
    if (rows) *rows = m_rows;
}

void CImageViewer::SetViewMode(int columns, int rows) {
    if (!m_singleImage && columns == m_columns && rows == m_rows) return;
    if (columns == -1 && rows == -1) {
        m_singleImage = TRUE;
        m_columns = m_rows = 1;
        m_savedScroll = m_firstVisible >= 0 ? m_firstVisible * Pitch() : -1;
    } else {
        m_singleImage = FALSE;
        // Bounded: the page stays well inside the window quota and the cells keep a size.
        if (columns > 0) m_columns = std::min(columns, kMaxGridColumns);
        if (rows > 0) m_rows = std::min(rows, kMaxGridRows);
    }
    m_fit = TRUE;
    Relayout(TRUE);
}

// ---- areas and overlays ----

BOOL CImageViewer::SetSelectedImageArea(int index, LONG left, LONG top, LONG right, LONG bottom) {
    HGLOBAL dib = index >= 0 ? m_images.At(index) : nullptr;
    if (!dib || !m_images.IsHeld(index, dib) || m_mouseShape) return FALSE;
    if (CZDIBWindow* cell = CellForIndex(index)) {
        RECT shown;
        if (!cell->SetSelectionArea({left, top, right, bottom})) return FALSE;
        // The cell's own reading: clamped to the image as the user sees it.
        if (cell->GetSelectionArea(&shown)) StoreArea(dib, shown);
        else ForgetArea(dib);
        return TRUE;
    }
    DibLayout layout;
    if (!ComputeDibLayout(dib, &layout)) return FALSE;
    const LONG width = static_cast<LONG>(layout.width), height = static_cast<LONG>(layout.height);
    RECT area = {std::clamp(std::min(left, right), 0L, width), std::clamp(std::min(top, bottom), 0L, height),
                 std::clamp(std::max(left, right), 0L, width), std::clamp(std::max(top, bottom), 0L, height)};
    if (area.right > area.left && area.bottom > area.top) StoreArea(dib, area);
    else ForgetArea(dib);
    return TRUE;
}

BOOL CImageViewer::GetSelectedImageArea(int index, RECT* area) {
    if (area) *area = {0, 0, 0, 0};
    if (CZDIBWindow* cell = CellForIndex(index)) return cell->GetSelectionArea(area);
    HGLOBAL dib = index >= 0 ? m_images.At(index) : nullptr;
    const RECT* kept = dib && m_images.IsHeld(index, dib) ? StoredArea(dib) : nullptr;
    if (!kept || !area) return FALSE;
    *area = *kept;
    return TRUE;
}

void CImageViewer::ResetSelectedImageArea(int index) {
    if (HGLOBAL dib = index >= 0 ? m_images.At(index) : nullptr) ForgetArea(dib);
    if (CZDIBWindow* cell = CellForIndex(index)) cell->ResetSelectionArea();
}

const RECT* CImageViewer::StoredArea(HGLOBAL dib) const {
    for (const auto& [image, area] : m_areas) {
        if (image == dib) return &area;
    }
    return nullptr;
}

void CImageViewer::StoreArea(HGLOBAL dib, const RECT& area) {
    for (auto& [image, kept] : m_areas) {
        if (image == dib) {
            kept = area;
            return;
        }
    }
    m_areas.emplace_back(dib, area);
}

void CImageViewer::ForgetArea(HGLOBAL dib) {
    std::erase_if(m_areas, [dib](const auto& entry) { return entry.first == dib; });
}

void CImageViewer::ForgetAreasOfGoneImages() {
    if (m_areas.empty()) return;
    std::vector<HGLOBAL> shown;
    for (int i = 0; i < m_images.Count(); ++i) shown.push_back(m_images.At(i));
    std::sort(shown.begin(), shown.end());
    std::erase_if(m_areas, [&](const auto& entry) { return !std::binary_search(shown.begin(), shown.end(), entry.first); });
}

BOOL CImageViewer::AddOverlayRectangle(int index, LONG left, LONG top, LONG right, LONG bottom, DWORD colour,
                                       float opacity, HGLOBAL overlayDib) {
    HGLOBAL dib = m_images.At(index);
    if (!dib || !m_images.IsHeld(index, dib)) return FALSE;
    if (!(opacity > 0)) {
        // Taken and dropped: whoever is told TRUE has handed the overlay image over.
        if (overlayDib) GlobalFree(overlayDib);
        return TRUE;
    }
    ImageOverlayRecord* record = nullptr;
    for (ImageOverlayRecord& r : m_overlays) {
        if (r.image == dib) record = &r;
    }
    if (!record) {
        m_overlays.push_back(ImageOverlayRecord{dib, true, {}});
        record = &m_overlays.back();
    }
    record->overlays.push_back(ImageOverlay{left, top, right, bottom, colour, opacity, overlayDib});
    // Records may have moved in memory: every cell takes its list again.
    for (CZDIBWindow* c : m_cells) c->SetImage(c->Index(), c->Dib(), OverlaysOf(c->Dib()), &m_images.Holder());
    return TRUE;
}

// ---- input ----

void CImageViewer::OnKeyDown(UINT key) {
    if (m_singleImage) {
        if (!m_cells.empty() && m_cells.front()->OnKey(key)) {
            m_fit = FALSE;
            m_zoom = m_cells.front()->GetZoom();
        }
        return;
    }
    int focus = m_selection.Focused();
    int move = 0;
    switch (key) {
        case VK_PRIOR: if (m_vScrollBar) OnScroll(kScrollPageUp, 0); return;
        case VK_NEXT: if (m_vScrollBar) OnScroll(kScrollPageDown, 0); return;
        case VK_HOME: if (m_vScrollBar) OnScroll(kScrollTop, 0); return;
        case VK_END: if (m_vScrollBar) OnScroll(kScrollBottom, 0); return;
        case VK_LEFT: move = -1; break;
        case VK_RIGHT: move = 1; break;
        case VK_UP: move = -m_columns; break;
        case VK_DOWN: move = m_columns; break;
        default: return;
    }
    if (focus < 0) {
        if (key == VK_UP) OnScroll(kScrollLineUp, 0);
        if (key == VK_DOWN) OnScroll(kScrollLineDown, 0);
        return;
    }
    int target = focus + move;
    if (target < 0 || target >= ImageCount()) return;
    if (!m_vScrollBar && (target < m_firstVisible || target >= m_firstVisible + m_columns * m_rows)) return;
    ShowImage(target);
}

void CImageViewer::OnMouseWheel(short delta, WPARAM keys) {
    if (m_singleImage) {
        if (m_cells.empty()) return;
        if ((keys & MK_CONTROL) || GetKeyState(VK_MENU) < 0) {
            if (m_cells.front()->ZoomStep(delta > 0)) {
                m_fit = FALSE;
                m_zoom = m_cells.front()->GetZoom();
            }
        } else {
            m_cells.front()->ScrollBy(SB_VERT, kScrollByDelta, delta);
        }
        return;
    }
    OnScroll(kScrollByDelta, delta);
}

BOOL CImageViewer::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
        case WM_ERASEBKGND: {
            if (m_erase) {
                RECT r;
                GetClientRect(window, &r);
                FillRect(reinterpret_cast<HDC>(wParam), &r,
                         m_backgroundBrush ? m_backgroundBrush : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            }
            *result = 1;
            return TRUE;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            RECT r;
            GetClientRect(window, &r);
            FillRect(dc, &r, m_backgroundBrush ? m_backgroundBrush : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            HBRUSH frame = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
            SetDCBrushColor(dc, RGB(0xEE, 0xEE, 0xEE));
            FrameRect(dc, &r, frame);
            EndPaint(window, &ps);
            *result = 0;
            return TRUE;
        }
        case WM_SIZE: {
            RECT r;
            GetClientRect(window, &r);
            if (r.right > r.left && r.bottom > r.top) {
                m_client = r;
                Relayout(TRUE);
                if (m_firstVisible >= 0) m_savedScroll = (m_firstVisible / (m_singleImage ? 1 : m_columns)) * Pitch();
            }
            *result = 0;
            return TRUE;
        }
        case WM_VSCROLL: {
            int action = LOWORD(wParam);
            int argument = HIWORD(wParam);
            if (action == kScrollByDelta) argument = static_cast<int>(lParam);
            if ((action == kScrollThumbTrack || action == kScrollThumbPosition) && m_vBar) {
                SCROLLINFO info = {sizeof(info), SIF_TRACKPOS, 0, 0, 0, 0, 0};
                if (GetScrollInfo(m_vBar, SB_CTL, &info)) argument = info.nTrackPos;
            }
            OnScroll(action, argument);
            *result = 0;
            return TRUE;
        }
        case WM_MOUSEWHEEL:
            OnMouseWheel(static_cast<short>(HIWORD(wParam)), LOWORD(wParam));
            *result = 0;
            return TRUE;
        case WM_KEYDOWN:
            OnKeyDown(static_cast<UINT>(wParam));
            *result = 0;
            return TRUE;
        case WM_MOUSEMOVE:
            if (!m_mouseTracking && GetFocus() == window) {
                TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window, 0};
                m_mouseTracking = TrackMouseEvent(&track);
            }
            return FALSE;
        case WM_MOUSELEAVE:
            m_mouseTracking = FALSE;
            return FALSE;
        case WM_GETDLGCODE:
            *result = DLGC_WANTARROWS | DLGC_WANTCHARS;
            return TRUE;
        case WM_CELL_LBUTTONDOWN:
        case WM_CELL_RBUTTONDOWN:
        case WM_CELL_DBLCLK: {
            CZDIBWindow* cell = CellOf(lParam);
            if (!cell || cell->Index() < 0) return TRUE;
            m_mouse = cell->ImageMouse();
            OnCellClick(cell->Index(), message);
            return TRUE;
        }
        case WM_CELL_MOUSEMOVE: {
            CZDIBWindow* cell = CellOf(lParam);
            int index = cell ? cell->Index() : -1;
            if (cell) m_mouse = cell->ImageMouse();
            SendOwner(message, static_cast<WPARAM>(index), 0);
            return TRUE;
        }
        case WM_CELL_AREA_SELECTED: {
            int index = IndexOfCell(static_cast<LPARAM>(wParam));
            if (index >= 0 && lParam) StoreArea(m_images.At(index), *reinterpret_cast<const RECT*>(lParam));
            if (index >= 0) SendOwner(message, static_cast<WPARAM>(index), lParam);
            return TRUE;
        }
        case WM_CELL_AREA_EMPTIED: {
            int index = IndexOfCell(static_cast<LPARAM>(wParam));
            if (index >= 0) ForgetArea(m_images.At(index));
            if (index >= 0) SendOwner(message, static_cast<WPARAM>(index), 0);
            return TRUE;
        }
        case WM_DESTROY:
            // The cells go with the window; their objects are deleted now.
            TrimCells(0);
            m_firstVisible = -1;
            return FALSE;
        default:
            return FALSE;
    }
}
