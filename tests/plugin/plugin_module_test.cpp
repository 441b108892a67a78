// NPLumetta.dll as a browser meets it: found by its version block, its three exports, the checks
// of the browser's table, the 13 handlers, instances in real windows, the script object's life and
// the event attributes of the embed tag. Every test ends with the browser's memory clean.
#include <windows.h>

#include <cstring>

#include "browser/plugin_file.h"
#include "plugin/scriptable_object.h"
#include "plugin_test_browser.h"

namespace {

using browser::PageObject;
using browser::PageValue;

template <typename F>
F Export(HMODULE module, const char* name) {
    return reinterpret_cast<F>(GetProcAddress(module, name));
}

using GetEntryPointsFn = NPError(WINAPI*)(NPPluginFuncs*);
using InitializeFn = NPError(WINAPI*)(NPNetscapeFuncs*);

HWND ViewerOf(const browser::Embed* embed) { return FindWindowExA(embed->window, nullptr, nullptr, nullptr); }

SIZE WindowSize(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

std::vector<int> Numbers(const std::vector<PageValue>& args) {
    std::vector<int> out;
    for (const PageValue& v : args) out.push_back(static_cast<int>(v.Number()));
    return out;
}

TEST(PluginFile, BrowserFindsThePluginByItsVersionBlock) {
    browser::PluginFile file;
    ASSERT_TRUE(browser::FindPluginForType(PluginFolder(), "application/LUMETTA-plugin", &file));
    EXPECT_NE(file.path.find("NPLumetta.dll"), std::string::npos) << file.path;
    EXPECT_EQ(file.mimeType, "Application/Lumetta-Plugin");
    EXPECT_EQ(file.fileExtents, "corva");
    EXPECT_EQ(file.fileOpenName, "NPLumetta");
    EXPECT_EQ(file.originalFilename, "NPLumetta.dll");
    EXPECT_FALSE(file.fileDescription.empty());
    EXPECT_EQ(file.productName, file.fileDescription);
    browser::PluginFile other;
    EXPECT_FALSE(browser::FindPluginForType(PluginFolder(), "application/x-other", &other));
}

TEST_F(PluginTest, ExportsCheckTheirTablesInOrder) {
    ASSERT_TRUE(browser_->Load(PluginPath()));
    HMODULE module = browser_->Module();
    auto getEntryPoints = Export<GetEntryPointsFn>(module, "NP_GetEntryPoints");
    auto initialize = Export<InitializeFn>(module, "NP_Initialize");
    auto shutdown = Export<NPError(WINAPI*)()>(module, "NP_Shutdown");
    ASSERT_TRUE(getEntryPoints && initialize && shutdown);

    EXPECT_EQ(getEntryPoints(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);
    NPPluginFuncs plugin;
    std::memset(&plugin, 0, sizeof plugin);
    plugin.size = 0x1234;
    int javaSentinel = 0;
    plugin.javaClass = &javaSentinel;
    ASSERT_EQ(getEntryPoints(&plugin), NPERR_NO_ERROR);
    EXPECT_EQ(plugin.version, 16);
    EXPECT_EQ(plugin.size, 0x1234);  // the browser's to fill
    EXPECT_EQ(plugin.javaClass, &javaSentinel);
    EXPECT_TRUE(plugin.newp && plugin.destroy && plugin.setwindow && plugin.newstream && plugin.destroystream &&
                plugin.asfile && plugin.writeready && plugin.write && plugin.print && plugin.event &&
                plugin.urlnotify && plugin.getvalue && plugin.setvalue);

    EXPECT_EQ(initialize(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);
    NPNetscapeFuncs table = browser_->Functions();
    table.version = 0x0100;  // major 1: refused before the (bad) size is looked at
    table.size = 0;
    EXPECT_EQ(initialize(&table), NPERR_INCOMPATIBLE_VERSION_ERROR);
    table.version = 27;
    table.size = static_cast<uint16_t>(kMinimumBrowserTableSize - sizeof(void*));
    EXPECT_EQ(initialize(&table), NPERR_INVALID_FUNCTABLE_ERROR);
    table.size = static_cast<uint16_t>(kMinimumBrowserTableSize);
    EXPECT_EQ(initialize(&table), NPERR_NO_ERROR);
    table.size = static_cast<uint16_t>(kMinimumBrowserTableSize + 64);
    EXPECT_EQ(initialize(&table), NPERR_NO_ERROR);
    EXPECT_EQ(shutdown(), NPERR_NO_ERROR);
    EXPECT_EQ(sizeof(void*) == 4 ? 172u : 344u, kMinimumBrowserTableSize);
}

TEST_F(PluginTest, HandlersAnswerWithoutRecordOrInstance) {
    const NPPluginFuncs& p = Started().Plugin();
    NPWindow window{};
    NPObject* out = nullptr;
    EXPECT_EQ(p.newp(nullptr, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(p.destroy(nullptr, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(p.setwindow(nullptr, &window), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(p.newstream(nullptr, nullptr, nullptr, 0, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(p.destroystream(nullptr, nullptr, 0), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(p.getvalue(nullptr, NPPVpluginScriptableNPObject, &out), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(p.setvalue(nullptr, NPNVWindowNPObject, nullptr), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(p.writeready(nullptr, nullptr), 0x0FFFFFFF);
    EXPECT_EQ(p.write(nullptr, nullptr, 0, 4711, nullptr), 4711);
    EXPECT_EQ(p.event(nullptr, nullptr), 0);
    p.asfile(nullptr, nullptr, nullptr);
    p.print(nullptr, nullptr);
    p.urlnotify(nullptr, nullptr, 0, nullptr);

    NPP_t empty{};  // a record whose instance is gone
    EXPECT_EQ(p.destroy(&empty, nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(p.setwindow(&empty, &window), NPERR_GENERIC_ERROR);
    EXPECT_EQ(p.newstream(&empty, nullptr, nullptr, 0, nullptr), NPERR_GENERIC_ERROR);
    EXPECT_EQ(p.destroystream(&empty, nullptr, 0), NPERR_GENERIC_ERROR);
    EXPECT_EQ(p.getvalue(&empty, NPPVpluginScriptableNPObject, &out), NPERR_GENERIC_ERROR);
    EXPECT_EQ(p.setvalue(&empty, NPNVWindowNPObject, nullptr), NPERR_GENERIC_ERROR);
    EXPECT_EQ(p.writeready(&empty, nullptr), 0x0FFFFFFF);
    EXPECT_EQ(p.write(&empty, nullptr, 0, 9, nullptr), 9);

    browser::Embed* embed = Started().New({});
    ASSERT_NE(embed, nullptr);
    EXPECT_EQ(p.setwindow(&embed->record, nullptr), NPERR_GENERIC_ERROR);
    // A window record without a window does not initialise: the instance only takes note.
    NPWindow noWindow{};
    EXPECT_EQ(p.setwindow(&embed->record, &noWindow), NPERR_NO_ERROR);
    EXPECT_EQ(p.newstream(&embed->record, nullptr, nullptr, 0, nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(p.destroystream(&embed->record, nullptr, 0), NPERR_NO_ERROR);
    EXPECT_EQ(p.setvalue(&embed->record, NPNVWindowNPObject, nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(p.write(&embed->record, nullptr, 0, 12, nullptr), 12);
    EXPECT_EQ(browser_->Destroy(embed), NPERR_NO_ERROR);
}

TEST_F(PluginTest, ViewerFillsTheBrowsersWindowAndFollowsItsSize) {
    browser::Embed* embed = Embedded({}, 320, 240);
    ASSERT_NE(embed, nullptr);
    HWND viewer = ViewerOf(embed);
    ASSERT_NE(viewer, nullptr);
    char title[32] = {};
    GetWindowTextA(viewer, title, sizeof title);
    EXPECT_STREQ(title, "ImageVIewer");
    LONG style = GetWindowLongA(viewer, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_EQ(WindowSize(viewer).cx, 320);
    EXPECT_EQ(WindowSize(viewer).cy, 240);

    // The browser's later window calls and its own resizing both reach the viewer.
    EXPECT_EQ(browser_->SetWindow(embed, 500, 350), NPERR_NO_ERROR);
    EXPECT_EQ(ViewerOf(embed), viewer);
    EXPECT_EQ(WindowSize(viewer).cx, 500);
    EXPECT_EQ(WindowSize(viewer).cy, 350);
    SendMessageA(embed->window, WM_SIZE, 0, MAKELPARAM(120, 90));
    EXPECT_EQ(WindowSize(viewer).cx, 120);
    EXPECT_EQ(WindowSize(viewer).cy, 90);
    browser_->Pump(50);

    // Destruction takes the viewer away and gives the window its own procedure back.
    LONG_PTR subclassed = GetWindowLongPtrA(embed->window, GWLP_WNDPROC);
    HWND plain = CreateWindowExA(0, "LumettaBrowserEmbed", "", WS_CHILD, 0, 0, 10, 10, browser_->Frame(), nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    LONG_PTR original = GetWindowLongPtrA(plain, GWLP_WNDPROC);
    DestroyWindow(plain);
    EXPECT_NE(subclassed, original);
    EXPECT_EQ(Started().Plugin().destroy(&embed->record, nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(embed->record.pdata, nullptr);
    EXPECT_FALSE(IsWindow(viewer));
    EXPECT_EQ(GetWindowLongPtrA(embed->window, GWLP_WNDPROC), original);
    EXPECT_EQ(GetWindowLongPtrA(embed->window, GWLP_USERDATA), 0);
    SendMessageA(embed->window, WM_USER + 403, 1, 0);  // the window no longer leads to the plug-in
    EXPECT_EQ(browser_->Destroy(embed), NPERR_NO_ERROR);
}

TEST_F(PluginTest, InstancesLiveSideBySide) {
    browser::Embed* a = Embedded({}, 200, 100);
    browser::Embed* b = Embedded({}, 300, 150);
    browser::Embed* c = Embedded({}, 100, 50);
    ASSERT_TRUE(a && b && c);
    HWND viewerA = ViewerOf(a), viewerC = ViewerOf(c);
    EXPECT_EQ(browser_->Destroy(b), NPERR_NO_ERROR);
    EXPECT_TRUE(IsWindow(viewerA));
    EXPECT_TRUE(IsWindow(viewerC));
    EXPECT_EQ(browser_->SetWindow(c, 260, 130), NPERR_NO_ERROR);
    EXPECT_EQ(WindowSize(viewerC).cx, 260);
    EXPECT_EQ(WindowSize(viewerA).cx, 200);
    browser_->Pump(50);
    EXPECT_EQ(browser_->Destroy(a), NPERR_NO_ERROR);
    EXPECT_EQ(browser_->Destroy(c), NPERR_NO_ERROR);
    EXPECT_TRUE(browser_->AnsweredDialogs().empty()) << browser_->AnsweredDialogs()[0];
}

// The harness answers a dialog of its thread once, with its caption and text, and a later browser
// of the process starts with no answers: an editor a test closed itself, but that the harness saw
// first, must not fail the next test that asks whether a dialog came up.
TEST(BrowserHarness, AnswersEachDialogOnceAndForgetsThoseOfEarlierBrowsers) {
    {
        browser::Browser first;
        EXPECT_EQ(MessageBoxA(first.Frame(), "first question", "Harness question", MB_OKCANCEL), IDOK);
        first.Pump(500);
        EXPECT_EQ(first.AnsweredDialogs(), std::vector<std::string>{"Harness question: first question"});
    }
    browser::Browser second;
    EXPECT_TRUE(second.AnsweredDialogs().empty());
}

TEST_F(PluginTest, ScriptObjectOutlivesItsInstanceDetached) {
    browser::Embed* embed = Embedded();
    ASSERT_NE(embed, nullptr);
    NPObject* first = browser_->ScriptObject(embed);
    NPObject* second = browser_->ScriptObject(embed);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->referenceCount, 3u);  // the instance's own and one per request
    browser::ReleaseObject(second);
    auto* scriptable = static_cast<CScriptablePluginObject*>(first);
    EXPECT_EQ(scriptable->record, &embed->record);
    EXPECT_NE(scriptable->instance, nullptr);

    // The page still holds the object when the element goes away.
    EXPECT_EQ(browser_->Destroy(embed), NPERR_NO_ERROR);
    EXPECT_EQ(first->referenceCount, 1u);
    EXPECT_EQ(scriptable->instance, nullptr);
    NPIdentifier name = browser::StringIdentifier("ErrorCode");
    NPVariant result = browser::IntVariant(5);
    EXPECT_FALSE(first->_class->hasMethod(first, name));
    first->_class->getProperty(first, name, &result);
    browser::ReleaseVariantValue(&result);
    browser::ReleaseObject(first);
}

TEST_F(PluginTest, GetValueAnswersOnlyWhatItKnows) {
    browser::Embed* embed = Embedded();
    ASSERT_NE(embed, nullptr);
    const NPPluginFuncs& p = browser_->Plugin();
    // 10 and 11 (the XPCOM peer and its interface id) are answered: see the peer tests.
    for (int variable : {1, 2, 3, 14, 99}) {
        void* sentinel = reinterpret_cast<void*>(0x5A5A);
        EXPECT_EQ(p.getvalue(&embed->record, static_cast<NPPVariable>(variable), &sentinel), NPERR_GENERIC_ERROR)
            << variable;
        EXPECT_EQ(sentinel, reinterpret_cast<void*>(0x5A5A)) << variable;
    }
    EXPECT_EQ(p.getvalue(&embed->record, NPPVpluginScriptableNPObject, nullptr), NPERR_GENERIC_ERROR);
    EXPECT_EQ(browser_->Destroy(embed), NPERR_NO_ERROR);
}

TEST_F(PluginTest, EventAttributesNameThePageFunctions) {
    browser::Page& page = Started().GetPage();
    PageObject* first = page.AddFunction("first");
    PageObject* second = page.AddFunction("second");
    PageObject* area = page.AddFunction("area");
    PageObject* top = page.AddFunction("top");
    page.SetValue("numberVariable", PageValue::Int(7));
    page.SetValue("textVariable", PageValue::Text("not a function"));
    browser::Embed* embed = Embedded({{"onmouseclick", "first"},
                                      {"ONMOUSECLICK", "second"},
                                      {"OnImageAreaSelected", "area"},
                                      {"OnMouseMove", "numberVariable"},
                                      {"OnMouseRightClick", "textVariable"},
                                      {"OnMouseDoubleClick", "missingFunction"},
                                      {"onTopImageInTheViewChanged", "top"},
                                      {"OnSomethingElse", "first"}});
    ASSERT_NE(embed, nullptr);
    SendMessageA(embed->window, WM_USER + 403, 5, 0);
    SendMessageA(embed->window, WM_USER + 403, 0xFFFF, 0);  // an index is a signed 16-bit number
    ASSERT_EQ(second->calls.size(), 2u);
    EXPECT_EQ(Numbers(second->calls[0]), std::vector<int>{5});
    EXPECT_EQ(Numbers(second->calls[1]), std::vector<int>{-1});
    EXPECT_TRUE(first->calls.empty());

    SendMessageA(embed->window, WM_USER + 408, 2, 0);
    RECT r{10, 20, 30, 40};
    SendMessageA(embed->window, WM_USER + 408, 3, reinterpret_cast<LPARAM>(&r));
    ASSERT_EQ(area->calls.size(), 2u);
    EXPECT_EQ(Numbers(area->calls[0]), (std::vector<int>{2, 0, 0, 0, 0}));
    EXPECT_EQ(Numbers(area->calls[1]), (std::vector<int>{3, 10, 20, 30, 40}));
    SendMessageA(embed->window, WM_USER + 407, 4, 0);
    ASSERT_EQ(top->calls.size(), 1u);

    // Values that are not functions, and names the page lacks, are never called.
    int invoked = browser_->CallCount("invokeDefault");
    SendMessageA(embed->window, WM_USER + 404, 1, 0);
    SendMessageA(embed->window, WM_USER + 405, 1, 0);
    SendMessageA(embed->window, WM_USER + 406, 1, 0);
    EXPECT_EQ(browser_->CallCount("invokeDefault"), invoked);
    EXPECT_EQ(browser_->Destroy(embed), NPERR_NO_ERROR);
}

TEST_F(PluginTest, NullAttributeNamesAndValuesAreSafe) {
    PageObject* post = Started().GetPage().AddFunction("post");
    char n0[] = "OnMouseClick", n2[] = "OnMouseMove", v1[] = "post", v2[] = "post";
    char* names[] = {n0, nullptr, n2};
    char* values[] = {nullptr, v1, v2};
    NPP_t record{};
    char type[] = "Application/Lumetta-Plugin";
    ASSERT_EQ(browser_->Plugin().newp(type, &record, NP_EMBED, 3, names, values, nullptr), NPERR_NO_ERROR);
    NPP_t noValues{};
    ASSERT_EQ(browser_->Plugin().newp(type, &noValues, NP_EMBED, 3, names, nullptr, nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(browser_->Plugin().destroy(&noValues, nullptr), NPERR_NO_ERROR);
    HWND window = CreateWindowExA(0, "LumettaBrowserEmbed", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50,
                                  browser_->Frame(), nullptr, GetModuleHandleA(nullptr), nullptr);
    NPWindow w{window, 0, 0, 50, 50, {0, 0, 50, 50}, NPWindowTypeWindow};
    ASSERT_EQ(browser_->Plugin().setwindow(&record, &w), NPERR_NO_ERROR);
    SendMessageA(window, WM_USER + 403, 1, 0);  // the attribute without a value names nothing
    SendMessageA(window, WM_USER + 404, 2, 0);
    ASSERT_EQ(post->calls.size(), 1u);
    EXPECT_EQ(Numbers(post->calls[0]), std::vector<int>{2});
    EXPECT_EQ(browser_->Plugin().destroy(&record, nullptr), NPERR_NO_ERROR);
    DestroyWindow(window);
}

TEST_F(PluginTest, BrowserTableWithNullEntriesIsNeverCalledThroughThem) {
    NPNetscapeFuncs& table = browser_->Functions();
    table.getvalue = nullptr;
    table.getstringidentifier = nullptr;
    table.createobject = nullptr;
    table.retainobject = nullptr;
    table.releaseobject = nullptr;
    table.invokeDefault = nullptr;
    table.getproperty = nullptr;
    table.releasevariantvalue = nullptr;
    table.memalloc = nullptr;
    table.memfree = nullptr;
    browser_->GetPage().AddFunction("clicked");
    browser::Embed* embed = Embedded({{"OnMouseClick", "clicked"}});
    ASSERT_NE(embed, nullptr);
    SendMessageA(embed->window, WM_USER + 403, 1, 0);
    NPObject* object = reinterpret_cast<NPObject*>(0x1);
    EXPECT_EQ(browser_->Plugin().getvalue(&embed->record, NPPVpluginScriptableNPObject, &object), NPERR_NO_ERROR);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(browser_->Destroy(embed), NPERR_NO_ERROR);
}

TEST_F(PluginTest, LaterWindowRecordsKeepTheFirstWindow) {
    browser::Embed* embed = Embedded({}, 160, 120);
    ASSERT_NE(embed, nullptr);
    HWND first = ViewerOf(embed);
    // The browser swaps the window under the element: the plug-in follows the new one.
    HWND other = CreateWindowExA(0, "LumettaBrowserEmbed", "", WS_CHILD | WS_VISIBLE, 0, 0, 90, 60,
                                 browser_->Frame(), nullptr, GetModuleHandleA(nullptr), nullptr);
    NPWindow w{other, 0, 0, 90, 60, {0, 0, 60, 90}, NPWindowTypeWindow};
    EXPECT_EQ(browser_->Plugin().setwindow(&embed->record, &w), NPERR_NO_ERROR);
    EXPECT_EQ(ViewerOf(embed), first);  // an initialised instance keeps its window
    EXPECT_EQ(FindWindowExA(other, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(browser_->Destroy(embed), NPERR_NO_ERROR);
    DestroyWindow(other);
}

}  // namespace
