// LumettaCtrl: the 64-bit ActiveX control module.
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
        // The control links GDI+ and loads and saves BMP, JPEG, TIFF and PNG through it.
        PlatformImageLibrary library;
        library.table = &LinkedGdiplusApi();
        library.saveThroughLibrary = true;
        CImageOperator::SetPlatformImageLibrary(library);
    }
    return TRUE;
}
