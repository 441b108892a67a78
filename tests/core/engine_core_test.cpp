// The scripting core's part of the engine contract: buffer-changed refresh rules, the engine
// table and the message hook.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "core/engine_table.h"
#include "support/event_recorder.h"
#include "support/test_dib.h"
#include "support/test_engine.h"

namespace {

constexpr UINT kProbeMessage = WM_USER + 77;

// An editor that consumes one message, so the hook has something to blank.
class ConsumingEditor : public CImageEditor {
public:
    int PreTranslateMessage(MSG* msg) override { return msg->message == kProbeMessage ? 1 : 0; }
};

TEST(EngineCore, Defaults) {
    TestEngine engine;
    EXPECT_STREQ(engine.GetHttpFieldNameOfUploadedImage(), "RemoteFile");
    EXPECT_EQ(engine.GetSupportedDeviceType(), 1);
    EXPECT_EQ(engine.GetCurrentDeviceType(), 1);
    EXPECT_EQ(engine.GetBlankImageThreshold(), 128);
    EXPECT_FLOAT_EQ(engine.GetBlankImageMaxStdDev(), 1.0f);
    EXPECT_EQ(engine.GetBackgroundFillColor(), 0xFFFFFFu);
    EXPECT_STREQ(engine.ImageEditorWindowTitle(), "Lumetta Image Editor");
    EXPECT_STREQ(engine.ApplicationIdentity().ProductName, "Lumetta");
    EXPECT_STREQ(engine.ApplicationIdentity().Version.Info, "Lumetta 8.0");
    EXPECT_STREQ(CBrowserAddOnBase::GetHostKindName(0), "Activex");
    EXPECT_STREQ(CBrowserAddOnBase::GetHostKindName(1), "WinPlugin");
    EXPECT_STREQ(CBrowserAddOnBase::GetHostKindName(5), "unknow");
    engine.SetBlankImageThreshold(300);
    EXPECT_EQ(engine.GetBlankImageThreshold(), 255);
    engine.SetBlankImageMaxStdDev(-3.0f);
    EXPECT_FLOAT_EQ(engine.GetBlankImageMaxStdDev(), 0.0f);
}

TEST(EngineCore, BufferChangesRefreshTheViewerAndRaiseTheNotice) {
    EventRecorderWindow recorder;
    TestEngine engine;
    engine.SetOwnerWindow(recorder.Window());
    HGLOBAL a = MakeTestDib(3, 3, 24, 1), b = MakeTestDib(3, 3, 24, 2);
    engine.AddImage(a);
    engine.AddImage(b);
    EXPECT_EQ(engine.Viewer().ImageCount(), 2);
    EXPECT_EQ(engine.Viewer().ImageAt(1), b);
    EXPECT_EQ(engine.Viewer().GetSelectedImageIndex(0), 1);
    EXPECT_EQ(recorder.EventKinds().size(), 2u);

    // Quiet: the viewer follows, the page hears nothing.
    recorder.Clear();
    engine.SetCurrentImageIndex(0);
    EXPECT_EQ(engine.Viewer().GetSelectedImageIndex(0), 0);
    EXPECT_TRUE(recorder.EventKinds().empty());

    // Suspended: nothing at all.
    recorder.Clear();
    engine.SetSuspendViewUpdates(1);
    engine.RemoveImage(1);
    EXPECT_EQ(engine.Viewer().ImageCount(), 2);
    EXPECT_TRUE(recorder.EventKinds().empty());
    engine.SetSuspendViewUpdates(0);
    engine.OnBufferChanged(nullptr, 0);
    EXPECT_EQ(engine.Viewer().ImageCount(), 1);
    EXPECT_EQ(recorder.EventKinds().size(), 1u);
}

TEST(EngineCore, NullImageRecordIsRefusedByTheBuffer) {
    EventRecorderWindow recorder;
    TestEngine engine;
    engine.SetOwnerWindow(recorder.Window());
    recorder.AttachEngine(&engine);
    EventRecord r = MakeEventRecord(kEventBitmap);  // no image, Value 0: not the notice
    SendEventRecord(recorder.Window(), r);
    EXPECT_EQ(engine.GetErrorCode(), -1010);
    EXPECT_EQ(engine.GetImageCount(), 0);
}

TEST(EngineTable, EnterOnceLeaveEverySlot) {
    auto* engine = new TestEngine();
    EXPECT_TRUE(EnterEngine(engine));
    EXPECT_FALSE(EnterEngine(engine));
    SetEngineSlot(700, engine);
    SetEngineSlot(1023, engine);
    delete engine;
    for (int i = 0; i < kEngineTableSlots; ++i) ASSERT_EQ(EngineAt(i), nullptr) << i;
}

TEST(EngineTable, ThreadsEnteringAtOnceEachGetTheirOwnSlot) {
    // Engines are only compared and counted here, never called: distinct addresses will do.
    constexpr int kThreads = 8, kEach = 100;
    static char fakes[kThreads * kEach];
    auto engineOf = [](int i) { return reinterpret_cast<CBrowserAddOnBase*>(&fakes[i]); };
    for (int round = 0; round < 20; ++round) {
        std::vector<std::thread> threads;
        std::vector<int> entered(kThreads, 0);
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < kEach; ++i) entered[t] += EnterEngine(engineOf(t * kEach + i)) ? 1 : 0;
            });
        }
        for (auto& thread : threads) thread.join();
        int lost = 0;
        for (int i = 0; i < kThreads * kEach; ++i) {
            int slots = 0;
            for (int s = 0; s < kEngineTableSlots; ++s) slots += EngineAt(s) == engineOf(i);
            lost += slots != 1;
        }
        ASSERT_EQ(lost, 0) << "round " << round;
        for (int t = 0; t < kThreads; ++t) EXPECT_EQ(entered[t], kEach);
        for (int i = 0; i < kThreads * kEach; ++i) LeaveEngine(engineOf(i));
    }
}

class HookFixture : public testing::Test {
protected:
    void SetUp() override {
        engine.SetOwnerWindow(recorder.Window());
        engine.SetCurrentDeviceTypeField(0);
        engine.OpenEditors().Add(new ConsumingEditor());
        hook = SetWindowsHookExA(WH_GETMESSAGE, CBrowserAddOnBase::GetMessageHookProc(), nullptr, GetCurrentThreadId());
        ASSERT_NE(hook, nullptr);
        engine.SetHookHandle(hook);
        ASSERT_TRUE(EnterEngine(&engine));
    }
    void TearDown() override {
        UnhookWindowsHookEx(hook);
        LeaveEngine(&engine);
    }

    EventRecorderWindow recorder;
    TestEngine engine;
    HHOOK hook = nullptr;
};

TEST_F(HookFixture, ConsumedMessageIsBlankedOnlyWithShowUI) {
    MSG msg;
    PostMessageA(recorder.Window(), kProbeMessage, 1, 2);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, 0u);  // show-UI on (default) and consumed: blanked

    engine.SetShowUIFlag(0);
    PostMessageA(recorder.Window(), kProbeMessage, 1, 2);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, kProbeMessage);

    // A webcam engine is not offered TWAIN messages at all.
    engine.SetShowUIFlag(1);
    engine.SetCurrentDeviceTypeField(1);
    PostMessageA(recorder.Window(), kProbeMessage, 1, 2);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, kProbeMessage);
}

TEST_F(HookFixture, EnginesOfOtherThreadsAreNotOffered) {
    // The engine's owner window now lives on another thread: this thread's hook leaves it alone.
    HWND foreign = nullptr;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread owner([&] {
        foreign = CreateWindowA("STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        SetEvent(ready);
        WaitForSingleObject(stop, 5000);
        DestroyWindow(foreign);
    });
    WaitForSingleObject(ready, 5000);
    engine.SetOwnerWindow(foreign);
    MSG msg;
    PostMessageA(recorder.Window(), kProbeMessage, 1, 2);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, kProbeMessage);
    SetEvent(stop);
    owner.join();
    CloseHandle(ready);
    CloseHandle(stop);
}

TEST_F(HookFixture, AnotherThreadsEngineIsNotReadAtAll) {
    // Another thread's engine may be in the middle of its destruction: stand for it with memory
    // that cannot be read. This thread's hook must pass it by without touching it.
    void* gone = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(gone, nullptr);
    auto* foreign = static_cast<CBrowserAddOnBase*>(gone);
    std::thread([&] { ASSERT_TRUE(EnterEngine(foreign)); }).join();
    MSG msg;
    PostMessageA(recorder.Window(), kProbeMessage, 1, 2);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, 0u) << "this thread's engine was still offered the message";
    LeaveEngine(foreign);
    VirtualFree(gone, 0, MEM_RELEASE);
}

}  // namespace
