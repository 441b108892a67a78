// CPallastra: the control object a page embeds. One object is the COM control (window, embedding,
// events, persistence), the implementation of ILumetta and the engine object of both hosts.
#pragma once

#include <string>

#include "activex/event_proxy.h"
#include "activex/ilumetta.h"
#include "activex/lumetta_dispatch_defaults.h"
#include "capture/event_record.h"
#include "comcontrol/com_control.h"
#include "core/browser_addon_base.h"

// Persisted settings whose engine layers (file I/O, transfer, editor) are not wired to the
// control yet: the control keeps them itself until the members' adapters reach the engine. X(member, kind, field, initial value).
#define PALLASTRA_KEPT_PROPERTIES(X)                                   \
    X(JPEGQuality, Short, jpegQuality, 80)                             \
    X(FTPUserName, Text, ftpUserName, L"")                             \
    X(FTPPassword, Text, ftpPassword, L"")                             \
    X(FTPPort, Int, ftpPort, 21)                                       \
    X(HTTPUserName, Text, httpUserName, L"")                           \
    X(HTTPPassword, Text, httpPassword, L"")                           \
    X(HTTPPort, Int, httpPort, 80)                                     \
    X(ProxyServer, Text, proxyServer, L"")                             \
    X(IfTiffMultiPage, Bool, ifTiffMultiPage, 0)                       \
    X(TIFFCompressionType, Tiff, tiffCompression, enumTIFFCompressionType::TIFF_AUTO)           \
    X(ImageEditorWindowTitle, Text, editorTitle, L"Lumetta Image Editor") \
    X(ImageEditorIfReadonly, Bool, editorReadonly, 0)                  \
    X(ImageEditorIfEnableEnumerator, Bool, editorEnumerator, 1)        \
    X(IfSSL, Bool, ifSSL, 0)                                           \
    X(IfShowCancelDialogWhenImageTransfer, Bool, ifShowCancelDialog, 1) \
    X(PDFTitle, Text, pdfTitle, L"")                                   \
    X(PDFAuthor, Text, pdfAuthor, L"")                                 \
    X(PDFSubject, Text, pdfSubject, L"")                               \
    X(PDFKeywords, Text, pdfKeywords, L"")                             \
    X(PDFCreator, Text, pdfCreator, L"")                               \
    X(PDFProducer, Text, pdfProducer, L"")                             \
    X(MaxUploadImageSize, Long, maxUploadImageSize, 0)                 \
    X(PDFCompressionType, Pdf, pdfCompression, enumPDFCompressionType::enumAutoEncode)         \
    X(HttpFieldNameOfUploadedImage, Text, httpFieldName, L"RemoteFile") \
    X(IfPASVMode, Bool, ifPASVMode, 0)                                 \
    X(IfShowPrintUI, Bool, ifShowPrintUI, 0)                           \
    X(IfShowFileDialog, Bool, ifShowFileDialog, 1)

using PallastraShort = short;
using PallastraLong = long;
using PallastraInt = int;
using PallastraBool = VARIANT_BOOL;
using PallastraText = BSTR;
using PallastraBorder = enumBORDER_STYLE;
using PallastraTiff = enumTIFFCompressionType;
using PallastraPdf = enumPDFCompressionType;
// How the control keeps each kind.
using PallastraKeptShort = short;
using PallastraKeptLong = long;
using PallastraKeptInt = int;
using PallastraKeptBool = LONG;
using PallastraKeptText = std::wstring;
using PallastraKeptBorder = enumBORDER_STYLE;
using PallastraKeptTiff = enumTIFFCompressionType;
using PallastraKeptPdf = enumPDFCompressionType;

class CPallastra final : public comcontrol::ComControl, public LumettaDispatchDefaults, public CBrowserAddOnBase {
public:
    // The class's creation function for the object map; aggregation is refused.
    static HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out);

    // IUnknown, once for every base.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

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
#define PALLASTRA_DECLARE_KEPT(name, kind, field, initial)                         \
    HRESULT STDMETHODCALLTYPE get_##name(Pallastra##kind* value) override; \
    HRESULT STDMETHODCALLTYPE put_##name(Pallastra##kind value) override;
    PALLASTRA_KEPT_PROPERTIES(PALLASTRA_DECLARE_KEPT)
#undef PALLASTRA_DECLARE_KEPT

    // Engine slots.
    void OnTransferError() override;
    void OnTransferCancelled() override;
    void OnPostAllTransfers() override;
    void OnPreAllTransfers() override;
    void OnPostTransfer() override;
    void OnPreTransfer() override;
    void HookMessage() override;
    void UnhookMessage() override;
    void OnSourceUIClose() override;
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

private:
    CPallastra();
    ~CPallastra() override;

    LRESULT OnCreate();
    void OnSetCurrentImage(SHORT index);
    void FirePercentagePair(SHORT percent, LONG* cancel);
    HRESULT ThrowModeResult(bool failed) const { return failed && m_ifThrowException == 1 ? E_FAIL : S_OK; }

    struct KeptProperties {
#define PALLASTRA_KEPT_FIELD(name, kind, field, initial) PallastraKept##kind field = initial;
        PALLASTRA_KEPT_PROPERTIES(PALLASTRA_KEPT_FIELD)
#undef PALLASTRA_KEPT_FIELD
    };

    volatile LONG m_refs = 1;
    LONG m_userMode = 0;
    CProxy_ILumettaEvents m_proxy;
    KeptProperties m_kept;
};

