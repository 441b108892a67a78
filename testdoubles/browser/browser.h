// The browser: loads a plug-in DLL as browsers do (entry points, then the browser's function
// table), embeds instances with attributes in real child windows of its frame, sizes and
// destroys them, pumps messages and answers dialogs. One Browser at a time per process: the
// browser functions it hands out find it through a process-wide pointer.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "browser/page_model.h"
#include "npapi/np_plugin_api.h"

namespace browser {

using Attributes = std::vector<std::pair<std::string, std::string>>;

// One embed element.
struct Embed {
    NPP_t record = {};
    HWND window = nullptr;  // the child window handed to the plug-in
    NPWindow npWindow = {};
    std::vector<std::string> names;
    std::vector<std::string> values;
};

class Browser {
public:
    Browser();
    ~Browser();
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    static Browser* Current();

    // The table handed to NP_Initialize: complete, version 0.27, size of the whole table; a test
    // may change any of it before Initialize.
    NPNetscapeFuncs& Functions() { return m_functions; }

    // Loading as a browser does: the DLL by path, then its three exports by name. With
    // guardHeap set first, the plug-in's C runtime heap is the guarded heap (guarded_heap.h).
    bool Load(const std::string& path);
    bool guardHeap = false;
    bool Loaded() const { return m_module != nullptr; }
    HMODULE Module() const { return m_module; }
    NPError GetEntryPoints();
    NPError Initialize();
    NPError Shutdown();
    void Unload();
    // Load, GetEntryPoints, Initialize: true when all answered success.
    bool Start(const std::string& path);
    const NPPluginFuncs& Plugin() const { return m_plugin; }

    // NPP_New for an embed element with its attributes (a null value is passed as given by
    // PassNullValues). The embed stays until Destroy.
    Embed* New(const Attributes& attributes, NPError* error = nullptr);
    // NPP_SetWindow with the embed's window at the size (made on the first call, then resized).
    NPError SetWindow(Embed* embed, int width, int height);
    NPError Destroy(Embed* embed);
    // Whether the embed is still there (a page may have removed it).
    bool Has(const Embed* embed) const;
    // NPP_GetValue for the script object: a reference the caller releases, or null.
    NPObject* ScriptObject(Embed* embed);

    // Pumps the thread's messages for a while.
    void Pump(DWORD milliseconds);
    HWND Frame() const { return m_frame; }
    Page& GetPage() { return *m_page; }
    // The window object handed out for NPNVWindowNPObject: the page's, or one a page script
    // gives (held with a reference until replaced; null goes back to the page's).
    void SetWindowObject(NPObject* window);
    NPObject* WindowObject() const;
    // Texts of the dialogs the browser answered (with their default button).
    std::vector<std::string> AnsweredDialogs() const;
    // Script evaluation as the plug-in asks for it; the default answers failure.
    std::function<bool(NPObject* scope, const std::string& script, NPVariant* result)> evaluate;
    // Exceptions the plug-in raised with NPN_SetException.
    std::vector<std::string> exceptions;
    // The number of calls of each browser function, by its table name.
    int CallCount(const std::string& function) const;
    void CountCall(const char* function);

private:
    static void FillFunctions(NPNetscapeFuncs* table);
    void StartDialogAnswerer();
    void StopDialogAnswerer();

    NPNetscapeFuncs m_functions = {};
    NPPluginFuncs m_plugin = {};
    HMODULE m_module = nullptr;
    HWND m_frame = nullptr;
    std::unique_ptr<Page> m_page;
    NPObject* m_windowObject = nullptr;
    std::vector<std::unique_ptr<Embed>> m_embeds;
    std::vector<std::pair<std::string, int>> m_calls;
    HANDLE m_answerer = nullptr;
    HANDLE m_stopAnswering = nullptr;
    DWORD m_thread = 0;
};

}  // namespace browser
