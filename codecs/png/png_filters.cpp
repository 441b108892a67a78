#include "codecs/png/png_filters.h"

#include <cstdlib>
#include <cstring>

#include "base/simd.h"
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

void FilterRowAdaptivePlain(const uint8_t* row, const uint8_t* prev, size_t n, size_t bpp, uint8_t* out,
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

#if defined(LUMETTA_SSE2)

namespace {

// The magnitudes of 16 filtered bytes, added up into the two 64-bit lanes of acc: min(v, -v)
// taken unsigned is v below 128 and 256 - v from 128 on, as Magnitude.
inline __m128i AddMagnitudes(__m128i acc, __m128i v) {
    const __m128i m = _mm_min_epu8(v, _mm_sub_epi8(_mm_setzero_si128(), v));
    return _mm_add_epi64(acc, _mm_sad_epu8(m, _mm_setzero_si128()));
}

inline uint64_t LaneTotal(__m128i acc) {
    uint64_t lanes[2];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes), acc);
    return lanes[0] + lanes[1];
}

inline __m128i Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Paeth's predictor of eight pixels' bytes widened to 16 bits: a (left), b (above), c (above left).
inline __m128i Paeth8(__m128i a, __m128i b, __m128i c) {
    const __m128i zero = _mm_setzero_si128();
    auto absolute = [&](__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(zero, x)); };
    const __m128i pa = absolute(_mm_sub_epi16(b, c)), pb = absolute(_mm_sub_epi16(a, c));
    const __m128i pc = absolute(_mm_sub_epi16(_mm_add_epi16(a, b), _mm_add_epi16(c, c)));
    // a where pa <= pb and pa <= pc; else b where pb <= pc; else c.
    const __m128i takeA = _mm_andnot_si128(_mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc)), _mm_set1_epi16(-1));
    const __m128i takeB = _mm_andnot_si128(_mm_cmpgt_epi16(pb, pc), _mm_set1_epi16(-1));
    const __m128i bc = _mm_or_si128(_mm_and_si128(takeB, b), _mm_andnot_si128(takeB, c));
    return _mm_or_si128(_mm_and_si128(takeA, a), _mm_andnot_si128(takeA, bc));
}

// Filter type of the 16 bytes at i (i at least bpp): the same byte arithmetic as the plain loops.
inline __m128i Filtered16(uint8_t type, const uint8_t* row, const uint8_t* prev, size_t i, size_t bpp) {
    const __m128i x = Load(row + i);
    switch (type) {
        case kFilterSub: return _mm_sub_epi8(x, Load(row + i - bpp));
        case kFilterUp: return _mm_sub_epi8(x, Load(prev + i));
        case kFilterAverage: {
            // (a + b) >> 1: the rounded-up average less the bit it rounded up by.
            const __m128i a = Load(row + i - bpp), b = Load(prev + i);
            const __m128i floor = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1)));
            return _mm_sub_epi8(x, floor);
        }
        default: {
            const __m128i zero = _mm_setzero_si128();
            const __m128i a = Load(row + i - bpp), b = Load(prev + i), c = Load(prev + i - bpp);
            const __m128i lo = Paeth8(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(c, zero));
            const __m128i hi = Paeth8(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(c, zero));
            return _mm_sub_epi8(x, _mm_packus_epi16(lo, hi));
        }
    }
}

inline uint8_t FilteredByte(uint8_t type, const uint8_t* row, const uint8_t* prev, size_t i, size_t bpp) {
    switch (type) {
        case kFilterSub: return uint8_t(row[i] - row[i - bpp]);
        case kFilterUp: return uint8_t(row[i] - prev[i]);
        case kFilterAverage: return uint8_t(row[i] - ((row[i - bpp] + prev[i]) >> 1));
        default: return uint8_t(row[i] - Paeth(row[i - bpp], prev[i], prev[i - bpp]));
    }
}

}  // namespace

// The plain function's choice, 16 bytes at a time: every candidate's exact sum, so the same
// filter wins (a candidate is still given up once its sum passes the best, which cannot change
// the choice).
void FilterRowAdaptive(const uint8_t* row, const uint8_t* prev, size_t n, size_t bpp, uint8_t* out,
                       uint8_t* scratch) {
    if (bpp == 0 || n < bpp + 16) {
        FilterRowAdaptivePlain(row, prev, n, bpp, out, scratch);
        return;
    }
    __m128i acc = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 16 <= n; i += 16) acc = AddMagnitudes(acc, Load(row + i));
    uint64_t best = LaneTotal(acc);
    for (; i < n; ++i) best += Magnitude(row[i]);
    out[0] = kFilterNone;
    memcpy(out + 1, row, n);

    uint8_t* cand = scratch + 1;
    for (uint8_t type = kFilterSub; type <= kFilterPaeth; ++type) {
        uint64_t sum = 0;
        // The first pixel has no left neighbour (taken as zero).
        for (i = 0; i < bpp; ++i) {
            const uint8_t v = type == kFilterSub ? row[i] : type == kFilterAverage ? uint8_t(row[i] - (prev[i] >> 1)) : uint8_t(row[i] - prev[i]);
            cand[i] = v;
            sum += Magnitude(v);
        }
        while (i + 16 <= n && sum <= best) {
            const size_t end = i + 256 < n ? i + 256 : n;
            acc = _mm_setzero_si128();
            for (; i + 16 <= end; i += 16) {
                const __m128i v = Filtered16(type, row, prev, i, bpp);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(cand + i), v);
                acc = AddMagnitudes(acc, v);
            }
            sum += LaneTotal(acc);
        }
        if (sum > best) continue;
        for (; i < n; ++i) {
            const uint8_t v = FilteredByte(type, row, prev, i, bpp);
            cand[i] = v;
            sum += Magnitude(v);
        }
        if (sum < best) {
            best = sum;
            out[0] = type;
            memcpy(out + 1, cand, n);
        }
    }
}

#else

void FilterRowAdaptive(const uint8_t* row, const uint8_t* prev, size_t n, size_t bpp, uint8_t* out,
                       uint8_t* scratch) {
    FilterRowAdaptivePlain(row, prev, n, bpp, out, scratch);
}

#endif

}  // namespace png
