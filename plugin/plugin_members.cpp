// The script members of the plug-in over the engine: each takes the converted arguments of its
// signature (script_signatures.cpp), calls the same engine operation as the control's member of
// that name, and gives its result. Members this build lacks answer false to the script object,
// which reports them as not supported.
#include <algorithm>
#include <cstring>

#include "base/error_codes.h"
#include "core/base64.h"
#include "core/operation_name_table.h"
#include "plugin/plugin_instance.h"

namespace {

constexpr LONG kBicubic = 3;

}  // namespace

bool PluginInstance::FitText(const std::string& text, char* field, size_t room) {
    SetErrorCode(0);
    if (text.size() >= room) {
        SetErrorCode(kErrInvalidValue);
        return false;
    }
    std::memcpy(field, text.c_str(), text.size() + 1);
    return true;
}

LONG PluginInstance::TakeSelectedImagesPiece(BYTE* buffer, LONG capacity) {
    return SaveSelectedImagesToBytes(buffer ? capacity : 0, [buffer](const BYTE* bytes, LONG count) {
        std::memcpy(buffer, bytes, static_cast<size_t>(count));
        return true;
    });
}

bool PluginInstance::RunFamilies(MemberAccess access, int op, const std::vector<ScriptValue>& a, ScriptValue& out,
                                 NPVariant* result) {
    return RunDeviceMember(access, op, a, out, result) || RunInternetMember(access, op, a, out, result) ||
           RunViewMember(access, op, a, out, result) || RunAddOnMember(access, op, a, out, result);
}

bool PluginInstance::RunMethod(int op, const std::vector<ScriptValue>& a, ScriptValue& out, NPVariant* result) {
    switch (op) {
        // Sources.
        case kOpAcquireImage:
        case kOpEnableSource: out.b = RoutedEnableSource(); return true;
        case kOpSelectSource: out.b = RoutedSelectSource(); return true;
        case kOpOpenSource: out.b = RoutedOpenSource(); return true;
        case kOpCloseSource: out.b = RoutedCloseSource(); return true;
        case kOpOpenSourceManager: out.b = RoutedOpenSourceManager(); return true;
        case kOpSelectSourceByIndex: out.b = RoutedSelectSourceByIndex(a[0].h); return true;
        case kOpSourceNameItems:
        case kOpGetSourceNameItems:
            RoutedSourceNameItems(a[0].i, result);
            return true;
        // The buffer.
        case kOpRemoveAllImages:
            CBrowserAddOnBase::RemoveAllImages();
            out.b = true;
            return true;
        case kOpRemoveImage: out.b = CBrowserAddOnBase::RemoveImage(a[0].h); return true;
        case kOpRemoveAllSelectedImages:
            // The plug-in answers true whether or not every removal succeeded.
            CBrowserAddOnBase::RemoveAllSelectedImages([this](bool hold) { SetBusy(hold ? TRUE : FALSE); });
            out.b = true;
            return true;
        case kOpSwitchImage: out.b = CBrowserAddOnBase::SwitchImage(a[0].h, a[1].h) == 1; return true;
        case kOpMoveImage:
            SetErrorCode(0);
            out.b = CBrowserAddOnBase::MoveImage(a[0].h, a[1].h) == 1;
            return true;
        // Image operations.
        case kOpRotateLeft: out.b = CBrowserAddOnBase::RotateLeft(a[0].h); return true;
        case kOpRotateRight: out.b = CBrowserAddOnBase::RotateRight(a[0].h); return true;
        case kOpFlip: out.b = CBrowserAddOnBase::Flip(a[0].h); return true;
        case kOpMirror: out.b = CBrowserAddOnBase::Mirror(a[0].h); return true;
        case kOpCopyToClipboard: out.b = CBrowserAddOnBase::CopyToClipboard(a[0].h); return true;
        case kOpCutToClipboard: out.b = CBrowserAddOnBase::CutToClipboard(a[0].h); return true;
        case kOpCrop: out.b = CBrowserAddOnBase::Crop(a[0].h, a[1].i, a[2].i, a[3].i, a[4].i); return true;
        case kOpCropToClipboard:
            out.b = CBrowserAddOnBase::CropToClipboard(a[0].h, a[1].i, a[2].i, a[3].i, a[4].i);
            return true;
        case kOpErase:
            SetErrorCode(0);
            out.b = CBrowserAddOnBase::Erase(a[0].h, a[1].i, a[2].i, a[3].i, a[4].i);
            return true;
        case kOpRotate: out.b = CBrowserAddOnBase::RotateEx(a[0].h, a[1].f, a[2].b, kBicubic); return true;
        case kOpRotateEx: out.b = CBrowserAddOnBase::RotateEx(a[0].h, a[1].f, a[2].b, a[3].h); return true;
        case kOpChangeImageSize:
            out.b = CBrowserAddOnBase::ChangeImageSize(a[0].h, a[1].i, a[2].i, a[3].h);
            return true;
        case kOpIsBlankImage:
            SetCurrentOperationId(kOpIsBlankImage);
            out.b = CBrowserAddOnBase::IsBlankImage(a[0].h);
            return true;
        case kOpGetImageSize: out.d = CBrowserAddOnBase::GetImageSize(a[0].h, a[1].i, a[2].i); return true;
        case kOpGetImageXResolution: out.i = CBrowserAddOnBase::GetImageXResolution(a[0].h); return true;
        case kOpGetImageYResolution: out.i = CBrowserAddOnBase::GetImageYResolution(a[0].h); return true;
        case kOpGetImageWidth:
        case kOpGetImageHeight:
        case kOpGetImageBitDepth: {
            SetErrorCode(0);
            BITMAPINFOHEADER header{};
            if (GetImageInfoHeader(static_cast<SHORT>(a[0].i), &header))
                out.d = op == kOpGetImageWidth ? header.biWidth
                        : op == kOpGetImageHeight ? header.biHeight : header.biBitCount;
            return true;
        }
        default: return RunFileMethod(op, a, out, result);
    }
}

// Files, image data without files and the transfer settings.
bool PluginInstance::RunFileMethod(int op, const std::vector<ScriptValue>& a, ScriptValue& out, NPVariant* result) {
    // The plug-in's busy flag holds its per-change events back while a load adds pages.
    const auto holdViews = [this](bool hold) { SetBusy(hold ? TRUE : FALSE); };
    switch (op) {
        // Files.
        case kOpSaveAsBMP: out.b = CBrowserAddOnBase::SaveAsBMP(a[0].text, a[1].h); return true;
        case kOpSaveAsPNG: out.b = CBrowserAddOnBase::SaveAsPNG(a[0].text, a[1].h); return true;
        case kOpSaveAsJPEG: out.b = CBrowserAddOnBase::SaveAsJPEG(a[0].text, a[1].h); return true;
        case kOpSaveAsTIFF: out.b = CBrowserAddOnBase::SaveAsTIFF(a[0].text, a[1].h); return true;
        case kOpSaveAsPDF: out.b = CBrowserAddOnBase::SaveAsPDF(a[0].text, a[1].h); return true;
        case kOpSaveAllAsMultiPageTIFF: out.b = CBrowserAddOnBase::SaveAllAsMultiPageTIFF(a[0].text); return true;
        case kOpLoadImage: out.b = CBrowserAddOnBase::LoadImage(a[0].text, holdViews) != FALSE; return true;
        case kOpLoadImageEx:
            out.b = CBrowserAddOnBase::LoadImageEx(a[0].text, static_cast<SHORT>(a[1].i), holdViews) != FALSE;
            return true;
        case kOpDeleteFile:
            SetErrorCode(kErrBadTriplet);
            return true;
        // Image data without files.
        case kOpGetSelectedImagesSize: {
            SetErrorCode(0);
            SetSelectedImagesData(nullptr, 0);
            const std::vector<SHORT> list = SelectedIndexList();
            LONG built = 0;
            HGLOBAL data = GetSelectedImagesData(list.data(), static_cast<LONG>(list.size()), a[0].h, &built);
            SetSelectedImagesData(data, built);
            out.i = data ? built : 0;
            return true;
        }
        case kOpSaveSelectedImagesToBase64Binary:
            CBrowserAddOnBase::SaveSelectedImagesToBase64Binary(result);
            return true;
        case kOpLoadImageFromBase64Binary: {
            SetErrorCode(0);
            CBase64 decoder;
            DWORD length = 0;
            const BYTE* bytes = decoder.DecodeText(a[0].text.c_str()) ? decoder.GetDecodedData(&length) : nullptr;
            if (!bytes) {
                if (GetErrorCode() == 0) SetErrorCode(kErrNoMemory);
                return true;
            }
            out.b = LoadImageFromMemory(bytes, length, a[1].i);
            return true;
        }
        // Transfer settings.
        case kOpSetHTTPFormField: out.b = CBrowserAddOnBase::SetHTTPFormField(a[0].text.c_str(), a[1].text.c_str()); return true;
        case kOpClearAllHTTPFormField:
            CBrowserAddOnBase::ClearAllHTTPFormField();
            out.b = true;
            return true;
        default: return RunFamilies(MemberAccess::Method, op, a, out, result);
    }
}

bool PluginInstance::ReadProperty(int op, ScriptValue& out, NPVariant* result) {
    switch (op) {
        case kOpErrorCode: out.i = GetErrorCode(); return true;
        case kOpErrorString: SetScriptString(result, ErrorTexts().GetErrorText(GetErrorCode(), GetTransferSubCode()), FALSE); return true;
        case kOpHowManyImagesInBuffer: out.i = GetImageCount(); return true;
        case kOpCurrentImageIndexInBuffer: out.i = GetCurrentImageIndex(); return true;
        case kOpMaxImagesInBuffer: out.i = GetMaxImagesInBuffer(); return true;
        case kOpIfAppendImage: out.b = GetIfAppendImage() == 1; return true;
        case kOpJPEGQuality: out.i = JPEGQuality(); return true;
        case kOpIfTiffMultiPage: out.b = IfTiffMultiPage() != FALSE; return true;
        case kOpTIFFCompressionType: out.i = TIFFCompressionType(); return true;
        case kOpPDFCompressionType: out.i = PDFCompressionType(); return true;
        case kOpIfShowUI: out.b = GetRoutedShowUI() != FALSE; return true;
        case kOpBlankImageThreshold: out.i = GetBlankImageThreshold(); return true;
        case kOpBlankImageMaxStdDev: out.f = GetBlankImageMaxStdDev(); return true;
        case kOpBlankImageCurrentStdDev: out.f = static_cast<float>(GetBlankImageCurrentStdDev()); return true;
        case kOpBackgroundFillColor: out.i = static_cast<int32_t>(GetBackgroundFillColor()); return true;
        case kOpSourceCount: out.i = RoutedSourceCount(); return true;
        case kOpSupportedDeviceType: out.i = GetSupportedDeviceType(); return true;
        case kOpCurrentHWND: out.i = static_cast<int32_t>(reinterpret_cast<INT_PTR>(PluginWindow())); return true;
        // The engine's flag, which the worker runner reads before it shows the progress dialog.
        case kOpIfShowProgressBar: out.b = IfShowProgressBar() != FALSE; return true;
        case kOpIfCancelTransfer: out.b = GetIfCancelTransfer() != 0; return true;
        case kOpIfHookMessage: out.b = GetHookOption() == 1; return true;
        case kOpFTPPort: out.i = FTPPort(); return true;
        case kOpHTTPPort: out.i = HTTPPort(); return true;
        case kOpHTTPPostResponseString: SetScriptString(result, GetHTTPPostResponseString(), TRUE); return true;
        case kOpDefaultSourceName: RoutedDefaultSourceName(result); return true;
        case kOpCurrentSourceName: RoutedCurrentSourceName(result); return true;
        default: return RunFamilies(MemberAccess::Get, op, {}, out, result);
    }
}

bool PluginInstance::WriteProperty(int op, const ScriptValue& v) {
    switch (op) {
        case kOpCurrentImageIndexInBuffer:
            SetBusy(TRUE);
            if (SetCurrentImageIndex(v.h)) m_viewer.ShowImage(v.h);
            SetBusy(FALSE);
            return true;
        case kOpMaxImagesInBuffer: SetMaxImagesInBuffer(v.h); return true;
        case kOpIfAppendImage:
            SetErrorCode(0);
            SetIfAppendImage(v.b ? 1 : 0);
            return true;
        case kOpJPEGQuality: JPEGQuality(v.h); return true;
        case kOpIfTiffMultiPage: IfTiffMultiPage(v.b); return true;
        // The 16-bit setting as the unsigned value the page wrote (PackBits is 32773).
        case kOpTIFFCompressionType: TIFFCompressionType(static_cast<uint16_t>(v.h)); return true;
        case kOpPDFCompressionType: PDFCompressionType(static_cast<uint16_t>(v.h)); return true;
        case kOpIfShowUI:
            SetErrorCode(0);
            SetRoutedShowUI(v.b ? 1 : 0);
            return true;
        case kOpBlankImageThreshold:
            SetErrorCode(0);
            SetBlankImageThreshold(v.h);
            return true;
        case kOpBlankImageMaxStdDev:
            SetErrorCode(0);
            if (v.f != v.f) SetErrorCode(kErrInvalidValue);
            else SetBlankImageMaxStdDev(v.f);
            return true;
        case kOpBackgroundFillColor:
            SetErrorCode(0);
            SetBackgroundFillColor(static_cast<DWORD>(v.i));
            return true;
        case kOpIfShowProgressBar: IfShowProgressBar(v.b); return true;
        // Only the XPCOM peer writes it: the script object takes the value and does nothing.
        case kOpSupportedDeviceType: SetSupportedDeviceType(v.i); return true;
        case kOpIfCancelTransfer: SetIfCancelTransfer(v.b ? 1 : 0); return true;
        case kOpIfHookMessage:
            SetErrorCode(0);
            SetHookOption(v.b ? 1 : 0);
            return true;
        case kOpFTPPort: FTPPort(v.i); return true;
        case kOpHTTPPort: HTTPPort(v.i); return true;
        default: {
            ScriptValue ignored;
            return RunFamilies(MemberAccess::Put, op, {v}, ignored, nullptr);
        }
    }
}
