// The standard class object: creates instances through the class's creation function; server
// locks count in the module's lock count.
#pragma once

#include "comcontrol/com_module.h"

namespace comcontrol {

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(CreateInstanceFn create) : m_create(create) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_refs); }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    volatile LONG m_refs = 1;
    CreateInstanceFn m_create;
};

}  // namespace comcontrol
