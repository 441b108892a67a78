// NPLumetta: the 32-bit NPAPI plug-in module.
#include <windows.h>

namespace {
HINSTANCE g_module = nullptr;
}

HINSTANCE LumettaModuleInstance() { return g_module; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
