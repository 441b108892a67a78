#include "plugin/scriptable_object.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "base/error_codes.h"
#include "core/operation_name_table.h"
#include "plugin/browser_functions.h"
#include "plugin/plugin_instance.h"
#include "plugin/script_signatures.h"
#include "plugin/script_values.h"

namespace {

NPIdentifier g_identifiers[kOperationCount];

// How many "value" objects a script array may be wrapped in.
constexpr int kMaxValueChain = 8;
// Byte arrays leave the plug-in in pieces of this size.
constexpr uint32_t kPieceSize = 256;

CScriptablePluginObject* Self(NPObject* object) { return static_cast<CScriptablePluginObject*>(object); }

// One call from the page: the object and its instance outlive it, whatever the page script that
// runs inside it does (remove the element, drop the object). After such a script the instance is
// detached: self->instance is null.
class PageCall {
public:
    explicit PageCall(NPObject* object)
        : m_object(NPN_RetainObject(object)), m_hold(static_cast<CScriptablePluginObject*>(object)->instance) {}
    ~PageCall() {
        if (m_object) NPN_ReleaseObject(m_object);
    }
    PageCall(const PageCall&) = delete;
    PageCall& operator=(const PageCall&) = delete;

private:
    NPObject* m_object;
    PluginCall m_hold;  // let go of first: the object stays until the instance is done with it
};

void SetError(CScriptablePluginObject* self, LONG code) {
    if (self->instance) self->instance->SetErrorCode(code);
}

// The operation id of a name within [first, last], or -1.
int Lookup(NPIdentifier id, int first, int last) {
    int found = -1;
    if (NPUTF8* text = NPN_UTF8FromIdentifier(id)) {
        for (int i = first; i <= last && found < 0; ++i)
            if (lstrcmpiA(text, OperationNameTable[i]) == 0) found = i;
        NPN_MemFree(text);
        return found;
    }
    for (int i = first; i <= last; ++i)
        if (id && g_identifiers[i] == id) return i;
    return -1;
}

int LookupMethod(NPIdentifier id) { return Lookup(id, kOpSeparator2 + 1, kOperationCount - 1); }
int LookupProperty(NPIdentifier id) { return Lookup(id, 0, kOpSeparator2 - 1); }

// The zero result of a member's kind (a text member leaves it Void).
void ZeroResult(ScriptResult kind, NPVariant* result) {
    switch (kind) {
        case ScriptResult::Bool:
        case ScriptResult::AlwaysFalse: BOOLEAN_TO_NPVARIANT(false, *result); break;
        case ScriptResult::Double:
        case ScriptResult::DoubleFromFloat: DOUBLE_TO_NPVARIANT(0.0, *result); break;
        case ScriptResult::Int32:
        case ScriptResult::Int32From16: INT32_TO_NPVARIANT(0, *result); break;
        default: VOID_TO_NPVARIANT(*result); break;
    }
}

void PackResult(ScriptResult kind, const ScriptValue& out, NPVariant* result) {
    switch (kind) {
        case ScriptResult::Bool: BOOLEAN_TO_NPVARIANT(out.b || out.i != 0, *result); break;
        case ScriptResult::Double: DOUBLE_TO_NPVARIANT(out.d, *result); break;
        case ScriptResult::DoubleFromFloat: DOUBLE_TO_NPVARIANT(static_cast<double>(out.f), *result); break;
        case ScriptResult::Int32: INT32_TO_NPVARIANT(out.i, *result); break;
        case ScriptResult::Int32From16: INT32_TO_NPVARIANT(out.h, *result); break;
        case ScriptResult::AlwaysFalse: BOOLEAN_TO_NPVARIANT(false, *result); break;
        default: break;  // texts were written by the member; nothing else leaves Void
    }
}

bool PassesTest(char letter, const NPVariant& v) {
    if (letter == 's') return IsString(v);
    if (letter == 'o') return IsObject(v);
    return IsPrimitive(v);
}

// The script array behind a variant: the object with a primitive "length", or the end of its
// chain of "value" objects. Gives a new reference in *array and the length; 0 otherwise.
int64_t GetArrayLength(CScriptablePluginObject* self, const NPVariant& v, NPObject** array) {
    *array = nullptr;
    if (!IsObject(v) || !v.value.objectValue) return 0;
    NPObject* current = NPN_RetainObject(v.value.objectValue);
    if (!current) return 0;
    NPIdentifier lengthId = NPN_GetStringIdentifier("length");
    for (int depth = 0; depth <= kMaxValueChain; ++depth) {
        NPVariant length;
        VOID_TO_NPVARIANT(length);
        bool read = NPN_GetProperty(self->record, current, lengthId, &length);
        if (read && IsPrimitive(length)) {
            int64_t n = ToInt32(length);
            NPN_ReleaseVariantValue(&length);
            *array = current;
            return n;
        }
        if (read) NPN_ReleaseVariantValue(&length);
        SetError(self, kErrBadParameter);
        char script[] = "value";
        NPString text{script, 5};
        NPVariant inner;
        VOID_TO_NPVARIANT(inner);
        bool evaluated = NPN_Evaluate(self->record, current, &text, &inner);
        NPN_ReleaseObject(current);
        current = nullptr;
        if (!evaluated) return 0;
        if (!IsObject(inner) || !inner.value.objectValue) {
            NPN_ReleaseVariantValue(&inner);
            return 0;
        }
        current = inner.value.objectValue;  // the variant's reference moves here
    }
    NPN_ReleaseObject(current);
    return 0;
}

bool LoadImageFromBytes(CScriptablePluginObject* self, const NPVariant* args, NPVariant* result) {
    PluginInstance* instance = self->instance;
    int32_t size = ToInt32(args[0]);
    int32_t type = ToInt32(args[2]);
    NPObject* array = nullptr;
    int64_t length = GetArrayLength(self, args[1], &array);
    // Reading the array runs page script, which may have removed the element.
    if (!self->instance) {
        NPN_ReleaseObject(array);
        BOOLEAN_TO_NPVARIANT(false, *result);
        return true;
    }
    instance->SetErrorCode(0);
    if (size < 0 || length != size) {
        NPN_ReleaseObject(array);
        instance->SetErrorCode(kErrInvalidValue);
        return false;
    }
    auto* bytes = new (std::nothrow) BYTE[size > 0 ? size : 1];
    if (!bytes) {
        NPN_ReleaseObject(array);
        instance->SetErrorCode(kErrNoMemory);
        return false;
    }
    bool ok = true;
    for (int32_t k = 0; k < size && ok; ++k) {
        NPVariant element;
        VOID_TO_NPVARIANT(element);
        ok = NPN_GetProperty(self->record, array, NPN_GetIntIdentifier(k), &element);
        if (ok) {
            bytes[k] = static_cast<BYTE>(ToInt16(element) & 0xFF);
            NPN_ReleaseVariantValue(&element);
        }
        if (!self->instance) break;
    }
    NPN_ReleaseObject(array);
    if (!self->instance) {
        delete[] bytes;
        BOOLEAN_TO_NPVARIANT(false, *result);
        return true;
    }
    if (!ok) {
        delete[] bytes;
        instance->SetErrorCode(kErrInvalidValue);
        return false;
    }
    // The whole block from its start: nothing before or after the given size is read.
    BOOL loaded = instance->LoadImageFromMemory(bytes, static_cast<DWORD>(size), type);
    delete[] bytes;
    BOOLEAN_TO_NPVARIANT(loaded != FALSE, *result);
    return true;
}

bool SaveSelectedImagesToBytes(CScriptablePluginObject* self, const NPVariant* args, NPVariant* result) {
    PluginInstance* instance = self->instance;
    int32_t size = ToInt32(args[0]);
    NPObject* array = nullptr;
    int64_t length = GetArrayLength(self, args[1], &array);
    if (!self->instance) {
        NPN_ReleaseObject(array);
        INT32_TO_NPVARIANT(0, *result);
        return true;
    }
    if (size < 0 || length != size) {
        NPN_ReleaseObject(array);
        instance->SetErrorCode(kErrInvalidValue);
        return false;
    }
    int64_t written = 0;
    BYTE piece[kPieceSize];
    bool ok = true;
    while (ok && written < size) {
        uint32_t room = static_cast<uint32_t>(std::min<int64_t>(kPieceSize, size - written));
        LONG count = instance->TakeSelectedImagesPiece(piece, static_cast<LONG>(room));
        if (count <= 0) break;
        for (LONG k = 0; k < count && ok; ++k) {
            NPVariant value;
            INT32_TO_NPVARIANT(piece[k], value);
            ok = NPN_SetProperty(self->record, array, NPN_GetIntIdentifier(static_cast<int32_t>(written + k)), &value);
            // Each element written may run page script (a setter) that removes the element.
            if (!self->instance) break;
        }
        if (!self->instance) break;
        if (ok) written += count;
    }
    NPN_ReleaseObject(array);
    if (!self->instance) {
        INT32_TO_NPVARIANT(static_cast<int32_t>(written), *result);
        return true;
    }
    if (!ok) {
        instance->SetErrorCode(kErrInvalidValue);
        return false;
    }
    INT32_TO_NPVARIANT(static_cast<int32_t>(written), *result);
    return true;
}

// ---- the class callbacks ----

NPObject* NP_RUNTIME_CALL Allocate(void* record, NPClass*) {
    auto* object = new (std::nothrow) CScriptablePluginObject();
    if (!object) return nullptr;
    object->record = static_cast<NPP>(record);
    object->instance = nullptr;
    return object;
}

void NP_RUNTIME_CALL Deallocate(NPObject* object) { delete Self(object); }

void NP_RUNTIME_CALL Invalidate(NPObject*) {}

bool NP_RUNTIME_CALL HasMethod(NPObject* object, NPIdentifier name) {
    (void)object;
    return LookupMethod(name) >= 0;
}

bool NP_RUNTIME_CALL HasProperty(NPObject* object, NPIdentifier name) {
    (void)object;
    return LookupProperty(name) >= 0;
}

bool NP_RUNTIME_CALL Invoke(NPObject* object, NPIdentifier name, const NPVariant* args, uint32_t count,
                            NPVariant* result) {
    CScriptablePluginObject* self = Self(object);
    PluginInstance* instance = self->instance;
    if (!instance || !result) return false;
    PageCall call(object);
    int op = LookupMethod(name);
    const MethodSignature* sig = op >= 0 ? MethodSignatureOf(op) : nullptr;
    if (!sig) {
        instance->SetErrorCode(kErrNoSuchMethod);
        return false;
    }
    VOID_TO_NPVARIANT(*result);
    if (sig->count >= 0 && count != static_cast<uint32_t>(sig->count)) {
        instance->SetErrorCode(kErrBadParameter);
        return false;
    }
    if (sig->result == ScriptResult::AlwaysFalse) {
        BOOLEAN_TO_NPVARIANT(false, *result);
        return true;
    }
    int n = sig->count > 0 ? sig->count : 0;
    for (int k = 0; k < n; ++k) {
        bool tested = sig->tested < 0 ? sig->args[k] == 's' : k < sig->tested;
        if (tested && !PassesTest(sig->args[k], args[k])) {
            instance->SetErrorCode(kErrBadParameter);
            ZeroResult(sig->result, result);
            return true;
        }
    }
    if (op == kOpLoadImageFromBytes) return LoadImageFromBytes(self, args, result);
    if (op == kOpSaveSelectedImagesToBytes) return SaveSelectedImagesToBytes(self, args, result);
    std::vector<ScriptValue> values;
    for (int k = 0; k < n; ++k) values.push_back(Convert(sig->args[k], args[k]));
    ScriptValue out;
    bool built = instance->RunMethod(op, values, out, result);
    if (!built && self->instance) {
        self->instance->SetErrorCode(kErrMethodUnsupported);
        ZeroResult(sig->result, result);
    } else if (built) {
        PackResult(sig->result, out, result);
    }
    return true;
}

bool NP_RUNTIME_CALL InvokeDefault(NPObject*, const NPVariant*, uint32_t, NPVariant* result) {
    std::fputs("CScriptablePluginObject default method called!\n", stdout);
    static const char kAnswer[] = "default method return val";
    if (!result) return true;
    auto* text = static_cast<char*>(NPN_MemAlloc(sizeof kAnswer));
    if (!text) {
        VOID_TO_NPVARIANT(*result);
        return true;
    }
    std::memcpy(text, kAnswer, sizeof kAnswer);
    STRINGN_TO_NPVARIANT(text, sizeof kAnswer - 1, *result);
    return true;
}

bool NP_RUNTIME_CALL GetProperty(NPObject* object, NPIdentifier name, NPVariant* result) {
    if (!result) return false;
    VOID_TO_NPVARIANT(*result);
    PluginInstance* instance = Self(object)->instance;
    if (!instance) return false;
    PageCall call(object);
    int op = LookupProperty(name);
    if (op < 0) {
        instance->SetErrorCode(kErrNoSuchProperty);
        return false;
    }
    const PropertySignature* sig = PropertySignatureOf(op);
    if (!sig || sig->get == ScriptResult::Void) return true;
    ScriptValue out;
    if (!instance->ReadProperty(op, out, result)) {
        instance->SetErrorCode(kErrPropertyUnsupported);
        return true;
    }
    PackResult(sig->get, out, result);
    return true;
}

bool NP_RUNTIME_CALL SetProperty(NPObject* object, NPIdentifier name, const NPVariant* value) {
    PluginInstance* instance = Self(object)->instance;
    if (!instance || !value) return false;
    PageCall call(object);
    int op = LookupProperty(name);
    if (op < 0) {
        instance->SetErrorCode(kErrNoSuchProperty);
        return false;
    }
    if (op < kOpSeparator1) {
        instance->SetErrorCode(kErrPropertyReadonly);
        return false;
    }
    const PropertySignature* sig = PropertySignatureOf(op);
    if (!sig || sig->set == 'n') return true;
    ScriptValue converted = Convert(sig->set == 't' ? 's' : sig->set, *value);
    if (!instance->WriteProperty(op, converted)) instance->SetErrorCode(kErrPropertyUnsupported);
    return true;
}

bool NP_RUNTIME_CALL RemoveProperty(NPObject*, NPIdentifier) { return false; }

NPClass g_class = {
    1, Allocate, Deallocate, Invalidate, HasMethod, Invoke, InvokeDefault, HasProperty, GetProperty, SetProperty,
    RemoveProperty, nullptr, nullptr,
};

}  // namespace

NPClass* CScriptablePluginObject::Class() { return &g_class; }

CScriptablePluginObject* CScriptablePluginObject::Create(PluginInstance* owner) {
    NPObject* object = NPN_CreateObject(owner->Record(), &g_class);
    if (!object) return nullptr;
    auto* scriptable = static_cast<CScriptablePluginObject*>(object);
    scriptable->record = owner->Record();
    scriptable->instance = owner;
    return scriptable;
}

void FillScriptIdentifierCache() {
    for (int i = 0; i < kOperationCount; ++i) {
        const char* name = OperationNameTable[i];
        g_identifiers[i] = name && *name ? NPN_GetStringIdentifier(name) : nullptr;
    }
}

NPIdentifier ScriptIdentifier(int operationId) {
    return operationId >= 0 && operationId < kOperationCount ? g_identifiers[operationId] : nullptr;
}
