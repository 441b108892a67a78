// WebCamManager: the webcam facade of the engine. Device list and selection, opening the
// selected device, the live-video container, the format lists, the one-frame acquisition with
// its event records, the preview dialog, the property pages, the camera properties and the
// last-error text that the scripting core reports.
#pragma once

#include <utility>

#include "capture/webcam/camera_property.h"
#include "capture/webcam/ds_device.h"
#include "capture/webcam/webcam.h"
#include "capture/webcam/webcam_error_text.h"

class WebCamManager {
public:
    WebCamManager(HINSTANCE module, HWND notifyWindow = nullptr);
    virtual ~WebCamManager();
    WebCamManager(const WebCamManager&) = delete;
    WebCamManager& operator=(const WebCamManager&) = delete;

    // The window that receives the event records; null is refused.
    bool SetNotifyWindow(HWND window);
    void SetShowUI(bool show) { m_showUI = show; }
    bool ShowUI() const { return m_showUI; }
    void SetResizeContainer(bool resize) { m_resizeContainer = resize; }

    // The last-error text in the system code page, in a new block that the caller frees (GlobalFree).
    char* GetErrorString() const { return m_error.ToAnsi(); }
    const wchar_t* LastError() const { return m_error.Get(); }

    bool GetSourceCount(int& count);
    bool SelectSourceByIndex(int index, HWND parent);
    bool OpenSource();
    bool CloseSource();
    bool SetVideoContainer(HWND window);
    // Names in the system code page, in new blocks that the caller frees (GlobalFree).
    bool GetCurrentSourceName(char*& name);
    bool GetDefaultSourceName(char*& name);
    bool GetSourceNameItems(int index, char*& name);

    int GetMediaTypeListCount();
    const char* GetMediaTypeByIndex(int index);
    const char* GetMediaType();
    int GetResolutionForCamListCount();
    char* GetResolutionForCamByIndex(int index);  // caller frees
    char* GetResolutionForCam();                  // caller frees
    int GetFrameRateListCount();
    LONG GetFrameRateByIndex(int index);
    LONG GetFrameRate();
    bool SelectMediaTypeByIndex(int index);
    bool SelectResolutionForCamByIndex(int index);
    bool SelectFrameRateByIndex(int index);

    bool DisplayPropertyPage(HWND owner);
    // The acquisition of one frame (the script's AcquireImage). A preview's manager whose owner
    // went during its grab deletes itself here: the caller does not use it again.
    bool EnableSource();

    // The seven operations of each camera property.
    bool GetCameraValue(CameraProperty property, long& value);
    bool SetCameraValue(CameraProperty property, long value);
    bool GetCameraDefault(CameraProperty property, long& value);
    bool GetCameraRange(CameraProperty property, long& minimum, long& maximum);
    bool GetCameraStep(CameraProperty property, long& step);
    bool GetCameraAuto(CameraProperty property, bool& automatic);
    bool SetCameraAuto(CameraProperty property, bool automatic);

    bool IsOpen() const { return m_open; }
    // True from EnableSource's first event to the end of its grab: page script running in those
    // events may not close, switch or replace the device under it (those calls are refused).
    bool Acquiring() const { return m_acquiring; }
    WebCam* Device() const { return m_device; }
    HWND PreviewDialog() const { return m_previewDialog; }
    // How long a grab waits for a frame (tests shorten it).
    void SetGrabTimeout(DWORD ms) { m_grabTimeoutMs = ms; }

private:
    friend class WebCamPreviewDialog;
    bool Fail(const wchar_t* text);
    // False with the busy text while an acquisition runs.
    bool RefuseWhileAcquiring();
    bool Acquire();
    // Deletes the preview's manager, or leaves it to delete itself when its grab is still running.
    void ReleasePreviewManager();
    bool CopyDeviceError();
    bool SelectDefault();
    // Selects the default device, then reads from the device object; a 0 or null result copies
    // its last error.
    template <typename Read>
    auto ReadFromDevice(Read read) -> decltype(read(std::declval<WebCam&>()));
    void RecreateDevice();
    void BindCameraInterfaces();
    void ReleaseCameraInterfaces();
    bool OpenPreviewDialog();
    void SendRecord(int kind, HGLOBAL dib = nullptr);
    // The interface of a property, or false with the "doesn't support" text.
    bool CheckProperty(CameraProperty property);
    HRESULT PropertyRange(CameraProperty p, long& min, long& max, long& step, long& def, long& caps);
    HRESULT PropertyGet(CameraProperty p, long& value, long& flags);
    HRESULT PropertySet(CameraProperty p, long value, long flags);
    bool ProbeAutomatic(CameraProperty property);

    HINSTANCE m_module;
    HWND m_parent = nullptr;
    HWND m_notifyWindow;
    WebCamManager* m_previewManager = nullptr;
    WebCam* m_device = nullptr;
    HWND m_previewDialog = nullptr;
    WebCamErrorText m_error;
    DsDevice* m_devices = nullptr;
    unsigned short m_deviceCount = 0;
    DsDevice m_current;
    IAMVideoProcAmp* m_procAmp = nullptr;
    IAMCameraControl* m_cameraControl = nullptr;
    unsigned short m_currentIndex = 0;
    bool m_resizeContainer = false;
    HWND m_container = nullptr;
    bool m_open = false;
    bool m_acquiring = false;
    bool m_deleteAfterGrab = false;
    bool m_showUI = false;
    DWORD m_grabTimeoutMs = WebCam::kGrabTimeoutMs;
};
