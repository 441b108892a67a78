// Texts at the boundary between the browser (UTF-8, not terminated) and the engine (ANSI in the
// system code page). ASCII passes unchanged both ways.
#pragma once

#include <string>

#include "npapi/np_runtime.h"

// The engine's ANSI text as UTF-8 in browser memory (NPN_MemAlloc), terminated for safety but
// counted without the terminator; false when the browser gives no memory.
bool AnsiToBrowserString(const char* ansi, NPString* out);
// A browser string as ANSI; characters the code page lacks become '?'.
std::string BrowserStringToAnsi(const NPString& text);
// The engine's ANSI text as UTF-8 (null gives an empty text).
std::string AnsiToUtf8(const char* ansi);
