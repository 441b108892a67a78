// CTIFFFax: the CCITT bilevel strip codec of the TIFF reader and writer (Compression 2 modified
// Huffman, 3 group 3 one- or two-dimensional, 4 group 4). The PDF writer and reader call it
// directly for /CCITTFaxDecode data. Rows are 1 bit per pixel, most significant bit first, and a
// 1 bit is black, a 0 bit white (the container inverts WhiteIsZero pages itself).
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/tiff/fax_bit_reader.h"
#include "codecs/tiff/fax_bit_writer.h"
#include "codecs/tiff/fax_code_tables.h"

// What one strip looks like. The same record drives encoding and decoding.
struct FaxStripParams {
    WORD compression = 4;     // 2 modified Huffman, 3 group 3, 4 group 4
    DWORD width = 0;          // pixels per row
    DWORD height = 0;         // rows in the strip
    size_t rowStride = 0;     // bytes from one row's start to the next, at least (width + 7) / 8
    DWORD t4Options = 0;      // compression 3: bit 0 two-dimensional coding, bit 2 EOLs byte-aligned
                              // (bit 1, uncompressed mode, is refused for writing)
    DWORD t6Options = 0;      // compression 4: 0 (uncompressed mode, bit 1, is refused for writing)
    WORD fillOrder = 1;       // decoding: 1 most significant bit first, 2 least significant first
    DWORD kFactor = 4;        // compression 3 two-dimensional: a 1-D row at least every k rows (T.4)
    bool byteAlignedRows = false;  // every row starts on a byte boundary (PDF /EncodedByteAlign)
    bool endOfBlock = true;        // encoding group 4: end with the two EOLs of the end-of-facsimile block
};

class CTIFFFax {
public:
    // Results, as the TIFF container passes them on.
    static constexpr int kOk = 0;
    static constexpr int kNullData = -6;      // null rows, data or output
    static constexpr int kNoMemory = -7;      // memory exhausted while growing the output
    static constexpr int kBadData = -10;      // truncated strip or invalid code
    static constexpr int kUnsupported = -13;  // compression other than 2, 3, 4, or options refused
    static constexpr DWORD kMaxWidth = 1u << 24;

    // Encodes params.height rows starting at rows (top row first) as one strip and appends its
    // bytes to out. Compression 2 pads each row to a byte; 3 writes an EOL before each row (with
    // t4Options bit 0 each EOL carries the 1-D/2-D tag bit); 4 ends with the two EOLs of the
    // end-of-facsimile block. The strip's bytes equal those libtiff writes for the same options.
    static int EncodeStrip(const BYTE* rows, const FaxStripParams& params, std::vector<BYTE>& out);

    // Decodes one strip of size bytes into params.height rows of params.rowStride bytes at rows
    // (rowsSize bytes available; rows beyond it are never written). Rows are written white-based:
    // every row decoded is fully written (a row cut short is completed white). *rowsDecoded (may
    // be null) receives the number of complete rows. kOk when every row decoded, kBadData when the
    // strip ended early or held an invalid code (the rows before stay written, the row it broke
    // in is completed white, and the rows after are not written at all: callers start from blank
    // rows).
    static int DecodeStrip(const BYTE* data, size_t size, const FaxStripParams& params, BYTE* rows,
                           size_t rowsSize, DWORD* rowsDecoded);

    // Whether a strip of `bytes` bytes can hold params.height rows of params.width pixels, so
    // that a reader can refuse a declared size before it reserves the rows: every row takes at
    // least one bit, and a one-dimensional row (compression 2, and 3 without two-dimensional
    // coding) at least one bit for every 512 pixels, since no code covers more.
    static bool CanHoldRows(uint64_t bytes, const FaxStripParams& params);

    // The k factor libtiff picks for two-dimensional group 3 strips: 4 above 150 rows per inch
    // (fine resolution), else 2.
    static DWORD KFactorForResolution(double rowsPerInch) { return rowsPerInch > 150 ? 4 : 2; }

    // Row by row. Encoding: set-up (width, compression and options of params), one call per row,
    // finish; the strip's bytes then stay readable until the next set-up.
    CTIFFFax();
    virtual ~CTIFFFax();
    CTIFFFax(const CTIFFFax&) = delete;
    CTIFFFax& operator=(const CTIFFFax&) = delete;

    int SetupEncoder(const FaxStripParams& params);
    int EncodeRow(const BYTE* row);
    int FinishEncoding();
    const BYTE* EncodedData() const { return m_writer.data(); }
    size_t EncodedSize() const { return m_writer.size(); }

    // Decoding: set-up over a private copy of the strip, then Decode writes rowCount rows of
    // (width + 7) / 8 bytes, `stride` bytes apart; results and damaged rows as DecodeStrip.
    int SetupDecoder(const FaxStripParams& params, const BYTE* data, size_t size);
    int Decode(BYTE* rows, size_t stride, DWORD rowCount, DWORD* rowsDecoded);

    size_t RowBytes() const { return (size_t(m_width) + 7) / 8; }

private:
    int CheckParams(const FaxStripParams& params, bool encoding);
    bool AllocateRuns(size_t entries);
    void FreeRuns();
    void SwapRows();

    // Encoder.
    void PutRun(int colour, uint32_t run);
    void Code1D();
    void Code2D();

    // Decoder.
    enum EolSearch { kEolFound, kEolNone, kEolStripEnd };
    EolSearch SkipEol();
    EolSearch SkipAlignedEol();
    bool CountZeros(size_t* zeros);
    bool DecodeRun(int colour, uint32_t* run);
    bool Decode1D();
    bool Decode2D();
    bool AddChange(uint32_t position);
    void EndRowWhite(uint32_t position);

    WORD m_compression = 4;
    bool m_twoDimensional = false;  // group 3 two-dimensional
    bool m_alignedEol = false;      // group 3: EOLs end on a byte boundary
    bool m_byteAlignedRows = false;
    bool m_endOfBlock = true;
    DWORD m_k = 4;
    uint32_t m_width = 0;
    DWORD m_rowInGroup = 0;         // group 3 two-dimensional: rows since the last 1-D row
    size_t m_rowsRead = 0;          // decoding: rows of the strip read so far, over every call
    bool m_encoding = false;

    // Changing elements of the current and the reference row (capacity entries each, the
    // sentinels included).
    uint32_t* m_current = nullptr;
    uint32_t* m_reference = nullptr;
    size_t m_capacity = 0;
    int m_currentCount = 0;
    int m_referenceCount = 0;
    uint64_t* m_scratch = nullptr;

    fax::BitWriter m_writer;
    fax::BitReader m_reader;
    const fax::RunEntry* m_whiteRuns = nullptr;
    const fax::RunEntry* m_blackRuns = nullptr;
    const fax::ModeEntry* m_modes = nullptr;
};
