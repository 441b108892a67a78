#include "plugin/script_values.h"

#include <cmath>
#include <limits>

#include "plugin/script_text.h"

double ParseDecimalText(const char* text, uint32_t length) {
    if (!text || length == 0) return 0.0;
    uint32_t pos = 0;
    bool negative = false;
    if (text[0] == '-') {
        negative = true;
        pos = 1;
    }
    uint32_t point = pos;
    while (point < length && text[point] != '.') ++point;
    // Integer part: each character takes one place, only digits add. The sum is kept in 64 bits
    // and saturates at the 32-bit range, so long texts give the largest number, never a wrap.
    int64_t whole = 0;
    for (uint32_t k = pos; k < point; ++k) {
        int digit = text[k] >= '0' && text[k] <= '9' ? text[k] - '0' : 0;
        whole = whole * 10 + digit;
        if (whole > std::numeric_limits<int32_t>::max()) whole = std::numeric_limits<int32_t>::max();
    }
    double fraction = 0.0;
    double weight = 0.1;
    for (uint32_t k = point + 1; k < length; ++k) {
        if (text[k] >= '0' && text[k] <= '9') fraction += (text[k] - '0') * weight;
        weight /= 10;
    }
    double value = static_cast<double>(whole) + fraction;
    return negative ? -value : value;
}

bool IsPrimitive(const NPVariant& v) {
    return v.type == NPVariantType_Bool || v.type == NPVariantType_Int32 || v.type == NPVariantType_Double ||
           v.type == NPVariantType_String;
}

bool IsString(const NPVariant& v) { return v.type == NPVariantType_String; }
bool IsObject(const NPVariant& v) { return v.type == NPVariantType_Object; }

namespace {

double StringNumber(const NPVariant& v) {
    return ParseDecimalText(v.value.stringValue.UTF8Characters, v.value.stringValue.UTF8Length);
}

// Truncates toward zero into 32 bits; values outside the range (and NaN) give the nearest end
// or 0 instead of undefined behaviour.
int32_t Truncate(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (d <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(d);
}

}  // namespace

int32_t ToInt32(const NPVariant& v) {
    switch (v.type) {
        case NPVariantType_Int32: return v.value.intValue;
        case NPVariantType_Double: return Truncate(v.value.doubleValue);
        case NPVariantType_String: return Truncate(StringNumber(v));
        default: return 0;
    }
}

int16_t ToInt16(const NPVariant& v) { return static_cast<int16_t>(static_cast<uint32_t>(ToInt32(v)) & 0xFFFF); }

double ToDouble(const NPVariant& v) {
    switch (v.type) {
        case NPVariantType_Int32: return v.value.intValue;
        case NPVariantType_Double: return v.value.doubleValue;
        case NPVariantType_String: return StringNumber(v);
        default: return 0.0;
    }
}

bool ToBool(const NPVariant& v) {
    switch (v.type) {
        case NPVariantType_Int32: return v.value.intValue != 0;
        case NPVariantType_Double: return v.value.doubleValue >= 1.0;
        case NPVariantType_Bool: return v.value.boolValue;
        default: return false;
    }
}

std::string ToText(const NPVariant& v) {
    return v.type == NPVariantType_String ? BrowserStringToAnsi(v.value.stringValue) : std::string();
}

ScriptValue Convert(char letter, const NPVariant& v) {
    ScriptValue out;
    switch (letter) {
        case 's': out.text = ToText(v); out.hasText = true; break;
        case 'i': out.i = ToInt32(v); break;
        case 'h': out.h = ToInt16(v); break;
        case 'f': out.f = static_cast<float>(ToDouble(v)); break;
        case 'd': out.d = ToDouble(v); break;
        case 'b': out.b = ToBool(v); break;
        case 'o': out.object = v.type == NPVariantType_Object ? v.value.objectValue : nullptr; break;
        default: break;
    }
    return out;
}
