// Conversion of a packed DIB of 32 bits per pixel to 24 bits, as every image entering the buffer
// is normalised.
#pragma once

#include "lumetta_win.h"

// Null for a block the layout check refuses or when memory runs out. At 32 bits a NEW handle
// (biSize 40, 24 bits, no colour table; the caller frees the old one); below 32 bits the same.
HGLOBAL ConvertDIBTo24Bit(HGLOBAL dib);
