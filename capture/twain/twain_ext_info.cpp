// Extended image information of a transferred image: barcodes and magnetic data. Everything the
// source returns here is checked: the counts, the item sizes and the blocks behind the items.
#include <algorithm>
#include <cstring>
#include <new>

#include "capture/debug_log.h"
#include "capture/twain/twain_base.h"

namespace {

// Beyond this a barcode count is not a page's but a hostile source's.
constexpr uint32_t kMaxBarcodes = 1000;
constexpr size_t kBarcodeTextSlot = 1024;
constexpr uint64_t kMaxMagneticData = 16u << 20;

constexpr TW_UINT16 kBarcodeIds[7] = {TWEI_BARCODETYPE, TWEI_BARCODETEXTLENGTH, TWEI_BARCODETEXT, TWEI_BARCODEX,
                                      TWEI_BARCODEY, TWEI_BARCODEROTATION, TWEI_BARCODECONFIDENCE};
constexpr TW_UINT16 kPageIds[12] = {TWEI_PIXELFLAVOR, TWEI_ENDORSEDTEXT, TWEI_BOOKNAME, TWEI_CHAPTERNUMBER,
                                    TWEI_DOCUMENTNUMBER, TWEI_PAGENUMBER, TWEI_PAGESIDE, TWEI_CAMERA,
                                    TWEI_FRAMENUMBER, TWEI_FRAME, TWEI_MAGTYPE, TWEI_MAGDATA};

// The array (0 X, 1 Y, 2 type, 3 confidence, 4 rotation, 5 text length) an id fills, or -1.
int BarcodeArrayOf(TW_UINT16 id) {
    switch (id) {
        case TWEI_BARCODEX: return 0;
        case TWEI_BARCODEY: return 1;
        case TWEI_BARCODETYPE: return 2;
        case TWEI_BARCODECONFIDENCE: return 3;
        case TWEI_BARCODEROTATION: return 4;
        case TWEI_BARCODETEXTLENGTH: return 5;
        default: return -1;
    }
}

// The bytes of an item: in the Item field when they fit 4 bytes, else in the block it names.
// The block is locked and must hold what the item declares (a handle item: its whole block).
struct ItemData {
    const uint8_t* bytes = nullptr;
    uint64_t size = 0;
    HGLOBAL locked = nullptr;
    ~ItemData() {
        if (locked) GlobalUnlock(locked);
    }
};

bool ItemInHandle(const TW_INFO& info) {
    return uint64_t{TwainItemSize(info.ItemType)} * info.NumItems > 4 || info.ItemType == TWTY_HANDLE;
}

bool GetItemData(const TW_INFO& info, ItemData& out) {
    uint64_t declared = uint64_t{TwainItemSize(info.ItemType)} * info.NumItems;
    if (!ItemInHandle(info)) {
        out.bytes = reinterpret_cast<const uint8_t*>(&info.Item);
        out.size = declared;
        return true;
    }
    auto handle = reinterpret_cast<HGLOBAL>(info.Item);
    if (!handle) return false;
    void* p = GlobalLock(handle);
    if (!p) return false;
    out.locked = handle;
    out.bytes = static_cast<const uint8_t*>(p);
    uint64_t blockSize = GlobalSize(handle);
    out.size = info.ItemType == TWTY_HANDLE ? blockSize : declared;
    return out.size <= blockSize;
}

LONG ReadItemValue(const uint8_t* p, TW_UINT16 type) {
    switch (type) {
        case TWTY_INT8: return static_cast<int8_t>(p[0]);
        case TWTY_UINT8: return p[0];
        case TWTY_INT16: { int16_t v; memcpy(&v, p, 2); return v; }
        case TWTY_UINT16:
        case TWTY_BOOL: { uint16_t v; memcpy(&v, p, 2); return v; }
        case TWTY_FIX32: { TW_FIX32 f; memcpy(&f, p, 4); return f.Whole; }
        default: { int32_t v; memcpy(&v, p, 4); return v; }
    }
}

}  // namespace

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
        if (ItemInHandle(item)) {
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
    const uint32_t n = count * 7 + 12;
    if (DebugLogOn()) DebugLog(0, "How may infos %d\r\n", n);
    const size_t requestBytes = offsetof(TW_EXTIMAGEINFO, Info) + size_t{n} * sizeof(TW_INFO);
    auto* request = static_cast<TW_EXTIMAGEINFO*>(calloc(1, requestBytes));
    if (!request) {
        SetErrorCode(TWCC_LOWMEMORY);
        return false;
    }
    request->NumInfos = n;
    for (uint32_t b = 0; b < count; ++b) {
        for (int k = 0; k < 7; ++k) request->Info[b * 7 + k].InfoID = kBarcodeIds[k];
    }
    for (int k = 0; k < 12; ++k) request->Info[count * 7 + k].InfoID = kPageIds[k];
    if (DebugLogOn()) DebugLog(0, "Barcode count %d\r\n", count);
    if (CallDSMEntry(&m_appIdentity, &m_sourceIdentity, DG_IMAGE, DAT_EXTIMAGEINFO, MSG_GET, request) != TWRC_SUCCESS) {
        if (DebugLogOn()) DebugLog(0, "DAT_EXTIMAGEINFO 2 not supported\r\n");
        free(request);
        SetErrorCode(savedError);
        return true;
    }

    bool allocated = true;
    if (count) {
        LONG** arrays[6] = {&m_extInfo.barcodeX, &m_extInfo.barcodeY, &m_extInfo.barcodeTypes,
                            &m_extInfo.barcodeConfidences, &m_extInfo.barcodeRotations, &m_extInfo.barcodeTextLengths};
        for (LONG** a : arrays) {
            *a = new (std::nothrow) LONG[count]();
            allocated = allocated && *a;
        }
        m_extInfo.barcodeTexts = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size_t{count} * kBarcodeTextSlot);
        allocated = allocated && m_extInfo.barcodeTexts;
        if (!allocated && DebugLogOn()) DebugLog(0, "Failed to allocate barcode memory %d:%d\r\n", count, 0);
    }
    LONG* arrays[6] = {m_extInfo.barcodeX, m_extInfo.barcodeY, m_extInfo.barcodeTypes,
                       m_extInfo.barcodeConfidences, m_extInfo.barcodeRotations, m_extInfo.barcodeTextLengths};
    uint32_t filled[6] = {};
    uint32_t texts = 0;
    bool sound = allocated;
    for (uint32_t i = 0; i < n; ++i) {
        TW_INFO& item = request->Info[i];
        if (DebugLogOn()) {
            DebugLog(0, "image info index:%d infoID:%d returnCode:%d itemtype:%d itemnums:%d\r\n", i, item.InfoID,
                     item.ReturnCode, item.ItemType, item.NumItems);
        }
        if (item.ReturnCode != TWRC_SUCCESS) continue;
        // The ids were ours: a source that renamed an item gets nothing kept from it.
        TW_UINT16 asked = i < count * 7 ? kBarcodeIds[i % 7] : kPageIds[i - count * 7];
        ItemData data;
        bool readable = item.InfoID == asked && GetItemData(item, data);
        if (!readable) sound = false;
        if (readable && allocated) {
            int array = BarcodeArrayOf(item.InfoID);
            uint32_t valueSize = TwainItemSize(item.ItemType);
            if (array >= 0) {
                for (uint32_t v = 0; v < item.NumItems && filled[array] < count; ++v) {
                    arrays[array][filled[array]++] = ReadItemValue(data.bytes + uint64_t{v} * valueSize, item.ItemType);
                }
            } else if (item.InfoID == TWEI_BARCODETEXT && texts < count) {
                char* slot = static_cast<char*>(m_extInfo.barcodeTexts) + size_t{texts++} * kBarcodeTextSlot;
                size_t len = strnlen(reinterpret_cast<const char*>(data.bytes),
                                     static_cast<size_t>(std::min<uint64_t>(data.size, kBarcodeTextSlot - 2)));
                memcpy(slot, data.bytes, len);
                if (DebugLogOn()) DebugLog(0, "barcode text:%s, index:%d\r\n", slot, texts - 1);
            }
        }
        if (readable && item.InfoID == TWEI_MAGTYPE) {
            uint32_t valueSize = TwainItemSize(item.ItemType);
            for (uint32_t v = 0; v < item.NumItems; ++v) {
                m_extInfo.magneticType = static_cast<WORD>(ReadItemValue(data.bytes + uint64_t{v} * valueSize, item.ItemType));
            }
        }
        if (readable && item.InfoID == TWEI_MAGDATA) {
            uint64_t len = 0;
            if (item.ItemType >= TWTY_STR32 && item.ItemType <= TWTY_UNI512) {
                len = strnlen(reinterpret_cast<const char*>(data.bytes), static_cast<size_t>(data.size));
            } else if (item.ItemType == TWTY_HANDLE) {
                len = data.size;
            }
            if (len && len < kMaxMagneticData) {
                if (m_extInfo.magneticData) GlobalFree(m_extInfo.magneticData);
                m_extInfo.magneticData = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(len + 4));
                if (m_extInfo.magneticData) memcpy(m_extInfo.magneticData, data.bytes, static_cast<size_t>(len));
            }
        }
        if (data.locked) {
            GlobalUnlock(data.locked);
            data.locked = nullptr;
        }
        // An item answered with success whose data did not fit the Item field came in a block
        // the source allocated for us: ours to free, whatever it holds (also nothing at all).
        // Items without success were skipped above: their Item is not ours.
        if (item.Item && ItemInHandle(item)) {
            GlobalFree(reinterpret_cast<HGLOBAL>(item.Item));
            item.Item = 0;
        }
    }
    free(request);
    if (!allocated) {
        FreeExtendedInfo();
        SetErrorCode(TWCC_LOWMEMORY);
        return false;
    }
    m_extInfo.barcodeCount = static_cast<LONG>(count);
    if (!sound) {
        SetErrorCode(TWCC_BADVALUE);
        return false;
    }
    SetErrorCode(savedError);
    return true;
}
