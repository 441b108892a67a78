#include "png_test_support.h"

#include <cstring>

#include <zlib.h>

#include "base/dib_layout.h"

namespace pngtest {

Bytes U32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

Bytes Zlib(const Bytes& raw, int level) {
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, raw.data(), uLong(raw.size()), level) != Z_OK) return {};
    out.resize(size);
    return out;
}

Builder& Builder::Header(uint32_t width, uint32_t height, int depth, int colorType, int interlace, int compression,
                         int filter) {
    Bytes d = U32(width);
    Bytes h = U32(height);
    d.insert(d.end(), h.begin(), h.end());
    d.push_back(uint8_t(depth));
    d.push_back(uint8_t(colorType));
    d.push_back(uint8_t(compression));
    d.push_back(uint8_t(filter));
    d.push_back(uint8_t(interlace));
    return Add("IHDR", d);
}

Builder& Builder::Add(const std::string& type, const Bytes& data, bool badCrc) {
    Bytes len = U32(uint32_t(data.size()));
    bytes_.insert(bytes_.end(), len.begin(), len.end());
    size_t start = bytes_.size();
    bytes_.insert(bytes_.end(), type.begin(), type.end());
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    uint32_t crc = uint32_t(crc32(0, bytes_.data() + start, uInt(bytes_.size() - start)));
    if (badCrc) crc ^= 1;
    Bytes c = U32(crc);
    bytes_.insert(bytes_.end(), c.begin(), c.end());
    return *this;
}

Builder& Builder::Image(const Bytes& rawRows) { return Add("IDAT", Zlib(rawRows)); }

std::vector<Chunk> SplitChunks(const Bytes& png) {
    std::vector<Chunk> chunks;
    static const uint8_t sig[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
    if (png.size() < 8 || memcmp(png.data(), sig, 8) != 0) return chunks;
    size_t pos = 8;
    while (pos + 12 <= png.size()) {
        const uint8_t* p = png.data() + pos;
        uint32_t len = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
        if (pos + 12 + len > png.size()) break;
        Chunk c;
        c.type.assign(reinterpret_cast<const char*>(p + 4), 4);
        c.data.assign(p + 8, p + 8 + len);
        const uint8_t* s = p + 8 + len;
        uint32_t stored = (uint32_t(s[0]) << 24) | (uint32_t(s[1]) << 16) | (uint32_t(s[2]) << 8) | s[3];
        c.crcOk = uint32_t(crc32(0, p + 4, uInt(len + 4))) == stored;
        chunks.push_back(std::move(c));
        pos += 12 + len;
    }
    return chunks;
}

std::vector<std::string> ChunkTypes(const Bytes& png) {
    std::vector<std::string> types;
    for (const Chunk& c : SplitChunks(png)) types.push_back(c.type);
    return types;
}

Bytes BlockBytes(HGLOBAL block, size_t size) {
    auto* p = static_cast<const uint8_t*>(GlobalLock(block));
    Bytes b(p, p + size);
    GlobalUnlock(block);
    return b;
}

namespace {

int PixelIndex(const uint8_t* row, int x, int bits) {
    if (bits == 8) return row[x];
    if (bits == 4) return (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

}  // namespace

Picture Render(HGLOBAL dib) {
    Picture pic;
    DibLayout l;
    if (!ComputeDibLayout(dib, &l)) return pic;
    auto* p = static_cast<const uint8_t*>(GlobalLock(dib));
    const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(p + l.headerSize);
    pic.width = l.width;
    pic.height = l.height;
    for (int y = 0; y < l.height; ++y) {
        const uint8_t* row = p + l.pixelOffset + l.stride * uint64_t(l.topDown ? y : l.height - 1 - y);
        for (int x = 0; x < l.width; ++x) {
            if (l.bitCount == 24) {
                pic.bgr.insert(pic.bgr.end(), row + 3 * x, row + 3 * x + 3);
            } else {
                int i = PixelIndex(row, x, l.bitCount);
                RGBQUAD q = i < int(l.colors) ? table[i] : RGBQUAD{0, 0, 0, 0};
                pic.bgr.insert(pic.bgr.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed});
            }
        }
    }
    GlobalUnlock(dib);
    return pic;
}

Bytes Indices(HGLOBAL dib) {
    Bytes out;
    DibLayout l;
    if (!ComputeDibLayout(dib, &l) || l.bitCount > 8) return out;
    auto* p = static_cast<const uint8_t*>(GlobalLock(dib));
    for (int y = 0; y < l.height; ++y) {
        const uint8_t* row = p + l.pixelOffset + l.stride * uint64_t(l.topDown ? y : l.height - 1 - y);
        for (int x = 0; x < l.width; ++x) out.push_back(uint8_t(PixelIndex(row, x, l.bitCount)));
    }
    GlobalUnlock(dib);
    return out;
}

HGLOBAL MakeDib(int width, int height, int bits, uint32_t seed, bool topDown, int colours, LONG pelsPerMeter) {
    const uint32_t maxColours = bits <= 8 ? (1u << bits) : 0;
    const uint32_t n = bits <= 8 ? (colours ? uint32_t(colours) : maxColours) : 0;
    const uint64_t stride = DibStride(width, bits);
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, SIZE_T(40 + 4 * n + stride * height));
    auto* p = static_cast<uint8_t*>(GlobalLock(dib));
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = topDown ? -height : height;
    h.biPlanes = 1;
    h.biBitCount = WORD(bits);
    h.biXPelsPerMeter = h.biYPelsPerMeter = pelsPerMeter;
    h.biClrUsed = colours ? DWORD(colours) : 0;
    memcpy(p, &h, 40);
    auto* table = reinterpret_cast<RGBQUAD*>(p + 40);
    for (uint32_t i = 0; i < n; ++i)
        table[i] = RGBQUAD{uint8_t(i * 37 + 5), uint8_t(255 - i), uint8_t(i * 11), 0};
    uint32_t x = seed * 2654435761u + 7;
    uint8_t* pixels = p + 40 + 4 * n;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = pixels + stride * y;
        for (int i = 0; i < width; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            if (bits == 24) {
                // Smooth colour with some noise, so that every filter gets chosen now and then.
                row[3 * i] = uint8_t(i * 3 + y + (x & 7));
                row[3 * i + 1] = uint8_t((i ^ y) + (x >> 8 & 3));
                row[3 * i + 2] = uint8_t(x >> 16);
            } else {
                uint32_t v = (x >> 8) % n;
                if (bits == 8) row[i] = uint8_t(v);
                else if (bits == 4) row[i / 2] = uint8_t(row[i / 2] | (i % 2 ? v : v << 4));
                else row[i / 8] = uint8_t(row[i / 8] | (v << (7 - i % 8)));
            }
        }
    }
    GlobalUnlock(dib);
    return dib;
}

}  // namespace pngtest
