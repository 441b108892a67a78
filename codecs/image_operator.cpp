#include "codecs/image_operator.h"

#include <cstring>
#include <new>

#include "codecs/bmp_codec.h"
#include "codecs/codec_result_map.h"
#include "codecs/file_stream.h"
#include "codecs/own_codec_routes.h"
#include "engine/dib_convert.h"
#include "base/dib_layout.h"
#include "base/error_codes.h"
#include "engine/module_paths.h"

namespace {

PlatformImageLibrary g_library;

// Copies a path into a MAX_PATH buffer whole; false (nothing copied) when it does not fit.
bool CopyPath(char* to, const char* from) {
    if (!PathFits(from)) return false;
    std::strcpy(to, from);
    return true;
}

// The size of a file, for the load budget (0 when it cannot be asked: the smallest budget).
uint64_t FileSizeOf(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return 0;
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

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

// One row a format: how a save of one buffer image reaches GDI+ or the engine's own codec, and
// how the file of a list of images is made in memory for the transfer layer.
struct SaveRoute {
    SHORT type;                // the save path's type and the GDI+ encoder's
    bool clearReadOnly;        // a read-only file is made writable before either route writes
    bool bridgeAppendsPages;   // GDI+ writes through the multi-page TIFF writer (newFile honoured)
    bool memoryThroughBridge;  // a save to memory takes GDI+ too when the engine saves through it
    LONG (*toFile)(HGLOBAL dib, const char* path, const ImageSaveParameters& with);  // null: a list save of its own
    LONG (*toMemory)(HGLOBAL dib, const ImageSaveParameters& with, HGLOBAL* out, uint64_t* size);  // null: none
    // A format of pages: the file of every listed image in memory, with the engine's settings
    // (null: the first listed image through toMemory).
    BOOL (*pagesToMemory)(CImageOperator& engine, const SHORT* list, LONG count, HGLOBAL* out, DWORD* size);
};

const SaveRoute kSaveRoutes[] = {
    {OSTRL_BMP, true, false, false,
     [](HGLOBAL dib, const char* path, const ImageSaveParameters&) { return BmpWriteFile(dib, path); },
     [](HGLOBAL dib, const ImageSaveParameters& with, HGLOBAL* out, uint64_t* size) {
         return BmpWriteToMemory(dib, out, size, with.transferFile);
     }},
    {OSTRL_JPG, false, false, true,
     [](HGLOBAL dib, const char* path, const ImageSaveParameters& with) {
         return OwnJpegEncodeToFile(dib, path, with.quality);
     },
     [](HGLOBAL dib, const ImageSaveParameters& with, HGLOBAL* out, uint64_t* size) {
         return OwnJpegEncodeToMemory(dib, with.quality, out, size);
     }},
    {OSTRL_TIF, false, true, true,
     [](HGLOBAL dib, const char* path, const ImageSaveParameters& with) {
         return OwnTiffWriteFile(path, dib, with.newFile, with.compression);
     },
     nullptr,  // a TIFF in memory takes a list of images: SaveImagesAsTIFFToMemory
     [](CImageOperator& engine, const SHORT* list, LONG count, HGLOBAL* out, DWORD* size) {
         return engine.SaveImagesAsTIFFToMemory(out, list, count, size, engine.m_tiffCompressionType);
     }},
    {OSTRL_PNG, false, false, true,
     [](HGLOBAL dib, const char* path, const ImageSaveParameters&) { return OwnPngEncodeToFile(dib, path); },
     [](HGLOBAL dib, const ImageSaveParameters&, HGLOBAL* out, uint64_t* size) {
         return OwnPngEncodeToMemory(dib, out, size);
     }},
    // The own PDF writer in both routes; its file saves take lists (SaveAsPDF).
    {OSTRL_PDF, false, false, false, nullptr, nullptr,
     [](CImageOperator& engine, const SHORT* list, LONG count, HGLOBAL* out, DWORD* size) {
         return engine.SaveImagesAsPDFToMemory(out, list, count, &engine.m_pdfSettings, size,
                                               engine.m_pdfCompressionType, engine.m_jpegQuality);
     }},
};

// Null for a type without a row.
const SaveRoute* FindSaveRoute(LONG type) {
    for (const SaveRoute& route : kSaveRoutes) {
        if (route.type == type) return &route;
    }
    return nullptr;
}

const SaveRoute& SaveRouteFor(SHORT type) {
    const SaveRoute* route = FindSaveRoute(type);
    return route ? *route : kSaveRoutes[0];
}

// One row a format: how a load reaches GDI+ or the engine's own reader. A format read as pages
// (TIFF, PDF) has page readers; any other decodes one image, from the file itself (readFile) or
// from the whole file read into memory (decode).
struct LoadRoute {
    SHORT type;
    bool throughLibrary;    // GDI+ decodes it when the engine loads through GDI+
    LONG unreadableHandle;  // the code of a block handed in by a handle that cannot be read
    LONG (*decode)(const BYTE* bytes, uint64_t size, HGLOBAL* dib);
    LONG (*readFile)(const char* path, HGLOBAL* dib, uint64_t* inputBytes);  // null: the whole file, then decode
    LONG (*readPages)(const BYTE* bytes, DWORD size, const ImageLoadParameters& with, CImageOperator* bridge,
                      LoadBatch* batch);
    LONG (*readFilePages)(const char* path, const ImageLoadParameters& with, CImageOperator* bridge, LoadBatch* batch);
};

const LoadRoute kLoadRoutes[] = {
    {OSTRL_BMP, true, kErrInvalidValue, BmpReadFromMemory, BmpReadFile, nullptr, nullptr},
    {OSTRL_JPG, true, kErrNoMemory, OwnJpegDecode, nullptr, nullptr, nullptr},
    {OSTRL_TIF, true, kErrInvalidValue, nullptr, nullptr,
     [](const BYTE* bytes, DWORD size, const ImageLoadParameters& with, CImageOperator*, LoadBatch* batch) {
         return OwnTiffReadMemory(bytes, size, with.page, LoadBatch::TakePage, batch);
     },
     [](const char* path, const ImageLoadParameters& with, CImageOperator*, LoadBatch* batch) {
         return OwnTiffReadFile(path, with.page, LoadBatch::TakePage, batch);
     }},
    {OSTRL_PNG, true, kErrInvalidValue, OwnPngDecode, nullptr, nullptr, nullptr},
    // The own PDF reader in both routes: GDI+ only decodes its JPEG images.
    {OSTRL_PDF, false, kErrInvalidValue, nullptr, nullptr,
     [](const BYTE* bytes, DWORD size, const ImageLoadParameters& with, CImageOperator* bridge, LoadBatch* batch) {
         return OwnPdfReadMemory(bytes, size, with.page, LoadBatch::TakePage, batch, with.settings, bridge);
     },
     [](const char* path, const ImageLoadParameters& with, CImageOperator* bridge, LoadBatch* batch) {
         return OwnPdfReadFile(path, with.page, LoadBatch::TakePage, batch, with.settings, bridge);
     }},
};

// Null for a type without a row.
const LoadRoute* FindLoadRoute(LONG type) {
    for (const LoadRoute& route : kLoadRoutes) {
        if (route.type == type) return &route;
    }
    return nullptr;
}

const LoadRoute& LoadRouteFor(SHORT type) {
    const LoadRoute* route = FindLoadRoute(type);
    return route ? *route : kLoadRoutes[0];
}

}  // namespace

const FileDialogApi& SystemFileDialogs() {
    static const FileDialogApi api = {GetOpenFileNameA, GetSaveFileNameA};
    return api;
}

LoadBatch::LoadBatch(uint64_t inputBytes) : m_budget(LoadBudgetFor(inputBytes)) {}

LoadBatch::~LoadBatch() { FreeAll(); }

void LoadBatch::FreeAll() {
    for (size_t i = 0; i < m_count; ++i) GlobalFree(m_images[i]);
    delete[] m_images;
    m_images = nullptr;
    m_count = m_capacity = 0;
}

bool LoadBatch::Take(HGLOBAL dib) {
    if (!dib) return !m_over;
    m_total += GlobalSize(dib);
    if (m_over || m_total > m_budget) {
        m_over = true;
        GlobalFree(dib);
        FreeAll();
        return false;
    }
    if (m_count == m_capacity) {
        const size_t grown = m_capacity ? m_capacity * 2 : 8;
        auto* images = new (std::nothrow) HGLOBAL[grown];
        if (!images) {
            m_over = true;
            GlobalFree(dib);
            FreeAll();
            return false;
        }
        for (size_t i = 0; i < m_count; ++i) images[i] = m_images[i];
        delete[] m_images;
        m_images = images;
        m_capacity = grown;
    }
    m_images[m_count++] = dib;
    return true;
}

BOOL LoadBatch::Finish(CMultiImageTWAIN& engine, LONG code) {
    if (m_over) {
        engine.SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    for (size_t i = 0; i < m_count; ++i) {
        HGLOBAL dib = m_images[i];
        m_images[i] = nullptr;
        // The buffer owns each image from here, also when it refuses it.
        if (!engine.AddImage(dib)) {
            for (size_t j = i + 1; j < m_count; ++j) GlobalFree(m_images[j]);
            m_count = 0;
            return FALSE;
        }
    }
    m_count = 0;
    engine.SetErrorCode(code);
    return code == 0;
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

BOOL CImageOperator::AddDecoded(LONG code, HGLOBAL dib, uint64_t inputBytes) {
    if (code) {
        if (dib) GlobalFree(dib);
        SetErrorCode(code);
        return FALSE;
    }
    if (!dib) return AddImage(nullptr);  // refused with the buffer's own code
    LoadBatch batch(inputBytes);
    batch.Take(dib);
    return batch.Finish(*this, 0);
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

BOOL CImageOperator::LoadImageFile(SHORT type, const char* path, const ImageLoadParameters& with) {
    SetErrorCode(0);
    if (!path) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    const LoadRoute& route = LoadRouteFor(type);
    if (route.throughLibrary && m_loadThroughLibrary) return LoadImageFileGdiplus(path);
    if (route.readFilePages) {
        LoadBatch batch(FileSizeOf(path));
        LONG code = route.readFilePages(path, with, m_loadThroughLibrary ? this : nullptr, &batch);
        return batch.Finish(*this, code);
    }
    HGLOBAL dib = nullptr;
    if (route.readFile) {
        uint64_t inputBytes = 0;
        LONG code = route.readFile(path, &dib, &inputBytes);
        return AddDecoded(code, dib, inputBytes);
    }
    DWORD size = 0;
    HGLOBAL bytes = ReadWholeFile(path, &size);
    if (!bytes) return FALSE;
    LONG code = route.decode(static_cast<const BYTE*>(bytes), size, &dib);
    GlobalFree(bytes);
    return AddDecoded(code, dib, size);
}

BOOL CImageOperator::LoadImageBytes(SHORT type, DWORD size, const BYTE* bytes, const ImageLoadParameters& with) {
    SetErrorCode(0);
    if (!bytes) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    const LoadRoute& route = LoadRouteFor(type);
    if (route.throughLibrary && m_loadThroughLibrary) return LoadImageFromMemoryGdiplus(bytes, size);
    if (route.readPages) {
        LoadBatch batch(size);
        LONG code = route.readPages(bytes, size, with, m_loadThroughLibrary ? this : nullptr, &batch);
        return batch.Finish(*this, code);
    }
    HGLOBAL dib = nullptr;
    LONG code = route.decode(bytes, size, &dib);
    return AddDecoded(code, dib, size);
}

BOOL CImageOperator::LoadImageHandle(SHORT type, HGLOBAL block, const ImageLoadParameters& with) {
    BOOL result = FALSE;
    auto load = [&](DWORD size, const BYTE* bytes) { return LoadImageBytes(type, size, bytes, with); };
    if (!block || GlobalFlags(block) == GMEM_INVALID_HANDLE || !ReadLockedBlock(block, &result, load)) {
        SetErrorCode(LoadRouteFor(type).unreadableHandle);
        return FALSE;
    }
    return result;
}

BOOL CImageOperator::LoadEncodedImage(LONG type, DWORD size, const BYTE* bytes, PdfSettings* documentSettings) {
    if (!FindLoadRoute(type)) {
        SetErrorCode(kErrFileExtension);
        return FALSE;
    }
    if (!documentSettings) return LoadImageBytes(SHORT(type), size, bytes, {});
    // The reader writes a document's settings whether its pages load or not, and a page's
    // handler may set them meanwhile: they are taken over only from a load that succeeded and
    // gave some.
    PdfSettings before = *documentSettings;
    PdfSettings read = before;
    const BOOL ok = LoadImageBytes(SHORT(type), size, bytes, {-1, &read});
    if (ok && std::memcmp(&read, &before, sizeof read) != 0) *documentSettings = read;
    return ok;
}

BOOL CImageOperator::LoadBMPFile(const char* path) { return LoadImageFile(OSTRL_BMP, path, {}); }

BOOL CImageOperator::LoadBMPFromMemory(DWORD size, const BYTE* bytes) {
    return LoadImageBytes(OSTRL_BMP, size, bytes, {});
}

BOOL CImageOperator::LoadJPEGFile(const char* path) { return LoadImageFile(OSTRL_JPG, path, {}); }

BOOL CImageOperator::LoadJPEGFromMemory(DWORD size, const BYTE* bytes) {
    return LoadImageBytes(OSTRL_JPG, size, bytes, {});
}

BOOL CImageOperator::LoadJPEGFromHandle(HGLOBAL block) { return LoadImageHandle(OSTRL_JPG, block, {}); }

BOOL CImageOperator::LoadTIFFFile(const char* path, LONG page) { return LoadImageFile(OSTRL_TIF, path, {page}); }

BOOL CImageOperator::LoadTIFFFromMemory(DWORD size, const BYTE* bytes, LONG page) {
    return LoadImageBytes(OSTRL_TIF, size, bytes, {page});
}

BOOL CImageOperator::LoadTIFFFromHandle(HGLOBAL block, LONG page) {
    return LoadImageHandle(OSTRL_TIF, block, {page});
}

BOOL CImageOperator::LoadPNGFile(const char* path) { return LoadImageFile(OSTRL_PNG, path, {}); }

BOOL CImageOperator::LoadPNGFromMemory(DWORD size, const BYTE* bytes) {
    return LoadImageBytes(OSTRL_PNG, size, bytes, {});
}

BOOL CImageOperator::LoadPNGFromHandle(HGLOBAL block) { return LoadImageHandle(OSTRL_PNG, block, {}); }

BOOL CImageOperator::LoadPDFFile(const char* path, LONG page, PdfSettings* settings) {
    return LoadImageFile(OSTRL_PDF, path, {page, settings});
}

BOOL CImageOperator::LoadPDFFromMemory(DWORD size, const BYTE* bytes, LONG page, PdfSettings* settings) {
    return LoadImageBytes(OSTRL_PDF, size, bytes, {page, settings});
}

BOOL CImageOperator::LoadPDFFromHandle(HGLOBAL block, LONG page, PdfSettings* settings) {
    return LoadImageHandle(OSTRL_PDF, block, {page, settings});
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
        if (record.type == kImageTypeOther) ok = LoadImageFileGdiplus(record.path);
        else if (FindLoadRoute(record.type)) ok = LoadImageFile(record.type, record.path, {-1, &m_pdfSettings});
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
    // The dialog's answer is held to the same rule as the page's path.
    if (!PathFits(chosen)) {
        SetErrorCode(kErrInvalidValue);
        return false;
    }
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

// The GDI+ encoder takes its target and parameters from the engine's fields.
void CImageOperator::SetBridgeTarget(SHORT type, const ImageSaveParameters& with) {
    if (type == OSTRL_JPG) m_jpegQuality = with.quality;
    if (type == OSTRL_TIF) m_tiffCompressionType = with.compression;
    m_bridgeTarget = type;
}

BOOL CImageOperator::SaveImageFile(SHORT type, const char* path, SHORT index, const ImageSaveParameters& with) {
    const SaveRoute& route = SaveRouteFor(type);
    char chosen[MAX_PATH];
    if (!PrepareSavePath(path, route.type, chosen, route.clearReadOnly)) return FALSE;
    if (m_saveThroughLibrary) {
        SetBridgeTarget(route.type, with);
        return route.bridgeAppendsPages ? SaveImagesAsTIFFFileGdiplus(chosen, &index, 1, !with.newFile)
                                        : SaveImageFileGdiplus(chosen, index);
    }
    HGLOBAL dib = BufferDib(index);
    if (!dib) return FALSE;
    LONG code = route.toFile(dib, chosen, with);
    SetErrorCode(code);
    return code == 0;
}

BOOL CImageOperator::SaveImageToMemory(SHORT type, HGLOBAL* out, SHORT index, DWORD* size,
                                       const ImageSaveParameters& with) {
    const SaveRoute& route = SaveRouteFor(type);
    SetErrorCode(0);
    if (!out || !size) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    if (m_saveThroughLibrary && route.memoryThroughBridge) {
        SetBridgeTarget(route.type, with);
        return SaveAsToMemoryGdiplus(out, index, size);
    }
    HGLOBAL dib = BufferDib(index);
    if (!dib) return FALSE;
    HGLOBAL block = nullptr;
    uint64_t bytes = 0;
    LONG code = route.toMemory(dib, with, &block, &bytes);
    return FinishMemorySave(code, block, bytes, out, size);
}

BOOL CImageOperator::SaveAsBMP(const char* path, SHORT index) { return SaveImageFile(OSTRL_BMP, path, index, {}); }

BOOL CImageOperator::SaveAsJPEG(const char* path, SHORT index, USHORT quality) {
    ImageSaveParameters with;
    with.quality = quality;
    return SaveImageFile(OSTRL_JPG, path, index, with);
}

BOOL CImageOperator::SaveAsTIFF(const char* path, SHORT index, BOOL newFile, LONG compression) {
    ImageSaveParameters with;
    with.newFile = newFile;
    with.compression = compression;
    return SaveImageFile(OSTRL_TIF, path, index, with);
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
    if (ListsAllImages(list)) return SaveAllAsMultiPageTIFF(chosen, compression);
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

BOOL CImageOperator::SaveAsPNG(const char* path, SHORT index) { return SaveImageFile(OSTRL_PNG, path, index, {}); }

BOOL CImageOperator::FetchListDibs(const SHORT* list, LONG count, HGLOBAL** dibs, int* n) {
    *dibs = nullptr;
    *n = 0;
    bool all = !list || ListsAllImages(list);
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
    if (!FetchListDibs(index == kAllImages ? nullptr : &one, 1, &dibs, &n)) return FALSE;
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
    if (ListsAllImages(list)) return SaveAsPDF(path, kAllImages, settings, compression, quality);
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
    ImageSaveParameters with;
    with.quality = quality;
    return SaveImageToMemory(OSTRL_JPG, out, index, size, with);
}

BOOL CImageOperator::SaveAsTIFFToMemory(HGLOBAL* out, SHORT index, DWORD* size, LONG compression) {
    return SaveImagesAsTIFFToMemory(out, &index, 1, size, compression);
}

BOOL CImageOperator::SaveAllAsTIFFToMemory(HGLOBAL* out, DWORD* size, LONG compression) {
    const SHORT all = kAllImages;
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
        if (!ListsAllImages(list)) return SaveImagesToMemoryGdiplus(out, list, count, size);
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
    return SaveImageToMemory(OSTRL_PNG, out, index, size, {});
}

BOOL CImageOperator::SaveAsPDFToMemory(HGLOBAL* out, SHORT index, const PdfSettings* settings, DWORD* size,
                                       LONG compression, USHORT quality) {
    // The index kAllImages is the list of all images.
    return SaveImagesAsPDFToMemory(out, &index, 1, settings, size, compression, quality);
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
    return SaveImageToMemory(OSTRL_BMP, out, index, size, {});
}

bool CImageOperator::EncodesImagesToMemory(LONG type) {
    const SaveRoute* route = FindSaveRoute(type);
    return route && (route->toMemory || route->pagesToMemory);
}

BOOL CImageOperator::EncodeImagesToMemory(LONG type, const SHORT* list, LONG count, HGLOBAL* out, DWORD* size) {
    SetErrorCode(0);
    if (!list || count <= 0) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    if (!EncodesImagesToMemory(type)) {
        SetErrorCode(kErrFileExtension);
        return FALSE;
    }
    const SaveRoute& route = *FindSaveRoute(type);
    if (route.pagesToMemory) return route.pagesToMemory(*this, list, count, out, size);
    ImageSaveParameters with;
    with.quality = m_jpegQuality;
    with.compression = m_tiffCompressionType;
    with.transferFile = true;
    return SaveImageToMemory(route.type, out, ListsAllImages(list) ? 0 : list[0], size, with);
}

// ---- files and utilities ----------------------------------------------------------------------

HANDLE CImageOperator::OpenFileToRead(const char* path, DWORD* size) {
    SetErrorCode(0);
    if (!path || !size || !PathFits(path)) {
        SetErrorCode(kErrInvalidValue);
        return INVALID_HANDLE_VALUE;
    }
    *size = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        SetErrorCode(SystemErrorToErrorCode(LONG(GetLastError())));
        return INVALID_HANDLE_VALUE;
    }
    LARGE_INTEGER length;
    if (!GetFileSizeEx(file, &length) || length.QuadPart >= 0x7FFFFFFF) {
        CloseHandle(file);
        SetErrorCode(kErrFileRead);
        return INVALID_HANDLE_VALUE;
    }
    *size = DWORD(length.QuadPart);
    return file;
}

BOOL CImageOperator::ReadWholeFile(HANDLE file, BYTE* bytes, DWORD size) {
    DWORD read = 0;
    if (!ReadFile(file, bytes, size, &read, nullptr) || read != size) {
        SetErrorCode(kErrFileRead);
        return FALSE;
    }
    return TRUE;
}

HGLOBAL CImageOperator::ReadFileToMemory(const char* path, DWORD* size) {
    DWORD length = 0;
    HANDLE file = OpenFileToRead(path, &length);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, SIZE_T(length ? length : 1));
    if (!block) {
        SetErrorCode(kErrNoMemory);
    } else if (!ReadWholeFile(file, static_cast<BYTE*>(block), length)) {
        GlobalFree(block);
        block = nullptr;
    } else {
        *size = length;
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
