// The process-wide diagnostic log, written to the debugger output when LogLevel is on, and the
// window-centring helper.
#pragma once

#include <windows.h>

// The log flag shared by every engine of the process: 0 off, 1 on.
extern volatile LONG g_LogFlag;

inline bool DebugLogOn() { return g_LogFlag != 0; }

// Writes one line "[yyyy/mm/dd hh:mm:ss:mmm] message" when level differs from the log flag.
// Callers test DebugLogOn() and pass level 0. The format is a wvsprintfA format.
void DebugLog(int level, const char* format, ...);

// Formats the line that DebugLog sends (prefix from the given time, then the message), into a
// buffer of at least 1252 bytes. Exposed for tests.
void FormatDebugLogLine(char* buffer, const SYSTEMTIME& time, const char* format, va_list args);

// The product version named in the version line that switching the log on writes.
constexpr char kProductVersionText[] = "Lumetta 8.0";

// Centres a window over its parent (the desktop window when it has none), keeping its size; a
// top-level window is then moved as little as needed to lie inside the work area of the parent's
// monitor.
void CenterWindow(HWND window);
