// The control enters its engine into the process-wide table once per window and leaves it when
// the window goes, however often a container re-creates the window.
#include <gtest/gtest.h>

#include "activex/lumetta_guids.h"
#include "activex/pallastra.h"
#include "core/engine_table.h"
#include "engine_test_frame.h"
#include "pagehost/control_site.h"

namespace {

int SlotsHolding(CBrowserAddOnBase* engine) {
    int n = 0;
    for (int i = 0; i < kEngineTableSlots; ++i) n += EngineAt(i) == engine;
    return n;
}

}  // namespace

TEST(ControlInstanceTable, EnteredOncePerWindowAndLeftWithIt) {
    OleInitialize(nullptr);
    HWND frame = MakeEngineTestFrame();
    ControlSite site(frame);
    IOleObject* ole = nullptr;
    ASSERT_EQ(CPallastra::CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&ole)), S_OK);
    ILumetta* script = nullptr;
    ASSERT_EQ(ole->QueryInterface(lumetta::IID_ILumetta, reinterpret_cast<void**>(&script)), S_OK);
    auto* engine = static_cast<CBrowserAddOnBase*>(static_cast<CPallastra*>(script));
    EXPECT_EQ(SlotsHolding(engine), 0);
    ole->SetClientSite(&site);
    ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, frame, &site.position), S_OK);
    EXPECT_EQ(SlotsHolding(engine), 1);
    for (int round = 0; round < 3; ++round) {
        ole->Close(OLECLOSE_NOSAVE);
        EXPECT_EQ(SlotsHolding(engine), 0) << "the window's end leaves the table";
        ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, frame, &site.position), S_OK);
        EXPECT_EQ(SlotsHolding(engine), 1) << "a new window enters the engine once";
    }
    ole->Close(OLECLOSE_NOSAVE);
    ole->SetClientSite(nullptr);
    script->Release();
    EXPECT_EQ(ole->Release(), 0u);
    DestroyWindow(frame);
    OleUninitialize();
}
