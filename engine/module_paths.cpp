#include "engine/module_paths.h"

#include <shlobj.h>

#include <cstring>

#include "engine/ansi_strings.h"

bool PathFits(const char* path) {
    if (!path) return false;
    size_t component = 0;
    size_t length = 0;
    for (const char* p = path; *p; ++p) {
        if (++length >= MAX_PATH) return false;
        component = (*p == '\\' || *p == '/') ? 0 : component + 1;
        if (component > kMaxPathComponent) return false;
    }
    return true;
}

bool GetModulePath(char* buffer) {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&GetModulePath), &self)) {
        return false;
    }
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    memcpy(buffer, path, n + 1);
    return true;
}

void DirectoryOfPath(const char* path, char* buffer) {
    int slash = ReverseFindChar(path, '\\');
    if (slash < 0) {
        buffer[0] = 0;
        return;
    }
    memmove(buffer, path, size_t(slash) + 1);
    buffer[slash + 1] = 0;
}

void GetModuleDirectory(char* buffer) {
    char path[MAX_PATH] = {};
    GetModulePath(path);
    DirectoryOfPath(path, buffer);
}

void CreateDirectories(const char* filePath) {
    int last = ReverseFindChar(filePath, '\\');
    if (last <= 0) return;
    char folder[MAX_PATH];
    if (last >= MAX_PATH) return;
    auto createIfMissing = [&](int length) {
        if (length <= 0) return;
        memcpy(folder, filePath, size_t(length));
        folder[length] = 0;
        // "C:" alone is a drive, not a folder to create.
        if (length == 2 && folder[1] == ':') return;
        if (GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES) CreateDirectoryA(folder, nullptr);
    };
    for (int i = FindCharFrom(filePath, '\\', 0); i >= 0 && i < last; i = FindCharFrom(filePath, '\\', i + 1)) {
        createIfMissing(i);
    }
    createIfMissing(last);
}

bool GetAppDataFolder(char* buffer) {
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &items)) || !items) return false;
    char path[MAX_PATH] = {};
    BOOL found = SHGetPathFromIDListA(items, path);
    IMalloc* shellMalloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&shellMalloc)) && shellMalloc) {
        shellMalloc->Free(items);
        shellMalloc->Release();
    }
    if (!found) return false;
    TrimTrailingSeparators(path);
    if (!RewriteRoamingToLocalLow(path, MAX_PATH)) return false;
    strcpy(buffer, path);
    return true;
}
