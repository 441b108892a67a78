// Overlays drawn over a buffer image in the viewer: rectangles in image coordinates (top-down),
// each with a colour, an opacity and an optional DIB stretched over it. The viewer keeps one list
// per image and owns the overlay DIBs; cells borrow the list while they show the image.
#pragma once

#include <windows.h>

#include <vector>

struct ImageOverlay {
    LONG left, top, right, bottom;
    DWORD colour;
    float opacity;
    HGLOBAL dib;  // owned by the viewer's record
};

struct ImageOverlayRecord {
    HGLOBAL image = nullptr;  // the buffer image the overlays belong to (the key)
    bool inUse = false;
    std::vector<ImageOverlay> overlays;
};
