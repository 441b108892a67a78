#include "browser/npobject_dispatch.h"

#include <windows.h>

#include <string>

#include "browser/script_runtime.h"
#include "browser/variant_bridge.h"

namespace browser {
namespace {

// Asked for by Unwrap: only wrappers of this kind answer it.
const IID kWrapperIid = {0x6b1f3c52, 0x2d7e, 0x4a19, {0x9c, 0x41, 0x5e, 0x88, 0x20, 0x3a, 0x77, 0x10}};

std::string Utf8(const wchar_t* text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, s.data(), n, nullptr, nullptr);
    return s;
}

HRESULT Raise(EXCEPINFO* error, const wchar_t* text) {
    if (error) {
        *error = EXCEPINFO{};
        error->scode = E_FAIL;
        error->bstrSource = SysAllocString(L"browser");
        error->bstrDescription = SysAllocString(text);
    }
    return DISP_E_EXCEPTION;
}

}  // namespace

NPObjectDispatch::NPObjectDispatch(NPObject* object) : m_object(RetainObject(object)) {}
NPObjectDispatch::~NPObjectDispatch() { ReleaseObject(m_object); }

IDispatch* NPObjectDispatch::Wrap(NPObject* object) { return object ? new NPObjectDispatch(object) : nullptr; }

NPObject* NPObjectDispatch::Unwrap(IUnknown* unknown) {
    void* self = nullptr;
    if (!unknown || FAILED(unknown->QueryInterface(kWrapperIid, &self))) return nullptr;
    return static_cast<NPObjectDispatch*>(self)->m_object;  // answered without a new reference
}

HRESULT NPObjectDispatch::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == kWrapperIid) {
        *out = this;
        return S_OK;
    }
    if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG NPObjectDispatch::Release() {
    ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
}

HRESULT NPObjectDispatch::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

HRESULT NPObjectDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT NPObjectDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;  // no named arguments
    NPIdentifier name = StringIdentifier(Utf8(names[0]).c_str());
    NPClass* cls = m_object->_class;
    bool known = cls && ((cls->hasMethod && cls->hasMethod(m_object, name)) ||
                         (cls->hasProperty && cls->hasProperty(m_object, name)));
    if (!known) {
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    for (size_t k = 0; k < m_names.size(); ++k) {
        if (m_names[k] == name) {
            ids[0] = static_cast<DISPID>(k + 1);
            return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
        }
    }
    m_names.push_back(name);
    ids[0] = static_cast<DISPID>(m_names.size());
    return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT NPObjectDispatch::CallMethod(NPIdentifier name, DISPPARAMS* params, VARIANT* result, EXCEPINFO* error) {
    std::vector<NPVariant> args;
    const UINT count = params ? params->cArgs : 0;
    for (UINT i = count; i-- > 0;) args.push_back(ToNPVariant(params->rgvarg[i]));  // script order
    NPVariant answer = VoidVariant();
    bool ok = m_object->_class->invoke && m_object->_class->invoke(m_object, name, args.data(), count, &answer);
    for (NPVariant& v : args) ReleaseVariantValue(&v);
    if (ok && result) ToVariant(answer, result);
    if (ok) ReleaseVariantValue(&answer);
    return ok ? S_OK : Raise(error, L"Error calling method on NPObject.");
}

HRESULT NPObjectDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO* error, UINT*) {
    if (result) VariantInit(result);
    if (id < 1 || static_cast<size_t>(id) > m_names.size() || !m_object->_class) return DISP_E_MEMBERNOTFOUND;
    NPIdentifier name = m_names[static_cast<size_t>(id) - 1];
    NPClass* cls = m_object->_class;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (!params || params->cArgs < 1) return DISP_E_BADPARAMCOUNT;
        NPVariant value = ToNPVariant(params->rgvarg[0]);
        bool ok = cls->setProperty && cls->setProperty(m_object, name, &value);
        ReleaseVariantValue(&value);
        return ok ? S_OK : Raise(error, L"Error setting property on NPObject.");
    }
    bool isMethod = cls->hasMethod && cls->hasMethod(m_object, name);
    if ((flags & DISPATCH_METHOD) && (isMethod || !(flags & DISPATCH_PROPERTYGET)))
        return CallMethod(name, params, result, error);
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    NPVariant value = VoidVariant();
    bool ok = cls->getProperty && cls->getProperty(m_object, name, &value);
    if (ok && result) ToVariant(value, result);
    if (ok) ReleaseVariantValue(&value);
    return ok ? S_OK : Raise(error, L"Error getting property on NPObject.");
}

}  // namespace browser
