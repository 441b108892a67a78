#include "language_pack_checks.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "upload_test_support.h"

namespace {

// The codes and texts as the install reports them (independent of the code under test: -2120 is
// the add-on's failure code, the texts are the unpacker's messages).
constexpr long kInstallFailed = -2120;

std::string NewFolder(const std::string& name) {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    std::string folder = std::string(base) + name + "_" + std::to_string(GetCurrentProcessId()) + "_" +
                         std::to_string(GetTickCount());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// Every file below a folder, as paths relative to it.
void ListFiles(const std::string& folder, const std::string& prefix, std::vector<std::string>& out) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(folder + "\\" + name, prefix + name + "\\", out);
        else
            out.push_back(prefix + name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    ListFiles(folder, "", files);
    return files;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A folder below base whose path is length characters long, in folders of at most 100.
std::string FolderOfLength(const std::string& base, size_t length) {
    std::string folder = base;
    while (folder.size() < length) {
        const size_t room = length - folder.size();
        if (room == 1) {
            folder += "g";
            break;
        }
        folder.push_back('\\');
        folder.append(room - 1 > 100 ? 100 : room - 1, 'f');
    }
    return folder;
}

}  // namespace

void CheckLanguagePackInstall(LanguagePackRoute& route) {
    const char* addOns = std::getenv("LUMETTA_ADDON_FOLDER");
    ASSERT_NE(addOns, nullptr) << "LUMETTA_ADDON_FOLDER names the stand-in libraries' folder";
    const LoopbackServers servers = ReadLoopbackServers();
    ASSERT_NE(servers.http, 0);
    route.SetHttpPort(servers.http);
    route.SetAddOnFolder(addOns);
    const std::string sandbox = NewFolder("lumetta_lang");

    // A deflated pack: downloaded, unpacked byte for byte, the zip removed, the language used.
    const std::string data = sandbox + "\\data";
    route.SetDataFolder(data);
    route.SetLanguage("eng");
    EXPECT_EQ(route.RecogniseFiles("C:\\page.tif"), "");
    EXPECT_EQ(route.ErrorCode(), kInstallFailed);
    ASSERT_TRUE(route.Download("127.0.0.1", "/dl/lang/eng.zip", true)) << route.ErrorCode() << " " << route.ErrorText();
    EXPECT_EQ(route.ErrorCode(), 0);
    EXPECT_TRUE(ReadWholeFile(data + "\\tessdata\\eng.traineddata") ==
                ReadWholeFile(LoopbackPath("files\\lang\\eng.traineddata")));
    EXPECT_FALSE(Exists(data + "\\eng.zip"));
    EXPECT_EQ(route.RecogniseFiles("C:\\page.tif"),
              "files=1 [C:\\page.tif] format=0 data=" + data + "\\ lang=eng psm=3 font= detect=1");

    // With the data present and the only-if-missing flag, nothing is asked of the server. Other
    // programs use the same server meanwhile: only a request of this path would be this one's.
    const size_t before = RecordedRequestCount();
    const std::string onlyIfMissing = "/dl/lang/eng.zip?present=" + std::to_string(GetCurrentProcessId());
    EXPECT_TRUE(route.Download("127.0.0.1", onlyIfMissing, true));
    EXPECT_TRUE(RecordedRequestsAfter(before, onlyIfMissing).empty());

    // A stored pack of another language.
    route.SetLanguage("deu");
    ASSERT_TRUE(route.Download("127.0.0.1", "/dl/lang/deu.zip", false)) << route.ErrorText();
    EXPECT_TRUE(ReadWholeFile(data + "\\tessdata\\deu.traineddata") ==
                ReadWholeFile(LoopbackPath("files\\lang\\deu.traineddata")));
    EXPECT_NE(route.RecogniseFiles("C:\\page.tif").find(" lang=deu "), std::string::npos);

    // With HTTP credentials: a pack the server sends on to another host, which asks for them
    // again, gets none there and is not installed; one sent on within the server is. The
    // routes under /auth/ ask for the Basic credentials scanuser / scan:pass.
    route.SetHttpCredentials("scanuser", "scan:pass");
    const std::string guarded = sandbox + "\\guarded";
    route.SetDataFolder(guarded);
    route.SetLanguage("eng");
    const std::string tag = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    const size_t asked = RecordedRequestCount();
    EXPECT_FALSE(route.Download("127.0.0.1", "/auth/redirect/302/auth/dl/lang/eng.zip?moved=" + tag, false));
    EXPECT_EQ(route.ErrorCode(), -2003);
    EXPECT_FALSE(Exists(guarded + "\\tessdata\\eng.traineddata"));
    const auto there = RecordedRequestsAfter(asked, "/auth/dl/lang/eng.zip?moved=" + tag);
    ASSERT_EQ(there.size(), 1u) << "the other host was asked again";
    EXPECT_EQ(there[0].Header("Host"), "127.0.0.2:" + std::to_string(servers.other));
    bool carried = true;
    there[0].Header("Authorization", &carried);
    EXPECT_FALSE(carried) << there[0].Header("Authorization");
    EXPECT_TRUE(route.Download("127.0.0.1", "/auth/redirect/same/auth/dl/lang/eng.zip?same=" + tag, false))
        << route.ErrorCode() << " " << route.ErrorText();
    EXPECT_TRUE(ReadWholeFile(guarded + "\\tessdata\\eng.traineddata") ==
                ReadWholeFile(LoopbackPath("files\\lang\\eng.traineddata")));
    route.SetHttpCredentials("", "");
    route.SetDataFolder(data);
    DeleteFileA((guarded + "\\tessdata\\eng.traineddata").c_str());

    // A pack the server does not have: the download's own failure, no zip left behind.
    route.SetLanguage("fra");
    EXPECT_FALSE(route.Download("127.0.0.1", "/dl/lang/fra.zip", false));
    EXPECT_NE(route.ErrorCode(), 0);
    EXPECT_NE(route.ErrorCode(), kInstallFailed);
    EXPECT_FALSE(Exists(data + "\\fra.zip"));

    // A pack without the current language's data: the install is the unpack's, and succeeds;
    // recognition then names the missing file.
    const std::string other = sandbox + "\\other";
    route.SetDataFolder(other);
    route.SetLanguage("fra");
    EXPECT_TRUE(route.Download("127.0.0.1", "/dl/lang/deu.zip", false)) << route.ErrorText();
    EXPECT_EQ(route.ErrorCode(), 0);
    EXPECT_TRUE(Exists(other + "\\tessdata\\deu.traineddata"));
    EXPECT_FALSE(Exists(other + "\\deu.zip"));
    EXPECT_FALSE(Exists(other + "\\fra.zip"));
    EXPECT_EQ(route.RecogniseFiles("C:\\page.tif"), "");
    EXPECT_EQ(route.ErrorCode(), kInstallFailed);
    EXPECT_EQ(route.ErrorText(), "Cannot find current language data " + other + "\\tessdata\\fra.traineddata");

    // A data folder whose "tessdata" folder would not fit a path is refused and the setting kept;
    // a pack with an entry whose path would not fit below the data folder writes none of them.
    route.SetLanguage("eng");
    route.SetDataFolder(FolderOfLength(sandbox, 251));
    EXPECT_EQ(route.ErrorCode(), -1034);
    route.SetDataFolder(sandbox + "\\" + std::string(256, 'n'));
    EXPECT_EQ(route.ErrorCode(), -1034);
    EXPECT_EQ(route.RecogniseFiles("C:\\page.tif"), "");
    EXPECT_EQ(route.ErrorText(), "Cannot find current language data " + other + "\\tessdata\\eng.traineddata");
    const std::string deep = sandbox + "\\longname\\data";
    route.SetDataFolder(deep);
    EXPECT_EQ(route.ErrorCode(), 0);
    EXPECT_FALSE(route.Download("127.0.0.1", "/dl/lang/longname.zip", false));
    EXPECT_EQ(route.ErrorCode(), kInstallFailed);
    EXPECT_EQ(route.ErrorText(), "Failed(206) to unzip the specified file \"" + deep + "\\eng.zip\"");
    EXPECT_EQ(FilesBelow(sandbox + "\\longname"), std::vector<std::string>{});
    EXPECT_FALSE(Exists(deep + "\\tessdata"));

    // A data folder that fits, and a language whose pack below it would not: refused with -1034
    // before the server is asked or any folder made. One character less is downloaded (the server
    // has no such pack: the download's own failure) and leaves no zip behind.
    const std::string tight = FolderOfLength(sandbox + "\\tight", 250);
    route.SetDataFolder(tight);
    EXPECT_EQ(route.ErrorCode(), 0);
    const std::string tightQuery = "?tight=" + std::to_string(GetCurrentProcessId());
    const size_t beforeTight = RecordedRequestCount();
    // The download's local path takes 258 characters: the pack's path here has 259.
    route.SetLanguage("abcd");
    EXPECT_FALSE(route.Download("127.0.0.1", "/dl/lang/abcd.zip" + tightQuery, false));
    EXPECT_EQ(route.ErrorCode(), -1034);
    EXPECT_FALSE(Exists(sandbox + "\\tight"));
    EXPECT_TRUE(RecordedRequestsAfter(beforeTight, "/dl/lang/abcd.zip" + tightQuery).empty());
    route.SetLanguage("abc");
    EXPECT_FALSE(route.Download("127.0.0.1", "/dl/lang/abc.zip" + tightQuery, false));
    EXPECT_NE(route.ErrorCode(), -1034);
    EXPECT_NE(route.ErrorCode(), 0);
    EXPECT_EQ(RecordedRequestsAfter(beforeTight, "/dl/lang/abc.zip" + tightQuery).size(), 1u);
    EXPECT_EQ(FilesBelow(sandbox + "\\tight"), std::vector<std::string>{});
    route.SetLanguage("eng");

    // Hostile and damaged packs: refused with -2120 and the unpacker's text (its reason goes to
    // the debug log), nothing written anywhere, not even the good entries in front of a bad one,
    // and recognition still finds no data.
    const char* const hostile[] = {"absolute", "drive", "dotdot", "backslash", "longer",
                                   "shorter", "huge", "toolarge", "truncated"};
    for (const char* pack : hostile) {
        SCOPED_TRACE(pack);
        const std::string folder = sandbox + "\\" + pack + "\\data";
        route.SetDataFolder(folder);
        EXPECT_FALSE(route.Download("127.0.0.1", std::string("/dl/lang/") + pack + ".zip", false));
        EXPECT_EQ(route.ErrorCode(), kInstallFailed);
        EXPECT_EQ(route.ErrorText(), "Failed(0) to unzip the specified file \"" + folder + "\\eng.zip\"");
        EXPECT_EQ(FilesBelow(sandbox + "\\" + pack), std::vector<std::string>{});
        EXPECT_EQ(route.RecogniseFiles("C:\\page.tif"), "");
        EXPECT_EQ(route.ErrorText(), "Cannot find current language data " + folder + "\\tessdata\\eng.traineddata");
    }
    // Where the escaping names point: the sandbox, the drive's root, the host's root.
    EXPECT_FALSE(Exists(sandbox + "\\escaped.dll"));
    EXPECT_FALSE(Exists(sandbox + "\\escaped2.dll"));
    EXPECT_FALSE(Exists("C:\\lumetta_drive.traineddata"));
    EXPECT_FALSE(Exists("\\absolute\\eng.traineddata"));
    // Only the two good languages were written in the whole sandbox.
    const std::vector<std::string> expected = {"data\\tessdata\\deu.traineddata", "data\\tessdata\\eng.traineddata",
                                               "other\\tessdata\\deu.traineddata"};
    std::vector<std::string> written = FilesBelow(sandbox);
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, expected);
}
