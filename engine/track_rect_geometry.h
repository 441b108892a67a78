// Geometry of the selection rectangle tracker: handles, hit codes, the minimum size, bounds and
// the edge moves of a drag. Plain functions, shared by CTrackRect and its tests.
#pragma once

#include "lumetta_win.h"

// Tracker styles (combinable).
enum TrackStyle : UINT {
    kTrackSolidLine = 1,
    kTrackDottedLine = 2,
    kTrackHatchedBorder = 4,
    kTrackResizeInside = 8,
    kTrackResizeOutside = 16,
    kTrackHatchInside = 32,
};

// Hit codes: -1 outside, 0..3 corners (top-left, top-right, bottom-right, bottom-left), 4..7 side
// middles (top, right, bottom, left), 8 inside (move), 9 the cursor of "nothing under the mouse".
enum TrackHit : int {
    kHitNothing = -1,
    kHitTopLeft = 0,
    kHitTopRight = 1,
    kHitBottomRight = 2,
    kHitBottomLeft = 3,
    kHitTop = 4,
    kHitRight = 5,
    kHitBottom = 6,
    kHitLeft = 7,
    kHitMiddle = 8,
    kHitCursorNone = 9,
};

struct TrackGeometry {
    RECT rect{};
    RECT bounds{};
    UINT style = kTrackDottedLine | kTrackResizeOutside;
    int handleSize = 2;
    int minWidth = 4;
    int minHeight = 4;
};

RECT NormalizedRect(const RECT& r);
bool PointInRect(const RECT& r, POINT p);  // right and bottom exclusive
bool RectIsEmpty(const RECT& r);           // width or height not above 0

int TrackHandleSize(const TrackGeometry& g);
RECT TrackTrueRect(const TrackGeometry& g);
UINT TrackHandleMask(const TrackGeometry& g);  // bit h set: handle h is shown
RECT TrackHandleRect(const TrackGeometry& g, int handle);
int TrackHitTestHandles(const TrackGeometry& g, POINT point);
int TrackHitTest(const TrackGeometry& g, POINT point);
// The hit code that matches the rectangle's current orientation (mirrored when inverted).
int TrackNormalizeHit(const RECT& rect, int hit);

// Keeps the edges a hit moves at least the minimum size away from the opposite edges.
void TrackAdjustRect(int hit, RECT* rect, int minWidth, int minHeight, bool allowInvert);
// Keeps the rectangle inside the bounds; a move (hit 8) keeps its size.
void TrackClampToBounds(RECT* rect, const RECT& bounds, int hit);

// Offsets between the mouse and the edges a hit moves, taken when a drag starts.
struct TrackDragStart {
    RECT rect{};
    LONG offsetX = 0;
    LONG offsetY = 0;
};
TrackDragStart TrackBeginDrag(const RECT& rect, int hit, POINT mouse);
// The rectangle for the mouse at `mouse` during a drag of `hit`, adjusted and clamped.
RECT TrackDragTo(const TrackGeometry& g, const TrackDragStart& start, int hit, POINT mouse, bool allowInvert);

// Up to two strips 3 pixels wide just outside the area along the edges the rectangle shares with
// it; the number of strips written.
int TrackEdgeStrips(const RECT& area, const RECT& rect, RECT strips[2]);
