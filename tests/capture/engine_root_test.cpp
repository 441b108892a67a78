// The engine's root layer: the error-code store, the acquisition hooks and their routing to the
// host window, and the debug log line.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstring>
#include <thread>

#include "capture/debug_log.h"
#include "support/event_recorder.h"
#include "support/test_dib.h"
#include "support/test_engine.h"

namespace {

TEST(ErrorStore, ConditionCodesAndPlainCodes) {
    TestEngine engine;
    struct {
        LONG stored, read;
    } cases[] = {{1, -1001}, {4, -1004}, {32767, -33767}, {32768, 32768}, {-2121, -2121}, {0, 0}, {-1, -1}, {100000, 100000}};
    for (auto c : cases) {
        engine.SetErrorCode(c.stored);
        EXPECT_EQ(engine.GetErrorCode(), c.read) << c.stored;
    }
}

TEST(AcquisitionHooks, DirectDispatchWithoutTwainThread) {
    EventRecorderWindow recorder;
    TestEngine engine;
    engine.SetOwnerWindow(recorder.Window());
    engine.OnPreAllTransfersInner();
    engine.OnPreTransferInner();
    engine.OnPostTransferInner();
    engine.OnPostAllTransfersInner();
    engine.OnTransferCancelledInner();
    engine.OnTransferErrorInner();
    engine.OnSourceUICloseInner();
    std::vector<std::string> expected = {"OnPreAllTransfers", "OnPreTransfer", "OnPostTransfer", "OnPostAllTransfers",
                                         "OnTransferCancelled", "OnTransferError", "OnSourceUIClose"};
    EXPECT_EQ(engine.hooks, expected);
    HGLOBAL dib = MakeTestDib(4, 4, 24, 9);
    engine.OnBitmapAcquiredInner(dib);
    EXPECT_EQ(engine.GetImageCount(), 1);
    EXPECT_EQ(engine.GetImageDIB(0), dib);
    // No records went to the window for the hooks themselves: only the buffer-changed notice.
    EXPECT_EQ(recorder.EventKinds(), std::vector<int>{kEventBitmap});
    EXPECT_EQ(recorder.Messages()[0].record.Value, kBufferChangedValue);
}

TEST(AcquisitionHooks, TwainThreadSendsRecordsToTheOwnerThread) {
    EventRecorderWindow recorder;
    TestEngine engine;
    engine.SetOwnerWindow(recorder.Window());
    recorder.AttachEngine(&engine);
    engine.FakeTwainThread(GetCurrentThread(), GetCurrentThreadId());

    HGLOBAL dib = MakeTestDib(6, 2, 24, 5);
    bool done = false;
    std::thread sender([&] {
        engine.OnPreAllTransfersInner();
        engine.OnPreTransferInner();
        engine.OnBitmapAcquiredInner(dib);
        engine.OnPostTransferInner();
        engine.OnPostAllTransfersInner();
        engine.OnSourceUICloseInner();
        done = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return done; }));
    sender.join();
    engine.FakeTwainThread(nullptr, 0);

    std::vector<int> kinds = recorder.EventKinds();
    // 2, 0, 17 (the image), 17 (buffer-changed notice from the host), 1, 3, 21.
    EXPECT_EQ(kinds, (std::vector<int>{2, 0, 17, 17, 1, 3, 21}));
    for (const auto& m : recorder.Messages()) EXPECT_EQ(m.threadId, GetCurrentThreadId());
    EXPECT_EQ(recorder.Messages()[2].record.Payload, dib);
    EXPECT_EQ(engine.GetImageCount(), 1);
    EXPECT_EQ(engine.GetImageDIB(0), dib);
}

TEST(AcquisitionHooks, ImageSentToAMissingWindowIsFreed) {
    TestEngine engine;
    HWND gone = CreateWindowA("STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    engine.SetOwnerWindow(gone);
    engine.FakeTwainThread(GetCurrentThread(), GetCurrentThreadId());
    HGLOBAL dib = MakeTestDib(2, 2, 8, 3);
    engine.OnBitmapAcquiredInner(dib);
    EXPECT_EQ(GlobalFlags(dib), static_cast<UINT>(GMEM_INVALID_HANDLE));
    // A window that refuses the record does not take the image either.
    EventRecorderWindow refusing;
    refusing.SetAnswer(0);
    engine.SetOwnerWindow(refusing.Window());
    HGLOBAL second = MakeTestDib(2, 2, 8, 4);
    engine.OnBitmapAcquiredInner(second);
    EXPECT_EQ(GlobalFlags(second), static_cast<UINT>(GMEM_INVALID_HANDLE));
    engine.FakeTwainThread(nullptr, 0);
}

TEST(AcquisitionHooks, EnginesHaveTheirOwnApplicationEvent) {
    TestEngine a, b;
    ASSERT_NE(a.ApplicationEvent(), nullptr);
    ASSERT_NE(b.ApplicationEvent(), nullptr);
    SetEvent(a.ApplicationEvent());
    EXPECT_EQ(WaitForSingleObject(b.ApplicationEvent(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(a.ApplicationEvent(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
}

struct SenderThread {
    HWND target;
    HANDLE queueReady;
};

DWORD WINAPI SendThenWaitForQuit(LPVOID param) {
    auto* t = static_cast<SenderThread*>(param);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before anyone posts to it
    SetEvent(t->queueReady);
    Sleep(200);  // the engine is being destroyed by now
    EventRecord r = MakeEventRecord(kEventPostAllTransfers);
    SendEventRecord(t->target, r);
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    }
    return 0;
}

TEST(AcquisitionHooks, DestructorStopsATwainThreadThatIsSendingToIt) {
    EventRecorderWindow recorder;
    SenderThread info{recorder.Window(), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, SendThenWaitForQuit, &info, 0, &id);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(info.queueReady, 5000);
    auto* engine = new TestEngine();
    engine->FakeTwainThread(thread, id);  // the engine owns the handle from here on
    delete engine;                         // returns only when the thread has ended
    EXPECT_EQ(recorder.EventKinds(), std::vector<int>{kEventPostAllTransfers});
    CloseHandle(info.queueReady);
}

std::string FormatLine(const SYSTEMTIME& t, const char* format, ...) {
    char line[1252];
    va_list args;
    va_start(args, format);
    FormatDebugLogLine(line, t, format, args);
    va_end(args);
    return line;
}

TEST(DebugLog, LineHasTheTimePrefix) {
    SYSTEMTIME t{};
    t.wYear = 2026;
    t.wMonth = 3;
    t.wDay = 7;
    t.wHour = 9;
    t.wMinute = 5;
    t.wSecond = 4;
    t.wMilliseconds = 42;
    EXPECT_EQ(FormatLine(t, "%s %d\r\n", "OnPreTransferInner", 3),
              "[2026/03/07 09:05:04:042] OnPreTransferInner 3\r\n");
    // A message longer than wvsprintfA's limit is cut, never overrun.
    std::string huge(5000, 'x');
    EXPECT_LE(FormatLine(t, "%s", huge.c_str()).size(), 1251u);
}

TEST(WaitHelper, HandlesSentMessagesWhileWaiting) {
    EventRecorderWindow recorder;
    HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread t([&] {
        EventRecord r = MakeEventRecord(kEventPreTransfer);
        SendEventRecord(recorder.Window(), r);  // blocks until this thread handles it
        SetEvent(finished);
    });
    EXPECT_EQ(WaitHandlingSentMessages(finished, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    t.join();
    EXPECT_EQ(recorder.EventKinds(), std::vector<int>{kEventPreTransfer});
    CloseHandle(finished);
}

}  // namespace
