// The TIFF file format as the reader and writer use it: tags, field types, byte order helpers
// and the 12-byte IFD entry.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>

namespace tiff_format {

constexpr WORD kTagNewSubfileType = 254;
constexpr WORD kTagImageWidth = 256;
constexpr WORD kTagImageLength = 257;
constexpr WORD kTagBitsPerSample = 258;
constexpr WORD kTagCompression = 259;
constexpr WORD kTagPhotometric = 262;
constexpr WORD kTagFillOrder = 266;
constexpr WORD kTagStripOffsets = 273;
constexpr WORD kTagSamplesPerPixel = 277;
constexpr WORD kTagRowsPerStrip = 278;
constexpr WORD kTagStripByteCounts = 279;
constexpr WORD kTagXResolution = 282;
constexpr WORD kTagYResolution = 283;
constexpr WORD kTagPlanarConfiguration = 284;
constexpr WORD kTagT4Options = 292;
constexpr WORD kTagT6Options = 293;
constexpr WORD kTagResolutionUnit = 296;
constexpr WORD kTagPredictor = 317;
constexpr WORD kTagColorMap = 320;
constexpr WORD kTagTileWidth = 322;
constexpr WORD kTagTileLength = 323;

constexpr WORD kTypeByte = 1;
constexpr WORD kTypeShort = 3;
constexpr WORD kTypeLong = 4;
constexpr WORD kTypeRational = 5;

constexpr WORD kPhotometricWhiteIsZero = 0;
constexpr WORD kPhotometricBlackIsZero = 1;
constexpr WORD kPhotometricRgb = 2;
constexpr WORD kPhotometricPalette = 3;

constexpr WORD kUnitInch = 2;
constexpr WORD kUnitCentimetre = 3;

constexpr WORD kMaxEntries = 100;
// 96 dots per inch, the resolution of a page that gives none.
constexpr uint32_t kDefaultDpi = 96;
constexpr uint32_t kDefaultPixelsPerMetre = 3780;

// Bytes of one value of a field type; 0 for types the reader does not take values from.
inline uint32_t TypeSize(WORD type) {
    switch (type) {
        case 1: case 2: case 6: case 7: return 1;   // BYTE, ASCII, SBYTE, UNDEFINED
        case 3: case 8: return 2;                   // SHORT, SSHORT
        case 4: case 9: case 11: case 13: return 4; // LONG, SLONG, FLOAT, IFD
        case 5: case 10: case 12: return 8;         // RATIONAL, SRATIONAL, DOUBLE
        default: return 0;
    }
}

inline WORD Get16(const BYTE* p, bool bigEndian) {
    return bigEndian ? WORD((p[0] << 8) | p[1]) : WORD(p[0] | (p[1] << 8));
}

inline uint32_t Get32(const BYTE* p, bool bigEndian) {
    return bigEndian ? (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]
                     : p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline void Put16(BYTE* p, WORD v) {
    p[0] = BYTE(v);
    p[1] = BYTE(v >> 8);
}

inline void Put32(BYTE* p, uint32_t v) {
    p[0] = BYTE(v);
    p[1] = BYTE(v >> 8);
    p[2] = BYTE(v >> 16);
    p[3] = BYTE(v >> 24);
}

// One IFD entry; the value field's four bytes are kept as stored (in the file's byte order).
struct TiffEntry {
    WORD tag = 0;
    WORD type = 0;
    uint32_t count = 0;
    BYTE value[4] = {};
};

inline TiffEntry ParseEntry(const BYTE* p, bool bigEndian) {
    TiffEntry e;
    e.tag = Get16(p, bigEndian);
    e.type = Get16(p + 2, bigEndian);
    e.count = Get32(p + 4, bigEndian);
    for (int i = 0; i < 4; ++i) e.value[i] = p[8 + i];
    return e;
}

}  // namespace tiff_format
