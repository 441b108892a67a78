#include "core/ostrel_base.h"

DWORD COstrelBase::ShowInternetErrorDialog(HMODULE wininet, HANDLE request, DWORD status, DWORD flags, LPVOID* data) {
    typedef DWORD(WINAPI * ErrorDlgFn)(HWND, HANDLE, DWORD, DWORD, LPVOID*);
    if (!wininet) return ERROR_INVALID_FUNCTION;
    auto dialog = reinterpret_cast<ErrorDlgFn>(GetProcAddress(wininet, "InternetErrorDlg"));
    return dialog ? dialog(nullptr, request, status, flags, data) : ERROR_INVALID_FUNCTION;
}

HGLOBAL COstrelBase::GetCookieHeader(const char*, InternetGetCookieFn) { return nullptr; }
