#include "engine/dib_convert.h"

#include <cstring>

#include "engine/dib_layout.h"

namespace {

// Shift and width of a colour mask, so any bit-field layout expands to 8 bits per channel.
struct MaskChannel {
    uint32_t mask;
    int shift;
    int bits;
    BYTE Expand(uint32_t pixel) const {
        if (!mask) return 0;
        uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<BYTE>(v >> (bits - 8));
        // Replicate the high bits into the low ones: 5 bits 0x1F gives 0xFF.
        uint32_t out = 0;
        for (int filled = 0; filled < 8; filled += bits) out = (out << bits) | v;
        return static_cast<BYTE>(out >> (((8 + bits - 1) / bits) * bits - 8));
    }
};

MaskChannel ChannelOf(uint32_t mask) {
    MaskChannel c{mask, 0, 0};
    if (!mask) return c;
    while (!((mask >> c.shift) & 1)) ++c.shift;
    while (c.shift + c.bits < 32 && ((mask >> (c.shift + c.bits)) & 1)) ++c.bits;
    return c;
}

}  // namespace

HGLOBAL ConvertDIBTo24Bit(HGLOBAL dib) {
    DibLayout l;
    if (!ComputeDibLayout(dib, &l)) return nullptr;
    if (l.bitCount < 32) return dib;

    uint64_t stride24 = DibStride(l.width, 24);
    uint64_t bytes = 40 + stride24 * uint64_t(l.height);
    HGLOBAL out = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(bytes));
    if (!out) return nullptr;
    auto* src = static_cast<const BYTE*>(GlobalLock(dib));
    auto* dst = static_cast<BYTE*>(GlobalLock(out));
    if (!src || !dst) {
        if (src) GlobalUnlock(dib);
        if (dst) GlobalUnlock(out);
        GlobalFree(out);
        return nullptr;
    }
    BITMAPINFOHEADER header;
    memcpy(&header, src, sizeof(header));
    uint32_t masks[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
    if (l.compression == BI_BITFIELDS) memcpy(masks, src + 40, sizeof(masks));  // after a 40-byte header, or inside a larger one
    MaskChannel red = ChannelOf(masks[0]), green = ChannelOf(masks[1]), blue = ChannelOf(masks[2]);
    bool plain = l.compression == BI_RGB ||
                 (masks[0] == 0x00FF0000u && masks[1] == 0x0000FF00u && masks[2] == 0x000000FFu);

    header.biSize = 40;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biClrUsed = 0;
    header.biClrImportant = 0;
    header.biSizeImage = static_cast<DWORD>(stride24 * uint64_t(l.height));
    memcpy(dst, &header, sizeof(header));

    for (int y = 0; y < l.height; ++y) {
        const BYTE* s = src + l.pixelOffset + l.stride * uint64_t(y);
        BYTE* d = dst + 40 + stride24 * uint64_t(y);
        for (int x = 0; x < l.width; ++x, s += 4, d += 3) {
            if (plain) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            } else {
                uint32_t p = uint32_t(s[0]) | uint32_t(s[1]) << 8 | uint32_t(s[2]) << 16 | uint32_t(s[3]) << 24;
                d[0] = blue.Expand(p);
                d[1] = green.Expand(p);
                d[2] = red.Expand(p);
            }
        }
    }
    GlobalUnlock(dib);
    GlobalUnlock(out);
    return out;
}
