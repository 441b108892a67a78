#include "engine/cell_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

float ClampZoom(float zoom) {
    if (std::isnan(zoom)) return 1.0f;
    return std::clamp(zoom, kMinZoom, kMaxZoom);
}

float FitZoom(int cw, int ch, int iw, int ih, int fitType) {
    if (cw < 1 || ch < 1 || iw < 1 || ih < 1) return 1.0f;
    float sx = float(cw) / float(iw);
    float sy = float(ch) / float(ih);
    bool narrower = iw < cw;
    bool shorter = ih < ch;
    float z = 1.0f;
    switch (fitType) {
        case kFitWhole:
            z = narrower && shorter ? 1.0f : narrower ? sy : shorter ? sx : std::min(sx, sy);
            break;
        case kFitHeight:
            z = narrower && shorter ? 1.0f : narrower ? sy : shorter ? 1.0f : sy;
            break;
        case kFitWidth:
            z = narrower && shorter ? 1.0f : narrower ? 1.0f : sx;
            break;
        case kFitFill:
            z = narrower && shorter ? std::min(sx, sy) : narrower ? sy : shorter ? sx : std::min(sx, sy);
            break;
        case kFitStretch:
            z = narrower && shorter ? 1.0f : narrower ? sy : shorter ? sx : 1.0f;
            break;
        default: break;
    }
    return ClampZoom(z);
}

float ZoomStepIn(float z) {
    if (z == 0.5f) return 0.75f;
    if (z == 0.75f) return 1.0f;
    if (z == 1.0f) return 1.5f;
    if (z == 1.5f) return 2.0f;
    return ClampZoom(z * 2.0f);
}

float ZoomStepOut(float z) {
    if (z == 2.0f) return 1.5f;
    if (z == 1.5f) return 1.0f;
    if (z == 1.0f) return 0.75f;
    if (z == 0.75f) return 0.5f;
    return ClampZoom(z / 2.0f);
}

namespace {

struct Axis {
    LONG target0, target1, origin, source, sourceLength, scaled;
    bool centred;
};

// One direction of the placement: centred when the scaled image is smaller than the area,
// otherwise filling the area from the scroll position on.
Axis PlaceAxis(LONG area0, LONG area1, int imageLength, float zoom, bool stretch, int scroll) {
    Axis a{};
    int64_t areaLength = std::max<int64_t>(int64_t(area1) - area0, 0);
    if (stretch) {
        a = {area0, static_cast<LONG>(area0 + areaLength), area0, 0, imageLength,
             static_cast<LONG>(areaLength), true};
        return a;
    }
    int64_t scaled = static_cast<int64_t>(double(imageLength) * zoom);
    scaled = std::clamp<int64_t>(scaled, 1, INT32_MAX / 2);
    a.scaled = static_cast<LONG>(scaled);
    if (scaled < areaLength) {
        a.centred = true;
        a.origin = static_cast<LONG>(area0 + int64_t(double(areaLength - scaled) / 2 + 0.5));
        a.target0 = a.origin;
        a.target1 = static_cast<LONG>(a.origin + scaled);
        a.source = 0;
        a.sourceLength = imageLength;
        return a;
    }
    int64_t maxScroll = scaled - areaLength;
    int64_t s = std::clamp<int64_t>(scroll, 0, maxScroll);
    a.origin = area0;
    a.target0 = area0;
    a.target1 = static_cast<LONG>(area0 + areaLength);
    int64_t first = static_cast<int64_t>(double(s) / zoom + 0.5);
    int64_t length = static_cast<int64_t>(std::ceil(double(areaLength) / zoom));
    first = std::clamp<int64_t>(first, 0, imageLength - 1);
    length = std::clamp<int64_t>(length, 1, imageLength - first);
    a.source = static_cast<LONG>(first);
    a.sourceLength = static_cast<LONG>(length);
    return a;
}

}  // namespace

CellPlacement PlaceImage(const RECT& area, int iw, int ih, float zoom, bool stretch, int scrollX,
                         int scrollY) {
    CellPlacement p;
    if (iw < 1 || ih < 1) return p;
    zoom = ClampZoom(zoom);
    Axis x = PlaceAxis(area.left, area.right, iw, zoom, stretch, scrollX);
    Axis y = PlaceAxis(area.top, area.bottom, ih, zoom, stretch, scrollY);
    p.target = {x.target0, y.target0, x.target1, y.target1};
    p.originX = x.origin;
    p.originY = y.origin;
    p.sourceX = x.source;
    p.sourceY = y.source;
    p.sourceWidth = x.sourceLength;
    p.sourceHeight = y.sourceLength;
    p.scaledWidth = x.scaled;
    p.scaledHeight = y.scaled;
    p.centredX = x.centred;
    p.centredY = y.centred;
    return p;
}

namespace {

int64_t ToImage(LONG edge, LONG origin, int scroll, float zoom) {
    return static_cast<int64_t>(std::floor((double(edge) - origin + scroll) / zoom + 0.5));
}

// An edge on or before the image's first visible pixel when that pixel is the image's first,
// or on or after its last when that is the image's last, snaps to the image's end.
LONG EdgeToImage(LONG edge, LONG target0, LONG target1, LONG origin, int scroll, float zoom,
                 LONG source, LONG sourceLength, int imageLength) {
    if (edge <= target0 && source == 0) return 0;
    if (edge >= target1 && source + sourceLength >= imageLength) return imageLength;
    return static_cast<LONG>(std::clamp<int64_t>(ToImage(edge, origin, scroll, zoom), 0, imageLength));
}

}  // namespace

POINT CellToImage(const CellPlacement& p, POINT cell, float zoom, int scrollX, int scrollY) {
    zoom = ClampZoom(zoom);
    POINT r;
    r.x = static_cast<LONG>(std::clamp<int64_t>(ToImage(cell.x, p.originX, p.centredX ? 0 : scrollX, zoom),
                                                INT32_MIN, INT32_MAX));
    r.y = static_cast<LONG>(std::clamp<int64_t>(ToImage(cell.y, p.originY, p.centredY ? 0 : scrollY, zoom),
                                                INT32_MIN, INT32_MAX));
    return r;
}

RECT SelectionToImage(const CellPlacement& p, const RECT& s, float zoomX, float zoomY, int scrollX,
                      int scrollY, int iw, int ih) {
    zoomX = ClampZoom(zoomX);
    zoomY = ClampZoom(zoomY);
    int sx = p.centredX ? 0 : scrollX;
    int sy = p.centredY ? 0 : scrollY;
    // The selection covers only what the cell shows of the image.
    auto clampX = [&p](LONG v) { return std::clamp(v, p.target.left, std::max(p.target.left, p.target.right)); };
    auto clampY = [&p](LONG v) { return std::clamp(v, p.target.top, std::max(p.target.top, p.target.bottom)); };
    RECT n = {clampX(std::min(s.left, s.right)), clampY(std::min(s.top, s.bottom)),
              clampX(std::max(s.left, s.right)), clampY(std::max(s.top, s.bottom))};
    RECT r;
    r.left = EdgeToImage(n.left, p.target.left, p.target.right, p.originX, sx, zoomX, p.sourceX,
                         p.sourceWidth, iw);
    r.right = EdgeToImage(n.right, p.target.left, p.target.right, p.originX, sx, zoomX, p.sourceX,
                          p.sourceWidth, iw);
    r.top = EdgeToImage(n.top, p.target.top, p.target.bottom, p.originY, sy, zoomY, p.sourceY,
                        p.sourceHeight, ih);
    r.bottom = EdgeToImage(n.bottom, p.target.top, p.target.bottom, p.originY, sy, zoomY, p.sourceY,
                           p.sourceHeight, ih);
    return r;
}

RECT ImageToSelection(const CellPlacement& p, const RECT& image, float zoomX, float zoomY, int scrollX,
                      int scrollY, int iw, int ih) {
    zoomX = ClampZoom(zoomX);
    zoomY = ClampZoom(zoomY);
    int sx = p.centredX ? 0 : scrollX;
    int sy = p.centredY ? 0 : scrollY;
    auto toCell = [](LONG v, int length, LONG origin, int scroll, float zoom) {
        int64_t clamped = std::clamp<int64_t>(v, 0, length);
        return static_cast<LONG>(std::clamp<int64_t>(
            static_cast<int64_t>(std::floor(double(clamped) * zoom + 0.5)) + origin - scroll, -0x7FFF, 0x7FFF));
    };
    RECT r;
    r.left = toCell(std::min(image.left, image.right), iw, p.originX, sx, zoomX);
    r.right = toCell(std::max(image.left, image.right), iw, p.originX, sx, zoomX);
    r.top = toCell(std::min(image.top, image.bottom), ih, p.originY, sy, zoomY);
    r.bottom = toCell(std::max(image.top, image.bottom), ih, p.originY, sy, zoomY);
    return r;
}

int RescaleScrollPosition(int position, int oldRange, int newRange, int page) {
    if (position <= 0) return 0;
    int64_t oldSpan = std::max<int64_t>(int64_t(oldRange) - page + 1, 1);
    int64_t newSpan = std::max<int64_t>(int64_t(newRange) - page + 1, 0);
    int64_t fresh = static_cast<int64_t>(double(position) / double(oldSpan) * double(newSpan));
    return static_cast<int>(std::clamp<int64_t>(fresh, 0, std::max(newRange, 0)));
}
