#include "base/error_codes.h"

namespace {

#define LUMETTA_ERROR_CODE(name, value)

constexpr FixedErrorEntry kTable[] = {
#define LUMETTA_ERROR(name, value, text) {name, text},
#define LUMETTA_PLUGIN_ERROR_TEXT(name, text)
#include "base/error_codes.def"
#undef LUMETTA_ERROR
#undef LUMETTA_PLUGIN_ERROR_TEXT
};

constexpr FixedErrorEntry kPluginTexts[] = {
#define LUMETTA_ERROR(name, value, text)
#define LUMETTA_PLUGIN_ERROR_TEXT(name, text) {name, text},
#include "base/error_codes.def"
#undef LUMETTA_ERROR
#undef LUMETTA_PLUGIN_ERROR_TEXT
};

#undef LUMETTA_ERROR_CODE

}  // namespace

const char* FixedErrorText(LONG code, bool pluginHost) {
    if (pluginHost) {
        for (const FixedErrorEntry& e : kPluginTexts) {
            if (e.code == code) return e.text;
        }
    }
    for (const FixedErrorEntry& e : kTable) {
        if (e.code == code) return e.text;
    }
    return nullptr;
}

const FixedErrorEntry* FixedErrorTable(size_t* count) {
    if (count) *count = sizeof(kTable) / sizeof(kTable[0]);
    return kTable;
}
