#include "codecs/gdiplus_api.h"

const GdiplusApi& LinkedGdiplusApi() {
    using namespace Gdiplus;
    using namespace Gdiplus::DllExports;
    static const GdiplusApi api = {
        GdiplusStartup,
        GdiplusShutdown,
        GdipGetImageEncodersSize,
        GdipGetImageEncoders,
        GdipImageGetFrameDimensionsCount,
        GdipImageGetFrameDimensionsList,
        GdipImageGetFrameCount,
        GdipImageSelectActiveFrame,
        GdipGetImagePixelFormat,
        GdipCreateBitmapFromGdiDib,
        GdipBitmapSetResolution,
        GdipCreateBitmapFromStream,
        GdipSaveImageToStream,
        GdipSaveAdd,
        GdipSaveAddImage,
        GdipDisposeImage,
    };
    return api;
}
