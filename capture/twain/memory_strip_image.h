// The DIB that a memory transfer builds from strips. The source's image information and every
// strip descriptor are checked before a byte is written: the rows of a strip are placed by its
// BytesPerRow, Rows, XOffset and YOffset into a bottom-up DIB (RGB turned into BGR on the way),
// so unpadded rows and odd strip sizes come out row-exact and nothing is written out of bounds.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>

#include "base/dib_layout.h"
#include "base/error_codes.h"
#include "twain/twain.h"

class MemoryStripImage {
public:
    MemoryStripImage() = default;
    ~MemoryStripImage();
    MemoryStripImage(const MemoryStripImage&) = delete;
    MemoryStripImage& operator=(const MemoryStripImage&) = delete;

    // Checks the image information (size, depth, pixel type and colour count) and allocates the
    // DIB with its header and colour table. Returns 0, or an engine error code: -1002 when memory
    // runs out, -1010 for image information the engine cannot build a DIB from.
    LONG Create(const TW_IMAGEINFO& info, const RGBQUAD* colors, uint32_t colorCount, LONG xPelsPerMeter,
                LONG yPelsPerMeter);
    // Places one strip that the source wrote into a buffer of capacity bytes. False when the
    // descriptor does not fit the buffer or the image.
    bool PlaceStrip(const TW_IMAGEMEMXFER& strip, const uint8_t* buffer, uint64_t capacity);
    // Hands out the DIB (the caller owns it).
    HGLOBAL Release();
    const DibLayout& Layout() const { return m_layout; }

private:
    HGLOBAL m_dib = nullptr;
    uint8_t* m_bits = nullptr;  // the locked block's pixels
    uint8_t* m_base = nullptr;
    DibLayout m_layout = {};
    bool m_swapRedBlue = false;
};

// Colour count a pixel type needs at a depth (0 for RGB), or -1 when the pair is not a DIB the
// engine builds. A palette image gives its own count, which must fit the depth.
int MemoryImageColorCount(TW_INT16 pixelType, TW_INT16 bitsPerPixel, uint32_t paletteColors);
