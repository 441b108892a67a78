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

uint64_t Load8(const BYTE* p) {
    uint64_t v;
    memcpy(&v, p, 8);
    return v;
}

// Pixel i (0 to 3) of twelve bytes of 24-bit pixels, loaded as lo (bytes 0 to 7) and hi (bytes 4
// to 11); bytes in memory order, little-endian as on every target of this build.
uint64_t PixelOf(uint64_t lo, uint64_t hi, int i) {
    constexpr uint64_t kPixel = 0xFFFFFF;
    switch (i) {
        case 0: return lo & kPixel;
        case 1: return (lo >> 24) & kPixel;
        case 2: return (hi >> 16) & kPixel;
        default: return (hi >> 40) & kPixel;
    }
}

// Four target rows of a tile of a 24-bit turn at once, from four adjacent source columns
// starting at byte `at` of the n source rows: two loads of each source row give its four
// pixels, and each pair of source rows becomes six bytes of each target row, stored as eight
// whose last two the next pair overwrites; the last pair of the tile is copied exactly, so
// nothing is written past it. Target row j takes pixel j (left turn) or 3 - j (right turn).
template <bool kLeft>
void TurnFourRows24(const BYTE* const* rows, LONG n, uint64_t at, BYTE* d, uint64_t outStride) {
    LONG k = 0;
    for (; k + 2 < n; k += 2) {
        const uint64_t a = Load8(rows[k] + at), a2 = Load8(rows[k] + at + 4);
        const uint64_t b = Load8(rows[k + 1] + at), b2 = Load8(rows[k + 1] + at + 4);
        for (int j = 0; j < 4; ++j) {
            const int i = kLeft ? j : 3 - j;
            const uint64_t two = PixelOf(a, a2, i) | PixelOf(b, b2, i) << 24;
            memcpy(d + outStride * j + 3 * k, &two, 8);
        }
    }
    for (; k < n; ++k) {
        for (int j = 0; j < 4; ++j) memcpy(d + outStride * j + 3 * k, rows[k] + at + 3 * (kLeft ? j : 3 - j), 3);
    }
}

// Target rows ty to yEnd, columns tx to xEnd of a turn of an 8- or 24-bit image: the source rows
// of the tile's columns, then each target row read down a fixed source column (24-bit rows four
// at a time while the four columns' twelve bytes lie inside the source row).
void TurnTileBytes(const CImage& src, CImage& out, bool left, LONG tx, LONG xEnd, LONG ty, LONG yEnd) {
    const LONG w = src.GetWidth(), h = src.GetHeight();
    const int bytes = src.GetBitCount() / 8;
    const BYTE* rows[kTile];
    const LONG n = xEnd - tx;
    for (LONG k = 0; k < n; ++k) rows[k] = RowOf(src, left ? h - 1 - (tx + k) : tx + k);
    LONG Y = ty;
    if (bytes == 3) {
        for (; Y + 4 <= yEnd; Y += 4) {
            const LONG first = left ? Y : w - 1 - (Y + 3);  // the leftmost of the four source columns
            const uint64_t at = uint64_t(first) * 3;
            if (at + 12 > src.GetStride()) break;
            BYTE* d = RowOf(out, Y) + uint64_t(tx) * 3;
            if (left)
                TurnFourRows24<true>(rows, n, at, d, out.GetStride());
            else
                TurnFourRows24<false>(rows, n, at, d, out.GetStride());
        }
    }
    for (; Y < yEnd; ++Y) {
        const LONG sx = left ? Y : w - 1 - Y;
        GatherColumn(rows, n, uint64_t(sx) * bytes, src.GetStride(), bytes, RowOf(out, Y) + uint64_t(tx) * bytes);
    }
}

// Eight rows of eight pixels of a 1-bit image, row 0 in the top byte and each row's first pixel
// in the top bit of its byte, turned about the diagonal: byte m of the result (from the top) is
// column m, its row 0 in the top bit. Three exchanges of ever larger blocks.
uint64_t TransposeBits8x8(uint64_t x) {
    x = (x & 0xAA55AA55AA55AA55ull) | ((x & 0x00AA00AA00AA00AAull) << 7) | ((x >> 7) & 0x00AA00AA00AA00AAull);
    x = (x & 0xCCCC3333CCCC3333ull) | ((x & 0x0000CCCC0000CCCCull) << 14) | ((x >> 14) & 0x0000CCCC0000CCCCull);
    x = (x & 0xF0F0F0F00F0F0F0Full) | ((x & 0x00000000F0F0F0F0ull) << 28) | ((x >> 28) & 0x00000000F0F0F0F0ull);
    return x;
}

// The whole 8 x 8 blocks of a tile of a 1-bit turn, from its corner (tx, ty) up to xStop and
// yStop: eight source rows' bytes of the eight source columns make one block, turned at once into
// one byte of each of eight target rows. The tile's corner is a multiple of 8, so target bytes
// are whole; the source columns of a right turn start wherever the width puts them.
void TurnBlocksOfBits(const CImage& src, CImage& out, bool left, LONG tx, LONG xStop, LONG ty, LONG yStop) {
    const LONG w = src.GetWidth(), h = src.GetHeight();
    for (LONG Y = ty; Y < yStop; Y += 8) {
        const LONG first = left ? Y : w - 8 - Y;  // the leftmost of the eight source columns
        const LONG byte = first >> 3;
        const int shift = first & 7;  // when not 0, the columns reach into the next byte of the row
        for (LONG X = tx; X < xStop; X += 8) {
            uint64_t rows = 0;
            for (int k = 0; k < 8; ++k) {
                const BYTE* s = RowOf(src, left ? h - 1 - (X + k) : X + k) + byte;
                rows = rows << 8 | (shift ? BYTE(s[0] << shift | s[1] >> (8 - shift)) : s[0]);
            }
            const uint64_t columns = TransposeBits8x8(rows);
            // Target row Y + j shows source column Y + j (left) or first + 7 - j (right).
            for (int j = 0; j < 8; ++j) {
                const int m = left ? j : 7 - j;
                RowOf(out, Y + j)[X >> 3] = BYTE(columns >> (8 * (7 - m)));
            }
        }
    }
}

// The same tile of a 1-bit image: the whole 8 x 8 blocks at once, the rest bit by bit into the
// zero-filled target rows. The source pixel of (X, Y) is (sx, row(X)): a fixed column, one row
// per X.
void TurnTileBits(const CImage& src, CImage& out, bool left, LONG tx, LONG xEnd, LONG ty, LONG yEnd) {
    const LONG w = src.GetWidth(), h = src.GetHeight();
    const LONG xStop = tx + (xEnd - tx) / 8 * 8, yStop = ty + (yEnd - ty) / 8 * 8;
    TurnBlocksOfBits(src, out, left, tx, xStop, ty, yStop);
    for (LONG Y = ty; Y < yEnd; ++Y) {
        const LONG sx = left ? Y : w - 1 - Y;
        BYTE* d = RowOf(out, Y);
        const BYTE mask = BYTE(0x80 >> (sx & 7));
        const LONG column = sx >> 3;
        for (LONG X = Y < yStop ? xStop : tx; X < xEnd; ++X) {
            if (RowOf(src, left ? h - 1 - X : X)[column] & mask) d[X >> 3] |= BYTE(0x80 >> (X & 7));
        }
    }
}

// The same tile of an image of 4 (or any other) bits a pixel, pixel by pixel.
void TurnTileIndexed(const CImage& src, CImage& out, bool left, LONG tx, LONG xEnd, LONG ty, LONG yEnd) {
    const LONG w = src.GetWidth(), h = src.GetHeight();
    for (LONG Y = ty; Y < yEnd; ++Y) {
        const LONG sx = left ? Y : w - 1 - Y;
        for (LONG X = tx; X < xEnd; ++X) out.SetPixelIndex(X, Y, src.GetPixelIndex(sx, left ? h - 1 - X : X));
    }
}

}  // namespace

// Left:  new (X, Y) = old (Y, height - 1 - X).  Right: new (X, Y) = old (width - 1 - Y, X).
bool CImage::RotateQuarter(bool left) {
    if (!BeginTransform()) return false;
    const LONG w = GetWidth(), h = GetHeight();
    CImage out;
    // Turns of 8 and 24 bits write every pixel; those of fewer bits OR theirs into zeroed rows.
    if (!out.Create(h, w, this, 0, GetBitCount() < 8)) {
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
            else if (bits == 1)
                TurnTileBits(*this, out, left, tx, xEnd, ty, yEnd);
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
