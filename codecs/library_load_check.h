// Before the platform image library sees a file's bytes: the decisions the engine's own codec of
// the bytes' format (told by their signature) takes before it reserves anything, so that a load
// through the library refuses what the own route refuses, with the same code, before the library
// reserves what the bytes cannot hold.
#pragma once

#include "lumetta_win.h"

#include <cstdint>

// A TIFF's every page (tags, declared sizes against the strips' bytes, the read's budget), a
// PNG's chunks up to its image data and what those bytes can give, a BMP's headers against its
// size (fromFile: a file's rule, else a byte array's), a JPEG's frame against its scan; then the
// load budget for the images the bytes declare in all. 0 when the bytes pass, else the engine
// error code the own route gives.
LONG LibraryLoadCheck(const BYTE* bytes, uint64_t size, bool fromFile);
