// NPLumetta: the 32-bit NPAPI plug-in module.
#include <windows.h>

#include "codecs/image_operator.h"

namespace {
HINSTANCE g_module = nullptr;
}

HINSTANCE LumettaModuleInstance() { return g_module; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
        // The plug-in saves with its own encoders and loads through "GDIPLUS.dll" only when each
        // engine finds it by name.
        CImageOperator::SetPlatformImageLibrary(PlatformImageLibrary{});
    }
    return TRUE;
}
