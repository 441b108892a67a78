// Script values at the plug-in's boundary: the type tests and conversions of the script object,
// and the converted values the member operations take and give.
#pragma once

#include <cstdint>
#include <string>

#include "npapi/np_runtime.h"

// One converted argument or one result; a member reads the field of its signature letter.
struct ScriptValue {
    int32_t i = 0;
    int16_t h = 0;
    double d = 0;
    float f = 0;
    bool b = false;
    std::string text;  // system code page
    bool hasText = false;
    NPObject* object = nullptr;
};

// A decimal number in a text: an optional '-', digits with one optional '.'; every other
// character takes its decimal place and adds nothing. Null or empty text gives 0.
double ParseDecimalText(const char* text, uint32_t length);

bool IsPrimitive(const NPVariant& v);
bool IsString(const NPVariant& v);
bool IsObject(const NPVariant& v);

int32_t ToInt32(const NPVariant& v);
int16_t ToInt16(const NPVariant& v);
double ToDouble(const NPVariant& v);
bool ToBool(const NPVariant& v);
// The text of a String variant in the system code page (other types give an empty text).
std::string ToText(const NPVariant& v);
// Converts by a signature letter (s, i, h, f, d, b, o).
ScriptValue Convert(char letter, const NPVariant& v);
