// The file dialogs: through a scripted stand-in (what the engine asks of the dialog and what it
// does with the answer) and once for real under the Wine desktop.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "file_io_fixture.h"
#include "support/dialog_answer.h"
#include "support/test_dib.h"

namespace {

// The scripted dialogs: they keep what they were asked and answer with a prepared buffer.
struct Script {
    bool answer = true;
    std::vector<char> result;  // copied into lpstrFile
    OPENFILENAMEA asked{};
    std::vector<std::string> filter;  // the filter's texts up to the double NUL
    std::string initialFile, initialDir, defExt;
    int calls = 0;
};
Script g_script;

BOOL WINAPI Scripted(OPENFILENAMEA* ofn) {
    ++g_script.calls;
    g_script.asked = *ofn;
    g_script.filter.clear();
    for (const char* p = ofn->lpstrFilter; p && *p; p += std::strlen(p) + 1) g_script.filter.push_back(p);
    g_script.initialFile = ofn->lpstrFile ? ofn->lpstrFile : "";
    g_script.initialDir = ofn->lpstrInitialDir ? ofn->lpstrInitialDir : "";
    g_script.defExt = ofn->lpstrDefExt ? ofn->lpstrDefExt : "";
    if (!g_script.answer) return FALSE;
    std::memcpy(ofn->lpstrFile, g_script.result.data(), g_script.result.size());
    return TRUE;
}

const FileDialogApi kScripted = {Scripted, Scripted};

std::vector<char> Answer(std::initializer_list<std::string> parts) {
    std::vector<char> bytes;
    for (const std::string& p : parts) {
        bytes.insert(bytes.end(), p.begin(), p.end());
        bytes.push_back('\0');
    }
    bytes.push_back('\0');
    return bytes;
}

class Dialogs : public testing::Test {
protected:
    void SetUp() override {
        g_script = Script{};
        engine = MakeEngine(Route::kControl, &LinkedGdiplusApi());
        engine->SetFileDialogApi(&kScripted);
        folder = ScratchFolder();
    }
    std::unique_ptr<FileEngine> engine;
    std::string folder;
};

TEST_F(Dialogs, NoDialogUnlessAskedFor) {
    ASSERT_TRUE(engine->AddImage(MakeTestDib(4, 4, 24)));
    ASSERT_TRUE(engine->SaveAsBMP((folder + "quiet.bmp").c_str(), 0));
    EXPECT_EQ(g_script.calls, 0);
}

TEST_F(Dialogs, SaveDialogOfAType) {
    ASSERT_TRUE(engine->AddImage(MakeTestDib(4, 4, 24)));
    engine->m_ifShowFileDialog = 1;
    std::string chosen = folder + "chosen.jpg";
    g_script.result = Answer({chosen});
    // The initial folder is split at "/" as well as "\".
    ASSERT_TRUE(engine->SaveAsJPEG("C:/scans/first.jpg", 0, 80)) << engine->GetErrorCode();
    EXPECT_EQ(g_script.filter, (std::vector<std::string>{"JPEG (*.jpg;*.jpeg;*.jpe;*.jfif)", "*.jpg;*.jpeg;*.jpe;*.jfif"}));
    EXPECT_EQ(g_script.initialDir, "C:/scans");
    EXPECT_EQ(g_script.initialFile, "C:/scans/first.jpg");
    EXPECT_EQ(g_script.defExt, "jpg");
    EXPECT_EQ(g_script.asked.Flags, 0x880806u);
    EXPECT_EQ(g_script.asked.nFilterIndex, 1u);
    EXPECT_EQ(g_script.asked.lStructSize, DWORD(OPENFILENAME_SIZE_VERSION_400A));
    EXPECT_EQ(ReadBytes(chosen).size() > 100, true);
    // Cancel: nothing written, -2115.
    g_script.answer = false;
    EXPECT_FALSE(engine->SaveAsBMP((folder + "never.bmp").c_str(), 0));
    EXPECT_EQ(engine->GetErrorCode(), -2115);
    EXPECT_EQ(GetFileAttributesA((folder + "never.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Dialogs, OpenDialogWithSeveralFiles) {
    engine->m_ifShowFileDialog = 1;
    std::string files = TestFile("");
    files.pop_back();  // the folder without its "\"
    g_script.result = Answer({files, "rose3.bmp", "rose.png", "missing.jpg"});
    EXPECT_FALSE(engine->LoadImageEx("C:\\start", OSTRL_TIF));
    EXPECT_EQ(engine->GetErrorCode(), -2116);  // some, not all, failed
    EXPECT_EQ(engine->GetImageCount(), 2);
    EXPECT_EQ(g_script.asked.Flags, 0x881A04u);
    EXPECT_EQ(g_script.asked.nFilterIndex, 4u);
    EXPECT_EQ(g_script.initialDir, "C:\\start");
    ASSERT_EQ(g_script.filter.size(), 14u);
    EXPECT_EQ(g_script.filter[0], "Supported files (*.bmp;*.jpg;*.jpeg;*.jpe;*.jfif;*.tif;*.tiff;*.png;*.pdf)");
    EXPECT_EQ(g_script.filter[12], "All files (*.*)");
    ASSERT_EQ(engine->PathRecordCount(), 3);
    EXPECT_EQ(engine->PathRecord(0).type, OSTRL_BMP);
    EXPECT_EQ(engine->PathRecord(1).type, OSTRL_PNG);
    EXPECT_EQ(engine->PathRecord(2).type, OSTRL_JPG);
    ASSERT_EQ(engine->postLoads.size(), 3u);
    EXPECT_EQ(engine->postLoads[1].folder, files);
    EXPECT_EQ(engine->postLoads[1].name, "rose.png");
    // Cancel.
    g_script.answer = false;
    EXPECT_FALSE(engine->LoadImageEx("C:\\start", -1));
    EXPECT_EQ(engine->GetErrorCode(), -2115);
}

TEST_F(Dialogs, ShowFileDialogReportsEachPath) {
    g_script.result = Answer({"C:\\pics", "a.png", "b.tif"});
    EXPECT_TRUE(engine->ShowFileDialog(FALSE, "Images|*.png;*.tif|All|*.*|", 2, "png", "C:\\pics", TRUE, FALSE, 0));
    EXPECT_EQ(g_script.filter, (std::vector<std::string>{"Images", "*.png;*.tif", "All", "*.*"}));
    EXPECT_EQ(g_script.asked.nFilterIndex, 2u);
    EXPECT_EQ(g_script.asked.lpstrDefExt, nullptr);
    ASSERT_EQ(engine->filePaths.size(), 2u);
    EXPECT_EQ(engine->filePaths[1].count, 2);
    EXPECT_EQ(engine->filePaths[1].index, 1);
    EXPECT_EQ(engine->filePaths[1].folder, "C:\\pics");
    EXPECT_EQ(engine->filePaths[1].name, "b.tif");

    engine->filePaths.clear();
    g_script.result = Answer({"D:\\out\\page.pdf"});
    EXPECT_TRUE(engine->ShowFileDialog(TRUE, "PDF|*.pdf", 1, "pdf", "D:\\out", FALSE, TRUE, 0));
    EXPECT_EQ(g_script.initialFile, "D:\\out");
    EXPECT_EQ(g_script.asked.Flags, 0x880806u);
    ASSERT_EQ(engine->filePaths.size(), 1u);
    EXPECT_EQ(engine->filePaths[0].save, TRUE);
    EXPECT_EQ(engine->filePaths[0].folder, "D:\\out");
    EXPECT_EQ(engine->filePaths[0].name, "page.pdf");

    engine->filePaths.clear();
    g_script.answer = false;
    EXPECT_FALSE(engine->ShowFileDialog(TRUE, "PDF|*.pdf", 1, "pdf", "D:\\out", FALSE, TRUE, 0));
    ASSERT_EQ(engine->filePaths.size(), 1u);
    EXPECT_EQ(engine->filePaths[0].count, 0);
    EXPECT_EQ(engine->filePaths[0].index, -1);
    EXPECT_EQ(engine->filePaths[0].folder, "D:\\out");
    EXPECT_EQ(engine->GetErrorCode(), -2115);
}

TEST_F(Dialogs, HookAndTemplateFlagsNeverReachTheDialog) {
    // Such flags would make the dialog call a hook address or load a template the caller names.
    const DWORD refused = OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_ENABLETEMPLATEHANDLE;
    g_script.result = Answer({"C:\\pics\\a.png"});
    EXPECT_TRUE(engine->ShowFileDialog(FALSE, "Images|*.png", 1, "png", "C:\\pics", FALSE, FALSE,
                                       refused | OFN_READONLY));
    EXPECT_EQ(g_script.asked.Flags, DWORD(OFN_READONLY));
    g_script.result = Answer({"C:\\pics\\b.png"});
    EXPECT_TRUE(engine->ShowFileDialog(TRUE, "Images|*.png", 1, "png", "C:\\pics", FALSE, TRUE, refused));
    EXPECT_EQ(g_script.asked.Flags, 0u);
    EXPECT_EQ(g_script.calls, 2);
}

// What a dialog is given and what it answers is held to the engine's path rule: a path that does
// not fit whole is refused with -1034, never cut to another file's name.
TEST_F(Dialogs, PathsThatDoNotFitAreRefusedOnBothSidesOfTheDialog) {
    ASSERT_TRUE(engine->AddImage(MakeTestDib(4, 4, 24)));
    // The initial folder is also the save dialog's initial file name: 259 characters are offered
    // whole, 260 are refused before any dialog shows, and reported as a cancel.
    const std::string initial = "C:\\" + std::string(120, 'f') + "\\" + std::string(135, 'g');
    ASSERT_EQ(initial.size(), 259u);
    g_script.answer = false;
    EXPECT_FALSE(engine->ShowFileDialog(TRUE, "PDF|*.pdf", 1, "pdf", initial.c_str(), FALSE, TRUE, 0));
    EXPECT_EQ(g_script.calls, 1);
    EXPECT_EQ(g_script.initialFile, initial);
    EXPECT_EQ(engine->GetErrorCode(), -2115);
    engine->filePaths.clear();
    for (BOOL save : {TRUE, FALSE}) {
        EXPECT_FALSE(engine->ShowFileDialog(save, "PDF|*.pdf", 1, "pdf", (initial + "h").c_str(), FALSE, TRUE, 0));
        EXPECT_EQ(engine->GetErrorCode(), -1034);
    }
    EXPECT_EQ(g_script.calls, 1);
    ASSERT_EQ(engine->filePaths.size(), 2u);
    EXPECT_EQ(engine->filePaths[0].count, 0);
    EXPECT_EQ(engine->filePaths[0].index, -1);
    EXPECT_EQ(engine->filePaths[0].folder, "");

    // A save dialog's answer with a file name longer than a name may be: refused, nothing written.
    engine->m_ifShowFileDialog = 1;
    g_script.answer = true;
    const std::string answer = "C:\\" + std::string(256, 'n');
    g_script.result = Answer({answer});
    EXPECT_FALSE(engine->SaveAsPDF((folder + "asked.pdf").c_str(), 0, nullptr, 0, 80));
    EXPECT_EQ(engine->GetErrorCode(), -1034);
    EXPECT_EQ(GetFileAttributesA(answer.substr(0, 255).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((folder + "asked.pdf").c_str()), INVALID_FILE_ATTRIBUTES);

    // Several files chosen in the open dialog: a folder and name that do not fit together refuse
    // the whole choice, and nothing is loaded, not even the files that fit.
    std::string files = TestFile("");
    files.pop_back();
    const std::string longName = std::string(259 - files.size(), 'x') + ".bmp";
    g_script.result = Answer({files, "rose3.bmp", longName});
    const int count = engine->GetImageCount();
    EXPECT_FALSE(engine->LoadImageEx("C:\\start", -1));
    EXPECT_EQ(engine->GetErrorCode(), -1034);
    EXPECT_EQ(engine->GetImageCount(), count);
    EXPECT_TRUE(engine->postLoads.empty());
    engine->filePaths.clear();
    EXPECT_FALSE(engine->ShowFileDialog(FALSE, "Images|*.bmp", 1, "", "C:\\start", TRUE, FALSE, 0));
    EXPECT_EQ(engine->GetErrorCode(), -1034);
    ASSERT_EQ(engine->filePaths.size(), 1u);
    EXPECT_EQ(engine->filePaths[0].count, 0);
}

// The real open dialog, cancelled from a second thread once it shows.
TEST(RealDialog, OpenDialogShowsAndCancels) {
    auto engine = MakeEngine(Route::kControl, &LinkedGdiplusApi());
    DialogAnswerer closer(GetCurrentThreadId(), nullptr,
                          [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
    BOOL chosen = engine->ShowFileDialog(FALSE, "Images|*.bmp", 1, "", "C:\\", FALSE, FALSE, 0);
    EXPECT_TRUE(closer.Finish());
    EXPECT_FALSE(chosen);
    EXPECT_EQ(engine->GetErrorCode(), -2115);
    ASSERT_EQ(engine->filePaths.size(), 1u);
    EXPECT_EQ(engine->filePaths[0].index, -1);
}

}  // namespace
