#include "base/error_codes.h"

namespace {

constexpr FixedErrorEntry kTable[] = {
#define LUMETTA_ERROR(name, value, text) {name, text},
#define LUMETTA_ERROR_CODE(name, value)
#include "base/error_codes.def"
#undef LUMETTA_ERROR
#undef LUMETTA_ERROR_CODE
};

constexpr char kPluginSourceManagerText[] =
    "Can not open Source Manager. TWain_32.dll is missing or is in use by another application.";

}  // namespace

const char* FixedErrorText(LONG code, bool pluginHost) {
    if (code == kErrSourceManagerOpen && pluginHost) return kPluginSourceManagerText;
    for (const FixedErrorEntry& e : kTable) {
        if (e.code == code) return e.text;
    }
    return nullptr;
}

const FixedErrorEntry* FixedErrorTable(size_t* count) {
    if (count) *count = sizeof(kTable) / sizeof(kTable[0]);
    return kTable;
}
