// The ILumetta file and upload members: script texts into fixed buffers, the image type (given,
// from a file-name extension or fixed by the member), the index list, one engine operation.
#include <cstring>

#include "activex/pallastra.h"
#include "codecs/image_type.h"

namespace {

constexpr SHORT kAllImages[1] = {-1};

}  // namespace

BOOL CPallastra::ImageTypeFromFileName(BSTR fileName, SHORT* type) {
    char name[512];
    if (!BSTRToBuffer(fileName, name, sizeof(name), TextFit::Refuse, TRUE)) return FALSE;
    if (::GetImageTypeFromFileName(name, type) != 0) {
        SetErrorCode(-1110);
        return FALSE;
    }
    return TRUE;
}

// ---- saving and loading ----

HRESULT CPallastra::SaveAsBMP(BSTR fileName, short index, VARIANT_BOOL* result) {
    char path[256];
    if (!BSTRToBuffer(fileName, path, sizeof(path), TextFit::Refuse, TRUE)) return BoolResult(result, FALSE);
    return BoolResult(result, CBrowserAddOnBase::SaveAsBMP(path, index));
}

HRESULT CPallastra::SaveAsPNG(BSTR fileName, short index, VARIANT_BOOL* result) {
    char path[256];
    if (!BSTRToBuffer(fileName, path, sizeof(path), TextFit::Refuse, TRUE)) return BoolResult(result, FALSE);
    return BoolResult(result, CBrowserAddOnBase::SaveAsPNG(path, index));
}

HRESULT CPallastra::SaveAsJPEG(BSTR fileName, short index, VARIANT_BOOL* result) {
    char path[256];
    if (!BSTRToBuffer(fileName, path, sizeof(path), TextFit::Refuse, TRUE)) return BoolResult(result, FALSE);
    return BoolResult(result, CBrowserAddOnBase::SaveAsJPEG(path, index, m_jpegQuality));
}

HRESULT CPallastra::SaveAsTIFF(BSTR fileName, short index, VARIANT_BOOL* result) {
    char path[256];
    if (!BSTRToBuffer(fileName, path, sizeof(path), TextFit::Refuse, TRUE)) return BoolResult(result, FALSE);
    return BoolResult(result, CBrowserAddOnBase::SaveAsTIFF(path, index, m_ifTiffMultiPage == 0, m_tiffCompressionType));
}

HRESULT CPallastra::SaveAsPDF(BSTR fileName, short index, VARIANT_BOOL* result) {
    char path[512];
    if (!BSTRToBuffer(fileName, path, sizeof(path), TextFit::Refuse, TRUE)) return BoolResult(result, FALSE);
    return BoolResult(result, CBrowserAddOnBase::SaveAsPDF(path, index, &m_pdfSettings, m_pdfCompressionType, m_jpegQuality));
}

HRESULT CPallastra::SaveAllAsPDF(BSTR fileName, VARIANT_BOOL* result) { return SaveAsPDF(fileName, -1, result); }

HRESULT CPallastra::SaveAllAsMultiPageTIFF(BSTR fileName, VARIANT_BOOL* result) {
    char path[256];
    if (!BSTRToBuffer(fileName, path, sizeof(path), TextFit::Refuse, TRUE)) return BoolResult(result, FALSE);
    return BoolResult(result, CBrowserAddOnBase::SaveAllAsMultiPageTIFF(path, m_tiffCompressionType));
}

HRESULT CPallastra::SaveSelectedImagesAsMultiPageTIFF(BSTR fileName, VARIANT_BOOL* result) {
    char path[512];
    if (!BSTRToBuffer(fileName, path, sizeof(path), TextFit::Refuse, TRUE)) return BoolResult(result, FALSE);
    const std::vector<SHORT> list = SelectedIndexList();
    return BoolResult(result, CBrowserAddOnBase::SaveSelectedImagesAsMultiPageTIFF(
                                  path, list.data(), static_cast<LONG>(list.size()), m_tiffCompressionType));
}

HRESULT CPallastra::SaveSelectedImagesAsMultiPagePDF(BSTR fileName, VARIANT_BOOL* result) {
    char path[512];
    if (!BSTRToBuffer(fileName, path, sizeof(path), TextFit::Refuse, TRUE)) return BoolResult(result, FALSE);
    const std::vector<SHORT> list = SelectedIndexList();
    return BoolResult(result, CBrowserAddOnBase::SaveSelectedImagesAsMultiPagePDF(
                                  path, list.data(), static_cast<LONG>(list.size()), &m_pdfSettings,
                                  m_pdfCompressionType, m_jpegQuality));
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

// ---- uploads ----

HRESULT CPallastra::PostUpload(BSTR server, BSTR actionPage, BSTR fileName, const SHORT* list, LONG count, LONG type,
                               VARIANT_BOOL* result) {
    char serverText[256], action[512], name[512];
    if (!BSTRToBuffer(server, serverText, sizeof(serverText), TextFit::Refuse, TRUE) ||
        !BSTRToBuffer(actionPage, action, sizeof(action), TextFit::Refuse, FALSE) ||
        !BSTRToBuffer(fileName, name, sizeof(name), TextFit::Refuse, FALSE))
        return BoolResult(result, FALSE);
    return BoolResult(result, COstrelBase::HTTPUploadThroughPostEx(serverText, action, name, list, count,
                                                                      GetHttpFieldNameOfUploadedImage(), type) == 1);
}

HRESULT CPallastra::PutUpload(BSTR server, BSTR remoteFile, const SHORT* list, LONG count, LONG type,
                              VARIANT_BOOL* result) {
    char serverText[256], remote[512];
    if (!BSTRToBuffer(server, serverText, sizeof(serverText), TextFit::Refuse, TRUE) ||
        !BSTRToBuffer(remoteFile, remote, sizeof(remote), TextFit::Refuse, FALSE))
        return BoolResult(result, FALSE);
    return BoolResult(result, COstrelBase::HTTPUploadThroughPutEx(serverText, remote, list, count, type) == 1);
}

HRESULT CPallastra::HTTPUploadThroughPost(BSTR server, short index, BSTR actionPage, BSTR fileName,
                                          VARIANT_BOOL* result) {
    SHORT type = 0;
    if (!ImageTypeFromFileName(fileName, &type)) return BoolResult(result, FALSE);
    return HTTPUploadThroughPostEx(server, index, actionPage, fileName, static_cast<enumTW_IMAGE_TYPE>(type), result);
}

HRESULT CPallastra::HTTPUploadThroughPostEx(BSTR server, short index, BSTR actionPage, BSTR fileName,
                                            enumTW_IMAGE_TYPE type, VARIANT_BOOL* result) {
    const SHORT list[1] = {index};
    return PostUpload(server, actionPage, fileName, list, 1, static_cast<LONG>(type), result);
}

HRESULT CPallastra::HTTPUploadAllThroughPostAsMultiPageTIFF(BSTR server, BSTR actionPage, BSTR fileName,
                                                            VARIANT_BOOL* result) {
    return PostUpload(server, actionPage, fileName, kAllImages, 1, 2, result);
}

HRESULT CPallastra::HTTPUploadAllThroughPostAsPDF(BSTR server, BSTR actionPage, BSTR fileName, VARIANT_BOOL* result) {
    return HTTPUploadThroughPostEx(server, -1, actionPage, fileName, enumTW_IMAGE_TYPE::OSTRL_PDF, result);
}

HRESULT CPallastra::HTTPUploadThroughPostAsMultiPageTIFF(BSTR server, BSTR actionPage, BSTR fileName,
                                                         VARIANT_BOOL* result) {
    const std::vector<SHORT> list = SelectedIndexList();
    return PostUpload(server, actionPage, fileName, list.data(), static_cast<LONG>(list.size()), 2, result);
}

HRESULT CPallastra::HTTPUploadThroughPostAsMultiPagePDF(BSTR server, BSTR actionPage, BSTR fileName,
                                                        VARIANT_BOOL* result) {
    const std::vector<SHORT> list = SelectedIndexList();
    return PostUpload(server, actionPage, fileName, list.data(), static_cast<LONG>(list.size()), 4, result);
}

HRESULT CPallastra::HTTPUploadThroughPostDirectly(BSTR server, BSTR localFile, BSTR actionPage, BSTR fileName,
                                                  VARIANT_BOOL* result) {
    char local[512];
    if (!BSTRToBuffer(localFile, local, sizeof(local), TextFit::Refuse, TRUE)) return BoolResult(result, FALSE);
    return PostUpload(server, actionPage, fileName, reinterpret_cast<const SHORT*>(local), 1, kUploadLocalFile, result);
}

HRESULT CPallastra::HTTPUploadThroughPut(BSTR server, short index, BSTR remoteFile, VARIANT_BOOL* result) {
    SHORT type = 0;
    if (!ImageTypeFromFileName(remoteFile, &type)) return BoolResult(result, FALSE);
    return HTTPUploadThroughPutEx(server, index, remoteFile, static_cast<enumTW_IMAGE_TYPE>(type), result);
}

HRESULT CPallastra::HTTPUploadThroughPutEx(BSTR server, short index, BSTR remoteFile, enumTW_IMAGE_TYPE type,
                                           VARIANT_BOOL* result) {
    const SHORT list[1] = {index};
    return PutUpload(server, remoteFile, list, 1, static_cast<LONG>(type), result);
}

HRESULT CPallastra::HTTPUploadAllThroughPutAsMultiPageTIFF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    return PutUpload(server, remoteFile, kAllImages, 1, 2, result);
}

HRESULT CPallastra::HTTPUploadAllThroughPutAsPDF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    return HTTPUploadThroughPutEx(server, -1, remoteFile, enumTW_IMAGE_TYPE::OSTRL_PDF, result);
}

HRESULT CPallastra::HTTPUploadThroughPutAsMultiPageTIFF(BSTR server, BSTR fileName, VARIANT_BOOL* result) {
    const std::vector<SHORT> list = SelectedIndexList();
    return PutUpload(server, fileName, list.data(), static_cast<LONG>(list.size()), 2, result);
}

HRESULT CPallastra::HTTPUploadThroughPutAsMultiPagePDF(BSTR server, BSTR fileName, VARIANT_BOOL* result) {
    const std::vector<SHORT> list = SelectedIndexList();
    return PutUpload(server, fileName, list.data(), static_cast<LONG>(list.size()), 4, result);
}

HRESULT CPallastra::HTTPUploadThroughPutDirectly(BSTR server, BSTR localFile, BSTR remoteFile, VARIANT_BOOL* result) {
    char local[512];
    if (!BSTRToBuffer(localFile, local, sizeof(local), TextFit::Refuse, TRUE)) return BoolResult(result, FALSE);
    return PutUpload(server, remoteFile, reinterpret_cast<const SHORT*>(local), 1, kUploadLocalFile, result);
}

// ---- FTP uploads, downloads and client certificates ----

HRESULT CPallastra::FtpUpload(BSTR server, BSTR remoteFile, const SHORT* list, LONG count, LONG type,
                              VARIANT_BOOL* result) {
    char serverText[256], remote[512];
    if (!BSTRToBuffer(server, serverText, sizeof(serverText), TextFit::Refuse, TRUE) ||
        !BSTRToBuffer(remoteFile, remote, sizeof(remote), TextFit::Refuse, FALSE))
        return BoolResult(result, FALSE);
    return BoolResult(result, COstrelBase::FTPUploadEx(serverText, remote, list, count, type) == 1);
}

HRESULT CPallastra::FTPUploadEx(BSTR server, short index, BSTR remoteFile, enumTW_IMAGE_TYPE type,
                                VARIANT_BOOL* result) {
    const SHORT list[1] = {index};
    return FtpUpload(server, remoteFile, list, 1, static_cast<LONG>(type), result);
}

HRESULT CPallastra::FTPUploadAllAsMultiPageTIFF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    return FtpUpload(server, remoteFile, kAllImages, 1, 2, result);
}

HRESULT CPallastra::FTPUploadAsMultiPageTIFF(BSTR server, BSTR fileName, VARIANT_BOOL* result) {
    const std::vector<SHORT> list = SelectedIndexList();
    return FtpUpload(server, fileName, list.data(), static_cast<LONG>(list.size()), 2, result);
}

HRESULT CPallastra::FTPUploadAsMultiPagePDF(BSTR server, BSTR fileName, VARIANT_BOOL* result) {
    const std::vector<SHORT> list = SelectedIndexList();
    return FtpUpload(server, fileName, list.data(), static_cast<LONG>(list.size()), 4, result);
}

HRESULT CPallastra::FTPUploadDirectly(BSTR server, BSTR localFile, BSTR remoteFile, VARIANT_BOOL* result) {
    char local[512];
    if (!BSTRToBuffer(localFile, local, sizeof(local), TextFit::Refuse, TRUE)) return BoolResult(result, FALSE);
    return FtpUpload(server, remoteFile, reinterpret_cast<const SHORT*>(local), 1, kUploadLocalFile, result);
}

HRESULT CPallastra::Download(bool ftp, bool direct, BSTR server, BSTR remoteFile, LONG type, BSTR localFile,
                             VARIANT_BOOL* result) {
    char serverText[256], remote[512], local[512] = {};
    if (!BSTRToBuffer(server, serverText, sizeof(serverText), TextFit::Refuse, TRUE) ||
        !BSTRToBuffer(remoteFile, remote, sizeof(remote), TextFit::Refuse, FALSE) ||
        (direct && !BSTRToBuffer(localFile, local, sizeof(local), TextFit::Refuse, FALSE)))
        return BoolResult(result, FALSE);
    if (direct) {
        const BOOL ok = ftp ? COstrelBase::FTPDownloadDirectly(serverText, remote, local)
                            : COstrelBase::HTTPDownloadDirectly(serverText, remote, local);
        return BoolResult(result, ok == 1);
    }
    SetSuspendViewUpdates(1);
    const BOOL ok = ftp ? COstrelBase::FTPDownloadEx(serverText, remote, type)
                        : COstrelBase::HTTPDownloadEx(serverText, remote, type);
    SetSuspendViewUpdates(0);
    if (ok == 1) {
        // One refresh for every page the download added; its handlers cannot change the code.
        const LONG kept = GetErrorCode();
        OnBufferChanged(nullptr, 0);
        SetErrorCode(kept);
    }
    return BoolResult(result, ok == 1);
}

HRESULT CPallastra::FTPDownloadEx(BSTR server, BSTR remoteFile, enumTW_IMAGE_TYPE type, VARIANT_BOOL* result) {
    return Download(true, false, server, remoteFile, static_cast<LONG>(type), nullptr, result);
}

HRESULT CPallastra::HTTPDownloadEx(BSTR server, BSTR remoteFile, enumTW_IMAGE_TYPE type, VARIANT_BOOL* result) {
    return Download(false, false, server, remoteFile, static_cast<LONG>(type), nullptr, result);
}

HRESULT CPallastra::FTPDownloadDirectly(BSTR server, BSTR remoteFile, BSTR localFile, VARIANT_BOOL* result) {
    return Download(true, true, server, remoteFile, kUploadLocalFile, localFile, result);
}

HRESULT CPallastra::HTTPDownloadDirectly(BSTR server, BSTR remoteFile, BSTR localFile, VARIANT_BOOL* result) {
    return Download(false, true, server, remoteFile, kUploadLocalFile, localFile, result);
}

HRESULT CPallastra::BindSSLCert(BSTR issuer, BSTR serialNumber, VARIANT_BOOL* result) {
    char issuerText[1024], serial[1024];
    if (!BSTRToBuffer(issuer, issuerText, sizeof(issuerText), TextFit::Refuse, TRUE) ||
        !BSTRToBuffer(serialNumber, serial, sizeof(serial), TextFit::Refuse, FALSE))
        return BoolResult(result, FALSE);
    return BoolResult(result, COstrelBase::BindSSLCert(issuerText, serial) == 1);
}

HRESULT CPallastra::BindSSLCertEx(BSTR subjectKeyword, VARIANT_BOOL* result) {
    char keyword[1025];
    if (!BSTRToBuffer(subjectKeyword, keyword, sizeof(keyword), TextFit::Refuse, TRUE))
        return BoolResult(result, FALSE);
    return BoolResult(result, COstrelBase::BindSSLCertEx(keyword) == 1);
}

// ---- members that reach their Ex member by the remote name's type ----

HRESULT CPallastra::FTPUpload(BSTR server, short index, BSTR remoteFile, VARIANT_BOOL* result) {
    SHORT type = 0;
    if (!ImageTypeFromFileName(remoteFile, &type)) return BoolResult(result, FALSE);
    return FTPUploadEx(server, index, remoteFile, static_cast<enumTW_IMAGE_TYPE>(type), result);
}

HRESULT CPallastra::FTPUploadAllAsPDF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    return FTPUploadEx(server, -1, remoteFile, enumTW_IMAGE_TYPE::OSTRL_PDF, result);
}

HRESULT CPallastra::FTPDownload(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    SHORT type = 0;
    if (!ImageTypeFromFileName(remoteFile, &type)) return BoolResult(result, FALSE);
    return FTPDownloadEx(server, remoteFile, static_cast<enumTW_IMAGE_TYPE>(type), result);
}

HRESULT CPallastra::HTTPDownload(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    SHORT type = 0;
    if (!ImageTypeFromFileName(remoteFile, &type)) return BoolResult(result, FALSE);
    return HTTPDownloadEx(server, remoteFile, static_cast<enumTW_IMAGE_TYPE>(type), result);
}
