// The result block of the barcode library: what one read found, read with every field bounded by
// the block's size (the library is outside the engine and its block is not trusted).
//
// Layout, little-endian: a 32-bit count of barcodes, then for each barcode its 32-bit format, its
// 32-bit text length n, n bytes of text, a 32-bit point count k and k pairs of 32-bit floats
// (x, y).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "lumetta_win.h"

struct BarcodeResult {
    std::string text;  // the barcode's bytes (may hold zero bytes)
    LONG format = 0;
    std::vector<float> x;
    std::vector<float> y;
};

// Reads the block into results, in block order. A text that would run past the end is cut to the
// bytes that remain and ends the block; so do points past the end (the last whole pair is kept)
// and a barcode whose fixed fields do not fit. The count is never trusted beyond what the block
// can hold. False only when the block is too short for its count.
bool ReadBarcodeResultBlock(const BYTE* block, size_t size, std::vector<BarcodeResult>& results);
