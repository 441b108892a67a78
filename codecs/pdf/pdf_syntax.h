// Bounded reading of PDF text: every search and every token stays inside the span it is given.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>

struct PdfSpan {
    const BYTE* data = nullptr;
    size_t size = 0;

    static constexpr size_t npos = size_t(-1);

    // The first occurrence of text at or after from, or npos.
    size_t Find(const char* text, size_t from = 0) const;
    // The position just after the first occurrence of the key as a whole name (not the start of
    // a longer name: "/Page" does not match "/Pages"), or npos.
    size_t After(const char* key, size_t from = 0) const;
    // A part of the span, cut to what it holds.
    PdfSpan Sub(size_t from, size_t length = npos) const;
    bool StartsWith(size_t at, const char* text) const;
};

bool PdfIsWhite(BYTE c);
bool PdfIsDelimiter(BYTE c);
size_t PdfSkipWhite(const PdfSpan& s, size_t at);

// An integer (optional sign, at most 18 digits) at at, white space skipped first; at moves past it.
bool PdfReadInteger(const PdfSpan& s, size_t* at, int64_t* value);
// An indirect reference "n g R" at at; at moves past it.
bool PdfReadReference(const PdfSpan& s, size_t* at, uint32_t* number);
// The first reference at or after at (inside the span), or false.
bool PdfFindReference(const PdfSpan& s, size_t at, uint32_t* number, size_t* after = nullptr);
// The name token at at (white space skipped), "/Name" with its slash, in out (cut to outSize - 1).
bool PdfReadName(const PdfSpan& s, size_t at, char* out, size_t outSize);
