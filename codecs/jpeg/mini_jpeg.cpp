#include "codecs/jpeg/mini_jpeg.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "codecs/jpeg/jpeg_bit_writer.h"
#include "codecs/jpeg/jpeg_color_encode.h"
#include "codecs/jpeg/jpeg_fdct.h"
#include "codecs/jpeg/jpeg_huffman_encoder.h"
#include "codecs/jpeg/jpeg_tables.h"
#include "base/dib_layout.h"

using namespace jpeg;

namespace {

// Quantisation table of a base table at a quality, natural order.
void ScaleQuantTable(const uint8_t base[64], int quality, uint16_t out[64]) {
    if (quality < 1) quality = 1;
    if (quality > 100) quality = 100;
    int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    for (int i = 0; i < 64; ++i) {
        long v = (static_cast<long>(base[i]) * scale + 50) / 100;
        out[i] = static_cast<uint16_t>(v < 1 ? 1 : (v > 255 ? 255 : v));
    }
}

class SegmentWriter {
public:
    explicit SegmentWriter(JpegOutput& out) : out_(out) {}
    void Byte(uint8_t b) { ok_ = ok_ && out_.Append(&b, 1); }
    void Word(uint16_t w) {
        Byte(static_cast<uint8_t>(w >> 8));
        Byte(static_cast<uint8_t>(w));
    }
    void Bytes(const uint8_t* p, size_t n) { ok_ = ok_ && out_.Append(p, n); }
    void Huffman(uint8_t classId, const HuffmanSpec& table) {
        Byte(classId);
        Bytes(table.counts, 16);
        Bytes(table.symbols, static_cast<size_t>(table.symbolCount));
    }
    bool ok() const { return ok_; }

private:
    JpegOutput& out_;
    bool ok_ = true;
};

uint16_t Density(LONG pelsPerMeter) {
    if (pelsPerMeter <= 0) return 0;
    double dpi = pelsPerMeter * 254.0 / 10000 + 0.5;
    return dpi >= 65535 ? 65535 : static_cast<uint16_t>(dpi);
}

bool WriteHeaders(JpegOutput& out, bool colour, int width, int height, LONG xPels, LONG yPels,
                  const uint16_t lumaQ[64], const uint16_t chromaQ[64]) {
    SegmentWriter w(out);
    w.Word(0xFFD8);
    w.Word(0xFFE0);
    w.Word(16);
    w.Bytes(reinterpret_cast<const uint8_t*>("JFIF"), 5);
    w.Byte(1);
    w.Byte(1);
    w.Byte(1);  // dots per inch
    w.Word(Density(xPels));
    w.Word(Density(yPels));
    w.Byte(0);
    w.Byte(0);

    w.Word(0xFFDB);
    w.Word(colour ? 132 : 67);
    w.Byte(0x00);
    for (int k = 0; k < 64; ++k) w.Byte(static_cast<uint8_t>(lumaQ[kZigzagToNatural[k]]));
    if (colour) {
        w.Byte(0x01);
        for (int k = 0; k < 64; ++k) w.Byte(static_cast<uint8_t>(chromaQ[kZigzagToNatural[k]]));
    }

    w.Word(0xFFC0);
    w.Word(colour ? 17 : 11);
    w.Byte(8);
    w.Word(static_cast<uint16_t>(height));
    w.Word(static_cast<uint16_t>(width));
    if (colour) {
        const uint8_t components[] = {3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
        w.Bytes(components, sizeof(components));
    } else {
        const uint8_t components[] = {1, 1, 0x11, 0};
        w.Bytes(components, sizeof(components));
    }

    w.Word(0xFFC4);
    w.Word(colour ? 418 : 210);
    w.Huffman(0x00, kDcLuminance);
    w.Huffman(0x10, kAcLuminance);
    if (colour) {
        w.Huffman(0x01, kDcChrominance);
        w.Huffman(0x11, kAcChrominance);
    }

    w.Word(0xFFDA);
    w.Word(colour ? 12 : 8);
    if (colour) {
        const uint8_t scan[] = {3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0};
        w.Bytes(scan, sizeof(scan));
    } else {
        const uint8_t scan[] = {1, 1, 0x00, 0, 63, 0};
        w.Bytes(scan, sizeof(scan));
    }
    return w.ok();
}

// Everything one encoding needs besides the pixels.
struct EncoderTables {
    uint16_t lumaQ[64], chromaQ[64];
    float lumaDiv[64], chromaDiv[64];
    JpegHuffmanCodes dcLuma, acLuma, dcChroma, acChroma;

    explicit EncoderTables(int quality) {
        ScaleQuantTable(kLuminanceQuant, quality, lumaQ);
        ScaleQuantTable(kChrominanceQuant, quality, chromaQ);
        BuildFdctDivisors(lumaQ, lumaDiv);
        BuildFdctDivisors(chromaQ, chromaDiv);
        BuildHuffmanCodes(kDcLuminance, &dcLuma);
        BuildHuffmanCodes(kAcLuminance, &acLuma);
        BuildHuffmanCodes(kDcChrominance, &dcChroma);
        BuildHuffmanCodes(kAcChrominance, &acChroma);
    }
};

// Reads the image top row first, whatever its row order.
struct RowSource {
    const uint8_t* pixels;
    uint64_t stride;
    int height;
    bool topDown;
    const uint8_t* Row(int y) const {
        return pixels + stride * static_cast<uint64_t>(topDown ? y : height - 1 - y);
    }
};

// The rows of the next band of MCUs, fetched into the cache a column at a time while the current
// band is coded, so that their conversion does not wait for memory. No rows past the image.
template <int Rows>
class NextBand {
public:
    NextBand(const RowSource& src, int y0, int rowBytes) : lastByte_(rowBytes - 1) {
        if (y0 >= src.height) return;
        for (int r = 0; r < Rows; ++r) rows_[r] = src.Row(y0 + r < src.height ? y0 + r : src.height - 1);
    }
    void Fetch(int offset) const {
        if (!rows_[0]) return;
        for (const uint8_t* row : rows_) __builtin_prefetch(row + std::min(offset, lastByte_));
    }

private:
    const uint8_t* rows_[Rows] = {};
    int lastByte_;
};

void EncodeGrey(const RowSource& src, int width, const EncoderTables& t, JpegBitWriter& writer) {
    const int blocks = (width + 7) / 8;
    const int padded = blocks * 8;
    std::vector<int16_t> plane(static_cast<size_t>(padded) * 8);
    int16_t predictor = 0;
    alignas(16) int16_t coeffs[64];
    for (int y0 = 0; y0 < src.height; y0 += 8) {
        for (int r = 0; r < 8; ++r) {
            int y = y0 + r < src.height ? y0 + r : src.height - 1;
            GreyRowToSamples(src.Row(y), width, padded, plane.data() + static_cast<size_t>(r) * padded);
        }
        const NextBand<8> next(src, y0 + 8, width);
        for (int b = 0; b < blocks; ++b) {
            next.Fetch(8 * b);
            ForwardDctQuantize(plane.data() + b * 8, padded, t.lumaDiv, coeffs);
            EncodeBlock(writer, coeffs, &predictor, t.dcLuma, t.acLuma);
        }
    }
}

void EncodeColour(const RowSource& src, int width, const EncoderTables& t, JpegBitWriter& writer) {
    const int mcus = (width + 15) / 16;
    const size_t padded = static_cast<size_t>(mcus) * 16, chromaPadded = padded / 2;
    std::vector<int16_t> planes(padded * 16 + chromaPadded * 8 * 2);
    int16_t* yPlane = planes.data();
    int16_t* cbPlane = yPlane + padded * 16;
    int16_t* crPlane = cbPlane + chromaPadded * 8;
    int16_t predictors[3] = {0, 0, 0};
    alignas(16) int16_t coeffs[6][64];
    for (int y0 = 0; y0 < src.height; y0 += 16) {
        for (int r = 0; r < 16; ++r) {
            int y = y0 + r < src.height ? y0 + r : src.height - 1;
            bool chroma = (r & 1) == 0;
            BgrRowToSamples(src.Row(y), width, static_cast<int>(padded), yPlane + r * padded,
                            chroma ? cbPlane + (r / 2) * chromaPadded : nullptr,
                            chroma ? crPlane + (r / 2) * chromaPadded : nullptr);
        }
        const NextBand<16> next(src, y0 + 16, 3 * width);
        for (int m = 0; m < mcus; ++m) {
            next.Fetch(48 * m);
            const int16_t* y = yPlane + static_cast<size_t>(m) * 16;
            const int16_t* luma[4] = {y, y + 8, y + 8 * padded, y + 8 * padded + 8};
            // The six transforms first, then the six codings: the processor overlaps transforms
            // that follow one another, which a coding in between (and its mispredicted branches)
            // keeps apart.
            for (int i = 0; i < 4; ++i) ForwardDctQuantize(luma[i], padded, t.lumaDiv, coeffs[i]);
            ForwardDctQuantize(cbPlane + static_cast<size_t>(m) * 8, chromaPadded, t.chromaDiv, coeffs[4]);
            ForwardDctQuantize(crPlane + static_cast<size_t>(m) * 8, chromaPadded, t.chromaDiv, coeffs[5]);
            for (int i = 0; i < 4; ++i) EncodeBlock(writer, coeffs[i], &predictors[0], t.dcLuma, t.acLuma);
            EncodeBlock(writer, coeffs[4], &predictors[1], t.dcChroma, t.acChroma);
            EncodeBlock(writer, coeffs[5], &predictors[2], t.dcChroma, t.acChroma);
        }
    }
}

}  // namespace

CMiniJpeg::~CMiniJpeg() { FreeOutput(); }

void CMiniJpeg::FreeOutput() {
    if (m_output) GlobalFree(m_output);
    m_output = nullptr;
    m_outputSize = 0;
}

HGLOBAL CMiniJpeg::GetOutput(SIZE_T* size) {
    HGLOBAL out = m_output;
    if (size) *size = m_outputSize;
    m_output = nullptr;
    m_outputSize = 0;
    return out;
}

int CMiniJpeg::EncodeToMemory(HGLOBAL dib) {
    FreeOutput();
    if (!dib || GlobalSize(dib) < sizeof(BITMAPINFOHEADER)) return kBadDib;
    auto* base = static_cast<const uint8_t*>(GlobalLock(dib));
    if (!base) return kNoMemory;
    int result = kOk;
    try {
        BITMAPINFOHEADER h;
        memcpy(&h, base, sizeof(h));
        int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : int64_t(h.biHeight);
        DibLayout layout;
        if (h.biWidth < 1 || h.biWidth > 65535 || height < 1 || height > 65535) {
            result = kBadDib;
        } else if (h.biBitCount != 8 && h.biBitCount != 24) {
            result = kBadDepth;
        } else if (!ComputeDibLayout(reinterpret_cast<const BITMAPINFOHEADER*>(base), GlobalSize(dib), &layout)) {
            result = kBadDib;
        } else {
            const bool colour = layout.bitCount == 24;
            const int width = layout.width;
            const EncoderTables tables(m_quality);
            JpegOutput out;
            double area = double(width) * double(layout.height);
            size_t capacity = static_cast<size_t>(colour ? area + 1024 : area / 1.5 + 1024);
            if (!out.Reserve(capacity)) {
                result = kNoMemory;
            } else if (!WriteHeaders(out, colour, width, layout.height, h.biXPelsPerMeter, h.biYPelsPerMeter,
                                     tables.lumaQ, tables.chromaQ)) {
                result = kNoMemory;
            } else {
                RowSource src{base + layout.pixelOffset, layout.stride, layout.height, layout.topDown};
                JpegBitWriter writer(out);
                if (colour)
                    EncodeColour(src, width, tables, writer);
                else
                    EncodeGrey(src, width, tables, writer);
                const uint8_t eoi[2] = {0xFF, 0xD9};
                if (!writer.Finish() || !out.Append(eoi, 2)) {
                    result = kNoMemory;
                } else {
                    size_t size = 0;
                    m_output = out.Detach(&size);
                    m_outputSize = size;
                    if (!m_output) result = kNoMemory;
                }
            }
        }
    } catch (const std::bad_alloc&) {
        result = kNoMemory;
    }
    GlobalUnlock(dib);
    return result;
}

int CMiniJpeg::EncodeToFile(HGLOBAL dib, const char* path) {
    int result = EncodeToMemory(dib);
    if (result != kOk) return result;
    if (!path) {
        FreeOutput();
        return kFileFailed;
    }
    FILE* f = fopen(path, "wb");
    if (!f) {
        FreeOutput();
        return kFileFailed;
    }
    bool written = fwrite(m_output, 1, m_outputSize, f) == m_outputSize;
    written = (fclose(f) == 0) && written;
    if (!written) {
        remove(path);
        result = kFileFailed;
    }
    FreeOutput();
    return result;
}
