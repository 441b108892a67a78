#include "capture/twain/twain_base.h"

#include <cstdio>
#include <cstring>

#include "capture/debug_log.h"
#include "base/event_record.h"

CTwainBase::CTwainBase() {
    strcpy(m_fileSetup.FileName, "c:\\Tevrano.bmp");
    m_fileSetup.Format = TWFF_BMP;
    m_extInfo.magneticType = 2;

    m_cap = new TwainCapabilityArea{};
    m_cap->itemType = TWTY_FIX32;

    m_appIdentity.Version.MajorNum = 2;
    m_appIdentity.Version.MinorNum = 1;
    m_appIdentity.Version.Language = TWLG_ENGLISH_USA;
    m_appIdentity.Version.Country = TWCY_USA;
    strcpy(m_appIdentity.Version.Info, "Lumetta 8.0");
    m_appIdentity.ProtocolMajor = TWON_PROTOCOLMAJOR;
    m_appIdentity.ProtocolMinor = TWON_PROTOCOLMINOR;
    m_appIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_APP2;
    strcpy(m_appIdentity.Manufacturer, "Corvanta Corporation");
    strcpy(m_appIdentity.ProductFamily, "Tevrano");
    strcpy(m_appIdentity.ProductName, "Pallastra");

    m_thread = new TwainThreadRecord{};

    // The name is kept for the log; the event itself is unnamed, so no two engines (in this
    // process or another) can ever share it.
    snprintf(m_appEventName, sizeof(m_appEventName), "pallastra_app_event_%lu_%lu",
             static_cast<unsigned long>(GetCurrentThreadId()), static_cast<unsigned long>(GetTickCount()));
    m_appEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

CTwainBase::~CTwainBase() {
    if (m_sourceOpen) CloseSource();
    if (m_dsmOpen) CloseSourceManager();
    FreeExtendedInfo();
    StopTwainThread();
    delete m_thread;
    m_thread = nullptr;
    if (m_appEvent) CloseHandle(m_appEvent);
    delete m_cap;
    m_cap = nullptr;
}

void CTwainBase::SetTwainOwnerWindow(HWND window) {
    m_ownerWindow = window;
    if (!m_thread->thread) m_dsmWindow = window;
}

void CTwainBase::OnBitmapAcquired(HGLOBAL dib) {
    if (dib) GlobalFree(dib);
}

void CTwainBase::SetErrorCode(LONG code) {
    m_errorCode = (code >= 1 && code <= 32767) ? kErrTwainConditionBase - code : code;
}

void CTwainBase::Dispatch(int kind, HGLOBAL dib, const char* name) {
    if (DebugLogOn()) DebugLog(0, "%s\r\n", name);
    if (m_thread && m_thread->thread) {
        EventRecord record = MakeEventRecord(kind);
        record.Payload = dib;
        SendEventRecord(m_ownerWindow, record);
        return;
    }
    switch (kind) {
        case kEventPreTransfer: OnPreTransfer(); break;
        case kEventPostTransfer: OnPostTransfer(); break;
        case kEventPreAllTransfers: OnPreAllTransfers(); break;
        case kEventPostAllTransfers: OnPostAllTransfers(); break;
        case kEventTransferCancelled: OnTransferCancelled(); break;
        case kEventTransferError: OnTransferError(); break;
        case kEventBitmap: OnBitmapAcquired(dib); break;
        case kEventSourceUIClose: OnSourceUIClose(); break;
        default: break;
    }
}

void CTwainBase::OnPreTransferInner() { Dispatch(kEventPreTransfer, nullptr, "OnPreTransferInner"); }
void CTwainBase::OnPostTransferInner() { Dispatch(kEventPostTransfer, nullptr, "OnPostTransferInner"); }
void CTwainBase::OnPreAllTransfersInner() { Dispatch(kEventPreAllTransfers, nullptr, "OnPreAllTransfersInner"); }
void CTwainBase::OnPostAllTransfersInner() { Dispatch(kEventPostAllTransfers, nullptr, "OnPostAllTransfersInner"); }
void CTwainBase::OnTransferCancelledInner() { Dispatch(kEventTransferCancelled, nullptr, "OnTransferCancelledInner"); }
void CTwainBase::OnTransferErrorInner() { Dispatch(kEventTransferError, nullptr, "OnTransferErrorInner"); }
void CTwainBase::OnBitmapAcquiredInner(HGLOBAL dib) { Dispatch(kEventBitmap, dib, "OnBitmapAcquiredInner"); }
void CTwainBase::OnSourceUICloseInner() { Dispatch(kEventSourceUIClose, nullptr, "OnSourceUICloseInner"); }

void CTwainBase::FreeExtendedInfo() { FreeExtendedImageInfo(m_extInfo); }

void CTwainBase::StopTwainThread() {
    if (!m_thread || !m_thread->thread) return;
    PostThreadMessageA(m_thread->threadId, WM_QUIT, 0, 0);
    // The thread may be blocked sending an event record to this thread: keep handling sent
    // messages while waiting, or both would wait forever.
    WaitHandlingSentMessages(m_thread->thread, INFINITE);
    CloseHandle(m_thread->thread);
    m_thread->thread = nullptr;
    m_thread->threadId = 0;
    m_thread->window = nullptr;
}

DWORD WaitHandlingSentMessages(HANDLE handle, DWORD timeoutMs) { return WaitAnyHandlingSentMessages(1, &handle, timeoutMs); }

DWORD WaitAnyHandlingSentMessages(DWORD count, const HANDLE* handles, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD remaining = INFINITE;
        if (timeoutMs != INFINITE) {
            DWORD elapsed = GetTickCount() - start;
            remaining = elapsed >= timeoutMs ? 0 : timeoutMs - elapsed;
        }
        DWORD r = MsgWaitForMultipleObjects(count, handles, FALSE, remaining, QS_SENDMESSAGE);
        if (r != WAIT_OBJECT_0 + count) return r;
        // Peeking handles the messages sent to this thread; nothing posted is removed.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
