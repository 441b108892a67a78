// The ILumetta members of sources and cameras: routed to the TWAIN source or the webcam by the
// engine (core/source_routing.cpp), the webcam format lists and the 17 camera property families.
#include "activex/pallastra.h"

namespace {

VARIANT_BOOL ToVariantBool(BOOL ok) { return ok ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace

HRESULT CPallastra::SelectSourceByIndex(short index, VARIANT_BOOL* result) {
    return BoolResult(result, RoutedSelectSourceByIndex(index));
}

HRESULT CPallastra::get_DefaultSourceName(BSTR* value) {
    if (!m_userMode) return E_FAIL;
    if (value) *value = nullptr;
    RoutedDefaultSourceName(value);
    return S_OK;
}

HRESULT CPallastra::get_CurrentSourceName(BSTR* value) {
    if (!m_userMode) return E_FAIL;
    if (value) *value = nullptr;
    RoutedCurrentSourceName(value);
    return S_OK;
}

HRESULT CPallastra::get_SourceCount(short* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return E_POINTER;
    *value = static_cast<short>(RoutedSourceCount());
    return S_OK;
}

HRESULT CPallastra::GetSourceNameItems(short index, BSTR* value) {
    if (!m_userMode) return E_FAIL;
    if (value) *value = nullptr;
    RoutedSourceNameItems(index, value);
    return S_OK;
}

HRESULT CPallastra::SetVideoContainer(int window, VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::SetVideoContainer(reinterpret_cast<HWND>(static_cast<INT_PTR>(window))));
}

HRESULT CPallastra::DisplayPropertyPage(int window, VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::DisplayPropertyPage(reinterpret_cast<HWND>(static_cast<INT_PTR>(window))));
}

// ---- webcam format lists ----

#define PALLASTRA_DEFINE_TEXT_LIST(count, item, select, current)                          \
    HRESULT CPallastra::get_##count(int* value) {                                          \
        if (!m_userMode) return E_FAIL;                                                    \
        if (!value) return E_POINTER;                                                      \
        *value = CBrowserAddOnBase::count();                                               \
        return S_OK;                                                                       \
    }                                                                                      \
    HRESULT CPallastra::item(int index, BSTR* value) {                                     \
        if (!m_userMode) return E_FAIL;                                                    \
        if (value) *value = nullptr;                                                       \
        CBrowserAddOnBase::item(index, value);                                             \
        return S_OK;                                                                       \
    }                                                                                      \
    HRESULT CPallastra::select(int index, VARIANT_BOOL* result) {                          \
        return BoolResult(result, CBrowserAddOnBase::select(index));                       \
    }                                                                                      \
    HRESULT CPallastra::get_##current(BSTR* value) {                                       \
        if (!m_userMode) return E_FAIL;                                                    \
        if (value) *value = nullptr;                                                       \
        CBrowserAddOnBase::current(value);                                                 \
        return S_OK;                                                                       \
    }
LUMETTA_CAMERA_TEXT_LISTS(PALLASTRA_DEFINE_TEXT_LIST)
#undef PALLASTRA_DEFINE_TEXT_LIST

HRESULT CPallastra::get_FrameRateListCount(int* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return E_POINTER;
    *value = CBrowserAddOnBase::FrameRateListCount();
    return S_OK;
}

HRESULT CPallastra::GetFrameRateByIndex(int index, long* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return E_POINTER;
    *value = CBrowserAddOnBase::GetFrameRateByIndex(index);
    return S_OK;
}

HRESULT CPallastra::SelectFrameRateByIndex(int index, VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::SelectFrameRateByIndex(index));
}

HRESULT CPallastra::get_FrameRate(long* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return E_POINTER;
    *value = CBrowserAddOnBase::FrameRate();
    return S_OK;
}

// ---- camera property families ----

#define PALLASTRA_DEFINE_LIMIT(name, type, strict, suffix, limit)                               \
    HRESULT CPallastra::get_##name##suffix(type* value) {                                        \
        if (!m_userMode) return E_FAIL;                                                          \
        LONG answer = 0;                                                                         \
        GetCameraFamilyLimit(CameraFamily::name, CameraLimit::limit, &answer);                   \
        if (value) *value = static_cast<type>(answer);                                           \
        return strict ? ErrorCodeResult() : S_OK;                                                \
    }
#define PALLASTRA_DEFINE_FAMILY(name, type, automatic, strict)                                   \
    HRESULT CPallastra::get_##name(type* value) {                                                \
        if (!m_userMode) return E_FAIL;                                                          \
        double answer = 0;                                                                       \
        GetCameraFamilyValue(CameraFamily::name, &answer);                                       \
        if (value) *value = static_cast<type>(answer);                                           \
        return strict ? ErrorCodeResult() : S_OK;                                                \
    }                                                                                            \
    HRESULT CPallastra::put_##name(type value) {                                                 \
        SetCameraFamilyValue(CameraFamily::name, static_cast<double>(value));                    \
        return strict ? ErrorCodeResult() : S_OK;                                                \
    }                                                                                            \
    PALLASTRA_DEFINE_LIMIT(name, type, strict, MinValue, Minimum)                                \
    PALLASTRA_DEFINE_LIMIT(name, type, strict, MaxValue, Maximum)                                \
    PALLASTRA_DEFINE_LIMIT(name, type, strict, StepDelta, Step)                                  \
    PALLASTRA_DEFINE_LIMIT(name, type, strict, DefaultValue, Default)                            \
    HRESULT CPallastra::get_##automatic(VARIANT_BOOL* value) {                                   \
        if (!m_userMode) return E_FAIL;                                                          \
        BOOL on = FALSE;                                                                         \
        GetCameraFamilyAuto(CameraFamily::name, &on);                                            \
        if (value) *value = ToVariantBool(on);                                                   \
        return strict ? ErrorCodeResult() : S_OK;                                                \
    }                                                                                            \
    HRESULT CPallastra::put_##automatic(VARIANT_BOOL value) {                                    \
        SetCameraFamilyAuto(CameraFamily::name, value == VARIANT_TRUE ? 1 : 0);                  \
        return strict ? ErrorCodeResult() : S_OK;                                                \
    }
LUMETTA_CAMERA_FAMILIES(PALLASTRA_DEFINE_FAMILY)
#undef PALLASTRA_DEFINE_FAMILY
#undef PALLASTRA_DEFINE_LIMIT

// ---- the source kinds setting, reached by name ----

namespace {
constexpr DISPID kDispIdSupportedDeviceType = 10001;
}  // namespace

HRESULT CPallastra::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) {
    if (names && ids && count == 1 && names[0] && lstrcmpiW(names[0], L"SupportedDeviceType") == 0) {
        ids[0] = kDispIdSupportedDeviceType;
        return S_OK;
    }
    return LumettaDispatchDefaults::GetIDsOfNames(iid, names, count, locale, ids);
}

HRESULT CPallastra::Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                           EXCEPINFO* error, UINT* argError) {
    if (id != kDispIdSupportedDeviceType)
        return LumettaDispatchDefaults::Invoke(id, iid, locale, flags, params, result, error, argError);
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        VARIANT value;
        VariantInit(&value);
        if (FAILED(VariantChangeType(&value, &params->rgvarg[0], 0, VT_I4))) return DISP_E_TYPEMISMATCH;
        SetSupportedDeviceType(value.lVal);
        return S_OK;
    }
    SetErrorCode(0);
    if (result) {
        VariantInit(result);
        result->vt = VT_I4;
        result->lVal = GetSupportedDeviceType();
    }
    return S_OK;
}
