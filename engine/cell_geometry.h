// Geometry of one image cell: the fit zoom, the zoom steps, where the image lands in the cell,
// and the mapping between cell and image coordinates. Plain functions, shared by the cell window
// and its tests.
#pragma once

#include "lumetta_win.h"

constexpr float kMinZoom = 0.02f;
constexpr float kMaxZoom = 65.0f;

// Fit types: 0 whole image, 1 fit the height, 2 fit the width, 3 fill, 4 stretch.
enum FitType : int { kFitWhole = 0, kFitHeight = 1, kFitWidth = 2, kFitFill = 3, kFitStretch = 4 };

float ClampZoom(float zoom);  // 0.02..65.0; not a number gives 1.0

// The zoom that fits an image of iw x ih into a cell of cw x ch by fit type; 1.0 for empty sizes.
float FitZoom(int cellWidth, int cellHeight, int imageWidth, int imageHeight, int fitType);

// The next zoom step in and out (the plus and minus keys), clamped.
float ZoomStepIn(float zoom);
float ZoomStepOut(float zoom);

// Where the image lands in the area of a cell.
struct CellPlacement {
    RECT target{};      // the part of the area the image covers
    LONG originX = 0;   // cell coordinate of image pixel 0 at scroll position 0
    LONG originY = 0;
    // The visible part of the image, in image pixels from the top-left corner (top-down).
    LONG sourceX = 0, sourceY = 0, sourceWidth = 0, sourceHeight = 0;
    LONG scaledWidth = 0, scaledHeight = 0;
    bool centredX = false, centredY = false;  // smaller than the area: centred, no scrolling
};

// Placement of an iw x ih image at zoom z in the area, scrolled by (scrollX, scrollY) in the
// directions where it is larger than the area. With stretch, the image covers the whole area.
CellPlacement PlaceImage(const RECT& area, int imageWidth, int imageHeight, float zoom, bool stretch,
                         int scrollX, int scrollY);

// The row of a bottom-up DIB where a top-down source band starts (what StretchDIBits wants).
inline LONG BottomUpSourceY(const CellPlacement& p, int imageHeight) {
    return imageHeight - p.sourceY - p.sourceHeight;
}

// A cell point in image coordinates: (point - origin + scroll) / zoom + 0.5, truncated.
POINT CellToImage(const CellPlacement& p, POINT cell, float zoom, int scrollX, int scrollY);

// A selection in cell coordinates as an image rectangle, clamped to the image: edges on or past
// the image's visible ends become 0 or the image's width and height.
RECT SelectionToImage(const CellPlacement& p, const RECT& selection, float zoomX, float zoomY,
                      int scrollX, int scrollY, int imageWidth, int imageHeight);

// An image rectangle (clamped to the image) in cell coordinates, for a selection set by script.
RECT ImageToSelection(const CellPlacement& p, const RECT& image, float zoomX, float zoomY, int scrollX,
                      int scrollY, int imageWidth, int imageHeight);

// A scroll position kept across a zoom change: old / (oldRange - page + 1) x (newRange - page + 1),
// at most the new range. Position 0 stays 0.
int RescaleScrollPosition(int position, int oldRange, int newRange, int page);
