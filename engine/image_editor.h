// CImageEditor: an image editor window over one buffer image.
#pragma once

#include <windows.h>

#include "engine/image_viewer.h"

class CImageEditor {
public:
    virtual ~CImageEditor() = default;
    bool IsWindowOpen() const { return m_window && IsWindow(m_window); }
    CImageViewer& View() { return m_view; }
    void Redraw() {
        if (IsWindowOpen()) InvalidateRect(m_window, nullptr, TRUE);
    }
    // Offered every hooked window message; nonzero when the editor consumed it.
    virtual int PreTranslateMessage(MSG*) { return 0; }

protected:
    HWND m_window = nullptr;
    CImageViewer m_view;
};
