// LumettaCtrl: the 64-bit ActiveX control module. The entry point, the four standard exports and
// the object map of the two creatable classes.
#include <windows.h>
#include <objsafe.h>

#include "activex/cancel.h"
#include "activex/lumetta_guids.h"
#include "activex/lumetta_registration.h"
#include "activex/pallastra.h"
#include "codecs/image_operator.h"
#include "comcontrol/com_module.h"

namespace {

// Safe for initialising, then safe for scripting: pages rely on both.
const CATID kControlCategories[] = {CATID_SafeForInitializing, CATID_SafeForScripting};

comcontrol::ClassEntry g_objectMap[] = {
    {&lumetta::CLSID_Lumetta, CPallastra::CreateInstance, &kLumettaRegistry, kControlCategories, 2, nullptr},
    {&lumetta::CLSID_Cancel, CCancel::CreateInstance, &kCancelRegistry, nullptr, 0, nullptr},
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        comcontrol::Module().Init(instance, g_objectMap, 2, lumetta::LIBID_LUMETTACTRLLib);
        DisableThreadLibraryCalls(instance);
        // The control links GDI+ and loads and saves BMP, JPEG, TIFF and PNG through it.
        PlatformImageLibrary library;
        library.table = &LinkedGdiplusApi();
        library.saveThroughLibrary = true;
        CImageOperator::SetPlatformImageLibrary(library);
    } else if (reason == DLL_PROCESS_DETACH) {
        comcontrol::Module().Term();
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return comcontrol::Module().LockCount() == 0 ? S_OK : S_FALSE; }

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    return comcontrol::Module().GetClassObject(clsid, iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() { return comcontrol::Module().RegisterServer(); }

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return comcontrol::Module().UnregisterServer(); }
