// CImageOperator: the open and save file dialogs and the open dialog's path list.
#include "codecs/image_operator.h"

#include <cstring>

#include "capture/debug_log.h"
#include "base/error_codes.h"
#include "codecs/open_dialog_answer.h"
#include "engine/module_paths.h"

namespace {

constexpr LONG kForceDialog = 5000;
constexpr DWORD kOpenBufferBytes = 520000;
constexpr DWORD kSaveFlags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
constexpr DWORD kOpenFlags = kSaveFlags | OFN_FILEMUSTEXIST;
// A hook or a template needs code or resources of the caller's own: never passed to the dialog.
constexpr DWORD kRefusedDialogFlags = OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_ENABLETEMPLATEHANDLE;

DWORD DialogFlags(DWORD asked, DWORD defaults) { return (asked ? asked : defaults) & ~kRefusedDialogFlags; }

// Appends "name\0pattern\0" at p; returns the end.
char* AppendFilter(char* p, const char* name, const char* pattern) {
    std::strcpy(p, name);
    p += std::strlen(name) + 1;
    std::strcpy(p, pattern);
    return p + std::strlen(pattern) + 1;
}

// Text before the last "\" or "/" (the initial folder of a save dialog), empty without one.
void FolderOf(const char* path, char* folder) {
    folder[0] = '\0';
    const char* back = std::strrchr(path, '\\');
    const char* fore = std::strrchr(path, '/');
    const char* last = back > fore ? back : fore;
    if (last) lstrcpynA(folder, path, int(last - path) + 1);
}

// Splits at the last "\": the whole path as folder and an empty name when there is none.
void SplitPath(const char* path, char* folder, char* name) {
    const char* last = std::strrchr(path, '\\');
    if (!last) {
        lstrcpynA(folder, path, MAX_PATH);
        name[0] = '\0';
        return;
    }
    lstrcpynA(folder, path, int(last - path) + 1);
    lstrcpynA(name, last + 1, MAX_PATH);
}

}  // namespace

BOOL CImageOperator::GrowPathList(int needed) {
    if (needed <= m_pathCapacity) return TRUE;
    int step = m_pathCapacity / 8;
    if (step < 4) step = 4;
    if (step > 1024) step = 1024;
    int capacity = m_pathCapacity + step;
    if (capacity < needed) capacity = needed;
    HGLOBAL block = GlobalAlloc(GPTR, SIZE_T(capacity) * sizeof(ImagePathRecord));
    if (!block) return FALSE;
    auto* records = static_cast<ImagePathRecord*>(block);
    if (m_paths) {
        std::memcpy(records, m_paths, SIZE_T(m_pathCount) * sizeof(ImagePathRecord));
        GlobalFree(m_paths);
    }
    m_paths = records;
    m_pathCapacity = capacity;
    return TRUE;
}

void CImageOperator::ClearPathList() {
    if (m_paths) GlobalFree(m_paths);
    m_paths = nullptr;
    m_pathCount = m_pathCapacity = 0;
}

BOOL CImageOperator::AppendPathRecord(SHORT type, const char* path) {
    // A record keeps a whole path or none: a cut one names another file.
    if (path && !PathFits(path)) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    if (!GrowPathList(m_pathCount + 1)) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    m_paths[m_pathCount].type = type;
    lstrcpynA(m_paths[m_pathCount].path, path ? path : "", MAX_PATH);
    ++m_pathCount;
    return TRUE;
}

BOOL CImageOperator::GetSavedFilePath(const char* filter, DWORD filterIndex, const char* defaultExtension,
                                      const char* folder, BOOL overwritePrompt, DWORD flags, char* path, LONG force) {
    if (!m_ifShowFileDialog && force != kForceDialog) return TRUE;
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = GetTwainOwnerWindow();
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = filterIndex;
    ofn.lpstrDefExt = defaultExtension;
    ofn.lpstrInitialDir = folder;
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = DialogFlags(flags, kSaveFlags | (overwritePrompt ? OFN_OVERWRITEPROMPT : 0));
    if (m_dialogs->getSaveFileName(&ofn)) return TRUE;
    if (DebugLogOn()) DebugLog(0, "GetSavedFilePath, GetSaveFileName, last error%d\r\n", int(GetLastError()));
    SetErrorCode(kErrFileDialog);
    return FALSE;
}

BOOL CImageOperator::GetSaveFilePathForType(char* path, SHORT type) {
    const ImageTypeFilter* entry = FilterOfImageType(type);
    if (!entry) return TRUE;
    char folder[MAX_PATH];
    FolderOf(path, folder);
    char filter[128] = {};
    AppendFilter(filter, entry->name, entry->pattern);
    return GetSavedFilePath(filter, 1, entry->defaultExtension, folder, TRUE, 0, path, 0);
}

BOOL CImageOperator::GetOpenFilePath(const char* filter, DWORD filterIndex, const char* folder, BOOL multiSelect,
                                     DWORD flags, SHORT type, LONG force) {
    ClearPathList();
    if (!m_ifShowFileDialog && force != kForceDialog) return AppendPathRecord(type, folder);
    HGLOBAL block = GlobalAlloc(GPTR, kOpenBufferBytes);
    if (!block) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    auto* files = static_cast<char*>(block);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = GetTwainOwnerWindow();
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = filterIndex;
    ofn.lpstrInitialDir = folder;
    ofn.lpstrFile = files;
    ofn.nMaxFile = kOpenBufferBytes;
    ofn.Flags = DialogFlags(flags, kOpenFlags | (multiSelect ? OFN_ALLOWMULTISELECT : 0));
    if (!m_dialogs->getOpenFileName(&ofn)) {
        if (DebugLogOn()) DebugLog(0, "GetOpenFilePath, GetOpenFileName, last error%d\r\n", int(GetLastError()));
        GlobalFree(block);
        SetErrorCode(kErrFileDialog);
        return FALSE;
    }
    BOOL ok = TRUE;
    for (const std::string& path : SplitOpenDialogAnswer(files, kOpenBufferBytes)) {
        SHORT t = type;
        if (::GetImageTypeFromFileName(path.c_str(), &t) != 0) t = type;
        if (!AppendPathRecord(t, path.c_str())) {
            ok = FALSE;
            break;
        }
    }
    GlobalFree(block);
    return ok;
}

BOOL CImageOperator::GetOpenFilePathsForType(const char* path, SHORT type) {
    char filter[1024] = {};
    char* p = AppendFilter(filter, SupportedFilesName(), SupportedFilesPattern());
    for (int t = 0; t < kFileImageTypes; ++t) p = AppendFilter(p, FilterOfImageType(t)->name, FilterOfImageType(t)->pattern);
    AppendFilter(p, "All files (*.*)", "*.*");
    DWORD index = (type >= -1 && type < kFileImageTypes) ? DWORD(type + 2) : 1;
    return GetOpenFilePath(filter, index, path, TRUE, 0, type, 0);
}

BOOL CImageOperator::ShowFileDialog(BOOL save, const char* filter, DWORD filterIndex, const char* defaultExtension,
                                    const char* folder, BOOL multiSelect, BOOL overwritePrompt, DWORD flags) {
    SetErrorCode(0);
    const char* initial = folder ? folder : "";
    size_t length = filter ? std::strlen(filter) : 0;
    // The initial folder is also the save dialog's initial file name: one that does not fit whole
    // would be offered cut, as another file's name. Refused, and reported as a cancel without it.
    if (!PathFits(initial)) {
        SetErrorCode(kErrInvalidValue);
        ReportFileDialogCancel(save, initial);
        return FALSE;
    }
    HGLOBAL block = GlobalAlloc(GPTR, length + 2);
    if (!block) {
        SetErrorCode(kErrNoMemory);
        ReportFileDialogCancel(save, initial);
        return FALSE;
    }
    auto* filters = static_cast<char*>(block);
    if (filter) std::memcpy(filters, filter, length);
    for (size_t i = 0; i < length; ++i) {
        if (filters[i] == '|') filters[i] = '\0';
    }
    char folderPart[MAX_PATH];
    char namePart[MAX_PATH];
    BOOL ok;
    if (!save) {
        ok = GetOpenFilePath(filters, filterIndex, initial, multiSelect, flags, kImageTypeUnspecified, kForceDialog);
        if (ok) {
            for (int i = 0; i < m_pathCount; ++i) {
                SplitPath(m_paths[i].path, folderPart, namePart);
                OnGetFilePath(FALSE, m_pathCount, i, folderPart, namePart);
            }
        }
    } else {
        char path[MAX_PATH];
        lstrcpynA(path, initial, MAX_PATH);
        ok = GetSavedFilePath(filters, filterIndex, defaultExtension, initial, overwritePrompt, flags, path,
                              kForceDialog);
        if (ok) {
            SplitPath(path, folderPart, namePart);
            OnGetFilePath(TRUE, 1, 0, folderPart, namePart);
        }
    }
    GlobalFree(block);
    if (!ok) ReportFileDialogCancel(save, initial);
    return ok;
}

void CImageOperator::ReportFileDialogCancel(BOOL save, const char* folder) {
    OnGetFilePath(save, 0, -1, folder && PathFits(folder) ? folder : "", "");
}
