#include "engine/editor_toolbar.h"

#include <cstring>

#include "resources/resource_ids.h"

namespace {

constexpr int kGlyph = 16;
constexpr int kGlyphCount = 18;
constexpr COLORREF kTransparent = RGB(255, 0, 255);
constexpr UINT kSeparator = 0;

// Button order; separators between the groups. The glyphs stand in the strips in this order.
constexpr UINT kButtons[] = {
    ID_EDITOR_PREVIOUS, ID_EDITOR_NEXT, kSeparator,
    ID_EDITOR_ROTATE_RIGHT, ID_EDITOR_ROTATE_LEFT, ID_EDITOR_FLIP, ID_EDITOR_MIRROR, kSeparator,
    ID_EDITOR_CROP, ID_EDITOR_COPY_SELECTION, ID_EDITOR_IMAGE_SIZE, kSeparator,
    ID_EDITOR_ZOOM_IN, ID_EDITOR_NORMAL_SIZE, ID_EDITOR_ZOOM_OUT, ID_EDITOR_STRETCH, ID_EDITOR_FIT, kSeparator,
    ID_EDITOR_REFRESH, kSeparator,
    ID_EDITOR_RECOVER, ID_EDITOR_SAVE, ID_EDITOR_PRINT,
};
constexpr int kButtonCount = sizeof(kButtons) / sizeof(kButtons[0]);

HIMAGELIST LoadStrip(HINSTANCE module, int id) {
    return ImageList_LoadImageA(module, MAKEINTRESOURCEA(id), kGlyph, kGlyphCount, kTransparent, IMAGE_BITMAP,
                                LR_CREATEDIBSECTION);
}

}  // namespace

bool CEditorToolbar::Create(HWND dialog, HINSTANCE module) {
    Destroy();
    m_module = module;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    m_normal = LoadStrip(module, IDB_EDITOR_TOOLBAR);
    m_disabled = LoadStrip(module, IDB_EDITOR_TOOLBAR_DISABLED);
    m_window = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                               WS_CHILD | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT | CCS_TOP, 0, 0, 0, 0, dialog,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_EDITOR_TOOLBAR)), module, nullptr);
    if (!m_window) {
        Destroy();
        return false;
    }
    SendMessageA(m_window, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(m_window, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_normal));
    SendMessageA(m_window, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(m_disabled));
    TBBUTTON buttons[kButtonCount] = {};
    int glyph = 0;
    for (int i = 0; i < kButtonCount; ++i) {
        TBBUTTON& b = buttons[i];
        if (kButtons[i] == kSeparator) {
            b.fsStyle = BTNS_SEP;
            continue;
        }
        b.iBitmap = glyph++;
        b.idCommand = static_cast<int>(kButtons[i]);
        b.fsState = TBSTATE_ENABLED;
        const bool grouped = kButtons[i] == ID_EDITOR_STRETCH || kButtons[i] == ID_EDITOR_FIT;
        b.fsStyle = grouped ? BTNS_CHECKGROUP : BTNS_BUTTON;
    }
    SendMessageA(m_window, TB_ADDBUTTONSA, kButtonCount, reinterpret_cast<LPARAM>(buttons));
    SendMessageA(m_window, TB_AUTOSIZE, 0, 0);
    ShowWindow(m_window, SW_SHOW);
    return true;
}

void CEditorToolbar::Destroy() {
    if (m_window && IsWindow(m_window)) DestroyWindow(m_window);
    m_window = nullptr;
    if (m_normal) ImageList_Destroy(m_normal);
    if (m_disabled) ImageList_Destroy(m_disabled);
    m_normal = m_disabled = nullptr;
}

int CEditorToolbar::Layout() {
    if (!m_window) return 0;
    SendMessageA(m_window, TB_AUTOSIZE, 0, 0);
    RECT r;
    GetWindowRect(m_window, &r);
    return r.bottom - r.top;
}

void CEditorToolbar::Enable(UINT command, bool on) {
    if (m_window) SendMessageA(m_window, TB_ENABLEBUTTON, command, MAKELPARAM(on ? TRUE : FALSE, 0));
}

void CEditorToolbar::Check(UINT command, bool on) {
    if (m_window) SendMessageA(m_window, TB_CHECKBUTTON, command, MAKELPARAM(on ? TRUE : FALSE, 0));
}

void CEditorToolbar::TooltipOf(const char* entry, char* out, size_t capacity) {
    if (!out || !capacity) return;
    const char* tip = entry ? std::strchr(entry, '\n') : nullptr;
    tip = tip ? tip + 1 : (entry ? entry : "");
    lstrcpynA(out, tip, static_cast<int>(capacity));
}

bool CEditorToolbar::OnNotify(const NMHDR* header) {
    if (!header || (header->code != TTN_GETDISPINFOA && header->code != TTN_GETDISPINFOW)) return false;
    // The request names the button's command id (not a window handle: no TTF_IDISHWND).
    const UINT command = static_cast<UINT>(header->idFrom);
    char entry[256] = {};
    LoadStringA(m_module, command, entry, sizeof entry);
    char tip[80];
    TooltipOf(entry, tip, sizeof tip);
    if (header->code == TTN_GETDISPINFOA) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(const_cast<NMHDR*>(header));
        info->hinst = nullptr;
        lstrcpynA(info->szText, tip, sizeof info->szText);
        info->lpszText = info->szText;
    } else {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(header));
        info->hinst = nullptr;
        MultiByteToWideChar(CP_ACP, 0, tip, -1, info->szText, sizeof info->szText / sizeof info->szText[0]);
        info->szText[sizeof info->szText / sizeof info->szText[0] - 1] = 0;
        info->lpszText = info->szText;
    }
    return true;
}
