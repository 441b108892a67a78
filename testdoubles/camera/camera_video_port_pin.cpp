#include "testdoubles/camera/camera_video_port_pin.h"

#include <cstring>

#include "testdoubles/camera/camera_enumerators.h"
#include "testdoubles/camera/camera_pin_common.h"

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
    return DescribeOutputPin(m_filter, L"VP", info);
}

STDMETHODIMP CameraVideoPortPin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

STDMETHODIMP CameraVideoPortPin::QueryId(LPWSTR* id) {
    return CopyPinId(L"VP", id);
}

STDMETHODIMP CameraVideoPortPin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types) return E_POINTER;
    *types = new CameraMediaTypeEnumerator(nullptr, 0);
    return S_OK;
}

STDMETHODIMP CameraVideoPortPin::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD size, DWORD* returned) {
    return GetPinCategory(PIN_CATEGORY_VIDEOPORT, set, id, data, size, returned);
}

STDMETHODIMP CameraVideoPortPin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
    return QueryPinCategorySupport(set, id, support);
}
