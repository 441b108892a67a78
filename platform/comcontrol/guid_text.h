// A GUID written once as its registry text ("XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX") and turned
// into the structure at compile time, so that the type library and the code share one spelling.
#pragma once

#include <windows.h>

namespace comcontrol {

constexpr unsigned HexDigit(char c) {
    return c >= '0' && c <= '9' ? unsigned(c - '0') : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10) : unsigned(c - 'A' + 10);
}

constexpr unsigned long HexValue(const char* text, int digits) {
    unsigned long value = 0;
    for (int i = 0; i < digits; ++i) value = value * 16 + HexDigit(text[i]);
    return value;
}

constexpr GUID GuidFromText(const char (&t)[37]) {
    GUID g{};
    g.Data1 = HexValue(t, 8);
    g.Data2 = static_cast<unsigned short>(HexValue(t + 9, 4));
    g.Data3 = static_cast<unsigned short>(HexValue(t + 14, 4));
    g.Data4[0] = static_cast<unsigned char>(HexValue(t + 19, 2));
    g.Data4[1] = static_cast<unsigned char>(HexValue(t + 21, 2));
    for (int i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<unsigned char>(HexValue(t + 24 + 2 * i, 2));
    return g;
}

}  // namespace comcontrol
