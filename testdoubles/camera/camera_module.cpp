// The test camera DLL: class objects for up to four camera devices and their registration in
// the video input device category.
#include <cstdio>
#include <new>

#include "testdoubles/camera/camera_filter.h"
#include "testdoubles/camera/camera_property_page.h"

namespace {

HMODULE g_module = nullptr;
LONG g_locks = 0;

// Device n has the class id kCameraClassBase with n in the last byte.
constexpr CLSID kCameraClassBase = {0x8e3a1c40, 0x5b7d, 0x4c1e, {0x9f, 0x20, 0x6c, 0x75, 0x6d, 0x65, 0x74, 0x00}};

// The property page's class object is served under this pseudo device number.
constexpr int kPageDevice = 0x10;

CLSID CameraClass(int device) {
    if (device == kPageDevice) return CLSID_LumettaTestCameraPage;
    CLSID clsid = kCameraClassBase;
    clsid.Data4[7] = static_cast<BYTE>(device);
    return clsid;
}

int DeviceOf(REFCLSID clsid) {
    if (IsEqualCLSID(clsid, CLSID_LumettaTestCameraPage)) return kPageDevice;
    for (int i = 0; i < kMaxTestCameras; ++i) {
        if (IsEqualCLSID(clsid, CameraClass(i))) return i;
    }
    return -1;
}

void DeviceName(int device, WCHAR (&name)[64]) {
    if (device == kPageDevice) swprintf(name, 64, L"Lumetta Test Camera Page");
    else swprintf(name, 64, L"Lumetta Test Camera %d", device);
}

class CameraClassFactory : public IClassFactory {
public:
    explicit CameraClassFactory(int device) : m_device(device) {}
    virtual ~CameraClassFactory() = default;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG refs = InterlockedDecrement(&m_refs);
        if (!refs) delete this;
        return refs;
    }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        IUnknown* object = m_device == kPageDevice
                               ? static_cast<IUnknown*>(new (std::nothrow) CameraPropertyPage())
                               : static_cast<IBaseFilter*>(new (std::nothrow) CameraFilter(CameraClass(m_device), m_device));
        if (!object) return E_OUTOFMEMORY;
        HRESULT hr = object->QueryInterface(iid, out);
        object->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock) InterlockedIncrement(&g_locks);
        else InterlockedDecrement(&g_locks);
        return S_OK;
    }

private:
    LONG m_refs = 1;
    int m_device;
};

void ClassKeyPath(int device, WCHAR (&path)[96]) {
    WCHAR text[40];
    StringFromGUID2(CameraClass(device), text, 40);
    swprintf(path, 96, L"CLSID\\%ls", text);
}

HRESULT RegisterClassKey(int device, const WCHAR* modulePath) {
    WCHAR path[96], name[64];
    ClassKeyPath(device, path);
    DeviceName(device, name);
    HKEY key = nullptr, server = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr)) return SELFREG_E_CLASS;
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(name), (wcslen(name) + 1) * sizeof(WCHAR));
    LONG rc = RegCreateKeyExW(key, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr, &server, nullptr);
    if (!rc) {
        RegSetValueExW(server, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(modulePath),
                       (wcslen(modulePath) + 1) * sizeof(WCHAR));
        static const WCHAR kBoth[] = L"Both";
        RegSetValueExW(server, L"ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(kBoth), sizeof(kBoth));
        RegCloseKey(server);
    }
    RegCloseKey(key);
    return rc ? SELFREG_E_CLASS : S_OK;
}

IFilterMapper2* CreateMapper() {
    IFilterMapper2* mapper = nullptr;
    CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                     reinterpret_cast<void**>(&mapper));
    return mapper;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    int device = DeviceOf(clsid);
    if (device < 0) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) CameraClassFactory(device);
    if (!factory) return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return g_cameraObjects == 0 && g_locks == 0 ? S_OK : S_FALSE; }

// Removes every test camera this DLL may have registered.
extern "C" HRESULT WINAPI DllUnregisterServer() {
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IFilterMapper2* mapper = CreateMapper();
    for (int i = 0; i < kMaxTestCameras; ++i) {
        WCHAR name[64], path[96];
        DeviceName(i, name);
        if (mapper) mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, name, CameraClass(i));
        ClassKeyPath(i, path);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, path);
    }
    WCHAR pagePath[96];
    ClassKeyPath(kPageDevice, pagePath);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, pagePath);
    if (mapper) mapper->Release();
    if (SUCCEEDED(init)) CoUninitialize();
    return S_OK;
}

// Registers LUMETTA_TEST_CAMERA_DEVICES cameras (2 when unset) as video input devices.
extern "C" HRESULT WINAPI DllRegisterServer() {
    DllUnregisterServer();
    WCHAR modulePath[MAX_PATH];
    if (!GetModuleFileNameW(g_module, modulePath, MAX_PATH)) return SELFREG_E_CLASS;
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IFilterMapper2* mapper = CreateMapper();
    HRESULT hr = mapper ? RegisterClassKey(kPageDevice, modulePath) : REGDB_E_CLASSNOTREG;
    REGPINTYPES type = {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24};
    REGFILTERPINS2 pin{};
    pin.dwFlags = 0;
    pin.cInstances = 1;
    pin.nMediaTypes = 1;
    pin.lpMediaType = &type;
    pin.clsPinCategory = &PIN_CATEGORY_CAPTURE;
    REGFILTER2 filter{};
    filter.dwVersion = 2;
    filter.dwMerit = MERIT_DO_NOT_USE;
    filter.cPins2 = 1;
    filter.rgPins2 = &pin;
    for (int i = 0; SUCCEEDED(hr) && i < RegisteredDeviceCount(); ++i) {
        WCHAR name[64];
        DeviceName(i, name);
        hr = RegisterClassKey(i, modulePath);
        if (SUCCEEDED(hr)) hr = mapper->RegisterFilter(CameraClass(i), name, nullptr, &CLSID_VideoInputDeviceCategory, name, &filter);
    }
    if (mapper) mapper->Release();
    if (SUCCEEDED(init)) CoUninitialize();
    return hr;
}
