#include "twain_harness.h"

#include "base/event_record.h"
#include "base/dib_layout.h"

void ScanEngine::OnPreTransfer() {
    kinds.push_back(kEventPreTransfer);
    hookThreads.push_back(GetCurrentThreadId());
    if (onPreTransfer) onPreTransfer();
}
void ScanEngine::OnPostTransfer() { kinds.push_back(kEventPostTransfer); }
void ScanEngine::OnPreAllTransfers() {
    kinds.push_back(kEventPreAllTransfers);
    hookThreads.push_back(GetCurrentThreadId());
}
void ScanEngine::OnPostAllTransfers() { kinds.push_back(kEventPostAllTransfers); }
void ScanEngine::OnTransferError() { kinds.push_back(kEventTransferError); }
void ScanEngine::OnTransferCancelled() { kinds.push_back(kEventTransferCancelled); }
void ScanEngine::OnSourceUIClose() { kinds.push_back(kEventSourceUIClose); }
void ScanEngine::OnBitmapAcquired(HGLOBAL dib) {
    kinds.push_back(kEventBitmap);
    hookThreads.push_back(GetCurrentThreadId());
    TestEngine::OnBitmapAcquired(dib);
}

void SetScenario(const char* text) { SetEnvironmentVariableA("LUMETTA_SCANNER_SCENARIO", text); }

bool PumpScan(ScanEngine& engine, const std::function<bool()>& done, DWORD timeoutMs) {
    return PumpUntilOffering(done, [&](MSG* msg) { return engine.TwainEventFilter(msg) != 0; }, timeoutMs);
}

ScanSession::ScanSession() {
    // The 32-bit build is the plug-in's: it loads Wine's TWAIN_32.DLL from the Windows folder.
    engine.SetPluginManagerSearch(sizeof(void*) == 4);
    engine.SetOwnerWindow(recorder.Window());
    recorder.AttachEngine(&engine);
}

HMODULE ScannerModule() { return GetModuleHandleA("sane.ds"); }

int ScannerLastSet(WORD cap, std::vector<BYTE>* bytes) {
    using Fn = int(WINAPI*)(WORD, BYTE*, int, int*);
    auto fn = reinterpret_cast<Fn>(GetProcAddress(ScannerModule(), "TestScanner_LastSet"));
    if (!fn) return -1;
    bytes->assign(4096, 0);
    int length = 0;
    int type = fn(cap, bytes->data(), 4096, &length);
    bytes->resize(type ? length : 0);
    return type;
}

int ScannerSetCount(WORD cap) {
    using Fn = int(WINAPI*)(WORD);
    auto fn = reinterpret_cast<Fn>(GetProcAddress(ScannerModule(), "TestScanner_SetCount"));
    return fn ? fn(cap) : -1;
}

BYTE DibSample(HGLOBAL dib, int x, int y, int c) {
    DibLayout l;
    if (!ComputeDibLayout(dib, &l)) return 0;
    auto* p = static_cast<const BYTE*>(GlobalLock(dib));
    const BYTE* row = p + l.pixelOffset + (l.topDown ? y : l.height - 1 - y) * l.stride;
    BYTE v;
    if (l.bitCount == 24) {
        v = row[3 * x + (2 - c)];
    } else {
        int index = l.bitCount == 8 ? row[x] : l.bitCount == 4 ? (row[x / 2] >> (x % 2 ? 0 : 4)) & 15
                                                               : (row[x / 8] >> (7 - x % 8)) & 1;
        const RGBQUAD& q = reinterpret_cast<const RGBQUAD*>(p + l.headerSize)[index];
        v = c == 0 ? q.rgbRed : c == 1 ? q.rgbGreen : q.rgbBlue;
    }
    GlobalUnlock(dib);
    return v;
}
