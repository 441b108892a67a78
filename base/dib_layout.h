// The one validating layout of a packed DIB. Every path by which an image enters the engine
// (files, scanners, cameras, the clipboard, downloads, script byte arrays) checks its block with
// it before reading a pixel: none of those sources is trusted.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>

struct DibLayout {
    uint32_t headerSize;    // biSize, at least 40
    int32_t width;          // at least 1
    int32_t height;         // |biHeight|, at least 1
    bool topDown;           // biHeight < 0
    uint16_t bitCount;      // 1, 4, 8, 16, 24 or 32
    uint32_t compression;   // BI_RGB, or BI_BITFIELDS at 16 and 32 bits
    uint32_t maskBytes;     // 12 when the masks follow a 40-byte header, else 0
    uint32_t colors;        // colour-table entries
    uint64_t pixelOffset;   // header + masks + colour table
    uint64_t stride;        // bytes per row, padded to 4
    uint64_t imageBytes;    // stride * height
    uint64_t totalBytes;    // pixelOffset + imageBytes
};

// The largest image the engine accepts, in bytes of pixel data: sizes stay within the 32-bit
// fields of the DIB header and of every file format.
constexpr uint64_t kMaxDibImageBytes = 0x7FFF0000ull;

// What one load (every page of a file, byte array or download) may add to the image buffer in
// total: 16384 bytes of image for each byte of input, at least 256 MiB, at most 8 GiB in a 64-bit
// process and 1 GiB in a 32-bit one. No codec makes more than about 10000 bytes of a legitimate
// page from one byte (a blank 1200 dpi fax page), so hundreds of A4 scans at 300 dpi load, while
// a few kilobytes cannot fill gigabytes with copies of one image; the cap keeps a 32-bit process
// inside its address space.
constexpr uint64_t kLoadBudgetPerInputByte = 16384;
constexpr uint64_t kLoadBudgetFloor = 256ull << 20;
constexpr uint64_t kLoadBudgetCap = SIZE_MAX > 0xFFFFFFFFu ? (8ull << 30) : (1ull << 30);
inline uint64_t LoadBudgetFor(uint64_t inputBytes) {
    const uint64_t scaled =
        inputBytes > kLoadBudgetCap / kLoadBudgetPerInputByte ? kLoadBudgetCap : inputBytes * kLoadBudgetPerInputByte;
    return scaled < kLoadBudgetFloor ? kLoadBudgetFloor : scaled;
}

// Bytes per row of an image of the given width and depth, padded to 4, in 64-bit arithmetic.
inline uint64_t DibStride(int64_t width, int bitCount) {
    return ((static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount) + 31) / 32) * 4;
}

// Checks a header against a block of blockSize bytes (the header at its start) and fills the
// layout. False for any header the engine cannot read safely.
bool ComputeDibLayout(const BITMAPINFOHEADER* header, uint64_t blockSize, DibLayout* out);

// The same for a global-memory block: locks it, checks it against GlobalSize, unlocks it.
bool ComputeDibLayout(HGLOBAL dib, DibLayout* out);
