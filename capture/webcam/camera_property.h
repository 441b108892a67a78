// The seventeen camera properties: ten of the video processing amplifier (IAMVideoProcAmp) and
// seven of the camera control (IAMCameraControl), each under its DirectShow property number.
#pragma once

#include <windows.h>

enum class CameraProperty {
    Brightness, Contrast, Hue, Saturation, Sharpness, Gamma, ColorEnable, WhiteBalance, BklightComp, Gain,
    Pan, Tilt, Roll, ZoomForCam, Exposure, Iris, Focus,
};
constexpr int kCameraPropertyCount = 17;

struct CameraPropertyInfo {
    const char* scriptName;    // "Brightness", "ZoomForCam", ...
    const char* autoFlagName;  // "IfAutoBright", "IfAutoContrast", ...
    bool cameraControl;        // IAMCameraControl, else IAMVideoProcAmp
    long number;               // VideoProcAmp_... or CameraControl_...
};

const CameraPropertyInfo& CameraPropertyInfoOf(CameraProperty property);

// Whether a value may be written to a property of this range: within minimum ... maximum and a
// whole number of steps above the minimum. A device that reports no step (0 or less) only has
// its range checked.
bool IsValidCameraValue(long value, long minimum, long maximum, long step);

// A script number as a property value: NaN gives 0, values beyond the 32-bit range the nearest
// end of it, fractions are cut toward zero.
long CameraValueFromScript(double value);
