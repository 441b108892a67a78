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

struct HostilePack {
    const char* name;
    const char* reason;  // the unpacker's reason at the end of its message
};

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

    // A pack the server does not have: the download's own failure, no zip left behind.
    route.SetLanguage("fra");
    EXPECT_FALSE(route.Download("127.0.0.1", "/dl/lang/fra.zip", false));
    EXPECT_NE(route.ErrorCode(), 0);
    EXPECT_NE(route.ErrorCode(), kInstallFailed);
    EXPECT_FALSE(Exists(data + "\\fra.zip"));

    // Hostile and damaged packs: refused with -2120 and the reason, nothing written anywhere, not
    // even the good entries in front of a bad one, and recognition still finds no data.
    const HostilePack hostile[] = {
        {"absolute", "zip entry name outside the destination folder"},
        {"drive", "zip entry name outside the destination folder"},
        {"dotdot", "zip entry name outside the destination folder"},
        {"backslash", "zip entry name outside the destination folder"},
        {"longer", "damaged zip file"},
        {"shorter", "damaged zip file"},
        {"huge", "damaged zip file"},
        {"toolarge", "zip file too large"},
        {"truncated", "not a zip file"},
    };
    route.SetLanguage("eng");
    for (const HostilePack& pack : hostile) {
        SCOPED_TRACE(pack.name);
        const std::string folder = sandbox + "\\" + pack.name + "\\data";
        route.SetDataFolder(folder);
        EXPECT_FALSE(route.Download("127.0.0.1", std::string("/dl/lang/") + pack.name + ".zip", false));
        EXPECT_EQ(route.ErrorCode(), kInstallFailed);
        const std::string text = route.ErrorText();
        EXPECT_EQ(text.rfind("Failed(0) to unzip the specified file \"" + folder + "\\eng.zip\"", 0), 0u) << text;
        EXPECT_NE(text.find(pack.reason), std::string::npos) << text;
        EXPECT_EQ(FilesBelow(sandbox + "\\" + pack.name), std::vector<std::string>{});
        EXPECT_EQ(route.RecogniseFiles("C:\\page.tif"), "");
        EXPECT_EQ(route.ErrorText(), "Cannot find current language data " + folder + "\\tessdata\\eng.traineddata");
    }
    // Where the escaping names point: the sandbox, the drive's root, the host's root.
    EXPECT_FALSE(Exists(sandbox + "\\escaped.dll"));
    EXPECT_FALSE(Exists(sandbox + "\\escaped2.dll"));
    EXPECT_FALSE(Exists("C:\\lumetta_drive.traineddata"));
    EXPECT_FALSE(Exists("\\absolute\\eng.traineddata"));
    // Only the two good languages were written in the whole sandbox.
    const std::vector<std::string> expected = {"data\\tessdata\\deu.traineddata", "data\\tessdata\\eng.traineddata"};
    std::vector<std::string> written = FilesBelow(sandbox);
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, expected);
}
