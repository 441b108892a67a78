#include "core/redirect_location.h"

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The parts of a reference (RFC 3986, appendix B); the fragment is not kept.
struct Reference {
    bool hasScheme = false;
    std::string_view scheme;
    bool hasAuthority = false;
    std::string_view authority;
    std::string_view path;
    bool hasQuery = false;
    std::string_view query;
};

Reference Split(std::string_view text) {
    Reference r;
    const size_t hash = text.find('#');
    if (hash != std::string_view::npos) text = text.substr(0, hash);
    // scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ), ended by ":" before any "/", "?".
    size_t i = 0;
    if (!text.empty() && IsAlpha(text[0])) {
        i = 1;
        while (i < text.size() && (IsAlpha(text[i]) || IsDigit(text[i]) || text[i] == '+' || text[i] == '-' ||
                                   text[i] == '.'))
            ++i;
        if (i < text.size() && text[i] == ':') {
            r.hasScheme = true;
            r.scheme = text.substr(0, i);
            text = text.substr(i + 1);
        }
    }
    if (text.substr(0, 2) == "//") {
        r.hasAuthority = true;
        const size_t end = text.find_first_of("/?", 2);
        r.authority = text.substr(2, end == std::string_view::npos ? std::string_view::npos : end - 2);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end);
    }
    const size_t question = text.find('?');
    r.path = text.substr(0, question);
    if (question != std::string_view::npos) {
        r.hasQuery = true;
        r.query = text.substr(question + 1);
    }
    return r;
}

// A host as a URL may name it: a bracketed address, or a name of the characters RFC 3986 allows
// in a registered name (percent escapes included).
bool HostAcceptable(std::string_view host) {
    if (host.empty()) return false;
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']') return false;
        for (char c : host.substr(1, host.size() - 2))
            if (!(IsDigit(c) || (Lower(c) >= 'a' && Lower(c) <= 'f') || c == ':' || c == '.')) return false;
        return true;
    }
    for (char c : host) {
        const bool unreserved = IsAlpha(c) || IsDigit(c) || c == '-' || c == '.' || c == '_' || c == '~';
        const bool subDelim = c == '!' || c == '$' || c == '&' || c == '\'' || c == '(' || c == ')' || c == '*' ||
                              c == '+' || c == ',' || c == ';' || c == '=';
        if (!unreserved && !subDelim && c != '%') return false;
    }
    return true;
}

// Host and port of an authority; the port is the scheme's own when none is written.
bool SplitAuthority(std::string_view authority, bool ssl, RedirectTarget* to) {
    if (authority.find('@') != std::string_view::npos) return false;
    size_t hostEnd = authority.size();
    if (!authority.empty() && authority.front() == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos) return false;
        hostEnd = close + 1;
        if (hostEnd < authority.size() && authority[hostEnd] != ':') return false;
    } else {
        const size_t colon = authority.rfind(':');
        if (colon != std::string_view::npos) hostEnd = colon;
    }
    const std::string_view host = authority.substr(0, hostEnd);
    if (!HostAcceptable(host)) return false;
    to->host.assign(host.data(), host.size());
    to->port = ssl ? 443 : 80;
    if (hostEnd < authority.size()) {
        const std::string_view digits = authority.substr(hostEnd + 1);
        if (digits.size() > 5) return false;
        unsigned port = 0;
        for (char c : digits) {
            if (!IsDigit(c)) return false;
            port = port * 10 + static_cast<unsigned>(c - '0');
        }
        // "host:" with nothing after the colon keeps the scheme's port.
        if (!digits.empty()) {
            if (port < 1 || port > 65535) return false;
            to->port = port;
        }
    }
    return true;
}

// RFC 3986 5.2.3: the reference's path in the folder of the base path.
std::string Merge(std::string_view basePath, std::string_view path) {
    const size_t slash = basePath.rfind('/');
    std::string merged = slash == std::string_view::npos ? std::string("/") : std::string(basePath.substr(0, slash + 1));
    merged.append(path.data(), path.size());
    return merged;
}

void AppendEncoded(std::string& out, std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string RemoveDotSegments(std::string_view input) {
    std::string output;
    while (!input.empty()) {
        if (input.substr(0, 3) == "../") {
            input.remove_prefix(3);
        } else if (input.substr(0, 2) == "./") {
            input.remove_prefix(2);
        } else if (input.substr(0, 3) == "/./") {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.substr(0, 4) == "/../" || input == "/..") {
            input = input.size() == 3 ? std::string_view("/") : input.substr(3);
            const size_t last = output.rfind('/');
            output.erase(last == std::string::npos ? 0 : last);
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const size_t next = input.find('/', 1);
            const std::string_view segment = input.substr(0, next);
            output.append(segment.data(), segment.size());
            input.remove_prefix(segment.size());
        }
    }
    return output;
}

bool ResolveRedirectLocation(std::string_view location, const RedirectTarget& from, RedirectTarget* to) {
    if (!to) return false;
    location = Trimmed(location);
    if (location.empty()) return false;
    const Reference r = Split(location);
    // The base: the object of the request that was answered, its path rooted.
    std::string_view baseObject = from.object;
    const size_t question = baseObject.find('?');
    std::string basePath(baseObject.substr(0, question));
    if (basePath.empty() || basePath[0] != '/') basePath = '/' + basePath;
    const bool baseHasQuery = question != std::string_view::npos;
    const std::string_view baseQuery = baseHasQuery ? baseObject.substr(question + 1) : std::string_view();

    RedirectTarget result = from;
    std::string path;
    bool hasQuery = r.hasQuery;
    std::string_view query = r.query;
    if (r.hasScheme) {
        if (EqualNoCase(r.scheme, "https")) {
            result.ssl = true;
        } else if (EqualNoCase(r.scheme, "http")) {
            result.ssl = false;
        } else {
            return false;
        }
        // An http URL always names its host.
        if (!r.hasAuthority) return false;
    }
    if (r.hasAuthority) {
        if (!SplitAuthority(r.authority, result.ssl, &result)) return false;
        path = RemoveDotSegments(r.path);
    } else if (r.path.empty()) {
        path = basePath;
        if (!r.hasQuery) {
            hasQuery = baseHasQuery;
            query = baseQuery;
        }
    } else if (r.path[0] == '/') {
        path = RemoveDotSegments(r.path);
    } else {
        path = RemoveDotSegments(Merge(basePath, r.path));
    }
    if (path.empty() || path[0] != '/') path = '/' + path;
    result.object.clear();
    AppendEncoded(result.object, path);
    if (hasQuery) {
        result.object += '?';
        AppendEncoded(result.object, query);
    }
    *to = result;
    return true;
}
