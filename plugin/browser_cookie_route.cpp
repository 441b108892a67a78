#include "plugin/browser_cookie_route.h"

// This build binds to no browser cookie service yet: every request takes the engine's own header.
bool BrowserCookieHeader(const char*, HGLOBAL* header) {
    if (header) *header = nullptr;
    return false;
}
