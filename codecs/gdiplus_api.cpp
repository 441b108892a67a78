#include "codecs/gdiplus_api.h"

const GUID kGdipEncoderQuality = {0x1d5be4b5, 0xfa4a, 0x452d, {0x9c, 0xdd, 0x5d, 0xb3, 0x51, 0x05, 0xe7, 0xeb}};
const GUID kGdipEncoderCompression = {0xe09d739d, 0xccd4, 0x44ee, {0x8e, 0xba, 0x3f, 0xbf, 0x8b, 0xe4, 0xfc, 0x58}};
const GUID kGdipEncoderSaveFlag = {0x292266fc, 0xac40, 0x47bf, {0x8c, 0xfc, 0xa8, 0x5b, 0x89, 0xa6, 0x55, 0xde}};
const GUID kGdipFrameDimensionPage = {0x7462dc86, 0x6180, 0x4c7e, {0x8e, 0xf3, 0xee, 0x73, 0x33, 0xa7, 0xa4, 0x83}};

namespace {

template <typename F>
void Bind(HMODULE module, const char* name, F* slot) {
    *slot = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

bool BindGdiplusApi(HMODULE module, GdiplusApi* api) {
    *api = GdiplusApi{};
    if (!module) return false;
    Bind(module, "GdiplusStartup", &api->Startup);
    Bind(module, "GdiplusShutdown", &api->Shutdown);
    Bind(module, "GdipGetImageEncodersSize", &api->GetImageEncodersSize);
    Bind(module, "GdipGetImageEncoders", &api->GetImageEncoders);
    Bind(module, "GdipImageGetFrameDimensionsCount", &api->ImageGetFrameDimensionsCount);
    Bind(module, "GdipImageGetFrameDimensionsList", &api->ImageGetFrameDimensionsList);
    Bind(module, "GdipImageGetFrameCount", &api->ImageGetFrameCount);
    Bind(module, "GdipImageSelectActiveFrame", &api->ImageSelectActiveFrame);
    Bind(module, "GdipGetImagePixelFormat", &api->GetImagePixelFormat);
    Bind(module, "GdipCreateBitmapFromGdiDib", &api->CreateBitmapFromGdiDib);
    Bind(module, "GdipBitmapSetResolution", &api->BitmapSetResolution);
    Bind(module, "GdipCreateBitmapFromStream", &api->CreateBitmapFromStream);
    Bind(module, "GdipSaveImageToStream", &api->SaveImageToStream);
    Bind(module, "GdipSaveAdd", &api->SaveAdd);
    Bind(module, "GdipSaveAddImage", &api->SaveAddImage);
    Bind(module, "GdipDisposeImage", &api->DisposeImage);
    return true;
}
