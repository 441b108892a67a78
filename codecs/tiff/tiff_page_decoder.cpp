// Reading one page: its tags, the DIB it becomes, and its strips decoded into the DIB's rows.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "codecs/tiff/fax_codec.h"
#include "codecs/tiff/lzw_codec.h"
#include "codecs/tiff/tiff.h"
#include "codecs/tiff/tiff_byte_source.h"
#include "codecs/tiff/tiff_compression.h"
#include "codecs/tiff/tiff_format.h"
#include "codecs/tiff/tiff_ifd.h"
#include "base/dib_layout.h"
#include "codecs/read_budget.h"

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
// The row holds rowBytes = width * samples * bits / 8 bytes, a size the caller has checked.
void UndoPredictor(BYTE* row, size_t rowBytes, uint32_t samples, uint32_t bits, bool bigEndian) {
    if (bits == 8) {
        const size_t n = rowBytes;
        for (size_t i = samples; i < n; ++i) row[i] = BYTE(row[i] + row[i - samples]);
    } else {  // 16
        const size_t n = rowBytes / 2;
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


// Every value of an entry, widened to 32 bits: inline, or read in one piece from its offset.
// False when fewer than n values are stored, they cannot be read, or reading them would take the
// read past its allowance for shared arrays (an array many pages point at is paid for each time).
bool EntryValues(const TiffByteSource& source, const TiffEntry& e, uint32_t n, bool bigEndian, ReadBudget& budget,
                 std::vector<uint32_t>* out) {
    const uint32_t size = TypeSize(e.type);
    if (size == 0 || n > e.count) return false;
    const uint64_t bytes = uint64_t(n) * size;
    if (bytes > source.Size() + 4 || bytes > SIZE_MAX) return false;
    std::vector<BYTE> raw;
    const BYTE* p = e.value;
    if (uint64_t(e.count) * size > 4) {
        if (!budget.Charge(bytes)) return false;
        raw.resize(size_t(bytes));
        if (!source.Read(Get32(e.value, bigEndian), raw.data(), raw.size())) return false;
        p = raw.data();
    }
    budget.Visited(n);
    out->resize(n);
    for (uint32_t i = 0; i < n; ++i, p += size) {
        switch (size) {
            case 1: (*out)[i] = p[0]; break;
            case 2: (*out)[i] = Get16(p, bigEndian); break;
            default: (*out)[i] = Get32(p, bigEndian); break;  // a RATIONAL gives its numerator
        }
    }
    return true;
}

// Decoded strips are handed to the DIB a piece of about this many bytes at a time (at least one
// row), so that a page needs its DIB, one piece and at most one strip's stored bytes.
constexpr uint64_t kPieceBytes = uint64_t(1) << 20;

}  // namespace

// One page's decoding, stage by stage: its tags, the form its DIB takes, its colour table, where
// its strips lie, the buffers and the DIB with its header, and the strips into the DIB's rows.
struct CTiff::PageDecoder {
    PageDecoder(const TiffByteSource& s, const Ifd& i, bool bigEndian, ReadBudget& b)
        : source(s), ifd(i), be(bigEndian), budget(b) {}

    uint32_t Tag(WORD tag, uint32_t missing) const { return Value(source, ifd.Find(tag), be, missing); }
    LONG ReadTags();
    LONG ChooseForm();
    void ReadColourTable();
    LONG LocateStrips(const std::vector<uint32_t>& ifdOffsets);
    uint64_t BlockBytes() const { return 40 + uint64_t(colors) * 4 + imageBytes; }
    uint64_t BufferBytes();
    LONG ReserveBuffers();
    LONG AllocateDib(std::vector<Page>& pages, HGLOBAL* dib) const;
    LONG DecodeStrips(BYTE* pixels);
    LONG DecodeStrip(uint32_t s, const BYTE* data, BYTE* pixels);
    void ToDib(BYTE* piece, uint32_t firstRow, uint32_t rows, BYTE* pixels) const;

    const TiffByteSource& source;
    const Ifd& ifd;
    const bool be;
    ReadBudget& budget;
    // Only the decisions taken before anything is reserved, for a page another decoder reads: a
    // form this reader has no decoder for is no refusal then.
    bool measuring = false;

    // Tags, with the format's defaults for those the page lacks.
    uint32_t width = 0, height = 0, bits = 1, compression = kNone, photometric = kPhotometricWhiteIsZero;
    uint32_t fillOrder = 1, samples = 1, predictor = 1, rowsPerStrip = 0;
    // Form: the DIB's depth, kUnsupported for a page the engine has no form for, and the sizes.
    WORD dibBits = 8;
    LONG refused = kOk;
    bool fax = false;
    uint64_t rowBytes = 0, dibRowBytes = 0, stride = 0, imageBytes = 0;
    uint32_t colors = 0;
    RGBQUAD table[256] = {};
    FaxStripParams faxParams;
    // Strips: where each lies and how many of its bytes the source holds.
    uint32_t strips = 0;
    std::vector<uint32_t> offsets;
    std::vector<uint64_t> presents;
    uint64_t wanted = 0;        // strip bytes this page reads
    uint64_t largestStrip = 0;  // the most bytes one strip decodes to
    uint64_t fillable = 4096;   // what the strips could fill at most, and a page's worth of slack
    // Buffers: one strip's stored bytes where the source cannot show them as they are, and one
    // piece of decoded rows.
    uint32_t pieceRows = 0;
    std::vector<BYTE> stored, piece;
};

LONG CTiff::PageDecoder::ReadTags() {
    width = Tag(kTagImageWidth, 0);
    height = Tag(kTagImageLength, 0);
    bits = Tag(kTagBitsPerSample, 1);
    // A page without a Compression tag is uncompressed, the format's default.
    compression = Tag(kTagCompression, kNone);
    photometric = Tag(kTagPhotometric, kPhotometricWhiteIsZero);
    fillOrder = Tag(kTagFillOrder, 1);
    const uint32_t planar = Tag(kTagPlanarConfiguration, 1);
    samples = planar == 1 ? Tag(kTagSamplesPerPixel, 1) : 1;
    predictor = Tag(kTagPredictor, 1);
    const TiffEntry* rowsEntry = ifd.Find(kTagRowsPerStrip);
    // Without RowsPerStrip a page is one strip to other readers; this one refuses it.
    rowsPerStrip = Value(source, rowsEntry, be, measuring ? 0xFFFFFFFF : 0);
    if (width == 0 || height == 0 || (!rowsEntry && !measuring) || rowsPerStrip == 0) return kNoMemory;
    // The DIB header holds both as positive 32-bit numbers.
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF) return kNoMemory;
    if (rowsPerStrip > height) rowsPerStrip = height;
    return kOk;
}

// The DIB this page becomes. A page the engine has no form for still gets its blank page (so the
// pages after it keep their numbers), of 24 bits for RGB of 8 or more bits per sample, 1 bit for
// bilevel grey, 4 bits for 4 bits per sample, else 8 bits, and ends in kUnsupported.
LONG CTiff::PageDecoder::ChooseForm() {
    if (photometric == kPhotometricRgb) {
        dibBits = bits >= 8 ? 24 : 8;
        if ((bits != 8 && bits != 16) || samples < 3) refused = kUnsupported;
    } else if (photometric <= kPhotometricPalette && samples == 1 &&
               (bits == 1 || bits == 4 || bits == 8 || (bits == 16 && photometric != kPhotometricPalette))) {
        dibBits = WORD(bits == 16 ? 8 : bits);
    } else {
        dibBits = (bits == 1 && photometric <= kPhotometricBlackIsZero) ? 1 : bits == 4 ? 4 : 8;
        refused = kUnsupported;
    }
    if (samples == 0 || samples > 16) refused = kUnsupported;
    if (predictor != 1 && !(predictor == 2 && (bits == 8 || bits == 16))) refused = kUnsupported;
    const TiffCompressionScheme* scheme = TiffCompressionFor(compression);
    fax = scheme && scheme->fax;
    if (fax && (bits != 1 || width > CTIFFFax::kMaxWidth)) refused = kUnsupported;

    // Sizes in 64 bits, each held against what the engine and this process can hold before it
    // becomes a size_t, so that both builds take the same decisions.
    rowBytes = (uint64_t(bits) * (samples ? samples : 1) * width + 7) / 8;
    // A page refused for its form gets a blank DIB that none of its bytes fill; it is reserved
    // only when its strips could have filled it with the most any strip codec makes of them, and
    // 4 KiB, so that rows of no bytes (0 bits per sample) or a blank page behind a few fax bytes
    // are refused.
    dibRowBytes = (uint64_t(width) * dibBits + 7) / 8;
    stride = DibStride(width, dibBits);
    colors = dibBits <= 8 ? (1u << dibBits) : 0;
    imageBytes = stride * height;
    return kOk;
}

// The palette of a palette page (a page without a usable one is refused), else the grey ramp.
void CTiff::PageDecoder::ReadColourTable() {
    if (photometric == kPhotometricPalette && refused == kOk) {
        const TiffEntry* map = ifd.Find(kTagColorMap);
        std::vector<BYTE> raw(size_t(colors) * 6);
        if (!map || map->count < 3 * colors || TypeSize(map->type) != 2 ||
            !source.Read(Get32(map->value, be), raw.data(), raw.size())) {
            refused = kUnsupported;
            return;
        }
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
}

// Where each strip lies and how many of its bytes the source holds, held against the rows it
// must give before anything is reserved: a page its bytes cannot fill is refused whole.
LONG CTiff::PageDecoder::LocateStrips(const std::vector<uint32_t>& ifdOffsets) {
    faxParams.compression = WORD(fax ? compression : kGroup4);
    faxParams.width = width;
    faxParams.rowStride = size_t(std::min<uint64_t>(rowBytes, SIZE_MAX));
    faxParams.t4Options = Tag(kTagT4Options, 0);
    faxParams.t6Options = Tag(kTagT6Options, 0);
    faxParams.fillOrder = WORD(fillOrder == 2 ? 2 : 1);
    const uint64_t size = source.Size();
    strips = uint32_t((uint64_t(height) + rowsPerStrip - 1) / rowsPerStrip);
    const TiffEntry* offsetsEntry = ifd.Find(kTagStripOffsets);
    const TiffEntry* countsEntry = ifd.Find(kTagStripByteCounts);
    std::vector<uint32_t> counts;
    if (!offsetsEntry || !EntryValues(source, *offsetsEntry, strips, be, budget, &offsets)) return kStripFailed;
    const bool counted = countsEntry && EntryValues(source, *countsEntry, strips, be, budget, &counts);
    // Without byte counts a strip runs up to the next strip of the page or IFD of the file, or
    // the file's end. The IFDs are sorted once for the read; only the page's own strips here.
    std::vector<uint32_t> starts;
    if (!counted) {
        starts = offsets;
        std::sort(starts.begin(), starts.end());
        budget.Visited(starts.size());
    }
    presents.resize(strips);
    for (uint32_t s = 0; s < strips; ++s) {
        const uint32_t stripRows = std::min(rowsPerStrip, height - s * rowsPerStrip);
        const uint64_t rowsSize = rowBytes * stripRows;
        const uint64_t offset = offsets[s];
        if (offset >= size) return kStripFailed;
        uint64_t end = size;
        if (counted) {
            end = std::min<uint64_t>(offset + counts[s], size);
            // An uncompressed strip holds its rows exactly (longer ones are a form this reader
            // does not take, shorter ones cannot fill the page).
            if (compression == kNone && (measuring ? counts[s] < rowsSize : counts[s] != rowsSize)) return kUnsupported;
        } else if (compression == kNone) {
            end = std::min<uint64_t>(offset + rowsSize, size);
        } else {
            const auto next = std::upper_bound(starts.begin(), starts.end(), uint32_t(offset));
            if (next != starts.end()) end = std::min<uint64_t>(*next, end);
            const auto nextIfd = std::upper_bound(ifdOffsets.begin(), ifdOffsets.end(), uint32_t(offset));
            if (nextIfd != ifdOffsets.end()) end = std::min<uint64_t>(*nextIfd, end);
        }
        const uint64_t present = end - offset;
        faxParams.height = stripRows;
        if (!TiffStripCanHold(compression, present, rowsSize, faxParams)) return kStripFailed;
        fillable += CTIFFLzw::LargestOutput(present);
        presents[s] = present;
        wanted += present;
        largestStrip = std::max(largestStrip, rowsSize);
    }
    return kOk;
}

// What the page holds beside its DIB while it decodes: one piece of decoded rows, and the stored
// bytes of its largest strip where the source cannot show them as they are.
uint64_t CTiff::PageDecoder::BufferBytes() {
    if (refused != kOk) return 0;  // a blank page decodes nothing
    pieceRows = uint32_t(std::clamp<uint64_t>(rowBytes ? kPieceBytes / rowBytes : 1, 1, rowsPerStrip));
    const bool copied = (!source.View(0, 0) || (fillOrder == 2 && !fax)) && compression != kNone;
    return rowBytes * pieceRows + (copied ? *std::max_element(presents.begin(), presents.end()) : 0);
}

// Every buffer is reserved before the page is entered, so that a failure adds nothing: the
// decoded rows go to the DIB a piece at a time, and the stored bytes of a strip the decoders read
// as a whole are copied only where the source cannot show them as they are.
LONG CTiff::PageDecoder::ReserveBuffers() {
    if (refused != kOk) return kOk;
    const bool copied = (!source.View(0, 0) || (fillOrder == 2 && !fax)) && compression != kNone;
    try {
        piece.reserve(size_t(rowBytes * pieceRows));
        if (copied) stored.reserve(size_t(*std::max_element(presents.begin(), presents.end())));
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    } catch (const std::length_error&) {
        return kNoMemory;
    }
    return kOk;
}

LONG CTiff::PageDecoder::AllocateDib(std::vector<Page>& pages, HGLOBAL* out) const {
    const uint64_t tableBytes = uint64_t(colors) * 4;
    HGLOBAL dib = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, SIZE_T(40 + tableBytes + imageBytes));
    if (!dib) return kNoMemory;
    budget.Cleared(40 + tableBytes + imageBytes);
    try {
        pages.push_back({dib, SIZE_T(40 + tableBytes + imageBytes)});
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
    GlobalUnlock(dib);
    *out = dib;
    return kOk;
}

// Rows of a piece into the DIB, the image's top row into the DIB's last row.
void CTiff::PageDecoder::ToDib(BYTE* rows, uint32_t firstRow, uint32_t count, BYTE* pixels) const {
    const size_t rowLength = size_t(rowBytes);
    for (uint32_t r = 0; r < count; ++r) {
        BYTE* src = rows + rowLength * r;
        BYTE* dst = pixels + size_t(stride) * (height - 1 - (firstRow + r));
        if (predictor == 2) UndoPredictor(src, rowLength, samples, bits, be);
        if (dibBits == 24) {
            const size_t step = size_t(samples) * (bits / 8);
            const size_t high = bits == 16 && !be ? 1 : 0;
            const size_t sampleBytes = bits / 8;
            for (uint32_t x = 0; x < width; ++x) {
                const BYTE* p = src + step * x + high;
                dst[3 * size_t(x)] = p[2 * sampleBytes];
                dst[3 * size_t(x) + 1] = p[sampleBytes];
                dst[3 * size_t(x) + 2] = p[0];
            }
        } else if (bits == 16) {
            const size_t high = be ? 0 : 1;
            for (uint32_t x = 0; x < width; ++x) dst[x] = src[2 * size_t(x) + high];
        } else {
            memcpy(dst, src, rowLength);
        }
    }
}

// One strip, a piece of rows at a time; the rows a strip's bytes do not reach stay blank. The
// result of the strip's codec (a damaged strip keeps the rows before the damage).
LONG CTiff::PageDecoder::DecodeStrip(uint32_t s, const BYTE* data, BYTE* pixels) {
    const uint32_t firstRow = s * rowsPerStrip;
    const uint32_t stripRows = std::min(rowsPerStrip, height - firstRow);
    const size_t present = size_t(presents[s]);
    const size_t rowLength = size_t(rowBytes);
    // The strip's decoder by its compression's row; none for stored rows, read as they are.
    LONG rc = kOk;
    std::unique_ptr<TiffStripDecoder> decoder;
    if (const TiffCompressionScheme* scheme = TiffCompressionFor(compression)) {
        if (scheme->decoder) {
            TiffStrip strip;
            strip.data = data;
            strip.size = present;
            strip.rows = stripRows;
            strip.pieceRows = pieceRows;
            strip.fax = faxParams;
            strip.fax.height = stripRows;
            decoder = scheme->decoder(strip, &rc);
        }
    } else {
        rc = kStripFailed;  // the strip stays blank; the next strip is tried
    }
    for (uint32_t done = 0; rc == kOk && done < stripRows;) {
        const uint32_t rows = std::min(pieceRows, stripRows - done);
        const size_t bytes = rowLength * rows;
        piece.assign(bytes, 0);
        budget.Cleared(bytes);
        size_t given = bytes;
        if (decoder) {
            rc = decoder->Next(piece.data(), rowLength, rows, &given);
        } else {
            if (!source.Read(offsets[s] + uint64_t(rowLength) * done, piece.data(), bytes)) return kStripFailed;
            if (fillOrder == 2)
                for (BYTE& b : piece) b = BitReversal()[b];
        }
        if (given < bytes) rc = kStripFailed;
        ToDib(piece.data(), firstRow + done, rows, pixels);
        done += rows;
    }
    return rc;
}

LONG CTiff::PageDecoder::DecodeStrips(BYTE* pixels) {
    LONG result = kOk;
    for (uint32_t s = 0; s < strips; ++s) {
        const size_t present = size_t(presents[s]);
        // The strip's stored bytes as far as the source holds them (an uncompressed strip is read
        // a piece at a time).
        const BYTE* data = compression == kNone ? nullptr : source.View(offsets[s], present);
        LONG rc = kOk;
        try {
            if (compression != kNone && (!data || (fillOrder == 2 && !fax))) {
                stored.resize(present);
                if (!source.Read(offsets[s], stored.data(), present)) {
                    if (result == kOk) result = kStripFailed;
                    break;
                }
                data = stored.data();
                if (fillOrder == 2 && !fax) {
                    const auto& reverse = BitReversal();
                    for (BYTE& b : stored) b = reverse[b];
                }
            }
            rc = DecodeStrip(s, data, pixels);
        } catch (const std::bad_alloc&) {
            rc = kNoMemory;
        }
        if (rc != kOk && result == kOk) result = rc;
        if (rc == kNoMemory) break;
    }
    return result;
}

// The decisions on a page before anything is reserved: its tags, the DIB's size, its strips'
// bytes against the rows they must give, and the read's budget (which the page then takes).
LONG CTiff::PlanPage(PageDecoder& page) {
    if (LONG rc = page.ReadTags()) return rc;
    page.ChooseForm();
    if (page.imageBytes > kMaxDibImageBytes || page.imageBytes > m_pageByteLimit) return kNoMemory;
    page.ReadColourTable();
    try {
        if (LONG rc = page.LocateStrips(m_ifdOffsets)) return rc;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    if (page.refused != kOk && page.fillable < page.dibRowBytes * page.height) return kStripFailed;
    // The strips of a well-formed file lie side by side: reading the same bytes over and over
    // (strips that share their data, within a page or across pages) stops once the whole read has
    // gone through the file a few times, so that reading stays linear in the file's size.
    if (page.wanted > m_readBudget) return kStripFailed;
    if (page.largestStrip > SIZE_MAX || page.largestStrip > 4 * std::min(kMaxDibImageBytes, m_pageByteLimit))
        return kNoMemory;
    m_readBudget -= page.wanted;
    return kOk;
}

LONG CTiff::DecodePage(const TiffByteSource& source, const Ifd& ifd) {
    PageDecoder page(source, ifd, m_bigEndian, m_budget);
    if (LONG rc = PlanPage(page)) return rc;
    // The page's buffers and its block against what remains of the read's budget, before either
    // is reserved; the block stays counted whatever becomes of the page.
    const uint64_t buffers = page.BufferBytes();
    if (!m_budget.Hold(buffers)) return OverBudget();
    if (!m_budget.Reserve(page.BlockBytes())) {
        m_budget.Release(buffers);
        return OverBudget();
    }
    LONG result = page.ReserveBuffers();
    HGLOBAL dib = nullptr;
    if (result == kOk) result = page.AllocateDib(m_pages, &dib);
    if (result == kOk && page.refused != kOk) result = page.refused;
    if (result == kOk) {
        BYTE* block = static_cast<BYTE*>(GlobalLock(dib));
        result = page.DecodeStrips(block + 40 + uint64_t(page.colors) * 4);
        GlobalUnlock(dib);
    }
    m_budget.Release(buffers);
    return result;
}

// A page measured for another decoder. A tiled page (no strips to hold against its size) is held
// to the DIB's size only.
LONG CTiff::MeasurePage(const TiffByteSource& source, uint32_t offset, uint64_t* dibBytes) {
    Ifd ifd;
    const LONG read = ReadIfd(source, offset, &ifd);
    const bool tiled = ifd.Find(kTagTileWidth) && ifd.Find(kTagTileLength);
    if (read != kOk && !tiled) return read;
    PageDecoder page(source, ifd, m_bigEndian, m_budget);
    page.measuring = true;
    if (tiled) {
        if (LONG rc = page.ReadTags()) return rc;
        page.ChooseForm();
        if (page.imageBytes > kMaxDibImageBytes || page.imageBytes > m_pageByteLimit) return kNoMemory;
    } else if (LONG rc = PlanPage(page)) {
        return rc;
    }
    // What the load would reserve for the page, against the same budget as a read.
    if (!m_budget.Reserve(page.BlockBytes())) return OverBudget();
    *dibBytes += page.BlockBytes();
    return kOk;
}
