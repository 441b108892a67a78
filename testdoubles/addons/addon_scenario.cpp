#include "addon_scenario.h"

#include <cstdio>

std::string AddOnScenario() {
    char value[256] = {};
    const DWORD n = GetEnvironmentVariableA("LUMETTA_ADDON_SCENARIO", value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value) : std::string("results");
}

void AppendCallLog(const std::string& line) {
    char path[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("LUMETTA_ADDON_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path) return;
    if (FILE* f = std::fopen(path, "ab")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

HGLOBAL BlockOf(const std::string& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size() ? bytes.size() : 1);
    if (void* p = block ? GlobalLock(block) : nullptr) {
        if (!bytes.empty()) CopyMemory(p, bytes.data(), bytes.size());
        GlobalUnlock(block);
    }
    return block;
}
