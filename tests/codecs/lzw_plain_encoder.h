// A plain TIFF LZW encoder for the tests: the string table is a std::map from (prefix code, next
// byte) to code, emptied at every clear. It follows the same rules as the product's encoder (and
// libtiff's): Clear first, widths of 9 to 12 bits growing when the next code passes the width,
// a clear when the next code reaches 4094, a ratio checkpoint every 10000 input bytes, the end
// code at the width the decoder reads it with. How the table is kept is the part that differs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lzwtest {

struct PlainLzwStrip {
    std::vector<uint8_t> bytes;
    unsigned clears = 0;       // Clear codes written after the first one
    unsigned ratioClears = 0;  // of which the ratio checkpoint asked for
};

PlainLzwStrip PlainLzwEncode(const uint8_t* data, size_t size);

// Test inputs: noise (every byte value, the table fills every few thousand bytes), a scan-like
// page (paper grain, dark text, a smooth photo), and blocks that alternate between one value
// held and coin flips between two (the ratio checkpoint clears the table when compression drops).
std::vector<uint8_t> Noise(size_t size, uint32_t seed);
std::vector<uint8_t> ScanLike(size_t width, size_t height, uint32_t seed);
std::vector<uint8_t> HeldAndFlipped(size_t size, size_t block, uint32_t seed);

}  // namespace lzwtest
