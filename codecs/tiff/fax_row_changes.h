// A bilevel row (packed bits, most significant first, 1 = black) as the list of its changing
// elements: the positions where the colour differs from the pixel before, the row starting white.
// Lists are strictly increasing and end with three entries equal to the width, so searches that
// run over the end stop there.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fax {

constexpr int kChangeSentinels = 3;

// Writes the changes of `row` (width pixels, bits past the width ignored) to `changes`, which has
// room for width + kChangeSentinels entries; returns their count without the sentinels.
// `scratch` has room for ScratchWords(width) words.
size_t ScratchWords(uint32_t width);
int FindChanges(const uint8_t* row, uint32_t width, uint64_t* scratch, uint32_t* changes);

// Writes a row of width pixels from its changes (count entries, all below the width): every
// byte of the row is written, bits past the width are zero.
void FillRow(uint8_t* row, uint32_t width, const uint32_t* changes, int count);

}  // namespace fax
