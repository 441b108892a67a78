// CTIFFFax: the CCITT bilevel strip codec of the TIFF reader and writer (Compression 2 modified
// Huffman, 3 group 3 one- or two-dimensional, 4 group 4). The PDF writer and reader call it
// directly for /CCITTFaxDecode data. Rows are 1 bit per pixel, most significant bit first, and a
// 1 bit is black, a 0 bit white (the container inverts WhiteIsZero pages itself).
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// What one strip looks like. The same record drives encoding and decoding.
struct FaxStripParams {
    WORD compression = 4;     // 2 modified Huffman, 3 group 3, 4 group 4
    DWORD width = 0;          // pixels per row
    DWORD height = 0;         // rows in the strip
    size_t rowStride = 0;     // bytes from one row's start to the next, at least (width + 7) / 8
    DWORD t4Options = 0;      // compression 3: bit 0 two-dimensional coding, bit 2 EOLs byte-aligned
    DWORD t6Options = 0;      // compression 4: 0 (uncompressed mode, bit 1, is refused)
    WORD fillOrder = 1;       // decoding: 1 most significant bit first, 2 least significant first
    DWORD kFactor = 4;        // compression 3 two-dimensional: a 1-D row at least every k rows (T.4)
};

class CTIFFFax {
public:
    // Results, as the TIFF container passes them on.
    static constexpr int kOk = 0;
    static constexpr int kNullData = -6;      // null rows, data or output
    static constexpr int kNoMemory = -7;      // memory exhausted while growing the output
    static constexpr int kBadData = -10;      // truncated strip or invalid code
    static constexpr int kUnsupported = -13;  // compression other than 2, 3, 4, or options refused

    // Encodes params.height rows starting at rows (top row first) as one strip and appends its
    // bytes to out. Compression 2 pads each row to a byte; 3 writes an EOL before each row (with
    // t4Options bit 0 each EOL carries the 1-D/2-D tag bit); 4 ends with the two EOLs of the
    // end-of-facsimile block. The strip's bytes equal those libtiff writes for the same options.
    static int EncodeStrip(const BYTE* rows, const FaxStripParams& params, std::vector<BYTE>& out);

    // Decodes one strip of size bytes into params.height rows of params.rowStride bytes at rows
    // (rowsSize bytes available; rows beyond it are never written). Rows are written white-based:
    // every row decoded is fully written (a row cut short is completed white). *rowsDecoded (may
    // be null) receives the number of complete rows. kOk when every row decoded, kBadData when the
    // strip ended early or held an invalid code (the rows before stay written).
    static int DecodeStrip(const BYTE* data, size_t size, const FaxStripParams& params, BYTE* rows,
                           size_t rowsSize, DWORD* rowsDecoded);
};
