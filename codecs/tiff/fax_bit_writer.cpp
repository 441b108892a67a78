#include "codecs/tiff/fax_bit_writer.h"

namespace fax {

bool BitWriter::Reserve(size_t bytes) {
    bytes += 8;  // the pending accumulator bytes
    if (capacity_ - size_ >= bytes) return true;
    size_t wanted = capacity_ + capacity_ / 2;
    if (wanted < size_ + bytes) wanted = size_ + bytes;
    if (wanted < 4096) wanted = 4096;
    auto* grown = static_cast<uint8_t*>(std::realloc(data_, wanted));
    if (!grown) return false;
    data_ = grown;
    capacity_ = wanted;
    return true;
}

void BitWriter::Flush() {
    while (count_ >= 8) {
        count_ -= 8;
        data_[size_++] = uint8_t(acc_ >> count_);
    }
    if (count_ > 0) {
        data_[size_++] = uint8_t(acc_ << (8 - count_));
        count_ = 0;
    }
    acc_ = 0;
}

void BitWriter::Reset() {
    std::free(data_);
    data_ = nullptr;
    size_ = capacity_ = 0;
    acc_ = 0;
    count_ = 0;
}

}  // namespace fax
