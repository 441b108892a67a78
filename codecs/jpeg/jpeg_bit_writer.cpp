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

bool JpegBitWriter::MakeRoom(size_t bytes) {
    if (!out_.EnsureSpace(bytes)) failed_ = true;
    return !failed_;
}

bool JpegBitWriter::Finish() {
    // Pad to whole bytes with 1 bits, then store them.
    {
        Batch batch(*this, 8);
        if (batch.ok()) {
            const int pad = (8 - batch.count_) & 7;  // the batch holds at most seven bits
            if (pad) batch.Put((1u << pad) - 1, pad);
            batch.StoreBytes();
        }
    }
    return !failed_;
}

}  // namespace jpeg
