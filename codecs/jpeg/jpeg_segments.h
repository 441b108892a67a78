// The marker segments in front of the entropy-coded data of a baseline JPEG stream: the JFIF
// header, frame (SOF0), Huffman (DHT) and quantisation (DQT) tables, the restart interval (DRI)
// and the scan header (SOS). Every length is checked against the data.
#pragma once

#include <cstddef>
#include <cstdint>

#include "codecs/jpeg/jpeg_huffman_decoder.h"

namespace jpeg {

// Result codes shared by the decoder.
constexpr int kDecodeOk = 0;
constexpr int kDecodeNoMemory = 1;
constexpr int kDecodeBadFormat = 2;

struct JpegComponent {
    uint8_t h = 0, v = 0;   // sampling factors, 1 or 2
    uint8_t quantTable = 0;
    uint8_t dcTable = 0, acTable = 0;
};

struct JpegStreamInfo {
    uint16_t width = 0, height = 0;
    int componentCount = 0;   // 1 (grey) or 3 (Y, Cb, Cr)
    JpegComponent components[3];
    int mcuWidth = 8, mcuHeight = 8;   // pixels
    uint16_t restartInterval = 0;
    int32_t xPelsPerMeter = 0, yPelsPerMeter = 0;
    uint16_t quant[4][64] = {};        // natural order
    JpegHuffmanTable dc[4], ac[4];
    size_t scanStart = 0;              // first byte of the entropy-coded data
};

// Reads everything up to the entropy-coded data. kDecodeOk or kDecodeBadFormat.
int ParseJpegSegments(const uint8_t* data, size_t size, JpegStreamInfo* info);

}  // namespace jpeg
