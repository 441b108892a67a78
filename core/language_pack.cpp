#include "core/language_pack.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capture/debug_log.h"
#include "core/zip_archive.h"
#include "engine/ansi_strings.h"
#include "engine/module_paths.h"

namespace {

// A language pack holds a few data files of some tens of megabytes.
constexpr size_t kMaxUnpacked = size_t(1) << 30;
constexpr DWORD kMaxPackSize = 0x7FFFFFFF;

bool ReadWholeFile(const char* path, std::vector<BYTE>& bytes) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= kMaxPackSize;
    if (ok) {
        try {
            bytes.resize(static_cast<size_t>(size.QuadPart));
        } catch (...) {
            ok = false;
        }
    }
    DWORD done = 0;
    for (size_t pos = 0; ok && pos < bytes.size(); pos += done) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - pos, 1u << 24));
        ok = ReadFile(file, bytes.data() + pos, chunk, &done, nullptr) && done > 0;
    }
    CloseHandle(file);
    return ok;
}

bool WriteWholeFile(const std::string& path, const BYTE* data, size_t size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    DWORD done = 0;
    for (size_t pos = 0; ok && pos < size; pos += done) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - pos, 1u << 24));
        ok = WriteFile(file, data + pos, chunk, &done, nullptr) && done == chunk;
    }
    CloseHandle(file);
    if (!ok) DeleteFileA(path.c_str());
    return ok;
}

}  // namespace

bool UnpackLanguagePack(const char* zipPath, const char* destination, char (&message)[MAX_PATH]) {
    message[0] = 0;
    const DWORD zipAttributes = GetFileAttributesA(zipPath);
    if (zipAttributes == INVALID_FILE_ATTRIBUTES || (zipAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::snprintf(message, MAX_PATH, "Cannot find the specified file \"%s\"", zipPath);
        return false;
    }
    // A destination that does not fit whole would unpack into another folder.
    if (!destination || !*destination || !PathFits(destination)) {
        std::snprintf(message, MAX_PATH, "Cannot find the specified folder \"%s\"", destination ? destination : "");
        return false;
    }
    char folder[MAX_PATH];
    std::strcpy(folder, destination);
    TrimTrailingSeparators(folder);
    char withFile[MAX_PATH + 2];
    std::snprintf(withFile, sizeof withFile, "%s\\x", folder);
    CreateDirectories(withFile);
    const DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        std::snprintf(message, MAX_PATH, "Cannot find the specified folder \"%s\"", folder);
        return false;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::snprintf(message, MAX_PATH, "\"%s\" is not a folder", folder);
        return false;
    }
    // Write probe: a file made anew and deleted.
    char probe[MAX_PATH + 64];
    std::snprintf(probe, sizeof probe, "%s\\_test_%lu_%lu.tmp", folder, static_cast<unsigned long>(GetTickCount()),
                  static_cast<unsigned long>(GetCurrentThreadId()));
    HANDLE probeFile = CreateFileA(probe, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probeFile == INVALID_HANDLE_VALUE) {
        std::snprintf(message, MAX_PATH, "\"%s\" access is denied", folder);
        return false;
    }
    CloseHandle(probeFile);
    DeleteFileA(probe);

    std::vector<BYTE> archive;
    if (!ReadWholeFile(zipPath, archive)) {
        std::snprintf(message, MAX_PATH, "Failed(%lu) to unzip the specified file \"%s\"",
                      static_cast<unsigned long>(GetLastError()), zipPath);
        return false;
    }
    // The whole archive is checked (names, sizes, CRCs) before the first file is written, so a
    // hostile or damaged pack leaves nothing behind, not even its good entries.
    // Every entry's file must fit a path whole: a cut one would be written under another name.
    auto target = [&](const ZipEntryView& e) {
        std::string path = std::string(folder) + "\\" + e.name;
        for (char& c : path) {
            if (c == '/') c = '\\';
        }
        return path;
    };
    std::string failedEntry;
    ZipResult result = ReadZipArchive(archive.data(), archive.size(), kMaxUnpacked, [&](const ZipEntryView& e) {
        if (PathFits(target(e).c_str())) return true;
        failedEntry = e.name;
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    });
    if (result == ZipResult::Ok) result = ReadZipArchive(archive.data(), archive.size(), kMaxUnpacked, [&](const ZipEntryView& e) {
        const std::string path = target(e);
        if (e.directory) {
            CreateDirectories((path + "x").c_str());
            return true;
        }
        CreateDirectories(path.c_str());
        if (!WriteWholeFile(path, e.data, e.size)) {
            failedEntry = e.name;
            return false;
        }
        return true;
    });
    if (result != ZipResult::Ok) {
        const unsigned long error = result == ZipResult::Refused ? GetLastError() : 0;
        std::snprintf(message, MAX_PATH, "Failed(%lu) to unzip the specified file \"%s\"", error, zipPath);
        if (DebugLogOn()) {
            DebugLog(0, "UnpackLanguagePack, %s%s%s\r\n", ZipResultText(result), failedEntry.empty() ? "" : ": ",
                     failedEntry.c_str());
        }
        return false;
    }
    return true;
}
