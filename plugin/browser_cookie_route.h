// The cookies a browser keeps for a request URL, read through the browser's own cookie service.
#pragma once

#include <windows.h>

// The "Cookie: " header for url from the browser's cookie service. True when the browser's
// service manager was reached: *header is then a new global block (GPTR, freed by the caller)
// or null when no cookie belongs to the URL. False when the browser offers no service manager;
// the engine's own cookie header applies then.
bool BrowserCookieHeader(const char* url, HGLOBAL* header);
