#include "testdoubles/camera/camera_filter.h"

#include <cstdio>
#include <cwchar>

#include "testdoubles/camera/camera_enumerators.h"
#include "testdoubles/camera/camera_property_page.h"

LONG g_cameraObjects = 0;

CameraFilter::CameraFilter(const CLSID& clsid, int device)
    : m_clsid(clsid), m_device(device), m_config(CameraConfig::FromEnvironment()), m_pin(this), m_videoPortPin(this) {
    m_formats = CameraFormats(m_config);
    m_cameraControl.owner = this;
    InitializeCriticalSection(&m_lock);
    InterlockedIncrement(&g_cameraObjects);
}

CameraFilter::~CameraFilter() {
    Stop();
    m_pin.Disconnect();
    if (m_clock) m_clock->Release();
    DeleteCriticalSection(&m_lock);
    InterlockedDecrement(&g_cameraObjects);
}

STDMETHODIMP CameraFilter::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IPersist || iid == IID_IMediaFilter || iid == IID_IBaseFilter) {
        *out = static_cast<IBaseFilter*>(this);
    } else if (iid == IID_IAMVideoProcAmp && !m_config.noProcAmp) {
        *out = static_cast<IAMVideoProcAmp*>(this);
    } else if (iid == IID_IAMCameraControl && !m_config.noCameraControl) {
        *out = static_cast<IAMCameraControl*>(&m_cameraControl);
    } else if (iid == IID_ISpecifyPropertyPages && !m_config.noPages) {
        *out = static_cast<ISpecifyPropertyPages*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CameraFilter::AddRef() { return InterlockedIncrement(&m_refs); }

STDMETHODIMP_(ULONG) CameraFilter::Release() {
    LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return refs;
}

STDMETHODIMP CameraFilter::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = m_clsid;
    return S_OK;
}

STDMETHODIMP CameraFilter::Stop() {
    EnterCriticalSection(&m_lock);
    FILTER_STATE old = m_state;
    m_state = State_Stopped;
    LeaveCriticalSection(&m_lock);
    // The streaming thread may wait inside a downstream Receive: stop it without holding the lock.
    m_pin.StopStreaming();
    if (old != State_Stopped) m_pin.Deactivate();
    return S_OK;
}

STDMETHODIMP CameraFilter::Pause() {
    EnterCriticalSection(&m_lock);
    FILTER_STATE old = m_state;
    LeaveCriticalSection(&m_lock);
    // From running the streaming thread stays: it delivers nothing until the filter runs again,
    // and it may wait inside a renderer that the graph paused first.
    HRESULT hr = old == State_Stopped ? m_pin.Activate() : S_OK;
    if (FAILED(hr)) return hr;
    EnterCriticalSection(&m_lock);
    m_state = State_Paused;
    LeaveCriticalSection(&m_lock);
    return S_OK;
}

STDMETHODIMP CameraFilter::Run(REFERENCE_TIME) {
    EnterCriticalSection(&m_lock);
    FILTER_STATE old = m_state;
    LeaveCriticalSection(&m_lock);
    if (old == State_Running) return S_OK;
    if (old == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    HRESULT hr = m_pin.StartStreaming();
    if (FAILED(hr)) return hr;
    EnterCriticalSection(&m_lock);
    m_state = State_Running;
    LeaveCriticalSection(&m_lock);
    return S_OK;
}

STDMETHODIMP CameraFilter::GetState(DWORD, FILTER_STATE* state) {
    if (!state) return E_POINTER;
    *state = m_state;
    // A live source has nothing to cue while paused.
    return m_state == State_Paused ? VFW_S_CANT_CUE : S_OK;
}

STDMETHODIMP CameraFilter::SetSyncSource(IReferenceClock* clock) {
    if (clock) clock->AddRef();
    if (m_clock) m_clock->Release();
    m_clock = clock;
    return S_OK;
}

STDMETHODIMP CameraFilter::GetSyncSource(IReferenceClock** clock) {
    if (!clock) return E_POINTER;
    *clock = m_clock;
    if (m_clock) m_clock->AddRef();
    return S_OK;
}

STDMETHODIMP CameraFilter::EnumPins(IEnumPins** pins) {
    if (!pins) return E_POINTER;
    IPin* pinList[] = {&m_pin, &m_videoPortPin};
    *pins = new CameraPinEnumerator(pinList, m_config.videoPort ? 2 : 1, 0);
    return S_OK;
}

STDMETHODIMP CameraFilter::FindPin(LPCWSTR id, IPin** pin) {
    if (!id || !pin) return E_POINTER;
    *pin = nullptr;
    if (!wcscmp(id, L"Capture")) {
        *pin = &m_pin;
    } else if (!wcscmp(id, L"VP") && m_config.videoPort) {
        *pin = &m_videoPortPin;
    } else {
        return VFW_E_NOT_FOUND;
    }
    (*pin)->AddRef();
    return S_OK;
}

STDMETHODIMP CameraFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (!info) return E_POINTER;
    wcsncpy(info->achName, m_name, MAX_FILTER_NAME - 1);
    info->achName[MAX_FILTER_NAME - 1] = 0;
    info->pGraph = m_graph;
    if (m_graph) m_graph->AddRef();
    return S_OK;
}

STDMETHODIMP CameraFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    m_graph = graph;
    if (name) {
        wcsncpy(m_name, name, 127);
    } else {
        swprintf(m_name, 128, L"Lumetta Test Camera %d", m_device);
    }
    return S_OK;
}

STDMETHODIMP CameraFilter::GetRange(long p, long* min, long* max, long* step, long* def, long* caps) {
    if (p < 0 || p >= CameraControls::kProcAmpCount) return E_PROP_ID_UNSUPPORTED;
    return m_controls.GetRange(p, min, max, step, def, caps);
}

STDMETHODIMP CameraFilter::Set(long p, long value, long flags) {
    if (p < 0 || p >= CameraControls::kProcAmpCount) return E_PROP_ID_UNSUPPORTED;
    return m_controls.Set(p, value, flags);
}

STDMETHODIMP CameraFilter::Get(long p, long* value, long* flags) {
    if (p < 0 || p >= CameraControls::kProcAmpCount) return E_PROP_ID_UNSUPPORTED;
    return m_controls.Get(p, value, flags);
}

STDMETHODIMP CameraFilter::CameraControlThunk::GetRange(long p, long* min, long* max, long* step, long* def,
                                                         long* caps) {
    if (p < 0 || p >= CameraControls::kCameraControlCount) return E_PROP_ID_UNSUPPORTED;
    return owner->m_controls.GetRange(CameraControls::kProcAmpCount + p, min, max, step, def, caps);
}

STDMETHODIMP CameraFilter::CameraControlThunk::Set(long p, long value, long flags) {
    if (p < 0 || p >= CameraControls::kCameraControlCount) return E_PROP_ID_UNSUPPORTED;
    return owner->m_controls.Set(CameraControls::kProcAmpCount + p, value, flags);
}

STDMETHODIMP CameraFilter::CameraControlThunk::Get(long p, long* value, long* flags) {
    if (p < 0 || p >= CameraControls::kCameraControlCount) return E_PROP_ID_UNSUPPORTED;
    return owner->m_controls.Get(CameraControls::kProcAmpCount + p, value, flags);
}

STDMETHODIMP CameraFilter::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) return E_OUTOFMEMORY;
    pages->pElems[0] = CLSID_LumettaTestCameraPage;
    pages->cElems = 1;
    return S_OK;
}
