// Narrow-string helpers over zero-terminated ANSI texts. They never allocate except SplitString
// and never check buffer sizes unless given one: callers pass the engine's fixed buffers (260
// bytes for paths).
#pragma once

#include "lumetta_win.h"

#include <cstddef>

// Replaces every occurrence of `from` by `to` in place; returns the length.
int ReplaceChar(char* text, char from, char to);
// 0 for the empty string; else the separators plus 1, or plus 0 when the text ends in one.
int CountPieces(const char* text, char separator);
// Splits into CountPieces pieces (empty ones between adjacent separators, none after a trailing
// separator), each in its own zero-initialised global block, the pointers in another. False when
// memory runs out (nothing is left allocated then); an empty text gives no pieces and no array.
bool SplitString(const char* text, char separator, char*** pieces, int* count);
void FreeStringArray(char** pieces, int count);
void TrimTrailingChar(char* text, char c);
void TrimTrailingBlanks(char* text);
// Trailing blanks, then trailing backslashes, then trailing slashes.
void TrimTrailingSeparators(char* path);
// Index of the first c at or after start, else -1 (start at or past the end, or negative: -1).
int FindCharFrom(const char* text, char c, int start);
// Index of the last c, else -1.
int ReverseFindChar(const char* text, char c);
// Copies min(count, length - start) characters from start and a terminating zero; a start
// outside the text or a negative count copies nothing (out becomes empty).
void CopySubstring(const char* text, int start, int count, char* out);
// Index of the first occurrence of pattern beginning at or after start and ending before end
// (exclusive bound; end is cut to the length); caseSensitive 0 compares ASCII letters without
// case. -1 for an empty pattern, start >= end, or no match.
int FindSubstring(const char* text, const char* pattern, int start, int end, int caseSensitive);
int FindSubstringInString(const char* text, const char* pattern, int caseSensitive);
// The digits weighted by position from the left, a non-digit counting 0 but keeping its place
// ("12a" is 120). Null or empty: 0. Values past the 32-bit range stay at 2147483647.
LONG ParseDecimal(const char* text);
// When path (zero-terminated, in a buffer of capacity bytes) contains "\AppData\Roaming" (any
// case), everything from there becomes "\AppData\LocalLow". False, path unchanged, when the
// result would not fit.
bool RewriteRoamingToLocalLow(char* path, size_t capacity);
