// CZDIBWindow: one image cell of the viewer. A child window that shows one buffer image (lent,
// never owned) with zoom, fit modes, scrolling and panning, a selection rectangle drawn with
// CTrackRect, coloured frames and overlays, and reports mouse actions to its parent viewer.
#pragma once

#include <windows.h>

#include <vector>

#include "engine/cell_geometry.h"
#include "engine/grid_layout.h"
#include "engine/image_overlay.h"
#include "engine/lent_image_list.h"
#include "engine/track_rect.h"
#include "engine/z_window.h"

// Messages a cell sends its viewer (and the viewer its owner, with indices).
constexpr UINT WM_CELL_LBUTTONDOWN = WM_USER + 403;
constexpr UINT WM_CELL_MOUSEMOVE = WM_USER + 404;
constexpr UINT WM_CELL_RBUTTONDOWN = WM_USER + 405;
constexpr UINT WM_CELL_DBLCLK = WM_USER + 406;
constexpr UINT WM_CELL_TOPROW = WM_USER + 407;
constexpr UINT WM_CELL_AREA_SELECTED = WM_USER + 408;
constexpr UINT WM_CELL_AREA_EMPTIED = WM_USER + 409;

// Frame types of a cell: the border styles None, SingleFlat, Single3D, the green frame, selected.
enum CellFrame : int { kFrameNone = 0, kFrameFlat = 1, kFrame3D = 2, kFrameGreen = 3, kFrameSelected = 4 };

// What the viewer's layout gives a cell besides its image.
struct CellSettings {
    RECT rect;
    BOOL hand;
    BOOL singleImage;  // the zoom settings below count only then
    BOOL interactiveZoom;
    float zoom;
    BOOL fit;
    int fitType;
    int borderStyle;
    DWORD selectionColour;
    HBRUSH background;
    BOOL selected;
    bool operator==(const CellSettings& o) const {
        return EqualRect(&rect, &o.rect) && hand == o.hand && singleImage == o.singleImage &&
               interactiveZoom == o.interactiveZoom && zoom == o.zoom && fit == o.fit && fitType == o.fitType &&
               borderStyle == o.borderStyle && selectionColour == o.selectionColour && background == o.background &&
               selected == o.selected;
    }
};

class CZDIBWindow : public CZWindow {
public:
    CZDIBWindow();
    ~CZDIBWindow() override;

    BOOL WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    // A hidden child of the viewer's class at the rectangle.
    BOOL CreateCell(HWND parent, HINSTANCE instance, const RECT& rect);

    // The buffer index the cell shows, its lent DIB and the overlay list (repaints when changed).
    void SetImage(int index, HGLOBAL dib, const std::vector<ImageOverlay>* overlays,
                  const CLentImageList::HolderCheck* holder);
    int Index() const { return m_index; }
    // Hides the cell and lets go of its image until the layout needs it again.
    void Unbind();
    HGLOBAL Dib() const { return m_dib; }
    void ReloadHeader();
    // Places, shows and configures the cell; repaints it only when something changed.
    void ApplySettings(const CellSettings& settings);
    BOOL HasPaintableImage() const { return m_headerValid; }

    void SetMouseShape(BOOL hand);
    void SetInteractiveZoom(BOOL on) { m_interactiveZoom = on; }
    void SetZoom(float zoom, BOOL repaint);
    float GetZoom() const { return m_zoom; }
    void SetFit(BOOL fit, int type);
    void SetBorderStyle(int style);
    void SetSelectionColour(DWORD colour) { m_selectionColour = colour; }
    void SetBackgroundBrush(HBRUSH brush) { m_background = brush; }
    void Select();
    void Deselect();
    BOOL IsSelected() const { return m_frame == kFrameSelected; }
    int Frame() const { return m_frame; }

    // The selection area in image coordinates (set, clear, read); not in hand mode.
    BOOL SetSelectionArea(const RECT& image);
    void ResetSelectionArea();
    BOOL GetSelectionArea(RECT* image);
    POINT ImageMouse() const { return m_imageMouse; }

    // Keys of single-image mode; true when the zoom changed.
    BOOL OnKey(UINT key);
    BOOL ZoomStep(BOOL in);
    void ScrollBy(int bar, int action, int argument);

private:
    void Paint(HDC dc);
    void DrawFrame(HDC dc, const RECT& r, int type);
    RECT ImageArea(const RECT& client, BOOL drawFrames, HDC dc);
    void SetUpScrollBars(const RECT& area);
    float EffectiveZoom(float* zoomX, float* zoomY) const;
    CellPlacement Placement();
    void DrawImage(HDC dc, const RECT& area);
    void DrawOverlay(HDC dc, const ImageOverlay& overlay, const DibLayout& layout, const RECT& target);
    void StoreImageMouse(LPARAM lParam);
    void OnLeftButtonDown(LPARAM lParam);
    void Notify(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL IsBound(int index, HGLOBAL dib) const { return m_hwnd && m_index == index && m_dib == dib; }

    DWORD m_selectionColour = 0x800000;
    HBRUSH m_background = nullptr;
    int m_index = -1;
    HGLOBAL m_dib = nullptr;
    const CLentImageList::HolderCheck* m_holder = nullptr;
    char m_emptyText[32] = "No Image";
    int m_frame = kFrameNone;
    int m_savedFrame = kFrameNone;
    BOOL m_fit = TRUE;
    int m_fitType = kFitWhole;
    BOOL m_needsErase = TRUE;
    BOOL m_headerValid = FALSE;
    DibLayout m_layout = {};
    BOOL m_hand = FALSE;
    BOOL m_mouseTracking = FALSE;
    float m_zoom = 1.0f;
    float m_previousZoom = 0.0f;
    RECT m_client = {};
    RECT m_area = {};
    CellPlacement m_placement;
    POINT m_lastMouse = {};
    CTrackRect m_tracker;
    BOOL m_interactiveZoom = TRUE;
    const std::vector<ImageOverlay>* m_overlays = nullptr;
    POINT m_imageMouse = {};
    CellSettings m_settings = {};
    bool m_settingsApplied = false;
};
