// ReadBudget: what one read of a multi-page file (TIFF, PDF, and the measuring of a TIFF before
// GDI+ decodes it) may reserve and go through, for the whole read at once.
//
// The rule every multi-page reader follows:
// - a page's block is reserved against the budget before it is reserved, and only when it fits
//   what remains; a block that does not fit ends the read, and the read keeps no page;
// - what was reserved stays counted, whether the page then decodes, fails or is refused, so a
//   failed page never hands its share on to the next one;
// - buffers a page needs only while it decodes are held against the budget and given back after;
// - work on arrays that do not belong to one page's own bytes (offset arrays several pages share,
//   the object tables of a document) is charged to a second allowance, the input's size and a
//   little more, so that the whole read goes through its bytes a bounded number of times.
// The counters tell what a read did, for tests and fuzzers that hold it to its input's size.
#pragma once

#include <cstdint>

#include "base/dib_layout.h"

// What one read did: entries of arrays visited (IFD entries, strip offsets and byte counts, page
// references), bytes of blocks reserved for good, bytes held only while a page decoded, bytes
// written as blank (the zero-fill of new blocks), and the most reserved at once.
struct ReadStats {
    uint64_t entriesVisited = 0;
    uint64_t bytesReserved = 0;
    uint64_t bytesHeld = 0;
    uint64_t bytesCleared = 0;
    uint64_t peakReserved = 0;
    uint32_t blocksRefused = 0;
};

class ReadBudget {
public:
    // bytes: the most the read's blocks take together (the load budget for the input's size unless
    // a caller lowers it); inputBytes: the size of the input, for the allowance of shared work.
    ReadBudget(uint64_t bytes, uint64_t inputBytes)
        : m_left(bytes), m_workLeft(inputBytes + kWorkSlack) {}
    static ReadBudget ForInput(uint64_t inputBytes, uint64_t lowered = 0) {
        return ReadBudget(lowered ? lowered : LoadBudgetFor(inputBytes), inputBytes);
    }

    // Reserves a block for good: false, with nothing counted, when it does not fit what remains.
    bool Reserve(uint64_t bytes) {
        if (!Take(bytes)) return false;
        m_stats.bytesReserved += bytes;
        NotePeak();
        return true;
    }
    // Holds a buffer for the time a page decodes; Release gives it back.
    bool Hold(uint64_t bytes) {
        if (!Take(bytes)) return false;
        m_held += bytes;
        m_stats.bytesHeld += bytes;
        NotePeak();
        return true;
    }
    void Release(uint64_t bytes) {
        const uint64_t given = bytes < m_held ? bytes : m_held;
        m_held -= given;
        m_left += given;
    }
    // Charges work on shared arrays (in bytes of their stored values): false, with nothing
    // charged, once the read has gone through about as many such bytes as its input has.
    bool Charge(uint64_t bytes) {
        if (bytes > m_workLeft) return false;
        m_workLeft -= bytes;
        return true;
    }
    void Visited(uint64_t entries) { m_stats.entriesVisited += entries; }
    void Cleared(uint64_t bytes) { m_stats.bytesCleared += bytes; }

    uint64_t Remaining() const { return m_left; }
    const ReadStats& Stats() const { return m_stats; }

private:
    // Small inputs still read the arrays of a few ordinary pages more than once.
    static constexpr uint64_t kWorkSlack = 64 * 1024;

    bool Take(uint64_t bytes) {
        if (bytes > m_left) {
            ++m_stats.blocksRefused;
            return false;
        }
        m_left -= bytes;
        return true;
    }
    void NotePeak() {
        const uint64_t now = m_stats.bytesReserved + m_held;
        if (now > m_stats.peakReserved) m_stats.peakReserved = now;
    }

    uint64_t m_left;
    uint64_t m_held = 0;
    uint64_t m_workLeft;
    ReadStats m_stats;
};
