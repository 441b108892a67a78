// The output of the fax encoder: bytes in a heap buffer that grows on demand, written through a
// 64-bit accumulator, most significant bit first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "codecs/tiff/fax_code_tables.h"

namespace fax {

class BitWriter {
public:
    BitWriter() = default;
    ~BitWriter() { std::free(data_); }
    BitWriter(const BitWriter&) = delete;
    BitWriter& operator=(const BitWriter&) = delete;

    // Makes room for at least `bytes` more bytes; false when memory is short. Put() itself never
    // checks: callers reserve the worst case of a row before coding it.
    bool Reserve(size_t bytes);

    void Put(uint32_t bits, int length) {
        acc_ = (acc_ << length) | bits;
        count_ += length;
        if (count_ >= 32) {
            count_ -= 32;
            uint32_t word = uint32_t(acc_ >> count_);
            uint8_t* p = data_ + size_;
            p[0] = uint8_t(word >> 24);
            p[1] = uint8_t(word >> 16);
            p[2] = uint8_t(word >> 8);
            p[3] = uint8_t(word);
            size_ += 4;
        }
    }
    void Put(Code code) { Put(code.bits, code.length); }

    // Zero bits up to the next byte boundary.
    void AlignToByte() {
        if (count_ & 7) Put(0, 8 - (count_ & 7));
    }
    // Zero bits so that the stream ends `bits` before a byte boundary.
    void AlignBefore(int bits) {
        int pad = (8 - ((count_ + bits) & 7)) & 7;
        if (pad) Put(0, pad);
    }
    // Writes the pending bits, the last byte completed with zeros.
    void Flush();

    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    void Reset();

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
    uint64_t acc_ = 0;
    int count_ = 0;
};

}  // namespace fax
