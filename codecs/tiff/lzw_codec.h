// CTIFFLzw: the LZW strip codec of the TIFF reader and writer (Compression 5): codes of 9 to 12
// bits packed most significant bit first, Clear (256) before the first code and End of
// Information (257) at the end, the code width growing one entry early. The same stream is what
// PDF's /LZWDecode reads with its default EarlyChange 1, so the PDF writer and reader use it too.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CTIFFLzw {
public:
    static constexpr int kOk = 0;
    static constexpr int kNullData = -6;   // null row, data or output
    static constexpr int kNoMemory = -7;   // memory exhausted while growing the output
    static constexpr int kBadData = -10;   // the stream ended (or broke) before the output was full

    CTIFFLzw();
    ~CTIFFLzw();
    CTIFFLzw(const CTIFFLzw&) = delete;
    CTIFFLzw& operator=(const CTIFFLzw&) = delete;

    // Incremental encoding of one strip: set-up, one call per row (rows continue one stream),
    // finish. Bytes are appended to out, which must outlive the encoding.
    int EncodeSetup(std::vector<BYTE>* out);
    int EncodeRow(const BYTE* row, size_t size);
    int EncodeFinish();

    // The whole strip at once: height rows of rowBytes bytes, rowStride bytes apart, top row first.
    static int EncodeStrip(const BYTE* rows, size_t rowBytes, DWORD height, size_t rowStride,
                           std::vector<BYTE>& out);

    // Decodes one strip into out (outSize bytes). *written (may be null) receives the bytes
    // produced. kOk when the output was filled, kBadData when the stream ended or broke first
    // (the bytes before stay written).
    static int DecodeStrip(const BYTE* data, size_t size, BYTE* out, size_t outSize, size_t* written);

    // The most bytes a strip of `bytes` bytes can decode to, so that a reader can refuse a
    // declared size the data cannot fill before it reserves anything: codes take at least 9 bits,
    // the n-th code of a stream gives at most n bytes, and no string is longer than the table.
    static uint64_t LargestOutput(uint64_t bytes);

private:
    struct Encoder;
    struct SpareEncoder;  // the encoder the last object left, for the next one
    std::unique_ptr<Encoder> m_encoder;
};
