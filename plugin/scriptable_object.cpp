#include "plugin/scriptable_object.h"

#include <new>

#include "core/operation_name_table.h"
#include "plugin/browser_functions.h"
#include "plugin/plugin_instance.h"

namespace {

NPIdentifier g_identifiers[kOperationCount];

NPObject* NP_RUNTIME_CALL Allocate(void* record, NPClass*) {
    auto* object = new (std::nothrow) CScriptablePluginObject();
    if (!object) return nullptr;
    object->record = static_cast<NPP>(record);
    object->instance = nullptr;
    return object;
}

void NP_RUNTIME_CALL Deallocate(NPObject* object) { delete static_cast<CScriptablePluginObject*>(object); }

void NP_RUNTIME_CALL Invalidate(NPObject* object) { static_cast<CScriptablePluginObject*>(object)->instance = nullptr; }

bool NP_RUNTIME_CALL HasNothing(NPObject*, NPIdentifier) { return false; }

bool NP_RUNTIME_CALL InvokeNothing(NPObject*, NPIdentifier, const NPVariant*, uint32_t, NPVariant* result) {
    if (result) VOID_TO_NPVARIANT(*result);
    return false;
}

bool NP_RUNTIME_CALL InvokeDefaultNothing(NPObject*, const NPVariant*, uint32_t, NPVariant* result) {
    if (result) VOID_TO_NPVARIANT(*result);
    return false;
}

bool NP_RUNTIME_CALL GetNothing(NPObject*, NPIdentifier, NPVariant* result) {
    if (result) VOID_TO_NPVARIANT(*result);
    return false;
}

bool NP_RUNTIME_CALL SetNothing(NPObject*, NPIdentifier, const NPVariant*) { return false; }

NPClass g_class = {
    NP_CLASS_STRUCT_VERSION, Allocate, Deallocate, Invalidate, HasNothing, InvokeNothing, InvokeDefaultNothing,
    HasNothing, GetNothing, SetNothing, HasNothing, nullptr, nullptr,
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
