// The TWAIN session against Wine's own source manager and the test scanner.
#include <gtest/gtest.h>

#include <cstring>

#include "support/dialog_answer.h"
#include "twain_harness.h"

namespace {

TEST(TwainSession, ListsTheScannerUnderAManagerThatNumbersFromZero) {
    SetScenario("");
    ScanSession s;
    // The scanner comes first (Wine's manager also lists its own camera source after it).
    EXPECT_GE(s.engine.GetDataSourceCount(), 1);
    EXPECT_EQ(s.engine.GetErrorCode(), 0);
    ASSERT_NE(s.engine.GetDataSourceName(0), nullptr);
    EXPECT_STREQ(s.engine.GetDataSourceName(0), "Lumetta Test Scanner");
    EXPECT_EQ(s.engine.GetDataSourceName(-1), nullptr);
    EXPECT_EQ(s.engine.GetErrorCode(), 0);
    EXPECT_EQ(s.engine.GetDataSourceName(s.engine.GetDataSourceCount()), nullptr);
    char name[34];
    s.engine.GetDefaultSourceName(name);
    EXPECT_STREQ(name, "Lumetta Test Scanner");
}

TEST(TwainSession, OpenEnableDisableClose) {
    SetScenario("pages=0");
    ScanSession s;
    EXPECT_EQ(s.engine.DataSourceStatus(), 0);
    ASSERT_TRUE(s.engine.SelectSourceByIndex(0));
    ASSERT_TRUE(s.engine.OpenSource()) << s.engine.GetErrorCode();
    EXPECT_EQ(s.engine.DataSourceStatus(), 1);
    EXPECT_NE(ScannerModule(), nullptr);
    EXPECT_TRUE(s.engine.EnableSource());
    EXPECT_EQ(s.engine.DataSourceStatus(), 2);
    EXPECT_TRUE(s.engine.EnableSource());
    EXPECT_EQ(s.engine.GetErrorCode(), -1004);
    EXPECT_TRUE(s.engine.DisableSource());
    EXPECT_TRUE(s.engine.CloseSource());
    EXPECT_EQ(s.engine.DataSourceStatus(), 0);
    // Closed: the next open takes the manager's default source.
    EXPECT_TRUE(s.engine.OpenSource());
    EXPECT_STREQ(s.engine.SourceIdentity().ProductName, "Lumetta Test Scanner");
    EXPECT_TRUE(s.engine.CloseSourceManager());
    EXPECT_FALSE(s.engine.IsSourceOpen());
    EXPECT_EQ(s.engine.SourceIdentity().ProductName[0], '\0');
}

TEST(TwainSession, SelectionOutOfRangeAndCallsWithoutManager) {
    ScanSession s;
    EXPECT_FALSE(s.engine.SelectSourceByIndex(3));
    EXPECT_EQ(s.engine.GetErrorCode(), -1033);
    EXPECT_FALSE(s.engine.SelectSourceByIndex(-1));
    EXPECT_EQ(s.engine.GetErrorCode(), -1033);
    ASSERT_TRUE(s.engine.CloseSourceManager());
    // No entry point loaded: a failure, never a success that did not happen.
    TW_STATUS status = {};
    EXPECT_NE(s.engine.CallDSMEntry(nullptr, nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
    EXPECT_EQ(s.engine.GetErrorCode(), -1031);
    EXPECT_FALSE(s.engine.SetCapability(CAP_XFERCOUNT));
    EXPECT_EQ(s.engine.GetErrorCode(), -1031);
}

// The manager's selection dialog (of whichever thread of this process shows it), answered from
// a second thread as a person would.
void PressButton(HWND dialog, WORD button) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); }

TEST(TwainSession, SelectSourceThroughTheManagersDialog) {
    ScanSession s;
    {
        DialogAnswerer cancel(0, nullptr, [](HWND dialog) { PressButton(dialog, IDCANCEL); });
        EXPECT_FALSE(s.engine.SelectSource());
        EXPECT_EQ(s.engine.GetErrorCode(), -1032);
        EXPECT_TRUE(cancel.Finish());
    }
    DialogAnswerer accept(0, nullptr, [](HWND dialog) { PressButton(dialog, IDOK); });
    EXPECT_TRUE(s.engine.SelectSource()) << s.engine.GetErrorCode();
    EXPECT_STREQ(s.engine.SourceIdentity().ProductName, "Lumetta Test Scanner");
    EXPECT_TRUE(accept.Finish());
}

TEST(TwainSession, CloseRequestClosesEverythingAndRaisesUIClose) {
    SetScenario("closereq=1");
    ScanSession s;
    ASSERT_TRUE(s.engine.EnableSource());
    EXPECT_TRUE(PumpScan(s.engine, [&] { return !s.engine.IsSourceManagerOpen(); }));
    EXPECT_FALSE(s.engine.IsSourceOpen());
    EXPECT_EQ(s.engine.kinds, std::vector<int>{21});
}

TEST(TwainSession, DestroyingAnEngineWithAnEnabledSourceCompletes) {
    SetScenario("pages=0");
    {
        ScanSession s;
        ASSERT_TRUE(s.engine.EnableSource());
    }
    // The manager is usable again afterwards: the source was closed properly.
    ScanSession again;
    EXPECT_TRUE(again.engine.OpenSource());
    EXPECT_TRUE(again.engine.EnableSource());
}

}  // namespace
