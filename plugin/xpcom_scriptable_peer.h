// XpcomScriptablePeer: the plug-in's object for browsers that script plug-ins through XPCOM. It
// has two faces, the script interface (QueryInterface, AddRef, Release and the members of the
// peer's member list) and nsIClassInfo; every member forwards to the PluginInstance operation
// of the same name. The instance keeps one reference and detaches the peer when it goes, so a
// peer the browser still holds answers every member without touching freed memory.
#pragma once

#include <cstdint>

#include "plugin/xpcom_peer_view.h"
#include "xpcom/xpcom_interfaces.h"

class PluginInstance;

// The identifier of the script interface, handed to the browser with the peer.
extern const nsIID kIID_LumettaScriptPeer;

struct XpcomScriptablePeer {
    const XpcomPeerInterface* scriptInterface;
    const void* classInfo;  // the nsIClassInfo face's table
    uint32_t references;
    PluginInstance* instance;  // null once the instance is gone

    // A new peer with no reference yet, or null without memory.
    static XpcomScriptablePeer* Create(PluginInstance* owner);
    void SetInstance(PluginInstance* owner) { instance = owner; }
    uint32_t AddRef();
    uint32_t Release();
};

// The peer's member slots in order (for the tests): name and kind ('m' method, 'g' getter,
// 's' setter).
struct XpcomPeerSlot {
    const char* name;
    char kind;
};
const XpcomPeerSlot* XpcomPeerSlots(size_t* count);
