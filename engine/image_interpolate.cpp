// CImage: colours between and outside pixels (nearest, bilinear, cubic) and area averages.
#include <cmath>

#include "engine/image.h"
#include "engine/image_sampling.h"

using namespace sampling;

DWORD CImage::GetPixelColorEx(LONG x, LONG y, int edgeMode, DWORD background) const {
    if (!GetDIB()) return background;
    if (Inside(x, y)) return GetPixelColor(x, y);
    if (edgeMode < kWrapRepeat || edgeMode > kWrapMirror) return background;
    WrapCoordinates(x, y, edgeMode);
    return GetPixelColor(x, y);
}

void CImage::WrapFloatCoordinates(double& x, double& y, int mode) const {
    if (!GetDIB()) return;
    auto wrap = [mode](double v, double size) {
        switch (mode) {
            case kWrapRepeat:
                v = std::fmod(v, size);
                return v < 0 ? v + size : v;
            case kWrapClamp: return v < 0 ? 0.0 : v > size - 1 ? size - 1 : v;
            case kWrapMirror:
                if (v < 0) return std::fmod(-v, size);
                if (v >= size) return size - (std::fmod(v, size) + 1);
                return v;
            default: return v;
        }
    };
    x = wrap(x, GetWidth());
    y = wrap(y, GetHeight());
}

DWORD CImage::GetInterpolatedColor(double x, double y, int method, int edgeMode, DWORD background) const {
    if (!GetDIB() || !std::isfinite(x) || !std::isfinite(y)) return background;
    const int64_t w = GetWidth(), h = GetHeight();
    if (method == kNearest) {
        return GetPixelColorEx(LONG(TruncToInt(x + 0.5)), LONG(TruncToInt(y + 0.5)), edgeMode, background);
    }
    const bool wraps = edgeMode >= kWrapRepeat && edgeMode <= kWrapMirror;
    // Pixels are read in place only in 24-bit rows; other depths go through their colours.
    const bool direct = GetBitCount() == 24;
    int64_t x0 = FloorToInt(x), y0 = FloorToInt(y);
    if (method == kBilinear) {
        if (x0 < -1 || x0 >= w || y0 < -1 || y0 >= h) {
            if (!wraps) return background;
            WrapFloatCoordinates(x, y, edgeMode);
            x0 = FloorToInt(x);
            y0 = FloorToInt(y);
        }
        if (x0 >= 0 && x0 + 1 < w && y0 >= 0 && y0 + 1 < h && direct) {
            const uint32_t fx = uint32_t((x - double(x0)) * 256), fy = uint32_t((y - double(y0)) * 256);
            const uint32_t w11 = fx * fy / 256, w10 = fx - w11, w01 = fy - w11, w00 = 256 - fx - fy + w11;
            const BYTE* p00 = PixelAddress(LONG(x0), LONG(y0));
            const BYTE* p01 = PixelAddress(LONG(x0), LONG(y0 + 1));
            uint32_t out[3];
            for (int c = 0; c < 3; ++c) {
                out[c] = (p00[c] * w00 + p00[3 + c] * w10 + p01[c] * w01 + p01[3 + c] * w11) / 256;
            }
            return Pack(out[0], out[1], out[2]);
        }
        const double dx = x - double(x0), dy = y - double(y0);
        const double w11 = dx * dy, w10 = dx - w11, w01 = dy - w11, w00 = 1 - dx - dy + w11;
        const LONG X = LONG(x0), Y = LONG(y0);
        const DWORD c00 = GetPixelColorEx(X, Y, edgeMode, background);
        const DWORD c10 = GetPixelColorEx(X + 1, Y, edgeMode, background);
        const DWORD c01 = GetPixelColorEx(X, Y + 1, edgeMode, background);
        const DWORD c11 = GetPixelColorEx(X + 1, Y + 1, edgeMode, background);
        auto channel = [&](uint32_t (*of)(uint32_t)) {
            return ClampChannel(of(c00) * w00 + of(c10) * w10 + of(c01) * w01 + of(c11) * w11);
        };
        return Pack(channel(Blue), channel(Green), channel(Red));
    }
    // Cubic: 4 x 4 neighbours, summed row by row.
    if (x0 + 2 < 0 || x0 - 1 >= w || y0 + 2 < 0 || y0 - 1 >= h) {
        if (!wraps) return background;
        WrapFloatCoordinates(x, y, edgeMode);
        x0 = FloorToInt(x);
        y0 = FloorToInt(y);
    }
    float wx[4], wy[4];
    CubicWeights(x, x0, method, wx);
    CubicWeights(y, y0, method, wy);
    const bool inside = x0 >= 1 && x0 + 2 < w && y0 >= 1 && y0 + 2 < h && direct;
    float sum[3] = {0, 0, 0};
    for (int j = 0; j < 4; ++j) {
        float row[3] = {0, 0, 0};
        const LONG Y = LONG(y0 - 1 + j);
        if (inside) {
            const BYTE* p = PixelAddress(LONG(x0 - 1), Y);
            for (int i = 0; i < 4; ++i, p += 3) {
                row[0] += wx[i] * float(p[0]);
                row[1] += wx[i] * float(p[1]);
                row[2] += wx[i] * float(p[2]);
            }
        } else {
            for (int i = 0; i < 4; ++i) {
                const DWORD c = GetPixelColorEx(LONG(x0 - 1 + i), Y, edgeMode, background);
                row[0] += wx[i] * float(Blue(c));
                row[1] += wx[i] * float(Green(c));
                row[2] += wx[i] * float(Red(c));
            }
        }
        for (int c = 0; c < 3; ++c) sum[c] += wy[j] * row[c];
    }
    return Pack(ClampChannel(sum[0]), ClampChannel(sum[1]), ClampChannel(sum[2]));
}

DWORD CImage::GetAreaColor(double x, double y, double sx, double sy, int method, int edgeMode,
                           DWORD background) const {
    if (sx <= 1 && sy <= 1) return GetInterpolatedColor(x, y, method, edgeMode, background);
    if (!GetDIB() || !std::isfinite(x) || !std::isfinite(y)) return background;
    const double left = x - sx / 2, right = x + sx / 2, top = y - sy / 2, bottom = y + sy / 2;
    const int64_t xl = TruncToInt(left + 0.5), xh = TruncToInt(right + 0.5);
    const int64_t yl = TruncToInt(top + 0.5), yh = TruncToInt(bottom + 0.5);
    double sum[3] = {0, 0, 0};
    if (sx > 1 && sy > 1) {
        for (int64_t py = yl; py <= yh; ++py) {
            const double wy = Overlap(py, top, bottom);
            if (wy == 0) continue;
            double row[3] = {0, 0, 0};
            for (int64_t px = xl; px <= xh; ++px) {
                const double wx = Overlap(px, left, right);
                if (wx == 0) continue;
                const DWORD c = GetPixelColorEx(LONG(px), LONG(py), edgeMode, background);
                row[0] += wx * Blue(c);
                row[1] += wx * Green(c);
                row[2] += wx * Red(c);
            }
            for (int c = 0; c < 3; ++c) sum[c] += wy * row[c];
        }
    } else {
        // One side shrinks, the other grows: each part of the footprint is sampled at its centre.
        for (int64_t py = yl; py <= yh; ++py) {
            const double lo = std::max(top, py - 0.5), hi = std::min(bottom, py + 0.5);
            if (hi <= lo) continue;
            for (int64_t px = xl; px <= xh; ++px) {
                const double l = std::max(left, px - 0.5), r = std::min(right, px + 0.5);
                if (r <= l) continue;
                const double area = (r - l) * (hi - lo);
                const DWORD c = GetInterpolatedColor((l + r) / 2, (lo + hi) / 2, method, edgeMode, background);
                sum[0] += area * Blue(c);
                sum[1] += area * Green(c);
                sum[2] += area * Red(c);
            }
        }
    }
    const double scale = sx * sy;
    return Pack(ClampChannel(sum[0] / scale), ClampChannel(sum[1] / scale), ClampChannel(sum[2] / scale));
}
