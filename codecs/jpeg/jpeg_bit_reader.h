// The bit reader of the entropy-coded data: a 64-bit window over the stream with the stuffed
// zero after every 0xFF removed. A marker or the end of the data is never read past: from there
// on the stream reads as 1 bits, so damaged or truncated data decodes to something instead of
// running away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace jpeg {

class JpegBitReader {
public:
    void Start(const uint8_t* data, size_t size, size_t position) {
        data_ = data;
        size_ = size;
        position_ = position;
        buffer_ = 0;
        count_ = 0;
        stopped_ = false;
    }

    // Tops the window up to at least 57 bits.
    void Fill() {
        if (FillWhole(buffer_, count_)) return;
        while (count_ <= 56) {
            uint64_t byte = 0xFF;
            if (!stopped_) {
                if (position_ < size_) {
                    byte = data_[position_];
                    if (byte != 0xFF) {
                        ++position_;
                    } else if (position_ + 1 < size_ && data_[position_ + 1] == 0) {
                        position_ += 2;
                    } else {
                        stopped_ = true;  // a marker (or a last lone 0xFF): stay on it
                    }
                } else {
                    stopped_ = true;
                }
            }
            buffer_ |= byte << (56 - count_);
            count_ += 8;
        }
    }

    // The next n bits (1..16) without consuming them; the window must hold them.
    uint32_t Peek(int n) const { return static_cast<uint32_t>(buffer_ >> (64 - n)); }
    void Skip(int n) {
        buffer_ <<= n;
        count_ -= n;
    }
    int Count() const { return count_; }

    // The window as two plain values, for a decoding loop that keeps it in registers between
    // Load and Store and tops it up through Filled (which is Fill on it).
    struct Window {
        uint64_t bits;  // left-aligned, as buffer_
        int count;
    };
    Window Load() const { return Window{buffer_, count_}; }
    void Store(Window w) {
        buffer_ = w.bits;
        count_ = w.count;
    }
    Window Filled(Window w) {
        if (FillWhole(w.bits, w.count)) return w;
        Store(w);
        Fill();
        return Load();
    }

    // Restart: drops the buffered bits and steps over the restart marker the reader stands on.
    // Fill bytes (0xFF) in front of the marker are skipped too.
    void Restart() {
        if (stopped_) {
            while (position_ < size_ && data_[position_] == 0xFF) ++position_;
            if (position_ < size_) ++position_;
        } else {
            position_ = position_ + 2 < size_ ? position_ + 2 : size_;
        }
        buffer_ = 0;
        count_ = 0;
        stopped_ = false;
    }

private:
    // Whole bytes at once while the next eight hold no 0xFF (no stuffing, no marker): the same
    // bytes the byte loop of Fill would take, (64 - count) / 8 of them. False (nothing taken)
    // when the next eight bytes do not qualify.
    bool FillWhole(uint64_t& buffer, int& count) {
        if (stopped_ || position_ > size_ || size_ - position_ < 8) return false;
        uint64_t next;
        memcpy(&next, data_ + position_, 8);
        const uint64_t inverted = ~next;
        if (((inverted - 0x0101010101010101ull) & ~inverted & 0x8080808080808080ull) != 0) return false;
        next = __builtin_bswap64(next);  // first byte highest
        const int bytes = (64 - count) >> 3;
        if (bytes) {
            const int bits = 8 * bytes;
            const uint64_t taken = bits == 64 ? next : next >> (64 - bits) << (64 - bits);
            buffer |= taken >> count;
            count += bits;
            position_ += static_cast<size_t>(bytes);
        }
        return true;
    }

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t position_ = 0;
    uint64_t buffer_ = 0;  // bits left-aligned: the next bit is bit 63
    int count_ = 0;
    bool stopped_ = false;
};

}  // namespace jpeg
