#include "engine/message_pump_wait.h"

bool WaitWithMessagePump(HANDLE handle) {
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return false;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, 10, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) return true;
        if (result == WAIT_FAILED) return false;
    }
}
