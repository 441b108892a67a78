#include "pagescript/simple_dispatch.h"

HRESULT SimpleDispatch::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

HRESULT SimpleDispatch::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

HRESULT SimpleDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT SimpleDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        for (size_t n = 0; n < m_names.size(); ++n)
            if (i == 0 && _wcsicmp(m_names[n].c_str(), names[i]) == 0) ids[i] = DISPID(n + 1);
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT SimpleDispatch::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*, UINT*) {
    if (id < 1 || id > DISPID(m_names.size())) return DISP_E_MEMBERNOTFOUND;
    std::vector<VARIANT*> args;
    for (UINT i = params ? params->cArgs : 0; i-- > 0;) args.push_back(&params->rgvarg[i]);
    if (result) VariantInit(result);
    return Call(id, args, result);
}
