// Conversions of foreign packed DIBs into the engine's own form: a 40-byte header, BI_RGB,
// bottom-up rows of 1, 4, 8 or 24 bits per pixel. Every image entering the buffer passes
// ConvertDIBTo24Bit; the clipboard import repacks with RepackDib.
#pragma once

#include "lumetta_win.h"

#include <cstdint>

#include "base/dib_layout.h"

// One colour channel of a 16- or 32-bit pixel, found from its mask: the value is moved to the
// top of a byte (5 bits 0x1F give 0xF8, 6 bits 0x3F give 0xFC); wider fields keep their top
// 8 bits.
struct BitfieldChannel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    static BitfieldChannel FromMask(uint32_t mask);
    BYTE Expand(uint32_t pixel) const {
        if (!bits) return 0;
        uint32_t v = (pixel & mask) >> shift;
        return static_cast<BYTE>(bits >= 8 ? v >> (bits - 8) : v << (8 - bits));
    }
};

// The three channels of a 16- or 32-bit pixel format.
struct BitfieldFormat {
    BitfieldChannel red, green, blue;
    // 32 bits with all masks 0 (and BI_RGB at 32 bits): bytes 0, 1, 2 are blue, green, red.
    bool plainBytes = false;

    // The masks as given; at 16 bits all-zero masks mean 5-5-5, at 32 bits plain bytes.
    static BitfieldFormat FromMasks(uint32_t red, uint32_t green, uint32_t blue, int bits);
    // The format of a validated block: its masks for BI_BITFIELDS, else the BI_RGB layout.
    static BitfieldFormat OfBlock(const BYTE* block, const DibLayout& layout);
};

// Expands one row of width pixels of 16 or 32 bits into blue, green, red triples.
void ExpandRowTo24(const BYTE* source, int64_t width, int bits, const BitfieldFormat& format, BYTE* target);

// A new fixed block in the engine's form holding a validated packed DIB (its layout from
// ComputeDibLayout over at least layout.totalBytes bytes): 1, 4, 8 and 24 bits keep their depth,
// 16 and 32 bits become 24; top-down rows are turned bottom-up; the header keeps every other
// field of the source, with biSizeImage recomputed. Images of 8 bits or fewer get tableEntries
// colour-table entries, filled from the source's table as far as it goes. Null when memory runs
// out.
HGLOBAL RepackDib(const BYTE* block, const DibLayout& layout, uint32_t tableEntries);

// True when a validated block is already in the engine's form.
bool IsEngineFormDib(const DibLayout& layout);

// Null for a block the layout check refuses or when memory runs out. A block already in the
// engine's form (1, 4, 8 or 24 bits, 40-byte header, BI_RGB, bottom-up, no table at 24 bits) is
// returned as it is; any other a NEW fixed handle (16 and 32 bits as 24 bits, the rest repacked
// at their depth), which the caller frees the old one for.
HGLOBAL ConvertDIBTo24Bit(HGLOBAL dib);
