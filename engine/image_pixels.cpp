// CImage: pixels, colour table, nearest colour, lookup tables and coordinate wrapping.
#include <algorithm>
#include <cstring>

#include "engine/image.h"

namespace {

DWORD ColorOf(const RGBQUAD& q) { return DWORD(q.rgbBlue) | DWORD(q.rgbGreen) << 8 | DWORD(q.rgbRed) << 16; }

RGBQUAD QuadOf(DWORD color) {
    return RGBQUAD{BYTE(color), BYTE(color >> 8), BYTE(color >> 16), 0};
}

}  // namespace

BYTE CImage::GetPixelIndex(LONG x, LONG y) const {
    if (!m_bits) return 0;
    if (!Inside(x, y)) return m_bits[0];
    const BYTE* p = PixelAddress(x, y);
    switch (m_header.biBitCount) {
        case 1: return (*p >> (7 - (x & 7))) & 1;
        case 4: return (x & 1) ? (*p & 0x0F) : (*p >> 4);
        case 8: return *p;
        default: return 0;
    }
}

void CImage::SetPixelIndex(LONG x, LONG y, BYTE index) {
    if (!Inside(x, y)) return;
    BYTE* p = PixelAddress(x, y);
    switch (m_header.biBitCount) {
        case 1: {
            BYTE bit = static_cast<BYTE>(0x80 >> (x & 7));
            *p = (index & 1) ? (*p | bit) : (*p & ~bit);
            break;
        }
        case 4:
            *p = (x & 1) ? static_cast<BYTE>((*p & 0xF0) | (index & 0x0F))
                         : static_cast<BYTE>((*p & 0x0F) | (index << 4));
            break;
        case 8: *p = index; break;
        default: break;
    }
}

DWORD CImage::GetPixelColor(LONG x, LONG y) const {
    if (!m_bits) return 0;
    if (!Inside(x, y)) x = y = 0;
    const BYTE* p = PixelAddress(x, y);
    switch (m_header.biBitCount) {
        case 24:
        case 32: return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16;
        case 16: {
            // 5-5-5, each channel moved to the top of its byte.
            DWORD v = DWORD(p[0]) | DWORD(p[1]) << 8;
            return ((v & 0x1F) << 3) | (((v >> 5) & 0x1F) << 11) | (((v >> 10) & 0x1F) << 19);
        }
        default: return GetPaletteEntry(GetPixelIndex(x, y));
    }
}

void CImage::SetPixelColor(LONG x, LONG y, DWORD color) {
    if (!Inside(x, y) || !GetDIB()) return;
    BYTE* p = PixelAddress(x, y);
    switch (m_header.biBitCount) {
        case 24:
        case 32:
            p[0] = BYTE(color);
            p[1] = BYTE(color >> 8);
            p[2] = BYTE(color >> 16);
            break;
        case 16: {
            DWORD v = ((color >> 3) & 0x1F) | (((color >> 11) & 0x1F) << 5) | (((color >> 19) & 0x1F) << 10);
            p[0] = BYTE(v);
            p[1] = BYTE(v >> 8);
            break;
        }
        default: SetPixelIndex(x, y, FindNearestColor(color)); break;
    }
}

DWORD CImage::GetPaletteEntry(DWORD index) const {
    RGBQUAD* table = GetPalette();
    return table && index < GetColorCount() ? ColorOf(table[index]) : 0;
}

void CImage::SetPaletteEntry(DWORD index, DWORD color) {
    RGBQUAD* table = GetPalette();
    if (!table || index >= GetColorCount()) return;
    table[index] = QuadOf(color);
    ForgetNearestColor();
}

void CImage::SetGrayPalette() {
    RGBQUAD* table = GetPalette();
    DWORD entries = GetColorCount();
    if (!table) return;
    DWORD step = entries > 1 ? 255 / (entries - 1) : 0;
    for (DWORD i = 0; i < entries; ++i) {
        BYTE v = static_cast<BYTE>(i * step);
        table[i] = RGBQUAD{v, v, v, 0};
    }
    ForgetNearestColor();
}

bool CImage::IsGrayPalette() const {
    const RGBQUAD* table = GetPalette();
    DWORD entries = GetColorCount();
    if (!table) return false;
    for (DWORD i = 0; i < entries; ++i) {
        if (table[i].rgbBlue != i || table[i].rgbGreen != i || table[i].rgbRed != i) return false;
    }
    return true;
}

BYTE CImage::FindOrAddColor(DWORD color, DWORD n) {
    RGBQUAD* table = GetPalette();
    DWORD entries = GetColorCount();
    if (!table) return 0;
    color &= 0x00FFFFFF;
    for (DWORD i = 0; i < std::min(n, entries); ++i) {
        if (ColorOf(table[i]) == color) return static_cast<BYTE>(i);
    }
    if (n < entries) {
        table[n] = QuadOf(color);
        ForgetNearestColor();
        return static_cast<BYTE>(n);
    }
    return FindNearestColor(color);
}

BYTE CImage::FindNearestColor(DWORD color) {
    const RGBQUAD* table = GetPalette();
    if (!table) return 0;
    color &= 0x00FFFFFF;
    if (m_nearestValid && m_nearestColor == color) return static_cast<BYTE>(m_nearestIndex);
    DWORD entries = GetColorCount();
    DWORD scan = m_header.biClrImportant ? std::min<DWORD>(m_header.biClrImportant, entries) : entries;
    int b = BYTE(color), g = BYTE(color >> 8), r = BYTE(color >> 16);
    LONG best = 0;
    LONG bestDistance = 200000;
    for (DWORD i = 0; i < scan; ++i) {
        int db = table[i].rgbBlue - b, dg = table[i].rgbGreen - g, dr = table[i].rgbRed - r;
        LONG distance = db * db + dg * dg + dr * dr;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<LONG>(i);
            if (distance == 0) break;
        }
    }
    m_nearestColor = color;
    m_nearestIndex = best;
    m_nearestValid = 1;
    return static_cast<BYTE>(best);
}

void CImage::ApplyLookupTable(const BYTE lut[256]) {
    if (!lut || !GetDIB()) return;
    if (RGBQUAD* table = GetPalette()) {
        for (DWORD i = 0; i < GetColorCount(); ++i) {
            table[i].rgbBlue = lut[table[i].rgbBlue];
            table[i].rgbGreen = lut[table[i].rgbGreen];
            table[i].rgbRed = lut[table[i].rgbRed];
        }
        ForgetNearestColor();
        return;
    }
    uint64_t bytes = uint64_t(m_stride) * uint64_t(m_header.biHeight);
    for (uint64_t i = 0; i < bytes; ++i) m_bits[i] = lut[m_bits[i]];
}

namespace {

LONG Wrap(int64_t v, int64_t size, int mode) {
    if (size <= 0) return 0;
    switch (mode) {
        case kWrapRepeat:
            v %= size;
            if (v < 0) v += size;
            return static_cast<LONG>(v);
        case kWrapClamp: return static_cast<LONG>(std::clamp<int64_t>(v, 0, size - 1));
        case kWrapMirror:
            if (v < 0) return static_cast<LONG>((-v) % size);
            if (v >= size) return static_cast<LONG>(size - (v % size) - 1);
            return static_cast<LONG>(v);
        default: return static_cast<LONG>(v);
    }
}

}  // namespace

void CImage::WrapCoordinates(LONG& x, LONG& y, int mode) const {
    if (!GetDIB()) return;
    x = Wrap(x, m_header.biWidth, mode);
    y = Wrap(y, m_header.biHeight, mode);
}
