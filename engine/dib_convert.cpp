#include "engine/dib_convert.h"

#include <algorithm>
#include <cstring>

BitfieldChannel BitfieldChannel::FromMask(uint32_t mask) {
    BitfieldChannel c;
    c.mask = mask;
    if (!mask) return c;
    while (!((mask >> c.shift) & 1)) ++c.shift;
    while (c.shift + c.bits < 32 && ((mask >> (c.shift + c.bits)) & 1)) ++c.bits;
    // Only the lowest run of set bits counts; stray bits above it are ignored.
    c.mask = c.bits == 32 ? 0xFFFFFFFFu : ((1u << c.bits) - 1) << c.shift;
    return c;
}

BitfieldFormat BitfieldFormat::FromMasks(uint32_t red, uint32_t green, uint32_t blue, int bits) {
    BitfieldFormat f;
    if (!red && !green && !blue) {
        if (bits == 32) {
            f.plainBytes = true;
            return f;
        }
        red = 0x7C00;
        green = 0x03E0;
        blue = 0x001F;
    }
    f.red = BitfieldChannel::FromMask(red);
    f.green = BitfieldChannel::FromMask(green);
    f.blue = BitfieldChannel::FromMask(blue);
    return f;
}

BitfieldFormat BitfieldFormat::OfBlock(const BYTE* block, const DibLayout& l) {
    uint32_t masks[3] = {0, 0, 0};
    // After a 40-byte header the masks follow it; a larger header carries them at offset 40.
    if (l.compression == BI_BITFIELDS) memcpy(masks, block + 40, sizeof(masks));
    return FromMasks(masks[0], masks[1], masks[2], l.bitCount);
}

void ExpandRowTo24(const BYTE* s, int64_t width, int bits, const BitfieldFormat& f, BYTE* d) {
    if (bits == 32 && f.plainBytes) {
        for (int64_t x = 0; x < width; ++x, s += 4, d += 3) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
        return;
    }
    int step = bits / 8;
    for (int64_t x = 0; x < width; ++x, s += step, d += 3) {
        uint32_t p = uint32_t(s[0]) | uint32_t(s[1]) << 8;
        if (step == 4) p |= uint32_t(s[2]) << 16 | uint32_t(s[3]) << 24;
        d[0] = f.blue.Expand(p);
        d[1] = f.green.Expand(p);
        d[2] = f.red.Expand(p);
    }
}

bool IsEngineFormDib(const DibLayout& l) {
    bool depth = l.bitCount == 1 || l.bitCount == 4 || l.bitCount == 8 || (l.bitCount == 24 && l.colors == 0);
    return depth && l.headerSize == 40 && l.compression == BI_RGB && !l.topDown;
}

HGLOBAL RepackDib(const BYTE* src, const DibLayout& l, uint32_t tableEntries) {
    int bits = l.bitCount <= 8 ? l.bitCount : 24;
    if (bits > 8) tableEntries = 0;
    uint64_t stride = DibStride(l.width, bits);
    uint64_t tableBytes = uint64_t(tableEntries) * 4;
    uint64_t total = 40 + tableBytes + stride * uint64_t(l.height);
    HGLOBAL out = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(total));
    if (!out) return nullptr;
    auto* dst = static_cast<BYTE*>(GlobalLock(out));
    if (!dst) {
        GlobalFree(out);
        return nullptr;
    }

    BITMAPINFOHEADER h;
    memcpy(&h, src, sizeof(h));
    h.biSize = 40;
    h.biHeight = l.height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(stride * uint64_t(l.height));
    h.biClrUsed = tableEntries;
    h.biClrImportant = std::min<DWORD>(h.biClrImportant, tableEntries);
    memcpy(dst, &h, sizeof(h));

    const BYTE* srcTable = src + l.headerSize + l.maskBytes;
    auto* table = reinterpret_cast<RGBQUAD*>(dst + 40);
    for (uint32_t i = 0; i < std::min(tableEntries, l.colors); ++i) {
        memcpy(&table[i], srcTable + 4 * uint64_t(i), 4);
        table[i].rgbReserved = 0;
    }

    BitfieldFormat format = BitfieldFormat::OfBlock(src, l);
    BYTE* rows = dst + 40 + tableBytes;
    for (int64_t y = 0; y < l.height; ++y) {
        int64_t from = l.topDown ? l.height - 1 - y : y;
        const BYTE* s = src + l.pixelOffset + l.stride * uint64_t(from);
        BYTE* d = rows + stride * uint64_t(y);
        if (l.bitCount == bits) {
            memcpy(d, s, static_cast<size_t>(stride));
        } else {
            ExpandRowTo24(s, l.width, l.bitCount, format, d);
        }
    }
    GlobalUnlock(out);
    return out;
}

HGLOBAL ConvertDIBTo24Bit(HGLOBAL dib) {
    DibLayout l;
    if (!ComputeDibLayout(dib, &l)) return nullptr;
    if (IsEngineFormDib(l)) return dib;
    auto* src = static_cast<const BYTE*>(GlobalLock(dib));
    if (!src) return nullptr;
    HGLOBAL out = RepackDib(src, l, l.colors);
    GlobalUnlock(dib);
    return out;
}
