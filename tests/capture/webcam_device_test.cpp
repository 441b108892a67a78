// The webcam side against the project's test camera registered in the prefix (two devices by
// default): enumeration, format lists and switches, the container, grabs, the acquisition's
// event records, the camera properties and the failures a camera can cause.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "capture/webcam/webcam_manager.h"
#include "base/dib_layout.h"
#include "resources/resource_ids.h"
#include "support/dialog_answer.h"
#include "support/event_recorder.h"

namespace {

std::string Text(char* block) {
    std::string text = block ? block : "(null)";
    if (block) GlobalFree(block);
    return text;
}

std::string ErrorOf(const WebCamManager& manager) { return Text(manager.GetErrorString()); }

// The frame counter that the test camera writes into the first four pixel bytes.
DWORD FrameCounter(HGLOBAL dib) {
    DWORD counter = 0;
    auto* bytes = static_cast<BYTE*>(GlobalLock(dib));
    memcpy(&counter, bytes + 40, 4);
    GlobalUnlock(dib);
    return counter;
}

class Webcam : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        SetEnvironmentVariableA("LUMETTA_TEST_CAMERA", nullptr);
    }
    void TearDown() override {
        SetEnvironmentVariableA("LUMETTA_TEST_CAMERA", nullptr);
        CoUninitialize();
    }
    static void Configure(const char* words) { SetEnvironmentVariableA("LUMETTA_TEST_CAMERA", words); }

    // Grabs a frame through the device object of an opened manager.
    static HGLOBAL Grab(WebCamManager& manager) {
        HGLOBAL dib = nullptr;
        if (!manager.Device() || !manager.Device()->GrabFrame(dib, 5000)) return nullptr;
        return dib;
    }
};

TEST_F(Webcam, EnumeratesTwoCameras) {
    WebCamManager manager(GetModuleHandleA(nullptr));
    int count = 0;
    ASSERT_TRUE(manager.GetSourceCount(count));
    ASSERT_EQ(count, 2);
    char* name = nullptr;
    ASSERT_TRUE(manager.GetSourceNameItems(1, name));
    EXPECT_EQ(Text(name), "Lumetta Test Camera 1");
    ASSERT_TRUE(manager.GetDefaultSourceName(name));
    EXPECT_EQ(Text(name), "Lumetta Test Camera 0");
    EXPECT_FALSE(manager.GetSourceNameItems(2, name));
    EXPECT_EQ(ErrorOf(manager), "Invalid index.");
    // Not open yet.
    EXPECT_FALSE(manager.GetCurrentSourceName(name));
    EXPECT_EQ(ErrorOf(manager), "Current device is close.");
}

TEST_F(Webcam, EnumeratesNoCamera) {
    HMODULE camera = LoadLibraryA(LUMETTA_TEST_CAMERA_DLL);
    ASSERT_NE(camera, nullptr);
    auto unregister = reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(camera, "DllUnregisterServer"));
    auto reregister = reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(camera, "DllRegisterServer"));
    ASSERT_TRUE(unregister && reregister);
    ASSERT_EQ(unregister(), S_OK);
    {
        WebCamManager manager(GetModuleHandleA(nullptr));
        int count = -1;
        EXPECT_TRUE(manager.GetSourceCount(count));
        EXPECT_EQ(count, 0);
        EXPECT_FALSE(manager.SelectSourceByIndex(0, nullptr));
        EXPECT_EQ(ErrorOf(manager), "No camera device is found.");
        EXPECT_FALSE(manager.EnableSource());
        long value = 0;
        EXPECT_FALSE(manager.GetCameraValue(CameraProperty::Brightness, value));
        EXPECT_EQ(ErrorOf(manager), "No camera device is found.");
        EXPECT_TRUE(manager.CloseSource());
    }
    EXPECT_EQ(reregister(), S_OK);
    WebCamManager manager(GetModuleHandleA(nullptr));
    int count = 0;
    EXPECT_TRUE(manager.GetSourceCount(count));
    EXPECT_EQ(count, 2);
    FreeLibrary(camera);
}

TEST_F(Webcam, SelectionOutOfRangeKeepsTheDevice) {
    WebCamManager manager(GetModuleHandleA(nullptr));
    ASSERT_TRUE(manager.SelectSourceByIndex(1, nullptr));
    EXPECT_FALSE(manager.SelectSourceByIndex(2, nullptr));
    EXPECT_EQ(ErrorOf(manager), "Invalid index.");
    EXPECT_FALSE(manager.SelectSourceByIndex(-1, nullptr));
    ASSERT_TRUE(manager.OpenSource());
    char* name = nullptr;
    ASSERT_TRUE(manager.GetCurrentSourceName(name));
    EXPECT_EQ(Text(name), "Lumetta Test Camera 1");
    WebCamManager never(GetModuleHandleA(nullptr));
    EXPECT_TRUE(never.CloseSource());
}

TEST_F(Webcam, ListsOfSubtypesSizesAndRates) {
    WebCamManager manager(GetModuleHandleA(nullptr));
    ASSERT_EQ(manager.GetMediaTypeListCount(), 1) << ErrorOf(manager);
    EXPECT_STREQ(manager.GetMediaTypeByIndex(0), "RGB24");
    EXPECT_STREQ(manager.GetMediaType(), "RGB24");
    ASSERT_EQ(manager.GetResolutionForCamListCount(), 3);
    EXPECT_EQ(Text(manager.GetResolutionForCamByIndex(0)), "320 x 240");
    EXPECT_EQ(Text(manager.GetResolutionForCamByIndex(1)), "640 x 480");
    EXPECT_EQ(Text(manager.GetResolutionForCamByIndex(2)), "160 x 120");
    EXPECT_EQ(Text(manager.GetResolutionForCam()), "320 x 240");
    // Two records of one subtype and size with different rates: one size, two rates.
    ASSERT_EQ(manager.GetFrameRateListCount(), 2);
    EXPECT_EQ(manager.GetFrameRateByIndex(0), 30);
    EXPECT_EQ(manager.GetFrameRateByIndex(1), 15);
    EXPECT_EQ(manager.GetFrameRate(), 30);
    EXPECT_EQ(manager.GetFrameRateByIndex(2), 0);
    EXPECT_EQ(ErrorOf(manager), "Invalid index.");
    EXPECT_EQ(manager.GetMediaTypeByIndex(-1), nullptr);
    EXPECT_EQ(manager.GetResolutionForCamByIndex(3), nullptr);
}

TEST_F(Webcam, OddCapabilitiesAreSkippedOrNamedUnknown) {
    Configure("zerorate,zerosize,unknownsubtype");
    WebCamManager manager(GetModuleHandleA(nullptr));
    ASSERT_EQ(manager.GetMediaTypeListCount(), 2) << ErrorOf(manager);
    EXPECT_STREQ(manager.GetMediaTypeByIndex(1), "unknown");
    // 176 x 144 (rate 0) is a size; 0 x 480 is not; a rate of 0 is not listed.
    ASSERT_EQ(manager.GetResolutionForCamListCount(), 4);
    EXPECT_EQ(Text(manager.GetResolutionForCamByIndex(3)), "176 x 144");
    EXPECT_EQ(manager.GetFrameRateListCount(), 2);
}

TEST_F(Webcam, CapabilityRecordsOfAnotherSizeGiveEmptyLists) {
    Configure("capsize=64");
    WebCamManager manager(GetModuleHandleA(nullptr));
    ASSERT_TRUE(manager.OpenSource()) << ErrorOf(manager);
    EXPECT_EQ(manager.GetMediaTypeListCount(), 0);
    EXPECT_EQ(manager.GetResolutionForCamListCount(), 0);
}

TEST_F(Webcam, GrabbedDibCarriesTheTestPattern) {
    WebCamManager manager(GetModuleHandleA(nullptr));
    ASSERT_TRUE(manager.OpenSource()) << ErrorOf(manager);
    HGLOBAL first = Grab(manager);
    HGLOBAL second = Grab(manager);
    ASSERT_TRUE(first && second) << ErrorOf(manager);
    EXPECT_NE(first, second);
    EXPECT_GT(FrameCounter(second), FrameCounter(first));
    DibLayout layout;
    ASSERT_TRUE(ComputeDibLayout(first, &layout));
    EXPECT_EQ(layout.width, 320);
    EXPECT_EQ(layout.height, 240);
    EXPECT_EQ(layout.bitCount, 24);
    EXPECT_GE(GlobalSize(first), 40u + 960u * 240u);
    // Byte c of row r is (r + c) & 255 beyond the counter.
    auto* pixels = static_cast<BYTE*>(GlobalLock(first)) + 40;
    EXPECT_EQ(pixels[10], 10);
    EXPECT_EQ(pixels[960 * 100 + 7], (100 + 7) & 255);
    EXPECT_EQ(pixels[960 * 239 + 959], (239 + 959) & 255);
    GlobalUnlock(first);
    GlobalFree(first);
    GlobalFree(second);
}

TEST_F(Webcam, TimestampWordStampsEachFrameBeforeItIsHandedOn) {
    // Without the word, pixel bytes 4 ... 11 are the pattern's; with it, the performance counter
    // read on the camera's thread before the frame left, which is after the camera was opened
    // and before the grab returned.
    for (bool stamped : {false, true}) {
        if (stamped) Configure("timestamp");
        LARGE_INTEGER opened, returned;
        QueryPerformanceCounter(&opened);
        WebCamManager manager(GetModuleHandleA(nullptr));
        ASSERT_TRUE(manager.OpenSource()) << ErrorOf(manager);
        HGLOBAL dib = Grab(manager);
        QueryPerformanceCounter(&returned);
        ASSERT_NE(dib, nullptr) << ErrorOf(manager);
        auto* pixels = static_cast<const BYTE*>(GlobalLock(dib)) + 40;
        LONGLONG stamp = 0;
        memcpy(&stamp, pixels + 4, 8);
        if (stamped) {
            EXPECT_GT(stamp, opened.QuadPart);
            EXPECT_LE(stamp, returned.QuadPart);
        } else {
            const BYTE pattern[8] = {4, 5, 6, 7, 8, 9, 10, 11};
            EXPECT_EQ(memcmp(pixels + 4, pattern, 8), 0);
        }
        // The rest of the first row is the pattern either way.
        EXPECT_EQ(pixels[12], 12);
        EXPECT_EQ(pixels[959], 959 & 255);
        GlobalUnlock(dib);
        GlobalFree(dib);
    }
}

TEST_F(Webcam, SelectingTheCurrentFormatRebuildsNothing) {
    WebCamManager manager(GetModuleHandleA(nullptr));
    ASSERT_TRUE(manager.OpenSource()) << ErrorOf(manager);
    Sleep(300);  // let the counter run well past the first frames of a new filter
    HGLOBAL before = Grab(manager);
    ASSERT_NE(before, nullptr);
    ASSERT_TRUE(manager.SelectMediaTypeByIndex(0));
    ASSERT_TRUE(manager.SelectResolutionForCamByIndex(0));
    ASSERT_TRUE(manager.SelectFrameRateByIndex(0));
    HGLOBAL after = Grab(manager);
    ASSERT_NE(after, nullptr);
    // The same source filter kept counting: a rebuilt graph would start again at 1.
    EXPECT_GT(FrameCounter(after), FrameCounter(before));
    GlobalFree(before);
    GlobalFree(after);
}

TEST_F(Webcam, SwitchingSizeAndRateRebuildsTheGraph) {
    WebCamManager manager(GetModuleHandleA(nullptr));
    ASSERT_TRUE(manager.OpenSource()) << ErrorOf(manager);
    ASSERT_TRUE(manager.SelectResolutionForCamByIndex(1)) << ErrorOf(manager);
    EXPECT_EQ(Text(manager.GetResolutionForCam()), "640 x 480");
    HGLOBAL dib = Grab(manager);
    ASSERT_NE(dib, nullptr) << ErrorOf(manager);
    DibLayout layout;
    ASSERT_TRUE(ComputeDibLayout(dib, &layout));
    EXPECT_EQ(layout.width, 640);
    EXPECT_EQ(layout.height, 480);
    GlobalFree(dib);
    ASSERT_TRUE(manager.SelectFrameRateByIndex(1)) << ErrorOf(manager);
    EXPECT_EQ(manager.GetFrameRate(), 15);
    EXPECT_EQ(Text(manager.GetResolutionForCam()), "320 x 240");
    EXPECT_FALSE(manager.SelectResolutionForCamByIndex(7));
    EXPECT_EQ(manager.Device()->LastError().Get(), std::wstring(L"Invalid index."));
}

TEST_F(Webcam, ContainerTakesTheVideoSize) {
    HWND container = CreateWindowExA(0, "STATIC", "video", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                                     nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(container, nullptr);
    {
        WebCamManager manager(GetModuleHandleA(nullptr));
        manager.SetShowUI(true);
        manager.SetResizeContainer(true);
        ASSERT_TRUE(manager.SetVideoContainer(container));
        ASSERT_TRUE(manager.OpenSource()) << ErrorOf(manager);
        RECT client{};
        GetClientRect(container, &client);
        EXPECT_EQ(client.right, 320);
        // The resize adds the system border height to the frame.
        EXPECT_GE(client.bottom, 240);
        EXPECT_LE(client.bottom, 240 + GetSystemMetrics(SM_CYBORDER));
        ASSERT_TRUE(manager.SelectResolutionForCamByIndex(2)) << ErrorOf(manager);
        GetClientRect(container, &client);
        EXPECT_EQ(client.right, 160);
        HGLOBAL dib = Grab(manager);
        EXPECT_NE(dib, nullptr);
        if (dib) GlobalFree(dib);
    }
    DestroyWindow(container);
}

TEST_F(Webcam, AcquisitionSendsTheFiveRecordsInOrder) {
    EventRecorderWindow recorder;
    WebCamManager manager(GetModuleHandleA(nullptr), recorder.Window());
    ASSERT_TRUE(manager.EnableSource()) << ErrorOf(manager);
    EXPECT_EQ(recorder.EventKinds(), (std::vector<int>{2, 0, 17, 1, 3}));
    const EventRecord& image = recorder.Messages()[2].record;
    ASSERT_NE(image.Payload, nullptr);
    DibLayout layout;
    EXPECT_TRUE(ComputeDibLayout(static_cast<HGLOBAL>(image.Payload), &layout));
    GlobalFree(static_cast<HGLOBAL>(image.Payload));  // the recorder takes it as a host would
    EXPECT_TRUE(manager.IsOpen());
    recorder.Clear();
    ASSERT_TRUE(manager.EnableSource());
    EXPECT_EQ(recorder.EventKinds(), (std::vector<int>{2, 0, 17, 1, 3}));
    GlobalFree(static_cast<HGLOBAL>(recorder.Messages()[2].record.Payload));
}

TEST_F(Webcam, AcquisitionWithoutNotifyWindow) {
    WebCamManager manager(GetModuleHandleA(nullptr));
    EXPECT_FALSE(manager.SetNotifyWindow(nullptr));
    // The frame has nowhere to go and is freed; the acquisition itself succeeds.
    EXPECT_TRUE(manager.EnableSource()) << ErrorOf(manager);
}

TEST_F(Webcam, RecreatedDeviceIsOpenedAgainBeforeTheGrab) {
    EventRecorderWindow recorder;
    WebCamManager manager(GetModuleHandleA(nullptr), recorder.Window());
    manager.SetGrabTimeout(3000);
    ASSERT_TRUE(manager.OpenSource()) << ErrorOf(manager);
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(manager.SetVideoContainer(other));
    EXPECT_FALSE(manager.IsOpen());
    ASSERT_TRUE(manager.SetVideoContainer(nullptr));
    ASSERT_TRUE(manager.EnableSource()) << ErrorOf(manager);
    EXPECT_EQ(recorder.EventKinds(), (std::vector<int>{2, 0, 17, 1, 3}));
    GlobalFree(static_cast<HGLOBAL>(recorder.Messages()[2].record.Payload));
    DestroyWindow(other);
}

TEST_F(Webcam, VideoPortCameraOpensThroughTheNullRenderer) {
    Configure("videoport");
    HWND container = CreateWindowExA(0, "STATIC", "video", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
    {
        EventRecorderWindow recorder;
        WebCamManager manager(GetModuleHandleA(nullptr), recorder.Window());
        manager.SetShowUI(true);
        ASSERT_TRUE(manager.SetVideoContainer(container));
        // The null renderer has no video window: placing it fails, and that is not fatal.
        ASSERT_TRUE(manager.EnableSource()) << ErrorOf(manager);
        EXPECT_EQ(recorder.EventKinds(), (std::vector<int>{2, 0, 17, 1, 3}));
        if (recorder.EventKinds().size() == 5) GlobalFree(static_cast<HGLOBAL>(recorder.Messages()[2].record.Payload));
    }
    DestroyWindow(container);
}

TEST_F(Webcam, GrabTimesOut) {
    Configure("noframes");
    EventRecorderWindow recorder;
    WebCamManager manager(GetModuleHandleA(nullptr), recorder.Window());
    manager.SetGrabTimeout(300);
    EXPECT_FALSE(manager.EnableSource());
    EXPECT_EQ(ErrorOf(manager), "No frame came from the camera in time.");
    EXPECT_EQ(recorder.EventKinds(), (std::vector<int>{2, 0, 5, 3}));
}

TEST_F(Webcam, Yuy2CameraNeverYieldsAShortFrame) {
    Configure("yuy2");
    WebCamManager manager(GetModuleHandleA(nullptr));
    // The grabber takes RGB24 only: the graph converts the YUY2 frames or is refused (Wine has
    // no converter). A DIB always holds whole 24-bit rows.
    if (manager.OpenSource()) {
        EXPECT_STREQ(manager.GetMediaType(), "YUY2");
        HGLOBAL dib = Grab(manager);
        ASSERT_NE(dib, nullptr);
        DibLayout layout;
        ASSERT_TRUE(ComputeDibLayout(dib, &layout));
        EXPECT_EQ(layout.width, 160);
        EXPECT_GE(GlobalSize(dib), layout.totalBytes);
        GlobalFree(dib);
    } else {
        EXPECT_EQ(ErrorOf(manager), "Can't build the graph");
        EXPECT_FALSE(manager.IsOpen());
        EXPECT_EQ(Grab(manager), nullptr);
    }
}

TEST_F(Webcam, SelectingRGB24WhileAnotherSubtypeIsCurrentSwitchesTheDevice) {
    // The grabber always takes RGB24; the device's own subtype is another matter. This camera is
    // set to YUY2 and converts to RGB24 on its pin, so the graph builds under Wine too.
    Configure("yuy2,rgbpin");
    WebCamManager manager(GetModuleHandleA(nullptr));
    ASSERT_TRUE(manager.OpenSource()) << ErrorOf(manager);
    ASSERT_EQ(manager.GetMediaTypeListCount(), 2) << ErrorOf(manager);
    ASSERT_STREQ(manager.GetMediaTypeByIndex(0), "YUY2");
    ASSERT_STREQ(manager.GetMediaTypeByIndex(1), "RGB24");
    EXPECT_STREQ(manager.GetMediaType(), "YUY2");
    ASSERT_TRUE(manager.SelectMediaTypeByIndex(1)) << ErrorOf(manager);
    EXPECT_STREQ(manager.GetMediaType(), "RGB24") << "the device was switched, not only asked";
    HGLOBAL dib = Grab(manager);
    ASSERT_NE(dib, nullptr) << ErrorOf(manager);
    DibLayout layout;
    ASSERT_TRUE(ComputeDibLayout(dib, &layout));
    EXPECT_EQ(layout.width, 320) << "the first RGB24 format, not the YUY2 one of 160";
    GlobalFree(dib);
    // Back to YUY2, and selecting the current subtype again changes nothing.
    ASSERT_TRUE(manager.SelectMediaTypeByIndex(0)) << ErrorOf(manager);
    EXPECT_STREQ(manager.GetMediaType(), "YUY2");
    ASSERT_TRUE(manager.SelectMediaTypeByIndex(0));
    EXPECT_STREQ(manager.GetMediaType(), "YUY2");
}

TEST_F(Webcam, FormatBlocksOfTheWrongTypeOrSizeAreRefused) {
    for (const char* words : {"videoinfo2", "shortformat"}) {
        Configure(words);
        WebCamManager manager(GetModuleHandleA(nullptr));
        manager.OpenSource();  // may connect or not; it must not read past the block
        EXPECT_EQ(manager.GetResolutionForCamListCount(), 0) << words;
        EXPECT_EQ(manager.GetFrameRateListCount(), 0) << words;
    }
}

TEST_F(Webcam, RefusedFormatFailsTheOpen) {
    Configure("failsetformat");
    WebCamManager manager(GetModuleHandleA(nullptr));
    EXPECT_FALSE(manager.OpenSource());
    EXPECT_NE(ErrorOf(manager), "Successful");
    EXPECT_FALSE(manager.IsOpen());
}

TEST_F(Webcam, PropertyPagesShowAndClose) {
    WebCamManager manager(GetModuleHandleA(nullptr));
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    // The property frame is modal: a helper thread closes it once it is up.
    DialogAnswerer closer(GetCurrentThreadId(), nullptr, [](HWND frame) {
        PostMessageA(frame, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(frame, WM_CLOSE, 0, 0);
    });
    bool shown = manager.DisplayPropertyPage(owner);
    EXPECT_TRUE(closer.Finish());
    DestroyWindow(owner);
    EXPECT_TRUE(shown) << ErrorOf(manager);
}

TEST_F(Webcam, PropertyPagesNeedTheInterface) {
    Configure("nopages");
    WebCamManager manager(GetModuleHandleA(nullptr));
    EXPECT_FALSE(manager.DisplayPropertyPage(nullptr));
    EXPECT_NE(ErrorOf(manager), "Successful");
}

// The menu bar the preview template carries: one command under each of three popups.
void ExpectPreviewMenu(HMENU bar) {
    ASSERT_TRUE(bar);
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    const struct {
        const char* popup;
        const char* item;
        UINT command;
    } expected[] = {{"File", "Exit", ID_PREVIEW_EXIT},
                    {"Options", "Video Properties", ID_PREVIEW_VIDEO_PROPERTIES},
                    {"Grab", "Start Grab", ID_PREVIEW_START_GRAB}};
    for (int i = 0; i < 3; ++i) {
        char text[32] = {};
        GetMenuStringA(bar, i, text, sizeof(text), MF_BYPOSITION);
        EXPECT_STREQ(text, expected[i].popup);
        HMENU popup = GetSubMenu(bar, i);
        ASSERT_TRUE(popup);
        ASSERT_EQ(GetMenuItemCount(popup), 1);
        EXPECT_EQ(GetMenuItemID(popup, 0), expected[i].command);
        GetMenuStringA(popup, 0, text, sizeof(text), MF_BYPOSITION);
        EXPECT_STREQ(text, expected[i].item);
    }
}

TEST_F(Webcam, PreviewDialogOpensOnceAndComesToTheFront) {
    EventRecorderWindow recorder;
    WebCamManager manager(GetModuleHandleA(nullptr), recorder.Window());
    manager.SetShowUI(true);
    ASSERT_TRUE(manager.OpenSource());
    ASSERT_TRUE(manager.EnableSource()) << ErrorOf(manager);
    HWND dialog = manager.PreviewDialog();
    ASSERT_TRUE(dialog && IsWindow(dialog));
    char caption[32] = {};
    GetWindowTextA(dialog, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Lumetta");
    ExpectPreviewMenu(GetMenu(dialog));
    EXPECT_TRUE(recorder.EventKinds().empty());
    ASSERT_TRUE(manager.EnableSource());
    EXPECT_EQ(manager.PreviewDialog(), dialog);
    // "Start Grab" acquires through the dialog's own manager.
    SendMessageA(dialog, WM_COMMAND, 40055, 0);
    EXPECT_EQ(recorder.EventKinds(), (std::vector<int>{2, 0, 17, 1, 3}));
    if (recorder.EventKinds().size() == 5) GlobalFree(static_cast<HGLOBAL>(recorder.Messages()[2].record.Payload));
    SendMessageA(dialog, WM_COMMAND, 40051, 0);
    EXPECT_FALSE(IsWindow(dialog));
    // A new dialog after the old one closed; the manager's end closes it.
    ASSERT_TRUE(manager.EnableSource());
    dialog = manager.PreviewDialog();
    ASSERT_TRUE(dialog && IsWindow(dialog));
    {
        WebCamManager second(GetModuleHandleA(nullptr), recorder.Window());
        second.SetShowUI(true);
        ASSERT_TRUE(second.EnableSource());
        dialog = second.PreviewDialog();
    }
    EXPECT_FALSE(IsWindow(dialog));
}

// A module that carries no preview template: the call fails with the system's reason.
TEST_F(Webcam, PreviewDialogNeedsTheModulesTemplate) {
    WebCamManager manager(GetModuleHandleA("ntdll.dll"));
    manager.SetShowUI(true);
    EXPECT_FALSE(manager.EnableSource());
    EXPECT_FALSE(manager.PreviewDialog());
    char reason[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_RESOURCE_TYPE_NOT_FOUND, 0,
                   reason, sizeof(reason), nullptr);
    EXPECT_EQ(ErrorOf(manager), reason);
}

struct ExpectedRange {
    CameraProperty property;
    long minimum, maximum, step, def;
    bool automatic;  // supports automatic mode
};

// What the test camera reports.
const ExpectedRange kRanges[] = {
    {CameraProperty::Brightness, -64, 64, 2, 0, true},     {CameraProperty::Contrast, 0, 100, 1, 50, false},
    {CameraProperty::Hue, -180, 180, 0, 0, false},         {CameraProperty::Saturation, 0, 200, 1, 100, false},
    {CameraProperty::Sharpness, 0, 15, 1, 3, false},       {CameraProperty::Gamma, 72, 500, 1, 100, false},
    {CameraProperty::ColorEnable, 0, 1, 1, 1, false},      {CameraProperty::WhiteBalance, 2800, 6500, 10, 4600, true},
    {CameraProperty::BklightComp, 0, 2, 1, 1, false},      {CameraProperty::Gain, 1, 31, 2, 1, true},
    {CameraProperty::Pan, -180, 180, 1, 0, false},         {CameraProperty::Tilt, -180, 180, 1, 0, false},
    {CameraProperty::Roll, -180, 180, 1, 0, false},        {CameraProperty::ZoomForCam, 100, 400, 10, 100, false},
    {CameraProperty::Exposure, -13, -1, 1, -6, true},      {CameraProperty::Iris, 0, 10, 1, 5, false},
    {CameraProperty::Focus, 0, 250, 5, 0, false},
};

TEST_F(Webcam, EveryPropertyRangeValueAndMode) {
    WebCamManager manager(GetModuleHandleA(nullptr));
    for (const auto& e : kRanges) {
        const char* name = CameraPropertyInfoOf(e.property).scriptName;
        long min = 0, max = 0, step = -1, def = -1, value = 0;
        ASSERT_TRUE(manager.GetCameraRange(e.property, min, max)) << name;
        EXPECT_EQ(min, e.minimum) << name;
        EXPECT_EQ(max, e.maximum) << name;
        ASSERT_TRUE(manager.GetCameraStep(e.property, step));
        EXPECT_EQ(step, e.step) << name;
        ASSERT_TRUE(manager.GetCameraDefault(e.property, def));
        EXPECT_EQ(def, e.def) << name;
        // The largest valid value, written and read back.
        long target = e.step > 0 ? e.maximum - (e.maximum - e.minimum) % e.step : e.maximum;
        ASSERT_TRUE(manager.SetCameraValue(e.property, target)) << name << " " << ErrorOf(manager);
        ASSERT_TRUE(manager.GetCameraValue(e.property, value));
        EXPECT_EQ(value, target) << name;
        EXPECT_FALSE(manager.SetCameraValue(e.property, e.maximum + 1)) << name;
        EXPECT_EQ(ErrorOf(manager), "Invalid value.");
        bool automatic = true;
        if (e.automatic) {
            // Writing the value switched the property to manual mode.
            ASSERT_TRUE(manager.GetCameraAuto(e.property, automatic)) << name;
            EXPECT_FALSE(automatic) << name;
            ASSERT_TRUE(manager.SetCameraAuto(e.property, true));
            ASSERT_TRUE(manager.GetCameraAuto(e.property, automatic));
            EXPECT_TRUE(automatic) << name;
            ASSERT_TRUE(manager.GetCameraValue(e.property, value));
            EXPECT_EQ(value, e.def) << name;
        } else {
            EXPECT_FALSE(manager.GetCameraAuto(e.property, automatic)) << name;
            EXPECT_EQ(ErrorOf(manager), "The property doesn't support auto capability.");
            EXPECT_FALSE(manager.SetCameraAuto(e.property, true)) << name;
        }
    }
}

TEST_F(Webcam, PropertyChecksAndAutomaticModes) {
    WebCamManager manager(GetModuleHandleA(nullptr));
    long value = 0;
    // Between two steps: refused, device unchanged.
    ASSERT_TRUE(manager.SetCameraValue(CameraProperty::Brightness, 10));
    EXPECT_FALSE(manager.SetCameraValue(CameraProperty::Brightness, 11));
    EXPECT_EQ(ErrorOf(manager), "Invalid value.");
    ASSERT_TRUE(manager.GetCameraValue(CameraProperty::Brightness, value));
    EXPECT_EQ(value, 10);
    // Steps count from the minimum: gain takes odd values.
    EXPECT_TRUE(manager.SetCameraValue(CameraProperty::Gain, 3));
    EXPECT_FALSE(manager.SetCameraValue(CameraProperty::Gain, 4));
    // A device without a step takes any value of its range.
    EXPECT_TRUE(manager.SetCameraValue(CameraProperty::Hue, 17));
    EXPECT_TRUE(manager.SetCameraValue(CameraProperty::Hue, CameraValueFromScript(-1e300)) == false);
    // The probe of a manual property restores its manual mode.
    bool automatic = true;
    ASSERT_TRUE(manager.GetCameraAuto(CameraProperty::Brightness, automatic));
    EXPECT_FALSE(automatic);
    ASSERT_TRUE(manager.GetCameraValue(CameraProperty::Brightness, value));
    EXPECT_EQ(value, 10);
    // Focus has no automatic mode, and keeps the mode it had.
    ASSERT_TRUE(manager.SetCameraValue(CameraProperty::Focus, 25));
    EXPECT_FALSE(manager.GetCameraAuto(CameraProperty::Focus, automatic));
    EXPECT_EQ(ErrorOf(manager), "The property doesn't support auto capability.");
    ASSERT_TRUE(manager.GetCameraValue(CameraProperty::Focus, value));
    EXPECT_EQ(value, 25);
    // Exposure starts automatic; switching it off writes its default in manual mode.
    ASSERT_TRUE(manager.GetCameraAuto(CameraProperty::Exposure, automatic));
    EXPECT_TRUE(automatic);
    ASSERT_TRUE(manager.SetCameraAuto(CameraProperty::Exposure, false));
    ASSERT_TRUE(manager.GetCameraAuto(CameraProperty::Exposure, automatic));
    EXPECT_FALSE(automatic);
    ASSERT_TRUE(manager.GetCameraValue(CameraProperty::Exposure, value));
    EXPECT_EQ(value, -6);
}

TEST_F(Webcam, CameraWithoutCameraControl) {
    Configure("nocameracontrol");
    WebCamManager manager(GetModuleHandleA(nullptr));
    long value = 0, min = 0, max = 0;
    EXPECT_FALSE(manager.GetCameraValue(CameraProperty::Pan, value));
    EXPECT_EQ(ErrorOf(manager), "The current webcam doesn't support IAMCameraControl interface.");
    EXPECT_FALSE(manager.GetCameraRange(CameraProperty::Focus, min, max));
    EXPECT_TRUE(manager.GetCameraValue(CameraProperty::Contrast, value));
    EXPECT_EQ(value, 50);
}

TEST_F(Webcam, CameraWithoutAmplifier) {
    Configure("noprocamp");
    WebCamManager manager(GetModuleHandleA(nullptr));
    long value = 0;
    EXPECT_FALSE(manager.SetCameraValue(CameraProperty::Gain, 3));
    EXPECT_EQ(ErrorOf(manager), "The current webcam doesn't support IAMVideoProcAmp interface.");
    EXPECT_TRUE(manager.GetCameraValue(CameraProperty::ZoomForCam, value));
    EXPECT_EQ(value, 100);
}

}  // namespace
