#include "testdoubles/camera/camera_pin_common.h"

#include <cwchar>

HRESULT DescribeOutputPin(IBaseFilter* filter, const wchar_t* name, PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = filter;
    filter->AddRef();
    info->dir = PINDIR_OUTPUT;
    wcsncpy(info->achName, name, MAX_PIN_NAME - 1);
    info->achName[MAX_PIN_NAME - 1] = 0;
    return S_OK;
}

HRESULT CopyPinId(const wchar_t* name, LPWSTR* id) {
    if (!id) return E_POINTER;
    size_t bytes = (wcslen(name) + 1) * sizeof(wchar_t);
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*id) return E_OUTOFMEMORY;
    memcpy(*id, name, bytes);
    return S_OK;
}

HRESULT GetPinCategory(const GUID& category, REFGUID set, DWORD id, void* data, DWORD size, DWORD* returned) {
    if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (!data || size < sizeof(GUID)) return E_UNEXPECTED;
    *static_cast<GUID*>(data) = category;
    if (returned) *returned = sizeof(GUID);
    return S_OK;
}

HRESULT QueryPinCategorySupport(REFGUID set, DWORD id, DWORD* support) {
    if (set != AMPROPSETID_Pin) return E_PROP_SET_UNSUPPORTED;
    if (id != AMPROPERTY_PIN_CATEGORY) return E_PROP_ID_UNSUPPORTED;
    if (support) *support = KSPROPERTY_SUPPORT_GET;
    return S_OK;
}
