// The output of the encoder: a working buffer from the heap that grows by 1.3 times when full
// (only the written bytes end up in a global block, handed over by Detach; the heap buffer's
// untouched pages cost nothing, and it is freed without a pass over it), and the
// bit writer of the entropy-coded data, which collects codes in a 64-bit word and stores them
// 32 bits at a time (with a zero byte stuffed after every 0xFF).
#pragma once

#include "lumetta_win.h"

#include <cstddef>
#include <cstdint>

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

    // Writes the low `length` bits of `bits` (length 1..32), highest first.
    void Put(uint32_t bits, int length) {
        acc_ = (acc_ << length) | bits;
        count_ += length;
        if (count_ >= 32) {
            count_ -= 32;
            StoreWord(static_cast<uint32_t>(acc_ >> count_));
        }
    }

    // Completes the last byte with 1 bits. False when the output could not grow at some point.
    bool Finish();

    // The writer's pending bits held in locals (registers) while one block is coded; they go
    // back to the writer when the batch ends.
    class Batch {
    public:
        explicit Batch(JpegBitWriter& writer) : writer_(writer), acc_(writer.acc_), count_(writer.count_) {}
        ~Batch() {
            writer_.acc_ = acc_;
            writer_.count_ = count_;
        }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        void Put(uint32_t bits, int length) {
            acc_ = (acc_ << length) | bits;
            count_ += length;
            if (count_ >= 32) {
                count_ -= 32;
                writer_.StoreWord(static_cast<uint32_t>(acc_ >> count_));
            }
        }

    private:
        JpegBitWriter& writer_;
        uint64_t acc_;
        int count_;
    };

private:
    void StoreWord(uint32_t w);

    JpegOutput& out_;
    uint64_t acc_ = 0;
    int count_ = 0;  // pending bits, in the low end of acc_
    bool failed_ = false;
};

}  // namespace jpeg
