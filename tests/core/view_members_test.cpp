// The viewer's script members of the core (core/view_members.cpp): a write clears the error code
// a failed call left, hands the value to the viewer, and refuses what the member's rule refuses
// (-1034, the viewer as it was). The expected values are the members' rules as the page sees
// them: border styles 0 to 2, a zoom that is a number, a fit type only for one image at a time,
// no scroll bar then, a selection count from 1 to the image count (above 1 only with
// multi-select).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "base/error_codes.h"
#include "support/event_recorder.h"
#include "support/test_dib.h"
#include "support/test_engine.h"

namespace {

struct ViewerWrite {
    const char* member;
    std::function<BOOL(TestEngine&)> write;   // TRUE for a write without an answer
    std::function<bool(TestEngine&)> landed;  // the value reads back through the member
};

BOOL Done(const std::function<void()>& call) {
    call();
    return TRUE;
}

// An engine with its viewer window (400 x 300: room for a margin) and three images.
struct ViewerEngine {
    ViewerEngine() {
        engine.SetOwnerWindow(recorder.Window());
        created = engine.Viewer().Create(nullptr, "", GetModuleHandleA(nullptr), recorder.Window(), WS_CHILD, 0,
                                         nullptr, 0, 0, 400, 300);
        for (int i = 0; i < 3; ++i) engine.AddImage(MakeTestDib(40, 30, 24, static_cast<BYTE>(i + 1)));
    }
    // One image at a time: the mode in which the fit members count.
    void ShowOneImageAtATime() { engine.Viewer().SetViewMode(-1, -1); }

    EventRecorderWindow recorder;
    TestEngine engine;
    BOOL created = FALSE;
};

TEST(ViewMembers, EachWriteClearsTheErrorCodeAndReachesTheViewer) {
    const std::vector<ViewerWrite> singleImage = {
        // The fit type counts while the image is fitted: first.
        {"FitWindowType", [](TestEngine& e) { return Done([&] { e.FitWindowType(3); }); },
         [](TestEngine& e) { return e.FitWindowType() == 3; }},
        {"IfFitWindow", [](TestEngine& e) { return Done([&] { e.IfFitWindow(FALSE); }); },
         [](TestEngine& e) { return e.IfFitWindow() == FALSE; }},
        {"EnableInteractiveZoom", [](TestEngine& e) { return Done([&] { e.EnableInteractiveZoom(FALSE); }); },
         [](TestEngine& e) { return e.EnableInteractiveZoom() == FALSE; }},
        // A zoom turns the fit off: last.
        {"Zoom", [](TestEngine& e) { return e.Zoom(2.5f); }, [](TestEngine& e) { return e.Zoom() == 2.5f; }},
    };
    const std::vector<ViewerWrite> grid = {
        {"BorderStyle", [](TestEngine& e) { return e.BorderStyle(2); }, [](TestEngine& e) { return e.BorderStyle() == 2; }},
        {"ImageMargin", [](TestEngine& e) { return Done([&] { e.ImageMargin(7); }); },
         [](TestEngine& e) { return e.ImageMargin() == 7; }},
        {"SelectionImageBorderColor", [](TestEngine& e) { return Done([&] { e.SelectionImageBorderColor(0x00AA00); }); },
         [](TestEngine& e) { return e.SelectionImageBorderColor() == 0x00AA00; }},
        {"BackgroundColor", [](TestEngine& e) { return Done([&] { e.BackgroundColor(0x123456); }); },
         [](TestEngine& e) { return e.BackgroundColor() == 0x123456; }},
        // A script's true is -1: it reads back as given.
        {"MouseShape", [](TestEngine& e) { return Done([&] { e.MouseShape(-1); }); },
         [](TestEngine& e) { return e.MouseShape() == -1; }},
        {"VScrollBar", [](TestEngine& e) { return e.VScrollBar(FALSE); }, [](TestEngine& e) { return e.VScrollBar() == FALSE; }},
        // The count opens that many positions of the selection, the first one filled.
        {"SelectedImagesCount", [](TestEngine& e) { return e.SelectedImagesCount(2); },
         [](TestEngine& e) {
             return e.SelectedImagesCount() == 1 && e.Viewer().SetSelectedImageIndex(1, 0) &&
                    e.SelectedImagesCount() == 2;
         }},
        // Off (it is on until then) keeps only the focused image selected.
        {"AllowMultiSelect", [](TestEngine& e) { return Done([&] { e.AllowMultiSelect(FALSE); }); },
         [](TestEngine& e) { return e.AllowMultiSelect() == FALSE && e.SelectedImagesCount() == 1; }},
    };
    for (bool one : {true, false}) {
        ViewerEngine v;
        ASSERT_TRUE(v.created);
        TestEngine& engine = v.engine;
        if (one) v.ShowOneImageAtATime();
        else engine.Viewer().SetViewMode(2, 2);  // a grid of more than one cell has margins
        for (const ViewerWrite& w : one ? singleImage : grid) {
            SCOPED_TRACE(w.member);
            engine.SetErrorCode(kErrGeneralFailure);  // left by an earlier call
            EXPECT_TRUE(w.write(engine));
            EXPECT_EQ(engine.GetErrorCode(), kErrSuccess);
            EXPECT_TRUE(w.landed(engine));
        }
    }
}

TEST(ViewMembers, RefusedValuesLeaveTheViewerAsItWas) {
    ViewerEngine v;
    ASSERT_TRUE(v.created);
    TestEngine& engine = v.engine;
    ASSERT_TRUE(engine.BorderStyle(1));
    ASSERT_TRUE(engine.SelectedImagesCount(1));
    struct Refused {
        const char* member;
        std::function<BOOL()> write;
        std::function<bool()> unchanged;
    };
    const std::vector<Refused> refused = {
        {"BorderStyle 3", [&] { return engine.BorderStyle(3); }, [&] { return engine.BorderStyle() == 1; }},
        {"BorderStyle -1", [&] { return engine.BorderStyle(-1); }, [&] { return engine.BorderStyle() == 1; }},
        {"SelectedImagesCount 0", [&] { return engine.SelectedImagesCount(0); },
         [&] { return engine.SelectedImagesCount() == 1; }},
        {"SelectedImagesCount past the images", [&] { return engine.SelectedImagesCount(4); },
         [&] { return engine.SelectedImagesCount() == 1; }},
        {"SelectedImagesCount 2 without multi-select",
         [&] {
             engine.AllowMultiSelect(FALSE);
             return engine.SelectedImagesCount(2);
         },
         [&] { return engine.SelectedImagesCount() == 1; }},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.member);
        engine.SetErrorCode(kErrSuccess);
        EXPECT_FALSE(r.write());
        EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue);
        EXPECT_TRUE(r.unchanged());
    }

    // One image at a time: the zoom refuses what is not a number, the scroll bar is refused.
    v.ShowOneImageAtATime();
    ASSERT_TRUE(engine.Zoom(2.0f));
    EXPECT_FALSE(engine.Zoom(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue);
    EXPECT_EQ(engine.Zoom(), 2.0f);
    EXPECT_FALSE(engine.VScrollBar(TRUE));
    EXPECT_EQ(engine.GetErrorCode(), kErrInvalidValue);
}

}  // namespace
