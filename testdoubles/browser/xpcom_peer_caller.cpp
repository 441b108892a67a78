#include "browser/xpcom_peer_caller.h"

#include <cstring>
#include <type_traits>

#include "browser/browser_memory.h"

namespace browser {

XpcomPeerView* GetXpcomPeer(Browser& browser, Embed* embed) {
    if (!embed || !browser.Plugin().getvalue) return nullptr;
    void* peer = nullptr;
    if (browser.Plugin().getvalue(&embed->record, NPPVpluginScriptableInstance, &peer) != NPERR_NO_ERROR || !peer)
        return nullptr;
    auto* view = static_cast<XpcomPeerView*>(peer);
    nsIID* iid = nullptr;
    void* same = nullptr;
    bool named = browser.Plugin().getvalue(&embed->record, NPPVpluginScriptableIID, &iid) == NPERR_NO_ERROR && iid &&
                 view->table->QueryInterface(view, iid, &same) == NS_OK && same == view;
    if (same) view->table->Release(view);
    if (iid) BrowserMemory::Free(iid);
    if (!named) {
        view->table->Release(view);
        return nullptr;
    }
    return view;
}

void ReleaseXpcomPeer(XpcomPeerView* peer) {
    if (peer) peer->table->Release(peer);
}

uint32_t XpcomPeerReferences(XpcomPeerView* peer) {
    peer->table->AddRef(peer);
    return peer->table->Release(peer);
}

namespace {

using xpcom_peer::In;
using xpcom_peer::Letters;
using xpcom_peer::Out;

struct Scratch {
    uint8_t bytes[16] = {};
    int16_t h = 7;
    float f = 7;
};

template <char L>
typename In<L>::type DefaultArgument(Scratch& s) {
    if constexpr (L == 's') return "";
    else if constexpr (L == 'p' || L == 'q') return s.bytes;
    else if constexpr (L == 'H') return &s.h;
    else if constexpr (L == 'F') return &s.f;
    else return 0;
}

template <char R>
using OutValue = std::remove_pointer_t<typename Out<R>::type>;

template <char R>
OutValue<R> Preset() {
    if constexpr (R == 'S') return reinterpret_cast<char*>(static_cast<uintptr_t>(0x5A5A));
    else return static_cast<OutValue<R>>(77);
}

template <char R>
bool Cleared(OutValue<R> v) {
    if constexpr (R == 'S') {
        if (v && v != Preset<'S'>()) BrowserMemory::Free(v);
        return v == nullptr;
    } else {
        return v == 0;
    }
}

void Note(PeerSweep& sweep, const char* name, nsresult status, bool cleared) {
    ++sweep.slots;
    if (status != NS_OK) sweep.nonZeroStatus.push_back(name);
    if (!cleared) sweep.outNotCleared.push_back(name);
}

template <Letters A, char R, size_t... I>
void CallMethod(PeerSweep& sweep, const char* name, typename xpcom_peer::MethodShape<A, R>::Fn fn, void* self,
                std::index_sequence<I...>) {
    Scratch s;
    OutValue<R> out = Preset<R>();
    nsresult status = fn(self, DefaultArgument<A.c[I]>(s)..., &out);
    bool cleared = Cleared<R>(out);
    // Out-arguments of the method are cleared too.
    if (((A.c[I] == 'H') || ...) && s.h != 0) cleared = false;
    if (((A.c[I] == 'F') || ...) && s.f != 0) cleared = false;
    Note(sweep, name, status, cleared);
}

template <char G>
void CallGetter(PeerSweep& sweep, const char* name, xpcom_peer::GetterFn<G> fn, void* self) {
    OutValue<G> out = Preset<G>();
    nsresult status = fn(self, &out);
    Note(sweep, name, status, Cleared<G>(out));
}

template <char S>
void CallSetter(PeerSweep& sweep, const char* name, xpcom_peer::SetterFn<S> fn, void* self) {
    Scratch s;
    Note(sweep, name, fn(self, DefaultArgument<S>(s)), true);
}

}  // namespace

PeerSweep CallEveryPeerMember(XpcomPeerView* peer) {
    PeerSweep sweep;
    const XpcomPeerInterface& t = *peer->table;
#define LUMETTA_PEER_METHOD(name, args, r) \
    CallMethod<args, r>(sweep, #name, t.name, peer, std::make_index_sequence<sizeof(args) - 1>());
#define LUMETTA_PEER_GET(name, g) CallGetter<g>(sweep, "get_" #name, t.get_##name, peer);
#define LUMETTA_PEER_GETSET(name, g, s)                          \
    CallGetter<g>(sweep, "get_" #name, t.get_##name, peer); \
    CallSetter<s>(sweep, "set_" #name, t.set_##name, peer);
#include "plugin/xpcom_peer_members.def"
#undef LUMETTA_PEER_METHOD
#undef LUMETTA_PEER_GET
#undef LUMETTA_PEER_GETSET
    return sweep;
}

}  // namespace browser
