// A video input device of the machine: its friendly name and its device moniker.
#pragma once

#include "platform/directshow/directshow.h"

class DsDevice {
public:
    DsDevice() = default;
    // Takes a copy of the name and one reference on the moniker.
    DsDevice(const wchar_t* friendlyName, IMoniker* moniker);
    DsDevice(const DsDevice& other);
    DsDevice& operator=(const DsDevice& other);
    ~DsDevice();

    const wchar_t* FriendlyName() const { return m_name ? m_name : L""; }
    IMoniker* Moniker() const { return m_moniker; }
    bool IsUsable() const { return m_moniker != nullptr; }

private:
    void Clear();
    wchar_t* m_name = nullptr;  // zero-filled global-memory block
    IMoniker* m_moniker = nullptr;
};

// The video input devices, enumerated afresh: a new array of count devices (delete[] it), or
// false with the reason in error.
class WebCamErrorText;
bool EnumerateVideoDevices(DsDevice*& devices, unsigned short& count, WebCamErrorText& error);
