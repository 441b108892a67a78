#include "core/wininet_api.h"

namespace {

template <typename Fn>
void Bind(HMODULE module, Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(GetProcAddress(module, name));
}

}  // namespace

bool SystemWinInet::Load(WinInetApi* api) {
    *api = WinInetApi{};
    HMODULE module = LoadLibraryA("wininet.dll");
    if (!module) return false;
    api->module = module;
    Bind(module, api->InternetOpen, "InternetOpenA");
    Bind(module, api->InternetConnect, "InternetConnectA");
    Bind(module, api->HttpOpenRequest, "HttpOpenRequestA");
    Bind(module, api->InternetReadFile, "InternetReadFile");
    Bind(module, api->InternetWriteFile, "InternetWriteFile");
    Bind(module, api->InternetCloseHandle, "InternetCloseHandle");
    Bind(module, api->HttpAddRequestHeaders, "HttpAddRequestHeadersA");
    Bind(module, api->InternetGetCookie, "InternetGetCookieA");
    Bind(module, api->InternetQueryOption, "InternetQueryOptionA");
    Bind(module, api->InternetSetOption, "InternetSetOptionA");
    Bind(module, api->HttpSendRequest, "HttpSendRequestA");
    Bind(module, api->HttpSendRequestEx, "HttpSendRequestExA");
    Bind(module, api->HttpEndRequest, "HttpEndRequestA");
    Bind(module, api->HttpQueryInfo, "HttpQueryInfoA");
    Bind(module, api->InternetErrorDlg, "InternetErrorDlg");
    Bind(module, api->FtpFindFirstFile, "FtpFindFirstFileA");
    Bind(module, api->FtpOpenFile, "FtpOpenFileA");
    Bind(module, api->FtpDeleteFile, "FtpDeleteFileA");
    // A transfer needs the calls of every step; a library without one of them is no WinInet.
    if (!api->InternetOpen || !api->InternetConnect || !api->HttpOpenRequest || !api->InternetReadFile ||
        !api->InternetWriteFile || !api->InternetCloseHandle || !api->HttpAddRequestHeaders ||
        !api->HttpSendRequestEx || !api->HttpEndRequest || !api->HttpQueryInfo) {
        Unload(api);
        return false;
    }
    return true;
}

void SystemWinInet::Unload(WinInetApi* api) {
    if (api->module) FreeLibrary(api->module);
    *api = WinInetApi{};
}

SystemWinInet& SystemWinInet::Instance() {
    static SystemWinInet instance;
    return instance;
}
