// The enumerators of the test camera: its pins (one or two) and the one media type a pin offers.
#pragma once

#include "platform/directshow/directshow.h"

class CameraPinEnumerator : public IEnumPins {
public:
    CameraPinEnumerator(IPin* const* pins, ULONG count, ULONG position);
    virtual ~CameraPinEnumerator();
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override { m_position = 0; return S_OK; }
    STDMETHODIMP Clone(IEnumPins** clone) override;

private:
    LONG m_refs = 1;
    IPin* m_pins[2] = {};
    ULONG m_count;
    ULONG m_position;
};

class CameraMediaTypeEnumerator : public IEnumMediaTypes {
public:
    // A null type enumerates nothing.
    CameraMediaTypeEnumerator(const AM_MEDIA_TYPE* type, ULONG position);
    virtual ~CameraMediaTypeEnumerator();
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override { m_position = 0; return S_OK; }
    STDMETHODIMP Clone(IEnumMediaTypes** clone) override;

private:
    LONG m_refs = 1;
    AM_MEDIA_TYPE m_type;
    ULONG m_position;
};
