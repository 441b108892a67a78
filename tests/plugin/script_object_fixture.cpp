#include "script_object_fixture.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

std::string TestFile(const char* name) {
    const char* folder = std::getenv("LUMETTA_TEST_FILES");
    return std::string(folder ? folder : ".") + "/" + name;
}

void ScriptObject::SetUp() {
    PluginTest::SetUp();
    EmbedWith(EmbedAttributes());
}

void ScriptObject::TearDown() {
    browser::ReleaseVariantValue(&result);
    EmbeddedPluginTest::TearDown();
}

bool ScriptObject::Call(const char* name, std::vector<NPVariant> args) {
    browser::ReleaseVariantValue(&result);
    bool ok = object->_class->invoke(object, browser::StringIdentifier(name), args.data(),
                                     static_cast<uint32_t>(args.size()), &result);
    for (NPVariant& v : args) browser::ReleaseVariantValue(&v);
    return ok;
}

NPVariant ScriptObject::Get(const char* name, bool* ok) {
    NPVariant v = browser::IntVariant(12345);
    bool got = object->_class->getProperty(object, browser::StringIdentifier(name), &v);
    if (ok) *ok = got;
    return v;
}

bool ScriptObject::Set(const char* name, NPVariant value) {
    bool ok = object->_class->setProperty(object, browser::StringIdentifier(name), &value);
    browser::ReleaseVariantValue(&value);
    return ok;
}

int32_t ScriptObject::ErrorCode() {
    NPVariant v = Get("ErrorCode");
    EXPECT_EQ(v.type, NPVariantType_Int32);
    return v.value.intValue;
}

int32_t ScriptObject::Count() { return Get("HowManyImagesInBuffer").value.intValue; }

std::string ScriptObject::GetText(const char* name) {
    NPVariant v = Get(name);
    std::string text = v.type == NPVariantType_String ? browser::VariantText(v) : std::string();
    browser::ReleaseVariantValue(&v);
    return text;
}

NPVariant ScriptObject::Array(const std::vector<unsigned char>& bytes) {
    std::vector<browser::PageValue> values;
    for (unsigned char b : bytes) values.push_back(browser::PageValue::Int(b));
    browser::PageObject* a = browser::PageObject::NewArray(values);
    NPVariant v = browser::ObjectVariant(a);
    browser::ReleaseObject(a);
    return v;
}

bool ScriptObject::LoadRose() {
    std::vector<unsigned char> bmp = ReadFile(TestFile("rose.bmp"));
    EXPECT_GT(bmp.size(), 1000u);
    return Call("LoadImageFromBytes",
                {browser::IntVariant(static_cast<int32_t>(bmp.size())), Array(bmp), browser::IntVariant(0)}) &&
           result.type == NPVariantType_Bool && result.value.boolValue;
}
