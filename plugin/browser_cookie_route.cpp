// The request cookies of the plug-in: the browser's own cookie store through its XPCOM runtime
// (service manager, cookie manager, enumerator, one nsICookie per element), matched to the
// request URL.
#include "plugin/browser_cookie_route.h"

#include <cstring>

#include "core/cookie_matcher.h"
#include "plugin/xpcom_glue.h"

namespace {

// The header text under construction is held to the size of the work area it always had.
constexpr size_t kCookieWorkArea = 1228800;
// A store never hands out more elements than this; an enumerator that claims more is not followed.
constexpr int kMaxCookieElements = 1000000;

struct BrowserCookie {
    std::string host, path, name, value;
    bool secureOnly = true;
};

template <auto Getter>
bool ReadText(const XpcomRuntime& runtime, nsICookie* cookie, std::string* out) {
    XpcomString text(runtime);
    if (!text.Ready() || NS_FAILED((cookie->*Getter)(text.Target()))) return false;
    *out = text.Text();
    return true;
}

// False when the cookie cannot be read whole; an unreadable secure flag counts as secure.
bool ReadCookie(const XpcomRuntime& runtime, nsICookie* cookie, BrowserCookie* out) {
    if (!ReadText<&nsICookie::GetHost>(runtime, cookie, &out->host) ||
        !ReadText<&nsICookie::GetPath>(runtime, cookie, &out->path) ||
        !ReadText<&nsICookie::GetName>(runtime, cookie, &out->name) ||
        !ReadText<&nsICookie::GetValue>(runtime, cookie, &out->value))
        return false;
    PRBool secure = 0;
    out->secureOnly = NS_FAILED(cookie->GetIsSecure(&secure)) || PRBoolIsTrue(secure);
    return true;
}

// The browser's cookies for the request; false when the browser offers no service manager.
bool CollectBrowserCookies(const char* url, CookieHeaderBuilder* header) {
    XpcomRuntime runtime;
    if (!BindXpcomRuntime(&runtime)) return false;
    XpcomRef<nsIServiceManager> services;
    if (NS_FAILED(runtime.getServiceManager(services.Out())) || !services) return false;
    CookieRequest request;
    if (!url || !ParseCookieRequest(url, &request)) return true;
    XpcomRef<nsICookieManager> manager;
    if (NS_FAILED(services->GetServiceByContractID(kCookieManagerContractId, kIID_nsICookieManager,
                                                   manager.OutVoid())) ||
        !manager)
        return true;
    XpcomRef<nsISimpleEnumerator> cookies;
    if (NS_FAILED(manager->GetEnumerator(cookies.Out())) || !cookies) return true;
    for (int n = 0; n < kMaxCookieElements && !header->Full(); ++n) {
        PRBool more = 0;
        if (NS_FAILED(cookies->HasMoreElements(&more)) || !PRBoolIsTrue(more)) break;
        XpcomRef<nsISupports> element;
        if (NS_FAILED(cookies->GetNext(element.Out())) || !element) break;
        XpcomRef<nsICookie> cookie;
        if (NS_FAILED(element->QueryInterface(kIID_nsICookie, cookie.OutVoid())) || !cookie) continue;
        BrowserCookie c;
        if (ReadCookie(runtime, cookie.Get(), &c) && CookieMatches(request, c.host, c.path, c.secureOnly))
            header->Add(c.name, c.value);
    }
    return true;
}

}  // namespace

bool BrowserCookieHeader(const char* url, HGLOBAL* header) {
    if (!header) return false;
    *header = nullptr;
    CookieHeaderBuilder text(kCookieWorkArea - 1);
    if (!CollectBrowserCookies(url, &text)) return false;
    if (text.Empty()) return true;
    const std::string& line = text.Text();
    *header = GlobalAlloc(GPTR, line.size() + 1);
    if (*header) std::memcpy(*header, line.c_str(), line.size() + 1);
    return true;
}
