// The procedure of the browser's window once an instance has subclassed it: the instance is found
// through the window's user-data word.
#pragma once

#include <windows.h>

LRESULT CALLBACK PluginWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
