// The in-process server's module: its instance handle, the lock count behind DllCanUnloadNow,
// the object map of creatable classes with their cached class objects, registration and the
// type library embedded as resource TYPELIB 1.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <comcat.h>

#include "comcontrol/registry_script.h"

namespace comcontrol {

// Creates one object; an outer unknown asks for aggregation.
using CreateInstanceFn = HRESULT (*)(IUnknown* outer, REFIID iid, void** out);

struct ClassEntry {
    const CLSID* clsid;
    CreateInstanceFn create;
    const RegistryScript* registry;
    const CATID* categories;  // implemented component categories, registered in this order
    int categoryCount;
    IClassFactory* classObject;  // created on first demand, released at termination
};

class ComModule {
public:
    void Init(HINSTANCE instance, ClassEntry* map, int count, const GUID& libid);
    void Term();

    HINSTANCE Instance() const { return m_instance; }
    void Lock() { InterlockedIncrement(&m_locks); }
    void Unlock() { InterlockedDecrement(&m_locks); }
    LONG LockCount() const { return m_locks; }

    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);
    HRESULT RegisterServer();
    HRESULT UnregisterServer();

    // The module's type library (loaded once, owned by the module); null when it cannot be loaded.
    ITypeLib* TypeLib();
    // Type information of one interface of the type library, with a reference for the caller.
    HRESULT GetTypeInfoOf(REFGUID guid, ITypeInfo** out);

private:
    HINSTANCE m_instance = nullptr;
    ClassEntry* m_map = nullptr;
    int m_count = 0;
    GUID m_libid{};
    volatile LONG m_locks = 0;
    CRITICAL_SECTION m_lock{};
    ITypeLib* m_typeLib = nullptr;
    wchar_t m_path[MAX_PATH] = {};
};

// The one module of this server.
ComModule& Module();

}  // namespace comcontrol
