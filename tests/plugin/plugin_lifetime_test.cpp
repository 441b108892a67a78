// A page removes the plug-in's element while one of the plug-in's own calls still runs, as a
// browser that does not defer NPP_Destroy lets it: from an element getter or setter of a byte
// array, from the evaluation of a wrapped array, from a handler of the buffer's change inside a
// load through the XPCOM peer, and from a page timer that fires while the print dialog is open.
// The call returns without touching the freed instance (the suite runs under Wine's heap checking,
// which reports a write to a freed block, and on the harness's guarded heap, where a use of a
// freed block faults or is found written), and the browser's memory and objects come back clean.
#include <windows.h>

#include <vector>

#include "browser/page_model.h"
#include "browser/xpcom_peer_caller.h"
#include "script_object_fixture.h"
#include "support/test_printer.h"

namespace {

using browser::IntVariant;
using browser::PageObject;
using browser::PageValue;

// A 24-bit BMP of width x height, grey.
std::vector<unsigned char> GreyBmp(int width, int height) {
    const int stride = (width * 3 + 3) / 4 * 4;
    const int size = 54 + stride * height;
    std::vector<unsigned char> b(static_cast<size_t>(size), 0x80);
    auto put = [&](int at, int value, int n) {
        for (int i = 0; i < n; ++i) b[static_cast<size_t>(at + i)] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, size, 4);
    put(6, 0, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, width, 4);
    put(22, height, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(30, 0, 4);
    put(34, stride * height, 4);
    put(38, 2835, 4);
    put(42, 2835, 4);
    put(46, 0, 8);
    return b;
}

class Lifetime : public ScriptObject {
protected:
    // The page removes the element now: NPP_Destroy, then the browser frees the record and window.
    void RemoveElement() {
        if (!embed) return;
        EXPECT_EQ(browser_->Destroy(embed), NPERR_NO_ERROR);
        embed = nullptr;
        ++removals;
    }
    bool LoadGrey(int width, int height) {
        const std::vector<unsigned char> bmp = GreyBmp(width, height);
        return Call("LoadImageFromBytes", {IntVariant(static_cast<int32_t>(bmp.size())), Array(bmp), IntVariant(0)}) &&
               result.type == NPVariantType_Bool && result.value.boolValue;
    }
    // A script array of n elements whose getter or setter of one element runs the page's removal.
    NPVariant RemovingArray(const std::vector<unsigned char>& bytes, int32_t at, bool onWrite) {
        NPVariant v = Array(bytes);
        auto* array = static_cast<PageObject*>(v.value.objectValue);
        array->onElement = [this, at, onWrite](int32_t element, bool write) {
            if (element == at && write == onWrite) RemoveElement();
        };
        return v;
    }

    int removals = 0;
};

TEST_F(Lifetime, AnElementGetterOfLoadImageFromBytesRemovesTheElement) {
    const std::vector<unsigned char> bmp = GreyBmp(8, 6);
    EXPECT_TRUE(Call("LoadImageFromBytes", {IntVariant(static_cast<int32_t>(bmp.size())), RemovingArray(bmp, 10, false),
                                            IntVariant(0)}));
    EXPECT_EQ(removals, 1);
    // The page's object is detached: a later call finds no instance.
    EXPECT_FALSE(Call("HowManyImagesInBuffer", {}));
}

TEST_F(Lifetime, TheEvaluationOfAWrappedArrayRemovesTheElement) {
    // An object without a length: its "value" is evaluated, and that page script removes the element.
    PageObject* wrapper = PageObject::NewObject();
    browser_->evaluate = [this](NPObject*, const std::string&, NPVariant*) {
        RemoveElement();
        return false;
    };
    EXPECT_TRUE(Call("LoadImageFromBytes", {IntVariant(60), browser::ObjectVariant(wrapper), IntVariant(0)}));
    browser::ReleaseObject(wrapper);
    EXPECT_EQ(removals, 1);
}

TEST_F(Lifetime, AnElementSetterOfSaveSelectedImagesToBytesRemovesTheElement) {
    ASSERT_TRUE(LoadGrey(16, 12));
    ASSERT_TRUE(Call("GetSelectedImagesSize", {IntVariant(0)}));
    ASSERT_EQ(result.type, NPVariantType_Int32);
    const int32_t size = result.value.intValue;
    ASSERT_GT(size, 300);
    // The removal comes in the second piece the plug-in hands out.
    EXPECT_TRUE(Call("SaveSelectedImagesToBytes",
                     {IntVariant(size), RemovingArray(std::vector<unsigned char>(static_cast<size_t>(size)), 300, true)}));
    EXPECT_EQ(removals, 1);
}

// The XPCOM peer's byte-block load: the browser's bridge reads the page's array before the call,
// and there an element getter may remove the element; inside the call the load reports the
// buffer's change, and the page's handler of it may remove the element too.
class LifetimePeer : public Lifetime {
protected:
    browser::Attributes EmbedAttributes() const override { return {{"OnBitmapChanged", "changed"}}; }
    void SetUp() override {
        Lifetime::SetUp();
        if (HasFatalFailure()) return;
        peer = browser::GetXpcomPeer(*browser_, embed);
        ASSERT_NE(peer, nullptr);
        changed = browser_->GetPage().AddFunction("changed");
    }
    void TearDown() override {
        browser::ReleaseXpcomPeer(peer);
        browser_->GetPage().Clear();
        Lifetime::TearDown();
    }
    // What the bridge hands the peer: the page's bytes, element by element, removing the element
    // at one of them when asked.
    std::vector<uint8_t> BridgeReads(const std::vector<unsigned char>& page, size_t removeAt) {
        std::vector<uint8_t> bytes;
        for (size_t k = 0; k < page.size(); ++k) {
            if (k == removeAt) RemoveElement();
            bytes.push_back(page[k]);
        }
        return bytes;
    }

    XpcomPeerView* peer = nullptr;
    browser::PageObject* changed = nullptr;
};

TEST_F(LifetimePeer, AnElementGetterRemovesTheElementBeforeThePeerLoads) {
    const std::vector<unsigned char> bmp = GreyBmp(8, 6);
    const std::vector<uint8_t> bytes = BridgeReads(bmp, 10);
    PRBool loaded = 7;
    EXPECT_EQ(peer->table->LoadImageFromBytes(peer, static_cast<int32_t>(bytes.size()), bytes.data(), 0, 0, &loaded), NS_OK);
    EXPECT_EQ(loaded, 0);
    EXPECT_EQ(removals, 1);
    EXPECT_TRUE(changed->calls.empty());
}

TEST_F(LifetimePeer, TheBufferChangeHandlerOfAPeerLoadRemovesTheElement) {
    changed->body = [this](const std::vector<browser::PageValue>&) {
        RemoveElement();
        return browser::PageValue();
    };
    const std::vector<unsigned char> bmp = GreyBmp(40, 30);  // past a page: its block lives on pages of its own
    const std::vector<uint8_t> bytes = BridgeReads(bmp, bmp.size());
    PRBool loaded = 7;
    EXPECT_EQ(peer->table->LoadImageFromBytes(peer, static_cast<int32_t>(bytes.size()), bytes.data(), 0, 0, &loaded), NS_OK);
    // The image was in the buffer when the page let the element go.
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(changed->calls.size(), 1u);
    EXPECT_EQ(removals, 1);
    // The detached peer answers and touches nothing.
    int32_t count = -1;
    EXPECT_EQ(peer->table->get_HowManyImagesInBuffer(peer, &count), NS_OK);
    EXPECT_EQ(count, 0);
}

class LifetimePrinting : public Lifetime {
public:
    void RemoveDuringPrint() { RemoveElement(); }

protected:
    static void SetUpTestSuite() { ASSERT_EQ(TestPrinter::Install(), ""); }
};

LifetimePrinting* g_printing = nullptr;

// A page timer: while a dialog of this thread is open (the print dialog), the page removes the element.
void CALLBACK RemoveDuringDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowA("#32770", nullptr);
    if (!g_printing || !dialog || GetWindowThreadProcessId(dialog, nullptr) != GetCurrentThreadId()) return;
    KillTimer(nullptr, timer);
    g_printing->RemoveDuringPrint();
}

TEST_F(LifetimePrinting, APageTimerRemovesTheElementWhileThePrintDialogIsOpen) {
    ASSERT_TRUE(LoadGrey(20, 10));
    EXPECT_TRUE(Set("IfShowPrintUI", browser::BoolVariant(true)));
    g_printing = this;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, RemoveDuringDialog);
    EXPECT_TRUE(Call("Print", {}));
    KillTimer(nullptr, timer);
    g_printing = nullptr;
    EXPECT_EQ(removals, 1);
}

}  // namespace
