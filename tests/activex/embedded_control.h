// One control embedded as a page embeds it, in a frame of this process, statically linked.
#pragma once

#include <gtest/gtest.h>

#include "activex/lumetta_guids.h"
#include "activex/pallastra.h"
#include "engine_test_frame.h"
#include "pagehost/control_site.h"

// One control in a frame, its window made on demand.
class EmbeddedControl {
public:
    EmbeddedControl() : frame(MakeEngineTestFrame()), site(frame) {
        OleInitialize(nullptr);
        EXPECT_EQ(CPallastra::CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&ole)), S_OK);
        EXPECT_EQ(ole->QueryInterface(lumetta::IID_ILumetta, reinterpret_cast<void**>(&script)), S_OK);
        control = static_cast<CPallastra*>(script);
        ole->SetClientSite(&site);
    }
    ~EmbeddedControl() {
        ole->Close(OLECLOSE_NOSAVE);
        ole->SetClientSite(nullptr);
        script->Release();
        ole->Release();
        DestroyWindow(frame);
        OleUninitialize();
    }
    void Activate() {
        ASSERT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, frame, &site.position), S_OK);
    }

    HWND frame;
    ControlSite site;
    IOleObject* ole = nullptr;
    ILumetta* script = nullptr;
    CPallastra* control = nullptr;
};
