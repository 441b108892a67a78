// The seven operations of the camera properties. Nothing is cached: every call asks the device.
#include "capture/webcam/webcam_manager.h"

namespace {
constexpr long kFlagAuto = 1, kFlagManual = 2;
}

bool WebCamManager::CheckProperty(CameraProperty property) {
    if (m_deviceCount < 1) return Fail(L"No camera device is found.");
    if (CameraPropertyInfoOf(property).cameraControl) {
        return m_cameraControl || Fail(L"The current webcam doesn't support IAMCameraControl interface.");
    }
    return m_procAmp || Fail(L"The current webcam doesn't support IAMVideoProcAmp interface.");
}

HRESULT WebCamManager::PropertyRange(CameraProperty p, long& min, long& max, long& step, long& def, long& caps) {
    const CameraPropertyInfo& info = CameraPropertyInfoOf(p);
    HRESULT hr = info.cameraControl ? m_cameraControl->GetRange(info.number, &min, &max, &step, &def, &caps)
                                    : m_procAmp->GetRange(info.number, &min, &max, &step, &def, &caps);
    if (FAILED(hr)) m_error.SetFromResult(hr);
    return hr;
}

HRESULT WebCamManager::PropertyGet(CameraProperty p, long& value, long& flags) {
    const CameraPropertyInfo& info = CameraPropertyInfoOf(p);
    HRESULT hr = info.cameraControl ? m_cameraControl->Get(info.number, &value, &flags)
                                    : m_procAmp->Get(info.number, &value, &flags);
    if (FAILED(hr)) m_error.SetFromResult(hr);
    return hr;
}

HRESULT WebCamManager::PropertySet(CameraProperty p, long value, long flags) {
    const CameraPropertyInfo& info = CameraPropertyInfoOf(p);
    HRESULT hr = info.cameraControl ? m_cameraControl->Set(info.number, value, flags)
                                    : m_procAmp->Set(info.number, value, flags);
    if (FAILED(hr)) m_error.SetFromResult(hr);
    return hr;
}

bool WebCamManager::GetCameraValue(CameraProperty property, long& value) {
    value = 0;
    long flags = 0;
    return CheckProperty(property) && SUCCEEDED(PropertyGet(property, value, flags));
}

bool WebCamManager::SetCameraValue(CameraProperty property, long value) {
    if (!CheckProperty(property)) return false;
    long min = 0, max = 0, step = 0, def = 0, caps = 0;
    if (FAILED(PropertyRange(property, min, max, step, def, caps))) return false;
    if (!IsValidCameraValue(value, min, max, step)) return Fail(L"Invalid value.");
    return SUCCEEDED(PropertySet(property, value, kFlagManual));
}

bool WebCamManager::GetCameraDefault(CameraProperty property, long& value) {
    value = 0;
    long min = 0, max = 0, step = 0, caps = 0;
    return CheckProperty(property) && SUCCEEDED(PropertyRange(property, min, max, step, value, caps));
}

bool WebCamManager::GetCameraRange(CameraProperty property, long& minimum, long& maximum) {
    minimum = maximum = 0;
    long step = 0, def = 0, caps = 0;
    return CheckProperty(property) && SUCCEEDED(PropertyRange(property, minimum, maximum, step, def, caps));
}

bool WebCamManager::GetCameraStep(CameraProperty property, long& step) {
    step = 0;
    long min = 0, max = 0, def = 0, caps = 0;
    return CheckProperty(property) && SUCCEEDED(PropertyRange(property, min, max, step, def, caps));
}

bool WebCamManager::ProbeAutomatic(CameraProperty property) {
    long value = 0, flags = 0;
    if (FAILED(PropertyGet(property, value, flags))) return false;
    if (flags == kFlagAuto) return true;
    // Try automatic mode with the same value; a device that refuses it has none.
    long probed = 0, probedFlags = 0;
    bool automatic = SUCCEEDED(PropertySet(property, value, kFlagAuto)) &&
                     SUCCEEDED(PropertyGet(property, probed, probedFlags)) && probedFlags == kFlagAuto;
    if (!automatic) return Fail(L"The property doesn't support auto capability.");
    PropertySet(property, value, flags);  // restore the mode it had
    return true;
}

bool WebCamManager::GetCameraAuto(CameraProperty property, bool& automatic) {
    automatic = false;
    if (!CheckProperty(property) || !ProbeAutomatic(property)) return false;
    long value = 0, flags = 0;
    if (FAILED(PropertyGet(property, value, flags))) return false;
    automatic = flags == kFlagAuto;
    return true;
}

bool WebCamManager::SetCameraAuto(CameraProperty property, bool automatic) {
    if (!CheckProperty(property) || !ProbeAutomatic(property)) return false;
    long min = 0, max = 0, step = 0, def = 0, caps = 0;
    if (FAILED(PropertyRange(property, min, max, step, def, caps))) return false;
    // Switching the mode also puts the device's default value back.
    return SUCCEEDED(PropertySet(property, def, automatic ? kFlagAuto : kFlagManual));
}
