// The last-error text of the webcam objects: wide text in an owned global-memory block.
#pragma once

#include "platform/directshow/directshow.h"

class WebCamErrorText {
public:
    WebCamErrorText() { Set(L"Successful"); }
    ~WebCamErrorText();
    WebCamErrorText(const WebCamErrorText&) = delete;
    WebCamErrorText& operator=(const WebCamErrorText&) = delete;

    void Set(const wchar_t* text);
    // DirectShow's text for a result (AMGetErrorTextW, at most 160 characters).
    void SetFromResult(HRESULT hr);
    const wchar_t* Get() const { return m_text ? m_text : L""; }
    // The text in the system code page, in a new fixed global-memory block that the caller frees.
    char* ToAnsi() const;

private:
    wchar_t* m_text = nullptr;
};

// A wide text converted to the system code page in a new fixed global-memory block (caller frees).
char* WideToAnsiBlock(const wchar_t* text);
