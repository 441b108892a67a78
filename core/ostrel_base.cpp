#include "core/ostrel_base.h"
#include "base/error_codes.h"

#include <cstring>
#include <mutex>

namespace {

void CopySetting(char* field, size_t size, const char* text) {
    memset(field, 0, size);
    if (text) strncpy(field, text, size - 1);
}

HGLOBAL CopyToGlobal(const char* text) {
    size_t length = strlen(text);
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, length + 1);
    if (block) memcpy(block, text, length);
    return block;
}

std::mutex g_lastServerLock;
char g_lastServer[MAX_PATH] = {};

}  // namespace

COstrelBase::COstrelBase() = default;

COstrelBase::~COstrelBase() {
    ClearAllHTTPFormField();
    SetClientCertificate(nullptr);
    if (m_cookieText) GlobalFree(m_cookieText);
    m_cookieText = nullptr;
}

DWORD COstrelBase::ShowInternetErrorDialog(HMODULE wininet, HANDLE request, DWORD status, DWORD flags, LPVOID* data) {
    return CallInternetErrorDialog(wininet, nullptr, request, status, flags, data);
}

DWORD COstrelBase::CallInternetErrorDialog(HMODULE wininet, HWND owner, HANDLE request, DWORD status, DWORD flags,
                                           LPVOID* data) {
    typedef DWORD(WINAPI * ErrorDlgFn)(HWND, HANDLE, DWORD, DWORD, LPVOID*);
    // Only the credential statuses have a dialog.
    if (status != HTTP_STATUS_DENIED && status != HTTP_STATUS_PROXY_AUTH_REQ) return 0;
    if (!wininet) return ERROR_INVALID_FUNCTION;
    auto dialog = reinterpret_cast<ErrorDlgFn>(GetProcAddress(wininet, "InternetErrorDlg"));
    return dialog ? dialog(owner, request, status, flags, data) : ERROR_INVALID_FUNCTION;
}

void COstrelBase::RefuseWhileTransferring() { SetErrorCode(kErrCustom2121); }

HGLOBAL COstrelBase::GetCookieHeader(const char* url, InternetGetCookieFn getCookie, CookieScope scope) {
    static const char kPrefix[] = "Cookie: ";
    constexpr size_t kPrefixLength = sizeof(kPrefix) - 1;
    if (m_cookieText && scope == CookieScope::PageHost) {
        const char* text = static_cast<const char*>(m_cookieText);
        if (_strnicmp(text, kPrefix, kPrefixLength) == 0) return CopyToGlobal(text);
        size_t length = strlen(text);
        HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, kPrefixLength + length + 1);
        if (!block) return nullptr;
        memcpy(block, kPrefix, kPrefixLength);
        memcpy(static_cast<char*>(block) + kPrefixLength, text, length);
        return block;
    }
    if (!getCookie || !url) return nullptr;
    DWORD size = 0;
    if (!getCookie(url, nullptr, nullptr, &size) || size == 0) return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, kPrefixLength + size + 1);
    if (!block) return nullptr;
    memcpy(block, kPrefix, kPrefixLength);
    DWORD room = size;
    if (!getCookie(url, nullptr, static_cast<char*>(block) + kPrefixLength, &room)) {
        GlobalFree(block);
        return nullptr;
    }
    return block;
}

BOOL COstrelBase::SetCookie(const char* text) {
    SetErrorCode(0);
    // A line break would end the header and let the text add request headers of its own.
    if (text && strpbrk(text, "\r\n")) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    if (m_cookieText) GlobalFree(m_cookieText);
    m_cookieText = nullptr;
    if (!text || !*text) return TRUE;
    m_cookieText = CopyToGlobal(text);
    if (!m_cookieText) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    return TRUE;
}

BOOL COstrelBase::SetHTTPFormField(const char* name, const char* value) {
    SetErrorCode(0);
    if (!name) name = "";
    if (!value) value = "";
    for (int i = 0; i < m_formFieldCount; ++i) {
        const char* existing = static_cast<const char*>(m_formFields[i].name);
        if (!existing || _stricmp(existing, name) != 0) continue;
        // A name already set only gets its new value, also when the table is full.
        HGLOBAL copy = CopyToGlobal(value);
        if (!copy) {
            SetErrorCode(kErrNoMemory);
            return FALSE;
        }
        if (m_formFields[i].value) GlobalFree(m_formFields[i].value);
        m_formFields[i].value = copy;
        return TRUE;
    }
    if (m_formFieldCount >= kMaxHttpFormFields) {
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    HGLOBAL nameCopy = CopyToGlobal(name);
    HGLOBAL valueCopy = nameCopy ? CopyToGlobal(value) : nullptr;
    if (!valueCopy) {
        if (nameCopy) GlobalFree(nameCopy);
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    m_formFields[m_formFieldCount++] = {nameCopy, valueCopy};
    return TRUE;
}

void COstrelBase::ClearAllHTTPFormField() {
    for (int i = 0; i < m_formFieldCount; ++i) {
        if (m_formFields[i].name) GlobalFree(m_formFields[i].name);
        if (m_formFields[i].value) GlobalFree(m_formFields[i].value);
        m_formFields[i] = {};
    }
    m_formFieldCount = 0;
}

void COstrelBase::SetClientCertificate(PCCERT_CONTEXT certificate) {
    if (m_clientCertificate) CertFreeCertificateContext(m_clientCertificate);
    m_clientCertificate = certificate;
}

void COstrelBase::SetProxyServer(const char* v) { CopySetting(m_proxyServer, sizeof(m_proxyServer), v); }
void COstrelBase::SetHTTPUserName(const char* v) { CopySetting(m_httpUserName, sizeof(m_httpUserName), v); }
void COstrelBase::SetHTTPPassword(const char* v) { CopySetting(m_httpPassword, sizeof(m_httpPassword), v); }
void COstrelBase::SetFTPUserName(const char* v) { CopySetting(m_ftpUserName, sizeof(m_ftpUserName), v); }
void COstrelBase::SetFTPPassword(const char* v) { CopySetting(m_ftpPassword, sizeof(m_ftpPassword), v); }

std::string COstrelBase::LastSuccessfulServer() {
    std::lock_guard<std::mutex> lock(g_lastServerLock);
    return g_lastServer;
}

bool COstrelBase::AddToScriptByteCount(LONG* total, uint64_t bytes) {
    const int64_t sum = int64_t{*total} + int64_t(bytes > 0xFFFFFFFFull ? 0xFFFFFFFFull : bytes);
    if (sum > 0x7FFFFFFF) return false;
    *total = static_cast<LONG>(sum);
    return true;
}

DWORD COstrelBase::TimeoutMilliseconds(LONG seconds) {
    const uint64_t ms = uint64_t{static_cast<DWORD>(seconds)} * 1000;
    return ms > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(ms);
}

void COstrelBase::ForgetLastSuccessfulServer() {
    std::lock_guard<std::mutex> lock(g_lastServerLock);
    g_lastServer[0] = 0;
}

void COstrelBase::RememberSuccessfulServer(const char* url) {
    std::lock_guard<std::mutex> lock(g_lastServerLock);
    CopySetting(g_lastServer, sizeof(g_lastServer), url);
}

bool COstrelBase::IsLastSuccessfulServer(const char* url, bool* noneYet) {
    std::lock_guard<std::mutex> lock(g_lastServerLock);
    *noneYet = g_lastServer[0] == 0;
    return _stricmp(g_lastServer, url) == 0;
}
