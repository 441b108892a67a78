// The TIFF compression table row by row: what each row's encoder makes of rows that compress best
// (a blank page), worst (noise) and in between must decode back through the same row's decoder,
// and must pass the row's largest-expansion bound, or the reader would refuse pages the writer
// wrote. The bound is also held against what a strip of the same bytes really gives.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "codecs/tiff/lzw_codec.h"
#include "codecs/tiff/packbits_codec.h"
#include "codecs/tiff/tiff.h"
#include "codecs/tiff/tiff_compression.h"

namespace {

class Rows : public TiffRowSource {
public:
    Rows(const std::vector<BYTE>& bytes, size_t rowBytes) : m_bytes(bytes), m_rowBytes(rowBytes) {}
    const BYTE* Row(DWORD y) override { return &m_bytes[size_t(y) * m_rowBytes]; }

private:
    const std::vector<BYTE>& m_bytes;
    size_t m_rowBytes;
};

struct Content {
    const char* name;
    std::vector<BYTE> bytes;
};

std::vector<Content> Contents(size_t size) {
    std::mt19937 random(7);
    std::vector<Content> contents = {{"blank", std::vector<BYTE>(size, 0)},
                                     {"black", std::vector<BYTE>(size, 0xFF)},
                                     {"noise", std::vector<BYTE>(size)},
                                     {"stripes", std::vector<BYTE>(size)}};
    for (BYTE& b : contents[2].bytes) b = BYTE(random());
    for (size_t i = 0; i < size; ++i) contents[3].bytes[i] = BYTE((i / 3) % 7 < 3 ? 0xF0 : 0x0F);
    return contents;
}

TEST(TiffCompressionTable, EveryRowDecodesWhatItEncodesWithinItsLargestExpansion) {
    const DWORD width = 4096, height = 512;  // 1-bit rows of 512 bytes: 256 KiB a page
    const size_t rowBytes = width / 8;
    for (WORD tag : {CTiff::kNone, CTiff::kModifiedHuffman, CTiff::kGroup3, CTiff::kGroup4, CTiff::kLzw,
                     CTiff::kPackBits}) {
        const TiffCompressionScheme* scheme = TiffCompressionFor(tag);
        ASSERT_NE(scheme, nullptr) << tag;
        EXPECT_EQ(scheme->tag, tag);
        for (const Content& content : Contents(rowBytes * height)) {
            SCOPED_TRACE(std::to_string(tag) + " " + content.name);
            Rows rows(content.bytes, rowBytes);
            std::vector<BYTE> strip;
            ASSERT_EQ(scheme->encode(rows, width, height, rowBytes, tag, strip), CTiff::kOk);
            FaxStripParams fax;
            fax.compression = tag;
            fax.width = width;
            fax.height = height;
            fax.rowStride = rowBytes;
            EXPECT_TRUE(scheme->canHold(strip.size(), content.bytes.size(), fax));
            EXPECT_TRUE(TiffStripCanHold(tag, strip.size(), content.bytes.size(), fax));
            if (!scheme->decoder) {  // stored rows
                EXPECT_EQ(strip, content.bytes);
                EXPECT_FALSE(scheme->canHold(strip.size() - 1, content.bytes.size(), fax));
                continue;
            }
            // Decoded back in pieces of 100 rows, as the reader hands them on.
            TiffStrip stored;
            stored.data = strip.data();
            stored.size = strip.size();
            stored.rows = height;
            stored.pieceRows = 100;
            stored.fax = fax;
            LONG rc = -1;
            auto decoder = scheme->decoder(stored, &rc);
            ASSERT_EQ(rc, CTiff::kOk);
            ASSERT_NE(decoder, nullptr);
            std::vector<BYTE> back(content.bytes.size(), 0);
            for (DWORD done = 0; done < height; done += 100) {
                const DWORD n = std::min<DWORD>(100, height - done);
                size_t given = 0;
                ASSERT_EQ(decoder->Next(&back[size_t(done) * rowBytes], rowBytes, n, &given), CTiff::kOk);
                ASSERT_EQ(given, size_t(n) * rowBytes);
            }
            EXPECT_EQ(back, content.bytes);
        }
    }
    // Only the fax rows are bilevel, and a scheme the table lacks has no row.
    for (WORD tag : {CTiff::kModifiedHuffman, CTiff::kGroup3, CTiff::kGroup4})
        EXPECT_TRUE(TiffCompressionFor(tag)->bilevelOnly && TiffCompressionFor(tag)->fax);
    for (WORD tag : {CTiff::kNone, CTiff::kLzw, CTiff::kPackBits})
        EXPECT_FALSE(TiffCompressionFor(tag)->bilevelOnly || TiffCompressionFor(tag)->fax);
    EXPECT_EQ(TiffCompressionFor(0), nullptr);
    EXPECT_EQ(TiffCompressionFor(7), nullptr);  // JPEG
}

// The bounds against the codecs' own decoders: the most a strip of n bytes gives is within the
// row's bound, and a scheme without a row is held to the most generous bound of all.
TEST(TiffCompressionTable, LargestExpansionsBoundWhatStripsGive) {
    const FaxStripParams none;
    // PackBits: a run code gives 128 bytes from 2.
    std::vector<BYTE> runs;
    for (int i = 0; i < 500; ++i) runs.insert(runs.end(), {0x81, 0x00});
    std::vector<BYTE> out(200000);
    size_t written = 0;
    CTIFFPackBits::DecodeStrip(runs.data(), runs.size(), out.data(), out.size(), &written);
    EXPECT_EQ(written, 64000u);
    EXPECT_TRUE(TiffStripCanHold(CTiff::kPackBits, runs.size(), written, none));
    EXPECT_FALSE(TiffStripCanHold(CTiff::kPackBits, runs.size(), CTIFFPackBits::LargestOutput(runs.size()) + 1, none));
    // LZW of a blank page: what the encoder makes of a megabyte decodes within the bound.
    const std::vector<BYTE> blank(1 << 20, 0);
    std::vector<BYTE> lzw;
    CTIFFLzw encoder;
    ASSERT_EQ(encoder.EncodeSetup(&lzw), CTIFFLzw::kOk);
    ASSERT_EQ(encoder.EncodeRow(blank.data(), blank.size()), CTIFFLzw::kOk);
    ASSERT_EQ(encoder.EncodeFinish(), CTIFFLzw::kOk);
    EXPECT_TRUE(TiffStripCanHold(CTiff::kLzw, lzw.size(), blank.size(), none));
    EXPECT_TRUE(TiffStripCanHold(7, lzw.size(), blank.size(), none));
    EXPECT_EQ(TiffStripCanHold(7, 10, CTIFFLzw::LargestOutput(10) + 1, none), false);
}

// A modified Huffman page larger than the piece of rows the reader decodes at a time: every row
// after the strip's first starts on a byte, also the first row of each later piece.
TEST(TiffCompressionTable, LongModifiedHuffmanStripsReadBackAcrossPieces) {
    const LONG width = 4096, height = 4096;  // 2 MiB of rows in one strip: three pieces
    const size_t stride = width / 8;
    HGLOBAL dib = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 40 + 8 + stride * height);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    header->biSize = 40;
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = 1;
    header->biClrUsed = 2;
    BYTE* table = reinterpret_cast<BYTE*>(header) + 40;
    table[4] = table[5] = table[6] = 0xFF;  // entry 1 white
    BYTE* pixels = table + 8;
    for (size_t y = 0; y < size_t(height); ++y)
        for (size_t x = 0; x < stride; ++x) pixels[y * stride + x] = BYTE((x * 7 + y) % 5 ? 0xFF : 0x81);
    std::vector<BYTE> expected(pixels, pixels + stride * height);
    GlobalUnlock(dib);
    CTiff writer;
    SIZE_T size = 0;
    ASSERT_EQ(writer.WriteToMemory(dib, &size, CTiff::kModifiedHuffman), CTiff::kOk);
    GlobalFree(dib);
    HGLOBAL file = writer.GetMemoryResult();
    CTiff reader;
    ASSERT_EQ(reader.ReadFromHandle(file, 0), CTiff::kOk);
    GlobalFree(file);
    HGLOBAL page = reader.GetPage(0, nullptr);
    ASSERT_NE(page, nullptr);
    const BYTE* block = static_cast<const BYTE*>(GlobalLock(page));
    const auto* read = reinterpret_cast<const BITMAPINFOHEADER*>(block);
    const BYTE* back = block + 40 + 4 * read->biClrUsed;
    // The reader's palette may be the other way round: compare as black and white.
    const bool flipped = block[40] != 0;
    size_t differing = 0;
    for (size_t i = 0; i < expected.size(); ++i) differing += BYTE(flipped ? ~back[i] : back[i]) != expected[i];
    EXPECT_EQ(differing, 0u);
    GlobalUnlock(page);
    GlobalFree(page);
}

}  // namespace
