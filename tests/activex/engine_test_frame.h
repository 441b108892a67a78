// The frame window that statically linked control tests embed the control in.
#pragma once

#include <windows.h>

inline HWND MakeEngineTestFrame() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumettaEngineTestFrame";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"frame", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                           wc.hInstance, nullptr);
}
