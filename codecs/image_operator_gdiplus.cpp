// CImageOperator: the GDI+ bridge. DIBs to and from GDI+ bitmaps, saves of one image or of many
// (multi-page TIFF) with encoder parameters, and loads of every frame of a file.
#include "codecs/image_operator.h"

#include <cstring>

#include "codecs/codec_result_map.h"
#include "codecs/file_stream.h"
#include "codecs/memory_stream.h"
#include "codecs/library_load_check.h"
#include "base/dib_layout.h"
#include "base/error_codes.h"

namespace {

// Creates the file a new content goes to before it replaces path: path + ".~new" where that fits
// a path, else a file of the same length beside it whose name ends in "~" and a number in place
// of its last characters, made only where no file of that name is (a longer name would not fit,
// and a cut one would be another file's). The name made is left in temporary.
HANDLE CreateFileBeside(const char* path, char (&temporary)[MAX_PATH]) {
    const DWORD access = GENERIC_READ | GENERIC_WRITE;
    const size_t length = std::strlen(path);
    if (length + 5 < MAX_PATH) {
        wsprintfA(temporary, "%s.~new", path);
        return CreateFileA(temporary, access, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (length >= MAX_PATH) return INVALID_HANDLE_VALUE;
    const char* slash = std::strrchr(path, '\\');
    const size_t name = slash ? length - size_t(slash - path) - 1 : length;
    const size_t tail = name < 5 ? name : 5;  // "~" and up to four digits
    int variants = 1;
    for (size_t i = 1; i < tail; ++i) variants *= 10;
    for (int n = 0; tail > 0 && n < variants; ++n) {
        std::memcpy(temporary, path, length + 1);
        temporary[length - tail] = '~';
        for (size_t i = 0, rest = size_t(n); i + 1 < tail; ++i, rest /= 10)
            temporary[length - 1 - i] = char('0' + rest % 10);
        if (std::strcmp(temporary, path) == 0) continue;
        HANDLE file =
            CreateFileA(temporary, access, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
}

using Status = GdiplusApi::Status;

// A missing function of the library counts as NotImplemented.
template <typename F, typename... Args>
Status Call(F function, Args... args) {
    return function ? function(args...) : Gdiplus::NotImplemented;
}

const WCHAR* const kEncoderMimeTypes[] = {L"image/bmp", L"image/jpeg", L"image/tiff", L"image/png", L"", L"image/gif"};

constexpr LONG kSaveFlagMultiFrame = 18;   // EncoderValueMultiFrame
constexpr LONG kSaveFlagFlush = 20;        // EncoderValueFlush
constexpr LONG kSaveFlagFramePage = 23;    // EncoderValueFrameDimensionPage

// EncoderParameters with room for two entries (the same layout as the one-entry structure).
struct EncoderParams2 {
    UINT Count;
    Gdiplus::EncoderParameter Parameter[2];
};

void SetLongParameter(Gdiplus::EncoderParameter* p, const GUID& guid, LONG* value) {
    p->Guid = guid;
    p->NumberOfValues = 1;
    p->Type = Gdiplus::EncoderParameterValueTypeLong;
    p->Value = value;
}

// A header, masks and colour table laid out the way GDI+ reads them: a 40-byte header directly
// followed by the masks or the table.
struct PackedBitmapInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[259];
};

}  // namespace

bool CImageOperator::GdipOk(Status status) {
    if (status == Gdiplus::Ok) return true;
    SetErrorCode(GdiplusStatusToErrorCode(LONG(status)));
    return false;
}

BOOL CImageOperator::StartGdiplus() {
    if (m_gdiplusToken) return TRUE;
    Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, nothing suppressed
    ULONG_PTR token = 0;
    if (Call(m_api.Startup, &token, &input, static_cast<Gdiplus::GdiplusStartupOutput*>(nullptr)) != Gdiplus::Ok) {
        return FALSE;
    }
    m_gdiplusToken = token;
    return TRUE;
}

void CImageOperator::ShutdownGdiplus() {
    if (m_gdiplusToken && m_api.Shutdown) m_api.Shutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
}

BOOL CImageOperator::GetEncoderClsid(const WCHAR* mimeType, CLSID* clsid) {
    UINT count = 0, bytes = 0;
    if (!GdipOk(Call(m_api.GetImageEncodersSize, &count, &bytes))) return FALSE;
    if (count == 0 || bytes == 0) return FALSE;
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, bytes);
    if (!block) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    auto* codecs = static_cast<Gdiplus::ImageCodecInfo*>(block);
    BOOL found = FALSE;
    if (GdipOk(Call(m_api.GetImageEncoders, count, bytes, codecs))) {
        for (UINT i = 0; i < count && !found; ++i) {
            if (codecs[i].MimeType && lstrcmpW(codecs[i].MimeType, mimeType) == 0) {
                *clsid = codecs[i].Clsid;
                found = TRUE;
            }
        }
    }
    GlobalFree(block);
    return found;
}

bool CImageOperator::FirstFrameDimension(GdiplusApi::Image* image, GUID* dimension) {
    UINT count = 0;
    if (Call(m_api.ImageGetFrameDimensionsCount, image, &count) != Gdiplus::Ok || count == 0) return false;
    GUID dims[8];
    if (count > 8) count = 8;
    if (Call(m_api.ImageGetFrameDimensionsList, image, dims, count) != Gdiplus::Ok) return false;
    *dimension = dims[0];
    return true;
}

UINT CImageOperator::GetFrameCount(GdiplusApi::Image* image) {
    GUID dimension;
    UINT frames = 0;
    if (!FirstFrameDimension(image, &dimension)) return 0;
    if (Call(m_api.ImageGetFrameCount, image, static_cast<const GUID*>(&dimension), &frames) != Gdiplus::Ok) return 0;
    return frames;
}

GdiplusApi::Bitmap* CImageOperator::CreateBitmapFromDIB(HGLOBAL dib) {
    // The pixels start where the layout says: after the masks and the whole colour table, also
    // when biClrUsed is 0 at 8 bits or fewer.
    DibLayout layout;
    if (!ComputeDibLayout(dib, &layout)) {
        SetErrorCode(kErrBmpFormat);
        return nullptr;
    }
    auto* bytes = static_cast<BYTE*>(GlobalLock(dib));
    if (!bytes) {
        SetErrorCode(kErrBmpFormat);
        return nullptr;
    }
    PackedBitmapInfo info = {};
    std::memcpy(&info.header, bytes, sizeof info.header);
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    bool masks = layout.compression == BI_BITFIELDS;  // after a 40-byte header or inside a larger one
    if (masks) std::memcpy(info.colors, bytes + 40, 12);
    if (layout.colors) {
        std::memcpy(info.colors + (masks ? 3 : 0), bytes + layout.pixelOffset - 4ull * layout.colors,
                    4ull * layout.colors);
    }
    info.header.biClrUsed = layout.colors;
    GdiplusApi::Bitmap* bitmap = nullptr;
    Status status = Call(m_api.CreateBitmapFromGdiDib, reinterpret_cast<const BITMAPINFO*>(&info),
                         static_cast<VOID*>(bytes + layout.pixelOffset), &bitmap);
    if (!GdipOk(status)) {
        GlobalUnlock(dib);
        return nullptr;
    }
    auto dpi = [](LONG perMetre) { return perMetre ? Gdiplus::REAL(LONG(perMetre * 254.0 / 10000 + 0.5)) : Gdiplus::REAL(96); };
    Call(m_api.BitmapSetResolution, bitmap, dpi(info.header.biXPelsPerMeter), dpi(info.header.biYPelsPerMeter));
    return bitmap;
}

void CImageOperator::ReleaseBitmapOfDIB(GdiplusApi::Bitmap* bitmap, HGLOBAL dib) {
    if (!bitmap) return;
    Call(m_api.DisposeImage, static_cast<GdiplusApi::Image*>(bitmap));
    GlobalUnlock(dib);
}

HGLOBAL CImageOperator::BitmapToDIB(GdiplusApi::Image* image) {
    IStream* stream = nullptr;
    if (FAILED(CMemoryStream::CreateMemoryStream(&stream))) {
        SetErrorCode(kErrNoMemory);
        return nullptr;
    }
    CLSID bmp;
    HGLOBAL dib = nullptr;
    if (GetEncoderClsid(kEncoderMimeTypes[OSTRL_BMP], &bmp) &&
        GdipOk(Call(m_api.SaveImageToStream, image, stream, static_cast<const CLSID*>(&bmp),
                    static_cast<const Gdiplus::EncoderParameters*>(nullptr)))) {
        DWORD size = static_cast<CMemoryStream*>(stream)->Buffer()->GetSize();
        if (size <= 14 + sizeof(BITMAPINFOHEADER)) {
            SetErrorCode(kErrFileDenied);
        } else if (!(dib = GlobalAlloc(GMEM_FIXED, size - 14))) {
            SetErrorCode(kErrNoMemory);
        } else {
            LARGE_INTEGER at;
            at.QuadPart = 14;
            ULONG read = 0;
            stream->Seek(at, STREAM_SEEK_SET, nullptr);
            if (FAILED(stream->Read(dib, size - 14, &read)) || read != size - 14) {
                GlobalFree(dib);
                dib = nullptr;
                SetErrorCode(kErrFileDenied);
            }
        }
    }
    stream->Release();
    return dib;
}

BOOL CImageOperator::AddBitmapFramesToBuffer(GdiplusApi::Image* image, uint64_t inputBytes) {
    UINT frames = GetFrameCount(image);
    GUID dimension = kGdipFrameDimensionPage;
    FirstFrameDimension(image, &dimension);
    if (frames == 0) {
        if (GetErrorCode() == 0) SetErrorCode(kErrNoImage);
        Call(m_api.DisposeImage, image);
        return FALSE;
    }
    LoadBatch batch(inputBytes);
    for (UINT i = 0; i < frames; ++i) {
        // A frame that cannot be selected is skipped. The frame's own dimension is used (pages
        // for TIFF, time for GIF), so single-frame images of every kind load too.
        if (frames > 1 &&
            Call(m_api.ImageSelectActiveFrame, image, static_cast<const GUID*>(&dimension), i) != Gdiplus::Ok) {
            continue;
        }
        HGLOBAL dib = BitmapToDIB(image);
        if (!dib) {
            // The frames before a frame that fails to convert are kept.
            Call(m_api.DisposeImage, image);
            const LONG code = GetErrorCode() ? GetErrorCode() : kErrNoMemory;
            batch.Finish(*this, code);
            return FALSE;
        }
        if (!batch.Take(dib)) break;
    }
    Call(m_api.DisposeImage, image);
    return batch.Finish(*this, 0);
}

BOOL CImageOperator::ImportImageStream(IStream* stream, uint64_t inputBytes) {
    GdiplusApi::Bitmap* bitmap = nullptr;
    Status status = Call(m_api.CreateBitmapFromStream, stream, &bitmap);
    stream->Release();  // the bitmap keeps its own reference
    if (!GdipOk(status)) return FALSE;
    return AddBitmapFramesToBuffer(bitmap, inputBytes);
}

HGLOBAL CImageOperator::DecodeImageGdiplus(const BYTE* bytes, DWORD size) {
    IStream* stream = nullptr;
    if (FAILED(CMemoryStream::CreateMemoryStreamOnBytes(const_cast<BYTE*>(bytes), size, FALSE, &stream))) {
        SetErrorCode(kErrNoMemory);
        return nullptr;
    }
    GdiplusApi::Bitmap* bitmap = nullptr;
    Status status = Call(m_api.CreateBitmapFromStream, stream, &bitmap);
    stream->Release();
    if (!GdipOk(status)) return nullptr;
    auto* image = static_cast<GdiplusApi::Image*>(bitmap);
    HGLOBAL dib = BitmapToDIB(image);
    Call(m_api.DisposeImage, image);
    return dib;
}

BOOL CImageOperator::LoadImageFileGdiplus(const char* path) {
    SetErrorCode(0);
    if (!path) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    DWORD size = 0;
    HGLOBAL bytes = ReadWholeFile(path, &size);
    if (!bytes) return FALSE;
    // What the own codec refuses before reserving is refused here too, before the library
    // reserves what the bytes cannot hold.
    if (const LONG code = LibraryLoadCheck(static_cast<const BYTE*>(bytes), size, true)) {
        GlobalFree(bytes);
        SetErrorCode(code);
        return FALSE;
    }
    IStream* stream = nullptr;
    if (FAILED(CMemoryStream::CreateMemoryStreamOnBytes(static_cast<BYTE*>(bytes), size, TRUE, &stream))) {
        GlobalFree(bytes);
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    return ImportImageStream(stream, size);
}

BOOL CImageOperator::LoadImageFromMemoryGdiplus(const BYTE* bytes, DWORD size) {
    SetErrorCode(0);
    if (!bytes) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    if (const LONG code = LibraryLoadCheck(bytes, size, false)) {
        SetErrorCode(code);
        return FALSE;
    }
    IStream* stream = nullptr;
    if (FAILED(CMemoryStream::CreateMemoryStreamOnBytes(const_cast<BYTE*>(bytes), size, FALSE, &stream))) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    return ImportImageStream(stream, size);
}

namespace {

LONG TiffCompressionFor(LONG setting, Gdiplus::PixelFormat format) {
    switch (setting) {
        case TIFF_AUTO:
            return format == PixelFormat1bppIndexed ? Gdiplus::EncoderValueCompressionCCITT4
                                                    : Gdiplus::EncoderValueCompressionLZW;
        case TIFF_NONE: return Gdiplus::EncoderValueCompressionNone;
        case TIFF_RLE: return Gdiplus::EncoderValueCompressionRle;
        case TIFF_FAX3: return Gdiplus::EncoderValueCompressionCCITT3;
        case TIFF_FAX4: return Gdiplus::EncoderValueCompressionCCITT4;
        default: return Gdiplus::EncoderValueCompressionLZW;
    }
}

}  // namespace

BOOL CImageOperator::SaveDIBToStream(IStream* stream, HGLOBAL dib) {
    if (m_bridgeTarget < 0 || m_bridgeTarget > kImageTypeOther || m_bridgeTarget == OSTRL_PDF) {
        SetErrorCode(kErrNoImage);
        return FALSE;
    }
    CLSID clsid;
    if (!GetEncoderClsid(kEncoderMimeTypes[m_bridgeTarget], &clsid)) return FALSE;
    GdiplusApi::Bitmap* bitmap = CreateBitmapFromDIB(dib);
    if (!bitmap) return FALSE;
    auto* image = static_cast<GdiplusApi::Image*>(bitmap);
    Gdiplus::EncoderParameters params = {};
    const Gdiplus::EncoderParameters* used = nullptr;
    LONG value = 0;
    if (m_bridgeTarget == OSTRL_JPG) {
        value = LONG(SHORT(m_jpegQuality));
        params.Count = 1;
        SetLongParameter(&params.Parameter[0], kGdipEncoderQuality, &value);
        used = &params;
    } else if (m_bridgeTarget == OSTRL_TIF) {
        Gdiplus::PixelFormat format = 0;
        Call(m_api.GetImagePixelFormat, image, &format);
        value = TiffCompressionFor(m_tiffCompressionType, format);
        params.Count = 1;
        SetLongParameter(&params.Parameter[0], kGdipEncoderCompression, &value);
        used = &params;
    }
    bool ok = GdipOk(Call(m_api.SaveImageToStream, image, stream, static_cast<const CLSID*>(&clsid), used));
    ReleaseBitmapOfDIB(bitmap, dib);
    return ok;
}

BOOL CImageOperator::SaveImageFileGdiplus(const char* path, SHORT index) {
    SetErrorCode(0);
    if (!path) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    HGLOBAL dib = GetImageDIB(index);
    if (!dib) return FALSE;
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    IStream* stream = nullptr;
    if (FAILED(CFileStream::CreateFileStream(path, GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, &stream))) {
        SetErrorCode(kErrFileDenied);
        return FALSE;
    }
    BOOL ok = SaveDIBToStream(stream, dib);
    stream->Release();
    if (!ok) DeleteFileA(path);
    return ok;
}

BOOL CImageOperator::CopyStreamToBlock(IStream* stream, HGLOBAL* out, DWORD* size) {
    DWORD bytes = static_cast<CMemoryStream*>(stream)->Buffer()->GetSize();
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, bytes ? bytes : 1);
    if (!block) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    LARGE_INTEGER zero = {};
    ULONG read = 0;
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    stream->Read(block, bytes, &read);
    *out = block;
    *size = read;
    return TRUE;
}

BOOL CImageOperator::SaveDIBToBlock(HGLOBAL dib, HGLOBAL* out, DWORD* size) {
    IStream* stream = nullptr;
    if (FAILED(CMemoryStream::CreateMemoryStream(&stream))) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    BOOL ok = SaveDIBToStream(stream, dib) && CopyStreamToBlock(stream, out, size);
    stream->Release();
    return ok;
}

BOOL CImageOperator::EncodeDIBAsJPEGGdiplus(HGLOBAL dib, USHORT quality, HGLOBAL* out, DWORD* size) {
    m_jpegQuality = quality;
    m_bridgeTarget = OSTRL_JPG;
    return SaveDIBToBlock(dib, out, size);
}

BOOL CImageOperator::SaveAsToMemoryGdiplus(HGLOBAL* out, SHORT index, DWORD* size) {
    SetErrorCode(0);
    if (!out || !size) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    HGLOBAL dib = GetImageDIB(index);
    if (!dib) return FALSE;
    return SaveDIBToBlock(dib, out, size);
}

BOOL CImageOperator::AppendTiffPages(IStream* stream, GdiplusApi::Image* first, const SHORT* list, LONG count) {
    CLSID clsid;
    if (!GetEncoderClsid(kEncoderMimeTypes[OSTRL_TIF], &clsid)) return FALSE;
    LONG compression = 0, flag = 0;
    EncoderParams2 two = {};
    two.Count = 2;
    SetLongParameter(&two.Parameter[0], kGdipEncoderCompression, &compression);
    SetLongParameter(&two.Parameter[1], kGdipEncoderSaveFlag, &flag);
    auto* params = reinterpret_cast<const Gdiplus::EncoderParameters*>(&two);
    auto compressionOf = [&](GdiplusApi::Image* image) {
        Gdiplus::PixelFormat format = 0;
        Call(m_api.GetImagePixelFormat, image, &format);
        return TiffCompressionFor(m_tiffCompressionType, format);
    };

    UINT frames = GetFrameCount(first);
    const GUID* page = &kGdipFrameDimensionPage;
    if (frames > 1 && !GdipOk(Call(m_api.ImageSelectActiveFrame, first, page, 0u))) return FALSE;
    compression = compressionOf(first);
    flag = kSaveFlagMultiFrame;
    if (!GdipOk(Call(m_api.SaveImageToStream, first, stream, static_cast<const CLSID*>(&clsid), params))) return FALSE;
    for (UINT f = 1; f < frames; ++f) {
        if (!GdipOk(Call(m_api.ImageSelectActiveFrame, first, page, f))) return FALSE;
        compression = compressionOf(first);
        flag = kSaveFlagFramePage;
        if (!GdipOk(Call(m_api.SaveAdd, first, params))) return FALSE;
    }
    for (LONG i = 0; i < count; ++i) {
        HGLOBAL dib = GetImageDIB(list[i]);
        if (!dib) return FALSE;
        GdiplusApi::Bitmap* bitmap = CreateBitmapFromDIB(dib);
        if (!bitmap) return FALSE;
        compression = compressionOf(bitmap);
        flag = kSaveFlagFramePage;
        bool ok = GdipOk(Call(m_api.SaveAddImage, first, static_cast<GdiplusApi::Image*>(bitmap), params));
        ReleaseBitmapOfDIB(bitmap, dib);
        if (!ok) return FALSE;
    }
    flag = kSaveFlagFlush;
    return GdipOk(Call(m_api.SaveAdd, first, params));
}

BOOL CImageOperator::WriteTiffListToStream(IStream* stream, const SHORT* list, LONG count,
                                           GdiplusApi::Image* existing) {
    if (existing) return AppendTiffPages(stream, existing, list, count);
    if (count < 1) {
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    HGLOBAL dib = GetImageDIB(list[0]);
    if (!dib) return FALSE;
    if (count == 1) return SaveDIBToStream(stream, dib);
    GdiplusApi::Bitmap* first = CreateBitmapFromDIB(dib);
    if (!first) return FALSE;
    BOOL ok = AppendTiffPages(stream, first, list + 1, count - 1);
    ReleaseBitmapOfDIB(first, dib);
    return ok;
}

BOOL CImageOperator::ReplaceFileWithStream(const char* path, IStream* stream) {
    // The new content goes to a file beside the target, which then replaces it in one step: a
    // failure leaves the old file as it was.
    char temporary[MAX_PATH];
    HGLOBAL block = nullptr;
    DWORD size = 0;
    if (!CopyStreamToBlock(stream, &block, &size)) return FALSE;
    HANDLE file = CreateFileBeside(path, temporary);
    BOOL ok = FALSE;
    if (file == INVALID_HANDLE_VALUE) {
        SetErrorCode(kErrFileDenied);
    } else {
        DWORD written = 0;
        bool wrote = WriteFile(file, block, size, &written, nullptr) && written == size;
        CloseHandle(file);
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        if (!wrote) {
            SetErrorCode(kErrFileWrite);
        } else if (!MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING)) {
            SetErrorCode(kErrFileDenied);
        } else {
            ok = TRUE;
        }
        if (!ok) DeleteFileA(temporary);
    }
    GlobalFree(block);
    return ok;
}

BOOL CImageOperator::SaveImagesAsTIFFFileGdiplus(const char* path, const SHORT* list, LONG count, BOOL append) {
    SetErrorCode(0);
    if (!path || !list) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    GdiplusApi::Bitmap* existing = nullptr;
    if (append && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        DWORD size = 0;
        HGLOBAL bytes = ReadWholeFile(path, &size);
        if (!bytes) return FALSE;
        IStream* input = nullptr;
        if (FAILED(CMemoryStream::CreateMemoryStreamOnBytes(static_cast<BYTE*>(bytes), size, TRUE, &input))) {
            GlobalFree(bytes);
            SetErrorCode(kErrNoMemory);
            return FALSE;
        }
        Status status = Call(m_api.CreateBitmapFromStream, input, &existing);
        input->Release();
        if (!GdipOk(status)) return FALSE;
    }
    // Encoded to memory first: the user's file is replaced only by a complete new file.
    IStream* stream = nullptr;
    BOOL ok = FALSE;
    if (FAILED(CMemoryStream::CreateMemoryStream(&stream))) {
        SetErrorCode(kErrNoMemory);
    } else {
        ok = WriteTiffListToStream(stream, list, count, existing) && ReplaceFileWithStream(path, stream);
        stream->Release();
    }
    if (existing) Call(m_api.DisposeImage, static_cast<GdiplusApi::Image*>(existing));
    return ok;
}

BOOL CImageOperator::SaveImagesToMemoryGdiplus(HGLOBAL* out, const SHORT* list, LONG count, DWORD* size) {
    SetErrorCode(0);
    if (!out || !list || !size) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    IStream* stream = nullptr;
    if (FAILED(CMemoryStream::CreateMemoryStream(&stream))) {
        SetErrorCode(kErrNoMemory);
        return FALSE;
    }
    BOOL ok = WriteTiffListToStream(stream, list, count, nullptr) && CopyStreamToBlock(stream, out, size);
    stream->Release();
    return ok;
}
