// The test camera: a live video source filter with one capture output pin, the camera's
// controls and a property-page list. Frames carry the test pattern with a frame counter.
#pragma once

#include <vector>

#include "platform/directshow/directshow.h"
#include "testdoubles/camera/camera_config.h"
#include "testdoubles/camera/camera_controls.h"
#include "testdoubles/camera/camera_formats.h"
#include "testdoubles/camera/camera_video_port_pin.h"

class CameraFilter;

class CameraOutputPin : public IPin, public IAMStreamConfig, public IKsPropertySet {
public:
    explicit CameraOutputPin(CameraFilter* filter) : m_filter(filter) {}
    virtual ~CameraOutputPin();

    // IUnknown: the pin lives and counts with its filter.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPin
    STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** pin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
    STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP EndOfStream() override { return E_UNEXPECTED; }
    STDMETHODIMP BeginFlush() override { return E_UNEXPECTED; }
    STDMETHODIMP EndFlush() override { return E_UNEXPECTED; }
    STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    // IAMStreamConfig
    STDMETHODIMP SetFormat(AM_MEDIA_TYPE* type) override;
    STDMETHODIMP GetFormat(AM_MEDIA_TYPE** type) override;
    STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override;
    STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) override;

    // IKsPropertySet: the pin category.
    STDMETHODIMP Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) override { return E_PROP_SET_UNSUPPORTED; }
    STDMETHODIMP Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD size, DWORD* returned) override;
    STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

    // Streaming, driven by the filter's state changes.
    HRESULT Activate();    // stopped -> paused: commit the allocator
    HRESULT StartStreaming();
    void StopStreaming();  // ends the streaming thread
    void Deactivate();     // -> stopped: decommit

private:
    static DWORD WINAPI StreamThread(void* self);
    void Stream();
    HRESULT TryConnect(IPin* receivePin, const AM_MEDIA_TYPE& type);
    // The format the pin sends: the configured one, or its RGB24 version for a camera that
    // converts on its pin.
    CameraFormat PinFormat() const;

    CameraFilter* m_filter;
    IPin* m_connected = nullptr;
    IMemInputPin* m_input = nullptr;
    IMemAllocator* m_allocator = nullptr;
    AM_MEDIA_TYPE m_type{};
    HANDLE m_thread = nullptr;
    HANDLE m_stop = nullptr;
    DWORD m_counter = 0;
};

class CameraFilter : public IBaseFilter, public IAMVideoProcAmp, public ISpecifyPropertyPages {
public:
    CameraFilter(const CLSID& clsid, int device);
    virtual ~CameraFilter();

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPersist, IMediaFilter, IBaseFilter
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME start) override;
    STDMETHODIMP GetState(DWORD timeout, FILTER_STATE* state) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
    STDMETHODIMP EnumPins(IEnumPins** pins) override;
    STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR*) override { return E_NOTIMPL; }

    // IAMVideoProcAmp
    STDMETHODIMP GetRange(long property, long* min, long* max, long* step, long* def, long* caps) override;
    STDMETHODIMP Set(long property, long value, long flags) override;
    STDMETHODIMP Get(long property, long* value, long* flags) override;

    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID* pages) override;

    const CameraConfig& Config() const { return m_config; }
    const std::vector<CameraFormat>& Formats() const { return m_formats; }
    const CameraFormat& Current() const { return m_formats[m_current]; }
    void SelectFormat(size_t index) { m_current = index; }
    size_t FormatIndex(const CameraFormat* format) const { return format - m_formats.data(); }
    FILTER_STATE State() const { return m_state; }
    CRITICAL_SECTION& Lock() { return m_lock; }

private:
    // The amplifier and the camera control have the same method names and signatures; each
    // interface gets its own thunk object so that property 0 of each reaches the right setting.
    struct CameraControlThunk : IAMCameraControl {
        CameraFilter* owner;
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return owner->QueryInterface(iid, out); }
        STDMETHODIMP_(ULONG) AddRef() override { return owner->AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return owner->Release(); }
        STDMETHODIMP GetRange(long p, long* min, long* max, long* step, long* def, long* caps) override;
        STDMETHODIMP Set(long p, long value, long flags) override;
        STDMETHODIMP Get(long p, long* value, long* flags) override;
    };

    LONG m_refs = 1;
    CLSID m_clsid;
    int m_device;
    CameraConfig m_config;
    std::vector<CameraFormat> m_formats;
    size_t m_current = 0;
    CameraControls m_controls;
    CameraControlThunk m_cameraControl;
    CameraOutputPin m_pin;
    CameraVideoPortPin m_videoPortPin;
    FILTER_STATE m_state = State_Stopped;
    IFilterGraph* m_graph = nullptr;  // not counted: the graph owns the filter
    IReferenceClock* m_clock = nullptr;
    WCHAR m_name[128] = {};
    CRITICAL_SECTION m_lock;
};

// Lives while objects or locks of the module exist.
extern LONG g_cameraObjects;
