// The seventeen camera property families of the script interface, in interface order. Each family
// has a value, its minimum, maximum, step and default, and an automatic switch. A webcam serves
// them from its camera property; a scanner serves only brightness, contrast and automatic
// brightness, through its TWAIN capabilities.
#pragma once

#include "capture/webcam/camera_property.h"
#include "core/twain_operate_wrapper.h"

enum class CameraFamily {
    Brightness, Contrast, Hue, Saturation, Sharpness, Gamma, WhiteBalance, BklightComp, Gain,
    ColorEnable, ZoomForCam, Focus, Exposure, Iris, Pan, Tilt, Roll,
};
constexpr int kCameraFamilyCount = 17;

// The four read-only limit members of a family (e.g. BrightnessMinValue ... BrightnessDefaultValue).
enum class CameraLimit { Minimum, Maximum, Step, Default };

struct CameraFamilyInfo {
    CameraProperty property;  // the webcam's camera property
    bool floatValue;          // the script sees the value as a float
    // What stands for the family on a scanner; null: the member is refused there.
    BOOL (CTwainOperateWrapper::*getScannerValue)(float*);
    BOOL (CTwainOperateWrapper::*setScannerValue)(float);
    BOOL (CTwainOperateWrapper::*getScannerAuto)(BOOL*);
    BOOL (CTwainOperateWrapper::*setScannerAuto)(LONG);
};

// The row of a family; null outside the seventeen.
const CameraFamilyInfo* CameraFamilyInfoOf(CameraFamily family);

// The families as a table both hosts expand into their members.
// Webcam format lists: count member, item method, select method, current member.
#define LUMETTA_CAMERA_TEXT_LISTS(X)                                                                  \
    X(MediaTypeListCount, GetMediaTypeByIndex, SelectMediaTypeByIndex, MediaType)                      \
    X(ResolutionForCamListCount, GetResolutionForCamByIndex, SelectResolutionForCamByIndex, ResolutionForCam)
// The camera property families: value member, value type, automatic-mode member, whether every
// member of the control answers failure (in throw mode) when the error code is set after the call.
#define LUMETTA_CAMERA_FAMILIES(X)                                                                    \
    X(Brightness, float, IfAutoBright, 1) X(Contrast, float, IfAutoContrast, 1) X(Hue, int, IfAutoHue, 0) \
    X(Saturation, int, IfAutoSaturation, 0) X(Sharpness, int, IfAutoSharpness, 0) X(Gamma, int, IfAutoGamma, 0) \
    X(WhiteBalance, int, IfAutoWhiteBalance, 0) X(BklightComp, int, IfAutoBklightComp, 0)               \
    X(Gain, int, IfAutoGain, 0) X(ColorEnable, int, IfAutoColorEnable, 0) X(ZoomForCam, int, IfAutoZoomForCam, 0) \
    X(Focus, int, IfAutoFocus, 0) X(Exposure, int, IfAutoExposure, 0) X(Iris, int, IfAutoIris, 0)        \
    X(Pan, int, IfAutoPan, 0) X(Tilt, int, IfAutoTilt, 0) X(Roll, int, IfAutoRoll, 0)
