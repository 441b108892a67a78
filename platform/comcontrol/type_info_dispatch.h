// IDispatch of a dual interface through the type information of the module's type library:
// names and calls are resolved by ITypeInfo against the object's own virtual table.
#pragma once

#include "comcontrol/com_module.h"

namespace comcontrol {

class TypeInfoDispatch {
public:
    explicit TypeInfoDispatch(const IID& iid) : m_iid(iid) {}
    ~TypeInfoDispatch();
    TypeInfoDispatch(const TypeInfoDispatch&) = delete;
    TypeInfoDispatch& operator=(const TypeInfoDispatch&) = delete;

    HRESULT GetTypeInfoCount(UINT* count);
    HRESULT GetTypeInfo(UINT index, ITypeInfo** out);
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids);
    // self: the interface pointer whose virtual table the type information describes.
    HRESULT Invoke(void* self, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* error,
                   UINT* argError);

private:
    ITypeInfo* Info();

    IID m_iid;
    ITypeInfo* m_info = nullptr;
};

}  // namespace comcontrol
