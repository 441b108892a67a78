#include "browser/variant_bridge.h"

#include <windows.h>

#include <string>

#include "browser/dispatch_npobject.h"
#include "browser/npobject_dispatch.h"
#include "browser/script_runtime.h"

namespace browser {
namespace {

std::string Utf8(const wchar_t* text, UINT length) {
    if (!text || length == 0) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), s.data(), n, nullptr, nullptr);
    return s;
}

BSTR Bstr(const char* utf8, uint32_t length) {
    if (!utf8 || length == 0) return SysAllocString(L"");
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, static_cast<int>(length), nullptr, 0);
    BSTR s = SysAllocStringLen(nullptr, static_cast<UINT>(n > 0 ? n : 0));
    if (s && n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8, static_cast<int>(length), s, n);
    return s;
}

NPVariant ObjectValue(IUnknown* unknown) {
    if (!unknown) return NullVariant();
    if (NPObject* own = NPObjectDispatch::Unwrap(unknown)) return ObjectVariant(own);
    IDispatch* dispatch = nullptr;
    if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) return NullVariant();
    NPVariant v;
    OBJECT_TO_NPVARIANT(DispatchNPObject::Wrap(dispatch), v);
    dispatch->Release();
    return v;
}

}  // namespace

NPVariant ToNPVariant(const VARIANT& value) {
    VARIANT plain;
    VariantInit(&plain);
    if (FAILED(VariantCopyInd(&plain, const_cast<VARIANT*>(&value)))) return VoidVariant();
    NPVariant out = VoidVariant();
    switch (plain.vt) {
        case VT_EMPTY: break;
        case VT_NULL: out = NullVariant(); break;
        case VT_BOOL: out = BoolVariant(plain.boolVal != VARIANT_FALSE); break;
        case VT_I1: case VT_I2: case VT_I4: case VT_INT: case VT_UI1: case VT_UI2: {
            VARIANT n;
            VariantInit(&n);
            VariantChangeType(&n, &plain, 0, VT_I4);
            out = IntVariant(n.lVal);
            break;
        }
        case VT_BSTR: {
            std::string text = Utf8(plain.bstrVal, SysStringLen(plain.bstrVal));
            out = StringVariant(text);
            break;
        }
        case VT_DISPATCH: out = ObjectValue(plain.pdispVal); break;
        case VT_UNKNOWN: out = ObjectValue(plain.punkVal); break;
        default: {
            VARIANT d;
            VariantInit(&d);
            if (SUCCEEDED(VariantChangeType(&d, &plain, 0, VT_R8))) out = DoubleVariant(d.dblVal);
            break;
        }
    }
    VariantClear(&plain);
    return out;
}

void ToVariant(const NPVariant& value, VARIANT* out) {
    VariantInit(out);
    switch (value.type) {
        case NPVariantType_Null: out->vt = VT_NULL; break;
        case NPVariantType_Bool:
            out->vt = VT_BOOL;
            out->boolVal = value.value.boolValue ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case NPVariantType_Int32:
            out->vt = VT_I4;
            out->lVal = value.value.intValue;
            break;
        case NPVariantType_Double:
            out->vt = VT_R8;
            out->dblVal = value.value.doubleValue;
            break;
        case NPVariantType_String:
            out->vt = VT_BSTR;
            out->bstrVal = Bstr(value.value.stringValue.UTF8Characters, value.value.stringValue.UTF8Length);
            break;
        case NPVariantType_Object: {
            NPObject* object = value.value.objectValue;
            if (!object) {
                out->vt = VT_NULL;
            } else if (IDispatch* script = DispatchNPObject::Unwrap(object)) {
                script->AddRef();
                out->vt = VT_DISPATCH;
                out->pdispVal = script;
            } else {
                out->vt = VT_DISPATCH;
                out->pdispVal = NPObjectDispatch::Wrap(object);
            }
            break;
        }
        default: break;  // Void stays VT_EMPTY
    }
}

}  // namespace browser
