// The control's module: class objects, aggregation, registration and unregistration keys, and
// the built type library against the member lists.
#include <gtest/gtest.h>

#include <comcat.h>
#include <objsafe.h>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "control_library.h"

namespace {

std::wstring GuidKey(const GUID& g) {
    wchar_t text[40] = {};
    StringFromGUID2(g, text, 40);
    return text;
}

bool KeyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::wstring ReadValue(const std::wstring& path, const wchar_t* name = nullptr) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return data;
}

}  // namespace

TEST(ControlModule, ClassObjectsForBothClassesAndNoOther) {
    ComApartment com;
    ControlLibrary lib;
    ASSERT_NE(lib.Module(), nullptr);
    IClassFactory* factory = nullptr;
    EXPECT_EQ(lib.GetClassObject(lumetta::CLSID_Lumetta, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    ASSERT_NE(factory, nullptr);
    IClassFactory* again = nullptr;
    EXPECT_EQ(lib.GetClassObject(lumetta::CLSID_Lumetta, IID_IClassFactory, reinterpret_cast<void**>(&again)), S_OK);
    EXPECT_EQ(factory, again) << "one cached class object per class";
    again->Release();
    IClassFactory* cancel = nullptr;
    EXPECT_EQ(lib.GetClassObject(lumetta::CLSID_Cancel, IID_IClassFactory, reinterpret_cast<void**>(&cancel)), S_OK);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(lib.GetClassObject(IID_IDispatch, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(lib.GetClassObject(lumetta::CLSID_Lumetta, IID_IClassFactory, nullptr), E_POINTER);

    // The control refuses aggregation; Cancel accepts it and hands out its inner unknown.
    struct Outer final : IUnknown {
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
        ULONG STDMETHODCALLTYPE Release() override { return --refs; }
        ULONG refs = 1;
    } outerObject;
    IUnknown* outer = &outerObject;
    IUnknown* inner = nullptr;
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(inner, nullptr);
    EXPECT_EQ(cancel->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
    ASSERT_NE(inner, nullptr);
    ICancel* delegating = nullptr;
    ASSERT_EQ(inner->QueryInterface(lumetta::IID_ICancel, reinterpret_cast<void**>(&delegating)), S_OK);
    EXPECT_EQ(outerObject.refs, 2u) << "the aggregated object's interfaces count on the outer object";
    delegating->Release();
    EXPECT_EQ(outerObject.refs, 1u);
    EXPECT_EQ(inner->Release(), 0u);

    // Objects hold the module; DllCanUnloadNow follows them.
    auto canUnload = lib.Export<HRESULT(STDAPICALLTYPE*)()>("DllCanUnloadNow");
    ASSERT_NE(canUnload, nullptr);
    EXPECT_EQ(canUnload(), S_OK);
    ICancel* object = nullptr;
    ASSERT_EQ(cancel->CreateInstance(nullptr, lumetta::IID_ICancel, reinterpret_cast<void**>(&object)), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE);
    object->Release();
    EXPECT_EQ(canUnload(), S_OK);
    factory->LockServer(TRUE);
    EXPECT_EQ(canUnload(), S_FALSE);
    factory->LockServer(FALSE);
    EXPECT_EQ(canUnload(), S_OK);
    factory->Release();
    cancel->Release();
}

TEST(ControlModule, RegistrationWritesTheKeysAndUnregistrationRemovesThem) {
    ComApartment com;
    ControlLibrary lib;
    auto registerServer = lib.Export<HRESULT(STDAPICALLTYPE*)()>("DllRegisterServer");
    auto unregisterServer = lib.Export<HRESULT(STDAPICALLTYPE*)()>("DllUnregisterServer");
    ASSERT_NE(registerServer, nullptr);
    ASSERT_NE(unregisterServer, nullptr);
    ASSERT_EQ(registerServer(), S_OK);

    const std::wstring control = L"CLSID\\" + GuidKey(lumetta::CLSID_Lumetta);
    const std::wstring cancel = L"CLSID\\" + GuidKey(lumetta::CLSID_Cancel);
    EXPECT_EQ(ReadValue(L"LumettaCtrl.Lumetta.1\\CLSID"), GuidKey(lumetta::CLSID_Lumetta));
    EXPECT_EQ(ReadValue(L"LumettaCtrl.Lumetta\\CurVer"), L"LumettaCtrl.Lumetta.1");
    EXPECT_EQ(ReadValue(control + L"\\ProgID"), L"LumettaCtrl.Lumetta.1");
    EXPECT_EQ(ReadValue(control + L"\\VersionIndependentProgID"), L"LumettaCtrl.Lumetta");
    EXPECT_TRUE(KeyExists(control + L"\\Programmable"));
    EXPECT_TRUE(KeyExists(control + L"\\Control"));
    EXPECT_EQ(ReadValue(control + L"\\InprocServer32"), lib.Path());
    EXPECT_EQ(ReadValue(control + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(ReadValue(control + L"\\ToolboxBitmap32"), lib.Path() + L", 101");
    EXPECT_EQ(ReadValue(control + L"\\MiscStatus"), L"0");
    EXPECT_EQ(ReadValue(control + L"\\MiscStatus\\1"), L"131473");
    EXPECT_EQ(ReadValue(control + L"\\TypeLib"), GuidKey(lumetta::LIBID_LUMETTACTRLLib));
    EXPECT_EQ(ReadValue(control + L"\\Version"), L"1.0");
    EXPECT_TRUE(KeyExists(control + L"\\Implemented Categories\\" + GuidKey(CATID_SafeForScripting)));
    EXPECT_TRUE(KeyExists(control + L"\\Implemented Categories\\" + GuidKey(CATID_SafeForInitializing)));
    EXPECT_EQ(ReadValue(cancel), L"Cancel Class");
    EXPECT_EQ(ReadValue(cancel + L"\\ProgID"), L"PallastraCtrl.Cancel.1");
    EXPECT_FALSE(KeyExists(cancel + L"\\Control"));
    EXPECT_EQ(ReadValue(L"PallastraCtrl.Cancel\\CurVer"), L"PallastraCtrl.Cancel.1");
    EXPECT_EQ(ReadValue(L"TypeLib\\" + GuidKey(lumetta::LIBID_LUMETTACTRLLib) + L"\\1.0\\0\\win64"), lib.Path());

    // The ProgIDs resolve to the classes the module serves.
    CLSID resolved{};
    EXPECT_EQ(CLSIDFromProgID(L"PallastraCtrl.Cancel.1", &resolved), S_OK);
    EXPECT_TRUE(IsEqualCLSID(resolved, lumetta::CLSID_Cancel));
    EXPECT_EQ(CLSIDFromProgID(L"LumettaCtrl.Lumetta", &resolved), S_OK);
    EXPECT_TRUE(IsEqualCLSID(resolved, lumetta::CLSID_Lumetta));
    IDispatch* created = nullptr;
    EXPECT_EQ(CoCreateInstance(lumetta::CLSID_Cancel, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&created)), S_OK);
    if (created) created->Release();

    ASSERT_EQ(unregisterServer(), S_OK);
    EXPECT_TRUE(KeyExists(L"CLSID"));
    EXPECT_FALSE(KeyExists(control));
    EXPECT_FALSE(KeyExists(cancel));
    EXPECT_FALSE(KeyExists(L"LumettaCtrl.Lumetta.1"));
    EXPECT_FALSE(KeyExists(L"LumettaCtrl.Lumetta"));
    EXPECT_FALSE(KeyExists(L"PallastraCtrl.Cancel.1"));
    EXPECT_FALSE(KeyExists(L"PallastraCtrl.Cancel"));
    EXPECT_FALSE(KeyExists(L"TypeLib\\" + GuidKey(lumetta::LIBID_LUMETTACTRLLib) + L"\\1.0"));

    // Leave the prefix registered for the page host.
    EXPECT_EQ(registerServer(), S_OK);
}

// ---- the type library against the member lists ----

namespace {

struct ListedFunction {
    DISPID id;
    std::string name;
    std::string kind;
    std::string type;
    std::string params;
};

const ListedFunction kListed[] = {
#define LUMETTA_DISPATCH(id, name, kind, type, params) {id, #name, #kind, #type, params},
#include "activex/dispatch_members.def"
#undef LUMETTA_DISPATCH
};

struct ListedEvent {
    DISPID id;
    std::string name;
    std::string params;
};

const ListedEvent kListedEvents[] = {
#define LUMETTA_EVENT(id, name, params) {id, #name, params},
#include "activex/event_members.def"
#undef LUMETTA_EVENT
};

std::string Narrow(const wchar_t* w) {
    std::string s;
    for (; w && *w; ++w) s += char(*w);
    return s;
}

std::string TypeName(ITypeInfo* info, const TYPEDESC& t) {
    switch (t.vt) {
        case VT_I2: return "short";
        case VT_I4: return "long";
        case VT_INT: return "int";
        case VT_R4: return "float";
        case VT_R8: return "double";
        case VT_BSTR: return "BSTR";
        case VT_BOOL: return "VARIANT_BOOL";
        case VT_VARIANT: return "VARIANT";
        case VT_DISPATCH: return "IDispatch*";
        case VT_VOID: return "void";
        case VT_HRESULT: return "HRESULT";
        case VT_PTR: return TypeName(info, *t.lptdesc) + "*";
        case VT_USERDEFINED: {
            ITypeInfo* ref = nullptr;
            if (FAILED(info->GetRefTypeInfo(t.hreftype, &ref))) return "?";
            BSTR name = nullptr;
            ref->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
            std::string result = Narrow(name);
            SysFreeString(name);
            TYPEATTR* attr = nullptr;
            if (SUCCEEDED(ref->GetTypeAttr(&attr))) {
                if (attr->typekind == TKIND_INTERFACE || attr->typekind == TKIND_DISPATCH) result += "*";
                ref->ReleaseTypeAttr(attr);
            }
            ref->Release();
            // An interface reached through a pointer is named once with its star.
            return result;
        }
        default: return "vt" + std::to_string(t.vt);
    }
}

std::string ParamFlags(USHORT flags) {
    std::string f;
    if (flags & PARAMFLAG_FIN) f += "in";
    if (flags & PARAMFLAG_FOUT) f += f.empty() ? "out" : ",out";
    if (flags & PARAMFLAG_FRETVAL) f += ",retval";
    return f;
}

// "[flags] type" for every parameter, from the listed text (by-value parameters are [in]).
std::string ListedSignature(const std::string& params, const std::string& result) {
    std::string out;
    std::regex part(R"(\s*(\[([^\]]*)\])?\s*([\w]+\**)\s*(\*?)\s*\w+\s*(,|$))");
    for (std::sregex_iterator it(params.begin(), params.end(), part), end; it != end; ++it) {
        if ((*it)[0].length() == 0) break;
        std::string flags = (*it)[2].matched ? (*it)[2].str() : "in";
        flags = std::regex_replace(flags, std::regex(R"(\s)"), "");
        std::string type = (*it)[3].str() + (*it)[4].str();
        out += "[" + flags + "] " + type + "; ";
    }
    if (!result.empty() && result != "void") out += "[out,retval] " + result + "*; ";
    return out;
}

std::string TypeLibSignature(ITypeInfo* info, const FUNCDESC* f) {
    std::string out;
    for (int i = 0; i < f->cParams; ++i) {
        const ELEMDESC& e = f->lprgelemdescParam[i];
        out += "[" + ParamFlags(e.paramdesc.wParamFlags) + "] " + TypeName(info, e.tdesc) + "; ";
    }
    return out;
}

ITypeLib* LoadControlTypeLib(ControlLibrary& lib) {
    ITypeLib* typeLib = nullptr;
    LoadTypeLibEx(lib.Path().c_str(), REGKIND_NONE, &typeLib);
    return typeLib;
}

}  // namespace

TEST(ControlTypeLibrary, ListsHoldTheInterfaceShape) {
    // 286 members: 104 methods, 87 read-only and 95 read/write properties; 381 functions.
    std::map<std::string, std::set<std::string>> kinds;
    for (const auto& f : kListed) kinds[f.name].insert(f.kind);
    int methods = 0, readOnly = 0, readWrite = 0;
    for (const auto& [name, k] : kinds) {
        if (k.count("Method")) ++methods;
        else if (k.count("Put")) ++readWrite;
        else ++readOnly;
    }
    EXPECT_EQ(kinds.size(), 286u);
    EXPECT_EQ(methods, 104);
    EXPECT_EQ(readOnly, 87);
    EXPECT_EQ(readWrite, 95);
    EXPECT_EQ(std::size(kListed), size_t(kILumettaFunctionCount));
    EXPECT_EQ(std::size(kListed), 381u);

    // Ascending ids, a get before its put, except the three moves the interface has always had.
    const std::set<std::string> moved = {"JPEGQuality", "RemoveAllImages", "RemoveImage", "MaxImagesInBuffer",
                                         "HowManyImagesInBuffer", "CurrentImageIndexInBuffer"};
    DISPID last = 0;
    for (const auto& f : kListed) {
        if (moved.count(f.name)) continue;
        EXPECT_GE(f.id, last) << f.name;
        last = f.id;
    }
}

TEST(ControlTypeLibrary, EveryMemberNamesAnOperationOfTheOneList) {
    std::map<std::string, std::string> operations;
#define LUMETTA_MEMBER(name, kind) operations[#name] = #kind;
#define LUMETTA_MEMBER_SEPARATOR(n)
#include "core/script_members.def"
#undef LUMETTA_MEMBER
#undef LUMETTA_MEMBER_SEPARATOR
    // Members of the control alone: the throw switch and the picture, DIB and selection accessors.
    const std::set<std::string> controlOnly = {"IfThrowException", "hDIB", "Picture", "SelectedImageIndex"};
    std::map<std::string, std::set<std::string>> kinds;
    for (const auto& f : kListed) kinds[f.name].insert(f.kind);
    for (const auto& [name, k] : kinds) {
        if (controlOnly.count(name)) {
            EXPECT_EQ(operations.count(name), 0u) << name;
            continue;
        }
        ASSERT_EQ(operations.count(name), 1u) << name << " is not in the member list";
        std::string expected = k.count("Method") ? "Method" : k.count("Put") ? "ReadWrite" : "ReadOnly";
        EXPECT_EQ(operations[name], expected) << name;
    }
}

TEST(ControlTypeLibrary, ILumettaMatchesTheListInIdsKindsOrderAndTypes) {
    ComApartment com;
    ControlLibrary lib;
    ITypeLib* typeLib = LoadControlTypeLib(lib);
    ASSERT_NE(typeLib, nullptr);
    ITypeInfo* dispatchInfo = nullptr;
    ASSERT_EQ(typeLib->GetTypeInfoOfGuid(lumetta::IID_ILumetta, &dispatchInfo), S_OK);
    // The dual interface's vtable side.
    ITypeInfo* info = dispatchInfo;
    HREFTYPE vtableSide = 0;
    if (SUCCEEDED(dispatchInfo->GetRefTypeOfImplType(-1, &vtableSide))) dispatchInfo->GetRefTypeInfo(vtableSide, &info);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    ASSERT_EQ(attr->cFuncs, std::size(kListed));
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* f = nullptr;
        ASSERT_EQ(info->GetFuncDesc(i, &f), S_OK);
        const ListedFunction& listed = kListed[i];
        BSTR name = nullptr;
        info->GetDocumentation(f->memid, &name, nullptr, nullptr, nullptr);
        EXPECT_EQ(Narrow(name), listed.name) << "function " << i;
        SysFreeString(name);
        EXPECT_EQ(f->memid, listed.id) << listed.name;
        INVOKEKIND kind = listed.kind == "Get" ? INVOKE_PROPERTYGET : listed.kind == "Put" ? INVOKE_PROPERTYPUT : INVOKE_FUNC;
        EXPECT_EQ(f->invkind, kind) << listed.name;
        EXPECT_EQ(f->oVft, SHORT((7 + i) * sizeof(void*))) << listed.name;
        EXPECT_EQ(f->elemdescFunc.tdesc.vt, VT_HRESULT) << listed.name;
        std::string expected = ListedSignature(listed.params, listed.kind == "Put" ? "" : listed.type);
        EXPECT_EQ(TypeLibSignature(info, f), expected) << listed.name;
        info->ReleaseFuncDesc(f);
    }
    info->ReleaseTypeAttr(attr);
    if (info != dispatchInfo) info->Release();
    dispatchInfo->Release();
    typeLib->Release();
}

TEST(ControlTypeLibrary, EventsAndClassesMatchTheirLists) {
    ComApartment com;
    ControlLibrary lib;
    ITypeLib* typeLib = LoadControlTypeLib(lib);
    ASSERT_NE(typeLib, nullptr);
    ITypeInfo* events = nullptr;
    ASSERT_EQ(typeLib->GetTypeInfoOfGuid(lumetta::DIID__ILumettaEvents, &events), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(events->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
    ASSERT_EQ(attr->cFuncs, 22);
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* f = nullptr;
        ASSERT_EQ(events->GetFuncDesc(i, &f), S_OK);
        EXPECT_EQ(f->memid, kListedEvents[i].id);
        EXPECT_EQ(f->invkind, INVOKE_FUNC);
        std::string expected = ListedSignature(kListedEvents[i].params, "");
        expected = std::regex_replace(expected, std::regex(R"(\[in\] (\w+\*+);)"), "[in,out] $1;");
        EXPECT_EQ(TypeLibSignature(events, f), expected) << kListedEvents[i].name;
        events->ReleaseFuncDesc(f);
    }
    events->ReleaseTypeAttr(attr);
    events->Release();

    ITypeInfo* coclass = nullptr;
    ASSERT_EQ(typeLib->GetTypeInfoOfGuid(lumetta::CLSID_Lumetta, &coclass), S_OK);
    ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_EQ(attr->cImplTypes, 2);
    coclass->ReleaseTypeAttr(attr);
    coclass->Release();
    ITypeInfo* cancel = nullptr;
    EXPECT_EQ(typeLib->GetTypeInfoOfGuid(lumetta::CLSID_Cancel, &cancel), S_OK);
    if (cancel) cancel->Release();
    BSTR libName = nullptr;
    typeLib->GetDocumentation(-1, &libName, nullptr, nullptr, nullptr);
    EXPECT_EQ(Narrow(libName), "LUMETTACTRLLib");
    SysFreeString(libName);
    typeLib->Release();
}
