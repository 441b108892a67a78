// Creates the "ImageViewer" child window that fills the control: the engine's thumbnail viewer.
#pragma once

#include <windows.h>

class CImageViewer;

// Registers the viewer's window class; false when that fails.
bool RegisterViewerClass(CImageViewer& viewer, HINSTANCE module);
// The viewer window, WS_CHILD at the default position with the given size, or null.
HWND CreateViewerChild(CImageViewer& viewer, HWND parent, int width, int height, HINSTANCE module);
