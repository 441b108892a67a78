#include "comcontrol/com_control.h"

#include "comcontrol/com_module.h"

namespace comcontrol {

namespace {

constexpr wchar_t kWindowClass[] = L"LumettaControlWindow";

template <typename T>
void ReleaseAndClear(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

}  // namespace

ComControl::ComControl(const CLSID& clsid, const IID& eventIid, DWORD miscStatus)
    : m_clsid(clsid), m_eventIid(eventIid), m_miscStatus(miscStatus), m_events(this, eventIid) {
    Module().Lock();
}

ComControl::~ComControl() {
    DestroyControlWindow();
    ReleaseAndClear(m_inPlaceSite);
    ReleaseAndClear(m_clientSite);
    ReleaseAndClear(m_oleAdvise);
    ReleaseAndClear(m_viewSink);
    m_events.ReleaseAll();
    Module().Unlock();
}

HRESULT ComControl::QueryControlInterface(REFIID iid, void** out) {
    if (iid == IID_IOleObject) *out = static_cast<IOleObject*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) *out = static_cast<IOleInPlaceObject*>(this);
    else if (iid == IID_IOleInPlaceActiveObject) *out = static_cast<IOleInPlaceActiveObject*>(this);
    else if (iid == IID_IOleControl) *out = static_cast<IOleControl*>(this);
    else if (iid == IID_IViewObject || iid == IID_IViewObject2) *out = static_cast<IViewObject2*>(this);
    else if (iid == IID_IConnectionPointContainer) *out = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) *out = static_cast<IProvideClassInfo2*>(this);
    else if (iid == IID_IPersistPropertyBag) *out = static_cast<IPersistPropertyBag*>(this);
    else if (iid == IID_IPersistStreamInit || iid == IID_IPersist) *out = static_cast<IPersistStreamInit*>(this);
    else if (iid == IID_IPersistStorage) *out = static_cast<IPersistStorage*>(this);
    else return E_NOINTERFACE;
    static_cast<IUnknown*>(*out)->AddRef();
    return S_OK;
}

// ---- IOleObject ----

HRESULT ComControl::SetClientSite(IOleClientSite* site) {
    if (site) site->AddRef();
    ReleaseAndClear(m_clientSite);
    m_clientSite = site;
    return S_OK;
}

HRESULT ComControl::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = m_clientSite;
    if (m_clientSite) m_clientSite->AddRef();
    return S_OK;
}

HRESULT ComControl::Close(DWORD) {
    InPlaceDeactivate();
    if (m_oleAdvise) m_oleAdvise->SendOnClose();
    return S_OK;
}

HRESULT ComControl::GetMoniker(DWORD, DWORD, IMoniker** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT ComControl::GetClipboardData(DWORD, IDataObject** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT ComControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) {
    if (site && site != m_clientSite) SetClientSite(site);
    switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_INPLACEACTIVATE:
        case OLEIVERB_UIACTIVATE:
            return InPlaceActivate(verb);
        case OLEIVERB_HIDE:
            UIDeactivate();
            if (m_window) ShowWindow(m_window, SW_HIDE);
            return S_OK;
        case OLEIVERB_DISCARDUNDOSTATE:
            return S_OK;
        default:
            return OLEOBJ_S_INVALIDVERB;
    }
}

HRESULT ComControl::InPlaceActivate(LONG verb) {
    if (!m_clientSite) return E_UNEXPECTED;
    if (!m_inPlaceSite) {
        IOleInPlaceSite* site = nullptr;
        if (FAILED(m_clientSite->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&site))))
            return E_FAIL;
        if (site->CanInPlaceActivate() != S_OK) {
            site->Release();
            return E_FAIL;
        }
        m_inPlaceSite = site;
        m_inPlaceSite->OnInPlaceActivate();
    }
    HWND parent = nullptr;
    m_inPlaceSite->GetWindow(&parent);
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = nullptr;
    RECT position{}, clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof(frameInfo);
    m_inPlaceSite->GetWindowContext(&frame, &document, &position, &clip, &frameInfo);
    HRESULT hr = S_OK;
    if (!m_window) {
        if (!CreateControlWindow(parent, position)) hr = E_FAIL;
    } else {
        SetObjectRects(&position, &clip);
    }
    if (SUCCEEDED(hr)) {
        ShowWindow(m_window, SW_SHOW);
        if (verb == OLEIVERB_UIACTIVATE && !m_uiActive) {
            m_uiActive = true;
            m_inPlaceSite->OnUIActivate();
            SetFocus(m_window);
            if (frame) frame->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), nullptr);
            if (document) document->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), nullptr);
        }
    }
    ReleaseAndClear(frame);
    ReleaseAndClear(document);
    return hr;
}

HRESULT ComControl::EnumVerbs(IEnumOLEVERB** out) { return OleRegEnumVerbs(m_clsid, out); }

HRESULT ComControl::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

HRESULT ComControl::GetUserType(DWORD form, LPOLESTR* type) { return OleRegGetUserType(m_clsid, form, type); }

HRESULT ComControl::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    m_extent = *size;
    m_dirty = true;
    return S_OK;
}

HRESULT ComControl::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return E_FAIL;
    if (!size) return E_POINTER;
    *size = m_extent;
    return S_OK;
}

HRESULT ComControl::Advise(IAdviseSink* sink, DWORD* cookie) {
    if (!m_oleAdvise && FAILED(CreateOleAdviseHolder(&m_oleAdvise))) return E_OUTOFMEMORY;
    return m_oleAdvise->Advise(sink, cookie);
}

HRESULT ComControl::Unadvise(DWORD cookie) {
    if (!m_oleAdvise) return OLE_E_NOCONNECTION;
    return m_oleAdvise->Unadvise(cookie);
}

HRESULT ComControl::EnumAdvise(IEnumSTATDATA** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!m_oleAdvise) return E_FAIL;
    return m_oleAdvise->EnumAdvise(out);
}

HRESULT ComControl::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = m_miscStatus;
    return S_OK;
}

// ---- in-place object ----

HRESULT ComControl::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = m_window;
    return m_window ? S_OK : E_FAIL;
}

HRESULT ComControl::InPlaceDeactivate() {
    if (!m_inPlaceSite) return S_OK;
    UIDeactivate();
    DestroyControlWindow();
    IOleInPlaceSite* site = m_inPlaceSite;
    m_inPlaceSite = nullptr;
    site->OnInPlaceDeactivate();
    site->Release();
    return S_OK;
}

HRESULT ComControl::UIDeactivate() {
    if (!m_uiActive) return S_OK;
    m_uiActive = false;
    if (m_inPlaceSite) {
        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* document = nullptr;
        RECT position{}, clip{};
        OLEINPLACEFRAMEINFO frameInfo{};
        frameInfo.cb = sizeof(frameInfo);
        if (SUCCEEDED(m_inPlaceSite->GetWindowContext(&frame, &document, &position, &clip, &frameInfo))) {
            if (frame) frame->SetActiveObject(nullptr, nullptr);
            if (document) document->SetActiveObject(nullptr, nullptr);
        }
        ReleaseAndClear(frame);
        ReleaseAndClear(document);
        m_inPlaceSite->OnUIDeactivate(FALSE);
    }
    return S_OK;
}

HRESULT ComControl::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position) return E_POINTER;
    if (m_window)
        MoveWindow(m_window, position->left, position->top, position->right - position->left,
                   position->bottom - position->top, TRUE);
    return S_OK;
}

// ---- view ----

HRESULT ComControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC draw, LPCRECTL bounds, LPCRECTL,
                         BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!draw || !bounds) return E_INVALIDARG;
    // The window paints itself while active; a container drawing a snapshot gets the background.
    RECT r = {bounds->left, bounds->top, bounds->right, bounds->bottom};
    FillRect(draw, &r, GetSysColorBrush(COLOR_WINDOW));
    return S_OK;
}

HRESULT ComControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    if (sink) sink->AddRef();
    ReleaseAndClear(m_viewSink);
    m_viewSink = sink;
    m_viewAspects = aspects;
    m_viewFlags = flags;
    return S_OK;
}

HRESULT ComControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects) *aspects = m_viewAspects;
    if (flags) *flags = m_viewFlags;
    if (sink) {
        *sink = m_viewSink;
        if (m_viewSink) m_viewSink->AddRef();
    }
    return S_OK;
}

HRESULT ComControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) { return GetExtent(aspect, size); }

void ComControl::FireViewChange() {
    if (m_inPlaceSite && m_window) InvalidateRect(m_window, nullptr, TRUE);
    else if (m_viewSink) m_viewSink->OnViewChange(DVASPECT_CONTENT, -1);
}

bool ComControl::GetAmbientProperty(DISPID id, VARIANT* value) {
    VariantInit(value);
    if (!m_clientSite) return false;
    IDispatch* ambient = nullptr;
    if (FAILED(m_clientSite->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&ambient)))) return false;
    DISPPARAMS none{};
    HRESULT hr = ambient->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr, nullptr);
    ambient->Release();
    return SUCCEEDED(hr);
}

// ---- connection points and class information ----

HRESULT ComControl::EnumConnectionPoints(IEnumConnectionPoints** out) {
    return EnumerateSingleConnectionPoint(&m_events, out);
}

HRESULT ComControl::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != m_eventIid) return CONNECT_E_NOCONNECTION;
    m_events.AddRef();
    *out = &m_events;
    return S_OK;
}

HRESULT ComControl::GetClassInfo(ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Module().GetTypeInfoOf(m_clsid, out);
}

HRESULT ComControl::GetGUID(DWORD kind, GUID* guid) {
    if (!guid) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    *guid = m_eventIid;
    return S_OK;
}

// ---- persistence ----

HRESULT ComControl::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

HRESULT ComControl::Load(IPropertyBag* bag, IErrorLog* log) {
    if (!bag) return E_POINTER;
    return LoadProperties(bag, log);
}

HRESULT ComControl::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
    if (!bag) return E_POINTER;
    HRESULT hr = SaveProperties(bag);
    if (SUCCEEDED(hr) && clearDirty) m_dirty = false;
    return hr;
}

HRESULT ComControl::Load(LPSTREAM stream) {
    if (!stream) return E_POINTER;
    return LoadFromStream(stream);
}

HRESULT ComControl::Save(LPSTREAM stream, BOOL clearDirty) {
    if (!stream) return E_POINTER;
    HRESULT hr = SaveToStream(stream);
    if (SUCCEEDED(hr) && clearDirty) m_dirty = false;
    return hr;
}

HRESULT ComControl::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) return E_POINTER;
    ULONGLONG bytes = 0;
    HRESULT hr = StreamSize(&bytes);
    size->QuadPart = bytes;
    return hr;
}

HRESULT ComControl::Load(IStorage* storage) {
    if (!storage) return E_POINTER;
    IStream* stream = nullptr;
    HRESULT hr = storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
    if (FAILED(hr)) return hr;
    hr = LoadFromStream(stream);
    stream->Release();
    return hr;
}

HRESULT ComControl::Save(IStorage* storage, BOOL) {
    if (!storage) return E_POINTER;
    IStream* stream = nullptr;
    HRESULT hr = storage->CreateStream(L"Contents", STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE, 0, 0, &stream);
    if (FAILED(hr)) return hr;
    hr = SaveToStream(stream);
    stream->Release();
    return hr;
}

// ---- the control window ----

bool ComControl::CreateControlWindow(HWND parent, const RECT& rect) {
    HINSTANCE instance = ModuleInstance();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExW(instance, kWindowClass, &wc)) {
        wc.cbSize = sizeof(wc);
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kWindowClass;
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    }
    HWND window = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                  rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                                  instance, this);
    return window != nullptr;
}

void ComControl::DestroyControlWindow() {
    if (m_window) DestroyWindow(m_window);
    m_window = nullptr;
}

LRESULT CALLBACK ComControl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* control = reinterpret_cast<ComControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        control = static_cast<ComControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
        control->m_window = window;
    }
    if (!control) return DefWindowProcW(window, message, wParam, lParam);
    bool handled = false;
    LRESULT result = control->ProcessWindowMessage(window, message, wParam, lParam, handled);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        control->m_window = nullptr;
    }
    return handled ? result : DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace comcontrol
