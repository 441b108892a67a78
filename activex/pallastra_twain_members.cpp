// The control's typed TWAIN members that the type library does not carry: the capability work
// area and its operations, the source settings, the image information and layout of the last
// transfer and the session calls. No member id leads here; C++ callers get the adapter rules of
// the script members, and the plug-in expands the same tables over the same engine operations.
#include "activex/pallastra.h"

namespace {

VARIANT_BOOL ToVariantBool(BOOL ok) { return ok ? VARIANT_TRUE : VARIANT_FALSE; }
LONG FromVariantBool(VARIANT_BOOL value) { return value == VARIANT_TRUE ? 1 : 0; }

}  // namespace

// ---- typed capability settings: gated gets, throw rule on failure ----

#define PALLASTRA_DEFINE_TWAIN_NUMBER(name)                                 \
    HRESULT CPallastra::get_##name(short* value) {                          \
        if (!m_userMode) return E_FAIL;                                     \
        SHORT answer = 0;                                                   \
        const BOOL ok = CTwainOperateWrapper::Get##name(&answer);           \
        if (value) *value = answer;                                         \
        return ThrowModeResult(!ok);                                        \
    }                                                                       \
    HRESULT CPallastra::put_##name(short value) {                           \
        return ThrowModeResult(!CTwainOperateWrapper::Set##name(value));    \
    }
LUMETTA_TWAIN_NUMBERS(PALLASTRA_DEFINE_TWAIN_NUMBER)
#undef PALLASTRA_DEFINE_TWAIN_NUMBER

#define PALLASTRA_DEFINE_TWAIN_READING(name)                                \
    HRESULT CPallastra::get_##name(VARIANT_BOOL* value) {                   \
        if (!m_userMode) return E_FAIL;                                     \
        BOOL on = FALSE;                                                    \
        const BOOL ok = CTwainOperateWrapper::Get##name(&on);               \
        if (value) *value = ToVariantBool(ok && on);                        \
        return ThrowModeResult(!ok);                                        \
    }
#define PALLASTRA_DEFINE_TWAIN_SWITCH(name)                                                     \
    PALLASTRA_DEFINE_TWAIN_READING(name)                                                        \
    HRESULT CPallastra::put_##name(VARIANT_BOOL value) {                                        \
        return ThrowModeResult(!CTwainOperateWrapper::Set##name(FromVariantBool(value)));       \
    }
LUMETTA_TWAIN_SWITCHES(PALLASTRA_DEFINE_TWAIN_SWITCH)
LUMETTA_TWAIN_READINGS(PALLASTRA_DEFINE_TWAIN_READING)
#undef PALLASTRA_DEFINE_TWAIN_SWITCH
#undef PALLASTRA_DEFINE_TWAIN_READING

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

#define PALLASTRA_DEFINE_CAP_OPERATION(name) \
    HRESULT CPallastra::name(VARIANT_BOOL* result) { return BoolResult(result, CTwainBase::name()); }
LUMETTA_TWAIN_CAP_OPERATIONS(PALLASTRA_DEFINE_CAP_OPERATION)
#undef PALLASTRA_DEFINE_CAP_OPERATION

#define PALLASTRA_DEFINE_AREA_VALUE(name, field)                                  \
    HRESULT CPallastra::get_##name(double* value) {                              \
        if (!m_userMode) return E_FAIL;                                          \
        return FieldGet(value, CapArea().field);                                 \
    }                                                                            \
    HRESULT CPallastra::put_##name(double value) {                               \
        CapArea().field = value;                                                 \
        SetErrorCode(0);                                                         \
        return S_OK;                                                             \
    }
LUMETTA_TWAIN_AREA_VALUES(PALLASTRA_DEFINE_AREA_VALUE)
#undef PALLASTRA_DEFINE_AREA_VALUE

HRESULT CPallastra::get_CapDefaultValue(double* value) {
    if (!m_userMode) return E_FAIL;
    return FieldGet(value, CapArea().rangeDefault);
}

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
    if (BSTRToString(value, text, TRUE)) {
        if (text.size() > kControlCapTextLength) text.resize(kControlCapTextLength);
        CTwainOperateWrapper::SetCapValueString(text.c_str());
    }
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
    if (item.size() > kControlCapTextLength) item.resize(kControlCapTextLength);
    return BoolResult(result, CTwainOperateWrapper::SetCapItemsString(index, item.c_str()));
}

#define PALLASTRA_DEFINE_FRAME_GETTER(name)                              \
    HRESULT CPallastra::name(short index, float* value) {                \
        float answer = 0;                                                \
        const BOOL ok = CTwainOperateWrapper::name(index, &answer);      \
        if (value) *value = answer;                                      \
        return ThrowModeResult(!ok);                                     \
    }
LUMETTA_TWAIN_FRAME_GETTERS(PALLASTRA_DEFINE_FRAME_GETTER)
#undef PALLASTRA_DEFINE_FRAME_GETTER

HRESULT CPallastra::CapSetFrame(short index, float left, float top, float right, float bottom, VARIANT_BOOL* result) {
    return BoolResult(result, CTwainOperateWrapper::CapSetFrame(index, left, top, right, bottom));
}

// ---- image layout ----

#define PALLASTRA_DEFINE_LAYOUT_READ(name)                                                                  \
    HRESULT CPallastra::name(float* left, float* top, float* right, float* bottom, VARIANT_BOOL* result) { \
        float frame[4] = {};                                                                                \
        const BOOL ok = CTwainBase::name(&frame[0], &frame[1], &frame[2], &frame[3]);                       \
        float* outputs[4] = {left, top, right, bottom};                                                     \
        for (int i = 0; i < 4; ++i)                                                                         \
            if (outputs[i]) *outputs[i] = ok ? frame[i] : 0.0f;                                             \
        return BoolResult(result, ok);                                                                      \
    }
LUMETTA_TWAIN_LAYOUT_READS(PALLASTRA_DEFINE_LAYOUT_READ)
#undef PALLASTRA_DEFINE_LAYOUT_READ

HRESULT CPallastra::SetImageLayout(float left, float top, float right, float bottom, VARIANT_BOOL* result) {
    return BoolResult(result, CTwainBase::SetImageLayout(left, top, right, bottom));
}
HRESULT CPallastra::ResetImageLayout(VARIANT_BOOL* result) { return BoolResult(result, CTwainBase::ResetImageLayout()); }

// ---- the last transfer's image information: field reads ----

#define PALLASTRA_DEFINE_IMAGE_FLOAT(name, read)       \
    HRESULT CPallastra::get_##name(float* value) {     \
        if (!m_userMode) return E_FAIL;                \
        return FieldGet(value, read);                  \
    }
LUMETTA_TWAIN_IMAGE_FLOATS(PALLASTRA_DEFINE_IMAGE_FLOAT)
#undef PALLASTRA_DEFINE_IMAGE_FLOAT
#define PALLASTRA_DEFINE_IMAGE_NUMBER(name, type, read)         \
    HRESULT CPallastra::get_##name(type* value) {               \
        if (!m_userMode) return E_FAIL;                         \
        return FieldGet(value, static_cast<type>(read));        \
    }
LUMETTA_TWAIN_IMAGE_NUMBERS(PALLASTRA_DEFINE_IMAGE_NUMBER)
#undef PALLASTRA_DEFINE_IMAGE_NUMBER

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
