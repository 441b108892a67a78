// The plug-in's script object as a page uses it through the browser: names found without regard
// to case, the count and type tests of the signature classes, conversions, byte arrays in and
// out, texts across the UTF-8 boundary, and what a detached object answers.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "base/event_record.h"
#include "bmp_file.h"
#include "browser/page_model.h"
#include "plugin_test_browser.h"
#include "script_object_fixture.h"

namespace {

using browser::IntVariant;
using browser::PageObject;
using browser::PageValue;
using browser::StringIdentifier;

TEST_F(ScriptObject, NamesAreFoundWithoutRegardToCaseAndByKind) {
    for (const char* name : {"acquireimage", "ACQUIREIMAGE", "AcquireImage", "showfiledialog"})
        EXPECT_TRUE(object->_class->hasMethod(object, StringIdentifier(name))) << name;
    for (const char* name : {"errorcode", "IFFITWINDOW", "DefaultSourceName", "IfAutoRoll", ""})
        EXPECT_TRUE(object->_class->hasProperty(object, StringIdentifier(name))) << name;
    EXPECT_FALSE(object->_class->hasMethod(object, StringIdentifier("ErrorCode")));
    EXPECT_FALSE(object->_class->hasMethod(object, StringIdentifier("")));
    EXPECT_FALSE(object->_class->hasProperty(object, StringIdentifier("RotateLeft")));
    EXPECT_FALSE(object->_class->hasProperty(object, browser::IntIdentifier(3)));

    EXPECT_FALSE(Call("ErrorCode", {}));
    EXPECT_EQ(ErrorCode(), -2112);
    bool ok = true;
    NPVariant v = Get("NoSuchThing", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(v.type, NPVariantType_Void);
    EXPECT_EQ(ErrorCode(), -2111);
    EXPECT_FALSE(Set("HowManyImagesInBuffer", IntVariant(3)));
    EXPECT_EQ(ErrorCode(), -2110);
    // The empty name between the read-only and the read/write properties.
    v = Get("", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(v.type, NPVariantType_Void);
    EXPECT_TRUE(Set("", IntVariant(1)));
    // The OCR settings are reached only through the other route.
    v = Get("OCRLanguage", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(v.type, NPVariantType_Void);
    EXPECT_TRUE(Set("SupportedDeviceType", IntVariant(0)));
    EXPECT_EQ(Get("SupportedDeviceType").value.intValue, 1);
}

TEST_F(ScriptObject, CountAndTypeTestsOfTheSignatureClasses) {
    // Members without a count test ignore extra arguments.
    EXPECT_TRUE(Call("RemoveAllImages", {IntVariant(1), IntVariant(2), IntVariant(3)}));
    EXPECT_EQ(result.type, NPVariantType_Bool);
    EXPECT_TRUE(result.value.boolValue);
    EXPECT_FALSE(Call("RemoveAllSelectedImages", {IntVariant(1)}));
    EXPECT_EQ(ErrorCode(), -2113);
    EXPECT_FALSE(Call("RotateLeft", {}));
    EXPECT_EQ(ErrorCode(), -2113);

    // A wrong type: the member is not called, the result is the zero of its kind.
    EXPECT_TRUE(Call("SaveAsBMP", {IntVariant(5), IntVariant(0)}));
    EXPECT_EQ(result.type, NPVariantType_Bool);
    EXPECT_FALSE(result.value.boolValue);
    EXPECT_EQ(ErrorCode(), -2113);
    EXPECT_TRUE(Call("GetImageXResolution", {browser::NullVariant()}));
    EXPECT_EQ(result.type, NPVariantType_Int32);
    EXPECT_EQ(result.value.intValue, 0);
    EXPECT_EQ(ErrorCode(), -2113);
    EXPECT_TRUE(Call("GetImageWidth", {browser::ObjectVariant(browser_->GetPage().Window())}));
    EXPECT_EQ(result.type, NPVariantType_Double);
    EXPECT_TRUE(Call("SourceNameItems", {browser::VoidVariant()}));
    EXPECT_EQ(result.type, NPVariantType_Void);  // a text member leaves the result unset
    EXPECT_TRUE(Call("LoadImageFromBytes", {IntVariant(1), IntVariant(1), IntVariant(0)}));
    EXPECT_FALSE(result.value.boolValue);
    EXPECT_EQ(ErrorCode(), -2113);

    // Primitive arguments of any kind convert: a Boolean index, a text number.
    ASSERT_TRUE(LoadRose());
    ASSERT_TRUE(LoadRose());
    EXPECT_TRUE(Call("RotateLeft", {browser::BoolVariant(true)}));  // a Boolean index is 0
    EXPECT_TRUE(result.value.boolValue) << ErrorCode();
    EXPECT_TRUE(Call("GetImageWidth", {Text("0")}));
    EXPECT_EQ(result.value.doubleValue, 46.0);  // rose is 70 x 46; the first one was turned
    EXPECT_TRUE(Call("GetImageWidth", {Text("1")}));
    EXPECT_EQ(result.value.doubleValue, 70.0);
    EXPECT_TRUE(Call("GetImageHeight", {browser::DoubleVariant(1.9)}));
    EXPECT_EQ(result.value.doubleValue, 46.0);  // truncated toward zero
    // Rotate's third argument is not tested: an object converts to false.
    EXPECT_TRUE(Call("Rotate", {IntVariant(0), Text("90"), browser::ObjectVariant(browser_->GetPage().Window())}));
    EXPECT_TRUE(result.value.boolValue) << ErrorCode();

    // Members that run only through the other route answer false and leave the code alone.
    Set("IfShowUI", browser::BoolVariant(true));
    EXPECT_TRUE(Call("ReadBarcode", {IntVariant(0)}));
    EXPECT_EQ(result.type, NPVariantType_Bool);
    EXPECT_FALSE(result.value.boolValue);
    EXPECT_EQ(ErrorCode(), 0);
    // A capability operation without an open source fails with the session's code; the work
    // area's text is still read.
    EXPECT_TRUE(Call("CapGetHelp", {}));
    EXPECT_FALSE(result.value.boolValue);
    EXPECT_EQ(ErrorCode(), -1031);
    NPVariant v = Get("CapValueString");
    EXPECT_EQ(v.type, NPVariantType_String);
    EXPECT_EQ(ErrorCode(), 0);
    browser::ReleaseVariantValue(&v);
}

// One member of every signature class of the methods, as the page sees the class: its
// arguments (s text, o object for an out-value, any other letter a number), one argument that is
// type-tested, and the kind of its result.
struct SignatureClass {
    const char* member;
    const char* args;
    int testedArg;  // 0-based; -1 for none
    char result;    // B Bool, I Int32, D Double, S String (left unset)
};

const SignatureClass kSignatureClasses[] = {
    {"RemoveAllSelectedImages", "", -1, 'B'},   {"SaveSelectedImagesToBase64Binary", "", -1, 'S'},
    {"GetDeviceType", "", -1, 'D'},             {"RotateLeft", "h", 0, 'B'},
    {"GetImageXResolution", "h", 0, 'I'},       {"GetSelectedImageIndex", "h", 0, 'I'},
    {"CapGetFrameLeft", "h", 0, 'D'},           {"SelectMediaTypeByIndex", "i", 0, 'B'},
    {"GetSourceNameItems", "i", 0, 'S'},        {"GetImageWidth", "i", 0, 'D'},
    {"GetFrameRateByIndex", "i", 0, 'I'},       {"LoadImage", "s", 0, 'B'},
    {"SwitchImage", "hh", 1, 'B'},              {"GetImageSizeWithSpecifiedType", "hi", 1, 'I'},
    {"SetCapItems", "id", 1, 'B'},              {"SetCapItemsString", "is", 1, 'B'},
    {"GetBarcodeInfo", "ii", 1, 'I'},           {"SaveSelectedImagesToBytes", "io", 1, 'I'},
    {"GetViewMode", "oo", 0, 'B'},              {"SaveAsBMP", "sh", 1, 'B'},
    {"LoadImageEx", "si", 0, 'B'},              {"SetHTTPFormField", "ss", 1, 'B'},
    {"Rotate", "hfb", 1, 'B'},                  {"GetImageSize", "hii", 2, 'D'},
    {"LoadImageFromBytes", "ioi", 2, 'B'},      {"HTTPUploadThroughPut", "shs", 2, 'B'},
    {"HTTPDownloadEx", "ssi", 2, 'B'},          {"HTTPDownloadDirectly", "sss", 2, 'B'},
    {"SetImageLayout", "ffff", 3, 'B'},         {"RotateEx", "hfbh", 3, 'B'},
    {"ChangeImageSize", "hiih", 3, 'B'},        {"GetImageLayout", "oooo", 3, 'B'},
    {"FTPUploadEx", "shsi", 3, 'B'},            {"HTTPUploadThroughPost", "shss", 3, 'B'},
    {"HTTPUploadThroughPostDirectly", "ssss", 3, 'B'}, {"CapSetFrame", "hffff", 4, 'B'},
    {"Crop", "hiiii", 4, 'B'},                  {"SetSelectedImageArea", "hiiii", 3, 'B'},
    {"SetDPI", "hiibi", 2, 'B'},                {"HTTPUploadThroughPostEx", "shssi", 4, 'B'},
    {"IsBlankImageEx", "hiiiib", 4, 'B'},       {"OverlayRectangle", "hiiiiid", 6, 'B'},
    {"AddText", "hiisiidd", 3, 'B'},            {"ShowFileDialog", "bsissbbi", 4, 'B'},
    {"CreateTextFont", "iiiiiiiiiiiiis", 13, 'B'},
};

TEST_F(ScriptObject, EverySignatureClassTestsItsCountAndTypes) {
    NPObject* window = browser_->GetPage().Window();
    // A value that passes the test of a letter, and one that fails it.
    auto good = [&](char letter) {
        return letter == 's' ? Text("x") : letter == 'o' ? browser::ObjectVariant(window) : IntVariant(0);
    };
    auto bad = [&](char letter) {
        return letter == 's' ? IntVariant(0) : letter == 'o' ? Text("x") : browser::ObjectVariant(window);
    };
    for (const SignatureClass& c : kSignatureClasses) {
        SCOPED_TRACE(c.member);
        const int count = static_cast<int>(std::strlen(c.args));
        // One argument too many or too few: refused before anything runs.
        std::vector<NPVariant> args;
        for (int k = 0; k <= count; ++k) args.push_back(IntVariant(0));
        EXPECT_FALSE(Call(c.member, args));
        EXPECT_EQ(ErrorCode(), -2113);
        if (count > 0) {
            EXPECT_FALSE(Call(c.member, std::vector<NPVariant>(static_cast<size_t>(count - 1), IntVariant(0))));
            EXPECT_EQ(ErrorCode(), -2113);
        }
        if (c.testedArg < 0) continue;
        // The right count with a wrong type: the member is not called, the result is its kind's zero.
        args.clear();
        for (int k = 0; k < count; ++k) args.push_back(k == c.testedArg ? bad(c.args[k]) : good(c.args[k]));
        EXPECT_TRUE(Call(c.member, args));
        EXPECT_EQ(ErrorCode(), -2113);
        switch (c.result) {
            case 'B': EXPECT_EQ(result.type, NPVariantType_Bool); EXPECT_FALSE(result.value.boolValue); break;
            case 'I': EXPECT_EQ(result.type, NPVariantType_Int32); EXPECT_EQ(result.value.intValue, 0); break;
            case 'D': EXPECT_EQ(result.type, NPVariantType_Double); EXPECT_EQ(result.value.doubleValue, 0.0); break;
            default: EXPECT_EQ(result.type, NPVariantType_Void); break;
        }
    }
}

TEST_F(ScriptObject, UntestedArgumentsConvertWhateverTheirType) {
    // Arguments past the tested ones take any value: the member runs (its own code, never -2113).
    const std::pair<const char*, std::vector<int>> untested[] = {
        {"SetSelectedImageArea", {4}}, {"SetDPI", {3, 4}}, {"IsBlankImageEx", {5}}};
    for (const auto& [member, positions] : untested) {
        SCOPED_TRACE(member);
        std::vector<NPVariant> args;
        size_t count = std::string(member) == "IsBlankImageEx" ? 6 : 5;
        for (size_t k = 0; k < count; ++k) {
            bool loose = std::find(positions.begin(), positions.end(), static_cast<int>(k)) != positions.end();
            args.push_back(loose ? browser::ObjectVariant(browser_->GetPage().Window()) : IntVariant(0));
        }
        EXPECT_TRUE(Call(member, args));
        EXPECT_EQ(result.type, NPVariantType_Bool);
        EXPECT_NE(ErrorCode(), -2113);
    }
}

TEST_F(ScriptObject, PropertiesConvertTheirValues) {
    EXPECT_TRUE(Set("JPEGQuality", Text("42")));
    EXPECT_EQ(Get("JPEGQuality").value.intValue, 42);
    EXPECT_TRUE(Set("JPEGQuality", browser::DoubleVariant(65.8)));
    EXPECT_EQ(Get("JPEGQuality").value.intValue, 65);
    EXPECT_TRUE(Set("MaxImagesInBuffer", IntVariant(0x10007)));  // 16 bits: 7
    EXPECT_EQ(Get("MaxImagesInBuffer").value.intValue, 7);
    // Booleans: only 1 or more counts as true from a number.
    for (auto [value, expected] : {std::pair{1.0, true}, {0.5, false}, {2.0, true}, {-1.0, false}}) {
        EXPECT_TRUE(Set("IfShowProgressBar", browser::DoubleVariant(value)));
        NPVariant v = Get("IfShowProgressBar");
        EXPECT_EQ(v.type, NPVariantType_Bool);
        EXPECT_EQ(v.value.boolValue, expected) << value;
    }
    EXPECT_TRUE(Set("IfShowProgressBar", Text("1")));  // a text is never true
    EXPECT_FALSE(Get("IfShowProgressBar").value.boolValue);
    EXPECT_TRUE(Set("BlankImageMaxStdDev", Text("-2.5")));
    NPVariant v = Get("BlankImageMaxStdDev");
    EXPECT_EQ(v.type, NPVariantType_Double);
    NPVariant s = Get("ErrorString");
    EXPECT_EQ(s.type, NPVariantType_String);
    browser::ReleaseVariantValue(&s);
    EXPECT_EQ(Get("CurrentHWND").value.intValue, static_cast<int32_t>(reinterpret_cast<INT_PTR>(embed->window)));
}

TEST_F(ScriptObject, BooleansFromEveryKindOfValue) {
    // Numbers count when non-zero (whole numbers) or at least 1 (others); texts and empty values never.
    const std::pair<NPVariant, bool> cases[] = {
        {IntVariant(1), true},          {IntVariant(2), true},           {IntVariant(-1), true},
        {IntVariant(0), false},         {browser::DoubleVariant(1.0), true}, {browser::DoubleVariant(0.99), false},
        {browser::DoubleVariant(std::nan("")), false}, {browser::BoolVariant(true), true},
        {browser::BoolVariant(false), false}, {browser::NullVariant(), false}, {browser::VoidVariant(), false},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_TRUE(Set("IfAppendImage", value));
        NPVariant v = Get("IfAppendImage");
        EXPECT_EQ(v.type, NPVariantType_Bool);
        EXPECT_EQ(v.value.boolValue, expected) << value.type;
    }
    EXPECT_TRUE(Set("IfAppendImage", Text("true")));
    EXPECT_FALSE(Get("IfAppendImage").value.boolValue);
}

TEST_F(ScriptObject, ByteArraysInAndOut) {
    std::vector<unsigned char> bmp = ReadFile(TestFile("rose.bmp"));
    const int32_t size = static_cast<int32_t>(bmp.size());
    // Lengths that differ from the size, negative sizes and endless "value" chains are refused.
    EXPECT_FALSE(Call("LoadImageFromBytes", {IntVariant(size + 1), Array(bmp), IntVariant(0)}));
    EXPECT_EQ(ErrorCode(), -1034);
    EXPECT_FALSE(Call("LoadImageFromBytes", {IntVariant(-1), Array({}), IntVariant(0)}));
    EXPECT_EQ(ErrorCode(), -1034);
    PageObject* loop = PageObject::NewOutObject();
    loop->Set("value", PageValue::Object(loop));
    EXPECT_FALSE(Call("LoadImageFromBytes", {IntVariant(size), browser::ObjectVariant(loop), IntVariant(0)}));
    EXPECT_EQ(ErrorCode(), -1034);
    loop->properties.clear();  // breaks the cycle
    browser::ReleaseObject(loop);

    // Values above 255 count with their low 8 bits; an out-object wrapping the array is followed.
    std::vector<PageValue> values;
    for (unsigned char b : bmp) values.push_back(PageValue::Int(b + 256 * 3));
    PageObject* array = PageObject::NewArray(values);
    PageObject* holder = PageObject::NewOutObject();
    holder->Set("value", PageValue::Object(array));
    browser::ReleaseObject(array);
    EXPECT_TRUE(Call("LoadImageFromBytes", {IntVariant(size), browser::ObjectVariant(holder), IntVariant(0)}));
    browser::ReleaseObject(holder);
    EXPECT_TRUE(result.value.boolValue) << ErrorCode();
    EXPECT_EQ(Count(), 1);
    EXPECT_TRUE(Call("LoadImageFromBytes", {IntVariant(size), Array(bmp), IntVariant(5)}));
    EXPECT_FALSE(result.value.boolValue);
    EXPECT_EQ(ErrorCode(), -1110);

    // Out in pieces: never more elements than the size given, the rest on the next call.
    EXPECT_TRUE(Call("SaveSelectedImagesToBytes", {IntVariant(4), Array({0, 0, 0, 0})}));
    EXPECT_EQ(result.value.intValue, 0);
    EXPECT_EQ(ErrorCode(), -2005);
    EXPECT_TRUE(Call("GetSelectedImagesSize", {IntVariant(0)}));
    const int32_t total = result.value.intValue;
    ASSERT_GT(total, 300);
    PageObject* first = PageObject::NewArray(std::vector<PageValue>(300, PageValue::Int(0)));
    EXPECT_TRUE(Call("SaveSelectedImagesToBytes", {IntVariant(300), browser::ObjectVariant(first)}));
    EXPECT_EQ(result.value.intValue, 300);
    EXPECT_EQ(first->elements.size(), 300u);
    PageObject* rest = PageObject::NewArray(std::vector<PageValue>(total - 300, PageValue::Int(0)));
    EXPECT_TRUE(Call("SaveSelectedImagesToBytes", {IntVariant(total - 300), browser::ObjectVariant(rest)}));
    EXPECT_EQ(result.value.intValue, total - 300);
    std::vector<unsigned char> saved;
    for (auto& [k, v] : first->elements) saved.push_back(static_cast<unsigned char>(v.intValue));
    for (auto& [k, v] : rest->elements) saved.push_back(static_cast<unsigned char>(v.intValue));
    browser::ReleaseObject(first);
    browser::ReleaseObject(rest);
    EXPECT_EQ(saved[0], 'B');
    EXPECT_EQ(saved[1], 'M');
    // What came out loads again as the same picture.
    EXPECT_TRUE(Call("LoadImageFromBytes", {IntVariant(total), Array(saved), IntVariant(0)}));
    EXPECT_TRUE(result.value.boolValue) << ErrorCode();
    EXPECT_TRUE(Call("GetImageWidth", {IntVariant(1)}));
    EXPECT_EQ(result.value.doubleValue, 70.0);
}

TEST_F(ScriptObject, TextsCrossTheUtf8Boundary) {
    // A file whose name has a character outside ASCII, named by the page in UTF-8 (one name per
    // process: the runs with and without GDI+ share the folder).
    std::string folder = TestFile("") + std::to_string(GetCurrentProcessId());
    std::string ansiName = folder + "caf\xE9.bmp";
    ASSERT_TRUE(CopyFileA(TestFile("rose.bmp").c_str(), ansiName.c_str(), FALSE));
    EXPECT_TRUE(Call("LoadImage", {Text(folder + "caf\xC3\xA9.bmp")}));
    EXPECT_TRUE(result.value.boolValue) << ErrorCode();
    EXPECT_EQ(Count(), 1);
    std::string saved = folder + "gr\xC3\xBC\xC3\x9F" "e.bmp";  // u-umlaut and sharp s
    EXPECT_TRUE(Call("SaveAsBMP", {Text(saved), IntVariant(0)}));
    EXPECT_TRUE(result.value.boolValue) << ErrorCode();
    EXPECT_NE(GetFileAttributesA((folder + "gr\xFC\xDF" "e.bmp").c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileA(ansiName.c_str());
    DeleteFileA((folder + "gr\xFC\xDF" "e.bmp").c_str());
    // Paths longer than the engine keeps are refused, not cut.
    EXPECT_TRUE(Call("SaveAsBMP", {Text(std::string(300, 'a') + ".bmp"), IntVariant(0)}));
    EXPECT_FALSE(result.value.boolValue);
    EXPECT_EQ(ErrorCode(), -1034);
}

TEST_F(ScriptObject, DefaultCallAndDetachedObject) {
    NPVariant r = browser::VoidVariant();
    EXPECT_TRUE(object->_class->invokeDefault(object, nullptr, 0, &r));
    EXPECT_EQ(browser::VariantText(r), "default method return val");
    browser::ReleaseVariantValue(&r);
    EXPECT_FALSE(object->_class->removeProperty(object, StringIdentifier("ErrorCode")));
    // The element goes away while the page keeps the object.
    ASSERT_EQ(browser_->Destroy(embed), NPERR_NO_ERROR);
    embed = nullptr;
    NPVariant before = IntVariant(77);
    r = before;
    EXPECT_FALSE(object->_class->invoke(object, StringIdentifier("RemoveAllImages"), nullptr, 0, &r));
    EXPECT_EQ(r.value.intValue, 77);  // untouched
    EXPECT_FALSE(object->_class->getProperty(object, StringIdentifier("ErrorCode"), &r));
    NPVariant one = IntVariant(1);
    EXPECT_FALSE(object->_class->setProperty(object, StringIdentifier("JPEGQuality"), &one));
}

class ScriptEvents : public ScriptObject {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        browser::Page& page = Started().GetPage();
        loaded = page.AddFunction("loaded");
        changed = page.AddFunction("changed");
        percent = page.AddFunction("percent");
        operate = page.AddFunction("operate");
        page.SetValue("notAFunction", PageValue::Text("text"));
        EmbedWith({{"OnPostLoad", "loaded"},
                   {"OnBitmapChanged", "changed"},
                   {"OnInternetTransferPercentage", "percent"},
                   {"OnAfterOperate", "operate"},
                   {"OnPreTransfer", "notAFunction"}});
    }
    PageObject* loaded = nullptr;
    PageObject* changed = nullptr;
    PageObject* percent = nullptr;
    PageObject* operate = nullptr;
};

TEST_F(ScriptEvents, RecordsFromOtherThreadsReachThePageFunctions) {
    EventRecord record = MakeEventRecord(kEventPostLoad);
    std::string longPath(300, 'p');
    CopyEventText(record.File.Path, longPath.c_str());
    CopyEventText(record.File.Name, "rose.bmp");
    record.File.Type = 3;
    SendFromOtherThread(*browser_, embed->window, record);
    ASSERT_EQ(loaded->calls.size(), 1u);
    ASSERT_EQ(loaded->calls[0].size(), 3u);
    EXPECT_EQ(loaded->calls[0][0].text, std::string(259, 'p'));
    EXPECT_EQ(loaded->calls[0][1].text, "rose.bmp");
    EXPECT_EQ(loaded->calls[0][2].intValue, 3);

    EventRecord after = MakeEventRecord(kEventAfterOperate);
    after.Operation.Identifier = 7;
    after.Operation.IdentifierDescription = "SaveAsJPEG";
    after.Operation.Succeed = 1;
    after.Operation.Message = "done";
    SendFromOtherThread(*browser_, embed->window, after);
    ASSERT_EQ(operate->calls.size(), 1u);
    EXPECT_EQ(operate->calls[0][0].intValue, 7);
    EXPECT_EQ(operate->calls[0][1].text, "SaveAsJPEG");
    EXPECT_EQ(operate->calls[0][2].intValue, 1);
    EXPECT_EQ(operate->calls[0][3].text, "done");

    // A handler that stops the transfer: the flag is set from inside the percentage event.
    percent->body = [this](const std::vector<PageValue>&) {
        NPVariant yes = browser::BoolVariant(true);
        object->_class->setProperty(object, StringIdentifier("IfCancelTransfer"), &yes);
        return PageValue();
    };
    EventRecord progress = MakeEventRecord(kEventTransferPercentage);
    progress.Value = 40;
    SendFromOtherThread(*browser_, embed->window, progress);
    ASSERT_EQ(percent->calls.size(), 1u);
    EXPECT_EQ(percent->calls[0].size(), 1u);  // the percent only
    EXPECT_EQ(percent->calls[0][0].intValue, 40);
    EXPECT_TRUE(Get("IfCancelTransfer").value.boolValue);

    // Kinds past the table and a page value that is not a function change nothing.
    int invoked = browser_->CallCount("invokeDefault");
    EventRecord unknown = MakeEventRecord(30);
    SendFromOtherThread(*browser_, embed->window, unknown);
    EventRecord pre = MakeEventRecord(kEventPreTransfer);
    SendFromOtherThread(*browser_, embed->window, pre);
    SendMessageA(embed->window, WM_LUMETTA_EVENT, 0, 0);
    EXPECT_EQ(browser_->CallCount("invokeDefault"), invoked);
}

TEST_F(ScriptEvents, BufferChangesRaiseOneBitmapEventEach) {
    ASSERT_TRUE(LoadRose());
    ASSERT_TRUE(LoadRose());
    size_t before = changed->calls.size();
    EXPECT_TRUE(Call("RemoveImage", {IntVariant(0)}));
    EXPECT_EQ(changed->calls.size(), before + 1);
    before = changed->calls.size();
    // Moving the current image from the viewer raises none.
    SendMessageA(embed->window, WM_USER + 401, 0, 0);
    EXPECT_EQ(changed->calls.size(), before);
    EXPECT_TRUE(Call("RemoveAllSelectedImages", {}));
    EXPECT_LE(changed->calls.size(), before + 1);
}

// Images 1, 3 and 4 of five selected: 4, then 3, then 1 go, and the page hears of it once.
TEST_F(ScriptEvents, RemovingTheSelectedImagesLeavesTheOthersAndIsReportedOnce) {
    for (int width = 20; width < 25; ++width) {
        const std::vector<uint8_t> file = SolidBmp(width, 8, 0, 0, 0);
        ASSERT_TRUE(Call("LoadImageFromBytes", {IntVariant(int32_t(file.size())), Array(file), IntVariant(0)}));
    }
    ASSERT_EQ(Count(), 5);
    EXPECT_TRUE(Set("AllowMultiSelect", browser::BoolVariant(true)));
    EXPECT_TRUE(Set("SelectedImagesCount", IntVariant(3)));
    const int chosen[] = {1, 3, 4};
    for (int position = 0; position < 3; ++position)
        EXPECT_TRUE(Call("SetSelectedImageIndex", {IntVariant(position), IntVariant(chosen[position])}));
    const size_t before = changed->calls.size();
    EXPECT_TRUE(Call("RemoveAllSelectedImages", {}));
    EXPECT_TRUE(result.type == NPVariantType_Bool && result.value.boolValue);
    ASSERT_EQ(Count(), 2);
    EXPECT_TRUE(Call("GetImageWidth", {IntVariant(0)}));
    EXPECT_EQ(result.value.doubleValue, 20.0);
    EXPECT_TRUE(Call("GetImageWidth", {IntVariant(1)}));
    EXPECT_EQ(result.value.doubleValue, 22.0);
    EXPECT_EQ(changed->calls.size(), before + 1);
}

}  // namespace
