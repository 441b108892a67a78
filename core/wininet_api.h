// Every WinInet entry point the transfer layer calls, in one table of function pointers. The
// real table is bound by name from "wininet.dll", loaded for each transfer; a test hands the
// engine a source that fills the table with its own functions to script what a real server
// cannot produce.
#pragma once

#include <windows.h>
#include <wininet.h>

struct WinInetApi {
    HMODULE module = nullptr;
    decltype(&InternetOpenA) InternetOpen = nullptr;
    decltype(&InternetConnectA) InternetConnect = nullptr;
    decltype(&HttpOpenRequestA) HttpOpenRequest = nullptr;
    decltype(&InternetReadFile) InternetReadFile = nullptr;
    decltype(&InternetWriteFile) InternetWriteFile = nullptr;
    decltype(&InternetCloseHandle) InternetCloseHandle = nullptr;
    decltype(&HttpAddRequestHeadersA) HttpAddRequestHeaders = nullptr;
    decltype(&InternetGetCookieA) InternetGetCookie = nullptr;
    decltype(&InternetQueryOptionA) InternetQueryOption = nullptr;
    decltype(&InternetSetOptionA) InternetSetOption = nullptr;
    decltype(&HttpSendRequestA) HttpSendRequest = nullptr;
    decltype(&HttpSendRequestExA) HttpSendRequestEx = nullptr;
    decltype(&HttpEndRequestA) HttpEndRequest = nullptr;
    decltype(&HttpQueryInfoA) HttpQueryInfo = nullptr;
    decltype(&InternetErrorDlg) InternetErrorDlg = nullptr;
    // FTP: looked up with the rest, checked only by the FTP transfers.
    decltype(&FtpFindFirstFileA) FtpFindFirstFile = nullptr;
    decltype(&FtpOpenFileA) FtpOpenFile = nullptr;
    decltype(&FtpDeleteFileA) FtpDeleteFile = nullptr;

    bool HasFtp() const { return FtpFindFirstFile && FtpOpenFile && FtpDeleteFile; }
};

// Where a transfer gets its table from.
class WinInetSource {
public:
    virtual ~WinInetSource() = default;
    // Fills the table; false when the library cannot be loaded.
    virtual bool Load(WinInetApi* api) = 0;
    virtual void Unload(WinInetApi* api) = 0;
};

// The system's WinInet, loaded by name and bound by function name.
class SystemWinInet : public WinInetSource {
public:
    bool Load(WinInetApi* api) override;
    void Unload(WinInetApi* api) override;
    static SystemWinInet& Instance();
};
