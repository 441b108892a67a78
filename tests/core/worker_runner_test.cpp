// The worker-thread runner: event order and ids with and without the progress dialog, failure,
// cancellation, the busy refusal, a thread that cannot be made, a worker that outruns its dialog
// and an engine destroyed from an event handler while its worker runs.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "base/event_record.h"
#include "core/operation_name_table.h"
#include "core/progress_dialog.h"
#include "core/worker_runner.h"
#include "resources/resource_ids.h"
#include "support/test_dib.h"
#include "support/test_engine.h"

namespace {

// What the page saw of one operation event.
struct SeenEvent {
    int kind;
    LONG id;
    std::string name;
    std::string message;
    LONG percent;
    LONG succeed;
    DWORD threadId;
};

// A host window that turns operation records into page events, like both hosts do, and lets a
// test act as the page's handler.
class OperationHostWindow {
public:
    OperationHostWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "LumettaTestOperationHost";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, wc.lpszClassName, "host", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                 wc.hInstance, this);
    }
    ~OperationHostWindow() {
        if (IsWindow(window)) DestroyWindow(window);
    }
    std::vector<int> Kinds() const {
        std::vector<int> kinds;
        for (const auto& e : events) kinds.push_back(e.kind);
        return kinds;
    }

    HWND window = nullptr;
    std::vector<SeenEvent> events;
    std::function<void(const SeenEvent&)> handler;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_NCCREATE) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<OperationHostWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg != WM_LUMETTA_EVENT || !self || !lParam) return DefWindowProcA(hwnd, msg, wParam, lParam);
        const auto& r = *reinterpret_cast<EventRecord*>(lParam);
        SeenEvent e{r.Kind, r.Operation.Identifier, r.Operation.IdentifierDescription ? r.Operation.IdentifierDescription : "",
                    r.Operation.Message ? r.Operation.Message : "", r.Operation.Percent, r.Operation.Succeed,
                    GetCurrentThreadId()};
        self->events.push_back(e);
        if (self->handler) self->handler(e);
        return 1;
    }
};

// The engine with a host's operation slots: each sends its record to the owner window.
class OperationEngine : public TestEngine {
public:
    ~OperationEngine() override { WaitForWorkerOfEngine(this); }
    void OnBeforeOperate(LONG id, const char* name) override {
        EventRecord r = MakeEventRecord(kEventBeforeOperate);
        r.Operation.Identifier = id;
        r.Operation.IdentifierDescription = name;
        SendEventRecord(OwnerWindow(), r);
    }
    void OnOperateStatus(const char* status, LONG percent) override {
        EventRecord r = MakeEventRecord(kEventOperateStatus);
        r.Operation.Message = status;
        r.Operation.Percent = percent;
        SendEventRecord(OwnerWindow(), r);
    }
    void OnAfterOperate(LONG id, const char* name, BOOL succeeded, const char* errorText) override {
        EventRecord r = MakeEventRecord(kEventAfterOperate);
        r.Operation.Identifier = id;
        r.Operation.IdentifierDescription = name;
        r.Operation.Succeed = succeeded;
        r.Operation.Message = errorText;
        SendEventRecord(OwnerWindow(), r);
    }
};

// What the test operations saw while they ran.
struct Observed {
    DWORD threadId = 0;
    HWND dialog = nullptr;
    HANDLE startEvent = nullptr;
    std::string captionAfterStatus;
    LRESULT barAfterStatus = -1;
    LongOperationRoute nestedRoute = LongOperationRoute::Busy;
    volatile LONG cancel = 0;
    volatile LONG finished = 0;
};
Observed g_seen;

BOOL ReadBarcodeWork(WorkerTaskContext& task) {
    g_seen.threadId = GetCurrentThreadId();
    g_seen.dialog = task.dialog;
    g_seen.startEvent = task.startEvent;
    ReportOperationStatus(task.engine, "Reading barcode...", 5);
    if (g_seen.dialog) {
        char caption[MAX_PATH] = {};
        GetWindowTextA(g_seen.dialog, caption, MAX_PATH);
        g_seen.captionAfterStatus = caption;
        g_seen.barAfterStatus = SendDlgItemMessageA(g_seen.dialog, IDC_TRANSFER_PROGRESS, PBM_GETPOS, 0, 0);
    }
    g_seen.nestedRoute = RouteLongOperation(task.engine);
    ReportOperationStatus(task.engine, "Done", 100);
    task.engine->SetErrorCode(0);
    return TRUE;
}

BOOL FailingWork(WorkerTaskContext& task) {
    ReportOperationStatus(task.engine, "OCR...", 10);
    task.engine->ErrorTexts().SetCustomText("No text was found.");
    task.engine->SetErrorCode(-2120);
    return FALSE;
}

// Works in steps until the page sets the cancel flag from its status handler.
BOOL CancellableWork(WorkerTaskContext& task) {
    for (LONG step = 1; step <= 100; ++step) {
        ReportOperationStatus(task.engine, "Working...", step);
        if (g_seen.cancel) {
            task.engine->SetErrorCode(-1032);
            return FALSE;
        }
    }
    return TRUE;
}

// Keeps reporting after the page destroyed the engine; never touches the engine afterwards.
BOOL OutlivedWork(WorkerTaskContext& task) {
    ReportOperationStatus(task.engine, "First step", 10);
    ReportOperationStatus(task.engine, "Second step", 50);
    InterlockedExchange(&g_seen.finished, 1);
    return TRUE;
}

DWORD WINAPI WorkerWithoutStartWait(LPVOID task) {
    FinishWorkerTask(*static_cast<WorkerTaskContext*>(task));
    return 0;
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A long operation as the core writes one, over a given piece of work.
BOOL RunLongOperation(CBrowserAddOnBase* engine, WorkerOperation work) {
    switch (RouteLongOperation(engine)) {
        case LongOperationRoute::Busy:
            return FALSE;
        case LongOperationRoute::Worker: {
            WorkerTaskContext task(engine, kWorkerBarcodeRegion, work);
            RunInWorkerThread(engine, WorkerThreadProc, &task);
            return task.result;
        }
        case LongOperationRoute::Direct:
            break;
    }
    return work ? TRUE : FALSE;  // the direct road is not exercised here
}

class WorkerRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_seen = Observed{};
        engine = new OperationEngine();
        engine->SetOwnerWindow(host.window);
        engine->SetCurrentOperationId(kOpReadBarcode);
    }
    void TearDown() override { delete engine; }

    OperationHostWindow host;
    OperationEngine* engine = nullptr;
};

void ExpectReadBarcodeEvents(const OperationHostWindow& host) {
    ASSERT_EQ(host.Kinds(), (std::vector<int>{kEventBeforeOperate, kEventOperateStatus, kEventOperateStatus,
                                              kEventAfterOperate}));
    const auto& e = host.events;
    EXPECT_EQ(e[0].id, 373);
    EXPECT_EQ(e[0].name, "ReadBarcode");
    EXPECT_EQ(e[1].message, "Reading barcode...");
    EXPECT_EQ(e[1].percent, 5);
    EXPECT_EQ(e[2].message, "Done");
    EXPECT_EQ(e[2].percent, 100);
    EXPECT_EQ(e[3].id, 373);
    EXPECT_EQ(e[3].name, "ReadBarcode");
    EXPECT_EQ(e[3].succeed, 1);
    EXPECT_EQ(e[3].message, "Successful.");
    for (const auto& seen : e) EXPECT_EQ(seen.threadId, GetCurrentThreadId()) << "events reach the page on its thread";
}

}  // namespace

TEST_F(WorkerRunnerTest, WithoutDialogTheWorkRunsOnAWorkerAndEventsComeInOrder) {
    engine->IfShowProgressBar(FALSE);
    WorkerTaskContext task(engine, kWorkerBarcodeRegion, ReadBarcodeWork);
    EXPECT_EQ(engine->GetInsideWorker(), 1);
    EXPECT_EQ(engine->RunningTask(), &task);
    EXPECT_TRUE(RunInWorkerThread(engine, WorkerThreadProc, &task));
    EXPECT_TRUE(task.result);
    EXPECT_STREQ(task.name, "ReadBarcode");
    EXPECT_EQ(task.startEvent, nullptr);
    EXPECT_EQ(g_seen.dialog, nullptr);
    EXPECT_EQ(g_seen.startEvent, nullptr) << "no dialog, no start event";
    EXPECT_NE(g_seen.threadId, 0u);
    EXPECT_NE(g_seen.threadId, GetCurrentThreadId());
    EXPECT_EQ(g_seen.nestedRoute, LongOperationRoute::Direct) << "the worker's own long operations run directly";
    ExpectReadBarcodeEvents(host);
}

TEST_F(WorkerRunnerTest, WithDialogTheDialogShowsEachStepAndCloses) {
    engine->IfShowProgressBar(TRUE);
    WorkerTaskContext task(engine, kWorkerBarcodeRegion, ReadBarcodeWork);
    EXPECT_TRUE(RunInWorkerThread(engine, WorkerThreadProc, &task));
    EXPECT_TRUE(task.result);
    ASSERT_NE(g_seen.dialog, nullptr) << "the worker starts once the dialog is up";
    EXPECT_NE(g_seen.startEvent, nullptr);
    EXPECT_EQ(g_seen.captionAfterStatus, "Reading barcode...");
    EXPECT_EQ(g_seen.barAfterStatus, 5);
    EXPECT_FALSE(IsWindow(g_seen.dialog));
    EXPECT_EQ(task.dialog, nullptr);
    EXPECT_EQ(task.startEvent, nullptr);
    ExpectReadBarcodeEvents(host);
}

TEST_F(WorkerRunnerTest, TheContextLeavesTheEngineIdleWhenDestroyed) {
    {
        WorkerTaskContext task(engine, kWorkerBlankArea, nullptr);
        EXPECT_EQ(engine->GetInsideWorker(), 1);
    }
    EXPECT_EQ(engine->GetInsideWorker(), 0);
    EXPECT_EQ(engine->RunningTask(), nullptr);
}

TEST_F(WorkerRunnerTest, AFailedOperationReportsItsErrorText) {
    engine->IfShowProgressBar(FALSE);
    engine->SetCurrentOperationId(kOpOCREx1);
    WorkerTaskContext task(engine, kWorkerOcrArea, FailingWork);
    EXPECT_TRUE(RunInWorkerThread(engine, WorkerThreadProc, &task)) << "a thread was started";
    EXPECT_FALSE(task.result);
    ASSERT_EQ(host.Kinds(), (std::vector<int>{kEventBeforeOperate, kEventOperateStatus, kEventAfterOperate}));
    EXPECT_EQ(host.events[2].id, 394);
    EXPECT_EQ(host.events[2].name, "OCREx1");
    EXPECT_EQ(host.events[2].succeed, 0);
    EXPECT_EQ(host.events[2].message, "No text was found.");
    EXPECT_EQ(engine->GetErrorCode(), -2120);
}

TEST_F(WorkerRunnerTest, APageThatCancelsFromItsStatusHandlerEndsTheOperation) {
    engine->IfShowProgressBar(TRUE);
    host.handler = [](const SeenEvent& e) {
        if (e.kind == kEventOperateStatus && e.percent == 3) InterlockedExchange(&g_seen.cancel, 1);
    };
    WorkerTaskContext task(engine, kWorkerOcrFiles, CancellableWork);
    EXPECT_TRUE(RunInWorkerThread(engine, WorkerThreadProc, &task));
    EXPECT_FALSE(task.result);
    EXPECT_EQ(engine->GetErrorCode(), -1032);
    ASSERT_EQ(host.events.size(), 5u);  // before, three steps, after
    EXPECT_EQ(host.events.back().kind, kEventAfterOperate);
    EXPECT_EQ(host.events.back().succeed, 0);
    EXPECT_EQ(host.events.back().message, "User cancelled the operation.");
}

TEST_F(WorkerRunnerTest, ALongOperationFromAnEventHandlerDuringTheWorkerIsRefusedAsBusy) {
    engine->IfShowProgressBar(TRUE);
    BOOL nestedResult = TRUE;
    LONG nestedError = 0;
    std::string nestedText;
    size_t eventsWhenNested = 0;
    host.handler = [&](const SeenEvent& e) {
        if (e.kind != kEventOperateStatus || e.percent != 5) return;
        eventsWhenNested = host.events.size();
        nestedResult = RunLongOperation(engine, ReadBarcodeWork);
        nestedError = engine->GetErrorCode();
        nestedText = engine->ErrorTexts().GetCustomText();
    };
    EXPECT_TRUE(RunLongOperation(engine, ReadBarcodeWork));
    EXPECT_FALSE(nestedResult);
    EXPECT_EQ(nestedError, -2121);
    EXPECT_NE(nestedText.find("Another long operation is running"), std::string::npos);
    EXPECT_EQ(host.events.size(), 4u) << "the refused call raised no events of its own";
    EXPECT_EQ(eventsWhenNested, 2u);

    // Once the worker has ended the same call runs again.
    host.handler = nullptr;
    host.events.clear();
    EXPECT_TRUE(RunLongOperation(engine, ReadBarcodeWork));
    ExpectReadBarcodeEvents(host);
}

TEST_F(WorkerRunnerTest, HandlersOfOnBeforeAndOnAfterOperateRunTheirOperationsDirectly) {
    // No worker is at work then: nothing runs at the same time, so nothing is refused.
    engine->IfShowProgressBar(FALSE);
    std::vector<LongOperationRoute> nested;
    host.handler = [&](const SeenEvent& e) {
        if (e.kind == kEventBeforeOperate || e.kind == kEventAfterOperate) nested.push_back(RouteLongOperation(engine));
    };
    EXPECT_TRUE(RunLongOperation(engine, ReadBarcodeWork));
    EXPECT_EQ(nested, (std::vector<LongOperationRoute>{LongOperationRoute::Direct, LongOperationRoute::Direct}));
}

TEST_F(WorkerRunnerTest, AQuitPostedDuringTheWaitOutlivesTheWorker) {
    engine->IfShowProgressBar(FALSE);
    host.handler = [](const SeenEvent& e) {
        if (e.kind == kEventOperateStatus && e.percent == 5) PostQuitMessage(7);
    };
    WorkerTaskContext task(engine, kWorkerBarcodeRegion, ReadBarcodeWork);
    EXPECT_TRUE(RunInWorkerThread(engine, WorkerThreadProc, &task));
    EXPECT_TRUE(task.result) << "the wait went on to the worker's end";
    EXPECT_EQ(host.events.size(), 4u);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(WorkerRunnerTest, WithTheWorkerOptionOffTheWorkRunsHereWithoutOperationEvents) {
    engine->SetRunInWorker(0);
    EXPECT_EQ(RouteLongOperation(engine), LongOperationRoute::Direct);
    engine->SetRunInWorker(1);
    EXPECT_EQ(RouteLongOperation(engine), LongOperationRoute::Worker);
    EXPECT_TRUE(host.events.empty());
}

TEST_F(WorkerRunnerTest, AThreadThatCannotBeMadeFailsAtOnce) {
    engine->IfShowProgressBar(TRUE);
    auto saved = g_createWorkerThread;
    g_createWorkerThread = [](LPTHREAD_START_ROUTINE, LPVOID, DWORD*) -> HANDLE {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    };
    WorkerTaskContext task(engine, kWorkerBarcodeRegion, ReadBarcodeWork);
    BOOL started = RunInWorkerThread(engine, WorkerThreadProc, &task);
    g_createWorkerThread = saved;
    EXPECT_FALSE(started);
    EXPECT_FALSE(task.result);
    EXPECT_EQ(g_seen.threadId, 0u) << "the work did not run";
    EXPECT_EQ(engine->GetErrorCode(), -3000 - ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(task.startEvent, nullptr);
    ASSERT_EQ(host.Kinds(), (std::vector<int>{kEventBeforeOperate, kEventAfterOperate}));
    EXPECT_EQ(host.events[1].succeed, 0);
    EXPECT_FALSE(host.events[1].message.empty()) << "the system's text of the error";
}

TEST_F(WorkerRunnerTest, AWorkerThatEndsBeforeTheDialogOpensStillClosesIt) {
    // A routine that does not wait for the dialog, as when the start wait has timed out: the work
    // is finished before the dialog stores its handle, so only the dialog can see that it is done.
    engine->IfShowProgressBar(TRUE);
    for (int round = 0; round < 3; ++round) {
        // The work sends nothing, so nothing makes the worker wait for this thread either.
        WorkerTaskContext task(engine, kWorkerBarcodeRegion, [](WorkerTaskContext&) -> BOOL { return TRUE; });
        EXPECT_TRUE(RunInWorkerThread(engine, WorkerWithoutStartWait, &task));
        EXPECT_EQ(task.done, 1);
        EXPECT_TRUE(task.result);
    }
}

TEST_F(WorkerRunnerTest, AnEngineDestroyedFromAStatusHandlerWaitsForItsWorker) {
    engine->IfShowProgressBar(FALSE);
    host.handler = [&](const SeenEvent& e) {
        if (e.kind == kEventOperateStatus && e.percent == 10 && engine) {
            delete engine;
            engine = nullptr;
            EXPECT_EQ(g_seen.finished, 1) << "the destructor returned only after the worker ended";
        }
    };
    {
        WorkerTaskContext task(engine, kWorkerOcrArea, OutlivedWork);
        EXPECT_TRUE(RunInWorkerThread(engine, WorkerThreadProc, &task));
        EXPECT_EQ(task.abandoned, 1);
        EXPECT_TRUE(task.result);
    }
    EXPECT_EQ(engine, nullptr);
    // Only the first status reached the page; nothing after the engine was gone.
    EXPECT_EQ(host.Kinds(), (std::vector<int>{kEventBeforeOperate, kEventOperateStatus}));
}

TEST_F(WorkerRunnerTest, AnEngineDestroyedFromOnBeforeOperateStartsNoWorker) {
    host.handler = [&](const SeenEvent& e) {
        if (e.kind == kEventBeforeOperate) {
            delete engine;
            engine = nullptr;
        }
    };
    WorkerTaskContext task(engine, kWorkerBarcodeRegion, ReadBarcodeWork);
    EXPECT_FALSE(RunInWorkerThread(task.engine, WorkerThreadProc, &task));
    EXPECT_EQ(g_seen.threadId, 0u) << "the work did not run";
    EXPECT_EQ(host.Kinds(), (std::vector<int>{kEventBeforeOperate}));
}

// A worker that, once started, first reports a step: the page's status handler then runs on the
// host thread while the worker is at work, and may do anything to the buffer.
LPTHREAD_START_ROUTINE g_realRoutine = nullptr;

DWORD WINAPI StatusFirstWorker(LPVOID parameter) {
    auto* task = static_cast<WorkerTaskContext*>(parameter);
    ReportOperationStatus(task->engine, "Page acts now", 1);
    return g_realRoutine(parameter);
}

HGLOBAL MakeWhiteDib(int width, int height) {
    HGLOBAL dib = MakeTestDib(width, height, 24);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    memset(reinterpret_cast<BYTE*>(header + 1), 0xFF, size_t((width * 3 + 3) & ~3) * size_t(height));
    GlobalUnlock(dib);
    return dib;
}

TEST_F(WorkerRunnerTest, TheBlankWorkerReadsItsOwnCopyWhileThePageFreesAndReplacesTheImage) {
    engine->SetRunInWorker(1);
    engine->SetCurrentOperationId(kOpIsBlankImageEx);
    ASSERT_TRUE(engine->AddImage(MakeWhiteDib(64, 48)));
    HGLOBAL replacement = nullptr;
    host.handler = [&](const SeenEvent& e) {
        if (e.kind != kEventOperateStatus || e.percent != 1) return;
        // The worst a page can do here: free the image the worker tests and put another there.
        engine->RemoveAllImages();
        ASSERT_TRUE(engine->AddImage(MakeTestDib(64, 48, 24, 77)));
        replacement = engine->GetImageDIB(0);
    };
    auto saved = g_createWorkerThread;
    g_realRoutine = WorkerThreadProc;
    g_createWorkerThread = [](LPTHREAD_START_ROUTINE, LPVOID parameter, DWORD* id) -> HANDLE {
        return CreateThread(nullptr, 0, StatusFirstWorker, parameter, CREATE_SUSPENDED, id);
    };
    const BOOL blank = engine->IsBlankImageEx(0, 0, 0, -1, -1, FALSE);
    g_createWorkerThread = saved;
    EXPECT_TRUE(blank) << "the worker tested the white image it was given, error " << engine->GetErrorCode();
    EXPECT_EQ(engine->GetErrorCode(), 0);
    ASSERT_NE(replacement, nullptr);
    EXPECT_EQ(engine->GetImageCount(), 1);
    EXPECT_EQ(engine->GetImageDIB(0), replacement);
    // The page's image itself is not blank: the answer above came from the copy.
    EXPECT_FALSE(engine->RunBlankImageTest(0, RECT{0, 0, -1, -1}, FALSE));
}

TEST(ProgressDialog, TheSpinnerTurnsAtTheEndOfTheCaption) {
    char caption[MAX_PATH] = "Reading barcode...";
    const char* expected[] = {"Reading barcode..._", "Reading barcode...\\", "Reading barcode...|",
                              "Reading barcode.../", "Reading barcode..._"};
    for (const char* e : expected) {
        AdvanceSpinnerCaption(caption);
        EXPECT_STREQ(caption, e);
    }
    char full[MAX_PATH];
    memset(full, 'x', MAX_PATH - 1);
    full[MAX_PATH - 1] = '\0';
    AdvanceSpinnerCaption(full);
    EXPECT_EQ(strlen(full), MAX_PATH - 1u);
    EXPECT_EQ(full[MAX_PATH - 2], '_');
    char empty[MAX_PATH] = "";
    AdvanceSpinnerCaption(empty);
    EXPECT_STREQ(empty, "_");
}

TEST(ProgressDialog, TheTemplateHasItsCaptionBarAndButton) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FILE_TRANSFER), nullptr,
                                     PlainDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    char text[MAX_PATH] = {};
    GetWindowTextA(dialog, text, MAX_PATH);
    EXPECT_STREQ(text, "File Transfer...");
    GetClassNameA(GetDlgItem(dialog, IDC_TRANSFER_PROGRESS), text, MAX_PATH);
    EXPECT_STREQ(text, "msctls_progress32");
    GetWindowTextA(GetDlgItem(dialog, IDC_TRANSFER_CANCEL), text, MAX_PATH);
    EXPECT_STREQ(text, "Cancel");
    DestroyWindow(dialog);
}
