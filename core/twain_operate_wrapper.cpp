#include "core/twain_operate_wrapper.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/text_fit.h"

namespace {

// Truncation toward zero, saturated to the target's range.
template <typename T>
T TruncateTo(double v, double lo, double hi) {
    if (std::isnan(v)) return 0;
    return static_cast<T>(v < lo ? lo : v > hi ? hi : v);
}

// A capability text into its 256-byte field: at most longest bytes (255 at most), never half a
// double-byte character.
void StoreCapText(char (&field)[kCapStringSize], const char* text, size_t longest) {
    const size_t room = std::min<size_t>(longest, kCapStringSize - 1);
    const size_t length = text ? CutAtCharacter(text, strnlen(text, kCapStringSize), room) : 0;
    memmove(field, text ? text : "", length);
    field[length] = '\0';
}

}  // namespace

bool CTwainOperateWrapper::ReadOneValue(TW_UINT16 cap, bool current, double* v) {
    if (!SetCapability(cap)) return false;
    if (!(current ? CapGetCurrent() : CapGet())) return false;
    *v = CapArea().oneValue;
    return true;
}

BOOL CTwainOperateWrapper::GetShort(TW_UINT16 cap, SHORT* v) {
    double d;
    if (!ReadOneValue(cap, true, &d)) return FALSE;
    *v = TruncateTo<SHORT>(d, -32768, 32767);
    return TRUE;
}

BOOL CTwainOperateWrapper::GetFloat(TW_UINT16 cap, float* v) {
    double d;
    if (!ReadOneValue(cap, true, &d)) return FALSE;
    *v = static_cast<float>(d);
    return TRUE;
}

BOOL CTwainOperateWrapper::GetFlag(TW_UINT16 cap, BOOL* v) {
    double d;
    if (!ReadOneValue(cap, false, &d)) return FALSE;
    *v = d != 0.0 ? 1 : 0;
    return TRUE;
}

BOOL CTwainOperateWrapper::GetDuplex(LONG* v) {
    double d;
    if (!ReadOneValue(CAP_DUPLEX, false, &d)) return FALSE;
    *v = TruncateTo<LONG>(d, -2147483648.0, 2147483647.0);
    return TRUE;
}

BOOL CTwainOperateWrapper::SetValue(TW_UINT16 cap, double v) {
    if (!SetCapability(cap) || !SetCapType(TWON_ONEVALUE)) return FALSE;
    CapArea().oneValue = v;
    return CapSet();
}

BOOL CTwainOperateWrapper::SetResolution(float v) {
    if (!SetValue(ICAP_XRESOLUTION, v)) return FALSE;
    return SetValue(ICAP_YRESOLUTION, v);
}

BOOL CTwainOperateWrapper::GetIfAutoDiscardBlankpages(BOOL* v) {
    double d;
    if (!ReadOneValue(ICAP_AUTODISCARDBLANKPAGES, false, &d)) return FALSE;
    *v = d == TWBP_AUTO ? 1 : 0;
    return TRUE;
}

BOOL CTwainOperateWrapper::SetIfAutoDiscardBlankpages(LONG v) {
    return SetValue(ICAP_AUTODISCARDBLANKPAGES, v == 1 ? TWBP_AUTO : TWBP_DISABLE);
}

BOOL CTwainOperateWrapper::GenericBoolRead(TW_UINT16 cap, BOOL* v) {
    if (!SetCapability(cap) || !CapGet()) return FALSE;
    const TwainCapabilityArea& area = CapArea();
    if (area.conType == TWON_ONEVALUE) {
        *v = area.oneValue != 0.0 ? 1 : 0;
    } else if (area.conType == TWON_ENUMERATION) {
        *v = (area.enumCount == 1 && area.items[0] != 0.0) ? 1 : 0;
    }
    return TRUE;
}

BOOL CTwainOperateWrapper::GenericBoolWrite(TW_UINT16 cap, TW_UINT16 conType, LONG flag) {
    if (!SetCapability(cap) || !SetCapType(conType)) return FALSE;
    CapArea().oneValue = flag == 1 ? 1.0 : 0.0;
    return CapSet();
}

LONG CTwainOperateWrapper::GetDeviceType() {
    BOOL preview = 0;
    if (!GenericBoolRead(CAP_CAMERAPREVIEWUI, &preview)) preview = 0;
    BOOL feeder = 0;
    bool feederReadable = GenericBoolRead(CAP_FEEDERENABLED, &feeder) != FALSE;
    if (!feederReadable) feeder = 0;
    BOOL autoFeed = 0;
    bool autoFeedReadable = GenericBoolRead(CAP_AUTOFEED, &autoFeed) != FALSE;
    bool canEnable = SetIfFeederEnabled(1) != FALSE;
    bool canDisable = SetIfFeederEnabled(0) != FALSE;
    // Only a value that was read can be put back.
    if (feederReadable) SetIfFeederEnabled(feeder);
    if (!preview && feederReadable && canEnable) {
        if (canDisable) return autoFeedReadable ? 3 : 5;
        return autoFeedReadable ? 4 : 6;
    }
    return preview ? 1 : 2;
}

BOOL CTwainOperateWrapper::GetCapItems(LONG index, double* value) {
    SetErrorCode(0);
    if (index < 0 || index >= GetCapNumItems()) {
        *value = 0;
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    *value = CapArea().items[index];
    return TRUE;
}

BOOL CTwainOperateWrapper::SetCapItems(ULONG index, double value) {
    SetErrorCode(0);
    if (index >= static_cast<ULONG>(kMaxCapItems)) {
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    CapArea().items[index] = value;
    return TRUE;
}

BOOL CTwainOperateWrapper::GetCapItemsString(LONG index, const char** text) {
    SetErrorCode(0);
    if (index < 0 || index >= GetCapNumItems()) {
        *text = "";
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    char* item = CapArea().strings[index];
    item[kCapStringSize - 1] = '\0';
    *text = item;
    return TRUE;
}

BOOL CTwainOperateWrapper::SetCapItemsString(LONG index, const char* text, size_t longest) {
    SetErrorCode(0);
    if (index < 0 || index >= GetCapNumItems()) {
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    StoreCapText(CapArea().strings[index], text, longest);
    return TRUE;
}

void CTwainOperateWrapper::SetCapValueString(const char* text, size_t longest) {
    SetErrorCode(0);
    StoreCapText(CapArea().oneString, text, longest);
}

BOOL CTwainOperateWrapper::CapSetFrame(SHORT index, float left, float top, float right, float bottom) {
    SetErrorCode(0);
    TwainFrame frame = {left, top, right, bottom};
    if (CapArea().conType == TWON_ONEVALUE) {
        CapArea().oneFrame = frame;
        return TRUE;
    }
    if (index < 0 || index >= kMaxCapItems) {
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    CapArea().frames[index] = frame;
    return TRUE;
}

BOOL CTwainOperateWrapper::CapGetFrameMember(LONG index, int member, float* v) {
    SetErrorCode(0);
    const TwainFrame* frame = nullptr;
    if (CapArea().conType == TWON_ONEVALUE) {
        frame = &CapArea().oneFrame;
    } else if (index >= 0 && index < GetCapNumItems()) {
        frame = &CapArea().frames[index];
    } else {
        *v = 0;
        SetErrorCode(kErrInvalidIndex);
        return FALSE;
    }
    const float members[4] = {frame->left, frame->top, frame->right, frame->bottom};
    *v = members[member];
    return TRUE;
}
