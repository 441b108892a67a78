// CImage: the pixels of a device-dependent bitmap, read through GDI.
#include "engine/image.h"

bool CImage::FromBitmap(HBITMAP bitmap, HPALETTE palette) {
    Release();
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof(info), &info)) {
        m_result = kImageInvalid;
        return false;
    }
    if (!Create(info.bmWidth, info.bmHeight, nullptr, info.bmBitsPixel * info.bmPlanes)) return false;
    HDC screen = GetDC(nullptr);
    HPALETTE previous = nullptr;
    if (palette) {
        previous = SelectPalette(screen, palette, FALSE);
        RealizePalette(screen);
    }
    auto* header = static_cast<BITMAPINFO*>(GetDIB());
    int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(GetHeight()), GetBits(), header, DIB_RGB_COLORS);
    if (previous) SelectPalette(screen, previous, FALSE);
    ReleaseDC(nullptr, screen);
    // GetDIBits writes the header of the block; the image's own copy stays as Create made it,
    // apart from the colour table GetDIBits filled in place.
    return rows != 0;
}
