// Round trips of the fax codec: rows made from the input bytes, encoded in the coding the first
// bytes choose and decoded again, come back bit for bit (the bits past the width cleared). Any
// width up to 2^22 (spread over every power of two), as many rows as the input
// fills, every encoder option.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codecs/tiff/fax_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    FaxStripParams p;
    p.compression = WORD(2 + data[0] % 3);
    // Widths up to 2^22: a row of random runs that wide takes the sanitized coder a second each
    // way, the widest the decoder targets take.
    const uint32_t widthBits = 1 + data[1] % 22;
    const uint32_t w = uint32_t(data[2]) << 16 | uint32_t(data[3]) << 8 | data[4];
    p.width = 1 + (w & ((1u << widthBits) - 1));
    if (p.width > CTIFFFax::kMaxWidth) p.width = CTIFFFax::kMaxWidth;
    p.t4Options = data[5] & 5;  // 2-D, aligned EOLs (uncompressed mode is never written)
    p.byteAlignedRows = data[5] & 16;
    p.endOfBlock = !(data[5] & 2);
    p.kFactor = 1 + (data[5] >> 5);
    p.rowStride = (p.width + 7) / 8;
    data += 6;
    size -= 6;
    if (size == 0) return 0;
    // The input bytes over and over, as many rows as they fill (one at least); a wide row repeats
    // a short input, which keeps long runs in play.
    p.height = DWORD(size / p.rowStride ? size / p.rowStride : 1);
    // (Up to 1 MiB of rows, two rows of the widest width: more is only more of the same work.)
    if (p.rowStride * p.height > (size_t(1) << 20)) p.height = DWORD((size_t(1) << 20) / p.rowStride);
    if (p.height == 0) p.height = 1;
    std::vector<uint8_t> rows(p.rowStride * p.height);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = data[i % size];
    const uint8_t tail = (p.width % 8) ? uint8_t(0xFF << (8 - p.width % 8)) : 0xFF;
    for (DWORD y = 0; y < p.height; ++y) rows[y * p.rowStride + p.rowStride - 1] &= tail;

    std::vector<uint8_t> strip;
    if (CTIFFFax::EncodeStrip(rows.data(), p, strip) != CTIFFFax::kOk) abort();
    if (!CTIFFFax::CanHoldRows(strip.size(), p)) abort();  // the reader's bound holds for real strips
    std::vector<uint8_t> back(rows.size(), 0xEE);
    DWORD decoded = 0;
    if (CTIFFFax::DecodeStrip(strip.data(), strip.size(), p, back.data(), back.size(), &decoded) != CTIFFFax::kOk)
        abort();
    if (decoded != p.height || back != rows) abort();
    return 0;
}
