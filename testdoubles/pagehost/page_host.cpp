// The page host: embeds LumettaCtrl as a browser page does and runs the page's script in the
// system's JScript engine.
//
//   pagehost.exe [--design] [--param Name=Value]... page.js
//
// The control is created by ProgID (pagehost_addons: the class linked in, see page_control.h, which
// also adds the page item "AddOns"), gets a client site with ambient properties (--design: UserMode
// false), loads the PARAM values through IPersistPropertyBag and is activated in place in a frame
// window. The script sees the control as "Lumetta" and the host as "Host":
//   Host.Echo(text)            prints a line
//   Host.Check(condition, text) counts a failure when the condition is false
//   Host.SendEvent(kind, value) sends the control an event record as the engine's threads do
//   Host.SetUserMode(on)        switches the ambient UserMode and re-creates the control window
//   Host.ViewerSize()           "widthxheight" of the "ImageViewer" child
//   Host.Resize(width, height)  gives the control a new place in the frame, as a page's layout does
//   Host.Wait(ms)               runs the thread's messages for ms milliseconds (scans, transfers)
//   Host.Name                   "control" (the browser harness says "plug-in")
//   Host.EditorOpen(title)      whether an image editor window of that title exists
//   Host.EditorPixel(title)     0xRRGGBB shown at the centre of that editor's viewer (-1: none)
//   Host.EditorCommand(title, id) sends the editor a menu command
//   Host.EditorKey(title, vk)   activates the editor and posts a key press to its viewer (the
//                               next Wait delivers it; the host never offers the control its
//                               messages)
//   Host.Destroy()              the page removes the control's element inside the running call:
//                               events disconnected, the control closed (its window goes), the
//                               host's references released; the script keeps its own
//   Host.Click(x, y)            a left click of the user at a point of the viewer
//   Host.DestroyWhenEditorShows(title, command)  Host.Destroy() from a timer once that image
//                               editor shows (inside a modal editor's loop, as a page timer would
//                               run), then the user gives the editor the menu command
//   Host.FrameEnabled()         whether the page's frame window takes input
//   Host.DialogCommand(title, id) the user picks a menu command of that dialog (the next Wait
//                               delivers it)
//   Host.EditorPlacement(title) "dx,dy": that editor's centre against its owner window's centre
//   Host.EditorAboutPlacement(title) opens that editor's About box, "dx,dy" of its centre
//                               against the editor's, and closes it ("none": no box showed)
// Events reach global functions named Lumetta_<event>; a handler of OnInternetTransferPercentage
// that returns true asks for a cancel. Dialogs that the control opens are answered at once,
// except image editor windows and dialogs with a menu bar (the camera's preview), which the page
// drives itself.
// The exit code is the number of failed checks and script errors.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/event_record.h"
#include "pagehost/control_site.h"
#include "pagehost/page_control.h"
#include "pagehost/property_bag.h"
#include "pagescript/host_functions.h"
#include "pagescript/script_engine.h"
#include "pagescript/simple_dispatch.h"

namespace {

constexpr UINT_PTR kAnswerDialogsTimer = 1;

using pagescript::EditorByTitle;
using pagescript::EditorViewer;

// Dialogs the page host has asked to close, with the time it first asked, and how many it had to
// end itself because they stayed open (each one a failure of the page).
std::map<HWND, DWORD> g_closing;
int g_dialogsEnded = 0;
constexpr DWORD kDialogGraceMs = 8000;

BOOL CALLBACK AnswerDialog(HWND window, LPARAM) {
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    // Image editors and dialogs with a menu bar (the camera's preview) are the page's to drive.
    if (wcscmp(cls, L"#32770") != 0 || !IsWindowVisible(window) || EditorViewer(window) || GetMenu(window)) return TRUE;
    const DWORD now = GetTickCount();
    auto asked = g_closing.emplace(window, now).first;
    if (now - asked->second <= kDialogGraceMs) {
        PostMessageW(window, WM_CLOSE, 0, 0);
    } else {
        char title[256] = {};
        GetWindowTextA(window, title, sizeof title);
        printf("pagehost: the dialog \"%s\" stayed open %lu s after it was asked to close; ended\n", title,
               static_cast<unsigned long>(kDialogGraceMs / 1000));
        ++g_dialogsEnded;
        EndDialog(window, IDCANCEL);
        g_closing.erase(asked);
    }
    return TRUE;
}

// The colour the user sees at the centre of the editor's viewer, read from the deepest window
// there after a repaint; -1 when there is no such window or no pixel.
LONG EditorPixel(HWND editor) {
    HWND target = editor ? EditorViewer(editor) : nullptr;
    if (!target) return -1;
    RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT client{};
    GetClientRect(target, &client);
    POINT at{client.right / 2, client.bottom / 2};
    for (;;) {
        HWND child = ChildWindowFromPointEx(target, at, CWP_SKIPINVISIBLE);
        if (!child || child == target) break;
        MapWindowPoints(target, child, &at, 1);
        target = child;
    }
    HDC dc = GetDC(target);
    const COLORREF c = GetPixel(dc, at.x, at.y);
    ReleaseDC(target, dc);
    if (c == CLR_INVALID) return -1;
    return static_cast<LONG>((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kAnswerDialogsTimer) {
        for (auto it = g_closing.begin(); it != g_closing.end();) it = IsWindow(it->first) ? std::next(it) : g_closing.erase(it);
        EnumThreadWindows(GetCurrentThreadId(), AnswerDialog, 0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

struct Page {
    HWND frame = nullptr;
    ControlSite* site = nullptr;
    IUnknown* control = nullptr;
    IOleObject* ole = nullptr;
    ScriptEngine* script = nullptr;
    IConnectionPoint* events = nullptr;
    DWORD cookie = 0;
    bool removed = false;
    int failures = 0;

    // The element leaves the page: what the host holds of the control goes, once.
    void Remove() {
        if (removed) return;
        removed = true;
        if (events) {
            events->Unadvise(cookie);
            events->Release();
            events = nullptr;
        }
        ole->Close(OLECLOSE_NOSAVE);
        ole->SetClientSite(nullptr);
        ole->Release();
        ole = nullptr;
        control->Release();
        control = nullptr;
    }

    HWND ControlWindow() {
        if (!control) return nullptr;
        IOleWindow* w = nullptr;
        HWND h = nullptr;
        if (SUCCEEDED(control->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&w)))) {
            w->GetWindow(&h);
            w->Release();
        }
        return h;
    }
    // The control's viewer, the child window "ImageViewer".
    HWND ViewerWindow() { return FindWindowExW(ControlWindow(), nullptr, nullptr, L"ImageViewer"); }
    HRESULT Activate() { return ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, frame, &site->position); }
};

using pagescript::AsNumber;
using pagescript::AsText;
using pagescript::SetText;

class HostObject final : public SimpleDispatch {
public:
    explicit HostObject(Page& page)
        : SimpleDispatch({L"Echo", L"Check", L"SendEvent", L"SetUserMode", L"ViewerSize", L"Resize", L"Wait", L"Name",
                          L"EditorOpen", L"EditorPixel", L"EditorCommand", L"EditorKey", L"Destroy", L"Click",
                          L"DestroyWhenEditorShows", L"FrameEnabled", L"DialogCommand", L"EditorPlacement",
                          L"EditorAboutPlacement"}),
          m_page(page) {}

protected:
    HRESULT Call(DISPID id, const std::vector<VARIANT*>& args, VARIANT* result) override {
        // Nothing but the text members once the element is gone.
        if (m_page.removed && id != 1 && id != 2 && id != 7 && id != 8 && id != 9 && id != 13 && id != 16) return E_FAIL;
        switch (id) {
            case 1: return pagescript::Echo(args);
            case 2:
                if (!pagescript::Check(args)) ++m_page.failures;
                return S_OK;
            case 3: {
                if (args.empty()) return DISP_E_BADPARAMCOUNT;
                const LONG kind = AsNumber(args[0]);
                LONG cancelFlag = 0;
                EventRecord record = MakeEventRecord(kind);
                if (args.size() > 1) record.Value = AsNumber(args[1]);
                if (kind == kEventTransferPercentage) record.Payload = &cancelFlag;
                if (kind == kEventPostLoad) {
                    CopyEventText(record.File.Path, "C:\\pages");
                    CopyEventText(record.File.Name, "scan.png");
                    record.File.Type = 3;
                }
                if (kind == kEventBitmap) record.Value = kBufferChangedValue;
                SendEventRecord(m_page.ControlWindow(), record);
                if (result) {
                    result->vt = VT_I4;
                    result->lVal = cancelFlag;
                }
                return S_OK;
            }
            case 4: {
                VARIANT on;
                VariantInit(&on);
                if (args.empty() || FAILED(VariantChangeType(&on, args[0], 0, VT_BOOL))) return DISP_E_TYPEMISMATCH;
                m_page.site->SetUserMode(on.boolVal != 0);
                m_page.ole->Close(OLECLOSE_NOSAVE);
                return m_page.Activate();
            }
            case 5: return pagescript::ViewerSize(m_page.ViewerWindow(), result);
            case 6: {
                if (args.size() < 2) return DISP_E_BADPARAMCOUNT;
                m_page.site->position = {10, 10, 10 + AsNumber(args[0]), 10 + AsNumber(args[1])};
                IOleInPlaceObject* inPlace = nullptr;
                if (FAILED(m_page.control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace))))
                    return E_FAIL;
                HRESULT hr = inPlace->SetObjectRects(&m_page.site->position, &m_page.site->position);
                inPlace->Release();
                return hr;
            }
            case 7: return pagescript::Wait(args);
            case 8:  // which host runs the page: "control" here, "plug-in" in the browser harness
                SetText(result, L"control");
                return S_OK;
            case 9:
            case 10: {
                if (args.empty()) return DISP_E_BADPARAMCOUNT;
                HWND editor = EditorByTitle(args[0]);
                if (result && id == 9) {
                    result->vt = VT_BOOL;
                    result->boolVal = editor ? VARIANT_TRUE : VARIANT_FALSE;
                } else if (result) {
                    result->vt = VT_I4;
                    result->lVal = EditorPixel(editor);
                }
                return S_OK;
            }
            case 11:
            case 12: {
                if (args.size() < 2) return DISP_E_BADPARAMCOUNT;
                HWND editor = EditorByTitle(args[0]);
                VARIANT n;
                VariantInit(&n);
                if (!editor || FAILED(VariantChangeType(&n, args[1], 0, VT_I4))) return E_FAIL;
                if (id == 11) {
                    SendMessageW(editor, WM_COMMAND, static_cast<WPARAM>(n.lVal), 0);
                } else {
                    // The user brings the editor to the front before typing.
                    SetForegroundWindow(editor);
                    SetActiveWindow(editor);
                    HWND viewer = EditorViewer(editor);
                    PostMessageW(viewer, WM_KEYDOWN, static_cast<WPARAM>(n.lVal), 1);
                    PostMessageW(viewer, WM_KEYUP, static_cast<WPARAM>(n.lVal), static_cast<LPARAM>(0xC0000001u));
                }
                return S_OK;
            }
            case 13:
                m_page.Remove();
                return S_OK;
            case 14: {
                if (args.size() < 2) return DISP_E_BADPARAMCOUNT;
                const bool clicked = pagescript::ClickViewer(m_page.ViewerWindow(), AsNumber(args[0]), AsNumber(args[1]));
                return clicked ? S_OK : E_FAIL;
            }
            case 15: {
                if (args.empty()) return DISP_E_BADPARAMCOUNT;
                Page* page = &m_page;
                return pagescript::WhenEditorShows(args[0], args.size() > 1 ? args[1] : nullptr, [page] { page->Remove(); })
                           ? S_OK
                           : E_FAIL;
            }
            case 16:
                if (result) {
                    result->vt = VT_BOOL;
                    result->boolVal = IsWindowEnabled(m_page.frame) ? VARIANT_TRUE : VARIANT_FALSE;
                }
                return S_OK;
            case 17:
                if (args.size() < 2) return DISP_E_BADPARAMCOUNT;
                return pagescript::DialogCommand(args[0], args[1]) ? S_OK : E_FAIL;
            case 18:
            case 19:
                if (args.empty()) return DISP_E_BADPARAMCOUNT;
                return id == 18 ? pagescript::EditorPlacement(args[0], result)
                                : pagescript::EditorAboutPlacement(args[0], result);
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    Page& m_page;
};

// Connected to the control's events: calls the page's function Lumetta_<event>.
class EventRouter final : public SimpleDispatch {
public:
    EventRouter(Page& page, ITypeInfo* events) : SimpleDispatch({}), m_page(page), m_events(events) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == m_eventIid) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return SimpleDispatch::QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        BSTR name = nullptr;
        UINT count = 0;
        if (FAILED(m_events->GetNames(id, &name, 1, &count)) || count == 0) return DISP_E_MEMBERNOTFOUND;
        std::wstring function = L"Lumetta_" + std::wstring(name);
        SysFreeString(name);
        // Script functions take values: by-reference arguments are handed over dereferenced.
        std::vector<VARIANT> args(params->cArgs);
        for (UINT i = 0; i < params->cArgs; ++i) {
            VariantInit(&args[i]);
            VariantCopyInd(&args[i], &params->rgvarg[i]);
        }
        VARIANT answer;
        VariantInit(&answer);
        m_page.script->CallFunction(function, args.data(), params->cArgs, &answer);
        if (id == 9 && answer.vt == VT_BOOL && params->cArgs == 2 && params->rgvarg[0].vt == (VT_BOOL | VT_BYREF))
            *params->rgvarg[0].pboolVal = answer.boolVal;
        VariantClear(&answer);
        for (auto& a : args) VariantClear(&a);
        if (result) VariantInit(result);
        return S_OK;
    }
    IID m_eventIid{};

protected:
    HRESULT Call(DISPID, const std::vector<VARIANT*>&, VARIANT*) override { return DISP_E_MEMBERNOTFOUND; }

private:
    Page& m_page;
    ITypeInfo* m_events;
};

// The default source interface of the control's class.
ITypeInfo* EventTypeInfo(IUnknown* control, IID* iid) {
    IProvideClassInfo2* provide = nullptr;
    if (FAILED(control->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&provide)))) return nullptr;
    provide->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, iid);
    ITypeInfo* coclass = nullptr;
    ITypeInfo* events = nullptr;
    if (SUCCEEDED(provide->GetClassInfo(&coclass))) {
        ITypeLib* lib = nullptr;
        UINT index = 0;
        if (SUCCEEDED(coclass->GetContainingTypeLib(&lib, &index))) {
            lib->GetTypeInfoOfGuid(*iid, &events);
            lib->Release();
        }
        coclass->Release();
    }
    provide->Release();
    return events;
}

std::wstring ReadScript(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string bytes = text.str();
    int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), int(bytes.size()), wide.data(), n);
    return wide;
}

int Fail(const char* what, HRESULT hr) {
    printf("pagehost: %s (0x%08lx)\n", what, static_cast<unsigned long>(hr));
    return 100;
}

}  // namespace

int main(int argc, char** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    setvbuf(stdout, nullptr, _IONBF, 0);
    bool design = false;
    PropertyBag bag;
    const char* scriptPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--design") design = true;
        else if (a == "--param" && i + 1 < argc) {
            std::string p = argv[++i];
            size_t eq = p.find('=');
            std::wstring name(p.begin(), p.begin() + (eq == std::string::npos ? p.size() : eq));
            std::wstring value = eq == std::string::npos ? L"" : std::wstring(p.begin() + eq + 1, p.end());
            bag.SetText(name, value.c_str());
        } else scriptPath = argv[i];
    }
    if (!scriptPath) return Fail("no page script given", E_INVALIDARG);

    OleInitialize(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"LumettaPageHostFrame";
    RegisterClassW(&wc);
    Page page;
    page.frame = CreateWindowExW(0, wc.lpszClassName, L"Lumetta page", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                                 800, 600, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(page.frame, SW_SHOW);
    SetTimer(page.frame, kAnswerDialogsTimer, 200, nullptr);
    ControlSite site(page.frame);
    site.SetUserMode(!design);
    page.site = &site;

    HRESULT hr = CreatePageControl(&page.control);
    if (FAILED(hr)) return Fail("the control was not created (is LumettaCtrl.Lumetta registered?)", hr);
    page.control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&page.ole));
    page.ole->SetClientSite(&site);
    IPersistPropertyBag* persist = nullptr;
    if (SUCCEEDED(page.control->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist)))) {
        persist->InitNew();
        hr = persist->Load(&bag, nullptr);
        persist->Release();
        if (FAILED(hr)) return Fail("the PARAMs did not load", hr);
    }
    hr = page.Activate();
    if (FAILED(hr)) return Fail("in-place activation failed", hr);

    ScriptEngine script(page.frame);
    page.script = &script;
    if (!script.Start()) return Fail("JScript is not available", E_FAIL);
    IID eventIid{};
    ITypeInfo* events = EventTypeInfo(page.control, &eventIid);
    if (!events) return Fail("the control names no event interface", E_FAIL);
    EventRouter router(page, events);
    router.m_eventIid = eventIid;
    IConnectionPointContainer* container = nullptr;
    page.control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    if (!container || FAILED(container->FindConnectionPoint(eventIid, &page.events)) ||
        FAILED(page.events->Advise(&router, &page.cookie)))
        return Fail("the events could not be connected", E_FAIL);
    HostObject host(page);
    IDispatch* control = nullptr;
    page.control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&control));
    script.AddItem(L"Lumetta", control);
    script.AddItem(L"Host", static_cast<IDispatch*>(&host));
    AddPageItems(script, page.control);
    script.Run(ReadScript(scriptPath));
    script.CallFunction(L"main", nullptr, 0, nullptr);

    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    pagescript::StopWatchingEditor();
    int result = page.failures + script.ScriptErrors() + g_dialogsEnded;
    container->Release();
    events->Release();
    control->Release();
    page.Remove();
    DestroyWindow(page.frame);
    OleUninitialize();
    printf("pagehost: %d failure(s)\n", result);
    return result;
}
