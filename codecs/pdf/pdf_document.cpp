#include "codecs/pdf/pdf_document.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

#include "codecs/pdf/pdf_codec.h"

namespace {

// One line of the span at at: its start and end (without the line end); at moves to the next.
bool NextLine(const PdfSpan& s, size_t* at, PdfSpan* line) {
    if (*at >= s.size) return false;
    size_t start = *at, end = start;
    while (end < s.size && s.data[end] != '\n' && s.data[end] != '\r') ++end;
    *line = s.Sub(start, end - start);
    if (end < s.size && s.data[end] == '\r') ++end;
    if (end < s.size && s.data[end] == '\n') ++end;
    *at = end;
    return true;
}

// The line without white space at either end.
PdfSpan Trimmed(PdfSpan line) {
    while (line.size && PdfIsWhite(line.data[0])) line = line.Sub(1);
    while (line.size && PdfIsWhite(line.data[line.size - 1])) line.size--;
    return line;
}

bool LineIs(const PdfSpan& line, const char* word) {
    PdfSpan t = Trimmed(line);
    return t.size == std::strlen(word) && t.StartsWith(0, word);
}

}  // namespace

LONG PdfDocument::Open(const BYTE* bytes, size_t size) {
    m_input = PdfSpan{bytes, size};
    m_offsets.clear();
    m_starts.clear();
    m_textEnds.clear();
    m_boundsReady = false;
    m_root = m_info = 0;
    static const char kHeader[] = "%PDF-";
    if (size < 5) return CPDF::kBadDocument;
    for (size_t i = 0; i < 5; ++i)
        if (std::toupper(bytes[i]) != std::toupper(static_cast<unsigned char>(kHeader[i]))) return CPDF::kBadDocument;
    PdfSpan window = size > kTableWindow ? m_input.Sub(size - kTableWindow) : m_input;
    try {
        if (!ReadTable(window)) return CPDF::kBadDocument;
    } catch (const std::bad_alloc&) {
        return CPDF::kNoMemory;
    }
    if (m_root == 0 || m_root >= m_offsets.size() || m_info >= m_offsets.size()) return CPDF::kBadDocument;
    return CPDF::kOk;
}

bool PdfDocument::ReadTable(const PdfSpan& window) {
    size_t at = 0;
    PdfSpan line;
    bool found = false;
    while (NextLine(window, &at, &line)) {
        if (LineIs(line, "xref")) {
            found = true;
            break;
        }
    }
    if (!found) return false;
    // Subsections "first count", each followed by count entries, up to "trailer".
    while (NextLine(window, &at, &line)) {
        PdfSpan t = Trimmed(line);
        if (t.StartsWith(0, "trailer")) return ReadTrailer(window, size_t(t.data - window.data) + 7);
        size_t i = 0;
        int64_t first = 0, count = 0;
        if (!PdfReadInteger(t, &i, &first) || !PdfReadInteger(t, &i, &count)) return false;
        // Every entry takes a line of the searched window, and no object is smaller than a few
        // bytes: numbers beyond what the window could list are not real.
        if (first < 0 || count < 0 || uint64_t(first) + uint64_t(count) > window.size / 4 + 1) return false;
        if (m_offsets.size() < size_t(first + count)) m_offsets.resize(size_t(first + count), 0);
        for (int64_t k = 0; k < count; ++k) {
            if (!NextLine(window, &at, &line)) return false;
            size_t j = 0;
            int64_t offset = 0, generation = 0;
            PdfSpan e = Trimmed(line);
            if (!PdfReadInteger(e, &j, &offset) || !PdfReadInteger(e, &j, &generation)) return false;
            j = PdfSkipWhite(e, j);
            bool used = j < e.size && e.data[j] == 'n';
            m_offsets[size_t(first + k)] = used && offset > 0 && uint64_t(offset) < m_input.size ? uint64_t(offset) : 0;
        }
    }
    return false;
}

bool PdfDocument::ReadTrailer(const PdfSpan& window, size_t at) {
    PdfSpan rest = window.Sub(at);
    size_t end = rest.Find("startxref");
    if (end != PdfSpan::npos) rest = rest.Sub(0, end);
    if (!ReferenceAfter(rest, "/Root", &m_root)) return false;
    if (!ReferenceAfter(rest, "/Info", &m_info)) m_info = 0;
    return true;
}

bool PdfDocument::ReferenceAfter(const PdfSpan& text, const char* key, uint32_t* number) {
    size_t at = text.After(key);
    return at != PdfSpan::npos && PdfReadReference(text, &at, number);
}

// Where an object's text ends: at the first "stream" or "endobj" that stands as a keyword of its
// own, not inside a string, a name, a comment or a longer word. One pass over the text.
size_t PdfObjectTextEnd(const PdfSpan& body) {
    size_t i = 0;
    while (i < body.size) {
        const BYTE c = body.data[i];
        if (PdfIsWhite(c)) {
            ++i;
        } else if (c == '(') {
            // A literal string: balanced parentheses, a backslash escapes the next byte.
            int depth = 0;
            for (; i < body.size; ++i) {
                const BYTE s = body.data[i];
                if (s == '\\') {
                    ++i;
                } else if (s == '(') {
                    ++depth;
                } else if (s == ')' && --depth == 0) {
                    ++i;
                    break;
                }
            }
        } else if (c == '<' && !body.StartsWith(i, "<<")) {
            // A hexadecimal string.
            while (i < body.size && body.data[i] != '>') ++i;
            ++i;
        } else if (c == '%') {
            while (i < body.size && body.data[i] != '\n' && body.data[i] != '\r') ++i;
        } else if (c == '/') {
            ++i;
            while (i < body.size && !PdfIsWhite(body.data[i]) && !PdfIsDelimiter(body.data[i])) ++i;
        } else if (PdfIsDelimiter(c)) {
            ++i;
        } else {
            const size_t start = i;
            while (i < body.size && !PdfIsWhite(body.data[i]) && !PdfIsDelimiter(body.data[i])) ++i;
            const size_t n = i - start;
            if ((n == 6 && body.StartsWith(start, "stream")) || (n == 6 && body.StartsWith(start, "endobj")))
                return start;
        }
    }
    return body.size;
}

uint64_t PdfDocument::SpanEnd(uint64_t offset) const {
    // An object never reaches into the next object the table places after it (only offsets that
    // really start an object count, so a stray entry cannot cut another object short).
    if (!m_boundsReady) {
        m_boundsReady = true;
        for (size_t n = 1; n < m_offsets.size(); ++n) {
            if (m_offsets[n] == 0) continue;
            PdfSpan head = m_input.Sub(size_t(m_offsets[n]), 64);
            size_t at = 0;
            int64_t number = 0, generation = 0;
            if (PdfReadInteger(head, &at, &number) && PdfReadInteger(head, &at, &generation) &&
                number == int64_t(n) && head.StartsWith(PdfSkipWhite(head, at), "obj"))
                m_starts.push_back(m_offsets[n]);
        }
        std::sort(m_starts.begin(), m_starts.end());
    }
    auto next = std::upper_bound(m_starts.begin(), m_starts.end(), offset);
    uint64_t end = next == m_starts.end() ? m_input.size : *next;
    return end - offset > kObjectWindow ? offset + kObjectWindow : end;
}

bool PdfDocument::Object(uint32_t number, PdfSpan* text) const {
    if (number == 0 || number >= m_offsets.size() || m_offsets[number] == 0) return false;
    const uint64_t offset = m_offsets[number];
    if (m_textEnds.size() != m_offsets.size()) m_textEnds.assign(m_offsets.size(), 0);
    uint64_t& known = m_textEnds[number];
    if (known == kBroken) return false;
    PdfSpan window = m_input.Sub(size_t(offset), size_t(SpanEnd(offset) - offset));
    size_t at = 0;
    int64_t n = 0, generation = 0;
    if (!PdfReadInteger(window, &at, &n) || !PdfReadInteger(window, &at, &generation) || n != int64_t(number)) {
        known = kBroken;
        return false;
    }
    at = PdfSkipWhite(window, at);
    if (!window.StartsWith(at, "obj")) {
        known = kBroken;
        return false;
    }
    PdfSpan body = window.Sub(at + 3);
    // Each object's text is walked once; later lookups reuse where it ended.
    if (known == 0) known = uint64_t(PdfObjectTextEnd(body)) + 1;
    *text = body.Sub(0, size_t(known - 1));
    return true;
}

bool PdfDocument::Stream(uint32_t number, uint64_t length, PdfSpan* bytes) const {
    PdfSpan text;
    if (!Object(number, &text)) return false;
    size_t at = size_t(text.data - m_input.data) + text.size;
    if (!m_input.StartsWith(at, "stream")) return false;
    at += 6;
    if (m_input.StartsWith(at, "\r\n")) {
        at += 2;
    } else if (m_input.StartsWith(at, "\n") || m_input.StartsWith(at, "\r")) {
        at += 1;
    } else {
        return false;
    }
    if (length > m_input.size - at) return false;
    *bytes = m_input.Sub(at, size_t(length));
    return true;
}

bool PdfDocument::Integer(const PdfSpan& text, const char* key, int64_t* value) const {
    size_t at = text.After(key);
    if (at == PdfSpan::npos) return false;
    size_t r = at;
    uint32_t number = 0;
    if (PdfReadReference(text, &r, &number)) {
        PdfSpan object;
        size_t i = 0;
        return Object(number, &object) && PdfReadInteger(object, &i, value);
    }
    return PdfReadInteger(text, &at, value);
}
