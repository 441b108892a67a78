// The plug-in's script object as a page uses it through the browser: names found without regard
// to case, the count and type tests of the signature classes, conversions, byte arrays in and
// out, texts across the UTF-8 boundary, and what a detached object answers.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "base/event_record.h"
#include "browser/page_model.h"
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
    // A member this build lacks says so.
    EXPECT_TRUE(Call("ShowImageEditor", {}));
    EXPECT_FALSE(result.value.boolValue);
    EXPECT_EQ(ErrorCode(), -2118);
    NPVariant v = Get("PDFTitle");
    EXPECT_EQ(v.type, NPVariantType_Void);
    EXPECT_EQ(ErrorCode(), -2117);
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

struct SentRecord {
    HWND window;
    EventRecord* record;
};

DWORD WINAPI SendFromWorker(LPVOID p) {
    auto* sent = static_cast<SentRecord*>(p);
    SendMessageA(sent->window, WM_LUMETTA_EVENT, 0, reinterpret_cast<LPARAM>(sent->record));
    return 0;
}

// Sends a record from another thread, as workers and devices do, while this thread pumps.
void SendFromOtherThread(browser::Browser& b, HWND window, EventRecord& record) {
    SentRecord sent{window, &record};
    HANDLE thread = CreateThread(nullptr, 0, SendFromWorker, &sent, 0, nullptr);
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) b.Pump(0);
    CloseHandle(thread);
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
        embed = Embedded({{"OnPostLoad", "loaded"},
                          {"OnBitmapChanged", "changed"},
                          {"OnInternetTransferPercentage", "percent"},
                          {"OnAfterOperate", "operate"},
                          {"OnPreTransfer", "notAFunction"}});
        page.SetValue("notAFunction", PageValue::Text("text"));
        ASSERT_NE(embed, nullptr);
        object = browser_->ScriptObject(embed);
        ASSERT_NE(object, nullptr);
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

}  // namespace
