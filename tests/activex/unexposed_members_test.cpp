// The control's members that the type library does not carry: a container cannot find them by
// name, C++ callers reach the add-on libraries through them with the adapters' rules.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/error_codes.h"
#include "core/language_pack_checks.h"
#include "engine_test_frame.h"

namespace {

std::string Env(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? value : "";
}

std::string Narrow(BSTR text) {
    std::string out;
    for (UINT i = 0; text && i < SysStringLen(text); ++i) out.push_back(static_cast<char>(text[i]));
    return out;
}

// A BSTR of an ASCII text (the caller frees it).
BSTR Wide(const std::string& text) {
    BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
    for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    return out;
}

// The control's C++ members as the language-pack checks reach the OCR binding.
class ControlLanguagePackRoute final : public LanguagePackRoute {
public:
    ControlLanguagePackRoute(CPallastra& control, ILumetta& script) : m_control(control), m_script(script) {}
    void SetHttpPort(int port) override {
        m_script.put_HTTPPort(port);
        // The test program carries no transfer dialog resource.
        m_script.put_IfShowCancelDialogWhenImageTransfer(VARIANT_FALSE);
    }
    void SetHttpCredentials(const std::string& user, const std::string& password) override {
        BSTR name = Wide(user), secret = Wide(password);
        EXPECT_EQ(m_script.put_HTTPUserName(name), S_OK);
        EXPECT_EQ(m_script.put_HTTPPassword(secret), S_OK);
        SysFreeString(name);
        SysFreeString(secret);
    }
    void SetAddOnFolder(const std::string& folder) override { WithText(folder, &CPallastra::put_OCRDllPath); }
    void SetDataFolder(const std::string& folder) override { WithText(folder, &CPallastra::put_OCRTessDataPath); }
    void SetLanguage(const std::string& language) override { WithText(language, &CPallastra::put_OCRLanguage); }
    bool Download(const std::string& server, const std::string& path, bool onlyIfMissing) override {
        BSTR host = Wide(server), remote = Wide(path);
        long result = -1;
        EXPECT_EQ(m_control.HTTPDownloadOCRLangData(host, remote, onlyIfMissing ? VARIANT_TRUE : VARIANT_FALSE, &result),
                  S_OK);
        SysFreeString(host);
        SysFreeString(remote);
        return result > 0;
    }
    long ErrorCode() override {
        long code = 0;
        m_script.get_ErrorCode(&code);
        return code;
    }
    std::string ErrorText() override {
        BSTR text = nullptr;
        m_script.get_ErrorString(&text);
        std::string narrow = Narrow(text);
        SysFreeString(text);
        return narrow;
    }
    std::string RecogniseFiles(const std::string& files) override {
        m_control.put_OCRResultFormat(0);
        BSTR list = Wide(files), text = nullptr;
        m_control.OCRDirectlyEx(list, &text);
        SysFreeString(list);
        std::string narrow = ErrorCode() == 0 ? Narrow(text) : "";
        SysFreeString(text);
        return narrow;
    }

private:
    void WithText(const std::string& value, HRESULT (CPallastra::*put)(BSTR)) {
        BSTR text = Wide(value);
        const HRESULT result = (m_control.*put)(text);
        // A refused value fails by the throw rule; a taken one never does.
        if (ErrorCode() == 0) {
            EXPECT_EQ(result, S_OK);
        }
        SysFreeString(text);
    }
    CPallastra& m_control;
    ILumetta& m_script;
};

// What the test scanner is told to be (it reads this when a source opens): grey pages of 200 dpi.
constexpr char kScenario[] = "sources=1;pixel=gray;dpi=200";

class UnexposedMembers : public ::testing::Test {
protected:
    void SetUp() override {
        SetEnvironmentVariableA("LUMETTA_SCANNER_SCENARIO", kScenario);
        embedded = std::make_unique<EmbeddedControl>();
        ASSERT_NO_FATAL_FAILURE(embedded->Activate());
        script = embedded->script;
        control = embedded->control;
    }
    void TearDown() override {
        embedded.reset();
        SetEnvironmentVariableA("LUMETTA_ADDON_SCENARIO", nullptr);
    }
    long ErrorCode() {
        long code = 0;
        script->get_ErrorCode(&code);
        return code;
    }

    std::unique_ptr<EmbeddedControl> embedded;
    ILumetta* script = nullptr;
    CPallastra* control = nullptr;
};

}  // namespace

TEST_F(UnexposedMembers, BarcodesThroughTheStandInLibrary) {
    const std::string folder = Env("LUMETTA_ADDON_FOLDER");
    ASSERT_FALSE(folder.empty());
    BSTR path = SysAllocStringLen(nullptr, static_cast<UINT>(folder.size()));
    for (size_t i = 0; i < folder.size(); ++i) path[i] = static_cast<wchar_t>(folder[i]);
    ASSERT_EQ(control->put_OCRDllPath(path), S_OK);
    SysFreeString(path);

    BSTR file = SysAllocString(L"C:\\page.png");
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(control->ReadBarcodeDirectly(file, 0, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    long count = 0;
    EXPECT_EQ(control->get_BarcodeCount(&count), S_OK);
    EXPECT_EQ(count, 2);
    BSTR text = nullptr;
    EXPECT_EQ(control->GetBarcodeText(0, &text), S_OK);
    EXPECT_EQ(Narrow(text), "LUMETTA1");
    SysFreeString(text);

    // A library message: -2119, and E_FAIL in throw mode.
    SetEnvironmentVariableA("LUMETTA_ADDON_SCENARIO", "message");
    EXPECT_EQ(control->ReadBarcodeDirectly(file, 0, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_FALSE);
    EXPECT_EQ(ErrorCode(), kErrCustom2119);
    BSTR errorText = nullptr;
    script->get_ErrorString(&errorText);
    EXPECT_EQ(Narrow(errorText), "License expired");
    SysFreeString(errorText);
    script->put_IfThrowException(VARIANT_TRUE);
    EXPECT_EQ(control->ReadBarcodeDirectly(file, 0, &ok), E_FAIL);
    SysFreeString(file);
}

// The recognition members with a text result tell a failure by the error code and an empty
// text; they do not throw, also in throw mode. Those with a Boolean result do.
TEST_F(UnexposedMembers, RecognitionToTextNeverThrows) {
    script->put_IfThrowException(VARIANT_TRUE);
    BSTR missing = SysAllocString(L"C:\\no such file.tif");
    BSTR text = nullptr;
    auto expectQuietFailure = [&](HRESULT result, const char* member) {
        EXPECT_EQ(result, S_OK) << member;
        EXPECT_NE(ErrorCode(), 0) << member;
        EXPECT_EQ(Narrow(text), "") << member;
        SysFreeString(text);
        text = nullptr;
    };
    expectQuietFailure(control->OCREx(99, &text), "OCREx");
    expectQuietFailure(control->OCRDirectlyEx(missing, &text), "OCRDirectlyEx");
    expectQuietFailure(control->OCRSelectedImagesEx(&text), "OCRSelectedImagesEx");
    EXPECT_EQ(ErrorCode(), kErrInvalidValue) << "nothing selected";
    BSTR output = SysAllocString(L"C:\\ocr out.txt");
    VARIANT_BOOL selected = VARIANT_TRUE;
    EXPECT_EQ(control->OCRSelectedImages(output, &selected), E_FAIL);
    EXPECT_EQ(selected, VARIANT_FALSE);
    EXPECT_EQ(ErrorCode(), kErrInvalidValue) << "nothing selected";
    SysFreeString(output);
    expectQuietFailure(control->OCREx1(99, 0, 0, 10, 10, &text), "OCREx1");
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(control->OCRDirectly(missing, missing, &ok), E_FAIL);
    EXPECT_EQ(ok, VARIANT_FALSE);
    script->put_IfThrowException(VARIANT_FALSE);
    SysFreeString(missing);
}

// A recognition result the engine cannot copy fails with the out-of-memory code and its own text,
// not with the message the call before left (here the library's "Nothing found").
TEST_F(UnexposedMembers, ARecognitionResultThatCannotBeCopiedIsOutOfMemory) {
    const std::string folder = Env("LUMETTA_ADDON_FOLDER");
    ASSERT_FALSE(folder.empty());
    BSTR path = Wide(folder);
    ASSERT_EQ(control->put_OCRDllPath(path), S_OK);
    SysFreeString(path);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string data = std::string(temp) + "lumetta_control_nocopy" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(data.c_str(), nullptr);
    CreateDirectoryA((data + "\\tessdata").c_str(), nullptr);
    const std::string language = data + "\\tessdata\\eng.traineddata";
    HANDLE file = CreateFileA(language.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    BSTR folderText = Wide(data);
    ASSERT_EQ(control->put_OCRTessDataPath(folderText), S_OK);
    SysFreeString(folderText);
    auto errorText = [&] {
        BSTR text = nullptr;
        script->get_ErrorString(&text);
        const std::string narrow = Narrow(text);
        SysFreeString(text);
        return narrow;
    };
    BSTR files = SysAllocString(L"C:\\page.tif");
    BSTR text = nullptr;
    SetEnvironmentVariableA("LUMETTA_ADDON_SCENARIO", "none");
    EXPECT_EQ(control->OCRDirectlyEx(files, &text), S_OK);
    EXPECT_EQ(ErrorCode(), kErrCustom2120);
    EXPECT_EQ(errorText(), "Nothing found");
    SysFreeString(text);
    text = nullptr;
    SetEnvironmentVariableA("LUMETTA_ADDON_SCENARIO", "discarded");
    script->put_IfThrowException(VARIANT_TRUE);
    EXPECT_EQ(control->OCRDirectlyEx(files, &text), S_OK);
    EXPECT_EQ(Narrow(text), "");
    EXPECT_EQ(ErrorCode(), -1002);
    EXPECT_EQ(errorText(), "Not enough memory to perform operation.");
    script->put_IfThrowException(VARIANT_FALSE);
    SysFreeString(text);
    SysFreeString(files);
    DeleteFileA(language.c_str());
    RemoveDirectoryA((data + "\\tessdata").c_str());
    RemoveDirectoryA(data.c_str());
}

TEST_F(UnexposedMembers, SettingsAndSwitches) {
    BSTR bad = SysAllocString(L"..\\..\\evil");
    EXPECT_EQ(control->put_OCRLanguage(bad), S_OK);
    EXPECT_EQ(ErrorCode(), kErrInvalidValue);
    SysFreeString(bad);
    BSTR language = nullptr;
    control->get_OCRLanguage(&language);
    EXPECT_EQ(Narrow(language), "eng");
    SysFreeString(language);

    long mode = 0;
    EXPECT_EQ(control->put_OCRPageSetMode(6), S_OK);
    EXPECT_EQ(control->get_OCRPageSetMode(&mode), S_OK);
    EXPECT_EQ(mode, 6);

    // 2 keeps the current device type (either one); 0 and 1 set it; 3 is refused.
    long type = -1;
    for (long current : {0L, 1L}) {
        EXPECT_EQ(control->put_SupportedDeviceType(current), S_OK);
        EXPECT_EQ(control->GetCurrentDeviceType(), current);
        EXPECT_EQ(control->put_SupportedDeviceType(2), S_OK);
        EXPECT_EQ(control->get_SupportedDeviceType(&type), S_OK);
        EXPECT_EQ(type, 2);
        EXPECT_EQ(control->GetCurrentDeviceType(), current) << "2 keeps the current device type";
    }
    EXPECT_EQ(control->put_SupportedDeviceType(3), S_OK);
    EXPECT_EQ(ErrorCode(), kErrWrongDeviceType);

    short magType = 0;
    EXPECT_EQ(control->get_MagType(&magType), S_OK);
    EXPECT_EQ(magType, 2);
    BSTR mag = nullptr;
    EXPECT_EQ(control->get_MagData(&mag), S_OK);
    EXPECT_EQ(Narrow(mag), "");
    SysFreeString(mag);
}

TEST_F(UnexposedMembers, TypedTwainMembersReadTheTestScanner) {
    ASSERT_EQ(control->put_SupportedDeviceType(0), S_OK);
    VARIANT_BOOL ok = VARIANT_FALSE;
    ASSERT_EQ(script->SelectSourceByIndex(0, &ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE) << ErrorCode();
    ASSERT_EQ(script->OpenSource(&ok), S_OK);
    ASSERT_EQ(ok, VARIANT_TRUE) << ErrorCode();

    // The scenario's pixel type and resolution, and the scanner's declared capabilities.
    short number = -1;
    EXPECT_EQ(control->get_PixelType(&number), S_OK);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(control->get_BitDepth(&number), S_OK);
    EXPECT_EQ(number, 24);
    EXPECT_EQ(control->get_XferCount(&number), S_OK);
    EXPECT_EQ(number, -1);
    float resolution = 0;
    EXPECT_EQ(control->get_Resolution(&resolution), S_OK);
    EXPECT_EQ(resolution, 200.0f);
    VARIANT_BOOL flag = VARIANT_FALSE;
    EXPECT_EQ(control->get_IfAutomaticDeskew(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
    EXPECT_EQ(control->get_IfAutoDiscardBlankpages(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_FALSE);
    long value = 0;
    EXPECT_EQ(control->get_Duplex(&value), S_OK);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(control->GetDeviceType(&value), S_OK);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(control->get_DataSourceStatus(&value), S_OK);
    EXPECT_EQ(value, 1);

    // A write reads back; a capability the scanner lacks fails, and E_FAIL in throw mode.
    EXPECT_EQ(control->put_Resolution(150), S_OK);
    EXPECT_EQ(control->get_Resolution(&resolution), S_OK);
    EXPECT_EQ(resolution, 150.0f);

    // The work area over the scanner's INT32 range and string array.
    EXPECT_EQ(control->put_Capability(0x8003), S_OK);
    EXPECT_EQ(control->CapGet(&ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    double d = 0;
    EXPECT_EQ(control->get_CapMinValue(&d), S_OK);
    EXPECT_EQ(d, -5.0);
    EXPECT_EQ(control->get_CapCurrentValue(&d), S_OK);
    EXPECT_EQ(d, 65540.0);
    EXPECT_EQ(control->put_Capability(0x8002), S_OK);
    EXPECT_EQ(control->CapGet(&ok), S_OK);
    long count = 0;
    EXPECT_EQ(control->get_CapNumItems(&count), S_OK);
    EXPECT_EQ(count, 3);
    BSTR text = nullptr;
    EXPECT_EQ(control->GetCapItemString(1, &text), S_OK);  // the second name of GetCapItemsString
    EXPECT_EQ(Narrow(text), "beta");
    SysFreeString(text);
    text = nullptr;
    EXPECT_EQ(control->GetCapItemsString(count, &text), S_OK);  // index == CapNumItems
    EXPECT_EQ(Narrow(text), "");
    EXPECT_EQ(ErrorCode(), kErrInvalidIndex);
    SysFreeString(text);

    float left = -1, top = -1, right = -1, bottom = -1;
    EXPECT_EQ(control->SetImageLayout(0, 0, 8.5f, 11, &ok), S_OK);
    EXPECT_EQ(control->GetImageLayout(&left, &top, &right, &bottom, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_EQ(right, 8.5f);
    EXPECT_EQ(bottom, 11.0f);

    script->put_IfThrowException(VARIANT_TRUE);
    EXPECT_EQ(control->GetCapItemsString(5, &text), E_FAIL);
    SysFreeString(text);
    EXPECT_EQ(control->put_Capability(0x7777), S_OK);  // the test only runs at CapGet
    EXPECT_EQ(control->CapGet(&ok), E_FAIL);
    EXPECT_EQ(ok, VARIANT_FALSE);
    script->put_IfThrowException(VARIANT_FALSE);
    EXPECT_EQ(script->CloseSource(&ok), S_OK);
    EXPECT_EQ(control->CloseSourceManager(&ok), S_OK);
}

// The 254 bytes the control keeps of a capability text end at a whole character. This needs a
// code page of double-byte characters: ctest runs this case once more in the Japanese one (932,
// activex_engine_test_code_page_932, which sets LUMETTA_EXPECT_ACP); in a single-byte code page
// every character is one byte and there is nothing to split.
TEST_F(UnexposedMembers, CapabilityTextsAreCutAtAWholeCharacter) {
    const std::string expected = Env("LUMETTA_EXPECT_ACP");
    if (expected.empty()) {
        if (!IsDBCSLeadByte(0x82)) GTEST_SKIP() << "the code page " << GetACP() << " has no double-byte characters";
    } else {
        ASSERT_EQ(std::to_string(GetACP()), expected) << "the program did not run in the code page asked for";
    }
    ASSERT_EQ(control->put_CapType(4), S_OK);  // an array of two items
    ASSERT_EQ(control->put_CapNumItems(2), S_OK);
    // "x" and 200 hiragana A (U+3042): 1 + 400 bytes in code page 932, whose 254th byte is the
    // first of a character's two.
    const std::wstring page = L"x" + std::wstring(200, L'\u3042');
    const std::wstring kept = L"x" + std::wstring(126, L'\u3042');  // 253 bytes: the last whole character
    BSTR text = SysAllocStringLen(page.data(), static_cast<UINT>(page.size()));
    VARIANT_BOOL ok = VARIANT_FALSE;
    EXPECT_EQ(control->SetCapItemsString(1, text, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_EQ(control->put_CapValueString(text), S_OK);
    SysFreeString(text);
    BSTR item = nullptr, value = nullptr;
    EXPECT_EQ(control->GetCapItemsString(1, &item), S_OK);
    EXPECT_EQ(control->get_CapValueString(&value), S_OK);
    EXPECT_EQ(std::wstring(item, SysStringLen(item)), kept);
    EXPECT_EQ(std::wstring(value, SysStringLen(value)), kept);
    SysFreeString(item);
    SysFreeString(value);
}

TEST_F(UnexposedMembers, WorkAreaEdgesWithoutASource) {
    // No open source: selecting a capability fails with -1031; the gets are still answered.
    EXPECT_EQ(control->put_Capability(0x1101), S_OK);
    EXPECT_EQ(ErrorCode(), -1031);
    EXPECT_EQ(control->put_CapType(4), S_OK);
    EXPECT_EQ(control->put_CapNumItems(2), S_OK);
    double item = -1;
    EXPECT_EQ(control->GetCapItems(2, &item), S_OK);
    EXPECT_EQ(item, 0.0);
    EXPECT_EQ(ErrorCode(), kErrInvalidIndex);
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(control->SetCapItem(1000, 1.0, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_FALSE);
    EXPECT_EQ(ErrorCode(), kErrInvalidIndex);
    BSTR longText = SysAllocStringLen(nullptr, 300);
    for (int i = 0; i < 300; ++i) longText[i] = L'q';
    EXPECT_EQ(control->SetCapItemsString(0, longText, &ok), S_OK);
    EXPECT_EQ(ok, VARIANT_TRUE);
    EXPECT_EQ(control->put_CapValueString(longText), S_OK);
    SysFreeString(longText);
    BSTR text = nullptr;
    // The control keeps 254 characters of each (the plug-in 255).
    EXPECT_EQ(control->GetCapItemsString(0, &text), S_OK);
    EXPECT_EQ(Narrow(text), std::string(254, 'q'));
    SysFreeString(text);
    text = nullptr;
    EXPECT_EQ(control->get_CapValueString(&text), S_OK);
    EXPECT_EQ(Narrow(text), std::string(254, 'q'));
    SysFreeString(text);

    // One setting under two names.
    VARIANT_BOOL flag = VARIANT_FALSE;
    EXPECT_EQ(control->put_IfScanInThread(VARIANT_TRUE), S_OK);
    EXPECT_EQ(control->get_IfScanInNewThread(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);
    EXPECT_EQ(control->put_IfScanInThread(VARIANT_FALSE), S_OK);
    EXPECT_EQ(control->put_IfUseTwainDSM(VARIANT_TRUE), S_OK);
    EXPECT_EQ(control->get_IfUseTwainDSM(&flag), S_OK);
    EXPECT_EQ(flag, VARIANT_TRUE);

    // No transfer yet: the last image's information is zero.
    long width = -1;
    EXPECT_EQ(control->get_ImageWidth(&width), S_OK);
    EXPECT_EQ(width, 0);
}

TEST_F(UnexposedMembers, LanguagePacksFromTheLoopbackServer) {
    ControlLanguagePackRoute route(*control, *script);
    CheckLanguagePackInstall(route);
}
