#include "comcontrol/connection_point.h"

#include <new>

namespace comcontrol {

ConnectionPoint::~ConnectionPoint() { ReleaseAll(); }

void ConnectionPoint::ReleaseAll() {
    std::vector<IDispatch*> sinks;
    sinks.swap(m_sinks);
    for (IDispatch* sink : sinks)
        if (sink) sink->Release();
}

HRESULT ConnectionPoint::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = m_iid;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) return E_POINTER;
    m_owner->AddRef();
    *out = m_owner;
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    IDispatch* dispatch = nullptr;
    if (FAILED(sink->QueryInterface(m_iid, reinterpret_cast<void**>(&dispatch))) &&
        FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
        return CONNECT_E_CANNOTCONNECT;
    for (size_t i = 0; i < m_sinks.size(); ++i) {
        if (!m_sinks[i]) {
            m_sinks[i] = dispatch;
            *cookie = static_cast<DWORD>(i + 1);
            return S_OK;
        }
    }
    try {
        m_sinks.push_back(dispatch);
    } catch (const std::bad_alloc&) {
        dispatch->Release();
        return E_OUTOFMEMORY;
    }
    *cookie = static_cast<DWORD>(m_sinks.size());
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
    if (cookie == 0 || cookie > m_sinks.size() || !m_sinks[cookie - 1]) return CONNECT_E_NOCONNECTION;
    IDispatch* sink = m_sinks[cookie - 1];
    m_sinks[cookie - 1] = nullptr;
    sink->Release();
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

namespace {

class SingleConnectionPointEnum final : public IEnumConnectionPoints {
public:
    explicit SingleConnectionPointEnum(IConnectionPoint* point, ULONG position = 0) : m_point(point), m_position(position) {
        m_point->AddRef();
    }
    ~SingleConnectionPointEnum() { m_point->Release(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IEnumConnectionPoints) return E_NOINTERFACE;
        *out = static_cast<IEnumConnectionPoints*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&m_refs); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return refs;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** points, ULONG* fetched) override {
        if (!points) return E_POINTER;
        ULONG given = 0;
        if (count > 0 && m_position == 0) {
            m_point->AddRef();
            points[0] = m_point;
            given = 1;
            m_position = 1;
        }
        if (fetched) *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        if (count == 0) return S_OK;
        bool had = m_position == 0;
        m_position = 1;
        return had && count == 1 ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        m_position = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** out) override {
        if (!out) return E_POINTER;
        *out = new (std::nothrow) SingleConnectionPointEnum(m_point, m_position);
        return *out ? S_OK : E_OUTOFMEMORY;
    }

private:
    volatile LONG m_refs = 1;
    IConnectionPoint* m_point;
    ULONG m_position;
};

}  // namespace

HRESULT EnumerateSingleConnectionPoint(IConnectionPoint* point, IEnumConnectionPoints** out) {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) SingleConnectionPointEnum(point);
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace comcontrol
