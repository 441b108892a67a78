#include "capture/webcam/webcam.h"

#include <new>

namespace {

template <typename T>
void ReleaseAndClear(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

}  // namespace

LONG FrameRateOf(REFERENCE_TIME averageTimePerFrame) {
    if (averageTimePerFrame <= 0) return 0;
    return static_cast<LONG>(10000000LL / averageTimePerFrame);
}

WebCam::WebCam(const DsDevice& device, HWND parent, HWND container, bool showInContainer)
    : m_showInContainer(showInContainer),
      m_parent(parent),
      m_callback(new (std::nothrow) CSampleGrabberCB()),
      m_device(device),
      m_container(container),
      m_dictionary(new (std::nothrow) WebCamDicMediaType()) {
    if (!m_device.IsUsable()) m_error.Set(L"No webcam device was found.");
}

WebCam::~WebCam() {
    TearDownGraph();
    m_running = false;
    ReleaseAndClear(m_source);
    ReleaseAndClear(m_streamConfig);
    delete m_callback;  // frees its frame buffer and its spare DIB block
    delete m_dictionary;
}

bool WebCam::Fail(HRESULT hr) {
    m_error.SetFromResult(hr);
    return false;
}

bool WebCam::Fail(const wchar_t* text) {
    m_error.Set(text);
    return false;
}

bool WebCam::EnsureOpen() { return m_running || Open(); }

void WebCam::StopGraph() {
    if (!m_graph) return;
    IMediaControl* control = nullptr;
    if (SUCCEEDED(m_graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)))) {
        control->Stop();
        control->Release();
    }
}

void WebCam::TearDownGraph() {
    if (m_graph) {
        StopGraph();
        IVideoWindow* window = nullptr;
        if (SUCCEEDED(m_graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&window)))) {
            window->put_Visible(OAFALSE);
            window->put_Owner(0);
            window->Release();
        }
    }
    if (m_grabber) m_grabber->SetCallback(nullptr, 1);
    ReleaseAndClear(m_graph);
    ReleaseAndClear(m_grabber);
    ReleaseAndClear(m_builder);
    m_running = false;
}

bool WebCam::BuildGraph() {
    TearDownGraph();
    if (!m_device.IsUsable() || !m_callback || !m_dictionary) return Fail(L"No webcam device was found.");
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(&m_graph));
    if (FAILED(hr) || !m_graph) return Fail(L"Could not create filter graph.");
    ReleaseAndClear(m_streamConfig);
    ReleaseAndClear(m_source);
    hr = m_device.Moniker()->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&m_source));
    if (FAILED(hr) || !m_source) return Fail(FAILED(hr) ? hr : E_NOINTERFACE);
    hr = CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_ISampleGrabber,
                          reinterpret_cast<void**>(&m_grabber));
    if (!m_grabber) return Fail(L"Could not create SampleGrabber (isqedit.all registered?).");
    hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                          reinterpret_cast<void**>(&m_builder));
    if (FAILED(hr) || !m_builder) return Fail(FAILED(hr) ? hr : E_NOINTERFACE);
    hr = m_builder->SetFiltergraph(m_graph);
    if (FAILED(hr)) return Fail(hr);
    hr = m_builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Interleaved, m_source, IID_IAMStreamConfig,
                                  reinterpret_cast<void**>(&m_streamConfig));
    if (FAILED(hr)) {
        hr = m_builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_source, IID_IAMStreamConfig,
                                      reinterpret_cast<void**>(&m_streamConfig));
    }
    if (FAILED(hr) || !m_streamConfig) return Fail(FAILED(hr) ? hr : E_NOINTERFACE);
    return true;
}

bool WebCam::Open() {
    if (!BuildGraph()) return false;
    AM_MEDIA_TYPE* format = nullptr;
    HRESULT hr = m_streamConfig->GetFormat(&format);
    if (FAILED(hr) || !format) return Fail(FAILED(hr) ? hr : E_POINTER);
    if (m_resizeContainer && m_container) {
        if (const VIDEOINFOHEADER* info = VideoInfoOf(*format)) {
            LONG h = info->bmiHeader.biHeight;
            ResizeContainer(m_container, info->bmiHeader.biWidth, h < 0 && h != LONG_MIN ? -h : h);
        }
    }
    bool connected = Connect(*format);
    DeleteMediaType(format);
    return connected;
}

bool WebCam::Connect(const AM_MEDIA_TYPE& format) {
    IBaseFilter* grabberFilter = nullptr;
    HRESULT hr = m_grabber->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&grabberFilter));
    if (FAILED(hr)) return Fail(hr);
    IBaseFilter* renderer = nullptr;
    bool ok = false;
    bool nullRenderer = false;
    do {
        if (FAILED(hr = m_graph->AddFilter(m_source, L"Cap")) || FAILED(hr = m_graph->AddFilter(grabberFilter, L"Grabber"))) {
            Fail(hr);
            break;
        }
        hr = m_streamConfig->SetFormat(const_cast<AM_MEDIA_TYPE*>(&format));
        if (FAILED(hr)) {
            Fail(hr);
            break;
        }
        m_currentSubtype = format.subtype;
        if (const VIDEOINFOHEADER* info = VideoInfoOf(format)) {
            CamResolution size{info->bmiHeader.biWidth, info->bmiHeader.biHeight};
            if (size.IsListable()) m_currentSize = size;
            m_currentFrameRate = FrameRateOf(info->AvgTimePerFrame);
        }
        IPin* videoPort = nullptr;
        if (SUCCEEDED(m_builder->FindPin(m_source, PINDIR_OUTPUT, &PIN_CATEGORY_VIDEOPORT, nullptr, FALSE, 0, &videoPort))) {
            videoPort->Release();
            nullRenderer = true;
            hr = CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                  reinterpret_cast<void**>(&renderer));
            if (FAILED(hr) || !renderer) {
                Fail(L"Unable to makea NULL renderer");
                break;
            }
            if (FAILED(m_graph->AddFilter(renderer, L"NULL renderer"))) {
                Fail(L"Can't add the filter to graph");
                break;
            }
        }
        // The DIB that a grab builds is 24-bit: the grabber accepts RGB24 only, so that a
        // source of another format is converted or refused here rather than over-read later.
        AM_MEDIA_TYPE wanted{};
        wanted.majortype = MEDIATYPE_Video;
        wanted.subtype = MEDIASUBTYPE_RGB24;
        wanted.formattype = FORMAT_VideoInfo;
        if (FAILED(hr = m_grabber->SetMediaType(&wanted))) {
            Fail(hr);
            break;
        }
        if (!RenderThroughGrabber(grabberFilter, renderer) || !ReadConnectedFormat()) break;
        m_grabber->SetBufferSamples(FALSE);
        m_grabber->SetOneShot(FALSE);
        if (FAILED(hr = m_grabber->SetCallback(m_callback, 1))) {
            Fail(hr);
            break;
        }
        if (!PlaceVideoWindow(nullRenderer)) break;
        IMediaControl* control = nullptr;
        hr = m_graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
        if (SUCCEEDED(hr)) {
            hr = control->Run();  // S_FALSE: still on its way to running
            control->Release();
        }
        if (FAILED(hr)) {
            Fail(hr);
            break;
        }
        m_running = true;
        BuildLists();
        ok = true;
    } while (false);
    if (renderer) renderer->Release();
    grabberFilter->Release();
    return ok;
}

bool WebCam::RenderThroughGrabber(IBaseFilter* grabberFilter, IBaseFilter* renderer) {
    const GUID* attempts[][2] = {{&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Interleaved},
                                 {&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video},
                                 {&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video}};
    for (const auto& attempt : attempts) {
        if (SUCCEEDED(m_builder->RenderStream(attempt[0], attempt[1], m_source, grabberFilter, renderer))) return true;
    }
    return Fail(L"Can't build the graph");
}

bool WebCam::ReadConnectedFormat() {
    AM_MEDIA_TYPE type{};
    HRESULT hr = m_grabber->GetConnectedMediaType(&type);
    if (FAILED(hr)) return Fail(hr);
    // Only a real VIDEOINFOHEADER block describes the frames the grabber delivers.
    const VIDEOINFOHEADER* info = VideoInfoOf(type);
    bool ok = info && info->bmiHeader.biWidth >= 1 && info->bmiHeader.biHeight != 0 &&
              info->bmiHeader.biHeight != LONG_MIN;
    if (ok) {
        m_callback->SetFormat(this, info->bmiHeader.biWidth, info->bmiHeader.biHeight,
                              FrameRateOf(info->AvgTimePerFrame));
    }
    FreeMediaType(type);
    return ok || Fail(L"The camera's video format is not supported.");
}

bool WebCam::PlaceVideoWindow(bool nullRenderer) {
    // A null renderer has no video window: its calls fail, and nothing needs placing.
    IVideoWindow* window = nullptr;
    HRESULT hr = m_graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&window));
    if (FAILED(hr) || !window) return nullRenderer || Fail(L"Could not get video window interface");
    if (m_showInContainer && m_container) {
        RECT rect{};
        GetWindowRect(m_container, &rect);
        if (SUCCEEDED(hr = window->put_Owner(reinterpret_cast<OAHWND>(m_container))) &&
            SUCCEEDED(hr = window->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS)) &&
            SUCCEEDED(hr = window->SetWindowPosition(0, 0, rect.right - rect.left, rect.bottom - rect.top))) {
            hr = window->put_Visible(OATRUE);
        }
    } else {
        hr = window->put_AutoShow(OAFALSE);
    }
    window->Release();
    return SUCCEEDED(hr) || nullRenderer || Fail(hr);
}

bool WebCam::GrabFrame(HGLOBAL& dib, DWORD timeoutMs) {
    dib = nullptr;
    if (!m_running || !m_callback) return Fail(L"Current device is close.");
    if (!m_callback->Grab(timeoutMs, dib)) return Fail(L"No frame came from the camera in time.");
    return true;
}

bool WebCam::DisplayPropertyPage(HWND owner) {
    if (!m_device.IsUsable()) return Fail(L"No webcam device was found.");
    IBaseFilter* filter = nullptr;
    HRESULT hr = m_device.Moniker()->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter));
    if (FAILED(hr) || !filter) return Fail(FAILED(hr) ? hr : E_NOINTERFACE);
    ISpecifyPropertyPages* specify = nullptr;
    hr = filter->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&specify));
    if (SUCCEEDED(hr)) {
        CAUUID pages{};
        hr = specify->GetPages(&pages);
        if (SUCCEEDED(hr)) {
            IUnknown* object = filter;
            hr = OleCreatePropertyFrame(owner, 30, 30, nullptr, 1, &object, pages.cElems, pages.pElems, 0, 0, nullptr);
            CoTaskMemFree(pages.pElems);
        }
        specify->Release();
    }
    filter->Release();
    return SUCCEEDED(hr) || Fail(hr);
}

namespace {

void ResizeContainerOnce(HWND window, LONG width, LONG height, int nesting) {
    RECT outer{}, client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    LONG frameWidth = (outer.right - outer.left) - (client.right - client.left);
    LONG frameHeight = (outer.bottom - outer.top) - (client.bottom - client.top) + GetSystemMetrics(SM_CYBORDER);
    SetWindowPos(window, nullptr, 0, 0, width + frameWidth, height + frameHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(window, &client);
    bool heightDiffers = client.bottom - client.top != height;
    bool widthDiffers = client.right - client.left != width && width > GetSystemMetrics(SM_CXMIN);
    if (nesting == 0 && (heightDiffers || widthDiffers)) ResizeContainerOnce(window, width, height, 1);
}

}  // namespace

void WebCam::ResizeContainer(HWND window, LONG width, LONG height) {
    if (!window || !IsWindow(window) || width < 1 || height < 1 || width > 32767 || height > 32767) return;
    ResizeContainerOnce(window, width, height, 0);
}
