// CImage: resampling to a new size (area averages when shrinking, else nearest, bilinear or
// cubic), the DPI change and gamma. The row-at-a-time loops here give the same bytes as the
// per-pixel GetAreaColor and GetInterpolatedColor: they share the arithmetic of image_sampling.h
// and sum in the same order.
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/image.h"
#include "engine/image_sampling.h"

using namespace sampling;

namespace {

// Source rows as blue, green, red triples: 24-bit rows directly, others expanded.
class RowReader {
public:
    explicit RowReader(const CImage& image) : m_image(image), m_direct(image.GetBitCount() == 24) {
        if (!m_direct) m_buffer.resize(size_t(image.GetWidth()) * 3);
    }
    const BYTE* Row(LONG y) {
        if (m_direct) return m_image.GetBits() + uint64_t(m_image.GetStride()) * uint64_t(y);
        for (LONG x = 0; x < m_image.GetWidth(); ++x) {
            DWORD c = m_image.GetPixelColor(x, y);
            m_buffer[size_t(x) * 3] = BYTE(c);
            m_buffer[size_t(x) * 3 + 1] = BYTE(c >> 8);
            m_buffer[size_t(x) * 3 + 2] = BYTE(c >> 16);
        }
        return m_buffer.data();
    }

private:
    const CImage& m_image;
    bool m_direct;
    std::vector<BYTE> m_buffer;
};

// Stores one target row of colours (blue, green, red triples) into the target image.
void StoreRow(CImage& target, LONG y, const BYTE* bgr) {
    const LONG w = target.GetWidth();
    if (target.GetBitCount() == 24) {
        memcpy(target.GetBits() + uint64_t(target.GetStride()) * uint64_t(y), bgr, size_t(w) * 3);
        return;
    }
    for (LONG x = 0; x < w; ++x) target.SetPixelColor(x, y, Pack(bgr[3 * x], bgr[3 * x + 1], bgr[3 * x + 2]));
}

// Source rows filtered across by the cubic kernel for every target column; the last eight are
// kept, as four of them make each target row and the next rows mostly reuse them.
class CubicRowCache {
public:
    CubicRowCache(RowReader& reader, LONG targetWidth, double sx, int64_t sourceWidth, int method, int edgeMode)
        : m_reader(reader), m_width(targetWidth), m_pos(size_t(targetWidth) * 4), m_weight(size_t(targetWidth) * 4) {
        for (LONG i = 0; i < targetWidth; ++i) {
            const double x = (i + 0.5) * sx - 0.5;
            const int64_t x0 = FloorToInt(x);
            CubicWeights(x, x0, method, &m_weight[size_t(i) * 4]);
            for (int k = 0; k < 4; ++k) m_pos[size_t(i) * 4 + k] = WrapIndex(x0 - 1 + k, sourceWidth, edgeMode);
        }
        for (int s = 0; s < kSlots; ++s) {
            m_keys[s] = INT64_MIN;
            m_slots[s].resize(size_t(targetWidth) * 3);
        }
    }

    // Source row r (negative: background) filtered, as blue, green, red per target column.
    const float* Row(int64_t r) {
        ++m_clock;
        int victim = 0;
        for (int s = 0; s < kSlots; ++s) {
            if (m_keys[s] == r) {
                m_lastUse[s] = m_clock;
                return m_slots[s].data();
            }
            if (m_lastUse[s] < m_lastUse[victim]) victim = s;
        }
        m_keys[victim] = r;
        m_lastUse[victim] = m_clock;
        float* dst = m_slots[victim].data();
        Filter(r >= 0 ? m_reader.Row(LONG(r)) : nullptr, dst);
        return dst;
    }

private:
    static constexpr int kSlots = 8;

    void Filter(const BYTE* src, float* dst) const {
        const BYTE bg[3] = {BYTE(Blue(kWhite)), BYTE(Green(kWhite)), BYTE(Red(kWhite))};
        for (LONG i = 0; i < m_width; ++i) {
            const int64_t* pos = &m_pos[size_t(i) * 4];
            const float* wt = &m_weight[size_t(i) * 4];
            float row[3] = {0, 0, 0};
            if (src && pos[0] >= 0 && pos[3] >= 0 && pos[3] - pos[0] == 3) {
                const BYTE* p = src + 3 * pos[0];
                for (int k = 0; k < 4; ++k, p += 3) {
                    row[0] += wt[k] * float(p[0]);
                    row[1] += wt[k] * float(p[1]);
                    row[2] += wt[k] * float(p[2]);
                }
            } else {
                for (int k = 0; k < 4; ++k) {
                    const BYTE* p = src && pos[k] >= 0 ? src + 3 * pos[k] : bg;
                    row[0] += wt[k] * float(p[0]);
                    row[1] += wt[k] * float(p[1]);
                    row[2] += wt[k] * float(p[2]);
                }
            }
            dst[size_t(i) * 3] = row[0];
            dst[size_t(i) * 3 + 1] = row[1];
            dst[size_t(i) * 3 + 2] = row[2];
        }
    }

    RowReader& m_reader;
    LONG m_width;
    std::vector<int64_t> m_pos;
    std::vector<float> m_weight;
    std::vector<float> m_slots[kSlots];
    int64_t m_keys[kSlots];
    uint64_t m_lastUse[kSlots] = {};
    uint64_t m_clock = 0;
};

// The footprint taps of every target position along one axis: source index (-1: background)
// and weight, zero weights left out, in ascending source order.
struct AreaTaps {
    std::vector<uint32_t> first;  // per target position, index into pos/weight; one extra at the end
    std::vector<int64_t> pos;
    std::vector<double> weight;

    void Build(LONG targetSize, double scale, int64_t sourceSize, int edgeMode) {
        first.assign(size_t(targetSize) + 1, 0);
        for (LONG i = 0; i < targetSize; ++i) {
            first[size_t(i)] = uint32_t(pos.size());
            const double c = (i + 0.5) * scale - 0.5;
            const double lo = c - scale / 2, hi = c + scale / 2;
            const int64_t pl = TruncToInt(lo + 0.5), ph = TruncToInt(hi + 0.5);
            for (int64_t p = pl; p <= ph; ++p) {
                const double w = Overlap(p, lo, hi);
                if (w == 0) continue;
                pos.push_back(WrapIndex(p, sourceSize, edgeMode));
                weight.push_back(w);
            }
        }
        first[size_t(targetSize)] = uint32_t(pos.size());
    }
};

}  // namespace

bool CImage::Resample(LONG width, LONG height, int method, int edgeMode, bool noAreaAverage) {
    if (!BeginTransform()) return false;
    if (width < 1 || height < 1 || method < kNearest || method > kCubic || edgeMode < 1 || edgeMode > kWrapMirror) {
        m_result = kImageBadValue;
        return false;
    }
    if (width == GetWidth() && height == GetHeight()) return true;
    const double sx = double(GetWidth()) / width, sy = double(GetHeight()) / height;
    CImage out;
    if (!out.Create(width, height, this)) {
        m_result = out.GetResult();
        return false;
    }
    bool ok = true;
    if ((sx > 1 || sy > 1) && !noAreaAverage) {
        if (sx > 1 && sy > 1) {
            ok = ResampleArea(out, sx, sy, edgeMode);
        } else {
            // One side shrinks, the other grows: per pixel.
            for (LONG j = 0; j < height && ok; ++j) {
                if (!(ok = ReportRowProgress(j, height))) break;
                for (LONG i = 0; i < width; ++i) {
                    out.SetPixelColor(i, j, GetAreaColor((i + 0.5) * sx - 0.5, (j + 0.5) * sy - 0.5, sx, sy, method, edgeMode));
                }
            }
        }
    } else {
        ok = ResampleInterpolated(out, sx, sy, method, edgeMode);
    }
    return FinishTransform(out, ok);
}

// Both sides shrink: each target pixel is the area-weighted average of its footprint.
bool CImage::ResampleArea(CImage& out, double sx, double sy, int edgeMode) {
    const LONG W = out.GetWidth(), H = out.GetHeight();
    AreaTaps cols, rows;
    cols.Build(W, sx, GetWidth(), edgeMode);
    rows.Build(H, sy, GetHeight(), edgeMode);
    const double bg[3] = {double(Blue(kWhite)), double(Green(kWhite)), double(Red(kWhite))};
    RowReader reader(*this);
    std::vector<double> sum(size_t(W) * 3);
    std::vector<BYTE> line(size_t(W) * 3);
    const double scale = sx * sy;
    for (LONG j = 0; j < H; ++j) {
        if (!ReportRowProgress(j, H)) return false;
        std::fill(sum.begin(), sum.end(), 0.0);
        for (uint32_t r = rows.first[size_t(j)]; r < rows.first[size_t(j) + 1]; ++r) {
            const double wy = rows.weight[r];
            const BYTE* src = rows.pos[r] >= 0 ? reader.Row(LONG(rows.pos[r])) : nullptr;
            for (LONG i = 0; i < W; ++i) {
                double row[3] = {0, 0, 0};
                for (uint32_t t = cols.first[size_t(i)]; t < cols.first[size_t(i) + 1]; ++t) {
                    const double wx = cols.weight[t];
                    const int64_t p = cols.pos[t];
                    if (src && p >= 0) {
                        const BYTE* s = src + 3 * p;
                        row[0] += wx * s[0];
                        row[1] += wx * s[1];
                        row[2] += wx * s[2];
                    } else {
                        row[0] += wx * bg[0];
                        row[1] += wx * bg[1];
                        row[2] += wx * bg[2];
                    }
                }
                double* acc = &sum[size_t(i) * 3];
                acc[0] += wy * row[0];
                acc[1] += wy * row[1];
                acc[2] += wy * row[2];
            }
        }
        for (size_t k = 0; k < sum.size(); ++k) line[k] = BYTE(ClampChannel(sum[k] / scale));
        StoreRow(out, j, line.data());
    }
    return true;
}

bool CImage::ResampleInterpolated(CImage& out, double sx, double sy, int method, int edgeMode) {
    const LONG W = out.GetWidth(), H = out.GetHeight();
    const int64_t w = GetWidth(), h = GetHeight();
    const BYTE bg[3] = {BYTE(Blue(kWhite)), BYTE(Green(kWhite)), BYTE(Red(kWhite))};
    std::vector<BYTE> line(size_t(W) * 3);
    RowReader reader(*this);

    if (method == kBilinear) {
        for (LONG j = 0; j < H; ++j) {
            if (!ReportRowProgress(j, H)) return false;
            const double y = (j + 0.5) * sy - 0.5;
            for (LONG i = 0; i < W; ++i) {
                const DWORD c = GetInterpolatedColor((i + 0.5) * sx - 0.5, y, method, edgeMode);
                line[size_t(i) * 3] = BYTE(c);
                line[size_t(i) * 3 + 1] = BYTE(c >> 8);
                line[size_t(i) * 3 + 2] = BYTE(c >> 16);
            }
            StoreRow(out, j, line.data());
        }
        return true;
    }

    if (method == kNearest) {
        std::vector<int64_t> cols(static_cast<size_t>(W));
        for (LONG i = 0; i < W; ++i) cols[size_t(i)] = WrapIndex(TruncToInt((i + 0.5) * sx - 0.5 + 0.5), w, edgeMode);
        for (LONG j = 0; j < H; ++j) {
            if (!ReportRowProgress(j, H)) return false;
            const int64_t r = WrapIndex(TruncToInt((j + 0.5) * sy - 0.5 + 0.5), h, edgeMode);
            const BYTE* src = r >= 0 ? reader.Row(LONG(r)) : nullptr;
            for (LONG i = 0; i < W; ++i) {
                const int64_t p = cols[size_t(i)];
                memcpy(&line[size_t(i) * 3], src && p >= 0 ? src + 3 * p : bg, 3);
            }
            StoreRow(out, j, line.data());
        }
        return true;
    }

    // Cubic: every source row the target needs is filtered across once (cached), then four of
    // them are combined per target row.
    CubicRowCache filtered(reader, W, sx, w, method, edgeMode);
    const size_t n = size_t(W) * 3;
    for (LONG j = 0; j < H; ++j) {
        if (!ReportRowProgress(j, H)) return false;
        const double y = (j + 0.5) * sy - 0.5;
        const int64_t y0 = FloorToInt(y);
        float wy[4];
        CubicWeights(y, y0, method, wy);
        const float* r[4];
        for (int k = 0; k < 4; ++k) r[k] = filtered.Row(WrapIndex(y0 - 1 + k, h, edgeMode));
        const float w0 = wy[0], w1 = wy[1], w2 = wy[2], w3 = wy[3];
        const float *r0 = r[0], *r1 = r[1], *r2 = r[2], *r3 = r[3];
        BYTE* d = line.data();
        for (size_t k = 0; k < n; ++k) {
            float v = 0.0f;
            v += w0 * r0[k];
            v += w1 * r1[k];
            v += w2 * r2[k];
            v += w3 * r3[k];
            v = v > 0.0f ? v : 0.0f;
            v = v < 255.0f ? v : 255.0f;
            d[k] = BYTE(v);
        }
        StoreRow(out, j, line.data());
    }
    return true;
}

bool CImage::SetDPI(LONG xDpi, LONG yDpi, bool resample, int method) {
    if (!IsValid()) return false;
    if (xDpi < 1) xDpi = 96;
    if (yDpi < 1) yDpi = 96;
    if (resample) {
        const LONG ox = GetXDPI() ? GetXDPI() : 96, oy = GetYDPI() ? GetYDPI() : 96;
        const double nw = std::trunc(double(xDpi) / ox * GetWidth() + 0.5);
        const double nh = std::trunc(double(yDpi) / oy * GetHeight() + 0.5);
        const LONG W = nw > 0x7FFFFFFF ? 0x7FFFFFFF : LONG(nw), H = nh > 0x7FFFFFFF ? 0x7FFFFFFF : LONG(nh);
        if (!Resample(W, H, method, kWrapClamp, false)) return false;
    }
    return SetXDPI(xDpi) && SetYDPI(yDpi);
}

bool CImage::Gamma(float gamma) {
    if (!IsValid()) return false;
    if (!(gamma > 0) || !std::isfinite(gamma)) {
        m_result = kImageBadValue;
        return false;
    }
    BYTE table[256];
    const double e = 1.0 / gamma, scale = std::pow(255.0, e) / 255.0;
    for (int i = 0; i < 256; ++i) {
        const double v = std::trunc(std::pow(double(i), e) / scale);
        table[i] = BYTE(v >= 255 ? 255 : v);
    }
    ApplyLookupTable(table);
    return true;
}
