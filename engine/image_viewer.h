// CImageViewer: the window that shows the image buffer as a grid of thumbnails, or one image at
// a time with zoom and scrolling. The engine pushes the buffer into it after every change
// (SetImage for each index, SetImageCount, ShowImage); it never changes the buffer, and tells
// its owner window of the user's actions by messages (WM_USER + 401, + 403 to + 409).
//
// Cell windows exist only for the visible page (at most 32 x 32), whatever the number of
// images; images, selection and overlays are kept per index.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "base/event_record.h"
#include "engine/grid_layout.h"
#include "engine/image_overlay.h"
#include "engine/lent_image_list.h"
#include "engine/viewer_selection.h"
#include "engine/z_window.h"
#include "engine/zdib_window.h"

class CImageViewer : public CZWindow {
public:
    explicit CImageViewer(BOOL postQuit = FALSE);
    ~CImageViewer() override;

    BOOL WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    // Takes a reference on the module's viewer class (registered by the first viewer).
    BOOL RegisterWindowClass(HINSTANCE instance);
    // Creates the viewer window (className null: the viewer class, registering it when needed).
    BOOL Create(LPCSTR className, LPCSTR title, HINSTANCE instance, HWND parent, DWORD style, DWORD exStyle,
                HMENU menu, int x, int y, int width, int height);

    // Buffer synchronisation. The handles are lent: they are read only while the holder check
    // (given by the buffer) confirms that the buffer still holds them at that index.
    void SetImageHolder(CLentImageList::HolderCheck check) { m_images.SetHolderCheck(std::move(check)); }
    void SetImage(int index, HGLOBAL dib);
    void SetImageCount(int count);
    void ShowImage(int index);
    int ImageCount() const { return m_images.Count(); }
    HGLOBAL ImageAt(int index) const { return m_images.At(index); }

    // Properties behind the script members of the same names.
    float GetZoom() const;
    void SetZoom(float zoom);
    BOOL GetIfFitWindow() const { return m_fit; }
    void SetIfFitWindow(BOOL fit);
    int GetFitWindowType() const { return m_fitType; }
    void SetFitWindowType(int type);
    int GetBorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(int style);
    int GetImageMargin() const { return m_margin; }
    void SetImageMargin(int margin);
    // The value as the script gave it (a script's true reads back as -1); cells see 0 or 1.
    SHORT GetMouseShape() const { return m_mouseShapeValue; }
    void SetMouseShape(SHORT value);
    // The capacity of the buffer the viewer shows (4096 until its owner sets it): images at this
    // index or beyond are not shown.
    int GetCapacity() const { return m_capacity; }
    void SetCapacity(int capacity);
    BOOL GetEnableInteractiveZoom() const { return m_interactiveZoom; }
    void SetEnableInteractiveZoom(BOOL on);
    DWORD GetSelectionImageBorderColor() const { return m_selectionColour; }
    void SetSelectionImageBorderColor(DWORD colour);
    DWORD GetBackgroundColor() const { return m_backgroundColour; }
    void SetBackgroundColor(DWORD colour);
    BOOL GetVScrollBar() const { return m_vScrollBar; }
    BOOL SetVScrollBar(BOOL on);
    BOOL GetAllowMultiSelect() const { return m_selection.MultiSelect(); }
    void SetAllowMultiSelect(BOOL on);
    int GetSelectedImagesCount() const { return m_selection.SelectedCount(); }
    BOOL SetSelectedImagesCount(int n);
    int GetSelectedImageIndex(int position) const { return m_selection.At(position); }
    BOOL SetSelectedImageIndex(int position, int index);
    std::vector<int> SelectedIndices() const { return m_selection.Selected(); }
    LONG GetMouseX() const { return m_mouse.x; }
    LONG GetMouseY() const { return m_mouse.y; }
    void GetViewMode(int* columns, int* rows) const;
    void SetViewMode(int columns, int rows);

    // Selection areas and overlays of the image at an index. Both are kept per image, on screen or
    // not: a cell that shows the image again shows its area again.
    BOOL SetSelectedImageArea(int index, LONG left, LONG top, LONG right, LONG bottom);
    BOOL GetSelectedImageArea(int index, RECT* area);
    void ResetSelectedImageArea(int index);
    // The viewer owns the overlay DIB once this answers TRUE; FALSE leaves it with the caller.
    BOOL AddOverlayRectangle(int index, LONG left, LONG top, LONG right, LONG bottom, DWORD colour, float opacity,
                             HGLOBAL overlayDib);

    // For tests and the host: the cell windows showing an image (at most one page; up to a row
    // more wait hidden), the first visible index, the metrics.
    int CellWindowCount() const;
    int FirstVisibleIndex() const { return m_firstVisible; }
    CZDIBWindow* CellForIndex(int index) const;
    const GridMetrics& Metrics() const { return m_metrics; }

private:
    void Relayout(BOOL erase);
    void TrimCells(size_t needed);
    void UpdateCell(CZDIBWindow* cell, int index, const RECT& rect);
    void SetUpScrollBar(const GridScrollBar& bar);
    void OnScroll(int action, int argument);
    void OnCellClick(int index, UINT message);
    void OnKeyDown(UINT key);
    void OnMouseWheel(short delta, WPARAM keys);
    void ReportFocus();
    void SendOwner(UINT message, WPARAM wParam, LPARAM lParam);
    CZDIBWindow* CellOf(LPARAM cell) const;
    int IndexOfCell(LPARAM cell) const;
    void RefreshCellStates();
    const std::vector<ImageOverlay>* OverlaysOf(HGLOBAL dib) const;
    void FreeOverlayRecords(bool onlyUnused);
    // The kept selection areas (image coordinates) by image.
    const RECT* StoredArea(HGLOBAL dib) const;
    void StoreArea(HGLOBAL dib, const RECT& area);
    void ForgetArea(HGLOBAL dib);
    void ForgetAreasOfGoneImages();
    int VisibleRows() const { return m_singleImage ? 1 : m_rows; }
    int Pitch() const { return std::max(GridRowPitch(m_metrics), 1); }

    HINSTANCE m_instance = nullptr;
    BOOL m_classAcquired = FALSE;
    DWORD m_selectionColour = 0x800000;
    DWORD m_backgroundColour = 0xFFFFFF;
    HBRUSH m_backgroundBrush = nullptr;  // none: the stock white brush
    CLentImageList m_images;
    CViewerSelection m_selection;
    std::vector<CZDIBWindow*> m_cells;   // the visible page, in page order
    std::vector<ImageOverlayRecord> m_overlays;
    std::vector<std::pair<HGLOBAL, RECT>> m_areas;
    int m_columns = 1;
    int m_rows = 1;
    int m_margin = 0;
    GridMetrics m_metrics;
    BOOL m_mouseShape = FALSE;
    SHORT m_mouseShapeValue = 0;
    int m_capacity = 4096;
    BOOL m_fit = TRUE;
    int m_fitType = 0;
    int m_borderStyle = 0;
    RECT m_client = {};
    BOOL m_mouseTracking = FALSE;
    BOOL m_singleImage = FALSE;
    int m_savedScroll = -1;
    float m_zoom = 1.0f;
    BOOL m_interactiveZoom = TRUE;
    BOOL m_erase = TRUE;
    BOOL m_vScrollBar = TRUE;
    int m_firstVisible = -1;
    POINT m_mouse = {};
    int m_barPosition = -1;
    RECT m_barClient = {};
};
