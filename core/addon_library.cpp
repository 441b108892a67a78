#include "core/addon_library.h"

#include <cstdio>
#include <cstring>

#include "engine/ansi_strings.h"
#include "engine/module_paths.h"

CAddOnLibrary::CAddOnLibrary(LONG kind, HINSTANCE module, LONG hostKind)
    : m_kind(kind), m_hostKind(hostKind), m_module(module) {
    SetDllFolder("");
}

const char* CAddOnLibrary::FileName() const {
    if (m_kind == kBarcode) return m_hostKind == 0 ? "Stripeworksx64.dll" : "Stripeworks.dll";
    return m_hostKind == 0 ? "Glyphsteadx64.dll" : "Glyphstead.dll";
}

bool CAddOnLibrary::SetDllFolder(const char* folder) {
    char chosen[MAX_PATH] = {};
    if (folder && *folder) {
        if (!PathFits(folder)) return false;
        std::strcpy(chosen, folder);
    } else {
        GetModuleDirectory(chosen);
        if (!*chosen) SetLastMessage("Dll path is invalid");
    }
    TrimTrailingSeparators(chosen);
    std::strcpy(m_folder, chosen);
    FormPath();
    return true;
}

void CAddOnLibrary::FormPath() {
    const int written = std::snprintf(m_path, sizeof m_path, "%s\\%s", m_folder, FileName());
    // A folder too long for a path leaves no path to load: the load fails with the message.
    if (written < 0 || written >= static_cast<int>(sizeof m_path)) m_path[0] = 0;
}

void CAddOnLibrary::SetLastMessageF(const char* format, const char* argument) {
    char text[1024];
    std::snprintf(text, sizeof text, format, argument ? argument : "");
    SetLastMessage(text);
}

HMODULE CAddOnLibrary::Load(const char* failureFormat) {
    // The library's own folder comes first when its dependencies are searched for. Without a
    // folder (the module's own could not be found) the path would name the drive's root: no load.
    HMODULE library =
        *m_folder && *m_path ? LoadLibraryExA(m_path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH) : nullptr;
    if (!library) SetLastMessageF(failureFormat, m_path);
    return library;
}

FARPROC CAddOnLibrary::Lookup(HMODULE library, const char* name) {
    FARPROC entry = GetProcAddress(library, name);
    if (!entry) SetLastMessageF("Failed to GetProcAddress %s", name);
    return entry;
}
