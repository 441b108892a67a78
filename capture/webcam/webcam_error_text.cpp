#include "capture/webcam/webcam_error_text.h"

#include <cwchar>

WebCamErrorText::~WebCamErrorText() {
    if (m_text) GlobalFree(m_text);
}

void WebCamErrorText::Set(const wchar_t* text) {
    if (!text) text = L"";
    size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    auto* block = static_cast<wchar_t*>(GlobalAlloc(GPTR, bytes));
    if (!block) return;  // keep the old text rather than none
    memcpy(block, text, bytes);
    if (m_text) GlobalFree(m_text);
    m_text = block;
}

void WebCamErrorText::SetFromResult(HRESULT hr) {
    wchar_t text[MAX_ERROR_TEXT_LEN + 1] = {};
    if (!AMGetErrorTextW(hr, text, 160) || !text[0]) swprintf(text, 160, L"Error: 0x%08lx", static_cast<unsigned long>(hr));
    Set(text);
}

char* WebCamErrorText::ToAnsi() const { return WideToAnsiBlock(Get()); }

char* WideToAnsiBlock(const wchar_t* text) {
    if (!text) return nullptr;
    int bytes = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return nullptr;
    auto* block = static_cast<char*>(GlobalAlloc(GPTR, bytes));
    if (block) WideCharToMultiByte(CP_ACP, 0, text, -1, block, bytes, nullptr, nullptr);
    return block;
}
