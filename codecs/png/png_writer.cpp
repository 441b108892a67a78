// The writing half of CPNG: IHDR, PLTE for palette images, pHYs, the IDAT chunks of 64 KB and
// IEND, collected in the object's chunk list.
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include <zlib.h>

#include "codecs/png/png_codec.h"
#include "codecs/png/png_filters.h"
#include "codecs/png/png_format.h"
#include "base/dib_layout.h"

using namespace png;

namespace {

// 96 dots per inch, for images that do not say their resolution.
constexpr LONG kDefaultPelsPerMeter = LONG(3779.527559055118 + 0.5);

// Smaller images scan their pixels so that the palette stops at the highest index used.
constexpr uint64_t kPaletteScanLimit = 65536;

struct RowSource {
    const uint8_t* pixels;
    uint64_t stride;
    uint32_t height;
    bool topDown;
    // Row y counted from the image's top.
    const uint8_t* Row(uint32_t y) const { return pixels + stride * (topDown ? y : height - 1 - y); }
};

int HighestIndexUsed(const RowSource& src, uint32_t width, int bits) {
    int highest = 0;
    for (uint32_t y = 0; y < src.height; ++y) {
        const uint8_t* row = src.Row(y);
        for (uint32_t x = 0; x < width; ++x) {
            int v = bits == 8 ? row[x] : (bits == 4 ? (row[x >> 1] >> (x & 1 ? 0 : 4)) & 15 : (row[x >> 3] >> (7 - (x & 7))) & 1);
            if (v > highest) highest = v;
        }
    }
    return highest;
}

// Deflates the filtered rows into IDAT chunks of kIdatBufferSize bytes.
class IdatWriter {
public:
    IdatWriter(PngChunkList& chunks, bool filtered, uint64_t inflatedSize, bool trimWindow)
        : chunks_(chunks), inflatedSize_(inflatedSize), trimWindow_(trimWindow) {
        memset(&z_, 0, sizeof z_);
        ready_ = deflateInit2(&z_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15, 8,
                              filtered ? Z_FILTERED : Z_DEFAULT_STRATEGY) == Z_OK;
        z_.next_out = buffer_;
        z_.avail_out = sizeof buffer_;
    }
    ~IdatWriter() {
        if (ready_) deflateEnd(&z_);
    }
    IdatWriter(const IdatWriter&) = delete;
    IdatWriter& operator=(const IdatWriter&) = delete;

    bool ready() const { return ready_; }

    bool Write(const uint8_t* data, size_t n) {
        z_.next_in = const_cast<Bytef*>(data);
        z_.avail_in = uInt(n);
        while (z_.avail_in > 0) {
            if (deflate(&z_, Z_NO_FLUSH) == Z_STREAM_ERROR) return false;
            if (z_.avail_out == 0 && !Flush()) return false;
        }
        return true;
    }

    bool Finish() {
        for (;;) {
            int ret = deflate(&z_, Z_FINISH);
            if (ret == Z_STREAM_ERROR) return false;
            if (z_.avail_out == 0 && !Flush()) return false;
            if (ret == Z_STREAM_END) break;
        }
        return z_.avail_out == sizeof buffer_ || Flush();
    }

private:
    bool Flush() {
        const size_t size = sizeof buffer_ - z_.avail_out;
        if (first_) {
            first_ = false;
            if (trimWindow_ && size >= 2) TrimWindow();
        }
        if (!chunks_.AppendChunk(kIDAT, buffer_, size)) return false;
        z_.next_out = buffer_;
        z_.avail_out = sizeof buffer_;
        return true;
    }

    // A small image needs less than the 32 KB window the stream was made with: the header
    // announces the smallest window that still holds all of it.
    void TrimWindow() {
        const uint8_t cmf = buffer_[0];
        if ((cmf & 0x0F) != Z_DEFLATED || (cmf >> 4) > 7) return;
        unsigned cinfo = cmf >> 4;
        uint64_t half = uint64_t(1) << (cinfo + 7);
        while (inflatedSize_ <= half && half >= 256) {
            --cinfo;
            half >>= 1;
        }
        const uint8_t newCmf = uint8_t((cinfo << 4) | Z_DEFLATED);
        if (newCmf == cmf) return;
        uint8_t flg = uint8_t(buffer_[1] & 0xE0);
        flg = uint8_t(flg + 31 - ((unsigned(newCmf) * 256 + flg) % 31));
        buffer_[0] = newCmf;
        buffer_[1] = flg;
    }

    PngChunkList& chunks_;
    z_stream z_;
    bool ready_ = false;
    bool first_ = true;
    uint64_t inflatedSize_;
    bool trimWindow_;
    uint8_t buffer_[kIdatBufferSize];
};

// A DIB of 8 or fewer bits stored as header and pixels only: it has no colour table to write.
bool IsTablelessPaletteDib(const BITMAPINFOHEADER& h, uint64_t blockSize) {
    if (h.biBitCount == 0 || h.biBitCount > 8 || h.biClrUsed != 0 || h.biWidth <= 0 || h.biSize < 40) return false;
    const int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : int64_t(h.biHeight);
    const uint64_t pixels = DibStride(h.biWidth, h.biBitCount) * uint64_t(height);
    const uint64_t table = 4ull << h.biBitCount;
    return blockSize >= uint64_t(h.biSize) + pixels && blockSize < uint64_t(h.biSize) + table + pixels;
}

}  // namespace

LONG CPNG::Encode(HGLOBAL dib) {
    m_chunks.Clear();
    if (!dib) return kBadDib;
    const uint64_t blockSize = GlobalSize(dib);
    if (blockSize < sizeof(BITMAPINFOHEADER)) return kBadDib;
    auto* base = static_cast<const uint8_t*>(GlobalLock(dib));
    if (!base) return kBadDib;

    LONG result = kOk;
    BITMAPINFOHEADER h;
    memcpy(&h, base, sizeof h);
    DibLayout layout;
    if (h.biBitCount == 16 || h.biBitCount == 32 || IsTablelessPaletteDib(h, blockSize)) {
        result = kUnsupportedDib;  // no PNG form written here
    } else if (!ComputeDibLayout(reinterpret_cast<const BITMAPINFOHEADER*>(base), blockSize, &layout)) {
        result = kBadDib;
    } else if (layout.bitCount <= 8 && layout.colors == 0) {
        result = kUnsupportedDib;
    }
    if (result != kOk) {
        GlobalUnlock(dib);
        return result;
    }

    try {
        const bool palette = layout.bitCount <= 8;
        const uint32_t width = uint32_t(layout.width), height = uint32_t(layout.height);
        const uint8_t bitDepth = uint8_t(palette ? layout.bitCount : 8);
        const uint8_t channels = palette ? 1 : 3;
        const RowSource src{base + layout.pixelOffset, layout.stride, height, layout.topDown};

        bool ok = m_chunks.AppendRaw(kSignature, sizeof kSignature);
        uint8_t ihdr[13];
        WriteU32(ihdr, width);
        WriteU32(ihdr + 4, height);
        ihdr[8] = bitDepth;
        ihdr[9] = palette ? kPalette : kRgb;
        ihdr[10] = ihdr[11] = ihdr[12] = 0;
        ok = ok && m_chunks.AppendChunk(kIHDR, ihdr, sizeof ihdr);

        if (ok && palette) {
            int count = int(layout.colors);
            if (count > 2 && uint64_t(width) * height < kPaletteScanLimit)
                count = HighestIndexUsed(src, width, layout.bitCount) + 1;
            // Pixels may point past the DIB's table: those entries are written black.
            const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(base + layout.headerSize + layout.maskBytes);
            uint8_t plte[768] = {};
            for (int i = 0; i < count && i < int(layout.colors); ++i) {
                plte[3 * i] = table[i].rgbRed;
                plte[3 * i + 1] = table[i].rgbGreen;
                plte[3 * i + 2] = table[i].rgbBlue;
            }
            ok = m_chunks.AppendChunk(kPLTE, plte, size_t(count) * 3);
        }

        uint8_t phys[9];
        WriteU32(phys, uint32_t(h.biXPelsPerMeter > 0 ? h.biXPelsPerMeter : kDefaultPelsPerMeter));
        WriteU32(phys + 4, uint32_t(h.biYPelsPerMeter > 0 ? h.biYPelsPerMeter : kDefaultPelsPerMeter));
        phys[8] = 1;  // metres
        ok = ok && m_chunks.AppendChunk(kpHYs, phys, sizeof phys);
        if (!ok) result = kNoMemory;

        if (result == kOk) {
            // Rows filtered adaptively only for 8-bit samples of RGB images.
            const bool filtered = !palette;
            const uint64_t rowBytes64 = RowBytes(width, channels * bitDepth);
            if ((rowBytes64 + 1) * 4 > SIZE_MAX) throw std::bad_alloc();
            const size_t rowBytes = size_t(rowBytes64);
            const uint64_t inflated = uint64_t(rowBytes + 1) * height;
            IdatWriter idat(m_chunks, filtered, inflated, width < 16384 && height < 16384);
            std::vector<uint8_t> buffers(filtered ? 4 * (rowBytes + 1) : rowBytes + 1);
            if (!idat.ready()) result = kRowFailed;
            const unsigned tailBits = unsigned((uint64_t(width) * bitDepth) % 8);
            for (uint32_t y = 0; y < height && result == kOk; ++y) {
                const uint8_t* row = src.Row(y);
                uint8_t* out = buffers.data();
                if (filtered) {
                    uint8_t* cur = out + (rowBytes + 1) + (y & 1) * (rowBytes + 1);
                    uint8_t* prev = out + (rowBytes + 1) + ((y + 1) & 1) * (rowBytes + 1);
                    if (y == 0) memset(prev, 0, rowBytes);
                    for (size_t i = 0; i < rowBytes; i += 3) {
                        cur[i] = row[i + 2];
                        cur[i + 1] = row[i + 1];
                        cur[i + 2] = row[i];
                    }
                    FilterRowAdaptive(cur, prev, rowBytes, 3, out, out + 3 * (rowBytes + 1));
                } else {
                    out[0] = kFilterNone;
                    memcpy(out + 1, row, rowBytes);
                    if (tailBits) out[rowBytes] = uint8_t(out[rowBytes] & (0xFF00u >> tailBits));
                }
                if (!idat.Write(out, rowBytes + 1)) result = kRowFailed;
            }
            if (result == kOk && !idat.Finish()) result = kRowFailed;
        }
        if (result == kOk && !m_chunks.AppendChunk(kIEND, nullptr, 0)) result = kRowFailed;
    } catch (const std::bad_alloc&) {
        result = kNoMemory;
    }
    GlobalUnlock(dib);
    if (result != kOk) m_chunks.Clear();
    return result;
}
