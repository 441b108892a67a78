// What the TWAIN tests share: an engine that records the order of its acquisition hooks, a pump
// that feeds the enabled source as a host's message hook does, the scenario of the test scanner,
// and a look into the scanner while it is open.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/event_recorder.h"
#include "support/test_engine.h"

class ScanEngine : public TestEngine {
public:
    void OnPreTransfer() override;
    void OnPostTransfer() override;
    void OnPreAllTransfers() override;
    void OnPostAllTransfers() override;
    void OnTransferError() override;
    void OnTransferCancelled() override;
    void OnSourceUIClose() override;
    void OnBitmapAcquired(HGLOBAL dib) override;

    std::vector<int> kinds;
    std::vector<DWORD> hookThreads;
    std::function<void()> onPreTransfer;  // runs inside OnPreTransfer
};

// Sets the scenario the test scanner runs from its next open or enable.
void SetScenario(const char* text);

// Pumps this thread's messages, offering each to the engine first, until done() or the time runs out.
bool PumpScan(ScanEngine& engine, const std::function<bool()>& done, DWORD timeoutMs = 5000);

// An engine on a recorder window with its manager open on the test scanner.
struct ScanSession {
    EventRecorderWindow recorder;
    ScanEngine engine;
    ScanSession();
};

// The test scanner loaded in this process (while a source is open), and its test exports.
HMODULE ScannerModule();
// The container the scanner last received for a capability: its type (0 when never set) and bytes.
int ScannerLastSet(WORD cap, std::vector<BYTE>* bytes);
int ScannerSetCount(WORD cap);

// Top-down pixel sample c of a bottom-up DIB (c 0 red, 1 green, 2 blue after the colour table).
BYTE DibSample(HGLOBAL dib, int x, int y, int c);
