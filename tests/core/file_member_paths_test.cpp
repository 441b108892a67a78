// The file members of both hosts with paths at the edge of what fits: the longest path a member
// takes is used whole (the file is written and read under exactly that name), one character more
// is refused with -1034 and touches nothing: no file written, an existing file of the name the
// path would have been cut to left as it was, no folder made.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/test_dib.h"
#include "support/test_engine.h"

namespace {

// A folder of this process's own below the temporary folder, removed after each test.
std::string WorkFolder() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "lumetta_paths_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// A path of exactly length characters: below folder + "\" + root, in folders of at most 100
// characters, ending in a file name of at least 20 characters and the extension (so that a path
// cut by one character loses part of its extension).
std::string PathOfLength(const std::string& folder, const std::string& root, size_t length, const std::string& ext) {
    std::string path = folder + "\\" + root;
    while (length - path.size() > 140) path += "\\" + std::string(100, 'd');
    path += "\\";
    return path + std::string(length - path.size() - ext.size(), 'n') + ext;
}

void MakeFoldersOf(const std::string& path) {
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadAll(const std::string& path) {
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    char chunk[4096];
    DWORD done = 0;
    while (ReadFile(file, chunk, sizeof chunk, &done, nullptr) && done > 0) bytes.append(chunk, done);
    CloseHandle(file);
    return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD done = 0;
    WriteFile(file, bytes.data(), DWORD(bytes.size()), &done, nullptr);
    CloseHandle(file);
}

// The names in a folder, "." and ".." left out.
std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

void RemoveTree(const std::string& folder) {
    for (const std::string& name : NamesIn(folder)) {
        const std::string path = folder + "\\" + name;
        if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
        else DeleteFileA(path.c_str());
    }
    RemoveDirectoryA(folder.c_str());
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }
std::string NameOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

using Path = std::string_view;  // the member functions of the scripting core take the page's text

struct FileMember {
    const char* name;
    size_t longest;  // the longest path the member takes, in characters
    const char* ext;
    std::function<BOOL(TestEngine&, const std::string&)> call;
};

// Every save member: the five whose file name buffer is 256 bytes take 255 characters, the others
// a whole engine path (259 characters).
const std::vector<FileMember>& SaveMembers() {
    static const std::vector<FileMember> members = {
        {"SaveAsBMP", 255, ".bmp", [](TestEngine& e, Path p) { return e.SaveAsBMP(p, 0); }},
        {"SaveAsJPEG", 255, ".jpg", [](TestEngine& e, Path p) { return e.SaveAsJPEG(p, 0); }},
        {"SaveAsPNG", 255, ".png", [](TestEngine& e, Path p) { return e.SaveAsPNG(p, 0); }},
        {"SaveAsTIFF", 255, ".tif", [](TestEngine& e, Path p) { return e.SaveAsTIFF(p, 0); }},
        {"SaveAllAsMultiPageTIFF", 255, ".tif",
         [](TestEngine& e, Path p) { return e.SaveAllAsMultiPageTIFF(p); }},
        {"SaveAsPDF", 259, ".pdf", [](TestEngine& e, Path p) { return e.SaveAsPDF(p, 0); }},
        {"SaveAllAsPDF", 259, ".pdf", [](TestEngine& e, Path p) { return e.SaveAllAsPDF(p); }},
        {"SaveSelectedImagesAsMultiPageTIFF", 259, ".tif",
         [](TestEngine& e, Path p) { return e.SaveSelectedImagesAsMultiPageTIFF(p); }},
        {"SaveSelectedImagesAsMultiPagePDF", 259, ".pdf",
         [](TestEngine& e, Path p) { return e.SaveSelectedImagesAsMultiPagePDF(p); }},
    };
    return members;
}

class FileMemberPaths : public testing::Test {
protected:
    void SetUp() override {
        folder = WorkFolder();
        ASSERT_TRUE(engine.AddImage(MakeTestDib(24, 16, 24)));
        ASSERT_EQ(engine.SelectedIndexList().size(), 1u);
    }
    void TearDown() override { RemoveTree(folder); }
    TestEngine engine;
    std::string folder;
};

TEST_F(FileMemberPaths, EverySaveWritesTheLongestPathWhole) {
    for (const FileMember& m : SaveMembers()) {
        const std::string path = PathOfLength(folder, std::string("fit") + m.name, m.longest, m.ext);
        ASSERT_EQ(path.size(), m.longest);
        EXPECT_TRUE(m.call(engine, path)) << m.name << ": " << engine.GetErrorCode();
        EXPECT_EQ(engine.GetErrorCode(), 0) << m.name;
        // Written under exactly that name, and nothing beside it.
        EXPECT_EQ(NamesIn(FolderOf(path)), std::vector<std::string>{NameOf(path)}) << m.name;
        EXPECT_GT(ReadAll(path).size(), 8u) << m.name;
    }
}

TEST_F(FileMemberPaths, EverySaveRefusesOneCharacterMore) {
    for (const FileMember& m : SaveMembers()) {
        // A file under the name the path would be cut to is kept byte for byte.
        const std::string over = PathOfLength(folder, std::string("old") + m.name, m.longest + 1, m.ext);
        const std::string cut = over.substr(0, m.longest);
        MakeFoldersOf(cut);
        WriteAll(cut, "kept as it was");
        EXPECT_FALSE(m.call(engine, over)) << m.name;
        EXPECT_EQ(engine.GetErrorCode(), -1034) << m.name;
        EXPECT_EQ(ReadAll(cut), "kept as it was") << m.name;
        EXPECT_EQ(NamesIn(FolderOf(cut)), std::vector<std::string>{NameOf(cut)}) << m.name;
        // Below a folder that is not there yet no folder is made.
        const std::string fresh = PathOfLength(folder, std::string("new") + m.name, m.longest + 1, m.ext);
        EXPECT_FALSE(m.call(engine, fresh)) << m.name;
        EXPECT_EQ(engine.GetErrorCode(), -1034) << m.name;
        EXPECT_FALSE(Exists(folder + "\\new" + m.name)) << m.name;
    }
}

// The loads read the longest path whole; one character more is refused before anything is read,
// even when a readable image lies under the cut name.
TEST_F(FileMemberPaths, LoadsReadTheLongestPathAndRefuseOneMore) {
    const std::string path = PathOfLength(folder, "load", 259, ".pdf");
    ASSERT_TRUE(engine.SaveAsPDF(std::string_view(path), 0)) << engine.GetErrorCode();
    const auto holdNothing = [](bool) {};
    EXPECT_TRUE(engine.LoadImage(std::string_view(path), holdNothing)) << engine.GetErrorCode();
    EXPECT_TRUE(engine.LoadImageEx(std::string_view(path), 4, holdNothing)) << engine.GetErrorCode();
    EXPECT_EQ(engine.GetImageCount(), 3);

    const std::string over = PathOfLength(folder, "loadcut", 260, ".pdf");
    MakeFoldersOf(over);
    ASSERT_TRUE(engine.SaveAsPDF(std::string_view(over.substr(0, 259)), 0));
    const std::string before = ReadAll(over.substr(0, 259));
    EXPECT_FALSE(engine.LoadImage(std::string_view(over), holdNothing));
    EXPECT_EQ(engine.GetErrorCode(), -1034);
    for (SHORT type : {SHORT(4), SHORT(-1)}) {
        EXPECT_FALSE(engine.LoadImageEx(std::string_view(over), type, holdNothing)) << type;
        EXPECT_EQ(engine.GetErrorCode(), -1034) << type;
    }
    EXPECT_EQ(engine.GetImageCount(), 3);
    EXPECT_EQ(ReadAll(over.substr(0, 259)), before);
}

// A type outside 0 to 5 loads nothing, whatever the extension says, and is no failure.
TEST_F(FileMemberPaths, LoadImageExOfAnotherTypeLoadsNothing) {
    const std::string path = PathOfLength(folder, "other", 120, ".pdf");
    ASSERT_TRUE(engine.SaveAsPDF(std::string_view(path), 0));
    const auto holdNothing = [](bool) {};
    for (SHORT type : {SHORT(-1), SHORT(6), SHORT(32767)}) {
        EXPECT_TRUE(engine.LoadImageEx(std::string_view(path), type, holdNothing)) << type;
        EXPECT_EQ(engine.GetErrorCode(), 0) << type;
    }
    EXPECT_EQ(engine.GetImageCount(), 1);
}

}  // namespace
