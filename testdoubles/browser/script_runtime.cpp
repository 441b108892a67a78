#include "browser/script_runtime.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "browser/browser_memory.h"

namespace browser {
namespace {

struct Identifier {
    bool isString;
    std::string name;
    int32_t number;
};

struct Identifiers {
    std::mutex lock;
    std::map<std::string, std::unique_ptr<Identifier>> strings;
    std::map<int32_t, std::unique_ptr<Identifier>> numbers;
};

Identifiers& Table() {
    static Identifiers* table = new Identifiers;
    return *table;
}

size_t g_liveObjects = 0;

}  // namespace

NPIdentifier StringIdentifier(const char* name) {
    if (!name) return nullptr;
    Identifiers& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto& slot = t.strings[name];
    if (!slot) slot.reset(new Identifier{true, name, 0});
    return slot.get();
}

NPIdentifier IntIdentifier(int32_t value) {
    Identifiers& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto& slot = t.numbers[value];
    if (!slot) slot.reset(new Identifier{false, {}, value});
    return slot.get();
}

bool IsStringIdentifier(NPIdentifier id) { return id && static_cast<Identifier*>(id)->isString; }

std::string IdentifierName(NPIdentifier id) {
    return IsStringIdentifier(id) ? static_cast<Identifier*>(id)->name : std::string();
}

int32_t IdentifierInt(NPIdentifier id) {
    return id && !static_cast<Identifier*>(id)->isString ? static_cast<Identifier*>(id)->number : 0;
}

char* IdentifierUtf8Copy(NPIdentifier id) {
    if (!IsStringIdentifier(id)) return nullptr;
    const std::string& name = static_cast<Identifier*>(id)->name;
    auto* copy = static_cast<char*>(BrowserMemory::Allocate(static_cast<uint32_t>(name.size() + 1)));
    if (copy) std::memcpy(copy, name.c_str(), name.size() + 1);
    return copy;
}

NPObject* CreateObject(void* record, NPClass* cls) {
    if (!cls) return nullptr;
    NPObject* object = cls->allocate ? cls->allocate(record, cls) : new NPObject{};
    if (!object) return nullptr;
    object->_class = cls;
    object->referenceCount = 1;
    ++g_liveObjects;
    return object;
}

NPObject* RetainObject(NPObject* object) {
    if (object) ++object->referenceCount;
    return object;
}

void ReleaseObject(NPObject* object) {
    if (!object || object->referenceCount == 0) return;
    if (--object->referenceCount != 0) return;
    --g_liveObjects;
    if (object->_class && object->_class->deallocate) object->_class->deallocate(object);
    else delete object;
}

size_t LiveObjects() { return g_liveObjects; }

void ReleaseVariantValue(NPVariant* v) {
    if (!v) return;
    if (v->type == NPVariantType_String) {
        BrowserMemory::Free(const_cast<NPUTF8*>(v->value.stringValue.UTF8Characters));
    } else if (v->type == NPVariantType_Object) {
        ReleaseObject(v->value.objectValue);
    }
    VOID_TO_NPVARIANT(*v);
}

NPVariant StringVariant(const std::string& text) {
    NPVariant v;
    auto* copy = static_cast<char*>(BrowserMemory::Allocate(static_cast<uint32_t>(text.size())));
    if (copy && !text.empty()) std::memcpy(copy, text.data(), text.size());
    STRINGN_TO_NPVARIANT(copy, static_cast<uint32_t>(text.size()), v);
    return v;
}

NPVariant IntVariant(int32_t value) {
    NPVariant v;
    INT32_TO_NPVARIANT(value, v);
    return v;
}

NPVariant DoubleVariant(double value) {
    NPVariant v;
    DOUBLE_TO_NPVARIANT(value, v);
    return v;
}

NPVariant BoolVariant(bool value) {
    NPVariant v;
    BOOLEAN_TO_NPVARIANT(value, v);
    return v;
}

NPVariant ObjectVariant(NPObject* object) {
    NPVariant v;
    OBJECT_TO_NPVARIANT(RetainObject(object), v);
    return v;
}

NPVariant VoidVariant() {
    NPVariant v;
    VOID_TO_NPVARIANT(v);
    return v;
}

NPVariant NullVariant() {
    NPVariant v;
    NULL_TO_NPVARIANT(v);
    return v;
}

std::string VariantText(const NPVariant& v) {
    if (v.type != NPVariantType_String || !v.value.stringValue.UTF8Characters) return {};
    return std::string(v.value.stringValue.UTF8Characters, v.value.stringValue.UTF8Length);
}

}  // namespace browser
