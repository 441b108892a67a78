// The page a browser shows: script objects with named properties and numbered elements, page
// functions that record every call (and may act, as a handler would), arrays, out-objects with a
// "value" property, and the window object that holds them all. Values handed to the plug-in are
// fresh copies in browser memory, so anything it forgets to release shows up as a leak.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "npapi/np_runtime.h"

namespace browser {

// One script value as the page keeps it (texts as std::string, objects with a reference).
class PageValue {
public:
    PageValue() = default;
    static PageValue Int(int32_t v);
    static PageValue Double(double v);
    static PageValue Bool(bool v);
    static PageValue Text(const std::string& v);
    static PageValue Null();
    static PageValue Object(NPObject* o);  // takes one more reference
    static PageValue From(const NPVariant& v);
    PageValue(const PageValue& other);
    PageValue& operator=(const PageValue& other);
    ~PageValue();

    NPVariantType type = NPVariantType_Void;
    bool boolValue = false;
    int32_t intValue = 0;
    double doubleValue = 0;
    std::string text;
    NPObject* object = nullptr;

    // A variant for the plug-in: texts copied into browser memory, objects retained.
    NPVariant ToVariant() const;
    // Numbers of either kind as a double; the text of a string; for messages.
    double Number() const { return type == NPVariantType_Int32 ? intValue : doubleValue; }
    std::string Describe() const;
};

class PageObject : public NPObject {
public:
    static NPClass* Class();
    // New objects with one reference, owned by the caller.
    static PageObject* NewObject();
    static PageObject* NewFunction(const std::string& name);
    static PageObject* NewArray(const std::vector<PageValue>& elements);
    static PageObject* NewOutObject();  // { value: undefined }
    static bool IsPageObject(const NPObject* object);

    void Set(const std::string& name, const PageValue& value) { properties[name] = value; }
    PageValue Get(const std::string& name) const;
    bool Has(const std::string& name) const { return properties.count(name) != 0; }

    std::string name;  // a function's name, for messages
    bool isFunction = false;
    bool isArray = false;
    std::map<std::string, PageValue> properties;
    std::map<int32_t, PageValue> elements;
    // Calls of a page function, with the arguments as the page received them.
    std::vector<std::vector<PageValue>> calls;
    // What the function does when called (a handler's body); its result is the call's result.
    std::function<PageValue(const std::vector<PageValue>& args)> body;
    // Page script of an element's getter or setter: runs before an element is read or written.
    std::function<void(int32_t element, bool write)> onElement;
};

// The page: its window object and helpers to put values and functions on it.
class Page {
public:
    Page();
    ~Page();
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    PageObject* Window() const { return m_window; }
    // A page function stored under the name on the window; owned by the page.
    PageObject* AddFunction(const std::string& name);
    void SetValue(const std::string& name, const PageValue& value) { m_window->Set(name, value); }
    // Drops everything the window holds (objects held elsewhere live on).
    void Clear();

private:
    PageObject* m_window;
};

}  // namespace browser
