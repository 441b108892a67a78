#include "control_library.h"

#ifndef LUMETTA_CTRL_PATH
#error "LUMETTA_CTRL_PATH names the built control"
#endif

ControlLibrary::ControlLibrary() {
    std::string path = LUMETTA_CTRL_PATH;
    m_path = L"Z:";
    for (char c : path) m_path += c == '/' ? L'\\' : wchar_t(c);
    m_module = LoadLibraryW(m_path.c_str());
}

ControlLibrary::~ControlLibrary() {
    // Objects of a test may still live in COM's hands; the library stays until the process ends.
}

HRESULT ControlLibrary::GetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    auto get = Export<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>("DllGetClassObject");
    return get ? get(clsid, iid, out) : E_FAIL;
}

IUnknown* ControlLibrary::CreateControl() {
    IClassFactory* factory = nullptr;
    if (FAILED(GetClassObject(lumetta::CLSID_Lumetta, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) return nullptr;
    IUnknown* control = nullptr;
    factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&control));
    factory->Release();
    return control;
}

HWND MakeTestFrame() {
    static const wchar_t kClass[] = L"LumettaTestFrame";
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);
    return CreateWindowExW(0, kClass, L"frame", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 640, 480, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}
