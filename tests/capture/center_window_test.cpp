// CenterWindow as the engine's dialogs meet it: over their owner, and never partly off the screen
// a user looks at. The work area comes from the system's own parameter, not from the monitor
// functions the helper uses.
#include <gtest/gtest.h>

#include "capture/debug_log.h"

namespace {

RECT WorkArea() {
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

RECT RectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

struct Windows {
    HWND owner = nullptr;
    HWND dialog = nullptr;
    Windows(int x, int y, int w, int h, int dw, int dh) {
        owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, x, y, w, h, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        dialog = CreateWindowExA(0, "STATIC", "dialog", WS_POPUP | WS_CAPTION, 0, 0, dw, dh, owner, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    }
    ~Windows() {
        DestroyWindow(dialog);
        DestroyWindow(owner);
    }
};

TEST(CenterWindow, CentresOverTheOwnerWithTruncatingDivision) {
    RECT area = WorkArea();
    ASSERT_GT(area.right - area.left, 600);
    ASSERT_GT(area.bottom - area.top, 500);
    const int left = area.left + 150, top = area.top + 120;
    Windows w(left, top, 301, 251, 120, 90);
    ASSERT_TRUE(w.owner && w.dialog);
    CenterWindow(w.dialog);
    RECT r = RectOf(w.dialog);
    EXPECT_EQ(r.left, left + (301 - 120) / 2);
    EXPECT_EQ(r.top, top + (251 - 90) / 2);
    EXPECT_EQ(r.right - r.left, 120);
    EXPECT_EQ(r.bottom - r.top, 90);
}

TEST(CenterWindow, LargerThanItsOwnerReachesPastTheOwnersCorner) {
    RECT area = WorkArea();
    const int left = area.left + 200, top = area.top + 200;
    Windows w(left, top, 100, 80, 300, 200);
    CenterWindow(w.dialog);
    RECT r = RectOf(w.dialog);
    EXPECT_EQ(r.left, left - 100);
    EXPECT_EQ(r.top, top - 60);
}

TEST(CenterWindow, DialogOfAWindowAtTheScreensCornerLandsFullyOnTheScreen) {
    RECT area = WorkArea();
    // The recorder window of the device tests: 116 x 100 at the top-left corner.
    Windows topLeft(area.left, area.top, 116, 100, 366, 220);
    CenterWindow(topLeft.dialog);
    RECT r = RectOf(topLeft.dialog);
    EXPECT_EQ(r.left, area.left);
    EXPECT_EQ(r.top, area.top);
    EXPECT_EQ(r.right - r.left, 366);

    // At the bottom-right corner, partly beyond it.
    Windows bottomRight(area.right - 60, area.bottom - 40, 116, 100, 366, 220);
    CenterWindow(bottomRight.dialog);
    r = RectOf(bottomRight.dialog);
    EXPECT_EQ(r.right, area.right);
    EXPECT_EQ(r.bottom, area.bottom);
    EXPECT_EQ(r.bottom - r.top, 220);
}

TEST(CenterWindow, LargerThanTheWorkAreaShowsItsTopLeft) {
    RECT area = WorkArea();
    const int aw = area.right - area.left, ah = area.bottom - area.top;
    Windows w(area.left + 10, area.top + 10, 50, 50, aw + 200, ah + 100);
    CenterWindow(w.dialog);
    RECT r = RectOf(w.dialog);
    EXPECT_EQ(r.left, area.left);
    EXPECT_EQ(r.top, area.top);
}

TEST(CenterWindow, WithoutAParentCentresOnTheDesktop) {
    HWND window = CreateWindowExA(0, "STATIC", "alone", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    CenterWindow(window);
    RECT desktop = RectOf(GetDesktopWindow());
    RECT r = RectOf(window);
    EXPECT_EQ(r.left, desktop.left + (desktop.right - desktop.left - 200) / 2);
    EXPECT_EQ(r.top, desktop.top + (desktop.bottom - desktop.top - 100) / 2);
    DestroyWindow(window);
}

}  // namespace
