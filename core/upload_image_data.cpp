// The image file of an upload, encoded by type into a new global block by the file I/O layer.
#include "core/ostrel_base.h"
#include "base/error_codes.h"

#include "base/dib_layout.h"

namespace {

constexpr USHORT kAllImages = 65535;

// The file size in an upload's BMP header counts the file header, the image's headers and
// colours and its padded rows, whatever more the image's block holds behind them.
void SetUploadBmpFileSize(HGLOBAL dib, BYTE* file, DWORD fileSize) {
    DibLayout layout;
    if (fileSize < 14 || !ComputeDibLayout(dib, &layout)) return;
    uint64_t size = 14 + layout.pixelOffset + layout.imageBytes;
    for (int i = 0; i < 4; ++i) file[2 + i] = static_cast<BYTE>(size >> (8 * i));
}

}  // namespace

HGLOBAL COstrelBase::EncodeUploadImageFile(const UploadSource& source, LONG imageType, uint64_t* size) {
    *size = 0;
    HGLOBAL block = nullptr;
    DWORD bytes = 0;
    if (imageType == kUploadLocalFile) {
        block = ReadFileToMemory(source.LocalPath(), &bytes);
        if (!block && GetErrorCode() == 0) SetErrorCode(kErrInvalidValue);
        *size = block ? bytes : 0;
        return block;
    }
    const SHORT* list = source.indices;
    const LONG count = source.count;
    if (!list || count <= 0) {
        SetErrorCode(kErrInvalidValue);
        return nullptr;
    }
    // Single-image types take the first listed image; 65535 in front means all, so the first.
    SHORT first = static_cast<USHORT>(list[0]) == kAllImages ? 0 : list[0];
    BOOL ok = FALSE;
    switch (imageType) {
        case OSTRL_BMP:
            ok = SaveAsBMPToMemory(&block, first, &bytes);
            if (ok) SetUploadBmpFileSize(GetImageDIB(first), static_cast<BYTE*>(block), bytes);
            break;
        case OSTRL_JPG: ok = SaveAsJPEGToMemory(&block, first, &bytes, m_jpegQuality); break;
        case OSTRL_TIF: ok = SaveImagesAsTIFFToMemory(&block, list, count, &bytes, m_tiffCompressionType); break;
        case OSTRL_PNG: ok = SaveAsPNGToMemory(&block, first, &bytes); break;
        case OSTRL_PDF:
            ok = SaveImagesAsPDFToMemory(&block, list, count, &m_pdfSettings, &bytes, m_pdfCompressionType, m_jpegQuality);
            break;
        default: SetErrorCode(kErrFileExtension); break;
    }
    if (!ok) {
        if (block) GlobalFree(block);
        if (GetErrorCode() == 0) SetErrorCode(kErrNoMemory);
        return nullptr;
    }
    *size = bytes;
    return block;
}

HGLOBAL COstrelBase::GetSelectedImagesData(const SHORT* indices, LONG count, LONG imageType, LONG* size) {
    SetErrorCode(0);
    if (imageType < OSTRL_BMP || imageType > OSTRL_PDF) {
        SetErrorCode(kErrFormatUnsupported);
        return nullptr;
    }
    if (!indices || count == 0 || !size) {
        SetErrorCode(kErrInvalidValue);
        return nullptr;
    }
    uint64_t bytes = 0;
    HGLOBAL data = EncodeUploadImageFile({indices, count}, imageType, &bytes);
    if (data && !AddToScriptByteCount(size, bytes)) {
        GlobalFree(data);
        SetErrorCode(kErrUploadTooBig);
        return nullptr;
    }
    return data;
}

BOOL COstrelBase::GetImageSizeWithSpecifiedType(LONG index, LONG imageType, LONG* size) {
    SHORT list[1] = {static_cast<SHORT>(index)};
    LONG bytes = 0;
    HGLOBAL data = GetSelectedImagesData(list, 1, imageType, &bytes);
    if (!data) return FALSE;
    GlobalFree(data);
    if (size) *size = bytes;
    return TRUE;
}
