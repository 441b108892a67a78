#include "browser/page_model.h"

#include <new>

#include "browser/script_runtime.h"

namespace browser {

PageValue PageValue::Int(int32_t v) {
    PageValue p;
    p.type = NPVariantType_Int32;
    p.intValue = v;
    return p;
}

PageValue PageValue::Double(double v) {
    PageValue p;
    p.type = NPVariantType_Double;
    p.doubleValue = v;
    return p;
}

PageValue PageValue::Bool(bool v) {
    PageValue p;
    p.type = NPVariantType_Bool;
    p.boolValue = v;
    return p;
}

PageValue PageValue::Text(const std::string& v) {
    PageValue p;
    p.type = NPVariantType_String;
    p.text = v;
    return p;
}

PageValue PageValue::Null() {
    PageValue p;
    p.type = NPVariantType_Null;
    return p;
}

PageValue PageValue::Object(NPObject* o) {
    PageValue p;
    if (!o) return Null();
    p.type = NPVariantType_Object;
    p.object = RetainObject(o);
    return p;
}

PageValue PageValue::From(const NPVariant& v) {
    switch (v.type) {
        case NPVariantType_Null: return Null();
        case NPVariantType_Bool: return Bool(v.value.boolValue);
        case NPVariantType_Int32: return Int(v.value.intValue);
        case NPVariantType_Double: return Double(v.value.doubleValue);
        case NPVariantType_String: return Text(VariantText(v));
        case NPVariantType_Object: return Object(v.value.objectValue);
        default: return PageValue();
    }
}

PageValue::PageValue(const PageValue& other)
    : type(other.type),
      boolValue(other.boolValue),
      intValue(other.intValue),
      doubleValue(other.doubleValue),
      text(other.text),
      object(RetainObject(other.object)) {}

PageValue& PageValue::operator=(const PageValue& other) {
    if (this == &other) return *this;
    NPObject* old = object;
    type = other.type;
    boolValue = other.boolValue;
    intValue = other.intValue;
    doubleValue = other.doubleValue;
    text = other.text;
    object = RetainObject(other.object);
    ReleaseObject(old);
    return *this;
}

PageValue::~PageValue() { ReleaseObject(object); }

NPVariant PageValue::ToVariant() const {
    switch (type) {
        case NPVariantType_Null: return NullVariant();
        case NPVariantType_Bool: return BoolVariant(boolValue);
        case NPVariantType_Int32: return IntVariant(intValue);
        case NPVariantType_Double: return DoubleVariant(doubleValue);
        case NPVariantType_String: return StringVariant(text);
        case NPVariantType_Object: return ObjectVariant(object);
        default: return VoidVariant();
    }
}

std::string PageValue::Describe() const {
    switch (type) {
        case NPVariantType_Null: return "null";
        case NPVariantType_Bool: return boolValue ? "true" : "false";
        case NPVariantType_Int32: return std::to_string(intValue);
        case NPVariantType_Double: return std::to_string(doubleValue);
        case NPVariantType_String: return "\"" + text + "\"";
        case NPVariantType_Object: return "[object]";
        default: return "undefined";
    }
}

PageValue PageObject::Get(const std::string& key) const {
    auto it = properties.find(key);
    return it == properties.end() ? PageValue() : it->second;
}

namespace {

PageObject* Self(NPObject* o) { return static_cast<PageObject*>(o); }

NPObject* NP_RUNTIME_CALL Allocate(void*, NPClass*) { return new (std::nothrow) PageObject(); }
void NP_RUNTIME_CALL Deallocate(NPObject* o) { delete Self(o); }

bool NP_RUNTIME_CALL HasProperty(NPObject* o, NPIdentifier id) {
    if (!IsStringIdentifier(id)) return Self(o)->elements.count(IdentifierInt(id)) != 0;
    std::string name = IdentifierName(id);
    return Self(o)->Has(name) || (Self(o)->isArray && name == "length");
}

bool NP_RUNTIME_CALL GetProperty(NPObject* o, NPIdentifier id, NPVariant* result) {
    if (!result) return false;
    PageObject* self = Self(o);
    if (!IsStringIdentifier(id)) {
        if (self->onElement) self->onElement(IdentifierInt(id), false);
        auto it = self->elements.find(IdentifierInt(id));
        *result = it == self->elements.end() ? VoidVariant() : it->second.ToVariant();
        return true;
    }
    std::string name = IdentifierName(id);
    if (self->isArray && name == "length") {
        int32_t length = self->elements.empty() ? 0 : self->elements.rbegin()->first + 1;
        *result = IntVariant(length);
        return true;
    }
    *result = self->Get(name).ToVariant();
    return true;
}

bool NP_RUNTIME_CALL SetProperty(NPObject* o, NPIdentifier id, const NPVariant* value) {
    if (!value) return false;
    if (!IsStringIdentifier(id) && Self(o)->onElement) Self(o)->onElement(IdentifierInt(id), true);
    if (!IsStringIdentifier(id)) Self(o)->elements[IdentifierInt(id)] = PageValue::From(*value);
    else Self(o)->Set(IdentifierName(id), PageValue::From(*value));
    return true;
}

bool NP_RUNTIME_CALL RemoveProperty(NPObject* o, NPIdentifier id) {
    if (!IsStringIdentifier(id)) return Self(o)->elements.erase(IdentifierInt(id)) != 0;
    return Self(o)->properties.erase(IdentifierName(id)) != 0;
}

bool NP_RUNTIME_CALL InvokeDefault(NPObject* o, const NPVariant* args, uint32_t count, NPVariant* result) {
    PageObject* self = Self(o);
    if (!self->isFunction) return false;
    std::vector<PageValue> values;
    for (uint32_t i = 0; i < count; ++i) values.push_back(PageValue::From(args[i]));
    self->calls.push_back(values);
    PageValue answer = self->body ? self->body(values) : PageValue();
    if (result) *result = answer.ToVariant();
    return true;
}

bool NP_RUNTIME_CALL HasMethod(NPObject* o, NPIdentifier id) {
    PageValue v = Self(o)->Get(IdentifierName(id));
    return v.type == NPVariantType_Object && PageObject::IsPageObject(v.object) && Self(v.object)->isFunction;
}

bool NP_RUNTIME_CALL Invoke(NPObject* o, NPIdentifier id, const NPVariant* args, uint32_t count, NPVariant* result) {
    PageValue v = Self(o)->Get(IdentifierName(id));
    if (v.type != NPVariantType_Object || !v.object || !v.object->_class || !v.object->_class->invokeDefault)
        return false;
    return v.object->_class->invokeDefault(v.object, args, count, result);
}

NPClass g_pageClass = {
    NP_CLASS_STRUCT_VERSION, Allocate, Deallocate, nullptr, HasMethod, Invoke, InvokeDefault,
    HasProperty, GetProperty, SetProperty, RemoveProperty, nullptr, nullptr,
};

}  // namespace

NPClass* PageObject::Class() { return &g_pageClass; }

bool PageObject::IsPageObject(const NPObject* object) { return object && object->_class == &g_pageClass; }

PageObject* PageObject::NewObject() { return static_cast<PageObject*>(CreateObject(nullptr, &g_pageClass)); }

PageObject* PageObject::NewFunction(const std::string& name) {
    PageObject* f = NewObject();
    f->isFunction = true;
    f->name = name;
    return f;
}

PageObject* PageObject::NewArray(const std::vector<PageValue>& elements) {
    PageObject* a = NewObject();
    a->isArray = true;
    for (size_t i = 0; i < elements.size(); ++i) a->elements[static_cast<int32_t>(i)] = elements[i];
    return a;
}

PageObject* PageObject::NewOutObject() {
    PageObject* o = NewObject();
    o->Set("value", PageValue());
    return o;
}

Page::Page() : m_window(PageObject::NewObject()) { m_window->name = "window"; }

Page::~Page() {
    Clear();
    ReleaseObject(m_window);
}

PageObject* Page::AddFunction(const std::string& name) {
    PageObject* f = PageObject::NewFunction(name);
    m_window->Set(name, PageValue::Object(f));
    ReleaseObject(f);  // the window holds it
    return f;
}

void Page::Clear() {
    // Values may refer to each other; take them out before releasing.
    std::map<std::string, PageValue> properties;
    properties.swap(m_window->properties);
    for (auto& [key, value] : properties) {
        if (value.type == NPVariantType_Object && PageObject::IsPageObject(value.object)) {
            auto* o = static_cast<PageObject*>(value.object);
            o->body = nullptr;
            o->properties.clear();
            o->elements.clear();
            o->calls.clear();
        }
    }
}

}  // namespace browser
