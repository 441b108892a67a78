// Script members of the plug-in: the barcode and OCR add-ons. The read methods, the recognition
// methods and the OCR settings are reached through the XPCOM peer only (the NPRuntime object
// answers them without calling anything); BarcodeCount, GetBarcodeText and GetBarcodeInfo serve
// both routes. The long operations store their own table index as the current operation, so the
// progress dialog and the operate events carry their names.
#include <cstring>

#include "base/error_codes.h"
#include "core/operation_name_table.h"
#include "plugin/plugin_instance.h"

namespace {

// The engine's fields for file names, servers and server paths.
constexpr size_t kFileNameRoom = MAX_PATH;
constexpr size_t kServerRoom = 256;
constexpr size_t kServerPathRoom = 512;

}  // namespace

const char* PluginInstance::AddOnArgumentLetters(int op) {
    switch (op) {
        case kOpGetBarcodeText: return "i";
        case kOpGetBarcodeInfo: return "ii";
        case kOpReadBarcode: return "hi";
        case kOpReadBarcodeEx: return "hiiiii";
        case kOpReadBarcodeDirectly: return "si";
        case kOpReadBarcodeDirectlyEx: return "siiiii";
        case kOpOCR: return "hs";
        case kOpOCREx: return "h";
        case kOpOCRDirectly: return "ss";
        case kOpOCRDirectlyEx: return "s";
        case kOpOCRSelectedImages: return "s";
        case kOpOCRSelectedImagesEx: return "";
        case kOpOCREx1: return "hiiii";
        case kOpHTTPDownloadOCRLangData: return "ssb";
        default: return nullptr;
    }
}

bool PluginInstance::RunAddOnMember(MemberAccess access, int op, const std::vector<ScriptValue>& a, ScriptValue& out,
                                    NPVariant* result) {
    switch (access) {
        case MemberAccess::Get: return ReadAddOnProperty(op, out, result);
        case MemberAccess::Put: return !a.empty() && WriteAddOnProperty(op, a[0]);
        case MemberAccess::Method: break;
    }
    const char* letters = AddOnArgumentLetters(op);
    if (!letters) return false;
    if (a.size() < std::strlen(letters)) {
        // A caller that converts fewer arguments than the member takes gets nothing run.
        SetErrorCode(kErrBadParameter);
        return true;
    }
    char path[kFileNameRoom];
    switch (op) {
        case kOpGetBarcodeText: BarcodeTextForScript(a[0].i, result); return true;
        // Info kinds as the scan reports them: 0 x and 1 y of the first point, 2 format, 3
        // confidence, 4 rotation, 5 text length; then the barcode's index.
        case kOpGetBarcodeInfo: out.i = BarcodeInfoForScript(a[1].i, a[0].i); return true;
        case kOpReadBarcode:
            SetCurrentOperationId(kOpReadBarcode);
            out.b = CBrowserAddOnBase::ReadBarcodeEx(a[0].h, 0, 0, -1, -1, a[1].i);
            return true;
        case kOpReadBarcodeEx:
            SetCurrentOperationId(kOpReadBarcodeEx);
            out.b = CBrowserAddOnBase::ReadBarcodeEx(a[0].h, a[1].i, a[2].i, a[3].i, a[4].i, a[5].i);
            return true;
        case kOpReadBarcodeDirectly:
        case kOpReadBarcodeDirectlyEx: {
            SetCurrentOperationId(op);
            if (!FitText(a[0].text, path, sizeof path)) return true;
            const bool whole = op == kOpReadBarcodeDirectly;
            out.b = whole ? CBrowserAddOnBase::ReadBarcodeDirectlyEx(path, 0, 0, -1, -1, a[1].i)
                          : CBrowserAddOnBase::ReadBarcodeDirectlyEx(path, a[1].i, a[2].i, a[3].i, a[4].i, a[5].i);
            return true;
        }
        case kOpOCR:
            SetCurrentOperationId(kOpOCR);
            out.b = FitText(a[1].text, path, sizeof path) && CBrowserAddOnBase::OCR(a[0].h, path);
            return true;
        case kOpOCREx:
            SetCurrentOperationId(kOpOCREx);
            out.b = CBrowserAddOnBase::OCREx(a[0].h, result);
            return true;
        case kOpOCRDirectly:
            SetCurrentOperationId(kOpOCRDirectly);
            out.b = FitText(a[1].text, path, sizeof path) &&
                    CBrowserAddOnBase::OCRDirectly(a[0].text.c_str(), path);
            return true;
        case kOpOCRDirectlyEx:
            SetCurrentOperationId(kOpOCRDirectlyEx);
            out.b = CBrowserAddOnBase::OCRDirectlyEx(a[0].text.c_str(), result);
            return true;
        case kOpOCRSelectedImages:
            SetCurrentOperationId(kOpOCRSelectedImages);
            out.b = FitText(a[0].text, path, sizeof path) && CBrowserAddOnBase::OCRSelectedImages(path);
            return true;
        case kOpOCRSelectedImagesEx:
            SetCurrentOperationId(kOpOCRSelectedImagesEx);
            out.b = CBrowserAddOnBase::OCRSelectedImagesEx(result);
            return true;
        case kOpOCREx1:
            SetCurrentOperationId(kOpOCREx1);
            out.b = CBrowserAddOnBase::OCREx1(a[0].h, a[1].i, a[2].i, a[3].i, a[4].i, result);
            return true;
        case kOpHTTPDownloadOCRLangData: {
            char server[kServerRoom];
            char remotePath[kServerPathRoom];
            out.b = FitText(a[0].text, server, sizeof server) &&
                    FitText(a[1].text, remotePath, sizeof remotePath) &&
                    CBrowserAddOnBase::HTTPDownloadOCRLangData(server, remotePath, a[2].b);
            // The XPCOM peer answers a number: 1 after a good install, as the control does.
            out.i = out.b ? 1 : 0;
            return true;
        }
        default: return false;
    }
}

bool PluginInstance::ReadAddOnProperty(int op, ScriptValue& out, NPVariant* result) {
    switch (op) {
        case kOpBarcodeCount:
            SetErrorCode(0);
            out.i = GetScriptBarcodeCount();
            return true;
        case kOpOCRTessDataPath: SetScriptString(result, OCRTessDataPath(), TRUE); return true;
        case kOpOCRLanguage: SetScriptString(result, OCRLanguage(), TRUE); return true;
        case kOpOCRDllPath: SetScriptString(result, OCRDllPath(), TRUE); return true;
        case kOpOCRUnicodeFontName: SetScriptString(result, OCRUnicodeFontName(), TRUE); return true;
        case kOpOCRPageSetMode:
            SetErrorCode(0);
            out.i = Ocr().GetPageSegMode();
            return true;
        case kOpOCRResultFormat:
            SetErrorCode(0);
            out.i = Ocr().GetResultFormat();
            return true;
        case kOpOCRUseDetectedFont:
            SetErrorCode(0);
            out.i = Ocr().GetUseDetectedFont();
            out.b = out.i != 0;
            return true;
        default: return false;
    }
}

bool PluginInstance::WriteAddOnProperty(int op, const ScriptValue& v) {
    switch (op) {
        case kOpOCRTessDataPath: OCRTessDataPath(v.text); return true;
        case kOpOCRLanguage: OCRLanguage(v.text); return true;
        case kOpOCRDllPath: OCRDllPath(v.text); return true;
        case kOpOCRUnicodeFontName: OCRUnicodeFontName(v.text); return true;
        case kOpOCRPageSetMode:
            SetErrorCode(0);
            Ocr().SetPageSegMode(v.i);
            return true;
        case kOpOCRResultFormat:
            SetErrorCode(0);
            Ocr().SetResultFormat(v.i);
            return true;
        case kOpOCRUseDetectedFont:
            SetErrorCode(0);
            Ocr().SetUseDetectedFont(v.b ? 1 : 0);
            return true;
        default: return false;
    }
}
