// Constant tables of baseline JPEG shared by the decoder and the encoder: the zigzag order, the
// AAN scale factors of the float DCTs, and the example quantisation and Huffman tables of the
// JPEG standard (Annex K), which the encoder writes into every stream.
#pragma once

#include <cstdint>

namespace jpeg {

// Natural (row-major) index of each zigzag position. Sixteen extra entries point at 63, so an
// index that runs past the block while decoding a damaged stream still lands inside it.
extern const uint8_t kZigzagToNatural[64 + 16];

// Zigzag position of each natural index.
extern const uint8_t kNaturalToZigzag[64];

// Scale factors of the AAN DCT factorisation: a[0] = 1, a[k] = cos(k * pi / 16) * sqrt(2).
extern const double kAanScale[8];

// Base quantisation tables, natural order (luminance and chrominance).
extern const uint8_t kLuminanceQuant[64];
extern const uint8_t kChrominanceQuant[64];

// A Huffman table as a DHT segment carries it: code counts per length 1..16, then the symbols.
struct HuffmanSpec {
    uint8_t counts[16];
    const uint8_t* symbols;
    int symbolCount;
};
extern const HuffmanSpec kDcLuminance;
extern const HuffmanSpec kDcChrominance;
extern const HuffmanSpec kAcLuminance;
extern const HuffmanSpec kAcChrominance;

}  // namespace jpeg
