// The camera property families: one table, and one routing of the members told once. A webcam
// answers from its camera property; a scanner answers where the table names a TWAIN capability
// for the member and refuses the rest with -2122.
#include "core/camera_families.h"

#include <cmath>

#include "core/browser_addon_base.h"
#include "base/error_codes.h"

namespace {

using W = CTwainOperateWrapper;

constexpr CameraFamilyInfo kFamilies[kCameraFamilyCount] = {
    {CameraProperty::Brightness, true, &W::GetScannerBrightness, &W::SetScannerBrightness, &W::GetScannerAutoBright,
     &W::SetScannerAutoBright},
    {CameraProperty::Contrast, true, &W::GetContrast, &W::SetContrast, nullptr, nullptr},
    {CameraProperty::Hue, false, nullptr, nullptr, nullptr, nullptr},
    {CameraProperty::Saturation, false, nullptr, nullptr, nullptr, nullptr},
    {CameraProperty::Sharpness, false, nullptr, nullptr, nullptr, nullptr},
    {CameraProperty::Gamma, false, nullptr, nullptr, nullptr, nullptr},
    {CameraProperty::WhiteBalance, false, nullptr, nullptr, nullptr, nullptr},
    {CameraProperty::BklightComp, false, nullptr, nullptr, nullptr, nullptr},
    {CameraProperty::Gain, false, nullptr, nullptr, nullptr, nullptr},
    {CameraProperty::ColorEnable, false, nullptr, nullptr, nullptr, nullptr},
    {CameraProperty::ZoomForCam, false, nullptr, nullptr, nullptr, nullptr},
    {CameraProperty::Focus, false, nullptr, nullptr, nullptr, nullptr},
    {CameraProperty::Exposure, false, nullptr, nullptr, nullptr, nullptr},
    {CameraProperty::Iris, false, nullptr, nullptr, nullptr, nullptr},
    {CameraProperty::Pan, false, nullptr, nullptr, nullptr, nullptr},
    {CameraProperty::Tilt, false, nullptr, nullptr, nullptr, nullptr},
    {CameraProperty::Roll, false, nullptr, nullptr, nullptr, nullptr},
};

constexpr LONG kWebcamDevice = 1;

// Every member starts here: the error code cleared, then the family's row, or null with -1034
// for no such family or no place for the output.
const CameraFamilyInfo* BeginMember(CTwainBase& engine, CameraFamily family, bool hasOutput) {
    engine.SetErrorCode(0);
    const CameraFamilyInfo* info = CameraFamilyInfoOf(family);
    if (info && hasOutput) return info;
    engine.SetErrorCode(kErrInvalidValue);
    return nullptr;
}

// A member the scanner has no counterpart for.
BOOL RefuseOnScanner(CTwainBase& engine) {
    engine.SetErrorCode(kErrPropertyNotForDevice);
    return FALSE;
}

}  // namespace

const CameraFamilyInfo* CameraFamilyInfoOf(CameraFamily family) {
    int index = static_cast<int>(family);
    return index >= 0 && index < kCameraFamilyCount ? &kFamilies[index] : nullptr;
}

// Every member: the webcam, or the scanner's counterpart, or -2122.

BOOL CBrowserAddOnBase::GetCameraFamilyValue(CameraFamily family, double* value) {
    if (value) *value = 0;
    const CameraFamilyInfo* info = BeginMember(*this, family, value != nullptr);
    if (!info) return FALSE;
    if (m_currentDeviceType == kWebcamDevice) {
        long number = 0;
        if (!m_webcam.GetCameraValue(info->property, number)) return FailWebcam();
        *value = static_cast<double>(number);
        return TRUE;
    }
    if (!info->getScannerValue) return RefuseOnScanner(*this);
    float scanner = 0;
    if (!(this->*info->getScannerValue)(&scanner)) return FALSE;
    *value = scanner;
    return TRUE;
}

BOOL CBrowserAddOnBase::SetCameraFamilyValue(CameraFamily family, double value) {
    // NaN has no number to give any device.
    const CameraFamilyInfo* info = BeginMember(*this, family, !std::isnan(value));
    if (!info) return FALSE;
    if (m_currentDeviceType == kWebcamDevice) {
        // Cut toward zero; beyond the 32-bit range the nearest end of it.
        return m_webcam.SetCameraValue(info->property, CameraValueFromScript(value)) ? TRUE : FailWebcam();
    }
    if (!info->setScannerValue) return RefuseOnScanner(*this);
    // The capability takes a 16.16 fixed-point number: clamp to what a float carries there.
    float scanner = static_cast<float>(std::fmax(std::fmin(value, 32767.0), -32768.0));
    return (this->*info->setScannerValue)(scanner);
}

BOOL CBrowserAddOnBase::GetCameraFamilyLimit(CameraFamily family, CameraLimit limit, LONG* value) {
    if (value) *value = 0;
    const CameraFamilyInfo* info = BeginMember(*this, family, value != nullptr);
    if (!info) return FALSE;
    if (m_currentDeviceType != kWebcamDevice) return RefuseOnScanner(*this);
    long first = 0, second = 0;
    bool read = false;
    switch (limit) {
        case CameraLimit::Minimum:
        case CameraLimit::Maximum:
            read = m_webcam.GetCameraRange(info->property, first, second);
            if (limit == CameraLimit::Maximum) first = second;
            break;
        case CameraLimit::Step: read = m_webcam.GetCameraStep(info->property, first); break;
        case CameraLimit::Default: read = m_webcam.GetCameraDefault(info->property, first); break;
    }
    if (!read) return FailWebcam();
    *value = first;
    return TRUE;
}

BOOL CBrowserAddOnBase::GetCameraFamilyAuto(CameraFamily family, BOOL* automatic) {
    if (automatic) *automatic = FALSE;
    const CameraFamilyInfo* info = BeginMember(*this, family, automatic != nullptr);
    if (!info) return FALSE;
    if (m_currentDeviceType == kWebcamDevice) {
        bool on = false;
        if (!m_webcam.GetCameraAuto(info->property, on)) return FailWebcam();
        *automatic = on ? TRUE : FALSE;
        return TRUE;
    }
    if (!info->getScannerAuto) return RefuseOnScanner(*this);
    BOOL on = FALSE;
    if (!(this->*info->getScannerAuto)(&on)) return FALSE;
    *automatic = on ? TRUE : FALSE;
    return TRUE;
}

BOOL CBrowserAddOnBase::SetCameraFamilyAuto(CameraFamily family, LONG automatic) {
    const CameraFamilyInfo* info = BeginMember(*this, family, true);
    if (!info) return FALSE;
    if (m_currentDeviceType == kWebcamDevice) {
        return m_webcam.SetCameraAuto(info->property, automatic != 0) ? TRUE : FailWebcam();
    }
    if (!info->setScannerAuto) return RefuseOnScanner(*this);
    // The scanner switches on only for exactly 1.
    return (this->*info->setScannerAuto)(automatic);
}
