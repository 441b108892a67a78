// NPLumetta: the NPAPI plug-in module.
#include <windows.h>

#include "plugin/gdiplus_runtime.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        UseRuntimeGdiplus();
    }
    return TRUE;
}
