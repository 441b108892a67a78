// GDI+ bound at run time: the plug-in never imports "GDIPLUS.dll". Each engine loads it once
// (LoadGdiplusForEngine) and the last load becomes the process-wide module; the stubs of the
// GDI+ flat API look their function up by name in that module at every call and answer a
// fallback (status 6, NotImplemented; nothing; null) when it is missing. The loads are counted:
// the module is forgotten when the last one is given back, so no stub calls into an unloaded
// library.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include "codecs/gdiplus_api.h"

// One load of "GDIPLUS.dll" for an engine; null when it is not there (the engine's load flag 0).
HMODULE LoadGdiplusForEngine();
// Gives an engine's load back; the last one clears the process-wide module.
void FreeGdiplusOfEngine(HMODULE module);
// The module the stubs call into, or null.
HMODULE GdiplusRuntimeModule();
// The bridge's table, filled with the stubs below.
const GdiplusApi& RuntimeGdiplusApi();
// Makes every engine built from now on take its own load and reach GDI+ through the stubs; the
// plug-in saves with its own encoders.
void UseRuntimeGdiplus();

namespace gdiplus_runtime {

using namespace Gdiplus;

GpStatus WINAPI GdipBitmapSetResolution(GpBitmap* bitmap, REAL xdpi, REAL ydpi);
GpStatus WINAPI GdipCloneImage(GpImage* image, GpImage** clone);
GpStatus WINAPI GdipDisposeImage(GpImage* image);
GpStatus WINAPI GdipGetImagePixelFormat(GpImage* image, PixelFormat* format);
GpStatus WINAPI GdipBitmapLockBits(GpBitmap* bitmap, const GpRect* rect, UINT flags, PixelFormat format,
                                   BitmapData* data);
GpStatus WINAPI GdipBitmapUnlockBits(GpBitmap* bitmap, BitmapData* data);
GpStatus WINAPI GdipGetImagePalette(GpImage* image, ColorPalette* palette, INT size);
GpStatus WINAPI GdipSetImagePalette(GpImage* image, const ColorPalette* palette);
GpStatus WINAPI GdipGetImagePaletteSize(GpImage* image, INT* size);
GpStatus WINAPI GdipGetImageWidth(GpImage* image, UINT* width);
GpStatus WINAPI GdipGetImageHeight(GpImage* image, UINT* height);
GpStatus WINAPI GdipSaveImageToStream(GpImage* image, IStream* stream, const CLSID* encoder,
                                      const EncoderParameters* parameters);
GpStatus WINAPI GdipSaveAdd(GpImage* image, const EncoderParameters* parameters);
GpStatus WINAPI GdipSaveAddImage(GpImage* image, GpImage* added, const EncoderParameters* parameters);
GpStatus WINAPI GdipImageGetFrameDimensionsCount(GpImage* image, UINT* count);
GpStatus WINAPI GdipImageGetFrameDimensionsList(GpImage* image, GUID* dimensions, UINT count);
GpStatus WINAPI GdipImageGetFrameCount(GpImage* image, const GUID* dimension, UINT* count);
GpStatus WINAPI GdipGetImageEncodersSize(UINT* count, UINT* size);
GpStatus WINAPI GdipGetImageEncoders(UINT count, UINT size, ImageCodecInfo* encoders);
GpStatus WINAPI GdipImageSelectActiveFrame(GpImage* image, const GUID* dimension, UINT index);
GpStatus WINAPI GdipCreateBitmapFromStream(IStream* stream, GpBitmap** bitmap);
GpStatus WINAPI GdipCreateBitmapFromStreamICM(IStream* stream, GpBitmap** bitmap);
GpStatus WINAPI GdipCreateBitmapFromScan0(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0,
                                          GpBitmap** bitmap);
GpStatus WINAPI GdipCreateBitmapFromGdiDib(const BITMAPINFO* info, VOID* bits, GpBitmap** bitmap);
GpStatus WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
void* WINAPI GdipAlloc(size_t size);
void WINAPI GdipFree(void* ptr);

}  // namespace gdiplus_runtime
