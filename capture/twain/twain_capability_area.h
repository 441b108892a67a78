// The capability work area of the engine: every TWAIN container type decoded into doubles, frames
// and strings, and the encoding of the area back into a container. Containers come from the data
// source and are not trusted: every read is bounded by the block's size.
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>

#include "twain/twain.h"

constexpr int kMaxCapItems = 1000;
constexpr int kCapStringSize = 256;

struct TwainFrame {
    float left, top, right, bottom;
};

struct TwainCapabilityArea {
    TW_UINT16 capability;
    TW_UINT16 conType;
    TW_UINT16 itemType;  // initially TWTY_FIX32
    double oneValue;
    char oneString[kCapStringSize];
    TwainFrame oneFrame;
    double rangeMin, rangeMax, rangeStep, rangeDefault, rangeCurrent;
    TW_UINT16 arrayItemType;
    TW_UINT32 arrayCount;
    TW_UINT16 enumItemType;
    TW_UINT32 enumCount, enumCurrent, enumDefault;
    double items[kMaxCapItems];
    TwainFrame frames[kMaxCapItems];
    char strings[kMaxCapItems][kCapStringSize];
};

// Bytes of one item of a TWTY_ type (2 for a type the engine does not know).
uint32_t TwainItemSize(TW_UINT16 itemType);
// The item type the engine writes a capability with, or fallback when the capability is not listed.
TW_UINT16 CapabilityItemType(TW_UINT16 capability, TW_UINT16 fallback);

float Fix32ToFloat(TW_FIX32 value);
// Rounds half away from zero; values beyond the fixed-point range saturate.
TW_FIX32 FloatToFix32(double value);

// Decodes a container of the given type into the area. False for a block too small for what it
// declares; items beyond kMaxCapItems or beyond the block are not decoded.
bool DecodeCapabilityContainer(TW_UINT16 conType, const uint8_t* block, size_t blockSize, TwainCapabilityArea& area);

// Builds a new movable zero-filled container of the area's container type, items written as
// itemType. Null for a container type other than array, enumeration, one value or range, or when
// memory runs out.
HGLOBAL EncodeCapabilityContainer(const TwainCapabilityArea& area, TW_UINT16 itemType);

// Reads a numeric one-value container (the current value of a capability). False for another
// container, a non-numeric item or a block too small.
bool DecodeOneValueNumber(TW_UINT16 conType, const uint8_t* block, size_t blockSize, double* value);
