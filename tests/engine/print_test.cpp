// Printing read back from a real printer: the set-up adds Wine's PostScript driver with a small A4
// 600-DPI description and a printer whose port is a file, makes it the default, and every test
// reads the PostScript the driver wrote: the pages, and where and how large each image was drawn.
#include <gtest/gtest.h>

#include "lumetta_win.h"

#include <commdlg.h>
#include <winspool.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/print_job.h"
#include "support/dialog_answer.h"
#include "support/test_dib.h"
#include "support/test_engine.h"
#include "support/test_printer.h"

namespace {

class PrinterFixture : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(TestPrinter::Install(), "");
        s_output = TestPrinter::OutputPath();
        s_pageWidth = TestPrinter::PageWidth();
        s_pageHeight = TestPrinter::PageHeight();
        s_dpi = TestPrinter::Dpi();
    }

    void SetUp() override { DeleteFileA(s_output.c_str()); }

    // Adds an image of the given size and resolution (pixels per metre) to a buffer.
    static void AddImageTo(TestEngine& buffer, int width, int height, LONG pixelsPerMetreX, LONG pixelsPerMetreY) {
        HGLOBAL dib = MakeTestDib(width, height, 24, static_cast<uint32_t>(width));
        auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
        header->biXPelsPerMeter = pixelsPerMetreX;
        header->biYPelsPerMeter = pixelsPerMetreY;
        GlobalUnlock(dib);
        ASSERT_TRUE(buffer.AddImage(dib));
    }
    void AddImage(int width, int height, LONG pixelsPerMetreX, LONG pixelsPerMetreY) {
        AddImageTo(engine, width, height, pixelsPerMetreX, pixelsPerMetreY);
    }

    static PrintedJob ReadJob() { return TestPrinter::ReadJob(); }

    BOOL Print(LONG printUI, int first, int last, int copies = 1) { return PrintFrom(engine, printUI, first, last, copies); }
    static BOOL PrintFrom(TestEngine& buffer, LONG printUI, int first, int last, int copies = 1) {
        CPrint job(&buffer, GetModuleHandleA(nullptr), printUI);
        return job.PrintImages(nullptr, first, last, copies);
    }
    static bool OutputExists() { return GetFileAttributesA(s_output.c_str()) != INVALID_FILE_ATTRIBUTES; }

    static inline std::string s_output;
    static inline int s_pageWidth = 0, s_pageHeight = 0, s_dpi = 0;
    TestEngine engine;
};

TEST_F(PrinterFixture, TestPrinterIsA4At600Dpi) {
    // A4 at 600 DPI is 4960 x 7016 pixels; the driver rounds the width from points.
    EXPECT_EQ(s_dpi, 600);
    EXPECT_NEAR(s_pageWidth, 4960, 2);
    EXPECT_NEAR(s_pageHeight, 7016, 2);
}

TEST_F(PrinterFixture, OneImagePerPageOfTheRange) {
    for (int i = 0; i < 5; ++i) AddImage(40 + i, 30, 11811, 11811);
    ASSERT_TRUE(Print(0, 2, 3));
    PrintedJob job = ReadJob();
    EXPECT_EQ(job.pages, 2);
    ASSERT_EQ(job.images.size(), 2u);
    EXPECT_EQ(job.images[0].sourceWidth, 41);  // indexes 1 and 2
    EXPECT_EQ(job.images[1].sourceWidth, 42);

    // A range beyond the buffer is cut to it; a first page below 2 starts at the first image.
    DeleteFileA(s_output.c_str());
    ASSERT_TRUE(Print(0, 0, 99));
    job = ReadJob();
    EXPECT_EQ(job.pages, 5);
    ASSERT_EQ(job.images.size(), 5u);
    EXPECT_EQ(job.images[0].sourceWidth, 40);
    EXPECT_EQ(job.images[4].sourceWidth, 44);

    // Two copies print the range twice.
    DeleteFileA(s_output.c_str());
    ASSERT_TRUE(Print(0, 5, 5, 2));
    job = ReadJob();
    EXPECT_EQ(job.pages, 2);
}

TEST_F(PrinterFixture, ImagesKeepTheirSizeOnPaperOrShrinkToThePage) {
    // 300 DPI is 11811 pixels per metre. 1200 x 1600 at 300 DPI is 4 x 5.33 inches: 2400 x 3200
    // printer pixels, centred.
    AddImage(1200, 1600, 11811, 11811);
    // 2480 x 3508 at 300 DPI is A4 itself: 4960 x 7016 printer pixels, a little wider than the
    // printable width, so it shrinks keeping its proportions.
    AddImage(2480, 3508, 11811, 11811);
    // Without a resolution, and with one that rounds to 0 DPI, an image counts as 96 DPI:
    // 96 x 48 pixels are 1 x 0.5 inches, 600 x 300 printer pixels.
    AddImage(96, 48, 0, 0);
    AddImage(96, 48, 19, 10);
    // Different resolutions across and down: 150 DPI across (5906), 600 down (23622).
    AddImage(300, 600, 5906, 23622);
    ASSERT_TRUE(Print(0, 1, 5));
    const PrintedJob job = ReadJob();
    ASSERT_EQ(job.images.size(), 5u);

    const DrawnImage& small = job.images[0];
    EXPECT_EQ(small.width, 2400);
    EXPECT_EQ(small.height, 3200);
    EXPECT_NEAR(small.left, (s_pageWidth - 2400) / 2, 1);
    EXPECT_NEAR(small.top, (s_pageHeight - 3200) / 2, 1);

    const DrawnImage& page = job.images[1];
    const double scale = std::min({1.0, s_pageWidth / 4960.0, s_pageHeight / 7016.0});
    ASSERT_LT(scale, 1.0);
    EXPECT_NEAR(page.width, 4960 * scale, 1.0);
    EXPECT_NEAR(page.height, 7016 * scale, 1.0);
    EXPECT_LE(page.width, s_pageWidth);
    EXPECT_LE(page.height, s_pageHeight);
    EXPECT_NEAR(static_cast<double>(page.height) / page.width, 3508.0 / 2480.0, 0.001);

    for (int i : {2, 3}) {
        EXPECT_EQ(job.images[i].width, 600) << i;
        EXPECT_EQ(job.images[i].height, 300) << i;
    }
    EXPECT_EQ(job.images[4].width, 1200);
    EXPECT_EQ(job.images[4].height, 600);
}

struct DialogScript {
    TestEngine* engine;
    WORD button;
    BOOL nestedResult = TRUE;
    bool nestedSawJob = false;
    bool pressed = false;
};
DialogScript* g_script = nullptr;

// The print dialog's answer, from inside its modal loop.
void PressPrintDialogButton(HWND dialog) {
    g_script->pressed = true;
    // A second print from page script while the first one runs is refused and leaves it alone.
    g_script->nestedSawJob = CPrint::JobRunning();
    CPrint nested(g_script->engine, GetModuleHandleA(nullptr), 0);
    g_script->nestedResult = nested.PrintImages(nullptr, 1, 1, 1);
    PostMessageA(dialog, WM_COMMAND, g_script->button, 0);
}

// Runs call() while the first dialog of this thread (the print dialog) gets the script's answer.
void WithPrintDialogAnswered(DialogScript& script, const std::function<void()>& call) {
    g_script = &script;
    WhileDialogShows(nullptr, PressPrintDialogButton, call);
    g_script = nullptr;
}

HWND CancelPrintingDialog() { return FindWindowOfThread(GetCurrentThreadId(), "Cancel Printing"); }

TEST_F(PrinterFixture, PrintDialogAndCancelDialog) {
    for (int i = 0; i < 5; ++i) AddImage(40 + i, 30, 11811, 11811);

    // Cancelling the print dialog prints nothing and fails.
    DialogScript cancel{&engine, IDCANCEL};
    WithPrintDialogAnswered(cancel, [&] { EXPECT_FALSE(Print(1, 1, 5)); });
    EXPECT_TRUE(cancel.pressed);
    EXPECT_TRUE(cancel.nestedSawJob);
    EXPECT_FALSE(cancel.nestedResult);
    EXPECT_FALSE(CPrint::JobRunning());
    EXPECT_EQ(GetFileAttributesA(s_output.c_str()), INVALID_FILE_ATTRIBUTES);

    // Confirming it prints the chosen pages; the cancel dialog is gone when the job ends.
    DialogScript ok{&engine, IDOK};
    WithPrintDialogAnswered(ok, [&] { EXPECT_TRUE(Print(1, 2, 3)); });
    EXPECT_TRUE(ok.pressed);
    EXPECT_FALSE(ok.nestedResult);
    EXPECT_EQ(ReadJob().pages, 2);
    EXPECT_EQ(CancelPrintingDialog(), nullptr);
}

TEST_F(PrinterFixture, CancelDialogStopsTheJob) {
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(116), nullptr, CPrint::CancelDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    char text[64] = {};
    GetWindowTextA(dialog, text, sizeof text);
    EXPECT_STREQ(text, "Cancel Printing");
    // Its window menu offers no Close while a job runs.
    EXPECT_TRUE(GetMenuState(GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(CPrint::AbortProc(nullptr, 0));
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_FALSE(CPrint::AbortProc(nullptr, 0));
    // A new job object starts with the flag clear.
    CPrint next(&engine, GetModuleHandleA(nullptr), 0);
    EXPECT_TRUE(CPrint::AbortProc(nullptr, 0));
}

// ---- Page script inside a running job ----

// Runs once a dialog of this title shows, from a timer: the hook a test gives it.
// Runs an action once, at the first message the thread takes after a dialog of the given title
// is created: the turn page script gets in the job's first pumped wait. The dialog's creation
// posts a note to the thread, so the action cannot miss a job that ends quickly.
struct DialogWatch {
    const char* title;
    void (*action)(HWND dialog);
    int runs = 0;
    HWND dialog = nullptr;
};
DialogWatch* g_watch = nullptr;
constexpr UINT kDialogShown = WM_APP + 0x2B;

LRESULT CALLBACK NoteDialogCreated(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    char text[64] = {};
    if (code == HC_ACTION && g_watch && !g_watch->dialog && call->message == WM_INITDIALOG &&
        GetWindowTextA(call->hwnd, text, sizeof text) && lstrcmpA(text, g_watch->title) == 0) {
        g_watch->dialog = call->hwnd;
        PostThreadMessageA(GetCurrentThreadId(), kDialogShown, 0, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK RunWatchAction(int code, WPARAM wParam, LPARAM lParam) {
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == kDialogShown && g_watch && g_watch->runs == 0) {
        ++g_watch->runs;
        g_watch->action(g_watch->dialog);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Watches for the dialog while it lives: hooks on this thread, removed when it goes.
class ScopedDialogWatch {
public:
    explicit ScopedDialogWatch(DialogWatch& watch)
        : m_created(SetWindowsHookExA(WH_CALLWNDPROCRET, NoteDialogCreated, nullptr, GetCurrentThreadId())),
          m_taken(SetWindowsHookExA(WH_GETMESSAGE, RunWatchAction, nullptr, GetCurrentThreadId())) {
        g_watch = &watch;
    }
    ~ScopedDialogWatch() {
        if (m_created) UnhookWindowsHookEx(m_created);
        if (m_taken) UnhookWindowsHookEx(m_taken);
        g_watch = nullptr;
    }
    bool Hooked() const { return m_created && m_taken; }

private:
    HHOOK m_created, m_taken;
};

// An engine in pages of its own that lose all access when it is deleted (kept reserved until the
// test ends), so that a job that reads it afterwards faults at once.
class DoomedEngine : public TestEngine {
public:
    static void* operator new(size_t size) {
        void* memory = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (!memory) throw std::bad_alloc();
        return memory;
    }
    static void operator delete(void* memory, size_t size) {
        DWORD old = 0;
        VirtualProtect(memory, size, PAGE_NOACCESS, &old);
        s_graves.push_back(memory);
    }
    static void Bury() {
        for (void* memory : s_graves) VirtualFree(memory, 0, MEM_RELEASE);
        s_graves.clear();
    }
    static inline std::vector<void*> s_graves;
};
DoomedEngine* g_doomed = nullptr;

// Queues a press of Cancel as the "Cancel Printing" dialog starts.
LRESULT CALLBACK QueueCancelPress(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    char text[64] = {};
    if (code == HC_ACTION && call->message == WM_INITDIALOG && GetWindowTextA(call->hwnd, text, sizeof text) &&
        lstrcmpA(text, "Cancel Printing") == 0)
        PostMessageA(call->hwnd, WM_COMMAND, IDCANCEL, 0);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(PrinterFixture, CancelBeforeTheFirstPage) {
    for (int i = 0; i < 3; ++i) AddImage(40 + i, 30, 11811, 11811);
    // The user confirms the print dialog and cancels the job at once: the Cancel press is queued
    // when the "Cancel Printing" dialog shows. Nothing is printed and the job ends; on Wine the
    // printing system asks the abort procedure before the document starts and refuses to start
    // it, so the call fails there, where Windows reports the cancelled job as ended.
    DialogScript ok{&engine, IDOK};
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, QueueCancelPress, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    WithPrintDialogAnswered(ok, [&] { Print(1, 1, 3); });
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(ok.pressed);
    EXPECT_FALSE(CPrint::JobRunning());
    EXPECT_EQ(CancelPrintingDialog(), nullptr);
    EXPECT_EQ(OutputExists() ? ReadJob().pages : 0, 0);
    // The job is over: the next one prints.
    DeleteFileA(s_output.c_str());
    ASSERT_TRUE(Print(0, 2, 2));
    EXPECT_EQ(ReadJob().pages, 1);
}

TEST_F(PrinterFixture, HostDeletedWhileTheJobRuns) {
    g_doomed = new DoomedEngine();
    // Large images, so that the job is still running when page script gets its turn.
    for (int i = 0; i < 5; ++i) AddImageTo(*g_doomed, 1200 + i, 1600, 11811, 11811);
    DialogScript ok{g_doomed, IDOK};
    // Once the job shows its "Cancel Printing" dialog, page script removes the control: the
    // engine and the buffer that the job reads are deleted. The job draws nothing more and ends.
    DialogWatch watch{"Cancel Printing", [](HWND) {
                          delete g_doomed;
                          g_doomed = nullptr;
                      }};
    {
        ScopedDialogWatch watching(watch);
        ASSERT_TRUE(watching.Hooked());
        WithPrintDialogAnswered(ok, [&] {
            CPrint job(g_doomed, GetModuleHandleA(nullptr), 1);
            job.PrintImages(nullptr, 1, 5, 1);
        });
    }
    EXPECT_EQ(watch.runs, 1);
    EXPECT_EQ(g_doomed, nullptr);
    EXPECT_FALSE(CPrint::JobRunning());
    EXPECT_EQ(CancelPrintingDialog(), nullptr);
    EXPECT_LT(OutputExists() ? ReadJob().pages : 0, 5);
    delete g_doomed;
    g_doomed = nullptr;
    DoomedEngine::Bury();
}

TEST(PrintWithoutEngine, Fails) {
    CPrint job(nullptr, GetModuleHandleA(nullptr), 0);
    EXPECT_FALSE(job.PrintImages(nullptr, 1, 1, 1));
}

}  // namespace
