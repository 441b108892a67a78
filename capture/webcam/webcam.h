// WebCam: one opened video input device. Builds and runs the DirectShow graph (source, sample
// grabber, renderer), shows the live video in a container window, keeps the device's lists of
// subtypes, sizes and frame rates, switches between them by rebuilding the graph and grabs
// single frames as packed 24-bit DIBs.
#pragma once

#include <vector>

#include "capture/webcam/cam_resolution.h"
#include "capture/webcam/ds_device.h"
#include "capture/webcam/media_type_dictionary.h"
#include "capture/webcam/sample_grabber_callback.h"
#include "capture/webcam/webcam_error_text.h"

class WebCam {
public:
    // Builds no graph yet.
    WebCam(const DsDevice& device, HWND parent, HWND container, bool showInContainer);
    virtual ~WebCam();
    WebCam(const WebCam&) = delete;
    WebCam& operator=(const WebCam&) = delete;

    void SetShowInContainer(bool show) { m_showInContainer = show; }
    void SetResizeContainer(bool resize) { m_resizeContainer = resize; }
    void SetContainer(HWND container) { m_container = container; }

    // Builds, connects and runs the graph with the device's current format.
    bool Open();
    bool IsRunning() const { return m_running; }

    int GetMediaTypeListCount();
    const char* GetMediaTypeByIndex(int index);
    const char* GetMediaType();
    int GetResolutionForCamListCount();
    char* GetResolutionForCamByIndex(int index);  // new block, caller frees
    char* GetResolutionForCam();                  // new block, caller frees
    int GetFrameRateListCount();
    LONG GetFrameRateByIndex(int index);
    LONG GetFrameRate();

    bool SelectMediaTypeByIndex(int index);
    bool SelectResolutionForCamByIndex(int index);
    bool SelectFrameRateByIndex(int index);

    // The next frame as a new packed 24-bit DIB that the caller owns; false after timeoutMs.
    bool GrabFrame(HGLOBAL& dib, DWORD timeoutMs = kGrabTimeoutMs);
    static constexpr DWORD kGrabTimeoutMs = 9000;

    // Shows the source filter's property pages owned by the window.
    bool DisplayPropertyPage(HWND owner);

    const WebCamErrorText& LastError() const { return m_error; }
    const CamResolution& CurrentSize() const { return m_currentSize; }

    // Resizes a window so that its client area is width x height (one retry when the frame
    // changed, e.g. a menu bar wrapped).
    static void ResizeContainer(HWND window, LONG width, LONG height);

private:
    bool EnsureOpen();
    bool Fail(HRESULT hr);
    bool Fail(const wchar_t* text);
    bool BuildGraph();
    void TearDownGraph();
    void StopGraph();
    bool Connect(const AM_MEDIA_TYPE& format);
    bool RenderThroughGrabber(IBaseFilter* grabberFilter, IBaseFilter* renderer);
    bool ReadConnectedFormat();
    bool PlaceVideoWindow(bool nullRenderer);
    void BuildLists();
    // Walks the capabilities and reconnects with the first one that matches.
    template <typename Match>
    bool ReconnectWithCapability(Match matches, const CamResolution* resizeTo);

    bool m_showInContainer;
    bool m_resizeContainer = false;
    HWND m_parent;
    WebCamErrorText m_error;
    CSampleGrabberCB* m_callback;
    IGraphBuilder* m_graph = nullptr;
    ISampleGrabber* m_grabber = nullptr;
    IBaseFilter* m_source = nullptr;
    IAMStreamConfig* m_streamConfig = nullptr;
    ICaptureGraphBuilder2* m_builder = nullptr;
    DsDevice m_device;
    HWND m_container;
    bool m_running = false;
    std::vector<GUID> m_subtypes;
    std::vector<CamResolution> m_sizes;
    std::vector<LONG> m_frameRates;
    GUID m_currentSubtype = GUID_NULL;
    CamResolution m_currentSize;
    LONG m_currentFrameRate = 0;
    WebCamDicMediaType* m_dictionary;
};

// Frames per second of an average frame time in 100 ns units; 0 for a time of 0 or less.
LONG FrameRateOf(REFERENCE_TIME averageTimePerFrame);
