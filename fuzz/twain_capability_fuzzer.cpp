// Arbitrary bytes as a capability container that a TWAIN source hands back (first byte: the
// container type the source claims), decoded into the work area. Integer items decoded from an
// enumeration or array are encoded again and must decode to the same values.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "capture/twain/twain_capability_area.h"

namespace {

bool IsIntegerType(TW_UINT16 t) {
    return t == TWTY_INT8 || t == TWTY_UINT8 || t == TWTY_INT16 || t == TWTY_UINT16 || t == TWTY_INT32 ||
           t == TWTY_UINT32 || t == TWTY_BOOL;
}

// The container types the engine knows, and one it does not.
constexpr TW_UINT16 kContainerTypes[] = {TWON_ARRAY, TWON_ENUMERATION, TWON_ONEVALUE, TWON_RANGE, 0};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 1u << 20) return 0;
    static auto area = std::make_unique<TwainCapabilityArea>();
    static auto again = std::make_unique<TwainCapabilityArea>();
    memset(area.get(), 0, sizeof(TwainCapabilityArea));
    const TW_UINT16 conType = kContainerTypes[data[0] % 5];
    // The block in a buffer of its own size, so that any read past it is caught.
    const size_t blockSize = size - 1;
    std::unique_ptr<uint8_t[]> block(new uint8_t[blockSize ? blockSize : 1]);
    memcpy(block.get(), data + 1, blockSize);
    if (!DecodeCapabilityContainer(conType, block.get(), blockSize, *area)) return 0;

    double value = 0;
    DecodeOneValueNumber(conType, block.get(), blockSize, &value);

    if (conType != TWON_ENUMERATION && conType != TWON_ARRAY) return 0;
    const TW_UINT16 itemType = conType == TWON_ARRAY ? area->arrayItemType : area->enumItemType;
    if (!IsIntegerType(itemType)) return 0;
    const uint32_t declared = conType == TWON_ARRAY ? area->arrayCount : area->enumCount;
    const uint64_t header = conType == TWON_ARRAY ? 6 : 14;
    // Only the items the block really holds were decoded; encode just those.
    const uint64_t present = std::min<uint64_t>({declared, kMaxCapItems, (blockSize - header) / TwainItemSize(itemType)});
    area->conType = conType;
    area->arrayCount = area->enumCount = static_cast<TW_UINT32>(present);
    HGLOBAL encoded = EncodeCapabilityContainer(*area, itemType);
    if (!encoded) abort();
    memset(again.get(), 0, sizeof(TwainCapabilityArea));
    const auto* bytes = static_cast<const uint8_t*>(GlobalLock(encoded));
    if (!DecodeCapabilityContainer(conType, bytes, GlobalSize(encoded), *again)) abort();
    GlobalUnlock(encoded);
    GlobalFree(encoded);
    const uint32_t count = conType == TWON_ARRAY ? again->arrayCount : again->enumCount;
    if (count != present) abort();
    for (uint64_t i = 0; i < present; ++i) {
        if (again->items[i] != area->items[i]) abort();
    }
    return 0;
}
