// Script texts into the engine's fixed buffers, the same way for every host: a text longer than
// the buffer holds is refused or cut, and a cut never splits a double-byte character.
#pragma once

#include <cstddef>

enum class TextFit { Refuse, Cut };

// The length in bytes of text (length bytes) cut to at most limit bytes at a character boundary.
size_t CutAtCharacter(const char* text, size_t length, size_t limit);

// Copies text (length bytes) into buffer (size bytes, always terminated). False, with the buffer
// untouched, when the text does not fit and fit is Refuse.
bool FitText(const char* text, size_t length, char* buffer, size_t size, TextFit fit);
