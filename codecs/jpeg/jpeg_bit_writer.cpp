#include "codecs/jpeg/jpeg_bit_writer.h"

#include <cstdlib>
#include <cstring>

namespace jpeg {

JpegOutput::~JpegOutput() { Reset(); }

void JpegOutput::Reset() {
    free(data);
    data = nullptr;
    size = capacity = 0;
}

bool JpegOutput::Reserve(size_t bytes) {
    Reset();
    data = static_cast<uint8_t*>(malloc(bytes ? bytes : 1));
    if (!data) return false;
    capacity = bytes;
    return true;
}

bool JpegOutput::EnsureSpace(size_t more) {
    if (capacity - size >= more) return true;
    size_t grown = static_cast<size_t>(capacity * 1.3);
    if (grown < size + more) grown = size + more;
    auto* fresh = static_cast<uint8_t*>(realloc(data, grown));
    if (!fresh) return false;
    data = fresh;
    capacity = grown;
    return true;
}

bool JpegOutput::Append(const void* bytes, size_t count) {
    if (!EnsureSpace(count)) return false;
    memcpy(data + size, bytes, count);
    size += count;
    return true;
}

HGLOBAL JpegOutput::Detach(size_t* outSize) {
    HGLOBAL exact = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size);
    if (!exact) return nullptr;
    memcpy(exact, data, size);
    *outSize = size;
    Reset();
    return exact;
}

void JpegBitWriter::StoreWord(uint32_t w) {
    if (!out_.EnsureSpace(8)) {
        failed_ = true;
        return;
    }
    uint8_t* p = out_.data + out_.size;
    // A byte of 0xFF in w is a zero byte in ~w.
    uint32_t inv = ~w;
    if (((inv - 0x01010101u) & ~inv & 0x80808080u) == 0) {
        p[0] = static_cast<uint8_t>(w >> 24);
        p[1] = static_cast<uint8_t>(w >> 16);
        p[2] = static_cast<uint8_t>(w >> 8);
        p[3] = static_cast<uint8_t>(w);
        out_.size += 4;
        return;
    }
    size_t n = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        uint8_t b = static_cast<uint8_t>(w >> shift);
        p[n++] = b;
        if (b == 0xFF) p[n++] = 0;
    }
    out_.size += n;
}

bool JpegBitWriter::Finish() {
    // Pad to whole bytes with 1 bits, then store what is left byte by byte.
    int pad = (8 - count_ % 8) % 8;
    acc_ = (acc_ << pad) | ((1u << pad) - 1);
    count_ += pad;
    while (count_ > 0 && !failed_) {
        count_ -= 8;
        uint8_t b = static_cast<uint8_t>(acc_ >> count_);
        if (!out_.EnsureSpace(2)) {
            failed_ = true;
            break;
        }
        out_.data[out_.size++] = b;
        if (b == 0xFF) out_.data[out_.size++] = 0;
    }
    return !failed_;
}

}  // namespace jpeg
