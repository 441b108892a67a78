#include "capture/twain/memory_strip_image.h"

#include <algorithm>
#include <cstring>

MemoryStripImage::~MemoryStripImage() {
    if (m_dib) {
        if (m_base) GlobalUnlock(m_dib);
        GlobalFree(m_dib);
    }
}

int MemoryImageColorCount(TW_INT16 pixelType, TW_INT16 bits, uint32_t paletteColors) {
    switch (pixelType) {
        case TWPT_BW: return bits == 1 ? 2 : -1;
        case TWPT_GRAY: return bits == 8 ? 256 : bits == 4 ? 16 : -1;
        case TWPT_RGB: return bits == 24 ? 0 : -1;
        default:
            if (bits != 1 && bits != 4 && bits != 8) return -1;
            if (paletteColors == 0) return 1 << bits;
            return paletteColors <= (1u << bits) ? static_cast<int>(paletteColors) : -1;
    }
}

LONG MemoryStripImage::Create(const TW_IMAGEINFO& info, const RGBQUAD* colors, uint32_t colorCount,
                              LONG xPelsPerMeter, LONG yPelsPerMeter) {
    if (info.ImageWidth < 1 || info.ImageLength < 1 || colorCount > 256) return kErrBadValueRange;
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = info.ImageWidth;
    h.biHeight = info.ImageLength;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(info.BitsPerPixel);
    h.biCompression = BI_RGB;
    h.biXPelsPerMeter = xPelsPerMeter;
    h.biYPelsPerMeter = yPelsPerMeter;
    h.biClrUsed = colorCount;
    uint64_t stride = DibStride(info.ImageWidth, info.BitsPerPixel);
    uint64_t total = sizeof(BITMAPINFOHEADER) + uint64_t{colorCount} * 4 + stride * uint64_t(info.ImageLength);
    if (info.BitsPerPixel < 1 || stride * uint64_t(info.ImageLength) > kMaxDibImageBytes) return kErrBadValueRange;
    h.biSizeImage = static_cast<DWORD>(stride * uint64_t(info.ImageLength));
    if (!ComputeDibLayout(&h, total, &m_layout)) return kErrBadValueRange;
    m_dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(m_layout.totalBytes));
    if (!m_dib) return kErrNoMemory;
    m_base = static_cast<uint8_t*>(GlobalLock(m_dib));
    if (!m_base) return kErrNoMemory;
    memcpy(m_base, &h, sizeof(h));
    if (colorCount) memcpy(m_base + sizeof(h), colors, size_t{colorCount} * 4);
    m_bits = m_base + m_layout.pixelOffset;
    m_swapRedBlue = info.PixelType == TWPT_RGB;
    return 0;
}

bool MemoryStripImage::PlaceStrip(const TW_IMAGEMEMXFER& s, const uint8_t* buffer, uint64_t capacity) {
    if (!m_bits) return false;
    if (s.Compression != 0 && s.Compression != TWON_DONTCARE16) return false;  // only TWCP_NONE
    if (s.BytesWritten > capacity) return false;
    if (s.Rows == 0) return true;
    const uint64_t bits = m_layout.bitCount;
    const uint64_t rowBytes = (uint64_t{s.Columns} * bits + 7) / 8;
    const uint64_t xBits = uint64_t{s.XOffset} * bits;
    if (s.Columns == 0 || xBits % 8 != 0) return false;
    if (uint64_t{s.XOffset} + s.Columns > uint64_t(m_layout.width)) return false;
    if (uint64_t{s.YOffset} + s.Rows > uint64_t(m_layout.height)) return false;
    if (s.BytesPerRow < rowBytes) return false;
    // The last row needs only its own bytes: rows of a strip may come unpadded.
    if ((uint64_t{s.Rows} - 1) * s.BytesPerRow + rowBytes > s.BytesWritten) return false;
    for (uint64_t r = 0; r < s.Rows; ++r) {
        const uint8_t* src = buffer + r * s.BytesPerRow;
        uint64_t dibRow = uint64_t(m_layout.height) - 1 - (s.YOffset + r);
        uint8_t* dst = m_bits + dibRow * m_layout.stride + xBits / 8;
        if (m_swapRedBlue) {
            for (uint64_t c = 0; c < s.Columns; ++c) {
                dst[3 * c] = src[3 * c + 2];
                dst[3 * c + 1] = src[3 * c + 1];
                dst[3 * c + 2] = src[3 * c];
            }
        } else {
            memcpy(dst, src, static_cast<size_t>(rowBytes));
        }
    }
    return true;
}

HGLOBAL MemoryStripImage::Release() {
    if (m_base) GlobalUnlock(m_dib);
    m_base = m_bits = nullptr;
    HGLOBAL dib = m_dib;
    m_dib = nullptr;
    return dib;
}
