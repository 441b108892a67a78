// CTwainBase: the root of the engine object chain. It owns the engine's one error code, the
// acquisition hooks (the first eleven virtual operations of the chain), their routing to the host
// window when the TWAIN thread is in use, and the TWAIN session state.
#pragma once

#include <windows.h>

#include <string>

#include "base/error_codes.h"
#include "twain/twain.h"

// Thread that drives the source manager when IfScanInThread is on.
struct TwainThreadRecord {
    HANDLE thread;
    DWORD threadId;
    HWND window;  // the thread's hidden window
};

#include "capture/twain/ext_image_info_reader.h"

constexpr int kMaxTwainSources = 50;

// The four texts of the application identity a page may change.
enum class TwainIdentityText { Manufacturer, ProductFamily, ProductName, VersionInfo };

#include "capture/twain/twain_capability_area.h"

// Message that carries a source-manager call to the TWAIN thread's hidden window.
constexpr UINT WM_TWAIN_CARRIED_CALL = WM_USER + 1234;
constexpr WPARAM kTwainCarriedCallTag = 0x97531;

// Return value of a carried source-manager call refused because another one is under way.
constexpr TW_UINT16 kTwainBusyReturn = 32768;

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
    void SetTwainOwnerWindow(HWND window);
    HWND GetTwainOwnerWindow() const { return m_ownerWindow; }
    // The window that SetTWAINWindowHandle gave the TWAIN layer, or null before that.
    HWND GetTWAINWindowHandle() const { return m_dsmWindow; }
    const TwainThreadRecord& ThreadRecord() const { return *m_thread; }
    HANDLE ApplicationEvent() const { return m_appEvent; }
    bool IsSourceManagerOpen() const { return m_dsmOpen != 0; }
    bool IsSourceOpen() const { return m_sourceOpen != 0; }
    bool IsSourceEnabled() const { return m_sourceEnabled != 0; }
    int GetShowUI() const { return m_ifShowUI; }
    void SetShowUI(LONG v) { m_ifShowUI = v; }
    LONG GetModalUI() const { return m_ifModalUI; }
    void SetModalUI(LONG v) { m_ifModalUI = v; }
    LONG GetIfDisableSourceAfterAcquire() const { return m_ifDisableSourceAfterAcquire; }
    void SetIfDisableSourceAfterAcquire(LONG v) { m_ifDisableSourceAfterAcquire = v; }
    const TW_IDENTITY& SourceIdentity() const { return m_sourceIdentity; }
    const char* GetIdentityText(TwainIdentityText which) const;
    // Copies text (cut to 33 characters) into the application identity, only while no source
    // manager session is open; the error code is cleared either way.
    void SetIdentityText(TwainIdentityText which, const char* text);
    // A page switch kept for the page (the manager is chosen by the host); 0 or 1.
    LONG GetIfUseTwainDSM() const { return m_ifUseTwainDSM; }
    void SetIfUseTwainDSM(LONG v) { m_ifUseTwainDSM = v; }
    // The plug-in looks for the 32-bit manager "TWAIN_32.DLL" in the Windows folder first.
    void SetPluginManagerSearch(bool plugin) { m_pluginManagerSearch = plugin; }

    // LogLevel: 0 or 1 becomes the process-wide log flag; any other value stores -1034 and changes
    // nothing. The first switch-on by this engine writes the host's version line (the plug-in
    // adds hostDetail to it).
    bool SetLogLevel(SHORT level, bool pluginHost, const char* hostDetail = "");
    SHORT GetLogLevel() const;

    // Session (twain_session.cpp).
    TW_UINT16 CallDSMEntry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                           TW_MEMREF data);
    BOOL OpenSourceManager();
    BOOL CloseSourceManager();
    SHORT GetDataSourceCount();
    const char* GetDataSourceName(int index);
    void GetDefaultSourceName(char (&name)[34]);
    BOOL SelectSource();
    BOOL SelectSourceByIndex(int index);
    BOOL OpenSource();
    BOOL EnableSource();
    BOOL DisableSource();
    BOOL CloseSource();
    // Whether the window message belonged to the enabled source (and was consumed).
    BOOL ProcessDSMMessage(MSG* msg);
    BOOL PreTranslateDSMMessage(MSG* msg);
    int TwainEventFilter(MSG* msg) { return PreTranslateDSMMessage(msg) ? 1 : 0; }
    LONG DataSourceStatus();

    // Capabilities and image layout (twain_capabilities.cpp).
    BOOL SetCapability(LONG id);
    LONG GetCapability();
    BOOL SetCapType(LONG type);
    LONG GetCapType() const { return m_cap->conType; }
    BOOL SetCapNumItems(LONG n);
    LONG GetCapNumItems();
    TwainCapabilityArea& CapArea() { return *m_cap; }
    BOOL CapGet() { return CapGetByMsg(MSG_GET); }
    BOOL CapGetCurrent() { return CapGetByMsg(MSG_GETCURRENT); }
    BOOL CapGetDefault() { return CapGetByMsg(MSG_GETDEFAULT); }
    BOOL CapGetHelp() { return CapGetByMsg(MSG_GETHELP); }
    BOOL CapGetLabel() { return CapGetByMsg(MSG_GETLABEL); }
    BOOL CapGetLabels() { return CapGetByMsg(MSG_GETLABELENUM); }
    BOOL CapSet();
    BOOL CapReset();
    BOOL CapIfSupported(LONG mask);
    BOOL SetImageLayout(float left, float top, float right, float bottom);
    BOOL GetImageLayout(float* left, float* top, float* right, float* bottom);
    BOOL GetDefaultImageLayout(float* left, float* top, float* right, float* bottom);
    BOOL ResetImageLayout();

    // Transfers (twain_transfer.cpp).
    BOOL SetTransferMode(LONG mode);
    TW_UINT16 GetTransferMode();
    BOOL SetFileXferInfo(const char* fileName, LONG format);
    SHORT GetPendingXfers();
    BOOL CancelAllPendingTransfers();
    const TW_IMAGEINFO& CurrentImageInfo() const { return m_imageInfo; }
    const TW_IMAGELAYOUT& CurrentImageLayout() const { return m_imageLayout; }
    LONG TransferState() const { return m_transferState; }

    // Extended image information of the last image (twain_ext_info.cpp).
    LONG GetBarcodeCount() const { return m_extInfo.barcodeCount; }
    // The text of barcode index, or null outside 0 ... count-1.
    const char* GetBarcodeText(LONG index) const;
    // Value kind 0 X, 1 Y, 2 type, 3 confidence, 4 rotation, 5 text length; false when out of range.
    BOOL GetBarcodeInfo(LONG kind, LONG index, LONG* value) const;
    WORD GetMagType() const { return m_extInfo.magneticType; }
    HGLOBAL GetMagData() const { return m_extInfo.magneticData; }
    // The magnetic data of the last image as a text, read within its block ("" when none).
    std::string GetMagDataText() const;

    // The TWAIN thread (twain_thread.cpp).
    BOOL SetIfScanInThread(LONG on);
    LONG GetIfScanInThread() const { return m_ifScanInThread; }
    void SetTWAINWindowHandle(HWND window, HINSTANCE module);

protected:
    void StopTwainThread();
    void FreeExtendedInfo();

    LONG m_ifDisableSourceAfterAcquire = 0;
    LONG m_ifModalUI = 1;
    LONG m_ifShowUI = 1;
    LONG m_ifUseTwainDSM = 0;
    HINSTANCE m_moduleInstance = nullptr;
    TwainThreadRecord* m_thread = nullptr;
    char m_appEventName[MAX_PATH] = {};
    volatile LONG m_busy = 0;
    HANDLE m_appEvent = nullptr;
    LONG m_ifScanInThread = 0;
    HWND m_dsmWindow = nullptr;
    HWND m_ownerWindow = nullptr;
    LONG m_inProcess = 0;
    BOOL m_inBatch = FALSE;  // from a batch's first event until it finishes
    LONG m_versionLogged = 0;
    SHORT m_pendingTransfers = -1;
    TW_IDENTITY m_appIdentity = {};
    TW_IDENTITY m_sourceIdentity = {};
    TW_SETUPFILEXFER m_fileSetup = {};
    TW_IMAGELAYOUT m_imageLayout = {};
    TW_IMAGEINFO m_imageInfo = {};
    TwainCapabilityArea* m_cap = nullptr;
    TW_UINT16 m_transferMode = TWSX_NATIVE;
    LONG m_errorCode = 0;
    TwainExtendedInfo m_extInfo = {};
    volatile LONG m_transferState = 1;  // 0 transferring, 1 idle, 2 cancel requested, 3 cancelled
    LONG m_sourceEnabled = 0;
    TW_UINT16 m_sourceCount = 0;
    TW_IDENTITY m_sources[kMaxTwainSources] = {};
    LONG m_dsmOpen = 0;
    LONG m_sourceOpen = 0;
    HMODULE m_dsmLibrary = nullptr;
    DSMENTRYPROC m_dsmEntry = nullptr;

private:
    void Dispatch(int kind, HGLOBAL dib, const char* name);
    bool OnTwainThread() const;
    TW_UINT16 CarryCall(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                        TW_MEMREF data);
    void StoreCallOutcome(TW_UINT16 rc, pTW_IDENTITY origin, pTW_IDENTITY dest);
    void RebuildSourceList();
    BOOL CapTest();
    BOOL CapGetByMsg(TW_UINT16 msg);
    BOOL ImageLayoutCall(TW_UINT16 msg, float* left, float* top, float* right, float* bottom);
    BOOL WriteTransferMechanism();
    void RunTransferBatch();
    void TransferNativeOrFile();
    void TransferMemory();
    bool TransferOneMemoryImage();
    void PumpWaitingMessages();
    void ReadImageInfoAndLayout();
    void ClearImageInfo();
    bool EndTransfer();
    void ResetPendingTransfers();
    void FinishBatch(bool mayDisable);
    // True, with error 4 (busy), while a batch of transfers runs: the page handlers its events
    // call (inside the batch when there is no TWAIN thread) may not close, disable or switch the
    // source or the source manager the batch still calls.
    bool RefuseDuringBatch();
    bool GivingUp() const;
    bool ReadCurrentOneValue(TW_UINT16 cap, double* value);
    // Clears the image information and the extended information of a cancelled or failed transfer.
    void ForgetTransferredImage();
    bool ReadExtendedImageInfo();
    LONG StartTwainThread();
    void ApplyScanInThread();
    static DWORD WINAPI TwainThreadProc(LPVOID start);
    static LRESULT CALLBACK TwainThreadWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    // The carried call the TWAIN thread may take; any other record a message names is refused.
    struct TwainCallRecord* volatile m_pendingCall = nullptr;

    bool m_pluginManagerSearch = false;
    int m_failedTransfersInRow = 0;  // a source failing page after page ends its batch
};

// Waits for a handle while still handling messages sent to this thread, so a thread blocked in
// SendMessage to us can finish. Returns the wait result (WAIT_OBJECT_0 when signalled).
DWORD WaitHandlingSentMessages(HANDLE handle, DWORD timeoutMs);
// The same for several handles: returns when any of them is signalled.
DWORD WaitAnyHandlingSentMessages(DWORD count, const HANDLE* handles, DWORD timeoutMs);
