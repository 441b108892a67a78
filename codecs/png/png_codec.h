// CPNG: the own PNG reader and writer. Reads every colour type and bit depth of the format,
// interlaced or not, into a packed bottom-up DIB (1, 4, 8 or 24 bits; alpha is dropped, 16-bit
// samples keep their high byte); writes 1-, 4- and 8-bit DIBs as palette images and 24-bit DIBs
// as RGB, to a file or to one global-memory block. One object serves one read or one write.
#pragma once

#include "lumetta_win.h"

#include <cstdint>

#include "codecs/png/png_chunk_list.h"
#include "codecs/png/png_image_info.h"

class CPNG {
public:
    // Results.
    static constexpr LONG kOk = 0;
    static constexpr LONG kNullName = -1;        // no file name
    static constexpr LONG kCannotCreate = -2;    // the output file cannot be created
    static constexpr LONG kCannotOpen = -3;      // the input file cannot be opened or read
    static constexpr LONG kWriteFailed = -5;     // writing the output file failed
    static constexpr LONG kBadDib = -6;          // no DIB or size pointer, a DIB block that cannot be read
    static constexpr LONG kNoMemory = -7;        // out of memory
    static constexpr LONG kBadFile = -8;         // not a PNG stream this reader accepts, or a damaged one
    static constexpr LONG kUnsupportedDib = -9;  // a DIB depth without a PNG form here (16, 32 bits)
    static constexpr LONG kRowFailed = -11;      // compressing the rows failed

    CPNG() = default;
    virtual ~CPNG();
    CPNG(const CPNG&) = delete;
    CPNG& operator=(const CPNG&) = delete;

    // Decodes a PNG file or byte array into a new DIB kept as the read result; dibSize (may be
    // null) receives its block size.
    LONG ReadFromFile(const char* path, SIZE_T* dibSize);
    LONG ReadFromMemory(uint64_t size, const BYTE* bytes, SIZE_T* dibSize);
    // The decisions a read takes before it reserves the DIB (the chunks up to the image data, the
    // image's size against what its compressed bytes can give), without decoding; dibBytes
    // receives the size of the block a read would make.
    static LONG Measure(uint64_t size, const BYTE* bytes, uint64_t* dibBytes);
    // The DIB of the last read; the caller owns it from then on (null when none).
    HGLOBAL GetDIB();
    // What the last read found in the file's chunks.
    const PngImageInfo& GetInfo() const { return m_info; }

    // Encodes the DIB (only read) into a new file at path; a file left half written is deleted.
    LONG WriteToFile(const char* path, HGLOBAL dib);
    // Encodes the DIB into one new global-memory block, kept as the memory result.
    LONG WriteToMemory(HGLOBAL dib, SIZE_T* size);
    // That block; the caller owns it from then on (null when none).
    HGLOBAL GetMemoryResult();

private:
    LONG Decode(const uint8_t* bytes, uint64_t size);
    LONG Encode(HGLOBAL dib);

    PngImageInfo m_info;
    HGLOBAL m_dib = nullptr;
    PngChunkList m_chunks;
    HGLOBAL m_memoryResult = nullptr;
};
