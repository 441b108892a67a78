#include "core/upload_bmp_file.h"

#include <cstring>

#include "engine/dib_layout.h"

namespace {

void PutWord(BYTE* at, uint16_t v) {
    at[0] = static_cast<BYTE>(v);
    at[1] = static_cast<BYTE>(v >> 8);
}

void PutDword(BYTE* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<BYTE>(v >> (8 * i));
}

}  // namespace

HGLOBAL BuildUploadBmpFile(const BYTE* dib, uint64_t dibSize, uint64_t* fileSize, bool* noMemory) {
    *fileSize = 0;
    *noMemory = false;
    DibLayout layout;
    if (!dib || dibSize < sizeof(BITMAPINFOHEADER) ||
        !ComputeDibLayout(reinterpret_cast<const BITMAPINFOHEADER*>(dib), dibSize, &layout)) {
        return nullptr;
    }
    // The DIB goes in as it is, but only as far as its layout reaches: bytes a larger block holds
    // behind the pixels are not part of the image.
    constexpr uint64_t kFileHeader = 14;
    uint64_t total = kFileHeader + layout.totalBytes;
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(total));
    if (!block) {
        *noMemory = true;
        return nullptr;
    }
    BYTE* out = static_cast<BYTE*>(block);
    out[0] = 'B';
    out[1] = 'M';
    PutDword(out + 2, static_cast<uint32_t>(total));
    PutWord(out + 6, 0);
    PutWord(out + 8, 0);
    PutDword(out + 10, static_cast<uint32_t>(kFileHeader + layout.pixelOffset));
    memcpy(out + kFileHeader, dib, static_cast<size_t>(layout.totalBytes));
    *fileSize = total;
    return block;
}
