// The page removes the control's element while a call into the control still runs: the host
// closes it and lets go of its references, and the script's own reference is all that keeps the
// control until the call returns. Here a page timer fires while the print dialog of Print is open
// (the suite runs under Wine's heap checking, which reports a write to a freed block).
#include <gtest/gtest.h>

#include "base/event_record.h"
#include "control_library.h"
#include "pagehost/control_site.h"
#include "support/dialog_answer.h"
#include "support/test_dib.h"
#include "support/test_printer.h"

namespace {

// A control on a page: the host's reference (with its client site) and the script's own.
struct PageControl {
    explicit PageControl(ControlLibrary& lib) : frame(MakeTestFrame()), site(frame) {
        site.SetUserMode(true);
        IUnknown* control = lib.CreateControl();
        EXPECT_NE(control, nullptr);
        if (!control) return;
        ole = Query<IOleObject>(control, IID_IOleObject);
        script = Query<ILumetta>(control, lumetta::IID_ILumetta);
        control->Release();
        ole->SetClientSite(&site);
        EXPECT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, frame, &site.position), S_OK);
        IOleWindow* w = Query<IOleWindow>(ole, IID_IOleWindow);
        w->GetWindow(&window);
        w->Release();
    }
    ~PageControl() {
        Remove();
        // The script lets go last: that is the control's last reference.
        if (script) {
            EXPECT_EQ(script->Release(), 0u);
        }
        DestroyWindow(frame);
    }
    // The element leaves the page: the host closes the control and drops its reference.
    void Remove() {
        if (!ole) return;
        ole->Close(OLECLOSE_NOSAVE);
        ole->SetClientSite(nullptr);
        ole->Release();
        ole = nullptr;
        ++removals;
    }

    HWND frame;
    ControlSite site;
    IOleObject* ole = nullptr;
    ILumetta* script = nullptr;
    HWND window = nullptr;
    int removals = 0;
};

class ControlLifetime : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(TestPrinter::Install(), ""); }
    ComApartment com;
    ControlLibrary lib;
};

TEST_F(ControlLifetime, APageTimerRemovesTheControlWhileThePrintDialogIsOpen) {
    PageControl page(lib);
    ASSERT_NE(page.script, nullptr);
    EventRecord image = MakeEventRecord(kEventBitmap);
    image.Payload = MakeTestDib(20, 10, 24);
    ASSERT_TRUE(SendEventRecord(page.window, image));
    ASSERT_EQ(page.script->put_IfThrowException(VARIANT_FALSE), S_OK);
    ASSERT_EQ(page.script->put_IfShowPrintUI(VARIANT_TRUE), S_OK);
    VARIANT_BOOL printed = VARIANT_TRUE;
    HRESULT hr = E_UNEXPECTED;
    const bool shown = WhileDialogShows(
        nullptr,
        [&](HWND dialog) {
            page.Remove();
            // What the dialog's owner took with it is gone; what is left the user cancels.
            if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        },
        [&] { hr = page.script->Print(&printed); });
    EXPECT_TRUE(shown) << "the print dialog did not show";
    EXPECT_EQ(page.removals, 1);
    // The cancelled dialog: nothing printed, the call answered on the closed control.
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(printed, VARIANT_FALSE);
    LONG code = 0;
    EXPECT_EQ(page.script->get_ErrorCode(&code), S_OK);
    EXPECT_NE(code, 0);
}

}  // namespace
