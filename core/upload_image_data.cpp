// The image file of an upload, encoded by type into a new global block.
#include <cstring>

#include "core/ostrel_base.h"
#include "core/upload_bmp_file.h"

namespace {

constexpr WORD kAllImages = 65535;

// The whole local file in a new fixed block; null with the system's error stored by the caller.
HGLOBAL ReadWholeFile(const char* path, uint64_t* size) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER length{};
    HGLOBAL block = nullptr;
    if (GetFileSizeEx(file, &length) && length.QuadPart >= 0 && length.QuadPart <= 0x7FFFFFFF) {
        DWORD bytes = static_cast<DWORD>(length.QuadPart);
        block = GlobalAlloc(GMEM_FIXED, bytes ? bytes : 1);
        DWORD read = 0;
        if (block && (!ReadFile(file, block, bytes, &read, nullptr) || read != bytes)) {
            GlobalFree(block);
            block = nullptr;
        }
        *size = bytes;
    } else {
        SetLastError(ERROR_FILE_TOO_LARGE);
    }
    CloseHandle(file);
    return block;
}

}  // namespace

HGLOBAL COstrelBase::EncodeUploadImageFile(const void* indices, LONG count, LONG imageType, uint64_t* size) {
    *size = 0;
    if (imageType == kUploadLocalFile) {
        const char* path = static_cast<const char*>(indices);
        HGLOBAL block = path ? ReadWholeFile(path, size) : nullptr;
        if (!block) SetErrorCode(-3000 - static_cast<LONG>(path ? GetLastError() : ERROR_INVALID_PARAMETER));
        return block;
    }
    const WORD* list = static_cast<const WORD*>(indices);
    if (!list || count <= 0) {
        SetErrorCode(-1034);
        return nullptr;
    }
    WORD first = list[0] == kAllImages ? 0 : list[0];
    if (imageType != 0) {
        // JPEG, TIFF, PNG and PDF come from the codecs' encoders to memory.
        SetErrorCode(-1110);
        return nullptr;
    }
    HGLOBAL dib = GetImageDIB(static_cast<SHORT>(first));
    if (!dib) return nullptr;
    const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(dib));
    if (!bytes) {
        SetErrorCode(-1002);
        return nullptr;
    }
    bool noMemory = false;
    HGLOBAL file = BuildUploadBmpFile(bytes, GlobalSize(dib), size, &noMemory);
    GlobalUnlock(dib);
    if (!file) SetErrorCode(noMemory ? 2 : -1033);
    return file;
}

HGLOBAL COstrelBase::GetSelectedImagesData(const WORD* indices, LONG count, LONG imageType, LONG* size) {
    SetErrorCode(0);
    if (imageType < 0 || imageType > 4) {
        SetErrorCode(-1111);
        return nullptr;
    }
    if (!indices || count == 0 || !size) {
        SetErrorCode(-1034);
        return nullptr;
    }
    uint64_t bytes = 0;
    HGLOBAL data = EncodeUploadImageFile(indices, count, imageType, &bytes);
    if (data) *size += static_cast<LONG>(bytes);
    return data;
}

BOOL COstrelBase::GetImageSizeWithSpecifiedType(LONG index, LONG imageType, LONG* size) {
    WORD list[1] = {static_cast<WORD>(index)};
    LONG bytes = 0;
    HGLOBAL data = GetSelectedImagesData(list, 1, imageType, &bytes);
    if (!data) return FALSE;
    GlobalFree(data);
    if (size) *size = bytes;
    return TRUE;
}
