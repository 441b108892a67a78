#include "capture/webcam/webcam_manager.h"

#include <new>

#include "base/event_record.h"

WebCamManager::WebCamManager(HINSTANCE module, HWND notifyWindow) : m_module(module), m_notifyWindow(notifyWindow) {
    DsDevice* devices = nullptr;
    unsigned short count = 0;
    if (EnumerateVideoDevices(devices, count, m_error)) {
        m_devices = devices;
        m_deviceCount = count;
    }
    if (m_deviceCount > 0) {
        m_current = m_devices[0];
        m_currentIndex = 0;
        BindCameraInterfaces();
    }
    m_error.Set(L"Successful");
}

WebCamManager::~WebCamManager() {
    CloseSource();
    ReleasePreviewManager();
    if (m_previewDialog && IsWindow(m_previewDialog)) {
        SetWindowLongPtrW(m_previewDialog, DWLP_USER, 0);
        SendMessageW(m_previewDialog, WM_CLOSE, 0, 0);
    }
    delete[] m_devices;
    ReleaseCameraInterfaces();
}

void WebCamManager::ReleasePreviewManager() {
    WebCamManager* preview = m_previewManager;
    m_previewManager = nullptr;
    if (!preview) return;
    if (preview->m_acquiring) {
        // A grab from the preview is still below the page's handler that let this manager go: the
        // preview ends it without telling anyone and then deletes itself.
        preview->m_notifyWindow = nullptr;
        preview->m_deleteAfterGrab = true;
        return;
    }
    preview->CloseSource();
    delete preview;
}

bool WebCamManager::Fail(const wchar_t* text) {
    m_error.Set(text);
    return false;
}

bool WebCamManager::RefuseWhileAcquiring() {
    if (!m_acquiring) return true;
    return Fail(L"The camera is busy with an acquisition.");
}

bool WebCamManager::CopyDeviceError() {
    if (m_device) m_error.Set(m_device->LastError().Get());
    return false;
}

bool WebCamManager::SetNotifyWindow(HWND window) {
    if (!window) return false;
    m_notifyWindow = window;
    return true;
}

bool WebCamManager::GetSourceCount(int& count) {
    if (m_deviceCount < 1) {
        DsDevice* devices = nullptr;
        unsigned short n = 0;
        if (EnumerateVideoDevices(devices, n, m_error)) {
            delete[] m_devices;
            m_devices = devices;
            m_deviceCount = n;
        }
    }
    count = m_deviceCount;
    return true;
}

void WebCamManager::ReleaseCameraInterfaces() {
    if (m_procAmp) m_procAmp->Release();
    if (m_cameraControl) m_cameraControl->Release();
    m_procAmp = nullptr;
    m_cameraControl = nullptr;
}

void WebCamManager::BindCameraInterfaces() {
    ReleaseCameraInterfaces();
    if (!m_current.IsUsable()) return;
    IBaseFilter* filter = nullptr;
    HRESULT hr = m_current.Moniker()->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter));
    if (FAILED(hr) || !filter) {
        m_error.SetFromResult(FAILED(hr) ? hr : E_NOINTERFACE);
        return;
    }
    if (FAILED(filter->QueryInterface(IID_IAMVideoProcAmp, reinterpret_cast<void**>(&m_procAmp)))) {
        m_procAmp = nullptr;
        m_error.Set(L"The camera doesn't support IAMVideoProcAmp interface.");
    }
    if (FAILED(filter->QueryInterface(IID_IAMCameraControl, reinterpret_cast<void**>(&m_cameraControl)))) {
        m_cameraControl = nullptr;
        m_error.Set(L"The camera doesn't support IAMCameraControl interface.");
    }
    filter->Release();
}

void WebCamManager::RecreateDevice() {
    delete m_device;
    m_device = nullptr;
    // The new object is not open: a grab on it must open it first.
    m_open = false;
    if (m_deviceCount < 1) return;
    m_device = new (std::nothrow) WebCam(m_current, m_parent, m_container, m_showUI);
}

bool WebCamManager::SelectSourceByIndex(int index, HWND parent) {
    if (!RefuseWhileAcquiring()) return false;
    if (m_deviceCount < 1) return Fail(L"No camera device is found.");
    m_parent = parent;
    if (index < 0 || index >= m_deviceCount) return Fail(L"Invalid index.");
    m_current = m_devices[index];
    m_currentIndex = static_cast<unsigned short>(index);
    RecreateDevice();
    BindCameraInterfaces();
    return m_device != nullptr || Fail(L"Not enough memory.");
}

bool WebCamManager::SelectDefault() {
    if (m_device) return true;
    if (m_deviceCount < 1) return Fail(L"No camera device is found.");
    return SelectSourceByIndex(0, m_parent);
}

bool WebCamManager::OpenSource() {
    if (!SelectDefault()) return false;
    if (m_showUI && !m_container) {
        // The preview dialog opens at acquisition.
        m_open = true;
        return true;
    }
    m_device->SetShowInContainer(m_showUI);
    m_device->SetResizeContainer(m_resizeContainer);
    if (!m_device->Open()) return CopyDeviceError();
    m_open = true;
    return true;
}

bool WebCamManager::CloseSource() {
    if (!RefuseWhileAcquiring()) return false;
    delete m_device;
    m_device = nullptr;
    m_open = false;
    return true;
}

bool WebCamManager::SetVideoContainer(HWND window) {
    if (!SelectDefault()) return false;
    if (window != m_container) {
        if (!RefuseWhileAcquiring()) return false;
        m_container = window;
        RecreateDevice();
    }
    m_container = window;
    if (m_device) m_device->SetContainer(window);
    return m_device != nullptr;
}

bool WebCamManager::GetCurrentSourceName(char*& name) {
    name = nullptr;
    if (!m_open) return Fail(L"Current device is close.");
    if (m_deviceCount < 1) return Fail(L"No camera device is found.");
    name = WideToAnsiBlock(m_current.FriendlyName());
    return name != nullptr;
}

bool WebCamManager::GetDefaultSourceName(char*& name) { return GetSourceNameItems(0, name); }

bool WebCamManager::GetSourceNameItems(int index, char*& name) {
    name = nullptr;
    if (m_deviceCount < 1) return Fail(L"No camera device is found.");
    if (index < 0 || index >= m_deviceCount) return Fail(L"Invalid index.");
    name = WideToAnsiBlock(m_devices[index].FriendlyName());
    return name != nullptr;
}

template <typename Read>
auto WebCamManager::ReadFromDevice(Read read) -> decltype(read(std::declval<WebCam&>())) {
    if (!SelectDefault()) return {};
    auto result = read(*m_device);
    if (!result) CopyDeviceError();  // a 0 or null result carries the device's reason
    return result;
}

int WebCamManager::GetMediaTypeListCount() {
    return ReadFromDevice([](WebCam& d) { return d.GetMediaTypeListCount(); });
}

const char* WebCamManager::GetMediaTypeByIndex(int index) {
    return ReadFromDevice([index](WebCam& d) { return d.GetMediaTypeByIndex(index); });
}

const char* WebCamManager::GetMediaType() {
    return ReadFromDevice([](WebCam& d) { return d.GetMediaType(); });
}

int WebCamManager::GetResolutionForCamListCount() {
    return ReadFromDevice([](WebCam& d) { return d.GetResolutionForCamListCount(); });
}

char* WebCamManager::GetResolutionForCamByIndex(int index) {
    return ReadFromDevice([index](WebCam& d) { return d.GetResolutionForCamByIndex(index); });
}

char* WebCamManager::GetResolutionForCam() {
    return ReadFromDevice([](WebCam& d) { return d.GetResolutionForCam(); });
}

int WebCamManager::GetFrameRateListCount() {
    return ReadFromDevice([](WebCam& d) { return d.GetFrameRateListCount(); });
}

LONG WebCamManager::GetFrameRateByIndex(int index) {
    return ReadFromDevice([index](WebCam& d) { return d.GetFrameRateByIndex(index); });
}

LONG WebCamManager::GetFrameRate() {
    return ReadFromDevice([](WebCam& d) { return d.GetFrameRate(); });
}

// A new format rebuilds the device's graph: not while an acquisition waits for its frame.
bool WebCamManager::SelectMediaTypeByIndex(int index) {
    return RefuseWhileAcquiring() && SelectDefault() && m_device->SelectMediaTypeByIndex(index);
}

bool WebCamManager::SelectResolutionForCamByIndex(int index) {
    return RefuseWhileAcquiring() && SelectDefault() && m_device->SelectResolutionForCamByIndex(index);
}

bool WebCamManager::SelectFrameRateByIndex(int index) {
    return RefuseWhileAcquiring() && SelectDefault() && m_device->SelectFrameRateByIndex(index);
}

bool WebCamManager::DisplayPropertyPage(HWND owner) {
    if (m_deviceCount < 1) return Fail(L"No camera device is found.");
    if (!m_device) RecreateDevice();
    if (!m_device) return Fail(L"Not enough memory.");
    return m_device->DisplayPropertyPage(owner) || CopyDeviceError();
}

void WebCamManager::SendRecord(int kind, HGLOBAL dib) {
    EventRecord record = MakeEventRecord(kind);
    record.Payload = dib;
    // Without a window an image record still frees its DIB: nobody else would.
    SendEventRecord(m_notifyWindow, record);
}

bool WebCamManager::Acquire() {
    // A page handler of this acquisition's own events asking for another one.
    if (!RefuseWhileAcquiring()) return false;
    if (!SelectDefault()) return false;
    if (m_showUI && !m_container) return OpenPreviewDialog();
    if (!m_open || !m_device->IsRunning()) {
        if (!SetVideoContainer(m_showUI ? m_container : nullptr)) return false;
        m_device->SetShowInContainer(m_showUI);
        m_device->SetResizeContainer(m_resizeContainer);
        if (!m_device->Open()) return CopyDeviceError();
        m_open = true;
    }
    // From the first event to the end of the grab, page script runs inside this call while the
    // device is in use: it stays as it is until the frame is in.
    m_acquiring = true;
    if (m_notifyWindow) {
        SendRecord(kEventPreAllTransfers);
        SendRecord(kEventPreTransfer);
    }
    HGLOBAL dib = nullptr;
    const bool grabbed = m_device->GrabFrame(dib, m_grabTimeoutMs);
    if (!grabbed) CopyDeviceError();
    m_acquiring = false;
    // The device is not used again here: the page's handlers of the closing events may close it.
    if (!grabbed) {
        // No frame: the page learns of the failed transfer and of the end of the acquisition.
        if (m_notifyWindow) {
            SendRecord(kEventTransferError);
            SendRecord(kEventPostAllTransfers);
        }
        return false;
    }
    SendRecord(kEventBitmap, dib);
    SendRecord(kEventPostTransfer);
    SendRecord(kEventPostAllTransfers);
    return true;
}

bool WebCamManager::EnableSource() {
    const bool acquired = Acquire();
    if (m_deleteAfterGrab) delete this;
    return acquired;
}
