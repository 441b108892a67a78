// The viewer windows under Wine: the grid over the visible page, owner messages, selection
// clicks, the rubber band, the window class and binding, and the viewer surviving a buffer that
// frees the images it shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <vector>

#include "engine/image_viewer.h"
#include "engine/track_rect.h"
#include "engine/viewer_gdi.h"
#include "engine/viewer_window_class.h"
#include "support/event_recorder.h"
#include "support/test_dib.h"
#include "support/test_engine.h"

namespace {

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

struct ViewerFixture {
    explicit ViewerFixture(int width = 400, int height = 300) {
        ShowWindow(recorder.Window(), SW_SHOWNOACTIVATE);
        SetWindowPos(recorder.Window(), nullptr, 0, 0, width + 50, height + 80, SWP_NOZORDER | SWP_NOACTIVATE);
        created = viewer.Create(nullptr, "", Module(), recorder.Window(), WS_CHILD | WS_VISIBLE, 0, nullptr, 0, 0,
                                width, height);
    }
    ~ViewerFixture() {
        viewer.SetImageCount(0);
        for (HGLOBAL h : images) GlobalFree(h);
    }
    void Load(int n, int w = 40, int h = 30) {
        for (int i = 0; i < n; ++i) images.push_back(MakeTestDib(w, h, 24, i + 1));
        for (int i = 0; i < static_cast<int>(images.size()); ++i) viewer.SetImage(i, images[i]);
        viewer.SetImageCount(static_cast<int>(images.size()));
    }
    std::vector<WPARAM> Sent(UINT message) const {
        std::vector<WPARAM> out;
        for (const auto& m : recorder.Messages()) {
            if (m.message == message) out.push_back(m.wParam);
        }
        return out;
    }
    void SetKeys(bool shift, bool control) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        keys[VK_CONTROL] = control ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    void RightClick(int index, bool shift = false, bool control = false) {
        SetKeys(shift, control);
        CZDIBWindow* cell = viewer.CellForIndex(index);
        ASSERT_NE(cell, nullptr) << index;
        SendMessageA(cell->Window(), WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5));
        SetKeys(false, false);
    }
    void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }

    EventRecorderWindow recorder;
    CImageViewer viewer;
    BOOL created = FALSE;
    std::vector<HGLOBAL> images;
};

BOOL CALLBACK CountWindow(HWND, LPARAM counter) {
    ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

int ChildWindows(HWND parent) {
    int n = 0;
    EnumChildWindows(parent, CountWindow, reinterpret_cast<LPARAM>(&n));
    return n;
}

TEST(ImageViewer, ThreeByTwoGridWithSevenImagesScrollsOneRow) {
    ViewerFixture f;
    ASSERT_TRUE(f.created);
    f.viewer.SetViewMode(3, 2);
    f.Load(7);
    EXPECT_EQ(f.viewer.CellWindowCount(), 6);
    EXPECT_EQ(f.viewer.FirstVisibleIndex(), 0);
    EXPECT_EQ(f.viewer.Metrics().scrollAllowance, 16);
    RECT r;
    GetWindowRect(f.viewer.CellForIndex(4)->Window(), &r);
    MapWindowPoints(nullptr, f.viewer.Window(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 136);
    EXPECT_EQ(r.top, 156);
    f.recorder.Clear();
    SendMessageA(f.viewer.Window(), WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(f.viewer.FirstVisibleIndex(), 3);
    EXPECT_EQ(f.viewer.CellWindowCount(), 4);
    EXPECT_EQ(f.Sent(WM_USER + 407), std::vector<WPARAM>{3});
    EXPECT_EQ(f.viewer.CellForIndex(2), nullptr);
    EXPECT_NE(f.viewer.CellForIndex(6), nullptr);
    // The wheel scrolls back up.
    f.recorder.Clear();
    SendMessageA(f.viewer.Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA * 2), 0);
    EXPECT_EQ(f.viewer.FirstVisibleIndex(), 0);
    EXPECT_EQ(f.Sent(WM_USER + 407), std::vector<WPARAM>{0});
}

TEST(ImageViewer, ShiftAndControlClicksReportTheFocus) {
    ViewerFixture f;
    f.viewer.SetViewMode(4, 2);
    f.Load(8);
    f.RightClick(2);
    EXPECT_EQ(f.Sent(WM_USER + 401), std::vector<WPARAM>{2});
    f.recorder.Clear();
    f.RightClick(5, true, false);
    EXPECT_EQ(f.viewer.SelectedIndices(), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_TRUE(f.Sent(WM_USER + 401).empty());
    EXPECT_EQ(f.Sent(WM_USER + 405), std::vector<WPARAM>{5});
    EXPECT_TRUE(f.viewer.CellForIndex(4)->IsSelected());
    f.RightClick(3, false, true);
    EXPECT_EQ(f.viewer.SelectedIndices(), (std::vector<int>{2, 4, 5}));
    EXPECT_FALSE(f.viewer.CellForIndex(3)->IsSelected());
    // A double click on the only selected cell: no focus message, but the double click.
    f.RightClick(6);
    f.recorder.Clear();
    SendMessageA(f.viewer.CellForIndex(6)->Window(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(f.Sent(WM_USER + 401).empty());
    EXPECT_EQ(f.Sent(WM_USER + 406), std::vector<WPARAM>{6});
    // Script puts: checked, sorted and unique.
    EXPECT_FALSE(f.viewer.SetSelectedImageIndex(0, 8));
    EXPECT_TRUE(f.viewer.SetSelectedImagesCount(3));
    EXPECT_TRUE(f.viewer.SetSelectedImageIndex(1, 1));
    EXPECT_TRUE(f.viewer.SetSelectedImageIndex(2, 7));
    EXPECT_EQ(f.viewer.SelectedIndices(), (std::vector<int>{1, 6, 7}));
    EXPECT_EQ(f.Sent(WM_USER + 401).back(), 1u);
    f.viewer.SetAllowMultiSelect(FALSE);
    EXPECT_EQ(f.viewer.SelectedIndices(), std::vector<int>{1});
    EXPECT_FALSE(f.viewer.SetSelectedImagesCount(3));
}

TEST(ImageViewer, CornerToCornerRubberBandSelectsTheWholeImage) {
    ViewerFixture f(200, 200);
    f.viewer.SetViewMode(-1, -1);
    f.Load(1, 100, 50);
    CZDIBWindow* cell = f.viewer.CellForIndex(0);
    ASSERT_NE(cell, nullptr);
    UpdateWindow(cell->Window());
    HWND w = cell->Window();
    // The image sits centred at (50, 75)..(150, 125); the drag goes past it and is clamped.
    PostMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(120, 100));
    PostMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(170, 140));
    PostMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(170, 140));
    f.recorder.Clear();
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 75));
    EXPECT_EQ(f.Sent(WM_USER + 403), std::vector<WPARAM>{0});
    EXPECT_EQ(f.Sent(WM_USER + 408), std::vector<WPARAM>{0});
    RECT area;
    ASSERT_TRUE(f.viewer.GetSelectedImageArea(0, &area));
    EXPECT_EQ(area.left, 0);
    EXPECT_EQ(area.top, 0);
    EXPECT_EQ(area.right, 100);
    EXPECT_EQ(area.bottom, 50);
    EXPECT_EQ(GetCapture(), nullptr);
    // A press and release without moving empties the selection.
    PostMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(60, 80));
    f.recorder.Clear();
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 80));
    EXPECT_EQ(f.Sent(WM_USER + 409), std::vector<WPARAM>{0});
    EXPECT_FALSE(f.viewer.GetSelectedImageArea(0, &area));
    // A script area is clamped to the image too.
    ASSERT_TRUE(f.viewer.SetSelectedImageArea(0, -10, 10, 500, 40));
    ASSERT_TRUE(f.viewer.GetSelectedImageArea(0, &area));
    EXPECT_EQ(area.left, 0);
    EXPECT_EQ(area.right, 100);
    EXPECT_EQ(area.top, 10);
    EXPECT_EQ(area.bottom, 40);
}

TEST(ImageViewer, HandModeClickStartsNoSelection) {
    ViewerFixture f(200, 200);
    f.viewer.SetViewMode(-1, -1);
    f.viewer.SetMouseShape(-1);  // a script's true, kept as it came
    EXPECT_EQ(f.viewer.GetMouseShape(), -1);
    f.Load(1, 100, 50);
    HWND w = f.viewer.CellForIndex(0)->Window();
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 80));
    EXPECT_EQ(f.Sent(WM_USER + 403), std::vector<WPARAM>{0});
    EXPECT_TRUE(f.Sent(WM_USER + 408).empty());
    EXPECT_TRUE(f.Sent(WM_USER + 409).empty());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST(ImageViewer, TrackerLeavesItsLoopOnQuitAndKeepsTheQuit) {
    ViewerFixture f(200, 200);
    f.viewer.SetViewMode(-1, -1);
    f.Load(1, 100, 50);
    HWND w = f.viewer.CellForIndex(0)->Window();
    PostQuitMessage(7);
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 80));
    EXPECT_EQ(GetCapture(), nullptr);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    // Escape cancels and restores the earlier selection.
    ASSERT_TRUE(f.viewer.SetSelectedImageArea(0, 10, 10, 20, 20));
    PostMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 100));
    PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 90));
    RECT area;
    EXPECT_FALSE(f.viewer.GetSelectedImageArea(0, &area));  // a band from outside: cancelled to empty
    // A move of the selection, released elsewhere, keeps its size and stays on the image.
    ASSERT_TRUE(f.viewer.SetSelectedImageArea(0, 10, 10, 20, 20));
    PostMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 300));
    PostMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(300, 300));
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(65, 90));
    ASSERT_TRUE(f.viewer.GetSelectedImageArea(0, &area));
    EXPECT_EQ(area.right, 100);
    EXPECT_EQ(area.bottom, 50);
    EXPECT_EQ(area.right - area.left, 10);
    EXPECT_EQ(area.bottom - area.top, 10);
}

TEST(ImageViewer, SelectionAreasStayWithTheirImagesOnAndOffThePage) {
    ViewerFixture f(200, 200);
    f.viewer.SetViewMode(-1, -1);  // one cell: every other image is off the page
    f.Load(3, 100, 50);
    ASSERT_EQ(f.viewer.CellForIndex(2), nullptr);
    RECT area;
    // An image off the page takes an area (clamped to the image) and answers it.
    ASSERT_TRUE(f.viewer.SetSelectedImageArea(2, 5, -4, 30, 20));
    ASSERT_TRUE(f.viewer.GetSelectedImageArea(2, &area));
    EXPECT_EQ(area.left, 5);
    EXPECT_EQ(area.top, 0);
    EXPECT_EQ(area.right, 30);
    EXPECT_EQ(area.bottom, 20);
    EXPECT_FALSE(f.viewer.GetSelectedImageArea(1, &area)) << "an image without an area";
    EXPECT_FALSE(f.viewer.SetSelectedImageArea(3, 0, 0, 5, 5)) << "no image there";
    // The visible image's area survives its cell being given to another image and back.
    ASSERT_TRUE(f.viewer.SetSelectedImageArea(0, 10, 10, 40, 30));
    f.viewer.ShowImage(2);
    ASSERT_NE(f.viewer.CellForIndex(2), nullptr);
    ASSERT_TRUE(f.viewer.GetSelectedImageArea(2, &area)) << "the cell shows the kept area";
    EXPECT_EQ(area.left, 5);
    EXPECT_EQ(area.right, 30);
    ASSERT_TRUE(f.viewer.GetSelectedImageArea(0, &area));
    EXPECT_EQ(area.left, 10);
    EXPECT_EQ(area.top, 10);
    EXPECT_EQ(area.right, 40);
    EXPECT_EQ(area.bottom, 30);
    f.viewer.ShowImage(0);
    ASSERT_TRUE(f.viewer.GetSelectedImageArea(0, &area));
    EXPECT_EQ(area.left, 10);
    EXPECT_EQ(area.bottom, 30);
    // Reset forgets it; an image that leaves the buffer takes its area with it.
    f.viewer.ResetSelectedImageArea(2);
    EXPECT_FALSE(f.viewer.GetSelectedImageArea(2, &area));
    f.viewer.SetImageCount(1);
    f.viewer.SetImage(1, f.images[1]);
    f.viewer.SetImageCount(2);
    EXPECT_FALSE(f.viewer.GetSelectedImageArea(1, &area));
}

TEST(ImageViewer, EngineFillsFourThousandImagesThroughItsRefresh) {
    EventRecorderWindow recorder;
    TestEngine engine;
    engine.SetOwnerWindow(recorder.Window());
    CImageViewer& viewer = engine.Viewer();
    ASSERT_TRUE(viewer.Create(nullptr, "", Module(), recorder.Window(), WS_CHILD | WS_VISIBLE, 0, nullptr, 0, 0, 400,
                              400));
    viewer.SetViewMode(5, 5);
    ASSERT_TRUE(engine.SetMaxImagesInBuffer(4096));
    for (int i = 0; i < 4096; ++i) ASSERT_TRUE(engine.AddImage(MakeTestDib(1, 1, 24, i)));
    EXPECT_EQ(viewer.ImageCount(), 4096);
    // The last page: rows 815 to 819 of 820, the last row holding one image.
    EXPECT_EQ(viewer.FirstVisibleIndex(), 4075);
    EXPECT_EQ(viewer.CellWindowCount(), 21);
    EXPECT_EQ(viewer.SelectedIndices(), std::vector<int>{4095});
    EXPECT_NE(viewer.CellForIndex(4095), nullptr);
    engine.RemoveAllImages();
    EXPECT_EQ(viewer.CellWindowCount(), 0);
    viewer.Destroy();
}

TEST(ImageViewer, SurvivesTheBufferFreeingTheImagesItShows) {
    EventRecorderWindow recorder;
    ShowWindow(recorder.Window(), SW_SHOWNOACTIVATE);
    TestEngine engine;
    engine.SetOwnerWindow(recorder.Window());
    CImageViewer& viewer = engine.Viewer();
    ASSERT_TRUE(viewer.Create(nullptr, "", Module(), recorder.Window(), WS_CHILD | WS_VISIBLE, 0, nullptr, 0, 0, 300,
                              200));
    viewer.SetViewMode(3, 1);
    for (int i = 0; i < 3; ++i) engine.AddImage(MakeTestDib(20, 20, 8, i + 1));
    ASSERT_EQ(viewer.CellWindowCount(), 3);
    HGLOBAL first = viewer.ImageAt(0);
    // While updates are suspended the viewer still holds the freed handle, but never reads it.
    engine.SetSuspendViewUpdates(1);
    engine.RemoveImage(0);
    EXPECT_EQ(viewer.ImageAt(0), first);
    for (int i = 0; i < 3; ++i) RedrawWindow(viewer.CellForIndex(i)->Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_FALSE(viewer.CellForIndex(0)->HasPaintableImage());
    EXPECT_FALSE(viewer.CellForIndex(1)->HasPaintableImage());  // index 1 now holds another image
    engine.SetSuspendViewUpdates(0);
    engine.OnBufferChanged(nullptr, 0);
    EXPECT_EQ(viewer.ImageCount(), 2);
    EXPECT_EQ(viewer.CellWindowCount(), 2);
    EXPECT_TRUE(viewer.CellForIndex(0)->HasPaintableImage());
    // Removing everything while shown.
    engine.RemoveAllImages();
    UpdateWindow(viewer.Window());
    EXPECT_EQ(viewer.CellWindowCount(), 0);
    viewer.Destroy();
}

TEST(ImageViewer, FourThousandImagesMakeCellsOnlyForTheVisiblePage) {
    ViewerFixture f;
    f.viewer.SetViewMode(4, 4);
    f.Load(4096, 2, 2);
    EXPECT_EQ(f.viewer.ImageCount(), 4096);
    EXPECT_EQ(f.viewer.CellWindowCount(), 16);
    // The cells, the viewer's two bars, nothing per image.
    EXPECT_LE(ChildWindows(f.viewer.Window()), 16 + 2);
    f.viewer.ShowImage(4095);
    EXPECT_EQ(f.viewer.FirstVisibleIndex(), 4080);
    EXPECT_TRUE(f.viewer.CellForIndex(4095)->IsSelected());
    EXPECT_EQ(f.viewer.CellWindowCount(), 16);
    // The largest page a view mode can ask for.
    f.viewer.SetViewMode(30000, 30000);
    int columns = 0, rows = 0;
    f.viewer.GetViewMode(&columns, &rows);
    EXPECT_EQ(columns, kMaxGridColumns);
    EXPECT_EQ(rows, kMaxGridRows);
    EXPECT_EQ(f.viewer.CellWindowCount(), kMaxGridColumns * kMaxGridRows);
    EXPECT_GE(f.viewer.Metrics().cellWidth, 1);
    EXPECT_GE(f.viewer.Metrics().cellHeight, 1);
    DWORD users = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    printf("[ info ] 4096 images, %d x %d page: %d cell windows, %lu USER objects\n", columns, rows,
           f.viewer.CellWindowCount(), static_cast<unsigned long>(users));
    f.viewer.SetViewMode(2, 2);
    EXPECT_EQ(f.viewer.CellWindowCount(), 4);
}

COLORREF PixelAt(HWND window, int x, int y) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC dc = GetDC(window);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

TEST(ImageViewer, BackgroundRedThenWhitePaintsWhiteAgain) {
    ViewerFixture f;
    f.viewer.SetViewMode(2, 2);
    f.Load(4);
    ASSERT_EQ(f.viewer.Metrics().margin, 15);
    SetWindowPos(f.recorder.Window(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
    f.viewer.SetBackgroundColor(RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(f.viewer.Window(), 5, 5), RGB(255, 0, 0));
    f.viewer.SetBackgroundColor(0xFFFFFF);
    EXPECT_EQ(PixelAt(f.viewer.Window(), 5, 5), RGB(255, 255, 255));
    // The frame round the client.
    EXPECT_EQ(PixelAt(f.viewer.Window(), 0, 5), RGB(0xEE, 0xEE, 0xEE));
}

HGLOBAL SolidDib(int w, int h, BYTE r, BYTE g, BYTE b) {
    HGLOBAL dib = MakeTestDib(w, h, 24);
    auto* p = static_cast<BYTE*>(GlobalLock(dib));
    int stride = (w * 3 + 3) & ~3;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            BYTE* px = p + 40 + y * stride + x * 3;
            px[0] = b;
            px[1] = g;
            px[2] = r;
        }
    }
    GlobalUnlock(dib);
    return dib;
}

TEST(ImageViewer, OverlaysPaintOverTheImageAtTheirOpacity) {
    ViewerFixture f(200, 200);
    f.viewer.SetViewMode(-1, -1);
    f.images.push_back(SolidDib(100, 50, 0, 0, 0));
    f.viewer.SetImage(0, f.images[0]);
    f.viewer.SetImageCount(1);
    SetWindowPos(f.recorder.Window(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
    HWND cell = f.viewer.CellForIndex(0)->Window();
    EXPECT_EQ(PixelAt(cell, 60, 80), RGB(0, 0, 0));  // the image: (50, 75)..(150, 125)
    ASSERT_TRUE(f.viewer.AddOverlayRectangle(0, 0, 0, 50, 50, 0, 1.0f, SolidDib(4, 4, 255, 0, 0)));
    ASSERT_TRUE(f.viewer.AddOverlayRectangle(0, 50, 0, 100, 50, 0, 0.5f, SolidDib(4, 4, 255, 255, 255)));
    EXPECT_EQ(PixelAt(cell, 60, 80), RGB(255, 0, 0));
    COLORREF half = PixelAt(cell, 120, 80);
    EXPECT_NEAR(GetRValue(half), 128, 2);
    EXPECT_NEAR(GetGValue(half), 128, 2);
    EXPECT_EQ(PixelAt(cell, 20, 20), RGB(255, 255, 255));  // the background round the image
}

TEST(ImageViewer, SingleImageModeShowsOneImageAtATime) {
    ViewerFixture f(200, 200);
    f.viewer.SetViewMode(-1, -1);
    f.Load(3, 400, 300);
    EXPECT_EQ(f.viewer.CellWindowCount(), 1);
    f.viewer.ShowImage(2);
    EXPECT_EQ(f.viewer.FirstVisibleIndex(), 2);
    ASSERT_NE(f.viewer.CellForIndex(2), nullptr);
    EXPECT_FLOAT_EQ(f.viewer.CellForIndex(2)->GetZoom(), 0.5f);  // fit type 0 of 400 x 300 in 200 x 200
    f.viewer.SetFitWindowType(1);
    EXPECT_NEAR(f.viewer.CellForIndex(2)->GetZoom(), 0.6667f, 1e-3);
    // Overlays: kept per image, drawn over it, refused for an index without an image.
    HGLOBAL overlay = MakeTestDib(8, 8, 24, 9);
    EXPECT_TRUE(f.viewer.AddOverlayRectangle(2, 10, 10, 50, 50, 0xFF, 0.5f, overlay));
    EXPECT_TRUE(f.viewer.AddOverlayRectangle(2, 0, 0, 5, 5, 0xFF, 0.0f, MakeTestDib(2, 2, 24)));
    HGLOBAL refused = MakeTestDib(2, 2, 24);
    EXPECT_FALSE(f.viewer.AddOverlayRectangle(7, 0, 0, 5, 5, 0xFF, 1.0f, refused));
    GlobalFree(refused);
    RedrawWindow(f.viewer.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Zoomed in past the cell, the image scrolls inside it.
    f.viewer.SetZoom(2.0f);
    SendMessageA(f.viewer.Window(), WM_KEYDOWN, VK_END, 0);
    RedrawWindow(f.viewer.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SendMessageA(f.viewer.Window(), WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), 0);
    EXPECT_FLOAT_EQ(f.viewer.GetZoom(), 4.0f);
    f.viewer.SetImageCount(0);  // the overlay records go with the images
}

TEST(ImageViewer, OneClassPerModuleWithoutAClassBrush) {
    long before = ViewerWindowClassUsers(Module());
    {
        ViewerFixture a, b;  // created in the same tick
        ASSERT_TRUE(a.created && b.created);
        EXPECT_EQ(ViewerWindowClassUsers(Module()), before + 2);
        WNDCLASSEXA wc = {sizeof(wc)};
        ASSERT_TRUE(GetClassInfoExA(Module(), kViewerWindowClassName, &wc));
        EXPECT_EQ(wc.hbrBackground, nullptr);
        a.Load(2);
        b.Load(2);
        a.viewer.SetBackgroundColor(RGB(255, 0, 0));
        EXPECT_EQ(a.viewer.GetBackgroundColor(), static_cast<DWORD>(RGB(255, 0, 0)));
        a.viewer.SetBackgroundColor(0xFFFFFF);
        b.viewer.SetBackgroundColor(RGB(0, 0, 255));
        UpdateWindow(a.recorder.Window());
        UpdateWindow(b.recorder.Window());
        a.viewer.Destroy();
        // The other viewer still has its class and paints.
        EXPECT_TRUE(GetClassInfoExA(Module(), kViewerWindowClassName, &wc));
        RedrawWindow(b.viewer.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    if (before == 0) {
        WNDCLASSEXA wc = {sizeof(wc)};
        EXPECT_FALSE(GetClassInfoExA(Module(), kViewerWindowClassName, &wc));
    }
    EXPECT_EQ(CViewerGdi::Users(), 0);
}

TEST(ImageViewer, WindowBindingEndsWithTheWindow) {
    ASSERT_TRUE(AcquireViewerWindowClass(Module()));
    // A window of the class without its object is refused, not crashed on.
    HWND orphan = CreateWindowExA(0, kViewerWindowClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, Module(),
                                  nullptr);
    EXPECT_EQ(orphan, nullptr);
    {
        EventRecorderWindow recorder;
        auto* viewer = new CImageViewer();
        ASSERT_TRUE(viewer->Create(nullptr, "", Module(), recorder.Window(), WS_CHILD, 0, nullptr, 0, 0, 100, 100));
        HWND w = viewer->Window();
        viewer->SetViewMode(2, 2);
        HGLOBAL dib = MakeTestDib(5, 5, 24);
        viewer->SetImage(0, dib);
        viewer->SetImageCount(1);
        DestroyWindow(recorder.Window());  // the host window goes first, the viewer with it
        EXPECT_FALSE(IsWindow(w));
        EXPECT_FALSE(viewer->HasWindow());
        EXPECT_EQ(viewer->CellWindowCount(), 0);
        viewer->SetImageCount(0);  // no window: nothing to lay out, no crash
        delete viewer;
        GlobalFree(dib);
    }
    ReleaseViewerWindowClass(Module());
}

TEST(ImageViewer, PropertiesKeepTheirRules) {
    ViewerFixture f(200, 200);
    f.viewer.SetViewMode(2, 2);
    f.Load(4);
    f.viewer.SetImageMargin(50);
    EXPECT_EQ(f.viewer.GetImageMargin(), 10);  // too large for the view
    f.viewer.SetFitWindowType(3);              // grid mode: ignored
    EXPECT_EQ(f.viewer.GetFitWindowType(), 0);
    f.viewer.SetZoom(100.0f);
    EXPECT_TRUE(f.viewer.GetIfFitWindow());    // grid mode keeps fit
    f.viewer.SetViewMode(-1, -1);
    EXPECT_FALSE(f.viewer.SetVScrollBar(FALSE));
    f.viewer.SetFitWindowType(3);
    EXPECT_EQ(f.viewer.GetFitWindowType(), 3);
    f.viewer.SetZoom(100.0f);
    EXPECT_FLOAT_EQ(f.viewer.GetZoom(), 65.0f);
    EXPECT_FALSE(f.viewer.GetIfFitWindow());
    // Zoom keys in single-image mode.
    f.viewer.SetZoom(0.4f);
    SendMessageA(f.viewer.Window(), WM_KEYDOWN, VK_ADD, 0);
    EXPECT_FLOAT_EQ(f.viewer.GetZoom(), 0.8f);
    // Keyboard in grid mode moves the focus without telling the owner.
    f.viewer.SetViewMode(2, 2);
    f.viewer.ShowImage(0);
    f.recorder.Clear();
    SendMessageA(f.viewer.Window(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(f.viewer.SelectedIndices(), std::vector<int>{2});
    EXPECT_TRUE(f.Sent(WM_USER + 401).empty());
    f.viewer.SetViewMode(0, -5);  // not positive: kept
    int c = 0, r = 0;
    f.viewer.GetViewMode(&c, &r);
    EXPECT_EQ(c, 2);
    EXPECT_EQ(r, 2);
}

}  // namespace
