#include "capture/webcam/camera_property.h"

#include <cmath>

namespace {

const CameraPropertyInfo kProperties[kCameraPropertyCount] = {
    {"Brightness", "IfAutoBright", false, 0},  {"Contrast", "IfAutoContrast", false, 1},
    {"Hue", "IfAutoHue", false, 2},            {"Saturation", "IfAutoSaturation", false, 3},
    {"Sharpness", "IfAutoSharpness", false, 4}, {"Gamma", "IfAutoGamma", false, 5},
    {"ColorEnable", "IfAutoColorEnable", false, 6}, {"WhiteBalance", "IfAutoWhiteBalance", false, 7},
    {"BklightComp", "IfAutoBklightComp", false, 8}, {"Gain", "IfAutoGain", false, 9},
    {"Pan", "IfAutoPan", true, 0},             {"Tilt", "IfAutoTilt", true, 1},
    {"Roll", "IfAutoRoll", true, 2},           {"ZoomForCam", "IfAutoZoomForCam", true, 3},
    {"Exposure", "IfAutoExposure", true, 4},   {"Iris", "IfAutoIris", true, 5},
    {"Focus", "IfAutoFocus", true, 6},
};

}  // namespace

const CameraPropertyInfo& CameraPropertyInfoOf(CameraProperty property) {
    int index = static_cast<int>(property);
    return kProperties[index >= 0 && index < kCameraPropertyCount ? index : 0];
}

bool IsValidCameraValue(long value, long minimum, long maximum, long step) {
    if (value < minimum || value > maximum) return false;
    if (step <= 0) return true;
    return (static_cast<long long>(value) - minimum) % step == 0;
}

long CameraValueFromScript(double value) {
    if (std::isnan(value)) return 0;
    if (value <= -2147483648.0) return LONG_MIN;
    if (value >= 2147483647.0) return LONG_MAX;
    return static_cast<long>(value);
}
