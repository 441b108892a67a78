#include "activex/cancel.h"

#include <new>

#include "activex/lumetta_guids.h"

CCancel::CCancel(IUnknown* outer) : DualInterface(lumetta::IID_ICancel), m_outer(outer ? outer : &m_inner) {
    m_inner.owner = this;
    comcontrol::Module().Lock();
}

CCancel::~CCancel() { comcontrol::Module().Unlock(); }

CCancel* CCancel::Create() { return new (std::nothrow) CCancel(nullptr); }

HRESULT CCancel::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    auto* object = new (std::nothrow) CCancel(outer);
    if (!object) return E_OUTOFMEMORY;
    HRESULT hr = object->m_inner.QueryInterface(iid, out);
    object->m_inner.Release();  // the creation reference; a failed query destroys the object
    return hr;
}

HRESULT CCancel::Inner::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
        if (iid == IID_IUnknown) *out = static_cast<IUnknown*>(this);
    else if (iid == IID_IDispatch || iid == lumetta::IID_ICancel) *out = static_cast<ICancel*>(owner);
    else return E_NOINTERFACE;
    static_cast<IUnknown*>(*out)->AddRef();
    return S_OK;
}

ULONG CCancel::Inner::AddRef() { return InterlockedIncrement(&refs); }

ULONG CCancel::Inner::Release() {
    LONG left = InterlockedDecrement(&refs);
    if (left == 0) delete owner;
    return left;
}

HRESULT CCancel::get_Cancelled(VARIANT_BOOL* value) {
    if (value) *value = m_cancelled;
    return S_OK;
}

HRESULT CCancel::put_Cancelled(VARIANT_BOOL value) {
    m_cancelled = value;
    return S_OK;
}
