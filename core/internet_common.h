// Constants and small helpers that the HTTP uploads, the downloads and the FTP transfers share.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstring>

#include "base/error_codes.h"

constexpr char kInternetAgent[] = "Corvanta";
constexpr DWORD kStatusAsNumber = HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER;
constexpr DWORD kContentLengthAsNumber = HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER;
constexpr DWORD kErrorDialogFlags = FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                    FLAGS_ERROR_UI_FLAGS_GENERATE_DATA;

inline LONG WinInetFailure(DWORD error) { return kErrSystemBase - static_cast<LONG>(error); }

inline bool StartsWithNoCase(const char* text, const char* prefix) {
    return _strnicmp(text, prefix, strlen(prefix)) == 0;
}

// The host part that InternetConnectA takes: the server text without a scheme in front.
inline const char* HostOf(const char* server) {
    if (StartsWithNoCase(server, "https://")) return server + 8;
    if (StartsWithNoCase(server, "http://")) return server + 7;
    if (StartsWithNoCase(server, "ftp://")) return server + 6;
    return server;
}
