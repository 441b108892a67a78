// Source operations of the scripting core, routed to the TWAIN layer or to the webcam facade by
// the supported device type (which sources the page sees) and the current device type (which
// kind the current source is).
#include <cstring>

#include "core/browser_addon_base.h"
#include "core/select_source_dialog.h"
#include "base/error_codes.h"

namespace {

enum DeviceType : LONG { kTwainDevice = 0, kWebcamDevice = 1, kBothDevices = 2 };

// Source names are at most 33 characters; a double-byte character is never split.
void CopySourceName(char (&name)[34], const char* text) {
    memset(name, 0, sizeof(name));
    if (!text) return;
    size_t n = 0;
    while (text[n] && n < sizeof(name) - 1) {
        size_t width = IsDBCSLeadByte(static_cast<BYTE>(text[n])) && text[n + 1] ? 2 : 1;
        if (n + width > sizeof(name) - 1) break;
        n += width;
    }
    memcpy(name, text, n);
}

// A name in a block of the webcam facade, freed here.
void TakeWebcamName(char (&name)[34], char* block) {
    CopySourceName(name, block);
    if (block) GlobalFree(block);
}

// A name the webcam facade reads into a new block: 0, or -2121 when it could not.
LONG ReadWebcamName(WebCamManager& webcam, bool (WebCamManager::*read)(char*&), char (&name)[34]) {
    char* block = nullptr;
    if (!(webcam.*read)(block)) return kErrCustom2121;
    TakeWebcamName(name, block);
    return 0;
}

}  // namespace

BOOL CBrowserAddOnBase::FailWebcam() {
    char* text = m_webcam.GetErrorString();
    m_errorTexts.SetCustomText(text);
    if (text) GlobalFree(text);
    SetErrorCode(kErrCustom2121);
    return FALSE;
}

BOOL CBrowserAddOnBase::HandTextToScript(void* scriptString, const char* text, LONG failure) {
    BOOL handed = SetScriptString(scriptString, text ? text : "", TRUE);
    if (failure == kErrCustom2121) return FailWebcam();
    if (failure != 0) {
        SetErrorCode(failure);
        return FALSE;
    }
    return handed;
}

bool CBrowserAddOnBase::RequireWebcamCurrent(LONG refusal) {
    SetErrorCode(0);
    if (m_currentDeviceType == kWebcamDevice) return true;
    SetErrorCode(refusal);
    return false;
}

LONG CBrowserAddOnBase::TwainSourceCount() {
    LONG count = GetDataSourceCount();
    // No source manager on this machine: simply no TWAIN sources.
    SetErrorCode(0);
    return count > 0 ? count : 0;
}

LONG CBrowserAddOnBase::WebcamCount() {
    int count = 0;
    return m_webcam.GetSourceCount(count) && count > 0 ? count : 0;
}

BOOL CBrowserAddOnBase::SetSupportedDeviceType(LONG type) {
    SetErrorCode(0);
    if (type < kTwainDevice || type > kBothDevices) {
        SetErrorCode(kErrWrongDeviceType);
        return FALSE;
    }
    m_supportedDeviceType = type;
    if (type != kBothDevices) m_currentDeviceType = type;
    return TRUE;
}

BOOL CBrowserAddOnBase::SelectTwainSourceAt(LONG index) {
    // Checked before the TWAIN layer is asked: it would close the open source first.
    LONG count = GetDataSourceCount();
    if (count <= 0 && GetErrorCode() != 0) return FALSE;
    if (index < 0 || index >= count) {
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    if (!CTwainBase::SelectSourceByIndex(static_cast<int>(index))) return FALSE;
    m_currentDeviceType = kTwainDevice;
    return TRUE;
}

bool CBrowserAddOnBase::RefuseWhileWebcamAcquires() {
    if (!m_webcam.Acquiring()) return false;
    SetErrorCode(kErrSourceBusy);
    return true;
}

BOOL CBrowserAddOnBase::SelectWebcamAt(LONG index) {
    if (RefuseWhileWebcamAcquires()) return FALSE;
    if (!m_webcam.SelectSourceByIndex(static_cast<int>(index), m_ownerWindowCore)) return FailWebcam();
    m_currentDeviceType = kWebcamDevice;
    return TRUE;
}

BOOL CBrowserAddOnBase::RoutedSelectSourceByIndex(LONG index) {
    SetErrorCode(0);
    switch (m_supportedDeviceType) {
        case kTwainDevice: return SelectTwainSourceAt(index);
        case kWebcamDevice: return SelectWebcamAt(index);
        case kBothDevices: {
            LONG twain = TwainSourceCount();
            if (twain <= 0) {
                SetErrorCode(kErrNoDevice);
                return FALSE;
            }
            if (index < 0 || index - twain >= WebcamCount()) {
                SetErrorCode(kErrInvalidIndex);
                return FALSE;
            }
            return index < twain ? SelectTwainSourceAt(index) : SelectWebcamAt(index - twain);
        }
        default: SetErrorCode(kErrWrongDeviceType); return FALSE;
    }
}

BOOL CBrowserAddOnBase::RoutedSelectSource() {
    SetErrorCode(0);
    LONG supported = m_supportedDeviceType;
    if (supported != kTwainDevice && supported != kWebcamDevice && supported != kBothDevices) {
        SetErrorCode(kErrWrongDeviceType);
        return FALSE;
    }
    if (supported == kTwainDevice || (supported == kBothDevices && WebcamCount() == 0)) {
        if (!CTwainBase::SelectSource()) return FALSE;
        m_currentDeviceType = kTwainDevice;
        return TRUE;
    }
    INT_PTR result = RunSelectSourceDialog(*this);
    if (result == kSourceSelected) return TRUE;
    if (result == IDCANCEL) {
        SetErrorCode(kErrUserCancelled);
    } else if (result != kSourceSelectionFailed) {
        // The dialog could not be shown.
        SetErrorCode(kErrGeneralFailure);
    }
    return FALSE;
}

LONG CBrowserAddOnBase::RoutedSourceCount() {
    SetErrorCode(0);
    switch (m_supportedDeviceType) {
        case kTwainDevice: return GetDataSourceCount();
        case kWebcamDevice: {
            int count = 0;
            if (!m_webcam.GetSourceCount(count)) return FailWebcam();
            return count;
        }
        case kBothDevices: {
            LONG twain = TwainSourceCount();
            return twain + WebcamCount();
        }
        default: SetErrorCode(kErrWrongDeviceType); return 0;
    }
}

LONG CBrowserAddOnBase::SourceNameAt(LONG index, char (&name)[34]) {
    memset(name, 0, sizeof(name));
    LONG supported = m_supportedDeviceType;
    bool twain = supported == kTwainDevice;
    if (supported == kBothDevices) {
        LONG twainCount = TwainSourceCount();
        twain = index < twainCount;
        if (!twain) index -= twainCount;
    } else if (supported != kWebcamDevice && !twain) {
        return kErrWrongDeviceType;
    }
    if (index < 0) return kErrInvalidIndex;
    if (twain) {
        const char* text = GetDataSourceName(static_cast<int>(index));
        if (!text) return GetErrorCode() != 0 ? GetErrorCode() : kErrInvalidIndex;
        CopySourceName(name, text);
        return 0;
    }
    char* block = nullptr;
    if (!m_webcam.GetSourceNameItems(static_cast<int>(index), block)) return kErrCustom2121;
    TakeWebcamName(name, block);
    return 0;
}

BOOL CBrowserAddOnBase::RoutedSourceNameItems(LONG index, void* scriptString) {
    SetErrorCode(0);
    char name[34];
    LONG failure = SourceNameAt(index, name);
    return HandTextToScript(scriptString, name, failure);
}

BOOL CBrowserAddOnBase::RoutedDefaultSourceName(void* scriptString) {
    SetErrorCode(0);
    char name[34] = {};
    LONG failure = 0;
    if (m_currentDeviceType == kTwainDevice) {
        GetDefaultSourceName(name);
        failure = GetErrorCode();
    } else if (m_currentDeviceType == kWebcamDevice) {
        failure = ReadWebcamName(m_webcam, &WebCamManager::GetDefaultSourceName, name);
    } else {
        failure = kErrWrongDeviceType;
    }
    return HandTextToScript(scriptString, name, failure);
}

BOOL CBrowserAddOnBase::RoutedCurrentSourceName(void* scriptString) {
    SetErrorCode(0);
    char name[34] = {};
    LONG failure = 0;
    if (m_currentDeviceType == kTwainDevice) {
        CopySourceName(name, SourceIdentity().ProductName);
    } else if (m_currentDeviceType == kWebcamDevice) {
        failure = ReadWebcamName(m_webcam, &WebCamManager::GetCurrentSourceName, name);
    } else {
        failure = kErrWrongDeviceType;
    }
    return HandTextToScript(scriptString, name, failure);
}

BOOL CBrowserAddOnBase::RoutedOpenSourceManager() {
    SetErrorCode(0);
    if (m_currentDeviceType == kTwainDevice) return CTwainBase::OpenSourceManager();
    if (m_currentDeviceType == kWebcamDevice) return TRUE;
    SetErrorCode(kErrWrongDeviceType);
    return FALSE;
}

BOOL CBrowserAddOnBase::RouteToCurrent(BOOL (CTwainBase::*twain)(), bool (WebCamManager::*webcam)()) {
    SetErrorCode(0);
    if (m_currentDeviceType == kTwainDevice) return (this->*twain)();
    if (m_currentDeviceType == kWebcamDevice) return (m_webcam.*webcam)() ? TRUE : FailWebcam();
    SetErrorCode(kErrWrongDeviceType);
    return FALSE;
}

BOOL CBrowserAddOnBase::RoutedOpenSource() { return RouteToCurrent(&CTwainBase::OpenSource, &WebCamManager::OpenSource); }

BOOL CBrowserAddOnBase::RoutedEnableSource() {
    if (m_currentDeviceType == kWebcamDevice && RefuseWhileWebcamAcquires()) return FALSE;
    return RouteToCurrent(&CTwainBase::EnableSource, &WebCamManager::EnableSource);
}

BOOL CBrowserAddOnBase::RoutedCloseSource() {
    if (m_currentDeviceType == kWebcamDevice && RefuseWhileWebcamAcquires()) return FALSE;
    return RouteToCurrent(&CTwainBase::CloseSource, &WebCamManager::CloseSource);
}

void CBrowserAddOnBase::SetRoutedShowUI(LONG value) {
    SetErrorCode(0);
    SetShowUI(value);
    m_webcam.SetShowUI(value == 1);
}

BOOL CBrowserAddOnBase::GetRoutedShowUI() {
    SetErrorCode(0);
    if (m_currentDeviceType == kWebcamDevice) return m_webcam.ShowUI() ? TRUE : FALSE;
    return GetShowUI() ? TRUE : FALSE;
}

BOOL CBrowserAddOnBase::SetVideoContainer(HWND window) {
    if (!RequireWebcamCurrent(kErrWrongDeviceType)) return FALSE;
    if (RefuseWhileWebcamAcquires()) return FALSE;
    return m_webcam.SetVideoContainer(window) ? TRUE : FailWebcam();
}

BOOL CBrowserAddOnBase::DisplayPropertyPage(HWND owner) {
    if (!RequireWebcamCurrent(kErrWrongDeviceType)) return FALSE;
    return m_webcam.DisplayPropertyPage(owner) ? TRUE : FailWebcam();
}

// The webcam format lists. A count, number or text of 0 or null is the webcam's failure.

template <typename Read>
LONG CBrowserAddOnBase::WebcamListNumber(Read read) {
    if (!RequireWebcamCurrent(kErrPropertyNotForDevice)) return 0;
    LONG number = static_cast<LONG>(read(m_webcam));
    return number != 0 ? number : FailWebcam();
}

LONG CBrowserAddOnBase::MediaTypeListCount() {
    return WebcamListNumber([](WebCamManager& w) { return w.GetMediaTypeListCount(); });
}

LONG CBrowserAddOnBase::ResolutionForCamListCount() {
    return WebcamListNumber([](WebCamManager& w) { return w.GetResolutionForCamListCount(); });
}

LONG CBrowserAddOnBase::FrameRateListCount() {
    return WebcamListNumber([](WebCamManager& w) { return w.GetFrameRateListCount(); });
}

LONG CBrowserAddOnBase::GetFrameRateByIndex(LONG index) {
    return WebcamListNumber([index](WebCamManager& w) { return w.GetFrameRateByIndex(static_cast<int>(index)); });
}

LONG CBrowserAddOnBase::FrameRate() {
    return WebcamListNumber([](WebCamManager& w) { return w.GetFrameRate(); });
}

// A page handler of an acquisition's own events may not change the format it grabs in.
BOOL CBrowserAddOnBase::SelectMediaTypeByIndex(LONG index) {
    if (RefuseWhileWebcamAcquires()) return FALSE;
    return WebcamListNumber([index](WebCamManager& w) { return w.SelectMediaTypeByIndex(static_cast<int>(index)); });
}

BOOL CBrowserAddOnBase::SelectResolutionForCamByIndex(LONG index) {
    if (RefuseWhileWebcamAcquires()) return FALSE;
    return WebcamListNumber(
        [index](WebCamManager& w) { return w.SelectResolutionForCamByIndex(static_cast<int>(index)); });
}

BOOL CBrowserAddOnBase::SelectFrameRateByIndex(LONG index) {
    if (RefuseWhileWebcamAcquires()) return FALSE;
    return WebcamListNumber([index](WebCamManager& w) { return w.SelectFrameRateByIndex(static_cast<int>(index)); });
}

BOOL CBrowserAddOnBase::GetMediaTypeByIndex(LONG index, void* scriptString) {
    if (!RequireWebcamCurrent(kErrPropertyNotForDevice)) {
        return HandTextToScript(scriptString, "", kErrPropertyNotForDevice);
    }
    const char* text = m_webcam.GetMediaTypeByIndex(static_cast<int>(index));
    return HandTextToScript(scriptString, text, text ? 0L : LONG{kErrCustom2121});
}

BOOL CBrowserAddOnBase::MediaType(void* scriptString) {
    if (!RequireWebcamCurrent(kErrPropertyNotForDevice)) {
        return HandTextToScript(scriptString, "", kErrPropertyNotForDevice);
    }
    const char* text = m_webcam.GetMediaType();
    return HandTextToScript(scriptString, text, text ? 0L : LONG{kErrCustom2121});
}

BOOL CBrowserAddOnBase::GetResolutionForCamByIndex(LONG index, void* scriptString) {
    if (!RequireWebcamCurrent(kErrPropertyNotForDevice)) {
        return HandTextToScript(scriptString, "", kErrPropertyNotForDevice);
    }
    char* text = m_webcam.GetResolutionForCamByIndex(static_cast<int>(index));
    BOOL handed = HandTextToScript(scriptString, text, text ? 0L : LONG{kErrCustom2121});
    if (text) GlobalFree(text);
    return handed;
}

BOOL CBrowserAddOnBase::ResolutionForCam(void* scriptString) {
    if (!RequireWebcamCurrent(kErrPropertyNotForDevice)) {
        return HandTextToScript(scriptString, "", kErrPropertyNotForDevice);
    }
    char* text = m_webcam.GetResolutionForCam();
    BOOL handed = HandTextToScript(scriptString, text, text ? 0L : LONG{kErrCustom2121});
    if (text) GlobalFree(text);
    return handed;
}
