// The module level of the plug-in: the three exports a browser calls and the 13 handlers it is
// given, each finding its PluginInstance in the instance record and forwarding to it.
#include <windows.h>

#include "plugin/browser_functions.h"
#include "plugin/plugin_instance.h"

namespace {

PluginInstance* InstanceOf(NPP record) { return static_cast<PluginInstance*>(record->pdata); }

NPError NP_CALL NewInstance(NPMIMEType, NPP record, uint16_t mode, int16_t count, char* names[], char* values[],
                            NPSavedData*) {
    if (!record) return NPERR_INVALID_INSTANCE_ERROR;
    PluginInstance* instance = PluginInstance::Create(record, mode, count, names, values);
    if (!instance) return NPERR_OUT_OF_MEMORY_ERROR;
    record->pdata = instance;
    return NPERR_NO_ERROR;
}

NPError NP_CALL DestroyInstance(NPP record, NPSavedData**) {
    if (!record) return NPERR_INVALID_INSTANCE_ERROR;
    PluginInstance* instance = InstanceOf(record);
    if (!instance) return NPERR_NO_ERROR;
    record->pdata = nullptr;
    // Deleted now, or when the call into it that runs the page's removal returns.
    instance->Destroy();
    return NPERR_NO_ERROR;
}

NPError NP_CALL SetWindow(NPP record, NPWindow* window) {
    if (!record) return NPERR_INVALID_INSTANCE_ERROR;
    PluginInstance* instance = InstanceOf(record);
    if (!instance || !window) return NPERR_GENERIC_ERROR;
    if (!instance->IsInitialized() && window->window) {
        if (!instance->Init(window)) {
            delete instance;
            record->pdata = nullptr;
            return NPERR_MODULE_LOAD_FAILED_ERROR;
        }
        return NPERR_NO_ERROR;
    }
    return instance->SetWindow(window);
}

NPError NP_CALL NewStream(NPP record, NPMIMEType, NPStream*, NPBool, uint16_t*) {
    if (!record) return NPERR_INVALID_INSTANCE_ERROR;
    PluginInstance* instance = InstanceOf(record);
    return instance ? instance->NewStream() : NPERR_GENERIC_ERROR;
}

NPError NP_CALL DestroyStream(NPP record, NPStream*, NPReason) {
    if (!record) return NPERR_INVALID_INSTANCE_ERROR;
    PluginInstance* instance = InstanceOf(record);
    return instance ? instance->DestroyStream() : NPERR_GENERIC_ERROR;
}

void NP_CALL StreamAsFile(NPP record, NPStream*, const char*) {
    if (record && InstanceOf(record)) InstanceOf(record)->StreamAsFile();
}

int32_t NP_CALL WriteReady(NPP, NPStream*) { return 0x0FFFFFFF; }

// Stream data is accepted and dropped.
int32_t NP_CALL Write(NPP, NPStream*, int32_t, int32_t length, void*) { return length; }

void NP_CALL Print(NPP record, NPPrint*) {
    if (record && InstanceOf(record)) InstanceOf(record)->Print();
}

// A windowed plug-in: its messages reach the plug-in window's procedure instead.
int16_t NP_CALL HandleEvent(NPP, void*) { return 0; }

void NP_CALL URLNotify(NPP record, const char*, NPReason, void*) {
    if (record && InstanceOf(record)) InstanceOf(record)->URLNotify();
}

NPError NP_CALL GetValue(NPP record, NPPVariable variable, void* value) {
    if (!record) return NPERR_INVALID_INSTANCE_ERROR;
    PluginInstance* instance = InstanceOf(record);
    return instance ? instance->GetValue(variable, value) : NPERR_GENERIC_ERROR;
}

NPError NP_CALL SetValue(NPP record, NPNVariable, void*) {
    if (!record) return NPERR_INVALID_INSTANCE_ERROR;
    PluginInstance* instance = InstanceOf(record);
    return instance ? instance->SetValue() : NPERR_GENERIC_ERROR;
}

}  // namespace

extern "C" {

NPError WINAPI NP_GetEntryPoints(NPPluginFuncs* table) {
    if (!table) return NPERR_INVALID_FUNCTABLE_ERROR;
    // The size and the Java class entry are the browser's to fill.
    table->version = (kNpVersionMajor << 8) | kNpVersionMinor;
    table->newp = NewInstance;
    table->destroy = DestroyInstance;
    table->setwindow = SetWindow;
    table->newstream = NewStream;
    table->destroystream = DestroyStream;
    table->asfile = StreamAsFile;
    table->writeready = WriteReady;
    table->write = Write;
    table->print = Print;
    table->event = HandleEvent;
    table->urlnotify = URLNotify;
    table->getvalue = GetValue;
    table->setvalue = SetValue;
    return NPERR_NO_ERROR;
}

NPError WINAPI NP_Initialize(NPNetscapeFuncs* browser) { return CopyBrowserFunctions(browser); }

NPError WINAPI NP_Shutdown() { return NPERR_NO_ERROR; }

}  // extern "C"
