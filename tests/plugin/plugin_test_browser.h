// What the plug-in tests share: a browser that has loaded NPLumetta.dll from the build folder, and
// the check that the plug-in left no browser memory and no script object behind.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "browser/browser.h"
#include "browser/browser_memory.h"
#include "browser/script_runtime.h"

// The folder that holds the NPLumetta.dll of this build.
std::string PluginFolder();
std::string PluginPath();
bool GdiplusSwitchedOff();
// LUMETTA_GUARD_HEAP=1: every browser of the test runs the plug-in on the guarded heap
// (browser/guarded_heap.h), and each test ends with the check that no freed block was written.
bool HeapGuarded();

struct EventRecord;

// Sends an event record to the plug-in's window from another thread, as workers and devices do,
// while this thread pumps the browser's messages.
void SendFromOtherThread(browser::Browser& b, HWND window, EventRecord& record);

class PluginTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A browser with the plug-in loaded and initialised.
    browser::Browser& Started();
    // An embed with attributes, given its first window of the size.
    browser::Embed* Embedded(const browser::Attributes& attributes = {}, int width = 320, int height = 240);

    std::unique_ptr<browser::Browser> browser_;
};

// A test with one embedded instance and its script object, both let go at the end.
class EmbeddedPluginTest : public PluginTest {
protected:
    void TearDown() override;
    // Embeds with the attributes and takes the element's script object.
    void EmbedWith(const browser::Attributes& attributes = {});

    browser::Embed* embed = nullptr;
    NPObject* object = nullptr;
};
