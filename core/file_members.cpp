// The save members of both hosts and the piecewise reading of the selected images' bytes: the
// file name fitted to the member's buffer, the engine's settings for the format, one save.
#include <algorithm>

#include "base/error_codes.h"
#include "core/browser_addon_base.h"
#include "codecs/image_type.h"
#include "core/text_fit.h"

namespace {

// Room of the file-name buffers, the terminator included.
constexpr size_t kFileNameSize = 256;
constexpr size_t kLongFileNameSize = 512;
// Room of a file dialog's filter text.
constexpr size_t kDialogFilterSize = 4096;

// The file name into a buffer of N bytes; -1034 when it does not fit. Clears the error code first.
template <size_t N>
bool FitFileName(CBrowserAddOnBase& engine, std::string_view fileName, char (&path)[N]) {
    engine.SetErrorCode(0);
    if (FitText(fileName.data(), fileName.size(), path, N, TextFit::Refuse)) return true;
    engine.SetErrorCode(kErrInvalidValue);
    return false;
}

}  // namespace

BOOL CBrowserAddOnBase::LoadImage(std::string_view fileName, const std::function<void(bool)>& holdViews) {
    char path[kLongFileNameSize];
    if (!FitFileName(*this, fileName, path)) return FALSE;
    SHORT type = 0;
    if (::GetImageTypeFromFileName(path, &type) != 0) {
        SetErrorCode(kErrFileExtension);
        return FALSE;
    }
    return LoadImageEx(fileName, type, holdViews);
}

BOOL CBrowserAddOnBase::LoadImageEx(std::string_view fileName, SHORT type, const std::function<void(bool)>& holdViews) {
    char path[kLongFileNameSize];
    if (!FitFileName(*this, fileName, path)) return FALSE;
    holdViews(true);
    const BOOL ok = CImageOperator::LoadImageEx(path, type);
    holdViews(false);
    const LONG kept = GetErrorCode();
    OnBufferChanged(nullptr, 0);
    SetErrorCode(kept);
    return ok;
}

BOOL CBrowserAddOnBase::ShowFileDialog(BOOL save, std::string_view filter, DWORD filterIndex,
                                       std::string_view defaultExtension, std::string_view folder, BOOL multiSelect,
                                       BOOL overwritePrompt, DWORD flags) {
    SetErrorCode(0);
    char filterText[kDialogFilterSize];
    char extension[kLongFileNameSize];
    char initial[kLongFileNameSize] = "";
    const bool folderFits = FitText(folder.data(), folder.size(), initial, sizeof(initial), TextFit::Refuse);
    if (!folderFits || !FitText(filter.data(), filter.size(), filterText, sizeof(filterText), TextFit::Refuse) ||
        !FitText(defaultExtension.data(), defaultExtension.size(), extension, sizeof(extension), TextFit::Refuse)) {
        // A page waits for the report: a refused call is answered as a cancel.
        SetErrorCode(kErrInvalidValue);
        ReportFileDialogCancel(save, initial);
        return FALSE;
    }
    return CImageOperator::ShowFileDialog(save, filterText, filterIndex, extension, initial, multiSelect,
                                          overwritePrompt, flags);
}

BOOL CBrowserAddOnBase::SaveAsBMP(std::string_view fileName, SHORT index) {
    char path[kFileNameSize];
    return FitFileName(*this, fileName, path) && CImageOperator::SaveAsBMP(path, index);
}

BOOL CBrowserAddOnBase::SaveAsJPEG(std::string_view fileName, SHORT index) {
    char path[kFileNameSize];
    return FitFileName(*this, fileName, path) && CImageOperator::SaveAsJPEG(path, index, m_jpegQuality);
}

BOOL CBrowserAddOnBase::SaveAsTIFF(std::string_view fileName, SHORT index) {
    char path[kFileNameSize];
    return FitFileName(*this, fileName, path) &&
           CImageOperator::SaveAsTIFF(path, index, m_ifTiffMultiPage == 0, m_tiffCompressionType);
}

BOOL CBrowserAddOnBase::SaveAsPNG(std::string_view fileName, SHORT index) {
    char path[kFileNameSize];
    return FitFileName(*this, fileName, path) && CImageOperator::SaveAsPNG(path, index);
}

BOOL CBrowserAddOnBase::SaveAsPDF(std::string_view fileName, SHORT index) {
    char path[kLongFileNameSize];
    return FitFileName(*this, fileName, path) &&
           CImageOperator::SaveAsPDF(path, index, &m_pdfSettings, m_pdfCompressionType, m_jpegQuality);
}

BOOL CBrowserAddOnBase::SaveAllAsPDF(std::string_view fileName) { return SaveAsPDF(fileName, kAllImages); }

BOOL CBrowserAddOnBase::SaveAllAsMultiPageTIFF(std::string_view fileName) {
    char path[kFileNameSize];
    return FitFileName(*this, fileName, path) && CImageOperator::SaveAllAsMultiPageTIFF(path, m_tiffCompressionType);
}

BOOL CBrowserAddOnBase::SaveSelectedImagesAsMultiPageTIFF(std::string_view fileName) {
    char path[kLongFileNameSize];
    if (!FitFileName(*this, fileName, path)) return FALSE;
    const std::vector<SHORT> list = SelectedIndexList();
    return CImageOperator::SaveSelectedImagesAsMultiPageTIFF(path, list.data(), static_cast<LONG>(list.size()),
                                                             m_tiffCompressionType);
}

BOOL CBrowserAddOnBase::SaveSelectedImagesAsMultiPagePDF(std::string_view fileName) {
    char path[kLongFileNameSize];
    if (!FitFileName(*this, fileName, path)) return FALSE;
    const std::vector<SHORT> list = SelectedIndexList();
    return CImageOperator::SaveSelectedImagesAsMultiPagePDF(path, list.data(), static_cast<LONG>(list.size()),
                                                            &m_pdfSettings, m_pdfCompressionType, m_jpegQuality);
}

LONG CBrowserAddOnBase::SaveSelectedImagesToBytes(LONG capacity, const std::function<bool(const BYTE*, LONG)>& deliver) {
    SetErrorCode(0);
    if (!m_selectedData || m_selectedDataSize <= 0) {
        SetErrorCode(kErrNoSelectedImagesSize);
        return 0;
    }
    if (capacity <= 0) {
        SetErrorCode(kErrInvalidValue);
        return 0;
    }
    if (m_selectedDataPos >= m_selectedDataSize) {
        SetErrorCode(kErrNoMoreData);
        return 0;
    }
    const LONG count = std::min(capacity, m_selectedDataSize - m_selectedDataPos);
    if (!deliver(static_cast<const BYTE*>(m_selectedData) + m_selectedDataPos, count)) return 0;
    m_selectedDataPos += count;
    if (m_selectedDataPos >= m_selectedDataSize) SetSelectedImagesData(nullptr, 0);
    return count;
}
