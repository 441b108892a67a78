// Request URLs and cookie hosts of any bytes: a parsed request is well formed, a request always
// matches a host-only cookie of its own host, and a domain cookie matches only a host that ends
// with its domain at a label boundary (checked here by building the host from the parts).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/cookie_matcher.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t split = text.find('\n');
    std::string url = text.substr(0, split);
    std::string domain = split == std::string::npos ? std::string() : text.substr(split + 1);
    CookieRequest r;
    if (ParseCookieRequest(url, &r)) {
        if (r.host.empty() || r.path.empty() || r.path[0] != '/') abort();
        for (char c : r.host)
            if (c >= 'A' && c <= 'Z') abort();
        if (!CookieMatches(r, r.host, "/", false)) abort();
        if (!CookieMatches(r, r.host, r.path, false)) abort();
        if (CookieMatches(r, r.host, "/", true) != r.secure) abort();
    }
    if (!domain.empty() && domain.find('.') == std::string::npos) {
        std::string host = "sub." + domain;
        if (!DomainMatches(host, domain) && !IsIpAddressHost(host)) abort();
        if (DomainMatches("x" + domain, domain)) abort();
    }
    CookieHeaderBuilder b(size);
    b.Add(url, domain);
    b.Add(domain, url);
    if (b.Text().size() > size) abort();
    return 0;
}
