// The PARAM elements of an object tag as a container hands them to a control: values kept by
// name (texts as the page wrote them), converted to the type the control asks for.
#pragma once

#include <ocidl.h>

#include <map>
#include <string>

class PropertyBag final : public IPropertyBag {
public:
    PropertyBag() = default;
    ~PropertyBag();
    PropertyBag(const PropertyBag&) = delete;
    PropertyBag& operator=(const PropertyBag&) = delete;

    void SetText(const std::wstring& name, const wchar_t* text);
    std::map<std::wstring, VARIANT>& Values() { return m_values; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives with its owner
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override;
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override;

private:
    std::map<std::wstring, VARIANT> m_values;  // names as given; looked up without case
};
