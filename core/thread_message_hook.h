// The WH_GETMESSAGE hook through which the hosts of a thread offer queued messages to their
// enabled TWAIN sources: one hook per thread, shared by reference count, so every message is
// offered once to every hooked engine however many instances the thread has.
#pragma once

#include <windows.h>

// Installs the thread's hook or takes one more reference; null when SetWindowsHookEx failed.
HHOOK AcquireThreadMessageHook(HINSTANCE module, HOOKPROC procedure);
// Gives back one reference; the last one removes the hook.
void ReleaseThreadMessageHook(HHOOK hook);
