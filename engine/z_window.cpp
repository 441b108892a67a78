#include "engine/z_window.h"

CZWindow::CZWindow(BOOL postQuit) : m_postQuit(postQuit) {
    m_vScroll.cbSize = m_hScroll.cbSize = sizeof(SCROLLINFO);
}

CZWindow::~CZWindow() { Destroy(); }

void CZWindow::Destroy() {
    if (m_hwnd && IsWindow(m_hwnd)) DestroyWindow(m_hwnd);  // WM_NCDESTROY unbinds
    m_hwnd = nullptr;
    m_hBar = m_vBar = nullptr;
}

void CZWindow::Release() {
    if (m_dispatchDepth == 0) {
        delete this;
        return;
    }
    m_deleteWhenIdle = TRUE;
    Destroy();
}

BOOL CZWindow::WindowProc(HWND, UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

BOOL CZWindow::Create(LPCSTR className, LPCSTR title, HINSTANCE instance, HWND parent, DWORD style,
                      DWORD exStyle, HMENU menu, int x, int y, int width, int height) {
    HWND window = CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menu, instance, this);
    if (!window) return FALSE;
    if (m_lazyScrollBars) return TRUE;
    if (!EnsureScrollBars()) {
        Destroy();
        return FALSE;
    }
    return TRUE;
}

BOOL CZWindow::EnsureScrollBars() {
    if (!m_hwnd) return FALSE;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(m_hwnd, GWLP_HINSTANCE));
    if (!m_hBar) {
        m_hBar = CreateWindowExA(0, "SCROLLBAR", nullptr, WS_CHILD | SBS_HORZ, 0, 30, 100, 16, m_hwnd, nullptr,
                                 instance, nullptr);
    }
    if (!m_vBar) {
        m_vBar = CreateWindowExA(0, "SCROLLBAR", nullptr, WS_CHILD | SBS_VERT, 0, 30, 16, 100, m_hwnd, nullptr,
                                 instance, nullptr);
    }
    return m_hBar && m_vBar;
}

LRESULT CALLBACK CZWindow::StartWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_NCCREATE) return DefWindowProcA(window, message, wParam, lParam);
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* self = create ? static_cast<CZWindow*>(create->lpCreateParams) : nullptr;
    if (!self) return FALSE;  // a window of this class without its object is refused
    self->m_hwnd = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MainWindowProc));
    return MainWindowProc(window, message, wParam, lParam);
}

LRESULT CALLBACK CZWindow::MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CZWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self || self->m_hwnd != window) return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = 0;
    WindowOwnerHold* hold = self->m_ownerHold;
    if (hold) hold->HoldOwner();
    ++self->m_dispatchDepth;
    BOOL handled = self->WindowProc(window, message, wParam, lParam, &result);
    if (!handled) result = DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The object may outlive its window: unbind both ways so nothing reaches it later.
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->m_hwnd = nullptr;
        self->m_hBar = self->m_vBar = nullptr;
        if (self->m_postQuit) PostQuitMessage(0);
    }
    if (--self->m_dispatchDepth == 0 && self->m_deleteWhenIdle) delete self;
    // Last: letting go of the owner may free it, and this window's object with it.
    if (hold) hold->ReleaseOwner();
    return result;
}
