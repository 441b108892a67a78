// The TIFF reader over hostile bytes: every page of the input is read from memory; pages must
// come back as valid DIBs or not at all, whatever the result.
#include <cstdint>

#include "codecs/tiff/tiff.h"
#include "base/dib_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CTiff tiff;
    tiff.SetPageByteLimit(16u << 20);
    tiff.ReadFromMemory(size, data, CTiff::kAllPages);
    for (DWORD i = 0; i < tiff.GetPageCount(); ++i) {
        SIZE_T bytes = 0;
        HGLOBAL dib = tiff.GetPage(i, &bytes);
        if (!dib) continue;
        DibLayout layout;
        if (!ComputeDibLayout(dib, &layout) || layout.totalBytes > bytes) __builtin_trap();
        GlobalFree(dib);
    }
    return 0;
}
