#include "plugin/plugin_instance.h"

#include <cstring>
#include <new>

#include "base/event_record.h"
#include "core/engine_table.h"
#include "core/worker_runner.h"
#include "base/error_codes.h"
#include "plugin/browser_functions.h"
#include "plugin/plugin_window_proc.h"
#include "plugin/scriptable_object.h"
#include "plugin/script_text.h"
#include "plugin/xpcom_scriptable_peer.h"

const char* const kPluginEventAttributes[kPluginEventCount] = {
    "OnPreTransfer",      "OnPostTransfer",      "OnPreAllTransfers",
    "OnPostAllTransfers", "OnTransferCancelled", "OnTransferError",
    "OnMouseClick",       "OnMouseMove",         "OnMouseRightClick",
    "OnMouseDoubleClick", "OnTopImageInTheViewChanged", "OnInternetTransferPercentage",
    "OnImageAreaSelected", "OnImageAreaDeselected", "OnPostLoad",
    "OnGetFilePath",      "OnBeforeOperate",     "OnOperateStatus",
    "OnAfterOperate",     "OnSourceUIClose",     "OnBitmapChanged",
};

HINSTANCE PluginModuleInstance() {
    // Looked up by the file's own name; a renamed copy (or a test program) finds the module that
    // holds this code.
    HINSTANCE module = GetModuleHandleA("NPLumetta.dll");
    if (!module)
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&PluginModuleInstance), &module);
    return module;
}

PluginInstance::PluginInstance(NPP record)
    : CBrowserAddOnBase(PluginModuleInstance(), kHostPlugin), m_record(record) {
    m_viewer.SetOwnerHold(this);
}

PluginInstance* PluginInstance::Create(NPP record, uint16_t, int16_t count, char* const* names,
                                       char* const* values) {
    auto* instance = new (std::nothrow) PluginInstance(record);
    if (!instance) return nullptr;
    if (record) FillScriptIdentifierCache();
    instance->ReadEventAttributes(count, names, values);
    return instance;
}

void PluginInstance::ReadEventAttributes(int16_t count, char* const* names, char* const* values) {
    if (!names) return;
    for (int i = 0; i < count; ++i) {
        if (!names[i]) continue;
        for (int e = 0; e < kPluginEventCount; ++e) {
            if (lstrcmpiA(names[i], kPluginEventAttributes[e]) != 0) continue;
            delete[] m_handlers[e];
            m_handlers[e] = nullptr;
            // An attribute without a value names no function: the event stays silent.
            const char* value = values ? values[i] : nullptr;
            if (value) {
                size_t length = std::strlen(value);
                m_handlers[e] = new (std::nothrow) char[length + 1];
                if (m_handlers[e]) std::memcpy(m_handlers[e], value, length + 1);
            }
            break;
        }
    }
}

PluginInstance::~PluginInstance() {
    // Nothing of this engine may run on after it: a transfer is told to stop, then the worker
    // (and any transfer it runs) is waited for. A transfer started by a member on this thread has
    // ended already, as that member's call held the instance.
    m_deleting = true;  // the viewer's last messages hold and release it once more
    SetIfCancelTransfer(1);
    WaitForWorkerOfEngine(this);
    if (m_initialised) Shutdown();
    UnhookMessage();
    ReleaseScriptObjects();
    for (char*& name : m_handlers) {
        delete[] name;
        name = nullptr;
    }
}

void PluginInstance::Destroy() {
    if (m_callDepth == 0) {
        delete this;
        return;
    }
    if (m_detached) return;
    m_detached = true;
    // The browser frees the record and the window once NPP_Destroy returns.
    SetIfCancelTransfer(1);
    if (m_initialised) Shutdown();
    ReleaseScriptObjects();
    m_record = nullptr;
    m_window = {};
}

void PluginInstance::LeaveCall() {
    if (--m_callDepth == 0 && m_detached && !m_deleting) delete this;
}

void PluginInstance::ReleaseScriptObjects() {
    if (m_scriptable) {
        // A page may still hold the object: it must find no instance rather than freed memory.
        m_scriptable->instance = nullptr;
        NPN_ReleaseObject(m_scriptable);
        m_scriptable = nullptr;
    }
    if (m_peer) {
        // Likewise the XPCOM peer: detached, it answers without doing anything.
        m_peer->SetInstance(nullptr);
        m_peer->Release();
        m_peer = nullptr;
    }
}

BOOL PluginInstance::Init(const NPWindow* window) {
    if (!window || !window->window) return FALSE;
    HWND browserWindow = static_cast<HWND>(window->window);
    SetOwnerWindow(browserWindow);
    m_window = *window;
    HINSTANCE module = PluginModuleInstance();
    if (!m_viewer.RegisterWindowClass(module)) {
        MessageBoxA(nullptr, "Can not register window class", "Error", MB_ICONINFORMATION);
        return TRUE;
    }
    SetWindowLongPtrA(browserWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(browserWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PluginWindowProc)));
    if (m_viewer.Create(nullptr, "ImageVIewer", module, browserWindow, WS_CHILD, 0, nullptr, CW_USEDEFAULT,
                        CW_USEDEFAULT, static_cast<int>(window->width), static_cast<int>(window->height))) {
        ShowWindow(m_viewer.Window(), SW_SHOW);
        // A window given again after a shutdown shows what the buffer still holds.
        if (Count() > 0) CBrowserAddOnBase::OnBufferChanged(nullptr, 1);
        UpdateWindow(m_viewer.Window());
    }
    m_initialised = 1;
    EnterEngine(this);
    return TRUE;
}

void PluginInstance::Shutdown() {
    if (m_viewer.Window()) DestroyWindow(m_viewer.Window());
    HWND browserWindow = PluginWindow();
    if (browserWindow && m_previousProc) {
        SetWindowLongPtrA(browserWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previousProc));
        if (GetWindowLongPtrA(browserWindow, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this))
            SetWindowLongPtrA(browserWindow, GWLP_USERDATA, 0);
    }
    m_previousProc = nullptr;
    SetOwnerWindow(nullptr);
    m_initialised = 0;
}

NPError PluginInstance::GetValue(NPPVariable variable, void* value) {
    switch (variable) {
        case NPPVpluginScriptableNPObject:
            if (!value || m_detached) return NPERR_GENERIC_ERROR;
            if (!m_scriptable) m_scriptable = CScriptablePluginObject::Create(this);
            if (m_scriptable) NPN_RetainObject(m_scriptable);
            *static_cast<NPObject**>(value) = m_scriptable;
            return NPERR_NO_ERROR;
        case NPPVpluginScriptableInstance:
            if (!value || m_detached) return NPERR_GENERIC_ERROR;
            if (!m_peer) {
                m_peer = XpcomScriptablePeer::Create(this);
                if (!m_peer) return NPERR_OUT_OF_MEMORY_ERROR;
                m_peer->AddRef();  // the instance's own reference
            }
            m_peer->AddRef();
            *static_cast<void**>(value) = m_peer;
            return NPERR_NO_ERROR;
        case NPPVpluginScriptableIID: {
            if (!value) return NPERR_GENERIC_ERROR;
            auto* iid = static_cast<nsIID*>(NPN_MemAlloc(sizeof(nsIID)));
            if (!iid) return NPERR_OUT_OF_MEMORY_ERROR;
            *iid = kIID_LumettaScriptPeer;
            *static_cast<nsIID**>(value) = iid;
            return NPERR_NO_ERROR;
        }
        default:
            // Unknown variables are not answered.
            return NPERR_GENERIC_ERROR;
    }
}

HINSTANCE PluginInstance::GetModuleInstance() { return PluginModuleInstance(); }

void PluginInstance::HookMessage() { InstallMessageHook(PluginModuleInstance(), "plugin"); }
void PluginInstance::UnhookMessage() { RemoveMessageHook("plugin"); }

BOOL PluginInstance::SetScriptString(void* scriptString, const char* text, BOOL resetError) {
    if (resetError) SetErrorCode(0);
    auto* out = static_cast<NPVariant*>(scriptString);
    if (!out) return FALSE;
    NPString converted;
    if (!AnsiToBrowserString(text, &converted)) {
        VOID_TO_NPVARIANT(*out);
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    STRINGN_TO_NPVARIANT(converted.UTF8Characters, converted.UTF8Length, *out);
    return TRUE;
}
