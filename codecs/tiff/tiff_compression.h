// The compression schemes of TIFF strips, one row each: which pages the writer encodes with it and
// how, how the reader decodes a strip of it, and the most rows a strip's stored bytes can give (so
// that a page its bytes cannot fill is refused before anything is reserved). The reader and the
// writer choose by this table only; a new scheme is a new row.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "codecs/tiff/fax_codec.h"

// The rows of a page as the writer hands them to an encoder, top row first.
class TiffRowSource {
public:
    virtual ~TiffRowSource() = default;
    // Row y (0 is the top), rowBytes bytes, valid until the next call.
    virtual const BYTE* Row(DWORD y) = 0;
};

// One strip's decoded rows, a piece at a time, from its stored bytes.
class TiffStripDecoder {
public:
    virtual ~TiffStripDecoder() = default;
    // The next `rows` rows of rowBytes bytes into out (bytes = rows * rowBytes, blank on entry):
    // *given receives the bytes the strip gave (fewer when it ended first); the result is the
    // codec's (a damaged strip keeps the rows before the damage).
    virtual LONG Next(BYTE* out, size_t rowBytes, DWORD rows, size_t* given) = 0;
};

// What a strip decoder is made from: the stored bytes (which outlive it), the strip's rows, the
// rows of one piece, and the fax parameters of the page (height set to the strip's rows).
struct TiffStrip {
    const BYTE* data = nullptr;
    size_t size = 0;
    DWORD rows = 0;
    DWORD pieceRows = 0;
    FaxStripParams fax;
};

struct TiffCompressionScheme {
    WORD tag;          // the Compression tag value
    bool bilevelOnly;  // the scheme codes 1-bit pages only
    bool fax;          // CCITT: the fax codec, with its width limit and parameters
    // Whether `present` stored bytes can decode to rowsSize bytes of rows (fax: fax.height rows).
    bool (*canHold)(uint64_t present, uint64_t rowsSize, const FaxStripParams& fax);
    // The page's height rows of rowBytes bytes (width pixels each) as one strip appended to out.
    LONG (*encode)(TiffRowSource& rows, DWORD width, DWORD height, size_t rowBytes, WORD tag, std::vector<BYTE>& out);
    // A decoder of one strip, or null with *rc set; null for uncompressed strips, whose rows the
    // reader takes from the source as they are stored.
    std::unique_ptr<TiffStripDecoder> (*decoder)(const TiffStrip& strip, LONG* rc);
};

// The row of a Compression tag value; null for a scheme neither the reader nor the writer has.
const TiffCompressionScheme* TiffCompressionFor(uint32_t tag);

// Whether `present` bytes of a strip of the given compression can decode to its rows at all; a
// compression without a row is held to the most generous bound any row has.
bool TiffStripCanHold(uint32_t tag, uint64_t present, uint64_t rowsSize, const FaxStripParams& fax);
