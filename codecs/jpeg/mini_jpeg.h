// CMiniJpeg: the own baseline JPEG encoder. Encodes a packed 24-bit (colour, 4:2:0) or 8-bit
// (grey) DIB into a JFIF 1.01 stream, in memory or into a file.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>

class CMiniJpeg {
public:
    // Results.
    static constexpr int kOk = 0;
    static constexpr int kNoMemory = -1;      // memory or lock failure
    static constexpr int kBadDib = -2;        // block too short, size out of range, unreadable layout
    static constexpr int kBadDepth = -3;      // neither 8 nor 24 bits
    static constexpr int kFileFailed = -4;    // the file cannot be created or written

    CMiniJpeg() = default;
    ~CMiniJpeg();
    CMiniJpeg(const CMiniJpeg&) = delete;
    CMiniJpeg& operator=(const CMiniJpeg&) = delete;

    // 1..100; 0 counts as 1, values above 100 as 100. 80 until set.
    void SetQuality(WORD quality) { m_quality = quality; }

    // Encodes the DIB into the object's output block. The DIB is only read.
    int EncodeToMemory(HGLOBAL dib);

    // Hands the encoded stream over; the caller owns (and frees) the block from then on.
    HGLOBAL GetOutput(SIZE_T* size);

    // EncodeToMemory, then writes the stream to a new file at path (replacing any file there);
    // a file left half written is deleted.
    int EncodeToFile(HGLOBAL dib, const char* path);

private:
    void FreeOutput();

    WORD m_quality = 80;
    HGLOBAL m_output = nullptr;
    SIZE_T m_outputSize = 0;
};
