// The settings behind the test camera's IAMVideoProcAmp (ten) and IAMCameraControl (seven).
#pragma once

#include "platform/directshow/directshow.h"

struct CameraControl {
    long minimum, maximum, step, defaultValue;
    long capsFlags;  // 1 automatic possible, 2 manual possible
    long value, flags;
};

class CameraControls {
public:
    CameraControls();
    // Index 0..9 amplifier, 10..16 camera control.
    HRESULT GetRange(int index, long* min, long* max, long* step, long* def, long* caps) const;
    HRESULT Get(int index, long* value, long* flags) const;
    // Out-of-range values are refused; an automatic flag the setting cannot take is ignored.
    HRESULT Set(int index, long value, long flags);

    static constexpr int kProcAmpCount = 10;
    static constexpr int kCameraControlCount = 7;

private:
    CameraControl m_controls[kProcAmpCount + kCameraControlCount];
};
