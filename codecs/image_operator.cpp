#include "codecs/image_operator.h"

#include <cstring>
#include <new>

#include "codecs/bmp_codec.h"
#include "codecs/codec_result_map.h"
#include "codecs/own_codec_routes.h"
#include "engine/dib_convert.h"
#include "base/dib_layout.h"
#include "base/error_codes.h"
#include "engine/module_paths.h"

namespace {

PlatformImageLibrary g_library;

constexpr USHORT kAllImages = 65535;

// Copies a path into a MAX_PATH buffer whole; false (nothing copied) when it does not fit.
bool CopyPath(char* to, const char* from) {
    if (!PathFits(from)) return false;
    std::strcpy(to, from);
    return true;
}

HANDLE CreateNewFile(const char* path) {
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteAll(HANDLE file, const void* bytes, uint64_t count) {
    auto* p = static_cast<const BYTE*>(bytes);
    while (count > 0) {
        DWORD chunk = count > 0x40000000u ? 0x40000000u : DWORD(count);
        DWORD written = 0;
        if (!WriteFile(file, p, chunk, &written, nullptr) || written != chunk) return false;
        p += chunk;
        count -= chunk;
    }
    return true;
}

struct AddContext {
    CImageOperator* engine;
    int added;
};

// Reads a block handed in by handle while it is locked: a moveable block's handle is not its
// address. False when the handle cannot be locked.
template <typename Load>
bool ReadLockedBlock(HGLOBAL block, BOOL* result, Load load) {
    const DWORD size = DWORD(GlobalSize(block));
    const auto* bytes = static_cast<const BYTE*>(GlobalLock(block));
    if (!bytes) return false;
    *result = load(size, bytes);
    GlobalUnlock(block);
    return true;
}

bool AddPage(void* context, HGLOBAL dib) {
    auto* c = static_cast<AddContext*>(context);
    if (!c->engine->AddImage(dib)) return false;
    ++c->added;
    return true;
}

}  // namespace

const FileDialogApi& SystemFileDialogs() {
    static const FileDialogApi api = {GetOpenFileNameA, GetSaveFileNameA};
    return api;
}

void CImageOperator::SetPlatformImageLibrary(const PlatformImageLibrary& library) { g_library = library; }

CImageOperator::CImageOperator() : m_dialogs(&SystemFileDialogs()) {
    std::memset(&m_pdfSettings, 0, sizeof m_pdfSettings);
    std::strcpy(m_pdfSettings.version, "1.4");
    if (g_library.loadLibrary && g_library.table) {
        m_libraryModule = g_library.loadLibrary();
        m_unloadLibrary = g_library.unloadLibrary;
        if (m_libraryModule) {
            m_api = *g_library.table;
            m_loadThroughLibrary = TRUE;
        }
        m_saveThroughLibrary = m_loadThroughLibrary && g_library.saveThroughLibrary;
    } else if (g_library.table) {
        m_api = *g_library.table;
        m_loadThroughLibrary = TRUE;
        m_saveThroughLibrary = g_library.saveThroughLibrary;
    } else {
        m_libraryModule = LoadLibraryA("GDIPLUS.dll");
        if (m_libraryModule && BindGdiplusApi(m_libraryModule, &m_api)) m_loadThroughLibrary = TRUE;
        m_saveThroughLibrary = m_loadThroughLibrary && g_library.saveThroughLibrary;
    }
    StartGdiplus();
}

CImageOperator::~CImageOperator() {
    ShutdownGdiplus();
    if (m_libraryModule) {
        if (m_unloadLibrary) m_unloadLibrary(m_libraryModule);
        else FreeLibrary(m_libraryModule);
        m_libraryModule = nullptr;
    }
    ClearPathList();
}

HGLOBAL CImageOperator::NormalizeIncomingImage(HGLOBAL dib) {
    HGLOBAL kept = ConvertDIBTo24Bit(dib);
    if (!kept) {
        // Never keep an image that cannot be read safely: it is freed and the add fails.
        SetErrorCode(kErrNoMemory);
        GlobalFree(dib);
        return nullptr;
    }
    if (kept != dib) GlobalFree(dib);
    return kept;
}

void CImageOperator::OnPostLoad(const char*, const char*, SHORT) {}

void CImageOperator::OnGetFilePath(BOOL, LONG, LONG, const char*, const char*) {}

// ---- loading ----------------------------------------------------------------------------------

BOOL CImageOperator::AddDecoded(LONG code, HGLOBAL dib) {
    if (code) {
        if (dib) GlobalFree(dib);
        SetErrorCode(code);
        return FALSE;
    }
    // AddImage owns the DIB from here, also when it refuses it.
    return AddImage(dib);
}

HGLOBAL CImageOperator::ReadWholeFile(const char* path, DWORD* size) {
    *size = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        SetErrorCode(kErrFileRead);
        return nullptr;
    }
    LARGE_INTEGER length;
    HGLOBAL block = nullptr;
    if (!GetFileSizeEx(file, &length) || length.QuadPart >= 0x7FFFFFFF) {
        SetErrorCode(kErrFileRead);
    } else if (!(block = GlobalAlloc(GPTR, SIZE_T(length.QuadPart ? length.QuadPart : 1)))) {
        SetErrorCode(kErrNoMemory);
    } else {
        DWORD read = 0;
        if (!ReadFile(file, block, DWORD(length.QuadPart), &read, nullptr) || read != DWORD(length.QuadPart)) {
            GlobalFree(block);
            block = nullptr;
            SetErrorCode(kErrFileRead);
        } else {
            *size = read;
        }
    }
    CloseHandle(file);
    return block;
}

BOOL CImageOperator::LoadBMPFile(const char* path) {
    SetErrorCode(0);
    if (!path) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    if (m_loadThroughLibrary) return LoadImageFileGdiplus(path);
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        SetErrorCode(kErrFileRead);
        return FALSE;
    }
    LONG code = 0;
    HGLOBAL dib = nullptr;
    BYTE headers[kBmpHeadersSize] = {};
    DWORD read = 0;
    LARGE_INTEGER length = {};
    uint64_t dibSize = 0;
    if (!GetFileSizeEx(file, &length) || !ReadFile(file, headers, kBmpHeadersSize, &read, nullptr)) {
        code = kErrFileRead;
    } else if (read < kBmpHeadersSize) {
        code = kErrBmpFormat;
    } else if ((code = BmpDibSizeFromHeaders(headers, uint64_t(length.QuadPart) - kBmpFileHeaderSize, &dibSize)) == 0) {
        dib = GlobalAlloc(GPTR, SIZE_T(dibSize));
        if (!dib) {
            code = kErrNoMemory;
        } else {
            // A short file leaves the missing pixel rows zero.
            LARGE_INTEGER at;
            at.QuadPart = kBmpFileHeaderSize;
            DWORD got = 0;
            if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) ||
                !ReadFile(file, dib, DWORD(dibSize), &got, nullptr)) {
                code = kErrFileRead;
            }
        }
    }
    CloseHandle(file);
    return AddDecoded(code, dib);
}

BOOL CImageOperator::LoadFromMemoryWith(MemoryDecoder decode, DWORD size, const BYTE* bytes) {
    SetErrorCode(0);
    if (!bytes) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    if (m_loadThroughLibrary) return LoadImageFromMemoryGdiplus(bytes, size);
    HGLOBAL dib = nullptr;
    LONG code = decode(bytes, size, &dib);
    return AddDecoded(code, dib);
}

BOOL CImageOperator::LoadFileWith(MemoryDecoder decode, const char* path) {
    SetErrorCode(0);
    if (!path) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    if (m_loadThroughLibrary) return LoadImageFileGdiplus(path);
    DWORD size = 0;
    HGLOBAL bytes = ReadWholeFile(path, &size);
    if (!bytes) return FALSE;
    HGLOBAL dib = nullptr;
    LONG code = decode(static_cast<const BYTE*>(bytes), size, &dib);
    GlobalFree(bytes);
    return AddDecoded(code, dib);
}

BOOL CImageOperator::LoadBMPFromMemory(DWORD size, const BYTE* bytes) {
    return LoadFromMemoryWith(BmpReadFromMemory, size, bytes);
}

BOOL CImageOperator::LoadJPEGFile(const char* path) { return LoadFileWith(OwnJpegDecode, path); }

BOOL CImageOperator::LoadJPEGFromMemory(DWORD size, const BYTE* bytes) {
    return LoadFromMemoryWith(OwnJpegDecode, size, bytes);
}

BOOL CImageOperator::LoadJPEGFromHandle(HGLOBAL block) {
    SetErrorCode(0);
    BOOL result = FALSE;
    auto load = [&](DWORD size, const BYTE* bytes) { return LoadJPEGFromMemory(size, bytes); };
    if (!block || GlobalFlags(block) == GMEM_INVALID_HANDLE || !ReadLockedBlock(block, &result, load)) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    return result;
}

BOOL CImageOperator::LoadTIFFFile(const char* path, LONG page) {
    SetErrorCode(0);
    if (!path) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    if (m_loadThroughLibrary) return LoadImageFileGdiplus(path);
    AddContext context{this, 0};
    LONG code = OwnTiffReadFile(path, page, AddPage, &context);
    SetErrorCode(code);
    return code == 0;
}

BOOL CImageOperator::LoadTIFFFromMemory(DWORD size, const BYTE* bytes, LONG page) {
    SetErrorCode(0);
    if (!bytes) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    if (m_loadThroughLibrary) return LoadImageFromMemoryGdiplus(bytes, size);
    AddContext context{this, 0};
    LONG code = OwnTiffReadMemory(bytes, size, page, AddPage, &context);
    SetErrorCode(code);
    return code == 0;
}

BOOL CImageOperator::LoadTIFFFromHandle(HGLOBAL block, LONG page) {
    BOOL result = FALSE;
    auto load = [&](DWORD size, const BYTE* bytes) { return LoadTIFFFromMemory(size, bytes, page); };
    if (!block || !ReadLockedBlock(block, &result, load)) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    return result;
}

BOOL CImageOperator::LoadPNGFile(const char* path) { return LoadFileWith(OwnPngDecode, path); }

BOOL CImageOperator::LoadPNGFromMemory(DWORD size, const BYTE* bytes) {
    return LoadFromMemoryWith(OwnPngDecode, size, bytes);
}

BOOL CImageOperator::LoadPNGFromHandle(HGLOBAL block) {
    BOOL result = FALSE;
    auto load = [&](DWORD size, const BYTE* bytes) { return LoadPNGFromMemory(size, bytes); };
    if (!block || !ReadLockedBlock(block, &result, load)) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    return result;
}

BOOL CImageOperator::LoadPDFFile(const char* path, LONG page, PdfSettings* settings) {
    SetErrorCode(0);
    if (!path) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    AddContext context{this, 0};
    LONG code = OwnPdfReadFile(path, page, AddPage, &context, settings, m_loadThroughLibrary ? this : nullptr);
    SetErrorCode(code);
    return code == 0;
}

BOOL CImageOperator::LoadPDFFromMemory(DWORD size, const BYTE* bytes, LONG page, PdfSettings* settings) {
    SetErrorCode(0);
    if (!bytes) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    AddContext context{this, 0};
    LONG code = OwnPdfReadMemory(bytes, size, page, AddPage, &context, settings,
                                 m_loadThroughLibrary ? this : nullptr);
    SetErrorCode(code);
    return code == 0;
}

BOOL CImageOperator::LoadPDFFromHandle(HGLOBAL block, LONG page, PdfSettings* settings) {
    BOOL result = FALSE;
    auto load = [&](DWORD size, const BYTE* bytes) { return LoadPDFFromMemory(size, bytes, page, settings); };
    if (!block || !ReadLockedBlock(block, &result, load)) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    return result;
}

BOOL CImageOperator::LoadImageEx(const char* path, SHORT type) {
    SetErrorCode(0);
    if (!GetOpenFilePathsForType(path, type)) return FALSE;
    int failures = 0;
    LONG lastError = 0;
    for (int i = 0; i < m_pathCount; ++i) {
        ImagePathRecord& record = m_paths[i];
        // A record of no image type (the open dialog fills in the type of each chosen file's
        // extension) loads nothing and is no failure.
        BOOL ok = TRUE;
        switch (record.type) {
            case OSTRL_BMP: ok = LoadBMPFile(record.path); break;
            case OSTRL_JPG: ok = LoadJPEGFile(record.path); break;
            case OSTRL_TIF: ok = LoadTIFFFile(record.path, -1); break;
            case OSTRL_PNG: ok = LoadPNGFile(record.path); break;
            case OSTRL_PDF: ok = LoadPDFFile(record.path, -1, &m_pdfSettings); break;
            case kImageTypeOther: ok = LoadImageFileGdiplus(record.path); break;
            default: break;
        }
        if (!ok) {
            ++failures;
            lastError = GetErrorCode();
        }
        if (char* slash = std::strrchr(record.path, '\\')) {
            char folder[MAX_PATH];
            lstrcpynA(folder, record.path, int(slash - record.path) + 1);
            OnPostLoad(folder, slash + 1, record.type);
        }
    }
    if (failures == 0) {
        SetErrorCode(0);
        return TRUE;
    }
    SetErrorCode(failures < m_pathCount ? kErrOpenFiles : lastError);
    return FALSE;
}

// ---- saving to files --------------------------------------------------------------------------

bool CImageOperator::PrepareSavePath(const char* path, SHORT type, char* chosen, bool clearReadOnly) {
    SetErrorCode(0);
    // A path that does not fit is refused before any folder is made or file written.
    if (!path || !CopyPath(chosen, path)) {
        SetErrorCode(kErrInvalidValue);
        return false;
    }
    if (!GetSaveFilePathForType(chosen, type)) return false;
    if (clearReadOnly && !ClearReadOnly(chosen)) {
        SetErrorCode(kErrFileWrite);
        return false;
    }
    CreateDirectories(chosen);
    return true;
}

HGLOBAL CImageOperator::BufferDib(SHORT index) {
    HGLOBAL dib = GetImageDIB(index);
    return dib;  // null: the buffer's error is set
}

BOOL CImageOperator::SaveAsBMP(const char* path, SHORT index) {
    char chosen[MAX_PATH];
    if (!PrepareSavePath(path, OSTRL_BMP, chosen, true)) return FALSE;
    if (m_saveThroughLibrary) {
        m_bridgeTarget = OSTRL_BMP;
        return SaveImageFileGdiplus(chosen, index);
    }
    HGLOBAL dib = BufferDib(index);
    if (!dib) return FALSE;
    if (GlobalFlags(dib) == GMEM_INVALID_HANDLE) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    uint64_t blockSize = GlobalSize(dib);
    if (blockSize < sizeof(BITMAPINFOHEADER)) {
        SetErrorCode(kErrBmpFormat);
        return FALSE;
    }
    auto* bits = static_cast<const BYTE*>(GlobalLock(dib));
    if (!bits) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    BYTE header[kBmpFileHeaderSize];
    BmpBuildFileHeader(bits, blockSize, header);
    HANDLE file = CreateNewFile(chosen);
    LONG code = 0;
    if (file == INVALID_HANDLE_VALUE) {
        code = kErrFileWrite;
    } else {
        bool ok = WriteAll(file, header, sizeof header) && WriteAll(file, bits, blockSize);
        CloseHandle(file);
        if (!ok) {
            DeleteFileA(chosen);
            code = kErrFileWrite;
        }
    }
    GlobalUnlock(dib);
    SetErrorCode(code);
    return code == 0;
}

BOOL CImageOperator::SaveAsJPEG(const char* path, SHORT index, USHORT quality) {
    char chosen[MAX_PATH];
    if (!PrepareSavePath(path, OSTRL_JPG, chosen, false)) return FALSE;
    if (m_saveThroughLibrary) {
        m_jpegQuality = quality;
        m_bridgeTarget = OSTRL_JPG;
        return SaveImageFileGdiplus(chosen, index);
    }
    HGLOBAL dib = BufferDib(index);
    if (!dib) return FALSE;
    LONG code = OwnJpegEncodeToFile(dib, chosen, quality);
    SetErrorCode(code);
    return code == 0;
}

BOOL CImageOperator::SaveAsTIFF(const char* path, SHORT index, BOOL newFile, LONG compression) {
    char chosen[MAX_PATH];
    if (!PrepareSavePath(path, OSTRL_TIF, chosen, false)) return FALSE;
    if (m_saveThroughLibrary) {
        m_tiffCompressionType = compression;
        m_bridgeTarget = OSTRL_TIF;
        return SaveImagesAsTIFFFileGdiplus(chosen, &index, 1, !newFile);
    }
    HGLOBAL dib = BufferDib(index);
    if (!dib) return FALSE;
    LONG code = OwnTiffWriteFile(chosen, dib, newFile, compression);
    SetErrorCode(code);
    return code == 0;
}

BOOL CImageOperator::SaveAllAsMultiPageTIFF(const char* path, LONG compression) {
    char chosen[MAX_PATH];
    if (!PrepareSavePath(path, OSTRL_TIF, chosen, false)) return FALSE;
    int count = Count();
    if (m_saveThroughLibrary) {
        m_tiffCompressionType = compression;
        m_bridgeTarget = OSTRL_TIF;
        SHORT list[kMaxBufferSlots];
        for (int i = 0; i < count; ++i) list[i] = SHORT(i);
        return SaveImagesAsTIFFFileGdiplus(chosen, list, count, TRUE);
    }
    for (int i = 0; i < count; ++i) {
        LONG code = OwnTiffWriteFile(chosen, Slot(i), FALSE, compression);
        if (code) {
            SetErrorCode(code);
            return FALSE;
        }
    }
    SetErrorCode(0);
    return TRUE;
}

BOOL CImageOperator::SaveSelectedImagesAsMultiPageTIFF(const char* path, const SHORT* list, LONG count,
                                                       LONG compression) {
    SetErrorCode(0);
    if (!path || !list || count <= 0) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    char chosen[MAX_PATH];
    if (!PrepareSavePath(path, OSTRL_TIF, chosen, false)) return FALSE;
    if (USHORT(list[0]) == kAllImages) return SaveAllAsMultiPageTIFF(chosen, compression);
    if (m_saveThroughLibrary) {
        m_tiffCompressionType = compression;
        m_bridgeTarget = OSTRL_TIF;
        return SaveImagesAsTIFFFileGdiplus(chosen, list, count, TRUE);
    }
    for (LONG i = 0; i < count; ++i) {
        HGLOBAL dib = BufferDib(list[i]);
        if (!dib) return FALSE;
        LONG code = OwnTiffWriteFile(chosen, dib, FALSE, compression);
        if (code) {
            SetErrorCode(code);
            return FALSE;
        }
    }
    SetErrorCode(0);
    return TRUE;
}

BOOL CImageOperator::SaveAsPNG(const char* path, SHORT index) {
    char chosen[MAX_PATH];
    if (!PrepareSavePath(path, OSTRL_PNG, chosen, false)) return FALSE;
    if (m_saveThroughLibrary) {
        m_bridgeTarget = OSTRL_PNG;
        return SaveImageFileGdiplus(chosen, index);
    }
    HGLOBAL dib = BufferDib(index);
    if (!dib) return FALSE;
    LONG code = OwnPngEncodeToFile(dib, chosen);
    SetErrorCode(code);
    return code == 0;
}

BOOL CImageOperator::FetchListDibs(const SHORT* list, LONG count, HGLOBAL** dibs, int* n) {
    *dibs = nullptr;
    *n = 0;
    bool all = !list || USHORT(list[0]) == kAllImages;
    int total = all ? Count() : int(count);
    if (total <= 0) {
        SetErrorCode(kErrNoImage);
        return FALSE;
    }
    auto* out = new (std::nothrow) HGLOBAL[total];
    if (!out) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    for (int i = 0; i < total; ++i) {
        out[i] = all ? Slot(i) : BufferDib(list[i]);
        if (!out[i]) {
            delete[] out;
            return FALSE;
        }
    }
    *dibs = out;
    *n = total;
    return TRUE;
}

BOOL CImageOperator::SaveAsPDF(const char* path, SHORT index, const PdfSettings* settings, LONG compression,
                               USHORT quality) {
    char chosen[MAX_PATH];
    if (!PrepareSavePath(path, OSTRL_PDF, chosen, false)) return FALSE;
    HGLOBAL* dibs = nullptr;
    int n = 0;
    SHORT one = index;
    if (!FetchListDibs(index == -1 ? nullptr : &one, 1, &dibs, &n)) return FALSE;
    LONG code = OwnPdfWriteFile(chosen, dibs, n, settings ? settings : &m_pdfSettings, compression, quality,
                                m_saveThroughLibrary ? this : nullptr);
    delete[] dibs;
    SetErrorCode(code);
    return code == 0;
}

BOOL CImageOperator::SaveSelectedImagesAsMultiPagePDF(const char* path, const SHORT* list, LONG count,
                                                      const PdfSettings* settings, LONG compression, USHORT quality) {
    SetErrorCode(0);
    if (!path || !list || count <= 0) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    if (USHORT(list[0]) > 65534) return SaveAsPDF(path, -1, settings, compression, quality);
    char chosen[MAX_PATH];
    if (!PrepareSavePath(path, OSTRL_PDF, chosen, false)) return FALSE;
    HGLOBAL* dibs = nullptr;
    int n = 0;
    if (!FetchListDibs(list, count, &dibs, &n)) return FALSE;
    LONG code = OwnPdfWriteFile(chosen, dibs, n, settings ? settings : &m_pdfSettings, compression, quality,
                                m_saveThroughLibrary ? this : nullptr);
    delete[] dibs;
    SetErrorCode(code);
    return code == 0;
}

// ---- saving to memory -------------------------------------------------------------------------

BOOL CImageOperator::FinishMemorySave(LONG code, HGLOBAL block, uint64_t size, HGLOBAL* out, DWORD* outSize) {
    if (code == 0 && size > 0xFFFFFFFFull) code = kErrNoMemory;
    if (code) {
        if (block) GlobalFree(block);
        SetErrorCode(code);
        return FALSE;
    }
    *out = block;
    *outSize = DWORD(size);
    SetErrorCode(0);
    return TRUE;
}

BOOL CImageOperator::SaveAsJPEGToMemory(HGLOBAL* out, SHORT index, DWORD* size, USHORT quality) {
    SetErrorCode(0);
    if (!out || !size) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    if (m_saveThroughLibrary) {
        m_jpegQuality = quality;
        m_bridgeTarget = OSTRL_JPG;
        return SaveAsToMemoryGdiplus(out, index, size);
    }
    HGLOBAL dib = BufferDib(index);
    if (!dib) return FALSE;
    HGLOBAL block = nullptr;
    uint64_t bytes = 0;
    LONG code = OwnJpegEncodeToMemory(dib, quality, &block, &bytes);
    return FinishMemorySave(code, block, bytes, out, size);
}

BOOL CImageOperator::SaveAsTIFFToMemory(HGLOBAL* out, SHORT index, DWORD* size, LONG compression) {
    return SaveImagesAsTIFFToMemory(out, &index, 1, size, compression);
}

BOOL CImageOperator::SaveAllAsTIFFToMemory(HGLOBAL* out, DWORD* size, LONG compression) {
    SHORT all = SHORT(kAllImages);
    return SaveImagesAsTIFFToMemory(out, &all, 1, size, compression);
}

BOOL CImageOperator::SaveImagesAsTIFFToMemory(HGLOBAL* out, const SHORT* list, LONG count, DWORD* size,
                                              LONG compression) {
    SetErrorCode(0);
    if (!out || !list || !size || count <= 0) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    if (m_saveThroughLibrary) {
        m_tiffCompressionType = compression;
        m_bridgeTarget = OSTRL_TIF;
        if (USHORT(list[0]) != kAllImages) return SaveImagesToMemoryGdiplus(out, list, count, size);
        SHORT all[kMaxBufferSlots];
        int n = Count();
        for (int i = 0; i < n; ++i) all[i] = SHORT(i);
        return SaveImagesToMemoryGdiplus(out, all, n, size);
    }
    HGLOBAL* dibs = nullptr;
    int n = 0;
    if (!FetchListDibs(list, count, &dibs, &n)) return FALSE;
    HGLOBAL block = nullptr;
    uint64_t bytes = 0;
    LONG code = OwnTiffWriteMemory(dibs, n, compression, &block, &bytes);
    delete[] dibs;
    return FinishMemorySave(code, block, bytes, out, size);
}

BOOL CImageOperator::SaveAsPNGToMemory(HGLOBAL* out, SHORT index, DWORD* size) {
    SetErrorCode(0);
    if (!out || !size) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    if (m_saveThroughLibrary) {
        m_bridgeTarget = OSTRL_PNG;
        return SaveAsToMemoryGdiplus(out, index, size);
    }
    HGLOBAL dib = BufferDib(index);
    if (!dib) return FALSE;
    HGLOBAL block = nullptr;
    uint64_t bytes = 0;
    LONG code = OwnPngEncodeToMemory(dib, &block, &bytes);
    return FinishMemorySave(code, block, bytes, out, size);
}

BOOL CImageOperator::SaveAsPDFToMemory(HGLOBAL* out, SHORT index, const PdfSettings* settings, DWORD* size,
                                       LONG compression, USHORT quality) {
    SHORT list = index == -1 ? SHORT(kAllImages) : index;
    return SaveImagesAsPDFToMemory(out, &list, 1, settings, size, compression, quality);
}

BOOL CImageOperator::SaveImagesAsPDFToMemory(HGLOBAL* out, const SHORT* list, LONG count, const PdfSettings* settings,
                                             DWORD* size, LONG compression, USHORT quality) {
    SetErrorCode(0);
    if (!out || !list || !size || count <= 0) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    HGLOBAL* dibs = nullptr;
    int n = 0;
    if (!FetchListDibs(list, count, &dibs, &n)) return FALSE;
    HGLOBAL block = nullptr;
    uint64_t bytes = 0;
    LONG code = OwnPdfWriteMemory(dibs, n, settings ? settings : &m_pdfSettings, compression, quality,
                                  m_saveThroughLibrary ? this : nullptr, &block, &bytes);
    delete[] dibs;
    return FinishMemorySave(code, block, bytes, out, size);
}

BOOL CImageOperator::EncodeDIBAsTIFFToMemory(HGLOBAL dib, HGLOBAL* out, DWORD* size, LONG compression) {
    SetErrorCode(0);
    if (!dib || !out || !size) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    HGLOBAL block = nullptr;
    uint64_t bytes = 0;
    LONG code = OwnTiffWriteMemory(&dib, 1, compression, &block, &bytes);
    return FinishMemorySave(code, block, bytes, out, size);
}

BOOL CImageOperator::SaveAsBMPToMemory(HGLOBAL* out, SHORT index, DWORD* size) {
    SetErrorCode(0);
    if (!out || !size) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    HGLOBAL dib = BufferDib(index);
    if (!dib) return FALSE;
    HGLOBAL block = nullptr;
    uint64_t bytes = 0;
    LONG code = BmpWriteToMemory(dib, &block, &bytes);
    return FinishMemorySave(code, block, bytes, out, size);
}

// ---- files and utilities ----------------------------------------------------------------------

HGLOBAL CImageOperator::ReadFileToMemory(const char* path, DWORD* size) {
    SetErrorCode(0);
    if (!path || !size || !PathFits(path)) {
        SetErrorCode(kErrInvalidValue);
        return nullptr;
    }
    *size = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        SetErrorCode(SystemErrorToErrorCode(LONG(GetLastError())));
        return nullptr;
    }
    LARGE_INTEGER length;
    HGLOBAL block = nullptr;
    DWORD read = 0;
    if (!GetFileSizeEx(file, &length) || length.QuadPart >= 0x7FFFFFFF) {
        SetErrorCode(kErrFileRead);
    } else if (!(block = GlobalAlloc(GMEM_FIXED, SIZE_T(length.QuadPart ? length.QuadPart : 1)))) {
        SetErrorCode(kErrNoMemory);
    } else if (!ReadFile(file, block, DWORD(length.QuadPart), &read, nullptr) || read != DWORD(length.QuadPart)) {
        GlobalFree(block);
        block = nullptr;
        SetErrorCode(kErrFileRead);
    } else {
        *size = read;
    }
    CloseHandle(file);
    return block;
}

BOOL CImageOperator::WriteMemoryToFile(const char* path, const BYTE* bytes, DWORD count) {
    SetErrorCode(0);
    if (!path || (!bytes && count) || !PathFits(path)) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    ClearReadOnly(path);
    CreateDirectories(path);
    HANDLE file = CreateNewFile(path);
    if (file == INVALID_HANDLE_VALUE) {
        SetErrorCode(SystemErrorToErrorCode(LONG(GetLastError())));
        return FALSE;
    }
    bool ok = WriteAll(file, bytes, count);
    CloseHandle(file);
    if (!ok) {
        DeleteFileA(path);
        SetErrorCode(kErrFileWrite);
        return FALSE;
    }
    return TRUE;
}

BOOL CImageOperator::ClearReadOnly(const char* path) {
    if (!path) return FALSE;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return TRUE;
    if (attributes & FILE_ATTRIBUTE_READONLY) return SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    return SetFileAttributesA(path, attributes);
}

BOOL CImageOperator::DetectImageType(const BYTE* bytes, DWORD length, SHORT* type) {
    return ::DetectImageType(bytes, length, type);
}

BOOL CImageOperator::GetImageTypeFromFileName(const char* name, SHORT* type) {
    LONG code = ::GetImageTypeFromFileName(name, type);
    SetErrorCode(code);
    return code == 0;
}

BOOL CImageOperator::GetImageInfoHeader(SHORT index, BITMAPINFOHEADER* header) {
    SetErrorCode(0);
    if (!header) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    HGLOBAL dib = BufferDib(index);
    if (!dib) return FALSE;
    if (GlobalFlags(dib) == GMEM_INVALID_HANDLE) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    if (GlobalSize(dib) < sizeof(BITMAPINFOHEADER)) {
        SetErrorCode(kErrBmpFormat);
        return FALSE;
    }
    const void* bits = GlobalLock(dib);
    if (!bits) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    std::memcpy(header, bits, sizeof *header);
    GlobalUnlock(dib);
    return TRUE;
}

LONG CImageOperator::SystemErrorToErrorCode(LONG n) { return ::SystemErrorToErrorCode(n); }
