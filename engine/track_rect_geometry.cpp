#include "engine/track_rect_geometry.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Which edges each handle moves: -1 the left or top edge, 1 the right or bottom, 0 none.
struct HandleInfo {
    int xEdge, yEdge;
    int mirrorX, mirrorY;
};
constexpr HandleInfo kHandles[8] = {
    {-1, -1, 1, 3}, {1, -1, 0, 2}, {1, 1, 3, 1}, {-1, 1, 2, 0},
    {0, -1, 4, 6},  {1, 0, 7, 5},  {0, 1, 6, 4}, {-1, 0, 5, 7},
};

int XEdge(int hit) { return hit == kHitMiddle ? 2 : (hit >= 0 && hit < 8 ? kHandles[hit].xEdge : 0); }
int YEdge(int hit) { return hit == kHitMiddle ? 2 : (hit >= 0 && hit < 8 ? kHandles[hit].yEdge : 0); }

RECT Inflate(RECT r, int by) { return {r.left - by, r.top - by, r.right + by, r.bottom + by}; }

}  // namespace

RECT NormalizedRect(const RECT& r) {
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
            std::max(r.top, r.bottom)};
}

bool PointInRect(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

bool RectIsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

int TrackHandleSize(const TrackGeometry& g) {
    if (g.style & kTrackResizeOutside) return g.handleSize;
    RECT n = NormalizedRect(g.rect);
    int shorter = std::min(n.right - n.left, n.bottom - n.top);
    return std::min(g.handleSize, shorter / 2);
}

RECT TrackTrueRect(const TrackGeometry& g) {
    RECT r = NormalizedRect(g.rect);
    int grow = 0;
    if (g.style & (kTrackHatchedBorder | kTrackResizeOutside)) grow += TrackHandleSize(g) - 1;
    if (g.style & (kTrackSolidLine | kTrackDottedLine)) grow += 1;
    return Inflate(r, grow);
}

UINT TrackHandleMask(const TrackGeometry& g) {
    int s = 3 * g.handleSize;
    UINT mask = 0x0F;
    if (std::abs(g.rect.right - g.rect.left) - s > 4) mask |= (1u << kHitTop) | (1u << kHitBottom);
    if (std::abs(g.rect.bottom - g.rect.top) - s > 4) mask |= (1u << kHitRight) | (1u << kHitLeft);
    return mask;
}

RECT TrackHandleRect(const TrackGeometry& g, int handle) {
    RECT r = NormalizedRect(g.rect);
    if (g.style & (kTrackSolidLine | kTrackDottedLine)) r = Inflate(r, 1);
    int size = TrackHandleSize(g);
    if (g.style & kTrackResizeOutside) r = Inflate(r, size - 1);
    if (handle < 0 || handle > 7) return {0, 0, 0, 0};
    const HandleInfo& h = kHandles[handle];
    LONG x = h.xEdge < 0 ? r.left : h.xEdge > 0 ? r.right - size : r.left + (r.right - r.left - size) / 2;
    LONG y = h.yEdge < 0 ? r.top : h.yEdge > 0 ? r.bottom - size : r.top + (r.bottom - r.top - size) / 2;
    return {x, y, x + size, y + size};
}

int TrackHitTestHandles(const TrackGeometry& g, POINT point) {
    if (!PointInRect(TrackTrueRect(g), point)) return kHitNothing;
    UINT mask = TrackHandleMask(g);
    if (g.style & (kTrackResizeInside | kTrackResizeOutside)) {
        for (int h = 0; h < 8; ++h) {
            if ((mask & (1u << h)) && PointInRect(TrackHandleRect(g, h), point)) return h;
        }
    }
    if (g.style & kTrackHatchedBorder) return kHitMiddle;
    if (PointInRect(Inflate(NormalizedRect(g.rect), 1), point)) return kHitMiddle;
    return kHitNothing;
}

int TrackHitTest(const TrackGeometry& g, POINT point) {
    if (!PointInRect(TrackTrueRect(g), point)) return kHitNothing;
    if (!(g.style & (kTrackResizeInside | kTrackResizeOutside))) return kHitMiddle;
    return TrackHitTestHandles(g, point);
}

int TrackNormalizeHit(const RECT& rect, int hit) {
    if (hit == kHitMiddle || hit == kHitNothing) return hit;
    if (hit > 8 || hit < -1) return kHitCursorNone;
    if (rect.right - rect.left < 0) hit = kHandles[hit].mirrorX;
    if (rect.bottom - rect.top < 0) hit = kHandles[hit].mirrorY;
    return hit;
}

namespace {

// Keeps the moving edge (lo when edge < 0, hi when edge > 0) at least minimum from the other.
void KeepMinimum(LONG& lo, LONG& hi, int edge, int minimum, bool allowInvert) {
    if (edge == 0) return;
    LONG size = hi - lo;
    LONG across = allowInvert ? std::abs(size) : size;
    if (across >= minimum) return;
    LONG dir = size < 0 && allowInvert ? -1 : 1;
    if (edge < 0) lo = hi - dir * minimum;
    else hi = lo + dir * minimum;
}

}  // namespace

void TrackAdjustRect(int hit, RECT* r, int minWidth, int minHeight, bool allowInvert) {
    if (!r || hit < 0 || hit > 7) return;
    KeepMinimum(r->left, r->right, XEdge(hit), minWidth, allowInvert);
    KeepMinimum(r->top, r->bottom, YEdge(hit), minHeight, allowInvert);
}

void TrackClampToBounds(RECT* r, const RECT& b, int hit) {
    if (!r || RectIsEmpty(b)) return;
    auto clampEdge = [](LONG& edge, LONG& opposite, LONG lo, LONG hi, bool move) {
        LONG fixed = std::clamp(edge, lo, hi);
        if (move) opposite += fixed - edge;
        edge = fixed;
    };
    bool move = hit == kHitMiddle;
    clampEdge(r->left, r->right, b.left, b.right, move);
    clampEdge(r->right, r->left, b.left, b.right, move);
    clampEdge(r->top, r->bottom, b.top, b.bottom, move);
    clampEdge(r->bottom, r->top, b.top, b.bottom, move);
    if (move) {
        // A rectangle larger than the bounds cannot keep its size: it fills them.
        r->left = std::max(r->left, b.left);
        r->top = std::max(r->top, b.top);
    }
}

TrackDragStart TrackBeginDrag(const RECT& rect, int hit, POINT mouse) {
    TrackDragStart s;
    s.rect = rect;
    int xe = XEdge(hit);
    int ye = YEdge(hit);
    s.offsetX = xe < 0 || xe == 2 ? mouse.x - rect.left : xe > 0 ? mouse.x - rect.right : 0;
    s.offsetY = ye < 0 || ye == 2 ? mouse.y - rect.top : ye > 0 ? mouse.y - rect.bottom : 0;
    return s;
}

RECT TrackDragTo(const TrackGeometry& g, const TrackDragStart& start, int hit, POINT mouse, bool allowInvert) {
    RECT r = start.rect;
    int xe = XEdge(hit);
    int ye = YEdge(hit);
    LONG x = mouse.x - start.offsetX;
    LONG y = mouse.y - start.offsetY;
    if (hit == kHitMiddle) {
        LONG w = r.right - r.left, h = r.bottom - r.top;
        r = {x, y, x + w, y + h};
    } else {
        if (xe < 0) r.left = x;
        if (xe > 0) r.right = x;
        if (ye < 0) r.top = y;
        if (ye > 0) r.bottom = y;
        TrackAdjustRect(hit, &r, g.minWidth, g.minHeight, allowInvert);
    }
    TrackClampToBounds(&r, g.bounds, hit);
    return r;
}

int TrackEdgeStrips(const RECT& area, const RECT& rect, RECT strips[2]) {
    RECT n = NormalizedRect(rect);
    int count = 0;
    if (n.left <= area.left) strips[count++] = {area.left - 3, area.top - 3, area.left, area.bottom + 3};
    else if (n.right >= area.right) strips[count++] = {area.right, area.top - 3, area.right + 3, area.bottom + 3};
    if (n.top <= area.top) strips[count++] = {area.left - 3, area.top - 3, area.right + 3, area.top};
    else if (n.bottom >= area.bottom) strips[count++] = {area.left - 3, area.bottom, area.right + 3, area.bottom + 3};
    return count;
}
