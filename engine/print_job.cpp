#include "engine/print_job.h"

#include <commdlg.h>

#include <algorithm>
#include <cstring>

#include "base/dib_layout.h"
#include "engine/print_layout.h"
#include "resources/resource_ids.h"

namespace {

// The running job's state, shared by the dialog and abort procedures the printing system calls.
volatile LONG g_cancelled = 0;
HWND g_cancelDialog = nullptr;
bool g_jobRunning = false;
CPrint* g_runningJob = nullptr;

void ResetJobState() {
    g_cancelled = 0;
    g_cancelDialog = nullptr;
}

// A private copy of a buffer image: page script runs while the job pumps messages and may
// remove or replace the buffer's block while the printer reads it.
HGLOBAL CopyImage(HGLOBAL dib, DibLayout* layout) {
    if (!dib || !ComputeDibLayout(dib, layout)) return nullptr;
    const void* source = GlobalLock(dib);
    if (!source) return nullptr;
    HGLOBAL copy = GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(layout->totalBytes));
    if (copy) std::memcpy(copy, source, static_cast<size_t>(layout->totalBytes));
    GlobalUnlock(dib);
    return copy;
}

WORD PageNumber(int page) { return static_cast<WORD>(std::clamp(page, 0, 0xFFFF)); }

}  // namespace

CPrint::CPrint(CMultiImageTWAIN* engine, HINSTANCE module, LONG printUI)
    : m_engine(engine), m_module(module), m_printUI(printUI) {
    // A job object made while another job runs (from page script inside it) leaves that job's
    // cancel state alone; its own PrintImages is refused.
    if (!g_jobRunning) ResetJobState();
}

bool CPrint::JobRunning() { return g_jobRunning; }

void CPrint::ForgetEngine(const CMultiImageTWAIN* engine) {
    if (!g_runningJob || !engine || g_runningJob->m_engine != engine) return;
    g_runningJob->m_engine = nullptr;
    g_cancelled = 1;
}

INT_PTR CALLBACK CPrint::CancelDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        EnableMenuItem(GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
        return TRUE;
    case WM_COMMAND:
        g_cancelled = 1;
        DestroyWindow(dialog);
        return TRUE;
    case WM_DESTROY:
        // Also when its owner goes away with the page.
        if (g_cancelDialog == dialog) g_cancelDialog = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

BOOL CALLBACK CPrint::AbortProc(HDC, int) {
    MSG msg;
    while (!g_cancelled && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!g_cancelDialog || !IsDialogMessageA(g_cancelDialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return !g_cancelled;
}

bool CPrint::PrintPage(HDC dc, int index, int pageWidth, int pageHeight, int dpiX, int dpiY) {
    if (!m_engine || index < 0 || index >= m_engine->GetImageCount()) return false;
    DibLayout layout;
    HGLOBAL copy = CopyImage(m_engine->GetImageDIB(static_cast<SHORT>(index)), &layout);
    if (!copy) return false;
    const auto* info = static_cast<const BITMAPINFO*>(static_cast<void*>(copy));
    const BYTE* rows = static_cast<const BYTE*>(static_cast<void*>(copy)) + layout.pixelOffset;
    const PrintPlacement place = PlaceImageOnPage(pageWidth, pageHeight, dpiX, dpiY, layout.width, layout.height,
                                                  info->bmiHeader.biXPelsPerMeter, info->bmiHeader.biYPelsPerMeter);
    StartPage(dc);
    StretchDIBits(dc, place.left, place.top, place.width, place.height, 0, 0, layout.width, layout.height, rows, info,
                  DIB_RGB_COLORS, SRCCOPY);
    EndPage(dc);
    GlobalFree(copy);
    return true;
}

BOOL CPrint::PrintImages(HWND owner, int firstPage, int lastPage, int copies) {
    if (!m_engine || g_jobRunning) return FALSE;
    g_jobRunning = true;
    g_runningJob = this;
    const int n = m_engine->GetImageCount();

    PRINTDLGA pd = {};
    pd.lStructSize = sizeof(pd);
    pd.hwndOwner = owner;
    pd.Flags = PD_RETURNDC | PD_PAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
    if (!m_printUI) pd.Flags |= PD_RETURNDEFAULT;
    pd.nFromPage = PageNumber(firstPage);
    pd.nToPage = PageNumber(lastPage);
    pd.nMinPage = 1;
    pd.nMaxPage = PageNumber(n);
    pd.nCopies = PageNumber(copies);
    // Page script runs inside the print dialog and may delete the engine with its host.
    if (!PrintDlgA(&pd) || !pd.hDC || !m_engine) {
        if (pd.hDC) DeleteDC(pd.hDC);
        if (pd.hDevMode) GlobalFree(pd.hDevMode);
        if (pd.hDevNames) GlobalFree(pd.hDevNames);
        g_runningJob = nullptr;
        g_jobRunning = false;
        return FALSE;
    }
    HDC dc = pd.hDC;

    if (m_printUI) {
        g_cancelled = 0;
        g_cancelDialog = CreateDialogParamA(m_module, MAKEINTRESOURCEA(IDD_CANCEL_PRINTING), owner, CancelDialogProc, 0);
        SetAbortProc(dc, AbortProc);
    }

    const int pageWidth = GetDeviceCaps(dc, HORZRES), pageHeight = GetDeviceCaps(dc, VERTRES);
    const int dpiX = GetDeviceCaps(dc, LOGPIXELSX), dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    SetStretchBltMode(dc, COLORONCOLOR);
    DOCINFOA doc = {};
    doc.cbSize = sizeof(doc);
    doc.lpszDocName = "Print image";
    const bool started = StartDocA(dc, &doc) > 0;

    if (started) {
        const int from = pd.nFromPage < 2 ? 0 : pd.nFromPage - 1;
        const int to = pd.nToPage < n ? pd.nToPage - 1 : n - 1;
        for (int copy = 0; copy < pd.nCopies && !g_cancelled; ++copy) {
            for (int index = from; index <= to; ++index) {
                PrintPage(dc, index, pageWidth, pageHeight, dpiX, dpiY);
                if (g_cancelled) break;
            }
        }
    }

    if (pd.hDevMode) GlobalFree(pd.hDevMode);
    if (pd.hDevNames) GlobalFree(pd.hDevNames);
    if (g_cancelDialog) DestroyWindow(g_cancelDialog);
    if (started) EndDoc(dc);
    DeleteDC(dc);
    ResetJobState();
    g_runningJob = nullptr;
    g_jobRunning = false;
    return started ? TRUE : FALSE;
}
