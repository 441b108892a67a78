// The object structure of a PDF document in memory: its cross-reference table, the trailer's
// catalog and information references, and bounded access to each object's dictionary text and
// stream bytes. Every object number and offset is checked against the table and the input.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/pdf/pdf_syntax.h"

// The length of an object's text (after "obj"): up to its first "stream" or "endobj" keyword.
size_t PdfObjectTextEnd(const PdfSpan& body);

class PdfDocument {
public:
    // Only the last this many bytes are searched for the cross-reference table.
    static constexpr size_t kTableWindow = 524288;
    // An object's dictionary is looked for in at most this many bytes from its offset.
    static constexpr size_t kObjectWindow = 524288;

    // Header, cross-reference table and trailer. 0 or CPDF's kBadDocument / kNoMemory.
    LONG Open(const BYTE* bytes, size_t size);

    uint32_t Root() const { return m_root; }
    uint32_t Info() const { return m_info; }  // 0: none
    size_t ObjectCount() const { return m_offsets.size(); }

    // The object's text from after "n g obj" up to its "stream" or "endobj" keyword (strings,
    // names and comments are read as tokens, so the words inside them do not end it), or to
    // the next object's offset, or the window's end. False for a number outside the table, a free entry or an offset outside
    // the input.
    bool Object(uint32_t number, PdfSpan* text) const;
    // The length bytes after the object's "stream" keyword and its line end; false when the
    // object has no stream or the input holds fewer bytes.
    bool Stream(uint32_t number, uint64_t length, PdfSpan* bytes) const;
    // The integer after key in text: a number, or a reference to an object that holds one.
    bool Integer(const PdfSpan& text, const char* key, int64_t* value) const;
    // The reference after key (white space skipped), or false.
    static bool ReferenceAfter(const PdfSpan& text, const char* key, uint32_t* number);

private:
    bool ReadTable(const PdfSpan& window);
    bool ReadTrailer(const PdfSpan& window, size_t at);

    // The end of the bytes that may belong to the object at offset.
    uint64_t SpanEnd(uint64_t offset) const;
    static constexpr uint64_t kBroken = UINT64_MAX;

    PdfSpan m_input;
    std::vector<uint64_t> m_offsets;  // 0: free or missing
    // Filled on first use: the sorted offsets that start an object, and per object 1 + the
    // length of its text (0 not yet walked, kBroken no object there).
    mutable bool m_boundsReady = false;
    mutable std::vector<uint64_t> m_starts;
    mutable std::vector<uint64_t> m_textEnds;
    uint32_t m_root = 0;
    uint32_t m_info = 0;
};
