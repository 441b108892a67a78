// One outgoing interface of a connectable object: sinks connect with Advise (cookie = slot + 1)
// and leave with Unadvise; a left slot stays empty. Its references go to the owning object.
#pragma once

#include <ocidl.h>
#include <olectl.h>

#include <vector>

namespace comcontrol {

class ConnectionPoint final : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer* owner, const IID& iid) : m_owner(owner), m_iid(iid) {}
    ~ConnectionPoint();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return m_owner->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return m_owner->Release(); }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

    // The sink slots in the order of Advise; empty slots are null.
    const std::vector<IDispatch*>& Sinks() const { return m_sinks; }
    // Releases every sink (the owner's destruction).
    void ReleaseAll();

private:
    IConnectionPointContainer* m_owner;
    IID m_iid;
    std::vector<IDispatch*> m_sinks;
};

// Enumerates the one connection point of a control.
HRESULT EnumerateSingleConnectionPoint(IConnectionPoint* point, IEnumConnectionPoints** out);

}  // namespace comcontrol
