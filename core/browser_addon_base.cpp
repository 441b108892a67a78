#include "core/browser_addon_base.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "capture/debug_log.h"
#include "core/engine_table.h"
#include "core/thread_message_hook.h"
#include "core/worker_runner.h"
#include "engine/print_job.h"
#include "base/error_codes.h"

namespace {

void CopyIdentityText(TW_STR32& field, const char* text) {
    memset(field, 0, sizeof(field));
    strncpy(field, text, sizeof(field) - 1);
}

}  // namespace

CBrowserAddOnBase::CBrowserAddOnBase(HINSTANCE module, LONG hostKind)
    : m_hostKind(hostKind),
      m_errorTexts(hostKind == kHostPlugin),
      m_barcode(module, hostKind),
      m_ocr(module, hostKind),
      m_webcam(module),
      m_moduleInstanceCore(module) {
    SetModuleInstance(module);
    SetPluginManagerSearch(hostKind == kHostPlugin);
    CopyIdentityText(m_appIdentity.Version.Info, "Lumetta 8.0");
    CopyIdentityText(m_appIdentity.ProductFamily, "Lumetta");
    CopyIdentityText(m_appIdentity.ProductName, "Lumetta");
    strcpy(m_editorTitle, "Lumetta Image Editor");

    static const char kFieldName[] = "RemoteFile";
    m_httpFieldName = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(kFieldName));
    if (m_httpFieldName) memcpy(m_httpFieldName, kFieldName, sizeof(kFieldName));

    m_mediaTypeNames = new WebCamDicMediaType();
}

CBrowserAddOnBase::~CBrowserAddOnBase() {
    for (LifetimeWatch* watch = m_lifetimeWatches; watch; watch = watch->outer) watch->destroyed = true;
    // A print job inside which page script deleted the host stops reading this buffer.
    CPrint::ForgetEngine(this);
    // Hosts wait first thing in their own destructors; this is the last guard.
    WaitForWorkerOfEngine(this);
    if (m_httpFieldName) GlobalFree(m_httpFieldName);
    if (m_selectedData) GlobalFree(m_selectedData);
    m_httpFieldName = m_selectedData = nullptr;
    delete m_mediaTypeNames;
    m_mediaTypeNames = nullptr;
    for (int i = 0; i < m_openEditors.GetSize(); ++i) delete static_cast<CImageEditor*>(m_openEditors.GetAt(i));
    m_openEditors.RemoveAll();
    LeaveEngine(this);
}

void CBrowserAddOnBase::RefuseWhileTransferring() {
    m_errorTexts.SetCustomText(
        "Another transfer is running on this object. Wait for it to end before starting one.");
    SetErrorCode(kErrCustom2121);
}

void CBrowserAddOnBase::SetOwnerWindow(HWND window) {
    m_ownerWindowCore = window;
    SetTwainOwnerWindow(window);
    m_webcam.SetNotifyWindow(window);
    m_barcode.SetOwnerWindow(window);
    m_ocr.SetOwnerWindow(window);
}

const char* CBrowserAddOnBase::GetHostKindName(LONG kind) {
    switch (kind) {
        case kHostActiveX: return "Activex";
        case kHostPlugin: return "WinPlugin";
        default: return "unknow";
    }
}

const char* CBrowserAddOnBase::GetHttpFieldNameOfUploadedImage() const {
    return m_httpFieldName ? static_cast<const char*>(m_httpFieldName) : nullptr;
}

BOOL CBrowserAddOnBase::SetHttpFieldNameOfUploadedImage(const char* text) {
    SetErrorCode(0);
    if (!text) text = "";
    const size_t length = strlen(text);
    if (length >= kHttpFieldNameSize) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    HGLOBAL copy = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, length + 1);
    if (!copy) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    memcpy(copy, text, length);
    if (m_httpFieldName) GlobalFree(m_httpFieldName);
    m_httpFieldName = copy;
    return TRUE;
}

void CBrowserAddOnBase::SetBlankImageMaxStdDev(float v) {
    if (std::isnan(v)) return;
    m_blankMaxStdDev = std::clamp(v, 0.0f, 100.0f);
}

void CBrowserAddOnBase::SetBlankImageThreshold(LONG v) { m_blankThreshold = std::clamp<LONG>(v, 0, 255); }

void CBrowserAddOnBase::RefreshViews(CImageViewer* viewer) {
    if (!viewer) return;
    int count = Count();
    // The viewer reads a lent handle only while the buffer still holds it at that index.
    viewer->SetImageHolder([this](int index, HGLOBAL dib) { return HoldsImage(index, dib); });
    for (int i = 0; i < count; ++i) viewer->SetImage(i, Slot(i));
    viewer->SetImageCount(count);
    viewer->ShowImage(Current());
}

void CBrowserAddOnBase::OnBufferChanged(HGLOBAL, int) {
    if (m_suspendViewUpdates) return;
    RefreshViews(&m_viewer);
    for (int i = m_openEditors.GetSize() - 1; i >= 0; --i) {
        auto* editor = static_cast<CImageEditor*>(m_openEditors.GetAt(i));
        // An editor shows its own copy of the current image, never a block the buffer lends.
        if (editor) editor->RefreshEditor();
    }
}

int CBrowserAddOnBase::PreTranslateHookedMessage(MSG* msg) {
    if (m_currentDeviceType != 0) return 0;
    LONG saved = GetErrorCode();
    int consumed = TwainEventFilter(msg);
    if (GetErrorCode() == 0 && saved != 0) SetErrorCode(saved);
    if (consumed) return consumed;
    int result = 0;
    for (int i = 0; i < m_openEditors.GetSize(); ++i) {
        auto* editor = static_cast<CImageEditor*>(m_openEditors.GetAt(i));
        if (editor) result |= editor->PreTranslateMessage(msg);
    }
    return result;
}

namespace {

LRESULT CALLBACK MessageHook(int code, WPARAM wParam, LPARAM lParam) {
    HHOOK last = nullptr;
    if (code >= 0 && wParam == PM_REMOVE) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        DWORD thread = GetCurrentThreadId();
        int anyShowUI = 0;
        int consumed = 0;
        // Only engines of this thread, found by the thread that entered them before any of them
        // is read: another thread's engine is not ours to drive, and may be going away.
        CBrowserAddOnBase* ours[kEngineTableSlots];
        const int count = EnginesOfThread(thread, ours, kEngineTableSlots);
        for (int i = 0; i < count; ++i) {
            CBrowserAddOnBase* engine = ours[i];
            // An earlier engine's handling may have run page script that destroyed this one.
            if (i > 0 && !IsEngineEnteredBy(engine, thread)) continue;
            HWND owner = engine->OwnerWindow();
            if (!owner || GetWindowThreadProcessId(owner, nullptr) != thread) continue;
            if (engine->GetHookOption() != 1 || !engine->GetHookHandle()) continue;
            last = engine->GetHookHandle();
            anyShowUI |= engine->GetShowUI();
            consumed |= engine->PreTranslateHookedMessage(msg);
        }
        if (consumed && anyShowUI) {
            msg->message = 0;
            msg->wParam = 0;
            msg->lParam = 0;
        }
    }
    return CallNextHookEx(last, code, wParam, lParam);
}

}  // namespace

HOOKPROC CBrowserAddOnBase::GetMessageHookProc() { return MessageHook; }

void CBrowserAddOnBase::InstallMessageHook(HINSTANCE module, const char* host) {
    if (GetHookOption() != 1 || GetHookHandle()) return;
    HHOOK hook = AcquireThreadMessageHook(module, GetMessageHookProc());
    SetHookHandle(hook);
    if (DebugLogOn())
        DebugLog(0, "%s:HookMessage, hook:%x, last error:%d\r\n", host,
                 static_cast<unsigned>(reinterpret_cast<UINT_PTR>(hook)), static_cast<int>(GetLastError()));
}

void CBrowserAddOnBase::RemoveMessageHook(const char* host) {
    HHOOK hook = GetHookHandle();
    if (!hook) return;
    ReleaseThreadMessageHook(hook);
    SetHookHandle(nullptr);
    if (DebugLogOn()) DebugLog(0, "%s:UnhookMessage, last error:%d\r\n", host, static_cast<int>(GetLastError()));
}
