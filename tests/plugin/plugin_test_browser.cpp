#include "plugin_test_browser.h"

#include <cstdlib>

#include "base/event_record.h"
#include "browser/guarded_heap.h"

std::string PluginFolder() { return LUMETTA_PLUGIN_FOLDER; }
std::string PluginPath() { return PluginFolder() + "/NPLumetta.dll"; }

bool GdiplusSwitchedOff() {
    const char* v = std::getenv("LUMETTA_EXPECT_NO_GDIPLUS");
    return v && *v == '1';
}

bool HeapGuarded() {
    const char* v = std::getenv("LUMETTA_GUARD_HEAP");
    return v && *v == '1';
}

void PluginTest::SetUp() {
    browser::BrowserMemory::Reset();
    browser_ = std::make_unique<browser::Browser>();
    browser_->guardHeap = HeapGuarded();
}

void PluginTest::TearDown() {
    browser_.reset();
    EXPECT_EQ(browser::BrowserMemory::Report(), "");
    EXPECT_EQ(browser::LiveObjects(), 0u);
    // A freed block of the plug-in written since it was freed (a use of the freed instance).
    if (HeapGuarded()) {
        EXPECT_EQ(browser::GuardedHeap::Report(), "");
    }
}

browser::Browser& PluginTest::Started() {
    if (!browser_->Loaded()) {
        EXPECT_TRUE(browser_->Start(PluginPath()));
    }
    return *browser_;
}

browser::Embed* PluginTest::Embedded(const browser::Attributes& attributes, int width, int height) {
    NPError error = -1;
    browser::Embed* embed = Started().New(attributes, &error);
    EXPECT_EQ(error, NPERR_NO_ERROR);
    if (!embed) return nullptr;
    EXPECT_EQ(browser_->SetWindow(embed, width, height), NPERR_NO_ERROR);
    return embed;
}

void EmbeddedPluginTest::TearDown() {
    browser::ReleaseObject(object);
    if (embed) browser_->Destroy(embed);
    PluginTest::TearDown();
}

void EmbeddedPluginTest::EmbedWith(const browser::Attributes& attributes) {
    embed = Embedded(attributes);
    ASSERT_NE(embed, nullptr);
    object = browser_->ScriptObject(embed);
    ASSERT_NE(object, nullptr);
}

namespace {

struct SentRecord {
    HWND window;
    EventRecord* record;
};

DWORD WINAPI SendFromWorker(LPVOID p) {
    auto* sent = static_cast<SentRecord*>(p);
    SendMessageA(sent->window, WM_LUMETTA_EVENT, 0, reinterpret_cast<LPARAM>(sent->record));
    return 0;
}

}  // namespace

void SendFromOtherThread(browser::Browser& b, HWND window, EventRecord& record) {
    SentRecord sent{window, &record};
    HANDLE thread = CreateThread(nullptr, 0, SendFromWorker, &sent, 0, nullptr);
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) b.Pump(0);
    CloseHandle(thread);
}
