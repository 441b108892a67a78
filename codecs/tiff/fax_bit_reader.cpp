#include "codecs/tiff/fax_bit_reader.h"

#include <cstring>

namespace fax {

namespace {

struct ReversedBytes {
    uint8_t table[256];
    ReversedBytes() {
        for (int i = 0; i < 256; ++i) {
            int r = 0;
            for (int b = 0; b < 8; ++b)
                if (i & (1 << b)) r |= 0x80 >> b;
            table[i] = uint8_t(r);
        }
    }
};

}  // namespace

bool BitReader::Load(const uint8_t* bytes, size_t size, bool bitReversed) {
    std::free(data_);
    pos_ = end_ = 0;
    // Zero bytes behind the strip: a peek at the last bit position reads 8 bytes from there.
    data_ = static_cast<uint8_t*>(std::malloc(size + 16));
    if (!data_) return false;
    if (size) std::memcpy(data_, bytes, size);
    std::memset(data_ + size, 0, 16);
    if (bitReversed) {
        static const ReversedBytes reversed;
        for (size_t i = 0; i < size; ++i) data_[i] = reversed.table[data_[i]];
    }
    end_ = size * 8;
    return true;
}

}  // namespace fax
