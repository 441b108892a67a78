// The TWAIN thread: with IfScanInThread on, the source manager is driven from a thread of its own
// whose hidden window is the manager's parent; calls from other threads are carried to it.
#include <cstdio>

#include "capture/debug_log.h"
#include "capture/twain/twain_base.h"

struct TwainCallRecord {
    TW_UINT16 returnCode;
    volatile LONG done;
    DSMENTRYPROC entry;
    CTwainBase* engine;
    pTW_IDENTITY origin;
    pTW_IDENTITY dest;
    TW_UINT32 dg;
    TW_UINT16 dat;
    TW_UINT16 msg;
    TW_MEMREF data;
    HANDLE doneEvent;
};

namespace {

struct TwainThreadStart {
    CTwainBase* engine;
    HINSTANCE module;
    HWND* window;
    HANDLE started;
};

bool ThreadEnded(HANDLE thread) { return !thread || WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }

}  // namespace

DWORD WINAPI CTwainBase::TwainThreadProc(LPVOID param) {
    if (DebugLogOn()) DebugLog(0, "CTwain:ThreadFunc\r\n");
    auto* start = static_cast<TwainThreadStart*>(param);
    if (!start) return static_cast<DWORD>(kErrInvalidValue);
    char className[64];
    snprintf(className, sizeof(className), "TevranoDSM%lu%lu", static_cast<unsigned long>(GetCurrentThreadId()),
             static_cast<unsigned long>(GetTickCount()));
    HINSTANCE module = start->module ? start->module : GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = TwainThreadWindowProc;
    wc.hInstance = module;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.lpszClassName = className;
    if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        if (DebugLogOn()) DebugLog(0, "CTwain:InitInstance\r\n");
        return GetLastError();
    }
    HWND window = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_NOPARENTNOTIFY,
                                  className, "pallastradsm", WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, nullptr, nullptr, module, nullptr);
    if (!window) {
        DWORD error = GetLastError();
        UnregisterClassA(className, module);
        return error ? error : ERROR_INVALID_WINDOW_HANDLE;
    }
    CTwainBase* engine = start->engine;
    *start->window = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(engine));
    SetEvent(start->started);  // the start record is the starter's: not touched from here on

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (DebugLogOn()) {
            DebugLog(0, "thread message loop, msg:%d, hwnd:%x\r\n", msg.message,
                     static_cast<unsigned>(reinterpret_cast<UINT_PTR>(msg.hwnd)));
        }
        if (!engine->ProcessDSMMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    UnregisterClassA(className, module);
    return 0;
}

LRESULT CALLBACK CTwainBase::TwainThreadWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* engine = reinterpret_cast<CTwainBase*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (msg == WM_TWAIN_CARRIED_CALL && wParam == kTwainCarriedCallTag) {
        if (DebugLogOn()) {
            DebugLog(0, "Thread message WndProc, msg:%d, hwnd:%x, action:%x\r\n", msg,
                     static_cast<unsigned>(reinterpret_cast<UINT_PTR>(window)), static_cast<unsigned>(wParam));
        }
        auto* record = reinterpret_cast<TwainCallRecord*>(lParam);
        // Only the record its caller still waits for is taken (and taken once).
        if (!engine || !record ||
            InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&engine->m_pendingCall), nullptr,
                                              record) != record) {
            return 0;
        }
        record->returnCode =
            record->entry(record->origin, record->dest, record->dg, record->dat, record->msg, record->data);
        HANDLE done = record->doneEvent;
        InterlockedExchange(&record->done, 1);
        SetEvent(done);
        if (DebugLogOn()) DebugLog(0, "Thread message after do, event:%s, last error:%d\r\n", engine->m_appEventName, 0);
        return 0;
    }
    if (engine) {
        MSG m = {window, msg, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
        if (engine->ProcessDSMMessage(&m)) return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

TW_UINT16 CTwainBase::CarryCall(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                TW_MEMREF data) {
    if (InterlockedCompareExchange(&m_busy, 1, 0) != 0) return kTwainBusyReturn;
    TwainCallRecord record = {TWRC_FAILURE, 0, m_dsmEntry, this, origin, dest, dg, dat, msg, data, m_appEvent};
    ResetEvent(m_appEvent);
    InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&m_pendingCall), &record);
    if (DebugLogOn()) DebugLog(0, "CallDSMEntryInner in thread begin: DG:%d, DAT:%d,MSG:%d\r\n", dg, dat, msg);
    HANDLE thread = m_thread->thread;
    bool posted = SendNotifyMessageA(m_thread->window, WM_TWAIN_CARRIED_CALL, kTwainCarriedCallTag,
                                     reinterpret_cast<LPARAM>(&record)) != FALSE;
    bool quit = false;
    WPARAM quitCode = 0;
    while (posted && !record.done) {
        if (ThreadEnded(thread)) break;
        // Released without an answer (the thread is being switched off): leave, unless the
        // thread already runs the call, whose record must outlive it.
        if (WaitForSingleObject(m_appEvent, 0) == WAIT_OBJECT_0 &&
            InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&m_pendingCall), nullptr,
                                              &record) == &record) {
            break;
        }
        MSG m;
        if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) {
                quit = true;  // posted again once the call is over
                quitCode = m.wParam;
                continue;
            }
            if (m.message == WM_MOUSEMOVE) continue;
            if (DebugLogOn()) {
                DebugLog(0,
                         "CallDSMEntryInner in thread wait for done: dispatch message, hwnd:%x, msg:%d, wParam:%d, "
                         "lParam:%d\r\n",
                         static_cast<unsigned>(reinterpret_cast<UINT_PTR>(m.hwnd)), m.message,
                         static_cast<int>(m.wParam), static_cast<int>(m.lParam));
            }
            TranslateMessage(&m);
            DispatchMessageA(&m);
            continue;
        }
        HANDLE handles[2] = {m_appEvent, thread};
        MsgWaitForMultipleObjectsEx(2, handles, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    // A record nobody took is withdrawn, so a late message can never reach this stack frame.
    InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&m_pendingCall), nullptr, &record);
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    if (DebugLogOn()) DebugLog(0, "CallDSMEntryInner in thread end: DG:%d, DAT:%d,MSG:%d\r\n", dg, dat, msg);
    InterlockedExchange(&m_busy, 0);
    return record.done ? record.returnCode : TWRC_FAILURE;
}

LONG CTwainBase::StartTwainThread() {
    if (DebugLogOn()) DebugLog(0, "CTwain::Init\r\n");
    // An unnamed start event: no other engine or process can ever open or set it.
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!started) return static_cast<LONG>(GetLastError());
    HWND window = nullptr;
    TwainThreadStart start = {this, m_moduleInstance, &window, started};
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, TwainThreadProc, &start, 0, &id);
    if (!thread) {
        LONG error = static_cast<LONG>(GetLastError());
        CloseHandle(started);
        return error;
    }
    HANDLE handles[2] = {started, thread};
    WaitAnyHandlingSentMessages(2, handles, INFINITE);
    CloseHandle(started);
    if (!ThreadEnded(thread)) {
        m_thread->thread = thread;
        m_thread->threadId = id;
        m_thread->window = window;
        return 0;
    }
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code ? static_cast<LONG>(code) : -1;
}

void CTwainBase::ApplyScanInThread() {
    bool managerWasOpen = m_dsmOpen != 0;
    bool sourceWasOpen = m_sourceOpen != 0;
    TW_IDENTITY source = m_sourceIdentity;
    if (managerWasOpen) CloseSourceManager();
    LONG failure = 0;
    if (m_ifScanInThread) {
        StopTwainThread();
        LONG error = StartTwainThread();
        if (error) {
            if (DebugLogOn()) DebugLog(0, "SetIfScanInThread: last error:%d\r\n", error);
            failure = kErrSystemBase - error;
            m_ifScanInThread = 0;
            m_dsmWindow = m_ownerWindow;
        } else {
            m_dsmWindow = m_thread->window;
        }
    } else {
        m_dsmWindow = m_ownerWindow;
        SetEvent(m_appEvent);
        StopTwainThread();
    }
    if (managerWasOpen && OpenSourceManager() && sourceWasOpen) {
        // The same source again (the manager gives it a new Id); an enabled one is not re-enabled.
        source.Id = 0;
        m_sourceIdentity = source;
        OpenSource();
    }
    if (failure) SetErrorCode(failure);
}

BOOL CTwainBase::SetIfScanInThread(LONG on) {
    on = on ? 1 : 0;
    SetErrorCode(0);
    if (on == m_ifScanInThread) return TRUE;
    // Applying it closes and reopens the source manager, and stops the thread a batch may run on.
    if (RefuseDuringBatch()) return FALSE;
    m_ifScanInThread = on;
    ApplyScanInThread();
    return m_ifScanInThread == on;
}

void CTwainBase::SetTWAINWindowHandle(HWND window, HINSTANCE module) {
    if (DebugLogOn()) {
        DebugLog(0, "SetTWAINWindowHandle, hwnd:%x, hIns:%x\r\n", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(window)),
                 static_cast<unsigned>(reinterpret_cast<UINT_PTR>(module)));
    }
    m_dsmWindow = m_ownerWindow = window;
    m_moduleInstance = module;
    ApplyScanInThread();
}
