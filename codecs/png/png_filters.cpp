#include "codecs/png/png_filters.h"

#include <cstdlib>
#include <cstring>

#include "codecs/png/png_format.h"

namespace png {

namespace {

inline uint8_t Paeth(int a, int b, int c) {
    int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc) return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}

// Magnitude of a filtered byte taken as signed.
inline uint32_t Magnitude(uint8_t v) { return v < 128 ? v : 256u - v; }

template <size_t Bpp>
void UnpaethFixed(uint8_t* row, const uint8_t* prev, size_t n) {
    for (size_t i = 0; i < Bpp && i < n; ++i) row[i] = uint8_t(row[i] + prev[i]);
    for (size_t i = Bpp; i < n; ++i) row[i] = uint8_t(row[i] + Paeth(row[i - Bpp], prev[i], prev[i - Bpp]));
}

void Unpaeth(uint8_t* row, const uint8_t* prev, size_t n, size_t bpp) {
    switch (bpp) {
        case 1: UnpaethFixed<1>(row, prev, n); return;
        case 3: UnpaethFixed<3>(row, prev, n); return;
        case 4: UnpaethFixed<4>(row, prev, n); return;
        default: break;
    }
    for (size_t i = 0; i < bpp && i < n; ++i) row[i] = uint8_t(row[i] + prev[i]);
    for (size_t i = bpp; i < n; ++i) row[i] = uint8_t(row[i] + Paeth(row[i - bpp], prev[i], prev[i - bpp]));
}

}  // namespace

bool UnfilterRow(uint8_t type, uint8_t* row, const uint8_t* prev, size_t n, size_t bpp) {
    switch (type) {
        case kFilterNone:
            return true;
        case kFilterSub:
            for (size_t i = bpp; i < n; ++i) row[i] = uint8_t(row[i] + row[i - bpp]);
            return true;
        case kFilterUp:
            for (size_t i = 0; i < n; ++i) row[i] = uint8_t(row[i] + prev[i]);
            return true;
        case kFilterAverage:
            for (size_t i = 0; i < bpp && i < n; ++i) row[i] = uint8_t(row[i] + (prev[i] >> 1));
            for (size_t i = bpp; i < n; ++i) row[i] = uint8_t(row[i] + ((row[i - bpp] + prev[i]) >> 1));
            return true;
        case kFilterPaeth:
            Unpaeth(row, prev, n, bpp);
            return true;
        default:
            return false;
    }
}

void FilterRowAdaptive(const uint8_t* row, const uint8_t* prev, size_t n, size_t bpp, uint8_t* out,
                       uint8_t* scratch) {
    // None first: the row as it is.
    uint64_t best = 0;
    for (size_t i = 0; i < n; ++i) best += Magnitude(row[i]);
    out[0] = kFilterNone;
    memcpy(out + 1, row, n);

    uint8_t* cand = scratch + 1;
    for (uint8_t type = kFilterSub; type <= kFilterPaeth; ++type) {
        uint64_t sum = 0;
        size_t i = 0;
        const size_t head = bpp < n ? bpp : n;
        // The first pixel has no left neighbour (taken as zero).
        for (; i < head; ++i) {
            uint8_t v;
            switch (type) {
                case kFilterSub: v = row[i]; break;
                case kFilterUp: v = uint8_t(row[i] - prev[i]); break;
                case kFilterAverage: v = uint8_t(row[i] - (prev[i] >> 1)); break;
                default: v = uint8_t(row[i] - prev[i]); break;  // Paeth of (0, b, 0) is b
            }
            cand[i] = v;
            sum += Magnitude(v);
        }
        // The rest in blocks, stopping once this filter cannot win any more.
        while (i < n && sum <= best) {
            const size_t end = i + 256 < n ? i + 256 : n;
            switch (type) {
                case kFilterSub:
                    for (; i < end; ++i) {
                        uint8_t v = uint8_t(row[i] - row[i - bpp]);
                        cand[i] = v;
                        sum += Magnitude(v);
                    }
                    break;
                case kFilterUp:
                    for (; i < end; ++i) {
                        uint8_t v = uint8_t(row[i] - prev[i]);
                        cand[i] = v;
                        sum += Magnitude(v);
                    }
                    break;
                case kFilterAverage:
                    for (; i < end; ++i) {
                        uint8_t v = uint8_t(row[i] - ((row[i - bpp] + prev[i]) >> 1));
                        cand[i] = v;
                        sum += Magnitude(v);
                    }
                    break;
                default:
                    for (; i < end; ++i) {
                        uint8_t v = uint8_t(row[i] - Paeth(row[i - bpp], prev[i], prev[i - bpp]));
                        cand[i] = v;
                        sum += Magnitude(v);
                    }
                    break;
            }
        }
        if (i == n && sum < best) {
            best = sum;
            out[0] = type;
            memcpy(out + 1, cand, n);
        }
    }
}

}  // namespace png
