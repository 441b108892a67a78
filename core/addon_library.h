// The common part of the two add-on bindings (barcodes and text recognition): the library's file
// name and folder, its last message, and loading it for one call. The libraries are loaded by
// file name from a folder (the engine's own by default) for each call and freed after it.
//
// Entry points are exported under their plain names and use the C calling convention.
#pragma once

#include <windows.h>

#include <string>

class CAddOnLibrary {
public:
    enum Kind : LONG { kBarcode = 0, kOcr = 1 };

    // hostKind 0 (the ActiveX control, 64-bit) loads "Stripeworksx64.dll"/"Glyphsteadx64.dll";
    // the plug-in loads "Stripeworks.dll"/"Glyphstead.dll".
    CAddOnLibrary(LONG kind, HINSTANCE module, LONG hostKind);
    virtual ~CAddOnLibrary() = default;
    CAddOnLibrary(const CAddOnLibrary&) = delete;
    CAddOnLibrary& operator=(const CAddOnLibrary&) = delete;

    void SetOwnerWindow(HWND window) { m_owner = window; }
    HWND OwnerWindow() const { return m_owner; }

    // An empty text selects the engine's own folder again; trailing separators are trimmed.
    // False, the folder unchanged, for a folder that does not fit a path (engine/module_paths.h).
    bool SetDllFolder(const char* folder);
    const char* DllFolder() const { return m_folder; }
    const char* LibraryPath() const { return m_path; }
    const char* FileName() const;

    // The last message ("" when none); it becomes the engine's error text on failure.
    const char* LastMessage() const { return m_lastMessage.c_str(); }
    void SetLastMessage(const char* text) { m_lastMessage = text ? text : ""; }
    void SetLastMessageF(const char* format, const char* argument);

protected:
    // Loads the library with its own folder first in the search for its dependencies; null with
    // the last message set (the text differs by kind and call, so the caller passes it).
    HMODULE Load(const char* failureFormat);
    // Looks up an entry point; null with "Failed to GetProcAddress %s" set.
    FARPROC Lookup(HMODULE library, const char* name);
    void FormPath();

    LONG m_kind;
    LONG m_hostKind;
    HINSTANCE m_module;
    HWND m_owner = nullptr;
    char m_folder[MAX_PATH] = {};
    std::string m_lastMessage;
    char m_path[MAX_PATH] = {};
};
