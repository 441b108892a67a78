// Arbitrary bytes as fax strips for the decoder, one target per compression (FAX_COMPRESSION:
// 2 modified Huffman, 3 group 3, 4 group 4), with the limits the product has and no other: the
// first bytes choose the row width (any width the codec takes, spread over every power of two),
// the row count (any count the strip's bytes can hold) and every option (two-dimensional group 3,
// uncompressed mode allowed for group 3 and 4, aligned EOLs, byte-aligned rows, fill order, k,
// a padded row stride). The rows get a guard zone behind them that must stay untouched, the
// result must be success or the damaged-strip code, and the rows counted must be whole.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/dib_layout.h"
#include "codecs/tiff/fax_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 7) return 0;
    FaxStripParams p;
    p.compression = FAX_COMPRESSION;
    const uint32_t widthBits = 1 + data[0] % 24;  // widths up to the codec's 2^24
    const uint32_t w = uint32_t(data[1]) << 16 | uint32_t(data[2]) << 8 | data[3];
    p.width = 1 + (w & ((1u << widthBits) - 1));
    if (p.width > CTIFFFax::kMaxWidth) p.width = CTIFFFax::kMaxWidth;
    const uint32_t heightBits = data[4] % 20;
    p.height = 1 + ((uint32_t(data[5]) << 12 | uint32_t(data[4]) << 4 | (data[6] >> 4)) & ((1u << heightBits) - 1));
    p.t4Options = data[6] & 7;  // 2-D, uncompressed mode, aligned EOLs
    p.t6Options = data[6] & 2;  // uncompressed mode
    p.fillOrder = (data[6] & 8) ? 2 : 1;
    p.byteAlignedRows = data[5] & 1;
    p.kFactor = 1 + (data[5] >> 5);
    p.rowStride = (p.width + 7) / 8 + (data[5] & 6);
    data += 7;
    size -= 7;
    // What the TIFF reader takes: rows the bytes can hold, within the engine's largest image.
    // (Rows past 256 MiB are left out: the product takes them, but writing them alone takes a
    // loaded machine close to the run's time-out, which would hide the decoder's own time.)
    if (!CTIFFFax::CanHoldRows(size, p)) return 0;
    const uint64_t rowsSize = uint64_t(p.rowStride) * (p.height - 1) + (p.width + 7) / 8;
    if (rowsSize > kMaxDibImageBytes || rowsSize > (uint64_t(1) << 28)) return 0;

    constexpr size_t kGuard = 32;
    std::vector<uint8_t> rows(size_t(rowsSize) + kGuard, 0x5A);
    DWORD decoded = 0;
    int r = CTIFFFax::DecodeStrip(size ? data : reinterpret_cast<const uint8_t*>(""), size, p, rows.data(),
                                  size_t(rowsSize), &decoded);
    if (r != CTIFFFax::kOk && r != CTIFFFax::kBadData) abort();
    if (decoded > p.height || (r == CTIFFFax::kOk && decoded != p.height)) abort();
    for (size_t i = size_t(rowsSize); i < rows.size(); ++i)
        if (rows[i] != 0x5A) abort();
    return 0;
}
