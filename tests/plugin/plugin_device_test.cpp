// The plug-in's device members through its script object, in this process: TWAIN capabilities,
// settings and image layout read from the test scanner and compared with what its scenario and
// capability declarations say, the capability work area's edge cases, and the camera property
// families compared with the ranges the test camera declares.
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "browser/page_model.h"
#include "core/operation_name_table.h"
#include "plugin/browser_functions.h"
#include "plugin/plugin_instance.h"
#include "plugin/script_signatures.h"
#include "plugin_test_browser.h"

namespace {

using browser::DoubleVariant;
using browser::IntVariant;
using browser::StringIdentifier;
using browser::StringVariant;

// The device members of the plug-in by family, as the page knows them: sources and identity,
// the capability work area and its frames, source and session settings, the last transfer's
// image information and layout, and the webcam's formats (the camera families follow below).
const char* const kDeviceMembers[] = {
    "SourceCount", "DefaultSourceName", "CurrentSourceName", "SelectSourceByIndex", "OpenSource", "CloseSource",
    "SourceNameItems", "GetSourceNameItems", "IfShowUI", "Manufacturer", "ProductFamily", "ProductName",
    "VersionInfo",
    "Capability", "CapType", "CapValueType", "CapMinValue", "CapMaxValue", "CapStepSize", "CapCurrentValue",
    "CapCurrentIndex", "CapDefaultValue", "CapDefaultIndex", "CapNumItems", "CapValue", "CapValueString",
    "CapIfSupported", "CapGet", "CapGetCurrent", "CapGetDefault", "CapSet", "CapReset", "CapGetHelp", "CapGetLabel",
    "CapGetLabels", "GetCapItems", "SetCapItems", "GetCapItemsString", "SetCapItemsString",
    "CapGetFrameLeft", "CapGetFrameRight", "CapGetFrameTop", "CapGetFrameBottom", "CapSetFrame",
    "PendingXfers", "IfFeederLoaded", "DataSourceStatus", "Duplex", "IfPaperDetectable", "IfDeviceOnline",
    "IfUIControllable", "TransferMode", "IfDisableSourceAfterAcquire", "IfDuplexEnabled", "IfFeederEnabled",
    "BitDepth", "PixelType", "Unit", "PixelFlavor", "IfAutoScan", "PageSize", "Resolution", "IfShowIndicator",
    "IfModalUI", "IfAutoFeed", "XferCount", "IfUseTwainDSM", "IfHookMessage", "IfAutomaticBorderDetection",
    "IfAutomaticDeskew", "IfAutoDiscardBlankpages",
    "OpenSourceManager", "CloseSourceManager", "DisableSource", "CancelAllPendingTransfers", "SetFileXferInfo",
    "RewindPage", "FeedPage",
    "ImageXResolution", "ImageYResolution", "ImageWidth", "ImageLength", "ImageBitsPerPixel", "ImagePixelType",
    "ImageLayoutFrameLeft", "ImageLayoutFrameRight", "ImageLayoutFrameTop", "ImageLayoutFrameBottom",
    "ImageLayoutDocumentNumber", "ImageLayoutPageNumber", "ImageLayoutFrameNumber",
    "GetDefaultImageLayout", "ResetImageLayout", "SetImageLayout", "GetImageLayout",
    "MagType", "MagData", "IfCancelTransfer", "IfScanInThread", "IfScanInNewThread", "SupportedDeviceType",
    "DeleteFile", "GetDeviceType",
    "MediaTypeListCount", "MediaType", "GetMediaTypeByIndex", "SelectMediaTypeByIndex", "ResolutionForCamListCount",
    "ResolutionForCam", "GetResolutionForCamByIndex", "SelectResolutionForCamByIndex", "FrameRateListCount",
    "FrameRate", "GetFrameRateByIndex", "SelectFrameRateByIndex", "SetVideoContainer",
};
const char* const kCameraFamilies[] = {"Brightness", "Contrast", "Hue", "Saturation", "Sharpness", "Gamma",
                                       "WhiteBalance", "BklightComp", "Gain", "ColorEnable", "ZoomForCam", "Focus",
                                       "Exposure", "Iris", "Pan", "Tilt", "Roll"};

// What the test scanner is told to be: one source, grey pages of 200 dpi.
constexpr char kScenario[] = "sources=1;pixel=gray;dpi=200";

class PluginDevices : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        // The scanner runs in this process and reads its scenario when a source opens.
        SetEnvironmentVariableA("LUMETTA_SCANNER_SCENARIO", kScenario);
        ASSERT_EQ(CopyBrowserFunctions(&browser_->Functions()), NPERR_NO_ERROR);
        window = CreateWindowExA(0, "LumettaBrowserEmbed", "", WS_CHILD | WS_VISIBLE, 0, 0, 320, 240,
                                 browser_->Frame(), nullptr, GetModuleHandleA(nullptr), nullptr);
        instance = PluginInstance::Create(&record, NP_EMBED, 0, nullptr, nullptr);
        ASSERT_NE(instance, nullptr);
        NPWindow w{window, 0, 0, 320, 240, {0, 0, 240, 320}, NPWindowTypeWindow};
        ASSERT_TRUE(instance->Init(&w));
        SendMessageA(window, WM_NULL, 0, 0);  // hands the window to the TWAIN layer
        ASSERT_EQ(instance->GetValue(NPPVpluginScriptableNPObject, &object), NPERR_NO_ERROR);
        ASSERT_NE(object, nullptr);
    }
    void TearDown() override {
        browser::ReleaseVariantValue(&result);
        if (object) browser::ReleaseObject(object);
        if (instance) {
            instance->Shutdown();
            delete instance;
        }
        if (window) DestroyWindow(window);
        ForgetBrowserFunctions();
        PluginTest::TearDown();
    }

    // Calls a method; its result stays in `result` until the next call.
    NPVariant& Call(const char* name, std::vector<NPVariant> args = {}) {
        browser::ReleaseVariantValue(&result);
        EXPECT_TRUE(object->_class->invoke(object, StringIdentifier(name), args.data(),
                                           static_cast<uint32_t>(args.size()), &result))
            << name;
        for (NPVariant& v : args) browser::ReleaseVariantValue(&v);
        return result;
    }
    bool CallTrue(const char* name, std::vector<NPVariant> args = {}) {
        NPVariant& v = Call(name, std::move(args));
        return v.type == NPVariantType_Bool && v.value.boolValue;
    }
    double Number(const NPVariant& v) {
        if (v.type == NPVariantType_Int32) return v.value.intValue;
        if (v.type == NPVariantType_Double) return v.value.doubleValue;
        if (v.type == NPVariantType_Bool) return v.value.boolValue ? 1 : 0;
        ADD_FAILURE() << "not a number: type " << v.type;
        return -12345;
    }
    double Get(const char* name) {
        NPVariant v;
        VOID_TO_NPVARIANT(v);
        EXPECT_TRUE(object->_class->getProperty(object, StringIdentifier(name), &v)) << name;
        double n = Number(v);
        browser::ReleaseVariantValue(&v);
        return n;
    }
    std::string GetText(const char* name) {
        NPVariant v;
        VOID_TO_NPVARIANT(v);
        EXPECT_TRUE(object->_class->getProperty(object, StringIdentifier(name), &v)) << name;
        std::string text = browser::VariantText(v);
        browser::ReleaseVariantValue(&v);
        return text;
    }
    void Set(const char* name, NPVariant value) {
        EXPECT_TRUE(object->_class->setProperty(object, StringIdentifier(name), &value)) << name;
        browser::ReleaseVariantValue(&value);
    }
    // Writes a property and reads it back.
    double Written(const char* name, NPVariant value) {
        Set(name, value);
        return Get(name);
    }
    int ErrorCode() { return static_cast<int>(Get("ErrorCode")); }
    // Opens the first TWAIN source the manager lists.
    void OpenScanner() {
        instance->SetSupportedDeviceType(0);  // the page's XPCOM route; NPRuntime cannot set it
        // A 64-bit prefix keeps Wine's manager in the system folder, not the Windows folder the
        // (32-bit) plug-in looks in: the 64-bit test build takes the control's way there.
        instance->SetPluginManagerSearch(sizeof(void*) == 4);
        ASSERT_TRUE(CallTrue("SelectSourceByIndex", {IntVariant(0)})) << ErrorCode();
        ASSERT_TRUE(CallTrue("OpenSource")) << ErrorCode();
    }
    void SelectCapability(int capability) {
        Set("Capability", IntVariant(capability));
        ASSERT_EQ(ErrorCode(), 0);
        ASSERT_TRUE(CallTrue("CapGet")) << ErrorCode();
    }

    NPP_t record{};
    HWND window = nullptr;
    PluginInstance* instance = nullptr;
    NPObject* object = nullptr;
    NPVariant result{};
};

// The scanner's own capabilities and ranges, as the test scanner declares them.
constexpr int kLongEnumeration = 0x8001;  // 1200 UINT16 items i * 3, current 1100, default 5
constexpr int kStringArray = 0x8002;      // "alpha", "beta", 34 characters without terminator
constexpr int kInt32Range = 0x8003;       // -5 ... 70000 step 5, default 10, current 65540
constexpr int kFrames = 0x1114;           // frames 0/0/8.5/11 and 0.25/0.5/4/6

TEST_F(PluginDevices, CapabilityWorkAreaWithoutASource) {
    // Nothing is open: selecting a capability is refused.
    Set("Capability", IntVariant(0x1101));
    EXPECT_EQ(ErrorCode(), -1031);
    EXPECT_FALSE(CallTrue("CapGet"));
    EXPECT_EQ(Get("DataSourceStatus"), 0);

    // Container types 3 to 6 only.
    Set("CapType", IntVariant(4));
    Set("CapType", IntVariant(7));
    EXPECT_EQ(ErrorCode(), -1034);
    EXPECT_EQ(Get("CapType"), 4);

    // An enumeration of three items: index 3 (== CapNumItems) is outside.
    EXPECT_EQ(Written("CapNumItems", IntVariant(3)), 3);
    EXPECT_TRUE(CallTrue("SetCapItems", {IntVariant(2), DoubleVariant(2.5)}));
    EXPECT_EQ(Number(Call("GetCapItems", {IntVariant(2)})), 2.5);
    NPVariant& outside = Call("GetCapItems", {IntVariant(3)});
    EXPECT_EQ(outside.type, NPVariantType_Double);
    EXPECT_EQ(outside.value.doubleValue, 0.0);
    EXPECT_EQ(ErrorCode(), -1033);
    EXPECT_EQ(Number(Call("GetCapItems", {IntVariant(-1)})), 0.0);
    EXPECT_EQ(ErrorCode(), -1033);
    EXPECT_FALSE(CallTrue("SetCapItems", {IntVariant(1000), DoubleVariant(1)}));
    EXPECT_EQ(ErrorCode(), -1033);
    EXPECT_FALSE(CallTrue("SetCapItems", {IntVariant(-1), DoubleVariant(1)}));  // unsigned: far above 999
    EXPECT_EQ(ErrorCode(), -1033);
    EXPECT_TRUE(CallTrue("SetCapItems", {IntVariant(999), DoubleVariant(7)}));

    // Item texts: cut to 255 characters, refused outside the items.
    const std::string longText(300, 'k');
    EXPECT_TRUE(CallTrue("SetCapItemsString", {IntVariant(1), StringVariant(longText)}));
    EXPECT_EQ(browser::VariantText(Call("GetCapItemsString", {IntVariant(1)})), longText.substr(0, 255));
    EXPECT_FALSE(CallTrue("SetCapItemsString", {IntVariant(3), StringVariant("x")}));
    EXPECT_EQ(ErrorCode(), -1033);
    EXPECT_EQ(browser::VariantText(Call("GetCapItemsString", {IntVariant(3)})), "");
    EXPECT_EQ(ErrorCode(), -1033);
    Set("CapValueString", StringVariant(longText));
    EXPECT_EQ(GetText("CapValueString"), longText.substr(0, 255));

    // Frames: a one value takes the frame whatever the index; a list needs 0 ... 999.
    Set("CapType", IntVariant(5));
    EXPECT_TRUE(CallTrue("CapSetFrame", {IntVariant(4321), DoubleVariant(1), DoubleVariant(2), DoubleVariant(3),
                                         DoubleVariant(4)}));
    EXPECT_EQ(Number(Call("CapGetFrameRight", {IntVariant(77)})), 3.0);
    Set("CapType", IntVariant(3));
    EXPECT_FALSE(CallTrue("CapSetFrame", {IntVariant(1000), DoubleVariant(1), DoubleVariant(2), DoubleVariant(3),
                                          DoubleVariant(4)}));
    EXPECT_EQ(ErrorCode(), -1033);
    EXPECT_TRUE(CallTrue("CapSetFrame", {IntVariant(2), DoubleVariant(0.5), DoubleVariant(1), DoubleVariant(8),
                                         DoubleVariant(10.25)}));
    EXPECT_EQ(Number(Call("CapGetFrameBottom", {IntVariant(2)})), 10.25);
    EXPECT_EQ(Number(Call("CapGetFrameTop", {IntVariant(3)})), 0.0);  // only three items
    EXPECT_EQ(ErrorCode(), -1033);

    // Plain fields of the work area.
    EXPECT_EQ(Written("CapMinValue", DoubleVariant(-7.25)), -7.25);
    EXPECT_EQ(Written("CapValue", DoubleVariant(123.5)), 123.5);
    Set("CapValueType", IntVariant(0x10004));  // 16 bits: 4
    EXPECT_EQ(Get("CapValueType"), 4);
    EXPECT_EQ(Written("CapCurrentIndex", IntVariant(2)), 2);
}

// The 255 bytes the plug-in keeps of a capability text end at a whole character. This needs a
// code page of double-byte characters: ctest runs this case once more in the Japanese one (932,
// plugin_device_test_code_page_932, which sets LUMETTA_EXPECT_ACP); in a single-byte code page
// every character is one byte and there is nothing to split.
TEST_F(PluginDevices, CapabilityTextsAreCutAtAWholeCharacter) {
    char expected[16] = {};
    if (!GetEnvironmentVariableA("LUMETTA_EXPECT_ACP", expected, sizeof expected)) {
        if (!IsDBCSLeadByte(0x82)) GTEST_SKIP() << "the code page " << GetACP() << " has no double-byte characters";
    } else {
        ASSERT_EQ(std::to_string(GetACP()), expected) << "the program did not run in the code page asked for";
    }
    Set("CapType", IntVariant(4));
    ASSERT_EQ(Written("CapNumItems", IntVariant(2)), 2);
    // "xx" and 200 hiragana A (U+3042, three bytes in UTF-8 at the page): 2 + 400 bytes in code
    // page 932, whose 255th byte is the first of a character's two.
    std::string page = "xx", kept = "xx";
    for (int i = 0; i < 200; ++i) page += "\xE3\x81\x82";
    for (int i = 0; i < 126; ++i) kept += "\xE3\x81\x82";  // 254 bytes: the last whole character
    EXPECT_TRUE(CallTrue("SetCapItemsString", {IntVariant(1), StringVariant(page)}));
    EXPECT_EQ(browser::VariantText(Call("GetCapItemsString", {IntVariant(1)})), kept);
    Set("CapValueString", StringVariant(page));
    EXPECT_EQ(GetText("CapValueString"), kept);
}

TEST_F(PluginDevices, SwitchesAndSessionSettings) {
    // One TWAIN-thread setting under two names.
    Set("IfScanInThread", IntVariant(1));
    EXPECT_EQ(Get("IfScanInNewThread"), 1);
    Set("IfScanInNewThread", IntVariant(0));
    EXPECT_EQ(Get("IfScanInThread"), 0);

    EXPECT_EQ(Written("IfDisableSourceAfterAcquire", IntVariant(1)), 1);
    EXPECT_EQ(Written("IfModalUI", IntVariant(0)), 0);
    EXPECT_EQ(Written("IfUseTwainDSM", IntVariant(1)), 1);

    // Transfer modes 0 to 2.
    EXPECT_EQ(Written("TransferMode", IntVariant(2)), 2);
    Set("TransferMode", IntVariant(3));
    EXPECT_EQ(ErrorCode(), -1034);
    EXPECT_EQ(Get("TransferMode"), 2);

    // No transfer yet: the image information is all zero.
    for (const char* name : {"ImageWidth", "ImageLength", "ImageBitsPerPixel", "ImageXResolution", "ImageLayoutFrameRight"})
        EXPECT_EQ(Get(name), 0) << name;
    EXPECT_EQ(GetText("MagData"), "");
    EXPECT_EQ(Get("PendingXfers"), 0);

    // The identity: cut to its 33-character field while no manager session is open.
    Set("ProductName", StringVariant(std::string(40, 'n')));
    EXPECT_EQ(GetText("ProductName"), std::string(33, 'n'));
    EXPECT_EQ(ErrorCode(), 0);
}

TEST_F(PluginDevices, ScannerValuesMatchItsScenarioAndDeclarations) {
    OpenScanner();
    EXPECT_EQ(Get("DataSourceStatus"), 1);

    // Typed settings against the scenario and the capabilities the scanner declares.
    EXPECT_EQ(Get("PixelType"), 1);      // TWPT_GRAY, as the scenario says
    EXPECT_EQ(Get("Resolution"), 200);
    EXPECT_EQ(Get("Unit"), 0);          // inches
    EXPECT_EQ(Get("PixelFlavor"), 0);   // chocolate
    EXPECT_EQ(Get("BitDepth"), 24);     // item 2 of 1, 8, 24
    EXPECT_EQ(Get("PageSize"), 1);
    EXPECT_EQ(Get("XferCount"), -1);    // 0xFFFF as a signed 16-bit value
    EXPECT_EQ(Get("Duplex"), 1);
    EXPECT_EQ(Get("IfFeederEnabled"), 1);
    EXPECT_EQ(Get("IfFeederLoaded"), 1);
    EXPECT_EQ(Get("IfPaperDetectable"), 1);
    EXPECT_EQ(Get("IfDeviceOnline"), 1);
    EXPECT_EQ(Get("IfUIControllable"), 1);
    EXPECT_EQ(Get("IfShowIndicator"), 1);
    EXPECT_EQ(Get("IfAutoScan"), 0);
    EXPECT_EQ(Get("IfAutomaticDeskew"), 1);  // an enumeration of the one item 1
    EXPECT_EQ(Get("IfAutoDiscardBlankpages"), 0);
    EXPECT_EQ(Get("Contrast"), -12.5);
    EXPECT_EQ(Get("Brightness"), 0);
    EXPECT_TRUE(CallTrue("CapIfSupported", {IntVariant(1)}));
    EXPECT_EQ(Number(Call("GetDeviceType")), 3);  // a feeder that can be switched, with automatic feed

    // Writes reach the scanner and read back.
    Set("Resolution", DoubleVariant(150));
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_EQ(Get("Resolution"), 150);
    EXPECT_EQ(Written("PixelType", IntVariant(0)), 0);
    EXPECT_EQ(Written("IfAutoScan", IntVariant(1)), 1);

    // The generic capability steps on the scanner's own capabilities.
    SelectCapability(kInt32Range);
    EXPECT_EQ(Get("CapType"), 6);
    EXPECT_EQ(Get("CapMinValue"), -5);
    EXPECT_EQ(Get("CapMaxValue"), 70000);
    EXPECT_EQ(Get("CapStepSize"), 5);
    EXPECT_EQ(Get("CapDefaultValue"), 10);
    EXPECT_EQ(Get("CapCurrentValue"), 65540);

    SelectCapability(kLongEnumeration);
    EXPECT_EQ(Get("CapNumItems"), 1000);  // the first 1000 of 1200
    EXPECT_EQ(Get("CapCurrentIndex"), 1100);
    EXPECT_EQ(Get("CapDefaultIndex"), 5);
    EXPECT_EQ(Number(Call("GetCapItems", {IntVariant(999)})), 999 * 3);
    EXPECT_EQ(Number(Call("GetCapItems", {IntVariant(1000)})), 0.0);
    EXPECT_EQ(ErrorCode(), -1033);

    SelectCapability(kStringArray);
    EXPECT_EQ(Get("CapNumItems"), 3);
    EXPECT_EQ(browser::VariantText(Call("GetCapItemsString", {IntVariant(1)})), "beta");
    EXPECT_EQ(browser::VariantText(Call("GetCapItemsString", {IntVariant(2)})), "0123456789abcdef0123456789abcdefX");
    EXPECT_EQ(browser::VariantText(Call("GetCapItemsString", {IntVariant(3)})), "");
    EXPECT_EQ(ErrorCode(), -1033);

    SelectCapability(kFrames);
    EXPECT_EQ(Number(Call("CapGetFrameRight", {IntVariant(0)})), 8.5);
    EXPECT_EQ(Number(Call("CapGetFrameBottom", {IntVariant(0)})), 11.0);
    EXPECT_EQ(Number(Call("CapGetFrameLeft", {IntVariant(1)})), 0.25);
    EXPECT_EQ(Number(Call("CapGetFrameBottom", {IntVariant(1)})), 6.0);
    EXPECT_EQ(Number(Call("CapGetFrameTop", {IntVariant(2)})), 0.0);
    EXPECT_EQ(ErrorCode(), -1033);

    // The identity does not change while the manager is open.
    const std::string before = GetText("Manufacturer");
    Set("Manufacturer", StringVariant("Someone Else"));
    EXPECT_EQ(GetText("Manufacturer"), before);

    EXPECT_TRUE(CallTrue("CloseSource"));
    EXPECT_TRUE(CallTrue("CloseSourceManager"));
    Set("Manufacturer", StringVariant("Someone Else"));
    EXPECT_EQ(GetText("Manufacturer"), "Someone Else");
}

TEST_F(PluginDevices, ImageLayoutReachesTheScannerAndComesBackInOutObjects) {
    OpenScanner();
    EXPECT_TRUE(CallTrue("SetImageLayout", {DoubleVariant(0.5), DoubleVariant(1), DoubleVariant(8), DoubleVariant(10.5)}));
    std::vector<browser::PageObject*> outs;
    std::vector<NPVariant> args;
    for (int i = 0; i < 4; ++i) {
        outs.push_back(browser::PageObject::NewOutObject());
        args.push_back(browser::ObjectVariant(outs.back()));
    }
    EXPECT_TRUE(CallTrue("GetImageLayout", args));
    const double expected[4] = {0.5, 1, 8, 10.5};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(outs[i]->Get("value").Number(), expected[i]) << i;
    args.clear();
    for (int i = 0; i < 4; ++i) args.push_back(browser::ObjectVariant(outs[i]));
    EXPECT_TRUE(CallTrue("GetDefaultImageLayout", args));  // the scanner's default: 8.5 x 11 inches
    EXPECT_EQ(outs[2]->Get("value").Number(), 8.5);
    EXPECT_EQ(outs[3]->Get("value").Number(), 11.0);
    EXPECT_TRUE(CallTrue("ResetImageLayout"));
    for (browser::PageObject* o : outs) browser::ReleaseObject(o);
    EXPECT_TRUE(CallTrue("CloseSource"));
}

TEST_F(PluginDevices, LastTransferInformationDescribesTheScannedPage) {
    // One grey page of 23 x 9 pixels at 200 dpi with barcodes and magnetic data "MICR 0042".
    SetEnvironmentVariableA("LUMETTA_SCANNER_SCENARIO", "sources=1;pixel=gray;dpi=200;pages=1;width=23;height=9;barcodes=1");
    OpenScanner();
    Set("IfShowUI", IntVariant(0));
    ASSERT_TRUE(CallTrue("AcquireImage")) << ErrorCode();
    const DWORD start = GetTickCount();
    while (Get("HowManyImagesInBuffer") < 1 && GetTickCount() - start < 10000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {  // the plug-in's hook sees each one
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    ASSERT_EQ(Get("HowManyImagesInBuffer"), 1);
    EXPECT_EQ(Get("ImageWidth"), 23);
    EXPECT_EQ(Get("ImageLength"), 9);
    EXPECT_EQ(Get("ImageBitsPerPixel"), 8);
    EXPECT_EQ(Get("ImagePixelType"), 1);
    EXPECT_EQ(Get("ImageXResolution"), 200);
    EXPECT_EQ(Get("ImageYResolution"), 200);
    EXPECT_EQ(Get("MagType"), 1);
    EXPECT_EQ(GetText("MagData"), "MICR 0042");
    EXPECT_EQ(Get("PendingXfers"), 0);
    EXPECT_TRUE(CallTrue("CloseSource"));
}

TEST_F(PluginDevices, FlatbedProbeLeavesTheFeederAlone) {
    SetEnvironmentVariableA("LUMETTA_SCANNER_SCENARIO", "sources=1;flatbed=1");
    OpenScanner();
    EXPECT_EQ(Number(Call("GetDeviceType")), 2);  // no feeder capabilities at all
    EXPECT_EQ(Get("IfFeederEnabled"), 0);
    EXPECT_FALSE(CallTrue("FeedPage"));
    EXPECT_EQ(ErrorCode(), -1013);  // the scanner does not know the capability
    EXPECT_TRUE(CallTrue("CloseSource"));
}

// Every device member answers through the script object: no property or method the page can name
// is left to the "not supported" answer. Members that open a window (source selection, the
// acquisition, the camera's property page) are driven by the acquisition tests instead.
TEST_F(PluginDevices, EveryDeviceMemberIsReachable) {
    std::vector<std::string> names(std::begin(kDeviceMembers), std::end(kDeviceMembers));
    for (const char* family : kCameraFamilies) {
        const std::string f = family;
        for (const char* suffix : {"", "MinValue", "MaxValue", "StepDelta", "DefaultValue"}) names.push_back(f + suffix);
        names.push_back(f == "Brightness" ? "IfAutoBright" : "IfAuto" + f);
    }
    int methods = 0, properties = 0;
    for (const std::string& name : names) {
        int op = -1;
        for (LONG id = 0; id < kOperationCount && op < 0; ++id)
            if (name == OperationName(id)) op = static_cast<int>(id);
        ASSERT_GE(op, 0) << name;
        if (const MethodSignature* sig = MethodSignatureOf(op)) {
            ++methods;
            std::vector<NPVariant> args;
            std::vector<browser::PageObject*> outs;
            for (const char* a = sig->args; *a; ++a) {
                if (*a == 's') args.push_back(StringVariant(""));
                else if (*a == 'b') args.push_back(browser::BoolVariant(false));
                else if (*a == 'o') {
                    outs.push_back(browser::PageObject::NewOutObject());
                    args.push_back(browser::ObjectVariant(outs.back()));
                } else args.push_back(IntVariant(0));
            }
            Call(name.c_str(), std::move(args));
            EXPECT_NE(ErrorCode(), -2118) << name << " is not carried";
            for (browser::PageObject* o : outs) browser::ReleaseObject(o);
            continue;
        }
        const PropertySignature* sig = PropertySignatureOf(op);
        ASSERT_NE(sig, nullptr) << name;
        ++properties;
        NPVariant value;
        VOID_TO_NPVARIANT(value);
        EXPECT_TRUE(object->_class->getProperty(object, StringIdentifier(name.c_str()), &value)) << name;
        EXPECT_NE(ErrorCode(), -2117) << name << " cannot be read";
        if (op > kOpSeparator1 && sig->set != 'n') {
            // Writing back what was read leaves the device as it was.
            EXPECT_TRUE(object->_class->setProperty(object, StringIdentifier(name.c_str()), &value)) << name;
            EXPECT_NE(ErrorCode(), -2117) << name << " cannot be written";
        }
        browser::ReleaseVariantValue(&value);
    }
    EXPECT_EQ(properties + methods, static_cast<int>(names.size()));
    EXPECT_GT(methods, 40);
}

// What the test camera declares for each family (testdoubles/camera/camera_controls.cpp).
struct CameraRange {
    const char* name;
    int minimum, maximum, step, defaultValue, value;
    bool automatic;
};
const CameraRange kCameraRanges[] = {
    {"Hue", -180, 180, 0, 0, 0, false},        {"Saturation", 0, 200, 1, 100, 100, false},
    {"Sharpness", 0, 15, 1, 3, 3, false},      {"Gamma", 72, 500, 1, 100, 100, false},
    {"WhiteBalance", 2800, 6500, 10, 4600, 4600, true}, {"BklightComp", 0, 2, 1, 1, 1, false},
    {"Gain", 1, 31, 2, 1, 1, false},           {"ColorEnable", 0, 1, 1, 1, 1, false},
    {"ZoomForCam", 100, 400, 10, 100, 100, false}, {"Focus", 0, 250, 5, 0, 0, false},
    {"Exposure", -13, -1, 1, -6, -4, true},    {"Iris", 0, 10, 1, 5, 5, false},
    {"Pan", -180, 180, 1, 0, 0, false},        {"Tilt", -180, 180, 1, 0, 0, false},
    {"Roll", -180, 180, 1, 0, 0, false},
};

TEST_F(PluginDevices, CameraFamiliesGiveTheCamerasDeclaredRanges) {
    for (const CameraRange& r : kCameraRanges) {
        const std::string n = r.name;
        EXPECT_EQ(Get((n + "MinValue").c_str()), r.minimum) << n;
        EXPECT_EQ(Get((n + "MaxValue").c_str()), r.maximum) << n;
        EXPECT_EQ(Get((n + "StepDelta").c_str()), r.step) << n;
        EXPECT_EQ(Get((n + "DefaultValue").c_str()), r.defaultValue) << n;
        EXPECT_EQ(Get(n.c_str()), r.value) << n;
        EXPECT_EQ(Get(("IfAuto" + n).c_str()), r.automatic ? 1 : 0) << n;
    }
    // The float families: brightness -64 ... 64 in steps of 2, contrast 0 ... 100 around 50.
    EXPECT_EQ(Get("BrightnessMinValue"), -64);
    EXPECT_EQ(Get("BrightnessStepDelta"), 2);
    EXPECT_EQ(Get("ContrastDefaultValue"), 50);
    EXPECT_EQ(Get("Contrast"), 50);

    EXPECT_EQ(Written("Saturation", IntVariant(150)), 150);
    Set("Gain", DoubleVariant(7.9));  // 32-bit conversion truncates
    EXPECT_EQ(Get("Gain"), 7);
    EXPECT_EQ(Written("IfAutoGain", IntVariant(1)), 1);
    EXPECT_EQ(Written("IfAutoGain", IntVariant(0)), 0);

    // The formats the camera offers can be listed and chosen.
    const double types = Get("MediaTypeListCount");
    EXPECT_GT(types, 0);
    EXPECT_FALSE(browser::VariantText(Call("GetMediaTypeByIndex", {IntVariant(0)})).empty());
    EXPECT_TRUE(CallTrue("SelectMediaTypeByIndex", {IntVariant(0)})) << ErrorCode();
    EXPECT_GT(Get("ResolutionForCamListCount"), 0);
    EXPECT_FALSE(GetText("ResolutionForCam").empty());
    EXPECT_GT(Get("FrameRateListCount"), 0);
    EXPECT_GT(Number(Call("GetFrameRateByIndex", {IntVariant(0)})), 0);
}

}  // namespace
