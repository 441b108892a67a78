// Which of the browser's cookies go with a request: the request URL's host, path and scheme, and
// the domain, path and secure flag of a cookie, matched as RFC 6265 (sections 5.1.3, 5.1.4 and
// 5.4) says; and the "Cookie: " header line built from the matching cookies within a bound.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// What a request URL tells the matcher. The host is in lower case, without brackets, user
// information or port; the path is the part from the first '/' up to the query or fragment
// ("/" when there is none).
struct CookieRequest {
    std::string host;
    std::string path;
    bool secure = false;  // https
};

// Splits "scheme://[user@]host[:port][/path][?query][#fragment]". False for a text without a
// scheme and "//", or with an empty host or one that begins with a dot.
bool ParseCookieRequest(std::string_view url, CookieRequest* out);

// True for a dotted IPv4 address or an IPv6 address (the host then matches only itself).
bool IsIpAddressHost(std::string_view host);

// RFC 6265 5.1.3: the host equals the domain (any case), or ends with "." + domain and is not an
// IP address.
bool DomainMatches(std::string_view host, std::string_view domain);

// RFC 6265 5.1.4; an empty cookie path counts as "/".
bool PathMatches(std::string_view requestPath, std::string_view cookiePath);

// A cookie as the browser's store keeps it: a host text with a leading '.' is a domain cookie
// (sent to the domain and its subdomains), one without it is sent to that host only.
bool CookieMatches(const CookieRequest& request, std::string_view cookieHost, std::string_view cookiePath,
                   bool secureOnly);

// The header line "Cookie: n1=v1; n2=v2" of at most `limit` characters. A cookie that would take
// the text past the limit is left out, and so is every later one. A name or value holding a line
// break or NUL would end the header early and add request lines of its own: that cookie is left
// out.
class CookieHeaderBuilder {
public:
    explicit CookieHeaderBuilder(size_t limit) : m_limit(limit) {}
    // False when the cookie was left out (after one that did not fit, nothing more is added).
    bool Add(std::string_view name, std::string_view value);
    bool Empty() const { return m_text.empty(); }
    bool Full() const { return m_full; }
    const std::string& Text() const { return m_text; }

private:
    size_t m_limit;
    bool m_full = false;
    std::string m_text;
};
