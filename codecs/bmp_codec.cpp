#include "codecs/bmp_codec.h"

#include <cstring>

#include "base/dib_layout.h"
#include "base/error_codes.h"

namespace {

void PutLE16(BYTE* p, uint32_t v) {
    p[0] = BYTE(v);
    p[1] = BYTE(v >> 8);
}

void PutLE32(BYTE* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = BYTE(v >> (8 * i));
}

}  // namespace

namespace {

// The first checks of every BMP: "BM", an uncompressed DIB, not the old 12-byte core header.
bool AcceptableHeaders(const BYTE* headers, uint64_t available, BITMAPINFOHEADER* info) {
    if (available < kBmpHeadersSize || headers[0] != 'B' || headers[1] != 'M') return false;
    std::memcpy(info, headers + kBmpFileHeaderSize, sizeof *info);
    return info->biCompression == BI_RGB && info->biSize != 12;
}

}  // namespace

LONG BmpDibSizeFromHeaders(const BYTE* headers, uint64_t dibBytesPresent, uint64_t* dibSize) {
    if (!headers || !dibSize) return kErrInvalidValue;
    BITMAPINFOHEADER info;
    if (!AcceptableHeaders(headers, dibBytesPresent + kBmpFileHeaderSize, &info)) return kErrBmpFormat;
    // The layout check bounds the depth, the colour count and the pixel bytes (64-bit sums);
    // the pixel rows may be cut short, so only the header and table must be present.
    DibLayout layout;
    if (!ComputeDibLayout(&info, UINT64_MAX, &layout) || layout.pixelOffset > dibBytesPresent) return kErrBmpFormat;
    // A file cut short loads with zero rows; a few bytes declaring gigabytes are no image.
    uint64_t missing = layout.totalBytes > dibBytesPresent ? layout.totalBytes - dibBytesPresent : 0;
    if (missing > kBmpMaxMissingBytes && missing > dibBytesPresent) return kErrBmpFormat;
    *dibSize = layout.totalBytes;
    return 0;
}

LONG BmpMeasure(const BYTE* bytes, uint64_t size, bool wholeDib, uint64_t* dibBytes) {
    if (!bytes || !dibBytes) return kErrInvalidValue;
    *dibBytes = 0;
    BITMAPINFOHEADER info;
    if (AcceptableHeaders(bytes, size, &info)) {
        const uint64_t present = size - kBmpFileHeaderSize;
        if (!wholeDib) return BmpDibSizeFromHeaders(bytes, present, dibBytes);
        if (!ComputeDibLayout(&info, present, nullptr)) return kErrBmpFormat;
        *dibBytes = present;
        return 0;
    }
    // Another form, which this codec refuses: its width, height and depth as the header gives
    // them (a core header's are 16-bit), held against the load's budget, and refused with this
    // codec's code beyond it (a run-length code fills any size from two bytes).
    constexpr uint32_t kCoreHeaderSize = 12;
    const auto le = [bytes](uint32_t at, uint32_t n) {
        uint32_t v = 0;
        for (uint32_t i = 0; i < n; ++i) v |= uint32_t(bytes[at + i]) << (8 * i);
        return v;
    };
    if (size < kBmpFileHeaderSize + 4 || bytes[0] != 'B' || bytes[1] != 'M') return 0;
    const bool core = le(kBmpFileHeaderSize, 4) == kCoreHeaderSize;
    if (size < kBmpFileHeaderSize + (core ? kCoreHeaderSize : 16)) return 0;
    const uint32_t at = kBmpFileHeaderSize + 4;
    const int64_t width = core ? int64_t(le(at, 2)) : int64_t(int32_t(le(at, 4)));
    const int64_t height = core ? int64_t(le(at + 2, 2)) : int64_t(int32_t(le(at + 4, 4)));
    const uint32_t bits = core ? le(at + 6, 2) : le(at + 10, 2);
    if (width <= 0 || height == 0) return 0;
    // Rows of at most 2^33 bytes (32 bits a pixel); a product past 64 bits saturates.
    const uint64_t rows = uint64_t(height < 0 ? -height : height);
    const uint64_t stride = DibStride(width, int(bits < 32 ? bits : 32));
    *dibBytes = stride > (UINT64_MAX - 64) / rows ? UINT64_MAX : sizeof(BITMAPINFOHEADER) + stride * rows;
    return *dibBytes > LoadBudgetFor(size) ? LONG(kErrBmpFormat) : 0;
}

LONG BmpReadFromMemory(const BYTE* bytes, uint64_t size, HGLOBAL* dib) {
    if (!bytes || !dib) return kErrInvalidValue;
    *dib = nullptr;
    BITMAPINFOHEADER info;
    if (!AcceptableHeaders(bytes, size, &info)) return kErrBmpFormat;
    uint64_t present = size - kBmpFileHeaderSize;
    if (!ComputeDibLayout(&info, present, nullptr)) return kErrBmpFormat;
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(present));
    if (!block) return kErrNoMemory;
    std::memcpy(block, bytes + kBmpFileHeaderSize, static_cast<size_t>(present));
    *dib = block;
    return 0;
}

LONG BmpBuildFileHeader(const BYTE* dib, uint64_t blockSize, BYTE header[kBmpFileHeaderSize]) {
    if (!dib || !header) return kErrInvalidValue;
    if (blockSize < sizeof(BITMAPINFOHEADER)) return kErrBmpFormat;
    BITMAPINFOHEADER info;
    std::memcpy(&info, dib, sizeof info);
    uint64_t entries = info.biClrUsed;
    if (entries == 0 && info.biBitCount <= 8) {
        // A DIB stored without its table is written as it is.
        bool tableless = blockSize == uint64_t(info.biSizeImage) + info.biSize;
        entries = tableless ? 0 : (1u << info.biBitCount);
    }
    PutLE16(header, 0x4D42);
    PutLE32(header + 2, static_cast<uint32_t>(blockSize + kBmpFileHeaderSize));
    PutLE16(header + 6, 0);
    PutLE16(header + 8, 0);
    PutLE32(header + 10, static_cast<uint32_t>(kBmpHeadersSize + 4 * entries));
    return 0;
}

LONG BmpWriteToMemory(HGLOBAL dib, HGLOBAL* bmp, uint64_t* size, bool fileSizeOfRows) {
    if (!dib || !bmp || !size) return kErrInvalidValue;
    *bmp = nullptr;
    *size = 0;
    uint64_t blockSize = GlobalSize(dib);
    auto* bits = static_cast<const BYTE*>(GlobalLock(dib));
    if (!bits) return kErrNoMemory;
    BYTE header[kBmpFileHeaderSize];
    LONG rc = BmpBuildFileHeader(bits, blockSize, header);
    DibLayout layout;
    if (rc == 0 && fileSizeOfRows &&
        ComputeDibLayout(reinterpret_cast<const BITMAPINFOHEADER*>(bits), blockSize, &layout))
        PutLE32(header + 2, static_cast<uint32_t>(kBmpFileHeaderSize + layout.pixelOffset + layout.imageBytes));
    HGLOBAL out = rc ? nullptr : GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(blockSize + kBmpFileHeaderSize));
    if (!rc && !out) rc = kErrNoMemory;
    if (out) {
        std::memcpy(out, header, kBmpFileHeaderSize);
        std::memcpy(static_cast<BYTE*>(out) + kBmpFileHeaderSize, bits, static_cast<size_t>(blockSize));
        *bmp = out;
        *size = blockSize + kBmpFileHeaderSize;
    }
    GlobalUnlock(dib);
    return rc;
}
