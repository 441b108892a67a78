// The capabilities of the test camera: one media type and one 128-byte capability record each.
#pragma once

#include <vector>

#include "platform/directshow/directshow.h"
#include "testdoubles/camera/camera_config.h"

struct CameraFormat {
    GUID subtype;
    LONG width;
    LONG height;
    REFERENCE_TIME averageTimePerFrame;  // 100 ns units
};

// The offered formats in capability order; the first one is current when the filter is created.
std::vector<CameraFormat> CameraFormats(const CameraConfig& config);

// Bytes of one frame of the format (24 bits a pixel for RGB24, 16 for YUY2, rows of 4-byte multiples).
DWORD FrameBytes(const CameraFormat& format);

// A new media type for the format, with the format block the configuration asks for.
// The caller frees it with FreeMediaType.
bool BuildMediaType(const CameraFormat& format, const CameraConfig& config, AM_MEDIA_TYPE& type);

// The format a media type stands for, when it is one of the offered ones.
const CameraFormat* MatchFormat(const std::vector<CameraFormat>& formats, const AM_MEDIA_TYPE& type);

void FillCapabilities(const CameraFormat& format, VIDEO_STREAM_CONFIG_CAPS& caps);

// Draws the test pattern of frame number counter: the first four bytes hold the counter; every
// other byte of row r (from the start of the buffer) and byte column c is (r + c) & 255.
void DrawTestPattern(BYTE* buffer, DWORD size, const CameraFormat& format, DWORD counter);
