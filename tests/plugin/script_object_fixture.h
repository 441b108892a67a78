// A page's view of one embedded plug-in instance: its script object called as the browser calls
// it, with helpers for members, properties, the error code and byte arrays.
#pragma once

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "browser/page_model.h"
#include "plugin_test_browser.h"

inline std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

inline std::string TestFile(const char* name) {
    const char* folder = std::getenv("LUMETTA_TEST_FILES");
    return std::string(folder ? folder : ".") + "/" + name;
}

class ScriptObject : public EmbeddedPluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        EmbedWith();
    }
    // Calls a method; the result is kept in `result` (released by the next call).
    bool Call(const char* name, std::vector<NPVariant> args) {
        browser::ReleaseVariantValue(&result);
        bool ok = object->_class->invoke(object, browser::StringIdentifier(name), args.data(), static_cast<uint32_t>(args.size()),
                                         &result);
        for (NPVariant& v : args) browser::ReleaseVariantValue(&v);
        return ok;
    }
    NPVariant Get(const char* name, bool* ok = nullptr) {
        NPVariant v = browser::IntVariant(12345);
        bool got = object->_class->getProperty(object, browser::StringIdentifier(name), &v);
        if (ok) *ok = got;
        return v;
    }
    bool Set(const char* name, NPVariant value) {
        bool ok = object->_class->setProperty(object, browser::StringIdentifier(name), &value);
        browser::ReleaseVariantValue(&value);
        return ok;
    }
    int32_t ErrorCode() {
        NPVariant v = Get("ErrorCode");
        EXPECT_EQ(v.type, NPVariantType_Int32);
        return v.value.intValue;
    }
    int32_t Count() {
        NPVariant v = Get("HowManyImagesInBuffer");
        return v.value.intValue;
    }
    NPVariant Text(const std::string& s) { return browser::StringVariant(s); }
    NPVariant Array(const std::vector<unsigned char>& bytes) {
        std::vector<browser::PageValue> values;
        for (unsigned char b : bytes) values.push_back(browser::PageValue::Int(b));
        browser::PageObject* a = browser::PageObject::NewArray(values);
        NPVariant v = browser::ObjectVariant(a);
        browser::ReleaseObject(a);
        return v;
    }
    bool LoadRose() {
        std::vector<unsigned char> bmp = ReadFile(TestFile("rose.bmp"));
        EXPECT_GT(bmp.size(), 1000u);
        return Call("LoadImageFromBytes", {browser::IntVariant(static_cast<int32_t>(bmp.size())), Array(bmp), browser::IntVariant(0)}) &&
               result.type == NPVariantType_Bool && result.value.boolValue;
    }

    NPVariant result = browser::VoidVariant();
};
