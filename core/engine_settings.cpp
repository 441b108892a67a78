// The engine's flags, numbers and texts as both hosts expose them: the error code cleared, the
// value stored by the member's rule.
#include <algorithm>
#include <cstring>
#include <string>

#include "base/error_codes.h"
#include "core/browser_addon_base.h"

namespace {

// Room of a credential or the proxy that the control accepts, the terminator included.
constexpr size_t kRefusedTransferTextSize = 256;

// A text cut to a buffer of Size bytes (at a character boundary), then to the field.
template <size_t Size, size_t N>
void StoreCutText(char (&field)[N], std::string_view text) {
    char fitted[Size];
    FitText(text.data(), text.size(), fitted, Size, TextFit::Cut);
    const size_t length = std::min(std::strlen(fitted), N - 1);
    std::memcpy(field, fitted, length);
    field[length] = '\0';
}

// A credential or the proxy into the engine's field; false, with -1034, for a refused text.
bool FitTransferText(CBrowserAddOnBase& engine, std::string_view text, TextFit fit, char (&fitted)[kTransferTextSize]) {
    engine.SetErrorCode(0);
    const size_t room = fit == TextFit::Refuse ? kRefusedTransferTextSize : kTransferTextSize;
    if (FitText(text.data(), text.size(), fitted, room, fit)) return true;
    engine.SetErrorCode(kErrInvalidValue);
    return false;
}

}  // namespace

BOOL CBrowserAddOnBase::IfTiffMultiPage() const { return static_cast<LONG>(m_ifTiffMultiPage) == 1; }

void CBrowserAddOnBase::IfTiffMultiPage(BOOL on) {
    SetErrorCode(0);
    m_ifTiffMultiPage = on ? 1 : 0;
}

BOOL CBrowserAddOnBase::IfShowProgressBar() const { return static_cast<LONG>(m_ifShowProgressBar) != 0; }

void CBrowserAddOnBase::IfShowProgressBar(BOOL on) {
    SetErrorCode(0);
    m_ifShowProgressBar = on ? 1 : 0;
}

BOOL CBrowserAddOnBase::IfSSL() const { return static_cast<LONG>(GetIfSSL()) == 1; }

void CBrowserAddOnBase::IfSSL(BOOL on) {
    SetErrorCode(0);
    SetIfSSL(on ? 1 : 0);
}

BOOL CBrowserAddOnBase::IfPASVMode() const { return static_cast<LONG>(GetIfPASVMode()) == 1; }

void CBrowserAddOnBase::IfPASVMode(BOOL on) {
    SetErrorCode(0);
    SetIfPASVMode(on ? 1 : 0);
}

BOOL CBrowserAddOnBase::IfShowCancelDialogWhenImageTransfer() const { return static_cast<LONG>(GetIfShowCancelDialogWhenImageTransfer()) == 1; }

void CBrowserAddOnBase::IfShowCancelDialogWhenImageTransfer(BOOL on) {
    SetErrorCode(0);
    SetIfShowCancelDialogWhenImageTransfer(on ? 1 : 0);
}

BOOL CBrowserAddOnBase::AllowPluginAuthentication() const { return static_cast<LONG>(GetAllowPluginAuthentication()) != 0; }

void CBrowserAddOnBase::AllowPluginAuthentication(BOOL on) {
    SetErrorCode(0);
    SetAllowPluginAuthentication(on ? 1 : 0);
}

BOOL CBrowserAddOnBase::IfShowPrintUI() const { return static_cast<LONG>(m_ifShowPrintUI) != 0; }

void CBrowserAddOnBase::IfShowPrintUI(BOOL on) {
    SetErrorCode(0);
    m_ifShowPrintUI = on ? 1 : 0;
}

BOOL CBrowserAddOnBase::IfShowFileDialog() const { return static_cast<LONG>(m_ifShowFileDialog) != 0; }

void CBrowserAddOnBase::IfShowFileDialog(BOOL on) {
    SetErrorCode(0);
    m_ifShowFileDialog = on ? 1 : 0;
}

BOOL CBrowserAddOnBase::ImageEditorIfReadonly() const { return static_cast<LONG>(m_editorIfReadonly) == 1; }

void CBrowserAddOnBase::ImageEditorIfReadonly(BOOL on) {
    SetErrorCode(0);
    m_editorIfReadonly = on ? 1 : 0;
}

BOOL CBrowserAddOnBase::ImageEditorIfEnableEnumerator() const { return static_cast<LONG>(m_editorIfEnableEnumerator) == 1; }

void CBrowserAddOnBase::ImageEditorIfEnableEnumerator(BOOL on) {
    SetErrorCode(0);
    m_editorIfEnableEnumerator = on ? 1 : 0;
}

BOOL CBrowserAddOnBase::ImageEditorIfModal() const { return static_cast<LONG>(m_editorIfModal) != 0; }

void CBrowserAddOnBase::ImageEditorIfModal(BOOL on) {
    SetErrorCode(0);
    m_editorIfModal = on ? 1 : 0;
}

LONG CBrowserAddOnBase::JPEGQuality() const { return static_cast<LONG>(m_jpegQuality); }

void CBrowserAddOnBase::JPEGQuality(LONG value) {
    SetErrorCode(0);
    m_jpegQuality = static_cast<USHORT>(value);
}

LONG CBrowserAddOnBase::FTPPort() const { return static_cast<LONG>(GetFTPPort()); }

void CBrowserAddOnBase::FTPPort(LONG value) {
    SetErrorCode(0);
    SetFTPPort(value);
}

LONG CBrowserAddOnBase::HTTPPort() const { return static_cast<LONG>(GetHTTPPort()); }

void CBrowserAddOnBase::HTTPPort(LONG value) {
    SetErrorCode(0);
    SetHTTPPort(value);
}

LONG CBrowserAddOnBase::MaxUploadImageSize() const { return static_cast<LONG>(GetMaxUploadImageSize()); }

void CBrowserAddOnBase::MaxUploadImageSize(LONG value) {
    SetErrorCode(0);
    SetMaxUploadImageSize(value);
}

LONG CBrowserAddOnBase::InternetSendTimeout() const { return static_cast<LONG>(GetInternetSendTimeout()); }

void CBrowserAddOnBase::InternetSendTimeout(LONG value) {
    SetErrorCode(0);
    SetInternetSendTimeout(value);
}

LONG CBrowserAddOnBase::InternetReceiveTimeout() const { return static_cast<LONG>(GetInternetReceiveTimeout()); }

void CBrowserAddOnBase::InternetReceiveTimeout(LONG value) {
    SetErrorCode(0);
    SetInternetReceiveTimeout(value);
}

BOOL CBrowserAddOnBase::TIFFCompressionType(LONG value) {
    SetErrorCode(0);
    if ((value < TIFF_AUTO || value > TIFF_LZW) && value != TIFF_PACKBITS) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    m_tiffCompressionType = value;
    return TRUE;
}

BOOL CBrowserAddOnBase::PDFCompressionType(LONG value) {
    SetErrorCode(0);
    if (static_cast<ULONG>(value) > static_cast<ULONG>(enumJPEGEncode)) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    m_pdfCompressionType = value;
    return TRUE;
}

void CBrowserAddOnBase::ImageEditorWindowTitle(std::string_view text) {
    SetErrorCode(0);
    StoreCutText<259>(m_editorTitle, text);
}

void CBrowserAddOnBase::PDFVersion(std::string_view text) {
    SetErrorCode(0);
    StoreCutText<32>(m_pdfSettings.version, text);
}

void CBrowserAddOnBase::PDFTitle(std::string_view text) {
    SetErrorCode(0);
    StoreCutText<256>(m_pdfSettings.title, text);
}

void CBrowserAddOnBase::PDFAuthor(std::string_view text) {
    SetErrorCode(0);
    StoreCutText<256>(m_pdfSettings.author, text);
}

void CBrowserAddOnBase::PDFSubject(std::string_view text) {
    SetErrorCode(0);
    StoreCutText<256>(m_pdfSettings.subject, text);
}

void CBrowserAddOnBase::PDFKeywords(std::string_view text) {
    SetErrorCode(0);
    StoreCutText<256>(m_pdfSettings.keywords, text);
}

void CBrowserAddOnBase::PDFCreationDate(std::string_view text) {
    SetErrorCode(0);
    StoreCutText<256>(m_pdfSettings.creationDate, text);
}

void CBrowserAddOnBase::PDFModifiedDate(std::string_view text) {
    SetErrorCode(0);
    StoreCutText<256>(m_pdfSettings.modifiedDate, text);
}

void CBrowserAddOnBase::PDFCreator(std::string_view text) {
    SetErrorCode(0);
    StoreCutText<256>(m_pdfSettings.creator, text);
}

void CBrowserAddOnBase::PDFProducer(std::string_view text) {
    SetErrorCode(0);
    StoreCutText<256>(m_pdfSettings.producer, text);
}

BOOL CBrowserAddOnBase::FTPUserName(std::string_view text, TextFit fit) {
    char fitted[kTransferTextSize];
    if (!FitTransferText(*this, text, fit, fitted)) return FALSE;
    SetFTPUserName(fitted);
    return TRUE;
}

BOOL CBrowserAddOnBase::FTPPassword(std::string_view text, TextFit fit) {
    char fitted[kTransferTextSize];
    if (!FitTransferText(*this, text, fit, fitted)) return FALSE;
    SetFTPPassword(fitted);
    return TRUE;
}

BOOL CBrowserAddOnBase::HTTPUserName(std::string_view text, TextFit fit) {
    char fitted[kTransferTextSize];
    if (!FitTransferText(*this, text, fit, fitted)) return FALSE;
    SetHTTPUserName(fitted);
    return TRUE;
}

BOOL CBrowserAddOnBase::HTTPPassword(std::string_view text, TextFit fit) {
    char fitted[kTransferTextSize];
    if (!FitTransferText(*this, text, fit, fitted)) return FALSE;
    SetHTTPPassword(fitted);
    return TRUE;
}

BOOL CBrowserAddOnBase::ProxyServer(std::string_view text, TextFit fit) {
    char fitted[kTransferTextSize];
    if (!FitTransferText(*this, text, fit, fitted)) return FALSE;
    SetProxyServer(fitted);
    return TRUE;
}

BOOL CBrowserAddOnBase::LogLevel(SHORT level) {
    SetErrorCode(0);
    return SetLogLevel(level, m_hostKind == kHostPlugin) ? TRUE : FALSE;
}

// The identity field takes a C string: the text up to its first NUL.
void CBrowserAddOnBase::Manufacturer(std::string_view text) {
    SetIdentityText(TwainIdentityText::Manufacturer, std::string(text).c_str());
}

void CBrowserAddOnBase::ProductFamily(std::string_view text) {
    SetIdentityText(TwainIdentityText::ProductFamily, std::string(text).c_str());
}

void CBrowserAddOnBase::ProductName(std::string_view text) {
    SetIdentityText(TwainIdentityText::ProductName, std::string(text).c_str());
}

void CBrowserAddOnBase::VersionInfo(std::string_view text) {
    SetIdentityText(TwainIdentityText::VersionInfo, std::string(text).c_str());
}
