#include "device_session.h"

#include <gtest/gtest.h>

#include <cstring>

DeviceSession::DeviceSession() {
    // The 32-bit build is the plug-in's: it loads Wine's TWAIN_32.DLL from the Windows folder.
    engine.SetPluginManagerSearch(sizeof(void*) == 4);
    engine.SetOwnerWindow(recorder.Window());
    recorder.AttachEngine(&engine);
}

void RegisterTestCameras(int count) {
    HMODULE camera = LoadLibraryA(LUMETTA_TEST_CAMERA_DLL);
    ASSERT_NE(camera, nullptr);
    auto unregister = reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(camera, "DllUnregisterServer"));
    auto reregister = reinterpret_cast<HRESULT(WINAPI*)()>(GetProcAddress(camera, "DllRegisterServer"));
    ASSERT_TRUE(unregister && reregister);
    char devices[8];
    wsprintfA(devices, "%d", count);
    SetEnvironmentVariableA("LUMETTA_TEST_CAMERA_DEVICES", devices);
    EXPECT_EQ(count > 0 ? reregister() : unregister(), S_OK);
    SetEnvironmentVariableA("LUMETTA_TEST_CAMERA_DEVICES", nullptr);
    FreeLibrary(camera);
}

namespace {

// One test camera for the whole program; the other tests find the two the fixture registers.
class OneCameraEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        RegisterTestCameras(1);
    }
    void TearDown() override {
        RegisterTestCameras(2);
        CoUninitialize();
    }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new OneCameraEnvironment);

struct DialogWatch {
    const char* caption;
    std::function<void(HWND)> answer;
    bool answered = false;
};
DialogWatch* g_watch = nullptr;

BOOL CALLBACK FindCaption(HWND window, LPARAM found) {
    char cls[16] = {}, text[64] = {};
    GetClassNameA(window, cls, sizeof(cls));
    GetWindowTextA(window, text, sizeof(text));
    if (strcmp(cls, "#32770") == 0 && IsWindowVisible(window) && (!g_watch->caption || strcmp(text, g_watch->caption) == 0)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Runs inside the dialog's own modal loop on this thread.
void CALLBACK LookForDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    if (!g_watch || g_watch->answered) return;
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindCaption, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    g_watch->answered = true;
    KillTimer(nullptr, timer);
    g_watch->answer(dialog);
}

}  // namespace

bool WhileDialogShows(const char* caption, const std::function<void(HWND)>& answer, const std::function<void()>& call) {
    DialogWatch watch{caption, answer};
    g_watch = &watch;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, LookForDialog);
    call();
    KillTimer(nullptr, timer);
    g_watch = nullptr;
    return watch.answered;
}
