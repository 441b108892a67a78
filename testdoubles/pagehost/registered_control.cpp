// The plain page host: the control registered in the prefix, created by its ProgID.
#include <ole2.h>

#include "pagehost/page_control.h"

HRESULT CreatePageControl(IUnknown** control) {
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(L"LumettaCtrl.Lumetta", &clsid);
    if (FAILED(hr)) return hr;
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(control));
}

void AddPageItems(ScriptEngine&, IUnknown*) {}
