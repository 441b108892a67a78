// Arbitrary blocks as packed DIBs: the layout check, then the 24-bit conversion of what it accepts.
#include <cstring>

#include "engine/dib_convert.h"
#include "base/dib_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (64u << 20)) return 0;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return 0;
    memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
    DibLayout layout;
    if (ComputeDibLayout(block, &layout)) {
        HGLOBAL converted = ConvertDIBTo24Bit(block);
        if (converted && converted != block) GlobalFree(converted);
    }
    GlobalFree(block);
    return 0;
}
