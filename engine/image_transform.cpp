// CImage: what every transform shares (the start and end of a long loop, rectangles), and the
// transforms that keep the size: Rotate180, Flip, Mirror.
#include <algorithm>
#include <cstring>

#include "engine/image.h"

bool CImage::BeginTransform() {
    if (!IsValid()) return false;
    // The engine's own depths; 16- and 32-bit images become 24-bit when they enter the buffer.
    const int bits = GetBitCount();
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
        m_result = kImageInvalid;
        return false;
    }
    return true;
}

bool CImage::FinishTransform(CImage& result, bool ok) {
    EndLongLoop();
    if (!ok) return false;
    TakeOver(result);
    EndLongLoop();
    m_result = kImageOk;
    return true;
}

bool CImage::ClampRect(const ImageRect& rect, ImageRect* out) const {
    int64_t l = rect.left, r = rect.right, t = rect.top, b = rect.bottom;
    int64_t w = m_header.biWidth, h = m_header.biHeight;
    if (r == -1) l = 0, r = w;
    if (b == -1) t = 0, b = h;
    l = std::clamp<int64_t>(l, 0, w);
    r = std::clamp<int64_t>(r, 0, w);
    t = std::clamp<int64_t>(t, 0, h);
    b = std::clamp<int64_t>(b, 0, h);
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    *out = ImageRect{LONG(l), LONG(t), LONG(r), LONG(b)};
    return l != r && t != b;
}

// Each row reversed; upside down, the rows also change places (the half turn).
bool CImage::ReverseRows(bool upsideDown) {
    if (!BeginTransform()) return false;
    CImage out;
    if (!out.Create(GetWidth(), GetHeight(), this)) {
        m_result = out.GetResult();
        return false;
    }
    const LONG w = GetWidth(), h = GetHeight();
    const int bits = GetBitCount();
    bool ok = true;
    for (LONG y = 0; y < h && ok; ++y) {
        if (!(ok = ReportRowProgress(y, h))) break;
        const LONG target = upsideDown ? h - 1 - y : y;
        const BYTE* s = PixelAddress(0, y);
        BYTE* d = out.PixelAddress(0, target);
        if (bits == 24) {
            for (LONG x = 0; x < w; ++x) memcpy(d + 3 * uint64_t(w - 1 - x), s + 3 * uint64_t(x), 3);
        } else if (bits == 8) {
            for (LONG x = 0; x < w; ++x) d[w - 1 - x] = s[x];
        } else {
            for (LONG x = 0; x < w; ++x) out.SetPixelIndex(w - 1 - x, target, GetPixelIndex(x, y));
        }
    }
    return FinishTransform(out, ok);
}

bool CImage::Rotate180() { return ReverseRows(true); }

bool CImage::Mirror() { return ReverseRows(false); }

bool CImage::Flip() {
    if (!BeginTransform()) return false;
    CImage out;
    if (!out.Create(GetWidth(), GetHeight(), this)) {
        m_result = out.GetResult();
        return false;
    }
    const LONG h = GetHeight();
    bool ok = true;
    for (LONG y = 0; y < h && ok; ++y) {
        if (!(ok = ReportRowProgress(y, h))) break;
        memcpy(out.PixelAddress(0, h - 1 - y), PixelAddress(0, y), m_stride);
    }
    return FinishTransform(out, ok);
}
