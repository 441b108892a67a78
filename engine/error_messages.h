// CErrorMessages: the holder of the text of the engine's last error. It owns the buffers into
// which texts are composed and the custom text that some operations attach to their failure
// (-2119, -2120, -2121). One holder is a member of the engine object.
#pragma once

#include <windows.h>

class CErrorMessages {
public:
    // The plug-in names its own source manager library in the text of -1030.
    explicit CErrorMessages(bool pluginHost = false);
    CErrorMessages(const CErrorMessages&) = delete;
    CErrorMessages& operator=(const CErrorMessages&) = delete;
    ~CErrorMessages();

    // Replaces the custom text by a copy of text (null: none). When the copy cannot be made the
    // holder keeps no custom text.
    void SetCustomText(const char* text);
    void FreeCustomText();
    const char* GetCustomText() const { return m_customText; }

    // The text of a code: fixed text, the composed -2003 text (with the transfer layer's
    // secondary code), the custom text of -2119..-2121, or a system/WinInet text. Null when the
    // code has none. The pointer stays valid until the next call.
    const char* GetErrorText(LONG code, LONG secondaryCode = 0);
    // Fills the system-text buffer with the system's (or, for -15000..-15175, WinInet's) text of
    // error number -3000 - code. True when a text was found.
    bool GetSystemErrorText(LONG code);

private:
    const char* ComposeHttpProcessText(LONG secondaryCode);

    char m_systemText[1024];
    char m_formattedText[1024];
    char* m_customText = nullptr;
    bool m_pluginHost;
};
