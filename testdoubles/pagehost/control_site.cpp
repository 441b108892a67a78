#include "pagehost/control_site.h"

HRESULT ControlSite::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) *out = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) *out = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IDispatch) *out = static_cast<IDispatch*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT ControlSite::GetMoniker(DWORD, DWORD, IMoniker** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT ControlSite::GetContainer(IOleContainer** out) {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT ControlSite::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = m_frame;
    return S_OK;
}

HRESULT ControlSite::OnInPlaceActivate() {
    ++activations;
    return S_OK;
}

HRESULT ControlSite::OnInPlaceDeactivate() {
    ++deactivations;
    return S_OK;
}

HRESULT ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT pos,
                                      LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (frame) *frame = nullptr;
    if (document) *document = nullptr;
    if (pos) *pos = position;
    if (clip) *clip = position;
    if (info) {
        info->fMDIApp = FALSE;
        info->hwndFrame = m_frame;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
    }
    return S_OK;
}

HRESULT ControlSite::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

HRESULT ControlSite::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT ControlSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) {
    if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
    if (id == DISPID_AMBIENT_USERMODE) {
        VariantInit(result);
        result->vt = VT_BOOL;
        result->boolVal = m_userMode ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}
