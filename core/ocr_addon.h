// COcrAddOn: text recognition through the OCR library ("OCRFile1", "OCRMemory1"), its settings,
// and the language data it needs in a "tessdata" folder under a per-user data folder.
#pragma once

#include "core/addon_library.h"

// The library's entry points. Both return a global-memory block of *lengthOut bytes, or null.
using OcrFileEntry = HGLOBAL(__cdecl*)(LONG fileCount, const char** files, LONG* lengthOut, const char* passKey,
                                       LONG resultFormat, const char* dataFolder, const char* language,
                                       LONG pageSegMode, const char* unicodeFont, LONG useDetectedFont);
using OcrMemoryEntry = HGLOBAL(__cdecl*)(LONG imageCount, const BYTE* image, const LONG* imageSize, LONG* lengthOut,
                                         const char* passKey, LONG resultFormat, const char* dataFolder,
                                         const char* language, LONG pageSegMode, const char* unicodeFont,
                                         LONG useDetectedFont);

class COcrAddOn : public CAddOnLibrary {
public:
    COcrAddOn(HINSTANCE module, LONG hostKind);

    // Settings. A language is a plain name: separators, "..", drive colons are refused (false).
    const char* GetDataFolder() const { return m_dataFolder; }
    // False, the folder unchanged, when the folder or its "tessdata" folder would not fit a path.
    bool SetDataFolder(const char* folder);
    const char* GetLanguage() const { return m_language; }
    bool SetLanguage(const char* language);
    static bool IsPlainLanguageName(const char* language);
    const char* GetUnicodeFontName() const { return m_unicodeFont; }
    void SetUnicodeFontName(const char* name);
    LONG GetUseDetectedFont() const { return m_useDetectedFont; }
    void SetUseDetectedFont(LONG v) { m_useDetectedFont = v; }
    LONG GetPageSegMode() const { return m_pageSegMode; }
    void SetPageSegMode(LONG v) { m_pageSegMode = v; }
    LONG GetResultFormat() const { return m_resultFormat; }
    void SetResultFormat(LONG v) { m_resultFormat = v; }

    // Paths: the tessdata folder (data folder + "tessdata"), whether "<language>.traineddata"
    // exists there, and the zip path of a language pack (the data folder is created; false, with
    // nothing made, when there is no data folder or the zip path would not fit whole).
    const char* GetTessdataFolder();
    bool HasLanguageData();
    bool GetLanguageZipPath(char (&zipPath)[MAX_PATH]);

    // Recognition of "|"-separated local files, or of encoded image bytes. The result is a new
    // zero-terminated global-memory block of *length bytes (the caller frees it), null on failure
    // with the last message set.
    HGLOBAL OCRFile(const char* fileList, LONG* length);
    HGLOBAL OCRMemory(const BYTE* bytes, LONG size, LONG* length);
    // Whether the last recognition failed because its result could not be copied (no memory).
    bool ResultNotCopied() const { return m_resultNotCopied; }
    void ForgetResultNotCopied() { m_resultNotCopied = false; }

private:
    // Normalises the data folder: trailing separators trimmed, one "\" added; the default folder
    // when empty.
    void NormaliseDataFolder();
    // A bounded, terminated copy of the library's result; frees the library's block.
    static HGLOBAL TakeResult(HGLOBAL block, LONG* length);

    char m_dataFolder[MAX_PATH] = {};
    char m_tessdataFolder[MAX_PATH] = {};
    char m_language[MAX_PATH] = "eng";
    char m_unicodeFont[MAX_PATH] = {};
    LONG m_useDetectedFont = 1;
    LONG m_pageSegMode = 3;
    LONG m_resultFormat = 2;
    char m_languageDataPath[MAX_PATH] = {};
    bool m_resultNotCopied = false;
};
