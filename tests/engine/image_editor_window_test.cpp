// The image editor window driven by commands as the menu and the accelerators send them, under the
// virtual desktop: what the buffer holds afterwards is checked against images made by the test.
#include <gtest/gtest.h>

#include "lumetta_win.h"

#include "engine/image_editor.h"
#include "resources/resource_ids.h"
#include "support/test_dib.h"
#include "support/test_engine.h"

namespace {

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

// Answers the next message box of this thread with a button, from a timer.
WORD g_answer = 0;
int g_boxes = 0;
BOOL CALLBACK AnswerBox(HWND window, LPARAM) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") == 0 && IsWindowVisible(window) && GetDlgItem(window, IDCANCEL)) {
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
    }
    HWND Open() {
        EXPECT_TRUE(editor.ShowImageEditor(&engine, GetModuleHandleA(nullptr), nullptr));
        return editor.IsEditorClosed() ? nullptr : GetActiveWindow();
    }
    static void Command(HWND dialog, UINT id) { SendMessageA(dialog, WM_COMMAND, id, 0); }
    HWND EditorWindow() { return FindWindowA(nullptr, editor.m_title); }

    TestEngine engine;
    CImageEditor editor;
};

TEST_F(EditorFixture, EditsStayInTheEditorUntilSaved) {
    Open();
    HWND dialog = EditorWindow();
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
    Open();
    HWND dialog = EditorWindow();
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

TEST_F(EditorFixture, ReadOnlyAndWithoutEnumerator) {
    editor.m_readOnly = 1;
    editor.m_enumerator = 0;
    Open();
    HWND dialog = EditorWindow();
    ASSERT_NE(dialog, nullptr);
    for (UINT id : {ID_EDITOR_ROTATE_RIGHT, ID_EDITOR_ROTATE_LEFT, ID_EDITOR_FLIP, ID_EDITOR_MIRROR, ID_EDITOR_CROP,
                    ID_EDITOR_SAVE, ID_EDITOR_RECOVER, ID_EDITOR_PRINT, ID_EDITOR_COPY_SELECTION, ID_EDITOR_SELECT_ALL,
                    ID_EDITOR_PREVIOUS, ID_EDITOR_NEXT})
        EXPECT_FALSE(MenuEnabled(dialog, id)) << id;
    EXPECT_TRUE(MenuEnabled(dialog, ID_EDITOR_ZOOM_IN));
    SendMessageA(dialog, WM_CLOSE, 0, 0);
}

TEST_F(EditorFixture, BufferChangesReachAnOpenEditor) {
    // The core refreshes its open editors after every buffer change; here the test does.
    Open();
    HWND dialog = EditorWindow();
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
    UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerTimer);
    Command(dialog, ID_EDITOR_EXIT);
    KillTimer(nullptr, timer);
    EXPECT_EQ(g_boxes, 1);
    EXPECT_TRUE(editor.IsEditorClosed());
}

TEST_F(EditorFixture, SaveQuestion) {
    Open();
    HWND dialog = EditorWindow();
    ASSERT_NE(dialog, nullptr);
    Command(dialog, ID_EDITOR_ROTATE_RIGHT);
    // Cancel keeps the editor on the same image with its changes.
    g_answer = IDCANCEL;
    g_boxes = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerTimer);
    Command(dialog, ID_EDITOR_NEXT);
    KillTimer(nullptr, timer);
    EXPECT_EQ(g_boxes, 1);
    EXPECT_EQ(engine.GetCurrentImageIndex(), 0);
    EXPECT_EQ(DibSize(editor.View().ImageAt(0)).width, 20);
    // Yes saves before closing.
    g_answer = IDYES;
    timer = SetTimer(nullptr, 0, 50, AnswerTimer);
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(editor.IsEditorClosed());
    EXPECT_EQ(DibSize(engine.GetImageDIB(0)).width, 20);
}

TEST_F(EditorFixture, DeletingTheEditorWhileItsQuestionIsOpen) {
    auto* owned = new CImageEditor();
    owned->m_modal = 0;
    ASSERT_TRUE(owned->ShowImageEditor(&engine, GetModuleHandleA(nullptr), nullptr));
    HWND dialog = FindWindowA(nullptr, owned->m_title);
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

TEST_F(EditorFixture, ModalEditorReturnsWhenClosed) {
    editor.m_modal = 1;
    struct Closer {
        static void CALLBACK Tick(HWND, UINT, UINT_PTR timer, DWORD) {
            HWND dialog = FindWindowA(nullptr, "Lumetta Image Editor");
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
