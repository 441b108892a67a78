// The ILumetta file and upload members: script texts into fixed buffers, the image type (given,
// from a file-name extension or fixed by the member), the index list, one engine operation.
#include <cstring>

#include "activex/pallastra.h"
#include "codecs/image_type.h"
#include "core/transfer_members.h"

BOOL CPallastra::ImageTypeFromFileName(BSTR fileName, SHORT* type) {
    char name[512];
    if (!BSTRToBuffer(fileName, name, sizeof(name), TextFit::Refuse, TRUE)) return FALSE;
    if (::GetImageTypeFromFileName(name, type) != 0) {
        SetErrorCode(kErrFileExtension);
        return FALSE;
    }
    return TRUE;
}

// ---- saving and loading ----

HRESULT CPallastra::SaveAsBMP(BSTR fileName, short index, VARIANT_BOOL* result) {
    std::string path;
    return BoolResult(result, BSTRToString(fileName, path, TRUE) && CBrowserAddOnBase::SaveAsBMP(path, index));
}

HRESULT CPallastra::SaveAsPNG(BSTR fileName, short index, VARIANT_BOOL* result) {
    std::string path;
    return BoolResult(result, BSTRToString(fileName, path, TRUE) && CBrowserAddOnBase::SaveAsPNG(path, index));
}

HRESULT CPallastra::SaveAsJPEG(BSTR fileName, short index, VARIANT_BOOL* result) {
    std::string path;
    return BoolResult(result, BSTRToString(fileName, path, TRUE) && CBrowserAddOnBase::SaveAsJPEG(path, index));
}

HRESULT CPallastra::SaveAsTIFF(BSTR fileName, short index, VARIANT_BOOL* result) {
    std::string path;
    return BoolResult(result, BSTRToString(fileName, path, TRUE) && CBrowserAddOnBase::SaveAsTIFF(path, index));
}

HRESULT CPallastra::SaveAsPDF(BSTR fileName, short index, VARIANT_BOOL* result) {
    std::string path;
    return BoolResult(result, BSTRToString(fileName, path, TRUE) && CBrowserAddOnBase::SaveAsPDF(path, index));
}

HRESULT CPallastra::SaveAllAsPDF(BSTR fileName, VARIANT_BOOL* result) {
    std::string path;
    return BoolResult(result, BSTRToString(fileName, path, TRUE) && CBrowserAddOnBase::SaveAllAsPDF(path));
}

HRESULT CPallastra::SaveAllAsMultiPageTIFF(BSTR fileName, VARIANT_BOOL* result) {
    std::string path;
    return BoolResult(result, BSTRToString(fileName, path, TRUE) && CBrowserAddOnBase::SaveAllAsMultiPageTIFF(path));
}

HRESULT CPallastra::SaveSelectedImagesAsMultiPageTIFF(BSTR fileName, VARIANT_BOOL* result) {
    std::string path;
    return BoolResult(result, BSTRToString(fileName, path, TRUE) &&
                                  CBrowserAddOnBase::SaveSelectedImagesAsMultiPageTIFF(path));
}

HRESULT CPallastra::SaveSelectedImagesAsMultiPagePDF(BSTR fileName, VARIANT_BOOL* result) {
    std::string path;
    return BoolResult(result, BSTRToString(fileName, path, TRUE) &&
                                  CBrowserAddOnBase::SaveSelectedImagesAsMultiPagePDF(path));
}

HRESULT CPallastra::LoadImage(BSTR fileName, VARIANT_BOOL* result) {
    SHORT type = 0;
    if (!ImageTypeFromFileName(fileName, &type)) return BoolResult(result, FALSE);
    return LoadImageEx(fileName, static_cast<enumTW_IMAGE_TYPE>(type), result);
}

HRESULT CPallastra::LoadImageEx(BSTR fileName, enumTW_IMAGE_TYPE type, VARIANT_BOOL* result) {
    char path[512];
    if (!BSTRToBuffer(fileName, path, sizeof(path), TextFit::Refuse, TRUE)) return BoolResult(result, FALSE);
    SetSuspendViewUpdates(1);
    const BOOL ok = CBrowserAddOnBase::LoadImageEx(path, static_cast<SHORT>(type));
    SetSuspendViewUpdates(0);
    // Handlers of the one buffer notification cannot change what the page reads after the load.
    const LONG kept = GetErrorCode();
    OnBufferChanged(nullptr, 0);
    SetErrorCode(kept);
    return BoolResult(result, ok);
}

HRESULT CPallastra::ShowFileDialog(VARIANT_BOOL save, BSTR filter, long filterIndex, BSTR defExtension,
                                   BSTR initialDir, VARIANT_BOOL multiSelect, VARIANT_BOOL overwritePrompt, long flags,
                                   VARIANT_BOOL* result) {
    SetErrorCode(0);
    char filterText[4096], extension[512], folder[512];
    if (!BSTRToBuffer(filter, filterText, sizeof(filterText), TextFit::Refuse, FALSE) ||
        !BSTRToBuffer(defExtension, extension, sizeof(extension), TextFit::Refuse, FALSE) ||
        !BSTRToBuffer(initialDir, folder, sizeof(folder), TextFit::Refuse, FALSE))
        return BoolResult(result, FALSE);
    // The engine masks hook and template flags out: those need code and resources of the page's own.
    const BOOL ok = CBrowserAddOnBase::ShowFileDialog(save == VARIANT_TRUE, filterText, static_cast<DWORD>(filterIndex),
                                                      extension, folder, multiSelect == VARIANT_TRUE,
                                                      overwritePrompt == VARIANT_TRUE, static_cast<DWORD>(flags));
    return BoolResult(result, ok > 0);
}

// ---- uploads, downloads and client certificates: the shared transfer steps of core/ ----

HRESULT CPallastra::RunTransfer(const TransferMember& member, BSTR server, BSTR remote, BSTR fileName, BSTR localFile,
                             SHORT index, LONG type, VARIANT_BOOL* result) {
    std::string serverText, remoteText, nameText, localText;
    if (!BSTRToString(server, serverText, TRUE) || !BSTRToString(remote, remoteText, FALSE) ||
        !BSTRToString(fileName, nameText, FALSE) || !BSTRToString(localFile, localText, FALSE))
        return BoolResult(result, FALSE);
    TransferArguments args;
    args.server = serverText.c_str();
    args.remote = remoteText.c_str();
    args.fileName = nameText.c_str();
    args.localFile = localText.c_str();
    args.index = index;
    args.type = type;
    return BoolResult(result, RunTransferMember(*this, member, args));
}

#define PALLASTRA_MEMBER(name) transfer_members::name

HRESULT CPallastra::HTTPUploadThroughPost(BSTR server, short index, BSTR actionPage, BSTR fileName,
                                          VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPUploadThroughPost), server, actionPage, fileName, nullptr, index, 0, result);
}

HRESULT CPallastra::HTTPUploadThroughPostEx(BSTR server, short index, BSTR actionPage, BSTR fileName,
                                            enumTW_IMAGE_TYPE type, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPUploadThroughPostEx), server, actionPage, fileName, nullptr, index,
                    static_cast<LONG>(type), result);
}

HRESULT CPallastra::HTTPUploadAllThroughPostAsMultiPageTIFF(BSTR server, BSTR actionPage, BSTR fileName,
                                                            VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPUploadAllThroughPostAsMultiPageTIFF), server, actionPage, fileName, nullptr,
                    0, 0, result);
}

HRESULT CPallastra::HTTPUploadAllThroughPostAsPDF(BSTR server, BSTR actionPage, BSTR fileName, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPUploadAllThroughPostAsPDF), server, actionPage, fileName, nullptr, 0, 0,
                    result);
}

HRESULT CPallastra::HTTPUploadThroughPostAsMultiPageTIFF(BSTR server, BSTR actionPage, BSTR fileName,
                                                         VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPUploadThroughPostAsMultiPageTIFF), server, actionPage, fileName, nullptr, 0,
                    0, result);
}

HRESULT CPallastra::HTTPUploadThroughPostAsMultiPagePDF(BSTR server, BSTR actionPage, BSTR fileName,
                                                        VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPUploadThroughPostAsMultiPagePDF), server, actionPage, fileName, nullptr, 0,
                    0, result);
}

HRESULT CPallastra::HTTPUploadThroughPostDirectly(BSTR server, BSTR localFile, BSTR actionPage, BSTR fileName,
                                                  VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPUploadThroughPostDirectly), server, actionPage, fileName, localFile, 0, 0,
                    result);
}

HRESULT CPallastra::HTTPUploadThroughPut(BSTR server, short index, BSTR remoteFile, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPUploadThroughPut), server, remoteFile, nullptr, nullptr, index, 0, result);
}

HRESULT CPallastra::HTTPUploadThroughPutEx(BSTR server, short index, BSTR remoteFile, enumTW_IMAGE_TYPE type,
                                           VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPUploadThroughPutEx), server, remoteFile, nullptr, nullptr, index,
                    static_cast<LONG>(type), result);
}

HRESULT CPallastra::HTTPUploadAllThroughPutAsMultiPageTIFF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPUploadAllThroughPutAsMultiPageTIFF), server, remoteFile, nullptr, nullptr, 0,
                    0, result);
}

HRESULT CPallastra::HTTPUploadAllThroughPutAsPDF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPUploadAllThroughPutAsPDF), server, remoteFile, nullptr, nullptr, 0, 0, result);
}

HRESULT CPallastra::HTTPUploadThroughPutAsMultiPageTIFF(BSTR server, BSTR fileName, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPUploadThroughPutAsMultiPageTIFF), server, fileName, nullptr, nullptr, 0, 0,
                    result);
}

HRESULT CPallastra::HTTPUploadThroughPutAsMultiPagePDF(BSTR server, BSTR fileName, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPUploadThroughPutAsMultiPagePDF), server, fileName, nullptr, nullptr, 0, 0,
                    result);
}

HRESULT CPallastra::HTTPUploadThroughPutDirectly(BSTR server, BSTR localFile, BSTR remoteFile, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPUploadThroughPutDirectly), server, remoteFile, nullptr, localFile, 0, 0,
                    result);
}

HRESULT CPallastra::FTPUpload(BSTR server, short index, BSTR remoteFile, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(FTPUpload), server, remoteFile, nullptr, nullptr, index, 0, result);
}

HRESULT CPallastra::FTPUploadEx(BSTR server, short index, BSTR remoteFile, enumTW_IMAGE_TYPE type,
                                VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(FTPUploadEx), server, remoteFile, nullptr, nullptr, index,
                    static_cast<LONG>(type), result);
}

HRESULT CPallastra::FTPUploadAllAsMultiPageTIFF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(FTPUploadAllAsMultiPageTIFF), server, remoteFile, nullptr, nullptr, 0, 0, result);
}

HRESULT CPallastra::FTPUploadAllAsPDF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(FTPUploadAllAsPDF), server, remoteFile, nullptr, nullptr, 0, 0, result);
}

HRESULT CPallastra::FTPUploadAsMultiPageTIFF(BSTR server, BSTR fileName, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(FTPUploadAsMultiPageTIFF), server, fileName, nullptr, nullptr, 0, 0, result);
}

HRESULT CPallastra::FTPUploadAsMultiPagePDF(BSTR server, BSTR fileName, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(FTPUploadAsMultiPagePDF), server, fileName, nullptr, nullptr, 0, 0, result);
}

HRESULT CPallastra::FTPUploadDirectly(BSTR server, BSTR localFile, BSTR remoteFile, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(FTPUploadDirectly), server, remoteFile, nullptr, localFile, 0, 0, result);
}

HRESULT CPallastra::FTPDownload(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(FTPDownload), server, remoteFile, nullptr, nullptr, 0, 0, result);
}

HRESULT CPallastra::FTPDownloadEx(BSTR server, BSTR remoteFile, enumTW_IMAGE_TYPE type, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(FTPDownloadEx), server, remoteFile, nullptr, nullptr, 0, static_cast<LONG>(type),
                    result);
}

HRESULT CPallastra::FTPDownloadDirectly(BSTR server, BSTR remoteFile, BSTR localFile, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(FTPDownloadDirectly), server, remoteFile, nullptr, localFile, 0, 0, result);
}

HRESULT CPallastra::HTTPDownload(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPDownload), server, remoteFile, nullptr, nullptr, 0, 0, result);
}

HRESULT CPallastra::HTTPDownloadEx(BSTR server, BSTR remoteFile, enumTW_IMAGE_TYPE type, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPDownloadEx), server, remoteFile, nullptr, nullptr, 0, static_cast<LONG>(type),
                    result);
}

HRESULT CPallastra::HTTPDownloadDirectly(BSTR server, BSTR remoteFile, BSTR localFile, VARIANT_BOOL* result) {
    return RunTransfer(PALLASTRA_MEMBER(HTTPDownloadDirectly), server, remoteFile, nullptr, localFile, 0, 0, result);
}

#undef PALLASTRA_MEMBER

HRESULT CPallastra::BindSSLCert(BSTR issuer, BSTR serialNumber, VARIANT_BOOL* result) {
    std::string issuerText, serial;
    if (!BSTRToString(issuer, issuerText, TRUE) || !BSTRToString(serialNumber, serial, FALSE))
        return BoolResult(result, FALSE);
    return BoolResult(result, RunBindSSLCert(*this, issuerText.c_str(), serial.c_str()));
}

HRESULT CPallastra::BindSSLCertEx(BSTR subjectKeyword, VARIANT_BOOL* result) {
    std::string keyword;
    if (!BSTRToString(subjectKeyword, keyword, TRUE)) return BoolResult(result, FALSE);
    return BoolResult(result, RunBindSSLCertEx(*this, keyword.c_str()));
}
