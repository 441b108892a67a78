// TWAINDSM.DLL for test prefixes: forwards DSM_Entry to Wine's own source manager twain_32.dll,
// so the 64-bit control, which loads "TWAINDSM.DLL" from the system folder, reaches it.
#include <windows.h>

#include "twain/twain.h"

namespace {

DSMENTRYPROC Target() {
    static DSMENTRYPROC entry = [] {
        HMODULE manager = LoadLibraryA("twain_32.dll");
        return manager ? reinterpret_cast<DSMENTRYPROC>(GetProcAddress(manager, "DSM_Entry")) : nullptr;
    }();
    return entry;
}

}  // namespace

extern "C" __declspec(dllexport) TW_UINT16 WINAPI DSM_Entry(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg,
                                                            TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    DSMENTRYPROC entry = Target();
    return entry ? entry(origin, dest, dg, dat, msg, data) : TWRC_FAILURE;
}
