// The browser's script object runtime as the plug-in meets it: identifiers, variants, UTF-8
// strings (not terminated) and objects with their class of callbacks. Our own declarations;
// the layout is the one browsers use on Windows, checked at the end of this file.
#pragma once

#include <cstddef>
#include <cstdint>

#define NP_RUNTIME_CALL __cdecl

typedef char NPUTF8;
typedef void* NPIdentifier;

struct NPString {
    const NPUTF8* UTF8Characters;  // not terminated
    uint32_t UTF8Length;           // in bytes
};

struct NPObject;
struct NPClass;

enum NPVariantType : int32_t {
    NPVariantType_Void = 0,
    NPVariantType_Null = 1,
    NPVariantType_Bool = 2,
    NPVariantType_Int32 = 3,
    NPVariantType_Double = 4,
    NPVariantType_String = 5,
    NPVariantType_Object = 6,
};

struct NPVariant {
    NPVariantType type;
    union {
        bool boolValue;
        int32_t intValue;
        double doubleValue;
        NPString stringValue;
        NPObject* objectValue;
    } value;
};

typedef NPObject*(NP_RUNTIME_CALL* NPAllocateFunctionPtr)(void* npp, NPClass*);
typedef void(NP_RUNTIME_CALL* NPDeallocateFunctionPtr)(NPObject*);
typedef void(NP_RUNTIME_CALL* NPInvalidateFunctionPtr)(NPObject*);
typedef bool(NP_RUNTIME_CALL* NPHasMethodFunctionPtr)(NPObject*, NPIdentifier);
typedef bool(NP_RUNTIME_CALL* NPInvokeFunctionPtr)(NPObject*, NPIdentifier, const NPVariant* args, uint32_t argCount,
                                                   NPVariant* result);
typedef bool(NP_RUNTIME_CALL* NPInvokeDefaultFunctionPtr)(NPObject*, const NPVariant* args, uint32_t argCount,
                                                          NPVariant* result);
typedef bool(NP_RUNTIME_CALL* NPHasPropertyFunctionPtr)(NPObject*, NPIdentifier);
typedef bool(NP_RUNTIME_CALL* NPGetPropertyFunctionPtr)(NPObject*, NPIdentifier, NPVariant* result);
typedef bool(NP_RUNTIME_CALL* NPSetPropertyFunctionPtr)(NPObject*, NPIdentifier, const NPVariant* value);
typedef bool(NP_RUNTIME_CALL* NPRemovePropertyFunctionPtr)(NPObject*, NPIdentifier);
typedef bool(NP_RUNTIME_CALL* NPEnumerationFunctionPtr)(NPObject*, NPIdentifier** names, uint32_t* count);
typedef bool(NP_RUNTIME_CALL* NPConstructFunctionPtr)(NPObject*, const NPVariant* args, uint32_t argCount,
                                                      NPVariant* result);

constexpr uint32_t NP_CLASS_STRUCT_VERSION = 3;

struct NPClass {
    uint32_t structVersion;
    NPAllocateFunctionPtr allocate;
    NPDeallocateFunctionPtr deallocate;
    NPInvalidateFunctionPtr invalidate;
    NPHasMethodFunctionPtr hasMethod;
    NPInvokeFunctionPtr invoke;
    NPInvokeDefaultFunctionPtr invokeDefault;
    NPHasPropertyFunctionPtr hasProperty;
    NPGetPropertyFunctionPtr getProperty;
    NPSetPropertyFunctionPtr setProperty;
    NPRemovePropertyFunctionPtr removeProperty;
    NPEnumerationFunctionPtr enumerate;
    NPConstructFunctionPtr construct;
};

struct NPObject {
    NPClass* _class;
    uint32_t referenceCount;
};

// Small helpers with the usual names of the variant accessors.
inline void VOID_TO_NPVARIANT(NPVariant& v) {
    v.type = NPVariantType_Void;
    v.value.objectValue = nullptr;
}
inline void NULL_TO_NPVARIANT(NPVariant& v) {
    v.type = NPVariantType_Null;
    v.value.objectValue = nullptr;
}
inline void BOOLEAN_TO_NPVARIANT(bool b, NPVariant& v) {
    v.type = NPVariantType_Bool;
    v.value.boolValue = b;
}
inline void INT32_TO_NPVARIANT(int32_t i, NPVariant& v) {
    v.type = NPVariantType_Int32;
    v.value.intValue = i;
}
inline void DOUBLE_TO_NPVARIANT(double d, NPVariant& v) {
    v.type = NPVariantType_Double;
    v.value.doubleValue = d;
}
inline void STRINGN_TO_NPVARIANT(const NPUTF8* s, uint32_t n, NPVariant& v) {
    v.type = NPVariantType_String;
    v.value.stringValue.UTF8Characters = s;
    v.value.stringValue.UTF8Length = n;
}
inline void OBJECT_TO_NPVARIANT(NPObject* o, NPVariant& v) {
    v.type = NPVariantType_Object;
    v.value.objectValue = o;
}

static_assert(sizeof(bool) == 1 && sizeof(NPVariantType) == 4);
static_assert(sizeof(NPString) == 2 * sizeof(void*) && offsetof(NPString, UTF8Length) == sizeof(void*));
static_assert(offsetof(NPVariant, value) == 8 && sizeof(NPVariant) == (sizeof(void*) == 4 ? 16 : 24));
static_assert(offsetof(NPClass, allocate) == sizeof(void*) && sizeof(NPClass) == 13 * sizeof(void*));
static_assert(offsetof(NPClass, invoke) == 5 * sizeof(void*) && offsetof(NPClass, getProperty) == 8 * sizeof(void*) &&
              offsetof(NPClass, construct) == 12 * sizeof(void*));
static_assert(offsetof(NPObject, referenceCount) == sizeof(void*) && sizeof(NPObject) == 2 * sizeof(void*));
