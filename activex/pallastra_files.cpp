// The ILumetta file and transfer members: the script's texts converted, the member's function of
// core/ called, the result and the throw rule.
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>

#include "activex/pallastra.h"
#include "codecs/image_type.h"

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

// The control holds its views back through the engine's suspend flag while a load adds pages.
void CPallastra::HoldViews(bool hold) { SetSuspendViewUpdates(hold ? 1 : 0); }

HRESULT CPallastra::LoadImage(BSTR fileName, VARIANT_BOOL* result) {
    std::string path;
    return BoolResult(result, BSTRToString(fileName, path, TRUE) &&
                                  CBrowserAddOnBase::LoadImage(path, [this](bool hold) { HoldViews(hold); }));
}

HRESULT CPallastra::LoadImageEx(BSTR fileName, enumTW_IMAGE_TYPE type, VARIANT_BOOL* result) {
    std::string path;
    return BoolResult(result, BSTRToString(fileName, path, TRUE) &&
                                  CBrowserAddOnBase::LoadImageEx(path, static_cast<SHORT>(type),
                                                                 [this](bool hold) { HoldViews(hold); }));
}

HRESULT CPallastra::ShowFileDialog(VARIANT_BOOL save, BSTR filter, long filterIndex, BSTR defExtension,
                                   BSTR initialDir, VARIANT_BOOL multiSelect, VARIANT_BOOL overwritePrompt, long flags,
                                   VARIANT_BOOL* result) {
    const BOOL saving = save == VARIANT_TRUE;
    std::string filterText, extension, folder;
    if (!BSTRToString(filter, filterText, TRUE) || !BSTRToString(defExtension, extension, FALSE) ||
        !BSTRToString(initialDir, folder, FALSE)) {
        ReportFileDialogCancel(saving, "");  // the page still hears once that nothing was chosen
        return BoolResult(result, FALSE);
    }
    // The engine masks hook and template flags out: those need code and resources of the page's own.
    const BOOL ok = CBrowserAddOnBase::ShowFileDialog(saving, filterText, static_cast<DWORD>(filterIndex), extension,
                                                      folder, multiSelect == VARIANT_TRUE,
                                                      overwritePrompt == VARIANT_TRUE, static_cast<DWORD>(flags));
    return BoolResult(result, ok > 0);
}

// ---- uploads, downloads and client certificates: the members of core/transfer_members.cpp ----

namespace {

// The script texts of one call in the system code page, in order, the first clearing the error
// code; false (error 2) when one cannot be converted.
bool ScriptTexts(CPallastra& control, std::initializer_list<std::pair<BSTR, std::string*>> texts) {
    BOOL reset = TRUE;
    for (const auto& [text, out] : texts) {
        if (!control.BSTRToString(text, *out, reset)) return false;
        reset = FALSE;
    }
    return true;
}

}  // namespace

HRESULT CPallastra::FTPUpload(BSTR server, short index, BSTR remoteFile, VARIANT_BOOL* result) {
    std::string serverText, remoteFileText;
    return BoolResult(result, ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}}) &&
                                  CBrowserAddOnBase::FTPUpload(serverText, index, remoteFileText));
}

HRESULT CPallastra::FTPUploadEx(BSTR server, short index, BSTR remoteFile, enumTW_IMAGE_TYPE type,
                                VARIANT_BOOL* result) {
    std::string serverText, remoteFileText;
    return BoolResult(result,
                      ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}}) &&
                          CBrowserAddOnBase::FTPUploadEx(serverText, index, remoteFileText, static_cast<LONG>(type)));
}

HRESULT CPallastra::FTPUploadAllAsMultiPageTIFF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    std::string serverText, remoteFileText;
    return BoolResult(result, ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}}) &&
                                  CBrowserAddOnBase::FTPUploadAllAsMultiPageTIFF(serverText, remoteFileText));
}

HRESULT CPallastra::FTPUploadAllAsPDF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    std::string serverText, remoteFileText;
    return BoolResult(result, ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}}) &&
                                  CBrowserAddOnBase::FTPUploadAllAsPDF(serverText, remoteFileText));
}

HRESULT CPallastra::FTPUploadAsMultiPageTIFF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    std::string serverText, remoteFileText;
    return BoolResult(result, ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}}) &&
                                  CBrowserAddOnBase::FTPUploadAsMultiPageTIFF(serverText, remoteFileText));
}

HRESULT CPallastra::FTPUploadAsMultiPagePDF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    std::string serverText, remoteFileText;
    return BoolResult(result, ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}}) &&
                                  CBrowserAddOnBase::FTPUploadAsMultiPagePDF(serverText, remoteFileText));
}

HRESULT CPallastra::FTPUploadDirectly(BSTR server, BSTR localFile, BSTR remoteFile, VARIANT_BOOL* result) {
    std::string serverText, localFileText, remoteFileText;
    return BoolResult(
        result,
        ScriptTexts(*this, {{server, &serverText}, {localFile, &localFileText}, {remoteFile, &remoteFileText}}) &&
            CBrowserAddOnBase::FTPUploadDirectly(serverText, localFileText, remoteFileText));
}

HRESULT CPallastra::HTTPUploadThroughPut(BSTR server, short index, BSTR remoteFile, VARIANT_BOOL* result) {
    std::string serverText, remoteFileText;
    return BoolResult(result, ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}}) &&
                                  CBrowserAddOnBase::HTTPUploadThroughPut(serverText, index, remoteFileText));
}

HRESULT CPallastra::HTTPUploadThroughPutEx(BSTR server, short index, BSTR remoteFile, enumTW_IMAGE_TYPE type,
                                           VARIANT_BOOL* result) {
    std::string serverText, remoteFileText;
    return BoolResult(result, ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}}) &&
                                  CBrowserAddOnBase::HTTPUploadThroughPutEx(serverText, index, remoteFileText,
                                                                            static_cast<LONG>(type)));
}

HRESULT CPallastra::HTTPUploadAllThroughPutAsMultiPageTIFF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    std::string serverText, remoteFileText;
    return BoolResult(result,
                      ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}}) &&
                          CBrowserAddOnBase::HTTPUploadAllThroughPutAsMultiPageTIFF(serverText, remoteFileText));
}

HRESULT CPallastra::HTTPUploadAllThroughPutAsPDF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    std::string serverText, remoteFileText;
    return BoolResult(result, ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}}) &&
                                  CBrowserAddOnBase::HTTPUploadAllThroughPutAsPDF(serverText, remoteFileText));
}

HRESULT CPallastra::HTTPUploadThroughPutAsMultiPageTIFF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    std::string serverText, remoteFileText;
    return BoolResult(result, ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}}) &&
                                  CBrowserAddOnBase::HTTPUploadThroughPutAsMultiPageTIFF(serverText, remoteFileText));
}

HRESULT CPallastra::HTTPUploadThroughPutAsMultiPagePDF(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    std::string serverText, remoteFileText;
    return BoolResult(result, ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}}) &&
                                  CBrowserAddOnBase::HTTPUploadThroughPutAsMultiPagePDF(serverText, remoteFileText));
}

HRESULT CPallastra::HTTPUploadThroughPutDirectly(BSTR server, BSTR localFile, BSTR remoteFile, VARIANT_BOOL* result) {
    std::string serverText, localFileText, remoteFileText;
    return BoolResult(
        result,
        ScriptTexts(*this, {{server, &serverText}, {localFile, &localFileText}, {remoteFile, &remoteFileText}}) &&
            CBrowserAddOnBase::HTTPUploadThroughPutDirectly(serverText, localFileText, remoteFileText));
}

HRESULT CPallastra::HTTPUploadThroughPost(BSTR server, short index, BSTR actionPage, BSTR fileName,
                                          VARIANT_BOOL* result) {
    std::string serverText, actionPageText, fileNameText;
    return BoolResult(
        result, ScriptTexts(*this, {{server, &serverText}, {actionPage, &actionPageText}, {fileName, &fileNameText}}) &&
                    CBrowserAddOnBase::HTTPUploadThroughPost(serverText, index, actionPageText, fileNameText));
}

HRESULT CPallastra::HTTPUploadThroughPostEx(BSTR server, short index, BSTR actionPage, BSTR fileName,
                                            enumTW_IMAGE_TYPE type, VARIANT_BOOL* result) {
    std::string serverText, actionPageText, fileNameText;
    return BoolResult(
        result, ScriptTexts(*this, {{server, &serverText}, {actionPage, &actionPageText}, {fileName, &fileNameText}}) &&
                    CBrowserAddOnBase::HTTPUploadThroughPostEx(serverText, index, actionPageText, fileNameText,
                                                               static_cast<LONG>(type)));
}

HRESULT CPallastra::HTTPUploadAllThroughPostAsMultiPageTIFF(BSTR server, BSTR actionPage, BSTR fileName,
                                                            VARIANT_BOOL* result) {
    std::string serverText, actionPageText, fileNameText;
    return BoolResult(
        result,
        ScriptTexts(*this, {{server, &serverText}, {actionPage, &actionPageText}, {fileName, &fileNameText}}) &&
            CBrowserAddOnBase::HTTPUploadAllThroughPostAsMultiPageTIFF(serverText, actionPageText, fileNameText));
}

HRESULT CPallastra::HTTPUploadAllThroughPostAsPDF(BSTR server, BSTR actionPage, BSTR fileName, VARIANT_BOOL* result) {
    std::string serverText, actionPageText, fileNameText;
    return BoolResult(
        result, ScriptTexts(*this, {{server, &serverText}, {actionPage, &actionPageText}, {fileName, &fileNameText}}) &&
                    CBrowserAddOnBase::HTTPUploadAllThroughPostAsPDF(serverText, actionPageText, fileNameText));
}

HRESULT CPallastra::HTTPUploadThroughPostAsMultiPageTIFF(BSTR server, BSTR actionPage, BSTR fileName,
                                                         VARIANT_BOOL* result) {
    std::string serverText, actionPageText, fileNameText;
    return BoolResult(
        result, ScriptTexts(*this, {{server, &serverText}, {actionPage, &actionPageText}, {fileName, &fileNameText}}) &&
                    CBrowserAddOnBase::HTTPUploadThroughPostAsMultiPageTIFF(serverText, actionPageText, fileNameText));
}

HRESULT CPallastra::HTTPUploadThroughPostAsMultiPagePDF(BSTR server, BSTR actionPage, BSTR fileName,
                                                        VARIANT_BOOL* result) {
    std::string serverText, actionPageText, fileNameText;
    return BoolResult(
        result, ScriptTexts(*this, {{server, &serverText}, {actionPage, &actionPageText}, {fileName, &fileNameText}}) &&
                    CBrowserAddOnBase::HTTPUploadThroughPostAsMultiPagePDF(serverText, actionPageText, fileNameText));
}

HRESULT CPallastra::HTTPUploadThroughPostDirectly(BSTR server, BSTR localFile, BSTR actionPage, BSTR fileName,
                                                  VARIANT_BOOL* result) {
    std::string serverText, localFileText, actionPageText, fileNameText;
    return BoolResult(result, ScriptTexts(*this, {{server, &serverText},
                                                  {localFile, &localFileText},
                                                  {actionPage, &actionPageText},
                                                  {fileName, &fileNameText}}) &&
                                  CBrowserAddOnBase::HTTPUploadThroughPostDirectly(serverText, localFileText,
                                                                                   actionPageText, fileNameText));
}

HRESULT CPallastra::FTPDownload(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    std::string serverText, remoteFileText;
    return BoolResult(result, ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}}) &&
                                  CBrowserAddOnBase::FTPDownload(serverText, remoteFileText));
}

HRESULT CPallastra::FTPDownloadEx(BSTR server, BSTR remoteFile, enumTW_IMAGE_TYPE type, VARIANT_BOOL* result) {
    std::string serverText, remoteFileText;
    return BoolResult(result,
                      ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}}) &&
                          CBrowserAddOnBase::FTPDownloadEx(serverText, remoteFileText, static_cast<LONG>(type)));
}

HRESULT CPallastra::FTPDownloadDirectly(BSTR server, BSTR remoteFile, BSTR localFile, VARIANT_BOOL* result) {
    std::string serverText, remoteFileText, localFileText;
    return BoolResult(
        result,
        ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}, {localFile, &localFileText}}) &&
            CBrowserAddOnBase::FTPDownloadDirectly(serverText, remoteFileText, localFileText));
}

HRESULT CPallastra::HTTPDownload(BSTR server, BSTR remoteFile, VARIANT_BOOL* result) {
    std::string serverText, remoteFileText;
    return BoolResult(result, ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}}) &&
                                  CBrowserAddOnBase::HTTPDownload(serverText, remoteFileText));
}

HRESULT CPallastra::HTTPDownloadEx(BSTR server, BSTR remoteFile, enumTW_IMAGE_TYPE type, VARIANT_BOOL* result) {
    std::string serverText, remoteFileText;
    return BoolResult(result,
                      ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}}) &&
                          CBrowserAddOnBase::HTTPDownloadEx(serverText, remoteFileText, static_cast<LONG>(type)));
}

HRESULT CPallastra::HTTPDownloadDirectly(BSTR server, BSTR remoteFile, BSTR localFile, VARIANT_BOOL* result) {
    std::string serverText, remoteFileText, localFileText;
    return BoolResult(
        result,
        ScriptTexts(*this, {{server, &serverText}, {remoteFile, &remoteFileText}, {localFile, &localFileText}}) &&
            CBrowserAddOnBase::HTTPDownloadDirectly(serverText, remoteFileText, localFileText));
}

HRESULT CPallastra::BindSSLCert(BSTR issuer, BSTR serialNumber, VARIANT_BOOL* result) {
    std::string issuerText, serialNumberText;
    return BoolResult(result, ScriptTexts(*this, {{issuer, &issuerText}, {serialNumber, &serialNumberText}}) &&
                                  CBrowserAddOnBase::BindSSLCert(issuerText, serialNumberText));
}

HRESULT CPallastra::BindSSLCertEx(BSTR subjectKeyword, VARIANT_BOOL* result) {
    std::string subjectKeywordText;
    return BoolResult(result, ScriptTexts(*this, {{subjectKeyword, &subjectKeywordText}}) &&
                                  CBrowserAddOnBase::BindSSLCertEx(subjectKeywordText));
}
