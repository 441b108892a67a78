// Huffman decoding of baseline blocks: one table per DHT entry, with a 10-bit lookahead for the
// common short codes (code length, symbol, and code plus value length of an AC coefficient in one
// entry) and the smallest/largest code per length for the rest.
#pragma once

#include <cstdint>

#include "codecs/jpeg/jpeg_bit_reader.h"

namespace jpeg {

constexpr int kLookaheadBits = 10;

struct JpegHuffmanTable {
    // Lookahead on the next 10 bits: (symbol << 16) | (code length << 8) | (code length + the
    // value bits an AC symbol announces, its low four bits); 0 when the code is longer.
    uint32_t fast[1 << kLookaheadBits];
    int32_t maxCode[17];      // largest code of each length, -1 when the length has none
    int32_t valueOffset[17];  // symbol index of a code of that length = code + offset
    uint8_t symbols[256];
};

// Builds a table from the 16 counts and the symbols of a DHT entry. False when the counts
// cannot form a prefix code (more codes than a length can hold) or exceed 256 symbols.
bool BuildHuffmanTable(const uint8_t counts[16], const uint8_t* symbols, JpegHuffmanTable* table);

// An empty table: nothing matches, so every lookup falls through.
void ClearHuffmanTable(JpegHuffmanTable* table);

// Decodes one block into coeffs (natural order, zeroed by the caller). dc is the component's
// predictor, updated. Damaged data never fails: a code that matches nothing consumes no bits
// and (AC) moves on by one position. Returns the last zigzag position an AC coefficient was
// stored at (positions only grow within a block), 0 when none was. spread, when given, gets the
// bitwise or of the natural indices the AC coefficients were stored at (0 when none was).
int DecodeBlock(JpegBitReader& reader, const JpegHuffmanTable& dc, const JpegHuffmanTable& ac,
                int16_t* predictor, int16_t coeffs[64], unsigned* spread = nullptr);

}  // namespace jpeg
