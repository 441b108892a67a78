// CBrowserAddOnBase: the host-neutral scripting core, the last layer of the engine object. Nearly
// every script member of both hosts ends in one of its operations. The host class of each
// deliverable derives from it and supplies the pure slots 21 to 24.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "capture/webcam/media_type_dictionary.h"
#include "capture/webcam/webcam_manager.h"
#include "base/event_record.h"
#include "core/barcode_addon.h"
#include "core/ocr_addon.h"
#include "core/text_fit.h"
#include "core/camera_families.h"
#include "core/ostrel_base.h"
#include "engine/error_messages.h"
#include "engine/global_ptr_array.h"
#include "engine/image_editor.h"
#include "engine/image_viewer.h"

struct WorkerTaskContext;

// Room for the form field name of an uploaded image, its terminator included.
constexpr size_t kHttpFieldNameSize = 512;

enum HostKind : LONG { kHostActiveX = 0, kHostPlugin = 1 };

class CBrowserAddOnBase : public COstrelBase {
public:
    CBrowserAddOnBase(HINSTANCE module, LONG hostKind);
    ~CBrowserAddOnBase() override;

    // Engine slot 11: reloads the main viewer and every open editor (nothing while suspended).
    void OnBufferChanged(HGLOBAL current, int quiet) override;
    // Engine slot 20: unused.
    virtual void Reserved20() {}
    // Engine slot 21: hands a text back to the script through the host's own string.
    virtual BOOL SetScriptString(void* scriptString, const char* text, BOOL resetError) = 0;
    // Engine slots 22 to 24: operation begun, status, ended.
    virtual void OnBeforeOperate(LONG id, const char* name) = 0;
    virtual void OnOperateStatus(const char* status, LONG percent) = 0;
    virtual void OnAfterOperate(LONG id, const char* name, BOOL succeeded, const char* errorText) = 0;

    // Refuses a transfer started while another of this engine runs, with a text saying so.
    void RefuseWhileTransferring() override;

    // Engine slots 0 to 5 and 10: the notices that carry nothing, each handed to the host's page
    // event of its record kind through FirePlainEvent.
    void OnTransferError() override { FirePlainEvent(kEventTransferError); }
    void OnTransferCancelled() override { FirePlainEvent(kEventTransferCancelled); }
    void OnPostAllTransfers() override { FirePlainEvent(kEventPostAllTransfers); }
    void OnPreAllTransfers() override { FirePlainEvent(kEventPreAllTransfers); }
    void OnPostTransfer() override { FirePlainEvent(kEventPostTransfer); }
    void OnPreTransfer() override { FirePlainEvent(kEventPreTransfer); }
    void OnSourceUIClose() override { FirePlainEvent(kEventSourceUIClose); }
    // The host's page event of such a notice (kinds 0 to 5 and 21); none without a host.
    virtual void FirePlainEvent(EventKind) {}

    void SetOwnerWindow(HWND window);
    HWND OwnerWindow() const { return m_ownerWindowCore; }
    static const char* GetHostKindName(LONG kind);
    LONG HostKind() const { return m_hostKind; }
    void RefreshViews(CImageViewer* viewer);
    CImageViewer& Viewer() { return m_viewer; }
    WebCamManager& WebCam() { return m_webcam; }

    // The per-engine step of the message hook: nonzero when the message was consumed.
    int PreTranslateHookedMessage(MSG* msg);
    // The process-wide WH_GETMESSAGE procedure that the hosts install.
    static HOOKPROC GetMessageHookProc();
    // What each host's engine slots 7 and 8 do: this engine joins the thread's hook through the
    // host's module when IfHookMessage asks for it (once), and leaves it. host names the host in
    // the debug log ("activex", "plugin").
    void InstallMessageHook(HINSTANCE module, const char* host);
    void RemoveMessageHook(const char* host);

    // Source operations routed by device type (core/source_routing.cpp). The supported type says
    // which sources the page sees (0 TWAIN, 1 webcams, 2 both: TWAIN sources first in one index
    // space, then the webcams); the current type (0 TWAIN, 1 webcam) where a call goes. Texts go
    // to the script through SetScriptString, also when the call failed (then empty).
    BOOL SetSupportedDeviceType(LONG type);
    BOOL RoutedSelectSource();
    BOOL RoutedSelectSourceByIndex(LONG index);
    LONG RoutedSourceCount();
    BOOL RoutedSourceNameItems(LONG index, void* scriptString);
    BOOL RoutedDefaultSourceName(void* scriptString);
    BOOL RoutedCurrentSourceName(void* scriptString);
    BOOL RoutedOpenSourceManager();
    BOOL RoutedOpenSource();
    BOOL RoutedEnableSource();
    BOOL RoutedCloseSource();
    void SetRoutedShowUI(LONG value);
    BOOL GetRoutedShowUI();
    BOOL SetVideoContainer(HWND window);
    BOOL DisplayPropertyPage(HWND owner);
    // The name of the source at an index of the supported list, cut to 33 characters; the result
    // is the error code the lookup ends with (0 when found).
    LONG SourceNameAt(LONG index, char (&name)[34]);

    // Webcam format lists: on a TWAIN source every member fails with -2122.
    LONG MediaTypeListCount();
    BOOL GetMediaTypeByIndex(LONG index, void* scriptString);
    BOOL SelectMediaTypeByIndex(LONG index);
    BOOL MediaType(void* scriptString);
    LONG ResolutionForCamListCount();
    BOOL GetResolutionForCamByIndex(LONG index, void* scriptString);
    BOOL SelectResolutionForCamByIndex(LONG index);
    BOOL ResolutionForCam(void* scriptString);
    LONG FrameRateListCount();
    LONG GetFrameRateByIndex(LONG index);
    BOOL SelectFrameRateByIndex(LONG index);
    LONG FrameRate();

    // Camera property families (core/camera_families.cpp), routed by the current device type.
    // Outputs are 0 (false) whenever the call fails.
    BOOL GetCameraFamilyValue(CameraFamily family, double* value);
    BOOL SetCameraFamilyValue(CameraFamily family, double value);
    BOOL GetCameraFamilyLimit(CameraFamily family, CameraLimit limit, LONG* value);
    BOOL GetCameraFamilyAuto(CameraFamily family, BOOL* automatic);
    BOOL SetCameraFamilyAuto(CameraFamily family, LONG automatic);
    // A family value or limit in the script's type of the family (float or int).
    template <typename T>
    BOOL CameraFamilyValueOut(CameraFamily family, T* value) {
        double answer = 0;
        const BOOL ok = GetCameraFamilyValue(family, &answer);
        if (value) *value = static_cast<T>(answer);
        return ok;
    }
    template <typename T>
    BOOL CameraFamilyLimitOut(CameraFamily family, CameraLimit limit, T* value) {
        LONG answer = 0;
        const BOOL ok = GetCameraFamilyLimit(family, limit, &answer);
        if (value) *value = static_cast<T>(answer);
        return ok;
    }
    // (The members of the seventeen families, one function each: core/camera_members_generated.h.)

    LONG GetSupportedDeviceType() const { return m_supportedDeviceType; }
    LONG GetCurrentDeviceType() const { return m_currentDeviceType; }
    void SetCurrentDeviceTypeField(LONG type) { m_currentDeviceType = type; }
    float GetBlankImageMaxStdDev() const { return m_blankMaxStdDev; }
    void SetBlankImageMaxStdDev(float v);
    LONG GetBlankImageThreshold() const { return m_blankThreshold; }
    void SetBlankImageThreshold(LONG v);
    LONG GetSuspendViewUpdates() const { return m_suspendViewUpdates; }
    void SetSuspendViewUpdates(LONG v) { m_suspendViewUpdates = v; }
    DWORD GetBackgroundFillColor() const { return m_backgroundFillColor; }
    void SetBackgroundFillColor(DWORD v) { m_backgroundFillColor = v; }
    const char* GetHttpFieldNameOfUploadedImage() const;
    // The form field name of the image in a POST upload: at most kHttpFieldNameSize - 1 characters
    // (-1034 for a longer one).
    BOOL SetHttpFieldNameOfUploadedImage(const char* text);
    LONG GetHookOption() const { return m_hookOption; }
    void SetHookOption(LONG v) { m_hookOption = v; }
    HHOOK GetHookHandle() const { return m_hookHandle; }
    void SetHookHandle(HHOOK h) { m_hookHandle = h; }
    LONG GetIfShowProgressBar() const { return m_ifShowProgressBar; }
    GlobalPtrArray& OpenEditors() { return m_openEditors; }
    CErrorMessages& ErrorTexts() { return m_errorTexts; }
    HINSTANCE CoreModuleInstance() const { return m_moduleInstanceCore; }

    // Long operations (core/worker_runner.h).
    LONG GetRunInWorker() const { return m_runInWorker; }
    void SetRunInWorker(LONG v) { m_runInWorker = v; }
    LONG GetCurrentOperationId() const { return m_currentOperationId; }
    void SetCurrentOperationId(LONG id) { m_currentOperationId = id; }
    LONG GetInsideWorker() const { return m_insideWorker; }
    void SetInsideWorker(LONG v) { m_insideWorker = v; }
    WorkerTaskContext* RunningTask() const { return m_runningTask; }
    void SetRunningTask(WorkerTaskContext* task) { m_runningTask = task; }
    const TW_IDENTITY& ApplicationIdentity() const { return m_appIdentity; }

    // --- Image operations (core/image_operations.cpp). Each clears the error code, runs one
    // operation of a short-lived CImageEditor on a buffer image and maps its result code to an
    // engine code. Rectangles are the script's (from the top, right and bottom exclusive, a
    // right of -1 the full width); colours the script's (red in the low byte).
    BOOL RotateLeft(SHORT index);
    // Opens an image editor window over the buffer (modal or modeless by ImageEditorIfModal);
    // editors found closed afterwards are deleted. A host destroyed while a modal editor runs
    // (page script runs inside it) is not touched after the editor returns.
    BOOL ShowImageEditor(HWND parent);
    // Prints every buffer image, one a page (IfShowPrintUI: the print dialog first); false with
    // -1001 when nothing was printed (the dialog cancelled, no printer, another job running).
    BOOL PrintBuffer(HWND owner);
    BOOL RotateRight(SHORT index);
    BOOL Flip(SHORT index);
    BOOL Mirror(SHORT index);
    BOOL Crop(SHORT index, LONG left, LONG top, LONG right, LONG bottom);
    BOOL CropToClipboard(SHORT index, LONG left, LONG top, LONG right, LONG bottom);
    BOOL Erase(SHORT index, LONG left, LONG top, LONG right, LONG bottom);
    BOOL CutFrameToClipboard(SHORT index, LONG left, LONG top, LONG right, LONG bottom);
    HGLOBAL GetCroppedImage(SHORT index, LONG left, LONG top, LONG right, LONG bottom);
    double GetImageSize(SHORT index, LONG width, LONG height);
    BOOL ChangeImageSize(SHORT index, LONG width, LONG height, LONG method);
    LONG GetImageXResolution(SHORT index);
    LONG GetImageYResolution(SHORT index);
    BOOL RotateEx(SHORT index, float angle, BOOL keepSize, LONG method);
    BOOL SetDPI(SHORT index, LONG xDpi, LONG yDpi, BOOL resample, LONG method);
    BOOL AddText(SHORT index, LONG x, LONG y, const char* text, DWORD textColor, DWORD backColor, float roundRadius,
                 float opacity);
    BOOL OverlayRectangle(SHORT index, LONG left, LONG top, LONG right, LONG bottom, DWORD color, float opacity);
    BOOL CreateTextFont(LONG height, LONG width, LONG escapement, LONG orientation, LONG weight, BYTE italic,
                        BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                        BYTE quality, BYTE pitchAndFamily, const char* faceName);
    const LOGFONTA& TextFont() const { return m_textFont; }
    BOOL CopyToClipboard(SHORT index);
    BOOL CutToClipboard(SHORT index);
    BOOL LoadDibFromClipboard();
    BOOL SaveSelectedImagesToBase64Binary(void* scriptString);
    // Hands data prepared for SaveSelectedImagesToBase64Binary to the engine (which owns it then).
    void SetSelectedImagesData(HGLOBAL data, LONG size);
    // The viewer's selected image indices, in order.
    std::vector<SHORT> SelectedIndexList() const;
    // RemoveAllSelectedImages: the selected images removed from the last selected index back to
    // the first, stopping at the first removal that fails, while the host holds its views back
    // (holdViews(true), then holdViews(false)); then one buffer notice when any was selected.
    // True when every removal succeeded.
    BOOL RemoveAllSelectedImages(const std::function<void(bool)>& holdViews);
    // Decodes an encoded image in memory into the buffer by type (0 BMP, 1 JPEG, 2 TIFF, 3 PNG,
    // 4 PDF, all pages); another type stores -1110. A PDF that loads gives the engine its
    // document settings.
    BOOL LoadImageFromMemory(const BYTE* bytes, DWORD size, LONG type);
    BOOL IsBlankImageEx(SHORT index, LONG left, LONG top, LONG right, LONG bottom, BOOL fuzzy);
    BOOL IsBlankImage(SHORT index);
    // The blank test itself of a buffer image, on the calling thread.
    BOOL RunBlankImageTest(SHORT index, const RECT& rect, BOOL fuzzy);
    // The blank test of an image the caller holds (the worker runs it on its own copy).
    BOOL RunBlankImageTestOn(HGLOBAL dib, const RECT& rect, BOOL fuzzy);
    double GetBlankImageCurrentStdDev() const { return m_blankCurrentStdDev; }
    // Stores the engine code of an image-object result code (0..5; 4 and 6 keep the current code).
    void SetErrorFromImageResult(LONG result);
    // The viewer keeps the overlay bitmap of an image (it owns the handle from then on); false
    // when it refuses (the handle stays with the caller).
    virtual BOOL ShowOverlayInViewer(SHORT index, HGLOBAL overlay, const RECT& rect, DWORD color, float opacity);

    // --- Script members of both hosts, one function each, named after the member. A host
    // converts the script's arguments (texts to the system code page, at any length) and the
    // result; the rule is here: the error code cleared, the arguments checked, one engine call.
    // A property has a pair: the read (no argument) and the write. A host's property get clears
    // the error code by its own convention; the reads here only read.

    // Saves (core/file_members.cpp). The file name is refused with -1034 when it does not fit
    // the member's buffer (255 characters, 511 for PDF and the selected images). The file I/O
    // layer's saves of the same names (a narrow path and every setting as arguments) stay in
    // reach beside them.
    using CImageOperator::SaveAsBMP;
    using CImageOperator::SaveAsJPEG;
    using CImageOperator::SaveAsTIFF;
    using CImageOperator::SaveAsPNG;
    using CImageOperator::SaveAsPDF;
    using CImageOperator::SaveAllAsMultiPageTIFF;
    using CImageOperator::SaveSelectedImagesAsMultiPageTIFF;
    using CImageOperator::SaveSelectedImagesAsMultiPagePDF;
    BOOL SaveAsBMP(std::string_view fileName, SHORT index);
    BOOL SaveAsJPEG(std::string_view fileName, SHORT index);
    // A new file unless IfTiffMultiPage is set, which appends the page to an existing file.
    BOOL SaveAsTIFF(std::string_view fileName, SHORT index);
    BOOL SaveAsPNG(std::string_view fileName, SHORT index);
    BOOL SaveAsPDF(std::string_view fileName, SHORT index);
    BOOL SaveAllAsPDF(std::string_view fileName);
    BOOL SaveAllAsMultiPageTIFF(std::string_view fileName);
    BOOL SaveSelectedImagesAsMultiPageTIFF(std::string_view fileName);
    BOOL SaveSelectedImagesAsMultiPagePDF(std::string_view fileName);
    // The next piece of the bytes GetSelectedImagesSize prepared, at most capacity bytes (a host
    // without a buffer passes 0): -2005 when none are prepared, -1034 for no room, -2006 when all
    // were read. deliver gets the piece and answers whether the host took it (it stores its own
    // code when not); only a piece taken counts as read. The count taken, else 0; the prepared
    // bytes are freed after the last piece.
    LONG SaveSelectedImagesToBytes(LONG capacity, const std::function<bool(const BYTE*, LONG)>& deliver);
    // Loads (core/file_members.cpp): the file name fits 511 characters (-1034); LoadImage takes
    // the type from the name's extension (-1110 for none that is known). While the pages arrive
    // the host holds its views back (holdViews(true), then holdViews(false)); then one buffer
    // notice, whose handlers cannot change the error code the page reads after the load. The
    // file I/O layer's LoadImageEx (a narrow path) stays in reach beside them.
    using CImageOperator::LoadImageEx;
    BOOL LoadImage(std::string_view fileName, const std::function<void(bool)>& holdViews);
    BOOL LoadImageEx(std::string_view fileName, SHORT type, const std::function<void(bool)>& holdViews);
    // The file dialog (core/file_members.cpp): the filter fits 4095 characters, the default
    // extension and the initial folder 511 (-1034 past any of them, and no dialog). Every call
    // reports exactly once through OnGetFilePath: each chosen path, or one cancel when nothing
    // was chosen, whether the texts were refused, the dialog failed or the user cancelled it.
    using CImageOperator::ShowFileDialog;
    BOOL ShowFileDialog(BOOL save, std::string_view filter, DWORD filterIndex, std::string_view defaultExtension,
                        std::string_view folder, BOOL multiSelect, BOOL overwritePrompt, DWORD flags);

    // The viewer's script members (core/view_members.cpp): the read answers the field of m_viewer
    // (engine/image_viewer.h), the write clears the error code, checks the value where the member
    // has a rule and hands it to the viewer.
    float Zoom() const { return m_viewer.GetZoom(); }
    // -1034 for NaN, which leaves the zoom as it was.
    BOOL Zoom(float value);
    LONG BorderStyle() const { return m_viewer.GetBorderStyle(); }
    // 0 none, 1 single line, 2 3-D; -1034 for any other style.
    BOOL BorderStyle(LONG style);
    // Viewer settings handed through as they are.
    LONG FitWindowType() const { return static_cast<LONG>(m_viewer.GetFitWindowType()); }
    void FitWindowType(LONG value);
    LONG ImageMargin() const { return static_cast<LONG>(m_viewer.GetImageMargin()); }
    void ImageMargin(LONG value);
    LONG SelectionImageBorderColor() const { return static_cast<LONG>(m_viewer.GetSelectionImageBorderColor()); }
    void SelectionImageBorderColor(LONG value);
    LONG BackgroundColor() const { return static_cast<LONG>(m_viewer.GetBackgroundColor()); }
    void BackgroundColor(LONG value);
    // Viewer switches and counts.
    BOOL IfFitWindow() const { return m_viewer.GetIfFitWindow(); }
    void IfFitWindow(BOOL fit);
    // The cursor shape, kept as the script gives it.
    SHORT MouseShape() const { return m_viewer.GetMouseShape(); }
    void MouseShape(SHORT shape);
    BOOL EnableInteractiveZoom() const { return m_viewer.GetEnableInteractiveZoom(); }
    void EnableInteractiveZoom(BOOL on);
    BOOL VScrollBar() const { return m_viewer.GetVScrollBar(); }
    // -1034 when the viewer refuses the switch.
    BOOL VScrollBar(BOOL on);
    BOOL AllowMultiSelect() const { return m_viewer.GetAllowMultiSelect(); }
    void AllowMultiSelect(BOOL on);
    LONG SelectedImagesCount() const { return m_viewer.GetSelectedImagesCount(); }
    // -1034 when the viewer refuses the count.
    BOOL SelectedImagesCount(LONG count);
    LONG MouseX() const { return m_viewer.GetMouseX(); }
    LONG MouseY() const { return m_viewer.GetMouseY(); }

    // Engine flags (core/engine_settings.cpp): the read answers true for a stored 1, or for any
    // stored non-zero value where noted; the write stores 1 or 0.
    BOOL IfTiffMultiPage() const;
    void IfTiffMultiPage(BOOL on);
    BOOL IfShowProgressBar() const;  // any non-zero value
    void IfShowProgressBar(BOOL on);
    BOOL IfSSL() const;
    void IfSSL(BOOL on);
    BOOL IfPASVMode() const;
    void IfPASVMode(BOOL on);
    BOOL IfShowCancelDialogWhenImageTransfer() const;
    void IfShowCancelDialogWhenImageTransfer(BOOL on);
    BOOL AllowPluginAuthentication() const;  // any non-zero value
    void AllowPluginAuthentication(BOOL on);
    BOOL IfShowPrintUI() const;  // any non-zero value
    void IfShowPrintUI(BOOL on);
    BOOL IfShowFileDialog() const;  // any non-zero value
    void IfShowFileDialog(BOOL on);
    BOOL ImageEditorIfReadonly() const;
    void ImageEditorIfReadonly(BOOL on);
    BOOL ImageEditorIfEnableEnumerator() const;
    void ImageEditorIfEnableEnumerator(BOOL on);
    BOOL ImageEditorIfModal() const;  // any non-zero value
    void ImageEditorIfModal(BOOL on);
    // Engine settings kept as numbers.
    LONG JPEGQuality() const;
    void JPEGQuality(LONG value);
    LONG FTPPort() const;
    void FTPPort(LONG value);
    LONG HTTPPort() const;
    void HTTPPort(LONG value);
    LONG MaxUploadImageSize() const;
    void MaxUploadImageSize(LONG value);
    LONG InternetSendTimeout() const;
    void InternetSendTimeout(LONG value);
    LONG InternetReceiveTimeout() const;
    void InternetReceiveTimeout(LONG value);
    // The compressions of the TIFF and PDF saves: a value outside the type's list (TIFF 0 to 5
    // and 32773 PackBits, PDF 0 to 5) is refused with -1034 and the old one kept.
    LONG TIFFCompressionType() const { return m_tiffCompressionType; }
    BOOL TIFFCompressionType(LONG value);
    LONG PDFCompressionType() const { return m_pdfCompressionType; }
    BOOL PDFCompressionType(LONG value);
    // The editor's title and the PDF document texts: an over-long text is cut (258 characters
    // for the title, 31 for the version, 255 for the others).
    const char* ImageEditorWindowTitle() const { return m_editorTitle; }
    void ImageEditorWindowTitle(std::string_view text);
    const char* PDFVersion() const { return m_pdfSettings.version; }
    void PDFVersion(std::string_view text);
    const char* PDFTitle() const { return m_pdfSettings.title; }
    void PDFTitle(std::string_view text);
    const char* PDFAuthor() const { return m_pdfSettings.author; }
    void PDFAuthor(std::string_view text);
    const char* PDFSubject() const { return m_pdfSettings.subject; }
    void PDFSubject(std::string_view text);
    const char* PDFKeywords() const { return m_pdfSettings.keywords; }
    void PDFKeywords(std::string_view text);
    const char* PDFCreationDate() const { return m_pdfSettings.creationDate; }
    void PDFCreationDate(std::string_view text);
    const char* PDFModifiedDate() const { return m_pdfSettings.modifiedDate; }
    void PDFModifiedDate(std::string_view text);
    const char* PDFCreator() const { return m_pdfSettings.creator; }
    void PDFCreator(std::string_view text);
    const char* PDFProducer() const { return m_pdfSettings.producer; }
    void PDFProducer(std::string_view text);
    // The transfer credentials and the proxy: past 255 characters a text is refused (-1034) or,
    // with TextFit::Cut, cut to the engine's field of 256 characters.
    const char* FTPUserName() const { return GetFTPUserName(); }
    BOOL FTPUserName(std::string_view text, TextFit fit);
    const char* FTPPassword() const { return GetFTPPassword(); }
    BOOL FTPPassword(std::string_view text, TextFit fit);
    const char* HTTPUserName() const { return GetHTTPUserName(); }
    BOOL HTTPUserName(std::string_view text, TextFit fit);
    const char* HTTPPassword() const { return GetHTTPPassword(); }
    BOOL HTTPPassword(std::string_view text, TextFit fit);
    const char* ProxyServer() const { return GetProxyServer(); }
    BOOL ProxyServer(std::string_view text, TextFit fit);
    // The debug log (core/engine_settings.cpp): 0 off, 1 on; -1034 for any other level, which
    // keeps the level. The first switch on logs the host's version line.
    SHORT LogLevel() const { return GetLogLevel(); }
    BOOL LogLevel(SHORT level);
    // The application identity the source manager is told, each text cut to 33 characters and
    // ending at its first NUL: a write clears the error code and copies only while the source
    // manager is closed.
    const char* Manufacturer() const { return GetIdentityText(TwainIdentityText::Manufacturer); }
    void Manufacturer(std::string_view text);
    const char* ProductFamily() const { return GetIdentityText(TwainIdentityText::ProductFamily); }
    void ProductFamily(std::string_view text);
    const char* ProductName() const { return GetIdentityText(TwainIdentityText::ProductName); }
    void ProductName(std::string_view text);
    const char* VersionInfo() const { return GetIdentityText(TwainIdentityText::VersionInfo); }
    void VersionInfo(std::string_view text);
    // The recognition library's folders, language and font (core/addon_operations.cpp): a text
    // past MAX_PATH - 1 bytes is refused with -1034 and leaves the setting as it was.
    const char* OCRTessDataPath() const { return m_ocr.GetDataFolder(); }
    BOOL OCRTessDataPath(std::string_view folder);
    const char* OCRLanguage() const { return m_ocr.GetLanguage(); }
    BOOL OCRLanguage(std::string_view language);
    const char* OCRDllPath() const { return m_ocr.DllFolder(); }
    BOOL OCRDllPath(std::string_view folder);
    const char* OCRUnicodeFontName() const { return m_ocr.GetUnicodeFontName(); }
    BOOL OCRUnicodeFontName(std::string_view name);

    // Transfers (core/transfer_members.cpp, over the one rule of core/transfer_members.h). The
    // server name fits 255 characters, the remote file, action page, form file name and local
    // file 511 each (-1034 past them); a text ends at its first NUL. The members without a type
    // take it from the extension of the remote file or, for a POST, of the form's file name
    // (-1110 for none that is known). The transfer layer's functions of the same names (fitted
    // texts, index lists) stay in reach beside them.
    using COstrelBase::BindSSLCert;
    using COstrelBase::BindSSLCertEx;
    using COstrelBase::FTPDownloadDirectly;
    using COstrelBase::FTPDownloadEx;
    using COstrelBase::FTPUploadEx;
    using COstrelBase::HTTPDownloadDirectly;
    using COstrelBase::HTTPDownloadEx;
    using COstrelBase::HTTPUploadThroughPostEx;
    using COstrelBase::HTTPUploadThroughPutEx;
    BOOL FTPUpload(std::string_view server, SHORT index, std::string_view remoteFile);
    BOOL FTPUploadEx(std::string_view server, SHORT index, std::string_view remoteFile, LONG type);
    BOOL FTPUploadAllAsMultiPageTIFF(std::string_view server, std::string_view remoteFile);
    BOOL FTPUploadAllAsPDF(std::string_view server, std::string_view remoteFile);
    BOOL FTPUploadAsMultiPageTIFF(std::string_view server, std::string_view remoteFile);
    BOOL FTPUploadAsMultiPagePDF(std::string_view server, std::string_view remoteFile);
    BOOL FTPUploadDirectly(std::string_view server, std::string_view localFile, std::string_view remoteFile);
    BOOL HTTPUploadThroughPut(std::string_view server, SHORT index, std::string_view remoteFile);
    BOOL HTTPUploadThroughPutEx(std::string_view server, SHORT index, std::string_view remoteFile, LONG type);
    BOOL HTTPUploadAllThroughPutAsMultiPageTIFF(std::string_view server, std::string_view remoteFile);
    BOOL HTTPUploadAllThroughPutAsPDF(std::string_view server, std::string_view remoteFile);
    BOOL HTTPUploadThroughPutAsMultiPageTIFF(std::string_view server, std::string_view remoteFile);
    BOOL HTTPUploadThroughPutAsMultiPagePDF(std::string_view server, std::string_view remoteFile);
    BOOL HTTPUploadThroughPutDirectly(std::string_view server, std::string_view localFile, std::string_view remoteFile);
    BOOL HTTPUploadThroughPost(std::string_view server, SHORT index, std::string_view actionPage,
                               std::string_view fileName);
    BOOL HTTPUploadThroughPostEx(std::string_view server, SHORT index, std::string_view actionPage,
                                 std::string_view fileName, LONG type);
    BOOL HTTPUploadAllThroughPostAsMultiPageTIFF(std::string_view server, std::string_view actionPage,
                                                 std::string_view fileName);
    BOOL HTTPUploadAllThroughPostAsPDF(std::string_view server, std::string_view actionPage, std::string_view fileName);
    BOOL HTTPUploadThroughPostAsMultiPageTIFF(std::string_view server, std::string_view actionPage,
                                              std::string_view fileName);
    BOOL HTTPUploadThroughPostAsMultiPagePDF(std::string_view server, std::string_view actionPage,
                                             std::string_view fileName);
    BOOL HTTPUploadThroughPostDirectly(std::string_view server, std::string_view localFile, std::string_view actionPage,
                                       std::string_view fileName);
    BOOL FTPDownload(std::string_view server, std::string_view remoteFile);
    BOOL FTPDownloadEx(std::string_view server, std::string_view remoteFile, LONG type);
    BOOL FTPDownloadDirectly(std::string_view server, std::string_view remoteFile, std::string_view localFile);
    BOOL HTTPDownload(std::string_view server, std::string_view remoteFile);
    BOOL HTTPDownloadEx(std::string_view server, std::string_view remoteFile, LONG type);
    BOOL HTTPDownloadDirectly(std::string_view server, std::string_view remoteFile, std::string_view localFile);
    // Client certificates: issuer and serial number fit 1023 characters, the subject keyword 1024.
    BOOL BindSSLCert(std::string_view issuer, std::string_view serialNumber);
    BOOL BindSSLCertEx(std::string_view subjectKeyword);

    // --- Barcodes and text recognition through the add-on libraries (core/addon_operations.cpp).
    // The read and recognition methods are long operations (worker kinds 1 to 5); failures of a
    // library give -2119 (barcodes) or -2120 (recognition) with its message as the error text.
    BOOL ReadBarcodeEx(SHORT index, LONG left, LONG top, LONG right, LONG bottom, LONG format);
    BOOL ReadBarcode(SHORT index, LONG format);
    BOOL ReadBarcodeDirectlyEx(const char* path, LONG left, LONG top, LONG right, LONG bottom, LONG format);
    BOOL ReadBarcodeDirectly(const char* path, LONG format);
    // The scan's own barcodes when the last scan reported some, else the library's results.
    LONG GetScriptBarcodeCount() const;
    BOOL BarcodeTextForScript(LONG index, void* scriptString);
    // Info 0 X, 1 Y, 2 type (format), 3 confidence, 4 rotation, 5 text length; -1033 outside.
    LONG BarcodeInfoForScript(LONG index, LONG infoType);
    BOOL OCR(SHORT index, const char* outputFile);
    BOOL OCREx(SHORT index, void* scriptString);
    BOOL OCRSelectedImages(const char* outputFile);
    BOOL OCRSelectedImagesEx(void* scriptString);
    BOOL OCRDirectly(const char* files, const char* outputFile);
    BOOL OCRDirectlyEx(const char* files, void* scriptString);
    BOOL OCREx1(SHORT index, LONG left, LONG top, LONG right, LONG bottom, void* scriptString);
    // Downloads the language pack of OCRLanguage, unpacks it into the data folder and checks
    // that the language data is there; the zip is deleted in every case.
    BOOL HTTPDownloadOCRLangData(const char* server, const char* remotePath, BOOL onlyIfMissing);
    // -1034 for a language that is not a plain name.
    BOOL SetOcrLanguage(const char* language);
    // OCRTessDataPath and OCRDllPath (one folder for both libraries): -1034 for a folder that
    // does not fit a path, which leaves the setting as it was.
    BOOL SetOcrDataFolder(const char* folder);
    BOOL SetAddOnFolder(const char* folder);
    CBarcodeAddOn& Barcode() { return m_barcode; }
    COcrAddOn& Ocr() { return m_ocr; }
    // The work of the long operations, on the calling thread (the worker runs them).
    BOOL ReadBarcodeRegionNow(SHORT index, const RECT& rect, LONG format);
    BOOL ReadBarcodeFileNow(const char* path, const RECT& rect, LONG format);
    BOOL RecogniseBufferImagesNow(const SHORT* indices, LONG count, const char* outputFile, void* scriptString);
    BOOL RecogniseFilesNow(const char* files, const char* outputFile, void* scriptString);
    BOOL RecogniseAreaNow(SHORT index, const RECT& rect, void* scriptString);

protected:
    void ClearBeforeAddOnCall();
    void ClearTwainBarcodes();
    BOOL FailAddOn(CAddOnLibrary& library, LONG code);
    // A recognition without result: -2120 with the binding's message, or the out-of-memory code
    // and its own text when the result could not be copied.
    BOOL FailRecognition();
    BOOL HandRecognisedText(HGLOBAL result, LONG length, const char* outputFile, void* scriptString);
    BOOL RunOcrOperation(LONG kind, const SHORT* indices, LONG count, const char* files, SHORT index, const RECT* rect,
                         const char* outputFile, void* scriptString);
    // The viewer's selected images in selection order.
    std::vector<SHORT> SelectedImageIndices() const;
    // A download of a server path into a local file (the HTTP download of the transfer layer).
    virtual BOOL DownloadToLocalFile(const char* server, const char* remotePath, const char* localPath);

    // -2121 with the webcam facade's last error text attached; always false.
    BOOL FailWebcam();
    // Hands a text to the script (empty for null), then stores failure (-2121: the webcam's).
    BOOL HandTextToScript(void* scriptString, const char* text, LONG failure);
    // The number of TWAIN sources, 0 when the source manager cannot be opened.
    LONG TwainSourceCount();
    LONG WebcamCount();
    BOOL SelectTwainSourceAt(LONG index);
    BOOL SelectWebcamAt(LONG index);
    // True, with -1004 (a busy source), while a webcam acquisition runs further up the stack: a
    // page handler of its events may not close, switch or replace the device it grabs from.
    bool RefuseWhileWebcamAcquires();
    // Clears the error code; false with the refusal code unless the current source is a webcam.
    bool RequireWebcamCurrent(LONG refusal);
    // The current source's operation: the TWAIN layer's or the webcam facade's; -2123 for neither.
    BOOL RouteToCurrent(BOOL (CTwainBase::*twain)(), bool (WebCamManager::*webcam)());
    // A number of a webcam-only list member: -2122 on a scanner; 0 is the webcam's failure.
    template <typename Read>
    LONG WebcamListNumber(Read read);

    CImageViewer m_viewer;
    LONG m_hostKind;
    LONG m_supportedDeviceType = 1;
    LONG m_currentDeviceType = 1;
    CErrorMessages m_errorTexts;
    LONG m_ifThrowException = 0;
    char m_editorTitle[MAX_PATH] = {};
    LONG m_editorIfReadonly = 0;
    LONG m_editorIfEnableEnumerator = 1;
    LONG m_editorIfModal = 1;
    GlobalPtrArray m_openEditors;
    // Calls that pump messages while they run (a modal editor) and need to know afterwards
    // whether the engine still exists: the destructor marks each one, innermost first.
    struct LifetimeWatch {
        bool destroyed = false;
        LifetimeWatch* outer = nullptr;
    };
    LifetimeWatch* m_lifetimeWatches = nullptr;
    float m_blankMaxStdDev = 1.0f;
    double m_blankCurrentStdDev = 0.0;
    LONG m_blankThreshold = 128;
    LONG m_suspendViewUpdates = 0;
    DWORD m_backgroundFillColor = 0xFFFFFF;
    HGLOBAL m_httpFieldName = nullptr;
    HGLOBAL m_selectedData = nullptr;
    LONG m_selectedDataSize = 0;
    LONG m_selectedDataPos = 0;
    LONG m_hookOption = 1;
    HHOOK m_hookHandle = nullptr;
    LOGFONTA m_textFont = {};
    CBarcodeAddOn m_barcode;
    COcrAddOn m_ocr;
    WebCamManager m_webcam;
    WebCamDicMediaType* m_mediaTypeNames = nullptr;
    HWND m_ownerWindowCore = nullptr;
    HINSTANCE m_moduleInstanceCore;
    LONG m_ifShowProgressBar = 1;
    LONG m_runInWorker = 1;
    LONG m_currentOperationId = 0;
    volatile LONG m_insideWorker = 0;
    WorkerTaskContext* volatile m_runningTask = nullptr;
};
