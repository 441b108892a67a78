// The GDI+ flat API as one table of function pointers. The control fills it with the linked
// functions, the plug-in binds it to "GDIPLUS.dll" at run time, and tests put a recording table
// in front of either. A null entry is a function the library does not have.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

struct GdiplusApi {
    using Status = Gdiplus::GpStatus;
    using Image = Gdiplus::GpImage;
    using Bitmap = Gdiplus::GpBitmap;

    Status(WINAPI* Startup)(ULONG_PTR*, const Gdiplus::GdiplusStartupInput*, Gdiplus::GdiplusStartupOutput*);
    void(WINAPI* Shutdown)(ULONG_PTR);
    Status(WINAPI* GetImageEncodersSize)(UINT*, UINT*);
    Status(WINAPI* GetImageEncoders)(UINT, UINT, Gdiplus::ImageCodecInfo*);
    Status(WINAPI* ImageGetFrameDimensionsCount)(Image*, UINT*);
    Status(WINAPI* ImageGetFrameDimensionsList)(Image*, GUID*, UINT);
    Status(WINAPI* ImageGetFrameCount)(Image*, const GUID*, UINT*);
    Status(WINAPI* ImageSelectActiveFrame)(Image*, const GUID*, UINT);
    Status(WINAPI* GetImagePixelFormat)(Image*, Gdiplus::PixelFormat*);
    Status(WINAPI* CreateBitmapFromGdiDib)(const BITMAPINFO*, VOID*, Bitmap**);
    Status(WINAPI* BitmapSetResolution)(Bitmap*, Gdiplus::REAL, Gdiplus::REAL);
    Status(WINAPI* CreateBitmapFromStream)(IStream*, Bitmap**);
    Status(WINAPI* SaveImageToStream)(Image*, IStream*, const CLSID*, const Gdiplus::EncoderParameters*);
    Status(WINAPI* SaveAdd)(Image*, const Gdiplus::EncoderParameters*);
    Status(WINAPI* SaveAddImage)(Image*, Image*, const Gdiplus::EncoderParameters*);
    Status(WINAPI* DisposeImage)(Image*);
};

// Fills the table from a loaded GDI+ module; entries it lacks stay null. False for no module.
bool BindGdiplusApi(HMODULE module, GdiplusApi* api);

// The table of the functions linked into the module (the control's route). Referencing it makes
// the module import "gdiplus.dll", so only the control and its tests do.
const GdiplusApi& LinkedGdiplusApi();

// Well-known GDI+ identifiers the bridge uses.
extern const GUID kGdipEncoderQuality;
extern const GUID kGdipEncoderCompression;
extern const GUID kGdipEncoderSaveFlag;
extern const GUID kGdipFrameDimensionPage;
