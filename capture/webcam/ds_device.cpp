#include "capture/webcam/ds_device.h"

#include <cwchar>
#include <new>

#include "capture/webcam/webcam_error_text.h"

namespace {

wchar_t* CopyName(const wchar_t* name) {
    if (!name) return nullptr;
    size_t bytes = (wcslen(name) + 1) * sizeof(wchar_t);
    auto* block = static_cast<wchar_t*>(GlobalAlloc(GPTR, bytes));
    if (block) memcpy(block, name, bytes);
    return block;
}

// The "FriendlyName" of a device moniker, as a BSTR the caller frees; null when unreadable.
BSTR ReadFriendlyName(IMoniker* moniker) {
    IPropertyBag* bag = nullptr;
    if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag))) || !bag) {
        return nullptr;
    }
    VARIANT value;
    VariantInit(&value);
    BSTR name = nullptr;
    if (SUCCEEDED(bag->Read(L"FriendlyName", &value, nullptr)) && value.vt == VT_BSTR) {
        name = value.bstrVal;
        value.vt = VT_EMPTY;
    }
    VariantClear(&value);
    bag->Release();
    return name;
}

}  // namespace

DsDevice::DsDevice(const wchar_t* friendlyName, IMoniker* moniker) : m_name(CopyName(friendlyName)), m_moniker(moniker) {
    if (m_moniker) m_moniker->AddRef();
}

DsDevice::DsDevice(const DsDevice& other) : m_name(CopyName(other.m_name)), m_moniker(other.m_moniker) {
    if (m_moniker) m_moniker->AddRef();
}

DsDevice& DsDevice::operator=(const DsDevice& other) {
    if (this == &other) return *this;
    wchar_t* name = CopyName(other.m_name);
    if (other.m_moniker) other.m_moniker->AddRef();
    Clear();
    m_name = name;
    m_moniker = other.m_moniker;
    return *this;
}

DsDevice::~DsDevice() { Clear(); }

void DsDevice::Clear() {
    if (m_name) GlobalFree(m_name);
    if (m_moniker) m_moniker->Release();
    m_name = nullptr;
    m_moniker = nullptr;
}

bool EnumerateVideoDevices(DsDevice*& devices, unsigned short& count, WebCamErrorText& error) {
    ICreateDevEnum* enumerator = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                  reinterpret_cast<void**>(&enumerator));
    if (FAILED(hr) || !enumerator) {
        if (FAILED(hr)) error.SetFromResult(hr);
        else error.Set(L"Create ICreateDevEnum interface failed.");
        return false;
    }
    IEnumMoniker* monikers = nullptr;
    hr = enumerator->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0);
    if (hr != S_OK || !monikers) {
        // A category without devices also answers with no enumerator: an empty list.
        enumerator->Release();
        if (monikers) monikers->Release();
        if (hr == S_FALSE) {
            auto* empty = new (std::nothrow) DsDevice[1];
            if (!empty) return false;
            devices = empty;
            count = 0;
            return true;
        }
        error.Set(L"Create IEnumMoniker interface failed.");
        return false;
    }
    ULONG total = 0;
    IMoniker* moniker = nullptr;
    monikers->Reset();
    while (total < 0xFFFF && monikers->Next(1, &moniker, nullptr) == S_OK) {
        moniker->Release();
        ++total;
    }
    auto* array = new (std::nothrow) DsDevice[total ? total : 1];
    if (!array) {
        monikers->Release();
        enumerator->Release();
        error.Set(L"Not enough memory.");
        return false;
    }
    monikers->Reset();
    unsigned short filled = 0;
    while (filled < total && monikers->Next(1, &moniker, nullptr) == S_OK) {
        BSTR name = ReadFriendlyName(moniker);
        if (name) {
            array[filled++] = DsDevice(name, moniker);
            SysFreeString(name);
        }
        moniker->Release();
    }
    monikers->Release();
    enumerator->Release();
    devices = array;
    count = filled;
    return true;
}
