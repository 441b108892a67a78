// The output of the PNG writer: a list of global-memory pieces (the signature, then one per
// chunk with its length, type, data and CRC) with the running byte count.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

class PngChunkList {
public:
    PngChunkList() = default;
    ~PngChunkList() { Clear(); }
    PngChunkList(const PngChunkList&) = delete;
    PngChunkList& operator=(const PngChunkList&) = delete;

    // Appends raw bytes as a piece of their own (the signature). False when out of memory.
    bool AppendRaw(const uint8_t* bytes, size_t size);
    // Appends one chunk of the given type around data. False when out of memory.
    bool AppendChunk(uint32_t type, const uint8_t* data, size_t size);

    uint64_t TotalSize() const { return m_total; }

    // Copies every piece in order to dest, which holds TotalSize() bytes.
    void CopyTo(uint8_t* dest) const;
    // Writes every piece in order to file. False when a write fails.
    bool WriteTo(FILE* file) const;

    void Clear();

private:
    struct Piece {
        HGLOBAL block;
        size_t size;
        Piece* next;
    };
    uint8_t* Reserve(size_t size);

    Piece* m_head = nullptr;
    Piece* m_tail = nullptr;
    uint64_t m_total = 0;
};
