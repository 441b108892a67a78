// CImage: quarter turns (in 64 x 64 tiles) and turns by any angle.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/image.h"
#include "engine/image_sampling.h"

namespace {

constexpr LONG kTile = 64;

BYTE* RowOf(const CImage& image, LONG y) { return image.GetBits() + uint64_t(image.GetStride()) * uint64_t(y); }

// The pixels at byte `at` of the n source rows, side by side from d on (pixels of one or three
// bytes).
void GatherColumn(const BYTE* const* rows, LONG n, uint64_t at, uint64_t srcStride, int bytes, BYTE* d) {
    if (bytes == 1) {
        for (LONG k = 0; k < n; ++k) d[k] = rows[k][at];
        return;
    }
    LONG k = 0;
    if (at + 4 <= srcStride) {
        // Four bytes moved for each pixel: the fourth lands on the next pixel's first byte, which
        // the next move writes; the last pixel moves three.
        for (; k + 1 < n; ++k) {
            uint32_t v;
            memcpy(&v, rows[k] + at, 4);
            memcpy(d + 3 * k, &v, 4);
        }
    }
    for (; k < n; ++k) memcpy(d + 3 * k, rows[k] + at, 3);
}

// Target rows ty to yEnd, columns tx to xEnd of a turn of an 8- or 24-bit image: the source rows
// of the tile's columns, then each target row read down a fixed source column.
void TurnTileBytes(const CImage& src, CImage& out, bool left, LONG tx, LONG xEnd, LONG ty, LONG yEnd) {
    const LONG w = src.GetWidth(), h = src.GetHeight();
    const int bytes = src.GetBitCount() / 8;
    const BYTE* rows[kTile];
    const LONG n = xEnd - tx;
    for (LONG k = 0; k < n; ++k) rows[k] = RowOf(src, left ? h - 1 - (tx + k) : tx + k);
    for (LONG Y = ty; Y < yEnd; ++Y) {
        const LONG sx = left ? Y : w - 1 - Y;
        GatherColumn(rows, n, uint64_t(sx) * bytes, src.GetStride(), bytes, RowOf(out, Y) + uint64_t(tx) * bytes);
    }
}

// The same tile of an image of 1, 4 (or any other) bits a pixel. The source pixel of (X, Y) is
// (sx, row(X)): a fixed column, one row per X.
void TurnTileIndexed(const CImage& src, CImage& out, bool left, LONG tx, LONG xEnd, LONG ty, LONG yEnd) {
    const LONG w = src.GetWidth(), h = src.GetHeight();
    for (LONG Y = ty; Y < yEnd; ++Y) {
        const LONG sx = left ? Y : w - 1 - Y;
        if (src.GetBitCount() != 1) {
            for (LONG X = tx; X < xEnd; ++X) out.SetPixelIndex(X, Y, src.GetPixelIndex(sx, left ? h - 1 - X : X));
            continue;
        }
        // Bit by bit into the zero-filled target row.
        BYTE* d = RowOf(out, Y);
        const BYTE mask = BYTE(0x80 >> (sx & 7));
        const LONG column = sx >> 3;
        for (LONG X = tx; X < xEnd; ++X) {
            if (RowOf(src, left ? h - 1 - X : X)[column] & mask) d[X >> 3] |= BYTE(0x80 >> (X & 7));
        }
    }
}

}  // namespace

// Left:  new (X, Y) = old (Y, height - 1 - X).  Right: new (X, Y) = old (width - 1 - Y, X).
bool CImage::RotateQuarter(bool left) {
    if (!BeginTransform()) return false;
    const LONG w = GetWidth(), h = GetHeight();
    CImage out;
    if (!out.Create(h, w, this)) {
        m_result = out.GetResult();
        return false;
    }
    const int bits = GetBitCount();
    const LONG outW = h, outH = w;
    bool ok = true;
    for (LONG ty = 0; ty < outH && ok; ty += kTile) {
        if (!(ok = ReportRowProgress(ty, outH))) break;
        const LONG yEnd = std::min(outH, ty + kTile);
        for (LONG tx = 0; tx < outW; tx += kTile) {
            const LONG xEnd = std::min(outW, tx + kTile);
            if (bits == 24 || bits == 8)
                TurnTileBytes(*this, out, left, tx, xEnd, ty, yEnd);
            else
                TurnTileIndexed(*this, out, left, tx, xEnd, ty, yEnd);
        }
    }
    return FinishTransform(out, ok);
}

bool CImage::RotateLeft() { return RotateQuarter(true); }

bool CImage::RotateRight() { return RotateQuarter(false); }

bool CImage::RotateEx(double angle, int method, int edgeMode, DWORD background, bool keepSize) {
    if (!BeginTransform()) return false;
    if (!std::isfinite(angle) || method < kNearest || method > kCubic || edgeMode < 1 || edgeMode > kWrapMirror) {
        m_result = kImageBadValue;
        return false;
    }
    const double theta = -angle * 3.14159265358979323846 / 180.0;
    const double c = std::cos(theta), s = std::sin(theta);
    const double w = GetWidth(), h = GetHeight();
    const double cornerX[4] = {-0.5, w - 0.5, -0.5, w - 0.5};
    const double cornerY[4] = {-0.5, -0.5, h - 0.5, h - 0.5};
    double rx[4], ry[4];
    for (int i = 0; i < 4; ++i) {
        rx[i] = keepSize ? cornerX[i] : cornerX[i] * c - cornerY[i] * s;
        ry[i] = keepSize ? cornerY[i] : cornerY[i] * c + cornerX[i] * s;
    }
    if (!keepSize) {
        auto closeTo = [&](double x, double y) { return std::fabs(rx[3] - x) < 0.25 && std::fabs(ry[3] - y) < 0.25; };
        if (closeTo(h - 0.5, 0.5 - w)) return RotateRight();
        if (closeTo(0.5 - h, w - 0.5)) return RotateLeft();
        if (closeTo(0.5 - w, 0.5 - h)) return Rotate180();
        if (closeTo(w - 0.5, h - 0.5)) return true;
    }
    const double minX = *std::min_element(rx, rx + 4), maxX = *std::max_element(rx, rx + 4);
    const double minY = *std::min_element(ry, ry + 4), maxY = *std::max_element(ry, ry + 4);
    const double outW = std::floor(maxX - minX + 0.5), outH = std::floor(maxY - minY + 0.5);
    if (outW > 0x7FFFFFFF || outH > 0x7FFFFFFF) {
        m_result = kImageNoMemory;
        return false;
    }
    const LONG W = std::max<LONG>(1, LONG(outW)), H = std::max<LONG>(1, LONG(outH));
    double x0 = ((maxX + minX) - (W - 1)) / 2.0, y0 = ((maxY + minY) - (H - 1)) / 2.0;
    double shiftX = 0, shiftY = 0;
    if (keepSize) {
        x0 -= w / 2.0;
        y0 -= h / 2.0;
        shiftX = W / 2.0;
        shiftY = H / 2.0;
    }
    CImage out;
    if (!out.Create(W, H, this)) {
        m_result = out.GetResult();
        return false;
    }
    const bool direct = GetBitCount() == 24;
#if defined(LUMETTA_SSE2)
    const bool cubicInside = direct && (method == kCubic || method == kCubicA1);
    const int64_t sourceW = GetWidth(), sourceH = GetHeight();
    const bool wraps = edgeMode >= kWrapRepeat && edgeMode <= kWrapMirror;
#endif
    bool ok = true;
    for (LONG j = 0; j < H && ok; ++j) {
        if (!(ok = ReportRowProgress(j, H))) break;
        const double Y = y0 + j;
        BYTE* d = out.PixelAddress(0, j);
        for (LONG i = 0; i < W; ++i) {
            const double X = x0 + i;
            const double sx = X * c + Y * s + shiftX;
            const double sy = Y * c - X * s + shiftY;
            DWORD color;
#if defined(LUMETTA_SSE2)
            // Cubic samples whose neighbours all lie inside the image, straight from the rows.
            const int64_t fx = cubicInside ? sampling::FloorToInt(sx) : 0, fy = cubicInside ? sampling::FloorToInt(sy) : 0;
            if (cubicInside && fx >= 1 && fx + 2 < sourceW && fy >= 1 && fy + 2 < sourceH)
                color = sampling::CubicInside24(PixelAddress(LONG(fx - 1), LONG(fy - 1)), GetStride(), sx, sy, fx, fy, method);
            else if (cubicInside && !wraps && (fx + 2 < 0 || fx - 1 >= sourceW || fy + 2 < 0 || fy - 1 >= sourceH))
                color = background;  // no neighbour inside the image
            else
#endif
                color = GetInterpolatedColor(sx, sy, method, edgeMode, background);
            if (direct) {
                BYTE* p = d + 3 * uint64_t(i);
                p[0] = BYTE(color);
                p[1] = BYTE(color >> 8);
                p[2] = BYTE(color >> 16);
            } else {
                out.SetPixelColor(i, j, color);
            }
        }
    }
    return FinishTransform(out, ok);
}
