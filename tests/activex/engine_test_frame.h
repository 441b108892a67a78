// The frame window that statically linked control tests embed the control in, and the control
// embedded there.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include "activex/lumetta_guids.h"
#include "activex/pallastra.h"
#include "pagehost/control_site.h"

inline HWND MakeEngineTestFrame() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumettaEngineTestFrame";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"frame", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

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
