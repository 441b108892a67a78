// CTwainBase: the root of the engine object chain. It owns the engine's one error code, the
// acquisition hooks (the first eleven virtual operations of the chain), their routing to the host
// window when the TWAIN thread is in use, and the TWAIN session state.
#pragma once

#include <windows.h>

#include "twain/twain.h"

// Thread that drives the source manager when IfScanInThread is on.
struct TwainThreadRecord {
    HANDLE thread;
    DWORD threadId;
    HWND window;  // the thread's hidden window
};

// Extended image information of the last transfer: barcodes and magnetic data.
struct TwainExtendedInfo {
    LONG barcodeCount;
    LONG* barcodeTypes;
    LONG* barcodeRotations;
    LONG* barcodeConfidences;
    LONG* barcodeX;
    LONG* barcodeY;
    LONG* barcodeTextLengths;
    HGLOBAL barcodeTexts;
    WORD magneticType;
    HGLOBAL magneticData;
};

constexpr int kMaxTwainSources = 50;

class CTwainBase {
public:
    CTwainBase();

    // Engine slots 0 to 10.
    virtual void OnTransferError() {}
    virtual void OnTransferCancelled() {}
    virtual void OnPostAllTransfers() {}
    virtual void OnPreAllTransfers() {}
    virtual void OnPostTransfer() {}
    virtual void OnPreTransfer() {}
    // The callee owns the DIB. The root frees it: an image reaching the root (only while the engine
    // is being destroyed) would otherwise be lost without a trace.
    virtual void OnBitmapAcquired(HGLOBAL dib);
    virtual void HookMessage() {}
    virtual void UnhookMessage() {}
    virtual void OnSourceUIClose() {}
    virtual ~CTwainBase();

    // The engine's error code. 1..32767 is a TWAIN condition code c, stored as -1000 - c;
    // everything else is stored unchanged.
    void SetErrorCode(LONG code);
    LONG GetErrorCode() const { return m_errorCode; }

    // Raise an acquisition event: on the calling thread, or, while the TWAIN thread exists, by a
    // blocking send of an event record to the owner window (so hooks always run on its thread).
    void OnPreTransferInner();
    void OnPostTransferInner();
    void OnPreAllTransfersInner();
    void OnPostAllTransfersInner();
    void OnTransferCancelledInner();
    void OnTransferErrorInner();
    void OnBitmapAcquiredInner(HGLOBAL dib);
    void OnSourceUICloseInner();

    void SetModuleInstance(HINSTANCE module) { m_moduleInstance = module; }
    HINSTANCE ModuleInstance() const { return m_moduleInstance; }
    void SetTwainOwnerWindow(HWND window) { m_ownerWindow = window; }
    HWND GetTwainOwnerWindow() const { return m_ownerWindow; }
    const TwainThreadRecord& ThreadRecord() const { return *m_thread; }
    HANDLE ApplicationEvent() const { return m_appEvent; }
    bool IsSourceManagerOpen() const { return m_dsmOpen != 0; }
    bool IsSourceOpen() const { return m_sourceOpen != 0; }
    bool IsSourceEnabled() const { return m_sourceEnabled != 0; }
    int GetShowUI() const { return m_ifShowUI; }

    // LogLevel: 0 or 1 becomes the process-wide log flag; any other value stores -1034 and changes
    // nothing. The first switch-on by this engine writes the host's version line (the plug-in
    // adds hostDetail to it).
    bool SetLogLevel(SHORT level, bool pluginHost, const char* hostDetail = "");
    SHORT GetLogLevel() const;

    // Session steps used by the destructor; the TWAIN session layer gives them their full work.
    bool DisableSource();
    bool CloseSource();
    bool CloseSourceManager();
    // Offers a window message to the enabled source; nonzero when the source consumed it.
    int TwainEventFilter(MSG* msg);

protected:
    // Tests and the TWAIN thread layer set the thread record when the thread runs.
    void StopTwainThread();
    void FreeExtendedInfo();

    LONG m_ifDisableSourceAfterAcquire = 0;
    LONG m_ifModalUI = 1;
    LONG m_ifShowUI = 1;
    HINSTANCE m_moduleInstance = nullptr;
    TwainThreadRecord* m_thread = nullptr;
    char m_appEventName[MAX_PATH] = {};
    volatile LONG m_busy = 0;
    HANDLE m_appEvent = nullptr;
    LONG m_ifScanInThread = 0;
    HWND m_dsmWindow = nullptr;
    HWND m_ownerWindow = nullptr;
    LONG m_inProcess = 0;
    LONG m_versionLogged = 0;
    SHORT m_pendingTransfers = -1;
    TW_IDENTITY m_appIdentity = {};
    TW_IDENTITY m_sourceIdentity = {};
    TW_SETUPFILEXFER m_fileSetup = {};
    TW_IMAGELAYOUT m_imageLayout = {};
    TW_IMAGEINFO m_imageInfo = {};
    TW_UINT16 m_currentItemType = TWTY_FIX32;
    TW_UINT16 m_transferMode = TWSX_NATIVE;
    LONG m_errorCode = 0;
    TwainExtendedInfo m_extInfo = {};
    LONG m_transferState = 1;  // 0 transferring, 1 idle, 2 cancel requested, 3 cancelled
    LONG m_sourceEnabled = 0;
    TW_UINT16 m_sourceCount = 0;
    TW_IDENTITY m_sources[kMaxTwainSources] = {};
    LONG m_dsmOpen = 0;
    LONG m_sourceOpen = 0;
    HMODULE m_dsmLibrary = nullptr;
    DSMENTRYPROC m_dsmEntry = nullptr;

private:
    void Dispatch(int kind, HGLOBAL dib, const char* name);
    bool m_destroying = false;
};

// Waits for a handle while still handling messages sent to this thread, so a thread blocked in
// SendMessage to us can finish. Returns the wait result (WAIT_OBJECT_0 when signalled).
DWORD WaitHandlingSentMessages(HANDLE handle, DWORD timeoutMs);
