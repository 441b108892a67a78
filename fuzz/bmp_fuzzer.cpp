// Arbitrary bytes as a BMP held in memory (the reader, then a write and re-read of what it
// accepted), and as a script of operations on the growable memory buffer.
#include <cstring>

#include "codecs/bmp_codec.h"
#include "codecs/mem_buffer.h"
#include "engine/dib_convert.h"

namespace {

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
    HGLOBAL converted = ConvertDIBTo24Bit(dib);
    if (converted && converted != dib) GlobalFree(converted);
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
    while (at < size) {
        uint8_t op = data[at++] % 5;
        uint32_t arg = take32();
        switch (op) {
            case 0: buffer.Write(scratch, arg % sizeof scratch); break;
            case 1: buffer.Read(scratch, arg % sizeof scratch); break;
            case 2: buffer.Seek(int64_t(int32_t(arg)) % (int64_t(1) << 24), int(arg & 3)); break;
            case 3: buffer.SetSize(arg % (1u << 20)); break;
            case 4: buffer.Seek(int32_t(arg) % (1 << 20), int(arg & 3)); break;
        }
        if (buffer.GetPosition() > buffer.GetCapacity() && buffer.GetPosition() > buffer.GetSize()) __builtin_trap();
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
