// PluginInstance: one embed element of the plug-in's MIME type. It is the engine object of this
// host (a CBrowserAddOnBase) with the browser's instance record, the 21 handler names read from
// the embed tag, the browser's window it subclasses and the scripting objects it hands out.
#pragma once

#include "core/browser_addon_base.h"
#include "npapi/np_plugin_api.h"
#include "plugin/script_values.h"

#include <vector>

struct EventRecord;
class CScriptablePluginObject;
class PageArguments;
struct XpcomScriptablePeer;

// The events a page names a function for in the embed tag, in the order the attributes are kept.
enum PluginEvent : int {
    kOnPreTransfer,
    kOnPostTransfer,
    kOnPreAllTransfers,
    kOnPostAllTransfers,
    kOnTransferCancelled,
    kOnTransferError,
    kOnMouseClick,
    kOnMouseMove,
    kOnMouseRightClick,
    kOnMouseDoubleClick,
    kOnTopImageInTheViewChanged,
    kOnInternetTransferPercentage,
    kOnImageAreaSelected,
    kOnImageAreaDeselected,
    kOnPostLoad,
    kOnGetFilePath,
    kOnBeforeOperate,
    kOnOperateStatus,
    kOnAfterOperate,
    kOnSourceUIClose,
    kOnBitmapChanged,
    kPluginEventCount
};

// The attribute name of each event.
extern const char* const kPluginEventAttributes[kPluginEventCount];

// The operations the NPAPI handlers forward to, in the instance's slot order.
class PluginOperations {
public:
    virtual BOOL Init(const NPWindow* window) = 0;
    virtual void Shutdown() = 0;
    virtual BOOL IsInitialized() const = 0;
    virtual NPError SetWindow(const NPWindow* window) = 0;
    virtual NPError NewStream() = 0;
    virtual NPError DestroyStream() = 0;
    virtual void StreamAsFile() = 0;
    virtual int32_t WriteReady() = 0;
    virtual int32_t Write(int32_t length) = 0;
    virtual void Print() = 0;
    virtual int16_t HandleEvent() = 0;
    virtual void URLNotify() = 0;
    virtual NPError GetValue(NPPVariable variable, void* value) = 0;
    virtual NPError SetValue() = 0;

protected:
    ~PluginOperations() = default;
};

class PluginInstance final : public CBrowserAddOnBase, public PluginOperations, public WindowOwnerHold {
public:
    // NPP_New: null without an instance record's memory. The record may be null (then nothing is
    // asked of the browser); names and values are the embed tag's attributes, either may be null.
    static PluginInstance* Create(NPP record, uint16_t mode, int16_t count, char* const* names,
                                  char* const* values);
    ~PluginInstance() override;
    PluginInstance(const PluginInstance&) = delete;

    // NPP_Destroy. A page may remove its element from inside any call into the instance (a page
    // function an event or a member runs): the instance then lets go of the browser at once (its
    // window, record, script objects; a running transfer is told to stop) and is deleted when
    // the outermost call returns. Otherwise it is deleted now.
    void Destroy();
    // Every call into the instance from outside (script members, the XPCOM peer, window
    // messages, the viewer's messages) is counted, so the instance outlives it.
    void EnterCall() { ++m_callDepth; }
    void LeaveCall();
    // WindowOwnerHold: the viewer's and its cells' messages hold the instance.
    void HoldOwner() override { EnterCall(); }
    void ReleaseOwner() override { LeaveCall(); }
    PluginInstance& operator=(const PluginInstance&) = delete;

    // PluginOperations.
    BOOL Init(const NPWindow* window) override;
    void Shutdown() override;
    BOOL IsInitialized() const override { return m_initialised != 0; }
    NPError SetWindow(const NPWindow*) override { return NPERR_NO_ERROR; }
    NPError NewStream() override { return NPERR_NO_ERROR; }
    NPError DestroyStream() override { return NPERR_NO_ERROR; }
    void StreamAsFile() override {}
    int32_t WriteReady() override { return 0x0FFFFFFF; }
    int32_t Write(int32_t length) override { return length; }
    void Print() override {}
    int16_t HandleEvent() override { return 0; }
    void URLNotify() override {}
    NPError GetValue(NPPVariable variable, void* value) override;
    NPError SetValue() override { return NPERR_NO_ERROR; }

    NPP Record() const { return m_record; }
    HWND PluginWindow() const { return static_cast<HWND>(m_window.window); }
    // Raised while the plug-in itself moves the current image, so no view event follows.
    BOOL Busy() const { return m_busy; }
    void SetBusy(BOOL busy) { m_busy = busy; }

    // Script members (plugin_members.cpp), by operation id, with converted arguments. Text
    // results go straight into the script's result variant. False: this build lacks the member.
    bool RunMethod(int op, const std::vector<ScriptValue>& args, ScriptValue& out, NPVariant* result);
    bool ReadProperty(int op, ScriptValue& out, NPVariant* result);
    bool WriteProperty(int op, const ScriptValue& value);
    // How a family member is reached: as a method, a property get or a property put (the value
    // is then args[0]).
    enum class MemberAccess { Method, Get, Put };
    // The member families, one file each (plugin_<family>_members.cpp); each answers false for
    // an operation that is not its own, and the three entry points above try them in turn.
    bool RunDeviceMember(MemberAccess access, int op, const std::vector<ScriptValue>& args, ScriptValue& out,
                         NPVariant* result);
    bool RunInternetMember(MemberAccess access, int op, const std::vector<ScriptValue>& args, ScriptValue& out,
                           NPVariant* result);
    bool RunViewMember(MemberAccess access, int op, const std::vector<ScriptValue>& args, ScriptValue& out,
                       NPVariant* result);
    bool RunAddOnMember(MemberAccess access, int op, const std::vector<ScriptValue>& args, ScriptValue& out,
                        NPVariant* result);
    // Copies a script text into an engine field of room bytes; the error code is cleared, and a
    // text that does not fit is refused with -1034.
    bool FitText(const std::string& text, char* field, size_t room);
    // The argument letters (as in script_signatures.h) an add-on method reads from its converted
    // arguments, in script order; null for other operations. The NPRuntime object runs only
    // GetBarcodeText and GetBarcodeInfo of them; the XPCOM peer converts by these letters.
    static const char* AddOnArgumentLetters(int op);
    // The next piece of the selected images prepared by GetSelectedImagesSize: the count copied;
    // 0 with -2005 before any, -2006 after the last byte, -1034 for no room.
    LONG TakeSelectedImagesPiece(BYTE* buffer, LONG capacity);

    // The plug-in window's procedure (plugin_window_proc.cpp) hands every message here.
    LRESULT HandleWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Engine slots this host supplies.
    void HookMessage() override;
    void UnhookMessage() override;
    HWND GetViewerWindow() override { return m_viewer.Window(); }
    HINSTANCE GetModuleInstance() override;
    void FirePlainEvent(EventKind kind) override;
    void OnBufferChanged(HGLOBAL current, int quiet) override;
    void OnPostLoad(const char* path, const char* name, SHORT type) override;
    void OnGetFilePath(BOOL save, LONG count, LONG index, const char* path, const char* name) override;
    void OnTransferPercentage(SHORT percent, LONG* cancel) override;
    // Engine slot 19: the browser's cookies for the URL (plugin/browser_cookie_route.h); the
    // page's SetCookie text or the system's cookie store only when the browser offers no cookie service.
    HGLOBAL GetCookieHeader(const char* url, InternetGetCookieFn getCookie, CookieScope scope) override;
    BOOL SetScriptString(void* scriptString, const char* text, BOOL resetError) override;
    void OnBeforeOperate(LONG id, const char* name) override;
    void OnOperateStatus(const char* status, LONG percent) override;
    void OnAfterOperate(LONG id, const char* name, BOOL succeeded, const char* errorText) override;

private:
    explicit PluginInstance(NPP record);
    // Detaches the script object and the XPCOM peer (a page holding them finds no instance).
    void ReleaseScriptObjects();
    bool ReadAddOnProperty(int op, ScriptValue& out, NPVariant* result);
    bool WriteAddOnProperty(int op, const ScriptValue& value);
    // The script members RunMethod leaves to the files' part of plugin_members.cpp.
    bool RunFileMethod(int op, const std::vector<ScriptValue>& args, ScriptValue& out, NPVariant* result);
    bool RunFamilies(MemberAccess access, int op, const std::vector<ScriptValue>& args, ScriptValue& out,
                     NPVariant* result);
    // The view family's properties and methods (plugin_view_members.cpp).
    bool RunViewProperty(bool get, int op, const std::vector<ScriptValue>& args, ScriptValue& out, NPVariant* result);
    bool RunDocumentProperty(bool get, int op, const std::vector<ScriptValue>& args, ScriptValue& out,
                             NPVariant* result);
    bool RunViewMethod(int op, const std::vector<ScriptValue>& args, ScriptValue& out);
    bool RunImageDataMethod(int op, const std::vector<ScriptValue>& args, ScriptValue& out);
    // The device family's three routes (plugin_device_members.cpp).
    bool ReadDeviceProperty(int op, ScriptValue& out, NPVariant* result);
    bool ReadCameraProperty(int op, ScriptValue& out, NPVariant* result);
    bool WriteDeviceProperty(int op, const ScriptValue& value);
    bool RunDeviceMethod(int op, const std::vector<ScriptValue>& args, ScriptValue& out, NPVariant* result);
    void ReadEventAttributes(int16_t count, char* const* names, char* const* values);
    LRESULT DispatchEventRecord(EventRecord* record);
    // Calls the page function named for an event with the arguments (plugin_events.cpp).
    void CallPageFunction(PluginEvent event, const NPVariant* args, uint32_t count);
    void CallPageFunction(PluginEvent event, const PageArguments& args);
    void CallIndexEvent(PluginEvent event, SHORT index);
    void CallSimpleEvent(PluginEvent event) { CallPageFunction(event, nullptr, 0); }
    // Sends a record to the plug-in window (the sender waits for the page function).
    void SendRecord(EventRecord& record);

    NPP m_record;
    int m_callDepth = 0;
    // Set once NPP_Destroy ran: no page function is called and the record is not used again.
    bool m_detached = false;
    bool m_deleting = false;
    BYTE m_initialised = 0;
    BOOL m_busy = FALSE;
    CScriptablePluginObject* m_scriptable = nullptr;
    XpcomScriptablePeer* m_peer = nullptr;
    WNDPROC m_previousProc = nullptr;
    // The page function's name for each event, or null when the embed tag has none.
    char* m_handlers[kPluginEventCount] = {};
    NPWindow m_window = {};
};

// Holds an instance through one call into it (null: nothing to hold).
class PluginCall {
public:
    explicit PluginCall(PluginInstance* instance) : m_instance(instance) {
        if (m_instance) m_instance->EnterCall();
    }
    ~PluginCall() {
        if (m_instance) m_instance->LeaveCall();
    }
    PluginCall(const PluginCall&) = delete;
    PluginCall& operator=(const PluginCall&) = delete;

private:
    PluginInstance* m_instance;
};

// The plug-in file's module handle, found by the file's own name.
HINSTANCE PluginModuleInstance();
