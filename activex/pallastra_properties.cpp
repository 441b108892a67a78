// The ILumetta properties that the control implements itself: the error and throw-mode members,
// the engine fields the persisted properties reach, and the settings the control keeps.
#include <cstring>

#include "activex/pallastra.h"

namespace {

VARIANT_BOOL ToVariantBool(LONG flag) { return flag == 1 ? VARIANT_TRUE : VARIANT_FALSE; }
LONG FromVariantBool(VARIANT_BOOL value) { return value == VARIANT_TRUE ? 1 : 0; }


}  // namespace


HRESULT CPallastra::get_ErrorCode(long* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return E_POINTER;
    *value = GetErrorCode();
    return S_OK;
}

HRESULT CPallastra::get_IfThrowException(VARIANT_BOOL* value) { return FieldGet(value, static_cast<VARIANT_BOOL>(ToVariantBool(m_ifThrowException))); }

HRESULT CPallastra::put_IfThrowException(VARIANT_BOOL value) {
    m_ifThrowException = FromVariantBool(value);
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_CurrentHWND(int* value) { return FieldGet(value, static_cast<int>(static_cast<int>(reinterpret_cast<INT_PTR>(ControlWindow())))); }

HRESULT CPallastra::get_IfShowUI(VARIANT_BOOL* value) { return FieldGet(value, static_cast<VARIANT_BOOL>(GetRoutedShowUI() ? VARIANT_TRUE : VARIANT_FALSE)); }

HRESULT CPallastra::put_IfShowUI(VARIANT_BOOL value) {
    SetRoutedShowUI(FromVariantBool(value));
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_MaxImagesInBuffer(short* value) {
    if (!value) return E_POINTER;
    *value = GetMaxImagesInBuffer();
    return S_OK;
}

HRESULT CPallastra::put_MaxImagesInBuffer(short value) {
    const BOOL ok = SetMaxImagesInBuffer(value);
    if (ok) m_viewer.SetCapacity(value);
    return ThrowModeResult(!ok);
}

HRESULT CPallastra::get_HowManyImagesInBuffer(short* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return E_POINTER;
    *value = GetImageCount();
    return S_OK;
}

HRESULT CPallastra::get_IfAppendImage(VARIANT_BOOL* value) { return FieldGet(value, static_cast<VARIANT_BOOL>(GetIfAppendImage() ? VARIANT_TRUE : VARIANT_FALSE)); }

HRESULT CPallastra::put_IfAppendImage(VARIANT_BOOL value) {
    SetIfAppendImage(FromVariantBool(value));
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_BlankImageThreshold(int* value) { return FieldGet(value, static_cast<int>(GetBlankImageThreshold())); }

HRESULT CPallastra::put_BlankImageThreshold(int value) {
    SetBlankImageThreshold(value);
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_BlankImageMaxStdDev(float* value) { return FieldGet(value, static_cast<float>(GetBlankImageMaxStdDev())); }

HRESULT CPallastra::put_BlankImageMaxStdDev(float value) {
    SetErrorCode(0);
    if (value != value) {  // NaN passes every clamp
        SetErrorCode(kErrInvalidValue);
        return ThrowModeResult(true);
    }
    SetBlankImageMaxStdDev(value);
    return S_OK;
}

HRESULT CPallastra::get_BackgroundFillColor(long* value) { return FieldGet(value, static_cast<long>(static_cast<long>(GetBackgroundFillColor()))); }

HRESULT CPallastra::put_BackgroundFillColor(long value) {
    SetBackgroundFillColor(static_cast<DWORD>(value));
    SetErrorCode(0);
    return S_OK;
}

// The application identity: puts copy only while the source manager is closed. The control
// keeps at most 31 characters of a text, cut at a character boundary.
HRESULT CPallastra::get_Manufacturer(BSTR* value) {
    if (!value) return E_POINTER;
    SetScriptString(value, CBrowserAddOnBase::Manufacturer(), TRUE);
    return S_OK;
}

HRESULT CPallastra::put_Manufacturer(BSTR value) {
    char text[32];
    if (BSTRToBuffer(value, text, sizeof(text), TextFit::Cut, TRUE)) CBrowserAddOnBase::Manufacturer(text);
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_ProductFamily(BSTR* value) {
    if (!value) return E_POINTER;
    SetScriptString(value, CBrowserAddOnBase::ProductFamily(), TRUE);
    return S_OK;
}

HRESULT CPallastra::put_ProductFamily(BSTR value) {
    char text[32];
    if (BSTRToBuffer(value, text, sizeof(text), TextFit::Cut, TRUE)) CBrowserAddOnBase::ProductFamily(text);
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_ProductName(BSTR* value) {
    if (!value) return E_POINTER;
    SetScriptString(value, CBrowserAddOnBase::ProductName(), TRUE);
    return S_OK;
}

HRESULT CPallastra::put_ProductName(BSTR value) {
    char text[32];
    if (BSTRToBuffer(value, text, sizeof(text), TextFit::Cut, TRUE)) CBrowserAddOnBase::ProductName(text);
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_VersionInfo(BSTR* value) {
    if (!value) return E_POINTER;
    SetScriptString(value, CBrowserAddOnBase::VersionInfo(), TRUE);
    return S_OK;
}

HRESULT CPallastra::put_VersionInfo(BSTR value) {
    char text[32];
    if (BSTRToBuffer(value, text, sizeof(text), TextFit::Cut, TRUE)) CBrowserAddOnBase::VersionInfo(text);
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_BorderStyle(enumBORDER_STYLE* value) {
    return FieldGet(value, static_cast<enumBORDER_STYLE>(CBrowserAddOnBase::BorderStyle()));
}

HRESULT CPallastra::put_BorderStyle(enumBORDER_STYLE value) {
    const BOOL ok = CBrowserAddOnBase::BorderStyle(static_cast<LONG>(value));
    if (ok) FireViewChange();
    return ThrowModeResult(!ok);
}

HRESULT CPallastra::get_IfFitWindow(VARIANT_BOOL* value) {
    return FieldGet(value, static_cast<VARIANT_BOOL>(ToVariantBool(IfFitWindow())));
}

HRESULT CPallastra::put_IfFitWindow(VARIANT_BOOL value) {
    IfFitWindow(FromVariantBool(value));
    FireViewChange();
    return S_OK;
}

// Viewer fields read and written as they are (R/R).
HRESULT CPallastra::get_FitWindowType(short* value) { return FieldGet(value, static_cast<short>(FitWindowType())); }

HRESULT CPallastra::put_FitWindowType(short value) {
    FitWindowType(value);
    return S_OK;
}

HRESULT CPallastra::get_ImageMargin(short* value) { return FieldGet(value, static_cast<short>(ImageMargin())); }

HRESULT CPallastra::put_ImageMargin(short value) {
    ImageMargin(value);
    return S_OK;
}

HRESULT CPallastra::get_SelectionImageBorderColor(long* value) { return FieldGet(value, static_cast<long>(SelectionImageBorderColor())); }

HRESULT CPallastra::put_SelectionImageBorderColor(long value) {
    SelectionImageBorderColor(value);
    return S_OK;
}

HRESULT CPallastra::get_BackgroundColor(long* value) { return FieldGet(value, static_cast<long>(BackgroundColor())); }

HRESULT CPallastra::put_BackgroundColor(long value) {
    BackgroundColor(value);
    return S_OK;
}

// MouseShape passes the 16-bit value through unchanged, both ways.
HRESULT CPallastra::get_MouseShape(VARIANT_BOOL* value) { return FieldGet(value, static_cast<VARIANT_BOOL>(MouseShape())); }

HRESULT CPallastra::put_MouseShape(VARIANT_BOOL value) {
    MouseShape(value);
    return S_OK;
}

HRESULT CPallastra::get_EnableInteractiveZoom(VARIANT_BOOL* value) {
    return FieldGet(value, static_cast<VARIANT_BOOL>(EnableInteractiveZoom() ? VARIANT_TRUE : VARIANT_FALSE));
}

HRESULT CPallastra::put_EnableInteractiveZoom(VARIANT_BOOL value) {
    EnableInteractiveZoom(FromVariantBool(value));
    return S_OK;
}

HRESULT CPallastra::get_VScrollBar(VARIANT_BOOL* value) {
    return FieldGet(value, static_cast<VARIANT_BOOL>(VScrollBar() ? VARIANT_TRUE : VARIANT_FALSE));
}

HRESULT CPallastra::put_VScrollBar(VARIANT_BOOL value) { return ThrowModeResult(!VScrollBar(FromVariantBool(value))); }

HRESULT CPallastra::get_AllowMultiSelect(VARIANT_BOOL* value) {
    return FieldGet(value, static_cast<VARIANT_BOOL>(AllowMultiSelect() ? VARIANT_TRUE : VARIANT_FALSE));
}

HRESULT CPallastra::put_AllowMultiSelect(VARIANT_BOOL value) {
    AllowMultiSelect(FromVariantBool(value));
    return S_OK;
}
