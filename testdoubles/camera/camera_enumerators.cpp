#include "testdoubles/camera/camera_enumerators.h"

#include <cstring>

CameraPinEnumerator::CameraPinEnumerator(IPin* const* pins, ULONG count, ULONG position)
    : m_count(count > 2 ? 2 : count), m_position(position) {
    for (ULONG i = 0; i < m_count; ++i) {
        m_pins[i] = pins[i];
        m_pins[i]->AddRef();
    }
}

CameraPinEnumerator::~CameraPinEnumerator() {
    for (ULONG i = 0; i < m_count; ++i) m_pins[i]->Release();
}

STDMETHODIMP CameraPinEnumerator::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumPins) {
        *out = this;
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CameraPinEnumerator::Release() {
    LONG refs = InterlockedDecrement(&m_refs);
    if (!refs) delete this;
    return refs;
}

STDMETHODIMP CameraPinEnumerator::Next(ULONG count, IPin** pins, ULONG* fetched) {
    if (!pins) return E_POINTER;
    ULONG n = 0;
    while (n < count && m_position < m_count) {
        pins[n] = m_pins[m_position++];
        pins[n++]->AddRef();
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
}

STDMETHODIMP CameraPinEnumerator::Skip(ULONG count) {
    m_position += count;
    return m_position <= m_count ? S_OK : S_FALSE;
}

STDMETHODIMP CameraPinEnumerator::Clone(IEnumPins** clone) {
    if (!clone) return E_POINTER;
    *clone = new CameraPinEnumerator(m_pins, m_count, m_position);
    return S_OK;
}

CameraMediaTypeEnumerator::CameraMediaTypeEnumerator(const AM_MEDIA_TYPE* type, ULONG position)
    : m_position(position) {
    memset(&m_type, 0, sizeof(m_type));
    if (!type || FAILED(CopyMediaType(&m_type, type))) m_position = 1;
}

CameraMediaTypeEnumerator::~CameraMediaTypeEnumerator() { FreeMediaType(m_type); }

STDMETHODIMP CameraMediaTypeEnumerator::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumMediaTypes) {
        *out = this;
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CameraMediaTypeEnumerator::Release() {
    LONG refs = InterlockedDecrement(&m_refs);
    if (!refs) delete this;
    return refs;
}

STDMETHODIMP CameraMediaTypeEnumerator::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
    if (!types) return E_POINTER;
    ULONG n = 0;
    if (count > 0 && m_position == 0) {
        types[0] = CreateMediaType(&m_type);
        if (!types[0]) return E_OUTOFMEMORY;
        n = 1;
        m_position = 1;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
}

STDMETHODIMP CameraMediaTypeEnumerator::Skip(ULONG count) {
    m_position += count;
    return m_position <= 1 ? S_OK : S_FALSE;
}

STDMETHODIMP CameraMediaTypeEnumerator::Clone(IEnumMediaTypes** clone) {
    if (!clone) return E_POINTER;
    *clone = new CameraMediaTypeEnumerator(m_position == 0 ? &m_type : nullptr, m_position);
    return S_OK;
}
