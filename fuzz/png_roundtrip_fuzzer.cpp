// Round trip of the own PNG codec: a DIB made from the input bytes (1, 4, 8 or 24 bits, either
// row order, any table size, any resolution), written and read again, comes back with the same
// size, depth, resolution and the very same colour at every pixel.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codecs/png/png_codec.h"
#include "base/dib_layout.h"

namespace {

int Index(const uint8_t* row, int x, int bits) {
    if (bits == 8) return row[x];
    if (bits == 4) return (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

// The colour of pixel (x, y), y from the top, as 0x00RRGGBB.
uint32_t Colour(const uint8_t* base, const DibLayout& l, int x, int y) {
    const uint8_t* row = base + l.pixelOffset + l.stride * uint64_t(l.topDown ? y : l.height - 1 - y);
    if (l.bitCount == 24) return uint32_t(row[3 * x]) | uint32_t(row[3 * x + 1]) << 8 | uint32_t(row[3 * x + 2]) << 16;
    uint32_t entry;
    memcpy(&entry, base + l.headerSize + 4 * Index(row, x, l.bitCount), 4);
    return entry & 0xFFFFFF;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    static const int kDepths[] = {1, 4, 8, 24};
    const int bits = kDepths[data[0] & 3];
    const bool topDown = data[0] & 4;
    // Mostly small images; with bit 3 rows up to 2070 pixels wide (several image-data chunks,
    // the larger compression window).
    const int scale = (data[0] & 8) ? 23 : 1;
    const int width = 1 + data[1] * scale % (90 * scale), height = 1 + data[2] % 90;
    const uint32_t maxColours = bits <= 8 ? 1u << bits : 0;
    const uint32_t colours = bits <= 8 ? 1 + data[3] % maxColours : 0;
    const LONG pels = (data[4] & 1) ? 0 : LONG(data[4]) * 97;
    data += 5;
    size -= 5;

    const uint64_t stride = DibStride(width, bits);
    const uint64_t offset = 40 + 4 * uint64_t(colours);
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, SIZE_T(offset + stride * height));
    auto* p = static_cast<uint8_t*>(GlobalLock(dib));
    BITMAPINFOHEADER h{40, width, topDown ? -height : height, 1, WORD(bits), BI_RGB, 0, pels, pels, colours, 0};
    memcpy(p, &h, 40);
    size_t k = 0;
    auto next = [&] { return data[k++ % size]; };
    for (uint32_t i = 0; i < colours; ++i) {
        p[40 + 4 * i] = next();
        p[40 + 4 * i + 1] = next();
        p[40 + 4 * i + 2] = next();
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = p + offset + stride * y;
        for (int x = 0; x < width; ++x) {
            if (bits == 24) {
                row[3 * x] = next();
                row[3 * x + 1] = next();
                row[3 * x + 2] = next();
            } else {
                uint32_t v = next() % colours;  // indices inside the table
                if (bits == 8) row[x] = uint8_t(v);
                else if (bits == 4) row[x / 2] = uint8_t(row[x / 2] | (x % 2 ? v : v << 4));
                else row[x / 8] = uint8_t(row[x / 8] | (v << (7 - x % 8)));
            }
        }
    }
    GlobalUnlock(dib);

    CPNG writer;
    SIZE_T pngSize = 0;
    if (writer.WriteToMemory(dib, &pngSize) != CPNG::kOk) abort();
    HGLOBAL png = writer.GetMemoryResult();
    CPNG reader;
    if (reader.ReadFromMemory(pngSize, static_cast<const BYTE*>(GlobalLock(png)), nullptr) != CPNG::kOk) abort();
    GlobalUnlock(png);
    GlobalFree(png);
    HGLOBAL back = reader.GetDIB();
    DibLayout a, b;
    if (!ComputeDibLayout(dib, &a) || !ComputeDibLayout(back, &b)) abort();
    if (b.width != width || b.height != height || b.bitCount != bits || b.topDown) abort();
    auto* q = static_cast<const uint8_t*>(GlobalLock(back));
    BITMAPINFOHEADER hb;
    memcpy(&hb, q, 40);
    const LONG expectPels = pels > 0 ? pels : 3780;
    if (hb.biXPelsPerMeter != expectPels || hb.biYPelsPerMeter != expectPels) abort();
    p = static_cast<uint8_t*>(GlobalLock(dib));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (Colour(p, a, x, y) != Colour(q, b, x, y)) abort();
    GlobalUnlock(dib);
    GlobalUnlock(back);
    GlobalFree(dib);
    GlobalFree(back);
    return 0;
}
