// The LZW and PackBits strip decoders over hostile bytes, against plain reference decoders: the
// first byte picks the decoder, the next three the output size, up to the most the strip's bytes
// can make (the size the TIFF reader refuses beyond). The output must hold exactly the
// reference's bytes, nothing past what was written may change, and the count must match.
#include <cstdint>
#include <cstring>
#include <vector>

#include "codecs/tiff/lzw_codec.h"
#include "codecs/tiff/packbits_codec.h"

namespace {

// PackBits as the format describes it, one count byte at a time.
std::vector<BYTE> ReferencePackBits(const BYTE* in, size_t size, size_t outSize) {
    std::vector<BYTE> out;
    size_t i = 0;
    while (out.size() < outSize && i < size) {
        const int n = static_cast<signed char>(in[i++]);
        if (n >= 0) {
            if (size_t(n) + 1 > size - i) break;
            for (int k = 0; k <= n && out.size() < outSize; ++k) out.push_back(in[i + size_t(k)]);
            i += size_t(n) + 1;
        } else if (n != -128) {
            if (i >= size) break;
            for (int k = 0; k < 1 - n && out.size() < outSize; ++k) out.push_back(in[i]);
            ++i;
        }
    }
    return out;
}

// LZW through prefix links, the table growing one entry early, a full table taking no more.
std::vector<BYTE> ReferenceLzw(const BYTE* in, size_t size, size_t outSize) {
    std::vector<int> prefix(4096, -1);
    std::vector<BYTE> last(4096), first(4096);
    for (int c = 0; c < 256; ++c) last[size_t(c)] = first[size_t(c)] = BYTE(c);
    std::vector<BYTE> out, string;
    size_t bit = 0;
    unsigned width = 9, next = 258;
    int previous = -1;
    auto stringOf = [&](int code) {
        string.clear();
        for (int c = code; c >= 0; c = prefix[size_t(c)]) string.push_back(last[size_t(c)]);
    };
    while (out.size() < outSize && bit + width <= size * 8) {
        unsigned code = 0;
        for (unsigned k = 0; k < width; ++k, ++bit) code = (code << 1) | ((in[bit / 8] >> (7 - bit % 8)) & 1);
        if (code == 257) break;
        if (code == 256) {
            width = 9;
            next = 258;
            previous = -1;
            continue;
        }
        if (code >= 256 && (previous < 0 || code > next || (code == next && next >= 4096))) break;
        if (previous >= 0 && next < 4096) {
            const BYTE firstByte = code == next ? first[size_t(previous)] : first[code];
            prefix[next] = previous;
            last[next] = firstByte;
            first[next] = first[size_t(previous)];
            if (++next > (1u << width) - 2 && width < 12) ++width;
        }
        stringOf(int(code));
        for (size_t k = string.size(); k-- > 0 && out.size() < outSize;) out.push_back(string[k]);
        previous = int(code);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const bool lzw = data[0] & 1;
    // Sizes spread over every power of two up to 2^31, most of them small enough to run fast.
    const uint64_t value = uint64_t(data[1]) << 24 | uint64_t(data[2]) << 16 | uint64_t(data[3]) << 8 | data[0];
    const uint64_t asked = value & ((uint64_t(1) << ((data[0] >> 1) % 32)) - 1);
    data += 4;
    size -= 4;
    const uint64_t most = lzw ? CTIFFLzw::LargestOutput(size) : CTIFFPackBits::LargestOutput(size);
    const size_t outSize = size_t(asked < most ? asked : most);
    constexpr size_t kGuard = 32;
    std::vector<BYTE> out(outSize + kGuard, 0xA5);
    size_t written = 0;
    const int rc = lzw ? CTIFFLzw::DecodeStrip(data, size, out.data(), outSize, &written)
                       : CTIFFPackBits::DecodeStrip(data, size, out.data(), outSize, &written);
    if (written > outSize || (rc == 0) != (written == outSize)) __builtin_trap();
    if (rc != 0 && rc != -10) __builtin_trap();
    const std::vector<BYTE> expected = lzw ? ReferenceLzw(data, size, outSize) : ReferencePackBits(data, size, outSize);
    if (expected.size() != written || (written && memcmp(expected.data(), out.data(), written) != 0)) __builtin_trap();
    for (size_t i = written; i < out.size(); ++i)
        if (out[i] != 0xA5) __builtin_trap();
    return 0;
}
