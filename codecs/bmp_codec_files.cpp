// The BMP codec's files (Windows builds): a BMP file read into a new DIB block, a DIB written as
// a BMP file.
#include "codecs/bmp_codec.h"

#include "base/error_codes.h"
#include "codecs/file_stream.h"

LONG BmpReadFile(const char* path, HGLOBAL* dib, uint64_t* inputBytes) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return kErrFileRead;
    LONG code = 0;
    BYTE headers[kBmpHeadersSize] = {};
    DWORD read = 0;
    LARGE_INTEGER length = {};
    uint64_t dibSize = 0;
    if (!GetFileSizeEx(file, &length) || !ReadFile(file, headers, kBmpHeadersSize, &read, nullptr)) {
        code = kErrFileRead;
    } else if (read < kBmpHeadersSize) {
        code = kErrBmpFormat;
    } else if ((code = BmpDibSizeFromHeaders(headers, uint64_t(length.QuadPart) - kBmpFileHeaderSize, &dibSize)) == 0) {
        *dib = GlobalAlloc(GPTR, SIZE_T(dibSize));
        if (!*dib) {
            code = kErrNoMemory;
        } else {
            // A short file leaves the missing pixel rows zero.
            LARGE_INTEGER at;
            at.QuadPart = kBmpFileHeaderSize;
            DWORD got = 0;
            if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
                !ReadFile(file, *dib, DWORD(dibSize), &got, nullptr)) {
                code = kErrFileRead;
            }
        }
    }
    CloseHandle(file);
    *inputBytes = uint64_t(length.QuadPart);
    return code;
}

LONG BmpWriteFile(HGLOBAL dib, const char* path) {
    if (GlobalFlags(dib) == GMEM_INVALID_HANDLE) return kErrNoMemory;
    uint64_t blockSize = GlobalSize(dib);
    if (blockSize < sizeof(BITMAPINFOHEADER)) return kErrBmpFormat;
    auto* bits = static_cast<const BYTE*>(GlobalLock(dib));
    if (!bits) return kErrNoMemory;
    BYTE header[kBmpFileHeaderSize];
    BmpBuildFileHeader(bits, blockSize, header);
    HANDLE file = CreateNewFile(path);
    LONG code = 0;
    if (file == INVALID_HANDLE_VALUE) {
        code = kErrFileWrite;
    } else {
        bool ok = WriteAll(file, header, sizeof header) && WriteAll(file, bits, blockSize);
        CloseHandle(file);
        if (!ok) {
            DeleteFileA(path);
            code = kErrFileWrite;
        }
    }
    GlobalUnlock(dib);
    return code;
}
