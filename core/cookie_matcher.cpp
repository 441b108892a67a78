#include "core/cookie_matcher.h"

#include <algorithm>

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

}  // namespace

bool ParseCookieRequest(std::string_view url, CookieRequest* out) {
    if (!out) return false;
    size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos || schemeEnd == 0) return false;
    std::string_view scheme = url.substr(0, schemeEnd);
    for (char c : scheme)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
              c == '.'))
            return false;
    std::string_view rest = url.substr(schemeEnd + 3);
    size_t authorityEnd = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, authorityEnd);
    size_t at = authority.rfind('@');
    if (at != std::string_view::npos) authority = authority.substr(at + 1);
    std::string_view host;
    if (!authority.empty() && authority[0] == '[') {
        size_t close = authority.find(']');
        if (close == std::string_view::npos) return false;
        host = authority.substr(1, close - 1);
    } else {
        host = authority.substr(0, authority.find(':'));
    }
    if (host.empty() || host[0] == '.') return false;

    std::string path = "/";
    if (authorityEnd != std::string_view::npos && rest[authorityEnd] == '/') {
        std::string_view tail = rest.substr(authorityEnd);
        path.assign(tail.substr(0, tail.find_first_of("?#")));
    }
    out->host.assign(host);
    std::transform(out->host.begin(), out->host.end(), out->host.begin(), Lower);
    out->path = std::move(path);
    out->secure = EqualNoCase(scheme, "https");
    return true;
}

bool IsIpAddressHost(std::string_view host) {
    if (host.find(':') != std::string_view::npos) return true;  // IPv6
    if (host.empty() || host[0] == '.') return false;
    int parts = 1;
    size_t digits = 0;
    for (char c : host) {
        if (c == '.') {
            if (digits == 0) return false;
            ++parts;
            digits = 0;
        } else if (c >= '0' && c <= '9') {
            if (++digits > 3) return false;
        } else {
            return false;
        }
    }
    return parts == 4 && digits > 0;
}

bool DomainMatches(std::string_view host, std::string_view domain) {
    if (domain.empty() || host.empty()) return false;
    if (EqualNoCase(host, domain)) return true;
    if (host.size() <= domain.size() + 1 || IsIpAddressHost(host)) return false;
    size_t start = host.size() - domain.size();
    return host[start - 1] == '.' && EqualNoCase(host.substr(start), domain);
}

bool PathMatches(std::string_view requestPath, std::string_view cookiePath) {
    if (cookiePath.empty()) cookiePath = "/";
    if (requestPath.empty()) requestPath = "/";
    if (requestPath == cookiePath) return true;
    if (requestPath.size() <= cookiePath.size() || requestPath.substr(0, cookiePath.size()) != cookiePath)
        return false;
    return cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

bool CookieMatches(const CookieRequest& request, std::string_view cookieHost, std::string_view cookiePath,
                   bool secureOnly) {
    if (secureOnly && !request.secure) return false;
    bool hostMatches;
    if (!cookieHost.empty() && cookieHost[0] == '.') hostMatches = DomainMatches(request.host, cookieHost.substr(1));
    else hostMatches = !cookieHost.empty() && EqualNoCase(request.host, cookieHost);
    return hostMatches && PathMatches(request.path, cookiePath);
}

bool CookieHeaderBuilder::Add(std::string_view name, std::string_view value) {
    static constexpr std::string_view kPrefix = "Cookie: ";
    static constexpr std::string_view kSeparator = "; ";
    if (m_full) return false;
    static constexpr std::string_view kBreaks("\r\n\0", 3);
    if (name.find_first_of(kBreaks) != std::string_view::npos || value.find_first_of(kBreaks) != std::string_view::npos)
        return false;
    std::string_view lead = m_text.empty() ? kPrefix : kSeparator;
    size_t needed = lead.size() + name.size() + 1 + value.size();
    if (needed > m_limit || m_text.size() > m_limit - needed) {
        m_full = true;
        return false;
    }
    m_text.append(lead).append(name).append("=").append(value);
    return true;
}
