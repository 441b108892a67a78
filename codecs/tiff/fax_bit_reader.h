// The input of the fax decoder: a private copy of the strip in code order (bytes of a
// least-significant-bit-first strip reversed), followed by zero bytes so that a peek near the end
// never reads outside the copy. Reading past the strip's real end is detected by position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace fax {

// The next n bits (1..32) at bit position pos of bytes that have 8 readable bytes from pos / 8.
inline uint32_t PeekAt(const uint8_t* data, size_t pos, int n) {
    uint64_t w;
    std::memcpy(&w, data + (pos >> 3), 8);
    w = __builtin_bswap64(w);  // the bytes in stream order (the builds are little-endian)
    return uint32_t((w << (pos & 7)) >> (64 - n));
}

// A cursor over the same bytes for the hot loops: the bits from `pos` on, left-aligned in a
// 64-bit window that holds at least 32 of them after Refill.
struct BitWindow {
    const uint8_t* data;
    size_t pos;     // bit position of the window's first bit
    uint64_t bits;  // the stream from pos on, first bit highest
    int avail;      // valid bits in the window

    BitWindow(const uint8_t* d, size_t p) : data(d), pos(p) { Load(); }
    void Load() {
        uint64_t w;
        std::memcpy(&w, data + (pos >> 3), 8);
        bits = __builtin_bswap64(w) << (pos & 7);
        avail = 64 - int(pos & 7);
    }
    uint32_t Peek(int n) {
        if (avail < 32) Load();
        return uint32_t(bits >> (64 - n));
    }
    void Skip(int n) {
        bits <<= n;
        avail -= n;
        pos += size_t(n);
    }
};

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
        return PeekAt(data_, pos_, n);
    }
    // Consumes n bits. Past the end the position stops just behind it, so Peek stays inside.
    void Skip(size_t n) {
        pos_ += n;
        if (pos_ > end_) pos_ = end_ + 1;
    }
    void AlignToByte() { Skip((8 - (pos_ & 7)) & 7); }

    // The hot loops keep the position in a local: the bytes, the position and the end.
    const uint8_t* Data() const { return data_; }
    size_t Position() const { return pos_; }
    size_t End() const { return end_; }
    void SetPosition(size_t pos) { pos_ = pos > end_ ? end_ + 1 : pos; }
    bool AtEnd() const { return pos_ >= end_; }        // nothing left

private:
    uint8_t* data_ = nullptr;
    size_t pos_ = 0;  // bit position
    size_t end_ = 0;  // bits of the strip
};

}  // namespace fax
