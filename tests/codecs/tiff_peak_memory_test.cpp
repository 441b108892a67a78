// What the TIFF reader holds beside the DIB it makes: every allocation of this program goes
// through the counting operator new below (the DIB itself is a global block, not counted), so the
// most bytes held at once while a page is read is its decoding buffers. A page of 16 samples of 16
// bits in one strip decodes to about eleven times its DIB; the reader must hand it on in pieces.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "codecs/tiff/lzw_codec.h"
#include "codecs/tiff/tiff.h"

namespace {

std::atomic<size_t> g_held{0};
std::atomic<size_t> g_peak{0};
constexpr size_t kHeader = 16;  // keeps the blocks aligned as operator new's are

void* Take(size_t n) {
    void* p = std::malloc(n + kHeader);
    if (!p) throw std::bad_alloc();
    *static_cast<size_t*>(p) = n;
    const size_t now = g_held += n;
    size_t peak = g_peak;
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(p) + kHeader;
}

void Give(void* p) {
    if (!p) return;
    char* block = static_cast<char*>(p) - kHeader;
    g_held -= *reinterpret_cast<size_t*>(block);
    std::free(block);
}

}  // namespace

#include "support/replace_global_new.h"

namespace {

void Put16(std::vector<BYTE>& b, uint32_t v) {
    b.push_back(BYTE(v));
    b.push_back(BYTE(v >> 8));
}
void Put32(std::vector<BYTE>& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A little-endian page of width x height RGB pixels of 16 samples of 16 bits with the
// predictor, in one LZW strip: 32 bytes a pixel decoded, 3 in the DIB.
std::vector<BYTE> SixteenSamplePage(uint32_t width, uint32_t height) {
    const size_t rowBytes = size_t(width) * 32;
    std::vector<BYTE> strip, row(rowBytes);
    CTIFFLzw lzw;
    EXPECT_EQ(lzw.EncodeSetup(&strip), 0);
    for (uint32_t y = 0; y < height; ++y) {
        for (size_t i = 0; i < rowBytes; ++i) row[i] = BYTE((i * 7 + y) % 5);  // predictor differences
        EXPECT_EQ(lzw.EncodeRow(row.data(), row.size()), 0);
    }
    EXPECT_EQ(lzw.EncodeFinish(), 0);
    std::vector<BYTE> b = {'I', 'I'};
    Put16(b, 42);
    Put32(b, 8);
    const uint32_t entries = 11;
    const uint32_t values = 8 + 2 + entries * 12 + 4;  // the 16 BitsPerSample values follow the IFD
    const uint32_t stripAt = values + 32;
    const struct {
        WORD tag, type;
        uint32_t count, value;
    } fields[entries] = {{256, 4, 1, width}, {257, 4, 1, height}, {258, 3, 16, values}, {259, 3, 1, 5},
                         {262, 3, 1, 2},     {273, 4, 1, stripAt}, {277, 3, 1, 16},     {278, 4, 1, height},
                         {279, 4, 1, uint32_t(strip.size())},      {284, 3, 1, 1},      {317, 3, 1, 2}};
    Put16(b, entries);
    for (const auto& f : fields) {
        Put16(b, f.tag);
        Put16(b, f.type);
        Put32(b, f.count);
        if (f.type == 3 && f.count == 1) {
            Put16(b, f.value);
            Put16(b, 0);
        } else {
            Put32(b, f.value);
        }
    }
    Put32(b, 0);
    for (int i = 0; i < 16; ++i) Put16(b, 16);
    b.insert(b.end(), strip.begin(), strip.end());
    return b;
}

TEST(TiffPeakMemory, ALargeStripIsHandedToTheDibInPiecesFromMemoryAndFromAFile) {
    // 1024 x 1024: a DIB of 3 MiB, a strip of 32 MiB decoded.
    const uint32_t width = 1024, height = 1024;
    const std::vector<BYTE> file = SixteenSamplePage(width, height);
    const std::string path = testing::TempDir() + "sixteen_samples.tif";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    }
    const size_t dibBytes = size_t(width) * 3 * height;
    for (bool fromFile : {false, true}) {
        CTiff tiff;
        const size_t before = g_held;
        g_peak = before;
        const LONG rc = fromFile ? tiff.ReadFromFile(path.c_str(), CTiff::kAllPages)
                                 : tiff.ReadFromMemory(file.size(), file.data(), CTiff::kAllPages);
        const size_t peak = g_peak - before;
        ASSERT_EQ(rc, CTiff::kOk) << fromFile;
        ASSERT_EQ(tiff.GetPageCount(), 1u);
        // One piece of rows, the LZW table, from a file the stored strip: well under the DIB.
        EXPECT_LT(peak, dibBytes / 2 + file.size()) << (fromFile ? "file" : "memory") << ": " << peak;
        std::printf("%s: decode buffers peak at %zu bytes beside a DIB of %zu\n", fromFile ? "file" : "memory",
                    peak, dibBytes);
        SIZE_T size = 0;
        GlobalFree(tiff.GetPage(0, &size));
    }
    std::remove(path.c_str());
}

}  // namespace
