// The input of the fax decoder: a private copy of the strip in code order (bytes of a
// least-significant-bit-first strip reversed), followed by zero bytes so that a peek near the end
// never reads outside the copy. Reading past the strip's real end is detected by position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace fax {

class BitReader {
public:
    BitReader() = default;
    ~BitReader() { std::free(data_); }
    BitReader(const BitReader&) = delete;
    BitReader& operator=(const BitReader&) = delete;

    // Copies the strip; bitReversed for fill order 2. False when memory is short.
    bool Load(const uint8_t* bytes, size_t size, bool bitReversed);

    // The next `n` bits (1..32) without consuming them; zeros past the end.
    uint32_t Peek(int n) const {
        const uint8_t* p = data_ + (pos_ >> 3);
        uint64_t w = (uint64_t(p[0]) << 56) | (uint64_t(p[1]) << 48) | (uint64_t(p[2]) << 40) |
                     (uint64_t(p[3]) << 32) | (uint64_t(p[4]) << 24) | (uint64_t(p[5]) << 16) |
                     (uint64_t(p[6]) << 8) | uint64_t(p[7]);
        return uint32_t((w << (pos_ & 7)) >> (64 - n));
    }
    // Consumes n bits. Past the end the position stops just behind it, so Peek stays inside.
    void Skip(size_t n) {
        pos_ += n;
        if (pos_ > end_) pos_ = end_ + 1;
    }
    void AlignToByte() { Skip((8 - (pos_ & 7)) & 7); }

    bool Exhausted() const { return pos_ > end_; }    // a code ran past the end
    bool AtEnd() const { return pos_ >= end_; }        // nothing left
    size_t BitsLeft() const { return pos_ >= end_ ? 0 : end_ - pos_; }

private:
    uint8_t* data_ = nullptr;
    size_t pos_ = 0;  // bit position
    size_t end_ = 0;  // bits of the strip
};

}  // namespace fax
