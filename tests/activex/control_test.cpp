// The control as a container and a page meet it: in-place activation with the viewer child,
// ambient user mode, events to C++ sinks (also sent from another thread), cancel through both
// progress events, and the persisted properties through bag, stream and storage.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "base/event_record.h"
#include "control_library.h"
#include "pagehost/control_site.h"
#include "support/test_dib.h"

namespace {

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

struct FiredEvent {
    DISPID id;
    std::vector<VARTYPE> types;  // declaration order
    std::vector<std::wstring> values;
};

// A page's event handler object: records every event; may answer the progress pair.
class EventSink final : public IDispatch {
public:
    std::vector<FiredEvent> fired;
    static constexpr int kLeave = -100;
    int setCancel = kLeave;     // event 9: writes this VARIANT_BOOL unless kLeave
    int setCancelled = kLeave;  // event 15: puts Cancelled unless kLeave
    bool replaceCancel = false; // event 15: puts another object into the by-reference slot
    bool sawCancelledTrue = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != lumetta::DIID__ILumettaEvents) return E_NOINTERFACE;
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* c) override { return *c = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        EXPECT_EQ(flags, DISPATCH_METHOD);
        FiredEvent e{id, {}, {}};
        for (UINT i = params->cArgs; i-- > 0;) {
            VARIANT& a = params->rgvarg[i];
            e.types.push_back(a.vt);
            VARIANT text;
            VariantInit(&text);
            if (!(a.vt & VT_BYREF) && SUCCEEDED(VariantChangeType(&text, &a, 0, VT_BSTR)))
                e.values.push_back(text.bstrVal ? text.bstrVal : L"");
            else
                e.values.push_back(L"");
            VariantClear(&text);
        }
        if (id == 9 && setCancel != kLeave) *params->rgvarg[0].pboolVal = VARIANT_BOOL(setCancel);
        if (id == 15) {
            IDispatch** slot = params->rgvarg[0].ppdispVal;
            ICancel* cancel = Query<ICancel>(*slot, lumetta::IID_ICancel);
            if (cancel) {
                VARIANT_BOOL v = 0;
                cancel->get_Cancelled(&v);
                sawCancelledTrue = v != 0;
                if (setCancelled != kLeave) cancel->put_Cancelled(VARIANT_BOOL(setCancelled));
                cancel->Release();
            }
            if (replaceCancel) {
                (*slot)->Release();
                *slot = nullptr;
            }
        }
        fired.push_back(e);
        return S_OK;
    }
    ULONG refs = 1;
};

// A control embedded in place in a frame, with its event sinks.
class Embedded {
public:
    explicit Embedded(ControlLibrary& lib, bool userMode = true, bool activate = true) : frame(MakeTestFrame()), site(frame) {
        site.SetUserMode(userMode);
        control = lib.CreateControl();
        EXPECT_NE(control, nullptr);
        ole = Query<IOleObject>(control, IID_IOleObject);
        lumetta = Query<ILumetta>(control, lumetta::IID_ILumetta);
        ole->SetClientSite(&site);
        if (activate) Activate();
    }
    ~Embedded() {
        for (auto [cp, cookie] : connections) {
            cp->Unadvise(cookie);
            cp->Release();
        }
        ole->Close(OLECLOSE_NOSAVE);
        ole->SetClientSite(nullptr);
        lumetta->Release();
        ole->Release();
        EXPECT_EQ(control->Release(), 0u);
        DestroyWindow(frame);
    }
    void Activate() { EXPECT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, frame, &site.position), S_OK); }
    HWND Window() {
        IOleWindow* w = Query<IOleWindow>(control, IID_IOleWindow);
        HWND h = nullptr;
        w->GetWindow(&h);
        w->Release();
        return h;
    }
    void Connect(EventSink& sink) {
        IConnectionPointContainer* container = Query<IConnectionPointContainer>(control, IID_IConnectionPointContainer);
        IConnectionPoint* cp = nullptr;
        ASSERT_EQ(container->FindConnectionPoint(lumetta::DIID__ILumettaEvents, &cp), S_OK);
        container->Release();
        DWORD cookie = 0;
        ASSERT_EQ(cp->Advise(&sink, &cookie), S_OK);
        connections.push_back({cp, cookie});
    }

    HWND frame;
    ControlSite site;
    IUnknown* control = nullptr;
    IOleObject* ole = nullptr;
    ILumetta* lumetta = nullptr;
    std::vector<std::pair<IConnectionPoint*, DWORD>> connections;
};

// A control in user mode with one or two event sinks connected (first before second), and its
// window.
struct ConnectedControl {
    explicit ConnectedControl(int sinks) {
        e.Connect(first);
        if (sinks > 1) e.Connect(second);
        window = e.Window();
    }
    ComApartment com;
    ControlLibrary lib;
    Embedded e{lib};
    EventSink first, second;
    HWND window = nullptr;
};

LRESULT Send(HWND window, EventRecord& record) { return SendMessageA(window, WM_LUMETTA_EVENT, 0, reinterpret_cast<LPARAM>(&record)); }

}  // namespace

TEST(Control, InPlaceActivationGivesTheWindowAndAViewerFillingIt) {
    ComApartment com;
    ControlLibrary lib;
    Embedded e(lib);
    HWND window = e.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetParent(window), e.frame);
    LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN),
              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    HWND viewer = FindWindowExW(window, nullptr, nullptr, L"ImageViewer");
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(GetWindowLongW(viewer, GWL_STYLE) & WS_VISIBLE);
    RECT r{};
    GetClientRect(viewer, &r);
    EXPECT_EQ(r.right, 320);
    EXPECT_EQ(r.bottom, 240);

    IOleInPlaceObject* inPlace = Query<IOleInPlaceObject>(e.control, IID_IOleInPlaceObject);
    RECT bigger = {10, 10, 510, 410};
    EXPECT_EQ(inPlace->SetObjectRects(&bigger, &bigger), S_OK);
    GetClientRect(viewer, &r);
    EXPECT_EQ(r.right, 500);
    EXPECT_EQ(r.bottom, 400);
    int current = 0;
    EXPECT_EQ(e.lumetta->get_CurrentHWND(&current), S_OK);
    EXPECT_EQ(HWND(INT_PTR(current)), window);

    // Deactivation destroys the window; activating again makes a new one with a new viewer.
    EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(e.site.deactivations, 1);
    e.Activate();
    HWND again = e.Window();
    ASSERT_NE(again, nullptr);
    EXPECT_NE(FindWindowExW(again, nullptr, nullptr, L"ImageViewer"), nullptr);
    inPlace->Release();

    DWORD misc = 0;
    EXPECT_EQ(e.ole->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
    EXPECT_EQ(misc, 131473u);
    SIZEL extent{};
    EXPECT_EQ(e.ole->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(extent.cx, MulDiv(2540, 32, GetDeviceCaps(screen, LOGPIXELSX)));
    ReleaseDC(nullptr, screen);
}

TEST(Control, GatedGettersFollowTheAmbientUserMode) {
    ComApartment com;
    ControlLibrary lib;
    long code = 0;
    {
        Embedded notYet(lib, true, false);
        EXPECT_EQ(notYet.lumetta->get_ErrorCode(&code), E_FAIL) << "no window yet";
        notYet.Activate();
        EXPECT_EQ(notYet.lumetta->get_ErrorCode(&code), S_OK);
    }
    {
        Embedded design(lib, false);
        EXPECT_EQ(design.lumetta->get_ErrorCode(&code), E_FAIL);
        short count = 0;
        EXPECT_EQ(design.lumetta->get_HowManyImagesInBuffer(&count), E_FAIL);
        // Puts do not test the mode.
        EXPECT_EQ(design.lumetta->put_IfThrowException(VARIANT_TRUE), S_OK);
        VARIANT_BOOL flag = 0;
        EXPECT_EQ(design.lumetta->get_IfThrowException(&flag), S_OK);
        EXPECT_EQ(flag, VARIANT_TRUE);
        // Through the type library as a page calls it.
        DISPID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(L"ErrorCode");
        ASSERT_EQ(design.lumetta->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
        EXPECT_EQ(id, 62);
        DISPPARAMS none{};
        VARIANT result;
        VariantInit(&result);
        // A failing member reaches the page as an exception.
        EXPECT_EQ(design.lumetta->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
                  DISP_E_EXCEPTION);
        design.site.SetUserMode(true);
        design.ole->Close(OLECLOSE_NOSAVE);
        design.Activate();
        EXPECT_EQ(design.lumetta->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
        EXPECT_EQ(result.vt, VT_I4);
        // Members the type library does not carry cannot be found by name.
        for (const wchar_t* hidden : {L"ReadBarcode", L"CapGet", L"OCREx1", L"BarcodeCount", L"MagData", L"OCRLanguage", L"PixelType",
                                       L"GetCapItemsString", L"ImageWidth", L"GetDeviceType", L"CapSetFrame"}) {
            LPOLESTR hiddenName = const_cast<LPOLESTR>(hidden);
            EXPECT_EQ(design.lumetta->GetIDsOfNames(IID_NULL, &hiddenName, 1, 0, &id), DISP_E_UNKNOWNNAME);
        }
    }
}

TEST(Control, EveryEventReachesBothSinksInOrderWithItsArguments) {
    ConnectedControl two(2);
    EventSink &first = two.first, &second = two.second;
    HWND window = two.window;

    for (int kind : {0, 1, 2, 3, 4, 5, 21}) {
        EventRecord r = MakeEventRecord(kind);
        EXPECT_NE(Send(window, r), 0) << kind;
    }
    EventRecord load = MakeEventRecord(kEventPostLoad);
    CopyEventText(load.File.Path, "C:\\scans");
    CopyEventText(load.File.Name, "page.png");
    load.File.Type = 3;
    Send(window, load);
    EventRecord path = MakeEventRecord(kEventGetFilePath);
    path.Save = 1;
    path.Count = 4;
    path.Index = 2;
    Send(window, path);
    EventRecord changed = MakeEventRecord(kEventBitmap);
    changed.Value = kBufferChangedValue;
    Send(window, changed);
    EventRecord before = MakeEventRecord(kEventBeforeOperate);
    before.Operation.Identifier = 7;
    before.Operation.IdentifierDescription = "LoadImage";
    Send(window, before);
    EventRecord status = MakeEventRecord(kEventOperateStatus);
    status.Operation.Message = "working";
    status.Operation.Percent = 50;
    Send(window, status);
    EventRecord after = MakeEventRecord(kEventAfterOperate);
    after.Operation.Identifier = 7;
    after.Operation.IdentifierDescription = "LoadImage";
    after.Operation.Succeed = 1;
    after.Operation.Message = "Successful.";
    Send(window, after);
    EventRecord unknown = MakeEventRecord(99);
    EXPECT_EQ(Send(window, unknown), 0);
    EXPECT_EQ(SendMessageA(window, WM_LUMETTA_EVENT, 0, 0), 0);
    for (UINT m = WM_USER + 403; m <= WM_USER + 409; ++m) {
        RECT area = {1, 2, 3, 4};
        SendMessageA(window, m, 5, m == WM_USER + 408 ? reinterpret_cast<LPARAM>(&area) : 0);
    }

    const std::vector<DISPID> expected = {2, 1, 3, 4, 6, 5, 22, 16, 17, 21, 18, 19, 20, 7, 8, 10, 11, 12, 13, 14};
    for (EventSink* sink : {&first, &second}) {
        ASSERT_EQ(sink->fired.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(sink->fired[i].id, expected[i]) << i;
    }
    const auto& f = first.fired;
    EXPECT_EQ(f[7].types, (std::vector<VARTYPE>{VT_BSTR, VT_BSTR, VT_I4}));
    EXPECT_EQ(f[7].values, (std::vector<std::wstring>{L"C:\\scans", L"page.png", L"3"}));
    EXPECT_EQ(f[8].types, (std::vector<VARTYPE>{VT_I2, VT_I4, VT_I4, VT_BSTR, VT_BSTR}));
    EXPECT_EQ(f[8].values[0], L"-1");
    EXPECT_EQ(f[10].types, (std::vector<VARTYPE>{VT_I4, VT_BSTR}));
    EXPECT_EQ(f[10].values[1], L"LoadImage");
    EXPECT_EQ(f[11].types, (std::vector<VARTYPE>{VT_BSTR, VT_I4}));
    EXPECT_EQ(f[12].types, (std::vector<VARTYPE>{VT_I4, VT_BSTR, VT_I2, VT_BSTR}));
    EXPECT_EQ(f[12].values[2], L"-1");
    EXPECT_EQ(f[13].types, (std::vector<VARTYPE>{VT_I2}));
    EXPECT_EQ(f[13].values[0], L"5");
    EXPECT_EQ(f[18].types, (std::vector<VARTYPE>{VT_I2, VT_I4, VT_I4, VT_I4, VT_I4}));
    EXPECT_EQ(f[18].values, (std::vector<std::wstring>{L"5", L"1", L"2", L"3", L"4"}));
}

TEST(Control, EventsSentFromAnotherThreadArriveOnTheWindowThread) {
    ConnectedControl one(1);
    EventSink& sink = one.first;
    HWND window = one.window;
    volatile LONG done = 0;
    LONG cancelFlag = 0;
    std::thread worker([&] {
        EventRecord status = MakeEventRecord(kEventOperateStatus);
        status.Operation.Message = "from the worker";
        status.Operation.Percent = 10;
        SendEventRecord(window, status);
        EventRecord progress = MakeEventRecord(kEventTransferPercentage);
        progress.Value = 30;
        progress.Payload = &cancelFlag;
        SendEventRecord(window, progress);
        InterlockedExchange(&done, 1);
    });
    DWORD start = GetTickCount();
    while (!done && GetTickCount() - start < 5000) {
        Pump();
        Sleep(1);
    }
    worker.join();
    ASSERT_EQ(sink.fired.size(), 3u);
    EXPECT_EQ(sink.fired[0].id, 19);
    EXPECT_EQ(sink.fired[0].values[0], L"from the worker");
    EXPECT_EQ(sink.fired[1].id, 9);
    EXPECT_EQ(sink.fired[1].types, (std::vector<VARTYPE>{VT_I2, VT_BOOL | VT_BYREF}));
    EXPECT_EQ(sink.fired[2].id, 15);
    EXPECT_EQ(sink.fired[2].types, (std::vector<VARTYPE>{VT_I2, VT_DISPATCH | VT_BYREF}));
    EXPECT_EQ(cancelFlag, 0);
}

TEST(Control, CancelThroughEitherProgressEvent) {
    ConnectedControl two(2);
    EventSink &first = two.first, &second = two.second;
    HWND window = two.window;
    auto progress = [&](LONG flag) {
        EventRecord r = MakeEventRecord(kEventTransferPercentage);
        r.Value = 40;
        r.Payload = &flag;
        Send(window, r);
        return flag;
    };
    // Any non-zero answer to the first event cancels; the second event already shows it.
    first.setCancel = 1;
    EXPECT_EQ(progress(0), 1);
    EXPECT_TRUE(first.sawCancelledTrue);
    // The second sink sees what the first one wrote.
    first.setCancel = VARIANT_TRUE;
    second.setCancel = EventSink::kLeave;
    EXPECT_EQ(progress(0), 1);
    // A handler of the second event withdraws it.
    second.setCancelled = VARIANT_FALSE;
    EXPECT_EQ(progress(0), 0);
    // Only through the second event.
    first.setCancel = EventSink::kLeave;
    second.setCancelled = VARIANT_TRUE;
    EXPECT_EQ(progress(0), 1);
    // A handler that replaces the object: the answer is still read from the control's own one.
    second.setCancelled = VARIANT_TRUE;
    second.replaceCancel = true;
    EXPECT_EQ(progress(0), 1);
    // Aliased record kind 14 is the same pair.
    second.replaceCancel = false;
    second.setCancelled = EventSink::kLeave;
    LONG flag = 1;
    EventRecord r = MakeEventRecord(kEventTransferPercentageAlias);
    r.Payload = &flag;
    Send(window, r);
    EXPECT_EQ(flag, 1);
}

namespace {

// The dialogs this thread makes while the hook is set.
int g_dialogsMade = 0;
LRESULT CALLBACK CountDialogs(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        char name[16] = {};
        GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name);
        if (std::string(name) == "#32770") ++g_dialogsMade;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

// The blank test of an area runs on the worker without the progress dialog, whatever
// IfShowProgressBar says (on by default), and leaves that setting as the page set it.
TEST(Control, TheBlankTestShowsNoProgressDialogAndKeepsTheSetting) {
    ConnectedControl one(1);
    Embedded& e = one.e;
    EventRecord image = MakeEventRecord(kEventBitmap);
    image.Payload = MakeTestDib(40, 40, 24);
    ASSERT_TRUE(SendEventRecord(one.window, image));
    VARIANT_BOOL on = VARIANT_FALSE;
    EXPECT_EQ(e.lumetta->get_IfShowProgressBar(&on), S_OK);
    EXPECT_EQ(on, VARIANT_TRUE) << "on by default";
    HHOOK hook = SetWindowsHookExA(WH_CBT, CountDialogs, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    for (VARIANT_BOOL show : {VARIANT_TRUE, VARIANT_FALSE, VARIANT_TRUE}) {
        SCOPED_TRACE(show);
        EXPECT_EQ(e.lumetta->put_IfShowProgressBar(show), S_OK);
        g_dialogsMade = 0;
        VARIANT_BOOL blank = VARIANT_TRUE;
        EXPECT_EQ(e.lumetta->IsBlankImageEx(0, 0, 0, 40, 40, VARIANT_FALSE, &blank), S_OK);
        long code = 0;
        e.lumetta->get_ErrorCode(&code);
        EXPECT_EQ(code, 0);
        EXPECT_EQ(blank, VARIANT_FALSE) << "a test image has more than one colour";
        EXPECT_EQ(g_dialogsMade, 0);
        EXPECT_EQ(e.lumetta->get_IfShowProgressBar(&on), S_OK);
        EXPECT_EQ(on, show);
    }
    UnhookWindowsHookEx(hook);
}

TEST(Control, AnImageRecordFillsTheBufferAndTheChangeIsReportedOnce) {
    ConnectedControl one(1);
    EventSink& sink = one.first;
    Embedded& e = one.e;
    HWND window = one.window;
    EventRecord image = MakeEventRecord(kEventBitmap);
    image.Payload = MakeTestDib(16, 8, 24);
    EXPECT_TRUE(SendEventRecord(window, image)) << "the control takes the image";
    short count = 0;
    EXPECT_EQ(e.lumetta->get_HowManyImagesInBuffer(&count), S_OK);
    EXPECT_EQ(count, 1);
    // The buffer change raises one OnBitmapChanged, not the record itself (the viewer may add
    // its own top-image notice).
    auto bitmapChanged = [&] {
        int n = 0;
        for (auto& f : sink.fired) n += f.id == 21 && f.types.empty();
        return n;
    };
    EXPECT_EQ(bitmapChanged(), 1);

    // The viewer's own choice of image changes the current index without an event.
    SendEventRecord(window, image = [] {
        EventRecord r = MakeEventRecord(kEventBitmap);
        r.Payload = MakeTestDib(8, 8, 8);
        return r;
    }());
    sink.fired.clear();
    SendMessageA(window, WM_USER + 401, 0, 0);
    EXPECT_EQ(bitmapChanged(), 0);

    // A record for a window that is gone: the image is freed, not lost in a leak.
    EventRecord orphan = MakeEventRecord(kEventBitmap);
    orphan.Payload = MakeTestDib(4, 4, 24);
    HGLOBAL dib = orphan.Payload;
    EXPECT_FALSE(SendEventRecord(nullptr, orphan));
    EXPECT_EQ(GlobalSize(dib), 0u);
}

// Images 1, 3 and 4 of five selected: 4, then 3, then 1 go, and the page hears of it once.
TEST(Control, RemovingTheSelectedImagesLeavesTheOthersAndIsReportedOnce) {
    ConnectedControl one(1);
    Embedded& e = one.e;
    for (LONG width = 20; width < 25; ++width) {
        EventRecord image = MakeEventRecord(kEventBitmap);
        image.Payload = MakeTestDib(width, 8, 24);
        ASSERT_TRUE(SendEventRecord(one.window, image));
    }
    ASSERT_EQ(e.lumetta->put_AllowMultiSelect(VARIANT_TRUE), S_OK);
    ASSERT_EQ(e.lumetta->put_SelectedImagesCount(3), S_OK);
    const short chosen[] = {1, 3, 4};
    for (short position = 0; position < 3; ++position)
        ASSERT_EQ(e.lumetta->SetSelectedImageIndex(position, chosen[position]), S_OK);
    one.first.fired.clear();
    VARIANT_BOOL removed = VARIANT_FALSE;
    EXPECT_EQ(e.lumetta->RemoveAllSelectedImages(&removed), S_OK);
    EXPECT_EQ(removed, VARIANT_TRUE);
    short count = 0;
    e.lumetta->get_HowManyImagesInBuffer(&count);
    ASSERT_EQ(count, 2);
    long first = 0, second = 0;
    e.lumetta->GetImageWidth(0, &first);
    e.lumetta->GetImageWidth(1, &second);
    EXPECT_EQ(first, 20);
    EXPECT_EQ(second, 22);
    int changed = 0;
    for (auto& f : one.first.fired) changed += f.id == 21 && f.types.empty();
    EXPECT_EQ(changed, 1);
}
