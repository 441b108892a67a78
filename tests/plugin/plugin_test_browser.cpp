#include "plugin_test_browser.h"

#include <cstdlib>

std::string PluginFolder() { return LUMETTA_PLUGIN_FOLDER; }
std::string PluginPath() { return PluginFolder() + "/NPLumetta.dll"; }

bool GdiplusSwitchedOff() {
    const char* v = std::getenv("LUMETTA_EXPECT_NO_GDIPLUS");
    return v && *v == '1';
}

void PluginTest::SetUp() {
    browser::BrowserMemory::Reset();
    browser_ = std::make_unique<browser::Browser>();
}

void PluginTest::TearDown() {
    browser_.reset();
    EXPECT_EQ(browser::BrowserMemory::Report(), "");
    EXPECT_EQ(browser::LiveObjects(), 0u);
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
