// The handles of one download or FTP transfer, closed in reverse order with the library
// unloaded after them, whichever way the transfer ends.
#pragma once

#include "core/wininet_api.h"

struct InternetSession {
    InternetSession(WinInetSource* source, WinInetApi* api) : source(source), api(api) {}
    InternetSession(const InternetSession&) = delete;
    InternetSession& operator=(const InternetSession&) = delete;
    ~InternetSession() { Close(); }

    // Closes one handle at once (an FTP session allows one operation at a time).
    void CloseHandleNow(HINTERNET& handle) {
        if (handle && api->InternetCloseHandle) api->InternetCloseHandle(handle);
        handle = nullptr;
    }
    void Close() {
        CloseHandleNow(item);
        CloseHandleNow(connection);
        CloseHandleNow(internet);
        if (loaded) source->Unload(api);
        loaded = false;
    }

    WinInetSource* source;
    WinInetApi* api;
    bool loaded = false;
    HINTERNET internet = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET item = nullptr;  // the HTTP request or the FTP file
};
