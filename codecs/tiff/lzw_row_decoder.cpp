#include "codecs/tiff/lzw_row_decoder.h"

#include <algorithm>
#include <cstring>

#include "codecs/tiff/lzw_codes.h"

using namespace tiff_lzw;

// Codes of the current width, most significant bit first; false when the stream has no whole
// code left.
bool LzwRowDecoder::NextCode(unsigned* code) {
    if (m_accBits < m_width) {
        while (m_accBits <= 56 && m_in < m_size) {
            m_acc = (m_acc << 8) | m_data[m_in++];
            m_accBits += 8;
        }
        if (m_accBits < m_width) return false;
    }
    m_accBits -= m_width;
    *code = static_cast<unsigned>(m_acc >> m_accBits) & MaxCode(m_width);
    return true;
}

// A new entry: the previous string and one byte. A full table takes no more entries, and the
// code width grows one entry early, as the encoder's does.
void LzwRowDecoder::AddEntry(unsigned prefix, BYTE last) {
    if (m_nextFree >= kTableSize) return;
    m_prefix[m_nextFree] = uint16_t(prefix);
    m_last[m_nextFree] = last;
    m_first[m_nextFree] = prefix < 256 ? BYTE(prefix) : m_first[prefix];
    if (++m_nextFree > m_growAt && m_width < kMaxWidth) m_growAt = MaxCode(++m_width) - 1;
}

size_t LzwRowDecoder::Unfold(unsigned code) {
    size_t at = kTableSize;
    while (code >= 256) {
        m_string[--at] = m_last[code];
        code = m_prefix[code];
    }
    m_string[--at] = BYTE(code);
    return at;
}

void LzwRowDecoder::Next(BYTE* out, size_t count, size_t* written) {
    size_t pos = 0;
    while (pos < count) {
        if (m_pending < kTableSize) {
            const size_t n = std::min<size_t>(kTableSize - m_pending, count - pos);
            memcpy(out + pos, m_string + m_pending, n);
            m_pending += n;
            pos += n;
            continue;
        }
        unsigned code;
        if (m_ended || !NextCode(&code) || code == kEndOfInformation) {
            m_ended = true;
            break;
        }
        if (code == kClear) {
            m_width = kMinWidth;
            m_nextFree = kFirstFree;
            m_growAt = MaxCode(kMinWidth) - 1;
            m_havePrevious = false;
            continue;
        }
        if (code < 256) {
            if (m_havePrevious) AddEntry(m_previous, BYTE(code));
            out[pos++] = BYTE(code);
            m_previous = code;
            m_havePrevious = true;
            continue;
        }
        // After Clear only single bytes are known; a code past the next free entry (or the entry
        // being made when the table is full) is a broken stream.
        if (!m_havePrevious || code > m_nextFree || (code == m_nextFree && m_nextFree >= kTableSize)) {
            m_ended = true;
            break;
        }
        // The entry being made is the previous string and its own first byte.
        const BYTE previousFirst = m_previous < 256 ? BYTE(m_previous) : m_first[m_previous];
        const bool building = code == m_nextFree;
        AddEntry(m_previous, building ? previousFirst : m_first[code]);
        m_pending = Unfold(code);
        m_previous = code;
    }
    *written = pos;
}
