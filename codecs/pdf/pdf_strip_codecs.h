// The bilevel fax and LZW strip codecs as the PDF writer and reader use them: whole strips of
// top-first rows, packed most significant bit first. In fax rows a 1 bit is black.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pdfstrip {

// Group 4 (T.6) coding of height rows of width pixels, each rowBytes long; the strip ends with
// the end-of-facsimile-block codes. False when the rows cannot be coded.
bool EncodeFaxGroup4(const BYTE* rows, size_t rowBytes, int width, int height, std::vector<BYTE>* out);

// LZW coding (code width growing one entry early, as TIFF and /EarlyChange 1 have it) of
// count bytes: Clear first, End of Information last.
bool EncodeLzw(const BYTE* bytes, size_t count, std::vector<BYTE>* out);

// The parameters of a /CCITTFaxDecode stream.
struct FaxStreamParams {
    int k = 0;                    // < 0 group 4, 0 group 3 one-dimensional, > 0 group 3 mixed
    int columns = 1728;
    int rows = 0;                 // 0: as many as the data holds, up to the output's rows
    bool encodedByteAlign = false;
    bool endOfLine = false;       // every row starts with an EOL code
};

// Decodes into rows rows of rowBytes bytes each (1 = black). False when the data ends or breaks
// before every row (the /Rows given, or rowCount) is decoded.
bool DecodeFax(const BYTE* data, size_t size, const FaxStreamParams& params, BYTE* rows, size_t rowBytes,
               int rowCount);

// Decodes an LZW stream (/EarlyChange 1) into out, at most outSize bytes; the count decoded
// goes to produced. False for a broken stream that yielded nothing.
bool DecodeLzw(const BYTE* data, size_t size, BYTE* out, size_t outSize, size_t* produced);

}  // namespace pdfstrip
