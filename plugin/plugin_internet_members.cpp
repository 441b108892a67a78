// Script members of the plug-in: uploads, downloads, credentials, proxies, certificates and cookies.
// The transfer members and settings come from the tables of core/transfer_members.h, shared with
// the control; what is the plug-in's own is how it reads its script arguments, that credentials
// and the proxy are cut to the engine's field (256 characters) rather than refused, and that an
// empty cookie text leaves the kept one alone.
#include "base/error_codes.h"
#include "core/operation_name_table.h"
#include "core/text_fit.h"
#include "core/transfer_members.h"
#include "plugin/browser_cookie_route.h"
#include "plugin/plugin_instance.h"

namespace {

const char* TextAt(const std::vector<ScriptValue>& args, size_t at) {
    return at < args.size() ? args[at].text.c_str() : "";
}

// The texts of a transfer member's call in the order its table entry gives them.
TransferArguments ScriptTransferArguments(const TransferMember& member, const std::vector<ScriptValue>& args) {
    const bool upload = member.route == TransferRoute::HttpPost || member.route == TransferRoute::HttpPut ||
                        member.route == TransferRoute::FtpUpload;
    TransferArguments t;
    size_t next = 0;
    t.server = TextAt(args, next++);
    if (member.images == TransferImages::One) {
        t.index = next < args.size() ? args[next].h : 0;
        ++next;
    } else if (member.images == TransferImages::LocalFile && upload) {
        t.localFile = TextAt(args, next++);
    }
    t.remote = TextAt(args, next++);
    if (member.route == TransferRoute::HttpPost) t.fileName = TextAt(args, next++);
    if (member.images == TransferImages::LocalFile && !upload) t.localFile = TextAt(args, next++);
    if (member.type == kTypeFromArgument) t.type = next < args.size() ? args[next].i : 0;
    return t;
}

}  // namespace

bool PluginInstance::RunInternetMember(MemberAccess access, int op, const std::vector<ScriptValue>& args,
                                       ScriptValue& out, NPVariant* result) {
    const bool get = access == MemberAccess::Get;
    const bool put = access == MemberAccess::Put;
    if (access == MemberAccess::Method) {
        switch (op) {
#define LUMETTA_CASE_TRANSFER(name, route, images, type)                                                \
    case kOp##name:                                                                                     \
        out.b = RunTransferMember(*this, transfer_members::name,                                        \
                                  ScriptTransferArguments(transfer_members::name, args)) != FALSE;      \
        return true;
            LUMETTA_TRANSFER_MEMBERS(LUMETTA_CASE_TRANSFER)
#undef LUMETTA_CASE_TRANSFER
            case kOpBindSSLCert: out.b = RunBindSSLCert(*this, TextAt(args, 0), TextAt(args, 1)) != FALSE; return true;
            case kOpBindSSLCertEx: out.b = RunBindSSLCertEx(*this, TextAt(args, 0)) != FALSE; return true;
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

HGLOBAL PluginInstance::GetCookieHeader(const char* url, InternetGetCookieFn getCookie) {
    // The browser's cookies when its cookie service can be reached; the page's SetCookie text or
    // the system's cookie store only when it cannot.
    HGLOBAL header = nullptr;
    if (BrowserCookieHeader(url, &header)) return header;
    return CBrowserAddOnBase::GetCookieHeader(url, getCookie);
}
