// The HTTP(S) upload of COstrelBase: POST with a multipart/form-data body or PUT of the bare
// file, the send stage with its retries, and the reading of the server's answer.
#include <cstring>
#include <string>
#include <vector>

#include "capture/debug_log.h"
#include "core/multipart_body.h"
#include "base/error_codes.h"
#include "core/ostrel_base.h"
#include "core/internet_common.h"
#include "core/http_session.h"
#include "core/transfer_thread.h"

namespace {

// Bounds of the loops a misbehaving server or a user could otherwise keep going for ever.
constexpr int kMaxForcedResends = 3;
constexpr int kMaxErrorDialogs = 3;

// The file name in the system code page, as UTF-8.
std::string AnsiToUtf8(const char* text) {
    if (!text || !*text) return {};
    int wide = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (wide <= 0) return {};
    std::vector<wchar_t> w(wide);
    MultiByteToWideChar(CP_ACP, 0, text, -1, w.data(), wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string out(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), -1, out.data(), bytes, nullptr, nullptr);
    out.resize(bytes - 1);
    return out;
}

}  // namespace

bool COstrelBase::MakeServerUrl(const char* server, bool ssl, char (&url)[MAX_PATH]) {
    const char* prefix = ssl ? "https://" : "http://";
    std::string text = StartsWithNoCase(server, prefix) ? server : std::string(prefix) + server;
    memset(url, 0, sizeof(url));
    if (text.size() >= MAX_PATH) return false;
    memcpy(url, text.c_str(), text.size());
    return true;
}

BOOL COstrelBase::HTTPUploadThroughPostEx(const char* server, const char* actionPage, const char* fileName,
                                          const UploadSource& source, const char* fieldName, LONG imageType) {
    return RunHttpUpload(server, actionPage, fileName, source, fieldName, imageType, true);
}

BOOL COstrelBase::HTTPUploadThroughPutEx(const char* server, const char* actionPage, const UploadSource& source,
                                         LONG imageType) {
    return RunHttpUpload(server, actionPage, nullptr, source, nullptr, imageType, false);
}

BOOL COstrelBase::RunHttpUpload(const char* server, const char* actionPage, const char* fileName,
                                const UploadSource& source, const char* fieldName, LONG imageType, bool isPost) {
    if (!BeginTransfer(imageType)) return FALSE;
    if (!server) server = "";
    if (!actionPage) actionPage = "";
    HttpSession s(*this);
    if (!MakeServerUrl(server, m_ifSSL == 1, s.url)) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    if (!LoadWinInet(s.handles, false)) return FALSE;
    HGLOBAL body = nullptr;
    uint64_t bodySize = 0;
    BOOL result = FALSE;
    if (BuildUploadBody(source, imageType, isPost, fileName, fieldName, &body, &bodySize) &&
        OpenSession(s.handles, server, false)) {
        bool noneYet = false;
        // None succeeded yet counts as the same server.
        m_sameServer = IsLastSuccessfulServer(s.url, &noneYet) || noneYet ? 1 : 0;
        const HopTarget page = PageTarget(server, actionPage);
        result = isPost ? PostUpload(s, page, body, bodySize) : PutUpload(s, page, body, bodySize);
    }
    s.handles.Close();
    if (body) GlobalFree(body);
    return result;
}

std::vector<MultipartField> COstrelBase::FormFields() const {
    std::vector<MultipartField> fields;
    for (int i = 0; i < m_formFieldCount; ++i) {
        fields.push_back({static_cast<const char*>(m_formFields[i].name), static_cast<const char*>(m_formFields[i].value)});
    }
    return fields;
}

bool COstrelBase::BuildUploadBody(const UploadSource& source, LONG imageType, bool isPost, const char* fileName,
                                  const char* fieldName, HGLOBAL* body, uint64_t* bodySize) {
    if (isPost && imageType == kUploadLocalFile) {
        return BuildLocalFileBody(source.LocalPath(), fileName, fieldName, body, bodySize);
    }
    uint64_t fileSize = 0;
    HGLOBAL file = EncodeUploadImageFile(source, imageType, &fileSize);
    if (!file) return false;
    if (m_maxUploadImageSize != -1 && static_cast<int64_t>(fileSize) >= static_cast<int64_t>(m_maxUploadImageSize)) {
        GlobalFree(file);
        SetErrorCode(kErrUploadTooBig);
        return false;
    }
    if (!isPost) {
        if (fileSize > 0x7FFFFFFFull) {
            GlobalFree(file);
            SetErrorCode(kErrUploadTooBig);
            return false;
        }
        *body = file;
        *bodySize = fileSize;
        return true;
    }
    std::vector<MultipartField> fields = FormFields();
    std::string name = AnsiToUtf8(fileName);
    int built = BuildMultipartBody(fields.data(), static_cast<int>(fields.size()), fieldName ? fieldName : "",
                                   name.c_str(), static_cast<const BYTE*>(file), fileSize, body, bodySize);
    GlobalFree(file);
    if (built != kMultipartOk) {
        SetErrorCode(built);
        return false;
    }
    return true;
}

bool COstrelBase::BuildLocalFileBody(const char* path, const char* fileName, const char* fieldName, HGLOBAL* body,
                                     uint64_t* bodySize) {
    // The file is read straight into its place in the body: a large file is copied once, not
    // read into a block of its own and copied again. The checks and their codes are those of a
    // file read into memory first.
    DWORD fileSize = 0;
    HANDLE file = OpenFileToRead(path, &fileSize);
    if (file == INVALID_HANDLE_VALUE) {
        if (GetErrorCode() == 0) SetErrorCode(kErrInvalidValue);
        return false;
    }
    struct FileGuard {
        HANDLE handle;
        ~FileGuard() { CloseHandle(handle); }
    } guard{file};
    if (m_maxUploadImageSize != -1 && static_cast<int64_t>(fileSize) >= static_cast<int64_t>(m_maxUploadImageSize)) {
        SetErrorCode(kErrUploadTooBig);
        return false;
    }
    std::vector<MultipartField> fields = FormFields();
    std::string name = AnsiToUtf8(fileName);
    BYTE* fileAt = nullptr;
    int built = LayOutMultipartBody(fields.data(), static_cast<int>(fields.size()), fieldName ? fieldName : "",
                                    name.c_str(), fileSize, body, bodySize, &fileAt);
    if (built != kMultipartOk) {
        SetErrorCode(built);
        return false;
    }
    if (!ReadWholeFile(file, fileAt, fileSize)) {
        GlobalFree(*body);
        *body = nullptr;
        *bodySize = 0;
        return false;
    }
    return true;
}

// The status of a PUT's last answer decides; a redirect the engine does not follow is an answer
// of its own (200 to 399: success).
BOOL COstrelBase::PutUpload(HttpSession& s, const HopTarget& page, HGLOBAL body, uint64_t bodySize) {
    const HopEnd end = SendFollowingRedirects(s, page, HttpVerb::Put, static_cast<const BYTE*>(body),
                                              static_cast<DWORD>(bodySize));
    if (end == HopEnd::Failed || end == HopEnd::SendFailed) return FALSE;
    DWORD status = 0, length = sizeof(status);
    if (!m_api.HttpQueryInfo(s.request, kStatusAsNumber, &status, &length, nullptr)) {
        SetErrorCode(WinInetFailure(GetLastError()));
    } else if (status >= 200 && status <= 399) {
        SetErrorCode(0);
        return TRUE;
    } else if (status >= 400 && status <= 499) {
        SetErrorCode(kErrHttpRequest);
    } else if (status >= 500 && status <= 599) {
        SetErrorCode(kErrHttpServer);
    }
    return FALSE;
}

BOOL COstrelBase::PostUpload(HttpSession& s, const HopTarget& page, HGLOBAL body, uint64_t bodySize) {
    const HopEnd end = SendFollowingRedirects(s, page, HttpVerb::Post, static_cast<const BYTE*>(body),
                                              static_cast<DWORD>(bodySize));
    if (end == HopEnd::Failed) return FALSE;
    // A redirect that leads nowhere this engine goes is no answer to the upload.
    if (end == HopEnd::Unfollowed) {
        SetErrorCode(WinInetFailure(ERROR_HTTP_REDIRECT_FAILED));
        return FALSE;
    }
    const BOOL result = ReadPostAnswer(s, end == HopEnd::Answered) ? TRUE : FALSE;
    if (result) RememberSuccessfulServer(s.url);
    else NoteWithheldCredentials(s);
    return result;
}

bool COstrelBase::ReadPostAnswer(HttpSession& s, bool sent) {
    // A cancelled or cut-off body keeps its own code (-1032 for a cancel): no answer can follow it.
    if (!sent && m_bodyCutOff) return false;
    char answer[kHttpResponseSize] = {};
    DWORD total = 0;
    bool readOk = true;
    while (total < kHttpResponseSize - 1) {
        DWORD got = 0;
        if (!m_api.InternetReadFile(s.request, answer + total, kHttpResponseSize - 1 - total, &got)) {
            readOk = false;
            break;
        }
        if (got == 0) break;
        total += got;
    }
    if (!readOk) {
        if (GetErrorCode() == 0) SetErrorCode(WinInetFailure(GetLastError()));
        return false;
    }
    if (sent && total == 0) {
        // An empty answer is success only with a success status: 404, 500 or 401 are failures.
        DWORD status = 0, length = sizeof(status);
        if (m_api.HttpQueryInfo(s.request, kStatusAsNumber, &status, &length, nullptr) && status >= 400) {
            SetErrorCode(status <= 499 ? kErrHttpRequest : kErrHttpServer);
            return false;
        }
        SetErrorCode(0);
        return true;
    }
    m_transferSubCode = GetErrorCode();
    SetErrorCode(kErrHttpProcess);
    memcpy(m_httpPostResponse, answer, total);
    m_httpPostResponse[total] = 0;
    return false;
}

BOOL COstrelBase::InternetUploadImage(HINTERNET handle, const BYTE* body, DWORD bodySize, BOOL isPost, BOOL isFtp,
                                      bool authenticate) {
    if (DebugLogOn()) DebugLog(0, "InternetUploadImage, bytestoupload:%d, bPost:%d bFtp:%d\r\n", bodySize, isPost, isFtp);
    TransferThreadParams params;
    params.engine = this;
    params.handle = handle;
    params.write = m_api.InternetWriteFile;
    params.data = const_cast<BYTE*>(body);
    params.size = bodySize;
    LONG failure = 0;
    if (isFtp) {
        if (!RunTransferThread(params, true, &failure)) {
            SetErrorCode(failure);
            return FALSE;
        }
        return TRUE;
    }
    bool certTried = false;
    bool retried401 = false;
    int forcedResends = 0;
    int errorDialogs = 0;
    for (;;) {
        if (!SendStage(handle, bodySize, isPost != FALSE, certTried)) return FALSE;
        if (!RunTransferThread(params, true, &failure)) {
            // The body was cut off: ending the request would wait for an answer the server
            // cannot give before the rest of the body. Closing the request handle aborts it.
            m_bodyCutOff = true;
            if (DebugLogOn()) DebugLog(0, "InternetUploadImage: closerequest, last error:%d\r\n", GetLastError());
            SetErrorCode(failure);
            return FALSE;
        }
        if (m_api.HttpEndRequest(handle, nullptr, 0, 0)) {
            if (authenticate && m_sameServer == 1 && !retried401) {
                DWORD status = 0, length = sizeof(status);
                if (m_api.HttpQueryInfo(handle, kStatusAsNumber, &status, &length, nullptr) && status == 401) {
                    PreAuthenticate(handle);
                    retried401 = true;
                    continue;
                }
            }
            return TRUE;
        }
        DWORD error = GetLastError();
        if (error == ERROR_INTERNET_FORCE_RETRY && forcedResends < kMaxForcedResends) {
            ++forcedResends;
            continue;
        }
        if (error == ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED) {
            if (!certTried && m_clientCertificate && m_api.InternetSetOption) {
                certTried = true;
                if (m_api.InternetSetOption(handle, INTERNET_OPTION_CLIENT_CERT_CONTEXT, (void*)m_clientCertificate,
                                            sizeof(CERT_CONTEXT))) {
                    continue;
                }
            }
            if (m_api.InternetErrorDlg && errorDialogs < kMaxErrorDialogs) {
                ++errorDialogs;
                if (m_api.InternetErrorDlg(GetTwainOwnerWindow(), handle, ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED,
                                           kErrorDialogFlags, nullptr) == ERROR_SUCCESS) {
                    continue;
                }
            }
        }
        SetErrorCode(WinInetFailure(error));
        return FALSE;
    }
}

bool COstrelBase::SendStage(HINTERNET request, DWORD bodySize, bool isPost, bool& certTried) {
    std::string headers = isPost ? MultipartRequestHeaders(bodySize) : std::string();
    bool caTried = false;
    for (;;) {
        INTERNET_BUFFERSA buffers{};
        buffers.dwStructSize = sizeof(buffers);
        buffers.lpcszHeader = isPost ? headers.c_str() : nullptr;
        buffers.dwHeadersLength = static_cast<DWORD>(headers.size());
        buffers.dwHeadersTotal = static_cast<DWORD>(headers.size());
        buffers.dwBufferTotal = bodySize;
        if (m_api.HttpSendRequestEx(request, &buffers, nullptr, 0, 0)) return true;
        DWORD error = GetLastError();
        bool options = isPost && m_api.InternetQueryOption && m_api.InternetSetOption;
        if (error == ERROR_INTERNET_INVALID_CA && options && !caTried) {
            caTried = true;
            DWORD flags = 0, length = sizeof(flags);
            m_api.InternetQueryOption(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &length);
            flags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_REVOCATION;
            m_api.InternetSetOption(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof(flags));
            continue;
        }
        if (error == ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED && isPost && !certTried && m_clientCertificate &&
            m_api.InternetSetOption) {
            certTried = true;
            m_api.InternetSetOption(request, INTERNET_OPTION_CLIENT_CERT_CONTEXT, (void*)m_clientCertificate,
                                    sizeof(CERT_CONTEXT));
            continue;
        }
        SetErrorCode(WinInetFailure(error));
        return false;
    }
}

bool COstrelBase::RetryAfterSendError(HINTERNET request, DWORD error, SendRetries& tried) {
    if (error == ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED) {
        if (tried.certificate) return false;
        tried.certificate = true;
        if (m_clientCertificate && m_api.InternetSetOption) {
            m_api.InternetSetOption(request, INTERNET_OPTION_CLIENT_CERT_CONTEXT, (void*)m_clientCertificate,
                                    sizeof(CERT_CONTEXT));
            return true;
        }
        return m_api.InternetErrorDlg &&
               m_api.InternetErrorDlg(GetTwainOwnerWindow(), request, error, kErrorDialogFlags, nullptr) == ERROR_SUCCESS;
    }
    DWORD relax = 0;
    if (error == ERROR_INTERNET_INVALID_CA && !tried.unknownCa) {
        tried.unknownCa = true;
        relax = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
    } else if (error == ERROR_INTERNET_SEC_CERT_REV_FAILED && !tried.revocation) {
        tried.revocation = true;
        relax = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_REVOCATION;
    }
    if (!relax || !m_api.InternetQueryOption || !m_api.InternetSetOption) return false;
    DWORD flags = 0, length = sizeof(flags);
    m_api.InternetQueryOption(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &length);
    flags |= relax;
    m_api.InternetSetOption(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof(flags));
    return true;
}

void COstrelBase::PreAuthenticate(HINTERNET request) {
    if (m_allowPluginAuthentication != 1) return;
    SendRetries tried;
    for (;;) {
        if (m_api.HttpSendRequest && m_api.HttpSendRequest(request, nullptr, 0, nullptr, 0)) break;
        if (!RetryAfterSendError(request, GetLastError(), tried)) break;
    }
    DWORD status = 0, length = sizeof(status);
    if (m_api.HttpQueryInfo(request, kStatusAsNumber, &status, &length, nullptr) && m_api.InternetErrorDlg) {
        m_api.InternetErrorDlg(GetTwainOwnerWindow(), request, GetLastError(), kErrorDialogFlags, nullptr);
    }
}
