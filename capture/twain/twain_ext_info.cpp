// Extended image information of a transferred image: barcodes and magnetic data. The source is
// asked through the manager; what it returns is read by ReadExtendedInfoItems, which checks the
// counts, the item sizes and the blocks behind the items.
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "capture/debug_log.h"
#include "capture/twain/twain_base.h"

const char* CTwainBase::GetBarcodeText(LONG index) const {
    if (index < 0 || index >= m_extInfo.barcodeCount || !m_extInfo.barcodeTexts) return nullptr;
    return static_cast<const char*>(m_extInfo.barcodeTexts) + size_t(index) * kBarcodeTextSlot;
}

BOOL CTwainBase::GetBarcodeInfo(LONG kind, LONG index, LONG* value) const {
    LONG* const arrays[6] = {m_extInfo.barcodeX, m_extInfo.barcodeY, m_extInfo.barcodeTypes,
                             m_extInfo.barcodeConfidences, m_extInfo.barcodeRotations, m_extInfo.barcodeTextLengths};
    if (kind < 0 || kind > 5 || index < 0 || index >= m_extInfo.barcodeCount || !arrays[kind]) return FALSE;
    *value = arrays[kind][index];
    return TRUE;
}

bool CTwainBase::ReadExtendedImageInfo() {
    if (DebugLogOn()) DebugLog(0, "GetImageExtInfo\r\n");
    FreeExtendedInfo();
    m_extInfo.magneticType = 2;
    LONG savedError = GetErrorCode();

    TW_EXTIMAGEINFO probe = {};
    probe.NumInfos = 1;
    probe.Info[0].InfoID = TWEI_BARCODECOUNT;
    probe.Info[0].ItemType = TWTY_UINT32;
    if (CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_IMAGE, DAT_EXTIMAGEINFO, MSG_GET, &probe) != TWRC_SUCCESS) {
        if (DebugLogOn()) DebugLog(0, "DAT_EXTIMAGEINFO not supported\r\n");
        SetErrorCode(savedError);
        return true;
    }
    uint32_t count = 0;
    if (probe.Info[0].ReturnCode == TWRC_SUCCESS) {
        const TW_INFO& item = probe.Info[0];
        if (ExtendedInfoItemInHandle(item)) {
            // The count is one value; a block would be the source's to free.
            if (item.Item) GlobalFree(reinterpret_cast<HGLOBAL>(item.Item));
            count = 0;
        } else {
            count = static_cast<uint32_t>(item.Item);
        }
    }
    if (count > kMaxBarcodes) {
        SetErrorCode(TWCC_BADVALUE);
        return false;
    }
    const uint32_t n = ExtendedInfoItemCount(count);
    if (DebugLogOn()) DebugLog(0, "How may infos %d\r\n", n);
    const size_t requestBytes = offsetof(TW_EXTIMAGEINFO, Info) + size_t{n} * sizeof(TW_INFO);
    auto* request = static_cast<TW_EXTIMAGEINFO*>(calloc(1, requestBytes));
    if (!request) {
        SetErrorCode(TWCC_LOWMEMORY);
        return false;
    }
    request->NumInfos = n;
    FillExtendedInfoRequest(request->Info, count);
    if (DebugLogOn()) DebugLog(0, "Barcode count %d\r\n", count);
    if (CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_IMAGE, DAT_EXTIMAGEINFO, MSG_GET, request) != TWRC_SUCCESS) {
        if (DebugLogOn()) DebugLog(0, "DAT_EXTIMAGEINFO 2 not supported\r\n");
        free(request);
        SetErrorCode(savedError);
        return true;
    }

    const LONG read = ReadExtendedInfoItems(request->Info, count, m_extInfo);
    if (read == TWCC_LOWMEMORY && DebugLogOn()) DebugLog(0, "Failed to allocate barcode memory %d:%d\r\n", count, 0);
    for (uint32_t i = 0; i < n; ++i) {
        TW_INFO& item = request->Info[i];
        if (DebugLogOn()) {
            DebugLog(0, "image info index:%d infoID:%d returnCode:%d itemtype:%d itemnums:%d\r\n", i, item.InfoID,
                     item.ReturnCode, item.ItemType, item.NumItems);
        }
        if (item.ReturnCode != TWRC_SUCCESS) continue;
        // An item answered with success whose data did not fit the Item field came in a block
        // the source allocated for us: ours to free, whatever it holds (also nothing at all).
        // Items without success were skipped above: their Item is not ours.
        if (item.Item && ExtendedInfoItemInHandle(item)) {
            GlobalFree(reinterpret_cast<HGLOBAL>(item.Item));
            item.Item = 0;
        }
    }
    if (DebugLogOn() && read != TWCC_LOWMEMORY) {
        for (LONG b = 0; b < m_extInfo.barcodeCount; ++b) DebugLog(0, "barcode text:%s, index:%d\r\n", GetBarcodeText(b), b);
    }
    free(request);
    if (read == TWCC_LOWMEMORY) {
        FreeExtendedInfo();
        SetErrorCode(TWCC_LOWMEMORY);
        return false;
    }
    if (read != 0) {
        SetErrorCode(TWCC_BADVALUE);
        return false;
    }
    SetErrorCode(savedError);
    return true;
}

std::string CTwainBase::GetMagDataText() const {
    std::string text;
    HGLOBAL data = m_extInfo.magneticData;
    if (!data) return text;
    const SIZE_T size = GlobalSize(data);
    if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
        text.assign(bytes, strnlen(bytes, size));
        GlobalUnlock(data);
    }
    return text;
}
