// COstrelBase: HTTP(S) and FTP transfer of images, and the engine slots the transfers call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/multipart_body.h"
#include "core/twain_operate_wrapper.h"
#include "core/wininet_api.h"

// WinInet's InternetGetCookieA, handed to GetCookieHeader.
typedef BOOL(WINAPI* InternetGetCookieFn)(LPCSTR url, LPCSTR name, LPSTR data, LPDWORD size);

// Image types of the transfer layer beside the codec types 0 (BMP) to 4 (PDF).
constexpr LONG kUploadLocalFile = kImageTypeRawFile;
constexpr int kMaxHttpFormFields = 128;
constexpr size_t kTransferTextSize = 257;
constexpr size_t kHttpResponseSize = 8192;
// Longest local path a direct download accepts.
constexpr size_t kMaxLocalPathLength = 258;
// Largest download the engine takes: a server's declared size beyond it is refused before
// anything is allocated.
constexpr DWORD kMaxDownloadBytes = 0x40000000;

struct InternetSession;

// What an upload sends: buffer images by their indexes (a list whose first entry is kAllImages
// names them all), for the image types the file I/O layer encodes, or a local file as it is, for
// kUploadLocalFile.
struct UploadSource {
    const SHORT* indices = nullptr;
    LONG count = 0;
    const char* localFile = nullptr;
    // The local file's path; "" when the source names none (no file of that name opens).
    const char* LocalPath() const { return localFile ? localFile : ""; }
};

// Whose cookies a request carries: the page's own SetCookie text goes only to the page's host;
// a request to another host gets the cookies chosen for it.
enum class CookieScope { PageHost, OtherHost };

class COstrelBase : public CTwainOperateWrapper {
public:
    COstrelBase();
    ~COstrelBase() override;

    // Engine slot 15: the internet error dialog (401 and 407 only), here with no owner window.
    virtual DWORD ShowInternetErrorDialog(HMODULE wininet, HANDLE request, DWORD status, DWORD flags, LPVOID* data);
    // What every host's slot 15 does with its own owner window.
    static DWORD CallInternetErrorDialog(HMODULE wininet, HWND owner, HANDLE request, DWORD status, DWORD flags,
                                         LPVOID* data);
    // Engine slots 16 and 17: owner and resource module of the transfer dialog.
    virtual HWND GetViewerWindow() { return nullptr; }
    virtual HINSTANCE GetModuleInstance() { return nullptr; }
    // Engine slot 18: transfer progress; the host sets *cancel to 1 when the page cancelled.
    virtual void OnTransferPercentage(SHORT, LONG*) {}
    // Engine slot 19: the "Cookie: " header for a request to `url`, a new global-memory text or
    // null.
    virtual HGLOBAL GetCookieHeader(const char* url, InternetGetCookieFn getCookie, CookieScope scope);
    // Stores -2121 for a call refused because a transfer of this engine runs; the core adds the text.
    virtual void RefuseWhileTransferring();
    // True from the start of a transfer to its end, handlers of its progress events included.
    bool TransferRunning() const { return m_transferRunning; }

    // Uploads of the source's images, or of its local file for type kUploadLocalFile. Both
    // answer true on success and set the error code.
    BOOL HTTPUploadThroughPostEx(const char* server, const char* actionPage, const char* fileName,
                                 const UploadSource& source, const char* fieldName, LONG imageType);
    BOOL HTTPUploadThroughPutEx(const char* server, const char* actionPage, const UploadSource& source,
                                LONG imageType);

    // Downloads into the buffer (type 0 to 4; the data's own type wins) or, with
    // kUploadLocalFile, into the local path; the Directly forms set that path first.
    BOOL HTTPDownloadEx(const char* server, const char* remotePath, LONG imageType);
    BOOL HTTPDownloadDirectly(const char* server, const char* remotePath, const char* localFile);
    BOOL FTPDownloadEx(const char* server, const char* remoteFile, LONG imageType);
    BOOL FTPDownloadDirectly(const char* server, const char* remoteFile, const char* localFile);
    // FTP upload of the source's images (or, with kUploadLocalFile, of its local file).
    BOOL FTPUploadEx(const char* server, const char* remoteFile, const UploadSource& source, LONG imageType);
    // Reads byteCount bytes from an open request or FTP file and hands them on by type.
    BOOL InternetDownloadImage(HINTERNET handle, DWORD byteCount, LONG imageType, BOOL isFtp);

    // Client certificates from the current user's "MY" store.
    BOOL BindSSLCertEx(const char* subjectKeyword);
    BOOL BindSSLCert(const char* issuer, const char* serialNumber);

    // Form fields sent in front of the image of a POST upload.
    BOOL SetHTTPFormField(const char* name, const char* value);
    void ClearAllHTTPFormField();
    LONG HTTPFormFieldCount() const { return m_formFieldCount; }

    // The encoded image file alone in a new global block; its size is added to *size. A file that
    // would take *size past the 32-bit range is refused with -2100.
    HGLOBAL GetSelectedImagesData(const SHORT* indices, LONG count, LONG imageType, LONG* size);
    // Adds bytes to a 32-bit byte count for the script; false (the count unchanged) past 0x7FFFFFFF.
    static bool AddToScriptByteCount(LONG* total, uint64_t bytes);
    // Seconds of a time-out setting as WinInet's milliseconds, held at the 32-bit maximum.
    static DWORD TimeoutMilliseconds(LONG seconds);
    BOOL GetImageSizeWithSpecifiedType(LONG index, LONG imageType, LONG* size);

    // The page's own cookie text; an empty text clears it, a line break in it is refused.
    BOOL SetCookie(const char* text);

    // Sends a prepared body on the open request (or FTP file) with progress and cancellation;
    // with `authenticate` (the request goes to the server the credentials were given for) also
    // the one resend after a 401 when the server is the last successful POST's, or none was yet.
    BOOL InternetUploadImage(HINTERNET handle, const BYTE* body, DWORD bodySize, BOOL isPost, BOOL isFtp,
                             bool authenticate = true);

    // Settings.
    const char* GetHTTPPostResponseString() const { return m_httpPostResponse; }
    LONG GetTransferSubCode() const { return m_transferSubCode; }
    LONG GetInternetSendTimeout() const { return m_sendTimeout; }
    void SetInternetSendTimeout(LONG v) { m_sendTimeout = v; }
    LONG GetInternetReceiveTimeout() const { return m_receiveTimeout; }
    void SetInternetReceiveTimeout(LONG v) { m_receiveTimeout = v; }
    const char* GetProxyServer() const { return m_proxyServer; }
    void SetProxyServer(const char* v);
    const char* GetHTTPUserName() const { return m_httpUserName; }
    void SetHTTPUserName(const char* v);
    const char* GetHTTPPassword() const { return m_httpPassword; }
    void SetHTTPPassword(const char* v);
    const char* GetFTPUserName() const { return m_ftpUserName; }
    void SetFTPUserName(const char* v);
    const char* GetFTPPassword() const { return m_ftpPassword; }
    void SetFTPPassword(const char* v);
    LONG GetFTPPort() const { return m_ftpPort; }
    void SetFTPPort(LONG v) { m_ftpPort = v; }
    LONG GetHTTPPort() const { return m_httpPort; }
    void SetHTTPPort(LONG v) { m_httpPort = v; }
    LONG GetIfSSL() const { return m_ifSSL; }
    void SetIfSSL(LONG v) { m_ifSSL = v; }
    LONG GetIfPASVMode() const { return m_ifPASVMode; }
    void SetIfPASVMode(LONG v) { m_ifPASVMode = v; }
    LONG GetAllowPluginAuthentication() const { return m_allowPluginAuthentication; }
    void SetAllowPluginAuthentication(LONG v) { m_allowPluginAuthentication = v; }
    LONG GetIfShowCancelDialogWhenImageTransfer() const { return m_ifShowCancelDialog; }
    void SetIfShowCancelDialogWhenImageTransfer(LONG v) { m_ifShowCancelDialog = v; }
    LONG GetIfCancelTransfer() const { return InterlockedCompareExchange(&m_transferCancel, 0, 0); }
    void SetIfCancelTransfer(LONG v) { InterlockedExchange(&m_transferCancel, v); }
    LONG GetMaxUploadImageSize() const { return m_maxUploadImageSize; }
    void SetMaxUploadImageSize(LONG v) { m_maxUploadImageSize = v; }
    PCCERT_CONTEXT GetClientCertificate() const { return m_clientCertificate; }
    // Takes ownership of a certificate context (freed with the engine or the next binding).
    void SetClientCertificate(PCCERT_CONTEXT certificate);

    // Tests hand the engine a scripted WinInet; null restores the system's.
    void SetWinInetSource(WinInetSource* source) { m_winInet = source ? source : &SystemWinInet::Instance(); }
    // A copy of the server of the last successful POST upload (process-wide), and its reset for tests.
    static std::string LastSuccessfulServer();
    static void ForgetLastSuccessfulServer();
    // The server of an upload as a URL: "http://" or "https://" in front unless already there.
    // False (url empty) when it would not fit: a cut URL names another server.
    static bool MakeServerUrl(const char* server, bool ssl, char (&url)[MAX_PATH]);

protected:
    // The image file of an upload in a new global block: the narrow seam to the codecs.
    HGLOBAL EncodeUploadImageFile(const UploadSource& source, LONG imageType, uint64_t* size);

private:
    // What a failed request send leads to after the retries of the certificate and the
    // security flags; each kind of retry is made once per request.
    struct SendRetries {
        bool certificate = false;
        bool unknownCa = false;
        bool revocation = false;
    };
    bool RetryAfterSendError(HINTERNET request, DWORD error, SendRetries& tried);
    // Clears the error code, the answer text and the sub-code; false (-1110) for a type that is
    // not 0 to 4 or kUploadLocalFile.
    bool BeginTransfer(LONG imageType);
    // Loads WinInet (when not yet loaded) and opens the session and the connection; false with
    // the error code set.
    bool LoadWinInet(InternetSession& s, bool ftp);
    bool OpenSession(InternetSession& s, const char* server, bool ftp);
    void SetRequestTimeouts(HINTERNET handle);
    bool SetLocalPath(const char* localFile);
    BOOL RunFtpDownload(const char* server, const char* remoteFile, LONG imageType);
    bool HandDownloadOn(HINTERNET handle, BYTE* data, DWORD size, LONG imageType, bool isFtp);
    void KeepResponseText(const BYTE* data, DWORD size);

    static void RememberSuccessfulServer(const char* url);
    static bool IsLastSuccessfulServer(const char* url, bool* noneYet);

    struct FormField {
        HGLOBAL name;
        HGLOBAL value;
    };
    // The handles and the page's URL of one HTTP transfer, whichever way it ends.
    struct HttpSession;
    // One hop of an HTTP request: the server, its port and scheme, and the page on it.
    struct HopTarget {
        bool ssl = false;
        std::string host;
        INTERNET_PORT port = 0;
        std::string path;
    };
    // The verb of an HTTP request; a redirect may turn it into a GET.
    enum class HttpVerb { Get, Put, Post };
    // How a request that followed its redirects ended: with an answer that is no redirect (or a
    // redirect the engine does not follow, `Unfollowed`: no Location, or one that names no http
    // or https page), with a send that failed, or with the error code set.
    enum class HopEnd { Answered, Unfollowed, SendFailed, Failed };
    // Sends one request of `verb` to `page` and follows its redirects, at most kMaxRedirects, each
    // hop on a connection and a request of its own. The connection's credentials and the resend
    // after a 401 go only to the scheme, host and port the transfer began with, the
    // pre-authentication only to its first request; a POST's cookie header is that of each hop's
    // host. `s` keeps the last hop's request open for its answer.
    HopEnd SendFollowingRedirects(HttpSession& s, const HopTarget& page, HttpVerb verb, const BYTE* body,
                                  DWORD bodySize);
    // A 401 from a server that the credentials were withheld from, answered as -2003: its
    // sub-code becomes "access denied" (-3000 - ERROR_ACCESS_DENIED), which ErrorString names.
    void NoteWithheldCredentials(HttpSession& s);
    // The target a redirect's Location names, resolved against the hop that answered
    // (core/redirect_location.h); false when it names none this engine follows (empty, another
    // scheme than http or https, credentials in it, no host, a port that is no port).
    static bool NextHop(const std::string& location, const HopTarget& from, HopTarget* to);
    // Connects the session to a later hop's server, with the page's HTTP credentials only when
    // `withCredentials` (the hop goes to the origin they were given for).
    bool ConnectHop(InternetSession& s, const HopTarget& target, bool withCredentials);
    // The request of one hop (a POST's with its cookie header); false with the error code set.
    bool OpenHopRequest(HttpSession& s, const HopTarget& target, HttpVerb route, HttpVerb verb, bool pageHost,
                        int hop);
    // Sends one hop's request, its body with it for a PUT or a POST; false with the error code set.
    bool SendHop(HINTERNET request, HttpVerb route, HttpVerb verb, const BYTE* body, DWORD bodySize,
                 bool authenticate);
    // Sends a request without a body (a download's GET, or the GET that follows a redirect),
    // with the retries of the certificate and the security flags; with `authenticate`, also the
    // one resend after a 401, as a body's send has it.
    bool SendWithoutBody(HINTERNET request, bool authenticate);

    BOOL RunHttpUpload(const char* server, const char* actionPage, const char* fileName, const UploadSource& source,
                       const char* fieldName, LONG imageType, bool isPost);
    // The request body: the encoded images, as a multipart form for a POST or bare for a PUT;
    // false with the error code set (a body made before the failure is still handed back).
    bool BuildUploadBody(const UploadSource& source, LONG imageType, bool isPost, const char* fileName,
                         const char* fieldName, HGLOBAL* body, uint64_t* bodySize);
    // A POST body around a local file, the file read into its place.
    bool BuildLocalFileBody(const char* path, const char* fileName, const char* fieldName, HGLOBAL* body,
                            uint64_t* bodySize);
    std::vector<MultipartField> FormFields() const;
    // The page's first hop: the server text's host at HTTPPort, by IfSSL.
    HopTarget PageTarget(const char* server, const char* page) const;
    BOOL PutUpload(HttpSession& s, const HopTarget& page, HGLOBAL body, uint64_t bodySize);
    BOOL PostUpload(HttpSession& s, const HopTarget& page, HGLOBAL body, uint64_t bodySize);
    bool SendStage(HINTERNET request, DWORD bodySize, bool isPost, bool& certTried);
    void PreAuthenticate(HINTERNET request);
    bool ReadPostAnswer(HttpSession& s, bool sent);

    LONG m_formFieldCount = 0;
    LONG m_sendTimeout = 0;
    LONG m_receiveTimeout = 0;
    HGLOBAL m_cookieText = nullptr;
    LONG m_transferSubCode = 0;
    char m_httpPostResponse[kHttpResponseSize] = {};
    char m_ftpUserName[kTransferTextSize] = {};
    char m_ftpPassword[kTransferTextSize] = {};
    LONG m_ftpPort = 21;
    char m_proxyServer[kTransferTextSize] = {};
    char m_httpUserName[kTransferTextSize] = {};
    char m_httpPassword[kTransferTextSize] = {};
    LONG m_httpPort = 80;
    LONG m_ifSSL = 0;
    LONG m_ifPASVMode = 1;
    LONG m_allowPluginAuthentication = 0;
    FormField m_formFields[kMaxHttpFormFields] = {};
    LONG m_ifShowCancelDialog = 1;
    mutable volatile LONG m_transferCancel = 0;
    LONG m_maxUploadImageSize = -1;
    PCCERT_CONTEXT m_clientCertificate = nullptr;
    char m_localPath[MAX_PATH] = {};
    WinInetSource* m_winInet = &SystemWinInet::Instance();
    WinInetApi m_api;
    // Per upload: 1 when it goes to the server of the last successful POST, or none succeeded yet.
    LONG m_sameServer = 0;
    bool m_bodyCutOff = false;  // the transfer thread stopped before the whole body was written
    // A transfer of this engine is under way: page script in its waits cannot start another,
    // which would share the WinInet table, the cancel flag and the answer buffer.
    bool m_transferRunning = false;
};
