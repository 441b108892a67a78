// What a class writes under HKEY_CLASSES_ROOT when its server registers, as a table: the keys it
// owns (removed whole before registration and on unregistration) and the values it writes.
// In keys and values "%MODULE%" stands for the server's full path, "%CLSID%" for the class's
// CLSID and "%LIBID%" for the type library's LIBID (both in braces).
#pragma once

#include <windows.h>

namespace comcontrol {

struct RegistryValue {
    const wchar_t* key;    // path below HKEY_CLASSES_ROOT
    const wchar_t* name;   // null: the key's default value
    const wchar_t* data;   // null: the key only, without a value
};

struct RegistryScript {
    const wchar_t* const* ownedKeys;
    int ownedKeyCount;
    const RegistryValue* values;
    int valueCount;
};

// Writes the script; the first failure ends it with that result.
struct RegistryNames {
    const wchar_t* module;
    const GUID* clsid;
    const GUID* libid;
};

HRESULT RunRegistryScript(const RegistryScript& script, const RegistryNames& names);
// Removes the owned keys whole (a key already gone counts as removed).
HRESULT RemoveRegistryScript(const RegistryScript& script, const RegistryNames& names);

}  // namespace comcontrol
