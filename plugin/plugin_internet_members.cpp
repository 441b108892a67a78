// Script members of the plug-in: uploads, downloads, credentials, proxies, certificates and cookies.
#include "plugin/browser_cookie_route.h"
#include "plugin/plugin_instance.h"

bool PluginInstance::RunInternetMember(MemberAccess, int, const std::vector<ScriptValue>&, ScriptValue&, NPVariant*) {
    return false;
}

HGLOBAL PluginInstance::GetCookieHeader(const char* url, InternetGetCookieFn getCookie) {
    // The browser's cookies when its cookie service can be reached; the page's SetCookie text or
    // the system's cookie store only when it cannot.
    HGLOBAL header = nullptr;
    if (BrowserCookieHeader(url, &header)) return header;
    return CBrowserAddOnBase::GetCookieHeader(url, getCookie);
}
