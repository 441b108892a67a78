#include "standin_cookie_store.h"

#include <windows.h>

// Each build of the stand-in (xpcom.dll, xul.dll) reads its cookies from variables of its own
// prefix, so a test that loads both can tell which one the plug-in asked.
#ifndef LUMETTA_STANDIN_PREFIX
#define LUMETTA_STANDIN_PREFIX "LUMETTA_XPCOM"
#endif

namespace xpcom_standin {

namespace {

std::string Environment(const char* name) {
    DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size == 0) return {};
    std::string text(size, '\0');
    DWORD got = GetEnvironmentVariableA(name, text.data(), size);
    text.resize(got < size ? got : 0);
    return text;
}

std::vector<std::string> Split(const std::string& text, char separator, size_t maxParts) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (parts.size() + 1 < maxParts) {
        size_t end = text.find(separator, start);
        if (end == std::string::npos) break;
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

// Cookies too long for the environment come from a file.
std::string ReadFileText(const std::string& path) {
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return text;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(file);
    return text;
}

}  // namespace

std::vector<StoredCookie> ScriptedCookies() {
    std::vector<StoredCookie> cookies;
    std::string text = Environment(LUMETTA_STANDIN_PREFIX "_COOKIES");
    std::string file = Environment(LUMETTA_STANDIN_PREFIX "_COOKIE_FILE");
    if (!file.empty()) text = ReadFileText(file);
    if (text.empty()) return cookies;
    for (const std::string& entry : Split(text, '|', 100000)) {
        std::vector<std::string> f = Split(entry, ',', 5);
        if (f.size() != 5) continue;
        cookies.push_back({f[0], f[1], f[3], f[4], f[2] == "1"});
    }
    return cookies;
}

bool ScenarioHas(const char* word) {
    for (const std::string& w : Split(Environment("LUMETTA_XPCOM_SCENARIO"), ',', 100))
        if (w == word) return true;
    return false;
}

}  // namespace xpcom_standin
