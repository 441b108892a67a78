// The output of the encoder: a working buffer from the heap that grows by 1.3 times when full
// (only the written bytes end up in a global block, handed over by Detach; the heap buffer's
// untouched pages cost nothing, and it is freed without a pass over it), and the
// bit writer of the entropy-coded data, which collects codes from the top of a 64-bit word down
// and stores its whole bytes eight at a time (with a zero byte stuffed after every 0xFF).
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace jpeg {

class JpegOutput {
public:
    ~JpegOutput();
    bool Reserve(size_t capacity);   // the first block
    bool EnsureSpace(size_t more);   // grows when fewer than `more` bytes are free
    bool Append(const void* bytes, size_t count);
    // Hands the written bytes over in a block of exactly their size; null when that fails.
    HGLOBAL Detach(size_t* size);
    void Reset();

    uint8_t* data = nullptr;
    size_t size = 0;
    size_t capacity = 0;
};

class JpegBitWriter {
public:
    explicit JpegBitWriter(JpegOutput& out) : out_(out) {}

    // Completes the last byte with 1 bits. False when the output could not grow at some point.
    bool Finish();

    // Codes written with the writer's state held in locals (registers), with room for maxBits
    // bits made once at the start: the pending whole bytes are stored first, so at most seven
    // bits wait, and every Put only checks whether its code still fits the word.
    class Batch {
    public:
        Batch(JpegBitWriter& writer, size_t maxBits)
            : writer_(writer), acc_(writer.acc_), count_(writer.count_), ok_(writer.HasRoom(maxBits)) {
            if (!ok_) return;
            p_ = writer.out_.data + writer.out_.size;
            StoreBytes();
        }
        ~Batch() {
            if (!ok_) return;
            writer_.acc_ = acc_;
            writer_.count_ = count_;
            writer_.out_.size = static_cast<size_t>(p_ - writer_.out_.data);
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

        // False when the output could not grow: nothing may be put then.
        bool ok() const { return ok_; }

        // Writes the low `length` bits of `bits` (length 1..56, no bits above them), highest
        // first.
        void Put(uint64_t bits, int length) {
            if (count_ + length > 63) StoreBytes();
            acc_ |= bits << (64 - count_ - length);
            count_ += length;
        }

        // Stores the whole bytes pending: eight bytes at once, of which the completed ones count.
        // The bits below the pending ones are zero, so a byte of 0xFF anywhere in the word is
        // one of those stored, and only then are they stored again one by one, with stuffing.
        void StoreBytes() {
            const uint64_t word = acc_;
            const int whole = count_ >> 3;  // count_ is at most 63
            StoreBigEndian(p_, word);
            if (((~word - 0x0101010101010101ull) & word & 0x8080808080808080ull) == 0) {
                p_ += whole;
            } else {
                for (int i = 0; i < whole; ++i) {
                    const uint8_t b = static_cast<uint8_t>(word >> (56 - 8 * i));
                    *p_++ = b;
                    if (b == 0xFF) *p_++ = 0;
                }
            }
            acc_ = word << (8 * whole);
            count_ &= 7;
        }

    private:
        friend class JpegBitWriter;
        static void StoreBigEndian(uint8_t* p, uint64_t v);

        JpegBitWriter& writer_;
        uint64_t acc_;
        int count_;
        uint8_t* p_ = nullptr;
        bool ok_;
    };

private:
    // Room in the output for the pending bits and maxBits more, each byte possibly doubled by
    // stuffing, and the eight bytes the last store writes past its end; false (from then on) when
    // the output could not grow.
    bool HasRoom(size_t maxBits) {
        const size_t bytes = 2 * ((count_ + maxBits) / 8 + 1) + 8;
        return !failed_ && (out_.capacity - out_.size >= bytes || MakeRoom(bytes));
    }
    bool MakeRoom(size_t bytes);

    JpegOutput& out_;
    uint64_t acc_ = 0;  // pending bits from bit 63 down, zero below them
    int count_ = 0;     // pending bits, at most 63
    bool failed_ = false;
};

inline void JpegBitWriter::Batch::StoreBigEndian(uint8_t* p, uint64_t v) {
#if defined(__GNUC__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap64(v);
    memcpy(p, &v, 8);
#else
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (56 - 8 * i));
#endif
}

}  // namespace jpeg
