#include "activex/pallastra.h"

#include <new>

#include "activex/cancel.h"
#include "activex/lumetta_guids.h"
#include "activex/persisted_properties.h"
#include "activex/viewer_child.h"
#include "core/engine_table.h"
#include "core/worker_runner.h"

namespace {

// OLEMISC_SETCLIENTSITEFIRST | ACTIVATEWHENVISIBLE | INSIDEOUT | CANTLINKINSIDE | RECOMPOSEONRESIZE
constexpr DWORD kMiscStatus = 0x20191;
constexpr DISPID kAmbientUserMode = -709;

// Holds the control alive while page handlers run nested inside one of its messages.
class KeepAlive {
public:
    explicit KeepAlive(IUnknown* object) : m_object(object) { m_object->AddRef(); }
    ~KeepAlive() { m_object->Release(); }
    KeepAlive(const KeepAlive&) = delete;
    KeepAlive& operator=(const KeepAlive&) = delete;

private:
    IUnknown* m_object;
};

}  // namespace

CPallastra::CPallastra()
    : comcontrol::ComControl(lumetta::CLSID_Lumetta, lumetta::DIID__ILumettaEvents, kMiscStatus),
      LumettaDispatchDefaults(lumetta::IID_ILumetta),
      CBrowserAddOnBase(comcontrol::Module().Instance(), kHostActiveX),
      m_proxy(Events()) {
    m_viewer.SetOwnerHold(this);
    HDC screen = GetDC(nullptr);
    Extent().cx = MulDiv(2540, 32, GetDeviceCaps(screen, LOGPIXELSX));
    Extent().cy = MulDiv(2540, 32, GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
}

CPallastra::~CPallastra() {
    m_deleting = true;
    WaitForWorkerOfEngine(this);
    DestroyControlWindow();
    UnhookMessage();
    if (m_heldPicture) m_heldPicture->Release();
}

HRESULT CPallastra::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* control = new (std::nothrow) CPallastra();
    if (!control) return E_OUTOFMEMORY;
    HRESULT hr = control->QueryInterface(iid, out);
    control->Release();
    return hr;
}

HRESULT CPallastra::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown) {
        *out = Identity();
    } else if (iid == IID_IDispatch || iid == lumetta::IID_ILumetta) {
        *out = static_cast<ILumetta*>(this);
    } else {
        return QueryControlInterface(iid, out);
    }
    AddRef();
    return S_OK;
}

ULONG CPallastra::AddRef() { return InterlockedIncrement(&m_refs); }

ULONG CPallastra::Release() {
    LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return refs;
}

void CPallastra::HoldOwner() {
    if (!m_deleting) AddRef();
}

void CPallastra::ReleaseOwner() {
    if (!m_deleting) Release();
}

// ---- window ----

LRESULT CPallastra::OnCreate() {
    // A window created again replaces the viewer of the previous one.
    if (OwnerWindow() && m_viewer.Window()) DestroyWindow(m_viewer.Window());
    VARIANT mode;
    if (GetAmbientProperty(kAmbientUserMode, &mode)) {
        if (mode.vt == VT_BOOL) m_userMode = mode.boolVal != 0 ? 1 : 0;
        VariantClear(&mode);
    }
    HWND window = ControlWindow();
    SetOwnerWindow(window);
    HINSTANCE module = comcontrol::Module().Instance();
    // The TWAIN side gets the window and the module together: a scan-in-thread setting made
    // before the window existed is applied again with them.
    SetTWAINWindowHandle(window, module);
    if (RegisterViewerClass(m_viewer, module)) {
        RECT client{};
        GetClientRect(window, &client);
        HWND viewer = CreateViewerChild(m_viewer, window, client.right, client.bottom, module);
        if (viewer) {
            ShowWindow(viewer, SW_SHOW);
            if (Count() > 0) OnBufferChanged(nullptr, 1);
            else UpdateWindow(viewer);
        }
    }
    // Entered once per engine; the window's destruction leaves the table again.
    EnterEngine(this);
    return 0;
}

void CPallastra::OnSetCurrentImage(SHORT index) {
    SetSuspendViewUpdates(1);
    SetCurrentImageIndex(index);
    SetSuspendViewUpdates(0);
}

LRESULT CPallastra::ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    // Queued messages reach an engine with a hook through the hook; the window offers the rest once.
    if (!GetHookHandle()) {
        LONG saved = GetErrorCode();
        MSG msg{window, message, wParam, lParam, 0, {}};
        if (TwainEventFilter(&msg)) handled = true;
        if (GetErrorCode() == 0) m_errorCode = saved;
        if (handled) return 0;
    }
    SHORT index = static_cast<SHORT>(LOWORD(wParam));
    switch (message) {
        case WM_CREATE:
            handled = true;
            return OnCreate();
        case WM_DESTROY:
            LeaveEngine(this);
            SetOwnerWindow(nullptr);
            return 0;
        case WM_SIZE:
            if (m_viewer.Window()) MoveWindow(m_viewer.Window(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return 0;
        case WM_VIEWER_SET_CURRENT:
            OnSetCurrentImage(index);
            return 0;
        case WM_LUMETTA_EVENT:
            handled = true;
            return DispatchEventRecord(reinterpret_cast<EventRecord*>(lParam));
        default:
            break;
    }
    if (message < WM_VIEWER_FIRST_MOUSE || message > WM_VIEWER_LAST_MOUSE) return 0;
    KeepAlive alive(Identity());
    switch (message - WM_USER) {
        case 403: FireMouseClick(index); break;
        case 404: FireMouseMove(index); break;
        case 405: FireMouseRightClick(index); break;
        case 406: FireMouseDoubleClick(index); break;
        case 407: FireTopImageChanged(index); break;
        case 408: {
            RECT area{};
            if (lParam) area = *reinterpret_cast<const RECT*>(lParam);
            FireImageAreaSelected(index, area);
            break;
        }
        case 409: FireImageAreaDeselected(index); break;
    }
    return 0;
}

// ---- hook ----

void CPallastra::HookMessage() { InstallMessageHook(comcontrol::Module().Instance(), "activex"); }
void CPallastra::UnhookMessage() { RemoveMessageHook("activex"); }

// ---- engine slots ----

DISPID CPallastra::PlainEventDispId(EventKind kind) {
    switch (kind) {
        case kEventPreTransfer: return kDispIdOnPreTransfer;
        case kEventPostTransfer: return kDispIdOnPostTransfer;
        case kEventPreAllTransfers: return kDispIdOnPreAllTransfers;
        case kEventPostAllTransfers: return kDispIdOnPostAllTransfers;
        case kEventTransferCancelled: return kDispIdOnTransferCancelled;
        case kEventTransferError: return kDispIdOnTransferError;
        default: return kDispIdOnSourceUIClose;
    }
}

void CPallastra::FirePlainEvent(EventKind kind) {
    // The view shows a new image before the page hears of it.
    if (kind == kEventPostTransfer) FireViewChange();
    m_proxy.Fire_Simple(PlainEventDispId(kind));
}

void CPallastra::OnBufferChanged(HGLOBAL current, int quiet) {
    CBrowserAddOnBase::OnBufferChanged(current, quiet);
    if (GetSuspendViewUpdates()) return;
    if (quiet == 0) {
        EventRecord record = BufferChangedRecord();
        SendEventRecord(ControlWindow(), record);
    }
    FireViewChange();
}

void CPallastra::OnPostLoad(const char* path, const char* name, SHORT type) {
    EventRecord record = PostLoadRecord(path, name, type);
    SendEventRecord(ControlWindow(), record);
}

void CPallastra::OnGetFilePath(BOOL save, LONG count, LONG index, const char* path, const char* name) {
    EventRecord record = GetFilePathRecord(save, count, index, path, name);
    SendEventRecord(ControlWindow(), record);
}

DWORD CPallastra::ShowInternetErrorDialog(HMODULE wininet, HANDLE request, DWORD status, DWORD flags, LPVOID* data) {
    return CallInternetErrorDialog(wininet, ControlWindow(), request, status, flags, data);
}

void CPallastra::OnTransferPercentage(SHORT percent, LONG* cancel) {
    EventRecord record = TransferPercentageRecord(percent, cancel);
    SendEventRecord(ControlWindow(), record);
}

void CPallastra::OnBeforeOperate(LONG id, const char* name) {
    EventRecord record = BeforeOperateRecord(id, name);
    SendEventRecord(ControlWindow(), record);
}

void CPallastra::OnOperateStatus(const char* status, LONG percent) {
    EventRecord record = OperateStatusRecord(status, percent);
    SendEventRecord(ControlWindow(), record);
}

void CPallastra::OnAfterOperate(LONG id, const char* name, BOOL succeeded, const char* errorText) {
    EventRecord record = AfterOperateRecord(id, name, succeeded, errorText);
    SendEventRecord(ControlWindow(), record);
}

// ---- persistence ----

HRESULT CPallastra::LoadProperties(IPropertyBag* bag, IErrorLog* log) {
    return LoadPropertiesFromBag(static_cast<ILumetta*>(this), Extent(), bag, log);
}

HRESULT CPallastra::SaveProperties(IPropertyBag* bag) {
    return SavePropertiesToBag(static_cast<ILumetta*>(this), Extent(), bag);
}

HRESULT CPallastra::LoadFromStream(IStream* stream) {
    return LoadPropertiesFromStream(static_cast<ILumetta*>(this), Extent(), stream);
}

HRESULT CPallastra::SaveToStream(IStream* stream) {
    return SavePropertiesToStream(static_cast<ILumetta*>(this), Extent(), stream);
}

HRESULT CPallastra::StreamSize(ULONGLONG* size) { return PersistedStreamSize(static_cast<ILumetta*>(this), size); }
