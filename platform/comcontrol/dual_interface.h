// A dual interface's IDispatch half, answered through the module's type information for the
// interface's IID: names and calls go to the object's own virtual table.
#pragma once

#include "comcontrol/type_info_dispatch.h"

namespace comcontrol {

template <class Interface>
class DualInterface : public Interface {
public:
    explicit DualInterface(const IID& iid) : m_dispatch(iid) {}

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return m_dispatch.GetTypeInfoCount(count); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
        return m_dispatch.GetTypeInfo(index, out);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return m_dispatch.GetIDsOfNames(names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* error, UINT* argError) override {
        return m_dispatch.Invoke(static_cast<Interface*>(this), id, flags, params, result, error, argError);
    }

private:
    TypeInfoDispatch m_dispatch;
};

}  // namespace comcontrol
