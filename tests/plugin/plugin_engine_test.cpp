// The plug-in's own code in this process, against the browser harness: the wrappers around the
// browser's table, the instance's registry entry, hook and destruction, and GDI+ bound at run
// time (also run with GDI+ switched off).
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "core/engine_table.h"
#include "plugin/browser_functions.h"
#include "plugin/gdiplus_runtime.h"
#include "plugin/plugin_instance.h"
#include "browser/page_model.h"
#include "plugin_test_browser.h"

namespace {

class PluginEngine : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        ASSERT_EQ(CopyBrowserFunctions(&browser_->Functions()), NPERR_NO_ERROR);
    }
    void TearDown() override {
        ForgetBrowserFunctions();
        PluginTest::TearDown();
    }
    HWND MakeWindow(int w, int h) {
        return CreateWindowExA(0, "LumettaBrowserEmbed", "", WS_CHILD | WS_VISIBLE, 0, 0, w, h, browser_->Frame(),
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    static bool InRegistry(CBrowserAddOnBase* engine) {
        for (int i = 0; i < kEngineTableSlots; ++i)
            if (EngineAt(i) == engine) return true;
        return false;
    }
};

TEST_F(PluginEngine, WrappersHonourTheBrowsersVersionAndMissingEntries) {
    NPNetscapeFuncs table = browser_->Functions();
    table.version = 8;  // streams yes, notifications no
    ASSERT_EQ(CopyBrowserFunctions(&table), NPERR_NO_ERROR);
    NPP_t record{};
    EXPECT_EQ(NPN_GetURLNotify(&record, "http://127.0.0.1/", nullptr, nullptr), NPERR_INCOMPATIBLE_VERSION_ERROR);
    EXPECT_EQ(NPN_PostURLNotify(&record, "http://127.0.0.1/", nullptr, 0, "", 0, nullptr),
              NPERR_INCOMPATIBLE_VERSION_ERROR);
    EXPECT_EQ(browser_->CallCount("geturlnotify"), 0);
    EXPECT_EQ(NPN_NewStream(&record, nullptr, nullptr, nullptr), NPERR_GENERIC_ERROR);  // the browser's answer
    EXPECT_EQ(browser_->CallCount("newstream"), 1);
    int pm = 0, pn = 0, bm = 0, bn = 0;
    NPN_Version(&pm, &pn, &bm, &bn);
    EXPECT_EQ(pm, 0);
    EXPECT_EQ(pn, 16);
    EXPECT_EQ(bm, 0);
    EXPECT_EQ(bn, 8);

    table.version = 7;
    ASSERT_EQ(CopyBrowserFunctions(&table), NPERR_NO_ERROR);
    EXPECT_EQ(NPN_NewStream(&record, nullptr, nullptr, nullptr), NPERR_INCOMPATIBLE_VERSION_ERROR);
    EXPECT_EQ(NPN_DestroyStream(&record, nullptr, 0), NPERR_INCOMPATIBLE_VERSION_ERROR);
    EXPECT_EQ(NPN_Write(&record, nullptr, 4, nullptr), -1);
    EXPECT_EQ(browser_->CallCount("newstream"), 1);

    // A table of the right size with holes: every wrapper answers its failure instead.
    NPNetscapeFuncs holes{};
    holes.size = static_cast<uint16_t>(kMinimumBrowserTableSize);
    holes.version = 27;
    ASSERT_EQ(CopyBrowserFunctions(&holes), NPERR_NO_ERROR);
    EXPECT_EQ(NPN_MemAlloc(10), nullptr);
    NPN_MemFree(reinterpret_cast<void*>(0x10));
    EXPECT_EQ(NPN_GetStringIdentifier("x"), nullptr);
    EXPECT_EQ(NPN_CreateObject(&record, nullptr), nullptr);
    EXPECT_FALSE(NPN_InvokeDefault(&record, nullptr, nullptr, 0, nullptr));
    EXPECT_EQ(NPN_GetValue(&record, NPNVWindowNPObject, nullptr), NPERR_GENERIC_ERROR);
    NPIdentifier ids[2] = {reinterpret_cast<NPIdentifier>(1), reinterpret_cast<NPIdentifier>(1)};
    const NPUTF8* names[2] = {"a", "b"};
    NPN_GetStringIdentifiers(names, 2, ids);
    EXPECT_EQ(ids[0], nullptr);
    EXPECT_EQ(ids[1], nullptr);
    NPVariant v = browser::IntVariant(1);
    NPN_ReleaseVariantValue(&v);
    EXPECT_EQ(NPN_UserAgent(&record), nullptr);
    EXPECT_EQ(NPN_GetURL(&record, "u", nullptr), NPERR_GENERIC_ERROR);

    // Only the first 40 entries are taken: the pop-up pair is never copied.
    NPNetscapeFuncs full = browser_->Functions();
    ASSERT_EQ(CopyBrowserFunctions(&full), NPERR_NO_ERROR);
    void* block = NPN_MemAlloc(3);
    EXPECT_NE(block, nullptr);
    NPN_MemFree(block);
}

TEST_F(PluginEngine, InstanceEntersTheRegistryAndHooksItsThread) {
    NPP_t record{};
    PluginInstance* instance = PluginInstance::Create(&record, NP_EMBED, 0, nullptr, nullptr);
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->HostKind(), kHostPlugin);
    EXPECT_FALSE(InRegistry(instance));
    EXPECT_FALSE(instance->Init(nullptr));
    NPWindow none{};
    EXPECT_FALSE(instance->Init(&none));
    HWND window = MakeWindow(80, 60);
    NPWindow w{window, 0, 0, 80, 60, {0, 0, 60, 80}, NPWindowTypeWindow};
    ASSERT_TRUE(instance->Init(&w));
    EXPECT_TRUE(instance->IsInitialized());
    EXPECT_TRUE(InRegistry(instance));
    EXPECT_EQ(instance->OwnerWindow(), window);
    EXPECT_EQ(instance->GetViewerWindow(), FindWindowExA(window, nullptr, nullptr, nullptr));
    // The window's first message after subclassing hands it to the TWAIN layer.
    SendMessageA(window, WM_NULL, 0, 0);
    EXPECT_EQ(instance->GetTWAINWindowHandle(), window);

    instance->HookMessage();
    HHOOK hook = instance->GetHookHandle();
    EXPECT_NE(hook, nullptr);
    instance->UnhookMessage();
    EXPECT_EQ(instance->GetHookHandle(), nullptr);
    instance->SetHookOption(0);
    instance->HookMessage();
    EXPECT_EQ(instance->GetHookHandle(), nullptr);

    instance->Shutdown();
    EXPECT_FALSE(instance->IsInitialized());
    EXPECT_EQ(instance->OwnerWindow(), nullptr);
    EXPECT_TRUE(InRegistry(instance));  // only destruction leaves the registry
    // A shut-down instance given a window again is initialised again.
    ASSERT_TRUE(instance->Init(&w));
    EXPECT_TRUE(instance->IsInitialized());
    CBrowserAddOnBase* engine = instance;
    delete instance;
    EXPECT_FALSE(InRegistry(engine));
    DestroyWindow(window);
}

TEST_F(PluginEngine, TextsReachTheScriptAsUtf8InBrowserMemory) {
    NPP_t record{};
    PluginInstance* instance = PluginInstance::Create(&record, NP_EMBED, 0, nullptr, nullptr);
    ASSERT_NE(instance, nullptr);
    instance->SetErrorCode(-1001);
    NPVariant out;
    ASSERT_TRUE(instance->SetScriptString(&out, "Caf\xE9 \x80", TRUE));  // code page 1252: e acute, euro
    EXPECT_EQ(instance->GetErrorCode(), 0);
    EXPECT_EQ(out.type, NPVariantType_String);
    EXPECT_EQ(browser::VariantText(out), "Caf\xC3\xA9 \xE2\x82\xAC");
    browser::ReleaseVariantValue(&out);
    ASSERT_TRUE(instance->SetScriptString(&out, nullptr, FALSE));
    EXPECT_EQ(browser::VariantText(out), "");
    browser::ReleaseVariantValue(&out);
    delete instance;
}

// The file path report reaches its page function at once, on the calling thread, with texts as UTF-8.
TEST_F(PluginEngine, FilePathReportCallsItsPageFunctionAtOnce) {
    browser::PageObject* chosen = browser_->GetPage().AddFunction("chosen");
    char name[] = "OnGetFilePath";
    char value[] = "chosen";
    char* names[] = {name};
    char* values[] = {value};
    NPP_t record{};
    PluginInstance* instance = PluginInstance::Create(&record, NP_EMBED, 1, names, values);
    ASSERT_NE(instance, nullptr);
    instance->OnGetFilePath(TRUE, 2, 1, "C:\\caf\xE9", "page.bmp");  // e acute in code page 1252
    instance->OnGetFilePath(FALSE, 0, -1, "", "");
    ASSERT_EQ(chosen->calls.size(), 2u);
    const auto& first = chosen->calls[0];
    ASSERT_EQ(first.size(), 5u);
    EXPECT_EQ(first[0].intValue, 1);
    EXPECT_EQ(first[1].intValue, 2);
    EXPECT_EQ(first[2].intValue, 1);
    EXPECT_EQ(first[3].text, "C:\\caf\xC3\xA9");
    EXPECT_EQ(first[4].text, "page.bmp");
    EXPECT_EQ(chosen->calls[1][2].intValue, -1);
    EXPECT_EQ(chosen->calls[1][3].type, NPVariantType_String);
    delete instance;
    browser_->GetPage().Clear();
}

// An instance on the test scanner: each event of the list calls its page function page_<event>,
// which runs the given handler; the device type is set on the instance, as the script object
// leaves it alone. A page reaches the scanner only through it.
class ScannerPage : public PluginEngine {
protected:
    using Handler = std::function<void(const char* event)>;
    void Embed(const std::vector<const char*>& events, Handler handler) {
        m_handler = std::move(handler);
        std::vector<char*> names, values;
        for (const char* event : events) m_functions.push_back(std::string("page_") + event);
        for (size_t i = 0; i < events.size(); ++i) {
            browser::PageObject* f = browser_->GetPage().AddFunction(m_functions[i]);
            f->body = [this, event = events[i]](const std::vector<browser::PageValue>&) {
                m_handler(event);
                return browser::PageValue();
            };
            names.push_back(const_cast<char*>(events[i]));
            values.push_back(m_functions[i].data());
        }
        instance = PluginInstance::Create(&m_record, NP_EMBED, static_cast<int16_t>(names.size()), names.data(),
                                          values.data());
        ASSERT_NE(instance, nullptr);
        m_window = MakeWindow(320, 240);
        NPWindow w{m_window, 0, 0, 320, 240, {0, 0, 240, 320}, NPWindowTypeWindow};
        ASSERT_TRUE(instance->Init(&w));
        ASSERT_TRUE(instance->SetSupportedDeviceType(0));
        instance->SetPluginManagerSearch(sizeof(void*) == 4);  // the 64-bit build finds the manager as the control does
        ASSERT_EQ(instance->GetValue(NPPVpluginScriptableNPObject, &m_object), NPERR_NO_ERROR);
        NPVariant no = browser::BoolVariant(false);
        m_object->_class->setProperty(m_object, browser::StringIdentifier("IfShowUI"), &no);
        for (int i = 0; i < 8 && scanner < 0; ++i)
            if (Call("GetSourceNameItems", {browser::IntVariant(i)}).text.find("Lumetta Test Scanner") != std::string::npos)
                scanner = i;
        ASSERT_GE(scanner, 0) << "the test scanner is not installed in this prefix";
    }
    void TearDown() override {
        if (m_object) browser::ReleaseObject(m_object);
        delete instance;
        if (m_window) DestroyWindow(m_window);
        browser_->GetPage().Clear();
        PluginEngine::TearDown();
    }
    browser::PageValue Call(const char* name, std::vector<NPVariant> args) {
        NPVariant result = browser::VoidVariant();
        bool ok = m_object->_class->invoke(m_object, browser::StringIdentifier(name), args.data(),
                                           static_cast<uint32_t>(args.size()), &result);
        browser::PageValue value = browser::PageValue::From(result);
        browser::ReleaseVariantValue(&result);
        return ok ? value : browser::PageValue::Null();
    }
    bool Set(const char* name, NPVariant value) {
        return m_object->_class->setProperty(m_object, browser::StringIdentifier(name), &value);
    }
    browser::PageValue Get(const char* name) {
        NPVariant result = browser::VoidVariant();
        bool ok = m_object->_class->getProperty(m_object, browser::StringIdentifier(name), &result);
        browser::PageValue value = browser::PageValue::From(result);
        browser::ReleaseVariantValue(&result);
        return ok ? value : browser::PageValue::Null();
    }
    // Acquires from the scanner and pumps until the page saw the event (15 s at most).
    void AcquireUntil(const bool& done) {
        EXPECT_TRUE(Call("SelectSourceByIndex", {browser::IntVariant(scanner)}).boolValue);
        EXPECT_TRUE(Call("AcquireImage", {}).boolValue) << instance->GetErrorCode();
        for (int waited = 0; waited < 15000 && !done; waited += 50) browser_->Pump(50);
        browser_->Pump(300);
    }

    PluginInstance* instance = nullptr;
    int scanner = -1;

private:
    Handler m_handler;
    std::vector<std::string> m_functions;
    NPP_t m_record{};
    HWND m_window = nullptr;
    NPObject* m_object = nullptr;
};

// A scan from the test scanner (two pages).
TEST_F(ScannerPage, ScannerAcquisitionRaisesTheTransferEventsInOrder) {
    std::vector<std::string> log;
    bool ended = false;
    Embed({"OnPreAllTransfers", "OnPreTransfer", "OnPostTransfer", "OnPostAllTransfers", "OnTransferError",
           "OnBitmapChanged", "OnTransferCancelled", "OnSourceUIClose"},
          [&](const char* event) {
              log.push_back(event);
              ended = ended || log.back() == "OnPostAllTransfers";
          });
    if (HasFatalFailure()) return;
    AcquireUntil(ended);
    EXPECT_EQ(instance->GetImageCount(), 2);
    // Each page: its own begin, the buffer's change and its end; the scan ends once.
    std::vector<std::string> page = {"OnPreTransfer", "OnBitmapChanged", "OnPostTransfer"};
    std::vector<std::string> expected = {"OnPreAllTransfers"};
    expected.insert(expected.end(), page.begin(), page.end());
    expected.insert(expected.end(), page.begin(), page.end());
    expected.push_back("OnPostAllTransfers");
    std::vector<std::string> seen;
    for (const std::string& e : log)
        if (e != "OnSourceUIClose") seen.push_back(e);  // the source may close its (hidden) UI as well
    EXPECT_EQ(seen, expected);
}

// Page handlers of a scan's own events close the source and the source manager, or move the source
// manager to or from a TWAIN thread of its own, while the batch still calls them: refused as a busy
// source, and the scan ends with both pages on the thread it began on. After it the page closes
// them at will. Without a TWAIN thread the handlers run inside the batch; with one they run on the
// window thread while the batch waits for them on its own.
class ScannerBatch : public ScannerPage {
protected:
    void ScanTryingToLetGo(bool onThread) {
        std::vector<std::string> tried;
        bool ended = false;
        Embed({"OnPreAllTransfers", "OnPreTransfer", "OnPostTransfer", "OnPostAllTransfers"}, [&](const char* event) {
            if (std::string(event) == "OnPostAllTransfers") {
                ended = true;
                return;
            }
            for (const char* member : {"CloseSource", "CloseSourceManager", "SelectSourceByIndex"}) {
                std::vector<NPVariant> args;
                if (std::string(member) == "SelectSourceByIndex") args.push_back(browser::IntVariant(scanner));
                const bool done = Call(member, args).boolValue;
                tried.push_back(std::string(member) + " " + (done ? "true" : "false") + " " +
                                std::to_string(instance->GetErrorCode()));
            }
            Set("IfScanInThread", browser::BoolVariant(!onThread));
            const int32_t error = instance->GetErrorCode();
            tried.push_back(std::string("IfScanInThread ") + (Get("IfScanInThread").boolValue ? "true" : "false") + " " +
                            std::to_string(error));
        });
        if (HasFatalFailure()) return;
        if (onThread) {
            ASSERT_TRUE(Set("IfScanInThread", browser::BoolVariant(true)));
            ASSERT_TRUE(Get("IfScanInThread").boolValue) << instance->GetErrorCode();
        }
        AcquireUntil(ended);
        EXPECT_TRUE(ended);
        EXPECT_EQ(instance->GetImageCount(), 2);
        const std::vector<std::string> refused = {"CloseSource false -1004", "CloseSourceManager false -1004",
                                                  "SelectSourceByIndex false -1004",
                                                  std::string("IfScanInThread ") + (onThread ? "true" : "false") + " -1004"};
        std::vector<std::string> expected;
        for (int k = 0; k < 5; ++k) expected.insert(expected.end(), refused.begin(), refused.end());  // all, each page twice
        EXPECT_EQ(tried, expected);
        EXPECT_TRUE(Call("CloseSource", {}).boolValue) << instance->GetErrorCode();
        EXPECT_TRUE(Call("CloseSourceManager", {}).boolValue) << instance->GetErrorCode();
        if (onThread) {
            EXPECT_TRUE(Set("IfScanInThread", browser::BoolVariant(false)));
        }
    }
};

TEST_F(ScannerBatch, ScannerBatchRefusesToCloseItsSourceFromItsOwnEvents) { ScanTryingToLetGo(false); }

TEST_F(ScannerBatch, ScannerBatchOnTheTwainThreadRefusesToCloseItsSourceFromItsOwnEvents) { ScanTryingToLetGo(true); }

// ---- GDI+ bound at run time ----

TEST(GdiplusRuntime, StubsAnswerTheirFallbacksWithoutAModule) {
    ASSERT_EQ(GdiplusRuntimeModule(), nullptr);
    namespace rt = gdiplus_runtime;
    UINT n = 0, size = 0;
    INT isize = 0;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    EXPECT_EQ(rt::GdiplusStartup(&token, &input, nullptr), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipGetImageEncodersSize(&n, &size), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipGetImageEncoders(0, 0, nullptr), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipCreateBitmapFromScan0(1, 1, 4, PixelFormat32bppARGB, nullptr, nullptr), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipCreateBitmapFromStream(nullptr, nullptr), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipCreateBitmapFromStreamICM(nullptr, nullptr), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipCreateBitmapFromGdiDib(nullptr, nullptr, nullptr), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipGetImageWidth(nullptr, &n), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipGetImageHeight(nullptr, &n), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipGetImagePaletteSize(nullptr, &isize), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipGetImagePalette(nullptr, nullptr, 0), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipSetImagePalette(nullptr, nullptr), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipCloneImage(nullptr, nullptr), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipDisposeImage(nullptr), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipBitmapLockBits(nullptr, nullptr, 0, 0, nullptr), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipBitmapUnlockBits(nullptr, nullptr), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipBitmapSetResolution(nullptr, 1, 1), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipGetImagePixelFormat(nullptr, nullptr), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipSaveImageToStream(nullptr, nullptr, nullptr, nullptr), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipSaveAdd(nullptr, nullptr), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipSaveAddImage(nullptr, nullptr, nullptr), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipImageGetFrameDimensionsCount(nullptr, &n), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipImageGetFrameDimensionsList(nullptr, nullptr, 0), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipImageGetFrameCount(nullptr, nullptr, &n), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipImageSelectActiveFrame(nullptr, nullptr, 0), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipAlloc(16), nullptr);
    rt::GdipFree(nullptr);
    rt::GdiplusShutdown(0);
}

TEST(GdiplusRuntime, LoadsAreCountedSoTheLastOneForgetsTheModule) {
    HMODULE first = LoadGdiplusForEngine();
    HMODULE second = LoadGdiplusForEngine();
    if (GdiplusSwitchedOff()) {
        EXPECT_EQ(first, nullptr);
        EXPECT_EQ(second, nullptr);
        EXPECT_EQ(GdiplusRuntimeModule(), nullptr);
        return;
    }
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GdiplusRuntimeModule(), second);
    namespace rt = gdiplus_runtime;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(rt::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    void* block = rt::GdipAlloc(64);
    EXPECT_NE(block, nullptr);
    rt::GdipFree(block);
    UINT count = 0, size = 0;
    EXPECT_EQ(rt::GdipGetImageEncodersSize(&count, &size), Gdiplus::Ok);
    EXPECT_GT(count, 0u);
    rt::GdiplusShutdown(token);

    FreeGdiplusOfEngine(first);
    EXPECT_EQ(GdiplusRuntimeModule(), second);  // the other engine's load keeps it
    EXPECT_EQ(rt::GdipGetImageEncodersSize(&count, &size), Gdiplus::Ok);
    FreeGdiplusOfEngine(second);
    EXPECT_EQ(GdiplusRuntimeModule(), nullptr);
    EXPECT_EQ(rt::GdipGetImageEncodersSize(&count, &size), Gdiplus::NotImplemented);
    EXPECT_EQ(rt::GdipAlloc(8), nullptr);
}

TEST_F(PluginEngine, EachInstanceHoldsItsOwnLoadOfGdiplus) {
    UseRuntimeGdiplus();
    const char* files = std::getenv("LUMETTA_TEST_FILES");
    ASSERT_NE(files, nullptr);
    std::string png = std::string(files) + "/rose.png";
    std::string gif = std::string(files) + "/logo.gif";
    NPP_t r1{}, r2{};
    PluginInstance* one = PluginInstance::Create(&r1, NP_EMBED, 0, nullptr, nullptr);
    PluginInstance* two = PluginInstance::Create(&r2, NP_EMBED, 0, nullptr, nullptr);
    ASSERT_TRUE(one && two);
    EXPECT_FALSE(one->UsesLibraryForSaving());
    EXPECT_EQ(one->UsesLibraryForLoading(), !GdiplusSwitchedOff());
    delete one;
    BOOL loaded = two->LoadImageEx(gif.c_str(), 5);
    if (GdiplusSwitchedOff()) {
        EXPECT_FALSE(loaded);
        EXPECT_EQ(two->GetImageCount(), 0);
    } else {
        EXPECT_TRUE(loaded) << two->GetErrorCode();
        EXPECT_EQ(two->GetImageCount(), 1);
        EXPECT_NE(GdiplusRuntimeModule(), nullptr);
    }
    delete two;
    EXPECT_EQ(GdiplusRuntimeModule(), nullptr);
    CImageOperator::SetPlatformImageLibrary(PlatformImageLibrary{});
}

}  // namespace

// ---- conversions and the member tables of the script object ----
#include "core/operation_name_table.h"
#include "plugin/script_signatures.h"
#include "plugin/script_values.h"

namespace {

double Parse(const char* text) { return ParseDecimalText(text, static_cast<uint32_t>(std::strlen(text))); }

TEST(ScriptValues, DecimalTextsTakeOnePlacePerCharacter) {
    EXPECT_EQ(Parse("2"), 2.0);
    EXPECT_EQ(Parse("1.5"), 1.5);
    EXPECT_EQ(Parse("-2.5"), -2.5);
    EXPECT_EQ(Parse("1x5"), 105.0);
    EXPECT_EQ(Parse(""), 0.0);
    EXPECT_EQ(ParseDecimalText(nullptr, 4), 0.0);
    EXPECT_DOUBLE_EQ(Parse("0.x5"), 0.05);
    EXPECT_EQ(Parse("12.5.7"), 12.0 + 0.5 + 0.007 - 0.0);  // the second point takes a place
    // Integer parts too long for 32 bits end at the largest number instead of wrapping.
    EXPECT_EQ(Parse("99999999999999"), 2147483647.0);
    EXPECT_EQ(Parse("-99999999999999"), -2147483647.0);
}

TEST(ScriptValues, ConversionsByClass) {
    NPVariant text;
    STRINGN_TO_NPVARIANT("40000.9", 7, text);
    EXPECT_EQ(ToInt32(text), 40000);
    EXPECT_EQ(ToInt16(text), static_cast<int16_t>(40000 & 0xFFFF));
    NPVariant big;
    DOUBLE_TO_NPVARIANT(1e12, big);
    EXPECT_EQ(ToInt32(big), 2147483647);  // no undefined conversion
    NPVariant nan;
    DOUBLE_TO_NPVARIANT(std::nan(""), nan);
    EXPECT_EQ(ToInt32(nan), 0);
    EXPECT_FALSE(ToBool(nan));
    NPVariant flag;
    BOOLEAN_TO_NPVARIANT(true, flag);
    EXPECT_EQ(ToInt32(flag), 0);
    EXPECT_TRUE(ToBool(flag));
    EXPECT_TRUE(IsPrimitive(flag));
    NPVariant none;
    NULL_TO_NPVARIANT(none);
    EXPECT_FALSE(IsPrimitive(none));
    EXPECT_EQ(ToText(flag), "");
    NPVariant utf8;
    STRINGN_TO_NPVARIANT("\xE2\x82\xAC" "5", 4, utf8);  // euro sign: one byte in code page 1252
    EXPECT_EQ(ToText(utf8), "\x80" "5");
}

TEST(ScriptSignatures, EveryMemberOfTheOneListHasItsSignature) {
    int methods = 0, properties = 0;
    for (int op = 0; op < kOperationCount; ++op) {
        const char* name = OperationName(op);
        if (!*name) continue;
        if (OperationKindTable[op] == ScriptMemberKind::Method) {
            EXPECT_NE(MethodSignatureOf(op), nullptr) << name;
            EXPECT_EQ(PropertySignatureOf(op), nullptr) << name;
            ++methods;
        } else {
            const PropertySignature* p = PropertySignatureOf(op);
            ASSERT_NE(p, nullptr) << name;
            EXPECT_EQ(p->set == 'r', OperationKindTable[op] == ScriptMemberKind::ReadOnly) << name;
            ++properties;
        }
    }
    int m = 0, p = 0;
    const MethodSignature* ms = MethodSignatures(&m);
    PropertySignatures(&p);
    EXPECT_EQ(methods, 150);
    EXPECT_EQ(properties, 245);
    EXPECT_EQ(m, methods);  // no entry for a name the list lacks
    EXPECT_EQ(p, properties);
    for (int k = 0; k < m; ++k) {
        if (ms[k].count >= 0) {
            EXPECT_EQ(static_cast<int>(std::strlen(ms[k].args)), ms[k].count) << ms[k].name;
        }
    }
}

}  // namespace
