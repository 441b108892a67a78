// Row filters: undoing them on the rows the reader inflates, and choosing one for each row the
// writer deflates.
#pragma once

#include <cstddef>
#include <cstdint>

namespace png {

// Undoes filter type on row (n bytes) in place; prev is the row above, unfiltered (all zero for
// the first row of an image or pass); bpp is the bytes per pixel, at least 1. False for a
// filter type that does not exist.
bool UnfilterRow(uint8_t type, uint8_t* row, const uint8_t* prev, size_t n, size_t bpp);

// Picks the filter whose output has the smallest sum of the bytes taken as signed magnitudes,
// trying None, Sub, Up, Average and Paeth in that order (a later one wins only when strictly
// smaller). out receives the filter type byte followed by the n filtered bytes; scratch holds
// n + 1 bytes. prev is the row above (all zero for the first row).
void FilterRowAdaptive(const uint8_t* row, const uint8_t* prev, size_t n, size_t bpp, uint8_t* out,
                       uint8_t* scratch);

// The same choice and bytes in plain byte loops: what FilterRowAdaptive does where there is no
// vector code, and what its vector path is checked against.
void FilterRowAdaptivePlain(const uint8_t* row, const uint8_t* prev, size_t n, size_t bpp, uint8_t* out,
                            uint8_t* scratch);

}  // namespace png
