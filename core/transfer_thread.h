// The transfer thread: writes an upload body, or reads a download, through WinInet in chunks of
// at most 8192 bytes, reporting the percentage after each chunk through engine slot 18, while
// the calling thread runs the modal "File Transfer..." dialog or pumps messages.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/error_codes.h"
#include "resources/resource_ids.h"

class COstrelBase;

constexpr DWORD kTransferChunkBytes = 8192;
constexpr int kTransferDialogId = IDD_FILE_TRANSFER;
constexpr int kTransferProgressId = IDC_TRANSFER_PROGRESS;
constexpr int kTransferCancelId = IDC_TRANSFER_CANCEL;
constexpr UINT WM_TRANSFER_PERCENT = WM_USER + 1;
constexpr UINT WM_TRANSFER_END = WM_USER + 2;
// Exit code of a transfer thread that stopped because the transfer was cancelled.
constexpr DWORD kTransferCancelledExit = static_cast<DWORD>(kErrUserCancelled);

typedef BOOL(WINAPI* InternetWriteFn)(HINTERNET, LPCVOID, DWORD, LPDWORD);
typedef BOOL(WINAPI* InternetReadFn)(HINTERNET, LPVOID, DWORD, LPDWORD);

struct TransferThreadParams {
    volatile HWND dialog = nullptr;  // filled in by the dialog when it opens
    HANDLE startEvent = nullptr;     // unnamed; signalled once the dialog exists (or never will)
    COstrelBase* engine = nullptr;
    HINTERNET handle = nullptr;
    InternetWriteFn write = nullptr;  // uploads
    InternetReadFn read = nullptr;    // downloads
    volatile LONG hasDialog = 0;
    BYTE* data = nullptr;
    DWORD size = 0;
    volatile LONG finished = 0;  // set by the thread before it ends the dialog
    volatile LONG percent = 0;   // the thread's latest percentage, which the dialog's bar follows
};

// The bar is moved at most this often by the thread's messages (a repaint costs far more than a
// chunk on a fast line); the dialog's timer catches up with the latest percentage in between.
constexpr ULONGLONG kTransferBarIntervalMs = 50;

// Runs one transfer thread with the engine's dialog option and waits for it. True when the
// thread ended with 0; otherwise *failure holds the engine error code to store (-1032 when
// cancelled, else -3000 minus the thread's or the system's error).
bool RunTransferThread(TransferThreadParams& params, bool upload, LONG* failure);
