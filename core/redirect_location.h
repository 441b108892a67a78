// Where a redirect leads: the Location of a server's answer resolved against the URL of the
// request that got it, as RFC 3986 (section 5.2) resolves a reference against its base URI.
// Only http and https targets are followed; the fragment stays on the client and is dropped.
#pragma once

#include <string>
#include <string_view>

// One request's place: the scheme, the host as the URL names it (an IPv6 address keeps its
// brackets), the port, and the object name that goes on the request line (path and query).
struct RedirectTarget {
    bool ssl = false;
    std::string host;
    unsigned port = 0;
    std::string object;
};

// The target of `location` seen from `from`. False, `to` unspecified, for a location that is
// empty, names another scheme than http or https, carries user information, names no host or a
// host with characters no host name has, or a port that is not 1 to 65535. Spaces, control bytes
// and bytes past ASCII in the object are percent-encoded, as browsers send them.
bool ResolveRedirectLocation(std::string_view location, const RedirectTarget& from, RedirectTarget* to);

// RFC 3986 5.2.4: "." and ".." segments removed from a path.
std::string RemoveDotSegments(std::string_view path);
