// Source operations routed by device type, against two test scanners behind Wine's source
// manager and one test camera; dialog 103 driven as a person would. The cases named NoScanner
// run in a process whose test data source offers no scanner.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "base/event_record.h"
#include "device_session.h"
#include "resources/resource_ids.h"

namespace {

std::string ScriptText(TestEngine& engine) { return engine.lastScriptString; }
std::string CustomText(TestEngine& engine) {
    const char* text = engine.ErrorTexts().GetCustomText();
    return text ? text : "";
}

TEST(SourceRouting, TwoScannersAndOneCameraShareOneIndexSpace) {
    DeviceSession s;
    ASSERT_TRUE(s.engine.SetSupportedDeviceType(2));
    EXPECT_EQ(s.engine.RoutedSourceCount(), 3);
    const char* names[] = {"Lumetta Test Scanner", "Lumetta Test Scanner 2", "Lumetta Test Camera 0"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(s.engine.RoutedSourceNameItems(i, nullptr)) << i;
        EXPECT_EQ(ScriptText(s.engine), names[i]);
    }
    EXPECT_FALSE(s.engine.RoutedSourceNameItems(-1, nullptr));
    EXPECT_EQ(s.engine.GetErrorCode(), -1033);
    EXPECT_EQ(ScriptText(s.engine), "");

    // Index 2 is the camera.
    ASSERT_TRUE(s.engine.RoutedSelectSourceByIndex(2)) << s.engine.GetErrorCode();
    EXPECT_EQ(s.engine.GetCurrentDeviceType(), 1);
    ASSERT_TRUE(s.engine.RoutedOpenSource());
    EXPECT_TRUE(s.engine.RoutedCurrentSourceName(nullptr));
    EXPECT_EQ(ScriptText(s.engine), "Lumetta Test Camera 0");

    // Index 1 is the second scanner.
    ASSERT_TRUE(s.engine.RoutedSelectSourceByIndex(1)) << s.engine.GetErrorCode();
    EXPECT_EQ(s.engine.GetCurrentDeviceType(), 0);
    ASSERT_TRUE(s.engine.RoutedOpenSource()) << s.engine.GetErrorCode();
    EXPECT_TRUE(s.engine.RoutedCurrentSourceName(nullptr));
    EXPECT_EQ(ScriptText(s.engine), "Lumetta Test Scanner 2");

    // Past the end or negative: refused before anything is touched; the open scanner stays.
    for (LONG index : {3L, 40L, -1L, -32768L}) {
        EXPECT_FALSE(s.engine.RoutedSelectSourceByIndex(index)) << index;
        EXPECT_EQ(s.engine.GetErrorCode(), -1033) << index;
    }
    EXPECT_TRUE(s.engine.IsSourceOpen());
    EXPECT_EQ(s.engine.GetCurrentDeviceType(), 0);
    EXPECT_TRUE(s.engine.RoutedCloseSource());
    EXPECT_FALSE(s.engine.IsSourceOpen());
}

TEST(SourceRouting, ScannersOnlyAndWebcamsOnly) {
    DeviceSession s;
    ASSERT_TRUE(s.engine.SetSupportedDeviceType(0));
    EXPECT_EQ(s.engine.GetCurrentDeviceType(), 0);
    EXPECT_EQ(s.engine.RoutedSourceCount(), 2);
    EXPECT_TRUE(s.engine.RoutedDefaultSourceName(nullptr));
    EXPECT_EQ(ScriptText(s.engine), "Lumetta Test Scanner");
    EXPECT_FALSE(s.engine.RoutedSourceNameItems(2, nullptr));
    EXPECT_EQ(s.engine.GetErrorCode(), -1033);
    ASSERT_TRUE(s.engine.RoutedSelectSourceByIndex(0));
    ASSERT_TRUE(s.engine.RoutedOpenSource());
    // A bad index leaves the open source alone.
    EXPECT_FALSE(s.engine.RoutedSelectSourceByIndex(2));
    EXPECT_EQ(s.engine.GetErrorCode(), -1033);
    EXPECT_TRUE(s.engine.IsSourceOpen());

    ASSERT_TRUE(s.engine.SetSupportedDeviceType(1));
    EXPECT_EQ(s.engine.GetCurrentDeviceType(), 1);
    EXPECT_EQ(s.engine.RoutedSourceCount(), 1);
    EXPECT_TRUE(s.engine.RoutedSourceNameItems(0, nullptr));
    EXPECT_EQ(ScriptText(s.engine), "Lumetta Test Camera 0");
    EXPECT_TRUE(s.engine.RoutedOpenSourceManager());
    // A webcam failure: the text still goes to the script (empty), the error comes after it.
    EXPECT_FALSE(s.engine.RoutedCurrentSourceName(nullptr));
    EXPECT_EQ(s.engine.GetErrorCode(), -2121);
    EXPECT_EQ(CustomText(s.engine), "Current device is close.");
    EXPECT_EQ(ScriptText(s.engine), "");
    EXPECT_FALSE(s.engine.RoutedSelectSourceByIndex(1));
    EXPECT_EQ(s.engine.GetErrorCode(), -2121);
    EXPECT_EQ(CustomText(s.engine), "Invalid index.");
    EXPECT_EQ(s.engine.GetCurrentDeviceType(), 1);
    EXPECT_TRUE(s.engine.RoutedDefaultSourceName(nullptr));
    EXPECT_EQ(ScriptText(s.engine), "Lumetta Test Camera 0");
}

TEST(SourceRouting, SupportedDeviceTypeSetter) {
    DeviceSession s;
    EXPECT_EQ(s.engine.GetSupportedDeviceType(), 1);
    EXPECT_EQ(s.engine.GetCurrentDeviceType(), 1);
    // Both kinds after a webcam was current: the webcam stays current.
    EXPECT_TRUE(s.engine.SetSupportedDeviceType(2));
    EXPECT_EQ(s.engine.GetCurrentDeviceType(), 1);
    for (LONG bad : {3L, 7L, -1L}) {
        EXPECT_FALSE(s.engine.SetSupportedDeviceType(bad));
        EXPECT_EQ(s.engine.GetErrorCode(), -2123);
        EXPECT_EQ(s.engine.GetSupportedDeviceType(), 2);
        EXPECT_EQ(s.engine.GetCurrentDeviceType(), 1);
    }
    EXPECT_TRUE(s.engine.SetSupportedDeviceType(0));
    EXPECT_EQ(s.engine.GetErrorCode(), 0);
    EXPECT_EQ(s.engine.GetCurrentDeviceType(), 0);
    EXPECT_TRUE(s.engine.SetSupportedDeviceType(2));
    EXPECT_EQ(s.engine.GetCurrentDeviceType(), 0);
}

TEST(SourceRouting, WebcamMembersOnAScanner) {
    DeviceSession s;
    ASSERT_TRUE(s.engine.SetSupportedDeviceType(0));
    EXPECT_FALSE(s.engine.SetVideoContainer(s.recorder.Window()));
    EXPECT_EQ(s.engine.GetErrorCode(), -2123);
    EXPECT_FALSE(s.engine.DisplayPropertyPage(s.recorder.Window()));
    EXPECT_EQ(s.engine.GetErrorCode(), -2123);
    EXPECT_EQ(s.engine.MediaTypeListCount(), 0);
    EXPECT_EQ(s.engine.GetErrorCode(), -2122);
    EXPECT_EQ(s.engine.ResolutionForCamListCount(), 0);
    EXPECT_EQ(s.engine.GetErrorCode(), -2122);
    EXPECT_EQ(s.engine.FrameRate(), 0);
    EXPECT_EQ(s.engine.GetErrorCode(), -2122);
    EXPECT_FALSE(s.engine.SelectFrameRateByIndex(0));
    EXPECT_EQ(s.engine.GetErrorCode(), -2122);
    s.engine.lastScriptString = "stale";
    EXPECT_FALSE(s.engine.MediaType(nullptr));
    EXPECT_EQ(s.engine.GetErrorCode(), -2122);
    EXPECT_EQ(ScriptText(s.engine), "");
}

TEST(SourceRouting, WebcamFormatListsThroughTheCore) {
    DeviceSession s;
    EXPECT_EQ(s.engine.MediaTypeListCount(), 1);
    EXPECT_TRUE(s.engine.GetMediaTypeByIndex(0, nullptr));
    EXPECT_EQ(ScriptText(s.engine), "RGB24");
    EXPECT_TRUE(s.engine.MediaType(nullptr));
    EXPECT_EQ(ScriptText(s.engine), "RGB24");
    EXPECT_FALSE(s.engine.GetMediaTypeByIndex(5, nullptr));
    EXPECT_EQ(s.engine.GetErrorCode(), -2121);
    EXPECT_EQ(ScriptText(s.engine), "");
    EXPECT_EQ(s.engine.ResolutionForCamListCount(), 3);
    EXPECT_TRUE(s.engine.GetResolutionForCamByIndex(1, nullptr));
    EXPECT_EQ(ScriptText(s.engine), "640 x 480");
    EXPECT_TRUE(s.engine.SelectResolutionForCamByIndex(1)) << CustomText(s.engine);
    EXPECT_TRUE(s.engine.ResolutionForCam(nullptr));
    EXPECT_EQ(ScriptText(s.engine), "640 x 480");
    EXPECT_EQ(s.engine.FrameRateListCount(), 2);
    EXPECT_EQ(s.engine.GetFrameRateByIndex(1), 15);
    EXPECT_EQ(s.engine.GetFrameRateByIndex(2), 0);
    EXPECT_EQ(s.engine.GetErrorCode(), -2121);
    EXPECT_TRUE(s.engine.SelectFrameRateByIndex(1));
    EXPECT_EQ(s.engine.FrameRate(), 15);
    EXPECT_TRUE(s.engine.SetVideoContainer(s.recorder.Window()));
}

TEST(SourceRouting, ShowUIGoesToBothAndReadsFromTheCurrent) {
    DeviceSession s;
    s.engine.SetRoutedShowUI(2);
    EXPECT_EQ(s.engine.GetShowUI(), 2);
    EXPECT_FALSE(s.engine.WebCam().ShowUI());
    EXPECT_FALSE(s.engine.GetRoutedShowUI());
    ASSERT_TRUE(s.engine.SetSupportedDeviceType(0));
    EXPECT_TRUE(s.engine.GetRoutedShowUI());
    s.engine.SetRoutedShowUI(1);
    EXPECT_TRUE(s.engine.WebCam().ShowUI());
    s.engine.SetRoutedShowUI(0);
    EXPECT_FALSE(s.engine.GetRoutedShowUI());
}

TEST(SourceRouting, AcquiresFromTheCameraAndFromAScanner) {
    DeviceSession s;
    s.engine.WebCam().SetGrabTimeout(5000);
    ASSERT_TRUE(s.engine.SetSupportedDeviceType(2));
    ASSERT_TRUE(s.engine.RoutedSelectSourceByIndex(2));
    ASSERT_TRUE(s.engine.RoutedEnableSource()) << CustomText(s.engine);
    EXPECT_EQ(s.engine.GetImageCount(), 1);
    std::vector<int> kinds = s.recorder.EventKinds();
    ASSERT_GE(kinds.size(), 4u);
    EXPECT_EQ(kinds.front(), kEventPreAllTransfers);
    EXPECT_EQ(kinds.back(), kEventPostAllTransfers);
    EXPECT_TRUE(s.engine.RoutedCloseSource());

    SetEnvironmentVariableA("LUMETTA_SCANNER_SCENARIO", "sources=2;pages=1");
    s.engine.SetShowUI(0);
    ASSERT_TRUE(s.engine.RoutedSelectSourceByIndex(0));
    ASSERT_TRUE(s.engine.RoutedEnableSource()) << s.engine.GetErrorCode();
    EXPECT_TRUE(PumpUntilOffering([&] { return s.engine.GetImageCount() == 2; },
                                  [&](MSG* msg) { return s.engine.TwainEventFilter(msg) != 0; }));
    EXPECT_TRUE(s.engine.RoutedCloseSource());
    SetEnvironmentVariableA("LUMETTA_SCANNER_SCENARIO", "sources=2");
}

// Dialog 103.
HWND SelectButton(HWND dialog) { return GetDlgItem(dialog, IDC_SOURCE_SELECT); }
HWND SourceList(HWND dialog) { return GetDlgItem(dialog, IDC_SOURCE_LIST); }

std::string ListEntry(HWND dialog, int i) {
    char text[64] = {};
    SendMessageA(SourceList(dialog), LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    return text;
}

TEST(SelectSourceDialog, ListsEverySourceAndSelectsThePickedOne) {
    DeviceSession s;
    ASSERT_TRUE(s.engine.SetSupportedDeviceType(2));
    BOOL selected = FALSE;
    bool shown = WhileDialogShows("Select Source", [&](HWND dialog) {
        EXPECT_TRUE(IsWindowEnabled(SelectButton(dialog)));
        EXPECT_EQ(SendMessageA(SourceList(dialog), LB_GETCOUNT, 0, 0), 3);
        EXPECT_EQ(SendMessageA(SourceList(dialog), LB_GETCURSEL, 0, 0), 0);
        EXPECT_EQ(ListEntry(dialog, 1), "Lumetta Test Scanner 2");
        EXPECT_EQ(ListEntry(dialog, 2), "Lumetta Test Camera 0");
        EXPECT_EQ(GetParent(dialog), s.recorder.Window());
        SendMessageA(SourceList(dialog), LB_SETCURSEL, 2, 0);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SOURCE_SELECT, BN_CLICKED), 0);
    }, [&] { selected = s.engine.RoutedSelectSource(); });
    EXPECT_TRUE(shown);
    EXPECT_TRUE(selected) << s.engine.GetErrorCode();
    EXPECT_EQ(s.engine.GetCurrentDeviceType(), 1);
}

// A double-click of the left button at a point of the list, in its client coordinates, as the
// mouse delivers it: the point rides in the messages, never through the cursor that every
// program on the prefix's desktop shares.
void DoubleClick(HWND list, POINT at) {
    const LPARAM point = MAKELPARAM(at.x, at.y);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PostMessageA(list, WM_LBUTTONUP, 0, point);
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, point);
    PostMessageA(list, WM_LBUTTONUP, 0, point);
}

POINT ItemCentre(HWND list, int i) {
    RECT item{};
    SendMessageA(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
    return POINT{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
}

// Both kinds listed, a webcam current: the dialog gets a double-click at where(list) and then,
// when asked, Cancel. SelectSource's result.
BOOL SelectByDoubleClick(DeviceSession& s, const std::function<POINT(HWND)>& where, bool thenCancel) {
    EXPECT_TRUE(s.engine.SetSupportedDeviceType(2));
    s.engine.SetCurrentDeviceTypeField(1);
    BOOL selected = FALSE;
    bool shown = WhileDialogShows("Select Source", [&](HWND dialog) {
        DoubleClick(SourceList(dialog), where(SourceList(dialog)));
        if (thenCancel) PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }, [&] { selected = s.engine.RoutedSelectSource(); });
    EXPECT_TRUE(shown);
    return selected;
}

TEST(SelectSourceDialog, DoubleClickSelectsTheEntryUnderTheCursor) {
    DeviceSession s;
    // Wherever another program has put the cursor, the double-click's own point counts.
    EXPECT_TRUE(SelectByDoubleClick(s, [](HWND list) { return ItemCentre(list, 1); }, false)) << s.engine.GetErrorCode();
    EXPECT_EQ(s.engine.GetCurrentDeviceType(), 0);
    EXPECT_STREQ(s.engine.SourceIdentity().ProductName, "Lumetta Test Scanner 2");
}

TEST(SelectSourceDialog, DoubleClickBelowTheEntriesSelectsNothing) {
    DeviceSession s;
    // The dialog stays for another choice; Cancel then ends it.
    EXPECT_FALSE(SelectByDoubleClick(s, [](HWND list) {
        RECT last{}, client{};
        SendMessageA(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&last));
        GetClientRect(list, &client);
        EXPECT_LT(last.bottom + 2, client.bottom);
        return POINT{(last.left + last.right) / 2, (last.bottom + client.bottom) / 2};
    }, true));
    EXPECT_EQ(s.engine.GetErrorCode(), -1032);
    EXPECT_EQ(s.engine.GetCurrentDeviceType(), 1);
}

TEST(SelectSourceDialog, NoCameraLeavesOnlyCancel) {
    RegisterTestCameras(0);
    {
        DeviceSession s;
        BOOL selected = TRUE;
        bool shown = WhileDialogShows("Select Source", [&](HWND dialog) {
            EXPECT_FALSE(IsWindowEnabled(SelectButton(dialog)));
            EXPECT_EQ(SendMessageA(SourceList(dialog), LB_GETCOUNT, 0, 0), 0);
            // Neither the disabled button nor Enter selects anything.
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SOURCE_SELECT, BN_CLICKED), 0);
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            EXPECT_TRUE(IsWindow(dialog));
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }, [&] { selected = s.engine.RoutedSelectSource(); });
        EXPECT_TRUE(shown);
        EXPECT_FALSE(selected);
        EXPECT_EQ(s.engine.GetErrorCode(), -1032);
        EXPECT_EQ(s.engine.GetCurrentDeviceType(), 1);
    }
    RegisterTestCameras(1);
}

TEST(SelectSourceDialog, ScannersOnlyUseTheManagersDialog) {
    DeviceSession s;
    ASSERT_TRUE(s.engine.SetSupportedDeviceType(0));
    s.engine.SetCurrentDeviceTypeField(1);
    BOOL selected = TRUE;
    // Wine's manager shows its own dialog; cancelling it is the manager's -1032.
    bool shown = WhileDialogShows(nullptr, [&](HWND dialog) {
        EXPECT_EQ(GetDlgItem(dialog, IDC_SOURCE_SELECT), nullptr);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }, [&] { selected = s.engine.RoutedSelectSource(); });
    EXPECT_FALSE(selected);
    EXPECT_EQ(s.engine.GetErrorCode(), -1032);
    EXPECT_EQ(s.engine.GetCurrentDeviceType(), 1);
    EXPECT_TRUE(shown);
}

// These cases need a process whose test data source offers no scanner.
bool NoScannerProcess() {
    char scenario[64] = {};
    GetEnvironmentVariableA("LUMETTA_SCANNER_SCENARIO", scenario, sizeof(scenario));
    return std::string(scenario) == "sources=0";
}

TEST(NoScanner, BothKindsWithoutAScannerFindNoDevice) {
    if (!NoScannerProcess()) GTEST_SKIP() << "the data source offers scanners here";
    DeviceSession s;
    ASSERT_TRUE(s.engine.SetSupportedDeviceType(2));
    EXPECT_EQ(s.engine.RoutedSourceCount(), 1);
    EXPECT_TRUE(s.engine.RoutedSourceNameItems(0, nullptr));
    EXPECT_EQ(ScriptText(s.engine), "Lumetta Test Camera 0");
    EXPECT_FALSE(s.engine.RoutedSelectSourceByIndex(0));
    EXPECT_EQ(s.engine.GetErrorCode(), -2125);
    EXPECT_EQ(s.engine.GetCurrentDeviceType(), 1);
}

TEST(NoScanner, FailedSelectionInTheDialogFailsSelectSource) {
    if (!NoScannerProcess()) GTEST_SKIP() << "the data source offers scanners here";
    DeviceSession s;
    ASSERT_TRUE(s.engine.SetSupportedDeviceType(2));
    BOOL selected = TRUE;
    bool shown = WhileDialogShows("Select Source", [&](HWND dialog) {
        EXPECT_EQ(SendMessageA(SourceList(dialog), LB_GETCOUNT, 0, 0), 1);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SOURCE_SELECT, BN_CLICKED), 0);
    }, [&] { selected = s.engine.RoutedSelectSource(); });
    EXPECT_TRUE(shown);
    EXPECT_FALSE(selected);
    EXPECT_EQ(s.engine.GetErrorCode(), -2125);
}

}  // namespace
