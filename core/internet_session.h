// The handles of one transfer, closed in reverse order with the library unloaded after them,
// whichever way the transfer ends; the engine's running flag is set for the session's life.
#pragma once

#include "core/wininet_api.h"

struct InternetSession {
    InternetSession(WinInetSource* source, WinInetApi* api, bool* running)
        : source(source), api(api), running(running) {
        *running = true;
    }
    InternetSession(const InternetSession&) = delete;
    InternetSession& operator=(const InternetSession&) = delete;
    ~InternetSession() {
        Close();
        *running = false;
    }

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
    bool* running;
    bool loaded = false;
    HINTERNET internet = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET item = nullptr;  // the HTTP request or the FTP file
};
