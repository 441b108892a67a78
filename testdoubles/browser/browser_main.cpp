// The browser harness as a program: finds the plug-in for its MIME type in a folder (or takes a
// path), embeds instances with the given attributes, sizes and destroys them, and reports what
// it saw and whether the plug-in left browser memory behind. Exit code 0 when all went well.
// With --script, one instance runs a page script in JScript (browser/plugin_page.h): the element
// is "Lumetta", every event goes to the global function Lumetta_<event> unless an --attr names
// another, and the page's failed checks and script errors count as failures.
//
//   browser.exe (--folder DIR | --plugin PATH) [--attr Name=Value]... [--size WxH] [--resize WxH]
//               [--instances N] [--pump MS] [--script page.js] [--guard-heap 1] [--xpcom DLL]
// --xpcom loads a browser runtime (the stand-in of testdoubles/xpcom) before the plug-in, as a
// browser has its own loaded: the plug-in then takes its request cookies from that runtime's store.
// --guard-heap 1 runs the plug-in on the guarded heap (browser/guarded_heap.h): a use of memory it
// freed ends the run or fails it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "browser/browser.h"
#include "browser/browser_memory.h"
#include "browser/guarded_heap.h"
#include "browser/plugin_file.h"
#include "browser/plugin_page.h"
#include "browser/script_runtime.h"

namespace {

bool ParseSize(const char* text, int* w, int* h) { return std::sscanf(text, "%dx%d", w, h) == 2 && *w > 0 && *h > 0; }

// A page script file (UTF-8) as text; a Windows path (Z:...) or the host's own.
std::wstring ReadScript(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string bytes = text.str();
    int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return wide;
}

HWND ViewerOf(HWND window) { return FindWindowExA(window, nullptr, nullptr, nullptr); }

bool CheckViewer(browser::Embed* embed, int w, int h) {
    HWND viewer = ViewerOf(embed->window);
    RECT r{};
    if (viewer) GetWindowRect(viewer, &r);
    char title[64] = {};
    if (viewer) GetWindowTextA(viewer, title, sizeof title);
    std::printf("viewer %p \"%s\" %ldx%ld\n", static_cast<void*>(viewer), title, r.right - r.left, r.bottom - r.top);
    return viewer && r.right - r.left == w && r.bottom - r.top == h;
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder, path, script, xpcom;
    browser::Attributes attributes;
    int width = 400, height = 300, newWidth = 0, newHeight = 0, instances = 1, pump = 200;
    bool guardHeap = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        const char* a = argv[i];
        const char* v = argv[i + 1];
        if (!std::strcmp(a, "--folder")) folder = v;
        else if (!std::strcmp(a, "--plugin")) path = v;
        else if (!std::strcmp(a, "--size")) ParseSize(v, &width, &height);
        else if (!std::strcmp(a, "--resize")) ParseSize(v, &newWidth, &newHeight);
        else if (!std::strcmp(a, "--instances")) instances = std::atoi(v);
        else if (!std::strcmp(a, "--pump")) pump = std::atoi(v);
        else if (!std::strcmp(a, "--script")) script = v;
        else if (!std::strcmp(a, "--guard-heap")) guardHeap = std::atoi(v) != 0;
        else if (!std::strcmp(a, "--xpcom")) xpcom = v;
        else if (!std::strcmp(a, "--attr")) {
            const char* eq = std::strchr(v, '=');
            if (eq) attributes.emplace_back(std::string(v, eq), std::string(eq + 1));
        } else {
            std::fprintf(stderr, "unknown option %s\n", a);
            return 2;
        }
    }
    if (!script.empty()) {
        instances = 1;
        attributes = browser::PageEventAttributes(attributes);
        setvbuf(stdout, nullptr, _IONBF, 0);
        OleInitialize(nullptr);  // JScript is a COM object of this thread
    }
    int failures = 0;
    auto check = [&](bool ok, const char* what) {
        std::printf("%s %s\n", ok ? "ok  " : "FAIL", what);
        if (!ok) ++failures;
    };
    HMODULE runtime = nullptr;
    if (!xpcom.empty()) {
        runtime = LoadLibraryA(xpcom.c_str());
        check(runtime != nullptr, "browser runtime loaded");
    }
    {
        browser::PluginFile file;
        if (!folder.empty()) {
            check(browser::FindPluginForType(folder, "application/lumetta-plugin", &file), "plug-in found by MIME type");
            path = file.path;
        } else {
            check(browser::ReadPluginFile(path, &file), "version block read");
        }
        std::printf("file %s\nMIMEType %s\nFileExtents %s\nFileOpenName %s\n", file.path.c_str(),
                    file.mimeType.c_str(), file.fileExtents.c_str(), file.fileOpenName.c_str());
        browser::Browser b;
        b.guardHeap = guardHeap;
        check(b.Start(path), "loaded, entry points and browser functions accepted");
        std::vector<browser::Embed*> embeds;
        for (int i = 0; i < instances && failures == 0; ++i) {
            NPError e = 0;
            browser::Embed* embed = b.New(attributes, &e);
            check(embed != nullptr, "NPP_New");
            if (!embed) break;
            check(b.SetWindow(embed, width, height) == NPERR_NO_ERROR, "first NPP_SetWindow");
            b.Pump(pump);
            check(CheckViewer(embed, width, height), "viewer fills the window");
            NPObject* object = b.ScriptObject(embed);
            check(object != nullptr, "script object");
            browser::ReleaseObject(object);
            embeds.push_back(embed);
            if (!script.empty()) {
                std::wstring text = ReadScript(script);
                check(!text.empty(), "page script read");
                int pageFailures = browser::RunPluginPage(b, embed, text);
                std::printf("page: %d failure(s)\n", pageFailures);
                check(pageFailures == 0, "page script ran without failures");
            }
        }
        // A page may have removed its element (Host.Destroy).
        embeds.erase(std::remove_if(embeds.begin(), embeds.end(), [&](browser::Embed* e) { return !b.Has(e); }),
                     embeds.end());
        if (newWidth) {
            for (browser::Embed* embed : embeds) {
                check(b.SetWindow(embed, newWidth, newHeight) == NPERR_NO_ERROR, "later NPP_SetWindow");
                b.Pump(pump);
                check(CheckViewer(embed, newWidth, newHeight), "viewer follows the new size");
            }
        }
        for (browser::Embed* embed : embeds) check(b.Destroy(embed) == NPERR_NO_ERROR, "NPP_Destroy");
        check(b.Shutdown() == NPERR_NO_ERROR, "NP_Shutdown");
        b.Unload();
        for (const std::string& dialog : b.AnsweredDialogs()) std::printf("dialog %s\n", dialog.c_str());
    }
    if (guardHeap) {
        std::string freed = browser::GuardedHeap::Report();
        std::printf("guarded heap: %zu blocks, %zu on pages of their own\n%s", browser::GuardedHeap::Blocks(),
                    browser::GuardedHeap::PageBlocks(), freed.c_str());
        check(freed.empty(), "no freed block of the plug-in written");
    }
    std::string leaks = browser::BrowserMemory::Report();
    check(leaks.empty(), "browser memory clean");
    std::printf("%s", leaks.c_str());
    check(browser::LiveObjects() == 0, "no script object left");
    if (!script.empty()) OleUninitialize();
    if (runtime) {
        // The stand-in counts its objects and strings: the plug-in must have released each.
        using Count = LONG(__cdecl*)();
        for (const char* counter : {"StandInLiveObjects", "StandInLiveStrings"}) {
            auto live = reinterpret_cast<Count>(reinterpret_cast<void*>(GetProcAddress(runtime, counter)));
            if (live) check(live() == 0, counter);
        }
        FreeLibrary(runtime);
    }
    std::printf("%d failures\n", failures);
    return failures == 0 ? 0 : 1;
}
