// A host window for engine tests: it records every event record and viewer message it receives,
// as a page would see them, and hands acquired images to an attached engine as a host does.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "base/event_record.h"

class CMultiImageTWAIN;

struct RecordedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD threadId;       // thread that handled the message
    EventRecord record;   // copy of the record for WM_LUMETTA_EVENT
};

class EventRecorderWindow {
public:
    EventRecorderWindow();
    ~EventRecorderWindow();
    EventRecorderWindow(const EventRecorderWindow&) = delete;
    EventRecorderWindow& operator=(const EventRecorderWindow&) = delete;

    HWND Window() const { return m_window; }
    // Acquired images (kind 17 with a DIB) go to this engine's OnBitmapAcquired.
    void AttachEngine(CMultiImageTWAIN* engine) { m_engine = engine; }
    // What the window answers to records; a host answers 1.
    void SetAnswer(LRESULT answer) { m_answer = answer; }

    const std::vector<RecordedMessage>& Messages() const { return m_messages; }
    std::vector<int> EventKinds() const;
    void Clear() { m_messages.clear(); }
    // The page's handler: called on the window's thread for each event record after it is kept.
    std::function<void(const EventRecord&)> onRecord;

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    HWND m_window = nullptr;
    CMultiImageTWAIN* m_engine = nullptr;
    LRESULT m_answer = 1;
    std::vector<RecordedMessage> m_messages;
};

// Pumps this thread's messages until the predicate holds or the time runs out. Each message goes
// to offer() first (as a host's message hook does) and is dispatched only when it was not taken.
template <typename Pred, typename Offer>
bool PumpUntilOffering(Pred done, Offer offer, DWORD timeoutMs = 5000) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (offer(&msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return true;
}

template <typename Pred>
bool PumpUntil(Pred done, DWORD timeoutMs = 5000) {
    return PumpUntilOffering(done, [](MSG*) { return false; }, timeoutMs);
}
