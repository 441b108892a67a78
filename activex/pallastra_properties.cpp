// The ILumetta properties that the control implements itself: the error and throw-mode members,
// the engine fields the persisted properties reach, and the settings the control keeps.
#include <cstring>

#include "activex/pallastra.h"

namespace {

VARIANT_BOOL ToVariantBool(LONG flag) { return flag == 1 ? VARIANT_TRUE : VARIANT_FALSE; }
LONG FromVariantBool(VARIANT_BOOL value) { return value == VARIANT_TRUE ? 1 : 0; }

// A script text into a fixed narrow buffer of the engine (system code page, cut, terminated).
void CopyToBuffer(char* buffer, size_t size, BSTR text) {
    char converted[1024] = {};
    if (text) WideCharToMultiByte(CP_ACP, 0, text, -1, converted, sizeof(converted) - 1, nullptr, nullptr);
    strncpy(buffer, converted, size - 1);
    buffer[size - 1] = '\0';
}

HRESULT KeptGet(short field, short* value) { return value ? (*value = field, S_OK) : E_POINTER; }
HRESULT KeptGet(long field, long* value) { return value ? (*value = field, S_OK) : E_POINTER; }
HRESULT KeptGet(int field, int* value) { return value ? (*value = field, S_OK) : E_POINTER; }
HRESULT KeptGet(LONG field, VARIANT_BOOL* value) { return value ? (*value = field ? VARIANT_TRUE : VARIANT_FALSE, S_OK) : E_POINTER; }
template <typename E>
HRESULT KeptGet(E field, E* value) { return value ? (*value = field, S_OK) : E_POINTER; }
HRESULT KeptGet(const std::wstring& field, BSTR* value) {
    if (!value) return E_POINTER;
    BSTR copy = SysAllocStringLen(field.c_str(), static_cast<UINT>(field.size()));
    if (!copy) return E_OUTOFMEMORY;
    SysFreeString(*value);
    *value = copy;
    return S_OK;
}

void KeptPut(short& field, short value) { field = value; }
void KeptPut(long& field, long value) { field = value; }
void KeptPut(int& field, int value) { field = value; }
void KeptPut(LONG& field, VARIANT_BOOL value) { field = FromVariantBool(value); }
template <typename E>
void KeptPut(E& field, E value) { field = value; }
void KeptPut(std::wstring& field, BSTR value) { field.assign(value ? value : L"", value ? SysStringLen(value) : 0); }

}  // namespace

#define PALLASTRA_DEFINE_KEPT(name, kind, field, initial)                   \
    HRESULT CPallastra::get_##name(Pallastra##kind* value) {                \
        HRESULT hr = KeptGet(m_kept.field, value);                          \
        if (SUCCEEDED(hr)) SetErrorCode(0);                                 \
        return hr;                                                          \
    }                                                                       \
    HRESULT CPallastra::put_##name(Pallastra##kind value) {                 \
        KeptPut(m_kept.field, value);                                       \
        SetErrorCode(0);                                                    \
        return S_OK;                                                        \
    }
PALLASTRA_KEPT_PROPERTIES(PALLASTRA_DEFINE_KEPT)
#undef PALLASTRA_DEFINE_KEPT

HRESULT CPallastra::get_ErrorCode(long* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return E_POINTER;
    *value = GetErrorCode();
    return S_OK;
}

HRESULT CPallastra::get_IfThrowException(VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    *value = ToVariantBool(m_ifThrowException);
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::put_IfThrowException(VARIANT_BOOL value) {
    m_ifThrowException = FromVariantBool(value);
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_CurrentHWND(int* value) {
    if (!value) return E_POINTER;
    *value = static_cast<int>(reinterpret_cast<INT_PTR>(ControlWindow()));
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_IfShowUI(VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    *value = ToVariantBool(m_ifShowUI);
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::put_IfShowUI(VARIANT_BOOL value) {
    m_ifShowUI = FromVariantBool(value);
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_MaxImagesInBuffer(short* value) {
    if (!value) return E_POINTER;
    *value = GetMaxImagesInBuffer();
    return S_OK;
}

HRESULT CPallastra::put_MaxImagesInBuffer(short value) { return ThrowModeResult(!SetMaxImagesInBuffer(value)); }

HRESULT CPallastra::get_HowManyImagesInBuffer(short* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return E_POINTER;
    *value = GetImageCount();
    return S_OK;
}

HRESULT CPallastra::get_IfAppendImage(VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    *value = GetIfAppendImage() ? VARIANT_TRUE : VARIANT_FALSE;
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::put_IfAppendImage(VARIANT_BOOL value) {
    SetIfAppendImage(FromVariantBool(value));
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_BlankImageThreshold(int* value) {
    if (!value) return E_POINTER;
    *value = GetBlankImageThreshold();
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::put_BlankImageThreshold(int value) {
    SetBlankImageThreshold(value);
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_BlankImageMaxStdDev(float* value) {
    if (!value) return E_POINTER;
    *value = GetBlankImageMaxStdDev();
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::put_BlankImageMaxStdDev(float value) {
    SetBlankImageMaxStdDev(value);
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_BackgroundFillColor(long* value) {
    if (!value) return E_POINTER;
    *value = static_cast<long>(GetBackgroundFillColor());
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::put_BackgroundFillColor(long value) {
    SetBackgroundFillColor(static_cast<DWORD>(value));
    SetErrorCode(0);
    return S_OK;
}

// The application identity: puts copy only while the source manager is closed.
#define PALLASTRA_IDENTITY(name, field)                                                      \
    HRESULT CPallastra::get_##name(BSTR* value) {                                            \
        if (!value) return E_POINTER;                                                        \
        SetScriptString(value, m_appIdentity.field, TRUE);                                   \
        return S_OK;                                                                         \
    }                                                                                        \
    HRESULT CPallastra::put_##name(BSTR value) {                                             \
        if (!IsSourceManagerOpen()) CopyToBuffer(m_appIdentity.field, sizeof(m_appIdentity.field), value); \
        SetErrorCode(0);                                                                     \
        return S_OK;                                                                         \
    }
PALLASTRA_IDENTITY(Manufacturer, Manufacturer)
PALLASTRA_IDENTITY(ProductFamily, ProductFamily)
PALLASTRA_IDENTITY(ProductName, ProductName)
PALLASTRA_IDENTITY(VersionInfo, Version.Info)
#undef PALLASTRA_IDENTITY

HRESULT CPallastra::get_BorderStyle(enumBORDER_STYLE* value) {
    if (!value) return E_POINTER;
    *value = static_cast<enumBORDER_STYLE>(m_viewer.GetBorderStyle());
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::put_BorderStyle(enumBORDER_STYLE value) {
    if (static_cast<unsigned>(value) > static_cast<unsigned>(enumBORDER_STYLE::Single3D)) {
        SetErrorCode(-1034);
        return ThrowModeResult(true);
    }
    m_viewer.SetBorderStyle(static_cast<int>(value));
    FireViewChange();
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_IfFitWindow(VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    *value = ToVariantBool(m_viewer.GetIfFitWindow());
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::put_IfFitWindow(VARIANT_BOOL value) {
    m_viewer.SetIfFitWindow(FromVariantBool(value));
    FireViewChange();
    SetErrorCode(0);
    return S_OK;
}

// Viewer fields read and written as they are (R/R).
#define PALLASTRA_VIEWER_FIELD(name, type, read, write)  \
    HRESULT CPallastra::get_##name(type* value) {          \
        if (!value) return E_POINTER;                      \
        *value = static_cast<type>(m_viewer.read());       \
        SetErrorCode(0);                                   \
        return S_OK;                                       \
    }                                                      \
    HRESULT CPallastra::put_##name(type value) {           \
        m_viewer.write(value);                             \
        SetErrorCode(0);                                   \
        return S_OK;                                       \
    }
PALLASTRA_VIEWER_FIELD(FitWindowType, short, GetFitWindowType, SetFitWindowType)
PALLASTRA_VIEWER_FIELD(ImageMargin, short, GetImageMargin, SetImageMargin)
PALLASTRA_VIEWER_FIELD(SelectionImageBorderColor, long, GetSelectionImageBorderColor, SetSelectionImageBorderColor)
PALLASTRA_VIEWER_FIELD(BackgroundColor, long, GetBackgroundColor, SetBackgroundColor)
#undef PALLASTRA_VIEWER_FIELD

// MouseShape passes the 16-bit value through unchanged, both ways.
HRESULT CPallastra::get_MouseShape(VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    *value = static_cast<VARIANT_BOOL>(m_viewer.GetMouseShape());
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::put_MouseShape(VARIANT_BOOL value) {
    m_viewer.SetMouseShape(value);
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_EnableInteractiveZoom(VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    *value = m_viewer.GetEnableInteractiveZoom() ? VARIANT_TRUE : VARIANT_FALSE;
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::put_EnableInteractiveZoom(VARIANT_BOOL value) {
    m_viewer.SetEnableInteractiveZoom(FromVariantBool(value));
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_VScrollBar(VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    *value = m_viewer.GetVScrollBar() ? VARIANT_TRUE : VARIANT_FALSE;
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::put_VScrollBar(VARIANT_BOOL value) {
    SetErrorCode(0);
    if (m_viewer.SetVScrollBar(FromVariantBool(value))) return S_OK;
    SetErrorCode(-1034);
    return ThrowModeResult(true);
}

HRESULT CPallastra::get_AllowMultiSelect(VARIANT_BOOL* value) {
    if (!value) return E_POINTER;
    *value = m_viewer.GetAllowMultiSelect() ? VARIANT_TRUE : VARIANT_FALSE;
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::put_AllowMultiSelect(VARIANT_BOOL value) {
    SetErrorCode(0);
    m_viewer.SetAllowMultiSelect(FromVariantBool(value));
    return S_OK;
}
