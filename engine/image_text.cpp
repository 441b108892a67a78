// CImage: text drawn into the image through GDI, with an optional box behind it.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/image.h"

namespace {

int CountLines(const char* text) {
    int lines = 1;
    for (const char* p = text; *p; ++p) {
        if (*p == '\r') {
            ++lines;
            if (p[1] == '\n') ++p;
        } else if (*p == '\n') {
            ++lines;
        }
    }
    return lines;
}

// The text drawn white on black into a box of boxW x boxH at (margin, margin), read back as mask.
bool DrawTextMask(HDC dc, const char* text, LONG boxW, LONG boxH, LONG margin, LONG textW, LONG textH,
                  CImage& mask) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = boxW;
    info.bmiHeader.biHeight = boxH;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section) return false;
    HGDIOBJ oldBitmap = SelectObject(dc, section);
    RECT all = {0, 0, boxW, boxH};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT where = {margin, margin, margin + textW, margin + textH};
    DrawTextA(dc, text, -1, &where, DT_NOPREFIX);
    GdiFlush();
    SelectObject(dc, oldBitmap);
    const bool ok = mask.FromBitmap(section, nullptr);
    DeleteObject(section);
    return ok;
}

// How far column c of a box boxW wide starts below its top (and ends above its bottom): the
// rounded corners are quarter circles of the radius.
LONG CornerInset(LONG c, LONG boxW, LONG radius) {
    if (radius <= 0 || (c >= radius && c < boxW - radius)) return 0;
    const double d = c < radius ? radius - c : c - (boxW - 1 - radius);
    return LONG(radius + 0.5 - std::sqrt(std::max(0.0, double(radius) * radius - d * d)));
}

// The box colour over pixel p: keep of the pixel and mix of the box colour, channel by channel.
DWORD BlendedBox(DWORD p, DWORD backColor, double keep, double mix) {
    DWORD color = 0;
    for (int s = 0; s < 24; s += 8) {
        color |= DWORD(BYTE(((p >> s) & 0xFF) * keep + ((backColor >> s) & 0xFF) * mix)) << s;
    }
    return color;
}

}  // namespace

bool CImage::AddText(LONG x, LONG y, const char* text, DWORD textColor, DWORD backColor, float cornerFactor,
                     float backWeight, const tagLOGFONTA* fontDescription) {
    if (!IsValid()) return false;
    if (!text) {
        m_result = kImageBadValue;
        return false;
    }
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) {
        m_result = kImageNoMemory;
        return false;
    }
    HFONT font = fontDescription ? CreateFontIndirectA(fontDescription) : nullptr;
    const bool ownFont = font != nullptr;
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (!(cornerFactor >= 0 && cornerFactor <= 0.5f)) cornerFactor = 0.1f;
    if (!(backWeight >= 0 && backWeight <= 1)) backWeight = 0;

    HGDIOBJ oldFont = SelectObject(dc, font);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, OPAQUE);
    const int lines = CountLines(text);
    RECT measure = {0, 0, 0, 0};
    DrawTextA(dc, text, -1, &measure, DT_CALCRECT | DT_NOPREFIX);
    LONG textW = measure.right - measure.left, textH = measure.bottom - measure.top;
    if (fontDescription && fontDescription->lfItalic) textW += textH / 2 / lines;
    LONG radius = 0, margin = 0;
    if (backWeight < 1) {
        const LONG lineH = textH / lines;
        radius = LONG(lineH * cornerFactor / 100);
        margin = LONG(radius * 0.29289);
        textW += lineH / 3;
    }
    const LONG boxW = textW + 2 * margin, boxH = textH + 2 * margin;
    bool ok = boxW > 0 && boxH > 0;

    // The text in white on black in a DIB section, read back as the mask.
    CImage mask;
    if (ok) ok = DrawTextMask(dc, text, boxW, boxH, margin, textW, textH, mask);
    SelectObject(dc, oldFont);
    if (ownFont) DeleteObject(font);
    DeleteDC(dc);
    if (!ok) {
        m_result = kImageNoMemory;
        return false;
    }

    // Box row k (0 at the box's top) lies on image row y + textH - boxH + 1 + k from the top.
    const LONG left = x > 0 ? x : 0, height = GetHeight();
    const double keep = backWeight, mix = 1.0 - backWeight;
    for (LONG k = 0; k < boxH; ++k) {
        const LONG rowFromTop = y + textH - boxH + 1 + k;
        if (rowFromTop < 0 || rowFromTop >= height) continue;
        const LONG row = height - 1 - rowFromTop;
        for (LONG c = 0; c < boxW; ++c) {
            const LONG col = left + c;
            if (col >= GetWidth()) break;
            const LONG inset = CornerInset(c, boxW, radius);
            if (backWeight > 0 && k >= inset && k < boxH - inset) {
                SetPixelColor(col, row, backWeight < 1 ? BlendedBox(GetPixelColor(col, row), backColor, keep, mix)
                                                       : backColor);
            }
            if (mask.GetPixelColor(c, boxH - 1 - k) & 0xFF) SetPixelColor(col, row, textColor);
        }
    }
    m_result = kImageOk;
    return true;
}
