// Script members of the plug-in: uploads, downloads, credentials, proxies, certificates and cookies.
// Each transfer member and setting is a function of core/ named after it, the control's too;
// what is the plug-in's own is how it reads its script arguments, that credentials
// and the proxy are cut to the engine's field (256 characters) rather than refused, and that an
// empty cookie text leaves the kept one alone.
#include "base/error_codes.h"
#include "core/operation_name_table.h"
#include "core/text_fit.h"
#include "plugin/browser_cookie_route.h"
#include "plugin/plugin_instance.h"

namespace {

// A call's arguments by position; a missing one is empty or 0.
std::string_view TextAt(const std::vector<ScriptValue>& args, size_t at) {
    return at < args.size() ? std::string_view(args[at].text) : std::string_view();
}
SHORT IndexAt(const std::vector<ScriptValue>& args, size_t at) { return at < args.size() ? args[at].h : 0; }
LONG TypeAt(const std::vector<ScriptValue>& args, size_t at) { return at < args.size() ? args[at].i : 0; }

// The uploads and downloads; false for another member.
bool RunTransferMethod(PluginInstance& plugin, int op, const std::vector<ScriptValue>& args, ScriptValue& out) {
    switch (op) {
        case kOpFTPUpload:
            out.b = plugin.FTPUpload(TextAt(args, 0), IndexAt(args, 1), TextAt(args, 2)) != FALSE;
            return true;
        case kOpFTPUploadEx:
            out.b = plugin.FTPUploadEx(TextAt(args, 0), IndexAt(args, 1), TextAt(args, 2), TypeAt(args, 3)) != FALSE;
            return true;
        case kOpFTPUploadAllAsMultiPageTIFF:
            out.b = plugin.FTPUploadAllAsMultiPageTIFF(TextAt(args, 0), TextAt(args, 1)) != FALSE;
            return true;
        case kOpFTPUploadAllAsPDF:
            out.b = plugin.FTPUploadAllAsPDF(TextAt(args, 0), TextAt(args, 1)) != FALSE;
            return true;
        case kOpFTPUploadAsMultiPageTIFF:
            out.b = plugin.FTPUploadAsMultiPageTIFF(TextAt(args, 0), TextAt(args, 1)) != FALSE;
            return true;
        case kOpFTPUploadAsMultiPagePDF:
            out.b = plugin.FTPUploadAsMultiPagePDF(TextAt(args, 0), TextAt(args, 1)) != FALSE;
            return true;
        case kOpFTPUploadDirectly:
            out.b = plugin.FTPUploadDirectly(TextAt(args, 0), TextAt(args, 1), TextAt(args, 2)) != FALSE;
            return true;
        case kOpHTTPUploadThroughPut:
            out.b = plugin.HTTPUploadThroughPut(TextAt(args, 0), IndexAt(args, 1), TextAt(args, 2)) != FALSE;
            return true;
        case kOpHTTPUploadThroughPutEx:
            out.b = plugin.HTTPUploadThroughPutEx(TextAt(args, 0), IndexAt(args, 1), TextAt(args, 2),
                                                  TypeAt(args, 3)) != FALSE;
            return true;
        case kOpHTTPUploadAllThroughPutAsMultiPageTIFF:
            out.b = plugin.HTTPUploadAllThroughPutAsMultiPageTIFF(TextAt(args, 0), TextAt(args, 1)) != FALSE;
            return true;
        case kOpHTTPUploadAllThroughPutAsPDF:
            out.b = plugin.HTTPUploadAllThroughPutAsPDF(TextAt(args, 0), TextAt(args, 1)) != FALSE;
            return true;
        case kOpHTTPUploadThroughPutAsMultiPageTIFF:
            out.b = plugin.HTTPUploadThroughPutAsMultiPageTIFF(TextAt(args, 0), TextAt(args, 1)) != FALSE;
            return true;
        case kOpHTTPUploadThroughPutAsMultiPagePDF:
            out.b = plugin.HTTPUploadThroughPutAsMultiPagePDF(TextAt(args, 0), TextAt(args, 1)) != FALSE;
            return true;
        case kOpHTTPUploadThroughPutDirectly:
            out.b = plugin.HTTPUploadThroughPutDirectly(TextAt(args, 0), TextAt(args, 1), TextAt(args, 2)) != FALSE;
            return true;
        case kOpHTTPUploadThroughPost:
            out.b = plugin.HTTPUploadThroughPost(TextAt(args, 0), IndexAt(args, 1), TextAt(args, 2), TextAt(args, 3)) !=
                    FALSE;
            return true;
        case kOpHTTPUploadThroughPostEx:
            out.b = plugin.HTTPUploadThroughPostEx(TextAt(args, 0), IndexAt(args, 1), TextAt(args, 2), TextAt(args, 3),
                                                   TypeAt(args, 4)) != FALSE;
            return true;
        case kOpHTTPUploadAllThroughPostAsMultiPageTIFF:
            out.b = plugin.HTTPUploadAllThroughPostAsMultiPageTIFF(TextAt(args, 0), TextAt(args, 1), TextAt(args, 2)) !=
                    FALSE;
            return true;
        case kOpHTTPUploadAllThroughPostAsPDF:
            out.b = plugin.HTTPUploadAllThroughPostAsPDF(TextAt(args, 0), TextAt(args, 1), TextAt(args, 2)) != FALSE;
            return true;
        case kOpHTTPUploadThroughPostAsMultiPageTIFF:
            out.b =
                plugin.HTTPUploadThroughPostAsMultiPageTIFF(TextAt(args, 0), TextAt(args, 1), TextAt(args, 2)) != FALSE;
            return true;
        case kOpHTTPUploadThroughPostAsMultiPagePDF:
            out.b =
                plugin.HTTPUploadThroughPostAsMultiPagePDF(TextAt(args, 0), TextAt(args, 1), TextAt(args, 2)) != FALSE;
            return true;
        case kOpHTTPUploadThroughPostDirectly:
            out.b = plugin.HTTPUploadThroughPostDirectly(TextAt(args, 0), TextAt(args, 1), TextAt(args, 2),
                                                         TextAt(args, 3)) != FALSE;
            return true;
        case kOpFTPDownload:
            out.b = plugin.FTPDownload(TextAt(args, 0), TextAt(args, 1)) != FALSE;
            return true;
        case kOpFTPDownloadEx:
            out.b = plugin.FTPDownloadEx(TextAt(args, 0), TextAt(args, 1), TypeAt(args, 2)) != FALSE;
            return true;
        case kOpFTPDownloadDirectly:
            out.b = plugin.FTPDownloadDirectly(TextAt(args, 0), TextAt(args, 1), TextAt(args, 2)) != FALSE;
            return true;
        case kOpHTTPDownload:
            out.b = plugin.HTTPDownload(TextAt(args, 0), TextAt(args, 1)) != FALSE;
            return true;
        case kOpHTTPDownloadEx:
            out.b = plugin.HTTPDownloadEx(TextAt(args, 0), TextAt(args, 1), TypeAt(args, 2)) != FALSE;
            return true;
        case kOpHTTPDownloadDirectly:
            out.b = plugin.HTTPDownloadDirectly(TextAt(args, 0), TextAt(args, 1), TextAt(args, 2)) != FALSE;
            return true;
        default: return false;
    }
}

}  // namespace

bool PluginInstance::RunInternetMember(MemberAccess access, int op, const std::vector<ScriptValue>& args,
                                       ScriptValue& out, NPVariant* result) {
    const bool get = access == MemberAccess::Get;
    const bool put = access == MemberAccess::Put;
    if (access == MemberAccess::Method) {
        if (RunTransferMethod(*this, op, args, out)) return true;
        switch (op) {
            case kOpBindSSLCert: out.b = BindSSLCert(TextAt(args, 0), TextAt(args, 1)) != FALSE; return true;
            case kOpBindSSLCertEx: out.b = BindSSLCertEx(TextAt(args, 0)) != FALSE; return true;
            case kOpSetCookie:
                // An empty text keeps the cookie text set before.
                SetErrorCode(0);
                out.b = args.empty() || args[0].text.empty() || CBrowserAddOnBase::SetCookie(args[0].text.c_str());
                return true;
            default: return false;
        }
    }
    if (!get && !put) return false;
    switch (op) {
        case kOpMaxUploadImageSize:
            if (get) {
                SetErrorCode(0);
                out.i = MaxUploadImageSize();
            } else {
                MaxUploadImageSize(args[0].i);
            }
            return true;
        case kOpInternetSendTimeout:
            if (get) {
                SetErrorCode(0);
                out.i = InternetSendTimeout();
            } else {
                InternetSendTimeout(args[0].i);
            }
            return true;
        case kOpInternetReceiveTimeout:
            if (get) {
                SetErrorCode(0);
                out.i = InternetReceiveTimeout();
            } else {
                InternetReceiveTimeout(args[0].i);
            }
            return true;
        case kOpIfSSL:
            if (get) {
                SetErrorCode(0);
                out.b = IfSSL() != FALSE;
            } else {
                IfSSL(args[0].b);
            }
            return true;
        case kOpIfPASVMode:
            if (get) {
                SetErrorCode(0);
                out.b = IfPASVMode() != FALSE;
            } else {
                IfPASVMode(args[0].b);
            }
            return true;
        case kOpIfShowCancelDialogWhenImageTransfer:
            if (get) {
                SetErrorCode(0);
                out.b = IfShowCancelDialogWhenImageTransfer() != FALSE;
            } else {
                IfShowCancelDialogWhenImageTransfer(args[0].b);
            }
            return true;
        case kOpAllowPluginAuthentication:
            if (get) {
                SetErrorCode(0);
                out.b = AllowPluginAuthentication() != FALSE;
            } else {
                AllowPluginAuthentication(args[0].b);
            }
            return true;
        case kOpFTPUserName:
            if (get) SetScriptString(result, FTPUserName(), TRUE);
            else FTPUserName(args[0].text, TextFit::Cut);
            return true;
        case kOpFTPPassword:
            if (get) SetScriptString(result, FTPPassword(), TRUE);
            else FTPPassword(args[0].text, TextFit::Cut);
            return true;
        case kOpHTTPUserName:
            if (get) SetScriptString(result, HTTPUserName(), TRUE);
            else HTTPUserName(args[0].text, TextFit::Cut);
            return true;
        case kOpHTTPPassword:
            if (get) SetScriptString(result, HTTPPassword(), TRUE);
            else HTTPPassword(args[0].text, TextFit::Cut);
            return true;
        case kOpProxyServer:
            if (get) SetScriptString(result, ProxyServer(), TRUE);
            else ProxyServer(args[0].text, TextFit::Cut);
            return true;
        case kOpHttpFieldNameOfUploadedImage:
            if (get) {
                const char* name = GetHttpFieldNameOfUploadedImage();
                SetScriptString(result, name ? name : "", TRUE);
            } else {
                SetHttpFieldNameOfUploadedImage(args[0].text.c_str());
            }
            return true;
        default: return false;
    }
}

HGLOBAL PluginInstance::GetCookieHeader(const char* url, InternetGetCookieFn getCookie, CookieScope scope) {
    // The browser's cookies when its cookie service can be reached; the page's SetCookie text or
    // the system's cookie store only when it cannot.
    HGLOBAL header = nullptr;
    if (BrowserCookieHeader(url, &header)) return header;
    return CBrowserAddOnBase::GetCookieHeader(url, getCookie, scope);
}
