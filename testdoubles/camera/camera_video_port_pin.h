// The video-port output pin that the test camera shows when configured with "videoport": it
// offers nothing and connects to nothing, but its category sends the graph down the
// null-renderer route.
#pragma once

#include "platform/directshow/directshow.h"

class CameraVideoPortPin : public IPin, public IKsPropertySet {
public:
    explicit CameraVideoPortPin(IBaseFilter* filter) : m_filter(filter) {}
    virtual ~CameraVideoPortPin() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return m_filter->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_filter->Release(); }

    STDMETHODIMP Connect(IPin*, const AM_MEDIA_TYPE*) override { return VFW_E_NO_ACCEPTABLE_TYPES; }
    STDMETHODIMP ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override { return E_UNEXPECTED; }
    STDMETHODIMP Disconnect() override { return S_FALSE; }
    STDMETHODIMP ConnectedTo(IPin** pin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE*) override { return S_FALSE; }
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
    STDMETHODIMP QueryInternalConnections(IPin**, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP EndOfStream() override { return E_UNEXPECTED; }
    STDMETHODIMP BeginFlush() override { return E_UNEXPECTED; }
    STDMETHODIMP EndFlush() override { return E_UNEXPECTED; }
    STDMETHODIMP NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return S_OK; }

    STDMETHODIMP Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) override { return E_PROP_SET_UNSUPPORTED; }
    STDMETHODIMP Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD size, DWORD* returned) override;
    STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

private:
    IBaseFilter* m_filter;
};
