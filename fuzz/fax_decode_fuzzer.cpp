// Arbitrary bytes as fax strips for the decoder, one target per compression (FAX_COMPRESSION:
// 2 modified Huffman, 3 group 3, 4 group 4). The first four bytes choose the row width, the row
// count and the options; the rows get a guard zone behind them that must stay untouched, and the
// result must be success or the damaged-strip code.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codecs/tiff/fax_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    FaxStripParams p;
    p.compression = FAX_COMPRESSION;
    p.width = 1 + ((uint32_t(data[0]) << 8 | data[1]) % 5000);
    p.height = 1 + data[2] % 64;
    p.t4Options = data[3] & 5;  // 2-D, aligned EOLs
    p.fillOrder = (data[3] & 8) ? 2 : 1;
    p.byteAlignedRows = data[3] & 16;
    p.kFactor = 1 + (data[3] >> 5);
    p.rowStride = (p.width + 7) / 8 + (data[3] & 2);
    data += 4;
    size -= 4;

    constexpr size_t kGuard = 32;
    const size_t rowsSize = p.rowStride * (p.height - 1) + (p.width + 7) / 8;
    std::vector<uint8_t> rows(rowsSize + kGuard, 0x5A);
    DWORD decoded = 0;
    int r = CTIFFFax::DecodeStrip(size ? data : reinterpret_cast<const uint8_t*>(""), size, p, rows.data(), rowsSize,
                                  &decoded);
    if (r != CTIFFFax::kOk && r != CTIFFFax::kBadData) abort();
    if (decoded > p.height || (r == CTIFFFax::kOk && decoded != p.height)) abort();
    for (size_t i = rowsSize; i < rows.size(); ++i)
        if (rows[i] != 0x5A) abort();
    return 0;
}
