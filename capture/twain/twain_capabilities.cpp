// The generic capability protocol of the engine's root layer and the image layout (scan frame).
#include <algorithm>
#include <cstring>

#include "capture/debug_log.h"
#include "capture/twain/twain_base.h"

namespace {

// Locks a container that the source handed over and decodes it; null or unreadable blocks fail.
bool DecodeReturnedContainer(TW_UINT16 conType, HGLOBAL container, TwainCapabilityArea& area, LONG* error) {
    void* block = container ? GlobalLock(container) : nullptr;
    if (!block) {
        *error = TWCC_LOWMEMORY;
        return false;
    }
    bool ok = DecodeCapabilityContainer(conType, static_cast<const uint8_t*>(block), GlobalSize(container), area);
    GlobalUnlock(container);
    if (!ok) *error = TWCC_BUMMER;
    return ok;
}

}  // namespace

BOOL CTwainBase::CapTest() {
    if (!m_sourceOpen) {
        SetErrorCode(kErrStateSequence);
        return FALSE;
    }
    // Memory transfers deliver uncompressed strips only.
    if (m_transferMode == TWSX_MEMORY && m_cap->capability == ICAP_COMPRESSION) return FALSE;
    return TRUE;
}

BOOL CTwainBase::SetCapability(LONG id) {
    SetErrorCode(0);
    if (id < 0 || id > 0xFFFF) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    TW_UINT16 previous = m_cap->capability;
    m_cap->capability = static_cast<TW_UINT16>(id);
    if (!CapTest()) {
        m_cap->capability = previous;
        return FALSE;
    }
    return TRUE;
}

LONG CTwainBase::GetCapability() {
    SetErrorCode(0);
    return m_cap->capability;
}

BOOL CTwainBase::SetCapType(LONG type) {
    if (type < TWON_ARRAY || type > TWON_RANGE) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    SetErrorCode(0);
    m_cap->conType = static_cast<TW_UINT16>(type);
    return TRUE;
}

BOOL CTwainBase::SetCapNumItems(LONG n) {
    if (n < 1 || n > kMaxCapItems) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    m_cap->arrayCount = m_cap->enumCount = static_cast<TW_UINT32>(n);
    SetErrorCode(0);
    return TRUE;
}

LONG CTwainBase::GetCapNumItems() {
    SetErrorCode(0);
    if (m_cap->conType == TWON_ARRAY) return static_cast<LONG>(std::min<TW_UINT32>(m_cap->arrayCount, kMaxCapItems));
    if (m_cap->conType == TWON_ENUMERATION) return static_cast<LONG>(std::min<TW_UINT32>(m_cap->enumCount, kMaxCapItems));
    return 0;
}

BOOL CTwainBase::CapGetByMsg(TW_UINT16 msg) {
    if (DebugLogOn()) DebugLog(0, "CapGetByMsg\r\n");
    if (!CapTest()) return FALSE;
    TW_CAPABILITY cap = {};
    cap.Cap = m_cap->capability;
    cap.ConType = TWON_DONTCARE16;
    cap.hContainer = nullptr;
    if (CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_CONTROL, DAT_CAPABILITY, msg, &cap) != TWRC_SUCCESS) {
        return FALSE;
    }
    m_cap->conType = cap.ConType;
    LONG error = 0;
    bool ok = DecodeReturnedContainer(cap.ConType, cap.hContainer, *m_cap, &error);
    if (cap.hContainer) GlobalFree(cap.hContainer);
    if (!ok) {
        SetErrorCode(error);
        return FALSE;
    }
    return TRUE;
}

BOOL CTwainBase::CapSet() {
    if (DebugLogOn()) DebugLog(0, "CapSet\r\n");
    if (!CapTest()) return FALSE;
    if (m_cap->conType < TWON_ARRAY || m_cap->conType > TWON_RANGE) {
        // Nothing to build (after a reset or a read of another container type).
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    TW_UINT16 itemType = CapabilityItemType(m_cap->capability, m_cap->itemType);
    HGLOBAL container = EncodeCapabilityContainer(*m_cap, itemType);
    if (!container) {
        SetErrorCode(TWCC_LOWMEMORY);
        return FALSE;
    }
    TW_CAPABILITY cap = {};
    cap.Cap = m_cap->capability;
    cap.ConType = m_cap->conType;
    cap.hContainer = container;
    TW_UINT16 rc = CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
    GlobalFree(container);
    if (rc != TWRC_SUCCESS) return FALSE;
    if (m_cap->capability == ICAP_XFERMECH && m_cap->conType == TWON_ONEVALUE && m_cap->oneValue >= TWSX_NATIVE &&
        m_cap->oneValue <= TWSX_MEMORY) {
        m_transferMode = static_cast<TW_UINT16>(m_cap->oneValue);
    }
    return TRUE;
}

BOOL CTwainBase::CapReset() {
    if (DebugLogOn()) DebugLog(0, "CapReSet\r\n");
    if (!CapTest()) return FALSE;
    TW_CAPABILITY cap = {};
    cap.Cap = m_cap->capability;
    cap.ConType = TWON_DONTCARE16;
    TW_UINT16 rc = CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_CONTROL, DAT_CAPABILITY, MSG_RESET, &cap);
    // The source answers with the reset value; the engine does not use it.
    if (rc == TWRC_SUCCESS && cap.hContainer) GlobalFree(cap.hContainer);
    return rc == TWRC_SUCCESS;
}

BOOL CTwainBase::CapIfSupported(LONG mask) {
    if (DebugLogOn()) DebugLog(0, "CapIfSupported\r\n");
    if (!CapTest()) return FALSE;
    TW_CAPABILITY cap = {};
    cap.Cap = m_cap->capability;
    cap.ConType = TWON_ONEVALUE;
    if (CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_CONTROL, DAT_CAPABILITY, MSG_QUERYSUPPORT, &cap) !=
        TWRC_SUCCESS) {
        return FALSE;
    }
    void* block = cap.hContainer ? GlobalLock(cap.hContainer) : nullptr;
    if (!block || GlobalSize(cap.hContainer) < sizeof(TW_ONEVALUE)) {
        if (block) GlobalUnlock(cap.hContainer);
        if (cap.hContainer) GlobalFree(cap.hContainer);
        SetErrorCode(TWCC_LOWMEMORY);
        return FALSE;
    }
    TW_ONEVALUE one;
    memcpy(&one, block, sizeof(one));
    GlobalUnlock(cap.hContainer);
    GlobalFree(cap.hContainer);
    return (one.Item & static_cast<TW_UINT32>(mask)) != 0;
}

BOOL CTwainBase::ImageLayoutCall(TW_UINT16 msg, float* left, float* top, float* right, float* bottom) {
    if (!m_sourceOpen && !OpenSource()) return FALSE;
    TW_IMAGELAYOUT layout = {};
    if (msg == MSG_SET) {
        layout.Frame.Left = FloatToFix32(*left);
        layout.Frame.Top = FloatToFix32(*top);
        layout.Frame.Right = FloatToFix32(*right);
        layout.Frame.Bottom = FloatToFix32(*bottom);
        layout.DocumentNumber = layout.PageNumber = layout.FrameNumber = 0xFFFFFFFF;
    }
    if (CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_IMAGE, DAT_IMAGELAYOUT, msg, &layout) != TWRC_SUCCESS) {
        return FALSE;
    }
    if (msg == MSG_GET || msg == MSG_GETDEFAULT) {
        *left = Fix32ToFloat(layout.Frame.Left);
        *top = Fix32ToFloat(layout.Frame.Top);
        *right = Fix32ToFloat(layout.Frame.Right);
        *bottom = Fix32ToFloat(layout.Frame.Bottom);
    }
    return TRUE;
}

BOOL CTwainBase::SetImageLayout(float left, float top, float right, float bottom) {
    return ImageLayoutCall(MSG_SET, &left, &top, &right, &bottom);
}

BOOL CTwainBase::GetImageLayout(float* left, float* top, float* right, float* bottom) {
    return ImageLayoutCall(MSG_GET, left, top, right, bottom);
}

BOOL CTwainBase::GetDefaultImageLayout(float* left, float* top, float* right, float* bottom) {
    return ImageLayoutCall(MSG_GETDEFAULT, left, top, right, bottom);
}

BOOL CTwainBase::ResetImageLayout() {
    float unused[4] = {};
    return ImageLayoutCall(MSG_RESET, &unused[0], &unused[1], &unused[2], &unused[3]);
}
