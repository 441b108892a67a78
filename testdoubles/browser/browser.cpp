#include "browser/browser.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <mutex>

#include "browser/browser_memory.h"
#include "browser/guarded_heap.h"
#include "browser/script_runtime.h"

namespace browser {
namespace {

Browser* g_current = nullptr;
std::mutex g_dialogLock;
std::vector<std::string> g_dialogs;

constexpr char kFrameClass[] = "LumettaBrowserFrame";
constexpr char kEmbedClass[] = "LumettaBrowserEmbed";

void RegisterClasses() {
    static bool done = false;
    if (done) return;
    WNDCLASSA c = {};
    c.lpfnWndProc = DefWindowProcA;
    c.hInstance = GetModuleHandleA(nullptr);
    c.hCursor = LoadCursor(nullptr, IDC_ARROW);
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    c.lpszClassName = kFrameClass;
    RegisterClassA(&c);
    c.lpszClassName = kEmbedClass;
    c.style = CS_DBLCLKS;
    RegisterClassA(&c);
    done = true;
}

void Count(const char* name) {
    if (g_current) g_current->CountCall(name);
}

NPP_t* RecordOf(NPP npp) { return npp; }

// ---- the browser functions ----
NPError NP_CALL GetURL(NPP, const char*, const char*) { return Count("geturl"), NPERR_GENERIC_ERROR; }
NPError NP_CALL PostURL(NPP, const char*, const char*, uint32_t, const char*, NPBool) {
    return Count("posturl"), NPERR_GENERIC_ERROR;
}
NPError NP_CALL RequestRead(NPStream*, NPByteRange*) { return Count("requestread"), NPERR_GENERIC_ERROR; }
NPError NP_CALL NewStream(NPP, NPMIMEType, const char*, NPStream**) { return Count("newstream"), NPERR_GENERIC_ERROR; }
int32_t NP_CALL Write(NPP, NPStream*, int32_t, void*) { return Count("write"), -1; }
NPError NP_CALL DestroyStream(NPP, NPStream*, NPReason) { return Count("destroystream"), NPERR_GENERIC_ERROR; }
void NP_CALL Status(NPP, const char*) { Count("status"); }
const char* NP_CALL UserAgent(NPP) { return Count("uagent"), "LumettaBrowser/1.0"; }
void* NP_CALL MemAlloc(uint32_t size) { return Count("memalloc"), BrowserMemory::Allocate(size); }
void NP_CALL MemFree(void* block) {
    Count("memfree");
    BrowserMemory::Free(block);
}
uint32_t NP_CALL MemFlush(uint32_t) { return Count("memflush"), 0; }
void NP_CALL ReloadPlugins(NPBool) { Count("reloadplugins"); }
void* NP_CALL GetJavaEnv() { return Count("getJavaEnv"), nullptr; }
void* NP_CALL GetJavaPeer(NPP) { return Count("getJavaPeer"), nullptr; }
NPError NP_CALL GetURLNotify(NPP, const char*, const char*, void*) { return Count("geturlnotify"), NPERR_GENERIC_ERROR; }
NPError NP_CALL PostURLNotify(NPP, const char*, const char*, uint32_t, const char*, NPBool, void*) {
    return Count("posturlnotify"), NPERR_GENERIC_ERROR;
}

NPError NP_CALL GetValue(NPP npp, NPNVariable variable, void* value) {
    Count("getvalue");
    if (!value || !g_current) return NPERR_GENERIC_ERROR;
    switch (variable) {
        case NPNVWindowNPObject:
            if (!RecordOf(npp)) return NPERR_INVALID_INSTANCE_ERROR;
            *static_cast<NPObject**>(value) = RetainObject(g_current->WindowObject());
            return NPERR_NO_ERROR;
        case NPNVnetscapeWindow:
            *static_cast<HWND*>(value) = g_current->Frame();
            return NPERR_NO_ERROR;
        case NPNVjavascriptEnabledBool:
            *static_cast<NPBool*>(value) = 1;
            return NPERR_NO_ERROR;
        default: return NPERR_GENERIC_ERROR;
    }
}

NPError NP_CALL SetValue(NPP, NPPVariable, void*) { return Count("setvalue"), NPERR_NO_ERROR; }
void NP_CALL InvalidateRect(NPP, NPRect*) { Count("invalidaterect"); }
void NP_CALL InvalidateRegion(NPP, NPRegion) { Count("invalidateregion"); }
void NP_CALL ForceRedraw(NPP) { Count("forceredraw"); }

NPIdentifier NP_CALL GetStringIdentifier(const NPUTF8* name) {
    Count("getstringidentifier");
    return StringIdentifier(name);
}

void NP_CALL GetStringIdentifiers(const NPUTF8** names, int32_t count, NPIdentifier* ids) {
    Count("getstringidentifiers");
    for (int32_t i = 0; i < count; ++i) ids[i] = StringIdentifier(names[i]);
}

NPIdentifier NP_CALL GetIntIdentifier(int32_t value) {
    Count("getintidentifier");
    return IntIdentifier(value);
}

bool NP_CALL IdentifierIsString(NPIdentifier id) { return Count("identifierisstring"), IsStringIdentifier(id); }
NPUTF8* NP_CALL UTF8FromIdentifier(NPIdentifier id) { return Count("utf8fromidentifier"), IdentifierUtf8Copy(id); }
int32_t NP_CALL IntFromIdentifier(NPIdentifier id) { return Count("intfromidentifier"), IdentifierInt(id); }

NPObject* NP_CALL CreateObjectFn(NPP npp, NPClass* cls) {
    Count("createobject");
    return CreateObject(npp, cls);
}

NPObject* NP_CALL RetainObjectFn(NPObject* o) { return Count("retainobject"), RetainObject(o); }
void NP_CALL ReleaseObjectFn(NPObject* o) {
    Count("releaseobject");
    ReleaseObject(o);
}

bool NP_CALL Invoke(NPP, NPObject* o, NPIdentifier id, const NPVariant* args, uint32_t count, NPVariant* result) {
    Count("invoke");
    if (result) VOID_TO_NPVARIANT(*result);
    return o && o->_class && o->_class->invoke && o->_class->invoke(o, id, args, count, result);
}

bool NP_CALL InvokeDefault(NPP, NPObject* o, const NPVariant* args, uint32_t count, NPVariant* result) {
    Count("invokeDefault");
    if (result) VOID_TO_NPVARIANT(*result);
    return o && o->_class && o->_class->invokeDefault && o->_class->invokeDefault(o, args, count, result);
}

bool NP_CALL Evaluate(NPP, NPObject* o, NPString* script, NPVariant* result) {
    Count("evaluate");
    if (result) VOID_TO_NPVARIANT(*result);
    if (!g_current || !g_current->evaluate || !script) return false;
    return g_current->evaluate(o, std::string(script->UTF8Characters ? script->UTF8Characters : "", script->UTF8Length),
                               result);
}

bool NP_CALL GetPropertyFn(NPP, NPObject* o, NPIdentifier id, NPVariant* result) {
    Count("getproperty");
    if (result) VOID_TO_NPVARIANT(*result);
    return o && o->_class && o->_class->getProperty && o->_class->getProperty(o, id, result);
}

bool NP_CALL SetPropertyFn(NPP, NPObject* o, NPIdentifier id, const NPVariant* value) {
    Count("setproperty");
    return o && o->_class && o->_class->setProperty && o->_class->setProperty(o, id, value);
}

bool NP_CALL RemovePropertyFn(NPP, NPObject* o, NPIdentifier id) {
    Count("removeproperty");
    return o && o->_class && o->_class->removeProperty && o->_class->removeProperty(o, id);
}

bool NP_CALL HasPropertyFn(NPP, NPObject* o, NPIdentifier id) {
    Count("hasproperty");
    return o && o->_class && o->_class->hasProperty && o->_class->hasProperty(o, id);
}

bool NP_CALL HasMethodFn(NPP, NPObject* o, NPIdentifier id) {
    Count("hasmethod");
    return o && o->_class && o->_class->hasMethod && o->_class->hasMethod(o, id);
}

void NP_CALL ReleaseVariantValueFn(NPVariant* v) {
    Count("releasevariantvalue");
    ReleaseVariantValue(v);
}

void NP_CALL SetException(NPObject*, const NPUTF8* message) {
    Count("setexception");
    if (g_current) g_current->exceptions.push_back(message ? message : "");
}

void NP_CALL PushPopups(NPP, NPBool) { Count("pushpopupsenabledstate"); }
void NP_CALL PopPopups(NPP) { Count("poppopupsenabledstate"); }

// Presses the default button of every dialog the browser's thread shows.
struct AnswererArgs {
    DWORD thread;
    HANDLE stop;
};

// A dialog the answerer met: when it was answered, and when taking it down began.
struct MetDialog {
    DWORD answered = 0;
    DWORD forced = 0;
};
constexpr DWORD kDialogGraceMs = 8000;

void Record(const std::string& line) {
    std::lock_guard<std::mutex> guard(g_dialogLock);
    g_dialogs.push_back(line);
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM p) {
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof cls);
    // Image editor windows (a dialog with its viewer "ImageEditor") and dialogs with a menu bar
    // (the camera's preview) are the page's to drive.
    if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(window) && !FindWindowExA(window, nullptr, nullptr, "ImageEditor") &&
        !GetMenu(window))
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(window);
    return TRUE;
}

// Answers each dialog once with its default button and Cancel; a dialog still open a while after
// that is recorded again and taken down, so that no dialog holds the browser's thread for ever.
void AnswerWindow(HWND window, MetDialog& met, DWORD thread) {
    char text[512] = {};
    HWND label = GetDlgItem(window, 0xFFFF);  // a message box's text
    if (label) GetWindowTextA(label, text, sizeof text);
    char title[256] = {};
    GetWindowTextA(window, title, sizeof title);
    const DWORD now = GetTickCount() | 1;
    if (!met.answered) {
        met.answered = now;
        Record(std::string(title) + ": " + text);
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else if (!met.forced && now - met.answered > kDialogGraceMs) {
        met.forced = now;
        Record(std::string(title) + ": still open " + std::to_string(kDialogGraceMs / 1000) + " s after its answer; closed");
        EndDialog(window, IDCANCEL);
        PostMessageA(window, WM_CLOSE, 0, 0);
    } else if (met.forced && met.forced != 1 && now - met.forced > 2000) {
        met.forced = 1;  // once: the modal loop that holds it ends
        PostThreadMessageA(thread, WM_QUIT, 0, 0);
    }
}

DWORD WINAPI AnswerDialogs(LPVOID p) {
    auto* args = static_cast<AnswererArgs*>(p);
    std::map<HWND, MetDialog> met;
    while (WaitForSingleObject(args->stop, 200) == WAIT_TIMEOUT) {
        std::vector<HWND> open;
        EnumThreadWindows(args->thread, CollectDialog, reinterpret_cast<LPARAM>(&open));
        for (HWND window : open) AnswerWindow(window, met[window], args->thread);
        for (auto it = met.begin(); it != met.end();) {
            it = std::find(open.begin(), open.end(), it->first) == open.end() ? met.erase(it) : std::next(it);
        }
    }
    delete args;
    return 0;
}

}  // namespace

Browser::Browser() : m_page(new Page) {
    g_current = this;
    // The one script a plug-in evaluates here: "value" on an object reads that property.
    evaluate = [](NPObject* scope, const std::string& script, NPVariant* result) {
        if (script != "value" || !scope || !scope->_class || !scope->_class->getProperty) return false;
        return scope->_class->getProperty(scope, StringIdentifier("value"), result);
    };
    FillFunctions(&m_functions);
    RegisterClasses();
    m_frame = CreateWindowExA(0, kFrameClass, "Lumetta browser", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0,
                              0, 900, 700, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    m_thread = GetCurrentThreadId();
    StartDialogAnswerer();
}

Browser::~Browser() {
    while (!m_embeds.empty()) Destroy(m_embeds.back().get());
    if (m_module) {
        Shutdown();
        Unload();
    }
    StopDialogAnswerer();
    SetWindowObject(nullptr);
    m_page.reset();
    if (m_frame) DestroyWindow(m_frame);
    Pump(0);
    if (g_current == this) g_current = nullptr;
}

Browser* Browser::Current() { return g_current; }

void Browser::SetWindowObject(NPObject* window) {
    NPObject* old = m_windowObject;
    m_windowObject = RetainObject(window);
    ReleaseObject(old);
}

NPObject* Browser::WindowObject() const { return m_windowObject ? m_windowObject : m_page->Window(); }

void Browser::FillFunctions(NPNetscapeFuncs* t) {
    *t = NPNetscapeFuncs{};
    t->size = sizeof(NPNetscapeFuncs);
    t->version = (0 << 8) | 27;
    t->geturl = GetURL;
    t->posturl = PostURL;
    t->requestread = RequestRead;
    t->newstream = NewStream;
    t->write = Write;
    t->destroystream = DestroyStream;
    t->status = Status;
    t->uagent = UserAgent;
    t->memalloc = MemAlloc;
    t->memfree = MemFree;
    t->memflush = MemFlush;
    t->reloadplugins = ReloadPlugins;
    t->getJavaEnv = GetJavaEnv;
    t->getJavaPeer = GetJavaPeer;
    t->geturlnotify = GetURLNotify;
    t->posturlnotify = PostURLNotify;
    t->getvalue = GetValue;
    t->setvalue = SetValue;
    t->invalidaterect = InvalidateRect;
    t->invalidateregion = InvalidateRegion;
    t->forceredraw = ForceRedraw;
    t->getstringidentifier = GetStringIdentifier;
    t->getstringidentifiers = GetStringIdentifiers;
    t->getintidentifier = GetIntIdentifier;
    t->identifierisstring = IdentifierIsString;
    t->utf8fromidentifier = UTF8FromIdentifier;
    t->intfromidentifier = IntFromIdentifier;
    t->createobject = CreateObjectFn;
    t->retainobject = RetainObjectFn;
    t->releaseobject = ReleaseObjectFn;
    t->invoke = Invoke;
    t->invokeDefault = InvokeDefault;
    t->evaluate = Evaluate;
    t->getproperty = GetPropertyFn;
    t->setproperty = SetPropertyFn;
    t->removeproperty = RemovePropertyFn;
    t->hasproperty = HasPropertyFn;
    t->hasmethod = HasMethodFn;
    t->releasevariantvalue = ReleaseVariantValueFn;
    t->setexception = SetException;
    t->pushpopupsenabledstate = PushPopups;
    t->poppopupsenabledstate = PopPopups;
}

bool Browser::Load(const std::string& path) {
    m_module = LoadLibraryA(path.c_str());
    if (m_module && guardHeap && !GuardedHeap::Watch(m_module)) {
        FreeLibrary(m_module);
        m_module = nullptr;
    }
    return m_module != nullptr;
}

NPError Browser::GetEntryPoints() {
    using Fn = NPError(WINAPI*)(NPPluginFuncs*);
    auto fn = reinterpret_cast<Fn>(GetProcAddress(m_module, "NP_GetEntryPoints"));
    if (!fn) return NPERR_INVALID_PLUGIN_ERROR;
    m_plugin = NPPluginFuncs{};
    m_plugin.size = sizeof(NPPluginFuncs);
    return fn(&m_plugin);
}

NPError Browser::Initialize() {
    using Fn = NPError(WINAPI*)(NPNetscapeFuncs*);
    auto fn = reinterpret_cast<Fn>(GetProcAddress(m_module, "NP_Initialize"));
    return fn ? fn(&m_functions) : NPERR_INVALID_PLUGIN_ERROR;
}

NPError Browser::Shutdown() {
    using Fn = NPError(WINAPI*)();
    auto fn = m_module ? reinterpret_cast<Fn>(GetProcAddress(m_module, "NP_Shutdown")) : nullptr;
    return fn ? fn() : NPERR_INVALID_PLUGIN_ERROR;
}

void Browser::Unload() {
    if (m_module) FreeLibrary(m_module);
    m_module = nullptr;
}

bool Browser::Start(const std::string& path) {
    return Load(path) && GetEntryPoints() == NPERR_NO_ERROR && Initialize() == NPERR_NO_ERROR;
}

Embed* Browser::New(const Attributes& attributes, NPError* error) {
    auto embed = std::make_unique<Embed>();
    std::vector<char*> names, values;
    embed->names.reserve(attributes.size());
    embed->values.reserve(attributes.size());
    for (const auto& [name, value] : attributes) {
        embed->names.push_back(name);
        embed->values.push_back(value);
    }
    for (size_t i = 0; i < attributes.size(); ++i) {
        names.push_back(embed->names[i].data());
        values.push_back(embed->values[i].data());
    }
    char type[] = "Application/Lumetta-Plugin";
    NPError e = m_plugin.newp ? m_plugin.newp(type, &embed->record, NP_EMBED, static_cast<int16_t>(names.size()),
                                               names.data(), values.data(), nullptr)
                              : NPERR_INVALID_PLUGIN_ERROR;
    if (error) *error = e;
    if (e != NPERR_NO_ERROR) return nullptr;
    m_embeds.push_back(std::move(embed));
    return m_embeds.back().get();
}

NPError Browser::SetWindow(Embed* embed, int width, int height) {
    if (!embed->window) {
        embed->window = CreateWindowExA(0, kEmbedClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width,
                                        height, m_frame, nullptr, GetModuleHandleA(nullptr), nullptr);
    } else {
        SetWindowPos(embed->window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    NPWindow& w = embed->npWindow;
    w.window = embed->window;
    w.x = 0;
    w.y = 0;
    w.width = static_cast<uint32_t>(width);
    w.height = static_cast<uint32_t>(height);
    w.clipRect = NPRect{0, 0, static_cast<uint16_t>(height), static_cast<uint16_t>(width)};
    w.type = NPWindowTypeWindow;
    return m_plugin.setwindow ? m_plugin.setwindow(&embed->record, &w) : NPERR_INVALID_PLUGIN_ERROR;
}

NPError Browser::Destroy(Embed* embed) {
    NPError e = m_plugin.destroy ? m_plugin.destroy(&embed->record, nullptr) : NPERR_INVALID_PLUGIN_ERROR;
    if (embed->window) DestroyWindow(embed->window);
    auto it = std::find_if(m_embeds.begin(), m_embeds.end(), [&](const auto& e2) { return e2.get() == embed; });
    if (it != m_embeds.end()) m_embeds.erase(it);
    return e;
}

bool Browser::Has(const Embed* embed) const {
    return std::any_of(m_embeds.begin(), m_embeds.end(), [&](const auto& e) { return e.get() == embed; });
}

NPObject* Browser::ScriptObject(Embed* embed) {
    NPObject* object = nullptr;
    if (!m_plugin.getvalue ||
        m_plugin.getvalue(&embed->record, NPPVpluginScriptableNPObject, &object) != NPERR_NO_ERROR)
        return nullptr;
    return object;
}

void Browser::Pump(DWORD milliseconds) {
    DWORD end = GetTickCount() + milliseconds;
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (milliseconds) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

std::vector<std::string> Browser::AnsweredDialogs() const {
    std::lock_guard<std::mutex> guard(g_dialogLock);
    return g_dialogs;
}

int Browser::CallCount(const std::string& function) const {
    for (const auto& [name, count] : m_calls)
        if (name == function) return count;
    return 0;
}

void Browser::CountCall(const char* function) {
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    for (auto& [name, count] : m_calls) {
        if (name == function) {
            ++count;
            return;
        }
    }
    m_calls.emplace_back(function, 1);
}

void Browser::StartDialogAnswerer() {
    {
        // What an earlier browser of the process answered is not this one's.
        std::lock_guard<std::mutex> guard(g_dialogLock);
        g_dialogs.clear();
    }
    m_stopAnswering = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_answerer = CreateThread(nullptr, 0, AnswerDialogs, new AnswererArgs{m_thread, m_stopAnswering}, 0, nullptr);
}

void Browser::StopDialogAnswerer() {
    if (m_stopAnswering) SetEvent(m_stopAnswering);
    if (m_answerer) {
        WaitForSingleObject(m_answerer, 5000);
        CloseHandle(m_answerer);
    }
    if (m_stopAnswering) CloseHandle(m_stopAnswering);
    m_answerer = m_stopAnswering = nullptr;
}

}  // namespace browser
