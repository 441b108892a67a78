// Script text to engine text and back: the system code page, sized by a query call each way.
#include <cstring>
#include <string>

#include "activex/pallastra.h"
#include "base/error_codes.h"
#include "core/text_fit.h"

namespace {

// The text in the system code page; false when it cannot be converted. A null BSTR is "".
bool ToAnsi(BSTR text, std::string& out) {
    out.clear();
    const int units = text ? static_cast<int>(SysStringLen(text)) : 0;
    if (units == 0) return true;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return false;
    try {
        out.resize(static_cast<size_t>(bytes));
    } catch (...) {
        return false;
    }
    if (WideCharToMultiByte(CP_ACP, 0, text, units, out.data(), bytes, nullptr, nullptr) != bytes) return false;
    // Text after an embedded terminator never reaches the engine.
    out.resize(std::strlen(out.c_str()));
    return true;
}

}  // namespace

BOOL CPallastra::AnsiToBSTR(BSTR* out, const char* text, BOOL resetError) {
    if (resetError) SetErrorCode(0);
    if (!out) return FALSE;
    BSTR converted = MakeEventString(text);
    if (!converted) {
        SetAdapterError(kErrAdapterNoMemory);
        return FALSE;
    }
    // An [out] string holds nothing the caller owns: it is written, never freed.
    *out = converted;
    return TRUE;
}

BOOL CPallastra::BSTRToBuffer(BSTR text, char* buffer, size_t size, TextFit fit, BOOL resetError) {
    if (resetError) SetErrorCode(0);
    std::string converted;
    if (!ToAnsi(text, converted)) {
        SetAdapterError(kErrAdapterNoMemory);
        return FALSE;
    }
    if (!FitText(converted.data(), converted.size(), buffer, size, fit)) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    return TRUE;
}

BOOL CPallastra::BSTRToString(BSTR text, std::string& out, BOOL resetError) {
    if (resetError) SetErrorCode(0);
    if (!ToAnsi(text, out)) {
        SetAdapterError(kErrAdapterNoMemory);
        return FALSE;
    }
    return TRUE;
}

BOOL CPallastra::SetScriptString(void* scriptString, const char* text, BOOL resetError) {
    return AnsiToBSTR(static_cast<BSTR*>(scriptString), text ? text : "", resetError);
}

BSTR CPallastra::MakeEventString(const char* text) {
    if (!text) text = "";
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    BSTR result = length > 0 ? SysAllocStringLen(nullptr, static_cast<UINT>(length - 1)) : nullptr;
    if (!result) {
        SetAdapterError(kErrAdapterNoMemory);
        return nullptr;
    }
    MultiByteToWideChar(CP_ACP, 0, text, -1, result, length);
    return result;
}

HRESULT CPallastra::get_ErrorString(BSTR* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return E_POINTER;
    const LONG code = GetErrorCode();
    const char* text;
    // The control's own two positive codes.
    if (code == 1) text = "The operation did not succeed.";
    else if (code == 2) text = "Not enough memory to complete the operation.";
    else text = ErrorTexts().GetErrorText(code, GetTransferSubCode());
    if (!text) text = code == 0 ? "Successful." : "";
    AnsiToBSTR(value, text, TRUE);
    return S_OK;
}
