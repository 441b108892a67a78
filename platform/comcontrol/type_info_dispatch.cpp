#include "comcontrol/type_info_dispatch.h"

namespace comcontrol {

TypeInfoDispatch::~TypeInfoDispatch() {
    if (m_info) m_info->Release();
}

ITypeInfo* TypeInfoDispatch::Info() {
    if (!m_info) Module().GetTypeInfoOf(m_iid, &m_info);
    return m_info;
}

HRESULT TypeInfoDispatch::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT TypeInfoDispatch::GetTypeInfo(UINT index, ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    ITypeInfo* info = Info();
    if (!info) return TYPE_E_CANTLOADLIBRARY;
    info->AddRef();
    *out = info;
    return S_OK;
}

HRESULT TypeInfoDispatch::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) {
    ITypeInfo* info = Info();
    if (!info) return TYPE_E_CANTLOADLIBRARY;
    return info->GetIDsOfNames(names, count, ids);
}

HRESULT TypeInfoDispatch::Invoke(void* self, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO* error, UINT* argError) {
    ITypeInfo* info = Info();
    if (!info) return TYPE_E_CANTLOADLIBRARY;
    return info->Invoke(self, id, flags, params, result, error, argError);
}

}  // namespace comcontrol
