#include <cstring>

#include "testdoubles/camera/camera_enumerators.h"
#include "testdoubles/camera/camera_pin_common.h"
#include "testdoubles/camera/camera_filter.h"

namespace {

REFERENCE_TIME PeriodOf(const CameraFormat& format) {
    return format.averageTimePerFrame > 0 ? format.averageTimePerFrame : 333333;
}

}  // namespace

CameraOutputPin::~CameraOutputPin() {
    StopStreaming();
    FreeMediaType(m_type);
}

STDMETHODIMP CameraOutputPin::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IPin) {
        *out = static_cast<IPin*>(this);
    } else if (iid == IID_IAMStreamConfig) {
        *out = static_cast<IAMStreamConfig*>(this);
    } else if (iid == IID_IKsPropertySet) {
        *out = static_cast<IKsPropertySet*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CameraOutputPin::AddRef() { return m_filter->AddRef(); }
STDMETHODIMP_(ULONG) CameraOutputPin::Release() { return m_filter->Release(); }

CameraFormat CameraOutputPin::PinFormat() const {
    CameraFormat format = m_filter->Current();
    if (m_filter->Config().rgbPin) format.subtype = MEDIASUBTYPE_RGB24;
    return format;
}

STDMETHODIMP CameraOutputPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
    if (!receivePin) return E_POINTER;
    if (m_connected) return VFW_E_ALREADY_CONNECTED;
    if (m_filter->State() != State_Stopped) return VFW_E_NOT_STOPPED;
    AM_MEDIA_TYPE offered;
    if (!BuildMediaType(PinFormat(), m_filter->Config(), offered)) return E_OUTOFMEMORY;
    HRESULT hr = S_OK;
    if (type && ((type->majortype != GUID_NULL && type->majortype != offered.majortype) ||
                 (type->subtype != GUID_NULL && type->subtype != offered.subtype))) {
        hr = VFW_E_NO_ACCEPTABLE_TYPES;
    } else {
        hr = TryConnect(receivePin, offered);
    }
    FreeMediaType(offered);
    return hr;
}

HRESULT CameraOutputPin::TryConnect(IPin* receivePin, const AM_MEDIA_TYPE& type) {
    if (FAILED(receivePin->ReceiveConnection(this, &type))) return VFW_E_NO_ACCEPTABLE_TYPES;
    IMemInputPin* input = nullptr;
    IMemAllocator* allocator = nullptr;
    HRESULT hr = receivePin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input));
    if (SUCCEEDED(hr) && FAILED(input->GetAllocator(&allocator))) {
        hr = CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                              reinterpret_cast<void**>(&allocator));
    }
    if (SUCCEEDED(hr)) {
        ALLOCATOR_PROPERTIES wanted{3, static_cast<LONG>(FrameBytes(PinFormat())), 1, 0}, actual{};
        hr = allocator->SetProperties(&wanted, &actual);
        if (SUCCEEDED(hr)) hr = input->NotifyAllocator(allocator, FALSE);
    }
    if (FAILED(hr)) {
        if (allocator) allocator->Release();
        if (input) input->Release();
        receivePin->Disconnect();
        return hr;
    }
    m_connected = receivePin;
    m_connected->AddRef();
    m_input = input;
    m_allocator = allocator;
    return CopyMediaType(&m_type, &type);
}

STDMETHODIMP CameraOutputPin::Disconnect() {
    if (!m_connected) return S_FALSE;
    StopStreaming();
    m_input->Release();
    m_allocator->Release();
    m_connected->Release();
    m_input = nullptr;
    m_allocator = nullptr;
    m_connected = nullptr;
    FreeMediaType(m_type);
    memset(&m_type, 0, sizeof(m_type));
    return S_OK;
}

STDMETHODIMP CameraOutputPin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = m_connected;
    if (!m_connected) return VFW_E_NOT_CONNECTED;
    m_connected->AddRef();
    return S_OK;
}

STDMETHODIMP CameraOutputPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    if (!m_connected) {
        memset(type, 0, sizeof(*type));
        return VFW_E_NOT_CONNECTED;
    }
    return CopyMediaType(type, &m_type);
}

STDMETHODIMP CameraOutputPin::QueryPinInfo(PIN_INFO* info) {
    return DescribeOutputPin(m_filter, L"Capture", info);
}

STDMETHODIMP CameraOutputPin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

STDMETHODIMP CameraOutputPin::QueryId(LPWSTR* id) {
    return CopyPinId(L"Capture", id);
}

STDMETHODIMP CameraOutputPin::QueryAccept(const AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    return MatchFormat(m_filter->Formats(), *type) ? S_OK : S_FALSE;
}

STDMETHODIMP CameraOutputPin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types) return E_POINTER;
    AM_MEDIA_TYPE offered;
    if (!BuildMediaType(PinFormat(), m_filter->Config(), offered)) return E_OUTOFMEMORY;
    *types = new CameraMediaTypeEnumerator(&offered, 0);
    FreeMediaType(offered);
    return S_OK;
}

STDMETHODIMP CameraOutputPin::SetFormat(AM_MEDIA_TYPE* type) {
    if (m_filter->Config().failSetFormat) return VFW_E_INVALIDMEDIATYPE;
    if (!type) {
        m_filter->SelectFormat(0);
        return S_OK;
    }
    const CameraFormat* format = MatchFormat(m_filter->Formats(), *type);
    if (!format) return VFW_E_INVALIDMEDIATYPE;
    if (m_connected && format != &m_filter->Current()) return VFW_E_WRONG_STATE;
    m_filter->SelectFormat(m_filter->FormatIndex(format));
    return S_OK;
}

STDMETHODIMP CameraOutputPin::GetFormat(AM_MEDIA_TYPE** type) {
    if (!type) return E_POINTER;
    auto* result = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!result) return E_OUTOFMEMORY;
    if (!BuildMediaType(m_filter->Current(), m_filter->Config(), *result)) {
        CoTaskMemFree(result);
        return E_OUTOFMEMORY;
    }
    *type = result;
    return S_OK;
}

STDMETHODIMP CameraOutputPin::GetNumberOfCapabilities(int* count, int* size) {
    if (!count || !size) return E_POINTER;
    *count = static_cast<int>(m_filter->Formats().size());
    *size = m_filter->Config().capsSize;
    return S_OK;
}

STDMETHODIMP CameraOutputPin::GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) {
    if (!type || !caps) return E_POINTER;
    if (index < 0 || index >= static_cast<int>(m_filter->Formats().size())) return S_FALSE;
    const CameraFormat& format = m_filter->Formats()[index];
    auto* result = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!result) return E_OUTOFMEMORY;
    if (!BuildMediaType(format, m_filter->Config(), *result)) {
        CoTaskMemFree(result);
        return E_OUTOFMEMORY;
    }
    VIDEO_STREAM_CONFIG_CAPS record;
    FillCapabilities(format, record);
    int size = m_filter->Config().capsSize;
    memcpy(caps, &record, size < 0 ? 0 : size < static_cast<int>(sizeof(record)) ? size : sizeof(record));
    *type = result;
    return S_OK;
}

STDMETHODIMP CameraOutputPin::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD size, DWORD* returned) {
    return GetPinCategory(PIN_CATEGORY_CAPTURE, set, id, data, size, returned);
}

STDMETHODIMP CameraOutputPin::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
    return QueryPinCategorySupport(set, id, support);
}

HRESULT CameraOutputPin::Activate() {
    if (!m_allocator) return S_OK;  // an unconnected pin has nothing to stream
    return m_allocator->Commit();
}

HRESULT CameraOutputPin::StartStreaming() {
    if (!m_connected || m_thread) return S_OK;
    m_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_thread = m_stop ? CreateThread(nullptr, 0, StreamThread, this, 0, nullptr) : nullptr;
    if (!m_thread) {
        if (m_stop) CloseHandle(m_stop);
        m_stop = nullptr;
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void CameraOutputPin::StopStreaming() {
    if (!m_thread) return;
    SetEvent(m_stop);
    // A thread waiting for a free buffer wakes when the allocator is decommitted.
    if (m_allocator) m_allocator->Decommit();
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
    CloseHandle(m_stop);
    m_thread = m_stop = nullptr;
}

void CameraOutputPin::Deactivate() {
    if (m_allocator) m_allocator->Decommit();
}

DWORD WINAPI CameraOutputPin::StreamThread(void* self) {
    static_cast<CameraOutputPin*>(self)->Stream();
    return 0;
}

void CameraOutputPin::Stream() {
    const CameraFormat format = PinFormat();
    const LONGLONG period = PeriodOf(format);  // 100 ns
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (LONGLONG frame = 1;; ++frame) {
        QueryPerformanceCounter(&now);
        LONGLONG elapsed = (now.QuadPart - start.QuadPart) * 10000000 / frequency.QuadPart;
        LONGLONG waitMs = (frame * period - elapsed) / 10000;
        if (WaitForSingleObject(m_stop, waitMs > 0 ? static_cast<DWORD>(waitMs) : 0) == WAIT_OBJECT_0) break;
        if (m_filter->State() != State_Running || m_filter->Config().noFrames) continue;
        IMediaSample* sample = nullptr;
        if (FAILED(m_allocator->GetBuffer(&sample, nullptr, nullptr, 0))) continue;
        BYTE* data = nullptr;
        if (SUCCEEDED(sample->GetPointer(&data))) {
            DWORD size = FrameBytes(format);
            if (static_cast<LONG>(size) > sample->GetSize()) size = sample->GetSize();
            DrawTestPattern(data, size, format, ++m_counter);
            sample->SetActualDataLength(size);
            sample->SetSyncPoint(TRUE);
            if (m_filter->Config().timestamp && size >= 12) {
                LARGE_INTEGER sent;
                QueryPerformanceCounter(&sent);
                memcpy(data + 4, &sent.QuadPart, 8);
            }
            m_input->Receive(sample);
        }
        sample->Release();
    }
}
