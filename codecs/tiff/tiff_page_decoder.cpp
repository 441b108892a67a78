// Reading one page: its tags, the DIB it becomes, and its strips decoded into the DIB's rows.
#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "codecs/tiff/fax_codec.h"
#include "codecs/tiff/lzw_codec.h"
#include "codecs/tiff/packbits_codec.h"
#include "codecs/tiff/tiff.h"
#include "codecs/tiff/tiff_byte_source.h"
#include "codecs/tiff/tiff_format.h"
#include "codecs/tiff/tiff_ifd.h"
#include "base/dib_layout.h"

using namespace tiff_format;

namespace {

// Value index of an entry as a 32-bit number: inline when the values fit the value field, else
// read from the offset it holds. False when the value is missing or unreadable.
bool EntryValue(const TiffByteSource& source, const TiffEntry& e, uint32_t index, bool bigEndian, uint32_t* out) {
    const uint32_t size = TypeSize(e.type);
    if (size == 0 || index >= e.count) return false;
    BYTE buffer[4];
    const BYTE* p;
    if (uint64_t(e.count) * size <= 4) {
        p = e.value + index * size;
    } else {
        const uint64_t at = uint64_t(Get32(e.value, bigEndian)) + uint64_t(index) * size;
        const uint32_t take = size > 4 ? 4 : size;  // a RATIONAL gives its numerator
        if (!source.Read(at, buffer, take)) return false;
        p = buffer;
    }
    switch (size) {
        case 1: *out = p[0]; break;
        case 2: *out = Get16(p, bigEndian); break;
        default: *out = Get32(p, bigEndian); break;
    }
    return true;
}

uint32_t Value(const TiffByteSource& source, const TiffEntry* e, bool bigEndian, uint32_t missing) {
    uint32_t v;
    return e && EntryValue(source, *e, 0, bigEndian, &v) ? v : missing;
}

// A resolution: a RATIONAL (a zero denominator gives the numerator) or a plain number.
double Resolution(const TiffByteSource& source, const TiffEntry* e, bool bigEndian) {
    if (!e || e->count == 0) return 0;
    if (e->type == kTypeRational) {
        BYTE r[8];
        if (!source.Read(Get32(e->value, bigEndian), r, 8)) return 0;
        const uint32_t num = Get32(r, bigEndian), den = Get32(r + 4, bigEndian);
        return den ? double(num) / double(den) : double(num);
    }
    uint32_t v;
    return EntryValue(source, *e, 0, bigEndian, &v) ? double(v) : 0;
}

LONG PixelsPerMetre(double value, bool unitPresent, uint32_t unit) {
    double perMetre;
    if (!unitPresent || unit == kUnitInch)  // inch is the unit a page without one has
        perMetre = value * 10000.0 / 254.0 + 0.5;
    else if (unit == kUnitCentimetre)
        perMetre = value * 100.0 + 0.5;
    else
        perMetre = value;
    if (!(perMetre >= 1.0)) return LONG(kDefaultPixelsPerMetre);
    if (perMetre > 2147483647.0) return 0x7FFFFFFF;
    return LONG(perMetre);
}

const std::array<BYTE, 256>& BitReversal() {
    static const std::array<BYTE, 256> table = [] {
        std::array<BYTE, 256> t{};
        for (int i = 0; i < 256; ++i) {
            int r = 0;
            for (int b = 0; b < 8; ++b)
                if (i & (1 << b)) r |= 0x80 >> b;
            t[size_t(i)] = BYTE(r);
        }
        return t;
    }();
    return table;
}

// Undoes horizontal differencing in one row: each sample plus the same sample one pixel before.
void UndoPredictor(BYTE* row, uint32_t width, uint32_t samples, uint32_t bits, bool bigEndian) {
    if (bits == 8) {
        const size_t n = size_t(width) * samples;
        for (size_t i = samples; i < n; ++i) row[i] = BYTE(row[i] + row[i - samples]);
    } else {  // 16
        const size_t n = size_t(width) * samples;
        for (size_t i = samples; i < n; ++i) {
            BYTE* p = row + 2 * i;
            const BYTE* q = row + 2 * (i - samples);
            const WORD v = WORD(Get16(p, bigEndian) + Get16(q, bigEndian));
            if (bigEndian) {
                p[0] = BYTE(v >> 8);
                p[1] = BYTE(v);
            } else {
                p[0] = BYTE(v);
                p[1] = BYTE(v >> 8);
            }
        }
    }
}

}  // namespace

LONG CTiff::DecodePage(const TiffByteSource& source, const Ifd& ifd) {
    const bool be = m_bigEndian;
    const uint32_t width = Value(source, ifd.Find(kTagImageWidth), be, 0);
    const uint32_t height = Value(source, ifd.Find(kTagImageLength), be, 0);
    const uint32_t bits = Value(source, ifd.Find(kTagBitsPerSample), be, 1);
    // A page without a Compression tag is uncompressed, the format's default.
    const uint32_t compression = Value(source, ifd.Find(kTagCompression), be, kNone);
    const uint32_t photometric = Value(source, ifd.Find(kTagPhotometric), be, kPhotometricWhiteIsZero);
    const uint32_t fillOrder = Value(source, ifd.Find(kTagFillOrder), be, 1);
    const uint32_t planar = Value(source, ifd.Find(kTagPlanarConfiguration), be, 1);
    const uint32_t samples = planar == 1 ? Value(source, ifd.Find(kTagSamplesPerPixel), be, 1) : 1;
    const uint32_t predictor = Value(source, ifd.Find(kTagPredictor), be, 1);
    const TiffEntry* rowsEntry = ifd.Find(kTagRowsPerStrip);
    uint32_t rowsPerStrip = Value(source, rowsEntry, be, 0);
    if (width == 0 || height == 0 || !rowsEntry || rowsPerStrip == 0) return kNoMemory;
    if (samples > 16) return kUnsupported;
    if (rowsPerStrip > height) rowsPerStrip = height;

    // The DIB this page becomes; anything the engine has no form for is refused.
    WORD dibBits;
    if (photometric == kPhotometricRgb) {
        if ((bits != 8 && bits != 16) || samples < 3) return kUnsupported;
        dibBits = 24;
    } else if (photometric <= kPhotometricPalette) {
        if (samples != 1) return kUnsupported;
        if (bits == 1 || bits == 4 || bits == 8)
            dibBits = WORD(bits);
        else if (bits == 16 && photometric != kPhotometricPalette)
            dibBits = 8;
        else
            return kUnsupported;
    } else {
        return kUnsupported;
    }
    if (predictor != 1 && !(predictor == 2 && (bits == 8 || bits == 16))) return kUnsupported;
    if (compression >= kModifiedHuffman && compression <= kGroup4 && bits != 1) return kUnsupported;

    const uint64_t rowBytes = (uint64_t(bits) * samples * width + 7) / 8;
    const uint64_t stride = DibStride(width, dibBits);
    const uint32_t colors = dibBits <= 8 ? (1u << dibBits) : 0;
    const uint64_t imageBytes = stride * height;
    if (imageBytes > kMaxDibImageBytes || imageBytes > m_pageByteLimit) return kNoMemory;
    if (uint64_t(rowsPerStrip) * rowBytes > 4 * std::min(kMaxDibImageBytes, m_pageByteLimit)) return kNoMemory;

    // Colour table.
    RGBQUAD table[256] = {};
    if (photometric == kPhotometricPalette) {
        const TiffEntry* map = ifd.Find(kTagColorMap);
        if (!map || map->count < 3 * colors || TypeSize(map->type) != 2) return kUnsupported;
        std::vector<BYTE> raw(size_t(colors) * 6);
        if (!source.Read(Get32(map->value, be), raw.data(), raw.size())) return kUnsupported;
        bool wide = false;
        for (size_t i = 0; i < size_t(colors) * 3; ++i) wide = wide || Get16(&raw[i * 2], be) >= 256;
        auto component = [&](size_t i) {
            const uint32_t v = Get16(&raw[i * 2], be);
            return BYTE(wide ? v * 255 / 65535 : v);
        };
        for (uint32_t i = 0; i < colors; ++i) {
            table[i].rgbRed = component(i);
            table[i].rgbGreen = component(colors + i);
            table[i].rgbBlue = component(2 * colors + i);
        }
    } else if (colors) {
        for (uint32_t i = 0; i < colors; ++i) {
            BYTE v = BYTE(i * (255 / (colors - 1)));
            if (photometric == kPhotometricWhiteIsZero) v = BYTE(255 - v);
            table[i] = {v, v, v, 0};
        }
    }

    const uint64_t tableBytes = uint64_t(colors) * 4;
    HGLOBAL dib = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, SIZE_T(40 + tableBytes + imageBytes));
    if (!dib) return kNoMemory;
    try {
        m_pages.push_back({dib, SIZE_T(40 + tableBytes + imageBytes)});
    } catch (const std::bad_alloc&) {
        GlobalFree(dib);
        return kNoMemory;
    }
    BYTE* block = static_cast<BYTE*>(GlobalLock(dib));
    BITMAPINFOHEADER header = {};
    header.biSize = 40;
    header.biWidth = LONG(width);
    header.biHeight = LONG(height);
    header.biPlanes = 1;
    header.biBitCount = dibBits;
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(imageBytes);
    const TiffEntry* unitEntry = ifd.Find(kTagResolutionUnit);
    const uint32_t unit = Value(source, unitEntry, be, kUnitInch);
    header.biXPelsPerMeter = PixelsPerMetre(Resolution(source, ifd.Find(kTagXResolution), be), unitEntry, unit);
    header.biYPelsPerMeter = PixelsPerMetre(Resolution(source, ifd.Find(kTagYResolution), be), unitEntry, unit);
    header.biClrUsed = colors;
    memcpy(block, &header, 40);
    memcpy(block + 40, table, size_t(tableBytes));
    BYTE* pixels = block + 40 + tableBytes;

    // Strips.
    const uint32_t strips = uint32_t((uint64_t(height) + rowsPerStrip - 1) / rowsPerStrip);
    const TiffEntry* offsets = ifd.Find(kTagStripOffsets);
    const TiffEntry* counts = ifd.Find(kTagStripByteCounts);
    LONG result = kOk;
    std::vector<BYTE> strip, rows;
    for (uint32_t s = 0; s < strips; ++s) {
        const uint32_t firstRow = s * rowsPerStrip;
        const uint32_t stripRows = std::min(rowsPerStrip, height - firstRow);
        const size_t rowsSize = size_t(rowBytes * stripRows);
        uint32_t offset = 0, declared = 0;
        if (!offsets || !EntryValue(source, *offsets, s, be, &offset)) {
            result = kStripFailed;
            break;
        }
        if (!counts || !EntryValue(source, *counts, s, be, &declared)) {
            // Without byte counts an uncompressed strip has its exact size; others run to the end.
            declared = compression == kNone ? uint32_t(std::min<uint64_t>(rowsSize, 0xFFFFFFFF)) : 0xFFFFFFFF;
        }
        if (offset >= source.Size()) {
            result = kStripFailed;
            break;
        }
        if (compression == kNone && declared != rowsSize) {
            result = kUnsupported;
            break;
        }
        // The strip's bytes as far as the source holds them.
        const size_t present = size_t(std::min<uint64_t>(declared, source.Size() - offset));
        const BYTE* data = source.View(offset, present);
        try {
            if (!data || fillOrder == 2) {
                strip.resize(present);
                if (!source.Read(offset, strip.data(), present)) {
                    result = kStripFailed;
                    break;
                }
                data = strip.data();
                if (fillOrder == 2 && (compression < kModifiedHuffman || compression > kGroup4)) {
                    const auto& reverse = BitReversal();
                    for (BYTE& b : strip) b = reverse[b];
                }
            }
            rows.assign(rowsSize, 0);
        } catch (const std::bad_alloc&) {
            result = kNoMemory;
            break;
        }

        LONG rc = kOk;
        switch (compression) {
            case kNone:
                if (present < rowsSize) rc = kStripFailed;
                else memcpy(rows.data(), data, rowsSize);
                break;
            case kModifiedHuffman:
            case kGroup3:
            case kGroup4: {
                FaxStripParams params;
                params.compression = WORD(compression);
                params.width = width;
                params.height = stripRows;
                params.rowStride = size_t(rowBytes);
                params.t4Options = Value(source, ifd.Find(kTagT4Options), be, 0);
                params.t6Options = Value(source, ifd.Find(kTagT6Options), be, 0);
                params.fillOrder = WORD(fillOrder == 2 ? 2 : 1);
                rc = CTIFFFax::DecodeStrip(data, present, params, rows.data(), rows.size(), nullptr);
                break;
            }
            case kLzw:
                rc = CTIFFLzw::DecodeStrip(data, present, rows.data(), rows.size(), nullptr);
                break;
            case kPackBits:
                rc = CTIFFPackBits::DecodeStrip(data, present, rows.data(), rows.size(), nullptr);
                break;
            default:
                rc = kStripFailed;  // the strip stays blank; the next strip is tried
                break;
        }
        if (rc != kOk && result == kOk) result = rc;
        if (rc == kNoMemory) break;

        // Rows into the DIB, top row of the image into the DIB's last row.
        for (uint32_t r = 0; r < stripRows; ++r) {
            BYTE* src = rows.data() + size_t(rowBytes) * r;
            BYTE* dst = pixels + size_t(stride) * (height - 1 - (firstRow + r));
            if (predictor == 2) UndoPredictor(src, width, samples, bits, be);
            if (dibBits == 24) {
                const size_t step = size_t(samples) * (bits / 8);
                const size_t high = bits == 16 && !be ? 1 : 0;
                const size_t sampleBytes = bits / 8;
                for (uint32_t x = 0; x < width; ++x) {
                    const BYTE* p = src + step * x + high;
                    dst[3 * x] = p[2 * sampleBytes];
                    dst[3 * x + 1] = p[sampleBytes];
                    dst[3 * x + 2] = p[0];
                }
            } else if (bits == 16) {
                const size_t high = be ? 0 : 1;
                for (uint32_t x = 0; x < width; ++x) dst[x] = src[2 * size_t(x) + high];
            } else {
                memcpy(dst, src, size_t(rowBytes));
            }
        }
    }
    GlobalUnlock(dib);
    return result;
}
