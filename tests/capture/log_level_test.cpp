// LogLevel and the debug log as a debug-output viewer sees it: lines are captured from
// OutputDebugStringA's debug-print exception, which the system raises before anything else.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "capture/debug_log.h"
#include "support/test_engine.h"

namespace {

constexpr DWORD kDebugPrintException = 0x40010006;  // DBG_PRINTEXCEPTION_C
std::vector<std::string>* g_captured = nullptr;

LONG CALLBACK CaptureDebugPrint(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* r = info->ExceptionRecord;
    if (r->ExceptionCode != kDebugPrintException || r->NumberParameters < 2 || !g_captured)
        return EXCEPTION_CONTINUE_SEARCH;
    g_captured->push_back(reinterpret_cast<const char*>(r->ExceptionInformation[1]));
    return EXCEPTION_CONTINUE_EXECUTION;
}

// Collects the debug output of its lifetime.
struct DebugOutputCapture {
    std::vector<std::string> lines;
    void* handler;
    DebugOutputCapture() {
        g_captured = &lines;
        handler = AddVectoredExceptionHandler(1, CaptureDebugPrint);
    }
    ~DebugOutputCapture() {
        RemoveVectoredExceptionHandler(handler);
        g_captured = nullptr;
        g_LogFlag = 0;
    }
};

// "[yyyy/mm/dd hh:mm:ss:mmm] " with digits where the digits go.
bool HasTimePrefix(const std::string& line) {
    const char pattern[] = "[dddd/dd/dd dd:dd:dd:ddd] ";
    if (line.size() < sizeof(pattern) - 1) return false;
    for (size_t i = 0; i + 1 < sizeof(pattern); ++i) {
        if (pattern[i] == 'd' ? !isdigit(static_cast<unsigned char>(line[i])) : line[i] != pattern[i]) return false;
    }
    return true;
}

TEST(LogLevel, AcceptsOnlyZeroAndOne) {
    DebugOutputCapture capture;
    TestEngine engine;
    engine.SetErrorCode(0);
    EXPECT_FALSE(engine.SetLogLevel(2, false));
    EXPECT_EQ(engine.GetErrorCode(), -1034);
    EXPECT_EQ(engine.GetLogLevel(), 0);
    EXPECT_FALSE(engine.SetLogLevel(-1, false));
    EXPECT_EQ(g_LogFlag, 0);
    EXPECT_TRUE(capture.lines.empty());
}

TEST(LogLevel, VersionLineOncePerEngineAndTheLineFormat) {
    DebugOutputCapture capture;
    TestEngine first, second;
    ASSERT_TRUE(first.SetLogLevel(0, false));  // off while never logged: nothing
    ASSERT_TRUE(first.SetLogLevel(1, false));
    EXPECT_EQ(first.GetLogLevel(), 1);
    ASSERT_TRUE(first.SetLogLevel(1, false));
    ASSERT_TRUE(first.SetLogLevel(0, false));
    ASSERT_TRUE(first.SetLogLevel(1, false));
    ASSERT_EQ(capture.lines.size(), 1u);
    EXPECT_TRUE(HasTimePrefix(capture.lines[0])) << capture.lines[0];
    EXPECT_EQ(capture.lines[0].substr(26), "Activex Version info:Lumetta 8.0, , x64:1\r\n\r\n");

    ASSERT_TRUE(second.SetLogLevel(1, true, "Gecko"));
    ASSERT_EQ(capture.lines.size(), 2u);
    EXPECT_EQ(capture.lines[1].substr(26), "Plugin Version info:Lumetta 8.0, Gecko, x64:0\r\n\r\n");

    // Any line while the flag is on; none while it is off.
    if (DebugLogOn()) DebugLog(0, "%s state %d\r\n", "DSM", 4);
    ASSERT_EQ(capture.lines.size(), 3u);
    EXPECT_EQ(capture.lines[2].substr(26), "DSM state 4\r\n");
    SYSTEMTIME now;
    GetLocalTime(&now);
    char year[8];
    snprintf(year, sizeof(year), "[%04d/", now.wYear);
    EXPECT_EQ(capture.lines[2].substr(0, 6), year);
    ASSERT_TRUE(second.SetLogLevel(0, true));
    if (DebugLogOn()) DebugLog(0, "never\r\n");
    EXPECT_EQ(capture.lines.size(), 3u);
}

}  // namespace
