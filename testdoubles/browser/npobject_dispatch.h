// A script object of the plug-in seen from JScript: an IDispatch whose names become the browser's
// identifiers and whose calls, reads and writes go to the object's class as a browser's script
// engine sends them. A failed call raises a script error, as browsers raise an exception.
#pragma once

#include <oaidl.h>

#include <vector>

#include "npapi/np_runtime.h"

namespace browser {

class NPObjectDispatch final : public IDispatch {
public:
    // A new wrapper (one reference) that holds one reference of the object.
    static IDispatch* Wrap(NPObject* object);
    // The object behind a wrapper of this kind, or null for any other IDispatch (no new reference).
    static NPObject* Unwrap(IUnknown* unknown);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* error, UINT*) override;

private:
    explicit NPObjectDispatch(NPObject* object);
    ~NPObjectDispatch();
    HRESULT CallMethod(NPIdentifier name, DISPPARAMS* params, VARIANT* result, EXCEPINFO* error);

    NPObject* m_object;
    std::vector<NPIdentifier> m_names;  // DISPID n is m_names[n - 1]
    ULONG m_refs = 1;
};

}  // namespace browser
