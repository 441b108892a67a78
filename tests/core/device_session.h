// What the routing and camera-family tests share: a process with two test scanners (the test
// data source offers two; Wine's own camera source is switched off) and one test camera, an
// engine on a recorder window that takes acquired images as a host does; the engine's modal
// dialogs are driven with WhileDialogShows.
#pragma once

#include <windows.h>

#include <functional>

#include "support/dialog_answer.h"
#include "support/event_recorder.h"
#include "support/test_engine.h"

struct DeviceSession {
    EventRecorderWindow recorder;
    TestEngine engine;
    DeviceSession();
};

// Registers the given number of test cameras in the prefix (0: none).
void RegisterTestCameras(int count);
