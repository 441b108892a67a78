// Arbitrary bytes as what a TWAIN source reports in a memory transfer: the image information, then
// strip descriptors (any 32-bit field value), each followed by the bytes the source wrote into the
// strip buffer. Every strip that the image accepts is placed; the DIB that comes out must have a
// sound layout.
//
// Fuzz-only limit: images are at most 512 x 512 (a source may declare gigabytes, which the engine
// rightly tries to allocate); sizes beyond the engine's own limit still reach it and are refused.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/dib_layout.h"
#include "capture/twain/memory_strip_image.h"

namespace {

constexpr int32_t kFuzzMaxSide = 512;

class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_at >= m_size; }
    uint32_t Take(int bytes) {
        uint32_t v = 0;
        for (int i = 0; i < bytes && m_at < m_size; ++i) v |= uint32_t(m_data[m_at++]) << (8 * i);
        return v;
    }
    // A descriptor field: mostly 16 bits, and after the marker 0xFFFF any 32-bit value, so that sums
    // and products that wrap in 32 bits reach the copier.
    uint32_t Field() {
        const uint32_t v = Take(2);
        return v == 0xFFFF ? Take(4) : v;
    }
    const uint8_t* Rest(size_t* size) const {
        *size = m_at < m_size ? m_size - m_at : 0;
        return m_data + (m_at < m_size ? m_at : m_size);
    }
    void Skip(size_t n) { m_at = n > m_size - std::min(m_at, m_size) ? m_size : m_at + n; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

// A side: mostly small, now and then a hostile value that the engine must refuse.
int32_t Side(uint32_t raw) {
    if ((raw & 0xF0000000u) == 0xF0000000u) return static_cast<int32_t>(raw << 4);  // huge or negative
    return static_cast<int32_t>(raw % (kFuzzMaxSide + 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    Input in(data, size);
    TW_IMAGEINFO info = {};
    info.ImageWidth = Side(in.Take(4));
    info.ImageLength = Side(in.Take(4));
    info.BitsPerPixel = static_cast<TW_INT16>(in.Take(1));
    info.PixelType = static_cast<TW_INT16>(in.Take(1) % 10);
    const uint32_t paletteColors = in.Take(2) % 300;
    const int colorCount = MemoryImageColorCount(info.PixelType, info.BitsPerPixel, paletteColors);
    if (colorCount < 0) return 0;
    if (uint64_t(info.ImageWidth > 0 ? info.ImageWidth : 0) * uint64_t(info.ImageLength > 0 ? info.ImageLength : 0) >
            uint64_t(kFuzzMaxSide) * kFuzzMaxSide &&
        DibStride(info.ImageWidth, info.BitsPerPixel) * uint64_t(info.ImageLength) <= kMaxDibImageBytes)
        return 0;  // a large image the engine would build: beyond the fuzz limit
    RGBQUAD colors[256];
    for (int i = 0; i < 256; ++i) colors[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
    MemoryStripImage image;
    if (image.Create(info, colors, static_cast<uint32_t>(colorCount), 3780, 3780) != 0) return 0;

    for (int strips = 0; strips < 64 && !in.Empty(); ++strips) {
        TW_IMAGEMEMXFER strip = {};
        strip.Compression = static_cast<TW_UINT16>(in.Take(1) == 0xFF ? TWON_DONTCARE16 : 0);
        strip.BytesPerRow = in.Field();
        strip.Columns = in.Field();
        strip.Rows = in.Field();
        strip.XOffset = in.Field();
        strip.YOffset = in.Field();
        strip.BytesWritten = in.Take(3);
        if (in.Take(1) == 0xFF) strip.BytesWritten = 0xFFFFFFFFu;
        // The strip buffer: a capacity taken from the input, filled with what is left of it.
        const size_t capacity = in.Take(2);
        size_t rest = 0;
        const uint8_t* bytes = in.Rest(&rest);
        const size_t copied = std::min(capacity, rest);
        std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity ? capacity : 1]());
        memcpy(buffer.get(), bytes, copied);
        in.Skip(copied);
        if (!image.PlaceStrip(strip, buffer.get(), capacity)) break;
    }
    HGLOBAL dib = image.Release();
    DibLayout layout;
    if (!ComputeDibLayout(dib, &layout) || layout.width != info.ImageWidth || layout.height != info.ImageLength)
        abort();
    GlobalFree(dib);
    return 0;
}
