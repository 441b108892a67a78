// CCancel: the small object through which a page cancels a transfer (coclass Cancel, ICancel).
// It holds one VARIANT_BOOL; the control creates one per progress notice. Aggregatable.
#pragma once

#include "activex/ilumetta.h"
#include "comcontrol/dual_interface.h"

class CCancel final : public comcontrol::DualInterface<ICancel> {
public:
    // The class's creation function for the object map.
    static HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out);
    // A new stand-alone object, one reference held by the caller; null when memory runs out.
    static CCancel* Create();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override { return m_outer->QueryInterface(iid, out); }
    ULONG STDMETHODCALLTYPE AddRef() override { return m_outer->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return m_outer->Release(); }

    HRESULT STDMETHODCALLTYPE get_Cancelled(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_Cancelled(VARIANT_BOOL value) override;

private:
    // The object's own identity: answers the interfaces and keeps the count, also when aggregated.
    struct Inner final : public IUnknown {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
        CCancel* owner = nullptr;
        volatile LONG refs = 1;
    };

    explicit CCancel(IUnknown* outer);
    ~CCancel();

    Inner m_inner;
    IUnknown* m_outer;
    VARIANT_BOOL m_cancelled = VARIANT_FALSE;
};
