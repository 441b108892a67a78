#include "pagescript/host_functions.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace pagescript {

std::wstring AsText(VARIANT* v) {
    VARIANT text;
    VariantInit(&text);
    if (!v || FAILED(VariantChangeType(&text, v, VARIANT_ALPHABOOL, VT_BSTR))) return L"";
    std::wstring s = text.bstrVal ? text.bstrVal : L"";
    VariantClear(&text);
    return s;
}

LONG AsNumber(VARIANT* v) {
    VARIANT n;
    VariantInit(&n);
    return v && SUCCEEDED(VariantChangeType(&n, v, 0, VT_I4)) ? n.lVal : 0;
}

void SetText(VARIANT* result, const wchar_t* text) {
    if (!result) return;
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocString(text);
}

HRESULT ViewerSize(HWND viewer, VARIANT* result) {
    RECT r{};
    if (viewer) GetClientRect(viewer, &r);
    wchar_t text[64];
    swprintf(text, 64, L"%ldx%ld", r.right, r.bottom);
    SetText(result, text);
    return S_OK;
}

HRESULT Echo(const std::vector<VARIANT*>& args) {
    std::wstring line = args.empty() ? L"" : AsText(args[0]);
    // UTF-8 on the way out, so outputs of two hosts compare byte for byte.
    int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), bytes.data(), n, nullptr, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return S_OK;
}

bool Check(const std::vector<VARIANT*>& args) {
    VARIANT ok;
    VariantInit(&ok);
    bool passed = !args.empty() && SUCCEEDED(VariantChangeType(&ok, args[0], 0, VT_BOOL)) && ok.boolVal;
    if (!passed) std::printf("FAIL: %ls\n", args.size() > 1 ? AsText(args[1]).c_str() : L"");
    return passed;
}

HRESULT Wait(const std::vector<VARIANT*>& args) {
    VARIANT ms;
    VariantInit(&ms);
    if (args.empty() || FAILED(VariantChangeType(&ms, args[0], 0, VT_I4))) return DISP_E_TYPEMISMATCH;
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms.lVal);
    for (DWORD now = GetTickCount(); static_cast<LONG>(end - now) > 0; now = GetTickCount()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return S_OK;
}

HWND EditorViewer(HWND window) { return FindWindowExW(window, nullptr, nullptr, L"ImageEditor"); }

HWND EditorByTitle(VARIANT* title) {
    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, title, 0, VT_BSTR))) return nullptr;
    HWND window = FindWindowW(L"#32770", text.bstrVal);
    VariantClear(&text);
    return window && EditorViewer(window) ? window : nullptr;
}

namespace {

struct EditorWatch {
    std::wstring title;
    std::function<void()> then;
    LONG command = 0;
    DWORD started = 0;
    UINT_PTR timer = 0;
};
EditorWatch g_editorWatch;

void CALLBACK WatchEditor(HWND, UINT, UINT_PTR, DWORD) {
    HWND window = FindWindowW(L"#32770", g_editorWatch.title.c_str());
    const bool shown = window && EditorViewer(window) && IsWindowVisible(window);
    if (!shown && GetTickCount() - g_editorWatch.started < 20000) return;
    if (!shown) printf("page host: no editor \"%ls\" showed up in 20 s\n", g_editorWatch.title.c_str());
    KillTimer(nullptr, g_editorWatch.timer);
    g_editorWatch.timer = 0;
    std::function<void()> then = std::move(g_editorWatch.then);
    g_editorWatch.then = nullptr;
    if (then) then();
    // The user's answer comes as the editor's next message.
    if (shown && g_editorWatch.command && IsWindow(window)) {
        PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(g_editorWatch.command), 0);
    }
}

}  // namespace

bool WhenEditorShows(VARIANT* title, VARIANT* command, std::function<void()> then) {
    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, title, 0, VT_BSTR))) return false;
    g_editorWatch.title = text.bstrVal ? text.bstrVal : L"";
    VariantClear(&text);
    g_editorWatch.then = std::move(then);
    g_editorWatch.command = command ? AsNumber(command) : 0;
    g_editorWatch.started = GetTickCount();
    if (g_editorWatch.timer) KillTimer(nullptr, g_editorWatch.timer);
    g_editorWatch.timer = SetTimer(nullptr, 0, 30, WatchEditor);
    return g_editorWatch.timer != 0;
}

void StopWatchingEditor() {
    if (g_editorWatch.timer) KillTimer(nullptr, g_editorWatch.timer);
    g_editorWatch.timer = 0;
    g_editorWatch.then = nullptr;
}

namespace {

// A window's centre against another's, as "dx,dy".
std::wstring CentreOffset(HWND window, HWND around) {
    RECT inner{}, outer{};
    GetWindowRect(window, &inner);
    GetWindowRect(around, &outer);
    wchar_t text[64];
    swprintf(text, 64, L"%ld,%ld", (inner.left + inner.right) / 2 - (outer.left + outer.right) / 2,
             (inner.top + inner.bottom) / 2 - (outer.top + outer.bottom) / 2);
    return text;
}

// The About box of the editor being measured: measured when it is first activated (the host's own
// answerer may close it soon after), closed from a timer inside its modal loop.
struct AboutWatch {
    HWND editor = nullptr;
    std::wstring placement = L"none";
    DWORD started = 0;
    HHOOK hook = nullptr;
};
AboutWatch g_aboutWatch;

bool IsAboutBox(HWND window) {
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    return wcscmp(cls, L"#32770") == 0 && window != g_aboutWatch.editor &&
           GetWindow(window, GW_OWNER) == g_aboutWatch.editor;
}

LRESULT CALLBACK AboutActivated(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && g_aboutWatch.placement == L"none" && IsAboutBox(window))
        g_aboutWatch.placement = CentreOffset(window, g_aboutWatch.editor);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL CALLBACK CloseAbout(HWND window, LPARAM) {
    if (!IsAboutBox(window) || !IsWindowVisible(window)) return TRUE;
    // Closed with OK once it was measured; ended outright when it will not show its place.
    if (g_aboutWatch.placement != L"none") PostMessageW(window, WM_COMMAND, IDOK, 0);
    else if (GetTickCount() - g_aboutWatch.started > 10000) EndDialog(window, IDCANCEL);
    return FALSE;
}

void CALLBACK WatchAbout(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), CloseAbout, 0); }

}  // namespace

HRESULT EditorPlacement(VARIANT* title, VARIANT* result) {
    HWND editor = EditorByTitle(title);
    HWND owner = editor ? GetWindow(editor, GW_OWNER) : nullptr;
    SetText(result, !editor ? L"none" : !owner ? L"unowned" : CentreOffset(editor, owner).c_str());
    return S_OK;
}

HRESULT EditorAboutPlacement(VARIANT* title, VARIANT* result) {
    constexpr WPARAM kAboutCommand = 40050;
    HWND editor = EditorByTitle(title);
    g_aboutWatch = AboutWatch{editor, L"none", GetTickCount(), nullptr};
    if (editor) {
        g_aboutWatch.hook = SetWindowsHookExW(WH_CBT, AboutActivated, nullptr, GetCurrentThreadId());
        UINT_PTR timer = g_aboutWatch.hook ? SetTimer(nullptr, 0, 50, WatchAbout) : 0;
        if (timer) SendMessageW(editor, WM_COMMAND, kAboutCommand, 0);
        if (timer) KillTimer(nullptr, timer);
        if (g_aboutWatch.hook) UnhookWindowsHookEx(g_aboutWatch.hook);
        if (!timer) return E_FAIL;
    }
    SetText(result, g_aboutWatch.placement.c_str());
    return S_OK;
}

bool DialogCommand(VARIANT* title, VARIANT* id) {
    VARIANT text;
    VariantInit(&text);
    if (FAILED(VariantChangeType(&text, title, 0, VT_BSTR))) return false;
    HWND window = FindWindowW(L"#32770", text.bstrVal);
    VariantClear(&text);
    return window && PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(AsNumber(id)), 0);
}

bool ClickViewer(HWND viewer, int x, int y) {
    if (!viewer) return false;
    POINT p{x, y};
    HWND target = ChildWindowFromPointEx(viewer, p, CWP_SKIPINVISIBLE);
    if (!target) return false;
    if (target != viewer) MapWindowPoints(viewer, target, &p, 1);
    const LPARAM at = MAKELPARAM(p.x, p.y);
    SendMessageA(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
    // The page may have removed the viewer from inside the click.
    if (IsWindow(target)) SendMessageA(target, WM_LBUTTONUP, 0, at);
    return true;
}

}  // namespace pagescript
