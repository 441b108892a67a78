// Downloads of COstrelBase: HTTP(S) GET and FTP retrieve into the image buffer or straight into
// a local file, the FTP upload, and the handing on of downloaded data by its detected type.
#include <cstring>

#include "capture/debug_log.h"
#include "codecs/image_type.h"
#include "core/internet_common.h"
#include "core/http_session.h"
#include "core/internet_session.h"
#include "core/ostrel_base.h"
#include "core/transfer_thread.h"
#include "base/error_codes.h"
#include "engine/module_paths.h"

bool COstrelBase::SetLocalPath(const char* localFile) {
    // The running transfer may be writing to the path.
    if (m_transferRunning) {
        RefuseWhileTransferring();
        return false;
    }
    SetErrorCode(0);
    // A longer path would be cut to another file's name.
    if (!localFile || !*localFile || strlen(localFile) > kMaxLocalPathLength || !PathFits(localFile)) {
        SetErrorCode(kErrInvalidValue);
        return false;
    }
    memset(m_localPath, 0, sizeof(m_localPath));
    strcpy(m_localPath, localFile);
    return true;
}

BOOL COstrelBase::HTTPDownloadDirectly(const char* server, const char* remotePath, const char* localFile) {
    if (!SetLocalPath(localFile)) return FALSE;
    return HTTPDownloadEx(server, remotePath, kUploadLocalFile);
}

BOOL COstrelBase::FTPDownloadDirectly(const char* server, const char* remoteFile, const char* localFile) {
    if (!SetLocalPath(localFile)) return FALSE;
    return FTPDownloadEx(server, remoteFile, kUploadLocalFile);
}

BOOL COstrelBase::HTTPDownloadEx(const char* server, const char* remotePath, LONG imageType) {
    if (!BeginTransfer(imageType)) return FALSE;
    if (!server) server = "";
    HttpSession s(*this);
    if (!MakeServerUrl(server, m_ifSSL == 1, s.url)) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    if (!OpenSession(s.handles, server, false)) return FALSE;
    bool noneYet = false;
    IsLastSuccessfulServer(s.url, &noneYet);
    m_sameServer = noneYet ? 1 : 0;
    // A redirect the engine does not follow is the answer: its body is no file of the page's.
    const HopEnd end = SendFollowingRedirects(s, PageTarget(server, remotePath), HttpVerb::Get, nullptr, 0);
    if (end == HopEnd::Failed || end == HopEnd::SendFailed) return FALSE;
    DWORD length = 0, lengthSize = sizeof(length);
    if (!m_api.HttpQueryInfo(s.request, kContentLengthAsNumber, &length, &lengthSize, nullptr)) {
        SetErrorCode(WinInetFailure(GetLastError()));
        return FALSE;
    }
    if (!InternetDownloadImage(s.request, length, imageType, FALSE)) {
        NoteWithheldCredentials(s);
        return FALSE;
    }
    RememberSuccessfulServer(s.url);
    return TRUE;
}

BOOL COstrelBase::FTPDownloadEx(const char* server, const char* remoteFile, LONG imageType) {
    if (!BeginTransfer(imageType)) return FALSE;
    return RunFtpDownload(server, remoteFile, imageType);
}

BOOL COstrelBase::RunFtpDownload(const char* server, const char* remoteFile, LONG imageType) {
    if (!remoteFile) remoteFile = "";
    InternetSession s(m_winInet, &m_api, &m_transferRunning);
    if (!OpenSession(s, server, true)) return FALSE;
    WIN32_FIND_DATAA found{};
    HINTERNET find = m_api.FtpFindFirstFile(s.connection, remoteFile, &found, INTERNET_FLAG_RELOAD, 0);
    if (!find) {
        SetErrorCode(WinInetFailure(GetLastError()));
        return FALSE;
    }
    // An FTP session runs one operation at a time: the listing ends before the file opens.
    s.CloseHandleNow(find);
    if (found.nFileSizeHigh != 0) {
        SetErrorCode(kErrFtpTooBig);
        return FALSE;
    }
    s.item = m_api.FtpOpenFile(s.connection, remoteFile, GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
    if (!s.item) {
        SetErrorCode(WinInetFailure(GetLastError()));
        return FALSE;
    }
    SetRequestTimeouts(s.item);
    return InternetDownloadImage(s.item, found.nFileSizeLow, imageType, TRUE);
}

BOOL COstrelBase::InternetDownloadImage(HINTERNET handle, DWORD byteCount, LONG imageType, BOOL isFtp) {
    if (DebugLogOn()) DebugLog(0, "InternetDownloadImage, bytestodownload:%d, bFtp:%d\r\n", byteCount, isFtp);
    // The size comes from the server: a huge one is refused before anything is allocated.
    if (byteCount > kMaxDownloadBytes) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    // Zero-filled in one pass before the reads rather than by the allocator: a large block comes
    // unmapped from the system, and each of its pages would otherwise be faulted in from inside a
    // socket read, which costs more than the whole pass.
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, byteCount ? byteCount : 1);
    if (!block) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    memset(block, 0, byteCount ? byteCount : 1);
    TransferThreadParams params;
    params.engine = this;
    params.handle = handle;
    params.read = m_api.InternetReadFile;
    params.data = static_cast<BYTE*>(block);
    params.size = byteCount;
    LONG failure = 0;
    bool ok = RunTransferThread(params, false, &failure);
    if (!ok) {
        // Fewer bytes than announced, or none: nothing half-downloaded is used. The read's own
        // code (-3000 - n) or the cancel's -1032 is the result.
        SetErrorCode(failure);
    } else {
        ok = HandDownloadOn(handle, static_cast<BYTE*>(block), byteCount, imageType, isFtp != FALSE);
    }
    GlobalFree(block);
    return ok ? TRUE : FALSE;
}

void COstrelBase::KeepResponseText(const BYTE* data, DWORD size) {
    DWORD n = size < kHttpResponseSize - 1 ? size : static_cast<DWORD>(kHttpResponseSize - 1);
    memcpy(m_httpPostResponse, data, n);
    m_httpPostResponse[n] = 0;
}

bool COstrelBase::HandDownloadOn(HINTERNET handle, BYTE* data, DWORD size, LONG imageType, bool isFtp) {
    bool known = true;
    if (imageType != kUploadLocalFile) {
        SHORT detected = 0;
        known = ::DetectImageType(data, size, &detected) != FALSE;
        if (known) imageType = detected;
        if (!known && isFtp) {
            SetErrorCode(kErrFormatUnsupported);
            return false;
        }
        if (!known) m_transferSubCode = kErrFormatUnsupported;
    }
    if (!isFtp) {
        DWORD status = 0, length = sizeof(status);
        if (!m_api.HttpQueryInfo(handle, kStatusAsNumber, &status, &length, nullptr)) {
            SetErrorCode(WinInetFailure(GetLastError()));
            return false;
        }
        // The engine follows the redirects it can; one it could not follow (no Location, another
        // scheme) leaves its own 3xx answer, whose body is not the file asked for: written to the
        // local path it would replace the page's file with it and report success.
        if (status >= 300 || !known) {
            SetErrorCode(kErrHttpProcess);
            KeepResponseText(data, size);
            return false;
        }
    }
    SetErrorCode(0);
    // A document's own settings (PDF) do not become the engine's.
    const BOOL loaded = imageType == kUploadLocalFile ? WriteMemoryToFile(m_localPath, data, size)
                                                      : LoadEncodedImage(imageType, size, data, nullptr);
    if (!loaded && GetErrorCode() == 0) SetErrorCode(kErrGeneralFailure);
    return loaded != FALSE;
}

BOOL COstrelBase::FTPUploadEx(const char* server, const char* remoteFile, const UploadSource& source,
                              LONG imageType) {
    if (!BeginTransfer(imageType)) return FALSE;
    if (!remoteFile) remoteFile = "";
    InternetSession s(m_winInet, &m_api, &m_transferRunning);
    if (!LoadWinInet(s, true)) return FALSE;
    uint64_t size = 0;
    HGLOBAL body = EncodeUploadImageFile(source, imageType, &size);
    if (!body) return FALSE;
    struct BodyGuard {
        HGLOBAL block;
        ~BodyGuard() { GlobalFree(block); }
    } guard{body};
    if ((m_maxUploadImageSize != -1 && static_cast<int64_t>(size) >= static_cast<int64_t>(m_maxUploadImageSize)) ||
        size > 0x7FFFFFFFull) {
        SetErrorCode(kErrUploadTooBig);
        return FALSE;
    }
    if (!OpenSession(s, server, true)) return FALSE;
    s.item = m_api.FtpOpenFile(s.connection, remoteFile, GENERIC_WRITE, FTP_TRANSFER_TYPE_BINARY, 0);
    if (!s.item) {
        SetErrorCode(WinInetFailure(GetLastError()));
        return FALSE;
    }
    SetRequestTimeouts(s.item);
    BOOL written = InternetUploadImage(s.item, static_cast<const BYTE*>(body), static_cast<DWORD>(size), FALSE, TRUE);
    s.CloseHandleNow(s.item);
    if (!written) {
        // No partial file stays behind on the server.
        m_api.FtpDeleteFile(s.connection, remoteFile);
        return FALSE;
    }
    SetErrorCode(0);
    return TRUE;
}
