// What the routing and camera-family tests share: a process with two test scanners (the test
// data source offers two; Wine's own camera source is switched off) and one test camera, an
// engine on a recorder window that takes acquired images as a host does, and a driver for the
// engine's modal dialogs.
#pragma once

#include <windows.h>

#include <functional>

#include "support/event_recorder.h"
#include "support/test_engine.h"

struct DeviceSession {
    EventRecorderWindow recorder;
    TestEngine engine;
    DeviceSession();
};

// Registers the given number of test cameras in the prefix (0: none).
void RegisterTestCameras(int count);

// Runs call() while answer(dialog) acts once on the first visible dialog of this thread that
// shows the caption (any caption for null). False when no such dialog showed up.
bool WhileDialogShows(const char* caption, const std::function<void(HWND)>& answer, const std::function<void()>& call);
