// The image editor window driven by commands as the menu and the accelerators send them, under the
// virtual desktop: what the buffer holds afterwards is checked against images made by the test.
#include <gtest/gtest.h>

#include "lumetta_win.h"

#include <commctrl.h>

#include <functional>
#include <new>
#include <string>

#include "engine/image_editor.h"
#include "resources/resource_ids.h"
#include "support/dialog_answer.h"
#include "support/test_dib.h"
#include "support/test_engine.h"

namespace {

// A title of this program's own: editors of other test programs share the virtual desktop.
constexpr char kTitle[] = "Editor Window Test";

struct Size {
    LONG width, height;
};

Size DibSize(HGLOBAL dib) {
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    Size size{header->biWidth, header->biHeight};
    GlobalUnlock(dib);
    return size;
}

bool MenuEnabled(HWND dialog, UINT id) {
    return !(GetMenuState(GetMenu(dialog), id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
}

// Whether a window is a dialog box (a message box among them) that shows.
bool IsShownDialog(HWND window) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    return lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window);
}

// Sends a window a message while a timer of this thread answers the boxes it opens.
void SendAnswered(TIMERPROC answer, HWND window, UINT message, WPARAM wParam = 0) {
    UINT_PTR timer = SetTimer(nullptr, 0, 50, answer);
    SendMessageA(window, message, wParam, 0);
    KillTimer(nullptr, timer);
}

// Answers the next message box of this thread with a button, from a timer.
WORD g_answer = 0;
int g_boxes = 0;
BOOL CALLBACK AnswerBox(HWND window, LPARAM) {
    if (IsShownDialog(window) && GetDlgItem(window, IDCANCEL)) {
        ++g_boxes;
        PostMessageA(window, WM_COMMAND, g_answer, 0);
        return FALSE;
    }
    return TRUE;
}
void CALLBACK AnswerTimer(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), AnswerBox, 0); }

// Deletes an editor from a timer, as a host that goes away while the editor asks a question.
struct Victim {
    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        delete s_editor;
        s_editor = nullptr;
    }
    static inline CImageEditor* s_editor = nullptr;
};

class EditorFixture : public testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(engine.AddImage(MakeTestDib(30 + i, 20, 24, 100 + i)));
        ASSERT_TRUE(engine.SetCurrentImageIndex(0));
        editor.m_modal = 0;
        lstrcpyA(editor.m_title, kTitle);
    }
    // The modeless editor over the fixture's buffer; its window.
    HWND Open() {
        EXPECT_TRUE(editor.ShowImageEditor(&engine, GetModuleHandleA(nullptr), nullptr));
        return editor.IsEditorClosed() ? nullptr : EditorWindow();
    }
    // A modeless editor on the heap, which the test deletes as a host would; its window.
    HWND OpenOwned(CImageEditor* owned) {
        owned->m_modal = 0;
        lstrcpyA(owned->m_title, kTitle);
        EXPECT_TRUE(owned->ShowImageEditor(&engine, GetModuleHandleA(nullptr), nullptr));
        return FindWindowA(nullptr, owned->m_title);
    }
    static void Command(HWND dialog, UINT id) { SendMessageA(dialog, WM_COMMAND, id, 0); }
    HWND EditorWindow() { return FindWindowA(nullptr, editor.m_title); }

    TestEngine engine;
    CImageEditor editor;
};

TEST_F(EditorFixture, EditsStayInTheEditorUntilSaved) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    HGLOBAL first = engine.GetImageDIB(0);
    EXPECT_FALSE(MenuEnabled(dialog, ID_EDITOR_SAVE));
    Command(dialog, ID_EDITOR_ROTATE_RIGHT);
    // The buffer keeps its image; the editor's viewer shows its own rotated block.
    EXPECT_EQ(engine.GetImageDIB(0), first);
    ASSERT_EQ(editor.View().ImageCount(), 1);
    HGLOBAL shown = editor.View().ImageAt(0);
    EXPECT_NE(shown, first);
    EXPECT_EQ(DibSize(shown).width, 20);
    EXPECT_EQ(DibSize(shown).height, 30);
    EXPECT_TRUE(MenuEnabled(dialog, ID_EDITOR_SAVE));
    EXPECT_TRUE(MenuEnabled(dialog, ID_EDITOR_RECOVER));
    // Recover shows the buffer image again.
    Command(dialog, ID_EDITOR_RECOVER);
    EXPECT_EQ(DibSize(editor.View().ImageAt(0)).width, 30);
    EXPECT_FALSE(MenuEnabled(dialog, ID_EDITOR_SAVE));
    // Rotating left twice and flipping, then saving, puts a 20 x 30 image in the slot.
    Command(dialog, ID_EDITOR_ROTATE_LEFT);
    Command(dialog, ID_EDITOR_FLIP);
    Command(dialog, ID_EDITOR_MIRROR);
    Command(dialog, ID_EDITOR_SAVE);
    EXPECT_EQ(engine.GetImageCount(), 3);
    EXPECT_EQ(DibSize(engine.GetImageDIB(0)).width, 20);
    EXPECT_EQ(DibSize(engine.GetImageDIB(0)).height, 30);
    EXPECT_FALSE(MenuEnabled(dialog, ID_EDITOR_SAVE));
    Command(dialog, ID_EDITOR_EXIT);
    EXPECT_TRUE(editor.IsEditorClosed());
    EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(EditorFixture, PreviousAndNextStayInsideTheBuffer) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(MenuEnabled(dialog, ID_EDITOR_PREVIOUS));
    EXPECT_TRUE(MenuEnabled(dialog, ID_EDITOR_NEXT));
    Command(dialog, ID_EDITOR_PREVIOUS);
    EXPECT_EQ(engine.GetCurrentImageIndex(), 0);
    Command(dialog, ID_EDITOR_NEXT);
    Command(dialog, ID_EDITOR_NEXT);
    Command(dialog, ID_EDITOR_NEXT);
    EXPECT_EQ(engine.GetCurrentImageIndex(), 2);
    EXPECT_EQ(DibSize(editor.View().ImageAt(0)).width, 32);
    EXPECT_TRUE(MenuEnabled(dialog, ID_EDITOR_PREVIOUS));
    EXPECT_FALSE(MenuEnabled(dialog, ID_EDITOR_NEXT));
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.IsEditorClosed());
}

TEST_F(EditorFixture, BufferChangesReachAnOpenEditor) {
    // The core refreshes its open editors after every buffer change; here the test does.
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    // An unchanged editor follows the buffer: removing the current image shows the next one, and
    // the viewer never holds the removed block.
    HGLOBAL removed = engine.GetImageDIB(0);
    ASSERT_TRUE(engine.RemoveImage(0));
    editor.RefreshEditor();
    EXPECT_NE(editor.View().ImageAt(0), removed);
    EXPECT_EQ(DibSize(editor.View().ImageAt(0)).width, 31);
    // A changed editor keeps its work.
    Command(dialog, ID_EDITOR_ROTATE_RIGHT);
    ASSERT_TRUE(engine.RemoveImage(0));
    editor.RefreshEditor();
    EXPECT_EQ(DibSize(editor.View().ImageAt(0)).width, 20);
    EXPECT_TRUE(MenuEnabled(dialog, ID_EDITOR_SAVE));
    // Emptying the buffer leaves an editor without an image; Exit still closes it after the
    // save question is answered "No".
    engine.RemoveAllImages();
    editor.RefreshEditor();
    g_answer = IDNO;
    g_boxes = 0;
    SendAnswered(AnswerTimer, dialog, WM_COMMAND, ID_EDITOR_EXIT);
    EXPECT_EQ(g_boxes, 1);
    EXPECT_TRUE(editor.IsEditorClosed());
}

// Answers the next message box of this thread with OK from a timer and keeps its text.
std::string g_boxText;
BOOL CALLBACK TakeBox(HWND window, LPARAM) {
    if (!IsShownDialog(window) || !GetDlgItem(window, IDOK)) return TRUE;
    char text[512] = {};
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    g_boxText = text;
    ++g_boxes;
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return FALSE;
}
void CALLBACK TakeBoxTimer(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), TakeBox, 0); }

// A DIB whose header promises far more pixels than its block holds: no image can be read from it.
HGLOBAL MakeBrokenDib() {
    HGLOBAL dib = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + 16);
    auto* header = static_cast<BITMAPINFOHEADER*>(dib);
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = 4000;
    header->biHeight = 4000;
    header->biPlanes = 1;
    header->biBitCount = 24;
    return dib;
}

TEST_F(EditorFixture, AReloadThatFindsNoImageSaysWhy) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    HGLOBAL good = engine.GetImageDIB(0);
    HGLOBAL broken = MakeBrokenDib();
    ASSERT_TRUE(engine.ReplaceImage(0, broken));
    g_boxes = 0;
    g_boxText.clear();
    SendAnswered(TakeBoxTimer, dialog, WM_COMMAND, ID_EDITOR_REFRESH);
    EXPECT_EQ(g_boxes, 1);
    EXPECT_EQ(g_boxText, "Invalid image. Original image does't exist.");
    EXPECT_EQ(editor.View().ImageCount(), 0);
    EXPECT_FALSE(MenuEnabled(dialog, ID_EDITOR_ROTATE_RIGHT));
    // The good image back: the reload shows it without a word.
    ASSERT_TRUE(engine.ReplaceImage(0, good));
    GlobalFree(broken);
    g_boxes = 0;
    SendAnswered(TakeBoxTimer, dialog, WM_COMMAND, ID_EDITOR_REFRESH);
    EXPECT_EQ(g_boxes, 0);
    EXPECT_EQ(DibSize(editor.View().ImageAt(0)).width, 30);
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.IsEditorClosed());
}

// Every block an image makes for itself fails while one of these lives, as on a machine out of
// memory; other allocations (windows, the buffer's own) go on as before.
struct NoImageMemory {
    static HGLOBAL Refuse(UINT, SIZE_T) { return nullptr; }
    NoImageMemory() : previous(SetImageBlockAllocator(Refuse)) {}
    ~NoImageMemory() { SetImageBlockAllocator(previous); }
    ImageBlockAllocator previous;
};

// Opens the fixture's editor while a timer answers the message boxes it shows with OK.
bool OpenAnswered(CImageEditor& editor, TestEngine& engine) {
    UINT_PTR timer = SetTimer(nullptr, 0, 50, TakeBoxTimer);
    const BOOL opened = editor.ShowImageEditor(&engine, GetModuleHandleA(nullptr), nullptr);
    KillTimer(nullptr, timer);
    return opened != FALSE;
}

TEST_F(EditorFixture, AnImageThatCannotBeCopiedIsReportedWhenTheEditorOpens) {
    // An invalid image: its error text, and an editor without an image.
    HGLOBAL good = engine.GetImageDIB(0);
    HGLOBAL broken = MakeBrokenDib();
    ASSERT_TRUE(engine.ReplaceImage(0, broken));
    g_boxes = 0;
    g_boxText.clear();
    ASSERT_TRUE(OpenAnswered(editor, engine));
    EXPECT_EQ(g_boxes, 1);
    EXPECT_EQ(g_boxText, "Invalid image. Original image does't exist.");
    HWND dialog = EditorWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(editor.View().ImageCount(), 0);
    EXPECT_FALSE(MenuEnabled(dialog, ID_EDITOR_ROTATE_RIGHT));
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.IsEditorClosed());
    ASSERT_TRUE(engine.ReplaceImage(0, good));
    GlobalFree(broken);

    // No memory for the copy: the memory text; the image shows once memory is back.
    g_boxes = 0;
    g_boxText.clear();
    {
        NoImageMemory scarce;
        ASSERT_TRUE(OpenAnswered(editor, engine));
    }
    EXPECT_EQ(g_boxes, 1);
    EXPECT_EQ(g_boxText, "Not enough memory to perform operation.");
    dialog = EditorWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(editor.View().ImageCount(), 0);
    g_boxes = 0;
    SendAnswered(TakeBoxTimer, dialog, WM_COMMAND, ID_EDITOR_REFRESH);
    EXPECT_EQ(g_boxes, 0);
    EXPECT_EQ(DibSize(editor.View().ImageAt(0)).width, 30);
    // An edit of an unchanged editor copies the buffer's image first: that copy fails the same way
    // and nothing is edited.
    g_boxes = 0;
    g_boxText.clear();
    {
        NoImageMemory scarce;
        SendAnswered(TakeBoxTimer, dialog, WM_COMMAND, ID_EDITOR_ROTATE_RIGHT);
    }
    EXPECT_EQ(g_boxes, 1);
    EXPECT_EQ(g_boxText, "Not enough memory to perform operation.");
    EXPECT_FALSE(MenuEnabled(dialog, ID_EDITOR_SAVE));
    EXPECT_EQ(DibSize(engine.GetImageDIB(0)).width, 30);
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.IsEditorClosed());
}

// The editor window of this thread (a message box has its caption too), and a shown message box.
BOOL CALLBACK FindEditor(HWND window, LPARAM found) {
    if (!FindWindowExA(window, nullptr, nullptr, "ImageEditor")) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}
BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    if (!IsShownDialog(window) || !GetDlgItem(window, IDOK)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// Answers the message box of a modal editor that opens, then closes the editor once it shows.
struct ModalOpening {
    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
        const int boxes = g_boxes;
        EnumThreadWindows(GetCurrentThreadId(), TakeBox, 0);
        if (g_boxes != boxes) return;
        // The editor's window (the box has its caption too), once it shows.
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindEditor, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog || !IsWindowVisible(dialog)) return;
        KillTimer(nullptr, timer);
        s_emptyAtClose = s_editor->View().ImageCount() == 0;
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
    static inline CImageEditor* s_editor = nullptr;
    static inline bool s_emptyAtClose = false;
};

TEST_F(EditorFixture, AModalEditorReportsAnImageThatCannotBeCopied) {
    editor.m_modal = 1;
    HGLOBAL good = engine.GetImageDIB(0);
    HGLOBAL broken = MakeBrokenDib();
    ASSERT_TRUE(engine.ReplaceImage(0, broken));
    g_boxes = 0;
    g_boxText.clear();
    ModalOpening::s_editor = &editor;
    ModalOpening::s_emptyAtClose = false;
    SetTimer(nullptr, 0, 50, ModalOpening::Tick);
    EXPECT_TRUE(editor.ShowImageEditor(&engine, GetModuleHandleA(nullptr), nullptr));
    EXPECT_TRUE(editor.IsEditorClosed());
    EXPECT_EQ(g_boxes, 1);
    EXPECT_EQ(g_boxText, "Invalid image. Original image does't exist.");
    EXPECT_TRUE(ModalOpening::s_emptyAtClose);
    ASSERT_TRUE(engine.ReplaceImage(0, good));
    GlobalFree(broken);
}

// Deletes the editor from a timer once a message box of this thread shows, as a host that goes
// away while the editor reports something; the box is answered afterwards.
struct DeleteAtBox {
    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
        if (!s_editor) {
            EnumThreadWindows(GetCurrentThreadId(), TakeBox, 0);
            if (g_boxes) KillTimer(nullptr, timer);
            return;
        }
        HWND box = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
        if (box) {
            delete s_editor;
            s_editor = nullptr;
            return;
        }
        // The box comes before the editor shows: a shown editor will show none, and is closed.
        HWND editor = s_editor->View().Window() ? GetParent(s_editor->View().Window()) : nullptr;
        if (editor && IsWindowVisible(editor)) {
            KillTimer(nullptr, timer);
            PostMessageA(editor, WM_CLOSE, 0, 0);
        }
    }
    static inline CImageEditor* s_editor = nullptr;
};

// An editor whose memory faults on any use once it is deleted: its pages stay reserved but are
// no longer committed, so a use after the delete stops the program instead of going unseen.
struct GuardedEditor : CImageEditor {
    static void* operator new(size_t size) {
        void* block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (!block) throw std::bad_alloc();
        return block;
    }
    static void operator delete(void* block, size_t size) { VirtualFree(block, size, MEM_DECOMMIT); }
};

TEST_F(EditorFixture, DeletedWhileItsOpeningMessageShows) {
    HGLOBAL good = engine.GetImageDIB(0);
    HGLOBAL broken = MakeBrokenDib();
    ASSERT_TRUE(engine.ReplaceImage(0, broken));
    for (LONG modal : {0, 1}) {
        CImageEditor* owned = new GuardedEditor();
        owned->m_modal = modal;
        lstrcpyA(owned->m_title, kTitle);
        DeleteAtBox::s_editor = owned;
        g_boxes = 0;
        UINT_PTR timer = SetTimer(nullptr, 0, 50, DeleteAtBox::Tick);
        // The call returns without touching the editor the host deleted; no window is left.
        owned->ShowImageEditor(&engine, GetModuleHandleA(nullptr), nullptr);
        KillTimer(nullptr, timer);
        EXPECT_EQ(DeleteAtBox::s_editor, nullptr) << modal;
        EXPECT_EQ(FindWindowOfThread(GetCurrentThreadId(), kTitle), nullptr) << modal;
        if (DeleteAtBox::s_editor) delete DeleteAtBox::s_editor;
    }
    ASSERT_TRUE(engine.ReplaceImage(0, good));
    GlobalFree(broken);
}

TEST_F(EditorFixture, ASaveThatCannotExportKeepsTheChanges) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    HGLOBAL first = engine.GetImageDIB(0);
    Command(dialog, ID_EDITOR_ROTATE_RIGHT);
    g_boxes = 0;
    g_boxText.clear();
    {
        NoImageMemory scarce;
        SendAnswered(TakeBoxTimer, dialog, WM_COMMAND, ID_EDITOR_SAVE);
    }
    // The export's own failure is reported; the buffer keeps its image, the editor its edit.
    EXPECT_EQ(g_boxes, 1);
    EXPECT_EQ(g_boxText, "Not enough memory to perform operation.");
    EXPECT_EQ(engine.GetImageDIB(0), first);
    EXPECT_TRUE(MenuEnabled(dialog, ID_EDITOR_SAVE));
    ASSERT_EQ(editor.View().ImageCount(), 1);
    EXPECT_EQ(DibSize(editor.View().ImageAt(0)).width, 20);
    // With memory back the same edit is saved.
    Command(dialog, ID_EDITOR_SAVE);
    EXPECT_EQ(DibSize(engine.GetImageDIB(0)).width, 20);
    EXPECT_FALSE(MenuEnabled(dialog, ID_EDITOR_SAVE));
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.IsEditorClosed());
}

// Answers the save question with g_answer and takes the message box that follows.
void CALLBACK AnswerThenTakeBoxTimer(HWND, UINT, UINT_PTR, DWORD) {
    const int before = g_boxes;
    EnumThreadWindows(GetCurrentThreadId(), AnswerBox, 0);
    if (g_boxes == before) EnumThreadWindows(GetCurrentThreadId(), TakeBox, 0);
}

TEST_F(EditorFixture, LeavingAfterASaveThatFailsKeepsTheEditorAndItsChanges) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    HGLOBAL first = engine.GetImageDIB(0);
    Command(dialog, ID_EDITOR_ROTATE_RIGHT);
    // "Yes" to the question, and the save fails: neither Exit nor Next goes on and drops the edit.
    for (const WPARAM leave : {WPARAM{ID_EDITOR_EXIT}, WPARAM{ID_EDITOR_NEXT}}) {
        g_answer = IDYES;
        g_boxes = 0;
        g_boxText.clear();
        {
            NoImageMemory scarce;
            SendAnswered(AnswerThenTakeBoxTimer, dialog, WM_COMMAND, leave);
        }
        EXPECT_EQ(g_boxes, 2);
        EXPECT_EQ(g_boxText, "Not enough memory to perform operation.");
        ASSERT_FALSE(editor.IsEditorClosed());
        EXPECT_EQ(engine.GetCurrentImageIndex(), 0);
        EXPECT_EQ(engine.GetImageDIB(0), first);
        EXPECT_TRUE(MenuEnabled(dialog, ID_EDITOR_SAVE));
    }
    // With memory back, "Yes" saves the edit and Exit closes.
    g_answer = IDYES;
    g_boxes = 0;
    SendAnswered(AnswerTimer, dialog, WM_COMMAND, ID_EDITOR_EXIT);
    EXPECT_EQ(g_boxes, 1);
    EXPECT_TRUE(editor.IsEditorClosed());
    EXPECT_EQ(DibSize(engine.GetImageDIB(0)).width, 20);
}

// Rectangles' centres, which may differ by the rounding of one halving.
void ExpectSameCentre(HWND window, HWND around) {
    RECT inner, outer;
    GetWindowRect(window, &inner);
    GetWindowRect(around, &outer);
    EXPECT_NEAR((inner.left + inner.right) / 2, (outer.left + outer.right) / 2, 1);
    EXPECT_NEAR((inner.top + inner.bottom) / 2, (outer.top + outer.bottom) / 2, 1);
}

HWND g_about = nullptr;
RECT g_aboutRect = {};
BOOL CALLBACK TakeAbout(HWND window, LPARAM editor) {
    if (!IsShownDialog(window) || window == reinterpret_cast<HWND>(editor)) return TRUE;
    g_about = window;
    GetWindowRect(window, &g_aboutRect);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return FALSE;
}
HWND g_aboutOwner = nullptr;
void CALLBACK TakeAboutTimer(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), TakeAbout, reinterpret_cast<LPARAM>(g_aboutOwner));
}

TEST_F(EditorFixture, TheEditorAndItsAboutBoxOpenCentredOnTheirParent) {
    HWND parent = CreateWindowExA(0, "STATIC", "Editor parent", WS_POPUP | WS_VISIBLE, 40, 30, 900, 700, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    ASSERT_TRUE(editor.ShowImageEditor(&engine, GetModuleHandleA(nullptr), parent));
    HWND dialog = EditorWindow();
    ASSERT_NE(dialog, nullptr);
    ExpectSameCentre(dialog, parent);
    // Moved away, the editor is the About box's parent.
    SetWindowPos(dialog, nullptr, 10, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    g_about = nullptr;
    g_aboutOwner = dialog;
    SendAnswered(TakeAboutTimer, dialog, WM_COMMAND, ID_EDITOR_ABOUT);
    ASSERT_NE(g_about, nullptr);
    RECT outer;
    GetWindowRect(dialog, &outer);
    EXPECT_NEAR((g_aboutRect.left + g_aboutRect.right) / 2, (outer.left + outer.right) / 2, 1);
    EXPECT_NEAR((g_aboutRect.top + g_aboutRect.bottom) / 2, (outer.top + outer.bottom) / 2, 1);
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.IsEditorClosed());
    DestroyWindow(parent);
}

TEST_F(EditorFixture, SaveQuestion) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    Command(dialog, ID_EDITOR_ROTATE_RIGHT);
    // Cancel keeps the editor on the same image with its changes.
    g_answer = IDCANCEL;
    g_boxes = 0;
    SendAnswered(AnswerTimer, dialog, WM_COMMAND, ID_EDITOR_NEXT);
    EXPECT_EQ(g_boxes, 1);
    EXPECT_EQ(engine.GetCurrentImageIndex(), 0);
    EXPECT_EQ(DibSize(editor.View().ImageAt(0)).width, 20);
    // Yes saves before closing.
    g_answer = IDYES;
    SendAnswered(AnswerTimer, dialog, WM_CLOSE);
    EXPECT_TRUE(editor.IsEditorClosed());
    EXPECT_EQ(DibSize(engine.GetImageDIB(0)).width, 20);
}

TEST_F(EditorFixture, DeletingTheEditorWhileItsQuestionIsOpen) {
    CImageEditor* owned = new CImageEditor();
    HWND dialog = OpenOwned(owned);
    ASSERT_NE(dialog, nullptr);
    Command(dialog, ID_EDITOR_ROTATE_RIGHT);
    // While the save question is open, the host deletes the editor (as a page that removes the
    // control would); the question ends and nothing freed is touched.
    Victim::s_editor = owned;
    SetTimer(nullptr, 0, 100, Victim::Tick);
    Command(dialog, ID_EDITOR_EXIT);
    EXPECT_EQ(Victim::s_editor, nullptr);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(DibSize(engine.GetImageDIB(0)).width, 30);
}

// Destroys a window from a timer once a dialog of the thread shows, as a page that removes the
// control takes the editor's owner window with it while the editor asks something.
struct OwnerKiller {
    static BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
        if (!IsShownDialog(window) || window == s_editor) return TRUE;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog) return;
        KillTimer(nullptr, timer);
        ++s_kills;
        DestroyWindow(s_owner);
    }
    static inline HWND s_owner = nullptr, s_editor = nullptr;
    static inline int s_kills = 0;
};

TEST_F(EditorFixture, ClosedWithItsOwnerWhileItsDialogsAreOpen) {
    for (UINT command : {ID_EDITOR_NEXT, ID_EDITOR_EXIT, ID_EDITOR_IMAGE_SIZE}) {
        HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                     nullptr, nullptr);
        ASSERT_NE(owner, nullptr);
        CImageEditor* owned = new CImageEditor();
        owned->m_modal = 0;
        lstrcpyA(owned->m_title, kTitle);
        ASSERT_TRUE(owned->ShowImageEditor(&engine, GetModuleHandleA(nullptr), owner));
        HWND dialog = FindWindowA(nullptr, kTitle);
        ASSERT_NE(dialog, nullptr);
        // An edit makes Next and Exit ask whether to save it; the owner goes while the question
        // (or the Image Size dialog) is open. The editor closes, saves nothing, moves nowhere
        // and touches none of its freed state.
        Command(dialog, ID_EDITOR_ROTATE_RIGHT);
        OwnerKiller::s_owner = owner;
        OwnerKiller::s_editor = dialog;
        OwnerKiller::s_kills = 0;
        SetTimer(nullptr, 0, 50, OwnerKiller::Tick);
        Command(dialog, command);
        EXPECT_EQ(OwnerKiller::s_kills, 1) << command;
        EXPECT_FALSE(IsWindow(dialog)) << command;
        EXPECT_TRUE(owned->IsEditorClosed()) << command;
        EXPECT_EQ(engine.GetCurrentImageIndex(), 0) << command;
        EXPECT_EQ(DibSize(engine.GetImageDIB(0)).width, 30) << command;
        delete owned;
    }
}

TEST_F(EditorFixture, ModalEditorReturnsWhenClosed) {
    editor.m_modal = 1;
    struct Closer {
        static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
            HWND dialog = FindWindowA(nullptr, kTitle);
            if (!dialog) return;
            KillTimer(nullptr, timer);
            SendMessageA(dialog, WM_COMMAND, ID_EDITOR_NEXT, 0);
            PostMessageA(dialog, WM_COMMAND, ID_EDITOR_EXIT, 0);
        }
    };
    SetTimer(nullptr, 0, 50, Closer::Tick);
    EXPECT_TRUE(editor.ShowImageEditor(&engine, GetModuleHandleA(nullptr), nullptr));
    EXPECT_TRUE(editor.IsEditorClosed());
    EXPECT_EQ(engine.GetCurrentImageIndex(), 1);
}

// ---- The toolbar ----

HWND Toolbar(HWND dialog) { return GetDlgItem(dialog, IDC_EDITOR_TOOLBAR); }
bool ButtonEnabled(HWND dialog, UINT id) { return SendMessageA(Toolbar(dialog), TB_ISBUTTONENABLED, id, 0) != 0; }
bool ButtonChecked(HWND dialog, UINT id) { return SendMessageA(Toolbar(dialog), TB_ISBUTTONCHECKED, id, 0) != 0; }

// Clicks a toolbar button with the mouse as the user would.
void ClickButton(HWND dialog, UINT id) {
    HWND toolbar = Toolbar(dialog);
    RECT r{};
    SendMessageA(toolbar, TB_GETRECT, id, reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(toolbar, WM_LBUTTONUP, 0, at);
}

std::string Tooltip(HWND dialog, UINT id) {
    NMTTDISPINFOA info = {};
    info.hdr.hwndFrom = nullptr;
    info.hdr.idFrom = id;
    info.hdr.code = TTN_GETDISPINFOA;
    SendMessageA(dialog, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&info));
    return info.lpszText ? info.lpszText : "";
}

TEST_F(EditorFixture, ToolbarButtonsInTheirGroups) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    HWND toolbar = Toolbar(dialog);
    ASSERT_NE(toolbar, nullptr);
    // 18 commands and 5 separators, in this order; glyph i of the strips is the i-th command.
    const int expected[] = {40002, 40003, 0, 40004, 40005, 40006, 40007, 0, 40008, 40027, 40009, 0,
                            40010, 40011, 40012, 40013, 40014, 0, 40053, 0, 40015, 40016, 40017};
    ASSERT_EQ(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0), 23);
    int glyph = 0;
    for (int i = 0; i < 23; ++i) {
        TBBUTTON button = {};
        ASSERT_TRUE(SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)));
        if (!expected[i]) {
            EXPECT_TRUE(button.fsStyle & BTNS_SEP) << i;
            continue;
        }
        EXPECT_EQ(button.idCommand, expected[i]) << i;
        EXPECT_EQ(button.iBitmap, glyph++) << i;
    }
    // Both strips hold one 16 x 16 glyph a command.
    for (UINT list : {TB_GETIMAGELIST, TB_GETDISABLEDIMAGELIST}) {
        auto images = reinterpret_cast<HIMAGELIST>(SendMessageA(toolbar, list, 0, 0));
        ASSERT_NE(images, nullptr);
        EXPECT_EQ(ImageList_GetImageCount(images), 18);
        int cx = 0, cy = 0;
        ImageList_GetIconSize(images, &cx, &cy);
        EXPECT_EQ(cx, 16);
        EXPECT_EQ(cy, 16);
    }
    // The viewer starts below the toolbar.
    RECT bar{}, view{};
    GetWindowRect(toolbar, &bar);
    GetWindowRect(editor.View().Window(), &view);
    EXPECT_GE(view.top, bar.bottom);
    EXPECT_EQ(Tooltip(dialog, ID_EDITOR_ROTATE_RIGHT), "Rotate Right");
    EXPECT_EQ(Tooltip(dialog, ID_EDITOR_IMAGE_SIZE), "Image Size");
    EXPECT_EQ(Tooltip(dialog, ID_EDITOR_PRINT), "Print");
    SendMessageA(dialog, WM_CLOSE, 0, 0);
}

TEST_F(EditorFixture, ToolbarFollowsTheCommandStates) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(ButtonEnabled(dialog, ID_EDITOR_PREVIOUS));
    EXPECT_TRUE(ButtonEnabled(dialog, ID_EDITOR_NEXT));
    EXPECT_FALSE(ButtonEnabled(dialog, ID_EDITOR_SAVE));
    EXPECT_TRUE(ButtonEnabled(dialog, ID_EDITOR_IMAGE_SIZE));
    // A click on Rotate Right edits the working image; Save and Recover become available.
    ClickButton(dialog, ID_EDITOR_ROTATE_RIGHT);
    EXPECT_EQ(DibSize(editor.View().ImageAt(0)).width, 20);
    EXPECT_TRUE(ButtonEnabled(dialog, ID_EDITOR_SAVE));
    EXPECT_TRUE(ButtonEnabled(dialog, ID_EDITOR_RECOVER));
    // Stretch and Fit are one check group that follows the viewer.
    Command(dialog, ID_EDITOR_STRETCH);
    EXPECT_TRUE(ButtonChecked(dialog, ID_EDITOR_STRETCH));
    EXPECT_FALSE(ButtonChecked(dialog, ID_EDITOR_FIT));
    EXPECT_FALSE(ButtonEnabled(dialog, ID_EDITOR_NORMAL_SIZE));
    Command(dialog, ID_EDITOR_FIT);
    EXPECT_FALSE(ButtonChecked(dialog, ID_EDITOR_STRETCH));
    EXPECT_TRUE(ButtonChecked(dialog, ID_EDITOR_FIT));
    g_answer = IDNO;
    SendAnswered(AnswerTimer, dialog, WM_CLOSE);
}

TEST_F(EditorFixture, ReadOnlyAndWithoutEnumerator) {
    editor.m_readOnly = 1;
    editor.m_enumerator = 0;
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    // Menu items and toolbar buttons alike.
    for (UINT id : {ID_EDITOR_ROTATE_RIGHT, ID_EDITOR_ROTATE_LEFT, ID_EDITOR_FLIP, ID_EDITOR_MIRROR, ID_EDITOR_CROP,
                    ID_EDITOR_IMAGE_SIZE, ID_EDITOR_SAVE, ID_EDITOR_RECOVER, ID_EDITOR_PRINT,
                    ID_EDITOR_COPY_SELECTION, ID_EDITOR_PREVIOUS, ID_EDITOR_NEXT}) {
        EXPECT_FALSE(ButtonEnabled(dialog, id)) << id;
        EXPECT_FALSE(MenuEnabled(dialog, id)) << id;
    }
    EXPECT_FALSE(MenuEnabled(dialog, ID_EDITOR_SELECT_ALL));
    EXPECT_TRUE(MenuEnabled(dialog, ID_EDITOR_ZOOM_IN));
    EXPECT_TRUE(ButtonEnabled(dialog, ID_EDITOR_ZOOM_IN));
    EXPECT_TRUE(ButtonEnabled(dialog, ID_EDITOR_REFRESH));
    SendMessageA(dialog, WM_CLOSE, 0, 0);
}

// ---- The Image Size dialog, driven from a timer while it runs ----

int g_sizeDialogRuns = 0;

std::string ItemText(HWND dialog, int id) {
    char text[128] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// Answers the message box that the Image Size dialog shows over itself.
HWND g_sizeDialog = nullptr;
BOOL CALLBACK AnswerRefusalBox(HWND window, LPARAM) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (GetWindow(window, GW_OWNER) != g_sizeDialog || lstrcmpA(className, "#32770") != 0) return TRUE;
    ++g_boxes;
    PostMessageA(window, WM_COMMAND, g_answer, 0);
    return FALSE;
}
void CALLBACK AnswerRefusal(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), AnswerRefusalBox, 0);
}

void ChooseUnit(HWND dialog, int combo, int unit) {
    SendDlgItemMessageA(dialog, combo, CB_SETCURSEL, unit, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(combo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(dialog, combo)));
}

// Runs the Image Size command with the script driving its dialog.
void ImageSize(HWND editorDialog, const std::function<void(HWND)>& script) {
    g_sizeDialogRuns = 0;
    WhileDialogShows("Image Size", [&](HWND dialog) {
        ++g_sizeDialogRuns;
        script(dialog);
    }, [&] { SendMessageA(editorDialog, WM_COMMAND, ID_EDITOR_IMAGE_SIZE, 0); });
}

TEST_F(EditorFixture, ImageSizeInPixelsAndPercent) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    std::string before, constrained, percent, halved;
    ImageSize(dialog, [&](HWND size) {
        // 30 x 20 at 24 bits: rows of 92 bytes, 1840 bytes = 1.796875 KB.
        before = ItemText(size, IDC_SIZE_PIXEL_DIMENSIONS);
        EXPECT_EQ(ItemText(size, IDC_SIZE_WIDTH), "30");
        EXPECT_EQ(ItemText(size, IDC_SIZE_HEIGHT), "20");
        SetDlgItemTextA(size, IDC_SIZE_WIDTH, "60");
        // Proportions kept: 40 rows of 180 bytes = 7200 bytes = 7.03125 KB.
        EXPECT_EQ(ItemText(size, IDC_SIZE_HEIGHT), "40");
        constrained = ItemText(size, IDC_SIZE_PIXEL_DIMENSIONS);
        ChooseUnit(size, IDC_SIZE_HEIGHT_UNIT, 1);
        EXPECT_EQ(SendDlgItemMessageA(size, IDC_SIZE_WIDTH_UNIT, CB_GETCURSEL, 0, 0), 1);
        percent = ItemText(size, IDC_SIZE_WIDTH) + "x" + ItemText(size, IDC_SIZE_HEIGHT);
        SetDlgItemTextA(size, IDC_SIZE_WIDTH, "50");
        // 15 x 10: rows of 48 bytes, 480 bytes.
        halved = ItemText(size, IDC_SIZE_HEIGHT) + " " + ItemText(size, IDC_SIZE_PIXEL_DIMENSIONS);
        SendDlgItemMessageA(size, IDC_SIZE_METHOD, CB_SETCURSEL, 0, 0);
        PostMessageA(size, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(g_sizeDialogRuns, 1);
    EXPECT_EQ(before, "Pixel Dimensions: 1.79 KB");
    EXPECT_EQ(constrained, "Pixel Dimensions: 7.03 KB(was 1.79 KB)");
    EXPECT_EQ(percent, "200x200");
    EXPECT_EQ(halved, "50 Pixel Dimensions: 480.00 Bytes(was 1.79 KB)");
    ASSERT_EQ(editor.View().ImageCount(), 1);
    EXPECT_EQ(DibSize(editor.View().ImageAt(0)).width, 15);
    EXPECT_EQ(DibSize(editor.View().ImageAt(0)).height, 10);
    EXPECT_EQ(DibSize(engine.GetImageDIB(0)).width, 30);
    EXPECT_TRUE(MenuEnabled(dialog, ID_EDITOR_SAVE));
    Command(dialog, ID_EDITOR_SAVE);
    EXPECT_EQ(DibSize(engine.GetImageDIB(0)).width, 15);
    Command(dialog, ID_EDITOR_EXIT);
}

TEST_F(EditorFixture, ImageSizeRefusesSidesOutOfRange) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    int stillOpen = 0;
    ImageSize(dialog, [&](HWND size) {
        CheckDlgButton(size, IDC_SIZE_CONSTRAIN, BST_UNCHECKED);
        for (const char* bad : {"0", "", "65536"}) {
            SetDlgItemTextA(size, IDC_SIZE_WIDTH, bad);
            // The refusal is a message box of this thread; answer it as the user would.
            g_answer = IDOK;
            g_boxes = 0;
            g_sizeDialog = size;
            SendAnswered(AnswerRefusal, size, WM_COMMAND, IDOK);
            EXPECT_EQ(g_boxes, 1) << bad;
            stillOpen += IsWindowVisible(size) ? 1 : 0;
        }
        PostMessageA(size, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(stillOpen, 3);
    EXPECT_EQ(DibSize(editor.View().ImageAt(0)).width, 30);
    EXPECT_FALSE(MenuEnabled(dialog, ID_EDITOR_SAVE));
    Command(dialog, ID_EDITOR_EXIT);
    EXPECT_TRUE(editor.IsEditorClosed());
}

TEST_F(EditorFixture, ClosingTheEditorWhileImageSizeIsOpen) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    ImageSize(dialog, [&](HWND size) {
        SetDlgItemTextA(size, IDC_SIZE_WIDTH, "60");
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(g_sizeDialogRuns, 1);
    EXPECT_TRUE(editor.IsEditorClosed());
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(DibSize(engine.GetImageDIB(0)).width, 30);
}

TEST_F(EditorFixture, DeletingTheEditorWhileImageSizeIsOpen) {
    CImageEditor* owned = new CImageEditor();
    HWND dialog = OpenOwned(owned);
    ASSERT_NE(dialog, nullptr);
    // The host goes away while the dialog is open and the user then presses OK in it.
    ImageSize(dialog, [&](HWND size) {
        SetDlgItemTextA(size, IDC_SIZE_WIDTH, "60");
        delete owned;
        if (IsWindow(size)) SendMessageA(size, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(g_sizeDialogRuns, 1);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(DibSize(engine.GetImageDIB(0)).width, 30);
}

// ---- Accelerators of a modeless editor whose host never offers it its messages ----

// The thread's own loop, as a host that knows nothing of the editor runs it; with offer set it
// also hands each message to the editor first, as a host that pre-translates would.
void RunMessages(CImageEditor* offer = nullptr) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (offer && offer->PreTranslateMessage(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void PressKey(HWND window, UINT key) {
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

TEST_F(EditorFixture, ModelessAcceleratorsWithoutTheHost) {
    HWND dialog = Open();
    ASSERT_NE(dialog, nullptr);
    SetActiveWindow(dialog);
    ASSERT_EQ(GetActiveWindow(), dialog);
    Command(dialog, ID_EDITOR_NORMAL_SIZE);
    const float zoom = editor.View().GetZoom();
    // Keypad plus zooms in, once, also when the host offers the message as well.
    PressKey(editor.View().Window(), VK_ADD);
    RunMessages();
    EXPECT_FLOAT_EQ(editor.View().GetZoom(), zoom * 2);
    PressKey(editor.View().Window(), VK_SUBTRACT);
    RunMessages(&editor);
    EXPECT_FLOAT_EQ(editor.View().GetZoom(), zoom);
    // F5 shows the buffer's image again: an edit not saved is dropped.
    Command(dialog, ID_EDITOR_ROTATE_RIGHT);
    EXPECT_EQ(DibSize(editor.View().ImageAt(0)).width, 20);
    PressKey(dialog, VK_F5);
    RunMessages();
    EXPECT_EQ(DibSize(editor.View().ImageAt(0)).width, 30);
    // An editor that is not the active window takes no keys.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    SetActiveWindow(other);
    PressKey(dialog, VK_ADD);
    RunMessages();
    EXPECT_FLOAT_EQ(editor.View().GetZoom(), zoom);
    DestroyWindow(other);
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(editor.IsEditorClosed());
    // Closed: the keys go on to their windows untouched.
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    SetFocus(edit);
    PostMessageA(edit, WM_CHAR, 'x', 1);
    RunMessages();
    char text[8] = {};
    GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "x");
    DestroyWindow(edit);
}

TEST(EditorWithoutEngine, Refused) {
    CImageEditor editor;
    EXPECT_FALSE(editor.ShowImageEditor(nullptr, GetModuleHandleA(nullptr), nullptr));
    EXPECT_EQ(editor.GetErrorCode(), 3);
    TestEngine engine;
    EXPECT_FALSE(editor.ShowImageEditor(&engine, nullptr, nullptr));
    EXPECT_EQ(editor.GetErrorCode(), 6);
    EXPECT_TRUE(editor.IsEditorClosed());
}

}  // namespace
