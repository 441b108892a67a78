// The image editor window: a dialog over the buffer with its own viewer, in which the user browses
// the images and rotates, flips, mirrors, crops, copies, prints and saves the current one. Edits
// go to a working copy; the buffer changes only on Save.
#include <new>

#include "capture/debug_log.h"
#include "engine/editor_toolbar.h"
#include "engine/image_editor.h"
#include "engine/image_size_dialog.h"
#include "engine/multi_image_twain.h"
#include "engine/print_job.h"
#include "resources/resource_ids.h"

class CImageEditorData {
public:
    CImageEditorData(CImageEditor* owner, CMultiImageTWAIN* engine, HINSTANCE module)
        : m_owner(owner), m_engine(engine), m_module(module) {}
    ~CImageEditorData() { FreeResources(); }

    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ModalFilter(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ModelessFilter(int code, WPARAM wParam, LPARAM lParam);

    // After a buffer change: an unchanged editor reloads the current image. Held busy: page
    // script runs inside a message box of the reload and may close the editor meanwhile.
    void Refresh() {
        ++m_busy;
        if (!m_changes) ReloadCurrent();
        if (!m_closed) UpdateCommandStates();
        --m_busy;
        if (m_closed && !m_busy && !m_dialog) delete this;
    }
    // Offers a message to the accelerator table, only while the window is visible and active.
    bool TranslateAccelerator(MSG* msg) {
        return m_dialog && m_accelerators && IsWindowVisible(m_dialog) && GetActiveWindow() == m_dialog &&
               ::TranslateAcceleratorA(m_dialog, m_accelerators, msg);
    }
    // True when the editor's own hook offers it its keys (a modal dialog's message filter, or the
    // thread's hook for modeless editors), so no other route may offer them a second time.
    bool HasOwnKeyRoute() const { return m_modal ? m_filter != nullptr : m_listedModeless; }
    // The owner goes away: the window closes; the state is freed once no command of it runs.
    void Detach() {
        m_owner = nullptr;
        // Held busy: the window's going would otherwise free this state before the test below.
        ++m_busy;
        if (m_dialog) {
            // A modal dialog ends first: that gives its owner (the host's window, the browser's
            // frame) its input back, which destroying the dialog alone would not.
            if (m_modal) EndDialog(m_dialog, 0);
            DestroyWindow(m_dialog);
        }
        --m_busy;
        if (!m_busy) delete this;
        else m_closed = true;
    }

    HWND m_dialog = nullptr;
    HICON m_icon = nullptr;
    bool m_modal = true;
    HHOOK m_filter = nullptr;

private:
    // The thread's modeless editors: a host need not hand the control its window messages, so a
    // hook of the thread offers every key message to them while any is open.
    void ListModeless();
    void UnlistModeless();
    void OnInitDialog(HWND dialog);
    // The toolbar along the top; the viewer fills the rest.
    void OnSize() {
        RECT client;
        GetClientRect(m_dialog, &client);
        const int top = m_toolbar.Layout();
        if (HWND view = m_owner ? m_owner->View().Window() : nullptr)
            MoveWindow(view, 0, top, client.right, client.bottom > top ? client.bottom - top : 0, TRUE);
    }
    void OnCommand(UINT id);
    bool RunEdit(UINT id);
    // Copies the current buffer image into the working image and shows it.
    void ReloadCurrent();
    void ShowWorking();
    // True when the working image went into the buffer.
    bool Save();
    // False when the user cancelled the save question.
    bool AskToSave();
    void Close();
    void StepImage(int delta);
    void UpdateCommandStates();
    void Message(const char* text, UINT icon) { MessageBoxA(m_dialog, text, m_title, icon | MB_OK | MB_TASKMODAL); }
    void OnWindowGone();
    void FreeResources();
    int CurrentIndex() const;
    // Where the buffer now holds the image the working copy came from; -1 when it holds it no more.
    int SourceIndex() const;

    CImageEditor* m_owner;
    CMultiImageTWAIN* m_engine;
    HINSTANCE m_module;
    char m_title[MAX_PATH] = {};
    CImage m_working;
    bool m_hasWorking = false;
    HGLOBAL m_display = nullptr;  // the working image's own block, shown by the viewer
    HGLOBAL m_source = nullptr;   // the buffer's block the working image was copied from
    LONG m_changes = 0;
    HACCEL m_accelerators = nullptr;
    HMENU m_menu = nullptr;
    int m_busy = 0;
    bool m_closed = false;
    CEditorToolbar m_toolbar;
    bool m_listedModeless = false;
    CImageEditorData* m_nextModeless = nullptr;

    friend class CImageEditor;
};

namespace {
thread_local CImageEditorData* t_modalEditor = nullptr;
thread_local CImageEditorData* t_modelessEditors = nullptr;
thread_local HHOOK t_modelessHook = nullptr;
}

LRESULT CALLBACK CImageEditorData::ModalFilter(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_DIALOGBOX && t_modalEditor && t_modalEditor->TranslateAccelerator(reinterpret_cast<MSG*>(lParam)))
        return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CImageEditorData::ModelessFilter(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
        for (CImageEditorData* editor = t_modelessEditors; editor; editor = editor->m_nextModeless) {
            // A command may close the editor: nothing of it is read after a translation.
            if (!editor->TranslateAccelerator(msg)) continue;
            msg->message = WM_NULL;
            msg->wParam = msg->lParam = 0;
            break;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CImageEditorData::ListModeless() {
    if (m_listedModeless) return;
    if (!t_modelessHook)
        t_modelessHook = SetWindowsHookExA(WH_GETMESSAGE, ModelessFilter, nullptr, GetCurrentThreadId());
    if (!t_modelessHook) return;
    m_nextModeless = t_modelessEditors;
    t_modelessEditors = this;
    m_listedModeless = true;
}

void CImageEditorData::UnlistModeless() {
    if (!m_listedModeless) return;
    for (CImageEditorData** link = &t_modelessEditors; *link; link = &(*link)->m_nextModeless) {
        if (*link != this) continue;
        *link = m_nextModeless;
        break;
    }
    m_nextModeless = nullptr;
    m_listedModeless = false;
    if (!t_modelessEditors && t_modelessHook) {
        UnhookWindowsHookEx(t_modelessHook);
        t_modelessHook = nullptr;
    }
}

int CImageEditorData::CurrentIndex() const {
    const LONG saved = m_engine->GetErrorCode();
    const int index = m_engine->GetCurrentImageIndex();
    m_engine->SetErrorCode(saved);
    return index;
}

void CImageEditorData::FreeResources() {
    if (m_owner) m_owner->View().SetImageHolder([](int, HGLOBAL) { return false; });
    if (m_display) GlobalFree(m_display);
    m_display = nullptr;
    if (m_menu && !IsMenu(m_menu)) m_menu = nullptr;
    if (m_menu) DestroyMenu(m_menu);
    m_menu = nullptr;
    if (m_accelerators) DestroyAcceleratorTable(m_accelerators);
    m_accelerators = nullptr;
    if (m_icon) DestroyIcon(m_icon);
    m_icon = nullptr;
    if (m_filter) UnhookWindowsHookEx(m_filter);
    m_filter = nullptr;
    UnlistModeless();
    m_toolbar.Destroy();
}

void CImageEditorData::OnInitDialog(HWND dialog) {
    m_dialog = dialog;
    CenterWindow(dialog);
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    lstrcpynA(m_title, m_owner->m_title, MAX_PATH);
    m_menu = LoadMenuA(m_module, MAKEINTRESOURCEA(IDR_IMAGE_EDITOR_MENU));
    SetMenu(dialog, m_menu);
    if (m_icon) {
        SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
        SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    }
    m_accelerators = LoadAcceleratorsA(m_module, MAKEINTRESOURCEA(IDR_IMAGE_EDITOR_ACCELERATORS));
    if (!m_modal) ListModeless();
    m_toolbar.Create(dialog, m_module);
    const int top = m_toolbar.Layout();
    CImageViewer& view = m_owner->View();
    RECT client;
    GetClientRect(dialog, &client);
    view.Create(nullptr, "ImageEditor", m_module, dialog, WS_CHILD | WS_VISIBLE, 0, nullptr, 0, top, client.right,
                client.bottom > top ? client.bottom - top : 0);
    view.SetImageHolder([this](int, HGLOBAL dib) { return dib && dib == m_display; });
    view.SetViewMode(-1, -1);
    // A copy that cannot be made is reported in a message box, inside which page script may
    // delete the editor with its host: then nothing more of it is touched.
    ReloadCurrent();
    if (m_closed || !m_owner) return;
    view.SetIfFitWindow(TRUE);
    UpdateCommandStates();
    SetWindowTextA(dialog, m_title);
    m_owner->m_window = dialog;
}

void CImageEditorData::ShowWorking() {
    CImageViewer& view = m_owner->View();
    HGLOBAL old = m_display;
    m_display = m_hasWorking ? m_working.ExportDIB() : nullptr;
    view.SetImage(0, m_display);
    view.SetImageCount(m_display ? 1 : 0);
    if (m_display) view.ShowImage(0);
    if (old) GlobalFree(old);
    if (view.Window()) InvalidateRect(view.Window(), nullptr, TRUE);
}

void CImageEditorData::ReloadCurrent() {
    m_changes = 0;
    m_hasWorking = false;
    m_source = nullptr;
    const int index = CurrentIndex();
    const LONG saved = m_engine->GetErrorCode();
    HGLOBAL dib = index >= 0 ? m_engine->GetImageDIB(static_cast<SHORT>(index)) : nullptr;
    m_engine->SetErrorCode(saved);
    if (dib && GlobalSize(dib) >= sizeof(BITMAPINFOHEADER)) {
        CImage copy;
        if (copy.AttachHandle(dib, TRUE) && copy.IsValid()) {
            m_working.TakeOver(copy);
            m_hasWorking = true;
            m_source = dib;
        } else if (m_busy) {
            // No copy (out of memory) or an invalid image: the user is told why nothing shows.
            // Only inside a command or a refresh, which free this state if it closes meanwhile.
            if (copy.GetResult() == kImageOk) copy.SetResult(kImageInvalid);
            char text[MAX_PATH];
            Message(copy.GetErrorText(text, sizeof text), MB_ICONSTOP);
            if (m_closed) return;
        }
    }
    if (m_owner) ShowWorking();
}

bool CImageEditorData::Save() {
    if (!m_hasWorking) return false;
    HGLOBAL updated = m_working.ExportDIB();
    if (!updated) {
        // The export's own result is reported (out of memory keeps the changes for another try);
        // an invalid working image has nothing left to save: its changes are gone.
        if (m_working.GetResult() == kImageInvalid) m_changes = 0;
        char text[MAX_PATH];
        Message(m_working.GetErrorText(text, sizeof text), MB_ICONSTOP);
        return false;
    }
    // The copy goes back to the image it came from, wherever the page has moved it meanwhile; an
    // image the buffer no longer holds is not replaced by another.
    const LONG saved = m_engine->GetErrorCode();
    const int index = SourceIndex();
    HGLOBAL old = index >= 0 ? m_source : nullptr;
    const BOOL replaced = old && m_engine->ReplaceImage(static_cast<SHORT>(index), updated);
    m_engine->SetErrorCode(saved);
    if (!replaced) {
        GlobalFree(updated);
        Message("Invalid index", MB_ICONSTOP);
        return false;
    }
    GlobalFree(old);
    m_source = updated;
    m_changes = 0;
    return true;
}

int CImageEditorData::SourceIndex() const {
    if (!m_source) return -1;
    const int count = m_engine->GetImageCount();
    // The current image first: where it nearly always still is.
    const int current = CurrentIndex();
    if (current >= 0 && current < count && m_engine->GetImageDIB(static_cast<SHORT>(current)) == m_source) return current;
    for (int i = 0; i < count; ++i)
        if (m_engine->GetImageDIB(static_cast<SHORT>(i)) == m_source) return i;
    return -1;
}

bool CImageEditorData::AskToSave() {
    if (!m_changes) return true;
    const int answer =
        MessageBoxA(m_dialog, "Do you want to save your changes?", m_title, MB_YESNOCANCEL | MB_ICONQUESTION);
    // Page script runs inside the question: the editor may have been closed, or its host and
    // buffer deleted, by the time it returns. Then nothing is saved and nothing more is done.
    if (m_closed) return false;
    switch (answer) {
    case IDYES: {
        // A save that fails keeps the editor where it is with its changes, unless nothing of them
        // is left to save (the working image turned out invalid).
        const bool saved = Save();
        return !m_closed && (saved || !m_changes);
    }
    case IDNO: m_changes = 0; return true;
    default: return false;
    }
}

void CImageEditorData::Close() {
    if (!AskToSave() || m_closed) return;
    if (m_modal) EndDialog(m_dialog, 1);
    else DestroyWindow(m_dialog);
}

void CImageEditorData::StepImage(int delta) {
    if (!AskToSave() || m_closed) return;
    const int count = m_engine->GetImageCount();
    int index = CurrentIndex() + delta;
    if (index < 0) index = 0;
    if (index > count - 1) index = count - 1;
    const LONG saved = m_engine->GetErrorCode();
    const BOOL moved = m_engine->SetCurrentImageIndex(static_cast<SHORT>(index));
    m_engine->SetErrorCode(saved);
    if (m_closed) return;
    if (!moved) Message("Invalid index.", MB_ICONSTOP);
    if (!m_closed) ReloadCurrent();
}

bool CImageEditorData::RunEdit(UINT id) {
    if (!m_changes) ReloadCurrent();
    if (!m_hasWorking) return false;
    CImageViewer& view = m_owner->View();
    RECT area = {};
    const bool hasArea = view.GetSelectedImageArea(0, &area) && area.right > area.left && area.bottom > area.top;
    const ImageRect rect = CImageEditor::ToImageRect(ScriptRect{area.left, area.top, area.right, area.bottom},
                                                     m_working.GetHeight());
    bool ok = true, changes = true;
    switch (id) {
    case ID_EDITOR_ROTATE_RIGHT: ok = m_working.RotateRight(); break;
    case ID_EDITOR_ROTATE_LEFT: ok = m_working.RotateLeft(); break;
    case ID_EDITOR_FLIP: ok = m_working.Flip(); break;
    case ID_EDITOR_MIRROR: ok = m_working.Mirror(); break;
    case ID_EDITOR_CROP:
        if (!hasArea) return false;
        ok = m_working.Crop(rect);
        if (ok) view.ResetSelectedImageArea(0);
        break;
    case ID_EDITOR_COPY_SELECTION:
        changes = false;
        ok = m_working.CopyRectToClipboard(hasArea ? rect : ImageRect{0, 0, -1, m_working.GetHeight()});
        break;
    case ID_EDITOR_IMAGE_SIZE:
        // Page script runs inside the dialog: the editor may be closed or deleted by the time it
        // returns, and then nothing more of it is touched.
        if (!CImageSizeDialog::Run(m_module, m_dialog, m_working) || m_closed || !m_hasWorking) return false;
        ok = m_working.Resample(m_working.m_requestedWidth, m_working.m_requestedHeight, m_working.m_requestedMethod,
                                kWrapClamp);
        break;
    default: return false;
    }
    if (!ok) {
        char text[MAX_PATH];
        Message(m_working.GetErrorText(text, sizeof text), MB_ICONSTOP);
        return false;
    }
    if (changes) ++m_changes;
    return changes;
}

void CImageEditorData::OnCommand(UINT id) {
    CImageViewer& view = m_owner->View();
    switch (id) {
    case ID_EDITOR_ABOUT:
        DialogBoxParamA(m_module, MAKEINTRESOURCEA(IDD_EDITOR_ABOUT), m_dialog, AboutProc,
                        reinterpret_cast<LPARAM>(m_icon));
        return;
    case ID_EDITOR_EXIT: Close(); return;
    case ID_EDITOR_REFRESH: ReloadCurrent(); UpdateCommandStates(); return;
    default: break;
    }
    if (!m_hasWorking && !m_changes) {
        // Without an image only the window commands above act.
        return;
    }
    HWND focus = GetFocus();
    EnableWindow(m_dialog, FALSE);
    switch (id) {
    case ID_EDITOR_SAVE:
        // A save that failed keeps showing the working image as it is.
        if (Save() && !m_closed) ShowWorking();
        break;
    case ID_EDITOR_RECOVER:
        if (m_changes) ReloadCurrent();
        break;
    case ID_EDITOR_PRINT: {
        const int index = CurrentIndex();
        CPrint job(m_engine, m_module, m_owner->m_printUI);
        job.PrintImages(m_dialog, index + 1, index + 1, 1);
        break;
    }
    case ID_EDITOR_PREVIOUS: StepImage(-1); break;
    case ID_EDITOR_NEXT: StepImage(1); break;
    case ID_EDITOR_SELECT_ALL:
        view.SetSelectedImageArea(0, 0, 0, m_working.GetWidth(), m_working.GetHeight());
        break;
    case ID_EDITOR_ZOOM_IN: view.SetZoom(view.GetZoom() * 2.0f); break;
    case ID_EDITOR_NORMAL_SIZE: view.SetZoom(1.0f); break;
    case ID_EDITOR_ZOOM_OUT: view.SetZoom(view.GetZoom() * 0.5f); break;
    case ID_EDITOR_STRETCH: view.SetIfFitWindow(TRUE); view.SetFitWindowType(4); break;
    case ID_EDITOR_FIT: view.SetIfFitWindow(TRUE); view.SetFitWindowType(0); break;
    default:
        if (RunEdit(id) && !m_closed) ShowWorking();
        break;
    }
    if (m_closed) return;
    EnableWindow(m_dialog, TRUE);
    if (focus && IsWindow(focus)) SetFocus(focus);
    UpdateCommandStates();
}

void CImageEditorData::UpdateCommandStates() {
    if (!m_menu || !m_owner) return;
    const int count = m_engine->GetImageCount();
    const int index = CurrentIndex();
    // Menu items and toolbar buttons share their states.
    auto enable = [this](UINT id, bool on) {
        EnableMenuItem(m_menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
        m_toolbar.Enable(id, on);
    };
    auto check = [this](UINT id, bool on) {
        CheckMenuItem(m_menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
        m_toolbar.Check(id, on);
    };
    const bool browse = m_owner->m_enumerator && count >= 2;
    enable(ID_EDITOR_PREVIOUS, browse && index > 0);
    enable(ID_EDITOR_NEXT, browse && index < count - 1);
    const bool edit = !m_owner->m_readOnly && m_hasWorking;
    for (UINT id : {ID_EDITOR_ROTATE_RIGHT, ID_EDITOR_ROTATE_LEFT, ID_EDITOR_FLIP, ID_EDITOR_MIRROR, ID_EDITOR_CROP,
                    ID_EDITOR_IMAGE_SIZE, ID_EDITOR_PRINT, ID_EDITOR_COPY_SELECTION, ID_EDITOR_SELECT_ALL})
        enable(id, edit);
    enable(ID_EDITOR_SAVE, edit && m_changes);
    enable(ID_EDITOR_RECOVER, edit && m_changes);
    CImageViewer& view = m_owner->View();
    const float zoom = view.GetZoom();
    const bool stretch = view.GetIfFitWindow() && view.GetFitWindowType() == 4;
    enable(ID_EDITOR_NORMAL_SIZE, zoom != 1.0f && !stretch);
    enable(ID_EDITOR_ZOOM_IN, zoom < 16.0f);
    enable(ID_EDITOR_ZOOM_OUT, zoom > 0.0625f);
    check(ID_EDITOR_STRETCH, stretch);
    check(ID_EDITOR_FIT, view.GetIfFitWindow() && !stretch);
    DrawMenuBar(m_dialog);
}

void CImageEditorData::OnWindowGone() {
    m_dialog = nullptr;
    if (t_modalEditor == this) t_modalEditor = nullptr;
    FreeResources();
    m_closed = true;
    if (m_owner) m_owner->OnEditorClosed();
    if (!m_busy) delete this;
}

INT_PTR CALLBACK CImageEditorData::AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        CenterWindow(dialog);
        SetDlgItemTextA(dialog, IDC_ABOUT_PRODUCT, "Lumetta Image Editor 1.0");
        SetDlgItemTextA(dialog, IDC_ABOUT_OWNER, "Part of the Lumetta image-acquisition component.");
        if (lParam) SendDlgItemMessageA(dialog, IDC_ABOUT_ICON, STM_SETICON, static_cast<WPARAM>(lParam), 0);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK CImageEditorData::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* data = reinterpret_cast<CImageEditorData*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
    if (message == WM_INITDIALOG) {
        // Held busy as a command is: the first image's message box runs page script.
        data = reinterpret_cast<CImageEditorData*>(lParam);
        ++data->m_busy;
        data->OnInitDialog(dialog);
        --data->m_busy;
        if (data->m_closed && !data->m_busy && !data->m_dialog) delete data;
        return TRUE;
    }
    if (!data || data->m_dialog != dialog) return FALSE;
    switch (message) {
    case WM_SIZE: data->OnSize(); return TRUE;
    case WM_NOTIFY: return data->m_toolbar.OnNotify(reinterpret_cast<const NMHDR*>(lParam)) ? TRUE : FALSE;
    case WM_ACTIVATE:
    case WM_INITMENUPOPUP: data->UpdateCommandStates(); return FALSE;
    case WM_CLOSE:
    case WM_COMMAND: {
        ++data->m_busy;
        if (message == WM_CLOSE) data->Close();
        else data->OnCommand(LOWORD(wParam));
        --data->m_busy;
        if (data->m_closed && !data->m_busy && !data->m_dialog) delete data;
        return TRUE;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
        data->OnWindowGone();
        return FALSE;
    default:
        return FALSE;
    }
}

// ---- CImageEditor: the window side ----

CImageEditor::~CImageEditor() {
    if (m_goneFlag) *m_goneFlag = true;
    if (m_data) {
        CImageEditorData* data = m_data;
        m_data = nullptr;
        data->Detach();
    }
}

BOOL CImageEditor::ShowImageEditor(CMultiImageTWAIN* engine, HINSTANCE module, HWND parent) {
    m_result = kImageOk;
    if (!engine) {
        m_result = kImageInvalid;
        return FALSE;
    }
    if (!module) {
        m_result = kImageNoModule;
        return FALSE;
    }
    if (m_data) return FALSE;
    auto* data = new (std::nothrow) CImageEditorData(this, engine, module);
    if (!data) {
        m_result = kImageNoMemory;
        return FALSE;
    }
    m_data = data;
    data->m_icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(IDI_IMAGE_EDITOR), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    data->m_modal = m_modal != 0;
    // Page script runs inside the dialog (and inside a message box while it opens) and may delete
    // this editor with its host.
    bool gone = false;
    m_goneFlag = &gone;
    if (data->m_modal) {
        CImageEditorData* outer = t_modalEditor;
        t_modalEditor = data;
        data->m_filter = SetWindowsHookExA(WH_MSGFILTER, CImageEditorData::ModalFilter, nullptr, GetCurrentThreadId());
        const INT_PTR result = DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_IMAGE_EDITOR), parent,
                                               CImageEditorData::DialogProc, reinterpret_cast<LPARAM>(data));
        t_modalEditor = outer;
        if (gone) return TRUE;
        m_goneFlag = nullptr;
        if (result == -1) {
            m_result = kImageInvalid;
            if (m_data == data) {
                m_data = nullptr;
                delete data;
            }
            return FALSE;
        }
        return TRUE;
    }
    HWND dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_IMAGE_EDITOR), parent, CImageEditorData::DialogProc,
                                     reinterpret_cast<LPARAM>(data));
    if (gone) return TRUE;
    m_goneFlag = nullptr;
    if (!dialog) {
        m_result = kImageInvalid;
        if (m_data == data) {
            m_data = nullptr;
            delete data;
        }
        return FALSE;
    }
    ShowWindow(dialog, SW_SHOW);
    return TRUE;
}

void CImageEditor::OnEditorClosed() {
    m_data = nullptr;
    m_window = nullptr;
}

void CImageEditor::RefreshEditor() {
    if (m_data && m_data->m_dialog) m_data->Refresh();
}

int CImageEditor::PreTranslateMessage(MSG* msg) {
    if (!m_data || !m_data->m_dialog) return 0;
    if (!m_data->HasOwnKeyRoute() && m_data->TranslateAccelerator(msg)) return 1;
    return !m_data->m_modal && IsDialogMessageA(m_data->m_dialog, msg) ? 1 : 0;
}
