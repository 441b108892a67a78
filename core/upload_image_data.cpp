// The image file of an upload, encoded by type into a new global block by the file I/O layer.
#include "core/ostrel_base.h"
#include "base/error_codes.h"

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
    if (!source.indices || source.count <= 0) {
        SetErrorCode(kErrInvalidValue);
        return nullptr;
    }
    if (!EncodeImagesToMemory(imageType, source.indices, source.count, &block, &bytes)) {
        if (block) GlobalFree(block);
        if (GetErrorCode() == 0) SetErrorCode(kErrNoMemory);
        return nullptr;
    }
    *size = bytes;
    return block;
}

HGLOBAL COstrelBase::GetSelectedImagesData(const SHORT* indices, LONG count, LONG imageType, LONG* size) {
    SetErrorCode(0);
    if (!EncodesImagesToMemory(imageType)) {
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
