// What one test camera offers and how it misbehaves. Read from the environment variable
// LUMETTA_TEST_CAMERA when a filter object is created, so a test sets it before it opens the
// device. The value is a comma-separated list of words:
//   yuy2            the current format is YUY2 (RGB24 formats follow it)
//   rgbpin          the output pin sends RGB24 whatever subtype is configured (a camera that
//                   converts on its pin)
//   videoinfo2      every format block is a VIDEOINFOHEADER2 (FORMAT_VideoInfo2)
//   shortformat     every format block is shorter than a VIDEOINFOHEADER
//   zerorate        one more capability whose average time per frame is 0
//   zerosize        one more capability of 0 x 480
//   unknownsubtype  one more capability with a subtype nobody names
//   capsize=N       capability record size reported by the stream configuration
//   videoport       a second output pin of the video-port category
//   noframes        the stream runs but never delivers a frame
//   timestamp       bytes 4 ... 11 of each frame of at least 12 bytes carry the performance
//                   counter read just before the frame is handed downstream (after the frame
//                   counter in bytes 0 ... 3), so a receiver can tell how long delivery took
//   failsetformat   the stream configuration refuses every format
//   noprocamp, nocameracontrol, nopages   the filter lacks that interface
#pragma once

#include <windows.h>

struct CameraConfig {
    bool yuy2 = false;
    bool rgbPin = false;
    bool videoInfo2 = false;
    bool shortFormat = false;
    bool zeroRate = false;
    bool zeroSize = false;
    bool unknownSubtype = false;
    int capsSize = 128;
    bool videoPort = false;
    bool noFrames = false;
    bool timestamp = false;
    bool failSetFormat = false;
    bool noProcAmp = false;
    bool noCameraControl = false;
    bool noPages = false;

    static CameraConfig FromEnvironment();
};

// Number of camera devices DllRegisterServer registers: LUMETTA_TEST_CAMERA_DEVICES, default 2.
int RegisteredDeviceCount();
constexpr int kMaxTestCameras = 4;
