// Hand-made packed DIBs for tests.
#pragma once

#include "lumetta_win.h"

#include <cstdint>

// A bottom-up DIB in a new moveable block: 40-byte header, a grey colour table for 8 bits or
// fewer, pixels filled with a pattern derived from seed.
HGLOBAL MakeTestDib(int width, int height, int bitCount, uint32_t seed = 1);

// The seed a MakeTestDib image was made with (kept in the 4 bytes behind its pixels).
uint32_t TestDibSeed(HGLOBAL dib);
