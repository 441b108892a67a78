#include "plugin/plugin_window_proc.h"

#include "base/event_record.h"
#include "plugin/plugin_instance.h"

LRESULT CALLBACK PluginWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* instance = reinterpret_cast<PluginInstance*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!instance) return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result;
    {
        PluginCall call(instance);
        result = instance->HandleWindowMessage(window, message, wParam, lParam);
    }
    // An event record's sender learns whether an acquired image was taken (else it frees it).
    if (message == WM_LUMETTA_EVENT) return result;
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT PluginInstance::HandleWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!GetTWAINWindowHandle()) SetTWAINWindowHandle(window, PluginModuleInstance());
    // Queued messages reach an engine with a hook through the hook; the window offers the rest once.
    if (!GetHookHandle()) {
        LONG saved = GetErrorCode();
        MSG msg{window, message, wParam, lParam, 0, {}};
        TwainEventFilter(&msg);
        if (GetErrorCode() == 0 && saved != 0) SetErrorCode(saved);
    }
    SHORT index = static_cast<SHORT>(LOWORD(wParam));
    switch (message) {
        case WM_SIZE:
            if (m_viewer.Window()) MoveWindow(m_viewer.Window(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            break;
        case WM_VIEWER_SET_CURRENT:
            // The viewer reports its own focus: it already shows it, and rebuilding it here would
            // drop the selection it is making.
            SetBusy(TRUE);
            SetSuspendViewUpdates(1);
            SetCurrentImageIndex(static_cast<SHORT>(wParam));
            SetSuspendViewUpdates(0);
            SetBusy(FALSE);
            break;
        case WM_LUMETTA_EVENT:
            return DispatchEventRecord(reinterpret_cast<EventRecord*>(lParam));
        case WM_USER + 403: CallIndexEvent(kOnMouseClick, index); break;
        case WM_USER + 404: CallIndexEvent(kOnMouseMove, index); break;
        case WM_USER + 405: CallIndexEvent(kOnMouseRightClick, index); break;
        case WM_USER + 406: CallIndexEvent(kOnMouseDoubleClick, index); break;
        case WM_USER + 407: CallIndexEvent(kOnTopImageInTheViewChanged, index); break;
        case WM_USER + 408: {
            RECT area{};
            if (lParam) area = *reinterpret_cast<const RECT*>(lParam);
            NPVariant args[5];
            INT32_TO_NPVARIANT(index, args[0]);
            INT32_TO_NPVARIANT(area.left, args[1]);
            INT32_TO_NPVARIANT(area.top, args[2]);
            INT32_TO_NPVARIANT(area.right, args[3]);
            INT32_TO_NPVARIANT(area.bottom, args[4]);
            CallPageFunction(kOnImageAreaSelected, args, 5);
            break;
        }
        case WM_USER + 409: CallIndexEvent(kOnImageAreaDeselected, index); break;
        default: break;
    }
    return 0;
}
