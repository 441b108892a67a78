#include "core/transfer_members.h"

#include <cstring>
#include <vector>

#include "base/error_codes.h"
#include "codecs/image_type.h"
#include "core/text_fit.h"

namespace {

// Buffer sizes of the texts: server names 256 bytes; remote files, action pages, form file names
// and local files 512; certificate issuers and serial numbers 1024, subject keywords 1025.
constexpr size_t kServerSize = 256;
constexpr size_t kNameSize = 512;
constexpr size_t kCertificateTextSize = 1024;
constexpr size_t kSubjectKeywordSize = 1025;

bool Fit(CBrowserAddOnBase& engine, const char* text, char* buffer, size_t size) {
    if (FitText(text, text ? std::strlen(text) : 0, buffer, size, TextFit::Refuse)) return true;
    engine.SetErrorCode(kErrInvalidValue);
    return false;
}

bool IsUpload(TransferRoute route) {
    return route == TransferRoute::HttpPost || route == TransferRoute::HttpPut || route == TransferRoute::FtpUpload;
}

}  // namespace

BOOL RunTransferMember(CBrowserAddOnBase& engine, const TransferMember& member, const TransferArguments& args) {
    engine.SetErrorCode(0);
    const bool post = member.route == TransferRoute::HttpPost;
    const bool local = member.images == TransferImages::LocalFile;
    char server[kServerSize], remote[kNameSize], fileName[kNameSize] = {}, localFile[kNameSize] = {};
    if (!Fit(engine, args.server, server, sizeof(server)) || !Fit(engine, args.remote, remote, sizeof(remote)) ||
        (post && !Fit(engine, args.fileName, fileName, sizeof(fileName))) ||
        (local && !Fit(engine, args.localFile, localFile, sizeof(localFile))))
        return FALSE;

    LONG type = member.type;
    if (type == kTypeFromArgument) {
        type = args.type;
    } else if (type == kTypeFromName) {
        SHORT named = 0;
        if (GetImageTypeFromFileName(post ? fileName : remote, &named) != 0) {
            engine.SetErrorCode(kErrFileExtension);
            return FALSE;
        }
        type = named;
    }

    if (!IsUpload(member.route)) {
        const bool ftp = member.route == TransferRoute::FtpDownload;
        if (local)
            return (ftp ? engine.FTPDownloadDirectly(server, remote, localFile)
                        : engine.HTTPDownloadDirectly(server, remote, localFile)) == 1;
        engine.SetSuspendViewUpdates(1);
        const BOOL ok = ftp ? engine.FTPDownloadEx(server, remote, type) : engine.HTTPDownloadEx(server, remote, type);
        engine.SetSuspendViewUpdates(0);
        if (ok == 1) {
            // One refresh for every page the download added; its handlers cannot change the code.
            const LONG kept = engine.GetErrorCode();
            engine.OnBufferChanged(nullptr, 0);
            engine.SetErrorCode(kept);
        }
        return ok == 1;
    }

    static const SHORT kAllImages[1] = {-1};
    const SHORT one[1] = {args.index};
    std::vector<SHORT> selected;
    const void* list = one;
    LONG count = 1;
    switch (member.images) {
        case TransferImages::All: list = kAllImages; break;
        case TransferImages::Selected:
            selected = engine.SelectedIndexList();
            list = selected.data();
            count = static_cast<LONG>(selected.size());
            break;
        case TransferImages::LocalFile: list = localFile; break;
        default: break;
    }
    switch (member.route) {
        case TransferRoute::HttpPost:
            return engine.HTTPUploadThroughPostEx(server, remote, fileName, list, count,
                                                  engine.GetHttpFieldNameOfUploadedImage(), type) == 1;
        case TransferRoute::HttpPut: return engine.HTTPUploadThroughPutEx(server, remote, list, count, type) == 1;
        default: return engine.FTPUploadEx(server, remote, list, count, type) == 1;
    }
}

BOOL RunBindSSLCert(CBrowserAddOnBase& engine, const char* issuer, const char* serialNumber) {
    engine.SetErrorCode(0);
    char issuerText[kCertificateTextSize], serial[kCertificateTextSize];
    if (!Fit(engine, issuer, issuerText, sizeof(issuerText)) || !Fit(engine, serialNumber, serial, sizeof(serial)))
        return FALSE;
    return engine.BindSSLCert(issuerText, serial) == 1;
}

BOOL RunBindSSLCertEx(CBrowserAddOnBase& engine, const char* subjectKeyword) {
    engine.SetErrorCode(0);
    char keyword[kSubjectKeywordSize];
    if (!Fit(engine, subjectKeyword, keyword, sizeof(keyword))) return FALSE;
    return engine.BindSSLCertEx(keyword) == 1;
}
