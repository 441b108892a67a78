// The browser's script runtime: identifiers (strings interned, integers), objects with their
// class callbacks and reference counts, and variants whose strings live in browser memory.
#pragma once

#include <cstddef>
#include <string>

#include "npapi/np_runtime.h"

namespace browser {

NPIdentifier StringIdentifier(const char* name);
NPIdentifier IntIdentifier(int32_t value);
bool IsStringIdentifier(NPIdentifier id);
// The name of a string identifier ("" for an integer one) and the value of an integer one.
std::string IdentifierName(NPIdentifier id);
int32_t IdentifierInt(NPIdentifier id);
// The name as a copy in browser memory, as the browser function hands it out.
char* IdentifierUtf8Copy(NPIdentifier id);

// Objects: created through the class's allocate (or a plain NPObject), freed at reference 0.
NPObject* CreateObject(void* record, NPClass* cls);
NPObject* RetainObject(NPObject* object);
void ReleaseObject(NPObject* object);
// Objects created and not yet deallocated.
size_t LiveObjects();

// Variants: a string variant owns browser memory, an object variant one reference.
void ReleaseVariantValue(NPVariant* v);
NPVariant StringVariant(const std::string& text);  // a copy in browser memory
NPVariant IntVariant(int32_t value);
NPVariant DoubleVariant(double value);
NPVariant BoolVariant(bool value);
NPVariant ObjectVariant(NPObject* object);  // takes one more reference
NPVariant VoidVariant();
NPVariant NullVariant();
std::string VariantText(const NPVariant& v);  // the string's bytes, "" for other types

}  // namespace browser
