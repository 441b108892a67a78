// CZWindow: binds a platform window to an object and gives it a horizontal and a vertical
// scroll bar. The object's WindowProc sees every message from WM_NCCREATE on and answers
// whether it handled it; unhandled messages go to the default procedure.
#pragma once

#include <windows.h>

// What a window's object lives in (the engine that owns a viewer): held while each message of
// the window is handled, so a page that frees the owner from inside the message leaves it alive
// until the window procedure has returned.
class WindowOwnerHold {
public:
    virtual void HoldOwner() = 0;
    virtual void ReleaseOwner() = 0;

protected:
    ~WindowOwnerHold() = default;
};

class CZWindow {
public:
    explicit CZWindow(BOOL postQuit = FALSE);
    virtual ~CZWindow();
    CZWindow(const CZWindow&) = delete;
    CZWindow& operator=(const CZWindow&) = delete;

    // True when it handled the message; *result is then the answer.
    virtual BOOL WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // Creates the window with this object bound to it, then (unless lazy) its two scroll bars.
    BOOL Create(LPCSTR className, LPCSTR title, HINSTANCE instance, HWND parent, DWORD style, DWORD exStyle,
                HMENU menu, int x, int y, int width, int height);
    HWND Window() const { return m_hwnd; }
    BOOL HasWindow() const { return m_hwnd != nullptr; }
    void Destroy();
    // Deletes the object, or, while one of its messages is still being handled further up the
    // stack, destroys its window and deletes it once that message returns.
    void Release();
    // The owner held around every message of this window (null: none).
    void SetOwnerHold(WindowOwnerHold* hold) { m_ownerHold = hold; }
    WindowOwnerHold* OwnerHold() const { return m_ownerHold; }

    static LRESULT CALLBACK StartWindowProc(HWND, UINT, WPARAM, LPARAM);

protected:
    static LRESULT CALLBACK MainWindowProc(HWND, UINT, WPARAM, LPARAM);
    // Creates the scroll-bar windows when they do not exist yet.
    BOOL EnsureScrollBars();

    HWND m_hwnd = nullptr;
    BOOL m_postQuit;
    SCROLLINFO m_vScroll = {};
    SCROLLINFO m_hScroll = {};
    BOOL m_vBarHidden = FALSE;
    BOOL m_hBarHidden = TRUE;
    HWND m_hBar = nullptr;
    HWND m_vBar = nullptr;
    BOOL m_lazyScrollBars = FALSE;  // cells make their bars only when they first need them
    int m_dispatchDepth = 0;        // messages of this window being handled right now
    BOOL m_deleteWhenIdle = FALSE;
    WindowOwnerHold* m_ownerHold = nullptr;
};
