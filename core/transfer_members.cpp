#include "core/transfer_members.h"

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

bool Fit(CBrowserAddOnBase& engine, std::string_view text, char* buffer, size_t size) {
    text = text.substr(0, text.find('\0'));
    if (FitText(text.data(), text.size(), buffer, size, TextFit::Refuse)) return true;
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
            return (ftp ? engine.COstrelBase::FTPDownloadDirectly(server, remote, localFile)
                        : engine.COstrelBase::HTTPDownloadDirectly(server, remote, localFile)) == 1;
        engine.SetSuspendViewUpdates(1);
        const BOOL ok = ftp ? engine.COstrelBase::FTPDownloadEx(server, remote, type) : engine.COstrelBase::HTTPDownloadEx(server, remote, type);
        engine.SetSuspendViewUpdates(0);
        if (ok == 1) {
            // One refresh for every page the download added; its handlers cannot change the code.
            const LONG kept = engine.GetErrorCode();
            engine.OnBufferChanged(nullptr, 0);
            engine.SetErrorCode(kept);
        }
        return ok == 1;
    }

    static const SHORT allImages[1] = {kAllImages};
    const SHORT one[1] = {args.index};
    std::vector<SHORT> selected;
    UploadSource source{one, 1};
    switch (member.images) {
        case TransferImages::All: source = {allImages, 1}; break;
        case TransferImages::Selected:
            selected = engine.SelectedIndexList();
            source = {selected.data(), static_cast<LONG>(selected.size())};
            break;
        case TransferImages::LocalFile: source = {.localFile = localFile}; break;
        default: break;
    }
    switch (member.route) {
        case TransferRoute::HttpPost:
            return engine.COstrelBase::HTTPUploadThroughPostEx(server, remote, fileName, source,
                                                               engine.GetHttpFieldNameOfUploadedImage(), type) == 1;
        case TransferRoute::HttpPut: return engine.COstrelBase::HTTPUploadThroughPutEx(server, remote, source, type) == 1;
        default: return engine.COstrelBase::FTPUploadEx(server, remote, source, type) == 1;
    }
}

// ---- the transfer members of both hosts: each names its route, images and type ----

BOOL CBrowserAddOnBase::FTPUpload(std::string_view server, SHORT index, std::string_view remoteFile) {
    return RunTransferMember(*this, {TransferRoute::FtpUpload, TransferImages::One, kTypeFromName},
                             {.server = server, .remote = remoteFile, .index = index});
}

BOOL CBrowserAddOnBase::FTPUploadEx(std::string_view server, SHORT index, std::string_view remoteFile, LONG type) {
    return RunTransferMember(*this, {TransferRoute::FtpUpload, TransferImages::One, kTypeFromArgument},
                             {.server = server, .remote = remoteFile, .index = index, .type = type});
}

BOOL CBrowserAddOnBase::FTPUploadAllAsMultiPageTIFF(std::string_view server, std::string_view remoteFile) {
    return RunTransferMember(*this, {TransferRoute::FtpUpload, TransferImages::All, OSTRL_TIF},
                             {.server = server, .remote = remoteFile});
}

BOOL CBrowserAddOnBase::FTPUploadAllAsPDF(std::string_view server, std::string_view remoteFile) {
    return RunTransferMember(*this, {TransferRoute::FtpUpload, TransferImages::All, OSTRL_PDF},
                             {.server = server, .remote = remoteFile});
}

BOOL CBrowserAddOnBase::FTPUploadAsMultiPageTIFF(std::string_view server, std::string_view remoteFile) {
    return RunTransferMember(*this, {TransferRoute::FtpUpload, TransferImages::Selected, OSTRL_TIF},
                             {.server = server, .remote = remoteFile});
}

BOOL CBrowserAddOnBase::FTPUploadAsMultiPagePDF(std::string_view server, std::string_view remoteFile) {
    return RunTransferMember(*this, {TransferRoute::FtpUpload, TransferImages::Selected, OSTRL_PDF},
                             {.server = server, .remote = remoteFile});
}

BOOL CBrowserAddOnBase::FTPUploadDirectly(std::string_view server, std::string_view localFile,
                                          std::string_view remoteFile) {
    return RunTransferMember(*this, {TransferRoute::FtpUpload, TransferImages::LocalFile, kUploadLocalFile},
                             {.server = server, .remote = remoteFile, .localFile = localFile});
}

BOOL CBrowserAddOnBase::HTTPUploadThroughPut(std::string_view server, SHORT index, std::string_view remoteFile) {
    return RunTransferMember(*this, {TransferRoute::HttpPut, TransferImages::One, kTypeFromName},
                             {.server = server, .remote = remoteFile, .index = index});
}

BOOL CBrowserAddOnBase::HTTPUploadThroughPutEx(std::string_view server, SHORT index, std::string_view remoteFile,
                                               LONG type) {
    return RunTransferMember(*this, {TransferRoute::HttpPut, TransferImages::One, kTypeFromArgument},
                             {.server = server, .remote = remoteFile, .index = index, .type = type});
}

BOOL CBrowserAddOnBase::HTTPUploadAllThroughPutAsMultiPageTIFF(std::string_view server, std::string_view remoteFile) {
    return RunTransferMember(*this, {TransferRoute::HttpPut, TransferImages::All, OSTRL_TIF},
                             {.server = server, .remote = remoteFile});
}

BOOL CBrowserAddOnBase::HTTPUploadAllThroughPutAsPDF(std::string_view server, std::string_view remoteFile) {
    return RunTransferMember(*this, {TransferRoute::HttpPut, TransferImages::All, OSTRL_PDF},
                             {.server = server, .remote = remoteFile});
}

BOOL CBrowserAddOnBase::HTTPUploadThroughPutAsMultiPageTIFF(std::string_view server, std::string_view remoteFile) {
    return RunTransferMember(*this, {TransferRoute::HttpPut, TransferImages::Selected, OSTRL_TIF},
                             {.server = server, .remote = remoteFile});
}

BOOL CBrowserAddOnBase::HTTPUploadThroughPutAsMultiPagePDF(std::string_view server, std::string_view remoteFile) {
    return RunTransferMember(*this, {TransferRoute::HttpPut, TransferImages::Selected, OSTRL_PDF},
                             {.server = server, .remote = remoteFile});
}

BOOL CBrowserAddOnBase::HTTPUploadThroughPutDirectly(std::string_view server, std::string_view localFile,
                                                     std::string_view remoteFile) {
    return RunTransferMember(*this, {TransferRoute::HttpPut, TransferImages::LocalFile, kUploadLocalFile},
                             {.server = server, .remote = remoteFile, .localFile = localFile});
}

BOOL CBrowserAddOnBase::HTTPUploadThroughPost(std::string_view server, SHORT index, std::string_view actionPage,
                                              std::string_view fileName) {
    return RunTransferMember(*this, {TransferRoute::HttpPost, TransferImages::One, kTypeFromName},
                             {.server = server, .remote = actionPage, .fileName = fileName, .index = index});
}

BOOL CBrowserAddOnBase::HTTPUploadThroughPostEx(std::string_view server, SHORT index, std::string_view actionPage,
                                                std::string_view fileName, LONG type) {
    return RunTransferMember(
        *this, {TransferRoute::HttpPost, TransferImages::One, kTypeFromArgument},
        {.server = server, .remote = actionPage, .fileName = fileName, .index = index, .type = type});
}

BOOL CBrowserAddOnBase::HTTPUploadAllThroughPostAsMultiPageTIFF(std::string_view server, std::string_view actionPage,
                                                                std::string_view fileName) {
    return RunTransferMember(*this, {TransferRoute::HttpPost, TransferImages::All, OSTRL_TIF},
                             {.server = server, .remote = actionPage, .fileName = fileName});
}

BOOL CBrowserAddOnBase::HTTPUploadAllThroughPostAsPDF(std::string_view server, std::string_view actionPage,
                                                      std::string_view fileName) {
    return RunTransferMember(*this, {TransferRoute::HttpPost, TransferImages::All, OSTRL_PDF},
                             {.server = server, .remote = actionPage, .fileName = fileName});
}

BOOL CBrowserAddOnBase::HTTPUploadThroughPostAsMultiPageTIFF(std::string_view server, std::string_view actionPage,
                                                             std::string_view fileName) {
    return RunTransferMember(*this, {TransferRoute::HttpPost, TransferImages::Selected, OSTRL_TIF},
                             {.server = server, .remote = actionPage, .fileName = fileName});
}

BOOL CBrowserAddOnBase::HTTPUploadThroughPostAsMultiPagePDF(std::string_view server, std::string_view actionPage,
                                                            std::string_view fileName) {
    return RunTransferMember(*this, {TransferRoute::HttpPost, TransferImages::Selected, OSTRL_PDF},
                             {.server = server, .remote = actionPage, .fileName = fileName});
}

BOOL CBrowserAddOnBase::HTTPUploadThroughPostDirectly(std::string_view server, std::string_view localFile,
                                                      std::string_view actionPage, std::string_view fileName) {
    return RunTransferMember(*this, {TransferRoute::HttpPost, TransferImages::LocalFile, kUploadLocalFile},
                             {.server = server, .remote = actionPage, .fileName = fileName, .localFile = localFile});
}

BOOL CBrowserAddOnBase::FTPDownload(std::string_view server, std::string_view remoteFile) {
    return RunTransferMember(*this, {TransferRoute::FtpDownload, TransferImages::IntoBuffer, kTypeFromName},
                             {.server = server, .remote = remoteFile});
}

BOOL CBrowserAddOnBase::FTPDownloadEx(std::string_view server, std::string_view remoteFile, LONG type) {
    return RunTransferMember(*this, {TransferRoute::FtpDownload, TransferImages::IntoBuffer, kTypeFromArgument},
                             {.server = server, .remote = remoteFile, .type = type});
}

BOOL CBrowserAddOnBase::FTPDownloadDirectly(std::string_view server, std::string_view remoteFile,
                                            std::string_view localFile) {
    return RunTransferMember(*this, {TransferRoute::FtpDownload, TransferImages::LocalFile, kUploadLocalFile},
                             {.server = server, .remote = remoteFile, .localFile = localFile});
}

BOOL CBrowserAddOnBase::HTTPDownload(std::string_view server, std::string_view remoteFile) {
    return RunTransferMember(*this, {TransferRoute::HttpDownload, TransferImages::IntoBuffer, kTypeFromName},
                             {.server = server, .remote = remoteFile});
}

BOOL CBrowserAddOnBase::HTTPDownloadEx(std::string_view server, std::string_view remoteFile, LONG type) {
    return RunTransferMember(*this, {TransferRoute::HttpDownload, TransferImages::IntoBuffer, kTypeFromArgument},
                             {.server = server, .remote = remoteFile, .type = type});
}

BOOL CBrowserAddOnBase::HTTPDownloadDirectly(std::string_view server, std::string_view remoteFile,
                                             std::string_view localFile) {
    return RunTransferMember(*this, {TransferRoute::HttpDownload, TransferImages::LocalFile, kUploadLocalFile},
                             {.server = server, .remote = remoteFile, .localFile = localFile});
}

// ---- client certificates, with the same text rules ----

BOOL CBrowserAddOnBase::BindSSLCert(std::string_view issuer, std::string_view serialNumber) {
    SetErrorCode(0);
    char issuerText[kCertificateTextSize], serial[kCertificateTextSize];
    if (!Fit(*this, issuer, issuerText, sizeof(issuerText)) || !Fit(*this, serialNumber, serial, sizeof(serial)))
        return FALSE;
    return COstrelBase::BindSSLCert(issuerText, serial) == 1;
}

BOOL CBrowserAddOnBase::BindSSLCertEx(std::string_view subjectKeyword) {
    SetErrorCode(0);
    char keyword[kSubjectKeywordSize];
    if (!Fit(*this, subjectKeyword, keyword, sizeof(keyword))) return FALSE;
    return COstrelBase::BindSSLCertEx(keyword) == 1;
}
