#include "core/progress_dialog.h"

#include <commctrl.h>

#include <cstring>

#include "capture/debug_log.h"
#include "core/browser_addon_base.h"
#include "core/worker_runner.h"
#include "resources/resource_ids.h"

namespace {

constexpr UINT_PTR kSpinnerTimer = 1;
constexpr UINT kSpinnerMs = 601;

WorkerTaskContext* TaskOf(HWND dialog) {
    return reinterpret_cast<WorkerTaskContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            auto* task = reinterpret_cast<WorkerTaskContext*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            CenterWindow(dialog);
            InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&task->dialog), dialog);
            SendDlgItemMessageA(dialog, IDC_TRANSFER_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
            SetTimer(dialog, kSpinnerTimer, kSpinnerMs, nullptr);
            ShowWindow(GetDlgItem(dialog, IDC_TRANSFER_CANCEL), SW_HIDE);
            SetWindowTextA(dialog, task->name);
            SendDlgItemMessageA(dialog, IDC_TRANSFER_PROGRESS, PBM_SETPOS, 1, 0);
            if (task->startEvent) SetEvent(task->startEvent);
            // The worker may have finished before this dialog stored its handle (its wait for the
            // start event timed out): it then could not end the dialog, so the dialog ends itself.
            if (task->done) EndDialog(dialog, 0);
            return TRUE;
        }
        case WM_TIMER: {
            WorkerTaskContext* task = TaskOf(dialog);
            if (wParam != kSpinnerTimer || !task) return FALSE;
            if (task->done) {
                EndDialog(dialog, 0);
                return TRUE;
            }
            char caption[MAX_PATH] = {};
            GetWindowTextA(dialog, caption, MAX_PATH);
            AdvanceSpinnerCaption(caption);
            SetWindowTextA(dialog, caption);
            return TRUE;
        }
        case WM_END_PROGRESS_DIALOG:
            EndDialog(dialog, static_cast<INT_PTR>(wParam));
            return TRUE;
        case WM_COMMAND:
            // No cancel: Escape and the hidden button do nothing while the operation runs.
            return LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDC_TRANSFER_CANCEL;
        case WM_DESTROY: {
            KillTimer(dialog, kSpinnerTimer);
            if (WorkerTaskContext* task = TaskOf(dialog)) {
                InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&task->dialog), nullptr, dialog);
            }
            return FALSE;
        }
        default:
            return FALSE;
    }
}

}  // namespace

void AdvanceSpinnerCaption(char (&caption)[MAX_PATH]) {
    static const char kCycle[] = "_\\|/";
    caption[MAX_PATH - 1] = '\0';
    size_t n = strlen(caption);
    const char* at = n ? strchr(kCycle, caption[n - 1]) : nullptr;
    if (at) {
        caption[n - 1] = kCycle[(at - kCycle + 1) % 4];
    } else if (n < MAX_PATH - 1) {
        caption[n] = '_';
        caption[n + 1] = '\0';
    } else {
        caption[n - 1] = '_';
    }
}

bool ShowProgressDialog(WorkerTaskContext& task) {
    if (task.engine->GetIfShowProgressBar() != 1) return true;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    INT_PTR result = DialogBoxParamA(task.engine->CoreModuleInstance(), MAKEINTRESOURCEA(IDD_FILE_TRANSFER),
                                     task.engine->OwnerWindow(), ProgressDialogProc, reinterpret_cast<LPARAM>(&task));
    return result != -1;
}
