// The control's TWAIN members that the type library does not carry and that core/device_members.table
// does not list: the capability work area's selection, items and texts, the source settings, the
// image layout's writes and the session calls. No member id leads here; C++ callers get the adapter
// rules of the script members.
#include "activex/pallastra.h"

namespace {

VARIANT_BOOL ToVariantBool(BOOL ok) { return ok ? VARIANT_TRUE : VARIANT_FALSE; }
LONG FromVariantBool(VARIANT_BOOL value) { return value == VARIANT_TRUE ? 1 : 0; }

}  // namespace

HRESULT CPallastra::get_Resolution(float* value) {
    if (!m_userMode) return E_FAIL;
    float answer = 0;
    const BOOL ok = CTwainOperateWrapper::GetResolution(&answer);
    if (value) *value = answer;
    return ThrowModeResult(!ok);
}
HRESULT CPallastra::put_Resolution(float value) { return ThrowModeResult(!CTwainOperateWrapper::SetResolution(value)); }

HRESULT CPallastra::get_Duplex(long* value) {
    if (!m_userMode) return E_FAIL;
    LONG answer = 0;
    const BOOL ok = CTwainOperateWrapper::GetDuplex(&answer);
    if (value) *value = answer;
    return ThrowModeResult(!ok);
}

HRESULT CPallastra::RewindPage(VARIANT_BOOL* result) { return BoolResult(result, CTwainOperateWrapper::RewindPage()); }
HRESULT CPallastra::FeedPage(VARIANT_BOOL* result) { return BoolResult(result, CTwainOperateWrapper::FeedPage()); }

HRESULT CPallastra::GetDeviceType(long* value) {
    SetErrorCode(0);
    const LONG type = CTwainOperateWrapper::GetDeviceType();
    if (value) *value = type;
    return S_OK;
}

// ---- the capability work area ----

HRESULT CPallastra::get_Capability(long* value) {
    if (!m_userMode) return E_FAIL;
    return FieldGet(value, static_cast<long>(CTwainBase::GetCapability()));
}
HRESULT CPallastra::put_Capability(long value) { return ThrowModeResult(!CTwainBase::SetCapability(value)); }

HRESULT CPallastra::get_CapType(short* value) {
    if (!m_userMode) return E_FAIL;
    return FieldGet(value, static_cast<short>(CTwainBase::GetCapType()));
}
HRESULT CPallastra::put_CapType(short value) { return ThrowModeResult(!CTwainBase::SetCapType(value)); }

HRESULT CPallastra::get_CapValueType(short* value) {
    return FieldGet(value, static_cast<short>(CapArea().itemType));
}
HRESULT CPallastra::put_CapValueType(short value) {
    CapArea().itemType = static_cast<TW_UINT16>(value);
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_CapCurrentIndex(long* value) {
    if (!m_userMode) return E_FAIL;
    return FieldGet(value, static_cast<long>(CapArea().enumCurrent));
}
HRESULT CPallastra::put_CapCurrentIndex(long value) {
    CapArea().enumCurrent = static_cast<TW_UINT32>(value);
    SetErrorCode(0);
    return S_OK;
}
HRESULT CPallastra::get_CapDefaultIndex(long* value) {
    if (!m_userMode) return E_FAIL;
    return FieldGet(value, static_cast<long>(CapArea().enumDefault));
}

HRESULT CPallastra::get_CapNumItems(long* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return E_POINTER;
    *value = CTwainBase::GetCapNumItems();
    return S_OK;
}
HRESULT CPallastra::put_CapNumItems(long value) { return ThrowModeResult(!CTwainBase::SetCapNumItems(value)); }

HRESULT CPallastra::get_CapValueString(BSTR* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return E_POINTER;
    CapArea().oneString[kCapStringSize - 1] = '\0';
    AnsiToBSTR(value, CapArea().oneString, TRUE);
    return S_OK;
}
// The control keeps at most 254 characters of a capability text (the plug-in 255).
constexpr size_t kControlCapTextLength = 254;

HRESULT CPallastra::put_CapValueString(BSTR value) {
    std::string text;
    if (BSTRToString(value, text, TRUE)) CTwainOperateWrapper::SetCapValueString(text.c_str(), kControlCapTextLength);
    return S_OK;
}

HRESULT CPallastra::CapIfSupported(long mask, VARIANT_BOOL* result) {
    return BoolResult(result, CTwainBase::CapIfSupported(mask));
}

HRESULT CPallastra::GetCapItems(long index, double* value) {
    if (!m_userMode) return E_FAIL;
    double answer = 0;
    const BOOL ok = CTwainOperateWrapper::GetCapItems(index, &answer);
    if (value) *value = answer;
    return ThrowModeResult(!ok);
}

HRESULT CPallastra::SetCapItems(long index, double value, VARIANT_BOOL* result) {
    return BoolResult(result, CTwainOperateWrapper::SetCapItems(static_cast<ULONG>(index), value));
}

HRESULT CPallastra::GetCapItemsString(long index, BSTR* text) {
    if (!m_userMode) return E_FAIL;
    if (!text) return E_POINTER;
    *text = nullptr;
    const char* item = "";
    const BOOL ok = CTwainOperateWrapper::GetCapItemsString(index, &item);
    AnsiToBSTR(text, item, FALSE);
    return ThrowModeResult(!ok);
}

HRESULT CPallastra::SetCapItemsString(long index, BSTR text, VARIANT_BOOL* result) {
    std::string item;
    if (!BSTRToString(text, item, TRUE)) return BoolResult(result, FALSE);
    return BoolResult(result, CTwainOperateWrapper::SetCapItemsString(index, item.c_str(), kControlCapTextLength));
}

HRESULT CPallastra::CapSetFrame(short index, float left, float top, float right, float bottom, VARIANT_BOOL* result) {
    return BoolResult(result, CTwainOperateWrapper::CapSetFrame(index, left, top, right, bottom));
}

// ---- image layout ----

HRESULT CPallastra::SetImageLayout(float left, float top, float right, float bottom, VARIANT_BOOL* result) {
    return BoolResult(result, CTwainBase::SetImageLayout(left, top, right, bottom));
}
HRESULT CPallastra::ResetImageLayout(VARIANT_BOOL* result) { return BoolResult(result, CTwainBase::ResetImageLayout()); }

// ---- session ----

HRESULT CPallastra::get_DataSourceStatus(long* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return E_POINTER;
    *value = CTwainBase::DataSourceStatus();
    return S_OK;
}

HRESULT CPallastra::get_TransferMode(short* value) {
    if (!m_userMode) return E_FAIL;
    return FieldGet(value, static_cast<short>(CTwainBase::GetTransferMode()));
}
HRESULT CPallastra::put_TransferMode(short value) { return ThrowModeResult(!CTwainBase::SetTransferMode(value)); }

HRESULT CPallastra::SetFileXferInfo(BSTR fileName, long format, VARIANT_BOOL* result) {
    char name[256];
    if (!BSTRToBuffer(fileName, name, sizeof name, TextFit::Refuse, TRUE)) return BoolResult(result, FALSE);
    return BoolResult(result, CTwainBase::SetFileXferInfo(name, format));
}

HRESULT CPallastra::get_IfUseTwainDSM(VARIANT_BOOL* value) {
    return FieldGet(value, ToVariantBool(GetIfUseTwainDSM() != 0));
}
HRESULT CPallastra::put_IfUseTwainDSM(VARIANT_BOOL value) {
    SetIfUseTwainDSM(FromVariantBool(value));
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_IfHookMessage(VARIANT_BOOL* value) { return FieldGet(value, ToVariantBool(GetHookOption() != 0)); }
HRESULT CPallastra::put_IfHookMessage(VARIANT_BOOL value) {
    SetHookOption(FromVariantBool(value));
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::OpenSourceManager(VARIANT_BOOL* result) { return BoolResult(result, RoutedOpenSourceManager()); }

HRESULT CPallastra::SourceNameItems(short index, BSTR* value) { return GetSourceNameItems(index, value); }
