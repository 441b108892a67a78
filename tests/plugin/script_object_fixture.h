// A plug-in instance embedded in the browser harness with its script object, and the calls a page
// makes on it: methods, property gets and sets, the error code.
#pragma once

#include <string>
#include <vector>

#include "browser/page_model.h"
#include "plugin_test_browser.h"

std::vector<unsigned char> ReadFile(const std::string& path);
// A file of the build's test-file folder.
std::string TestFile(const char* name);

class ScriptObject : public EmbeddedPluginTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // The embed tag's attributes (event handler names) of the instance under test.
    virtual browser::Attributes EmbedAttributes() const { return {}; }

    // Calls a method; the result is kept in `result` (released by the next call).
    bool Call(const char* name, std::vector<NPVariant> args);
    NPVariant Get(const char* name, bool* ok = nullptr);
    bool Set(const char* name, NPVariant value);
    int32_t ErrorCode();
    int32_t Count();
    // A text property as the page reads it (UTF-8); "" for a non-text result.
    std::string GetText(const char* name);
    NPVariant Text(const std::string& s) { return browser::StringVariant(s); }
    NPVariant Array(const std::vector<unsigned char>& bytes);
    bool LoadRose();

    NPVariant result = browser::VoidVariant();
};
