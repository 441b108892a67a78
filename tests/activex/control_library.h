// Test access to the built LumettaCtrl.dll: loaded by path (beside the test programs' build
// tree), its class objects and type library reached without the registry.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

#include "activex/ilumetta.h"
#include "activex/lumetta_guids.h"

// OLE on the test's thread for the test's duration.
class ComApartment {
public:
    ComApartment() { OleInitialize(nullptr); }
    ~ComApartment() { OleUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

template <typename T>
T* Query(IUnknown* object, REFIID iid) {
    T* out = nullptr;
    object->QueryInterface(iid, reinterpret_cast<void**>(&out));
    return out;
}

// A visible top-level window to embed controls in.
HWND MakeTestFrame();

class ControlLibrary {
public:
    ControlLibrary();
    ~ControlLibrary();

    HMODULE Module() const { return m_module; }
    const std::wstring& Path() const { return m_path; }
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);
    // A new control (IUnknown), or null.
    IUnknown* CreateControl();
    template <typename F>
    F Export(const char* name) {
        return reinterpret_cast<F>(GetProcAddress(m_module, name));
    }

private:
    std::wstring m_path;
    HMODULE m_module = nullptr;
};
