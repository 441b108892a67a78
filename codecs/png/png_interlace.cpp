#include "codecs/png/png_interlace.h"

#include <cstring>

namespace png {

void SpreadPassRow(const uint8_t* passRow, uint32_t passWidth, int pixelDepth, const InterlacePass& pass,
                   uint8_t* imageRow) {
    if (pixelDepth >= 8) {
        const size_t bytes = size_t(pixelDepth) / 8;
        for (uint32_t i = 0; i < passWidth; ++i)
            memcpy(imageRow + (size_t(pass.x0) + size_t(i) * pass.dx) * bytes, passRow + size_t(i) * bytes, bytes);
        return;
    }
    const unsigned mask = (1u << pixelDepth) - 1;
    for (uint32_t i = 0; i < passWidth; ++i) {
        const uint64_t from = uint64_t(i) * pixelDepth;
        const unsigned v = (passRow[from >> 3] >> (8 - pixelDepth - (from & 7))) & mask;
        const uint64_t to = (uint64_t(pass.x0) + uint64_t(i) * pass.dx) * pixelDepth;
        const unsigned shift = unsigned(8 - pixelDepth - (to & 7));
        imageRow[to >> 3] = uint8_t((imageRow[to >> 3] & ~(mask << shift)) | (v << shift));
    }
}

}  // namespace png
