// Transfers of the engine's root layer: the batch that follows MSG_XFERREADY in the native, file
// and memory mechanisms, the pending count and cancellation.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "capture/debug_log.h"
#include "capture/twain/memory_strip_image.h"
#include "capture/twain/twain_base.h"

namespace {

// The largest strip buffer the engine hands to a source, whatever it prefers.
constexpr TW_UINT32 kMaxStripBuffer = 16u << 20;
// Failed transfers in a row after which a batch stops even when the source reports more pages.
constexpr int kMaxFailedTransfersInRow = 3;

}  // namespace

BOOL CTwainBase::WriteTransferMechanism() {
    m_cap->capability = ICAP_XFERMECH;
    m_cap->conType = TWON_ONEVALUE;
    m_cap->oneValue = m_transferMode;
    if (!CapSet()) return FALSE;
    if (CapGet() && m_cap->conType == TWON_ONEVALUE && m_cap->oneValue >= TWSX_NATIVE &&
        m_cap->oneValue <= TWSX_MEMORY) {
        m_transferMode = static_cast<TW_UINT16>(m_cap->oneValue);
    }
    return TRUE;
}

BOOL CTwainBase::SetTransferMode(LONG mode) {
    if (mode < TWSX_NATIVE || mode > TWSX_MEMORY) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    m_transferMode = static_cast<TW_UINT16>(mode);
    SetErrorCode(0);
    if (m_sourceOpen) WriteTransferMechanism();
    return TRUE;
}

TW_UINT16 CTwainBase::GetTransferMode() {
    SetErrorCode(0);
    return m_transferMode;
}

BOOL CTwainBase::SetFileXferInfo(const char* fileName, LONG format) {
    if (!fileName || strnlen(fileName, 255) >= 255 || format < 0 || format > TWFF_EXIF) {
        SetErrorCode(kErrInvalidValue);
        return FALSE;
    }
    strcpy(m_fileSetup.FileName, fileName);
    m_fileSetup.Format = static_cast<TW_UINT16>(format);
    if (!m_sourceOpen) {
        SetErrorCode(kErrStateSequence);
        return FALSE;
    }
    return CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &m_fileSetup) ==
           TWRC_SUCCESS;
}

SHORT CTwainBase::GetPendingXfers() {
    SetErrorCode(0);
    return (m_sourceEnabled && m_transferState == 0) ? m_pendingTransfers : 0;
}

BOOL CTwainBase::CancelAllPendingTransfers() {
    if (DebugLogOn()) DebugLog(0, "CancelAllPendingXfersAsync\r\n");
    InterlockedCompareExchange(&m_transferState, 2, 0);
    return TRUE;
}

void CTwainBase::ResetPendingTransfers() {
    if (DebugLogOn()) DebugLog(0, "CancelAllPendingXfersInner\r\n");
    m_transferState = 3;
    TW_PENDINGXFERS pending = {};
    LONG saved = GetErrorCode();
    CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    SetErrorCode(saved);
    m_pendingTransfers = 0;
}

bool CTwainBase::EndTransfer() {
    TW_PENDINGXFERS pending = {};
    LONG saved = GetErrorCode();
    bool ok = CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) ==
              TWRC_SUCCESS;
    SetErrorCode(saved);
    m_pendingTransfers = ok ? static_cast<SHORT>(pending.Count) : 0;
    return ok;
}

void CTwainBase::PumpWaitingMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Not ours to take: the thread's own loop must still see it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (DebugLogOn()) DebugLog(0, "TransferImageNativeOrFile: dispatch message\r\n");
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void CTwainBase::ReadImageInfoAndLayout() {
    LONG saved = GetErrorCode();
    bool ok = CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &m_imageInfo) ==
              TWRC_SUCCESS;
    ok = ok && CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET,
                            &m_imageLayout) == TWRC_SUCCESS;
    if (!ok) ClearImageInfo();
    SetErrorCode(saved);
}

void CTwainBase::ClearImageInfo() {
    memset(&m_imageInfo, 0, sizeof(m_imageInfo));
    memset(&m_imageLayout, 0, sizeof(m_imageLayout));
}

void CTwainBase::ForgetTransferredImage() {
    ClearImageInfo();
    // The barcodes and magnetic data belong to the image just transferred: a cancelled or failed
    // transfer has none, and the previous image's must not be read as its.
    FreeExtendedInfo();
    m_extInfo.magneticType = 2;
}

void CTwainBase::RunTransferBatch() {
    switch (m_transferMode) {
        case TWSX_NATIVE: TransferNativeOrFile(); break;
        case TWSX_FILE:
            if (CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET,
                             &m_fileSetup) == TWRC_SUCCESS) {
                TransferNativeOrFile();
            }
            break;
        case TWSX_MEMORY: TransferMemory(); break;
        default: break;
    }
}

bool CTwainBase::GivingUp() const { return m_failedTransfersInRow >= kMaxFailedTransfersInRow; }

bool CTwainBase::RefuseDuringBatch() {
    if (!m_inBatch) return false;
    SetErrorCode(kErrSourceBusy);
    return true;
}

void CTwainBase::FinishBatch(bool mayDisable) {
    m_inBatch = FALSE;
    if (mayDisable && m_ifDisableSourceAfterAcquire == 1) DisableSource();
    OnPostAllTransfersInner();
    m_transferState = 1;
}

void CTwainBase::TransferNativeOrFile() {
    if (DebugLogOn()) DebugLog(0, "TransferImageNativeOrFile\r\n");
    m_pendingTransfers = -1;
    m_transferState = 0;
    m_inBatch = TRUE;
    OnPreAllTransfersInner();
    if (m_transferState == 2 || m_transferState == 3) {
        if (m_transferState == 2) ResetPendingTransfers();
        if (DebugLogOn()) DebugLog(0, "TransferImageNativeOrFile: cancelled\r\n");
        FinishBatch(true);
        return;
    }
    const bool native = m_transferMode == TWSX_NATIVE;
    m_failedTransfersInRow = 0;
    for (;;) {
        if (!m_thread->thread) PumpWaitingMessages();
        ReadImageInfoAndLayout();
        OnPreTransferInner();
        if (m_transferState == 2 || m_transferState == 3) {
            if (m_transferState == 2) ResetPendingTransfers();
            if (DebugLogOn()) DebugLog(0, "TransferImageNativeOrFile: cancelled\r\n");
            ForgetTransferredImage();
            FinishBatch(true);
            return;
        }
        TW_HANDLE dib = nullptr;
        TW_UINT16 rc = native ? CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_IMAGE, DAT_IMAGENATIVEXFER,
                                             MSG_GET, &dib)
                              : CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_IMAGE, DAT_IMAGEFILEXFER,
                                             MSG_GET, nullptr);
        bool extOk = rc == TWRC_XFERDONE ? ReadExtendedImageInfo() : true;
        bool endOk = EndTransfer();
        m_failedTransfersInRow = (rc == TWRC_XFERDONE || rc == TWRC_CANCEL) ? 0 : m_failedTransfersInRow + 1;
        if (rc == TWRC_CANCEL) {
            ForgetTransferredImage();
            OnTransferCancelledInner();
        } else if (rc != TWRC_XFERDONE) {
            ForgetTransferredImage();
            OnTransferErrorInner();
        } else {
            if (native && reinterpret_cast<UINT_PTR>(dib) >= 32) OnBitmapAcquiredInner(static_cast<HGLOBAL>(dib));
            // Extended information the engine refused is a failed transfer of what the page asked
            // for; the image itself is kept.
            if (extOk) {
                OnPostTransferInner();
            } else {
                OnTransferErrorInner();
            }
        }
        if (m_pendingTransfers != 0 && m_transferState != 3 && endOk && !GivingUp()) continue;
        if (m_transferState == 2 || (m_pendingTransfers != 0 && endOk)) ResetPendingTransfers();
        FinishBatch(true);
        return;
    }
}

void CTwainBase::TransferMemory() {
    if (DebugLogOn()) DebugLog(0, "TransferImageMemory\r\n");
    m_pendingTransfers = -1;
    m_transferState = 0;
    m_inBatch = TRUE;
    OnPreAllTransfersInner();
    m_failedTransfersInRow = 0;
    bool more = true;
    while (more) {
        if (m_transferState == 2 || m_transferState == 3) break;
        if (!m_thread->thread) PumpWaitingMessages();
        ReadImageInfoAndLayout();
        OnPreTransferInner();
        if (m_transferState == 2 || m_transferState == 3) {
            ForgetTransferredImage();
            break;
        }
        more = TransferOneMemoryImage();
    }
    if (m_transferState == 2 || (GivingUp() && m_pendingTransfers != 0)) ResetPendingTransfers();
    // A memory batch never disables the source.
    FinishBatch(false);
}

bool CTwainBase::ReadCurrentOneValue(TW_UINT16 capability, double* value) {
    TW_CAPABILITY cap = {};
    cap.Cap = capability;
    cap.ConType = TWON_DONTCARE16;
    LONG saved = GetErrorCode();
    bool ok = CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &cap) ==
              TWRC_SUCCESS;
    SetErrorCode(saved);
    if (!ok || !cap.hContainer) return false;
    void* block = GlobalLock(cap.hContainer);
    if (block) {
        ok = DecodeOneValueNumber(cap.ConType, static_cast<const uint8_t*>(block), GlobalSize(cap.hContainer), value);
        GlobalUnlock(cap.hContainer);
    } else {
        ok = false;
    }
    GlobalFree(cap.hContainer);
    return ok;
}

// One image of a memory batch; true when the batch goes on with the next one.
bool CTwainBase::TransferOneMemoryImage() {
    // A failure before the strips began: the image is dropped and the source's pending
    // transfers reset, so it returns to the enabled state and the batch ends cleanly.
    auto failBeforeStrips = [&](LONG code) {
        if (code) SetErrorCode(code);
        ForgetTransferredImage();
        OnTransferErrorInner();
        LONG saved = GetErrorCode();
        ResetPendingTransfers();
        SetErrorCode(saved);
        return false;
    };
    TW_IMAGEINFO info = {};
    if (CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) != TWRC_SUCCESS) {
        return failBeforeStrips(0);
    }
    TW_SETUPMEMXFER setup = {};
    if (CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) !=
        TWRC_SUCCESS) {
        return failBeforeStrips(0);
    }
    TW_UINT32 stripSize = std::min(setup.Preferred ? setup.Preferred : setup.MaxBufSize, kMaxStripBuffer);
    if (stripSize == 0) return failBeforeStrips(TWCC_BADVALUE);

    LONG xPels = 0, yPels = 0;
    double unit = 0;
    if (ReadCurrentOneValue(ICAP_UNITS, &unit)) {
        double factor = unit == TWUN_INCHES ? 100 / 2.54 : unit == TWUN_CENTIMETERS ? 100 : 0;
        double x = Fix32ToFloat(info.XResolution) * factor, y = Fix32ToFloat(info.YResolution) * factor;
        if (x > 0 && x < 2147483647.0) xPels = static_cast<LONG>(x);
        if (y > 0 && y < 2147483647.0) yPels = static_cast<LONG>(y);
    }

    RGBQUAD colors[256] = {};
    uint32_t paletteColors = 0;
    if (info.PixelType == TWPT_BW) {
        double flavor = TWPF_CHOCOLATE;
        bool vanilla = ReadCurrentOneValue(ICAP_PIXELFLAVOR, &flavor) && flavor != TWPF_CHOCOLATE;
        BYTE first = vanilla ? 255 : 0;
        colors[0] = {first, first, first, 0};
        colors[1] = {BYTE(255 - first), BYTE(255 - first), BYTE(255 - first), 0};
    } else if (info.PixelType == TWPT_GRAY) {
        int step = info.BitsPerPixel == 4 ? 17 : 1;
        for (int i = 0; i < 256; ++i) colors[i] = {BYTE(i * step), BYTE(i * step), BYTE(i * step), 0};
    } else if (info.PixelType != TWPT_RGB) {
        TW_PALETTE8 palette = {};
        LONG saved = GetErrorCode();
        if (CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette) ==
            TWRC_SUCCESS) {
            // A count beyond the 256 entries of the record is refused below, never read.
            paletteColors = palette.NumColors > 256 ? 0x10000 : palette.NumColors;
            for (uint32_t i = 0; i < std::min<uint32_t>(paletteColors, 256); ++i) {
                colors[i] = {palette.Colors[i].Channel3, palette.Colors[i].Channel2, palette.Colors[i].Channel1, 0};
            }
        } else {
            for (int i = 0; i < 256; ++i) colors[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
        }
        SetErrorCode(saved);
    }
    int colorCount = MemoryImageColorCount(info.PixelType, info.BitsPerPixel, paletteColors);
    if (colorCount < 0) return failBeforeStrips(TWCC_BADVALUE);

    MemoryStripImage image;
    LONG created = image.Create(info, colors, static_cast<uint32_t>(colorCount), xPels, yPels);
    if (created != 0) return failBeforeStrips(created);
    std::unique_ptr<uint8_t[]> strip(new (std::nothrow) uint8_t[stripSize]);
    if (!strip) return failBeforeStrips(TWCC_LOWMEMORY);

    // More strips than rows (plus slack for empty ones) means the source does not finish.
    const uint64_t maxStrips = uint64_t(image.Layout().height) + 64;
    TW_UINT16 rc = TWRC_FAILURE;
    bool placed = true;
    for (uint64_t n = 0; n < maxStrips; ++n) {
        if (!m_thread->thread) PumpWaitingMessages();
        TW_IMAGEMEMXFER xfer = {};
        xfer.Compression = TWON_DONTCARE16;
        xfer.BytesPerRow = xfer.Columns = xfer.Rows = xfer.XOffset = xfer.YOffset = xfer.BytesWritten =
            TWON_DONTCARE32;
        xfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        xfer.Memory.Length = stripSize;
        xfer.Memory.TheMem = strip.get();
        rc = CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
        if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) break;
        if (!image.PlaceStrip(xfer, strip.get(), stripSize)) {
            placed = false;
            SetErrorCode(TWCC_BADVALUE);
            break;
        }
        if (rc == TWRC_XFERDONE) break;
    }
    if (rc == TWRC_XFERDONE && placed) {
        HGLOBAL dib = image.Release();
        bool extOk = ReadExtendedImageInfo();
        bool endOk = EndTransfer();
        OnBitmapAcquiredInner(dib);
        if (extOk) {
            OnPostTransferInner();
        } else {
            OnTransferErrorInner();
        }
        m_failedTransfersInRow = 0;
        return m_pendingTransfers != 0 && m_transferState != 3 && endOk;
    }
    bool cancelled = rc == TWRC_CANCEL && placed;
    if (placed && rc == TWRC_SUCCESS) SetErrorCode(TWCC_BADVALUE);  // strips without end
    bool endOk = EndTransfer();
    ForgetTransferredImage();
    if (cancelled) {
        m_failedTransfersInRow = 0;
        OnTransferCancelledInner();
    } else {
        ++m_failedTransfersInRow;
        OnTransferErrorInner();
    }
    return m_pendingTransfers != 0 && m_transferState != 3 && endOk && !GivingUp();
}
