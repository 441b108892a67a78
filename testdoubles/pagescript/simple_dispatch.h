// A small late-bound object for the page host: names map to ids, calls go to one function.
#pragma once

#include <oaidl.h>

#include <string>
#include <vector>

class SimpleDispatch : public IDispatch {
public:
    explicit SimpleDispatch(std::vector<std::wstring> names) : m_names(std::move(names)) {}
    virtual ~SimpleDispatch() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }  // owned by the host
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;

protected:
    // id = index of the name + 1; arguments in declaration order.
    virtual HRESULT Call(DISPID id, const std::vector<VARIANT*>& args, VARIANT* result) = 0;

private:
    std::vector<std::wstring> m_names;
    ULONG m_refs = 1;
};
