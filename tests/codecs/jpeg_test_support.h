// Helpers of the JPEG codec tests: DIBs from a pixel function, the segments of a stream, and
// pixels of a decoded DIB.
#pragma once

#include "lumetta_win.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace jpegtest {

// A packed DIB (24-bit B, G, R or 8-bit with a grey table) whose pixel (x, y), y from the top,
// is pixel(x, y, channel); channel 0 is blue (or grey), 1 green, 2 red.
HGLOBAL MakeDib(int width, int height, int bits, const std::function<uint8_t(int, int, int)>& pixel,
                bool topDown = false, LONG pelsPerMeter = 3780);

// A smooth, photo-like test pattern with some edges.
uint8_t Pattern(int x, int y, int channel);

struct Segment {
    uint8_t marker;
    std::vector<uint8_t> payload;  // after the length field
};

// The marker segments up to and including SOS, and the entropy-coded data (from after SOS up to
// the EOI marker, not included).
bool SplitStream(const std::vector<uint8_t>& stream, std::vector<Segment>* segments, std::vector<uint8_t>* scan);

// Tables of all DHT segments: class/id byte -> counts and symbols. Same for DQT: id -> 64 values.
std::vector<std::pair<int, std::vector<uint8_t>>> HuffmanTables(const std::vector<Segment>& segments);
std::vector<std::pair<int, std::vector<uint8_t>>> QuantTables(const std::vector<Segment>& segments);
const Segment* FindSegment(const std::vector<Segment>& segments, uint8_t marker);

// Bytes of a global block.
std::vector<uint8_t> BlockBytes(HGLOBAL block, SIZE_T size);

// A decoded DIB, top row first: width x height x channels bytes (B, G, R or grey).
struct Image {
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> pixels;
    uint8_t at(int x, int y, int c) const { return pixels[(size_t(y) * width + x) * channels + c]; }
};
Image ReadDib(HGLOBAL dib);

// Encodes and decodes with the own codec.
std::vector<uint8_t> Encode(HGLOBAL dib, int quality, int* result = nullptr);
int Decode(const std::vector<uint8_t>& stream, Image* image, HGLOBAL* dibOut = nullptr);

// FNV-1a of bytes.
uint64_t Fnv1a(const std::vector<uint8_t>& bytes);

}  // namespace jpegtest
