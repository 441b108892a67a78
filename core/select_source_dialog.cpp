// Dialog 103: lists the sources the page may use and selects the one the user picks. The engine
// rides with the dialog window as its user data while the dialog is open.
#include "core/select_source_dialog.h"

#include "capture/debug_log.h"
#include "core/browser_addon_base.h"
#include "resources/resource_ids.h"

namespace {

CBrowserAddOnBase* EngineOf(HWND dialog) {
    return reinterpret_cast<CBrowserAddOnBase*>(GetWindowLongPtrA(dialog, DWLP_USER));
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

// The entry whose item rectangle holds the cursor, or -1.
LRESULT EntryUnderCursor(HWND list) {
    POINT cursor;
    if (!GetCursorPos(&cursor) || !ScreenToClient(list, &cursor)) return -1;
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
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            CenterWindow(dialog);
            FillSourceList(dialog, *reinterpret_cast<CBrowserAddOnBase*>(lParam));
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:  // Enter: the default button, when it may act
                case IDC_SOURCE_SELECT:
                    if (IsWindowEnabled(GetDlgItem(dialog, IDC_SOURCE_SELECT))) {
                        SelectAndClose(dialog, SendDlgItemMessageA(dialog, IDC_SOURCE_LIST, LB_GETCURSEL, 0, 0));
                    }
                    return TRUE;
                case IDC_SOURCE_LIST:
                    if (HIWORD(wParam) == LBN_DBLCLK) SelectAndClose(dialog, EntryUnderCursor(reinterpret_cast<HWND>(lParam)));
                    return TRUE;
                case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
                default: return FALSE;
            }
        default: return FALSE;
    }
}

}  // namespace

INT_PTR RunSelectSourceDialog(CBrowserAddOnBase& engine) {
    return DialogBoxParamA(engine.CoreModuleInstance(), MAKEINTRESOURCEA(IDD_SELECT_SOURCE), engine.OwnerWindow(),
                           SelectSourceProc, reinterpret_cast<LPARAM>(&engine));
}
