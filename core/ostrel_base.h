// COstrelBase: HTTP(S) and FTP transfer of images, and the engine slots the transfers call.
#pragma once

#include "core/twain_operate_wrapper.h"

// WinInet's InternetGetCookieA, handed to GetCookieHeader.
typedef BOOL(WINAPI* InternetGetCookieFn)(LPCSTR url, LPCSTR name, LPSTR data, LPDWORD size);

class COstrelBase : public CTwainOperateWrapper {
public:
    COstrelBase() = default;
    ~COstrelBase() override = default;

    // Engine slot 15: the internet error dialog, here with no owner window.
    virtual DWORD ShowInternetErrorDialog(HMODULE wininet, HANDLE request, DWORD status, DWORD flags, LPVOID* data);
    // Engine slots 16 and 17: owner and resource module of the transfer dialog.
    virtual HWND GetViewerWindow() { return nullptr; }
    virtual HINSTANCE GetModuleInstance() { return nullptr; }
    // Engine slot 18: transfer progress; the host sets *cancel to 1 when the page cancelled.
    virtual void OnTransferPercentage(SHORT, LONG*) {}
    // Engine slot 19: the "Cookie: " header for a request, a new global-memory text or null.
    virtual HGLOBAL GetCookieHeader(const char* url, InternetGetCookieFn getCookie);
};
