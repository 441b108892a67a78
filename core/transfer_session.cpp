// What every transfer of COstrelBase shares: its start (no other transfer of the engine under
// way, the answer text and sub-code cleared, the image type checked), the WinInet library, the
// session with its proxy and the connection with its port and credentials, and the time-outs of
// a request.
#include "base/error_codes.h"
#include "codecs/image_type.h"
#include "core/internet_common.h"
#include "core/internet_session.h"
#include "core/ostrel_base.h"

bool COstrelBase::BeginTransfer(LONG imageType) {
    if (m_transferRunning) {
        RefuseWhileTransferring();
        return false;
    }
    SetErrorCode(0);
    m_httpPostResponse[0] = 0;
    m_transferSubCode = 0;
    // The formats the file I/O layer encodes to memory (and reads from it), or a file as it is.
    if (!EncodesImagesToMemory(imageType) && imageType != kUploadLocalFile) {
        SetErrorCode(kErrFileExtension);
        return false;
    }
    return true;
}

bool COstrelBase::LoadWinInet(InternetSession& s, bool ftp) {
    if (!m_winInet->Load(&m_api)) {
        SetErrorCode(kErrInternetSession);
        return false;
    }
    s.loaded = true;
    if (ftp && !m_api.HasFtp()) {
        SetErrorCode(kErrInternetSession);
        return false;
    }
    return true;
}

bool COstrelBase::OpenSession(InternetSession& s, const char* server, bool ftp) {
    if (!s.loaded && !LoadWinInet(s, ftp)) return false;
    const char* proxy = m_proxyServer[0] ? m_proxyServer : nullptr;
    s.internet = m_api.InternetOpen(kInternetAgent, proxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_PRECONFIG,
                                    proxy, nullptr, 0);
    if (!s.internet) {
        SetErrorCode(WinInetFailure(GetLastError()));
        return false;
    }
    const char* user = ftp ? m_ftpUserName : m_httpUserName;
    const char* password = ftp ? m_ftpPassword : m_httpPassword;
    bool withUser = user[0] != 0;
    DWORD flags = ftp && m_ifPASVMode == 1 ? INTERNET_FLAG_PASSIVE : 0;
    s.connection = m_api.InternetConnect(s.internet, HostOf(server ? server : ""),
                                         static_cast<INTERNET_PORT>(ftp ? m_ftpPort : m_httpPort),
                                         withUser ? user : nullptr, withUser ? password : nullptr,
                                         ftp ? INTERNET_SERVICE_FTP : INTERNET_SERVICE_HTTP, flags, 0);
    if (!s.connection) {
        SetErrorCode(WinInetFailure(GetLastError()));
        return false;
    }
    return true;
}

void COstrelBase::SetRequestTimeouts(HINTERNET handle) {
    if (m_sendTimeout != 0) {
        DWORD ms = TimeoutMilliseconds(m_sendTimeout);
        m_api.InternetSetOption(handle, INTERNET_OPTION_SEND_TIMEOUT, &ms, sizeof(ms));
    }
    if (m_receiveTimeout != 0) {
        DWORD ms = TimeoutMilliseconds(m_receiveTimeout);
        m_api.InternetSetOption(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof(ms));
    }
}
