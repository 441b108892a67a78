// CImage: cutting out, erasing and overlaying rectangles.
#include <cstring>
#include <cmath>

#include "engine/image.h"

bool CImage::CropInto(const ImageRect& rect, CImage& target) {
    if (!BeginTransform()) return false;
    ImageRect r;
    if (!ClampRect(rect, &r)) {
        m_result = kImageBadValue;
        return false;
    }
    if (&target == this || !target.Create(r.right - r.left, r.bottom - r.top, this)) {
        m_result = &target == this ? kImageBadValue : target.GetResult();
        return false;
    }
    const int bits = GetBitCount();
    const LONG rows = r.bottom - r.top, w = r.right - r.left;
    bool ok = true;
    for (LONG y = 0; y < rows; ++y) {
        if (!(ok = ReportRowProgress(y, rows))) break;
        if (bits == 8 || bits == 24) {
            memcpy(target.PixelAddress(0, y), PixelAddress(r.left, r.top + y), size_t(w) * (bits / 8));
        } else {
            for (LONG x = 0; x < w; ++x) target.SetPixelIndex(x, y, GetPixelIndex(r.left + x, r.top + y));
        }
    }
    EndLongLoop();
    if (!ok) target.Release();
    return ok;
}

bool CImage::Crop(const ImageRect& rect) {
    if (!BeginTransform()) return false;
    ImageRect r;
    if (!ClampRect(rect, &r)) {
        m_result = kImageBadValue;
        return false;
    }
    if (r.left == 0 && r.top == 0 && r.right == GetWidth() && r.bottom == GetHeight()) return true;
    CImage out;
    return FinishTransform(out, CropInto(r, out));
}

HGLOBAL CImage::GetCroppedDIB(const ImageRect& rect) {
    CImage out;
    if (!CropInto(rect, out)) return nullptr;
    HGLOBAL dib = out.Detach();
    if (!dib) m_result = out.GetResult();
    return dib;
}

bool CImage::Erase(const ImageRect& rect, DWORD color) {
    if (!BeginTransform()) return false;
    ImageRect r;
    if (!ClampRect(rect, &r)) {
        m_result = kImageBadValue;
        return false;
    }
    CImage out;
    if (!out.Create(GetWidth(), GetHeight(), this)) {
        m_result = out.GetResult();
        return false;
    }
    memcpy(out.GetBits(), GetBits(), size_t(m_stride) * size_t(GetHeight()));
    const int bits = GetBitCount();
    const BYTE index = bits <= 8 ? out.FindOrAddColor(color, out.GetColorCount()) : 0;
    const LONG rows = r.bottom - r.top;
    bool ok = true;
    for (LONG y = 0; y < rows; ++y) {
        if (!(ok = ReportRowProgress(y, rows))) break;
        for (LONG x = r.left; x < r.right; ++x) {
            if (bits == 24) {
                BYTE* p = out.PixelAddress(x, r.top + y);
                p[0] = BYTE(color);
                p[1] = BYTE(color >> 8);
                p[2] = BYTE(color >> 16);
            } else {
                out.SetPixelIndex(x, r.top + y, index);
            }
        }
    }
    return FinishTransform(out, ok);
}

HGLOBAL CImage::OverlayRectangle(const ImageRect& rect, DWORD color, float opacity) {
    if (!IsValid()) return nullptr;
    ImageRect r;
    if (!ClampRect(rect, &r) || std::isnan(opacity)) {
        m_result = kImageBadValue;
        return nullptr;
    }
    CImage out;
    if (!out.Create(r.right - r.left, r.bottom - r.top, this, 24)) {
        m_result = out.GetResult();
        return nullptr;
    }
    const double a = opacity, keep = 1.0 - a;
    const BYTE c[3] = {BYTE(color), BYTE(color >> 8), BYTE(color >> 16)};
    const LONG rows = r.bottom - r.top;
    bool ok = true;
    for (LONG y = 0; y < rows && ok; ++y) {
        if (!(ok = ReportRowProgress(y, rows))) break;
        BYTE* d = out.PixelAddress(0, y);
        for (LONG x = r.left; x < r.right; ++x, d += 3) {
            const DWORD px = GetPixelColor(x, r.top + y);
            const BYTE p[3] = {BYTE(px), BYTE(px >> 8), BYTE(px >> 16)};
            for (int k = 0; k < 3; ++k) {
                d[k] = opacity >= 1 ? c[k] : opacity <= 0 ? p[k] : BYTE(p[k] * keep + c[k] * a);
            }
        }
    }
    EndLongLoop();
    if (!ok) return nullptr;
    HGLOBAL dib = out.Detach();
    if (!dib) m_result = out.GetResult();
    return dib;
}
