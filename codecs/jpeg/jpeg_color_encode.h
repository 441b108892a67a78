// Input stage of the encoder: rows of DIB pixels to level-shifted samples. Colour pixels
// (B, G, R) become Y, Cb and Cr through 16.16 fixed-point weights; Cb and Cr are taken from the
// first pixel of every 2 x 2 group (4:2:0 without averaging).
#pragma once

#include <cstdint>

namespace jpeg {

// width grey levels to width samples, level - 128; the row is then extended to paddedWidth by
// repeating its last sample.
void GreyRowToSamples(const uint8_t* in, int width, int paddedWidth, int16_t* out);

// width BGR pixels to luminance samples (Y - 128), extended to paddedWidth like the grey rows.
// With cb and cr given, every second pixel (from the first) also gives a chroma sample, the
// rows extended to paddedWidth / 2.
void BgrRowToSamples(const uint8_t* in, int width, int paddedWidth, int16_t* y, int16_t* cb, int16_t* cr);

}  // namespace jpeg
