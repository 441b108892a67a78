// The control's members as its engine and viewer see them: values the script gives that must
// reach the viewer and the TWAIN side unchanged, and texts of any length.
#include <gtest/gtest.h>

#include <string>

#include "activex/lumetta_guids.h"
#include "activex/pallastra.h"
#include "engine_test_frame.h"
#include "pagehost/control_site.h"

namespace {

BSTR Repeat(wchar_t c, size_t n) { return SysAllocString(std::wstring(n, c).c_str()); }

}  // namespace

TEST(ControlEngine, MouseShapeKeepsTheScriptsValueAndTheViewerItsMeaning) {
    EmbeddedControl e;
    e.Activate();
    VARIANT_BOOL value = 0;
    ASSERT_EQ(e.script->put_MouseShape(VARIANT_TRUE), S_OK);
    ASSERT_EQ(e.script->get_MouseShape(&value), S_OK);
    EXPECT_EQ(value, VARIANT_TRUE) << "a script's true reads back as -1";
    ASSERT_EQ(e.script->put_MouseShape(VARIANT_BOOL(5)), S_OK);
    ASSERT_EQ(e.script->get_MouseShape(&value), S_OK);
    EXPECT_EQ(value, 5);
    // The viewer's hand mode refuses script areas whatever the value's bits.
    EXPECT_FALSE(e.control->Viewer().SetSelectedImageArea(0, 0, 0, 1, 1));
    ASSERT_EQ(e.script->put_MouseShape(VARIANT_FALSE), S_OK);
    ASSERT_EQ(e.script->get_MouseShape(&value), S_OK);
    EXPECT_EQ(value, VARIANT_FALSE);
}

TEST(ControlEngine, MaxImagesInBufferGivesTheViewerItsCapacity) {
    EmbeddedControl e;
    e.Activate();
    ASSERT_EQ(e.script->put_MaxImagesInBuffer(10), S_OK);
    EXPECT_EQ(e.control->Viewer().GetCapacity(), 10);
    e.script->put_MaxImagesInBuffer(0);  // refused by the buffer: the viewer keeps 10
    EXPECT_EQ(e.control->Viewer().GetCapacity(), 10);
    ASSERT_EQ(e.script->put_MaxImagesInBuffer(4096), S_OK);
    EXPECT_EQ(e.control->Viewer().GetCapacity(), 4096);
}

TEST(ControlEngine, AScanInThreadSettingFromBeforeTheWindowIsAppliedWithTheWindow) {
    EmbeddedControl e;
    // As a persisted property does: the TWAIN thread starts before the control has a window.
    ASSERT_TRUE(e.control->SetIfScanInThread(1));
    const HWND before = e.control->ThreadRecord().window;
    ASSERT_NE(before, nullptr);
    e.Activate();
    HWND window = nullptr;
    {
        IOleWindow* w = nullptr;
        ASSERT_EQ(e.ole->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&w)), S_OK);
        w->GetWindow(&window);
        w->Release();
    }
    EXPECT_EQ(e.control->GetTwainOwnerWindow(), window);
    EXPECT_EQ(e.control->GetIfScanInThread(), 1);
    ASSERT_NE(e.control->ThreadRecord().window, nullptr);
    EXPECT_NE(e.control->ThreadRecord().window, before) << "the thread was made again with the window and module";
    EXPECT_FALSE(IsWindow(before));
    e.control->SetIfScanInThread(0);
}

TEST(ControlEngine, FormFieldsTakeTextsOfAnyLength) {
    EmbeddedControl e;
    e.Activate();
    // A Base64 image as a form value: far beyond the old 4095 characters; a long name too.
    BSTR name = Repeat(L'n', 600), value = Repeat(L'A', 200000);
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(e.script->SetHTTPFormField(name, value, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    long code = 1;
    e.script->get_ErrorCode(&code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(e.control->HTTPFormFieldCount(), 1);
    SysFreeString(name);
    SysFreeString(value);
}
