// The codes of TIFF's LZW streams, shared by the one-shot strip decoder, the row decoder and the
// encoder's width steps: two control codes, then strings from 258, in widths of 9 to 12 bits.
#pragma once

namespace tiff_lzw {

constexpr unsigned kClear = 256;
constexpr unsigned kEndOfInformation = 257;
constexpr unsigned kFirstFree = 258;
constexpr unsigned kMinWidth = 9;
constexpr unsigned kMaxWidth = 12;

constexpr unsigned MaxCode(unsigned width) { return (1u << width) - 1; }

}  // namespace tiff_lzw
