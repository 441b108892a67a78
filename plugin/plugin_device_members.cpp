// Script members of the plug-in: the TWAIN sources, capabilities, settings and image information, and the webcam.
// The members of core/device_members.table are one case line each (plugin_device_*_generated.inc),
// converting to and from the core function the control calls too; the rest are written here.
#include "core/camera_members_generated.h"
#include "core/operation_name_table.h"
#include "plugin/browser_functions.h"
#include "plugin/plugin_instance.h"

namespace {

// A core getter's answer through its out-pointer, into the script value's field of its type.
template <typename Field, typename Engine, typename Class, typename Value>
bool Answer(Field& field, Engine& engine, BOOL (Class::*read)(Value*)) {
    Value value{};
    (engine.*read)(&value);
    field = static_cast<Field>(value);
    return true;
}

// The same through a camera member's function (core/camera_members_generated.h).
template <typename Field, typename Value>
bool Answer(Field& field, CBrowserAddOnBase& engine, BOOL (*read)(CBrowserAddOnBase&, Value*)) {
    Value value{};
    read(engine, &value);
    field = static_cast<Field>(value);
    return true;
}

// A frame member of a work-area item.
template <typename Engine, typename Class>
bool FrameAnswer(float& field, Engine& engine, BOOL (Class::*read)(LONG, float*), SHORT index) {
    float value = 0;
    (engine.*read)(index, &value);
    field = value;
    return true;
}

// Writes a number into the "value" property of an out-object the page passed (none: nothing).
void SetOutValue(NPP record, NPObject* object, double value) {
    if (!record || !object) return;
    NPVariant v;
    DOUBLE_TO_NPVARIANT(value, v);
    NPN_SetProperty(record, object, NPN_GetStringIdentifier("value"), &v);
}

// An image layout into the page's four out-objects (zeros when the read failed) and the result.
template <typename Engine, typename Class>
bool LayoutAnswer(NPP record, ScriptValue& out, const std::vector<ScriptValue>& a, Engine& engine,
                  BOOL (Class::*read)(float*, float*, float*, float*)) {
    float left = 0, top = 0, right = 0, bottom = 0;
    out.b = (engine.*read)(&left, &top, &right, &bottom) != FALSE;
    if (!out.b) left = top = right = bottom = 0;
    SetOutValue(record, a[0].object, left);
    SetOutValue(record, a[1].object, top);
    SetOutValue(record, a[2].object, right);
    SetOutValue(record, a[3].object, bottom);
    return true;
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
#include "plugin/plugin_device_reads_generated.inc"
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
        case kOpManufacturer: SetScriptString(result, Manufacturer(), TRUE); return true;
        case kOpProductFamily: SetScriptString(result, ProductFamily(), TRUE); return true;
        case kOpProductName: SetScriptString(result, ProductName(), TRUE); return true;
        case kOpVersionInfo: SetScriptString(result, VersionInfo(), TRUE); return true;
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
#include "plugin/plugin_camera_reads_generated.inc"
        case kOpFrameRateListCount: out.i = FrameRateListCount(); return true;
        case kOpFrameRate: out.i = FrameRate(); return true;
        default: return false;
    }
}

bool PluginInstance::WriteDeviceProperty(int op, const ScriptValue& v) {
    switch (op) {
#include "plugin/plugin_device_writes_generated.inc"
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
        case kOpManufacturer: Manufacturer(v.text); return true;
        case kOpProductFamily: ProductFamily(v.text); return true;
        case kOpProductName: ProductName(v.text); return true;
        case kOpVersionInfo: VersionInfo(v.text); return true;
        default: return false;
    }
}

bool PluginInstance::RunDeviceMethod(int op, const std::vector<ScriptValue>& a, ScriptValue& out, NPVariant* result) {
    switch (op) {
#include "plugin/plugin_device_methods_generated.inc"
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
