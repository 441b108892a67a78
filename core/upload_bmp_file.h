// The BMP file of an upload: a 14-byte file header in front of the image's packed DIB.
#pragma once

#include "lumetta_win.h"

#include <cstdint>

// Builds the file into a new fixed global block (the caller frees it) from a packed DIB of
// dibSize bytes. Null when the DIB does not pass the layout check or memory runs out
// (*noMemory tells which).
HGLOBAL BuildUploadBmpFile(const BYTE* dib, uint64_t dibSize, uint64_t* fileSize, bool* noMemory);
