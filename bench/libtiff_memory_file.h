// A TIFF file in memory for libtiff's client I/O, so that the benchmarks' reference side never
// touches the disk: writes grow the buffer, reads and seeks move within it.
#pragma once

#include <cstdint>
#include <vector>

#include <tiffio.h>

struct MemFile {
    std::vector<uint8_t> bytes;
    uint64_t pos = 0;
};

// Opens the buffer from its start ("r" or "w" as TIFFOpen takes them).
TIFF* OpenMemFile(MemFile& f, const char* mode);

// The first strip of the file: decoded by libtiff into out (its size bytes), and as stored.
void LibtiffDecode(MemFile& f, std::vector<uint8_t>& out);
std::vector<uint8_t> LibtiffRawStrip(MemFile& f);
