// Arbitrary bytes as a BMP held in memory (the reader, then a write and re-read of what it
// accepted), and as a script of operations on the growable memory buffer.
//
// Fuzz-only limits, so that a run takes microseconds rather than seconds: the 24-bit conversion
// is left out for images whose 24-bit form exceeds 16 MB (a 4 KB 1-bit file may expand 24 times),
// and the buffer script seeks, writes and sizes within 64 KB (the buffer grows its capacity to
// where a seek points, in steps that are copied each time).
#include <cstring>

#include "base/dib_layout.h"
#include "codecs/bmp_codec.h"
#include "codecs/mem_buffer.h"
#include "engine/dib_convert.h"

namespace {

constexpr uint64_t kFuzzMaxConvertedBytes = 16u << 20;
constexpr int64_t kFuzzMaxBufferOffset = 1 << 16;

void FuzzBmp(const uint8_t* data, size_t size) {
    uint64_t dibSize = 0;
    BmpDibSizeFromHeaders(data, size >= 14 ? size - 14 : 0, &dibSize);
    HGLOBAL dib = nullptr;
    if (BmpReadFromMemory(data, size, &dib) != 0) return;
    HGLOBAL bmp = nullptr;
    uint64_t written = 0;
    if (BmpWriteToMemory(dib, &bmp, &written) == 0) {
        HGLOBAL again = nullptr;
        if (BmpReadFromMemory(static_cast<const BYTE*>(bmp), written, &again) != 0) __builtin_trap();
        if (GlobalSize(again) != GlobalSize(dib) || std::memcmp(again, dib, GlobalSize(dib)) != 0) __builtin_trap();
        GlobalFree(again);
        GlobalFree(bmp);
    }
    DibLayout layout;
    if (ComputeDibLayout(dib, &layout) && DibStride(layout.width, 24) * uint64_t(layout.height) <= kFuzzMaxConvertedBytes) {
        HGLOBAL converted = ConvertDIBTo24Bit(dib);
        if (converted && converted != dib) GlobalFree(converted);
    }
    GlobalFree(dib);
}

// Each step: one operation byte, then its argument bytes.
void FuzzBuffer(const uint8_t* data, size_t size) {
    BYTE scratch[4096];
    size_t at = 0;
    auto take32 = [&]() {
        uint32_t v = 0;
        for (int i = 0; i < 4 && at < size; ++i) v |= uint32_t(data[at++]) << (8 * i);
        return v;
    };
    bool fixed = size && (data[0] & 1);
    CMemBuffer buffer(fixed ? 0 : 4096);
    if (fixed) {
        HGLOBAL block = GlobalAlloc(GMEM_FIXED, 256);
        buffer.Attach(static_cast<BYTE*>(block), 256, TRUE, 0);
    }
    // A seek whose target lies beyond the fuzz limit is left out (relative seeks add up).
    auto seek = [&](int64_t offset, int origin) {
        const int64_t base = origin == 1 ? int64_t(buffer.GetPosition()) : origin == 2 ? int64_t(buffer.GetSize()) : 0;
        if (base + offset <= kFuzzMaxBufferOffset) buffer.Seek(offset, origin);
    };
    while (at < size) {
        uint8_t op = data[at++] % 5;
        uint32_t arg = take32();
        switch (op) {
            case 0:
                if (buffer.GetPosition() + arg % sizeof scratch <= kFuzzMaxBufferOffset) buffer.Write(scratch, arg % sizeof scratch);
                break;
            case 1: buffer.Read(scratch, arg % sizeof scratch); break;
            case 2: seek(int64_t(int32_t(arg)) % kFuzzMaxBufferOffset, int(arg & 3)); break;
            case 3: buffer.SetSize(arg % uint32_t(kFuzzMaxBufferOffset)); break;
            case 4: seek(int32_t(arg) % (kFuzzMaxBufferOffset / 16), int(arg & 3)); break;
        }
        // A seek past the end reserves nothing (a later write fills the gap): only the size must
        // stay within what the buffer holds.
        if (buffer.GetSize() > buffer.GetCapacity()) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (16u << 20)) return 0;
    FuzzBmp(data, size);
    FuzzBuffer(data, size);
    return 0;
}
