#include "codecs/pdf/pdf_syntax.h"

#include <cstring>

bool PdfIsWhite(BYTE c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == 0; }

bool PdfIsDelimiter(BYTE c) {
    return c == '/' || c == '[' || c == ']' || c == '<' || c == '>' || c == '(' || c == ')' || c == '{' ||
           c == '}' || c == '%';
}

size_t PdfSpan::Find(const char* text, size_t from) const {
    const size_t n = std::strlen(text);
    if (n == 0 || from > size || size - from < n) return npos;
    const BYTE* p = data + from;
    const BYTE* end = data + size - n + 1;
    while (p < end) {
        p = static_cast<const BYTE*>(std::memchr(p, text[0], size_t(end - p)));
        if (!p) return npos;
        if (std::memcmp(p, text, n) == 0) return size_t(p - data);
        ++p;
    }
    return npos;
}

size_t PdfSpan::After(const char* key, size_t from) const {
    const size_t n = std::strlen(key);
    for (size_t at = Find(key, from); at != npos; at = Find(key, at + 1)) {
        size_t end = at + n;
        if (end >= size || PdfIsWhite(data[end]) || PdfIsDelimiter(data[end])) return end;
    }
    return npos;
}

PdfSpan PdfSpan::Sub(size_t from, size_t length) const {
    if (from > size) from = size;
    if (length > size - from) length = size - from;
    return PdfSpan{data + from, length};
}

bool PdfSpan::StartsWith(size_t at, const char* text) const {
    const size_t n = std::strlen(text);
    return at <= size && size - at >= n && std::memcmp(data + at, text, n) == 0;
}

size_t PdfSkipWhite(const PdfSpan& s, size_t at) {
    while (at < s.size && PdfIsWhite(s.data[at])) ++at;
    return at;
}

bool PdfReadInteger(const PdfSpan& s, size_t* at, int64_t* value) {
    size_t i = PdfSkipWhite(s, *at);
    bool negative = false;
    if (i < s.size && (s.data[i] == '-' || s.data[i] == '+')) negative = s.data[i++] == '-';
    int64_t v = 0;
    int digits = 0;
    while (i < s.size && s.data[i] >= '0' && s.data[i] <= '9') {
        if (++digits > 18) return false;
        v = v * 10 + (s.data[i++] - '0');
    }
    if (digits == 0) return false;
    // A real number is not an integer.
    if (i < s.size && s.data[i] == '.') return false;
    *value = negative ? -v : v;
    *at = i;
    return true;
}

bool PdfReadReference(const PdfSpan& s, size_t* at, uint32_t* number) {
    size_t i = *at;
    int64_t n = 0, generation = 0;
    if (!PdfReadInteger(s, &i, &n) || !PdfReadInteger(s, &i, &generation)) return false;
    i = PdfSkipWhite(s, i);
    if (i >= s.size || s.data[i] != 'R') return false;
    if (n < 0 || n > 0x7FFFFFFF || generation < 0) return false;
    *number = uint32_t(n);
    *at = i + 1;
    return true;
}

bool PdfFindReference(const PdfSpan& s, size_t at, uint32_t* number, size_t* after) {
    for (size_t r = s.Find("R", at); r != PdfSpan::npos; r = s.Find("R", r + 1)) {
        // Walk back over "n g " to the start of the first number.
        size_t start = r;
        int numbers = 0;
        while (numbers < 2) {
            while (start > at && PdfIsWhite(s.data[start - 1])) --start;
            size_t digitsEnd = start;
            while (start > at && s.data[start - 1] >= '0' && s.data[start - 1] <= '9') --start;
            if (start == digitsEnd) break;
            ++numbers;
        }
        if (numbers < 2) continue;
        if (start > at && !PdfIsWhite(s.data[start - 1]) && !PdfIsDelimiter(s.data[start - 1])) continue;
        size_t i = start;
        if (PdfReadReference(s, &i, number) && i == r + 1) {
            if (after) *after = i;
            return true;
        }
    }
    return false;
}

bool PdfReadName(const PdfSpan& s, size_t at, char* out, size_t outSize) {
    size_t i = PdfSkipWhite(s, at);
    if (i >= s.size || s.data[i] != '/' || outSize < 2) return false;
    size_t n = 0;
    out[n++] = '/';
    ++i;
    while (i < s.size && !PdfIsWhite(s.data[i]) && !PdfIsDelimiter(s.data[i])) {
        if (n + 1 < outSize) out[n++] = char(s.data[i]);
        ++i;
    }
    out[n] = 0;
    return true;
}
