#include "engine/ansi_strings.h"

#include <cstdint>
#include <cstring>

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

int Length(const char* text) { return text ? static_cast<int>(strlen(text)) : 0; }

}  // namespace

int ReplaceChar(char* text, char from, char to) {
    int n = Length(text);
    for (int i = 0; i < n; ++i) {
        if (text[i] == from) text[i] = to;
    }
    return n;
}

int CountPieces(const char* text, char separator) {
    int n = Length(text);
    if (n == 0) return 0;
    int separators = 0;
    for (int i = 0; i < n; ++i) separators += text[i] == separator;
    return text[n - 1] == separator ? separators : separators + 1;
}

bool SplitString(const char* text, char separator, char*** pieces, int* count) {
    *pieces = nullptr;
    *count = 0;
    int total = CountPieces(text, separator);
    if (total == 0) return true;
    auto** array = static_cast<char**>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(char*) * size_t(total)));
    if (!array) return false;
    const char* start = text;
    for (int k = 0; k < total; ++k) {
        const char* end = strchr(start, separator);
        size_t length = end ? size_t(end - start) : strlen(start);
        array[k] = static_cast<char*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, length + 1));
        if (!array[k]) {
            FreeStringArray(array, total);
            return false;
        }
        memcpy(array[k], start, length);
        start = end ? end + 1 : start + length;
    }
    *pieces = array;
    *count = total;
    return true;
}

void FreeStringArray(char** pieces, int count) {
    if (!pieces) return;
    for (int k = 0; k < count; ++k) {
        if (pieces[k]) GlobalFree(pieces[k]);
    }
    GlobalFree(pieces);
}

void TrimTrailingChar(char* text, char c) {
    int n = Length(text);
    while (n > 0 && text[n - 1] == c) text[--n] = 0;
}

void TrimTrailingBlanks(char* text) { TrimTrailingChar(text, ' '); }

void TrimTrailingSeparators(char* path) {
    TrimTrailingBlanks(path);
    TrimTrailingChar(path, '\\');
    TrimTrailingChar(path, '/');
}

int FindCharFrom(const char* text, char c, int start) {
    int n = Length(text);
    if (start < 0 || start >= n) return -1;
    for (int i = start; i < n; ++i) {
        if (text[i] == c) return i;
    }
    return -1;
}

int ReverseFindChar(const char* text, char c) {
    for (int i = Length(text) - 1; i >= 0; --i) {
        if (text[i] == c) return i;
    }
    return -1;
}

void CopySubstring(const char* text, int start, int count, char* out) {
    int n = Length(text);
    int copied = 0;
    if (start >= 0 && start < n && count > 0) copied = count < n - start ? count : n - start;
    if (copied) memcpy(out, text + start, size_t(copied));
    out[copied] = 0;
}

int FindSubstring(const char* text, const char* pattern, int start, int end, int caseSensitive) {
    int n = Length(text);
    int m = Length(pattern);
    if (end > n) end = n;
    if (start < 0) start = 0;
    if (m == 0 || start >= end) return -1;
    for (int i = start; i + m <= end; ++i) {
        int k = 0;
        while (k < m && (caseSensitive ? text[i + k] == pattern[k] : LowerAscii(text[i + k]) == LowerAscii(pattern[k])))
            ++k;
        if (k == m) return i;
    }
    return -1;
}

int FindSubstringInString(const char* text, const char* pattern, int caseSensitive) {
    return FindSubstring(text, pattern, 0, Length(text), caseSensitive);
}

LONG ParseDecimal(const char* text) {
    int64_t value = 0;
    for (int i = 0, n = Length(text); i < n; ++i) {
        int digit = text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : 0;
        value = value * 10 + digit;
        if (value > INT32_MAX) return INT32_MAX;
    }
    return static_cast<LONG>(value);
}

bool RewriteRoamingToLocalLow(char* path, size_t capacity) {
    static const char kRoaming[] = "\\AppData\\Roaming";
    static const char kLocalLow[] = "\\AppData\\LocalLow";
    int at = FindSubstringInString(path, kRoaming, 0);
    if (at < 0) return true;
    if (size_t(at) + sizeof(kLocalLow) > capacity) return false;
    memcpy(path + at, kLocalLow, sizeof(kLocalLow));
    return true;
}
