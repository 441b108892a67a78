// Events of the plug-in as a page receives them: every embed attribute reaches the page function
// it names with the arguments of its event (records from other threads, viewer messages on the
// window's thread), only functions are called, texts arrive as UTF-8, and an acquisition from the
// test camera raises the transfer events in their order.
#include <windows.h>

#include <string>
#include <vector>

#include "base/event_record.h"
#include "browser/page_model.h"
#include "browser/plugin_page.h"
#include "plugin_test_browser.h"

namespace {

using browser::IntVariant;
using browser::PageObject;
using browser::PageValue;
using browser::StringIdentifier;

// What a page function received, written as the page would print it.
std::string Describe(const std::vector<PageValue>& args) {
    std::string s = "(";
    for (size_t i = 0; i < args.size(); ++i) s += (i ? ", " : "") + args[i].Describe();
    return s + ")";
}

class PageEvents : public EmbeddedPluginTest {
protected:
    // Embeds with every attribute naming "page_<event>", each a function that logs its call.
    void EmbedWithAllAttributes() {
        browser::Page& page = Started().GetPage();
        browser::Attributes attributes;
        for (const char* name : browser::kPageEvents) {
            std::string function = std::string("page_") + name;
            PageObject* f = page.AddFunction(function);
            f->body = [this, name](const std::vector<PageValue>& args) {
                log.push_back(std::string(name) + Describe(args));
                return PageValue();
            };
            attributes.emplace_back(name, function);
        }
        EmbedWith(attributes);
    }
    void Send(EventRecord record) { SendFromOtherThread(*browser_, embed->window, record); }
    // The log since the last call, emptied.
    std::vector<std::string> Taken() {
        std::vector<std::string> taken;
        taken.swap(log);
        return taken;
    }
    NPVariant Get(const char* name) {
        NPVariant v = browser::VoidVariant();
        object->_class->getProperty(object, StringIdentifier(name), &v);
        return v;
    }

    std::vector<std::string> log;
};

TEST_F(PageEvents, EveryRecordKindReachesItsFunctionFromAnotherThread) {
    EmbedWithAllAttributes();
    using Strings = std::vector<std::string>;
    const struct {
        int32_t kind;
        const char* call;
    } plain[] = {
        {0, "OnPreTransfer()"},      {1, "OnPostTransfer()"},      {2, "OnPreAllTransfers()"},
        {3, "OnPostAllTransfers()"}, {4, "OnTransferCancelled()"}, {5, "OnTransferError()"},
        {21, "OnSourceUIClose()"},
    };
    for (const auto& p : plain) {
        Send(MakeEventRecord(p.kind));
        EXPECT_EQ(Taken(), Strings{p.call}) << p.kind;
    }

    // The percentage is the first 16-bit word, signed; kind 14 is read as 11.
    EventRecord percent = MakeEventRecord(kEventTransferPercentage);
    percent.Value = 0x10032;  // 50 in the low word
    Send(percent);
    percent.Kind = kEventTransferPercentageAlias;
    percent.Value = 0xFFFF;
    Send(percent);
    EXPECT_EQ(Taken(), (Strings{"OnInternetTransferPercentage(50)", "OnInternetTransferPercentage(-1)"}));

    EventRecord load = MakeEventRecord(kEventPostLoad);
    CopyEventText(load.File.Path, "C:\\scans");
    CopyEventText(load.File.Name, "page.png");
    load.File.Type = 3;
    Send(load);
    EXPECT_EQ(Taken(), Strings{"OnPostLoad(\"C:\\scans\", \"page.png\", 3)"});

    EventRecord before = MakeEventRecord(kEventBeforeOperate);
    before.Operation.Identifier = 326;
    before.Operation.IdentifierDescription = "IsBlankImage";
    Send(before);
    EventRecord status = MakeEventRecord(kEventOperateStatus);
    status.Operation.Message = "half way";
    status.Operation.Percent = 50;
    Send(status);
    EventRecord after = MakeEventRecord(kEventAfterOperate);
    after.Operation.Identifier = 326;
    after.Operation.IdentifierDescription = "IsBlankImage";
    after.Operation.Succeed = 0;
    after.Operation.Message = "General failure.";
    Send(after);
    EXPECT_EQ(Taken(), (Strings{"OnBeforeOperate(326, \"IsBlankImage\")", "OnOperateStatus(\"half way\", 50)",
                                "OnAfterOperate(326, \"IsBlankImage\", 0, \"General failure.\")"}));

    // The buffer-changed notice, and an acquired image that the buffer takes.
    EventRecord changed = MakeEventRecord(kEventBitmap);
    changed.Value = kBufferChangedValue;
    Send(changed);
    EXPECT_EQ(Taken(), Strings{"OnBitmapChanged()"});
    HGLOBAL dib = GlobalAlloc(GHND, sizeof(BITMAPINFOHEADER) + 2 * 8);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    *header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, 2, 1, 24, BI_RGB, 16, 2835, 2835, 0, 0};
    GlobalUnlock(dib);
    EventRecord image = MakeEventRecord(kEventBitmap);
    image.Payload = dib;
    Send(image);
    EXPECT_EQ(Get("HowManyImagesInBuffer").value.intValue, 1);
    // The viewer reports its first image at the top as well.
    EXPECT_EQ(Taken(), (Strings{"OnTopImageInTheViewChanged(0)", "OnBitmapChanged()"}));

    // Kinds without an event, past the table, and a null record call nothing.
    for (int32_t kind : {6, 7, 8, 9, 10, 12, 13, 16, 22, 40, -1}) Send(MakeEventRecord(kind));
    SendMessageA(embed->window, WM_LUMETTA_EVENT, 0, 0);
    EXPECT_EQ(Taken(), Strings{});
}

TEST_F(PageEvents, ViewerMessagesReachTheirFunctionsWithTheIndex) {
    EmbedWithAllAttributes();
    using Strings = std::vector<std::string>;
    // The index is the low word of wParam, signed.
    SendMessageA(embed->window, WM_USER + 403, 2, 0);
    SendMessageA(embed->window, WM_USER + 404, 0xFFFF, 0);
    SendMessageA(embed->window, WM_USER + 405, 0x10001, 0);
    SendMessageA(embed->window, WM_USER + 406, 3, 0);
    SendMessageA(embed->window, WM_USER + 407, 4, 0);
    RECT area{10, 20, 30, 40};
    SendMessageA(embed->window, WM_USER + 408, 5, reinterpret_cast<LPARAM>(&area));
    SendMessageA(embed->window, WM_USER + 408, 6, 0);
    SendMessageA(embed->window, WM_USER + 409, 7, 0);
    EXPECT_EQ(Taken(), (Strings{"OnMouseClick(2)", "OnMouseMove(-1)", "OnMouseRightClick(1)", "OnMouseDoubleClick(3)",
                                "OnTopImageInTheViewChanged(4)", "OnImageAreaSelected(5, 10, 20, 30, 40)",
                                "OnImageAreaSelected(6, 0, 0, 0, 0)", "OnImageAreaDeselected(7)"}));
}

TEST_F(PageEvents, EventTextsReachThePageAsUtf8AndCutWholeCharacters) {
    EmbedWithAllAttributes();
    EventRecord load = MakeEventRecord(kEventPostLoad);
    CopyEventText(load.File.Path, "C:\\caf\xE9");  // e acute in the system code page (1252)
    std::string longName(300, '\xFC');              // u umlaut, one byte each in the code page
    CopyEventText(load.File.Name, longName.c_str());
    load.File.Type = 0;
    Send(load);
    ASSERT_EQ(log.size(), 1u);
    std::string expected = "OnPostLoad(\"C:\\caf\xC3\xA9\", \"";
    for (int i = 0; i < 259; ++i) expected += "\xC3\xBC";  // 259 characters, each two bytes in UTF-8
    EXPECT_EQ(log[0], expected + "\", 0)");
}

TEST_F(PageEvents, OnlyObjectsAreCalled) {
    browser::Page& page = Started().GetPage();
    PageObject* plain = PageObject::NewObject();  // an object that is no function: the call fails quietly
    PageObject* handler = page.AddFunction("handler");
    page.SetValue("number", PageValue::Int(5));
    page.SetValue("text", PageValue::Text("handler"));
    page.SetValue("nothing", PageValue::Null());
    page.SetValue("plain", PageValue::Object(plain));
    browser::ReleaseObject(plain);
    embed = Embedded({{"OnPreTransfer", "number"},
                      {"OnPostTransfer", "text"},
                      {"OnPreAllTransfers", "nothing"},
                      {"OnPostAllTransfers", "missing"},
                      {"OnTransferCancelled", "plain"},
                      {"OnTransferError", "handler"}});
    ASSERT_NE(embed, nullptr);
    int calls = browser_->CallCount("invokeDefault");
    for (int32_t kind : {0, 1, 2, 3}) Send(MakeEventRecord(kind));
    EXPECT_EQ(browser_->CallCount("invokeDefault"), calls);
    Send(MakeEventRecord(kEventTransferCancelled));
    EXPECT_EQ(browser_->CallCount("invokeDefault"), calls + 1);
    Send(MakeEventRecord(kEventTransferError));
    EXPECT_EQ(browser_->CallCount("invokeDefault"), calls + 2);
    EXPECT_EQ(handler->calls.size(), 1u);
    // The page's values were read and released again: nothing is left over (checked at the end).
}

// The test camera: the plug-in lists cameras by default.
TEST_F(PageEvents, CameraAcquisitionRaisesTheTransferEventsInOrder) {
    EmbedWithAllAttributes();
    auto call = [this](const char* name, std::vector<NPVariant> args) {
        NPVariant result = browser::VoidVariant();
        bool ok = object->_class->invoke(object, StringIdentifier(name), args.data(),
                                         static_cast<uint32_t>(args.size()), &result);
        PageValue value = PageValue::From(result);
        browser::ReleaseVariantValue(&result);
        for (NPVariant& v : args) browser::ReleaseVariantValue(&v);
        return ok ? value : PageValue::Null();
    };
    NPVariant no = browser::BoolVariant(false);
    object->_class->setProperty(object, StringIdentifier("IfShowUI"), &no);
    int index = -1;
    int count = Get("SourceCount").value.intValue;
    for (int i = 0; i < count && index < 0; ++i) {
        if (call("GetSourceNameItems", {IntVariant(i)}).text.find("Lumetta Test Camera") != std::string::npos) index = i;
    }
    ASSERT_GE(index, 0) << "the test camera is not registered in this prefix";
    EXPECT_TRUE(call("SelectSourceByIndex", {IntVariant(index)}).boolValue);
    Taken();
    EXPECT_TRUE(call("AcquireImage", {}).boolValue) << Get("ErrorCode").value.intValue;
    for (int waited = 0; waited < 10000 && Get("HowManyImagesInBuffer").value.intValue == 0; waited += 50)
        browser_->Pump(50);
    browser_->Pump(200);
    EXPECT_EQ(Get("HowManyImagesInBuffer").value.intValue, 1);
    EXPECT_EQ(Taken(), (std::vector<std::string>{"OnPreAllTransfers()", "OnPreTransfer()",
                                                 "OnTopImageInTheViewChanged(0)", "OnBitmapChanged()",
                                                 "OnPostTransfer()", "OnPostAllTransfers()"}));
}

}  // namespace
