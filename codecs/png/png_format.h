// The fixed facts of the PNG file format that the reader and the writer share: the signature,
// the chunk types, big-endian numbers and the header limits.
#pragma once

#include <cstddef>
#include <cstdint>

namespace png {

constexpr uint8_t kSignature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};

// A chunk type as the big-endian number of its four letters.
constexpr uint32_t ChunkType(const char (&name)[5]) {
    return (uint32_t(uint8_t(name[0])) << 24) | (uint32_t(uint8_t(name[1])) << 16) |
           (uint32_t(uint8_t(name[2])) << 8) | uint32_t(uint8_t(name[3]));
}

constexpr uint32_t kIHDR = ChunkType("IHDR");
constexpr uint32_t kPLTE = ChunkType("PLTE");
constexpr uint32_t kIDAT = ChunkType("IDAT");
constexpr uint32_t kIEND = ChunkType("IEND");
constexpr uint32_t kpHYs = ChunkType("pHYs");
constexpr uint32_t kgAMA = ChunkType("gAMA");
constexpr uint32_t ksRGB = ChunkType("sRGB");
constexpr uint32_t kcHRM = ChunkType("cHRM");

// A chunk whose first letter is upper case is critical: a reader that does not know it must
// refuse the file. Lower case marks an ancillary chunk, which such a reader skips.
constexpr bool IsCritical(uint32_t type) { return (type & 0x20000000u) == 0; }

// Chunk lengths and the image sizes in the header are at most 2^31 - 1.
constexpr uint32_t kMaxChunkLength = 0x7FFFFFFFu;

// Colour types of the header.
constexpr uint8_t kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4, kRgbAlpha = 6;

// Filter types in front of every row.
constexpr uint8_t kFilterNone = 0, kFilterSub = 1, kFilterUp = 2, kFilterAverage = 3, kFilterPaeth = 4;

// Size of the compressed-data buffer and so of every IDAT chunk but the last the writer makes.
constexpr size_t kIdatBufferSize = 65536;

inline uint32_t ReadU32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

inline void WriteU32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// Channels of a colour type; 0 for a value that is none.
inline int ChannelsOf(uint8_t colorType) {
    switch (colorType) {
        case kGrey: case kPalette: return 1;
        case kGreyAlpha: return 2;
        case kRgb: return 3;
        case kRgbAlpha: return 4;
        default: return 0;
    }
}

// Whether a bit depth is allowed with a colour type.
inline bool DepthAllowed(uint8_t colorType, uint8_t depth) {
    switch (colorType) {
        case kGrey: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case kPalette: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        case kRgb: case kGreyAlpha: case kRgbAlpha: return depth == 8 || depth == 16;
        default: return false;
    }
}

// Bytes of one row of width pixels at a pixel depth in bits, without the filter byte.
inline uint64_t RowBytes(uint64_t width, int pixelDepth) { return (width * uint64_t(pixelDepth) + 7) / 8; }

}  // namespace png
