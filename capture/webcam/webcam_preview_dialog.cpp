// The preview dialog (template 105, menu 109): live video of a second, owned webcam manager in
// a modeless dialog, with commands to close it, show the property pages and grab a frame.
#include <new>

#include "capture/debug_log.h"
#include "capture/webcam/webcam_manager.h"
#include "resources/resource_ids.h"

namespace {

// Commands that a popup never offers; removed whenever one opens.
constexpr UINT kHiddenCommands[] = {ID_PREVIEW_HIDDEN_FIRST, ID_PREVIEW_HIDDEN_SECOND};

}  // namespace

class WebCamPreviewDialog {
public:
    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static HWND Create(WebCamManager& owner);

private:
    static void Initialise(HWND dialog, WebCamManager* owner);
};

HWND WebCamPreviewDialog::Create(WebCamManager& owner) {
    // The template carries the menu; a module without it fails here with the system's reason.
    return CreateDialogParamW(owner.m_module, MAKEINTRESOURCEW(IDD_WEBCAM_PREVIEW), owner.m_parent, Procedure,
                              reinterpret_cast<LPARAM>(&owner));
}

void WebCamPreviewDialog::Initialise(HWND dialog, WebCamManager* owner) {
    CenterWindow(dialog);
    SetWindowTextA(dialog, "Lumetta");
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(owner));
    owner->m_previewDialog = dialog;
    WebCamManager* preview = owner->m_previewManager;
    if (!preview) return;
    preview->m_showUI = true;
    preview->m_resizeContainer = true;
    preview->SetVideoContainer(dialog);
    preview->SelectSourceByIndex(preview->m_currentIndex, dialog);
    // The video fills the dialog, which takes the video's size.
    preview->OpenSource();
}

INT_PTR CALLBACK WebCamPreviewDialog::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* owner = reinterpret_cast<WebCamManager*>(GetWindowLongPtrW(dialog, DWLP_USER));
    WebCamManager* preview = owner ? owner->m_previewManager : nullptr;
    switch (message) {
        case WM_INITDIALOG:
            Initialise(dialog, reinterpret_cast<WebCamManager*>(lParam));
            return TRUE;
        case WM_INITMENUPOPUP:
            for (UINT id : kHiddenCommands) DeleteMenu(reinterpret_cast<HMENU>(wParam), id, MF_BYCOMMAND);
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case ID_PREVIEW_EXIT:
                case IDCANCEL:
                    SendMessageW(dialog, WM_CLOSE, 0, 0);
                    return TRUE;
                case ID_PREVIEW_VIDEO_PROPERTIES:
                    if (preview) preview->DisplayPropertyPage(dialog);
                    return TRUE;
                case ID_PREVIEW_START_GRAB:
                    if (preview) preview->EnableSource();
                    return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            if (preview) preview->CloseSource();
            if (owner && owner->m_previewDialog == dialog) owner->m_previewDialog = nullptr;
            DestroyWindow(dialog);
            return TRUE;
    }
    return FALSE;
}

bool WebCamManager::OpenPreviewDialog() {
    if (m_previewDialog && IsWindow(m_previewDialog)) {
        SetWindowPos(m_previewDialog, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        BringWindowToTop(m_previewDialog);
        return true;
    }
    m_previewDialog = nullptr;
    ReleasePreviewManager();
    RecreateDevice();
    m_previewManager = new (std::nothrow) WebCamManager(m_module, m_notifyWindow);
    if (!m_previewManager) return Fail(L"Not enough memory.");
    m_previewManager->SelectSourceByIndex(m_currentIndex, nullptr);
    m_previewManager->m_grabTimeoutMs = m_grabTimeoutMs;
    HWND dialog = WebCamPreviewDialog::Create(*this);
    if (!dialog) {
        wchar_t text[256] = {};
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(), 0, text, 256,
                       nullptr);
        return Fail(text);
    }
    m_previewDialog = dialog;
    ShowWindow(dialog, SW_SHOW);
    BringWindowToTop(dialog);
    return true;
}
