// The LZW and PackBits strip decoders over hostile bytes: the first byte picks the decoder and
// the output size; the decoders must stay inside the output and report how much they wrote.
#include <cstdint>
#include <vector>

#include "codecs/tiff/lzw_codec.h"
#include "codecs/tiff/packbits_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const bool lzw = data[0] & 1;
    const size_t outSize = (size_t(data[1]) << 8 | data[2]) * (((data[0] >> 1) & 3) + 1);
    std::vector<BYTE> out(outSize);
    size_t written = 0;
    const int rc = lzw ? CTIFFLzw::DecodeStrip(data + 3, size - 3, out.data(), out.size(), &written)
                       : CTIFFPackBits::DecodeStrip(data + 3, size - 3, out.data(), out.size(), &written);
    if (written > outSize || (rc == 0) != (written == outSize)) __builtin_trap();
    return 0;
}
