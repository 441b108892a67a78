#include "engine/viewer_window_class.h"

#include <map>
#include <mutex>

#include "engine/z_window.h"

namespace {

std::mutex g_lock;
std::map<HINSTANCE, long>& Users() {
    static std::map<HINSTANCE, long> users;
    return users;
}

}  // namespace

bool AcquireViewerWindowClass(HINSTANCE module) {
    std::lock_guard<std::mutex> guard(g_lock);
    long& users = Users()[module];
    if (users == 0) {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = CZWindow::StartWindowProc;
        wc.hInstance = module;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
        wc.hbrBackground = nullptr;
        wc.lpszClassName = kViewerWindowClassName;
        if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            Users().erase(module);
            return false;
        }
    }
    ++users;
    return true;
}

void ReleaseViewerWindowClass(HINSTANCE module) {
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = Users().find(module);
    if (it == Users().end()) return;
    if (--it->second > 0) return;
    Users().erase(it);
    UnregisterClassA(kViewerWindowClassName, module);
}

long ViewerWindowClassUsers(HINSTANCE module) {
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = Users().find(module);
    return it == Users().end() ? 0 : it->second;
}
