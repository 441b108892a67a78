// The own PNG reader on hostile bytes. The first input byte picks how the rest reaches it:
// as they are; with the CRC of every chunk made right (so that the fuzzer gets past the checks
// into the chunk and row code); or as header fields, palette and raw rows that the harness wraps
// into a well-formed file (to reach the filters, sample layouts and interlacing). Every image
// read must be a valid DIB that the writer takes again.
#include <cstdlib>
#include <cstring>
#include <vector>

#include <zlib.h>

#include "codecs/png/png_codec.h"
#include "base/dib_layout.h"

namespace {

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

void AddChunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t n) {
    PutU32(out, uint32_t(n));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + n);
    PutU32(out, uint32_t(crc32(0, out.data() + start, uInt(n + 4))));
}

void FixCrcs(std::vector<uint8_t>& b) {
    size_t pos = 8;
    while (pos + 12 <= b.size()) {
        uint32_t len = (uint32_t(b[pos]) << 24) | (uint32_t(b[pos + 1]) << 16) | (uint32_t(b[pos + 2]) << 8) | b[pos + 3];
        if (len > b.size() - pos - 12) break;
        uint32_t crc = uint32_t(crc32(0, b.data() + pos + 4, uInt(len + 4)));
        for (int i = 0; i < 4; ++i) b[pos + 8 + len + i] = uint8_t(crc >> (24 - 8 * i));
        pos += 12 + len;
    }
}

std::vector<uint8_t> Synthesize(const uint8_t* d, size_t n) {
    static const uint8_t sig[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
    std::vector<uint8_t> out(sig, sig + 8);
    if (n < 6) return out;
    static const uint8_t layouts[][2] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                         {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
    const auto& layout = layouts[d[0] % 15];
    uint8_t ihdr[13] = {0, 0, 0, uint8_t(1 + d[1] % 70), 0, 0, 0, uint8_t(1 + d[2] % 70),
                        layout[1], layout[0], 0, 0, uint8_t(d[3] & 1)};
    AddChunk(out, "IHDR", ihdr, sizeof ihdr);
    size_t paletteBytes = size_t(d[4] % 256 + 1) * 3;
    d += 5;
    n -= 5;
    if (layout[0] == 3 || (layout[0] == 2 && (d[-1] & 1))) {
        size_t p = paletteBytes < n ? paletteBytes : n - n % 3;
        if (p) AddChunk(out, "PLTE", d, p);
        d += p;
        n -= p;
    }
    uLongf size = compressBound(uLong(n));
    std::vector<uint8_t> z(size);
    compress2(z.data(), &size, d, uLong(n), 1);
    AddChunk(out, "IDAT", z.data(), size);
    AddChunk(out, "IEND", nullptr, 0);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t mode = data[0] % 3;
    std::vector<uint8_t> input;
    if (mode == 2) {
        input = Synthesize(data + 1, size - 1);
    } else {
        input.assign(data + 1, data + size);
        if (mode == 1) FixCrcs(input);
    }
    CPNG reader;
    SIZE_T dibSize = 0;
    if (reader.ReadFromMemory(input.size(), input.data(), &dibSize) != CPNG::kOk) {
        if (reader.GetDIB() != nullptr || dibSize != 0) abort();
        return 0;
    }
    HGLOBAL dib = reader.GetDIB();
    DibLayout layout;
    if (!dib || GlobalSize(dib) != dibSize || !ComputeDibLayout(dib, &layout) || layout.topDown) abort();
    if (layout.bitCount != 1 && layout.bitCount != 4 && layout.bitCount != 8 && layout.bitCount != 24) abort();
    if (layout.imageBytes <= (1u << 20)) {
        CPNG writer;
        SIZE_T written = 0;
        if (writer.WriteToMemory(dib, &written) != CPNG::kOk) abort();
        GlobalFree(writer.GetMemoryResult());
    }
    GlobalFree(dib);
    return 0;
}
