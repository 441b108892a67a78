// How the script object converts each member's arguments and result: the signature classes of
// the methods and the get/set kinds of the properties, kept by member name and checked against
// the one member list (core/script_members.def) by the tests.
#pragma once

#include <cstdint>

// Argument letters: s text, i 32-bit integer, h 16-bit integer, f float, d double, b boolean,
// o object that receives an out-value in its "value" property.
enum class ScriptResult : char {
    Bool = 'B',
    Text = 'S',
    Double = 'D',
    DoubleFromFloat = 'F',
    Int32 = 'I',
    Int32From16 = 'H',
    AlwaysFalse = 'Z',  // the member calls nothing on this route
    Void = 'V',
};

struct MethodSignature {
    const char* name;
    int count;          // -1: not tested, extra arguments ignored
    const char* args;   // one letter per argument
    int tested;         // arguments 1..tested get the type test; -1: only the text ones
    ScriptResult result;
};

// Property conversions of the setter: t text, i 32-bit, h 16-bit, d double, f float, b boolean,
// r read-only, n nothing.
struct PropertySignature {
    const char* name;
    ScriptResult get;
    char set;
};

// The signature of a member by its operation id; null for ids of the other kind.
const MethodSignature* MethodSignatureOf(int operationId);
const PropertySignature* PropertySignatureOf(int operationId);
// The whole tables (for the tests).
const MethodSignature* MethodSignatures(int* count);
const PropertySignature* PropertySignatures(int* count);
