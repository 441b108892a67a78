#include "activex/lumetta_registration.h"

namespace {

#define CLASS_KEY L"CLSID\\%CLSID%"

// OLEMISC_SETCLIENTSITEFIRST | ACTIVATEWHENVISIBLE | INSIDEOUT | CANTLINKINSIDE | RECOMPOSEONRESIZE
constexpr wchar_t kMiscStatus[] = L"131473";
constexpr wchar_t kControlName[] = L"Lumetta Class";
constexpr wchar_t kCancelName[] = L"Cancel Class";

const wchar_t* const kControlKeys[] = {L"LumettaCtrl.Lumetta.1", L"LumettaCtrl.Lumetta", CLASS_KEY};

const comcontrol::RegistryValue kControlValues[] = {
    {L"LumettaCtrl.Lumetta.1", nullptr, kControlName},
    {L"LumettaCtrl.Lumetta.1\\CLSID", nullptr, L"%CLSID%"},
    {L"LumettaCtrl.Lumetta", nullptr, kControlName},
    {L"LumettaCtrl.Lumetta\\CLSID", nullptr, L"%CLSID%"},
    {L"LumettaCtrl.Lumetta\\CurVer", nullptr, L"LumettaCtrl.Lumetta.1"},
    {CLASS_KEY, nullptr, kControlName},
    {CLASS_KEY L"\\ProgID", nullptr, L"LumettaCtrl.Lumetta.1"},
    {CLASS_KEY L"\\VersionIndependentProgID", nullptr, L"LumettaCtrl.Lumetta"},
    {CLASS_KEY L"\\Programmable", nullptr, nullptr},
    {CLASS_KEY L"\\InprocServer32", nullptr, L"%MODULE%"},
    {CLASS_KEY L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
    {CLASS_KEY L"\\Control", nullptr, nullptr},
    {CLASS_KEY L"\\ToolboxBitmap32", nullptr, L"%MODULE%, 101"},
    {CLASS_KEY L"\\MiscStatus", nullptr, L"0"},
    {CLASS_KEY L"\\MiscStatus\\1", nullptr, kMiscStatus},
    {CLASS_KEY L"\\TypeLib", nullptr, L"%LIBID%"},
    {CLASS_KEY L"\\Version", nullptr, L"1.0"},
};

const wchar_t* const kCancelKeys[] = {L"PallastraCtrl.Cancel.1", L"PallastraCtrl.Cancel", CLASS_KEY};

const comcontrol::RegistryValue kCancelValues[] = {
    {L"PallastraCtrl.Cancel.1", nullptr, kCancelName},
    {L"PallastraCtrl.Cancel.1\\CLSID", nullptr, L"%CLSID%"},
    {L"PallastraCtrl.Cancel", nullptr, kCancelName},
    {L"PallastraCtrl.Cancel\\CLSID", nullptr, L"%CLSID%"},
    {L"PallastraCtrl.Cancel\\CurVer", nullptr, L"PallastraCtrl.Cancel.1"},
    {CLASS_KEY, nullptr, kCancelName},
    {CLASS_KEY L"\\ProgID", nullptr, L"PallastraCtrl.Cancel.1"},
    {CLASS_KEY L"\\VersionIndependentProgID", nullptr, L"PallastraCtrl.Cancel"},
    {CLASS_KEY L"\\Programmable", nullptr, nullptr},
    {CLASS_KEY L"\\InprocServer32", nullptr, L"%MODULE%"},
    {CLASS_KEY L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
    {CLASS_KEY L"\\TypeLib", nullptr, L"%LIBID%"},
};

}  // namespace

const comcontrol::RegistryScript kLumettaRegistry = {kControlKeys, 3, kControlValues,
                                                      int(sizeof(kControlValues) / sizeof(kControlValues[0]))};
const comcontrol::RegistryScript kCancelRegistry = {kCancelKeys, 3, kCancelValues,
                                                     int(sizeof(kCancelValues) / sizeof(kCancelValues[0]))};
