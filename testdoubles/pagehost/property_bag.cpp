#include "pagehost/property_bag.h"

PropertyBag::~PropertyBag() {
    for (auto& [name, v] : m_values) VariantClear(&v);
}

void PropertyBag::SetText(const std::wstring& name, const wchar_t* text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    Write(name.c_str(), &v);
    VariantClear(&v);
}

HRESULT PropertyBag::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IPropertyBag) return E_NOINTERFACE;
    *out = static_cast<IPropertyBag*>(this);
    return S_OK;
}

HRESULT PropertyBag::Read(LPCOLESTR name, VARIANT* value, IErrorLog*) {
    if (!name || !value) return E_POINTER;
    for (auto& [n, stored] : m_values) {
        if (_wcsicmp(n.c_str(), name) != 0) continue;
        VARTYPE wanted = value->vt == VT_EMPTY ? stored.vt : value->vt;
        VariantInit(value);
        return VariantChangeType(value, &stored, 0, wanted);
    }
    return E_INVALIDARG;
}

HRESULT PropertyBag::Write(LPCOLESTR name, VARIANT* value) {
    if (!name || !value) return E_POINTER;
    VARIANT copy;
    VariantInit(&copy);
    HRESULT hr = VariantCopy(&copy, value);
    if (FAILED(hr)) return hr;
    auto it = m_values.find(name);
    if (it != m_values.end()) VariantClear(&it->second);
    m_values[name] = copy;
    return S_OK;
}
