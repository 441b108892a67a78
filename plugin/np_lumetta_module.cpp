// NPLumetta: the NPAPI plug-in module.
#include <windows.h>

#include "codecs/image_operator.h"
#include "plugin/gdiplus_runtime.h"

namespace {
HINSTANCE g_module = nullptr;
}

HINSTANCE LumettaModuleInstance() { return g_module; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
        // The plug-in saves with its own encoders; each engine loads "GDIPLUS.dll" by name and
        // loads images through it only when that load succeeded.
        PlatformImageLibrary library;
        library.table = &RuntimeGdiplusApi();
        library.saveThroughLibrary = false;
        library.loadLibrary = LoadGdiplusForEngine;
        library.unloadLibrary = FreeGdiplusOfEngine;
        CImageOperator::SetPlatformImageLibrary(library);
    }
    return TRUE;
}
