// Helpers of the PNG codec tests: PNG streams built chunk by chunk (zlib compresses the rows and
// checks the sums, so nothing of the codec under test takes part), the chunks of a stream, and
// the pixels of a DIB as colours.
#pragma once

#include "lumetta_win.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pngtest {

using Bytes = std::vector<uint8_t>;

struct Chunk {
    std::string type;
    Bytes data;
    bool crcOk = true;
};

// A PNG stream made of chunks appended in order.
class Builder {
public:
    Builder() = default;
    // Header chunk with the given fields.
    Builder& Header(uint32_t width, uint32_t height, int depth, int colorType, int interlace = 0,
                    int compression = 0, int filter = 0);
    // A chunk with a correct CRC (or a wrong one when badCrc).
    Builder& Add(const std::string& type, const Bytes& data, bool badCrc = false);
    // One IDAT chunk holding the zlib stream of the raw rows (each with its filter byte).
    Builder& Image(const Bytes& rawRows);
    Builder& End() { return Add("IEND", {}); }
    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_ = {137, 'P', 'N', 'G', 13, 10, 26, 10};
};

Bytes Zlib(const Bytes& raw, int level = 6);
Bytes U32(uint32_t v);

// The chunks of a stream after its signature (empty when the signature is wrong).
std::vector<Chunk> SplitChunks(const Bytes& png);
std::vector<std::string> ChunkTypes(const Bytes& png);

// Bytes of a global block.
Bytes BlockBytes(HGLOBAL block, size_t size);

// A DIB of any depth the codec handles, top row first, as blue, green, red per pixel (palette
// images through their colour table).
struct Picture {
    int width = 0, height = 0;
    Bytes bgr;
    bool operator==(const Picture& o) const { return width == o.width && height == o.height && bgr == o.bgr; }
};
Picture Render(HGLOBAL dib);
// The palette indices (or grey values) of a DIB of 8 or fewer bits, top row first.
Bytes Indices(HGLOBAL dib);

// A bottom-up (or top-down) DIB of 1, 4, 8 (each with colours table entries) or 24 bits whose
// pixel bytes come from seed; the table holds distinct colours.
HGLOBAL MakeDib(int width, int height, int bits, uint32_t seed, bool topDown = false, int colours = 0,
                LONG pelsPerMeter = 0);

}  // namespace pngtest
