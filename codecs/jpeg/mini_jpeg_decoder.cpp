#include "codecs/jpeg/mini_jpeg_decoder.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "codecs/jpeg/jpeg_bit_reader.h"
#include "codecs/jpeg/jpeg_color_decode.h"
#include "codecs/jpeg/jpeg_huffman_decoder.h"
#include "codecs/jpeg/jpeg_idct.h"
#include "codecs/jpeg/jpeg_segments.h"
#include "base/dib_layout.h"

using namespace jpeg;

CMiniJpegDecoder::CMiniJpegDecoder()
    : m_info(new (std::nothrow) JpegStreamInfo),
      m_limit(new (std::nothrow) JpegRangeLimit),
      m_colors(new (std::nothrow) JpegColorTables) {}

CMiniJpegDecoder::~CMiniJpegDecoder() {
    delete m_info;
    delete m_limit;
    delete m_colors;
    if (m_dib) GlobalFree(m_dib);
}

HGLOBAL CMiniJpegDecoder::GetDIB() {
    HGLOBAL dib = m_dib;
    m_dib = nullptr;
    return dib;
}

namespace {

// Every block of a baseline scan codes at least its DC difference and an end of block, one bit
// each at the shortest: a frame whose blocks need more bits than the entropy-coded bytes after
// the scan header hold is not what the data holds, and is refused before its pixels are reserved.
bool ScanCanHoldFrame(const JpegStreamInfo& info, uint64_t length) {
    if (info.width <= 0 || info.height <= 0 || info.mcuWidth <= 0 || info.mcuHeight <= 0) return false;
    const uint64_t mcus = (uint64_t(info.width) + uint64_t(info.mcuWidth) - 1) / uint64_t(info.mcuWidth) *
                          ((uint64_t(info.height) + uint64_t(info.mcuHeight) - 1) / uint64_t(info.mcuHeight));
    const uint64_t blocksPerMcu =
        info.componentCount == 1 ? 1 : uint64_t(info.components[0].h) * uint64_t(info.components[0].v) + 2;
    const uint64_t coded = length > info.scanStart ? length - info.scanStart : 0;
    return mcus * blocksPerMcu * 2 <= coded * 8;
}

// The pixel rows of the frame's DIB: 8-bit grey or 24-bit colour, rows padded to 4 bytes.
uint64_t FrameImageBytes(const JpegStreamInfo& info) {
    const uint64_t bytesPerPixel = info.componentCount == 1 ? 1 : 3;
    const uint64_t stride = (bytesPerPixel * uint64_t(info.width) + 3) & ~uint64_t(3);
    return stride * uint64_t(info.height);
}

uint64_t FrameTableBytes(const JpegStreamInfo& info) { return info.componentCount == 1 ? 1024 : 0; }

}  // namespace

uint64_t CMiniJpegDecoder::BlockBytesOf(const BYTE* bytes, SIZE_T length) {
    std::unique_ptr<JpegStreamInfo> info(new (std::nothrow) JpegStreamInfo);
    if (!info || ParseJpegSegments(bytes, length, info.get()) != kDecodeOk) return 0;
    const uint64_t imageBytes = FrameImageBytes(*info);
    if (imageBytes > kMaxDibImageBytes || !ScanCanHoldFrame(*info, length)) return 0;
    return 40 + FrameTableBytes(*info) + imageBytes;
}

bool CMiniJpegDecoder::FrameFitsData(const BYTE* bytes, SIZE_T length) {
    std::unique_ptr<JpegStreamInfo> info(new (std::nothrow) JpegStreamInfo);
    if (!info) return true;
    return ParseJpegSegments(bytes, length, info.get()) != kDecodeOk || ScanCanHoldFrame(*info, length);
}

int CMiniJpegDecoder::Decode(const BYTE* bytes, SIZE_T length) {
    if (m_dib) {
        GlobalFree(m_dib);
        m_dib = nullptr;
    }
    if (!m_info || !m_limit || !m_colors) return kNoMemory;
    *m_info = JpegStreamInfo{};
    int r = ParseJpegSegments(bytes, length, m_info);
    if (r != kDecodeOk) return r;
    m_data = bytes;
    m_size = length;

    const bool grey = m_info->componentCount == 1;
    const uint64_t bytesPerPixel = grey ? 1 : 3;
    const uint64_t stride = (bytesPerPixel * m_info->width + 3) & ~uint64_t(3);
    const uint64_t imageBytes = FrameImageBytes(*m_info);
    if (imageBytes > kMaxDibImageBytes) return kNoMemory;
    if (!ScanCanHoldFrame(*m_info, length)) return kBadFormat;
    const uint64_t tableBytes = FrameTableBytes(*m_info);
    // Every byte is written below (pixels, then the padding of each row): no zero fill needed.
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(40 + tableBytes + imageBytes));
    if (!dib) return kNoMemory;
    auto* p = static_cast<BYTE*>(GlobalLock(dib));
    if (!p) {
        GlobalFree(dib);
        return kNoMemory;
    }
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = m_info->width;
    h.biHeight = m_info->height;
    h.biPlanes = 1;
    h.biBitCount = grey ? 8 : 24;
    h.biCompression = BI_RGB;
    h.biXPelsPerMeter = m_info->xPelsPerMeter;
    h.biYPelsPerMeter = m_info->yPelsPerMeter;
    h.biClrUsed = grey ? 256 : 0;
    memcpy(p, &h, sizeof(h));
    if (grey) {
        auto* palette = reinterpret_cast<RGBQUAD*>(p + 40);
        for (int i = 0; i < 256; ++i) palette[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    }
    r = DecodeScan(p + 40 + tableBytes, stride);
    GlobalUnlock(dib);
    if (r != kOk) {
        GlobalFree(dib);
        return r;
    }
    m_dib = dib;
    return kOk;
}

int CMiniJpegDecoder::DecodeScan(BYTE* pixels, uint64_t stride) {
    // stride >= bytes of a row; the rest of each row is zeroed as it is written.
    const JpegStreamInfo& info = *m_info;
    const int n = info.componentCount;
    const int mcuW = info.mcuWidth, mcuH = info.mcuHeight;
    const int hY = n == 1 ? 1 : info.components[0].h, vY = n == 1 ? 1 : info.components[0].v;
    const int mcusPerRow = (info.width + mcuW - 1) / mcuW;
    const int mcuRows = (info.height + mcuH - 1) / mcuH;

    float dequant[3][64];
    bool bounded[3];
    for (int c = 0; c < n; ++c) {
        const uint16_t* quant = info.quant[info.components[c].quantTable];
        BuildDequantTable(quant, dequant[c]);
        bounded[c] = OutputsStayBounded(quant);
    }

    // One row of MCUs at a time: the luminance plane and, for colour, the two chroma planes.
    const size_t yStride = static_cast<size_t>(mcusPerRow) * mcuW;
    const size_t cStride = static_cast<size_t>(mcusPerRow) * 8;
    std::vector<uint8_t> planes;
    try {
        planes.resize(yStride * mcuH + (n == 3 ? 2 * cStride * 8 + 6 * cStride : 0));
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    uint8_t* yPlane = planes.data();
    uint8_t* cbPlane = yPlane + yStride * mcuH;
    uint8_t* crPlane = cbPlane + cStride * 8;
    auto* termBase = reinterpret_cast<int16_t*>(crPlane + cStride * 8);
    const ChromaTerms terms{termBase, termBase + cStride, termBase + 2 * cStride};
    const uint64_t rowBytes = static_cast<uint64_t>(info.width) * n;

    JpegBitReader reader;
    reader.Start(m_data, m_size, info.scanStart);
    int16_t predictors[3] = {0, 0, 0};
    const JpegComponent* comp = info.components;
    alignas(16) int16_t coeffs[64];
    uint32_t mcusSinceRestart = 0;

    auto block = [&](int c, uint8_t* out, size_t outStride) {
        memset(coeffs, 0, sizeof(coeffs));
        unsigned spread = 0;
        const int last =
            DecodeBlock(reader, info.dc[comp[c].dcTable], info.ac[comp[c].acTable], &predictors[c], coeffs, &spread);
        if (last)
            InverseDctOfBlock(coeffs, dequant[c], *m_limit, out, outStride, spread, bounded[c]);
        else
            InverseDctDcOnly(coeffs[0], dequant[c], *m_limit, out, outStride);
    };

    for (int my = 0; my < mcuRows; ++my) {
        for (int mx = 0; mx < mcusPerRow; ++mx) {
            if (info.restartInterval && mcusSinceRestart == info.restartInterval) {
                reader.Restart();
                predictors[0] = predictors[1] = predictors[2] = 0;
                mcusSinceRestart = 0;
            }
            ++mcusSinceRestart;
            for (int by = 0; by < vY; ++by)
                for (int bx = 0; bx < hY; ++bx)
                    block(0, yPlane + by * 8 * yStride + static_cast<size_t>(mx) * mcuW + bx * 8, yStride);
            if (n == 3) {
                block(1, cbPlane + static_cast<size_t>(mx) * 8, cStride);
                block(2, crPlane + static_cast<size_t>(mx) * 8, cStride);
            }
        }
        // The visible rows of this MCU row go straight to their bottom-up place in the DIB.
        for (int r = 0; r < mcuH; ++r) {
            int y = my * mcuH + r;
            if (y >= info.height) break;
            BYTE* out = pixels + stride * static_cast<uint64_t>(info.height - 1 - y);
            const uint8_t* yRow = yPlane + static_cast<size_t>(r) * yStride;
            if (n == 1) {
                memcpy(out, yRow, info.width);
            } else {
                if (r % vY == 0) {
                    size_t c = static_cast<size_t>(r / vY) * cStride;
                    ComputeChromaTerms(*m_colors, cbPlane + c, crPlane + c, (info.width + hY - 1) / hY, terms);
                }
                YccRowToBgr(*m_colors, yRow, terms, hY, info.width, out);
            }
            memset(out + rowBytes, 0, stride - rowBytes);  // row padding
        }
    }
    return kOk;
}
