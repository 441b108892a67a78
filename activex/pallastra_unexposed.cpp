// The control's members that the type library does not carry: barcode and text recognition
// through the add-on libraries, the magnetic data and transfer state of the last scan, and a few
// engine switches. No member id or dispatch entry leads here, so page script cannot call them;
// they share the engine operations behind them with the plug-in.
#include <cstring>
#include <string>

#include "activex/pallastra.h"
#include "base/error_codes.h"
#include "core/operation_name_table.h"

namespace {

VARIANT_BOOL ToVariantBool(BOOL ok) { return ok ? VARIANT_TRUE : VARIANT_FALSE; }
LONG FromVariantBool(VARIANT_BOOL value) { return value == VARIANT_TRUE ? 1 : 0; }

}  // namespace

// ---- barcodes ----

HRESULT CPallastra::get_BarcodeCount(long* value) {
    if (!m_userMode) return E_FAIL;
    return FieldGet(value, static_cast<long>(GetScriptBarcodeCount()));
}

HRESULT CPallastra::GetBarcodeText(short index, BSTR* text) {
    if (!text) return E_POINTER;
    *text = nullptr;
    const BOOL ok = BarcodeTextForScript(index, text);
    if (!*text) AnsiToBSTR(text, "", FALSE);
    return ThrowModeResult(!ok);
}

HRESULT CPallastra::ReadBarcode(short index, long format, VARIANT_BOOL* result) {
    SetCurrentOperationId(kOpReadBarcode);
    return ReadBarcodeEx(index, 0, 0, -1, -1, format, result);
}

HRESULT CPallastra::ReadBarcodeEx(short index, long left, long top, long right, long bottom, long format,
                                  VARIANT_BOOL* result) {
    SetCurrentOperationId(kOpReadBarcodeEx);
    return BoolResult(result, CBrowserAddOnBase::ReadBarcodeEx(index, left, top, right, bottom, format));
}

HRESULT CPallastra::ReadBarcodeDirectly(BSTR fileName, long format, VARIANT_BOOL* result) {
    SetCurrentOperationId(kOpReadBarcodeDirectly);
    return ReadBarcodeDirectlyEx(fileName, 0, 0, -1, -1, format, result);
}

HRESULT CPallastra::ReadBarcodeDirectlyEx(BSTR fileName, long left, long top, long right, long bottom, long format,
                                          VARIANT_BOOL* result) {
    SetCurrentOperationId(kOpReadBarcodeDirectlyEx);
    char path[MAX_PATH];
    if (!BSTRToBuffer(fileName, path, sizeof path, TextFit::Refuse, TRUE)) return BoolResult(result, FALSE);
    return BoolResult(result, CBrowserAddOnBase::ReadBarcodeDirectlyEx(path, left, top, right, bottom, format));
}

// ---- text recognition ----

HRESULT CPallastra::OCR(short index, BSTR outputFile, VARIANT_BOOL* result) {
    SetCurrentOperationId(kOpOCR);
    char path[MAX_PATH];
    if (!BSTRToBuffer(outputFile, path, sizeof path, TextFit::Refuse, TRUE)) return BoolResult(result, FALSE);
    return BoolResult(result, CBrowserAddOnBase::OCR(index, path));
}

HRESULT CPallastra::OCREx(short index, BSTR* text) {
    if (!text) return E_POINTER;
    *text = nullptr;
    SetCurrentOperationId(kOpOCREx);
    CBrowserAddOnBase::OCREx(index, text);
    if (!*text) AnsiToBSTR(text, "", FALSE);
    // Failures are told by the error code and the empty text, never by a thrown error.
    return S_OK;
}

HRESULT CPallastra::OCRDirectly(BSTR files, BSTR outputFile, VARIANT_BOOL* result) {
    SetCurrentOperationId(kOpOCRDirectly);
    std::string list;
    char path[MAX_PATH];
    if (!BSTRToString(files, list, TRUE) || !BSTRToBuffer(outputFile, path, sizeof path, TextFit::Refuse, TRUE))
        return BoolResult(result, FALSE);
    return BoolResult(result, CBrowserAddOnBase::OCRDirectly(list.c_str(), path));
}

HRESULT CPallastra::OCRDirectlyEx(BSTR files, BSTR* text) {
    if (!text) return E_POINTER;
    *text = nullptr;
    SetCurrentOperationId(kOpOCRDirectlyEx);
    std::string list;
    if (BSTRToString(files, list, TRUE)) CBrowserAddOnBase::OCRDirectlyEx(list.c_str(), text);
    if (!*text) AnsiToBSTR(text, "", FALSE);
    // Failures are told by the error code and the empty text, never by a thrown error.
    return S_OK;
}

HRESULT CPallastra::OCRSelectedImages(BSTR outputFile, VARIANT_BOOL* result) {
    SetCurrentOperationId(kOpOCRSelectedImages);
    char path[MAX_PATH];
    if (!BSTRToBuffer(outputFile, path, sizeof path, TextFit::Refuse, TRUE)) return BoolResult(result, FALSE);
    return BoolResult(result, CBrowserAddOnBase::OCRSelectedImages(path));
}

HRESULT CPallastra::OCRSelectedImagesEx(BSTR* text) {
    if (!text) return E_POINTER;
    *text = nullptr;
    SetCurrentOperationId(kOpOCRSelectedImagesEx);
    CBrowserAddOnBase::OCRSelectedImagesEx(text);
    if (!*text) AnsiToBSTR(text, "", FALSE);
    // Failures are told by the error code and the empty text, never by a thrown error.
    return S_OK;
}

HRESULT CPallastra::OCREx1(short index, long left, long top, long right, long bottom, BSTR* text) {
    if (!text) return E_POINTER;
    *text = nullptr;
    SetCurrentOperationId(kOpOCREx1);
    CBrowserAddOnBase::OCREx1(index, left, top, right, bottom, text);
    if (!*text) AnsiToBSTR(text, "", FALSE);
    // Failures are told by the error code and the empty text, never by a thrown error.
    return S_OK;
}

HRESULT CPallastra::HTTPDownloadOCRLangData(BSTR server, BSTR remotePath, VARIANT_BOOL onlyIfMissing, long* result) {
    char host[256], path[512];
    BOOL ok = BSTRToBuffer(server, host, sizeof host, TextFit::Refuse, TRUE) &&
              BSTRToBuffer(remotePath, path, sizeof path, TextFit::Refuse, FALSE);
    ok = ok && CBrowserAddOnBase::HTTPDownloadOCRLangData(host, path, onlyIfMissing == VARIANT_TRUE);
    if (result) *result = ok ? 1 : 0;
    return ThrowModeResult(!ok);
}

// The recognition texts: an over-long one is refused (-1034) and leaves the setting as it was.
HRESULT CPallastra::get_OCRTessDataPath(BSTR* value) {
    if (!value) return E_POINTER;
    AnsiToBSTR(value, CBrowserAddOnBase::OCRTessDataPath(), TRUE);
    return S_OK;
}

HRESULT CPallastra::put_OCRTessDataPath(BSTR value) {
    std::string folder;
    if (BSTRToString(value, folder, TRUE)) CBrowserAddOnBase::OCRTessDataPath(folder);
    return ErrorCodeResult();
}

HRESULT CPallastra::get_OCRLanguage(BSTR* value) {
    if (!value) return E_POINTER;
    AnsiToBSTR(value, CBrowserAddOnBase::OCRLanguage(), TRUE);
    return S_OK;
}

HRESULT CPallastra::put_OCRLanguage(BSTR value) {
    std::string language;
    if (BSTRToString(value, language, TRUE)) CBrowserAddOnBase::OCRLanguage(language);
    return ErrorCodeResult();
}

HRESULT CPallastra::get_OCRDllPath(BSTR* value) {
    if (!value) return E_POINTER;
    AnsiToBSTR(value, CBrowserAddOnBase::OCRDllPath(), TRUE);
    return S_OK;
}

HRESULT CPallastra::put_OCRDllPath(BSTR value) {
    std::string folder;
    if (BSTRToString(value, folder, TRUE)) CBrowserAddOnBase::OCRDllPath(folder);
    return ErrorCodeResult();
}

HRESULT CPallastra::get_OCRUnicodeFontName(BSTR* value) {
    if (!value) return E_POINTER;
    AnsiToBSTR(value, CBrowserAddOnBase::OCRUnicodeFontName(), TRUE);
    return S_OK;
}

HRESULT CPallastra::put_OCRUnicodeFontName(BSTR value) {
    std::string name;
    if (BSTRToString(value, name, TRUE)) CBrowserAddOnBase::OCRUnicodeFontName(name);
    return ErrorCodeResult();
}

HRESULT CPallastra::get_OCRPageSetMode(long* value) { return FieldGet(value, static_cast<long>(Ocr().GetPageSegMode())); }
HRESULT CPallastra::put_OCRPageSetMode(long value) {
    SetErrorCode(0);
    Ocr().SetPageSegMode(value);
    return S_OK;
}
HRESULT CPallastra::get_OCRResultFormat(long* value) { return FieldGet(value, static_cast<long>(Ocr().GetResultFormat())); }
HRESULT CPallastra::put_OCRResultFormat(long value) {
    SetErrorCode(0);
    Ocr().SetResultFormat(value);
    return S_OK;
}
HRESULT CPallastra::get_OCRUseDetectedFont(VARIANT_BOOL* value) {
    return FieldGet(value, ToVariantBool(Ocr().GetUseDetectedFont() == 1));
}
HRESULT CPallastra::put_OCRUseDetectedFont(VARIANT_BOOL value) {
    SetErrorCode(0);
    Ocr().SetUseDetectedFont(FromVariantBool(value));
    return S_OK;
}

// ---- the last scan and engine switches ----

HRESULT CPallastra::get_MagType(short* value) {
    if (!m_userMode) return E_FAIL;
    return FieldGet(value, static_cast<short>(GetMagType()));
}

HRESULT CPallastra::get_MagData(BSTR* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return E_POINTER;
    AnsiToBSTR(value, GetMagDataText().c_str(), TRUE);
    return S_OK;
}

HRESULT CPallastra::get_PendingXfers(short* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return E_POINTER;
    *value = GetPendingXfers();
    return S_OK;
}

HRESULT CPallastra::get_IfDisableSourceAfterAcquire(VARIANT_BOOL* value) {
    return FieldGet(value, ToVariantBool(GetIfDisableSourceAfterAcquire() != 0));
}
HRESULT CPallastra::put_IfDisableSourceAfterAcquire(VARIANT_BOOL value) {
    SetErrorCode(0);
    SetIfDisableSourceAfterAcquire(FromVariantBool(value));
    return S_OK;
}
HRESULT CPallastra::get_IfModalUI(VARIANT_BOOL* value) { return FieldGet(value, ToVariantBool(GetModalUI() != 0)); }
HRESULT CPallastra::put_IfModalUI(VARIANT_BOOL value) {
    SetErrorCode(0);
    SetModalUI(FromVariantBool(value));
    return S_OK;
}
HRESULT CPallastra::get_IfScanInThread(VARIANT_BOOL* value) {
    return FieldGet(value, ToVariantBool(GetIfScanInThread() != 0));
}
HRESULT CPallastra::put_IfScanInThread(VARIANT_BOOL value) {
    SetErrorCode(0);
    SetIfScanInThread(FromVariantBool(value));
    return ErrorCodeResult();
}

HRESULT CPallastra::get_SupportedDeviceType(long* value) {
    return FieldGet(value, static_cast<long>(GetSupportedDeviceType()));
}
HRESULT CPallastra::put_SupportedDeviceType(long value) {
    SetErrorCode(0);
    SetSupportedDeviceType(value);
    return S_OK;
}

HRESULT CPallastra::CloseSourceManager(VARIANT_BOOL* result) {
    SetErrorCode(0);
    return BoolResult(result, CTwainBase::CloseSourceManager());
}
HRESULT CPallastra::DisableSource(VARIANT_BOOL* result) {
    SetErrorCode(0);
    return BoolResult(result, CTwainBase::DisableSource());
}
HRESULT CPallastra::CancelAllPendingTransfers(VARIANT_BOOL* result) {
    SetErrorCode(0);
    return BoolResult(result, CTwainBase::CancelAllPendingTransfers());
}
