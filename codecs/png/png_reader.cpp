// The reading half of CPNG: chunks up to the image data, the DIB, then the rows.
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include <zlib.h>

#include "codecs/png/png_codec.h"
#include "codecs/png/png_filters.h"
#include "codecs/png/png_format.h"
#include "codecs/png/png_interlace.h"
#include "codecs/png/png_row_convert.h"
#include "base/dib_layout.h"

using namespace png;

namespace {

struct Chunk {
    uint32_t type = 0;
    uint32_t length = 0;
    const uint8_t* data = nullptr;
    uint32_t storedCrc = 0;

    bool CrcOk() const {
        // Type and data lie together in front of the stored CRC.
        return uint32_t(crc32(0L, data - 4, uInt(length) + 4)) == storedCrc;
    }
};

// Walks the chunks of a stream held in memory.
class ChunkCursor {
public:
    enum Status { kGot, kEnd, kBroken };

    ChunkCursor(const uint8_t* bytes, uint64_t size, uint64_t pos) : bytes_(bytes), size_(size), pos_(pos) {}

    Status Next(Chunk* c) {
        if (pos_ == size_) return kEnd;
        if (size_ - pos_ < 12) return kBroken;
        const uint8_t* p = bytes_ + pos_;
        const uint32_t length = ReadU32(p);
        if (length > kMaxChunkLength || size_ - pos_ - 12 < length) return kBroken;
        c->length = length;
        c->type = ReadU32(p + 4);
        c->data = p + 8;
        c->storedCrc = ReadU32(p + 8 + length);
        pos_ += 12 + uint64_t(length);
        return kGot;
    }

    uint64_t Remaining() const { return size_ - pos_; }

private:
    const uint8_t* bytes_;
    uint64_t size_;
    uint64_t pos_;
};

// The zlib stream spread over consecutive IDAT chunks, inflated a row at a time.
class IdatStream {
public:
    IdatStream(ChunkCursor& cursor, const Chunk& first) : cursor_(cursor) {
        memset(&z_, 0, sizeof z_);
        z_.next_in = const_cast<Bytef*>(first.data);
        z_.avail_in = first.length;
        ready_ = inflateInit(&z_) == Z_OK;
    }
    ~IdatStream() {
        if (ready_) inflateEnd(&z_);
    }
    IdatStream(const IdatStream&) = delete;
    IdatStream& operator=(const IdatStream&) = delete;

    // Fills out with exactly n inflated bytes. False when the data ends early or is damaged.
    bool Read(uint8_t* out, size_t n) {
        if (!ready_) return false;
        while (n > 0) {
            const size_t piece = n < (size_t(1) << 30) ? n : (size_t(1) << 30);
            z_.next_out = out;
            z_.avail_out = uInt(piece);
            while (z_.avail_out > 0) {
                if (z_.avail_in == 0 && !NextIdat()) return false;
                int ret = inflate(&z_, Z_NO_FLUSH);
                if (ret == Z_STREAM_END) {
                    if (z_.avail_out > 0) return false;
                } else if (ret != Z_OK && ret != Z_BUF_ERROR) {
                    return false;
                } else if (ret == Z_BUF_ERROR && z_.avail_in > 0) {
                    return false;
                }
            }
            out += piece;
            n -= piece;
        }
        return true;
    }

private:
    bool NextIdat() {
        Chunk c;
        if (cursor_.Next(&c) != ChunkCursor::kGot || c.type != kIDAT || !c.CrcOk()) return false;
        z_.next_in = const_cast<Bytef*>(c.data);
        z_.avail_in = c.length;
        return true;
    }

    ChunkCursor& cursor_;
    z_stream z_;
    bool ready_ = false;
};

bool ParseHeader(const Chunk& c, PngImageInfo* info) {
    if (c.length != 13 || !c.CrcOk()) return false;
    const uint8_t* d = c.data;
    info->width = ReadU32(d);
    info->height = ReadU32(d + 4);
    info->bitDepth = d[8];
    info->colorType = d[9];
    info->compression = d[10];
    info->filter = d[11];
    info->interlace = d[12];
    if (info->width == 0 || info->height == 0 || info->width > kMaxChunkLength || info->height > kMaxChunkLength)
        return false;
    if (!DepthAllowed(info->colorType, info->bitDepth)) return false;
    if (info->compression != 0 || info->filter != 0 || info->interlace > 1) return false;
    info->channels = uint8_t(ChannelsOf(info->colorType));
    info->pixelDepth = uint8_t(info->channels * info->bitDepth);
    info->hasHeader = true;
    return true;
}

bool ParsePalette(const Chunk& c, PngImageInfo* info) {
    if (info->colorType != kRgb && info->colorType != kPalette && info->colorType != kRgbAlpha) return false;
    if (info->hasPalette || c.length == 0 || c.length % 3 != 0 || c.length > 768 || !c.CrcOk()) return false;
    info->paletteCount = int(c.length / 3);
    memcpy(info->palette, c.data, c.length);
    info->hasPalette = true;
    return true;
}

bool ParsePhys(const Chunk& c, PngImageInfo* info) {
    if (info->hasPhys || c.length != 9 || !c.CrcOk()) return false;
    info->physX = ReadU32(c.data);
    info->physY = ReadU32(c.data + 4);
    info->physUnit = c.data[8];
    info->hasPhys = true;
    return true;
}

// The colour-space chunks: kept in the information, never a reason to refuse the file.
void ParseColourSpace(const Chunk& c, PngImageInfo* info) {
    if (!c.CrcOk()) return;
    if (c.type == kgAMA) {
        if (c.length != 4) return;
        const uint32_t value = ReadU32(c.data);
        if (value == 0 || (info->hasSrgb && (value < 45000 || value > 46000))) return;
        info->gamma = value;
        info->hasGamma = true;
    } else if (c.type == ksRGB) {
        if (c.length != 1 || c.data[0] >= 4) return;
        static const uint32_t kSrgbChromaticities[8] = {31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000};
        info->srgbIntent = c.data[0];
        info->gamma = 45455;
        memcpy(info->chromaticities, kSrgbChromaticities, sizeof kSrgbChromaticities);
        info->hasSrgb = info->hasGamma = info->hasChromaticities = true;
    } else if (c.type == kcHRM) {
        if (c.length != 32) return;
        for (int i = 0; i < 8; ++i) info->chromaticities[i] = ReadU32(c.data + 4 * i);
        info->hasChromaticities = true;
    }
}

// Inflated bytes the image needs: every row (of every pass) with its filter byte.
uint64_t InflatedSize(const PngImageInfo& info) {
    if (!info.interlace) return uint64_t(info.height) * (RowBytes(info.width, info.pixelDepth) + 1);
    uint64_t total = 0;
    for (const InterlacePass& p : kInterlacePasses) {
        const uint32_t w = PassExtent(info.width, p.x0, p.dx), h = PassExtent(info.height, p.y0, p.dy);
        if (w && h) total += uint64_t(h) * (RowBytes(w, info.pixelDepth) + 1);
    }
    return total;
}

// Deflate expands by at most 1032:1; more image than that from the bytes left cannot be there.
constexpr uint64_t kMaxInflateRatio = 1100;

HGLOBAL AllocateDib(const PngImageInfo& info, const DibShape& shape, uint64_t imageBytes) {
    const uint64_t tableBytes = uint64_t(shape.colors) * sizeof(RGBQUAD);
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, SIZE_T(40 + tableBytes + imageBytes));
    if (!dib) return nullptr;
    auto* p = static_cast<uint8_t*>(GlobalLock(dib));
    if (!p) {
        GlobalFree(dib);
        return nullptr;
    }
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = LONG(info.width);
    h.biHeight = LONG(info.height);
    h.biPlanes = 1;
    h.biBitCount = WORD(shape.bitCount);
    h.biCompression = BI_RGB;
    h.biSizeImage = DWORD(imageBytes);
    // Only a size in metres is a resolution; the other unit gives just the aspect ratio.
    if (info.hasPhys && info.physUnit == 1) {
        h.biXPelsPerMeter = info.physX <= kMaxChunkLength ? LONG(info.physX) : 0;
        h.biYPelsPerMeter = info.physY <= kMaxChunkLength ? LONG(info.physY) : 0;
    }
    h.biClrUsed = DWORD(shape.colors);
    memcpy(p, &h, sizeof h);
    if (shape.colors) FillColorTable(info, shape, reinterpret_cast<RGBQUAD*>(p + 40));
    GlobalUnlock(dib);
    return dib;
}

// The chunks in front of the image data (the header first) up to the first IDAT, which c then
// holds, and what the image needs against what those bytes can give: every decision taken before
// the DIB is reserved.
LONG ReadUpToImageData(ChunkCursor& cursor, Chunk& c, PngImageInfo* info) {
    for (;;) {
        if (cursor.Next(&c) != ChunkCursor::kGot) return CPNG::kBadFile;
        if (!info->hasHeader) {
            if (c.type != kIHDR || !ParseHeader(c, info)) return CPNG::kBadFile;
            continue;
        }
        if (c.type == kIDAT) break;
        if (c.type == kPLTE) {
            if (!ParsePalette(c, info)) return CPNG::kBadFile;
        } else if (c.type == kpHYs) {
            if (!ParsePhys(c, info)) return CPNG::kBadFile;
        } else if (c.type == kgAMA || c.type == ksRGB || c.type == kcHRM) {
            ParseColourSpace(c, info);
        } else if (IsCritical(c.type)) {
            return CPNG::kBadFile;  // IHDR again, IEND without image data, or a critical chunk unknown here
        }
    }
    if (info->colorType == kPalette && !info->hasPalette) return CPNG::kBadFile;
    if (!c.CrcOk()) return CPNG::kBadFile;
    if (InflatedSize(*info) / kMaxInflateRatio > cursor.Remaining() + c.length) return CPNG::kBadFile;
    const uint64_t imageBytes = DibStride(info->width, ChooseDibShape(*info).bitCount) * info->height;
    if (imageBytes > kMaxDibImageBytes) return CPNG::kNoMemory;
    if (RowBytes(info->width, info->pixelDepth) + 1 > SIZE_MAX / 2) return CPNG::kNoMemory;
    return CPNG::kOk;
}

}  // namespace

LONG CPNG::Measure(uint64_t size, const BYTE* bytes, uint64_t* dibBytes) {
    *dibBytes = 0;
    if (!bytes || size < sizeof kSignature || memcmp(bytes, kSignature, sizeof kSignature) != 0) return kBadFile;
    ChunkCursor cursor(bytes, size, sizeof kSignature);
    Chunk c;
    PngImageInfo info;
    if (LONG rc = ReadUpToImageData(cursor, c, &info)) return rc;
    const DibShape shape = ChooseDibShape(info);
    *dibBytes = 40 + uint64_t(shape.colors) * sizeof(RGBQUAD) + DibStride(info.width, shape.bitCount) * info.height;
    return kOk;
}

LONG CPNG::Decode(const uint8_t* bytes, uint64_t size) {
    m_info = PngImageInfo();
    if (size < sizeof kSignature || memcmp(bytes, kSignature, sizeof kSignature) != 0) return kBadFile;

    ChunkCursor cursor(bytes, size, sizeof kSignature);
    Chunk c;
    if (LONG rc = ReadUpToImageData(cursor, c, &m_info)) return rc;
    const DibShape shape = ChooseDibShape(m_info);
    const uint64_t stride = DibStride(m_info.width, shape.bitCount);
    const uint64_t imageBytes = stride * m_info.height;
    const uint64_t rowBytes = RowBytes(m_info.width, m_info.pixelDepth);
    const size_t bpp = m_info.pixelDepth >= 8 ? m_info.pixelDepth / 8 : 1;

    HGLOBAL dib = AllocateDib(m_info, shape, imageBytes);
    if (!dib) return kNoMemory;
    auto* base = static_cast<uint8_t*>(GlobalLock(dib));
    uint8_t* pixels = base + 40 + size_t(shape.colors) * sizeof(RGBQUAD);
    LONG result = kOk;
    try {
        IdatStream idat(cursor, c);
        std::vector<uint8_t> rows(2 * (size_t(rowBytes) + 1));
        uint8_t* cur = rows.data();
        uint8_t* prev = cur + rowBytes + 1;
        // Grey and palette rows of 1, 4 or 8 bits are the DIB's rows byte for byte: inflated
        // straight into the DIB and unfiltered there against the row above, with no copy.
        const bool inPlace = !m_info.interlace && (m_info.colorType == kGrey || m_info.colorType == kPalette) &&
                             (m_info.bitDepth == 1 || m_info.bitDepth == 4 || m_info.bitDepth == 8) &&
                             shape.bitCount == m_info.bitDepth && rowBytes <= stride;
        if (inPlace) {
            const uint8_t* above = prev + 1;  // zeros for the first row
            for (uint32_t y = 0; y < m_info.height; ++y) {
                uint8_t* dst = pixels + stride * (m_info.height - 1 - y);
                if (!idat.Read(cur, 1) || !idat.Read(dst, size_t(rowBytes)) ||
                    !UnfilterRow(cur[0], dst, above, size_t(rowBytes), bpp)) {
                    result = kBadFile;
                    break;
                }
                above = dst;
            }
        } else if (!m_info.interlace) {
            for (uint32_t y = 0; y < m_info.height && result == kOk; ++y) {
                if (!idat.Read(cur, size_t(rowBytes) + 1) || !UnfilterRow(cur[0], cur + 1, prev + 1, size_t(rowBytes), bpp)) {
                    result = kBadFile;
                    break;
                }
                ConvertRow(m_info, cur + 1, pixels + stride * (m_info.height - 1 - y));
                std::swap(cur, prev);
            }
        } else {
            if (rowBytes * m_info.height > SIZE_MAX) throw std::bad_alloc();
            std::vector<uint8_t> image(size_t(rowBytes) * m_info.height);
            for (const InterlacePass& pass : kInterlacePasses) {
                const uint32_t pw = PassExtent(m_info.width, pass.x0, pass.dx);
                const uint32_t ph = PassExtent(m_info.height, pass.y0, pass.dy);
                if (!pw || !ph) continue;
                const size_t passBytes = size_t(RowBytes(pw, m_info.pixelDepth));
                memset(prev, 0, passBytes + 1);
                for (uint32_t r = 0; r < ph; ++r) {
                    if (!idat.Read(cur, passBytes + 1) || !UnfilterRow(cur[0], cur + 1, prev + 1, passBytes, bpp)) {
                        result = kBadFile;
                        break;
                    }
                    SpreadPassRow(cur + 1, pw, m_info.pixelDepth, pass,
                                  image.data() + (uint64_t(pass.y0) + uint64_t(r) * pass.dy) * rowBytes);
                    std::swap(cur, prev);
                }
                if (result != kOk) break;
            }
            for (uint32_t y = 0; y < m_info.height && result == kOk; ++y)
                ConvertRow(m_info, image.data() + uint64_t(y) * rowBytes, pixels + stride * (m_info.height - 1 - y));
        }
    } catch (const std::bad_alloc&) {
        result = kNoMemory;
    }
    GlobalUnlock(dib);

    // The chunks after the image data, up to IEND: a critical chunk this reader does not know,
    // or a damaged IEND, refuses the file. A stream that simply ends there is taken as it is.
    while (result == kOk) {
        ChunkCursor::Status status = cursor.Next(&c);
        if (status != ChunkCursor::kGot) break;
        if (c.type == kIEND) {
            if (!c.CrcOk()) result = kBadFile;
            break;
        }
        if (c.type != kIDAT && IsCritical(c.type)) result = kBadFile;
    }
    if (result != kOk) {
        GlobalFree(dib);
        return result;
    }
    m_dib = dib;
    return kOk;
}
