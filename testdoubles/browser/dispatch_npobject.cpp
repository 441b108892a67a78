#include "browser/dispatch_npobject.h"

#include <windows.h>
#include <dispex.h>

#include <new>
#include <string>
#include <vector>

#include "browser/script_runtime.h"
#include "browser/variant_bridge.h"

namespace browser {
namespace {

DispatchNPObject* Self(NPObject* object) { return static_cast<DispatchNPObject*>(object); }

// The script's name of an identifier: the text, or the element number as decimal text.
BSTR NameOf(NPIdentifier id) {
    std::string name = IsStringIdentifier(id) ? IdentifierName(id) : std::to_string(IdentifierInt(id));
    int n = MultiByteToWideChar(CP_UTF8, 0, name.c_str(), static_cast<int>(name.size()), nullptr, 0);
    BSTR text = SysAllocStringLen(nullptr, static_cast<UINT>(n));
    if (text && n > 0) MultiByteToWideChar(CP_UTF8, 0, name.c_str(), static_cast<int>(name.size()), text, n);
    return text;
}

// The script's id of a name; with `make`, a property that does not exist yet is made.
bool Find(IDispatch* dispatch, NPIdentifier id, bool make, DISPID* out) {
    BSTR name = NameOf(id);
    if (!name) return false;
    HRESULT hr;
    IDispatchEx* ex = nullptr;
    if (SUCCEEDED(dispatch->QueryInterface(__uuidof(IDispatchEx), reinterpret_cast<void**>(&ex)))) {
        hr = ex->GetDispID(name, fdexNameCaseSensitive | (make ? fdexNameEnsure : 0), out);
        ex->Release();
    } else {
        LPOLESTR names[] = {name};
        hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, out);
    }
    SysFreeString(name);
    return SUCCEEDED(hr) && *out != DISPID_UNKNOWN;
}

// Calls the script with the arguments in script order; the answer as a new NPVariant.
bool Call(IDispatch* dispatch, DISPID id, WORD flags, const NPVariant* args, uint32_t count, NPVariant* result) {
    std::vector<VARIANT> values(count);
    for (uint32_t i = 0; i < count; ++i) ToVariant(args[i], &values[count - 1 - i]);  // reversed, as COM wants
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{values.data(), nullptr, count, 0};
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    VARIANT answer;
    VariantInit(&answer);
    EXCEPINFO error{};
    HRESULT hr;
    IDispatchEx* ex = nullptr;
    if (SUCCEEDED(dispatch->QueryInterface(__uuidof(IDispatchEx), reinterpret_cast<void**>(&ex)))) {
        hr = ex->InvokeEx(id, LOCALE_USER_DEFAULT, flags, &params, &answer, &error, nullptr);
        ex->Release();
    } else {
        hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &answer, &error, nullptr);
    }
    SysFreeString(error.bstrSource);
    SysFreeString(error.bstrDescription);
    SysFreeString(error.bstrHelpFile);
    for (VARIANT& v : values) VariantClear(&v);
    if (result) *result = SUCCEEDED(hr) ? ToNPVariant(answer) : VoidVariant();
    VariantClear(&answer);
    return SUCCEEDED(hr);
}

NPObject* NP_RUNTIME_CALL Allocate(void*, NPClass*) {
    auto* object = new (std::nothrow) DispatchNPObject();
    if (object) object->dispatch = nullptr;
    return object;
}

void NP_RUNTIME_CALL Deallocate(NPObject* object) {
    if (Self(object)->dispatch) Self(object)->dispatch->Release();
    delete Self(object);
}

bool NP_RUNTIME_CALL HasProperty(NPObject* object, NPIdentifier id) {
    DISPID d;
    return Find(Self(object)->dispatch, id, false, &d);
}

bool NP_RUNTIME_CALL HasMethod(NPObject* object, NPIdentifier id) {
    NPVariant value = VoidVariant();
    DISPID d;
    bool found = Find(Self(object)->dispatch, id, false, &d) &&
                 Call(Self(object)->dispatch, d, DISPATCH_PROPERTYGET, nullptr, 0, &value);
    bool callable = found && value.type == NPVariantType_Object;
    ReleaseVariantValue(&value);
    return callable;
}

bool NP_RUNTIME_CALL GetProperty(NPObject* object, NPIdentifier id, NPVariant* result) {
    if (!result) return false;
    *result = VoidVariant();
    DISPID d;
    if (!Find(Self(object)->dispatch, id, false, &d)) return true;  // undefined, as a script reads it
    return Call(Self(object)->dispatch, d, DISPATCH_PROPERTYGET, nullptr, 0, result);
}

bool NP_RUNTIME_CALL SetProperty(NPObject* object, NPIdentifier id, const NPVariant* value) {
    DISPID d;
    if (!value || !Find(Self(object)->dispatch, id, true, &d)) return false;
    return Call(Self(object)->dispatch, d, DISPATCH_PROPERTYPUT, value, 1, nullptr);
}

bool NP_RUNTIME_CALL RemoveProperty(NPObject*, NPIdentifier) { return false; }

bool NP_RUNTIME_CALL Invoke(NPObject* object, NPIdentifier id, const NPVariant* args, uint32_t count,
                            NPVariant* result) {
    DISPID d;
    if (result) *result = VoidVariant();
    if (!Find(Self(object)->dispatch, id, false, &d)) return false;
    return Call(Self(object)->dispatch, d, DISPATCH_METHOD, args, count, result);
}

bool NP_RUNTIME_CALL InvokeDefault(NPObject* object, const NPVariant* args, uint32_t count, NPVariant* result) {
    if (result) *result = VoidVariant();
    return Call(Self(object)->dispatch, DISPID_VALUE, DISPATCH_METHOD, args, count, result);
}

NPClass g_class = {
    NP_CLASS_STRUCT_VERSION, Allocate, Deallocate, nullptr, HasMethod, Invoke, InvokeDefault,
    HasProperty, GetProperty, SetProperty, RemoveProperty, nullptr, nullptr,
};

}  // namespace

NPClass* DispatchNPObject::Class() { return &g_class; }

NPObject* DispatchNPObject::Wrap(IDispatch* dispatch) {
    if (!dispatch) return nullptr;
    NPObject* object = CreateObject(nullptr, &g_class);
    if (!object) return nullptr;
    dispatch->AddRef();
    Self(object)->dispatch = dispatch;
    return object;
}

IDispatch* DispatchNPObject::Unwrap(NPObject* object) {
    return object && object->_class == &g_class ? Self(object)->dispatch : nullptr;
}

}  // namespace browser
