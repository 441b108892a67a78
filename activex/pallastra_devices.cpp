// The ILumetta members of sources and cameras: routed to the TWAIN source or the webcam by the
// engine (core/source_routing.cpp), the webcam format lists and the 17 camera property families.
#include "activex/pallastra.h"

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

// ---- webcam frame rates (the format lists and camera families: pallastra_device_members_generated.cpp) ----

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
