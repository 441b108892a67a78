#include "plugin/gdiplus_runtime.h"

#include "codecs/image_operator.h"

namespace {

// Written on the browser's thread as engines are built and destroyed; the stubs read it on any
// thread. The count keeps the module while any engine holds a load.
HMODULE volatile g_module = nullptr;
LONG volatile g_loads = 0;

FARPROC Resolve(const char* name) {
    HMODULE module = g_module;
    return module ? GetProcAddress(module, name) : nullptr;
}

}  // namespace

HMODULE LoadGdiplusForEngine() {
    HMODULE module = LoadLibraryA("GDIPLUS.dll");
    if (module) {
        InterlockedIncrement(&g_loads);
        g_module = module;  // the last load wins
    }
    return module;
}

void FreeGdiplusOfEngine(HMODULE module) {
    if (!module) return;
    if (InterlockedDecrement(&g_loads) <= 0) {
        g_loads = 0;
        g_module = nullptr;
    }
    FreeLibrary(module);
}

HMODULE GdiplusRuntimeModule() { return g_module; }

// Each stub: the function of the same name in the current module, or the fallback.
#define GDIP_STUB(name, params, args)                                                  \
    GpStatus WINAPI name params {                                                      \
        using Function = GpStatus(WINAPI*) params;                                     \
        auto function = reinterpret_cast<Function>(Resolve(#name));                   \
        return function ? function args : NotImplemented;                              \
    }

namespace gdiplus_runtime {

GDIP_STUB(GdipBitmapSetResolution, (GpBitmap * bitmap, REAL xdpi, REAL ydpi), (bitmap, xdpi, ydpi))
GDIP_STUB(GdipCloneImage, (GpImage * image, GpImage** clone), (image, clone))
GDIP_STUB(GdipDisposeImage, (GpImage * image), (image))
GDIP_STUB(GdipGetImagePixelFormat, (GpImage * image, PixelFormat* format), (image, format))
GDIP_STUB(GdipBitmapLockBits,
          (GpBitmap * bitmap, const GpRect* rect, UINT flags, PixelFormat format, BitmapData* data),
          (bitmap, rect, flags, format, data))
GDIP_STUB(GdipBitmapUnlockBits, (GpBitmap * bitmap, BitmapData* data), (bitmap, data))
GDIP_STUB(GdipGetImagePalette, (GpImage * image, ColorPalette* palette, INT size), (image, palette, size))
GDIP_STUB(GdipSetImagePalette, (GpImage * image, const ColorPalette* palette), (image, palette))
GDIP_STUB(GdipGetImagePaletteSize, (GpImage * image, INT* size), (image, size))
GDIP_STUB(GdipGetImageWidth, (GpImage * image, UINT* width), (image, width))
GDIP_STUB(GdipGetImageHeight, (GpImage * image, UINT* height), (image, height))
GDIP_STUB(GdipSaveImageToStream,
          (GpImage * image, IStream* stream, const CLSID* encoder, const EncoderParameters* parameters),
          (image, stream, encoder, parameters))
GDIP_STUB(GdipSaveAdd, (GpImage * image, const EncoderParameters* parameters), (image, parameters))
GDIP_STUB(GdipSaveAddImage, (GpImage * image, GpImage* added, const EncoderParameters* parameters),
          (image, added, parameters))
GDIP_STUB(GdipImageGetFrameDimensionsCount, (GpImage * image, UINT* count), (image, count))
GDIP_STUB(GdipImageGetFrameDimensionsList, (GpImage * image, GUID* dimensions, UINT count),
          (image, dimensions, count))
GDIP_STUB(GdipImageGetFrameCount, (GpImage * image, const GUID* dimension, UINT* count), (image, dimension, count))
GDIP_STUB(GdipGetImageEncodersSize, (UINT * count, UINT* size), (count, size))
GDIP_STUB(GdipGetImageEncoders, (UINT count, UINT size, ImageCodecInfo* encoders), (count, size, encoders))
GDIP_STUB(GdipImageSelectActiveFrame, (GpImage * image, const GUID* dimension, UINT index),
          (image, dimension, index))
GDIP_STUB(GdipCreateBitmapFromStream, (IStream * stream, GpBitmap** bitmap), (stream, bitmap))
GDIP_STUB(GdipCreateBitmapFromStreamICM, (IStream * stream, GpBitmap** bitmap), (stream, bitmap))
GDIP_STUB(GdipCreateBitmapFromScan0,
          (INT width, INT height, INT stride, PixelFormat format, BYTE* scan0, GpBitmap** bitmap),
          (width, height, stride, format, scan0, bitmap))
GDIP_STUB(GdipCreateBitmapFromGdiDib, (const BITMAPINFO* info, VOID* bits, GpBitmap** bitmap), (info, bits, bitmap))
GDIP_STUB(GdiplusStartup, (ULONG_PTR * token, const GdiplusStartupInput* input, GdiplusStartupOutput* output),
          (token, input, output))

void WINAPI GdiplusShutdown(ULONG_PTR token) {
    using Function = void(WINAPI*)(ULONG_PTR);
    if (auto function = reinterpret_cast<Function>(Resolve("GdiplusShutdown"))) function(token);
}

void* WINAPI GdipAlloc(size_t size) {
    using Function = void*(WINAPI*)(size_t);
    auto function = reinterpret_cast<Function>(Resolve("GdipAlloc"));
    return function ? function(size) : nullptr;
}

void WINAPI GdipFree(void* ptr) {
    using Function = void(WINAPI*)(void*);
    if (auto function = reinterpret_cast<Function>(Resolve("GdipFree"))) function(ptr);
}

}  // namespace gdiplus_runtime

const GdiplusApi& RuntimeGdiplusApi() {
    static const GdiplusApi api = {
        gdiplus_runtime::GdiplusStartup,
        gdiplus_runtime::GdiplusShutdown,
        gdiplus_runtime::GdipGetImageEncodersSize,
        gdiplus_runtime::GdipGetImageEncoders,
        gdiplus_runtime::GdipImageGetFrameDimensionsCount,
        gdiplus_runtime::GdipImageGetFrameDimensionsList,
        gdiplus_runtime::GdipImageGetFrameCount,
        gdiplus_runtime::GdipImageSelectActiveFrame,
        gdiplus_runtime::GdipGetImagePixelFormat,
        gdiplus_runtime::GdipCreateBitmapFromGdiDib,
        gdiplus_runtime::GdipBitmapSetResolution,
        gdiplus_runtime::GdipCreateBitmapFromStream,
        gdiplus_runtime::GdipSaveImageToStream,
        gdiplus_runtime::GdipSaveAdd,
        gdiplus_runtime::GdipSaveAddImage,
        gdiplus_runtime::GdipDisposeImage,
    };
    return api;
}

void UseRuntimeGdiplus() {
    PlatformImageLibrary library;
    library.table = &RuntimeGdiplusApi();
    library.saveThroughLibrary = false;
    library.loadLibrary = LoadGdiplusForEngine;
    library.unloadLibrary = FreeGdiplusOfEngine;
    CImageOperator::SetPlatformImageLibrary(library);
}
