#include "capture/twain/ext_image_info_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "capture/twain/twain_capability_area.h"

namespace {

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
    ItemData() = default;
    ItemData(const ItemData&) = delete;
    ItemData& operator=(const ItemData&) = delete;
    ~ItemData() {
        if (locked) GlobalUnlock(locked);
    }
};

bool GetItemData(const TW_INFO& info, ItemData& out) {
    uint64_t declared = uint64_t{TwainItemSize(info.ItemType)} * info.NumItems;
    if (!ExtendedInfoItemInHandle(info)) {
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

// One value of an item, reading no more than the item size: a type the engine does not know (a
// handle, or a number beyond the defined types) gives the value of its first bytes.
LONG ReadItemValue(const uint8_t* p, TW_UINT16 type, uint32_t size) {
    switch (type) {
        case TWTY_INT8: return static_cast<int8_t>(p[0]);
        case TWTY_UINT8: return p[0];
        case TWTY_INT16: { int16_t v; memcpy(&v, p, 2); return v; }
        case TWTY_UINT16:
        case TWTY_BOOL: { uint16_t v; memcpy(&v, p, 2); return v; }
        case TWTY_FIX32: { TW_FIX32 f; memcpy(&f, p, 4); return f.Whole; }
        case TWTY_INT32:
        case TWTY_UINT32: { int32_t v; memcpy(&v, p, 4); return v; }
        default: {
            int32_t v = 0;
            memcpy(&v, p, std::min<uint32_t>(size, 4));
            return v;
        }
    }
}

}  // namespace

void FreeExtendedImageInfo(TwainExtendedInfo& info) {
    LONG** arrays[] = {&info.barcodeTypes, &info.barcodeRotations, &info.barcodeConfidences,
                       &info.barcodeX, &info.barcodeY, &info.barcodeTextLengths};
    for (LONG** a : arrays) {
        delete[] *a;
        *a = nullptr;
    }
    if (info.barcodeTexts) GlobalFree(info.barcodeTexts);
    if (info.magneticData) GlobalFree(info.magneticData);
    info.barcodeTexts = nullptr;
    info.magneticData = nullptr;
    info.barcodeCount = 0;
}

bool ExtendedInfoItemInHandle(const TW_INFO& info) {
    return uint64_t{TwainItemSize(info.ItemType)} * info.NumItems > 4 || info.ItemType == TWTY_HANDLE;
}

uint32_t ExtendedInfoItemCount(uint32_t barcodeCount) { return barcodeCount * 7 + 12; }

void FillExtendedInfoRequest(TW_INFO* items, uint32_t count) {
    for (uint32_t b = 0; b < count; ++b) {
        for (int k = 0; k < 7; ++k) items[b * 7 + k].InfoID = kBarcodeIds[k];
    }
    for (int k = 0; k < 12; ++k) items[count * 7 + k].InfoID = kPageIds[k];
}

LONG ReadExtendedInfoItems(const TW_INFO* items, uint32_t count, TwainExtendedInfo& info) {
    if (count > kMaxBarcodes) return TWCC_BADVALUE;
    if (count) {
        LONG** arrays[6] = {&info.barcodeX, &info.barcodeY, &info.barcodeTypes,
                            &info.barcodeConfidences, &info.barcodeRotations, &info.barcodeTextLengths};
        bool allocated = true;
        for (LONG** a : arrays) {
            *a = new (std::nothrow) LONG[count]();
            allocated = allocated && *a;
        }
        info.barcodeTexts = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size_t{count} * kBarcodeTextSlot);
        if (!allocated || !info.barcodeTexts) {
            FreeExtendedImageInfo(info);
            return TWCC_LOWMEMORY;
        }
    }
    LONG* arrays[6] = {info.barcodeX, info.barcodeY, info.barcodeTypes,
                       info.barcodeConfidences, info.barcodeRotations, info.barcodeTextLengths};
    uint32_t filled[6] = {};
    uint32_t texts = 0;
    bool sound = true;
    const uint32_t n = ExtendedInfoItemCount(count);
    for (uint32_t i = 0; i < n; ++i) {
        const TW_INFO& item = items[i];
        if (item.ReturnCode != TWRC_SUCCESS) continue;
        // The ids were ours: a source that renamed an item gets nothing kept from it.
        TW_UINT16 asked = i < count * 7 ? kBarcodeIds[i % 7] : kPageIds[i - count * 7];
        ItemData data;
        if (item.InfoID != asked || !GetItemData(item, data)) {
            sound = false;
            continue;
        }
        // The values the item holds: its count, but no more than its bytes (a handle item's
        // count says nothing about its block).
        const uint32_t valueSize = TwainItemSize(item.ItemType);
        const uint64_t values = std::min<uint64_t>(item.NumItems, data.size / valueSize);
        const int array = BarcodeArrayOf(item.InfoID);
        if (array >= 0) {
            for (uint64_t v = 0; v < values && filled[array] < count; ++v) {
                arrays[array][filled[array]++] = ReadItemValue(data.bytes + v * valueSize, item.ItemType, valueSize);
            }
        } else if (item.InfoID == TWEI_BARCODETEXT && texts < count) {
            char* slot = static_cast<char*>(info.barcodeTexts) + size_t{texts++} * kBarcodeTextSlot;
            size_t len = strnlen(reinterpret_cast<const char*>(data.bytes),
                                 static_cast<size_t>(std::min<uint64_t>(data.size, kBarcodeTextSlot - 2)));
            memcpy(slot, data.bytes, len);
        } else if (item.InfoID == TWEI_MAGTYPE) {
            for (uint64_t v = 0; v < values; ++v) {
                info.magneticType = static_cast<WORD>(ReadItemValue(data.bytes + v * valueSize, item.ItemType, valueSize));
            }
        } else if (item.InfoID == TWEI_MAGDATA) {
            uint64_t len = 0;
            // Text of the single-byte string types; a wide string (TWTY_UNI512) is not taken.
            if (item.ItemType >= TWTY_STR32 && item.ItemType <= TWTY_STR1024) {
                len = strnlen(reinterpret_cast<const char*>(data.bytes), static_cast<size_t>(data.size));
            } else if (item.ItemType == TWTY_HANDLE) {
                len = data.size;
            }
            if (len && len < kMaxMagneticData) {
                if (info.magneticData) GlobalFree(info.magneticData);
                info.magneticData = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(len + 4));
                if (info.magneticData) memcpy(info.magneticData, data.bytes, static_cast<size_t>(len));
            }
        }
    }
    info.barcodeCount = static_cast<LONG>(count);
    return sound ? 0 : TWCC_BADVALUE;
}
