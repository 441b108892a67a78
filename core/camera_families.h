// The seventeen camera property families of the script interface, in interface order (the order
// of core/device_members.table, which names each family's members). Each family
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
