// CTrackRect: the rubber-band rectangle with which the user selects an area of an image in a
// viewer cell. Draws a dotted frame with resize handles, tells which handle lies under the
// mouse, sets the matching cursor, and runs a modal mouse-capture loop that draws the moving
// frame by XOR until the button goes up or the action is cancelled. Client coordinates of the
// window it is given throughout.
#pragma once

#include <windows.h>

#include "engine/track_rect_geometry.h"
#include "engine/viewer_gdi.h"

class CTrackRect {
public:
    CTrackRect();
    CTrackRect(const RECT& rect, UINT style);
    virtual ~CTrackRect();
    CTrackRect(const CTrackRect&) = delete;
    CTrackRect& operator=(const CTrackRect&) = delete;

    virtual void OnChangedRect(const RECT&) {}
    virtual void DrawTrackerRect(const RECT& rect, HDC dc);
    virtual UINT GetHandleMask() const { return TrackHandleMask(m_geometry); }

    void Draw(HDC dc);
    int HitTest(POINT point) const { return TrackHitTest(m_geometry, point); }
    int HitTestHandles(POINT point) const { return TrackHitTestHandles(m_geometry, point); }
    int NormalizeHit(int hit) const { return TrackNormalizeHit(m_geometry.rect, hit); }
    BOOL SetCursor(HWND window, UINT hitTestCode);
    BOOL Track(HWND window, POINT point, BOOL allowInvert);
    BOOL TrackRubberBand(HWND window, POINT point, BOOL allowInvert);
    void SetBounds(const RECT& rect);

    RECT& Rect() { return m_geometry.rect; }
    const RECT& Rect() const { return m_geometry.rect; }
    const RECT& Bounds() const { return m_geometry.bounds; }

protected:
    BOOL TrackHandle(int hit, HWND window, POINT start);

    TrackGeometry m_geometry;
    CViewerGdi m_gdi;
    HCURSOR m_cursors[10] = {};
    BOOL m_allowInvert = FALSE;
    RECT m_lastFrame = {};
    BOOL m_erase = FALSE;
};
