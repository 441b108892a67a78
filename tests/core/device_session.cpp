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

}  // namespace
