// Huffman coding of quantised blocks with the example tables of the standard: canonical codes
// per symbol, then DC difference, zero runs (ZRL per 16), run/size symbols and EOB.
#pragma once

#include <cstdint>

#include "codecs/jpeg/jpeg_bit_writer.h"
#include "codecs/jpeg/jpeg_tables.h"

namespace jpeg {

// Per symbol, what is written for it together with the value bits it announces (as many as
// its low four bits say: the category of a DC difference, the size of an AC run/size symbol):
// bits 8 and up hold its code shifted left by that many bits, bits 0..7 the code's length plus
// them. A symbol not in the table has no code, only the value bits.
struct JpegHuffmanCodes {
    uint64_t entry[256];
};

// Canonical codes of a table: code 0 upwards, doubled after each length.
void BuildHuffmanCodes(const HuffmanSpec& table, JpegHuffmanCodes* out);

// coeffs: natural order. predictor: the component's last DC, updated.
void EncodeBlock(JpegBitWriter& writer, const int16_t coeffs[64], int16_t* predictor, const JpegHuffmanCodes& dc,
                 const JpegHuffmanCodes& ac);

}  // namespace jpeg
