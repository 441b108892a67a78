#include "activex/viewer_child.h"

#include "engine/image_viewer.h"

namespace {
constexpr wchar_t kViewerClass[] = L"LumettaImageViewer";
}

bool RegisterViewerClass(HINSTANCE module) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(module, kViewerClass, &wc)) return true;
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = kViewerClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateViewerChild(CImageViewer&, HWND parent, int width, int height, HINSTANCE module) {
    return CreateWindowExW(0, kViewerClass, L"ImageViewer", WS_CHILD, CW_USEDEFAULT, CW_USEDEFAULT, width, height,
                           parent, nullptr, module, nullptr);
}
