#include "activex/viewer_child.h"

#include "engine/image_viewer.h"

bool RegisterViewerClass(CImageViewer& viewer, HINSTANCE module) { return viewer.RegisterWindowClass(module) != FALSE; }

HWND CreateViewerChild(CImageViewer& viewer, HWND parent, int width, int height, HINSTANCE module) {
    if (!viewer.Create(nullptr, "ImageViewer", module, parent, WS_CHILD, 0, nullptr, CW_USEDEFAULT, CW_USEDEFAULT, width,
                       height))
        return nullptr;
    return viewer.Window();
}
