#include "core/ocr_addon.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/barcode_addon.h"
#include "core/ostrel_base.h"
#include "engine/ansi_strings.h"
#include "engine/module_paths.h"

namespace {

// A result that could not be copied for the caller.
constexpr char kNoCopyText[] = "Not enough memory to perform operation.";

bool FileExists(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates a folder and its missing parents.
void CreateFolderChain(const char* folder) {
    char withFile[MAX_PATH + 2];
    std::snprintf(withFile, sizeof withFile, "%s\\x", folder);
    CreateDirectories(withFile);
}

}  // namespace

COcrAddOn::COcrAddOn(HINSTANCE module, LONG hostKind) : CAddOnLibrary(kOcr, module, hostKind) {
    NormaliseDataFolder();
}

void COcrAddOn::NormaliseDataFolder() {
    TrimTrailingSeparators(m_dataFolder);
    if (*m_dataFolder) {
        if (std::strlen(m_dataFolder) + 1 < sizeof m_dataFolder) lstrcatA(m_dataFolder, "\\");
        return;
    }
    char appData[MAX_PATH] = {};
    if (!GetAppDataFolder(appData)) return;
    // A default that does not fit stays unset rather than naming a cut folder.
    char folder[MAX_PATH];
    const int n = std::snprintf(folder, sizeof folder, "%s\\Corvanta\\Glyphstead\\", appData);
    if (n > 0 && n < static_cast<int>(sizeof folder) && PathFits(folder)) std::strcpy(m_dataFolder, folder);
}

bool COcrAddOn::SetDataFolder(const char* folder) {
    if (!folder) folder = "";
    static const char kTessdata[] = "\\tessdata";
    if (!PathFits(folder) || std::strlen(folder) + sizeof kTessdata > MAX_PATH) return false;
    std::strcpy(m_dataFolder, folder);
    return true;
}

bool COcrAddOn::IsPlainLanguageName(const char* language) {
    if (!language || !*language) return false;
    if (std::strstr(language, "..")) return false;
    for (const char* p = language; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
            c == '>' || c == '|')
            return false;
    }
    return std::strlen(language) < 64;
}

bool COcrAddOn::SetLanguage(const char* language) {
    if (!IsPlainLanguageName(language)) return false;
    lstrcpynA(m_language, language, MAX_PATH);
    return true;
}

void COcrAddOn::SetUnicodeFontName(const char* name) { lstrcpynA(m_unicodeFont, name ? name : "", MAX_PATH); }

const char* COcrAddOn::GetTessdataFolder() {
    NormaliseDataFolder();
    std::snprintf(m_tessdataFolder, sizeof m_tessdataFolder, "%s%s", m_dataFolder, "tessdata");
    return m_tessdataFolder;
}

bool COcrAddOn::HasLanguageData() {
    GetTessdataFolder();
    if (!IsPlainLanguageName(m_language)) {
        m_languageDataPath[0] = 0;
        return false;
    }
    const int n = std::snprintf(m_languageDataPath, sizeof m_languageDataPath, "%s\\%s%s", m_tessdataFolder,
                                m_language, ".traineddata");
    // A cut path would name another file.
    return n > 0 && n < static_cast<int>(sizeof m_languageDataPath) && FileExists(m_languageDataPath);
}

bool COcrAddOn::GetLanguageZipPath(char (&zipPath)[MAX_PATH]) {
    zipPath[0] = 0;
    if (!IsPlainLanguageName(m_language)) return false;
    NormaliseDataFolder();
    if (!*m_dataFolder) return false;
    // The whole path is checked, against what the download's local path takes, before the data
    // folder is made: a refused download makes nothing.
    const int n = std::snprintf(zipPath, MAX_PATH, "%s%s.zip", m_dataFolder, m_language);
    if (n <= 0 || static_cast<size_t>(n) > kMaxLocalPathLength || !PathFits(zipPath)) {
        zipPath[0] = 0;
        return false;
    }
    CreateFolderChain(m_dataFolder);
    return true;
}

HGLOBAL COcrAddOn::TakeResult(HGLOBAL block, LONG* length) {
    // The reported length is never trusted beyond the library's allocation.
    SIZE_T size = *length < 0 ? 0 : static_cast<SIZE_T>(*length);
    const SIZE_T allocated = GlobalSize(block);
    if (size > allocated) size = allocated;
    HGLOBAL copy = nullptr;
    bool copied = false;
    const void* source = GlobalLock(block);
    if (source && size < 0x7FFFFFFF) {
        copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size + 1);
        if (void* target = copy ? GlobalLock(copy) : nullptr) {
            std::memcpy(target, source, size);
            GlobalUnlock(copy);
            copied = true;
        }
    }
    if (source) GlobalUnlock(block);
    GlobalFree(block);
    if (copy && !copied) {
        GlobalFree(copy);
        copy = nullptr;
    }
    *length = copy ? static_cast<LONG>(size) : 0;
    return copy;
}

HGLOBAL COcrAddOn::OCRFile(const char* fileList, LONG* length) {
    *length = 0;
    m_resultNotCopied = false;
    if (!HasLanguageData()) {
        SetLastMessageF("Cannot find current language data %s", m_languageDataPath);
        return nullptr;
    }
    HMODULE library = Load("Failed to load dll %s. The DLL or VC90 Runtime is missing.");
    if (!library) return nullptr;
    HGLOBAL result = nullptr;
    if (auto entry = reinterpret_cast<OcrFileEntry>(Lookup(library, "OCRFile1"))) {
        char** pieces = nullptr;
        int count = 0;
        if (SplitString(fileList ? fileList : "", '|', &pieces, &count)) {
            std::vector<const char*> files(pieces, pieces + count);
            char key[MAX_PATH];
            BuildOcrPassKey(key);
            LONG out = 0;
            HGLOBAL block = entry(count, files.data(), &out, key, m_resultFormat, m_dataFolder, m_language,
                                  m_pageSegMode, m_unicodeFont, m_useDetectedFont);
            FreeStringArray(pieces, count);
            if (block) {
                result = TakeResult(block, &out);
                *length = out;
                // The call fails with this text, not with the message of an earlier one.
                m_resultNotCopied = !result;
                if (!result) SetLastMessage(kNoCopyText);
            } else {
                SetLastMessage("Nothing found");
            }
        } else {
            SetLastMessage("Nothing found");
        }
    }
    FreeLibrary(library);
    return result;
}

HGLOBAL COcrAddOn::OCRMemory(const BYTE* bytes, LONG size, LONG* length) {
    *length = 0;
    m_resultNotCopied = false;
    if (!HasLanguageData()) {
        SetLastMessageF("Cannot find current language data %s", m_languageDataPath);
        return nullptr;
    }
    HMODULE library = Load("Failed to load dll %s");
    if (!library) return nullptr;
    HGLOBAL result = nullptr;
    if (auto entry = reinterpret_cast<OcrMemoryEntry>(Lookup(library, "OCRMemory1"))) {
        char key[MAX_PATH];
        BuildOcrPassKey(key);
        LONG out = 0;
        const LONG imageSize = size;
        HGLOBAL block = entry(1, bytes, &imageSize, &out, key, m_resultFormat, m_dataFolder, m_language, m_pageSegMode,
                              m_unicodeFont, m_useDetectedFont);
        if (block) {
            result = TakeResult(block, &out);
            *length = out;
            m_resultNotCopied = !result;
            if (!result) SetLastMessage(kNoCopyText);
        } else {
            SetLastMessage("Nothing found");
        }
    }
    FreeLibrary(library);
    return result;
}
