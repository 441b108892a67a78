#include "core/worker_runner.h"

#include <commctrl.h>

#include <cstring>

#include "capture/debug_log.h"
#include "core/browser_addon_base.h"
#include "core/operation_name_table.h"
#include "core/progress_dialog.h"
#include "resources/resource_ids.h"

namespace {

constexpr DWORD kStartWaitMs = 3000;
constexpr LONG kBusyError = kErrCustom2121;
const char kBusyText[] =
    "Another long operation is running on this object. Wait for its OnAfterOperate event before starting one.";

HANDLE CreateThreadDefault(LPTHREAD_START_ROUTINE routine, LPVOID parameter, DWORD* threadId) {
    return CreateThread(nullptr, 0, routine, parameter, CREATE_SUSPENDED, threadId);
}

// The text of the engine's current error code for OnAfterOperate ("" when the code has none).
// Long operations never end in the transfer layer's -2003, so no sub-code goes with it.
const char* CurrentErrorText(CBrowserAddOnBase& engine) {
    const char* text = engine.ErrorTexts().GetErrorText(engine.GetErrorCode());
    return text ? text : "";
}

HWND DialogOf(WorkerTaskContext& task) {
    return static_cast<HWND>(
        InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&task.dialog), nullptr, nullptr));
}

}  // namespace

CreateWorkerThreadFn g_createWorkerThread = CreateThreadDefault;

LongOperationRoute RouteLongOperation(CBrowserAddOnBase* engine) {
    WorkerTaskContext* running = engine->RunningTask();
    if (engine->GetInsideWorker() && running) {
        // Before the worker starts, after it has finished and on the worker itself the work can
        // run right here; only while the worker works would both touch the engine at once.
        bool workerBusy = running->thread && !running->done;
        if (!workerBusy || GetCurrentThreadId() == running->threadId) return LongOperationRoute::Direct;
        engine->ErrorTexts().SetCustomText(kBusyText);
        engine->SetErrorCode(kBusyError);
        return LongOperationRoute::Busy;
    }
    if (engine->GetRunInWorker() == 1 && !engine->GetInsideWorker()) return LongOperationRoute::Worker;
    return LongOperationRoute::Direct;
}

void PumpedWaitForThread(HANDLE thread) {
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        DWORD result = MsgWaitForMultipleObjects(1, &thread, FALSE, 10, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0 || result == WAIT_FAILED) break;
    }
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

BOOL RunInWorkerThread(CBrowserAddOnBase* engine, LPTHREAD_START_ROUTINE routine, WorkerTaskContext* task) {
    LONG id = engine->GetCurrentOperationId();
    strncpy(task->name, OperationName(id), MAX_PATH - 1);
    engine->OnBeforeOperate(id, task->name);
    if (task->abandoned) return FALSE;  // the page destroyed the object in its handler

    // Unnamed: a name could meet another instance's event in this or another process.
    if (engine->GetIfShowProgressBar() == 1) task->startEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    DWORD threadId = 0;
    HANDLE thread = g_createWorkerThread(routine, task, &threadId);
    DWORD lastError = GetLastError();
    if (DebugLogOn()) {
        DebugLog(0, "%s create thread handle:%x, last error:%d\r\n", task->name,
                 static_cast<unsigned>(reinterpret_cast<UINT_PTR>(thread)), static_cast<int>(lastError));
    }
    if (thread) {
        // The worker starts only once the task knows it, so its own calls route as its own.
        task->threadId = threadId;
        task->thread = thread;
        ResumeThread(thread);
        if (!ShowProgressDialog(*task) && task->startEvent) SetEvent(task->startEvent);
        PumpedWaitForThread(thread);
        task->thread = nullptr;
        CloseHandle(thread);
    } else {
        // Nothing would ever signal the start event: fail now instead of waiting for it.
        task->result = FALSE;
        engine->SetErrorCode(kErrSystemBase - static_cast<LONG>(lastError ? lastError : ERROR_NOT_ENOUGH_MEMORY));
    }
    if (task->startEvent) CloseHandle(task->startEvent);
    task->startEvent = nullptr;
    task->dialog = nullptr;

    // The engine was destroyed by an event handler while the worker ran: it is gone.
    if (task->abandoned) return thread != nullptr;
    engine->OnAfterOperate(id, task->name, task->result, CurrentErrorText(*engine));
    return thread != nullptr;
}

void FinishWorkerTask(WorkerTaskContext& task) {
    task.result = task.operation ? task.operation(task) : FALSE;
    // Done first, then the handle: either this thread sees the dialog's handle, or the dialog,
    // storing it afterwards, sees the done flag and ends itself.
    InterlockedExchange(&task.done, 1);
    if (HWND dialog = DialogOf(task)) SendMessageA(dialog, WM_END_PROGRESS_DIALOG, 0, 0);
}

DWORD WINAPI WorkerThreadProc(LPVOID parameter) {
    auto* task = static_cast<WorkerTaskContext*>(parameter);
    if (!task || !task->engine) return 0;
    if (task->startEvent) WaitForSingleObject(task->startEvent, kStartWaitMs);
    FinishWorkerTask(*task);
    return 0;
}

void ReportOperationStatus(CBrowserAddOnBase* engine, const char* text, LONG percent) {
    if (WorkerTaskContext* task = engine->RunningTask()) {
        if (task->abandoned) return;
        if (HWND dialog = DialogOf(*task)) {
            SetWindowTextA(dialog, text ? text : "");
            SendDlgItemMessageA(dialog, IDC_TRANSFER_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
        }
    }
    engine->OnOperateStatus(text, percent);
}

void WaitForWorkerOfEngine(CBrowserAddOnBase* engine) {
    WorkerTaskContext* task = engine->RunningTask();
    if (!task) return;
    InterlockedExchange(&task->abandoned, 1);
    HANDLE thread = task->thread;
    if (thread && GetCurrentThreadId() != task->threadId) {
        // Called from a handler of an event the worker is sending: let the worker go on.
        if (InSendMessage()) ReplyMessage(0);
        WaitHandlingSentMessages(thread, INFINITE);
    }
    engine->SetRunningTask(nullptr);
    engine->SetInsideWorker(0);
}
