#include "comcontrol/registry_script.h"

#include <string>

namespace comcontrol {

namespace {

void ReplaceAll(std::wstring& text, const std::wstring& name, const std::wstring& value) {
    for (size_t at = text.find(name); at != std::wstring::npos; at = text.find(name, at + value.size()))
        text.replace(at, name.size(), value);
}

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

std::wstring Substitute(const wchar_t* text, const RegistryNames& names) {
    std::wstring result = text;
    ReplaceAll(result, L"%MODULE%", names.module);
    ReplaceAll(result, L"%CLSID%", GuidText(*names.clsid));
    ReplaceAll(result, L"%LIBID%", GuidText(*names.libid));
    return result;
}

}  // namespace

HRESULT RunRegistryScript(const RegistryScript& script, const RegistryNames& names) {
    HRESULT hr = RemoveRegistryScript(script, names);
    if (FAILED(hr)) return hr;
    for (int i = 0; i < script.valueCount; ++i) {
        const RegistryValue& v = script.values[i];
        HKEY key = nullptr;
        std::wstring path = Substitute(v.key, names);
        LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
        if (v.data) {
            std::wstring data = Substitute(v.data, names);
            status = RegSetValueExW(key, v.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                    static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        }
        RegCloseKey(key);
        if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    }
    return S_OK;
}

HRESULT RemoveRegistryScript(const RegistryScript& script, const RegistryNames& names) {
    for (int i = 0; i < script.ownedKeyCount; ++i) {
        std::wstring path = Substitute(script.ownedKeys[i], names);
        LONG status = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
        if (status == ERROR_SUCCESS) status = RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(status);
    }
    return S_OK;
}

}  // namespace comcontrol
