// CImage: grey conversion, threshold, convolution and the colour deviation (the steps of the
// blank-image test).
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/image.h"

namespace {

BYTE GreyOf(DWORD color) {
    const DWORD b = color & 0xFF, g = (color >> 8) & 0xFF, r = (color >> 16) & 0xFF;
    return BYTE((306 * r + 601 * g + 117 * b) >> 10);
}

// The packed value of the deviation statistic: blue x 65536 + green x 256 + red.
int64_t PackedValue(DWORD color) {
    return int64_t(color & 0xFF) * 65536 + int64_t((color >> 8) & 0xFF) * 256 + int64_t((color >> 16) & 0xFF);
}

// Eight bytes of 0 or 1 (the first the leftmost pixel) as one byte of a 1-bit row.
BYTE PackEight(const BYTE* ones) {
    uint64_t v;
    memcpy(&v, ones, 8);
    return BYTE((v * 0x8040201008040201ull) >> 56);
}

// A row of 0/1 bytes packed into a 1-bit row.
void PackRow(const BYTE* ones, LONG width, BYTE* out) {
    LONG x = 0;
    for (; x + 8 <= width; x += 8) out[x / 8] = PackEight(ones + x);
    if (x < width) {
        BYTE tail[8] = {};
        memcpy(tail, ones + x, size_t(width - x));
        out[x / 8] = PackEight(tail);
    }
}

// A 1-bit row unpacked to one byte (0 or 1) a pixel.
void UnpackRow(const BYTE* bits, LONG width, BYTE* out) {
    static const auto kExpand = [] {
        struct Table {
            uint64_t v[256];
        } t{};
        for (int b = 0; b < 256; ++b)
            for (int k = 0; k < 8; ++k) t.v[b] |= uint64_t((b >> (7 - k)) & 1) << (8 * k);
        return t;
    }();
    LONG x = 0;
    for (; x + 8 <= width; x += 8) memcpy(out + x, &kExpand.v[bits[x / 8]], 8);
    for (; x < width; ++x) out[x] = (bits[x >> 3] >> (7 - (x & 7))) & 1;
}

}  // namespace

bool CImage::ConvertToGray(const ImageRect& rect, bool* cropped) {
    if (cropped) *cropped = false;
    if (!BeginTransform()) return false;
    ImageRect r;
    if (!ClampRect(rect, &r)) {
        m_result = kImageBadValue;
        return false;
    }
    const int bits = GetBitCount();
    // A full 8-bit table turns into the ramp in place; shorter tables go the way of 1 and 4 bits.
    if (bits == 8 && GetColorCount() == 256) {
        RGBQUAD* table = GetPalette();
        BYTE grey[256] = {};
        for (DWORD i = 0; i < GetColorCount(); ++i) grey[i] = GreyOf(GetPaletteEntry(i));
        for (DWORD i = 0; i < GetColorCount(); ++i) table[i] = RGBQUAD{grey[i], grey[i], grey[i], 0};
        const uint64_t bytes = uint64_t(m_stride) * uint64_t(GetHeight());
        for (uint64_t i = 0; i < bytes; ++i) m_bits[i] = grey[m_bits[i]];
        SetGrayPalette();
        return true;
    }
    CImage out;
    const LONG w = r.right - r.left, rows = r.bottom - r.top;
    if (!out.Create(w, rows, this, 8)) {
        m_result = out.GetResult();
        return false;
    }
    out.SetGrayPalette();
    BYTE grey[256] = {};
    for (DWORD i = 0; i < GetColorCount(); ++i) grey[i] = GreyOf(GetPaletteEntry(i));
    bool ok = true;
    for (LONG y = 0; y < rows; ++y) {
        if (!(ok = ReportRowProgress(y, rows))) break;
        BYTE* d = out.PixelAddress(0, y);
        if (bits == 24) {
            const BYTE* s = PixelAddress(r.left, r.top + y);
            for (LONG x = 0; x < w; ++x, s += 3) d[x] = BYTE((306 * s[2] + 601 * s[1] + 117 * s[0]) >> 10);
        } else {
            for (LONG x = 0; x < w; ++x) d[x] = grey[GetPixelIndex(r.left + x, r.top + y)];
        }
    }
    if (!FinishTransform(out, ok)) return false;
    if (cropped) *cropped = true;
    return true;
}

bool CImage::Threshold(const ImageRect& rect, int threshold) {
    if (!BeginTransform()) return false;
    if (GetBitCount() == 1) return Crop(rect);
    bool cropped = false;
    if (!ConvertToGray(rect, &cropped)) return false;
    ImageRect r;
    if (!ClampRect(cropped ? ImageRect{} : rect, &r)) {
        m_result = kImageBadValue;
        return false;
    }
    CImage out;
    const LONG w = r.right - r.left, rows = r.bottom - r.top;
    if (!out.Create(w, rows, this, 1)) {
        m_result = out.GetResult();
        return false;
    }
    out.SetPaletteEntry(0, 0x000000);
    out.SetPaletteEntry(1, 0xFFFFFF);
    bool ok = true;
    std::vector<BYTE> ones(static_cast<size_t>(w));
    for (LONG y = 0; y < rows; ++y) {
        if (!(ok = ReportRowProgress(y, rows))) break;
        const BYTE* s = PixelAddress(r.left, r.top + y);
        for (LONG x = 0; x < w; ++x) ones[size_t(x)] = s[x] > threshold;
        PackRow(ones.data(), w, out.PixelAddress(0, y));
    }
    return FinishTransform(out, ok);
}

bool CImage::Convolve(const int* kernel, int k, int divisor, int offset) {
    if (!BeginTransform()) return false;
    if (!kernel || k < 1 || k > 15) {
        m_result = kImageBadValue;
        return false;
    }
    CImage out;
    if (!out.Create(GetWidth(), GetHeight(), this)) {
        m_result = out.GetResult();
        return false;
    }
    const LONG w = GetWidth(), h = GetHeight(), half = k / 2;
    auto finish = [](int64_t sum, int divisor, int offset) {
        if (divisor) sum /= divisor;
        sum += offset;
        return BYTE(sum < 0 ? 0 : sum > 255 ? 255 : sum);
    };
    bool ok = true;
    if (GetBitCount() == 8 && IsGrayPalette()) {
        memcpy(out.GetBits(), GetBits(), size_t(m_stride) * size_t(h));
        for (LONG y = half; y < h - half && ok; ++y) {
            if (!(ok = ReportRowProgress(y, h))) break;
            BYTE* d = out.PixelAddress(0, y);
            for (LONG x = half; x < w - half; ++x) {
                int64_t sum = 0;
                for (int ky = 0; ky < k; ++ky) {
                    const BYTE* s = PixelAddress(x - half, y + ky - half);
                    for (int kx = 0; kx < k; ++kx) sum += int64_t(kernel[ky * k + kx]) * s[kx];
                }
                d[x] = finish(sum, divisor, offset);
            }
        }
        return FinishTransform(out, ok);
    }
    if (GetBitCount() == 1 && ConvolveBinary(kernel, k, divisor, offset, out)) return FinishTransform(out, true);
    if (m_result == kImageCancelled) return FinishTransform(out, false);
    for (LONG y = 0; y < h && ok; ++y) {
        if (!(ok = ReportRowProgress(y, h))) break;
        for (LONG x = 0; x < w; ++x) {
            int64_t sum[3] = {0, 0, 0};
            for (int ky = 0; ky < k; ++ky) {
                for (int kx = 0; kx < k; ++kx) {
                    const DWORD c = GetPixelColor(x + kx - half, y + ky - half);
                    const int64_t kv = kernel[ky * k + kx];
                    sum[0] += kv * (c & 0xFF);
                    sum[1] += kv * ((c >> 8) & 0xFF);
                    sum[2] += kv * ((c >> 16) & 0xFF);
                }
            }
            out.SetPixelColor(x, y, finish(sum[0], divisor, offset) | DWORD(finish(sum[1], divisor, offset)) << 8 |
                                        DWORD(finish(sum[2], divisor, offset)) << 16);
        }
    }
    return FinishTransform(out, ok);
}

// 1-bit images with a kernel of non-negative weights: each pixel's per-channel sums are
// W1 x colour 1 + (total - W1) x colour 0, W1 the weight over neighbours of index 1, so the
// result is looked up by W1. False (nothing done) when the kernel does not fit that form.
bool CImage::ConvolveBinary(const int* kernel, int k, int divisor, int offset, CImage& out) {
    int64_t total = 0;
    for (int i = 0; i < k * k; ++i) {
        if (kernel[i] < 0) return false;
        total += kernel[i];
    }
    if (total > 65535) return false;
    const DWORD c0 = GetPaletteEntry(0), c1 = GetPaletteEntry(1);
    std::vector<BYTE> lookup(size_t(total) + 1);
    for (int64_t w1 = 0; w1 <= total; ++w1) {
        DWORD color = 0;
        for (int ch = 0; ch < 3; ++ch) {
            int64_t sum = w1 * ((c1 >> (8 * ch)) & 0xFF) + (total - w1) * ((c0 >> (8 * ch)) & 0xFF);
            if (divisor) sum /= divisor;
            sum += offset;
            color |= DWORD(sum < 0 ? 0 : sum > 255 ? 255 : sum) << (8 * ch);
        }
        lookup[size_t(w1)] = out.FindNearestColor(color);
    }
    const LONG w = GetWidth(), h = GetHeight(), half = k / 2;
    const BYTE corner = GetPixelIndex(0, 0);  // what a neighbour outside the image reads
    // Rows unpacked to one byte a pixel, padded by half a kernel on each side.
    const size_t padded = size_t(w) + 2 * size_t(half);
    std::vector<std::vector<BYTE>> ring(size_t(k), std::vector<BYTE>(padded, corner));
    auto unpack = [&](LONG y, std::vector<BYTE>& row) {
        std::fill(row.begin(), row.end(), corner);
        if (y >= 0 && y < h) UnpackRow(PixelAddress(0, y), w, row.data() + half);
    };
    for (int i = 0; i < k; ++i) unpack(i - half, ring[size_t(i)]);
    std::vector<uint16_t> acc(static_cast<size_t>(w));
    std::vector<BYTE> ones(static_cast<size_t>(w));
    for (LONG y = 0; y < h; ++y) {
        if (!ReportRowProgress(y, h)) return false;
        std::fill(acc.begin(), acc.end(), uint16_t(0));
        for (int ky = 0; ky < k; ++ky) {
            const BYTE* row = ring[size_t((y + ky) % k)].data();
            for (int kx = 0; kx < k; ++kx) {
                const uint16_t kv = uint16_t(kernel[ky * k + kx]);
                if (!kv) continue;
                const BYTE* s = row + kx;
                uint16_t* a = acc.data();
                for (LONG x = 0; x < w; ++x) a[x] = uint16_t(a[x] + kv * s[x]);
            }
        }
        for (LONG x = 0; x < w; ++x) ones[size_t(x)] = lookup[acc[size_t(x)]] & 1;
        PackRow(ones.data(), w, out.PixelAddress(0, y));
        // The ring's oldest row gives way to the row k - half above this one.
        unpack(y + k - half, ring[size_t(y % k)]);
    }
    return true;
}

double CImage::GetColorDeviation(const ImageRect& rect) {
    if (!IsValid()) return 0;
    ImageRect r;
    if (!ClampRect(rect, &r)) {
        m_result = kImageBadValue;
        return 0;
    }
    const int bits = GetBitCount();
    int64_t lut[256] = {};
    for (DWORD i = 0; i < GetColorCount(); ++i) lut[i] = PackedValue(GetPaletteEntry(i));
    int64_t n = 0, sum = 0;
    double acc = 0;
    auto add = [&](int64_t v) {
        ++n;
        sum += v;
        const double d = double(v) - double(sum) / double(n);
        acc += d * d;
    };
    for (LONG y = r.top; y < r.bottom; ++y) {
        const BYTE* s = PixelAddress(0, y);
        for (LONG x = r.left; x < r.right; ++x) {
            switch (bits) {
                case 24: add(int64_t(s[3 * x]) * 65536 + int64_t(s[3 * x + 1]) * 256 + s[3 * x + 2]); break;
                case 8: add(lut[s[x]]); break;
                case 4: add(lut[(s[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F]); break;
                case 1: add(lut[(s[x >> 3] >> (7 - (x & 7))) & 1]); break;
                default: add(PackedValue(GetPixelColor(x, y))); break;
            }
        }
    }
    return std::sqrt(acc / double(n));
}
