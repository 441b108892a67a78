// The browser's function table, copied once by NP_Initialize, and the wrappers through which the
// rest of the plug-in calls the browser. A table of the right size may still hold null entries:
// every wrapper checks its entry and answers a failure instead of calling null.
#pragma once

#include "npapi/np_plugin_api.h"

// NP_Initialize's checks and copy: 3 for a missing or short table, 8 for another major version
// (checked before the size), else 0 with the first 40 functions copied.
NPError CopyBrowserFunctions(const NPNetscapeFuncs* browser);
// Forgets the copied table (NP_Shutdown and tests).
void ForgetBrowserFunctions();

void NPN_Version(int* pluginMajor, int* pluginMinor, int* browserMajor, int* browserMinor);
NPError NPN_GetURL(NPP instance, const char* url, const char* window);
NPError NPN_PostURL(NPP instance, const char* url, const char* window, uint32_t len, const char* buf, NPBool file);
NPError NPN_RequestRead(NPStream* stream, NPByteRange* ranges);
NPError NPN_NewStream(NPP instance, NPMIMEType type, const char* window, NPStream** stream);
int32_t NPN_Write(NPP instance, NPStream* stream, int32_t len, void* buffer);
NPError NPN_DestroyStream(NPP instance, NPStream* stream, NPReason reason);
void NPN_Status(NPP instance, const char* message);
const char* NPN_UserAgent(NPP instance);
void* NPN_MemAlloc(uint32_t size);
void NPN_MemFree(void* ptr);
uint32_t NPN_MemFlush(uint32_t size);
void NPN_ReloadPlugins(NPBool reloadPages);
void* NPN_GetJavaEnv();
void* NPN_GetJavaPeer(NPP instance);
NPError NPN_GetURLNotify(NPP instance, const char* url, const char* window, void* notifyData);
NPError NPN_PostURLNotify(NPP instance, const char* url, const char* window, uint32_t len, const char* buf,
                          NPBool file, void* notifyData);
NPError NPN_GetValue(NPP instance, NPNVariable variable, void* value);
NPError NPN_SetValue(NPP instance, NPPVariable variable, void* value);
void NPN_InvalidateRect(NPP instance, NPRect* rect);
void NPN_InvalidateRegion(NPP instance, NPRegion region);
void NPN_ForceRedraw(NPP instance);
NPIdentifier NPN_GetStringIdentifier(const NPUTF8* name);
void NPN_GetStringIdentifiers(const NPUTF8** names, int32_t count, NPIdentifier* ids);
NPIdentifier NPN_GetIntIdentifier(int32_t value);
bool NPN_IdentifierIsString(NPIdentifier identifier);
NPUTF8* NPN_UTF8FromIdentifier(NPIdentifier identifier);
int32_t NPN_IntFromIdentifier(NPIdentifier identifier);
NPObject* NPN_CreateObject(NPP instance, NPClass* npClass);
NPObject* NPN_RetainObject(NPObject* object);
void NPN_ReleaseObject(NPObject* object);
bool NPN_Invoke(NPP instance, NPObject* object, NPIdentifier method, const NPVariant* args, uint32_t argCount,
                NPVariant* result);
bool NPN_InvokeDefault(NPP instance, NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result);
bool NPN_Evaluate(NPP instance, NPObject* object, NPString* script, NPVariant* result);
bool NPN_GetProperty(NPP instance, NPObject* object, NPIdentifier name, NPVariant* result);
bool NPN_SetProperty(NPP instance, NPObject* object, NPIdentifier name, const NPVariant* value);
bool NPN_RemoveProperty(NPP instance, NPObject* object, NPIdentifier name);
bool NPN_HasProperty(NPP instance, NPObject* object, NPIdentifier name);
bool NPN_HasMethod(NPP instance, NPObject* object, NPIdentifier name);
void NPN_ReleaseVariantValue(NPVariant* variant);
void NPN_SetException(NPObject* object, const NPUTF8* message);
