// The TWAIN thread: calls carried to it, events handled on the host's thread, the busy refusal
// of a nested call, and shutdown while a source is enabled.
#include <gtest/gtest.h>

#include "base/event_record.h"
#include "twain_harness.h"

namespace {

// Kinds the host window received, without the buffer's own change notices.
std::vector<int> HookKinds(const EventRecorderWindow& recorder) {
    std::vector<int> kinds;
    for (const auto& m : recorder.Messages()) {
        if (m.message != WM_LUMETTA_EVENT) continue;
        if (m.record.Kind == kEventBitmap && m.record.Value == kBufferChangedValue) continue;
        kinds.push_back(m.record.Kind);
    }
    return kinds;
}

TEST(TwainThread, BatchRunsOnTheThreadAndHooksOnTheHostThread) {
    SetScenario("pages=2;pixel=gray");
    ScanSession s;
    ASSERT_TRUE(s.engine.SetIfScanInThread(1));
    ASSERT_NE(s.engine.ThreadRecord().thread, nullptr);
    ASSERT_NE(s.engine.ThreadRecord().window, nullptr);
    ASSERT_TRUE(s.engine.EnableSource()) << s.engine.GetErrorCode();
    ASSERT_TRUE(PumpUntil([&] {
        auto k = HookKinds(s.recorder);
        return !k.empty() && k.back() == kEventPostAllTransfers;
    }));
    EXPECT_EQ(HookKinds(s.recorder), (std::vector<int>{2, 0, 17, 1, 0, 17, 1, 3}));
    for (const auto& m : s.recorder.Messages()) EXPECT_EQ(m.threadId, GetCurrentThreadId());
    EXPECT_EQ(s.engine.GetImageCount(), 2);
    // Script calls still work: carried to the thread.
    SHORT pixelType = -1;
    EXPECT_TRUE(s.engine.GetPixelType(&pixelType));
    EXPECT_EQ(pixelType, 1);  // the gray scenario's
    // The engine goes away with its source enabled and the thread running.
}

TEST(TwainThread, SwitchingOnReopensTheManagerAndTheSource) {
    SetScenario("pages=0");
    ScanSession s;
    ASSERT_TRUE(s.engine.EnableSource());
    ASSERT_TRUE(s.engine.SetIfScanInThread(1));
    EXPECT_TRUE(s.engine.IsSourceManagerOpen());
    EXPECT_TRUE(s.engine.IsSourceOpen());
    EXPECT_FALSE(s.engine.IsSourceEnabled());
    EXPECT_STREQ(s.engine.SourceIdentity().ProductName, "Lumetta Test Scanner");
    ASSERT_TRUE(s.engine.SetIfScanInThread(0));
    EXPECT_EQ(s.engine.ThreadRecord().thread, nullptr);
    EXPECT_TRUE(s.engine.IsSourceOpen());
    EXPECT_TRUE(s.engine.EnableSource());
}

struct NestedProbe {
    ScanEngine* engine;
    BOOL result = -1;
    LONG error = 0;
};

LRESULT CALLBACK ProbeProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_APP) {
        auto* probe = reinterpret_cast<NestedProbe*>(lParam);
        probe->result = probe->engine->CapGetCurrent();
        probe->error = probe->engine->GetErrorCode();
        return 0;
    }
    return DefWindowProcA(w, msg, wParam, lParam);
}

TEST(TwainThread, ANestedCallIsRefusedAsBusyAndQuitIsKept) {
    SetScenario("slowcap=300");
    ScanSession s;
    ASSERT_TRUE(s.engine.SetIfScanInThread(1));
    ASSERT_TRUE(s.engine.OpenSource());
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "LumettaNestedProbe";
    RegisterClassA(&wc);
    HWND probeWindow = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(probeWindow, nullptr);

    NestedProbe probe{&s.engine};
    ASSERT_TRUE(s.engine.SetCapability(CAP_XFERCOUNT));
    PostMessageA(probeWindow, WM_APP, 0, reinterpret_cast<LPARAM>(&probe));
    PostQuitMessage(7);
    EXPECT_TRUE(s.engine.CapGet());  // slow: the probe's message is dispatched while it waits
    EXPECT_FALSE(probe.result);
    EXPECT_EQ(probe.error, -1004);
    EXPECT_EQ(s.engine.GetErrorCode(), 0);
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 7u);
    DestroyWindow(probeWindow);
}

}  // namespace
