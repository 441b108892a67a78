#include "core/text_fit.h"

#include <cstring>

#include "compat/lumetta_win.h"

size_t CutAtCharacter(const char* text, size_t length, size_t limit) {
    size_t i = 0;
    while (i < length) {
        const size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < length ? 2 : 1;
        if (i + step > limit) break;
        i += step;
    }
    return i;
}

bool FitText(const char* text, size_t length, char* buffer, size_t size, TextFit fit) {
    if (!buffer || size == 0) return false;
    if (!text) length = 0;
    if (length > size - 1) {
        if (fit == TextFit::Refuse) return false;
        length = CutAtCharacter(text, length, size - 1);
    }
    if (length) std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return true;
}
