#include "core/thread_message_hook.h"

namespace {

// Window threads only touch their own entry; the hook lives as long as its thread's instances.
thread_local HHOOK t_hook = nullptr;
thread_local int t_references = 0;

}  // namespace

HHOOK AcquireThreadMessageHook(HINSTANCE module, HOOKPROC procedure) {
    if (t_references == 0) {
        t_hook = SetWindowsHookExW(WH_GETMESSAGE, procedure, module, GetCurrentThreadId());
        if (!t_hook) return nullptr;
    }
    ++t_references;
    return t_hook;
}

void ReleaseThreadMessageHook(HHOOK hook) {
    if (!hook || hook != t_hook || t_references == 0) return;
    if (--t_references == 0) {
        UnhookWindowsHookEx(t_hook);
        t_hook = nullptr;
    }
}
