#include "plugin/browser_functions.h"

#include <cstring>

namespace {

// One copy per process, written by NP_Initialize before any instance exists.
NPNetscapeFuncs g_browser;

uint16_t MinorVersion() { return g_browser.version & 0xFF; }

// Calls a browser entry when the table holds one, else answers the fallback.
template <typename R, typename F, typename... A>
R CallOr(R fallback, F function, A... args) {
    return function ? function(args...) : fallback;
}

template <typename F, typename... A>
void CallIfPresent(F function, A... args) {
    if (function) function(args...);
}

}  // namespace

NPError CopyBrowserFunctions(const NPNetscapeFuncs* browser) {
    if (!browser) return NPERR_INVALID_FUNCTABLE_ERROR;
    if ((browser->version >> 8) != kNpVersionMajor) return NPERR_INCOMPATIBLE_VERSION_ERROR;
    if (browser->size < kMinimumBrowserTableSize) return NPERR_INVALID_FUNCTABLE_ERROR;
    g_browser = NPNetscapeFuncs{};
    std::memcpy(&g_browser, browser, offsetof(NPNetscapeFuncs, pushpopupsenabledstate));
    return NPERR_NO_ERROR;
}

void ForgetBrowserFunctions() { g_browser = NPNetscapeFuncs{}; }

void NPN_Version(int* pluginMajor, int* pluginMinor, int* browserMajor, int* browserMinor) {
    if (pluginMajor) *pluginMajor = kNpVersionMajor;
    if (pluginMinor) *pluginMinor = kNpVersionMinor;
    if (browserMajor) *browserMajor = g_browser.version >> 8;
    if (browserMinor) *browserMinor = g_browser.version & 0xFF;
}

NPError NPN_GetURL(NPP instance, const char* url, const char* window) {
    return CallOr<NPError>(NPERR_GENERIC_ERROR, g_browser.geturl, instance, url, window);
}

NPError NPN_PostURL(NPP instance, const char* url, const char* window, uint32_t len, const char* buf, NPBool file) {
    return CallOr<NPError>(NPERR_GENERIC_ERROR, g_browser.posturl, instance, url, window, len, buf, file);
}

NPError NPN_RequestRead(NPStream* stream, NPByteRange* ranges) {
    return CallOr<NPError>(NPERR_GENERIC_ERROR, g_browser.requestread, stream, ranges);
}

NPError NPN_NewStream(NPP instance, NPMIMEType type, const char* window, NPStream** stream) {
    if (MinorVersion() < kNpVersionHasStreamOutput) return NPERR_INCOMPATIBLE_VERSION_ERROR;
    return CallOr<NPError>(NPERR_GENERIC_ERROR, g_browser.newstream, instance, type, window, stream);
}

int32_t NPN_Write(NPP instance, NPStream* stream, int32_t len, void* buffer) {
    if (MinorVersion() < kNpVersionHasStreamOutput) return -1;
    return CallOr<int32_t>(-1, g_browser.write, instance, stream, len, buffer);
}

NPError NPN_DestroyStream(NPP instance, NPStream* stream, NPReason reason) {
    if (MinorVersion() < kNpVersionHasStreamOutput) return NPERR_INCOMPATIBLE_VERSION_ERROR;
    return CallOr<NPError>(NPERR_GENERIC_ERROR, g_browser.destroystream, instance, stream, reason);
}

void NPN_Status(NPP instance, const char* message) { CallIfPresent(g_browser.status, instance, message); }

const char* NPN_UserAgent(NPP instance) {
    return CallOr<const char*>(nullptr, g_browser.uagent, instance);
}

void* NPN_MemAlloc(uint32_t size) { return CallOr<void*>(nullptr, g_browser.memalloc, size); }

void NPN_MemFree(void* ptr) {
    if (ptr) CallIfPresent(g_browser.memfree, ptr);
}

uint32_t NPN_MemFlush(uint32_t size) { return CallOr<uint32_t>(0, g_browser.memflush, size); }

void NPN_ReloadPlugins(NPBool reloadPages) { CallIfPresent(g_browser.reloadplugins, reloadPages); }

void* NPN_GetJavaEnv() { return g_browser.getJavaEnv ? g_browser.getJavaEnv() : nullptr; }

void* NPN_GetJavaPeer(NPP instance) { return CallOr<void*>(nullptr, g_browser.getJavaPeer, instance); }

NPError NPN_GetURLNotify(NPP instance, const char* url, const char* window, void* notifyData) {
    if (MinorVersion() < kNpVersionHasNotification) return NPERR_INCOMPATIBLE_VERSION_ERROR;
    return CallOr<NPError>(NPERR_GENERIC_ERROR, g_browser.geturlnotify, instance, url, window, notifyData);
}

NPError NPN_PostURLNotify(NPP instance, const char* url, const char* window, uint32_t len, const char* buf,
                          NPBool file, void* notifyData) {
    if (MinorVersion() < kNpVersionHasNotification) return NPERR_INCOMPATIBLE_VERSION_ERROR;
    return CallOr<NPError>(NPERR_GENERIC_ERROR, g_browser.posturlnotify, instance, url, window, len, buf, file,
                           notifyData);
}

NPError NPN_GetValue(NPP instance, NPNVariable variable, void* value) {
    return CallOr<NPError>(NPERR_GENERIC_ERROR, g_browser.getvalue, instance, variable, value);
}

NPError NPN_SetValue(NPP instance, NPPVariable variable, void* value) {
    return CallOr<NPError>(NPERR_GENERIC_ERROR, g_browser.setvalue, instance, variable, value);
}

void NPN_InvalidateRect(NPP instance, NPRect* rect) { CallIfPresent(g_browser.invalidaterect, instance, rect); }

void NPN_InvalidateRegion(NPP instance, NPRegion region) {
    CallIfPresent(g_browser.invalidateregion, instance, region);
}

void NPN_ForceRedraw(NPP instance) { CallIfPresent(g_browser.forceredraw, instance); }

NPIdentifier NPN_GetStringIdentifier(const NPUTF8* name) {
    return name ? CallOr<NPIdentifier>(nullptr, g_browser.getstringidentifier, name) : nullptr;
}

void NPN_GetStringIdentifiers(const NPUTF8** names, int32_t count, NPIdentifier* ids) {
    if (g_browser.getstringidentifiers) {
        g_browser.getstringidentifiers(names, count, ids);
        return;
    }
    for (int32_t i = 0; ids && i < count; ++i) ids[i] = nullptr;
}

NPIdentifier NPN_GetIntIdentifier(int32_t value) {
    return CallOr<NPIdentifier>(nullptr, g_browser.getintidentifier, value);
}

bool NPN_IdentifierIsString(NPIdentifier identifier) {
    return CallOr<bool>(false, g_browser.identifierisstring, identifier);
}

NPUTF8* NPN_UTF8FromIdentifier(NPIdentifier identifier) {
    return CallOr<NPUTF8*>(nullptr, g_browser.utf8fromidentifier, identifier);
}

int32_t NPN_IntFromIdentifier(NPIdentifier identifier) {
    return CallOr<int32_t>(0, g_browser.intfromidentifier, identifier);
}

NPObject* NPN_CreateObject(NPP instance, NPClass* npClass) {
    return CallOr<NPObject*>(nullptr, g_browser.createobject, instance, npClass);
}

NPObject* NPN_RetainObject(NPObject* object) {
    return object ? CallOr<NPObject*>(nullptr, g_browser.retainobject, object) : nullptr;
}

void NPN_ReleaseObject(NPObject* object) {
    if (object) CallIfPresent(g_browser.releaseobject, object);
}

bool NPN_Invoke(NPP instance, NPObject* object, NPIdentifier method, const NPVariant* args, uint32_t argCount,
                NPVariant* result) {
    return CallOr<bool>(false, g_browser.invoke, instance, object, method, args, argCount, result);
}

bool NPN_InvokeDefault(NPP instance, NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result) {
    return CallOr<bool>(false, g_browser.invokeDefault, instance, object, args, argCount, result);
}

bool NPN_Evaluate(NPP instance, NPObject* object, NPString* script, NPVariant* result) {
    return CallOr<bool>(false, g_browser.evaluate, instance, object, script, result);
}

bool NPN_GetProperty(NPP instance, NPObject* object, NPIdentifier name, NPVariant* result) {
    return CallOr<bool>(false, g_browser.getproperty, instance, object, name, result);
}

bool NPN_SetProperty(NPP instance, NPObject* object, NPIdentifier name, const NPVariant* value) {
    return CallOr<bool>(false, g_browser.setproperty, instance, object, name, value);
}

bool NPN_RemoveProperty(NPP instance, NPObject* object, NPIdentifier name) {
    return CallOr<bool>(false, g_browser.removeproperty, instance, object, name);
}

bool NPN_HasProperty(NPP instance, NPObject* object, NPIdentifier name) {
    return CallOr<bool>(false, g_browser.hasproperty, instance, object, name);
}

bool NPN_HasMethod(NPP instance, NPObject* object, NPIdentifier name) {
    return CallOr<bool>(false, g_browser.hasmethod, instance, object, name);
}

void NPN_ReleaseVariantValue(NPVariant* variant) {
    if (variant) CallIfPresent(g_browser.releasevariantvalue, variant);
}

void NPN_SetException(NPObject* object, const NPUTF8* message) {
    CallIfPresent(g_browser.setexception, object, message);
}
