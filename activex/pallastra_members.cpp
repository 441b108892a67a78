// The ILumetta members that reach the engine's sources, buffer, image operations, viewer and
// settings. Each is an adapter: gate (G), reset (R), one engine call, result conversion and the
// throw rule (T).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "activex/pallastra.h"
#include "base/error_codes.h"

namespace {

VARIANT_BOOL ToVariantBool(BOOL ok) { return ok ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace

HRESULT CPallastra::UnsupportedMember(bool property) {
    SetErrorCode(property ? kErrPropertyUnsupported : kErrMethodUnsupported);
    return ThrowModeResult(true);
}

HRESULT CPallastra::BoolResult(VARIANT_BOOL* result, BOOL ok) {
    if (result) *result = ToVariantBool(ok);
    return ThrowModeResult(!ok);
}

// ---- sources ----

HRESULT CPallastra::AcquireImage(VARIANT_BOOL* result) { return BoolResult(result, RoutedEnableSource()); }
HRESULT CPallastra::EnableSource(VARIANT_BOOL* result) { return BoolResult(result, RoutedEnableSource()); }
HRESULT CPallastra::SelectSource(VARIANT_BOOL* result) { return BoolResult(result, RoutedSelectSource()); }
HRESULT CPallastra::OpenSource(VARIANT_BOOL* result) { return BoolResult(result, RoutedOpenSource()); }
HRESULT CPallastra::CloseSource(VARIANT_BOOL* result) { return BoolResult(result, RoutedCloseSource()); }

// ---- buffer ----

HRESULT CPallastra::get_CurrentImageIndexInBuffer(short* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return E_POINTER;
    *value = GetCurrentImageIndex();
    return S_OK;
}

HRESULT CPallastra::put_CurrentImageIndexInBuffer(short value) {
    SetSuspendViewUpdates(1);
    const BOOL ok = SetCurrentImageIndex(value);
    if (ok) m_viewer.ShowImage(value);
    SetSuspendViewUpdates(0);
    return ThrowModeResult(!ok);
}

HRESULT CPallastra::RemoveAllImages() {
    CBrowserAddOnBase::RemoveAllImages();
    return S_OK;
}

HRESULT CPallastra::RemoveImage(short index, VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::RemoveImage(index));
}

HRESULT CPallastra::RemoveAllSelectedImages(VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::RemoveAllSelectedImages([this](bool hold) { HoldViews(hold); }));
}

HRESULT CPallastra::SwitchImage(short first, short second, VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::SwitchImage(first, second) == 1);
}

HRESULT CPallastra::MoveImage(short from, short to, VARIANT_BOOL* result) {
    SetErrorCode(0);
    return BoolResult(result, CBrowserAddOnBase::MoveImage(from, to) == 1);
}

// ---- image operations ----

HRESULT CPallastra::RotateLeft(short index, VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::RotateLeft(index));
}
HRESULT CPallastra::RotateRight(short index, VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::RotateRight(index));
}
HRESULT CPallastra::Flip(short index, VARIANT_BOOL* result) { return BoolResult(result, CBrowserAddOnBase::Flip(index)); }
HRESULT CPallastra::Mirror(short index, VARIANT_BOOL* result) { return BoolResult(result, CBrowserAddOnBase::Mirror(index)); }
HRESULT CPallastra::CopyToClipboard(short index, VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::CopyToClipboard(index));
}
HRESULT CPallastra::CutToClipboard(short index, VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::CutToClipboard(index));
}

HRESULT CPallastra::Crop(short index, int left, int top, int right, int bottom, VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::Crop(index, left, top, right, bottom));
}
HRESULT CPallastra::CropToClipboard(short index, int left, int top, int right, int bottom, VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::CropToClipboard(index, left, top, right, bottom));
}
// These two clear the error code first.
HRESULT CPallastra::CutFrameToClipboard(short index, int left, int top, int right, int bottom, VARIANT_BOOL* result) {
    SetErrorCode(0);
    return BoolResult(result, CBrowserAddOnBase::CutFrameToClipboard(index, left, top, right, bottom));
}
HRESULT CPallastra::Erase(short index, int left, int top, int right, int bottom, VARIANT_BOOL* result) {
    SetErrorCode(0);
    return BoolResult(result, CBrowserAddOnBase::Erase(index, left, top, right, bottom));
}

HRESULT CPallastra::LoadDibFromClipboard(VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::LoadDibFromClipboard());
}

// Prints every buffer image with the control window as the dialogs' owner.
HRESULT CPallastra::Print(VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::PrintBuffer(ControlWindow()));
}

// Opens the image editor over the buffer with the control window as its owner.
HRESULT CPallastra::ShowImageEditor(VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::ShowImageEditor(ControlWindow()));
}

HRESULT CPallastra::Rotate(short index, float angle, VARIANT_BOOL keepSize, VARIANT_BOOL* result) {
    return RotateEx(index, angle, keepSize, enumInterpolationMethod::Bicubic, result);
}

HRESULT CPallastra::RotateEx(short index, float angle, VARIANT_BOOL keepSize, enumInterpolationMethod method,
                             VARIANT_BOOL* result) {
    SetErrorCode(0);
    if (std::isnan(angle)) {
        SetErrorCode(kErrInvalidValue);
        return BoolResult(result, FALSE);
    }
    return BoolResult(result, CBrowserAddOnBase::RotateEx(index, angle, keepSize == VARIANT_TRUE,
                                                          static_cast<LONG>(method)));
}

HRESULT CPallastra::ChangeImageSize(short index, int width, int height, enumInterpolationMethod method,
                                    VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::ChangeImageSize(index, width, height, static_cast<LONG>(method)));
}

HRESULT CPallastra::GetImageSize(short index, int width, int height, double* result) {
    const double size = CBrowserAddOnBase::GetImageSize(index, width, height);
    if (result) *result = size;
    return ThrowModeResult(size == -1);
}

HRESULT CPallastra::SetDPI(short index, int x, int y, VARIANT_BOOL resample, enumInterpolationMethod method,
                           VARIANT_BOOL* result) {
    return BoolResult(result, CBrowserAddOnBase::SetDPI(index, x, y, resample == VARIANT_TRUE,
                                                        static_cast<LONG>(method)) == 1);
}

HRESULT CPallastra::GetImageXResolution(short index, long* result) {
    const LONG dpi = CBrowserAddOnBase::GetImageXResolution(index);
    if (result) *result = dpi;
    return S_OK;
}

HRESULT CPallastra::GetImageYResolution(short index, long* result) {
    const LONG dpi = CBrowserAddOnBase::GetImageYResolution(index);
    if (result) *result = dpi;
    return S_OK;
}

HRESULT CPallastra::OverlayRectangle(short index, int left, int top, int right, int bottom, int color, float opacity,
                                     VARIANT_BOOL* result) {
    SetErrorCode(0);
    return BoolResult(result, CBrowserAddOnBase::OverlayRectangle(index, left, top, right, bottom,
                                                                  static_cast<DWORD>(color), opacity));
}

HRESULT CPallastra::CreateTextFont(int height, int width, int escapement, int orientation, int weight, short italic,
                                   short underline, short strikeOut, short charSet, short outPrecision,
                                   short clipPrecision, short quality, short pitchAndFamily, BSTR faceName,
                                   VARIANT_BOOL* result) {
    char face[32];
    if (!BSTRToBuffer(faceName, face, sizeof(face), TextFit::Cut, TRUE)) return BoolResult(result, FALSE);
    return BoolResult(result, CBrowserAddOnBase::CreateTextFont(
                                  height, width, escapement, orientation, weight, BYTE(italic), BYTE(underline),
                                  BYTE(strikeOut), BYTE(charSet), BYTE(outPrecision), BYTE(clipPrecision),
                                  BYTE(quality), BYTE(pitchAndFamily), face));
}

HRESULT CPallastra::AddText(short index, int x, int y, BSTR text, int textColor, int backColor, float radius,
                            float opacity, VARIANT_BOOL* result) {
    char converted[1024];
    if (!BSTRToBuffer(text, converted, sizeof(converted), TextFit::Cut, TRUE)) return BoolResult(result, FALSE);
    return BoolResult(result, CBrowserAddOnBase::AddText(index, x, y, converted, static_cast<DWORD>(textColor),
                                                         static_cast<DWORD>(backColor), radius, opacity));
}

HRESULT CPallastra::IsBlankImage(short index, VARIANT_BOOL* result) {
    SetCurrentOperationId(326);
    const BOOL blank = CBrowserAddOnBase::IsBlankImage(index);
    if (result) *result = ToVariantBool(blank);
    return S_OK;
}

HRESULT CPallastra::IsBlankImageEx(short index, int left, int top, int right, int bottom, VARIANT_BOOL fuzzy,
                                   VARIANT_BOOL* result) {
    SetCurrentOperationId(352);
    const BOOL blank = CBrowserAddOnBase::IsBlankImageEx(index, left, top, right, bottom, fuzzy == VARIANT_TRUE);
    if (result) *result = ToVariantBool(blank);
    return GetErrorCode() != 0 && m_ifThrowException ? E_FAIL : S_OK;
}

HRESULT CPallastra::get_BlankImageCurrentStdDev(float* value) { return FieldGet(value, static_cast<float>(static_cast<float>(GetBlankImageCurrentStdDev()))); }

// ---- viewer ----

HRESULT CPallastra::get_Zoom(float* value) { return FieldGet(value, CBrowserAddOnBase::Zoom()); }

HRESULT CPallastra::put_Zoom(float value) { return ThrowModeResult(!CBrowserAddOnBase::Zoom(value)); }

HRESULT CPallastra::get_SelectedImagesCount(short* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return S_OK;
    *value = static_cast<short>(SelectedImagesCount());
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::put_SelectedImagesCount(short value) {
    if (!m_userMode) return E_FAIL;
    return ThrowModeResult(!SelectedImagesCount(value));
}

HRESULT CPallastra::get_SelectedImageIndex(short position, short* value) {
    if (!m_userMode) return E_FAIL;
    if (!value) return S_OK;
    *value = static_cast<short>(m_viewer.GetSelectedImageIndex(position));
    return S_OK;
}

HRESULT CPallastra::put_SelectedImageIndex(short position, short value) {
    if (!m_userMode) return E_FAIL;
    SetErrorCode(0);
    if (m_viewer.SetSelectedImageIndex(position, value)) return S_OK;
    SetErrorCode(kErrInvalidIndex);
    return ThrowModeResult(true);
}

HRESULT CPallastra::GetSelectedImageIndex(short position, short* value) { return get_SelectedImageIndex(position, value); }
HRESULT CPallastra::SetSelectedImageIndex(short position, short value) { return put_SelectedImageIndex(position, value); }

HRESULT CPallastra::SetSelectedImageArea(short index, int left, int top, int right, int bottom, VARIANT_BOOL* result) {
    SetErrorCode(0);
    const BOOL ok = m_viewer.SetSelectedImageArea(index, left, top, right, bottom);
    if (!ok) SetAdapterError(kErrAdapterFailed);
    if (result) *result = ToVariantBool(ok);
    return GetErrorCode() != 0 && m_ifThrowException ? E_FAIL : S_OK;
}

HRESULT CPallastra::SetViewMode(short columns, short rows) {
    m_viewer.SetViewMode(columns, rows);
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::GetViewMode(short* columns, short* rows) {
    int c = 0, r = 0;
    m_viewer.GetViewMode(&c, &r);
    if (columns) *columns = static_cast<short>(c);
    if (rows) *rows = static_cast<short>(r);
    SetErrorCode(0);
    return S_OK;
}

HRESULT CPallastra::get_MouseX(long* value) { return FieldGet(value, static_cast<long>(MouseX())); }

HRESULT CPallastra::get_MouseY(long* value) { return FieldGet(value, static_cast<long>(MouseY())); }

// ---- settings ----

HRESULT CPallastra::get_IfTiffMultiPage(VARIANT_BOOL* value) { return FieldGet(value, ToVariantBool(IfTiffMultiPage())); }

HRESULT CPallastra::put_IfTiffMultiPage(VARIANT_BOOL value) {
    IfTiffMultiPage(value == VARIANT_TRUE);
    return S_OK;
}

HRESULT CPallastra::get_IfShowProgressBar(VARIANT_BOOL* value) { return FieldGet(value, ToVariantBool(IfShowProgressBar())); }

HRESULT CPallastra::put_IfShowProgressBar(VARIANT_BOOL value) {
    IfShowProgressBar(value == VARIANT_TRUE);
    return S_OK;
}

HRESULT CPallastra::get_IfSSL(VARIANT_BOOL* value) { return FieldGet(value, ToVariantBool(IfSSL())); }

HRESULT CPallastra::put_IfSSL(VARIANT_BOOL value) {
    IfSSL(value == VARIANT_TRUE);
    return S_OK;
}

HRESULT CPallastra::get_IfPASVMode(VARIANT_BOOL* value) { return FieldGet(value, ToVariantBool(IfPASVMode())); }

HRESULT CPallastra::put_IfPASVMode(VARIANT_BOOL value) {
    IfPASVMode(value == VARIANT_TRUE);
    return S_OK;
}

HRESULT CPallastra::get_IfShowCancelDialogWhenImageTransfer(VARIANT_BOOL* value) { return FieldGet(value, ToVariantBool(IfShowCancelDialogWhenImageTransfer())); }

HRESULT CPallastra::put_IfShowCancelDialogWhenImageTransfer(VARIANT_BOOL value) {
    IfShowCancelDialogWhenImageTransfer(value == VARIANT_TRUE);
    return S_OK;
}

HRESULT CPallastra::get_AllowPluginAuthentication(VARIANT_BOOL* value) { return FieldGet(value, ToVariantBool(AllowPluginAuthentication())); }

HRESULT CPallastra::put_AllowPluginAuthentication(VARIANT_BOOL value) {
    AllowPluginAuthentication(value == VARIANT_TRUE);
    return S_OK;
}

HRESULT CPallastra::get_IfShowPrintUI(VARIANT_BOOL* value) { return FieldGet(value, ToVariantBool(IfShowPrintUI())); }

HRESULT CPallastra::put_IfShowPrintUI(VARIANT_BOOL value) {
    IfShowPrintUI(value == VARIANT_TRUE);
    return S_OK;
}

HRESULT CPallastra::get_IfShowFileDialog(VARIANT_BOOL* value) { return FieldGet(value, ToVariantBool(IfShowFileDialog())); }

HRESULT CPallastra::put_IfShowFileDialog(VARIANT_BOOL value) {
    IfShowFileDialog(value == VARIANT_TRUE);
    return S_OK;
}

HRESULT CPallastra::get_ImageEditorIfReadonly(VARIANT_BOOL* value) { return FieldGet(value, ToVariantBool(ImageEditorIfReadonly())); }

HRESULT CPallastra::put_ImageEditorIfReadonly(VARIANT_BOOL value) {
    ImageEditorIfReadonly(value == VARIANT_TRUE);
    return S_OK;
}

HRESULT CPallastra::get_ImageEditorIfEnableEnumerator(VARIANT_BOOL* value) { return FieldGet(value, ToVariantBool(ImageEditorIfEnableEnumerator())); }

HRESULT CPallastra::put_ImageEditorIfEnableEnumerator(VARIANT_BOOL value) {
    ImageEditorIfEnableEnumerator(value == VARIANT_TRUE);
    return S_OK;
}

HRESULT CPallastra::get_ImageEditorIfModal(VARIANT_BOOL* value) { return FieldGet(value, ToVariantBool(ImageEditorIfModal())); }

HRESULT CPallastra::put_ImageEditorIfModal(VARIANT_BOOL value) {
    ImageEditorIfModal(value == VARIANT_TRUE);
    return S_OK;
}

HRESULT CPallastra::get_JPEGQuality(short* value) { return FieldGet(value, static_cast<short>(JPEGQuality())); }

HRESULT CPallastra::put_JPEGQuality(short value) {
    JPEGQuality(value);
    return S_OK;
}

HRESULT CPallastra::get_FTPPort(int* value) { return FieldGet(value, static_cast<int>(FTPPort())); }

HRESULT CPallastra::put_FTPPort(int value) {
    FTPPort(value);
    return S_OK;
}

HRESULT CPallastra::get_HTTPPort(int* value) { return FieldGet(value, static_cast<int>(HTTPPort())); }

HRESULT CPallastra::put_HTTPPort(int value) {
    HTTPPort(value);
    return S_OK;
}

HRESULT CPallastra::get_MaxUploadImageSize(long* value) { return FieldGet(value, static_cast<long>(MaxUploadImageSize())); }

HRESULT CPallastra::put_MaxUploadImageSize(long value) {
    MaxUploadImageSize(value);
    return S_OK;
}

HRESULT CPallastra::get_InternetSendTimeout(long* value) { return FieldGet(value, static_cast<long>(InternetSendTimeout())); }

HRESULT CPallastra::put_InternetSendTimeout(long value) {
    InternetSendTimeout(value);
    return S_OK;
}

HRESULT CPallastra::get_InternetReceiveTimeout(long* value) { return FieldGet(value, static_cast<long>(InternetReceiveTimeout())); }

HRESULT CPallastra::put_InternetReceiveTimeout(long value) {
    InternetReceiveTimeout(value);
    return S_OK;
}

HRESULT CPallastra::get_ImageEditorWindowTitle(BSTR* value) { return TextGet(value, ImageEditorWindowTitle()); }

HRESULT CPallastra::put_ImageEditorWindowTitle(BSTR value) {
    std::string text;
    if (!BSTRToString(value, text, TRUE)) return ThrowModeResult(true);
    ImageEditorWindowTitle(text);
    return S_OK;
}

HRESULT CPallastra::get_PDFVersion(BSTR* value) { return TextGet(value, PDFVersion()); }

HRESULT CPallastra::put_PDFVersion(BSTR value) {
    std::string text;
    if (!BSTRToString(value, text, TRUE)) return ThrowModeResult(true);
    PDFVersion(text);
    return S_OK;
}

HRESULT CPallastra::get_PDFTitle(BSTR* value) { return TextGet(value, PDFTitle()); }

HRESULT CPallastra::put_PDFTitle(BSTR value) {
    std::string text;
    if (!BSTRToString(value, text, TRUE)) return ThrowModeResult(true);
    PDFTitle(text);
    return S_OK;
}

HRESULT CPallastra::get_PDFAuthor(BSTR* value) { return TextGet(value, PDFAuthor()); }

HRESULT CPallastra::put_PDFAuthor(BSTR value) {
    std::string text;
    if (!BSTRToString(value, text, TRUE)) return ThrowModeResult(true);
    PDFAuthor(text);
    return S_OK;
}

HRESULT CPallastra::get_PDFSubject(BSTR* value) { return TextGet(value, PDFSubject()); }

HRESULT CPallastra::put_PDFSubject(BSTR value) {
    std::string text;
    if (!BSTRToString(value, text, TRUE)) return ThrowModeResult(true);
    PDFSubject(text);
    return S_OK;
}

HRESULT CPallastra::get_PDFKeywords(BSTR* value) { return TextGet(value, PDFKeywords()); }

HRESULT CPallastra::put_PDFKeywords(BSTR value) {
    std::string text;
    if (!BSTRToString(value, text, TRUE)) return ThrowModeResult(true);
    PDFKeywords(text);
    return S_OK;
}

HRESULT CPallastra::get_PDFCreationDate(BSTR* value) { return TextGet(value, PDFCreationDate()); }

HRESULT CPallastra::put_PDFCreationDate(BSTR value) {
    std::string text;
    if (!BSTRToString(value, text, TRUE)) return ThrowModeResult(true);
    PDFCreationDate(text);
    return S_OK;
}

HRESULT CPallastra::get_PDFModifiedDate(BSTR* value) { return TextGet(value, PDFModifiedDate()); }

HRESULT CPallastra::put_PDFModifiedDate(BSTR value) {
    std::string text;
    if (!BSTRToString(value, text, TRUE)) return ThrowModeResult(true);
    PDFModifiedDate(text);
    return S_OK;
}

HRESULT CPallastra::get_PDFCreator(BSTR* value) { return TextGet(value, PDFCreator()); }

HRESULT CPallastra::put_PDFCreator(BSTR value) {
    std::string text;
    if (!BSTRToString(value, text, TRUE)) return ThrowModeResult(true);
    PDFCreator(text);
    return S_OK;
}

HRESULT CPallastra::get_PDFProducer(BSTR* value) { return TextGet(value, PDFProducer()); }

HRESULT CPallastra::put_PDFProducer(BSTR value) {
    std::string text;
    if (!BSTRToString(value, text, TRUE)) return ThrowModeResult(true);
    PDFProducer(text);
    return S_OK;
}

HRESULT CPallastra::get_FTPUserName(BSTR* value) { return TextGet(value, FTPUserName()); }

HRESULT CPallastra::put_FTPUserName(BSTR value) {
    std::string text;
    return ThrowModeResult(!BSTRToString(value, text, TRUE) || !FTPUserName(text, TextFit::Refuse));
}

HRESULT CPallastra::get_FTPPassword(BSTR* value) { return TextGet(value, FTPPassword()); }

HRESULT CPallastra::put_FTPPassword(BSTR value) {
    std::string text;
    return ThrowModeResult(!BSTRToString(value, text, TRUE) || !FTPPassword(text, TextFit::Refuse));
}

HRESULT CPallastra::get_HTTPUserName(BSTR* value) { return TextGet(value, HTTPUserName()); }

HRESULT CPallastra::put_HTTPUserName(BSTR value) {
    std::string text;
    return ThrowModeResult(!BSTRToString(value, text, TRUE) || !HTTPUserName(text, TextFit::Refuse));
}

HRESULT CPallastra::get_HTTPPassword(BSTR* value) { return TextGet(value, HTTPPassword()); }

HRESULT CPallastra::put_HTTPPassword(BSTR value) {
    std::string text;
    return ThrowModeResult(!BSTRToString(value, text, TRUE) || !HTTPPassword(text, TextFit::Refuse));
}

HRESULT CPallastra::get_ProxyServer(BSTR* value) { return TextGet(value, ProxyServer()); }

HRESULT CPallastra::put_ProxyServer(BSTR value) {
    std::string text;
    return ThrowModeResult(!BSTRToString(value, text, TRUE) || !ProxyServer(text, TextFit::Refuse));
}

HRESULT CPallastra::get_LogLevel(short* value) { return FieldGet(value, static_cast<short>(LogLevel())); }

// A refused level keeps its -1034 for the page to read.
HRESULT CPallastra::put_LogLevel(short value) { return ThrowModeResult(!LogLevel(value)); }

HRESULT CPallastra::get_TIFFCompressionType(enumTIFFCompressionType* value) { return FieldGet(value, static_cast<enumTIFFCompressionType>(CBrowserAddOnBase::TIFFCompressionType())); }

// A value outside the type's list keeps the old one and its -1034 for the page to read.
HRESULT CPallastra::put_TIFFCompressionType(enumTIFFCompressionType value) {
    return ThrowModeResult(!CBrowserAddOnBase::TIFFCompressionType(static_cast<LONG>(value)));
}

HRESULT CPallastra::get_PDFCompressionType(enumPDFCompressionType* value) { return FieldGet(value, static_cast<enumPDFCompressionType>(CBrowserAddOnBase::PDFCompressionType())); }

HRESULT CPallastra::put_PDFCompressionType(enumPDFCompressionType value) {
    return ThrowModeResult(!CBrowserAddOnBase::PDFCompressionType(static_cast<LONG>(value)));
}

HRESULT CPallastra::get_HttpFieldNameOfUploadedImage(BSTR* value) {
    if (!value) return E_POINTER;
    AnsiToBSTR(value, GetHttpFieldNameOfUploadedImage(), TRUE);
    return S_OK;
}

HRESULT CPallastra::put_HttpFieldNameOfUploadedImage(BSTR value) {
    std::string text;
    const BOOL ok = BSTRToString(value, text, TRUE) && SetHttpFieldNameOfUploadedImage(text.c_str());
    return ThrowModeResult(!ok);
}

HRESULT CPallastra::get_HTTPPostResponseString(BSTR* value) {
    if (!m_userMode) return E_FAIL;
    AnsiToBSTR(value, GetHTTPPostResponseString(), TRUE);
    return S_OK;
}

HRESULT CPallastra::SetHTTPFormField(BSTR name, BSTR value, VARIANT_BOOL* result) {
    SetErrorCode(0);
    if (!name || !value) {
        SetErrorCode(kErrGeneralFailure);
        return BoolResult(result, FALSE);
    }
    // Any length that fits in memory: pages send whole images as Base64 form values.
    std::string nameText, valueText;
    if (!BSTRToString(name, nameText, FALSE) || !BSTRToString(value, valueText, FALSE)) return BoolResult(result, FALSE);
    return BoolResult(result, CBrowserAddOnBase::SetHTTPFormField(nameText.c_str(), valueText.c_str()) == 1);
}

HRESULT CPallastra::ClearAllHTTPFormField(VARIANT_BOOL* result) {
    CBrowserAddOnBase::ClearAllHTTPFormField();
    if (result) *result = VARIANT_TRUE;
    return S_OK;
}

HRESULT CPallastra::SetCookie(BSTR cookie) {
    char text[4096];
    const BOOL ok = BSTRToBuffer(cookie, text, sizeof(text), TextFit::Refuse, TRUE) && CBrowserAddOnBase::SetCookie(text);
    return ThrowModeResult(!ok);
}

// The 40-byte information header of a buffer image (R, T); 0 when it cannot be read.
#define PALLASTRA_DEFINE_HEADER_READ(name, type, field)                          \
    HRESULT CPallastra::name(short index, type* result) {                        \
        SetErrorCode(0);                                                         \
        BITMAPINFOHEADER header{};                                               \
        const BOOL ok = GetImageInfoHeader(index, &header);                      \
        if (result) *result = ok ? static_cast<type>(header.field) : 0;          \
        return ThrowModeResult(!ok);                                             \
    }
PALLASTRA_DEFINE_HEADER_READ(GetImageBitDepth, short, biBitCount)
PALLASTRA_DEFINE_HEADER_READ(GetImageWidth, long, biWidth)
PALLASTRA_DEFINE_HEADER_READ(GetImageHeight, long, biHeight)
#undef PALLASTRA_DEFINE_HEADER_READ
