// The engine's error codes and their fixed English texts, which the page reads through
// ErrorString; the codes, their values and texts are the rows of base/error_codes.def. A TWAIN
// condition code t is stored as -1000 - t, a system error n as -3000 - n.
#pragma once

#include "lumetta_win.h"

#include <cstddef>

enum EngineError : LONG {
#define LUMETTA_ERROR(name, value, text) name = value,
#define LUMETTA_ERROR_CODE(name, value) name = value,
#define LUMETTA_PLUGIN_ERROR_TEXT(name, text)
#include "base/error_codes.def"
#undef LUMETTA_ERROR
#undef LUMETTA_ERROR_CODE
#undef LUMETTA_PLUGIN_ERROR_TEXT
};

// The fixed text of a code, or null when it has none (custom-text codes, system and WinInet
// errors, unknown codes). The plug-in names its own source manager library in -1030.
const char* FixedErrorText(LONG code, bool pluginHost = false);

// -2119, -2120 and -2121: the failing operation attaches its own text.
inline bool IsCustomTextError(LONG code) { return code <= kErrCustom2119 && code >= kErrCustom2121; }

// The system error number a code stands for (-3000 - code).
inline LONG SystemErrorNumber(LONG code) { return kErrSystemBase - code; }

// -15000 to -15175: WinInet's errors 12000 to 12175, whose texts live in wininet.dll.
inline bool IsWinInetError(LONG code) { return code <= kErrWinInetFirst && code >= kErrWinInetLast; }

// Every code of the fixed table, in table order, for tests and listings.
struct FixedErrorEntry {
    LONG code;
    const char* text;
};
const FixedErrorEntry* FixedErrorTable(size_t* count);
