// Test access to the built LumettaCtrl.dll: loaded by path (beside the test programs' build
// tree), its class objects and type library reached without the registry.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

#include "activex/ilumetta.h"
#include "activex/lumetta_guids.h"

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
