#include "base/dib_layout.h"

bool ComputeDibLayout(const BITMAPINFOHEADER* h, uint64_t blockSize, DibLayout* out) {
    if (!h || blockSize < sizeof(BITMAPINFOHEADER)) return false;
    DibLayout l{};
    l.headerSize = h->biSize;
    if (l.headerSize < 40 || l.headerSize > blockSize) return false;
    switch (h->biBitCount) {
        case 1: case 4: case 8: case 16: case 24: case 32: break;
        default: return false;
    }
    l.bitCount = h->biBitCount;
    if (h->biWidth < 1 || h->biHeight == 0 || h->biHeight == INT32_MIN) return false;
    l.width = h->biWidth;
    l.topDown = h->biHeight < 0;
    l.height = l.topDown ? -h->biHeight : h->biHeight;
    l.compression = h->biCompression;
    if (l.compression == BI_BITFIELDS) {
        if (l.bitCount != 16 && l.bitCount != 32) return false;
        // A 40-byte header is followed by the three masks; larger headers carry them inside,
        // from 52 bytes on.
        if (l.headerSize == 40) {
            l.maskBytes = 12;
        } else if (l.headerSize < 52) {
            return false;
        }
    } else if (l.compression != BI_RGB) {
        return false;
    }
    uint32_t limit = l.bitCount <= 8 ? (1u << l.bitCount) : 256u;
    if (h->biClrUsed > limit) return false;
    l.colors = h->biClrUsed ? h->biClrUsed : (l.bitCount <= 8 ? (1u << l.bitCount) : 0u);
    l.pixelOffset = uint64_t(l.headerSize) + l.maskBytes + uint64_t(l.colors) * 4;
    l.stride = DibStride(l.width, l.bitCount);
    l.imageBytes = l.stride * uint64_t(l.height);
    if (l.imageBytes > kMaxDibImageBytes) return false;
    l.totalBytes = l.pixelOffset + l.imageBytes;
    if (l.totalBytes > blockSize) return false;
    if (out) *out = l;
    return true;
}

bool ComputeDibLayout(HGLOBAL dib, DibLayout* out) {
    if (!dib) return false;
    uint64_t size = GlobalSize(dib);
    if (size < sizeof(BITMAPINFOHEADER)) return false;
    auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib));
    if (!header) return false;
    bool ok = ComputeDibLayout(header, size, out);
    GlobalUnlock(dib);
    return ok;
}
