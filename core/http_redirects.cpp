// The redirects of every HTTP request of COstrelBase (downloads, PUT and POST uploads), followed
// by the engine itself rather than by WinInet: WinInet's own following takes the connection's
// credentials, the Authorization it made of them and a POST's cookie header along to whatever
// server a Location names. Here each hop gets its own connection, and the credentials go only to
// the scheme, host and port they were given for.
#include <string>

#include "base/error_codes.h"
#include "core/http_session.h"
#include "core/internet_common.h"
#include "core/redirect_location.h"

namespace {

constexpr DWORD kGetFlags = 0x0040F000;
constexpr DWORD kPutFlags = 0x04403380;
constexpr DWORD kPostFlags = 0x0448F000;
constexpr DWORD kAddIfNew = 0x10000000;
// Redirects a request follows before it fails.
constexpr int kMaxRedirects = 5;
// Bound of a send without a body: every kind of retry is made once, and one 401 resend.
constexpr int kMaxSendAttempts = 8;

bool IsRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

COstrelBase::HopTarget COstrelBase::PageTarget(const char* server, const char* page) const {
    HopTarget target;
    target.ssl = m_ifSSL == 1;
    target.host = HostOf(server ? server : "");
    target.port = static_cast<INTERNET_PORT>(m_httpPort);
    target.path = page ? page : "";
    return target;
}

COstrelBase::HopEnd COstrelBase::SendFollowingRedirects(HttpSession& s, const HopTarget& page, HttpVerb verb,
                                                        const BYTE* body, DWORD bodySize) {
    const HttpVerb route = verb;
    HopTarget target = page;
    for (int hop = 0;; ++hop) {
        // Credentials belong to an origin; cookies, as the cookie store keeps them, to a host.
        const bool pageHost = _stricmp(target.host.c_str(), page.host.c_str()) == 0;
        const bool pageOrigin = pageHost && target.ssl == page.ssl && target.port == page.port;
        s.credentialsWithheld = !pageOrigin && m_httpUserName[0] != 0;
        if (hop > 0 && !ConnectHop(s.handles, target, pageOrigin)) return HopEnd::Failed;
        if (!OpenHopRequest(s, target, route, verb, pageHost, hop)) return HopEnd::Failed;
        // Once a transfer, before its first request: a later hop is never pre-authenticated.
        if (hop == 0 && m_sameServer == 0) PreAuthenticate(s.request);
        if (!SendHop(s.request, route, verb, body, bodySize, pageOrigin)) return HopEnd::SendFailed;
        DWORD status = 0, length = sizeof(status);
        if (!m_api.HttpQueryInfo(s.request, kStatusAsNumber, &status, &length, nullptr) || !IsRedirect(status))
            return HopEnd::Answered;
        if (hop >= kMaxRedirects) {
            SetErrorCode(WinInetFailure(ERROR_HTTP_REDIRECT_FAILED));
            return HopEnd::Failed;
        }
        char location[2048] = {};
        DWORD size = sizeof(location) - 1;
        HopTarget next;
        if (!m_api.HttpQueryInfo(s.request, HTTP_QUERY_LOCATION, location, &size, nullptr) ||
            !NextHop(location, target, &next))
            return HopEnd::Unfollowed;
        // 303 asks for the new page; 301 and 302 too after a POST, as browsers do. 307 and 308,
        // and 301 and 302 after a PUT, repeat the request with its body.
        if (status == 303 || (route == HttpVerb::Post && status != 307 && status != 308)) verb = HttpVerb::Get;
        s.handles.CloseHandleNow(s.request);
        s.handles.CloseHandleNow(s.handles.connection);
        target = next;
    }
}

void COstrelBase::NoteWithheldCredentials(HttpSession& s) {
    if (!s.credentialsWithheld || GetErrorCode() != kErrHttpProcess || !s.request) return;
    DWORD status = 0, length = sizeof(status);
    if (m_api.HttpQueryInfo(s.request, kStatusAsNumber, &status, &length, nullptr) && status == HTTP_STATUS_DENIED)
        m_transferSubCode = WinInetFailure(ERROR_ACCESS_DENIED);
}

bool COstrelBase::NextHop(const std::string& location, const HopTarget& from, HopTarget* to) {
    RedirectTarget base;
    base.ssl = from.ssl;
    base.host = from.host;
    base.port = from.port;
    base.object = from.path;
    RedirectTarget next;
    if (!ResolveRedirectLocation(location, base, &next)) return false;
    to->ssl = next.ssl;
    to->host = next.host;
    to->port = static_cast<INTERNET_PORT>(next.port);
    to->path = next.object;
    return true;
}

bool COstrelBase::ConnectHop(InternetSession& s, const HopTarget& target, bool withCredentials) {
    const bool withUser = withCredentials && m_httpUserName[0] != 0;
    s.connection = m_api.InternetConnect(s.internet, target.host.c_str(), target.port,
                                         withUser ? m_httpUserName : nullptr, withUser ? m_httpPassword : nullptr,
                                         INTERNET_SERVICE_HTTP, 0, 0);
    if (!s.connection) {
        SetErrorCode(WinInetFailure(GetLastError()));
        return false;
    }
    return true;
}

bool COstrelBase::OpenHopRequest(HttpSession& s, const HopTarget& target, HttpVerb route, HttpVerb verb,
                                 bool pageHost, int hop) {
    static const char* kAcceptAll[] = {"*/*", nullptr};
    const DWORD routeFlags = route == HttpVerb::Post ? kPostFlags : route == HttpVerb::Put ? kPutFlags : kGetFlags;
    const DWORD flags = routeFlags | INTERNET_FLAG_NO_AUTO_REDIRECT | (target.ssl ? INTERNET_FLAG_SECURE : 0);
    const bool postBody = verb == HttpVerb::Post;
    const char* verbText = postBody ? "POST" : verb == HttpVerb::Put ? "PUT" : "GET";
    s.request = m_api.HttpOpenRequest(s.handles.connection, verbText, target.path.c_str(), nullptr, nullptr,
                                      postBody ? nullptr : kAcceptAll, flags, 0);
    if (!s.request) {
        SetErrorCode(WinInetFailure(GetLastError()));
        return false;
    }
    SetRequestTimeouts(s.request);
    if (route != HttpVerb::Post) return true;
    // The cookies of the page the request goes to: the server's address with the page. The
    // page's own text goes only to the page's server; another one gets the cookies chosen for it.
    const std::string& path = target.path;
    const std::string site = hop == 0 ? std::string(s.url) : (target.ssl ? "https://" : "http://") + target.host;
    const std::string cookieUrl = site + (path.empty() || path[0] != '/' ? "/" : "") + path;
    HGLOBAL cookie = GetCookieHeader(cookieUrl.c_str(), m_api.InternetGetCookie,
                                     pageHost ? CookieScope::PageHost : CookieScope::OtherHost);
    if (cookie) {
        m_api.HttpAddRequestHeaders(s.request, static_cast<const char*>(cookie), static_cast<DWORD>(-1), kAddIfNew);
        GlobalFree(cookie);
    }
    return true;
}

bool COstrelBase::SendHop(HINTERNET request, HttpVerb route, HttpVerb verb, const BYTE* body, DWORD bodySize,
                          bool authenticate) {
    if (verb == HttpVerb::Get) return SendWithoutBody(request, route == HttpVerb::Get && authenticate);
    m_bodyCutOff = false;
    return InternetUploadImage(request, body, bodySize, verb == HttpVerb::Post, FALSE, authenticate) != FALSE;
}

bool COstrelBase::SendWithoutBody(HINTERNET request, bool authenticate) {
    SendRetries tried;
    bool retried401 = false;
    for (int attempt = 0; attempt < kMaxSendAttempts; ++attempt) {
        if (!m_api.HttpSendRequest || !m_api.HttpSendRequest(request, nullptr, 0, nullptr, 0)) {
            const DWORD error = m_api.HttpSendRequest ? GetLastError() : ERROR_PROC_NOT_FOUND;
            if (RetryAfterSendError(request, error, tried)) continue;
            SetErrorCode(WinInetFailure(error));
            return false;
        }
        if (authenticate && m_sameServer == 1 && !retried401) {
            DWORD status = 0, length = sizeof(status);
            if (m_api.HttpQueryInfo(request, kStatusAsNumber, &status, &length, nullptr) &&
                status == HTTP_STATUS_DENIED) {
                PreAuthenticate(request);
                retried401 = true;
                continue;
            }
        }
        return true;
    }
    SetErrorCode(WinInetFailure(ERROR_INTERNET_FORCE_RETRY));
    return false;
}
