#include "core/transfer_thread.h"
#include "base/error_codes.h"

#include <commctrl.h>

#include "capture/debug_log.h"
#include "core/ostrel_base.h"
#include "core/worker_runner.h"

namespace {

constexpr UINT_PTR kFinishedTimer = 1;

void EndTransferDialog(TransferThreadParams& p) {
    InterlockedExchange(&p.finished, 1);
    HWND dialog = p.dialog;
    if (InterlockedCompareExchange(&p.hasDialog, 0, 0) && dialog) SendMessageA(dialog, WM_TRANSFER_END, 0, 0);
}

// The last percentage sent to the dialog's bar and when.
struct BarShown {
    SHORT percent = -1;
    ULONGLONG at = 0;
};

void ReportPercent(TransferThreadParams& p, SHORT percent, BarShown& shown) {
    // The bar moves by a posted message, so the transfer never waits for the dialog's thread to
    // paint it, and only when its value changes: the first value and the last at once, the ones
    // between at most every kTransferBarIntervalMs (the dialog's timer shows what was skipped).
    InterlockedExchange(&p.percent, percent);
    HWND dialog = p.dialog;
    if (percent != shown.percent && InterlockedCompareExchange(&p.hasDialog, 0, 0) && dialog) {
        ULONGLONG now = GetTickCount64();
        if (shown.percent < 0 || percent >= 100 || now - shown.at >= kTransferBarIntervalMs) {
            PostMessageA(dialog, WM_TRANSFER_PERCENT, percent, 0);
            shown.percent = percent;
            shown.at = now;
        }
    }
    LONG cancel = 0;
    p.engine->OnTransferPercentage(percent, &cancel);
    if (cancel == 1) p.engine->SetIfCancelTransfer(1);
}

// An error number for a failed call that left no last error behind.
DWORD ErrorOr(DWORD fallback) {
    DWORD error = GetLastError();
    return error ? error : fallback;
}

DWORD WINAPI TransferThreadMain(LPVOID context) {
    auto& p = *static_cast<TransferThreadParams*>(context);
    if (p.startEvent) WaitForSingleObject(p.startEvent, INFINITE);
    // Cancelled before the first byte (the dialog could not be shown): nothing is sent.
    if (p.engine->GetIfCancelTransfer()) {
        EndTransferDialog(p);
        return kTransferCancelledExit;
    }
    if (p.size == 0) {
        EndTransferDialog(p);
        return 0;
    }
    DWORD done = 0;
    BarShown shown;
    for (;;) {
        DWORD chunk = p.size - done < kTransferChunkBytes ? p.size - done : kTransferChunkBytes;
        DWORD moved = 0;
        SetLastError(0);
        BOOL ok = p.write ? p.write(p.handle, p.data + done, chunk, &moved) : p.read(p.handle, p.data + done, chunk, &moved);
        if (!ok || moved == 0 || moved > chunk) {
            // A call that failed silently, or moved nothing, is a failure all the same.
            DWORD error = ErrorOr(p.write ? ERROR_WRITE_FAULT : ERROR_HANDLE_EOF);
            EndTransferDialog(p);
            return error;
        }
        done += moved;
        auto percent = static_cast<SHORT>(static_cast<double>(done) / static_cast<double>(p.size) * 100.0);
        ReportPercent(p, percent, shown);
        if (p.engine->GetIfCancelTransfer()) {
            EndTransferDialog(p);
            return kTransferCancelledExit;
        }
        if (done >= p.size) {
            EndTransferDialog(p);
            return 0;
        }
    }
}

INT_PTR CALLBACK TransferDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* p = reinterpret_cast<TransferThreadParams*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            p = reinterpret_cast<TransferThreadParams*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            SendDlgItemMessageA(dialog, kTransferProgressId, PBM_SETRANGE32, 0, 100);
            p->dialog = dialog;
            // A thread that finished before it could reach the dialog is caught by the timer.
            SetTimer(dialog, kFinishedTimer, 100, nullptr);
            SetEvent(p->startEvent);
            return TRUE;
        case WM_TRANSFER_PERCENT:
            SendDlgItemMessageA(dialog, kTransferProgressId, PBM_SETPOS, wParam, 0);
            return TRUE;
        case WM_TRANSFER_END:
            EndDialog(dialog, static_cast<INT_PTR>(wParam));
            return TRUE;
        case WM_TIMER:
            if (!p || wParam != kFinishedTimer) return TRUE;
            if (InterlockedCompareExchange(&p->finished, 0, 0)) {
                EndDialog(dialog, 0);
                return TRUE;
            }
            // A value the thread did not send yet (it sends at most every kTransferBarIntervalMs).
            if (LONG percent = InterlockedCompareExchange(&p->percent, 0, 0);
                percent != static_cast<LONG>(SendDlgItemMessageA(dialog, kTransferProgressId, PBM_GETPOS, 0, 0))) {
                SendDlgItemMessageA(dialog, kTransferProgressId, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
            }
            return TRUE;
        case WM_COMMAND:
            if (p && (LOWORD(wParam) == kTransferCancelId || LOWORD(wParam) == IDCANCEL)) {
                // The thread stops after its current chunk and then ends the dialog.
                p->engine->SetIfCancelTransfer(1);
                return TRUE;
            }
            break;
        case WM_DESTROY:
            KillTimer(dialog, kFinishedTimer);
            if (p) p->dialog = nullptr;
            break;
    }
    return FALSE;
}

}  // namespace

bool RunTransferThread(TransferThreadParams& p, bool upload, LONG* failure) {
    COstrelBase& engine = *p.engine;
    const char* name = upload ? "InternetUploadImage" : "InternetDownloadImage";
    *failure = 0;
    // Every transfer starts uncancelled: a cancel belongs to the transfer it was made in.
    engine.SetIfCancelTransfer(0);
    bool withDialog = engine.GetIfShowCancelDialogWhenImageTransfer() == 1;
    if (withDialog) {
        p.startEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!p.startEvent) {
            *failure = kErrSystemBase - static_cast<LONG>(GetLastError());
            return false;
        }
    }
    p.hasDialog = withDialog ? 1 : 0;
    p.finished = 0;
    p.percent = 0;
    p.dialog = nullptr;
    HANDLE thread = CreateThread(nullptr, 0, TransferThreadMain, &p, 0, nullptr);
    DWORD createError = GetLastError();
    if (DebugLogOn()) DebugLog(0, "%s: create thread handle:%x, last error:%d\r\n", name, thread, createError);
    if (!thread) {
        if (p.startEvent) CloseHandle(p.startEvent);
        p.startEvent = nullptr;
        *failure = kErrSystemBase - static_cast<LONG>(createError);
        return false;
    }
    LONG dialogFailure = 0;
    if (withDialog) {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        INT_PTR shown = DialogBoxParamA(engine.GetModuleInstance(), MAKEINTRESOURCEA(kTransferDialogId),
                                        engine.GetViewerWindow(), TransferDialogProc, reinterpret_cast<LPARAM>(&p));
        if (shown == -1) {
            // No dialog: the thread must neither wait for it nor keep sending, so stop it.
            dialogFailure = kErrSystemBase - static_cast<LONG>(ErrorOr(ERROR_RESOURCE_NAME_NOT_FOUND));
            InterlockedExchange(&p.hasDialog, 0);
            engine.SetIfCancelTransfer(1);
            SetEvent(p.startEvent);
        }
    }
    PumpedWaitForThread(thread);
    DWORD exitCode = 0;
    GetExitCodeThread(thread, &exitCode);
    CloseHandle(thread);
    if (p.startEvent) CloseHandle(p.startEvent);
    p.startEvent = nullptr;
    LONG cancelled = engine.GetIfCancelTransfer();
    if (DebugLogOn()) DebugLog(0, "%s: thread exit code:%d, cancleed:%d, last error:%d\r\n", name, exitCode, cancelled, GetLastError());
    if (dialogFailure) {
        engine.SetIfCancelTransfer(0);
        *failure = dialogFailure;
        return false;
    }
    if (exitCode == 0) return true;
    *failure = cancelled == 1 ? kErrUserCancelled : kErrSystemBase - static_cast<LONG>(exitCode);
    return false;
}
