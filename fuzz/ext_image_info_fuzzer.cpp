// Arbitrary bytes as the answer a TWAIN source gives to the engine's request for extended image
// information: the first byte is the barcode count, then for each item of the request its return
// code, id (kept or renamed), item type and count, and either the 4 bytes of its Item field or a
// block of a size and content taken from the input. The reader must keep within every block, cut
// every barcode text inside its slot and leave the blocks to their owner.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "capture/twain/ext_image_info_reader.h"

namespace {

class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint32_t Take(int bytes) {
        uint32_t v = 0;
        for (int i = 0; i < bytes && m_at < m_size; ++i) v |= uint32_t(m_data[m_at++]) << (8 * i);
        return v;
    }
    // Up to n bytes of the input (fewer at its end).
    size_t TakeBytes(uint8_t* out, size_t n) {
        size_t got = std::min(n, m_size - std::min(m_at, m_size));
        if (got) memcpy(out, m_data + m_at, got);
        m_at += got;
        return got;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) return 0;
    Input in(data, size);
    const uint32_t count = in.Take(1) % 9;
    const uint32_t n = ExtendedInfoItemCount(count);
    std::vector<TW_INFO> items(n);
    FillExtendedInfoRequest(items.data(), count);
    std::vector<HGLOBAL> blocks;
    for (TW_INFO& item : items) {
        const uint32_t head = in.Take(1);
        item.ReturnCode = (head & 7) == 7 ? TWRC_FAILURE : TWRC_SUCCESS;
        if ((head & 0x38) == 0x38) item.InfoID = static_cast<TW_UINT16>(in.Take(2));  // renamed by the source
        item.ItemType = static_cast<TW_UINT16>(in.Take(1) % 17);
        item.NumItems = static_cast<TW_UINT16>((head & 0x40) ? in.Take(2) : in.Take(1) % 4);
        if (!ExtendedInfoItemInHandle(item)) {
            item.Item = in.Take(4);
            continue;
        }
        if (head & 0x80) continue;  // a null handle
        const size_t blockSize = in.Take(2) % 4096;
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, blockSize);
        if (!block) abort();
        auto* p = static_cast<uint8_t*>(GlobalLock(block));
        in.TakeBytes(p, blockSize);
        GlobalUnlock(block);
        blocks.push_back(block);
        item.Item = reinterpret_cast<TW_UINTPTR>(block);
    }

    TwainExtendedInfo info = {};
    info.magneticType = 2;
    const LONG result = ReadExtendedInfoItems(items.data(), count, info);
    if (result != 0 && result != TWCC_BADVALUE) abort();
    if (info.barcodeCount != static_cast<LONG>(count)) abort();
    for (uint32_t b = 0; b < count; ++b) {
        const char* slot = static_cast<const char*>(info.barcodeTexts) + b * kBarcodeTextSlot;
        if (strnlen(slot, kBarcodeTextSlot) > kBarcodeTextSlot - 2) abort();
    }
    if (info.magneticData && GlobalSize(info.magneticData) < 5) abort();
    FreeExtendedImageInfo(info);
    // The blocks stay the source's: each is still whole and is freed here once.
    for (HGLOBAL block : blocks) GlobalFree(block);
    return 0;
}
