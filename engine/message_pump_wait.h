// A wait that keeps the calling thread's window messages flowing, for the host window's thread.
#pragma once

#include <windows.h>

// Dispatches queued messages and waits (10 ms at a time) until the handle is signalled: true.
// A WM_QUIT met on the way is posted again for the thread's own loop, and the wait ends: false.
// An invalid handle ends the wait with false.
bool WaitWithMessagePump(HANDLE handle);
