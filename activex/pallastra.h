// CPallastra: the control object a page embeds. One object is the COM control (window, embedding,
// events, persistence), the implementation of ILumetta and the engine object of both hosts.
#pragma once

#include <string>
#include <vector>

#include "activex/event_proxy.h"
#include "activex/ilumetta.h"
#include "activex/lumetta_dispatch_defaults.h"
#include "base/event_record.h"
#include "comcontrol/com_control.h"
#include "core/browser_addon_base.h"
#include "core/text_fit.h"





class CPallastra final : public comcontrol::ComControl,
                         public LumettaDispatchDefaults,
                         public CBrowserAddOnBase,
                         public WindowOwnerHold {
public:
    // The class's creation function for the object map; aggregation is refused.
    static HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out);

    // IUnknown, once for every base.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // WindowOwnerHold: each message of the viewer and its cells holds a reference, so a page that
    // lets go of the control inside a mouse event leaves it alive until the viewer has returned.
    void HoldOwner() override;
    void ReleaseOwner() override;

    // IDispatch: the type library's members, and the source kinds setting that the interface does
    // not carry ("SupportedDeviceType": 0 scanners, 1 webcams, 2 both), so pages reach scanners.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* error, UINT* argError) override;

    // The ILumetta members of the control itself.
    HRESULT STDMETHODCALLTYPE get_ErrorCode(long* value) override;
    HRESULT STDMETHODCALLTYPE get_IfThrowException(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IfThrowException(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_CurrentHWND(int* value) override;
    HRESULT STDMETHODCALLTYPE get_IfShowUI(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IfShowUI(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_MaxImagesInBuffer(short* value) override;
    HRESULT STDMETHODCALLTYPE put_MaxImagesInBuffer(short value) override;
    HRESULT STDMETHODCALLTYPE get_HowManyImagesInBuffer(short* value) override;
    HRESULT STDMETHODCALLTYPE get_IfAppendImage(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IfAppendImage(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_BlankImageThreshold(int* value) override;
    HRESULT STDMETHODCALLTYPE put_BlankImageThreshold(int value) override;
    HRESULT STDMETHODCALLTYPE get_BlankImageMaxStdDev(float* value) override;
    HRESULT STDMETHODCALLTYPE put_BlankImageMaxStdDev(float value) override;
    HRESULT STDMETHODCALLTYPE get_BackgroundFillColor(long* value) override;
    HRESULT STDMETHODCALLTYPE put_BackgroundFillColor(long value) override;
    HRESULT STDMETHODCALLTYPE get_Manufacturer(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_Manufacturer(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_ProductFamily(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_ProductFamily(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_ProductName(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_ProductName(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_VersionInfo(BSTR* value) override;
    // The viewer's persisted properties; BorderStyle and IfFitWindow also ask for a redraw.
    HRESULT STDMETHODCALLTYPE get_BorderStyle(enumBORDER_STYLE* value) override;
    HRESULT STDMETHODCALLTYPE put_BorderStyle(enumBORDER_STYLE value) override;
    HRESULT STDMETHODCALLTYPE get_IfFitWindow(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IfFitWindow(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_FitWindowType(short* value) override;
    HRESULT STDMETHODCALLTYPE put_FitWindowType(short value) override;
    HRESULT STDMETHODCALLTYPE get_ImageMargin(short* value) override;
    HRESULT STDMETHODCALLTYPE put_ImageMargin(short value) override;
    HRESULT STDMETHODCALLTYPE get_MouseShape(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_MouseShape(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_EnableInteractiveZoom(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_EnableInteractiveZoom(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_VScrollBar(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_VScrollBar(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_SelectionImageBorderColor(long* value) override;
    HRESULT STDMETHODCALLTYPE put_SelectionImageBorderColor(long value) override;
    HRESULT STDMETHODCALLTYPE get_AllowMultiSelect(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_AllowMultiSelect(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_BackgroundColor(long* value) override;
    HRESULT STDMETHODCALLTYPE put_BackgroundColor(long value) override;
    HRESULT STDMETHODCALLTYPE put_VersionInfo(BSTR value) override;


    // ---- Members that reach the engine (pallastra_members.cpp, pallastra_files.cpp,
    // pallastra_data.cpp). Families of one shape are declared and defined from one table.
    // Sources and image operations, in the engine's functions of the same names (sources routed to
    // the TWAIN source or the webcam).
    HRESULT STDMETHODCALLTYPE AcquireImage(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE EnableSource(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE SelectSource(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE OpenSource(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE CloseSource(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE RotateLeft(short index, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE RotateRight(short index, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE Flip(short index, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE Mirror(short index, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE CopyToClipboard(short index, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE CutToClipboard(short index, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE Crop(short index, int left, int top, int right, int bottom, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE CropToClipboard(short index, int left, int top, int right, int bottom,
                                              VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE CutFrameToClipboard(short index, int left, int top, int right, int bottom,
                                                  VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE Erase(short index, int left, int top, int right, int bottom, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE get_IfTiffMultiPage(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IfTiffMultiPage(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_IfShowProgressBar(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IfShowProgressBar(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_IfSSL(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IfSSL(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_IfPASVMode(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IfPASVMode(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_IfShowCancelDialogWhenImageTransfer(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IfShowCancelDialogWhenImageTransfer(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_AllowPluginAuthentication(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_AllowPluginAuthentication(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_IfShowPrintUI(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IfShowPrintUI(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_IfShowFileDialog(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_IfShowFileDialog(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_ImageEditorIfReadonly(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_ImageEditorIfReadonly(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_ImageEditorIfEnableEnumerator(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_ImageEditorIfEnableEnumerator(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_ImageEditorIfModal(VARIANT_BOOL* value) override;
    HRESULT STDMETHODCALLTYPE put_ImageEditorIfModal(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_JPEGQuality(short* value) override;
    HRESULT STDMETHODCALLTYPE put_JPEGQuality(short value) override;
    HRESULT STDMETHODCALLTYPE get_FTPPort(int* value) override;
    HRESULT STDMETHODCALLTYPE put_FTPPort(int value) override;
    HRESULT STDMETHODCALLTYPE get_HTTPPort(int* value) override;
    HRESULT STDMETHODCALLTYPE put_HTTPPort(int value) override;
    HRESULT STDMETHODCALLTYPE get_MaxUploadImageSize(long* value) override;
    HRESULT STDMETHODCALLTYPE put_MaxUploadImageSize(long value) override;
    HRESULT STDMETHODCALLTYPE get_InternetSendTimeout(long* value) override;
    HRESULT STDMETHODCALLTYPE put_InternetSendTimeout(long value) override;
    HRESULT STDMETHODCALLTYPE get_InternetReceiveTimeout(long* value) override;
    HRESULT STDMETHODCALLTYPE put_InternetReceiveTimeout(long value) override;
    HRESULT STDMETHODCALLTYPE get_ImageEditorWindowTitle(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_ImageEditorWindowTitle(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_PDFVersion(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_PDFVersion(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_PDFTitle(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_PDFTitle(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_PDFAuthor(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_PDFAuthor(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_PDFSubject(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_PDFSubject(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_PDFKeywords(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_PDFKeywords(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_PDFCreationDate(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_PDFCreationDate(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_PDFModifiedDate(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_PDFModifiedDate(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_PDFCreator(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_PDFCreator(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_PDFProducer(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_PDFProducer(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_FTPUserName(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_FTPUserName(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_FTPPassword(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_FTPPassword(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_HTTPUserName(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_HTTPUserName(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_HTTPPassword(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_HTTPPassword(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_ProxyServer(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_ProxyServer(BSTR value) override;
    HRESULT STDMETHODCALLTYPE SaveAsBMP(BSTR fileName, short index, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE SaveAsJPEG(BSTR fileName, short index, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE SaveAsTIFF(BSTR fileName, short index, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE SaveAsPNG(BSTR fileName, short index, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE SaveAsPDF(BSTR fileName, short index, VARIANT_BOOL* result) override;

    HRESULT STDMETHODCALLTYPE get_FrameRateListCount(int* value) override;
    HRESULT STDMETHODCALLTYPE GetFrameRateByIndex(int index, long* value) override;
    HRESULT STDMETHODCALLTYPE SelectFrameRateByIndex(int index, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE get_FrameRate(long* value) override;
    HRESULT STDMETHODCALLTYPE SetVideoContainer(int window, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE DisplayPropertyPage(int window, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE get_ErrorString(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE SelectSourceByIndex(short index, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE get_DefaultSourceName(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_CurrentSourceName(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_SourceCount(short* value) override;
    HRESULT STDMETHODCALLTYPE GetSourceNameItems(short index, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_CurrentImageIndexInBuffer(short* value) override;
    HRESULT STDMETHODCALLTYPE put_CurrentImageIndexInBuffer(short value) override;
    HRESULT STDMETHODCALLTYPE RemoveAllImages() override;
    HRESULT STDMETHODCALLTYPE RemoveImage(short index, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE RemoveAllSelectedImages(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE SwitchImage(short first, short second, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE MoveImage(short from, short to, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE LoadDibFromClipboard(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE Print(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE ShowImageEditor(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE Rotate(short index, float angle, VARIANT_BOOL keepSize, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE RotateEx(short index, float angle, VARIANT_BOOL keepSize, enumInterpolationMethod method,
                                       VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE ChangeImageSize(short index, int width, int height, enumInterpolationMethod method,
                                              VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE GetImageSize(short index, int width, int height, double* result) override;
    HRESULT STDMETHODCALLTYPE SetDPI(short index, int x, int y, VARIANT_BOOL resample, enumInterpolationMethod method,
                                     VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE GetImageXResolution(short index, long* result) override;
    HRESULT STDMETHODCALLTYPE GetImageYResolution(short index, long* result) override;
    HRESULT STDMETHODCALLTYPE OverlayRectangle(short index, int left, int top, int right, int bottom, int color,
                                               float opacity, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE CreateTextFont(int height, int width, int escapement, int orientation, int weight,
                                             short italic, short underline, short strikeOut, short charSet,
                                             short outPrecision, short clipPrecision, short quality,
                                             short pitchAndFamily, BSTR faceName, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE AddText(short index, int x, int y, BSTR text, int textColor, int backColor, float radius,
                                      float opacity, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE IsBlankImage(short index, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE IsBlankImageEx(short index, int left, int top, int right, int bottom, VARIANT_BOOL fuzzy,
                                             VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE get_BlankImageCurrentStdDev(float* value) override;
    HRESULT STDMETHODCALLTYPE get_Zoom(float* value) override;
    HRESULT STDMETHODCALLTYPE put_Zoom(float value) override;
    HRESULT STDMETHODCALLTYPE get_SelectedImagesCount(short* value) override;
    HRESULT STDMETHODCALLTYPE put_SelectedImagesCount(short value) override;
    HRESULT STDMETHODCALLTYPE get_SelectedImageIndex(short position, short* value) override;
    HRESULT STDMETHODCALLTYPE put_SelectedImageIndex(short position, short value) override;
    HRESULT STDMETHODCALLTYPE GetSelectedImageIndex(short position, short* value) override;
    HRESULT STDMETHODCALLTYPE SetSelectedImageIndex(short position, short value) override;
    HRESULT STDMETHODCALLTYPE SetSelectedImageArea(short index, int left, int top, int right, int bottom,
                                                   VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE SetViewMode(short columns, short rows) override;
    HRESULT STDMETHODCALLTYPE GetViewMode(short* columns, short* rows) override;
    HRESULT STDMETHODCALLTYPE get_MouseX(long* value) override;
    HRESULT STDMETHODCALLTYPE get_MouseY(long* value) override;
    HRESULT STDMETHODCALLTYPE get_LogLevel(short* value) override;
    HRESULT STDMETHODCALLTYPE put_LogLevel(short value) override;
    HRESULT STDMETHODCALLTYPE get_TIFFCompressionType(enumTIFFCompressionType* value) override;
    HRESULT STDMETHODCALLTYPE put_TIFFCompressionType(enumTIFFCompressionType value) override;
    HRESULT STDMETHODCALLTYPE get_PDFCompressionType(enumPDFCompressionType* value) override;
    HRESULT STDMETHODCALLTYPE put_PDFCompressionType(enumPDFCompressionType value) override;
    HRESULT STDMETHODCALLTYPE get_HttpFieldNameOfUploadedImage(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_HttpFieldNameOfUploadedImage(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_HTTPPostResponseString(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE SetHTTPFormField(BSTR name, BSTR value, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE ClearAllHTTPFormField(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE SetCookie(BSTR cookie) override;
    HRESULT STDMETHODCALLTYPE GetImageBitDepth(short index, short* result) override;
    HRESULT STDMETHODCALLTYPE GetImageWidth(short index, long* result) override;
    HRESULT STDMETHODCALLTYPE GetImageHeight(short index, long* result) override;

    // Files and transfers.
    HRESULT STDMETHODCALLTYPE SaveAllAsMultiPageTIFF(BSTR fileName, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE SaveAllAsPDF(BSTR fileName, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE SaveSelectedImagesAsMultiPageTIFF(BSTR fileName, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE SaveSelectedImagesAsMultiPagePDF(BSTR fileName, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE LoadImage(BSTR fileName, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE LoadImageEx(BSTR fileName, enumTW_IMAGE_TYPE type, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE ShowFileDialog(VARIANT_BOOL save, BSTR filter, long filterIndex, BSTR defExtension,
                                             BSTR initialDir, VARIANT_BOOL multiSelect, VARIANT_BOOL overwritePrompt,
                                             long flags, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPUploadThroughPost(BSTR server, short index, BSTR actionPage, BSTR fileName,
                                                    VARIANT_BOOL* result) override;
    // Members that take the type from a remote name and call their Ex member (which answers for
    // the transfer layer of this build).
    HRESULT STDMETHODCALLTYPE FTPUpload(BSTR server, short index, BSTR remoteFile, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE FTPUploadAllAsPDF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE FTPDownload(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPDownload(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPUploadThroughPostEx(BSTR server, short index, BSTR actionPage, BSTR fileName,
                                                      enumTW_IMAGE_TYPE type, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPUploadAllThroughPostAsMultiPageTIFF(BSTR server, BSTR actionPage, BSTR fileName,
                                                                      VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPUploadAllThroughPostAsPDF(BSTR server, BSTR actionPage, BSTR fileName,
                                                            VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPUploadThroughPostAsMultiPageTIFF(BSTR server, BSTR actionPage, BSTR fileName,
                                                                   VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPUploadThroughPostAsMultiPagePDF(BSTR server, BSTR actionPage, BSTR fileName,
                                                                  VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPUploadThroughPostDirectly(BSTR server, BSTR localFile, BSTR actionPage,
                                                            BSTR fileName, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPUploadThroughPut(BSTR server, short index, BSTR remoteFile,
                                                   VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPUploadThroughPutEx(BSTR server, short index, BSTR remoteFile, enumTW_IMAGE_TYPE type,
                                                     VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPUploadAllThroughPutAsMultiPageTIFF(BSTR server, BSTR remoteFile,
                                                                     VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPUploadAllThroughPutAsPDF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPUploadThroughPutAsMultiPageTIFF(BSTR server, BSTR fileName,
                                                                  VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPUploadThroughPutAsMultiPagePDF(BSTR server, BSTR fileName,
                                                                 VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPUploadThroughPutDirectly(BSTR server, BSTR localFile, BSTR remoteFile,
                                                           VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE FTPUploadEx(BSTR server, short index, BSTR remoteFile, enumTW_IMAGE_TYPE type,
                                          VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE FTPUploadAllAsMultiPageTIFF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE FTPUploadAsMultiPageTIFF(BSTR server, BSTR fileName, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE FTPUploadAsMultiPagePDF(BSTR server, BSTR fileName, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE FTPUploadDirectly(BSTR server, BSTR localFile, BSTR remoteFile,
                                                VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE FTPDownloadEx(BSTR server, BSTR remoteFile, enumTW_IMAGE_TYPE type,
                                            VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPDownloadEx(BSTR server, BSTR remoteFile, enumTW_IMAGE_TYPE type,
                                             VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE FTPDownloadDirectly(BSTR server, BSTR remoteFile, BSTR localFile,
                                                  VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE HTTPDownloadDirectly(BSTR server, BSTR remoteFile, BSTR localFile,
                                                   VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE BindSSLCert(BSTR issuer, BSTR serialNumber, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE BindSSLCertEx(BSTR subjectKeyword, VARIANT_BOOL* result) override;

    // Image data exchange.
    HRESULT STDMETHODCALLTYPE get_hDIB(short index, long* value) override;
    HRESULT STDMETHODCALLTYPE GetHDIB(short index, long* value) override;
    HRESULT STDMETHODCALLTYPE get_Picture(short index, IPictureDisp** value) override;
    HRESULT STDMETHODCALLTYPE GetImageSizeWithSpecifiedType(short index, short type, long* size) override;
    HRESULT STDMETHODCALLTYPE GetSelectedImagesSize(long type, long* size) override;
    HRESULT STDMETHODCALLTYPE SaveSelectedImagesToBytes(long bufferSize, VARIANT* buffer, long* written) override;
    HRESULT STDMETHODCALLTYPE SaveSelectedImagesToBase64Binary(BSTR* text) override;
    HRESULT STDMETHODCALLTYPE LoadImageFromBytes(long bufferSize, VARIANT* buffer, long type, VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE LoadImageFromBase64Binary(BSTR data, long type, VARIANT_BOOL* result) override;

    // Conversions between script text and the engine's narrow texts (system code page).
    // A new BSTR of an engine text into *out (never freeing what *out held); error 2 without memory.
    BOOL AnsiToBSTR(BSTR* out, const char* text, BOOL resetError);
    // A script text into a fixed buffer of size bytes. Over-long text is refused (-1034) or cut at
    // a character boundary; a failed conversion gives error 2. The buffer changes only on success.
    BOOL BSTRToBuffer(BSTR text, char* buffer, size_t size, TextFit fit, BOOL resetError);
    // A script text of any length in the system code page; false (error 2) when it cannot be converted.
    BOOL BSTRToString(BSTR text, std::string& out, BOOL resetError);
    // Moves a script byte array into a new block (*block null) or a block into the array.
    BOOL ByteArrayTransfer(ULONG size, VARIANT* array, HGLOBAL* block, ULONG* length);

    // Engine slots.
    void FirePlainEvent(EventKind kind) override;
    void HookMessage() override;
    void UnhookMessage() override;
    void OnBufferChanged(HGLOBAL current, int quiet) override;
    void OnPostLoad(const char* path, const char* name, SHORT type) override;
    void OnGetFilePath(BOOL save, LONG count, LONG index, const char* path, const char* name) override;
    DWORD ShowInternetErrorDialog(HMODULE wininet, HANDLE request, DWORD status, DWORD flags, LPVOID* data) override;
    HWND GetViewerWindow() override { return m_viewer.Window(); }
    HINSTANCE GetModuleInstance() override { return comcontrol::Module().Instance(); }
    void OnTransferPercentage(SHORT percent, LONG* cancel) override;
    BOOL SetScriptString(void* scriptString, const char* text, BOOL resetError) override;
    void OnBeforeOperate(LONG id, const char* name) override;
    void OnOperateStatus(const char* status, LONG percent) override;
    void OnAfterOperate(LONG id, const char* name, BOOL succeeded, const char* errorText) override;

    // The viewer's event forwarders.
    virtual void FireMouseClick(SHORT index) { m_proxy.Fire_ImageIndex(kDispIdOnMouseClick, index); }
    virtual void FireMouseMove(SHORT index) { m_proxy.Fire_ImageIndex(kDispIdOnMouseMove, index); }
    virtual void FireMouseRightClick(SHORT index) { m_proxy.Fire_ImageIndex(kDispIdOnMouseRightClick, index); }
    virtual void FireMouseDoubleClick(SHORT index) { m_proxy.Fire_ImageIndex(kDispIdOnMouseDoubleClick, index); }
    virtual void FireTopImageChanged(SHORT index) { m_proxy.Fire_ImageIndex(kDispIdOnTopImageInTheViewChanged, index); }
    virtual void FireImageAreaSelected(SHORT index, const RECT& r) {
        m_proxy.Fire_OnImageAreaSelected(index, r.left, r.top, r.right, r.bottom);
    }
    virtual void FireImageAreaDeselected(SHORT index) { m_proxy.Fire_ImageIndex(kDispIdOnImageAreaDeselected, index); }

    // Turns an event record that reached the control window into an event; nonzero when handled.
    LRESULT DispatchEventRecord(EventRecord* record);

    LONG UserMode() const { return m_userMode; }
    HWND ViewerWindow() const { return m_viewer.Window(); }

    // A text of the engine as a new BSTR (system code page); null and error -1002 without memory.
    BSTR MakeEventString(const char* text);

protected:
    LRESULT ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    HRESULT LoadProperties(IPropertyBag* bag, IErrorLog* log) override;
    HRESULT SaveProperties(IPropertyBag* bag) override;
    HRESULT LoadFromStream(IStream* stream) override;
    HRESULT SaveToStream(IStream* stream) override;
    HRESULT StreamSize(ULONGLONG* size) override;
    HINSTANCE ModuleInstance() const override { return comcontrol::Module().Instance(); }

public:
    // ---- Members the type library does not carry (pallastra_unexposed.cpp): no member id, no
    // dispatch entry, so page script cannot reach them; C++ callers can. Each has the adapter
    // shape of the script members: gate (G), reset (R), one engine call, the throw rule (T).
    HRESULT get_BarcodeCount(long* value);
    HRESULT GetBarcodeText(short index, BSTR* text);
    HRESULT ReadBarcode(short index, long format, VARIANT_BOOL* result);
    HRESULT ReadBarcodeEx(short index, long left, long top, long right, long bottom, long format, VARIANT_BOOL* result);
    HRESULT ReadBarcodeDirectly(BSTR fileName, long format, VARIANT_BOOL* result);
    HRESULT ReadBarcodeDirectlyEx(BSTR fileName, long left, long top, long right, long bottom, long format,
                                  VARIANT_BOOL* result);
    HRESULT OCR(short index, BSTR outputFile, VARIANT_BOOL* result);
    HRESULT OCREx(short index, BSTR* text);
    HRESULT OCRDirectly(BSTR files, BSTR outputFile, VARIANT_BOOL* result);
    HRESULT OCRDirectlyEx(BSTR files, BSTR* text);
    HRESULT OCRSelectedImages(BSTR outputFile, VARIANT_BOOL* result);
    HRESULT OCRSelectedImagesEx(BSTR* text);
    HRESULT OCREx1(short index, long left, long top, long right, long bottom, BSTR* text);
    HRESULT HTTPDownloadOCRLangData(BSTR server, BSTR remotePath, VARIANT_BOOL onlyIfMissing, long* result);
    HRESULT get_OCRTessDataPath(BSTR* value);
    HRESULT put_OCRTessDataPath(BSTR value);
    HRESULT get_OCRLanguage(BSTR* value);
    HRESULT put_OCRLanguage(BSTR value);
    HRESULT get_OCRPageSetMode(long* value);
    HRESULT put_OCRPageSetMode(long value);
    HRESULT get_OCRResultFormat(long* value);
    HRESULT put_OCRResultFormat(long value);
    HRESULT get_OCRDllPath(BSTR* value);
    HRESULT put_OCRDllPath(BSTR value);
    HRESULT get_OCRUnicodeFontName(BSTR* value);
    HRESULT put_OCRUnicodeFontName(BSTR value);
    HRESULT get_OCRUseDetectedFont(VARIANT_BOOL* value);
    HRESULT put_OCRUseDetectedFont(VARIANT_BOOL value);
    HRESULT get_MagType(short* value);
    HRESULT get_MagData(BSTR* value);
    HRESULT get_PendingXfers(short* value);
    HRESULT get_IfDisableSourceAfterAcquire(VARIANT_BOOL* value);
    HRESULT put_IfDisableSourceAfterAcquire(VARIANT_BOOL value);
    HRESULT get_IfModalUI(VARIANT_BOOL* value);
    HRESULT put_IfModalUI(VARIANT_BOOL value);
    HRESULT get_IfScanInThread(VARIANT_BOOL* value);
    HRESULT put_IfScanInThread(VARIANT_BOOL value);
    HRESULT get_IfScanInNewThread(VARIANT_BOOL* value) { return get_IfScanInThread(value); }
    HRESULT put_IfScanInNewThread(VARIANT_BOOL value) { return put_IfScanInThread(value); }
    HRESULT get_SupportedDeviceType(long* value);
    HRESULT put_SupportedDeviceType(long value);
    HRESULT CloseSourceManager(VARIANT_BOOL* result);
    HRESULT DisableSource(VARIANT_BOOL* result);
    HRESULT CancelAllPendingTransfers(VARIANT_BOOL* result);

    // ---- The device members: the TWAIN settings, the capability work area, the image information,
    // the webcam's format lists and camera families, one line each from core/device_members.table
    // (pallastra_device_members_generated.cpp); the other TWAIN members (pallastra_twain_members.cpp).
#include "activex/pallastra_device_members_generated.inc"
    HRESULT SetImageLayout(float left, float top, float right, float bottom, VARIANT_BOOL* result);
    HRESULT ResetImageLayout(VARIANT_BOOL* result);
    HRESULT get_Capability(long* value);
    HRESULT put_Capability(long value);
    HRESULT get_CapType(short* value);
    HRESULT put_CapType(short value);
    HRESULT get_CapValueType(short* value);
    HRESULT put_CapValueType(short value);
    HRESULT get_CapCurrentIndex(long* value);
    HRESULT put_CapCurrentIndex(long value);
    HRESULT get_CapDefaultIndex(long* value);
    HRESULT get_CapNumItems(long* value);
    HRESULT put_CapNumItems(long value);
    HRESULT get_CapValueString(BSTR* value);
    HRESULT put_CapValueString(BSTR value);
    HRESULT CapIfSupported(long mask, VARIANT_BOOL* result);
    HRESULT GetCapItems(long index, double* value);
    HRESULT SetCapItems(long index, double value, VARIANT_BOOL* result);
    HRESULT GetCapItemsString(long index, BSTR* text);
    HRESULT SetCapItemsString(long index, BSTR text, VARIANT_BOOL* result);
    // Second names of the four item accessors.
    HRESULT GetCapItem(long index, double* value) { return GetCapItems(index, value); }
    HRESULT SetCapItem(long index, double value, VARIANT_BOOL* result) { return SetCapItems(index, value, result); }
    HRESULT GetCapItemString(long index, BSTR* text) { return GetCapItemsString(index, text); }
    HRESULT SetCapItemString(long index, BSTR text, VARIANT_BOOL* result) {
        return SetCapItemsString(index, text, result);
    }
    HRESULT CapSetFrame(short index, float left, float top, float right, float bottom, VARIANT_BOOL* result);
    HRESULT get_Resolution(float* value);
    HRESULT put_Resolution(float value);
    HRESULT get_Duplex(long* value);
    HRESULT get_DataSourceStatus(long* value);
    HRESULT get_TransferMode(short* value);
    HRESULT put_TransferMode(short value);
    HRESULT SetFileXferInfo(BSTR fileName, long format, VARIANT_BOOL* result);
    HRESULT RewindPage(VARIANT_BOOL* result);
    HRESULT FeedPage(VARIANT_BOOL* result);
    HRESULT GetDeviceType(long* value);
    HRESULT get_IfUseTwainDSM(VARIANT_BOOL* value);
    HRESULT put_IfUseTwainDSM(VARIANT_BOOL value);
    HRESULT get_IfHookMessage(VARIANT_BOOL* value);
    HRESULT put_IfHookMessage(VARIANT_BOOL value);
    HRESULT OpenSourceManager(VARIANT_BOOL* result);
    HRESULT SourceNameItems(short index, BSTR* value);

private:
    CPallastra();
    ~CPallastra() override;

    LRESULT OnCreate();
    void OnSetCurrentImage(SHORT index);
    void FirePercentagePair(SHORT percent, LONG* cancel);
    // The event of a record kind that carries nothing (kinds 0 to 5 and 21).
    static DISPID PlainEventDispId(EventKind kind);
    HRESULT ThrowModeResult(bool failed) const { return failed && m_ifThrowException == 1 ? E_FAIL : S_OK; }
    // The adapters' own positive codes 1 (failed) and 2 (no memory), stored as they are.
    void SetAdapterError(LONG code) { m_errorCode = code; }
    // An R get: the value out, the error code cleared.
    template <typename T>
    HRESULT FieldGet(T* out, T value) {
        if (!out) return E_POINTER;
        *out = value;
        SetErrorCode(0);
        return S_OK;
    }
    // The throw rule of the members that fail when the error code is set after the call.
    HRESULT ErrorCodeResult() const { return GetErrorCode() != 0 && m_ifThrowException == 1 ? E_FAIL : S_OK; }
    // An R text get: a new BSTR of the engine text (empty for null), the error code cleared.
    HRESULT TextGet(BSTR* out, const char* text) {
        if (!out) return E_POINTER;
        AnsiToBSTR(out, text ? text : "", TRUE);
        return S_OK;
    }
    // The conversions of the device members (pallastra_device_members_generated.cpp). A member
    // answers failure in throw mode when its core function failed, when the error code is set
    // after the call, or never.
    enum class DeviceThrow { OnFailure, OnErrorCode, Never };
    HRESULT DeviceResult(BOOL ok, DeviceThrow rule) const {
        if (rule == DeviceThrow::OnFailure) return ThrowModeResult(!ok);
        return rule == DeviceThrow::OnErrorCode ? ErrorCodeResult() : S_OK;
    }
    // A gated read through a core getter's out-pointer of the member's own type.
    template <typename T, typename C>
    HRESULT GatedRead(T* value, BOOL (C::*read)(T*), DeviceThrow rule) {
        if (!m_userMode) return E_FAIL;
        T answer{};
        const BOOL ok = (this->*read)(&answer);
        if (value) *value = answer;
        return DeviceResult(ok, rule);
    }
    // The same through a camera member's function (core/camera_members_generated.h).
    template <typename T>
    HRESULT GatedRead(T* value, BOOL (*read)(CBrowserAddOnBase&, T*), DeviceThrow rule) {
        if (!m_userMode) return E_FAIL;
        T answer{};
        const BOOL ok = read(*this, &answer);
        if (value) *value = answer;
        return DeviceResult(ok, rule);
    }
    // A gated switch read: true only when the core getter succeeded with a nonzero value.
    template <typename C>
    HRESULT GatedSwitchRead(VARIANT_BOOL* value, BOOL (C::*read)(BOOL*), DeviceThrow rule) {
        if (!m_userMode) return E_FAIL;
        BOOL on = FALSE;
        const BOOL ok = (this->*read)(&on);
        if (value) *value = ok && on ? VARIANT_TRUE : VARIANT_FALSE;
        return DeviceResult(ok, rule);
    }
    HRESULT GatedSwitchRead(VARIANT_BOOL* value, BOOL (*read)(CBrowserAddOnBase&, BOOL*), DeviceThrow rule) {
        if (!m_userMode) return E_FAIL;
        BOOL on = FALSE;
        const BOOL ok = read(*this, &on);
        if (value) *value = ok && on ? VARIANT_TRUE : VARIANT_FALSE;
        return DeviceResult(ok, rule);
    }
    // A gated read of a core function that answers the value itself.
    template <typename T, typename U, typename C>
    HRESULT GatedField(T* value, U (C::*read)()) {
        if (!m_userMode) return E_FAIL;
        if (!value) return E_POINTER;
        *value = static_cast<T>((this->*read)());
        return S_OK;
    }
    // A gated text read: the core function hands the text to the script's string.
    template <typename Call>
    HRESULT GatedText(BSTR* value, Call call) {
        if (!m_userMode) return E_FAIL;
        if (value) *value = nullptr;
        call();
        return S_OK;
    }
    // A frame member of a work-area item, and the throw rule on failure.
    template <typename C>
    HRESULT FrameRead(short index, float* value, BOOL (C::*read)(LONG, float*)) {
        float answer = 0;
        const BOOL ok = (this->*read)(index, &answer);
        if (value) *value = answer;
        return ThrowModeResult(!ok);
    }
    // An image layout handed out (zeros when the read failed) with the Boolean result.
    template <typename C>
    HRESULT LayoutRead(float* left, float* top, float* right, float* bottom, VARIANT_BOOL* result,
                       BOOL (C::*read)(float*, float*, float*, float*)) {
        float frame[4] = {};
        const BOOL ok = (this->*read)(&frame[0], &frame[1], &frame[2], &frame[3]);
        float* outputs[4] = {left, top, right, bottom};
        for (int i = 0; i < 4; ++i)
            if (outputs[i]) *outputs[i] = ok ? frame[i] : 0.0f;
        return BoolResult(result, ok);
    }
    // A VARIANT_BOOL result of an operation and the throw rule.
    HRESULT BoolResult(VARIANT_BOOL* result, BOOL ok);
    HRESULT UnsupportedMember(bool property) override;
    BOOL ImageTypeFromFileName(BSTR fileName, SHORT* type);

    volatile LONG m_refs = 1;
    bool m_deleting = false;  // the viewer's last messages come while the destructor runs
    LONG m_userMode = 0;
    CProxy_ILumettaEvents m_proxy;
    IPictureDisp* m_heldPicture = nullptr;
};

