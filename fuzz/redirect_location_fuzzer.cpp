// Locations of any bytes against a fixed request: a followed target is well formed, resolving it
// again as an absolute location gives itself, and the cookie matcher reads from its URL the very
// host the request is sent to (the cookies chosen are those of the server that gets them).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/cookie_matcher.h"
#include "core/redirect_location.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string location(reinterpret_cast<const char*>(data), size);
    RedirectTarget from;
    from.host = "127.0.0.1";
    from.port = 8080;
    from.object = "/up/load.php?next=/a/b";
    RedirectTarget to;
    if (!ResolveRedirectLocation(location, from, &to)) return 0;
    if (to.host.empty() || to.port < 1 || to.port > 65535) abort();
    if (to.object.empty() || to.object[0] != '/') abort();
    for (char c : to.object) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || c == '#') abort();
    }
    const std::string path = to.object.substr(0, to.object.find('?'));
    if (path.find("/./") != std::string::npos || path.find("/../") != std::string::npos) abort();
    const std::string url = (to.ssl ? "https://" : "http://") + to.host + ":" + std::to_string(to.port) + to.object;
    RedirectTarget again;
    if (!ResolveRedirectLocation(url, from, &again)) abort();
    if (again.ssl != to.ssl || again.host != to.host || again.port != to.port || again.object != to.object) abort();
    CookieRequest request;
    if (!ParseCookieRequest(url, &request)) return 0;
    std::string host = to.host;
    if (host.front() == '[') host = host.substr(1, host.size() - 2);
    for (char& c : host)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (request.host != host) abort();
    return 0;
}
