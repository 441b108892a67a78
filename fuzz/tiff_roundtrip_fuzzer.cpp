// Round trips: bytes encoded with LZW and PackBits decode to the same bytes, and a DIB made
// from the input, written as a TIFF page in memory with the compression the input picks and
// read back, shows the same pixels.
#include <cstdint>
#include <cstring>
#include <vector>

#include "codecs/tiff/lzw_codec.h"
#include "codecs/tiff/packbits_codec.h"
#include "codecs/tiff/tiff.h"
#include "base/dib_layout.h"

namespace {

void CheckStrips(const uint8_t* data, size_t size) {
    const size_t rowBytes = size ? 1 + data[0] % 64 : 1;
    const DWORD rows = DWORD(size / rowBytes);
    for (int lzw = 0; lzw < 2; ++lzw) {
        std::vector<BYTE> packed;
        const int rc = lzw ? CTIFFLzw::EncodeStrip(data, rowBytes, rows, rowBytes, packed)
                           : CTIFFPackBits::EncodeStrip(data, rowBytes, rows, rowBytes, packed);
        if (rc != 0) __builtin_trap();
        std::vector<BYTE> back(rowBytes * rows);
        const int back_rc = lzw ? CTIFFLzw::DecodeStrip(packed.data(), packed.size(), back.data(), back.size(), nullptr)
                                : CTIFFPackBits::DecodeStrip(packed.data(), packed.size(), back.data(), back.size(), nullptr);
        if (back_rc != 0 || (!back.empty() && memcmp(back.data(), data, back.size()) != 0)) __builtin_trap();
        // The reader's bound on what a strip can make holds for every strip the writer makes.
        const uint64_t most = lzw ? CTIFFLzw::LargestOutput(packed.size()) : CTIFFPackBits::LargestOutput(packed.size());
        if (back.size() > most) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckStrips(data, size);
    if (size < 4) return 0;
    static const int kDepths[] = {1, 4, 8, 24};
    static const WORD kCompressions[] = {0, 1, 5, 32773, 2, 3, 4, 5};
    const int bits = kDepths[data[0] % 4];
    const WORD compression = kCompressions[(data[0] >> 2) % 8];
    const bool topDown = data[1] & 0x80;
    const int width = 1 + data[1] % 70, height = 1 + data[2] % 40;
    const bool fax = compression >= 2 && compression <= 4;
    const uint8_t* fill = data + 3;
    const size_t fillSize = size - 3;

    const uint32_t colors = bits <= 8 ? 1u << bits : 0;
    const uint64_t stride = DibStride(width, bits);
    const size_t total = size_t(40 + colors * 4 + stride * height);
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, total);
    auto* p = static_cast<uint8_t*>(GlobalLock(dib));
    BITMAPINFOHEADER h{40, width, topDown ? -height : height, 1, WORD(bits), BI_RGB, 0, 2835, 2835, colors, 0};
    memcpy(p, &h, 40);
    for (size_t i = 40; i < total; ++i) p[i] = fill[i % fillSize];
    // Tables keep entries distinct so that every pixel's colour tells its index.
    for (uint32_t i = 0; i < colors; ++i) {
        p[40 + i * 4] = BYTE(i);
        p[40 + i * 4 + 3] = 0;
    }
    // A 1-bit page keeps only black and white, in either order.
    if (bits == 1) {
        const BYTE first = (data[2] & 0x80) ? 255 : 0;
        memset(p + 40, first, 3);
        memset(p + 44, 255 - first, 3);
    }
    GlobalUnlock(dib);

    CTiff writer;
    SIZE_T bytes = 0;
    const LONG written = writer.WriteToMemory(dib, &bytes, compression);
    // Fax compressions take 1-bit pages only; while the fax codec is not built they (and the
    // automatic choice for 1 bit, group 4) are refused as unsupported.
    if ((fax && bits != 1) || (written == CTiff::kUnsupported && bits == 1 && (fax || compression == 0))) {
        if (written != CTiff::kUnsupported) __builtin_trap();
        GlobalFree(dib);
        return 0;
    }
    if (written != 0) __builtin_trap();
    HGLOBAL file = writer.GetMemoryResult();
    CTiff reader;
    if (reader.ReadFromHandle(file, 0) != 0) __builtin_trap();
    HGLOBAL back = reader.GetPage(0, nullptr);
    // Same colours in the same places: compare pixel by pixel through both colour tables.
    const auto* a = static_cast<const uint8_t*>(GlobalLock(dib));
    const auto* b = static_cast<const uint8_t*>(GlobalLock(back));
    BITMAPINFOHEADER hb;
    memcpy(&hb, b, 40);
    if (hb.biWidth != width || hb.biHeight != height) __builtin_trap();
    const uint32_t colorsB = hb.biBitCount <= 8 ? 1u << hb.biBitCount : 0;
    const uint64_t strideB = DibStride(width, hb.biBitCount);
    for (int y = 0; y < height; ++y) {
        const uint8_t* rowA = a + 40 + colors * 4 + stride * uint64_t(topDown ? height - 1 - y : y);
        const uint8_t* rowB = b + 40 + colorsB * 4 + strideB * uint64_t(y);
        for (int x = 0; x < width; ++x) {
            uint32_t ca, cb;
            auto colour = [](const uint8_t* base, uint32_t n, const uint8_t* row, int depth, int x) {
                if (depth == 24) return uint32_t(row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16);
                const uint32_t index = (row[(x * depth) / 8] >> (8 - depth - (x * depth) % 8)) & ((1u << depth) - 1);
                const uint8_t* q = base + 40 + (index < n ? index : 0) * 4;
                return uint32_t(q[0] | q[1] << 8 | q[2] << 16);
            };
            ca = colour(a, colors, rowA, bits, x);
            cb = colour(b, colorsB, rowB, hb.biBitCount, x);
            if (ca != cb) __builtin_trap();
        }
    }
    GlobalUnlock(dib);
    GlobalUnlock(back);
    GlobalFree(back);
    GlobalFree(file);
    GlobalFree(dib);
    return 0;
}
