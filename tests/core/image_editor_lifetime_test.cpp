// The editor window's bookkeeping in the core when the host goes away around it: page script
// runs inside a modal editor and may destroy the control, and an engine may be destroyed with
// modeless editors still open.
#include <gtest/gtest.h>

#include <cstring>
#include <new>

#include "support/dialog_answer.h"
#include "support/test_dib.h"
#include "support/test_engine.h"

namespace {

// A title of this program's own: editors of other test programs share the virtual desktop.
constexpr char kTitle[] = "Editor Lifetime Test";

// An engine whose memory is overwritten when it is deleted and kept until the test frees it, so
// that any touch of it after its destruction reads garbage pointers and fails loudly.
class PoisonedEngine : public TestEngine {
public:
    PoisonedEngine() { lstrcpyA(m_editorTitle, kTitle); }
    void SetModal(LONG modal) { m_editorIfModal = modal; }
    int OpenEditorCount() { return OpenEditors().GetSize(); }
    static void operator delete(void* memory, size_t size) {
        std::memset(memory, 0xDD, size);
        s_graveyard = memory;
    }
    static void Bury() {
        ::operator delete(s_graveyard);
        s_graveyard = nullptr;
    }
    static inline void* s_graveyard = nullptr;
};

PoisonedEngine* g_doomed = nullptr;

void CALLBACK DestroyHostWhenEditorShows(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND editor = FindWindowOfThread(0, kTitle);
    if (!editor || !IsWindowVisible(editor)) return;
    KillTimer(nullptr, timer);
    delete g_doomed;
    g_doomed = nullptr;
}

TEST(EditorLifetime, HostDestroyedInsideTheModalEditor) {
    g_doomed = new PoisonedEngine();
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(g_doomed->AddImage(MakeTestDib(20, 10, 24, 7 + i)));
    g_doomed->SetModal(1);
    SetTimer(nullptr, 0, 30, DestroyHostWhenEditorShows);
    PoisonedEngine* engine = g_doomed;
    // The call returns once the editor has gone with its host and touches neither.
    EXPECT_TRUE(engine->ShowImageEditor(nullptr));
    EXPECT_EQ(g_doomed, nullptr);
    EXPECT_EQ(FindWindowOfThread(0, kTitle), nullptr);
    PoisonedEngine::Bury();
}

TEST(EditorLifetime, AModalEditorDeletedWithItsHostGivesItsOwnerItsInputBack) {
    // The owner stands for the browser's frame, which the modal editor disables while it runs.
    HWND owner = CreateWindowExA(0, "STATIC", "Editor Lifetime Owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    g_doomed = new PoisonedEngine();
    ASSERT_TRUE(g_doomed->AddImage(MakeTestDib(20, 10, 24, 5)));
    g_doomed->SetModal(1);
    SetTimer(nullptr, 0, 30, DestroyHostWhenEditorShows);
    PoisonedEngine* engine = g_doomed;
    EXPECT_TRUE(engine->ShowImageEditor(owner));
    EXPECT_EQ(g_doomed, nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
    PoisonedEngine::Bury();
}

TEST(EditorLifetime, ModelessEditorsCloseWithTheirEngine) {
    auto* engine = new PoisonedEngine();
    ASSERT_TRUE(engine->AddImage(MakeTestDib(20, 10, 24, 3)));
    engine->SetModal(0);
    ASSERT_TRUE(engine->ShowImageEditor(nullptr));
    ASSERT_TRUE(engine->ShowImageEditor(nullptr));
    EXPECT_EQ(engine->OpenEditorCount(), 2);
    HWND first = FindWindowOfThread(0, kTitle);
    ASSERT_NE(first, nullptr);
    // Closing one leaves it in the list until the next open, which deletes it.
    SendMessageA(first, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(first));
    ASSERT_TRUE(engine->ShowImageEditor(nullptr));
    EXPECT_EQ(engine->OpenEditorCount(), 2);
    delete engine;
    EXPECT_EQ(FindWindowOfThread(0, kTitle), nullptr);
    PoisonedEngine::Bury();
}

}  // namespace
