// Writing: a packed DIB becomes one little-endian page of one strip, as a new file, appended to
// a file or to the memory result.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <unordered_set>

#include "codecs/tiff/tiff.h"
#include "codecs/tiff/tiff_compression.h"
#include "codecs/tiff/tiff_byte_source.h"
#include "codecs/tiff/tiff_format.h"
#include "base/dib_layout.h"

using namespace tiff_format;

namespace {

constexpr uint32_t kMaxPagesInChain = 65536;

// The bytes of one page being laid out: the IFD entries in tag order, then the data they point to.
class IfdBuilder {
public:
    void Add(WORD tag, WORD type, uint32_t count, uint32_t value) {
        TiffEntry e;
        e.tag = tag;
        e.type = type;
        e.count = count;
        if (type == kTypeShort && count == 1)
            Put16(e.value, WORD(value));  // the other two bytes stay zero
        else
            Put32(e.value, value);
        m_entries.push_back(e);
    }
    size_t Count() const { return m_entries.size(); }
    void AppendTo(std::vector<BYTE>& out) const {
        BYTE b[12];
        Put16(b, WORD(m_entries.size()));
        out.insert(out.end(), b, b + 2);
        for (const TiffEntry& e : m_entries) {
            Put16(b, e.tag);
            Put16(b + 2, e.type);
            Put32(b + 4, e.count);
            memcpy(b + 8, e.value, 4);
            out.insert(out.end(), b, b + 12);
        }
        Put32(b, 0);
        out.insert(out.end(), b, b + 4);
    }

private:
    std::vector<TiffEntry> m_entries;
};

void Append16(std::vector<BYTE>& out, WORD v) {
    BYTE b[2];
    Put16(b, v);
    out.insert(out.end(), b, b + 2);
}

void Append32(std::vector<BYTE>& out, uint32_t v) {
    BYTE b[4];
    Put32(b, v);
    out.insert(out.end(), b, b + 4);
}

int Luminance(const RGBQUAD& c) { return (306 * c.rgbRed + 601 * c.rgbGreen + 117 * c.rgbBlue) >> 10; }

bool Accepts(WORD bits, WORD compression) {
    const TiffCompressionScheme* scheme = TiffCompressionFor(compression);
    return scheme && (!scheme->bilevelOnly || bits == 1);
}

// What a page's DIB header says, checked against its block: where its rows lie and their size.
struct DibPixels {
    BITMAPINFOHEADER header;
    uint64_t stride = 0;
    uint64_t pixelBytes = 0;  // the DIB's pixel bytes as written (biSizeImage when raw)
};

// Checks a locked DIB block and fills page from it: size, depth, resolution, colour table and
// pixels. An automatic compression becomes the one for the depth.
LONG DescribeDib(const BYTE* block, SIZE_T blockSize, bool raw, bool smallResolution, WORD& compression,
                 TiffPageRecord& page, DibPixels& dib) {
    BITMAPINFOHEADER& h = dib.header;
    memcpy(&h, block, 40);
    const WORD bits = h.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return CTiff::kUnsupported;
    if (h.biSize < 40 || h.biSize > blockSize || h.biWidth <= 0 || h.biHeight == 0 ||
        h.biHeight == LONG(0x80000000))
        return CTiff::kBadDib;
    if (compression == CTiff::kAuto) compression = bits == 1 ? CTiff::kGroup4 : CTiff::kLzw;
    if (!raw && !Accepts(bits, compression)) return CTiff::kUnsupported;
    if (raw && !Accepts(1, compression)) return CTiff::kUnsupported;

    page.width = DWORD(h.biWidth);
    page.height = DWORD(h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight);
    page.bitsPerPixel = bits;
    page.dpiX = TiffDpiFromPixelsPerMetre(h.biXPelsPerMeter, smallResolution);
    page.dpiY = TiffDpiFromPixelsPerMetre(h.biYPelsPerMeter, smallResolution);
    page.compression = compression;

    // The colour table: biClrUsed entries, 2^bpp when 0; none when the block holds only the header
    // and the pixels.
    uint64_t colors = h.biClrUsed ? h.biClrUsed : (bits <= 8 ? (1u << bits) : 0);
    if (uint64_t(h.biSize) + h.biSizeImage == blockSize) colors = 0;
    const uint64_t pixelOffset = uint64_t(h.biSize) + colors * 4;
    if (pixelOffset > blockSize) return CTiff::kBadDib;
    dib.stride = DibStride(page.width, bits);
    dib.pixelBytes = raw ? h.biSizeImage : dib.stride * page.height;
    if (dib.pixelBytes > blockSize - pixelOffset || dib.pixelBytes > 0xFFFFFFFFull) return CTiff::kBadDib;
    page.colors = DWORD(std::min<uint64_t>(colors, 0xFFFFFFFF));
    page.imageSize = DWORD(dib.pixelBytes);
    page.stride = DWORD(std::min<uint64_t>(dib.stride, 0xFFFFFFFF));
    page.bits = block + pixelOffset;
    if (bits <= 8) {
        const uint64_t copy = std::min<uint64_t>(colors, 1u << bits);
        memcpy(page.palette, block + h.biSize, size_t(copy) * 4);
    }
    return CTiff::kOk;
}

// A grey ramp as BlackIsZero readers show it: entry i = i * 255 / (2^bits - 1).
bool IsGreyRamp(const TiffPageRecord& page) {
    const uint32_t top = (1u << page.bitsPerPixel) - 1;
    for (uint32_t i = 0; i <= top; ++i) {
        const uint32_t v = i * 255 / top;
        if (page.palette[i].rgbRed != v || page.palette[i].rgbGreen != v || page.palette[i].rgbBlue != v) return false;
    }
    return true;
}

// The page's photometric interpretation; true when its 1-bit pixels are written complemented
// (the two palette entries are swapped to match).
bool ChoosePhotometric(TiffPageRecord& page, bool blackIsZero) {
    bool invert = false;
    if (page.bitsPerPixel == 1) {
        const int l0 = Luminance(page.palette[0]), l1 = Luminance(page.palette[1]);
        if (blackIsZero) {
            page.photometric = kPhotometricBlackIsZero;
            invert = l0 >= l1;
        } else {
            page.photometric = kPhotometricWhiteIsZero;
            invert = l0 < l1;
        }
        if (invert) std::swap(page.palette[0], page.palette[1]);
    } else if (page.bitsPerPixel == 24) {
        page.photometric = kPhotometricRgb;
    } else {
        // Any table other than the grey ramp is written as a ColorMap.
        page.photometric = IsGreyRamp(page) ? kPhotometricBlackIsZero : kPhotometricPalette;
    }
    page.rgb = page.bitsPerPixel == 24;
    return invert;
}

// Where each part of a page lies in the file: the IFD, then BitsPerSample (RGB), XResolution,
// YResolution, ColorMap, the strip.
struct PageLayout {
    uint64_t ifdOffset = 0;
    uint32_t entryCount = 0;
    uint64_t bitsAt = 0;
    uint64_t xAt = 0;
    uint64_t yAt = 0;
    uint64_t mapAt = 0;
    uint64_t stripAt = 0;
};

PageLayout LayOutPage(const TiffPageRecord& page, uint64_t fileSize, uint32_t leadPad) {
    const bool newFile = fileSize == 0;
    const bool palette = page.photometric == kPhotometricPalette;
    PageLayout at;
    at.ifdOffset = newFile ? 8 : fileSize + leadPad;
    at.entryCount = palette ? 15 : 14;
    at.bitsAt = at.ifdOffset + 2 + 12ull * at.entryCount + 4;
    at.xAt = at.bitsAt + (page.rgb ? 6 : 0);
    at.yAt = at.xAt + 8;
    at.mapAt = at.yAt + 8;
    const uint64_t mapBytes = palette ? 6ull << page.bitsPerPixel : 0;
    const uint64_t headerBytes =
        (newFile ? 8 : leadPad) + 2 + 12ull * at.entryCount + 4 + (page.rgb ? 6 : 0) + 16 + mapBytes;
    at.stripAt = fileSize + headerBytes + headerBytes % 4;
    return at;
}

// One row as the file holds it, from the DIB's row: RGB order, complemented 1-bit pixels, the
// bits past the width cleared.
void CopyFileRow(const BYTE* src, BYTE* dst, size_t rowBytes, const TiffPageRecord& page, bool invert) {
    const DWORD usedBits = page.bitsPerPixel * page.width;
    const BYTE padMask = usedBits % 8 ? BYTE(0xFF << (8 - usedBits % 8)) : 0xFF;
    if (page.rgb) {
        for (DWORD x = 0; x < page.width; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    } else if (invert) {
        for (size_t i = 0; i < rowBytes; ++i) dst[i] = BYTE(~src[i]);
    } else {
        memcpy(dst, src, rowBytes);
    }
    if (rowBytes) dst[rowBytes - 1] &= padMask;
}

// The page's rows, top first, as the file holds them.
class FileRows : public TiffRowSource {
public:
    FileRows(const TiffPageRecord& page, const DibPixels& dib, bool invert, size_t rowBytes)
        : m_page(page), m_dib(dib), m_invert(invert), m_row(rowBytes) {}
    const BYTE* Row(DWORD y) override {
        const DWORD dibRow = m_dib.header.biHeight > 0 ? m_page.height - 1 - y : y;
        CopyFileRow(m_page.bits + size_t(m_dib.stride) * dibRow, m_row.data(), m_row.size(), m_page, m_invert);
        return m_row.data();
    }

private:
    const TiffPageRecord& m_page;
    const DibPixels& m_dib;
    const bool m_invert;
    std::vector<BYTE> m_row;
};

// The page's one strip: its rows top first, compressed by the page's scheme.
LONG EncodeRows(const TiffPageRecord& page, const DibPixels& dib, bool invert, std::vector<BYTE>& strip) {
    const size_t rowBytes = size_t((uint64_t(page.bitsPerPixel) * page.width + 7) / 8);
    FileRows rows(page, dib, invert, rowBytes);
    const TiffCompressionScheme* scheme = TiffCompressionFor(page.compression);
    if (!scheme) return CTiff::kUnsupported;
    return scheme->encode(rows, page.width, page.height, rowBytes, page.compression, strip);
}

IfdBuilder PageIfd(const TiffPageRecord& page, const PageLayout& at, size_t stripSize) {
    const bool rgb = page.rgb;
    const WORD bits = page.bitsPerPixel;
    IfdBuilder ifd;
    ifd.Add(kTagNewSubfileType, kTypeLong, 1, 0);
    ifd.Add(kTagImageWidth, kTypeLong, 1, page.width);
    ifd.Add(kTagImageLength, kTypeLong, 1, page.height);
    ifd.Add(kTagBitsPerSample, kTypeShort, rgb ? 3 : 1, rgb ? uint32_t(at.bitsAt) : bits);
    ifd.Add(kTagCompression, kTypeShort, 1, page.compression);
    ifd.Add(kTagPhotometric, kTypeShort, 1, page.photometric);
    ifd.Add(kTagStripOffsets, kTypeLong, 1, uint32_t(at.stripAt));
    ifd.Add(kTagSamplesPerPixel, kTypeShort, 1, rgb ? 3 : 1);
    ifd.Add(kTagRowsPerStrip, kTypeLong, 1, page.height);
    ifd.Add(kTagStripByteCounts, kTypeLong, 1, uint32_t(stripSize));
    ifd.Add(kTagXResolution, kTypeRational, 1, uint32_t(at.xAt));
    ifd.Add(kTagYResolution, kTypeRational, 1, uint32_t(at.yAt));
    ifd.Add(kTagPlanarConfiguration, kTypeShort, 1, 1);
    ifd.Add(kTagResolutionUnit, kTypeShort, 1, kUnitInch);
    if (page.photometric == kPhotometricPalette) ifd.Add(kTagColorMap, kTypeShort, 3u << bits, uint32_t(at.mapAt));
    return ifd;
}

// Appends the page's bytes after start: a new file's header (else leadPad zero bytes), the IFD,
// its data, padding, the strip.
void AppendPage(std::vector<BYTE>& out, size_t start, const TiffPageRecord& page, const PageLayout& at,
                bool newFile, uint32_t leadPad, const std::vector<BYTE>& strip) {
    const IfdBuilder ifd = PageIfd(page, at, strip.size());
    if (newFile) {
        const BYTE header[8] = {'I', 'I', 42, 0, 8, 0, 0, 0};
        out.insert(out.end(), header, header + 8);
    } else {
        out.resize(out.size() + leadPad, 0);
    }
    ifd.AppendTo(out);
    if (page.rgb) {
        Append16(out, 8);
        Append16(out, 8);
        Append16(out, 8);
    }
    Append32(out, page.dpiX);
    Append32(out, 1);
    Append32(out, page.dpiY);
    Append32(out, 1);
    if (page.photometric == kPhotometricPalette) {
        const uint32_t n = 1u << page.bitsPerPixel;
        for (uint32_t i = 0; i < n; ++i) Append16(out, WORD(page.palette[i].rgbRed * 65535u / 255u));
        for (uint32_t i = 0; i < n; ++i) Append16(out, WORD(page.palette[i].rgbGreen * 65535u / 255u));
        for (uint32_t i = 0; i < n; ++i) Append16(out, WORD(page.palette[i].rgbBlue * 65535u / 255u));
    }
    out.resize(out.size() + (out.size() - start) % 4, 0);
    out.insert(out.end(), strip.begin(), strip.end());
}

}  // namespace

CTiff::CTiff() : m_pageByteLimit(kMaxDibImageBytes) {}

CTiff::~CTiff() {
    ReleasePages();
    if (m_memoryResult) GlobalFree(m_memoryResult);
}

void CTiff::SetEncodeOptions(bool raw, bool blackIsZero, bool smallResolution) {
    m_raw = raw;
    m_blackIsZero = blackIsZero;
    m_smallResolution = smallResolution;
}

HGLOBAL CTiff::GetMemoryResult() {
    HGLOBAL block = m_memoryResult;
    m_memoryResult = nullptr;
    m_memorySize = 0;
    return block;
}

// Lays out one page after fileSize bytes (0: a new file, whose header comes first) and appends
// its bytes to out: leadPad zero bytes, the IFD, its data, padding, the strip.
LONG CTiff::EncodePageAt(HGLOBAL dib, uint64_t fileSize, uint32_t leadPad, WORD compression,
                         std::vector<BYTE>& out) {
    const bool raw = m_raw, blackIsZero = m_blackIsZero;
    m_raw = false;
    m_blackIsZero = false;
    if (!dib) return kBadDib;
    const SIZE_T blockSize = GlobalSize(dib);
    if (blockSize < 40) return kBadDib;
    const BYTE* block = static_cast<const BYTE*>(GlobalLock(dib));
    if (!block) return kBadDib;
    struct Unlock {
        HGLOBAL h;
        ~Unlock() { GlobalUnlock(h); }
    } unlock{dib};

    TiffPageRecord page;
    DibPixels pixels;
    const LONG described = DescribeDib(block, blockSize, raw, m_smallResolution, compression, page, pixels);
    if (described != kOk) return described;
    const bool invert = ChoosePhotometric(page, blackIsZero);

    const bool newFile = fileSize == 0;
    if (newFile) leadPad = 0;
    const size_t start = out.size();
    const PageLayout at = LayOutPage(page, fileSize, leadPad);
    const uint64_t pixelBytes = pixels.pixelBytes;
    if (at.stripAt + pixelBytes + pixelBytes / 64 + 1024 > 0xFFFFFFFFull) return kUnsupported;

    std::vector<BYTE> strip;
    try {
        if (raw) {
            strip.assign(page.bits, page.bits + pixelBytes);
        } else {
            const LONG rc = EncodeRows(page, pixels, invert, strip);
            if (rc != 0) return rc;
        }
        if (at.stripAt + strip.size() > 0xFFFFFFFFull) return kUnsupported;
        AppendPage(out, start, page, at, newFile, leadPad, strip);
    } catch (const std::bad_alloc&) {
        out.resize(start);
        return kNoMemory;
    }
    m_lastNextField = uint32_t(at.ifdOffset + 2 + 12ull * at.entryCount);
    return kOk;
}

// The end of an existing little-endian file's IFD chain, for appending a page after it. A chain
// that loops or cannot be read is not appended to.
LONG CTiff::ReadChainEnd(const TiffByteSource& source, ChainEnd* end) {
    BYTE header[8];
    if (!source.Read(0, header, 8) || header[0] != 'I' || header[1] != 'I' || Get16(header + 2, false) != 42)
        return kBadIfd;
    uint32_t offset = Get32(header + 4, false);
    uint32_t field = 4;
    std::unordered_set<uint32_t> seen;
    while (offset != 0) {
        if (!seen.insert(offset).second || seen.size() > kMaxPagesInChain) return kBadIfd;
        BYTE count[2], next[4];
        if (!source.Read(offset, count, 2)) return kBadIfd;
        field = uint32_t(std::min<uint64_t>(uint64_t(offset) + 2 + 12ull * Get16(count, false), 0xFFFFFFFF));
        if (!source.Read(field, next, 4)) return kBadIfd;
        offset = Get32(next, false);
    }
    if (field == 4) return kBadIfd;  // no IFD at all
    end->nextFieldOffset = field;
    end->end = source.Size();
    return kOk;
}

LONG CTiff::WriteToFile(const char* path, HGLOBAL dib, BOOL newFile, WORD compression) {
    if (!path) return kNullArgument;
    m_output.clear();
    ChainEnd chain;
    bool append = false;
    if (!newFile) {
        errno = 0;
        TiffFileSource existing(path);
        if (!existing.IsOpen() && errno != ENOENT) return kCreateFailed;  // there, but not readable
        if (existing.IsOpen() && existing.Size() > 0) {
            // Pages go after 32-bit offsets only, and this writer seeks within 2 GiB.
            if (existing.Size() >= 0x7FFFFFFF) return kBadIfd;
            const LONG rc = ReadChainEnd(existing, &chain);
            if (rc != kOk) return rc;
            append = true;
        }
    }
    // The page is laid out in memory first: a page that cannot be encoded leaves the file alone.
    const uint32_t leadPad = append ? uint32_t(chain.end % 4) : 0;
    LONG rc = EncodePageAt(dib, append ? chain.end : 0, leadPad, compression, m_output);
    if (rc != kOk) {
        m_output.clear();
        return rc;
    }
    if (!append) {
        FILE* f = fopen(path, "wb");
        if (!f) {
            m_output.clear();
            return kCreateFailed;
        }
        const bool ok = fwrite(m_output.data(), 1, m_output.size(), f) == m_output.size();
        const bool closed = fclose(f) == 0;
        m_output.clear();
        if (!ok || !closed) {
            remove(path);
            return kWriteFailed;
        }
        return kOk;
    }
    FILE* f = fopen(path, "r+b");
    if (!f) {
        m_output.clear();
        return kCreateFailed;
    }
    const long end = fseek(f, 0, SEEK_END) == 0 ? ftell(f) : -1;
    if (end < 0 || uint64_t(end) != chain.end) {  // the file changed since its chain was read
        fclose(f);
        m_output.clear();
        return kWriteFailed;
    }
    bool ok = fwrite(m_output.data(), 1, m_output.size(), f) == m_output.size() && fflush(f) == 0;
    rc = ok ? kOk : kWriteFailed;
    if (ok) {
        BYTE field[4];
        Put32(field, uint32_t(chain.end + leadPad));
        ok = fseek(f, long(chain.nextFieldOffset), SEEK_SET) == 0 && fwrite(field, 1, 4, f) == 4 && fflush(f) == 0;
        if (!ok) rc = kIfdFailed;
    }
    fclose(f);
    m_output.clear();
    if (rc != kOk) {
        // The old pages stay as they were: the bytes added are cut off again.
        std::error_code ignored;
        std::filesystem::resize_file(std::filesystem::path(path), chain.end, ignored);
    }
    return rc;
}

LONG CTiff::WriteToMemory(HGLOBAL dib, SIZE_T* size, WORD compression) {
    if (size) *size = 0;
    if (m_memoryResult) GlobalFree(m_memoryResult);
    m_memoryResult = nullptr;
    m_memorySize = 0;
    m_output.clear();
    LONG rc = EncodePageAt(dib, 0, 0, compression, m_output);
    if (rc == kOk) {
        const size_t total = m_output.size() + m_output.size() % 4;
        m_memoryResult = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, total);
        BYTE* p = m_memoryResult ? static_cast<BYTE*>(GlobalLock(m_memoryResult)) : nullptr;
        if (!p) {
            if (m_memoryResult) GlobalFree(m_memoryResult);
            m_memoryResult = nullptr;
            rc = kNoMemory;
        } else {
            memcpy(p, m_output.data(), m_output.size());
            GlobalUnlock(m_memoryResult);
            m_memorySize = total;
            m_memoryLastNextField = m_lastNextField;
            if (size) *size = total;
        }
    }
    m_output.clear();
    m_output.shrink_to_fit();
    return rc;
}

LONG CTiff::AppendPageToMemory(HGLOBAL dib, SIZE_T* size, WORD compression) {
    if (size) *size = 0;
    if (!m_memoryResult) return kNoMemoryResult;
    m_output.clear();
    LONG rc = EncodePageAt(dib, m_memorySize, 0, compression, m_output);
    if (rc != kOk) {
        m_output.clear();
        return rc;
    }
    const size_t total = m_memorySize + m_output.size() + m_output.size() % 4;
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, total);
    BYTE* p = block ? static_cast<BYTE*>(GlobalLock(block)) : nullptr;
    const BYTE* old = static_cast<const BYTE*>(GlobalLock(m_memoryResult));
    if (!p || !old) {
        if (old) GlobalUnlock(m_memoryResult);
        if (block) GlobalFree(block);
        m_output.clear();
        return kNoMemory;
    }
    memcpy(p, old, m_memorySize);
    GlobalUnlock(m_memoryResult);
    Put32(p + m_memoryLastNextField, uint32_t(m_memorySize));
    memcpy(p + m_memorySize, m_output.data(), m_output.size());
    GlobalUnlock(block);
    GlobalFree(m_memoryResult);
    m_memoryResult = block;
    m_memorySize = total;
    m_memoryLastNextField = m_lastNextField;
    if (size) *size = total;
    m_output.clear();
    m_output.shrink_to_fit();
    return kOk;
}
