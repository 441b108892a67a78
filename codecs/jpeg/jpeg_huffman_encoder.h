// Huffman coding of quantised blocks with the example tables of the standard: canonical codes
// per symbol, then DC difference, zero runs (ZRL per 16), run/size symbols and EOB.
#pragma once

#include <cstdint>

#include "codecs/jpeg/jpeg_bit_writer.h"
#include "codecs/jpeg/jpeg_tables.h"

namespace jpeg {

struct JpegHuffmanCodes {
    uint16_t code[256];
    uint8_t length[256];   // 0: symbol not in the table
};

// Canonical codes of a table: code 0 upwards, doubled after each length.
void BuildHuffmanCodes(const HuffmanSpec& table, JpegHuffmanCodes* out);

// coeffs: natural order. predictor: the component's last DC, updated.
void EncodeBlock(JpegBitWriter& writer, const int16_t coeffs[64], int16_t* predictor, const JpegHuffmanCodes& dc,
                 const JpegHuffmanCodes& ac);

}  // namespace jpeg
