#include "comcontrol/com_module.h"

#include <comcat.h>
#include <oleauto.h>

#include <new>

#include "comcontrol/class_factory.h"

namespace comcontrol {

ComModule& Module() {
    static ComModule module;
    return module;
}

void ComModule::Init(HINSTANCE instance, ClassEntry* map, int count, const GUID& libid) {
    m_instance = instance;
    m_map = map;
    m_count = count;
    m_libid = libid;
    InitializeCriticalSection(&m_lock);
    GetModuleFileNameW(instance, m_path, MAX_PATH);
}

void ComModule::Term() {
    for (int i = 0; i < m_count; ++i) {
        if (m_map[i].classObject) m_map[i].classObject->Release();
        m_map[i].classObject = nullptr;
    }
    if (m_typeLib) m_typeLib->Release();
    m_typeLib = nullptr;
    DeleteCriticalSection(&m_lock);
}

HRESULT ComModule::GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (int i = 0; i < m_count; ++i) {
        ClassEntry& entry = m_map[i];
        if (*entry.clsid != clsid) continue;
        if (!entry.classObject) {
            EnterCriticalSection(&m_lock);
            if (!entry.classObject) entry.classObject = new (std::nothrow) ClassFactory(entry.create);
            LeaveCriticalSection(&m_lock);
            if (!entry.classObject) return E_OUTOFMEMORY;
        }
        return entry.classObject->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

namespace {

HRESULT WithCategoryRegistrar(HRESULT (*work)(ICatRegister*, const CLSID&, const CATID*, int), const ClassEntry& entry) {
    if (entry.categoryCount == 0) return S_OK;
    ICatRegister* registrar = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                                  reinterpret_cast<void**>(&registrar));
    if (FAILED(hr)) return hr;
    hr = work(registrar, *entry.clsid, entry.categories, entry.categoryCount);
    registrar->Release();
    return hr;
}

HRESULT RegisterCategories(ICatRegister* r, const CLSID& clsid, const CATID* ids, int count) {
    return r->RegisterClassImplCategories(clsid, count, const_cast<CATID*>(ids));
}

HRESULT UnregisterCategories(ICatRegister* r, const CLSID& clsid, const CATID* ids, int count) {
    return r->UnRegisterClassImplCategories(clsid, count, const_cast<CATID*>(ids));
}

}  // namespace

HRESULT ComModule::RegisterServer() {
    for (int i = 0; i < m_count; ++i) {
        HRESULT hr = RunRegistryScript(*m_map[i].registry, {m_path, m_map[i].clsid, &m_libid});
        if (FAILED(hr)) return hr;
        hr = WithCategoryRegistrar(RegisterCategories, m_map[i]);
        if (FAILED(hr)) return hr;
    }
    ITypeLib* typeLib = TypeLib();
    if (!typeLib) return TYPE_E_CANTLOADLIBRARY;
    return RegisterTypeLib(typeLib, m_path, nullptr);
}

HRESULT ComModule::UnregisterServer() {
    HRESULT result = S_OK;
    if (ITypeLib* typeLib = TypeLib()) {
        TLIBATTR* attr = nullptr;
        if (SUCCEEDED(typeLib->GetLibAttr(&attr))) {
            UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
            typeLib->ReleaseTLibAttr(attr);
        }
    }
    for (int i = 0; i < m_count; ++i) {
        WithCategoryRegistrar(UnregisterCategories, m_map[i]);
        HRESULT hr = RemoveRegistryScript(*m_map[i].registry, {m_path, m_map[i].clsid, &m_libid});
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

ITypeLib* ComModule::TypeLib() {
    EnterCriticalSection(&m_lock);
    if (!m_typeLib) LoadTypeLibEx(m_path, REGKIND_NONE, &m_typeLib);
    LeaveCriticalSection(&m_lock);
    return m_typeLib;
}

HRESULT ComModule::GetTypeInfoOf(REFGUID guid, ITypeInfo** out) {
    ITypeLib* typeLib = TypeLib();
    if (!typeLib) return TYPE_E_CANTLOADLIBRARY;
    return typeLib->GetTypeInfoOfGuid(guid, out);
}

}  // namespace comcontrol
