#include "testdoubles/camera/camera_video_port_pin.h"

#include <cstring>

#include "testdoubles/camera/camera_enumerators.h"

STDMETHODIMP CameraVideoPortPin::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IPin) {
        *out = static_cast<IPin*>(this);
    } else if (iid == IID_IKsPropertySet) {
        *out = static_cast<IKsPropertySet*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP CameraVideoPortPin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = nullptr;
    return VFW_E_NOT_CONNECTED;
}

STDMETHODIMP CameraVideoPortPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    memset(type, 0, sizeof(*type));
    return VFW_E_NOT_CONNECTED;
}

STDMETHODIMP CameraVideoPortPin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = m_filter;
    m_filter->AddRef();
    info->dir = PINDIR_OUTPUT;
    wcscpy(info->achName, L"VP");
    return S_OK;
}

STDMETHODIMP CameraVideoPortPin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

STDMETHODIMP CameraVideoPortPin::QueryId(LPWSTR* id) {
    if (!id) return E_POINTER;
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof(L"VP")));
    if (!*id) return E_OUTOFMEMORY;
    wcscpy(*id, L"VP");
    return S_OK;
}

STDMETHODIMP CameraVideoPortPin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types) return E_POINTER;
    *types = new CameraMediaTypeEnumerator(nullptr, 0);
    return S_OK;
}

STDMETHODIMP CameraVideoPortPin::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD size, DWORD* returned) {
    if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (!data || size < sizeof(GUID)) return E_UNEXPECTED;
    *static_cast<GUID*>(data) = PIN_CATEGORY_VIDEOPORT;
    if (returned) *returned = sizeof(GUID);
    return S_OK;
}

STDMETHODIMP CameraVideoPortPin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
    if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (support) *support = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}
