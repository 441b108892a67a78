#include "comcontrol/class_factory.h"

namespace comcontrol {

HRESULT ClassFactory::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG ClassFactory::Release() {
    LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return refs;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    // An aggregated object hands out only its inner unknown.
    if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    return m_create(outer, iid, out);
}

HRESULT ClassFactory::LockServer(BOOL lock) {
    if (lock) Module().Lock();
    else Module().Unlock();
    return S_OK;
}

}  // namespace comcontrol
