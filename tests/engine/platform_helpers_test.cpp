// Paths, folder creation, the application-data folder, the message-pumping wait and bitmaps read
// through GDI, under Wine.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "engine/image.h"
#include "engine/message_pump_wait.h"
#include "engine/module_paths.h"

namespace {

std::atomic<int> g_timerTicks{0};
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++g_timerTicks; }

bool IsFolder(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(ModulePaths, PathAndDirectoryOfThisModule) {
    char path[MAX_PATH] = "untouched";
    ASSERT_TRUE(GetModulePath(path));
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    EXPECT_STREQ(path, exe);  // the code is linked into the test program
    char folder[MAX_PATH];
    GetModuleDirectory(folder);
    std::string p(path), f(folder);
    EXPECT_EQ(f, p.substr(0, p.rfind('\\') + 1));
    DirectoryOfPath("C:\\x\\lib.dll", folder);
    EXPECT_STREQ(folder, "C:\\x\\");
    DirectoryOfPath("lib.dll", folder);
    EXPECT_STREQ(folder, "");
}

TEST(ModulePaths, CreateDirectoriesMakesTheFoldersNotTheFile) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string root = std::string(temp) + "lumetta_dirs_" + std::to_string(GetCurrentProcessId());
    std::string file = root + "\\b\\c.jpg";
    CreateDirectories(file.c_str());
    EXPECT_TRUE(IsFolder(root));
    EXPECT_TRUE(IsFolder(root + "\\b"));
    EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
    CreateDirectories(file.c_str());  // existing folders are fine
    CreateDirectories("nofolder.jpg");
    RemoveDirectoryA((root + "\\b").c_str());
    RemoveDirectoryA(root.c_str());
}

TEST(ModulePaths, APathFitsWholeOrNotAtAll) {
    const std::string name255(255, 'n');
    EXPECT_TRUE(PathFits(""));
    EXPECT_TRUE(PathFits(("C:\\" + name255).c_str()));
    EXPECT_TRUE(PathFits(("C:/" + name255).c_str()));
    EXPECT_TRUE(PathFits(("C:/" + std::string(200, 'a') + "/" + std::string(50, 'b')).c_str()));
    EXPECT_FALSE(PathFits(("C:\\" + name255 + "n").c_str())) << "a name of 256 characters";
    EXPECT_FALSE(PathFits(("C:/a/" + name255 + "n/b").c_str())) << "a folder of 256 characters";
    // 259 characters fit a MAX_PATH buffer with its terminating zero; 260 do not.
    std::string path = "C:\\" + std::string(100, 'a') + "\\" + std::string(100, 'b') + "\\";
    path += std::string(259 - path.size(), 'c');
    ASSERT_EQ(path.size(), 259u);
    EXPECT_TRUE(PathFits(path.c_str()));
    EXPECT_FALSE(PathFits((path + "c").c_str()));
    EXPECT_FALSE(PathFits(nullptr));
}

TEST(ModulePaths, AppDataFolderEndsInLocalLowWhenRoaming) {
    char folder[MAX_PATH] = {};
    ASSERT_TRUE(GetAppDataFolder(folder));
    std::string f(folder);
    ASSERT_FALSE(f.empty());
    EXPECT_NE(f.back(), '\\');
    // Wine's profile is C:\users\<name>\AppData\Roaming.
    EXPECT_EQ(f.substr(f.size() - 17), "\\AppData\\LocalLow") << f;
}

TEST(MessagePumpWait, DispatchesWhileWaitingAndKeepsWmQuit) {
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // Timer messages are dispatched while the event is still unset: it is set once a tick has
    // come, or after 10 s without one (on a loaded machine the first tick may take long).
    UINT_PTR timer = SetTimer(nullptr, 0, 1, CountTick);
    std::thread setter([&] {
        for (int waited = 0; g_timerTicks == 0 && waited < 10000; waited += 5) Sleep(5);
        SetEvent(done);
    });
    EXPECT_TRUE(WaitWithMessagePump(done));
    setter.join();
    KillTimer(nullptr, timer);
    EXPECT_GT(g_timerTicks, 0);

    ResetEvent(done);
    PostQuitMessage(7);
    EXPECT_FALSE(WaitWithMessagePump(done));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    CloseHandle(done);
}

TEST(ImageFromBitmap, ReadsTheBitmapsPixels) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 5, 3);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, 5, 3};
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    FillRect(dc, &all, white);
    SetPixel(dc, 0, 0, RGB(255, 0, 0));  // top-left
    SelectObject(dc, old);
    DeleteObject(white);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);

    CImage image;
    ASSERT_TRUE(image.FromBitmap(bitmap, nullptr));
    EXPECT_EQ(image.GetWidth(), 5);
    EXPECT_EQ(image.GetHeight(), 3);
    EXPECT_EQ(image.GetBitCount(), 24);
    EXPECT_EQ(image.GetPixelColor(0, 2), 0xFF0000u);  // rows count from the bottom
    EXPECT_EQ(image.GetPixelColor(4, 0), 0xFFFFFFu);
    DeleteObject(bitmap);
    EXPECT_FALSE(image.FromBitmap(nullptr, nullptr));
    EXPECT_EQ(image.GetResult(), kImageInvalid);
}

}  // namespace
