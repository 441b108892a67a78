// Round trip of the own PDF codec with every writer option: pages made from the input bytes (1,
// 4, 8 or 24 bits, any size up to 600 pixels wide, any table), written as one document with a
// compression setting and JPEG quality from the input, and read again: the writer either refuses
// the document or the reader gives back every page at its size.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/dib_layout.h"
#include "codecs/pdf/pdf_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    static const int kDepths[] = {1, 4, 8, 24};
    const LONG compression = LONG(data[0] % 6);  // automatic, fax 3, fax 4, LZW, run length, JPEG
    const int quality = 1 + data[1] % 100;
    const int pages = 1 + data[2] % 4;
    size_t k = 3;
    auto next = [&] { return data[k++ % size]; };
    std::vector<HGLOBAL> dibs;
    for (int i = 0; i < pages; ++i) {
        const int bits = kDepths[next() & 3];
        const int width = 1 + (next() | (next() & 1) << 8) % 600, height = 1 + next() % 64;
        const uint32_t colours = bits <= 8 ? 1u << bits : 0;
        const uint64_t stride = DibStride(width, bits);
        const uint64_t offset = 40 + 4 * uint64_t(colours);
        HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, SIZE_T(offset + stride * height));
        auto* p = static_cast<uint8_t*>(GlobalLock(dib));
        const LONG pels = LONG(next()) * 59;
        BITMAPINFOHEADER h{40, width, height, 1, WORD(bits), BI_RGB, 0, pels, pels, colours, 0};
        std::memcpy(p, &h, 40);
        for (uint64_t b = 40; b < offset + stride * height; ++b) p[b] = next();
        for (uint32_t c = 0; c < colours; ++c) p[40 + 4 * c + 3] = 0;
        GlobalUnlock(dib);
        dibs.push_back(dib);
    }
    CPDF writer;
    uint64_t written = 0;
    const LONG result = writer.WriteToMemory(dibs.data(), pages, compression, quality, &written);
    if (result == CPDF::kOk) {
        HGLOBAL block = writer.GetMemoryResult();
        if (!block || GlobalSize(block) < written) abort();
        CPDF reader;
        const LONG read = reader.ReadFromMemory(written, static_cast<const BYTE*>(GlobalLock(block)), -1);
        if (read != CPDF::kOk || reader.GetImageCount() != pages) abort();
        for (int i = 0; i < pages; ++i) {
            HGLOBAL page = reader.GetImage(i, nullptr);
            DibLayout got, want;
            if (!ComputeDibLayout(page, &got) || !ComputeDibLayout(dibs[size_t(i)], &want) ||
                got.width != want.width || got.height != want.height)
                abort();
            GlobalFree(page);
        }
        GlobalUnlock(block);
        GlobalFree(block);
    } else if (writer.GetMemoryResult() != nullptr) {
        abort();
    }
    for (HGLOBAL dib : dibs) GlobalFree(dib);
    return 0;
}
