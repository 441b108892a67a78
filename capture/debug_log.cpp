#include "capture/debug_log.h"

#include <cstdarg>
#include <cstring>

volatile LONG g_LogFlag = 0;

void FormatDebugLogLine(char* buffer, const SYSTEMTIME& t, const char* format, va_list args) {
    memset(buffer, 0, 1252);
    int prefix = wsprintfA(buffer, "[%04d/%02d/%02d %02d:%02d:%02d:%03d] ", t.wYear, t.wMonth, t.wDay,
                           t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    // wvsprintfA writes at most 1024 characters: the line fits the 1252-byte buffer.
    wvsprintfA(buffer + prefix, format, args);
}

void DebugLog(int level, const char* format, ...) {
    if (level == g_LogFlag) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char line[1252];
    va_list args;
    va_start(args, format);
    FormatDebugLogLine(line, now, format, args);
    va_end(args);
    OutputDebugStringA(line);
}

void CenterWindow(HWND window) {
    RECT outer;
    HWND parent = GetParent(window);
    GetWindowRect(parent ? parent : GetDesktopWindow(), &outer);
    RECT own;
    GetWindowRect(window, &own);
    int w = own.right - own.left;
    int h = own.bottom - own.top;
    int x = outer.left + ((outer.right - outer.left) - w) / 2;
    int y = outer.top + ((outer.bottom - outer.top) - h) / 2;
    // A user cannot answer a dialog they cannot see: a top-level window stays inside the work area
    // of its parent's monitor, its top-left corner first when it is larger than that area.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!(GetWindowLongA(window, GWL_STYLE) & WS_CHILD) &&
        GetMonitorInfoA(MonitorFromWindow(parent ? parent : window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& area = monitor.rcWork;
        if (x + w > area.right) x = area.right - w;
        if (y + h > area.bottom) y = area.bottom - h;
        if (x < area.left) x = area.left;
        if (y < area.top) y = area.top;
    }
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE);
}
