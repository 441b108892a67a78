// The runtime's exported functions the plug-in binds by name (all __cdecl), and the narrow
// string container they work on. The container's real size differs between runtime versions:
// it is reserved generously here and only the runtime looks inside.
#pragma once

#include "xpcom/xpcom_base.h"
#include "xpcom/xpcom_interfaces.h"

struct nsCStringContainer {
    alignas(8) unsigned char reserved[128];
};

inline nsACString& AsACString(nsCStringContainer& container) { return reinterpret_cast<nsACString&>(container); }

// Length argument of NS_CStringSetData meaning "up to the terminating NUL".
constexpr uint32_t kXpcomStringUntilNul = 0xFFFFFFFFu;

using NS_GetServiceManagerFn = nsresult(XPCOM_EXPORT_CALL*)(nsIServiceManager** result);
using NS_CStringContainerInitFn = nsresult(XPCOM_EXPORT_CALL*)(nsCStringContainer& container);
using NS_CStringContainerFinishFn = void(XPCOM_EXPORT_CALL*)(nsCStringContainer& container);
using NS_CStringGetDataFn = uint32_t(XPCOM_EXPORT_CALL*)(const nsACString& text, const char** data,
                                                         PRBool* terminated);
using NS_CStringSetDataFn = nsresult(XPCOM_EXPORT_CALL*)(nsACString& text, const char* data, uint32_t length);

// The export names, as the runtime's module carries them.
constexpr char kNsGetServiceManagerName[] = "NS_GetServiceManager";
constexpr char kNsCStringContainerInitName[] = "NS_CStringContainerInit";
constexpr char kNsCStringContainerFinishName[] = "NS_CStringContainerFinish";
constexpr char kNsCStringGetDataName[] = "NS_CStringGetData";
constexpr char kNsCStringSetDataName[] = "NS_CStringSetData";
