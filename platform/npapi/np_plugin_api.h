// The browser plug-in interface as browsers on Windows lay it out: the instance record, the window
// record, streams, the plug-in's handler table and the browser's function table. Our own
// declarations of what NPLumetta and the browser harness need. Every function reached through a
// table uses the C calling convention; only the three module exports are WINAPI.
#pragma once

#include <cstddef>
#include <cstdint>

#include "npapi/np_runtime.h"

#define NP_CALL __cdecl

typedef int16_t NPError;
typedef int16_t NPReason;
typedef unsigned char NPBool;
typedef char* NPMIMEType;

constexpr NPError NPERR_NO_ERROR = 0;
constexpr NPError NPERR_GENERIC_ERROR = 1;
constexpr NPError NPERR_INVALID_INSTANCE_ERROR = 2;
constexpr NPError NPERR_INVALID_FUNCTABLE_ERROR = 3;
constexpr NPError NPERR_MODULE_LOAD_FAILED_ERROR = 4;
constexpr NPError NPERR_OUT_OF_MEMORY_ERROR = 5;
constexpr NPError NPERR_INVALID_PLUGIN_ERROR = 6;
constexpr NPError NPERR_INVALID_PLUGIN_DIR_ERROR = 7;
constexpr NPError NPERR_INCOMPATIBLE_VERSION_ERROR = 8;

// The API version the plug-in is written for: 0.16.
constexpr uint16_t kNpVersionMajor = 0;
constexpr uint16_t kNpVersionMinor = 16;
// Browser minor versions from which optional functions exist.
constexpr uint16_t kNpVersionHasStreamOutput = 8;
constexpr uint16_t kNpVersionHasNotification = 9;

// Embed modes of NPP_New.
constexpr uint16_t NP_EMBED = 1;
constexpr uint16_t NP_FULL = 2;

struct NPP_t {
    void* pdata;  // the plug-in's own data
    void* ndata;  // the browser's
};
typedef NPP_t* NPP;

struct NPRect {
    uint16_t top;
    uint16_t left;
    uint16_t bottom;
    uint16_t right;
};

enum NPWindowType : int32_t { NPWindowTypeWindow = 1, NPWindowTypeDrawable = 2 };

struct NPWindow {
    void* window;  // HWND of a windowed plug-in
    int32_t x;
    int32_t y;
    uint32_t width;
    uint32_t height;
    NPRect clipRect;
    NPWindowType type;
};

struct NPSavedData {
    int32_t len;
    void* buf;
};

struct NPStream {
    void* pdata;
    void* ndata;
    const char* url;
    uint32_t end;
    uint32_t lastmodified;
    void* notifyData;
    const char* headers;
};

struct NPByteRange {
    int32_t offset;
    uint32_t length;
    NPByteRange* next;
};

struct NPPrint;
struct NPEvent;
typedef void* NPRegion;

// What the browser asks of the plug-in (NPP_GetValue) and of itself (NPN_GetValue).
enum NPPVariable : int32_t {
    NPPVpluginNameString = 1,
    NPPVpluginDescriptionString = 2,
    NPPVpluginWindowBool = 3,
    NPPVpluginTransparentBool = 4,
    NPPVjavaClass = 5,
    NPPVpluginWindowSize = 6,
    NPPVpluginTimerInterval = 7,
    NPPVpluginScriptableInstance = 10,
    NPPVpluginScriptableIID = 11,
    NPPVjavascriptPushCallerBool = 12,
    NPPVpluginKeepLibraryInMemory = 13,
    NPPVpluginNeedsXEmbed = 14,
    NPPVpluginScriptableNPObject = 15,
};

enum NPNVariable : int32_t {
    NPNVxDisplay = 1,
    NPNVxtAppContext = 2,
    NPNVnetscapeWindow = 3,
    NPNVjavascriptEnabledBool = 4,
    NPNVasdEnabledBool = 5,
    NPNVisOfflineBool = 6,
    NPNVWindowNPObject = 15,
    NPNVPluginElementNPObject = 16,
};

// ---- the plug-in's handlers ----
typedef NPError(NP_CALL* NPP_NewProcPtr)(NPMIMEType, NPP, uint16_t mode, int16_t argc, char* argn[], char* argv[],
                                         NPSavedData*);
typedef NPError(NP_CALL* NPP_DestroyProcPtr)(NPP, NPSavedData**);
typedef NPError(NP_CALL* NPP_SetWindowProcPtr)(NPP, NPWindow*);
typedef NPError(NP_CALL* NPP_NewStreamProcPtr)(NPP, NPMIMEType, NPStream*, NPBool seekable, uint16_t* type);
typedef NPError(NP_CALL* NPP_DestroyStreamProcPtr)(NPP, NPStream*, NPReason);
typedef void(NP_CALL* NPP_StreamAsFileProcPtr)(NPP, NPStream*, const char* fname);
typedef int32_t(NP_CALL* NPP_WriteReadyProcPtr)(NPP, NPStream*);
typedef int32_t(NP_CALL* NPP_WriteProcPtr)(NPP, NPStream*, int32_t offset, int32_t len, void* buffer);
typedef void(NP_CALL* NPP_PrintProcPtr)(NPP, NPPrint*);
typedef int16_t(NP_CALL* NPP_HandleEventProcPtr)(NPP, void* event);
typedef void(NP_CALL* NPP_URLNotifyProcPtr)(NPP, const char* url, NPReason, void* notifyData);
typedef NPError(NP_CALL* NPP_GetValueProcPtr)(NPP, NPPVariable, void* value);
typedef NPError(NP_CALL* NPP_SetValueProcPtr)(NPP, NPNVariable, void* value);

struct NPPluginFuncs {
    uint16_t size;
    uint16_t version;
    NPP_NewProcPtr newp;
    NPP_DestroyProcPtr destroy;
    NPP_SetWindowProcPtr setwindow;
    NPP_NewStreamProcPtr newstream;
    NPP_DestroyStreamProcPtr destroystream;
    NPP_StreamAsFileProcPtr asfile;
    NPP_WriteReadyProcPtr writeready;
    NPP_WriteProcPtr write;
    NPP_PrintProcPtr print;
    NPP_HandleEventProcPtr event;
    NPP_URLNotifyProcPtr urlnotify;
    void* javaClass;
    NPP_GetValueProcPtr getvalue;
    NPP_SetValueProcPtr setvalue;
};

// ---- the browser's functions ----
typedef NPError(NP_CALL* NPN_GetURLProcPtr)(NPP, const char* url, const char* window);
typedef NPError(NP_CALL* NPN_PostURLProcPtr)(NPP, const char* url, const char* window, uint32_t len, const char* buf,
                                             NPBool file);
typedef NPError(NP_CALL* NPN_RequestReadProcPtr)(NPStream*, NPByteRange*);
typedef NPError(NP_CALL* NPN_NewStreamProcPtr)(NPP, NPMIMEType, const char* window, NPStream**);
typedef int32_t(NP_CALL* NPN_WriteProcPtr)(NPP, NPStream*, int32_t len, void* buffer);
typedef NPError(NP_CALL* NPN_DestroyStreamProcPtr)(NPP, NPStream*, NPReason);
typedef void(NP_CALL* NPN_StatusProcPtr)(NPP, const char* message);
typedef const char*(NP_CALL* NPN_UserAgentProcPtr)(NPP);
typedef void*(NP_CALL* NPN_MemAllocProcPtr)(uint32_t size);
typedef void(NP_CALL* NPN_MemFreeProcPtr)(void* ptr);
typedef uint32_t(NP_CALL* NPN_MemFlushProcPtr)(uint32_t size);
typedef void(NP_CALL* NPN_ReloadPluginsProcPtr)(NPBool reloadPages);
typedef void*(NP_CALL* NPN_GetJavaEnvProcPtr)();
typedef void*(NP_CALL* NPN_GetJavaPeerProcPtr)(NPP);
typedef NPError(NP_CALL* NPN_GetURLNotifyProcPtr)(NPP, const char* url, const char* window, void* notifyData);
typedef NPError(NP_CALL* NPN_PostURLNotifyProcPtr)(NPP, const char* url, const char* window, uint32_t len,
                                                   const char* buf, NPBool file, void* notifyData);
typedef NPError(NP_CALL* NPN_GetValueProcPtr)(NPP, NPNVariable, void* value);
typedef NPError(NP_CALL* NPN_SetValueProcPtr)(NPP, NPPVariable, void* value);
typedef void(NP_CALL* NPN_InvalidateRectProcPtr)(NPP, NPRect*);
typedef void(NP_CALL* NPN_InvalidateRegionProcPtr)(NPP, NPRegion);
typedef void(NP_CALL* NPN_ForceRedrawProcPtr)(NPP);
typedef NPIdentifier(NP_CALL* NPN_GetStringIdentifierProcPtr)(const NPUTF8* name);
typedef void(NP_CALL* NPN_GetStringIdentifiersProcPtr)(const NPUTF8** names, int32_t count, NPIdentifier* ids);
typedef NPIdentifier(NP_CALL* NPN_GetIntIdentifierProcPtr)(int32_t value);
typedef bool(NP_CALL* NPN_IdentifierIsStringProcPtr)(NPIdentifier);
typedef NPUTF8*(NP_CALL* NPN_UTF8FromIdentifierProcPtr)(NPIdentifier);
typedef int32_t(NP_CALL* NPN_IntFromIdentifierProcPtr)(NPIdentifier);
typedef NPObject*(NP_CALL* NPN_CreateObjectProcPtr)(NPP, NPClass*);
typedef NPObject*(NP_CALL* NPN_RetainObjectProcPtr)(NPObject*);
typedef void(NP_CALL* NPN_ReleaseObjectProcPtr)(NPObject*);
typedef bool(NP_CALL* NPN_InvokeProcPtr)(NPP, NPObject*, NPIdentifier method, const NPVariant* args,
                                         uint32_t argCount, NPVariant* result);
typedef bool(NP_CALL* NPN_InvokeDefaultProcPtr)(NPP, NPObject*, const NPVariant* args, uint32_t argCount,
                                                NPVariant* result);
typedef bool(NP_CALL* NPN_EvaluateProcPtr)(NPP, NPObject*, NPString* script, NPVariant* result);
typedef bool(NP_CALL* NPN_GetPropertyProcPtr)(NPP, NPObject*, NPIdentifier, NPVariant* result);
typedef bool(NP_CALL* NPN_SetPropertyProcPtr)(NPP, NPObject*, NPIdentifier, const NPVariant* value);
typedef bool(NP_CALL* NPN_RemovePropertyProcPtr)(NPP, NPObject*, NPIdentifier);
typedef bool(NP_CALL* NPN_HasPropertyProcPtr)(NPP, NPObject*, NPIdentifier);
typedef bool(NP_CALL* NPN_HasMethodProcPtr)(NPP, NPObject*, NPIdentifier);
typedef void(NP_CALL* NPN_ReleaseVariantValueProcPtr)(NPVariant*);
typedef void(NP_CALL* NPN_SetExceptionProcPtr)(NPObject*, const NPUTF8* message);
typedef void(NP_CALL* NPN_PushPopupsEnabledStateProcPtr)(NPP, NPBool enabled);
typedef void(NP_CALL* NPN_PopPopupsEnabledStateProcPtr)(NPP);

struct NPNetscapeFuncs {
    uint16_t size;
    uint16_t version;  // high byte major, low byte minor
    NPN_GetURLProcPtr geturl;
    NPN_PostURLProcPtr posturl;
    NPN_RequestReadProcPtr requestread;
    NPN_NewStreamProcPtr newstream;
    NPN_WriteProcPtr write;
    NPN_DestroyStreamProcPtr destroystream;
    NPN_StatusProcPtr status;
    NPN_UserAgentProcPtr uagent;
    NPN_MemAllocProcPtr memalloc;
    NPN_MemFreeProcPtr memfree;
    NPN_MemFlushProcPtr memflush;
    NPN_ReloadPluginsProcPtr reloadplugins;
    NPN_GetJavaEnvProcPtr getJavaEnv;
    NPN_GetJavaPeerProcPtr getJavaPeer;
    NPN_GetURLNotifyProcPtr geturlnotify;
    NPN_PostURLNotifyProcPtr posturlnotify;
    NPN_GetValueProcPtr getvalue;
    NPN_SetValueProcPtr setvalue;
    NPN_InvalidateRectProcPtr invalidaterect;
    NPN_InvalidateRegionProcPtr invalidateregion;
    NPN_ForceRedrawProcPtr forceredraw;
    NPN_GetStringIdentifierProcPtr getstringidentifier;
    NPN_GetStringIdentifiersProcPtr getstringidentifiers;
    NPN_GetIntIdentifierProcPtr getintidentifier;
    NPN_IdentifierIsStringProcPtr identifierisstring;
    NPN_UTF8FromIdentifierProcPtr utf8fromidentifier;
    NPN_IntFromIdentifierProcPtr intfromidentifier;
    NPN_CreateObjectProcPtr createobject;
    NPN_RetainObjectProcPtr retainobject;
    NPN_ReleaseObjectProcPtr releaseobject;
    NPN_InvokeProcPtr invoke;
    NPN_InvokeDefaultProcPtr invokeDefault;
    NPN_EvaluateProcPtr evaluate;
    NPN_GetPropertyProcPtr getproperty;
    NPN_SetPropertyProcPtr setproperty;
    NPN_RemovePropertyProcPtr removeproperty;
    NPN_HasPropertyProcPtr hasproperty;
    NPN_HasMethodProcPtr hasmethod;
    NPN_ReleaseVariantValueProcPtr releasevariantvalue;
    NPN_SetExceptionProcPtr setexception;
    // The table a browser of this API version hands over ends with these two; the plug-in
    // requires a table of at least this size but never calls them.
    NPN_PushPopupsEnabledStateProcPtr pushpopupsenabledstate;
    NPN_PopPopupsEnabledStateProcPtr poppopupsenabledstate;
};

// The 40 browser functions the plug-in copies: everything up to the pop-up state pair.
constexpr size_t kBrowserFunctionCount = 40;
// The smallest browser table accepted: the whole table of this API version (172 bytes on 32-bit).
constexpr size_t kMinimumBrowserTableSize = sizeof(NPNetscapeFuncs);

// ---- layout checks: what the browser and the plug-in exchange must match byte for byte ----
constexpr size_t kPtr = sizeof(void*);
static_assert(sizeof(NPError) == 2 && sizeof(NPBool) == 1 && sizeof(NPWindowType) == 4);
static_assert(sizeof(NPP_t) == 2 * kPtr && offsetof(NPP_t, ndata) == kPtr);
static_assert(sizeof(NPRect) == 8 && offsetof(NPRect, left) == 2 && offsetof(NPRect, right) == 6);
static_assert(offsetof(NPWindow, x) == kPtr && offsetof(NPWindow, width) == kPtr + 8 &&
              offsetof(NPWindow, clipRect) == kPtr + 16 && offsetof(NPWindow, type) == kPtr + 24);
static_assert(sizeof(NPWindow) == (kPtr == 4 ? 32 : 40));
static_assert(offsetof(NPSavedData, buf) == kPtr && sizeof(NPSavedData) == 2 * kPtr);
static_assert(offsetof(NPStream, url) == 2 * kPtr && offsetof(NPStream, end) == 3 * kPtr &&
              offsetof(NPStream, notifyData) == 3 * kPtr + 8 && sizeof(NPStream) == (kPtr == 4 ? 28 : 48));
static_assert(offsetof(NPPluginFuncs, version) == 2 && offsetof(NPPluginFuncs, newp) == kPtr);
static_assert(offsetof(NPPluginFuncs, javaClass) == 12 * kPtr && offsetof(NPPluginFuncs, getvalue) == 13 * kPtr &&
              offsetof(NPPluginFuncs, setvalue) == 14 * kPtr && sizeof(NPPluginFuncs) == 15 * kPtr);
static_assert(offsetof(NPNetscapeFuncs, version) == 2 && offsetof(NPNetscapeFuncs, geturl) == kPtr);
static_assert(offsetof(NPNetscapeFuncs, memalloc) == 9 * kPtr && offsetof(NPNetscapeFuncs, getvalue) == 17 * kPtr &&
              offsetof(NPNetscapeFuncs, getstringidentifier) == 22 * kPtr &&
              offsetof(NPNetscapeFuncs, createobject) == 28 * kPtr &&
              offsetof(NPNetscapeFuncs, invokeDefault) == 32 * kPtr &&
              offsetof(NPNetscapeFuncs, releasevariantvalue) == 39 * kPtr &&
              offsetof(NPNetscapeFuncs, setexception) == 40 * kPtr &&
              offsetof(NPNetscapeFuncs, pushpopupsenabledstate) == (kBrowserFunctionCount + 1) * kPtr);
static_assert(kMinimumBrowserTableSize == (kPtr == 4 ? 172 : 344));
