// LzwRowDecoder: the LZW strip stream of CTIFFLzw decoded a piece at a time, for strips whose
// decoded rows are too large to hold at once. Each code's string is kept in the table as a prefix
// code and a last byte (not as a place in the output, which is handed on piece by piece), so the
// decoder needs only its table and one string's bytes. It gives exactly the bytes
// CTIFFLzw::DecodeStrip gives for the same stream and the same total length.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>

class LzwRowDecoder {
public:
    // The stream's bytes stay the caller's and must outlive the decoder.
    LzwRowDecoder(const BYTE* data, size_t size) : m_data(data), m_size(size) {}

    // The next `count` bytes of the decoded stream into out. *written receives the bytes given;
    // fewer than count when the stream ended or broke (the rest of out is left as it was, and
    // every later call gives nothing).
    void Next(BYTE* out, size_t count, size_t* written);

private:
    static constexpr unsigned kTableSize = 4096;

    bool NextCode(unsigned* code);
    // Writes the string of `code` into m_string (last byte at the end) and returns its start.
    size_t Unfold(unsigned code);
    void AddEntry(unsigned prefix, BYTE last);

    const BYTE* m_data;
    size_t m_size;
    size_t m_in = 0;
    uint64_t m_acc = 0;
    unsigned m_accBits = 0;
    unsigned m_width = 9;
    unsigned m_nextFree = 258;
    unsigned m_growAt = 510;
    bool m_havePrevious = false;
    unsigned m_previous = 0;
    bool m_ended = false;
    // The string not yet handed out: m_string[m_pending, kTableSize).
    size_t m_pending = kTableSize;

    uint16_t m_prefix[kTableSize] = {};
    BYTE m_last[kTableSize] = {};
    BYTE m_first[kTableSize] = {};
    BYTE m_string[kTableSize] = {};
};
