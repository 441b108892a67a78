#include "support/event_recorder.h"

#include "engine/multi_image_twain.h"

namespace {
const char kClassName[] = "LumettaTestEventRecorder";
}

EventRecorderWindow::EventRecorderWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);  // fails harmlessly when already registered
    m_window = CreateWindowExA(0, kClassName, "recorder", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                               wc.hInstance, this);
}

EventRecorderWindow::~EventRecorderWindow() {
    if (m_window) DestroyWindow(m_window);
}

std::vector<int> EventRecorderWindow::EventKinds() const {
    std::vector<int> kinds;
    for (const auto& m : m_messages) {
        if (m.message == WM_LUMETTA_EVENT) kinds.push_back(m.record.Kind);
    }
    return kinds;
}

LRESULT CALLBACK EventRecorderWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<EventRecorderWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
    bool viewerMessage = msg == WM_VIEWER_SET_CURRENT || (msg >= WM_VIEWER_FIRST_MOUSE && msg <= WM_VIEWER_LAST_MOUSE);
    if (msg == WM_LUMETTA_EVENT || viewerMessage) {
        RecordedMessage r{msg, wParam, lParam, GetCurrentThreadId(), MakeEventRecord(-1)};
        if (msg == WM_LUMETTA_EVENT && lParam) r.record = *reinterpret_cast<EventRecord*>(lParam);
        self->m_messages.push_back(r);
        if (msg == WM_LUMETTA_EVENT && lParam && self->onRecord) self->onRecord(r.record);
        if (msg == WM_LUMETTA_EVENT && lParam && self->m_answer) {
            auto* record = reinterpret_cast<EventRecord*>(lParam);
            if (record->Kind == kEventBitmap && !(record->Payload == nullptr && record->Value == kBufferChangedValue) &&
                self->m_engine) {
                self->m_engine->OnBitmapAcquired(static_cast<HGLOBAL>(record->Payload));
            }
        }
        return self->m_answer;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
