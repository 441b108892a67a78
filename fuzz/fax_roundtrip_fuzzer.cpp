// Round trips of the fax codec: rows made from the input bytes, encoded in the coding the first
// bytes choose and decoded again, come back bit for bit (the bits past the width cleared).
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codecs/tiff/fax_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    FaxStripParams p;
    p.compression = WORD(2 + data[0] % 3);
    p.width = 1 + ((uint32_t(data[1]) << 8 | data[2]) % 3000);
    p.t4Options = data[3] & 5;
    p.byteAlignedRows = data[3] & 16;
    p.endOfBlock = !(data[3] & 2);
    p.kFactor = 1 + (data[3] >> 5);
    p.rowStride = (p.width + 7) / 8;
    data += 4;
    size -= 4;
    p.height = DWORD(size / p.rowStride);
    if (p.height == 0) return 0;
    if (p.height > 64) p.height = 64;

    // The input rows; a run-heavy variant when the width is large keeps long runs in play.
    std::vector<uint8_t> rows(data, data + p.rowStride * p.height);
    const uint8_t tail = (p.width % 8) ? uint8_t(0xFF << (8 - p.width % 8)) : 0xFF;
    for (DWORD y = 0; y < p.height; ++y) rows[y * p.rowStride + p.rowStride - 1] &= tail;

    std::vector<uint8_t> strip;
    if (CTIFFFax::EncodeStrip(rows.data(), p, strip) != CTIFFFax::kOk) abort();
    std::vector<uint8_t> back(rows.size(), 0xEE);
    DWORD decoded = 0;
    if (CTIFFFax::DecodeStrip(strip.data(), strip.size(), p, back.data(), back.size(), &decoded) != CTIFFFax::kOk)
        abort();
    if (decoded != p.height || back != rows) abort();
    return 0;
}
