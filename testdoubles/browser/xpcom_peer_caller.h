// The browser's side of the plug-in's XPCOM peer: asks the plug-in for the peer and its interface
// id, and calls members through the C view of the peer's table, as a browser's XPCOM bridge does.
#pragma once

#include <string>
#include <vector>

#include "browser/browser.h"
#include "plugin/xpcom_peer_view.h"

namespace browser {

// The embed's peer (NPP_GetValue variable 10), held only when the id it names (variable 11) is
// the id the peer itself answers QueryInterface for: a reference the caller releases, or null.
XpcomPeerView* GetXpcomPeer(Browser& browser, Embed* embed);
void ReleaseXpcomPeer(XpcomPeerView* peer);
uint32_t XpcomPeerReferences(XpcomPeerView* peer);  // AddRef then Release: the count between

// Every slot of the table called once with zero arguments, empty texts, a small byte block and
// out-values preset to a non-zero pattern.
struct PeerSweep {
    size_t slots = 0;
    std::vector<std::string> nonZeroStatus;  // slot names that answered a status other than 0
    std::vector<std::string> outNotCleared;  // slot names that left an out-value as it was
};
PeerSweep CallEveryPeerMember(XpcomPeerView* peer);

}  // namespace browser
