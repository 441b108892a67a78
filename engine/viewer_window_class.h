// The one window class of the viewer and its cells in a module: registered by the first viewer,
// unregistered by the last. It has no class brush: each viewer paints its own background, so a
// viewer may change its colour without touching what another viewer uses.
#pragma once

#include <windows.h>

constexpr char kViewerWindowClassName[] = "CorvaImageViewer";

// Takes a reference on the class of the module, registering it on the first; false when the
// class could not be registered.
bool AcquireViewerWindowClass(HINSTANCE module);
// Gives a reference back; the last one unregisters the class.
void ReleaseViewerWindowClass(HINSTANCE module);
// References held on the class of the module.
long ViewerWindowClassUsers(HINSTANCE module);
