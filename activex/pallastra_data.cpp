// The ILumetta members that move image data between the page and the buffer without files: DIB
// handles, picture objects, encoded bytes in chunks or as Base64, and loads from script arrays.
#include <algorithm>
#include <cstring>

#include "activex/pallastra.h"
#include "core/base64.h"
#include "base/dib_layout.h"

namespace {

// How many "value" objects a script array may be wrapped in.
constexpr int kMaxValueChain = 8;

DISPID NameToId(IDispatch* object, const wchar_t* name) {
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    return SUCCEEDED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)) ? id : DISPID_UNKNOWN;
}

bool GetProperty(IDispatch* object, DISPID id, VARIANT* out) {
    DISPPARAMS none{};
    VariantInit(out);
    return SUCCEEDED(object->Invoke(id, IID_NULL, 2048, DISPATCH_PROPERTYGET, &none, out, nullptr, nullptr));
}

// The script array object: the object itself when it has "length", else the end of its chain of
// "value" properties. A new reference, or null.
IDispatch* ResolveScriptArray(IDispatch* object) {
    object->AddRef();
    for (int depth = 0; depth <= kMaxValueChain; ++depth) {
        if (NameToId(object, L"length") != DISPID_UNKNOWN) return object;
        const DISPID valueId = NameToId(object, L"value");
        VARIANT value;
        const bool ok = valueId != DISPID_UNKNOWN && GetProperty(object, valueId, &value);
        object->Release();
        if (!ok) return nullptr;
        if (value.vt != VT_DISPATCH || !value.pdispVal) {
            VariantClear(&value);
            return nullptr;
        }
        object = value.pdispVal;  // the reference moves from the variant
    }
    object->Release();
    return nullptr;
}

}  // namespace

BOOL CPallastra::ByteArrayTransfer(ULONG size, VARIANT* array, HGLOBAL* block, ULONG* length) {
    SetErrorCode(kErrInvalidValue);
    if (!array || !block || !length) return FALSE;
    // A by-reference variant is read through its reference.
    while (array->vt == (VT_BYREF | VT_VARIANT) && array->pvarVal) array = array->pvarVal;
    const bool reading = *block == nullptr;

    SAFEARRAY* safeArray = nullptr;
    if (array->vt == (VT_ARRAY | VT_UI1)) safeArray = array->parray;
    else if (array->vt == (VT_BYREF | VT_ARRAY | VT_UI1) && array->pparray) safeArray = *array->pparray;
    if (safeArray) {
        LONG lower = 0, upper = -1;
        if (SafeArrayGetDim(safeArray) != 1 || SafeArrayGetElemsize(safeArray) != 1 ||
            FAILED(SafeArrayGetLBound(safeArray, 1, &lower)) || FAILED(SafeArrayGetUBound(safeArray, 1, &upper)) ||
            static_cast<LONGLONG>(upper) - lower + 1 != static_cast<LONGLONG>(size))
            return FALSE;
        void* data = nullptr;
        if (FAILED(SafeArrayAccessData(safeArray, &data))) return FALSE;
        HGLOBAL made = nullptr;
        if (reading) {
            made = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, std::max<ULONG>(size, 1));
            if (!made) {
                SafeArrayUnaccessData(safeArray);
                SetAdapterError(kErrAdapterNoMemory);
                return FALSE;
            }
            memcpy(made, data, size);
        } else {
            memcpy(data, *block, std::min(size, *length));
        }
        if (FAILED(SafeArrayUnaccessData(safeArray))) {
            if (made) GlobalFree(made);
            return FALSE;
        }
        if (reading) {
            *block = made;
            *length = size;
        }
        SetErrorCode(0);
        return TRUE;
    }

    IDispatch* given = nullptr;
    if (array->vt == VT_DISPATCH) given = array->pdispVal;
    else if (array->vt == (VT_BYREF | VT_DISPATCH) && array->ppdispVal) given = *array->ppdispVal;
    if (!given) return FALSE;
    IDispatch* object = ResolveScriptArray(given);
    if (!object) return FALSE;
    VARIANT lengthValue;
    const DISPID lengthId = NameToId(object, L"length");
    if (!GetProperty(object, lengthId, &lengthValue) || lengthValue.vt != VT_I4 ||
        static_cast<ULONG>(lengthValue.lVal) != size || lengthValue.lVal < 0) {
        VariantClear(&lengthValue);
        object->Release();
        return FALSE;
    }
    HGLOBAL made = nullptr;
    ULONG count = size;
    if (reading) {
        made = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, std::max<ULONG>(size, 1));
        if (!made) {
            object->Release();
            SetAdapterError(kErrAdapterNoMemory);
            return FALSE;
        }
    } else {
        count = std::min(size, *length);
    }
    BYTE* bytes = static_cast<BYTE*>(reading ? made : *block);
    bool ok = true;
    for (ULONG i = 0; i < count && ok; ++i) {
        wchar_t name[16];
        wsprintfW(name, L"%lu", i);
        const DISPID id = NameToId(object, name);
        if (id == DISPID_UNKNOWN) {
            ok = false;
            break;
        }
        if (reading) {
            VARIANT element;
            ok = GetProperty(object, id, &element);
            if (ok) {
                VARIANT asInteger;
                VariantInit(&asInteger);
                // Script numbers arrive as VT_I4 or VT_R8; the lowest byte of the integer counts.
                if (SUCCEEDED(VariantChangeType(&asInteger, &element, 0, VT_I4))) bytes[i] = BYTE(asInteger.lVal & 0xFF);
                else ok = false;
                VariantClear(&element);
            }
        } else {
            VARIANT byteValue;
            VariantInit(&byteValue);
            byteValue.vt = VT_UI1;
            byteValue.bVal = bytes[i];
            DISPID named = DISPID_PROPERTYPUT;
            DISPPARAMS params{&byteValue, &named, 1, 1};
            ok = SUCCEEDED(object->Invoke(id, IID_NULL, 2048, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr));
        }
    }
    object->Release();
    if (!ok) {
        if (made) GlobalFree(made);
        return FALSE;
    }
    if (reading) {
        *block = made;
        *length = size;
    }
    SetErrorCode(0);
    return TRUE;
}

HRESULT CPallastra::get_hDIB(short index, long* value) {
    if (!m_userMode) return E_FAIL;
    HGLOBAL dib = GetImageDIB(index);
    const INT_PTR handle = reinterpret_cast<INT_PTR>(dib);
    // A handle is answered only when 32 bits hold it whole.
    const bool fits = handle == static_cast<INT_PTR>(static_cast<long>(handle));
    if (dib && !fits) SetErrorCode(kErrInvalidValue);
    const bool ok = dib && fits;
    if (value) *value = ok ? static_cast<long>(handle) : 0;
    return ThrowModeResult(!ok);
}

HRESULT CPallastra::GetHDIB(short index, long* value) { return get_hDIB(index, value); }

HRESULT CPallastra::get_Picture(short index, IPictureDisp** value) {
    if (!m_userMode) return E_FAIL;
    if (value) *value = nullptr;
    HGLOBAL dib = GetImageDIB(index);
    DibLayout layout{};
    if (!dib) return ThrowModeResult(true);
    if (!ComputeDibLayout(dib, &layout)) {
        SetAdapterError(kErrAdapterNoMemory);
        return ThrowModeResult(true);
    }
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    if (!header) {
        SetAdapterError(kErrAdapterNoMemory);
        return ThrowModeResult(true);
    }
    HDC screen = GetDC(ControlWindow());
    HBITMAP bitmap = CreateDIBitmap(screen, header, CBM_INIT, reinterpret_cast<BYTE*>(header) + layout.pixelOffset,
                                    reinterpret_cast<BITMAPINFO*>(header), DIB_RGB_COLORS);
    ReleaseDC(ControlWindow(), screen);
    GlobalUnlock(dib);
    if (!bitmap) {
        SetAdapterError(kErrAdapterNoMemory);
        return ThrowModeResult(true);
    }
    if (m_heldPicture) {
        m_heldPicture->Release();
        m_heldPicture = nullptr;
    }
    PICTDESC description{};
    description.cbSizeofstruct = sizeof(description);
    description.picType = PICTYPE_BITMAP;
    description.bmp.hbitmap = bitmap;
    if (FAILED(OleCreatePictureIndirect(&description, IID_IPictureDisp, TRUE, reinterpret_cast<void**>(&m_heldPicture))) ||
        !m_heldPicture) {
        m_heldPicture = nullptr;
        DeleteObject(bitmap);
        SetAdapterError(kErrAdapterNoMemory);
        return ThrowModeResult(true);
    }
    if (value) {
        m_heldPicture->AddRef();
        *value = m_heldPicture;
    }
    return S_OK;
}

HRESULT CPallastra::GetImageSizeWithSpecifiedType(short index, short type, long* size) {
    LONG answer = 0;
    const BOOL ok = COstrelBase::GetImageSizeWithSpecifiedType(index, type, &answer) == 1;
    if (size) *size = ok ? answer : 0;
    return ThrowModeResult(!ok);
}

HRESULT CPallastra::GetSelectedImagesSize(long type, long* size) {
    SetErrorCode(0);
    SetSelectedImagesData(nullptr, 0);
    const std::vector<SHORT> list = SelectedIndexList();
    LONG built = 0;
    HGLOBAL data = GetSelectedImagesData(list.data(), static_cast<LONG>(list.size()), type, &built);
    SetSelectedImagesData(data, built);
    if (size) *size = data ? built : 0;
    return ThrowModeResult(!data);
}

HRESULT CPallastra::SaveSelectedImagesToBytes(long bufferSize, VARIANT* buffer, long* written) {
    if (written) *written = 0;
    // The piece goes into the script's array through a block of its own.
    const LONG count = CBrowserAddOnBase::SaveSelectedImagesToBytes(
        buffer ? bufferSize : 0, [&](const BYTE* bytes, LONG length) {
            HGLOBAL part = GlobalAlloc(GMEM_FIXED, std::max<ULONG>(static_cast<ULONG>(length), 1));
            if (!part) {
                SetAdapterError(kErrAdapterNoMemory);
                return false;
            }
            memcpy(part, bytes, static_cast<size_t>(length));
            ULONG moved = static_cast<ULONG>(length);
            const BOOL ok = ByteArrayTransfer(static_cast<ULONG>(bufferSize), buffer, &part, &moved);
            GlobalFree(part);
            return ok != FALSE;
        });
    if (written) *written = count;
    return ThrowModeResult(count == 0);
}

HRESULT CPallastra::SaveSelectedImagesToBase64Binary(BSTR* text) {
    if (text) *text = nullptr;
    return ThrowModeResult(!CBrowserAddOnBase::SaveSelectedImagesToBase64Binary(text));
}

HRESULT CPallastra::LoadImageFromBytes(long bufferSize, VARIANT* buffer, long type, VARIANT_BOOL* result) {
    SetErrorCode(0);
    if (bufferSize <= 0) {
        SetErrorCode(kErrInvalidValue);
        return BoolResult(result, FALSE);
    }
    HGLOBAL block = nullptr;
    ULONG length = 0;
    if (!ByteArrayTransfer(static_cast<ULONG>(bufferSize), buffer, &block, &length)) return BoolResult(result, FALSE);
    const BOOL ok = LoadImageFromMemory(static_cast<const BYTE*>(block), length, type);
    GlobalFree(block);
    return BoolResult(result, ok);
}

HRESULT CPallastra::LoadImageFromBase64Binary(BSTR data, long type, VARIANT_BOOL* result) {
    SetErrorCode(0);
    const int units = data ? static_cast<int>(SysStringLen(data)) : 0;
    const int bytes = units ? WideCharToMultiByte(CP_ACP, 0, data, units, nullptr, 0, nullptr, nullptr) : 0;
    HGLOBAL text = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(bytes) + 1);
    if (!text) {
        SetAdapterError(kErrAdapterNoMemory);
        return BoolResult(result, FALSE);
    }
    if (bytes) WideCharToMultiByte(CP_ACP, 0, data, units, static_cast<char*>(text), bytes, nullptr, nullptr);
    CBase64 decoder;
    const bool decoded = decoder.DecodeText(static_cast<const char*>(text));
    GlobalFree(text);
    DWORD length = 0;
    const BYTE* decodedBytes = decoded ? decoder.GetDecodedData(&length) : nullptr;
    if (!decodedBytes) {
        if (GetErrorCode() == 0) SetAdapterError(kErrAdapterNoMemory);
        return BoolResult(result, FALSE);
    }
    return BoolResult(result, LoadImageFromMemory(decodedBytes, length, type));
}
