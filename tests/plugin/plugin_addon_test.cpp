// The plug-in's barcode and OCR members, called on the instance as the XPCOM peer calls them,
// against the stand-in add-on libraries of this build (what they were handed is read back from
// their call log) and the loopback HTTP server for language packs.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/language_pack_checks.h"
#include "core/operation_name_table.h"
#include "plugin/browser_functions.h"
#include "plugin/plugin_instance.h"
#include "plugin_test_browser.h"
#include "support/test_dib.h"

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Arguments as the peer converts them: each kind in its own field only.
ScriptValue Short(int16_t v) {
    ScriptValue s;
    s.h = v;
    return s;
}
ScriptValue Long(int32_t v) {
    ScriptValue s;
    s.i = v;
    return s;
}
ScriptValue Flag(bool v) {
    ScriptValue s;
    s.b = v;
    return s;
}
ScriptValue Text(const std::string& v) {
    ScriptValue s;
    s.text = v;
    s.hasText = true;
    return s;
}

// The operation ids of the add-on members as the member table numbers them (373 ReadBarcode ...).
constexpr int kReadBarcodeId = 373, kReadBarcodeExId = 374, kReadBarcodeDirectlyId = 375,
              kReadBarcodeDirectlyExId = 376, kOcrId = 377, kOcrExId = 378, kOcrDirectlyId = 379,
              kOcrDirectlyExId = 380, kOcrSelectedImagesId = 381, kOcrSelectedImagesExId = 382, kOcrEx1Id = 394;

class PluginAddOns : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        ASSERT_EQ(CopyBrowserFunctions(&browser_->Functions()), NPERR_NO_ERROR);
        folder = Env("LUMETTA_ADDON_FOLDER");
        ASSERT_FALSE(folder.empty()) << "LUMETTA_ADDON_FOLDER names the stand-in libraries' folder";
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        log = std::string(temp) + "lumetta_plugin_addons_" + std::to_string(GetCurrentProcessId()) + ".log";
        DeleteFileA(log.c_str());
        SetEnvironmentVariableA("LUMETTA_ADDON_LOG", log.c_str());
        Scenario("results");
        instance = PluginInstance::Create(&record, NP_EMBED, 0, nullptr, nullptr);
        ASSERT_NE(instance, nullptr);
        instance->SetRunInWorker(0);
        ASSERT_TRUE(Put(kOpOCRDllPath, Text(folder)));
    }
    void TearDown() override {
        delete instance;
        SetEnvironmentVariableA("LUMETTA_ADDON_SCENARIO", nullptr);
        SetEnvironmentVariableA("LUMETTA_ADDON_LOG", nullptr);
        ForgetBrowserFunctions();
        PluginTest::TearDown();
    }
    static void Scenario(const char* name) { SetEnvironmentVariableA("LUMETTA_ADDON_SCENARIO", name); }
    std::string Log() const { return ReadText(log); }
    void ClearLog() const { DeleteFileA(log.c_str()); }

    // A method call; its text result (if any) is kept in `text`.
    ScriptValue Call(int op, const std::vector<ScriptValue>& args) {
        ScriptValue out;
        NPVariant result = browser::VoidVariant();
        EXPECT_TRUE(instance->RunMethod(op, args, out, &result)) << OperationNameTable[op];
        textResult = result.type == NPVariantType_String;
        text = browser::VariantText(result);
        browser::ReleaseVariantValue(&result);
        return out;
    }
    ScriptValue Get(int op) {
        ScriptValue out;
        NPVariant result = browser::VoidVariant();
        EXPECT_TRUE(instance->ReadProperty(op, out, &result)) << OperationNameTable[op];
        text = browser::VariantText(result);
        browser::ReleaseVariantValue(&result);
        return out;
    }
    bool Put(int op, const ScriptValue& value) { return instance->WriteProperty(op, value); }
    long ErrorCode() { return Get(kOpErrorCode).i; }
    std::string ErrorText() {
        Get(kOpErrorString);
        return text;
    }
    std::string MakeDataFolder(const char* name, bool withEnglish) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        const std::string data = std::string(temp) + name + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(data.c_str(), nullptr);
        CreateDirectoryA((data + "\\tessdata").c_str(), nullptr);
        if (withEnglish) std::ofstream(data + "\\tessdata\\eng.traineddata") << "data";
        return data;
    }

    NPP_t record{};
    PluginInstance* instance = nullptr;
    std::string folder;
    std::string log;
    std::string text;
    bool textResult = false;
};

class PluginLanguagePackRoute final : public LanguagePackRoute {
public:
    explicit PluginLanguagePackRoute(PluginInstance& instance) : m_instance(instance) {}
    void SetHttpPort(int port) override {
        m_instance.WriteProperty(kOpHTTPPort, Long(port));
        // This instance has no window to own the transfer dialog.
        m_instance.SetIfShowCancelDialogWhenImageTransfer(0);
    }
    void SetHttpCredentials(const std::string& user, const std::string& password) override {
        m_instance.WriteProperty(kOpHTTPUserName, Text(user));
        m_instance.WriteProperty(kOpHTTPPassword, Text(password));
    }
    void SetAddOnFolder(const std::string& folder) override { m_instance.WriteProperty(kOpOCRDllPath, Text(folder)); }
    void SetDataFolder(const std::string& folder) override {
        m_instance.WriteProperty(kOpOCRTessDataPath, Text(folder));
    }
    void SetLanguage(const std::string& language) override {
        m_instance.WriteProperty(kOpOCRLanguage, Text(language));
    }
    bool Download(const std::string& server, const std::string& path, bool onlyIfMissing) override {
        ScriptValue out;
        m_instance.RunMethod(kOpHTTPDownloadOCRLangData, {Text(server), Text(path), Flag(onlyIfMissing)}, out, nullptr);
        // The XPCOM peer answers the number, 1 after a good install as the control does.
        EXPECT_EQ(out.i, out.b ? 1 : 0);
        return out.b;
    }
    long ErrorCode() override {
        ScriptValue out;
        m_instance.ReadProperty(kOpErrorCode, out, nullptr);
        return out.i;
    }
    std::string ErrorText() override {
        ScriptValue out;
        NPVariant result = browser::VoidVariant();
        m_instance.ReadProperty(kOpErrorString, out, &result);
        std::string text = browser::VariantText(result);
        browser::ReleaseVariantValue(&result);
        return text;
    }
    std::string RecogniseFiles(const std::string& files) override {
        m_instance.WriteProperty(kOpOCRResultFormat, Long(0));
        ScriptValue out;
        NPVariant result = browser::VoidVariant();
        m_instance.RunMethod(kOpOCRDirectlyEx, {Text(files)}, out, &result);
        std::string text = out.b ? browser::VariantText(result) : "";
        browser::ReleaseVariantValue(&result);
        return text;
    }

private:
    PluginInstance& m_instance;
};

}  // namespace

TEST_F(PluginAddOns, BarcodesOfAFileWithTextsFormatsAndPoints) {
    EXPECT_TRUE(Call(kOpReadBarcodeDirectly, {Text("C:\\scans\\page1.png"), Long(7)}).b);
    EXPECT_EQ(instance->GetCurrentOperationId(), kReadBarcodeDirectlyId);
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_NE(Log().find("ReadBarcode mode=0 size=0 rect=0,0,-1,-1 format=7 key=53 image=C:\\scans\\page1.png"),
              std::string::npos)
        << Log();
    EXPECT_EQ(Get(kOpBarcodeCount).i, 2);

    Call(kOpGetBarcodeText, {Long(0)});
    EXPECT_EQ(text, "LUMETTA1");
    // The second text holds a zero byte: it goes out as Base64 of its five bytes "ab\0cd".
    Call(kOpGetBarcodeText, {Long(1)});
    EXPECT_EQ(text, "YWIAY2Q=");
    // Info kind first, then the index: the first point's x and y, the format, the text length.
    EXPECT_EQ(Call(kOpGetBarcodeInfo, {Long(0), Long(0)}).i, 10);
    EXPECT_EQ(Call(kOpGetBarcodeInfo, {Long(1), Long(0)}).i, 20);
    EXPECT_EQ(Call(kOpGetBarcodeInfo, {Long(2), Long(0)}).i, 0x20);
    EXPECT_EQ(Call(kOpGetBarcodeInfo, {Long(2), Long(1)}).i, 0x400);
    EXPECT_EQ(Call(kOpGetBarcodeInfo, {Long(5), Long(1)}).i, 5);
    EXPECT_EQ(ErrorCode(), 0);
    // Outside the list: -1033 and an empty text or 0.
    Call(kOpGetBarcodeText, {Long(2)});
    EXPECT_EQ(text, "");
    EXPECT_EQ(ErrorCode(), -1033);
    EXPECT_EQ(Call(kOpGetBarcodeInfo, {Long(2), Long(-1)}).i, 0);
    EXPECT_EQ(ErrorCode(), -1033);

    // The rectangle form, and the library's own message as the error text.
    EXPECT_TRUE(Call(kOpReadBarcodeDirectlyEx, {Text("C:\\b.png"), Long(1), Long(2), Long(30), Long(40), Long(9)}).b);
    EXPECT_EQ(instance->GetCurrentOperationId(), kReadBarcodeDirectlyExId);
    EXPECT_NE(Log().find("rect=1,2,30,40 format=9 key=53 image=C:\\b.png"), std::string::npos) << Log();
    Scenario("message");
    EXPECT_FALSE(Call(kOpReadBarcodeDirectly, {Text("C:\\b.png"), Long(0)}).b);
    EXPECT_EQ(ErrorCode(), -2119);
    EXPECT_EQ(ErrorText(), "License expired");
    EXPECT_EQ(Get(kOpBarcodeCount).i, 0);
}

TEST_F(PluginAddOns, BarcodesOfABufferImageGoAsPng) {
    ASSERT_TRUE(instance->AddImage(MakeTestDib(120, 80, 24)));
    EXPECT_TRUE(Call(kOpReadBarcode, {Short(0), Long(4)}).b) << ErrorCode();
    EXPECT_EQ(instance->GetCurrentOperationId(), kReadBarcodeId);
    EXPECT_NE(Log().find("mode=1"), std::string::npos) << Log();
    EXPECT_NE(Log().find("rect=0,0,-1,-1 format=4 key=53 image=PNG"), std::string::npos) << Log();
    ClearLog();
    EXPECT_TRUE(Call(kOpReadBarcodeEx, {Short(0), Long(5), Long(6), Long(70), Long(50), Long(3)}).b);
    EXPECT_EQ(instance->GetCurrentOperationId(), kReadBarcodeExId);
    EXPECT_NE(Log().find("rect=5,6,70,50 format=3 key=53 image=PNG"), std::string::npos) << Log();
    EXPECT_EQ(Get(kOpBarcodeCount).i, 2);
    // An index with no image: the encoder's failure, the library is not called.
    ClearLog();
    EXPECT_FALSE(Call(kOpReadBarcode, {Short(3), Long(0)}).b);
    EXPECT_NE(ErrorCode(), 0);
    EXPECT_EQ(Log(), "");
    // On the worker thread the results arrive the same way.
    instance->SetRunInWorker(1);
    EXPECT_TRUE(Call(kOpReadBarcodeEx, {Short(0), Long(0), Long(0), Long(-1), Long(-1), Long(0)}).b);
    EXPECT_EQ(Get(kOpBarcodeCount).i, 2);
}

TEST_F(PluginAddOns, ShortArgumentListsAndOverlongTextsCallNothing) {
    const int ops[] = {kOpGetBarcodeText, kOpGetBarcodeInfo,    kOpReadBarcode,    kOpReadBarcodeEx,
                       kOpReadBarcodeDirectly, kOpReadBarcodeDirectlyEx, kOpOCR, kOpOCREx,
                       kOpOCRDirectly,    kOpOCRDirectlyEx,     kOpOCRSelectedImages, kOpOCREx1,
                       kOpHTTPDownloadOCRLangData};
    for (int op : ops) {
        SCOPED_TRACE(OperationNameTable[op]);
        const ScriptValue out = Call(op, {});
        EXPECT_FALSE(out.b);
        EXPECT_EQ(ErrorCode(), -2113);
    }
    EXPECT_EQ(Log(), "");
    // A file name of 260 characters does not fit the engine's field: -1034, nothing read.
    const std::string overlong = "C:\\" + std::string(257, 'x');
    EXPECT_FALSE(Call(kOpReadBarcodeDirectly, {Text(overlong), Long(0)}).b);
    EXPECT_EQ(ErrorCode(), -1034);
    EXPECT_FALSE(Call(kOpOCRDirectly, {Text("C:\\a.tif"), Text(overlong)}).b);
    EXPECT_EQ(ErrorCode(), -1034);
    EXPECT_FALSE(Call(kOpHTTPDownloadOCRLangData, {Text(std::string(256, 'h')), Text("/x.zip"), Flag(false)}).b);
    EXPECT_EQ(ErrorCode(), -1034);
    EXPECT_EQ(Log(), "");
    // Members of the other families are not answered here.
    ScriptValue out;
    EXPECT_FALSE(instance->RunAddOnMember(PluginInstance::MemberAccess::Method, kOpAcquireImage, {}, out, nullptr));
    EXPECT_FALSE(instance->RunAddOnMember(PluginInstance::MemberAccess::Get, kOpErrorCode, {}, out, nullptr));
    EXPECT_FALSE(instance->RunAddOnMember(PluginInstance::MemberAccess::Put, kOpOCRLanguage, {}, out, nullptr));
}

TEST_F(PluginAddOns, OcrSettingsReachTheLibrary) {
    // The defaults.
    Get(kOpOCRLanguage);
    EXPECT_EQ(text, "eng");
    EXPECT_EQ(Get(kOpOCRPageSetMode).i, 3);
    EXPECT_EQ(Get(kOpOCRResultFormat).i, 2);
    EXPECT_TRUE(Get(kOpOCRUseDetectedFont).b);
    Get(kOpOCRUnicodeFontName);
    EXPECT_EQ(text, "");
    Get(kOpOCRTessDataPath);
    EXPECT_NE(text.find("\\Corvanta\\Glyphstead\\"), std::string::npos) << text;
    Get(kOpOCRDllPath);
    EXPECT_EQ(text, folder);

    const std::string data = MakeDataFolder("lumetta_plugin_ocr", true);
    EXPECT_TRUE(Put(kOpOCRTessDataPath, Text(data + "\\\\")));
    EXPECT_TRUE(Put(kOpOCRPageSetMode, Long(7)));
    EXPECT_TRUE(Put(kOpOCRResultFormat, Long(0)));
    EXPECT_TRUE(Put(kOpOCRUseDetectedFont, Flag(false)));
    EXPECT_TRUE(Put(kOpOCRUnicodeFontName, Text("Arial Unicode")));
    EXPECT_FALSE(Get(kOpOCRUseDetectedFont).b);
    // Languages that would leave the data folder are refused and the old one stays.
    for (const char* bad : {"..\\evil", "a/b", "C:eng", ""}) {
        EXPECT_TRUE(Put(kOpOCRLanguage, Text(bad)));
        EXPECT_EQ(ErrorCode(), -1034) << bad;
    }
    Get(kOpOCRLanguage);
    EXPECT_EQ(text, "eng");

    EXPECT_TRUE(Call(kOpOCRDirectlyEx, {Text("C:\\a.tif|C:\\b.tif")}).b) << ErrorText();
    EXPECT_EQ(text, "files=2 [C:\\a.tif] [C:\\b.tif] format=0 data=" + data +
                        "\\ lang=eng psm=7 font=Arial Unicode detect=0");
    EXPECT_EQ(instance->GetCurrentOperationId(), kOcrDirectlyExId);

    // OCRDllPath moves both libraries.
    EXPECT_TRUE(Put(kOpOCRDllPath, Text(data)));
    EXPECT_FALSE(Call(kOpReadBarcodeDirectly, {Text("C:\\a.png"), Long(0)}).b);
    EXPECT_EQ(ErrorText(), "Failed to load dll " + data + "\\Stripeworks.dll. The DLL or .NET Framework 2.0 is missing.");
    EXPECT_FALSE(Call(kOpOCRDirectlyEx, {Text("C:\\a.tif")}).b);
    EXPECT_EQ(ErrorCode(), -2120);
    EXPECT_EQ(ErrorText(), "Failed to load dll " + data + "\\Glyphstead.dll. The DLL or VC90 Runtime is missing.");
    // A text over the field is refused and the folder stays.
    EXPECT_TRUE(Put(kOpOCRDllPath, Text(std::string(300, 'd'))));
    EXPECT_EQ(ErrorCode(), -1034);
    Get(kOpOCRDllPath);
    EXPECT_EQ(text, data);
}

TEST_F(PluginAddOns, RecognitionMembersTheirResultsAndOperationIds) {
    const std::string data = MakeDataFolder("lumetta_plugin_recognise", true);
    ASSERT_TRUE(Put(kOpOCRTessDataPath, Text(data)));
    ASSERT_TRUE(instance->AddImage(MakeTestDib(64, 48, 8)));
    ASSERT_TRUE(instance->AddImage(MakeTestDib(64, 48, 24)));

    // Result format 2 (the default): the script gets Base64 of the library's bytes.
    EXPECT_TRUE(Call(kOpOCREx, {Short(1)}).b) << ErrorText();
    EXPECT_EQ(instance->GetCurrentOperationId(), kOcrExId);
    EXPECT_TRUE(textResult);
    EXPECT_EQ(text.rfind("aW1hZ2VzPTEgYnl0ZXM9", 0), 0u) << text;  // "images=1 bytes="
    ASSERT_TRUE(Put(kOpOCRResultFormat, Long(0)));

    EXPECT_TRUE(Call(kOpOCREx1, {Short(0), Long(0), Long(0), Long(32), Long(24)}).b) << ErrorText();
    EXPECT_EQ(instance->GetCurrentOperationId(), kOcrEx1Id);
    EXPECT_EQ(text.rfind("images=1 bytes=", 0), 0u) << text;
    EXPECT_NE(text.find(" tiff "), std::string::npos) << text;

    const std::string out = data + "\\out\\page.txt";
    EXPECT_TRUE(Call(kOpOCR, {Short(0), Text(out)}).b) << ErrorText();
    EXPECT_EQ(instance->GetCurrentOperationId(), kOcrId);
    EXPECT_EQ(ReadText(out).rfind("images=1 bytes=", 0), 0u);

    const std::string files = data + "\\out\\files.txt";
    EXPECT_TRUE(Call(kOpOCRDirectly, {Text("C:\\x.tif"), Text(files)}).b) << ErrorText();
    EXPECT_EQ(instance->GetCurrentOperationId(), kOcrDirectlyId);
    EXPECT_EQ(ReadText(files).rfind("files=1 [C:\\x.tif] format=0", 0), 0u);

    // The viewer's selection is the current image: the same bytes as that image alone.
    const int16_t current = static_cast<int16_t>(Get(kOpCurrentImageIndexInBuffer).i);
    Call(kOpOCREx, {Short(current)});
    const std::string alone = text;
    EXPECT_TRUE(Call(kOpOCRSelectedImagesEx, {}).b) << ErrorText();
    EXPECT_EQ(instance->GetCurrentOperationId(), kOcrSelectedImagesExId);
    EXPECT_EQ(text, alone);
    EXPECT_TRUE(Call(kOpOCRSelectedImages, {Text(data + "\\out\\sel.txt")}).b) << ErrorText();
    EXPECT_EQ(instance->GetCurrentOperationId(), kOcrSelectedImagesId);
    EXPECT_EQ(ReadText(data + "\\out\\sel.txt"), alone);
    // Nothing selected in an empty buffer: no image to recognise, the library is not called.
    Call(kOpRemoveAllImages, {});
    ClearLog();
    EXPECT_FALSE(Call(kOpOCRSelectedImagesEx, {}).b);
    EXPECT_EQ(ErrorCode(), -1034);
    EXPECT_FALSE(Call(kOpOCRSelectedImages, {Text(data + "\\out\\none.txt")}).b);
    EXPECT_EQ(ErrorCode(), -1034);
    EXPECT_EQ(Log(), "");

    // A result the engine cannot copy: the out-of-memory code and its text, never the message of
    // the call before (here the library's "Nothing found").
    ASSERT_TRUE(instance->AddImage(MakeTestDib(64, 48, 24)));
    Scenario("none");
    EXPECT_FALSE(Call(kOpOCREx, {Short(0)}).b);
    EXPECT_EQ(ErrorText(), "Nothing found");
    Scenario("discarded");
    EXPECT_FALSE(Call(kOpOCREx, {Short(0)}).b);
    EXPECT_FALSE(textResult);
    EXPECT_EQ(ErrorCode(), -1002);
    EXPECT_EQ(ErrorText(), "Not enough memory to perform operation.");
    Scenario("results");

    // A language without data: -2120 naming the missing file, and no text.
    ASSERT_TRUE(Put(kOpOCRLanguage, Text("deu")));
    EXPECT_FALSE(Call(kOpOCRDirectlyEx, {Text("C:\\x.tif")}).b);
    EXPECT_FALSE(textResult);
    EXPECT_EQ(ErrorCode(), -2120);
    EXPECT_EQ(ErrorText(), "Cannot find current language data " + data + "\\tessdata\\deu.traineddata");
}

TEST_F(PluginAddOns, LanguagePacksFromTheLoopbackServer) {
    PluginLanguagePackRoute route(*instance);
    CheckLanguagePackInstall(route);
}

TEST_F(PluginAddOns, ThePagesScriptObjectServesOnlyTheResults) {
    ASSERT_TRUE(Call(kOpReadBarcodeDirectly, {Text("C:\\scans\\page1.png"), Long(0)}).b);
    NPObject* object = nullptr;
    ASSERT_EQ(instance->GetValue(NPPVpluginScriptableNPObject, &object), NPERR_NO_ERROR);
    ASSERT_NE(object, nullptr);
    NPVariant result = browser::VoidVariant();
    auto invoke = [&](const char* name, std::vector<NPVariant> args) {
        browser::ReleaseVariantValue(&result);
        const bool ok = object->_class->invoke(object, browser::StringIdentifier(name), args.data(),
                                               static_cast<uint32_t>(args.size()), &result);
        for (NPVariant& v : args) browser::ReleaseVariantValue(&v);
        return ok;
    };
    // The results of a read: count, texts and info, names in any case.
    ASSERT_TRUE(object->_class->getProperty(object, browser::StringIdentifier("barcodecount"), &result));
    EXPECT_EQ(result.type, NPVariantType_Int32);
    EXPECT_EQ(result.value.intValue, 2);
    ASSERT_TRUE(invoke("GETBARCODETEXT", {browser::IntVariant(0)}));
    EXPECT_EQ(browser::VariantText(result), "LUMETTA1");
    ASSERT_TRUE(invoke("GetBarcodeInfo", {browser::IntVariant(2), browser::IntVariant(1)}));
    EXPECT_EQ(result.value.intValue, 0x400);

    // The reads themselves answer false without calling the library or touching the error code.
    instance->SetErrorCode(-1234);
    ClearLog();
    ASSERT_TRUE(invoke("ReadBarcodeDirectly", {browser::StringVariant("C:\\x.png"), browser::IntVariant(0)}));
    EXPECT_EQ(result.type, NPVariantType_Bool);
    EXPECT_FALSE(result.value.boolValue);
    ASSERT_TRUE(invoke("HTTPDownloadOCRLangData", {}));
    EXPECT_FALSE(result.value.boolValue);
    EXPECT_EQ(Log(), "");
    EXPECT_EQ(instance->GetErrorCode(), -1234);
    // The OCR settings read Void and take nothing.
    browser::ReleaseVariantValue(&result);
    ASSERT_TRUE(object->_class->getProperty(object, browser::StringIdentifier("OCRLanguage"), &result));
    EXPECT_EQ(result.type, NPVariantType_Void);
    NPVariant deu = browser::StringVariant("deu");
    EXPECT_TRUE(object->_class->setProperty(object, browser::StringIdentifier("OCRLanguage"), &deu));
    browser::ReleaseVariantValue(&deu);
    Get(kOpOCRLanguage);
    EXPECT_EQ(text, "eng");
    browser::ReleaseVariantValue(&result);
    browser::ReleaseObject(object);
}
