#include "bench/wine/directshow_grab_client.h"

#include <cstdio>
#include <cstring>

namespace {

template <typename T>
void ReleaseAndClear(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

}  // namespace

STDMETHODIMP DirectShowGrabClient::Callback::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_ISampleGrabberCB || iid == IID_IUnknown) {
        *out = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP DirectShowGrabClient::Callback::BufferCB(double, BYTE* buffer, long length) {
    if (wanted == 0 || !buffer || length < 0 || static_cast<SIZE_T>(length) < imageBytes) return S_OK;
    if (InterlockedCompareExchange(&wanted, 0, 1) != 1) return S_OK;
    // Every byte of the block is written below: no zero fill.
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + imageBytes);
    if (auto* bytes = dib ? static_cast<BYTE*>(GlobalLock(dib)) : nullptr) {
        memcpy(bytes, &header, sizeof(header));
        memcpy(bytes + sizeof(header), buffer, imageBytes);
        GlobalUnlock(dib);
    } else if (dib) {
        GlobalFree(dib);
        dib = nullptr;
    }
    result = dib;
    SetEvent(done);
    return S_OK;
}

DirectShowGrabClient::DirectShowGrabClient() { m_callback.done = CreateEventA(nullptr, TRUE, FALSE, nullptr); }

DirectShowGrabClient::~DirectShowGrabClient() {
    if (m_control) m_control->Stop();
    if (m_grabber) m_grabber->SetCallback(nullptr, 1);
    ReleaseAndClear(m_control);
    ReleaseAndClear(m_grabber);
    ReleaseAndClear(m_streamConfig);
    ReleaseAndClear(m_source);
    ReleaseAndClear(m_builder);
    ReleaseAndClear(m_graph);
    ReleaseAndClear(m_moniker);
    if (m_callback.result) GlobalFree(m_callback.result);
    if (m_callback.done) CloseHandle(m_callback.done);
}

bool DirectShowGrabClient::Fail(const char* step, HRESULT hr) {
    fprintf(stderr, "DirectShow client: %s failed (0x%08lx)\n", step, static_cast<unsigned long>(hr));
    return false;
}

bool DirectShowGrabClient::FindDevice() {
    ICreateDevEnum* enumerator = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                  reinterpret_cast<void**>(&enumerator));
    if (FAILED(hr)) return Fail("the system device enumerator", hr);
    IEnumMoniker* monikers = nullptr;
    hr = enumerator->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0);
    enumerator->Release();
    if (hr != S_OK) return Fail("the video input category", hr);
    hr = monikers->Next(1, &m_moniker, nullptr);
    monikers->Release();
    if (hr != S_OK) return Fail("the first video input device", hr);
    IPropertyBag* bag = nullptr;
    if (SUCCEEDED(m_moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)))) {
        VARIANT name;
        VariantInit(&name);
        if (SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && name.vt == VT_BSTR) {
            wcsncpy(m_deviceName, name.bstrVal, sizeof(m_deviceName) / sizeof(m_deviceName[0]) - 1);
        }
        VariantClear(&name);
        bag->Release();
    }
    return true;
}

bool DirectShowGrabClient::SelectFormat(LONG width, LONG height) {
    HRESULT hr = m_builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, m_source, IID_IAMStreamConfig,
                                          reinterpret_cast<void**>(&m_streamConfig));
    if (FAILED(hr)) return Fail("the stream configuration", hr);
    int count = 0, size = 0;
    hr = m_streamConfig->GetNumberOfCapabilities(&count, &size);
    if (FAILED(hr) || size != sizeof(VIDEO_STREAM_CONFIG_CAPS)) return Fail("the capabilities", hr);
    for (int i = 0; i < count; ++i) {
        AM_MEDIA_TYPE* type = nullptr;
        VIDEO_STREAM_CONFIG_CAPS caps;
        if (FAILED(m_streamConfig->GetStreamCaps(i, &type, reinterpret_cast<BYTE*>(&caps))) || !type) continue;
        const VIDEOINFOHEADER* info = VideoInfoOf(*type);
        bool match = type->subtype == MEDIASUBTYPE_RGB24 && info && info->bmiHeader.biWidth == width &&
                     info->bmiHeader.biHeight == height;
        hr = match ? m_streamConfig->SetFormat(type) : S_OK;
        DeleteMediaType(type);
        if (match) return SUCCEEDED(hr) || Fail("SetFormat", hr);
    }
    fprintf(stderr, "DirectShow client: no RGB24 capability of %ld x %ld\n", static_cast<long>(width),
            static_cast<long>(height));
    return false;
}

bool DirectShowGrabClient::BuildGraph() {
    IBaseFilter* grabberFilter = nullptr;
    IBaseFilter* renderer = nullptr;
    HRESULT hr = m_grabber->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&grabberFilter));
    if (FAILED(hr)) return Fail("the grabber's filter", hr);
    bool ok = false;
    do {
        if (FAILED(hr = m_graph->AddFilter(m_source, L"Cap")) || FAILED(hr = m_graph->AddFilter(grabberFilter, L"Grabber"))) {
            Fail("AddFilter", hr);
            break;
        }
        // A camera with a video-port pin streams into a null renderer; any other gets the
        // default video renderer from the capture graph builder.
        IPin* videoPort = nullptr;
        if (SUCCEEDED(m_builder->FindPin(m_source, PINDIR_OUTPUT, &PIN_CATEGORY_VIDEOPORT, nullptr, FALSE, 0, &videoPort))) {
            videoPort->Release();
            if (FAILED(hr = CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                             reinterpret_cast<void**>(&renderer))) ||
                FAILED(hr = m_graph->AddFilter(renderer, L"NULL renderer"))) {
                Fail("the null renderer", hr);
                break;
            }
        }
        AM_MEDIA_TYPE rgb24{};
        rgb24.majortype = MEDIATYPE_Video;
        rgb24.subtype = MEDIASUBTYPE_RGB24;
        rgb24.formattype = FORMAT_VideoInfo;
        if (FAILED(hr = m_grabber->SetMediaType(&rgb24))) {
            Fail("SetMediaType", hr);
            break;
        }
        const GUID* attempts[][2] = {{&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Interleaved},
                                     {&PIN_CATEGORY_PREVIEW, &MEDIATYPE_Video},
                                     {&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video}};
        hr = E_FAIL;
        for (const auto& attempt : attempts) {
            if (SUCCEEDED(hr = m_builder->RenderStream(attempt[0], attempt[1], m_source, grabberFilter, renderer))) break;
        }
        if (FAILED(hr)) {
            Fail("RenderStream", hr);
            break;
        }
        ok = true;
    } while (false);
    if (renderer) renderer->Release();
    grabberFilter->Release();
    return ok;
}

bool DirectShowGrabClient::Open(LONG width, LONG height) {
    if (!m_callback.done) return Fail("CreateEvent", E_OUTOFMEMORY);
    if (!FindDevice()) return false;
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void**>(&m_graph));
    if (FAILED(hr)) return Fail("the filter graph", hr);
    hr = m_moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&m_source));
    if (FAILED(hr)) return Fail("the device's filter", hr);
    hr = CoCreateInstance(CLSID_SampleGrabber, nullptr, CLSCTX_INPROC_SERVER, IID_ISampleGrabber,
                          reinterpret_cast<void**>(&m_grabber));
    if (FAILED(hr)) return Fail("the sample grabber", hr);
    hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                          reinterpret_cast<void**>(&m_builder));
    if (FAILED(hr) || FAILED(hr = m_builder->SetFiltergraph(m_graph))) return Fail("the capture graph builder", hr);
    if (!SelectFormat(width, height) || !BuildGraph()) return false;

    AM_MEDIA_TYPE connected{};
    if (FAILED(hr = m_grabber->GetConnectedMediaType(&connected))) return Fail("GetConnectedMediaType", hr);
    const VIDEOINFOHEADER* info = VideoInfoOf(connected);
    if (info && info->bmiHeader.biWidth > 0 && info->bmiHeader.biHeight > 0) {
        BITMAPINFOHEADER& header = m_callback.header;
        header.biSize = sizeof(BITMAPINFOHEADER);
        header.biWidth = info->bmiHeader.biWidth;
        header.biHeight = info->bmiHeader.biHeight;
        header.biPlanes = 1;
        header.biBitCount = 24;
        m_callback.imageBytes = static_cast<SIZE_T>((header.biWidth * 24 + 31) / 32 * 4) * header.biHeight;
        m_framePeriod = info->AvgTimePerFrame;
    }
    FreeMediaType(connected);
    if (!m_callback.imageBytes) return Fail("the connected format", E_FAIL);

    m_grabber->SetBufferSamples(FALSE);
    m_grabber->SetOneShot(FALSE);
    if (FAILED(hr = m_grabber->SetCallback(&m_callback, 1))) return Fail("SetCallback", hr);
    // No separate video window: the frames are only grabbed.
    IVideoWindow* window = nullptr;
    if (SUCCEEDED(m_graph->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&window)))) {
        window->put_AutoShow(OAFALSE);
        window->Release();
    }
    if (FAILED(hr = m_graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_control)))) {
        return Fail("IMediaControl", hr);
    }
    if (FAILED(hr = m_control->Run())) return Fail("Run", hr);
    return true;
}

bool DirectShowGrabClient::Grab(HGLOBAL& dib, DWORD timeoutMs) {
    dib = nullptr;
    ResetEvent(m_callback.done);
    m_callback.result = nullptr;
    InterlockedExchange(&m_callback.wanted, 1);
    if (WaitForSingleObject(m_callback.done, timeoutMs) != WAIT_OBJECT_0) {
        // Withdraw the request; a frame that took it meanwhile finishes its copy first.
        if (InterlockedCompareExchange(&m_callback.wanted, 0, 1) == 1) return false;
        WaitForSingleObject(m_callback.done, 1000);
    }
    dib = m_callback.result;
    m_callback.result = nullptr;
    return dib != nullptr;
}
