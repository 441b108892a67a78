// Creates the "ImageViewer" child window that fills the control. Until the thumbnail viewer
// window class is in place it is a plain child window; this is the one place to rewire.
#pragma once

#include <windows.h>

class CImageViewer;

// Registers the viewer's window class; false when that fails.
bool RegisterViewerClass(HINSTANCE module);
// The viewer window, WS_CHILD at the default position with the given size, or null.
HWND CreateViewerChild(CImageViewer& viewer, HWND parent, int width, int height, HINSTANCE module);
