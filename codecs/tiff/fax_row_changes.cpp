#include "codecs/tiff/fax_row_changes.h"

#include <cstring>

namespace fax {

size_t ScratchWords(uint32_t width) { return (size_t(width) + 63) / 64 + 1; }

int FindChanges(const uint8_t* row, uint32_t width, uint64_t* scratch, uint32_t* changes) {
    // The row as big-endian 64-bit words, the bits past the width cleared.
    size_t bytes = (size_t(width) + 7) / 8;
    size_t words = (size_t(width) + 63) / 64;
    if (words) {
        scratch[words - 1] = 0;
        std::memcpy(scratch, row, bytes);
    }
    for (size_t i = 0; i < words; ++i) scratch[i] = __builtin_bswap64(scratch[i]);
    if (width & 63) scratch[words - 1] &= ~uint64_t(0) << (64 - (width & 63));

    int count = 0;
    uint64_t invert = 0;  // all ones while the current colour is black
    for (size_t i = 0; i < words; ++i) {
        uint32_t base = uint32_t(i * 64);
        uint64_t mask = ~uint64_t(0);  // the bits not passed yet
        for (;;) {
            uint64_t w = (scratch[i] ^ invert) & mask;
            if (!w) break;
            int at = __builtin_clzll(w);
            changes[count++] = base + uint32_t(at);
            invert = ~invert;
            mask = ~uint64_t(0) >> at;  // the bit at `at` now matches the colour
        }
    }
    // A black run reaching the end of the last word ends at the width, not a change.
    while (count > 0 && changes[count - 1] >= width) --count;
    for (int s = 0; s < kChangeSentinels; ++s) changes[count + s] = width;
    return count;
}

void FillRow(uint8_t* row, uint32_t width, const uint32_t* changes, int count) {
    size_t bytes = (size_t(width) + 7) / 8;
    std::memset(row, 0, bytes);
    for (int i = 0; i < count; i += 2) {
        uint32_t start = changes[i];
        uint32_t end = i + 1 < count ? changes[i + 1] : width;
        if (end <= start) continue;
        // Black from start to end (exclusive).
        uint32_t first = start >> 3, last = (end - 1) >> 3;
        if (first == last) {
            row[first] |= uint8_t((0xFF >> (start & 7)) & (0xFF << (7 - ((end - 1) & 7))));
            continue;
        }
        row[first] |= uint8_t(0xFF >> (start & 7));
        if (last > first + 1) std::memset(row + first + 1, 0xFF, last - first - 1);
        row[last] |= uint8_t(0xFF << (7 - ((end - 1) & 7)));
    }
}

}  // namespace fax
