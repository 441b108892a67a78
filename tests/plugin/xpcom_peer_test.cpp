// The plug-in's XPCOM peer as a browser's XPCOM bridge uses it: handed out by NPP_GetValue with
// its interface id, its two faces, reference counting and detaching, and its members called
// through the C view of its table, compared with what the NPRuntime script object answers.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "browser/page_model.h"
#include "browser/script_runtime.h"
#include "browser/xpcom_peer_caller.h"
#include "plugin_test_browser.h"
#include "xpcom/xpcom_interfaces.h"

namespace {

using browser::IntVariant;
using browser::StringIdentifier;

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string TestFile(const char* name) {
    const char* folder = std::getenv("LUMETTA_TEST_FILES");
    return std::string(folder ? folder : ".") + "/" + name;
}

class XpcomPeer : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        loaded = Started().GetPage().AddFunction("loaded");
        embed = Embedded({{"OnPostLoad", "loaded"}});
        ASSERT_NE(embed, nullptr);
        peer = browser::GetXpcomPeer(*browser_, embed);
        ASSERT_NE(peer, nullptr);
        object = browser_->ScriptObject(embed);
        ASSERT_NE(object, nullptr);
    }
    void TearDown() override {
        if (object) browser::ReleaseObject(object);
        browser::ReleaseXpcomPeer(peer);
        if (embed) browser_->Destroy(embed);
        PluginTest::TearDown();
    }
    const XpcomPeerInterface& T() const { return *peer->table; }
    // The stand-in add-on libraries, answering with results, through the peer's OCRDllPath.
    void UseStandInAddOns() {
        const char* folder = std::getenv("LUMETTA_ADDON_FOLDER");
        ASSERT_NE(folder, nullptr) << "LUMETTA_ADDON_FOLDER names the stand-in libraries' folder";
        SetEnvironmentVariableA("LUMETTA_ADDON_SCENARIO", "results");
        EXPECT_EQ(T().set_OCRDllPath(peer, folder), NS_OK);
    }
    // What the NPRuntime object answers for a property (Int32 values).
    int32_t ScriptInt(const char* name) {
        NPVariant v = IntVariant(-99999);
        object->_class->getProperty(object, StringIdentifier(name), &v);
        int32_t n = v.type == NPVariantType_Int32 ? v.value.intValue : v.type == NPVariantType_Bool ? v.value.boolValue : -99999;
        browser::ReleaseVariantValue(&v);
        return n;
    }
    std::string ScriptText(const char* name) {
        NPVariant v = IntVariant(0);
        object->_class->getProperty(object, StringIdentifier(name), &v);
        std::string text = v.type == NPVariantType_String
                               ? std::string(v.value.stringValue.UTF8Characters, v.value.stringValue.UTF8Length)
                               : "(not a text)";
        browser::ReleaseVariantValue(&v);
        return text;
    }
    int32_t ErrorCode() {
        int32_t code = 12345;
        EXPECT_EQ(T().get_ErrorCode(peer, &code), NS_OK);
        return code;
    }

    browser::Embed* embed = nullptr;
    browser::PageObject* loaded = nullptr;  // the page's OnPostLoad function
    XpcomPeerView* peer = nullptr;
    NPObject* object = nullptr;
};

TEST_F(XpcomPeer, QueryInterfaceAndTheClassInfoFace) {
    void* out = reinterpret_cast<void*>(0x1);
    uint32_t before = browser::XpcomPeerReferences(peer);
    EXPECT_EQ(before, 2u);  // the instance's and ours
    EXPECT_EQ(T().QueryInterface(peer, &kIID_nsIClassInfo, nullptr), NS_ERROR_NULL_POINTER);
    EXPECT_EQ(browser::XpcomPeerReferences(peer), before);
    const nsIID other = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(T().QueryInterface(peer, &other, &out), NS_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(T().QueryInterface(peer, &kIID_nsISupports, &out), NS_OK);
    EXPECT_EQ(out, peer);
    EXPECT_EQ(browser::XpcomPeerReferences(peer), before + 1);
    T().Release(peer);

    nsIClassInfo* info = nullptr;
    ASSERT_EQ(T().QueryInterface(peer, &kIID_nsIClassInfo, reinterpret_cast<void**>(&info)), NS_OK);
    ASSERT_NE(info, nullptr);
    EXPECT_NE(static_cast<void*>(info), static_cast<void*>(peer));
    uint32_t flags = 0, language = 0;
    EXPECT_EQ(info->GetFlags(&flags), NS_OK);
    EXPECT_EQ(flags, 24u);
    EXPECT_EQ(info->GetImplementationLanguage(&language), NS_OK);
    EXPECT_EQ(language, 1u);
    char* text = nullptr;
    nsCID* id = nullptr;
    nsCID idNoAlloc{};
    uint32_t n = 0;
    nsIID** list = nullptr;
    nsISupports* helper = nullptr;
    EXPECT_EQ(info->GetInterfaces(&n, &list), NS_ERROR_NOT_IMPLEMENTED);
    EXPECT_EQ(info->GetHelperForLanguage(1, &helper), NS_ERROR_NOT_IMPLEMENTED);
    EXPECT_EQ(info->GetContractID(&text), NS_ERROR_NOT_IMPLEMENTED);
    EXPECT_EQ(info->GetClassDescription(&text), NS_ERROR_NOT_IMPLEMENTED);
    EXPECT_EQ(info->GetClassID(&id), NS_ERROR_NOT_IMPLEMENTED);
    EXPECT_EQ(info->GetClassIDNoAlloc(&idNoAlloc), NS_ERROR_NOT_IMPLEMENTED);
    // The class-info face counts for the whole object and leads back to the script face.
    void* back = nullptr;
    EXPECT_EQ(info->QueryInterface(kIID_nsISupports, &back), NS_OK);
    EXPECT_EQ(back, peer);
    EXPECT_EQ(browser::XpcomPeerReferences(peer), before + 2);
    info->Release();
    T().Release(peer);
    EXPECT_EQ(browser::XpcomPeerReferences(peer), before);
}

TEST_F(XpcomPeer, EachRequestGivesOneMoreReferenceToTheSamePeer) {
    XpcomPeerView* again = browser::GetXpcomPeer(*browser_, embed);
    EXPECT_EQ(again, peer);
    EXPECT_EQ(browser::XpcomPeerReferences(peer), 3u);
    browser::ReleaseXpcomPeer(again);
    EXPECT_EQ(browser::XpcomPeerReferences(peer), 2u);
}

TEST_F(XpcomPeer, PropertiesAgreeWithTheScriptObject) {
    EXPECT_EQ(T().set_JPEGQuality(peer, 55), NS_OK);
    EXPECT_EQ(ScriptInt("JPEGQuality"), 55);
    int32_t quality = 0;
    EXPECT_EQ(T().get_JPEGQuality(peer, &quality), NS_OK);
    EXPECT_EQ(quality, 55);
    // A Boolean is on only for the value 1, read from its low byte.
    PRBool on = 7;
    T().set_IfShowProgressBar(peer, 2);
    EXPECT_EQ(T().get_IfShowProgressBar(peer, &on), NS_OK);
    EXPECT_EQ(on, 0);
    EXPECT_EQ(ScriptInt("IfShowProgressBar"), 0);
    T().set_IfShowProgressBar(peer, static_cast<PRBool>(0x5A5A5A01u));
    EXPECT_EQ(T().get_IfShowProgressBar(peer, &on), NS_OK);
    EXPECT_EQ(on, 1);
    EXPECT_EQ(ScriptInt("IfShowProgressBar"), 1);
    // Texts come as copies in browser memory, in the same words the script object gives.
    PRBool removed = 1;
    EXPECT_EQ(T().RemoveImage(peer, 3, &removed), NS_OK);
    EXPECT_EQ(removed, 0);
    int32_t code = ErrorCode();
    EXPECT_NE(code, 0);
    char* text = nullptr;
    EXPECT_EQ(T().get_ErrorString(peer, &text), NS_OK);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), ScriptText("ErrorString"));
    EXPECT_FALSE(std::string(text).empty());
    browser::BrowserMemory::Free(text);
}

// The device kinds a page sees are set through the peer only; the script object takes the value
// and leaves it alone.
TEST_F(XpcomPeer, OnlyThePeerSetsTheSupportedDeviceType) {
    int32_t initial = -1, type = -1;
    ASSERT_EQ(T().get_SupportedDeviceType(peer, &initial), NS_OK);
    ASSERT_EQ(ScriptInt("SupportedDeviceType"), initial);
    const int32_t other = initial == 2 ? 0 : 2;
    NPVariant value = IntVariant(other);
    EXPECT_TRUE(object->_class->setProperty(object, StringIdentifier("SupportedDeviceType"), &value));
    EXPECT_EQ(ScriptInt("SupportedDeviceType"), initial);
    EXPECT_EQ(T().set_SupportedDeviceType(peer, other), NS_OK);
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_EQ(ScriptInt("SupportedDeviceType"), other);
    EXPECT_EQ(T().get_SupportedDeviceType(peer, &type), NS_OK);
    EXPECT_EQ(type, other);
    // Outside 0 (TWAIN), 1 (webcams) and 2 (both) nothing changes and the error code says so.
    EXPECT_EQ(T().set_SupportedDeviceType(peer, 3), NS_OK);
    EXPECT_EQ(ErrorCode(), -2123);
    EXPECT_EQ(ScriptInt("SupportedDeviceType"), other);
}

// 0 and 1 make scanners or webcams the current device type; 2 offers both and keeps the current
// one. The webcam members tell which is current: on a scanner they fail with -2122.
TEST_F(XpcomPeer, BothDeviceTypesKeepTheCurrentOne) {
    auto webcamCurrent = [&] {
        int32_t count = -1;
        EXPECT_EQ(T().get_MediaTypeListCount(peer, &count), NS_OK);
        return ErrorCode() != -2122;
    };
    for (int32_t current : {0, 1, 0}) {
        SCOPED_TRACE(current);
        ASSERT_EQ(T().set_SupportedDeviceType(peer, current), NS_OK);
        EXPECT_EQ(webcamCurrent(), current == 1);
        ASSERT_EQ(T().set_SupportedDeviceType(peer, 2), NS_OK);
        EXPECT_EQ(ErrorCode(), 0);
        EXPECT_EQ(ScriptInt("SupportedDeviceType"), 2);
        EXPECT_EQ(webcamCurrent(), current == 1) << "2 keeps the current device type";
    }
}

TEST_F(XpcomPeer, ImagesGoInAndOutAsBlocksOfBytes) {
    std::vector<uint8_t> bmp = ReadBytes(TestFile("rose.bmp"));
    ASSERT_GT(bmp.size(), 100u);
    std::vector<uint8_t> padded(8, 0xEE);
    padded.insert(padded.end(), bmp.begin(), bmp.end());
    PRBool loaded = 0;
    EXPECT_EQ(T().LoadImageFromBytes(peer, static_cast<int32_t>(bmp.size()), padded.data(), 8, 0, &loaded), NS_OK);
    EXPECT_EQ(loaded, 1) << ErrorCode();
    EXPECT_EQ(ScriptInt("HowManyImagesInBuffer"), 1);
    EXPECT_EQ(T().LoadImageFromBytes(peer, static_cast<int32_t>(bmp.size()), bmp.data(), 0, 5, &loaded), NS_OK);
    EXPECT_EQ(loaded, 0);
    EXPECT_EQ(ErrorCode(), -1110);
    EXPECT_EQ(T().LoadImageFromBytes(peer, 10, nullptr, 0, 0, &loaded), NS_OK);
    EXPECT_EQ(ErrorCode(), -1034);

    uint8_t piece[256];
    int32_t got = 9;
    EXPECT_EQ(T().SaveSelectedImagesToBytes(peer, 256, piece, 0, &got), NS_OK);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(ErrorCode(), -2005);
    PRBool selected = 0;
    T().SetSelectedImageIndex(peer, 0, 0, &selected);
    int32_t total = 0;
    EXPECT_EQ(T().GetSelectedImagesSize(peer, 0, &total), NS_OK);
    ASSERT_GT(total, 300);
    // A BMP file of the image: the file header's size field holds the total.
    std::vector<uint8_t> out;
    EXPECT_EQ(T().SaveSelectedImagesToBytes(peer, 256, piece, 256, &got), NS_OK);
    EXPECT_EQ(ErrorCode(), -1034);
    while (true) {
        got = 0;
        T().SaveSelectedImagesToBytes(peer, 256, piece, 0, &got);
        if (got <= 0) break;
        out.insert(out.end(), piece, piece + got);
    }
    EXPECT_EQ(ErrorCode(), -2005);  // the last piece freed the buffer
    ASSERT_EQ(out.size(), static_cast<size_t>(total));
    EXPECT_EQ(out[0], 'B');
    EXPECT_EQ(out[1], 'M');
    EXPECT_EQ(static_cast<size_t>(out[2] | out[3] << 8 | out[4] << 16 | out[5] << 24), out.size());
    EXPECT_EQ(T().LoadImageFromBytes(peer, total, out.data(), 0, 0, &loaded), NS_OK);
    EXPECT_EQ(loaded, 1);
    double w0 = 0, w1 = -1;
    T().GetImageWidth(peer, 0, &w0);
    T().GetImageWidth(peer, 1, &w1);
    EXPECT_GT(w0, 0);
    EXPECT_EQ(w0, w1);
}

// Page script runs inside a member: an event handler that calls the peer again, here emptying the
// buffer the member has just filled.
TEST_F(XpcomPeer, AHandlerMayCallThePeerInsideAMember) {
    std::vector<int32_t> seen;
    loaded->body = [&](const std::vector<browser::PageValue>&) {
        int32_t count = -1;
        T().get_HowManyImagesInBuffer(peer, &count);
        seen.push_back(count);
        PRBool removed = 0;
        T().RemoveAllImages(peer, &removed);
        return browser::PageValue();
    };
    // The load reports the folder and name it finds at the last backslash.
    std::string path = TestFile("rose.bmp");
    std::replace(path.begin(), path.end(), '/', '\\');
    PRBool ok = 0;
    EXPECT_EQ(T().LoadImage(peer, path.c_str(), &ok), NS_OK);
    EXPECT_EQ(ok, 1) << ErrorCode();
    ASSERT_EQ(loaded->calls.size(), 1u);
    EXPECT_EQ(seen, std::vector<int32_t>{1});
    int32_t count = -1;
    EXPECT_EQ(T().get_HowManyImagesInBuffer(peer, &count), NS_OK);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(browser::XpcomPeerReferences(peer), 2u);
}

// The add-on members run only on this route: the barcode reads through the stand-in library, the
// results read back through the peer, the OCR settings kept; the script object's counterparts
// answer without calling anything.
// The dialogs this thread makes while the hook is set.
int g_dialogsMade = 0;
LRESULT CALLBACK CountDialogs(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        char name[16] = {};
        GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name);
        if (std::string(name) == "#32770") ++g_dialogsMade;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// IfShowProgressBar is the switch of the progress dialog that long operations (here a barcode
// read, run on a worker) show: on by default, and off when the page turns it off.
TEST_F(XpcomPeer, IfShowProgressBarTurnsTheProgressDialogOnAndOff) {
    UseStandInAddOns();
    if (HasFatalFailure()) return;
    PRBool on = 0;
    EXPECT_EQ(T().get_IfShowProgressBar(peer, &on), NS_OK);
    EXPECT_EQ(on, 1) << "on by default";
    EXPECT_EQ(ScriptInt("IfShowProgressBar"), 1);
    HHOOK hook = SetWindowsHookExA(WH_CBT, CountDialogs, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    for (PRBool show : {1, 0, 1}) {
        SCOPED_TRACE(show);
        EXPECT_EQ(T().set_IfShowProgressBar(peer, show), NS_OK);
        g_dialogsMade = 0;
        PRBool read = 0;
        EXPECT_EQ(T().ReadBarcodeDirectly(peer, "C:\\scans\\page1.png", 7, &read), NS_OK);
        EXPECT_EQ(read, 1) << ErrorCode();
        EXPECT_EQ(g_dialogsMade, show ? 1 : 0);
    }
    UnhookWindowsHookEx(hook);
    SetEnvironmentVariableA("LUMETTA_ADDON_SCENARIO", nullptr);
}

// The language-data install answers a number through the peer, as the control does: 1 when the
// data is installed (here already present, so nothing is downloaded), 0 when it fails.
TEST_F(XpcomPeer, LanguageDataInstallAnswersOneOrZero) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string data = std::string(temp) + "lumetta_peer_lang" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(data.c_str(), nullptr);
    CreateDirectoryA((data + "\\tessdata").c_str(), nullptr);
    std::ofstream(data + "\\tessdata\\eng.traineddata") << "data";
    ASSERT_EQ(T().set_OCRTessDataPath(peer, data.c_str()), NS_OK);
    ASSERT_EQ(ErrorCode(), 0);
    int32_t installed = -1;
    EXPECT_EQ(T().HTTPDownloadOCRLangData(peer, "127.0.0.1", "/dl/lang/eng.zip", 1, &installed), NS_OK);
    EXPECT_EQ(installed, 1);
    EXPECT_EQ(ErrorCode(), 0);
    // A server name past its field is refused before anything is fetched.
    const std::string longServer(300, 'h');
    EXPECT_EQ(T().HTTPDownloadOCRLangData(peer, longServer.c_str(), "/dl/lang/eng.zip", 0, &installed), NS_OK);
    EXPECT_EQ(installed, 0);
    EXPECT_EQ(ErrorCode(), -1034);
    DeleteFileA((data + "\\tessdata\\eng.traineddata").c_str());
    RemoveDirectoryA((data + "\\tessdata").c_str());
    RemoveDirectoryA(data.c_str());
}

TEST_F(XpcomPeer, RunsTheAddOnMembersTheScriptObjectOnlyAccepts) {
    UseStandInAddOns();
    if (HasFatalFailure()) return;

    // The script object's read gives false and leaves the error code as it was.
    PRBool removed = 1;
    T().RemoveImage(peer, 3, &removed);
    const int32_t before = ErrorCode();
    ASSERT_NE(before, 0);
    NPVariant r = IntVariant(0);
    NPVariant args[2] = {browser::StringVariant("C:\\scans\\page1.png"), IntVariant(7)};
    EXPECT_TRUE(object->_class->invoke(object, StringIdentifier("ReadBarcodeDirectly"), args, 2, &r));
    EXPECT_EQ(r.type, NPVariantType_Bool);
    EXPECT_FALSE(r.value.boolValue);
    browser::ReleaseVariantValue(&args[0]);
    EXPECT_EQ(ErrorCode(), before);
    int32_t count = -1;
    EXPECT_EQ(T().get_BarcodeCount(peer, &count), NS_OK);
    EXPECT_EQ(count, 0);

    PRBool read = 0;
    EXPECT_EQ(T().ReadBarcodeDirectly(peer, "C:\\scans\\page1.png", 7, &read), NS_OK);
    EXPECT_EQ(read, 1) << ErrorCode();
    EXPECT_EQ(T().get_BarcodeCount(peer, &count), NS_OK);
    EXPECT_EQ(count, 2);
    char* text = nullptr;
    EXPECT_EQ(T().GetBarcodeText(peer, 0, &text), NS_OK);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), "LUMETTA1");
    browser::BrowserMemory::Free(text);
    int32_t info = 0;
    EXPECT_EQ(T().GetBarcodeInfo(peer, 2, 1, &info), NS_OK);
    EXPECT_EQ(info, 0x400);

    // A setting the script object reads as Void.
    EXPECT_EQ(T().set_OCRLanguage(peer, "deu"), NS_OK);
    text = nullptr;
    EXPECT_EQ(T().get_OCRLanguage(peer, &text), NS_OK);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), "deu");
    browser::BrowserMemory::Free(text);
    r = IntVariant(5);
    EXPECT_TRUE(object->_class->getProperty(object, StringIdentifier("OCRLanguage"), &r));
    EXPECT_EQ(r.type, NPVariantType_Void);
    SetEnvironmentVariableA("LUMETTA_ADDON_SCENARIO", nullptr);
}

TEST_F(XpcomPeer, ADetachedPeerAnswersEveryMemberWithZero) {
    browser::ReleaseObject(object);
    object = nullptr;
    ASSERT_EQ(browser_->Destroy(embed), NPERR_NO_ERROR);
    embed = nullptr;
    EXPECT_EQ(browser::XpcomPeerReferences(peer), 1u);  // only ours is left
    browser::PeerSweep sweep = browser::CallEveryPeerMember(peer);
    EXPECT_EQ(sweep.slots, kXpcomPeerMemberSlots);
    // Only the two getters this route does not serve say so.
    EXPECT_EQ(sweep.nonZeroStatus, (std::vector<std::string>{"get_MagType", "get_MagData"}));
    EXPECT_TRUE(sweep.outNotCleared.empty()) << sweep.outNotCleared.size() << " e.g. " << sweep.outNotCleared[0];
    int32_t code = 5;
    EXPECT_EQ(T().get_ErrorCode(peer, nullptr), NS_ERROR_NULL_POINTER);
    EXPECT_EQ(T().get_ErrorCode(peer, &code), NS_OK);
    EXPECT_EQ(code, 0);
}

}  // namespace
