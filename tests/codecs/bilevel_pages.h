// Bilevel test pages for the fax codec tests and benchmark: rows of packed bits, most significant
// bit first, 1 = black, top row first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace faxtest {

struct BilevelPage {
    uint32_t width = 0;
    uint32_t height = 0;
    size_t stride = 0;  // (width + 7) / 8
    std::vector<uint8_t> bits;

    uint8_t* Row(uint32_t y) { return bits.data() + y * stride; }
    const uint8_t* Row(uint32_t y) const { return bits.data() + y * stride; }
    bool Black(uint32_t x, uint32_t y) const { return (Row(y)[x >> 3] >> (7 - (x & 7))) & 1; }
    void Set(uint32_t x, uint32_t y) { Row(y)[x >> 3] |= uint8_t(0x80 >> (x & 7)); }
    void Fill(uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1);  // black rectangle, clipped
};

BilevelPage BlankPage(uint32_t width, uint32_t height);

// A typed page: margins, lines of glyph-like letter shapes in words, a heading, ruled lines, a
// framed box, a dithered photo patch and a signature-like scribble.
BilevelPage TextPage(uint32_t width, uint32_t height, uint32_t seed);

// An A4 page at 300 dots per inch (2480 x 3508) of TextPage.
BilevelPage A4Page(uint32_t seed = 1);

// Noise: each pixel black with probability percent / 100.
BilevelPage NoisePage(uint32_t width, uint32_t height, uint32_t seed, int percent);

// Rows of runs of every length from 0 to maxRun of both colours, in varying order, so every
// terminating and make-up code is used.
BilevelPage RunLengthPage(uint32_t width, uint32_t maxRun);

}  // namespace faxtest
