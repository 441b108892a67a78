#include "browser/plugin_file.h"

#include <windows.h>

#include <vector>

namespace browser {
namespace {

std::string Key(const std::vector<BYTE>& block, const char* name) {
    std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), query.c_str(), &value, &length) || !value) return {};
    std::string text(static_cast<const char*>(value), length);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

bool ListsType(const std::string& list, const std::string& type) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find('|', start);
        if (end == std::string::npos) end = list.size();
        std::string item = list.substr(start, end - start);
        if (lstrcmpiA(item.c_str(), type.c_str()) == 0) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

bool ReadPluginFile(const std::string& path, PluginFile* out) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return false;
    out->path = path;
    out->mimeType = Key(block, "MIMEType");
    out->fileExtents = Key(block, "FileExtents");
    out->fileOpenName = Key(block, "FileOpenName");
    out->fileDescription = Key(block, "FileDescription");
    out->productName = Key(block, "ProductName");
    out->originalFilename = Key(block, "OriginalFilename");
    return !out->mimeType.empty();
}

bool FindPluginForType(const std::string& folder, const std::string& mimeType, PluginFile* out) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.dll").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool matched = false;
    do {
        PluginFile file;
        if (ReadPluginFile(folder + "\\" + found.cFileName, &file) && ListsType(file.mimeType, mimeType)) {
            *out = file;
            matched = true;
        }
    } while (!matched && FindNextFileA(search, &found));
    FindClose(search);
    return matched;
}

}  // namespace browser
