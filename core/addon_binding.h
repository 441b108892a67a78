// The bindings of the two add-on libraries (barcode and OCR): each is loaded by file name from the
// module's folder for one call and freed after it.
#pragma once

#include <windows.h>

class CAddOnBinding {
public:
    explicit CAddOnBinding(HINSTANCE module) : m_module(module) {}
    void SetOwnerWindow(HWND window) { m_owner = window; }
    HWND OwnerWindow() const { return m_owner; }

protected:
    HINSTANCE m_module;
    HWND m_owner = nullptr;
};

class CBarcodeAddOn : public CAddOnBinding {
public:
    using CAddOnBinding::CAddOnBinding;
};

class COcrAddOn : public CAddOnBinding {
public:
    using CAddOnBinding::CAddOnBinding;
};
