#include "testdoubles/camera/camera_formats.h"

#include <cstring>

namespace {

constexpr REFERENCE_TIME k30Fps = 333333;
constexpr REFERENCE_TIME k15Fps = 666666;
// A subtype that is in no dictionary.
constexpr GUID kUnknownSubtype = {0x4c554d31, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x72}};

WORD BitsOf(const GUID& subtype) { return subtype == MEDIASUBTYPE_YUY2 ? 16 : 24; }

DWORD FourCcOf(const GUID& subtype) {
    return subtype == MEDIASUBTYPE_RGB24 ? BI_RGB : subtype.Data1;
}

}  // namespace

std::vector<CameraFormat> CameraFormats(const CameraConfig& config) {
    std::vector<CameraFormat> formats;
    if (config.yuy2) formats.push_back({MEDIASUBTYPE_YUY2, 160, 120, k30Fps});
    formats.push_back({MEDIASUBTYPE_RGB24, 320, 240, k30Fps});
    formats.push_back({MEDIASUBTYPE_RGB24, 320, 240, k15Fps});
    formats.push_back({MEDIASUBTYPE_RGB24, 640, 480, k30Fps});
    formats.push_back({MEDIASUBTYPE_RGB24, 160, 120, k30Fps});
    if (config.zeroRate) formats.push_back({MEDIASUBTYPE_RGB24, 176, 144, 0});
    if (config.zeroSize) formats.push_back({MEDIASUBTYPE_RGB24, 0, 480, k30Fps});
    if (config.unknownSubtype) formats.push_back({kUnknownSubtype, 320, 240, k30Fps});
    return formats;
}

DWORD FrameBytes(const CameraFormat& format) {
    DWORD stride = ((static_cast<DWORD>(format.width) * BitsOf(format.subtype) + 31) / 32) * 4;
    return stride * static_cast<DWORD>(format.height < 0 ? -format.height : format.height);
}

bool BuildMediaType(const CameraFormat& format, const CameraConfig& config, AM_MEDIA_TYPE& type) {
    memset(&type, 0, sizeof(type));
    type.majortype = MEDIATYPE_Video;
    type.subtype = format.subtype;
    type.bFixedSizeSamples = TRUE;
    type.lSampleSize = FrameBytes(format);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = format.width;
    header.biHeight = format.height;
    header.biPlanes = 1;
    header.biBitCount = BitsOf(format.subtype);
    header.biCompression = FourCcOf(format.subtype);
    header.biSizeImage = FrameBytes(format);
    if (config.videoInfo2) {
        auto* info = static_cast<VIDEOINFOHEADER2*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER2)));
        if (!info) return false;
        memset(info, 0, sizeof(*info));
        info->AvgTimePerFrame = format.averageTimePerFrame;
        info->bmiHeader = header;
        type.formattype = FORMAT_VideoInfo2;
        type.cbFormat = sizeof(VIDEOINFOHEADER2);
        type.pbFormat = reinterpret_cast<BYTE*>(info);
        return true;
    }
    auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (!info) return false;
    memset(info, 0, sizeof(*info));
    info->AvgTimePerFrame = format.averageTimePerFrame;
    info->bmiHeader = header;
    type.formattype = FORMAT_VideoInfo;
    type.cbFormat = config.shortFormat ? 48 : sizeof(VIDEOINFOHEADER);
    type.pbFormat = reinterpret_cast<BYTE*>(info);
    return true;
}

const CameraFormat* MatchFormat(const std::vector<CameraFormat>& formats, const AM_MEDIA_TYPE& type) {
    if (type.majortype != MEDIATYPE_Video) return nullptr;
    const VIDEOINFOHEADER* info = nullptr;
    if (type.formattype == FORMAT_VideoInfo && type.pbFormat && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    }
    for (const auto& format : formats) {
        if (format.subtype != type.subtype) continue;
        if (!info) return &format;  // the subtype alone names the first format of it
        if (info->bmiHeader.biWidth == format.width && info->bmiHeader.biHeight == format.height &&
            (info->AvgTimePerFrame == format.averageTimePerFrame || info->AvgTimePerFrame == 0)) {
            return &format;
        }
    }
    return nullptr;
}

void FillCapabilities(const CameraFormat& format, VIDEO_STREAM_CONFIG_CAPS& caps) {
    memset(&caps, 0, sizeof(caps));
    caps.guid = FORMAT_VideoInfo;
    caps.VideoStandard = 0;
    caps.InputSize = {format.width, format.height};
    caps.MinCroppingSize = caps.MaxCroppingSize = caps.InputSize;
    caps.CropGranularityX = caps.CropGranularityY = 1;
    caps.CropAlignX = caps.CropAlignY = 1;
    caps.MinOutputSize = caps.MaxOutputSize = caps.InputSize;
    caps.OutputGranularityX = caps.OutputGranularityY = 1;
    caps.MinFrameInterval = caps.MaxFrameInterval = format.averageTimePerFrame;
    LONGLONG bits = static_cast<LONGLONG>(FrameBytes(format)) * 8;
    LONGLONG rate = format.averageTimePerFrame ? 10000000 / format.averageTimePerFrame : 0;
    caps.MinBitsPerSecond = caps.MaxBitsPerSecond = static_cast<LONG>(bits * rate);
}

void DrawTestPattern(BYTE* buffer, DWORD size, const CameraFormat& format, DWORD counter) {
    DWORD height = static_cast<DWORD>(format.height < 0 ? -format.height : format.height);
    DWORD stride = height ? FrameBytes(format) / height : 0;
    for (DWORD r = 0; r < height; ++r) {
        for (DWORD c = 0; c < stride && r * stride + c < size; ++c) buffer[r * stride + c] = static_cast<BYTE>(r + c);
    }
    if (size >= 4) memcpy(buffer, &counter, 4);
}
