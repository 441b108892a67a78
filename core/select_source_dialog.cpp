// Dialog 103: lists the sources the page may use and selects the one the user picks. The dialog's
// state (the engine among it) rides with the dialog window as its user data while it is open.
#include "core/select_source_dialog.h"

#include "capture/debug_log.h"
#include "core/browser_addon_base.h"
#include "resources/resource_ids.h"

namespace {

// Lives on RunSelectSourceDialog's stack for as long as the dialog is open.
struct SelectSourceState {
    CBrowserAddOnBase* engine;
    WNDPROC listProc = nullptr;  // the list box's own procedure, which the dialog's one wraps
    // Where the double-click that is being handled happened, in the list's client coordinates:
    // the point its own message carries, not where the mouse has gone since.
    bool inDoubleClick = false;
    POINT doubleClick = {};
};

SelectSourceState* StateOf(HWND dialog) {
    return reinterpret_cast<SelectSourceState*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

CBrowserAddOnBase* EngineOf(HWND dialog) {
    SelectSourceState* state = StateOf(dialog);
    return state ? state->engine : nullptr;
}

// The list box notifies a double-click while it handles the button message: the point is kept
// for that notification.
LRESULT CALLBACK SourceListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    SelectSourceState* state = StateOf(GetParent(list));
    if (!state || !state->listProc) return DefWindowProcA(list, message, wParam, lParam);
    if (message != WM_LBUTTONDBLCLK) return CallWindowProcA(state->listProc, list, message, wParam, lParam);
    const bool outer = state->inDoubleClick;
    const POINT outerPoint = state->doubleClick;
    state->inDoubleClick = true;
    state->doubleClick = {static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam))};
    LRESULT result = CallWindowProcA(state->listProc, list, message, wParam, lParam);
    state->inDoubleClick = outer;
    state->doubleClick = outerPoint;
    return result;
}

void FillSourceList(HWND dialog, CBrowserAddOnBase& engine) {
    LONG count = engine.RoutedSourceCount();
    if (count <= 0) {
        EnableWindow(GetDlgItem(dialog, IDC_SOURCE_SELECT), FALSE);
        return;
    }
    LONG supported = engine.GetSupportedDeviceType();
    if (supported != 1 && supported != 2) return;
    HWND list = GetDlgItem(dialog, IDC_SOURCE_LIST);
    for (LONG i = 0; i < count; ++i) {
        char name[34];
        engine.SourceNameAt(i, name);
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    SendMessageA(list, LB_SETCURSEL, 0, 0);
}

void SelectAndClose(HWND dialog, LRESULT entry) {
    CBrowserAddOnBase* engine = EngineOf(dialog);
    if (!engine || entry < 0) return;
    BOOL selected = engine->RoutedSelectSourceByIndex(static_cast<LONG>(entry));
    EndDialog(dialog, selected ? kSourceSelected : kSourceSelectionFailed);
}

// The entry whose item rectangle holds the point of the double-click, or -1. A notification that
// came without the list's button message takes the point of the message that brought it.
LRESULT EntryUnderCursor(HWND dialog, HWND list) {
    SelectSourceState* state = StateOf(dialog);
    POINT cursor;
    if (state && state->inDoubleClick) {
        cursor = state->doubleClick;
    } else {
        DWORD at = GetMessagePos();
        cursor = {static_cast<SHORT>(LOWORD(at)), static_cast<SHORT>(HIWORD(at))};
        if (!ScreenToClient(list, &cursor)) return -1;
    }
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        RECT item;
        if (SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item)) != LB_ERR &&
            PtInRect(&item, cursor)) {
            return i;
        }
    }
    return -1;
}

INT_PTR CALLBACK SelectSourceProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            auto* state = reinterpret_cast<SelectSourceState*>(lParam);
            HWND list = GetDlgItem(dialog, IDC_SOURCE_LIST);
            state->listProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SourceListProc)));
            CenterWindow(dialog);
            FillSourceList(dialog, *state->engine);
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:  // Enter: the default button, when it may act
                case IDC_SOURCE_SELECT:
                    if (IsWindowEnabled(GetDlgItem(dialog, IDC_SOURCE_SELECT))) {
                        SelectAndClose(dialog, SendDlgItemMessageA(dialog, IDC_SOURCE_LIST, LB_GETCURSEL, 0, 0));
                    }
                    return TRUE;
                case IDC_SOURCE_LIST:
                    if (HIWORD(wParam) == LBN_DBLCLK) SelectAndClose(dialog, EntryUnderCursor(dialog, reinterpret_cast<HWND>(lParam)));
                    return TRUE;
                case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
                default: return FALSE;
            }
        default: return FALSE;
    }
}

}  // namespace

INT_PTR RunSelectSourceDialog(CBrowserAddOnBase& engine) {
    SelectSourceState state{&engine};
    return DialogBoxParamA(engine.CoreModuleInstance(), MAKEINTRESOURCEA(IDD_SELECT_SOURCE), engine.OwnerWindow(),
                           SelectSourceProc, reinterpret_cast<LPARAM>(&state));
}
