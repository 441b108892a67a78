#include "plugin/script_text.h"

#include <windows.h>

#include <cstring>

#include "plugin/browser_functions.h"

namespace {

std::wstring Widen(UINT codePage, const char* text, int length) {
    if (length <= 0) return {};
    int wide = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
    if (wide <= 0) return {};
    std::wstring result(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(codePage, 0, text, length, result.data(), wide);
    return result;
}

std::string Narrow(UINT codePage, const std::wstring& text) {
    if (text.empty()) return {};
    int length = static_cast<int>(text.size());
    int bytes = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string result(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), length, result.data(), bytes, nullptr, nullptr);
    return result;
}

}  // namespace

std::string AnsiToUtf8(const char* ansi) {
    if (!ansi) return {};
    return Narrow(CP_UTF8, Widen(CP_ACP, ansi, static_cast<int>(std::strlen(ansi))));
}

bool AnsiToBrowserString(const char* ansi, NPString* out) {
    if (!out) return false;
    out->UTF8Characters = nullptr;
    out->UTF8Length = 0;
    std::string utf8 = AnsiToUtf8(ansi);
    auto* copy = static_cast<char*>(NPN_MemAlloc(static_cast<uint32_t>(utf8.size() + 1)));
    if (!copy) return false;
    std::memcpy(copy, utf8.data(), utf8.size());
    copy[utf8.size()] = '\0';
    out->UTF8Characters = copy;
    out->UTF8Length = static_cast<uint32_t>(utf8.size());
    return true;
}

std::string BrowserStringToAnsi(const NPString& text) {
    if (!text.UTF8Characters || text.UTF8Length == 0 || text.UTF8Length > 0x7FFFFFFF) return {};
    return Narrow(CP_ACP, Widen(CP_UTF8, text.UTF8Characters, static_cast<int>(text.UTF8Length)));
}
