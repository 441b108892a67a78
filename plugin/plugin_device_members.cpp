// Script members of the plug-in: the TWAIN sources, capabilities, settings and image information, and the webcam.
// The typed settings and the camera families are expanded from the tables the control uses too
// (core/twain_settings.h, core/camera_families.h), so both hosts call the same engine operations.
#include <type_traits>

#include "core/operation_name_table.h"
#include "core/twain_settings.h"
#include "plugin/browser_functions.h"
#include "plugin/plugin_instance.h"

namespace {

// A family value in the script's type of the family: float or 32-bit integer.
template <typename T>
void StoreFamilyNumber(ScriptValue& out, double value) {
    if constexpr (std::is_same_v<T, float>) out.f = static_cast<float>(value);
    else out.i = static_cast<int32_t>(value);
}

template <typename T>
double FamilyArgument(const ScriptValue& v) {
    if constexpr (std::is_same_v<T, float>) return v.f;
    else return v.i;
}

// Writes a number into the "value" property of an out-object the page passed (none: nothing).
void SetOutValue(NPP record, NPObject* object, double value) {
    if (!record || !object) return;
    NPVariant v;
    DOUBLE_TO_NPVARIANT(value, v);
    NPN_SetProperty(record, object, NPN_GetStringIdentifier("value"), &v);
}

TwainIdentityText IdentityOf(int op) {
    switch (op) {
        case kOpManufacturer: return TwainIdentityText::Manufacturer;
        case kOpProductFamily: return TwainIdentityText::ProductFamily;
        case kOpProductName: return TwainIdentityText::ProductName;
        default: return TwainIdentityText::VersionInfo;
    }
}

}  // namespace

bool PluginInstance::RunDeviceMember(MemberAccess access, int op, const std::vector<ScriptValue>& args, ScriptValue& out,
                                     NPVariant* result) {
    switch (access) {
        case MemberAccess::Get: return ReadDeviceProperty(op, out, result);
        case MemberAccess::Put: return !args.empty() && WriteDeviceProperty(op, args[0]);
        case MemberAccess::Method: return RunDeviceMethod(op, args, out, result);
    }
    return false;
}

bool PluginInstance::ReadDeviceProperty(int op, ScriptValue& out, NPVariant* result) {
    switch (op) {
#define DEVICE_NUMBER_GET(name)       \
    case kOp##name: {                 \
        SHORT value = 0;              \
        Get##name(&value);            \
        out.i = value;                \
        return true;                  \
    }
        LUMETTA_TWAIN_NUMBERS(DEVICE_NUMBER_GET)
#undef DEVICE_NUMBER_GET
#define DEVICE_SWITCH_GET(name)       \
    case kOp##name: {                 \
        BOOL on = FALSE;              \
        Get##name(&on);               \
        out.b = on != 0;              \
        return true;                  \
    }
        LUMETTA_TWAIN_SWITCHES(DEVICE_SWITCH_GET)
        LUMETTA_TWAIN_READINGS(DEVICE_SWITCH_GET)
#undef DEVICE_SWITCH_GET
#define DEVICE_AREA_GET(name, field)  \
    case kOp##name:                   \
        SetErrorCode(0);              \
        out.d = CapArea().field;      \
        return true;
        LUMETTA_TWAIN_AREA_VALUES(DEVICE_AREA_GET)
        DEVICE_AREA_GET(CapDefaultValue, rangeDefault)
#undef DEVICE_AREA_GET
#define DEVICE_IMAGE_FLOAT(name, value) \
    case kOp##name:                     \
        SetErrorCode(0);                \
        out.f = value;                  \
        return true;
        LUMETTA_TWAIN_IMAGE_FLOATS(DEVICE_IMAGE_FLOAT)
#undef DEVICE_IMAGE_FLOAT
#define DEVICE_IMAGE_NUMBER(name, type, value) \
    case kOp##name:                            \
        SetErrorCode(0);                       \
        out.i = static_cast<int32_t>(value);   \
        return true;
        LUMETTA_TWAIN_IMAGE_NUMBERS(DEVICE_IMAGE_NUMBER)
#undef DEVICE_IMAGE_NUMBER
        // The capability work area.
        case kOpCapability: out.i = GetCapability(); return true;
        case kOpCapType:
            SetErrorCode(0);
            out.i = GetCapType();
            return true;
        case kOpCapValueType:
            SetErrorCode(0);
            out.i = CapArea().itemType;
            return true;
        case kOpCapCurrentIndex:
            SetErrorCode(0);
            out.i = static_cast<int32_t>(CapArea().enumCurrent);
            return true;
        case kOpCapDefaultIndex:
            SetErrorCode(0);
            out.i = static_cast<int32_t>(CapArea().enumDefault);
            return true;
        case kOpCapNumItems: out.i = GetCapNumItems(); return true;
        case kOpCapValueString:
            CapArea().oneString[kCapStringSize - 1] = '\0';
            SetScriptString(result, CapArea().oneString, TRUE);
            return true;
        // Source and session settings.
        case kOpResolution: {
            float value = 0;
            GetResolution(&value);
            out.f = value;
            return true;
        }
        case kOpDuplex: {
            LONG value = 0;
            GetDuplex(&value);
            out.i = value;
            return true;
        }
        case kOpTransferMode: out.i = GetTransferMode(); return true;
        case kOpPendingXfers: out.i = GetPendingXfers(); return true;
        case kOpDataSourceStatus: out.i = DataSourceStatus(); return true;
        case kOpIfDisableSourceAfterAcquire:
            SetErrorCode(0);
            out.b = GetIfDisableSourceAfterAcquire() != 0;
            return true;
        case kOpIfModalUI:
            SetErrorCode(0);
            out.b = GetModalUI() != 0;
            return true;
        case kOpIfUseTwainDSM:
            SetErrorCode(0);
            out.b = GetIfUseTwainDSM() != 0;
            return true;
        case kOpIfScanInThread:
        case kOpIfScanInNewThread:
            SetErrorCode(0);
            out.b = GetIfScanInThread() != 0;
            return true;
        case kOpManufacturer:
        case kOpProductFamily:
        case kOpProductName:
        case kOpVersionInfo: SetScriptString(result, GetIdentityText(IdentityOf(op)), TRUE); return true;
        // The last transfer's magnetic data.
        case kOpMagType:
            SetErrorCode(0);
            out.i = GetMagType();
            return true;
        case kOpMagData: SetScriptString(result, GetMagDataText().c_str(), TRUE); return true;
        default: return ReadCameraProperty(op, out, result);
    }
}

// The camera's properties: each family's value, limits and automatic switch, the lists and the
// frame rate.
bool PluginInstance::ReadCameraProperty(int op, ScriptValue& out, NPVariant* result) {
    switch (op) {
#define DEVICE_FAMILY_LIMIT(name, type, suffix, limit)                      \
    case kOp##name##suffix: {                                               \
        LONG answer = 0;                                                    \
        GetCameraFamilyLimit(CameraFamily::name, CameraLimit::limit, &answer); \
        StoreFamilyNumber<type>(out, answer);                               \
        return true;                                                        \
    }
#define DEVICE_FAMILY_GET(name, type, automatic, strict)          \
    case kOp##name: {                                             \
        double answer = 0;                                        \
        GetCameraFamilyValue(CameraFamily::name, &answer);        \
        StoreFamilyNumber<type>(out, answer);                     \
        return true;                                              \
    }                                                             \
    DEVICE_FAMILY_LIMIT(name, type, MinValue, Minimum)            \
    DEVICE_FAMILY_LIMIT(name, type, MaxValue, Maximum)            \
    DEVICE_FAMILY_LIMIT(name, type, StepDelta, Step)              \
    DEVICE_FAMILY_LIMIT(name, type, DefaultValue, Default)        \
    case kOp##automatic: {                                        \
        BOOL on = FALSE;                                          \
        GetCameraFamilyAuto(CameraFamily::name, &on);             \
        out.b = on != 0;                                          \
        return true;                                              \
    }
        LUMETTA_CAMERA_FAMILIES(DEVICE_FAMILY_GET)
#undef DEVICE_FAMILY_GET
#undef DEVICE_FAMILY_LIMIT
#define DEVICE_TEXT_LIST_GET(count, item, select, current) \
    case kOp##count: out.i = count(); return true;         \
    case kOp##current: current(result); return true;
        LUMETTA_CAMERA_TEXT_LISTS(DEVICE_TEXT_LIST_GET)
#undef DEVICE_TEXT_LIST_GET
        case kOpFrameRateListCount: out.i = FrameRateListCount(); return true;
        case kOpFrameRate: out.i = FrameRate(); return true;
        default: return false;
    }
}

bool PluginInstance::WriteDeviceProperty(int op, const ScriptValue& v) {
    switch (op) {
#define DEVICE_NUMBER_PUT(name) \
    case kOp##name: Set##name(v.h); return true;
        LUMETTA_TWAIN_NUMBERS(DEVICE_NUMBER_PUT)
#undef DEVICE_NUMBER_PUT
#define DEVICE_SWITCH_PUT(name) \
    case kOp##name: Set##name(v.b ? 1 : 0); return true;
        LUMETTA_TWAIN_SWITCHES(DEVICE_SWITCH_PUT)
#undef DEVICE_SWITCH_PUT
#define DEVICE_AREA_PUT(name, field) \
    case kOp##name:                  \
        SetErrorCode(0);             \
        CapArea().field = v.d;       \
        return true;
        LUMETTA_TWAIN_AREA_VALUES(DEVICE_AREA_PUT)
#undef DEVICE_AREA_PUT
#define DEVICE_FAMILY_PUT(name, type, automatic, strict)                                   \
    case kOp##name: SetCameraFamilyValue(CameraFamily::name, FamilyArgument<type>(v)); return true; \
    case kOp##automatic: SetCameraFamilyAuto(CameraFamily::name, v.b ? 1 : 0); return true;
        LUMETTA_CAMERA_FAMILIES(DEVICE_FAMILY_PUT)
#undef DEVICE_FAMILY_PUT
        case kOpCapability: SetCapability(v.i); return true;
        case kOpCapType: SetCapType(v.i); return true;
        case kOpCapValueType:
            SetErrorCode(0);
            CapArea().itemType = static_cast<TW_UINT16>(v.h);
            return true;
        case kOpCapCurrentIndex:
            SetErrorCode(0);
            CapArea().enumCurrent = static_cast<TW_UINT32>(v.i);
            return true;
        case kOpCapNumItems: SetCapNumItems(v.i); return true;
        case kOpCapValueString: SetCapValueString(v.text.c_str()); return true;
        case kOpResolution: SetResolution(v.f); return true;
        case kOpTransferMode: SetTransferMode(v.i); return true;
        case kOpIfDisableSourceAfterAcquire:
            SetErrorCode(0);
            SetIfDisableSourceAfterAcquire(v.b ? 1 : 0);
            return true;
        case kOpIfModalUI:
            SetErrorCode(0);
            SetModalUI(v.b ? 1 : 0);
            return true;
        case kOpIfUseTwainDSM:
            SetErrorCode(0);
            SetIfUseTwainDSM(v.b ? 1 : 0);
            return true;
        case kOpIfScanInThread:
        case kOpIfScanInNewThread: SetIfScanInThread(v.b ? 1 : 0); return true;
        case kOpManufacturer:
        case kOpProductFamily:
        case kOpProductName:
        case kOpVersionInfo: SetIdentityText(IdentityOf(op), v.text.c_str()); return true;
        default: return false;
    }
}

bool PluginInstance::RunDeviceMethod(int op, const std::vector<ScriptValue>& a, ScriptValue& out, NPVariant* result) {
    switch (op) {
#define DEVICE_CAP_OPERATION(name) \
    case kOp##name: out.b = name() != FALSE; return true;
        LUMETTA_TWAIN_CAP_OPERATIONS(DEVICE_CAP_OPERATION)
#undef DEVICE_CAP_OPERATION
#define DEVICE_FRAME_GET(name)          \
    case kOp##name: {                   \
        float value = 0;                \
        name(a[0].h, &value);           \
        out.f = value;                  \
        return true;                    \
    }
        LUMETTA_TWAIN_FRAME_GETTERS(DEVICE_FRAME_GET)
#undef DEVICE_FRAME_GET
#define DEVICE_LAYOUT_READ(name)                                                   \
    case kOp##name: {                                                              \
        float left = 0, top = 0, right = 0, bottom = 0;                            \
        out.b = name(&left, &top, &right, &bottom) != FALSE;                       \
        if (!out.b) left = top = right = bottom = 0;                               \
        SetOutValue(Record(), a[0].object, left);                                  \
        SetOutValue(Record(), a[1].object, top);                                   \
        SetOutValue(Record(), a[2].object, right);                                 \
        SetOutValue(Record(), a[3].object, bottom);                                \
        return true;                                                               \
    }
        LUMETTA_TWAIN_LAYOUT_READS(DEVICE_LAYOUT_READ)
#undef DEVICE_LAYOUT_READ
#define DEVICE_TEXT_LIST_CALL(count, item, select, current) \
    case kOp##item: item(a[0].i, result); return true;      \
    case kOp##select: out.b = select(a[0].i) != FALSE; return true;
        LUMETTA_CAMERA_TEXT_LISTS(DEVICE_TEXT_LIST_CALL)
#undef DEVICE_TEXT_LIST_CALL
        case kOpGetFrameRateByIndex: out.i = GetFrameRateByIndex(a[0].i); return true;
        case kOpSelectFrameRateByIndex: out.b = SelectFrameRateByIndex(a[0].i) != FALSE; return true;
        case kOpSetVideoContainer:
            out.b = CBrowserAddOnBase::SetVideoContainer(reinterpret_cast<HWND>(static_cast<INT_PTR>(a[0].i))) != FALSE;
            return true;
        case kOpDisplayPropertyPage:
            out.b = CBrowserAddOnBase::DisplayPropertyPage(reinterpret_cast<HWND>(static_cast<INT_PTR>(a[0].i))) != FALSE;
            return true;
        // The session.
        case kOpCloseSourceManager:
            SetErrorCode(0);
            out.b = CloseSourceManager() != FALSE;
            return true;
        case kOpDisableSource:
            SetErrorCode(0);
            out.b = DisableSource() != FALSE;
            return true;
        case kOpCancelAllPendingTransfers:
            SetErrorCode(0);
            out.b = CancelAllPendingTransfers() != FALSE;
            return true;
        case kOpSetFileXferInfo: out.b = SetFileXferInfo(a[0].text.c_str(), a[1].i) != FALSE; return true;
        case kOpRewindPage: out.b = RewindPage() != FALSE; return true;
        case kOpFeedPage: out.b = FeedPage() != FALSE; return true;
        case kOpGetDeviceType:
            SetErrorCode(0);
            out.d = GetDeviceType();
            return true;
        // The capability work area.
        case kOpCapIfSupported: out.b = CapIfSupported(a[0].i) != FALSE; return true;
        case kOpGetCapItems: {
            double value = 0;
            GetCapItems(a[0].i, &value);
            out.d = value;
            return true;
        }
        case kOpSetCapItems: out.b = SetCapItems(static_cast<ULONG>(a[0].i), a[1].d) != FALSE; return true;
        case kOpGetCapItemsString: {
            const char* text = "";
            GetCapItemsString(a[0].i, &text);
            SetScriptString(result, text, FALSE);
            return true;
        }
        case kOpSetCapItemsString: out.b = SetCapItemsString(a[0].i, a[1].text.c_str()) != FALSE; return true;
        case kOpCapSetFrame: out.b = CapSetFrame(a[0].h, a[1].f, a[2].f, a[3].f, a[4].f) != FALSE; return true;
        case kOpSetImageLayout: out.b = SetImageLayout(a[0].f, a[1].f, a[2].f, a[3].f) != FALSE; return true;
        case kOpResetImageLayout: out.b = ResetImageLayout() != FALSE; return true;
        default: return false;
    }
}
