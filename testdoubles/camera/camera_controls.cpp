#include "testdoubles/camera/camera_controls.h"

namespace {

constexpr long kAuto = 1, kManual = 2;

// min, max, step, default, capability flags, value, flags
constexpr CameraControl kInitial[] = {
    {-64, 64, 2, 0, kAuto | kManual, 0, kManual},           // brightness: step 2
    {0, 100, 1, 50, kManual, 50, kManual},                  // contrast
    {-180, 180, 0, 0, kManual, 0, kManual},                 // hue: the device reports no step
    {0, 200, 1, 100, kManual, 100, kManual},                // saturation
    {0, 15, 1, 3, kManual, 3, kManual},                     // sharpness
    {72, 500, 1, 100, kManual, 100, kManual},               // gamma
    {0, 1, 1, 1, kManual, 1, kManual},                      // colour enable
    {2800, 6500, 10, 4600, kAuto | kManual, 4600, kAuto},   // white balance
    {0, 2, 1, 1, kManual, 1, kManual},                      // backlight compensation
    {1, 31, 2, 1, kAuto | kManual, 1, kManual},             // gain: odd values only
    {-180, 180, 1, 0, kManual, 0, kManual},                 // pan
    {-180, 180, 1, 0, kManual, 0, kManual},                 // tilt
    {-180, 180, 1, 0, kManual, 0, kManual},                 // roll
    {100, 400, 10, 100, kManual, 100, kManual},             // zoom
    {-13, -1, 1, -6, kAuto | kManual, -4, kAuto},           // exposure
    {0, 10, 1, 5, kManual, 5, kManual},                     // iris
    {0, 250, 5, 0, kManual, 0, kManual},                    // focus: no automatic mode
};

}  // namespace

CameraControls::CameraControls() {
    for (int i = 0; i < kProcAmpCount + kCameraControlCount; ++i) m_controls[i] = kInitial[i];
}

HRESULT CameraControls::GetRange(int index, long* min, long* max, long* step, long* def, long* caps) const {
    if (index < 0 || index >= kProcAmpCount + kCameraControlCount) return E_PROP_ID_UNSUPPORTED;
    if (!min || !max || !step || !def || !caps) return E_POINTER;
    const CameraControl& c = m_controls[index];
    *min = c.minimum;
    *max = c.maximum;
    *step = c.step;
    *def = c.defaultValue;
    *caps = c.capsFlags;
    return S_OK;
}

HRESULT CameraControls::Get(int index, long* value, long* flags) const {
    if (index < 0 || index >= kProcAmpCount + kCameraControlCount) return E_PROP_ID_UNSUPPORTED;
    if (!value || !flags) return E_POINTER;
    *value = m_controls[index].value;
    *flags = m_controls[index].flags;
    return S_OK;
}

HRESULT CameraControls::Set(int index, long value, long flags) {
    if (index < 0 || index >= kProcAmpCount + kCameraControlCount) return E_PROP_ID_UNSUPPORTED;
    CameraControl& c = m_controls[index];
    if (value < c.minimum || value > c.maximum) return E_INVALIDARG;
    if (flags != kAuto && flags != kManual) return E_INVALIDARG;
    c.value = value;
    if (c.capsFlags & flags) c.flags = flags;
    return S_OK;
}
