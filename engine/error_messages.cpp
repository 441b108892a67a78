#include "engine/error_messages.h"

#include <cstdio>
#include <cstring>

#include "base/error_codes.h"

CErrorMessages::CErrorMessages(bool pluginHost) : m_pluginHost(pluginHost) {
    memset(m_systemText, 0, sizeof(m_systemText));
    memset(m_formattedText, 0, sizeof(m_formattedText));
}

CErrorMessages::~CErrorMessages() { FreeCustomText(); }

void CErrorMessages::FreeCustomText() {
    if (m_customText) GlobalFree(m_customText);
    m_customText = nullptr;
}

void CErrorMessages::SetCustomText(const char* text) {
    FreeCustomText();
    if (!text) return;
    size_t length = strlen(text);
    m_customText = static_cast<char*>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, length + 1));
    if (m_customText) memcpy(m_customText, text, length);
}

const char* CErrorMessages::GetErrorText(LONG code, LONG secondaryCode) {
    if (code == kErrHttpProcess) {
        return secondaryCode ? ComposeHttpProcessText(secondaryCode) : FixedErrorText(code, m_pluginHost);
    }
    if (IsCustomTextError(code)) return m_customText ? m_customText : FixedErrorText(kErrGeneralFailure);
    if (const char* text = FixedErrorText(code, m_pluginHost)) return text;
    return GetSystemErrorText(code) ? m_systemText : nullptr;
}

const char* CErrorMessages::ComposeHttpProcessText(LONG secondaryCode) {
    memset(m_formattedText, 0, sizeof(m_formattedText));
    // The secondary text may be long (a custom or system text): cut to the buffer.
    const char* detail = GetErrorText(secondaryCode, 0);
    if (detail) {
        snprintf(m_formattedText, sizeof(m_formattedText), "HTTP process error: %s", detail);
    } else {
        snprintf(m_formattedText, sizeof(m_formattedText), "HTTP process error: %ld.", static_cast<long>(secondaryCode));
    }
    return m_formattedText;
}

bool CErrorMessages::GetSystemErrorText(LONG code) {
    LONG number = SystemErrorNumber(code);
    char* found = nullptr;
    DWORD length = 0;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);
    if (IsWinInetError(code)) {
        HMODULE wininet = LoadLibraryA("wininet.dll");
        if (!wininet) return false;
        length = FormatMessageA(flags | FORMAT_MESSAGE_FROM_HMODULE, wininet, static_cast<DWORD>(number), language,
                                reinterpret_cast<char*>(&found), 0, nullptr);
        FreeLibrary(wininet);
    } else {
        length = FormatMessageA(flags | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, static_cast<DWORD>(number), language,
                                reinterpret_cast<char*>(&found), 0, nullptr);
    }
    if (!length || !found) {
        if (found) LocalFree(found);
        return false;
    }
    memset(m_systemText, 0, sizeof(m_systemText));
    strncpy(m_systemText, found, sizeof(m_systemText) - 1);
    LocalFree(found);
    return true;
}
