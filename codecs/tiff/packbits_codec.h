// CTIFFPackBits: the PackBits strip codec of the TIFF reader and writer (Compression 32773).
// Each row is packed on its own; runs of 2 to 128 equal bytes become (1 - n, byte), literals of
// 1 to 128 bytes (n - 1, bytes...).
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class CTIFFPackBits {
public:
    static constexpr int kOk = 0;
    static constexpr int kNullData = -6;   // null row, data or output
    static constexpr int kNoMemory = -7;   // memory exhausted while growing the output
    static constexpr int kBadData = -10;   // the data ended before the output was full

    // Packs one row and appends its bytes to out.
    static int EncodeRow(const BYTE* row, size_t size, std::vector<BYTE>& out);

    // height rows of rowBytes bytes, rowStride bytes apart, top row first.
    static int EncodeStrip(const BYTE* rows, size_t rowBytes, DWORD height, size_t rowStride,
                           std::vector<BYTE>& out);

    // Unpacks one strip into out (outSize bytes). *written (may be null) receives the bytes
    // produced; the rest of out is left as it was. kOk when the output was filled, else kBadData.
    static int DecodeStrip(const BYTE* data, size_t size, BYTE* out, size_t outSize, size_t* written);

    // Unpacking a piece at a time: each call continues where the last one stopped, and the pieces
    // together are the bytes DecodeStrip gives.
    class Unpacker {
    public:
        // The data stays the caller's and must outlive the unpacker.
        Unpacker(const BYTE* data, size_t size) : m_data(data), m_size(size) {}
        // The next bytes into out (count at most); fewer when the data ends first.
        size_t Next(BYTE* out, size_t count);

    private:
        const BYTE* m_data;
        size_t m_size;
        size_t m_in = 0;
        size_t m_literal = 0;  // bytes of the current literal still to copy from m_data + m_in
        size_t m_run = 0;      // bytes of the current run still to give
        BYTE m_runByte = 0;
    };

    // The most bytes a strip of `bytes` bytes can unpack to: a run of two bytes gives 128.
    static uint64_t LargestOutput(uint64_t bytes);
};
