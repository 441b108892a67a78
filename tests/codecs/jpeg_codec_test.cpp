// The own JPEG encoder and decoder on generated images and on hand-damaged streams. Runs natively
// and under Wine in both bitnesses; the fixed stream checksums prove that every build encodes
// the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "codecs/jpeg/jpeg_bit_reader.h"
#include "codecs/jpeg/jpeg_color_decode.h"
#include "codecs/jpeg/jpeg_color_encode.h"
#include "codecs/jpeg/jpeg_fdct.h"
#include "codecs/jpeg/jpeg_huffman_decoder.h"
#include "codecs/jpeg/jpeg_huffman_encoder.h"
#include "codecs/jpeg/jpeg_idct.h"
#include "codecs/jpeg/jpeg_tables.h"
#include "codecs/jpeg/mini_jpeg.h"
#include "codecs/jpeg/mini_jpeg_decoder.h"
#include "jpeg_test_support.h"
#include "support/global_block_count.h"

using namespace jpegtest;

namespace {

struct DibGuard {
    HGLOBAL h;
    explicit DibGuard(HGLOBAL dib) : h(dib) {}
    ~DibGuard() {
        if (h) GlobalFree(h);
    }
};

// Offset of the first marker FF <marker> at a segment boundary, or npos.
size_t MarkerAt(const std::vector<uint8_t>& s, uint8_t marker) {
    size_t at = 2;
    while (at + 4 <= s.size() && s[at] == 0xFF) {
        if (s[at + 1] == marker) return at;
        if (s[at + 1] == 0xDA) break;
        at += 2 + ((size_t(s[at + 2]) << 8) | s[at + 3]);
    }
    return std::string::npos;
}

std::vector<uint8_t> ColourStream(int w = 40, int h = 24, int quality = 80) {
    DibGuard dib(MakeDib(w, h, 24, Pattern));
    return Encode(dib.h, quality);
}

std::vector<uint8_t> GreyStream(int w = 40, int h = 24, int quality = 80) {
    DibGuard dib(MakeDib(w, h, 8, Pattern));
    return Encode(dib.h, quality);
}

int MaxDiff(const Image& a, const Image& b) {
    int worst = 0;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
        worst = std::max(worst, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
    return worst;
}

double MeanDiff(const Image& a, const Image& b) {
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) sum += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    return sum / double(a.pixels.size());
}

// The standard luminance tables as the encoder's codes and as the decoder's tables.
struct LuminanceTables {
    jpeg::JpegHuffmanCodes dcCodes, acCodes;
    jpeg::JpegHuffmanTable dc, ac;
    bool built = false;

    LuminanceTables() {
        jpeg::BuildHuffmanCodes(jpeg::kDcLuminance, &dcCodes);
        jpeg::BuildHuffmanCodes(jpeg::kAcLuminance, &acCodes);
        built = jpeg::BuildHuffmanTable(jpeg::kDcLuminance.counts, jpeg::kDcLuminance.symbols, &dc) &&
                jpeg::BuildHuffmanTable(jpeg::kAcLuminance.counts, jpeg::kAcLuminance.symbols, &ac);
    }
};

}  // namespace

TEST(JpegEncoder, QualityScalesTheStandardTables) {
    std::vector<Segment> seg;
    std::vector<uint8_t> scan;
    ASSERT_TRUE(SplitStream(ColourStream(16, 16, 50), &seg, &scan));
    auto q = QuantTables(seg);
    ASSERT_EQ(q.size(), 2u);
    for (int k = 0; k < 64; ++k) {
        EXPECT_EQ(q[0].second[k], jpeg::kLuminanceQuant[jpeg::kZigzagToNatural[k]]);
        EXPECT_EQ(q[1].second[k], jpeg::kChrominanceQuant[jpeg::kZigzagToNatural[k]]);
    }
    ASSERT_TRUE(SplitStream(ColourStream(16, 16, 100), &seg, &scan));
    for (auto& t : QuantTables(seg))
        for (uint8_t v : t.second) EXPECT_EQ(v, 1);
    ASSERT_TRUE(SplitStream(ColourStream(16, 16, 1), &seg, &scan));
    for (auto& t : QuantTables(seg))
        for (uint8_t v : t.second) EXPECT_EQ(v, 255);
    EXPECT_EQ(ColourStream(16, 16, 0), ColourStream(16, 16, 1));
    EXPECT_EQ(ColourStream(16, 16, 150), ColourStream(16, 16, 100));
    EXPECT_NE(ColourStream(16, 16, 75), ColourStream(16, 16, 76));
}

TEST(JpegEncoder, WritesTheJfifSegments) {
    std::vector<Segment> seg;
    std::vector<uint8_t> scan;
    ASSERT_TRUE(SplitStream(ColourStream(300, 2), &seg, &scan));
    ASSERT_EQ(seg.size(), 5u);
    const std::vector<uint8_t> app0 = {'J', 'F', 'I', 'F', 0, 1, 1, 1, 0, 96, 0, 96, 0, 0};
    EXPECT_EQ(seg[0].marker, 0xE0);
    EXPECT_EQ(seg[0].payload, app0);
    EXPECT_EQ(seg[1].marker, 0xDB);
    EXPECT_EQ(seg[1].payload.size() + 2, 132u);
    EXPECT_EQ(seg[2].payload, (std::vector<uint8_t>{8, 0, 2, 1, 44, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1}));
    EXPECT_EQ(seg[3].marker, 0xC4);
    EXPECT_EQ(seg[3].payload.size() + 2, 418u);
    EXPECT_EQ(seg[4].payload, (std::vector<uint8_t>{3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0}));

    DibGuard grey(MakeDib(5, 7, 8, Pattern, false, 0));
    ASSERT_TRUE(SplitStream(Encode(grey.h, 80), &seg, &scan));
    ASSERT_EQ(seg.size(), 5u);
    EXPECT_EQ(seg[0].payload[9], 0);   // no density in the DIB
    EXPECT_EQ(seg[0].payload[11], 0);
    EXPECT_EQ(seg[1].payload.size() + 2, 67u);
    EXPECT_EQ(seg[2].payload, (std::vector<uint8_t>{8, 0, 7, 0, 5, 1, 1, 0x11, 0}));
    EXPECT_EQ(seg[3].payload.size() + 2, 210u);
    EXPECT_EQ(seg[4].payload, (std::vector<uint8_t>{1, 1, 0x00, 0, 63, 0}));
}

TEST(JpegEncoder, RefusesWhatItCannotEncode) {
    int r = 0;
    for (int bits : {1, 4, 16, 32}) {
        DibGuard dib(MakeDib(8, 8, bits == 1 || bits == 4 ? 8 : 24, Pattern));
        auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib.h));
        h->biBitCount = static_cast<WORD>(bits);
        GlobalUnlock(dib.h);
        Encode(dib.h, 80, &r);
        EXPECT_EQ(r, CMiniJpeg::kBadDepth) << bits;
    }
    for (LONG width : {0L, -8L, 70000L}) {
        DibGuard dib(MakeDib(8, 8, 24, Pattern));
        static_cast<BITMAPINFOHEADER*>(GlobalLock(dib.h))->biWidth = width;
        GlobalUnlock(dib.h);
        Encode(dib.h, 80, &r);
        EXPECT_EQ(r, CMiniJpeg::kBadDib) << width;
    }
    {   // a stride times height that overflows 32 bits
        DibGuard dib(MakeDib(8, 8, 24, Pattern));
        auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib.h));
        h->biWidth = 65535;
        h->biHeight = 65535;
        GlobalUnlock(dib.h);
        Encode(dib.h, 80, &r);
        EXPECT_EQ(r, CMiniJpeg::kBadDib);
    }
    {   // an 8-bit image whose block lacks the 1024-byte colour table biClrUsed 0 implies
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 40 + 64);
        DibGuard dib(block);
        auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
        *h = BITMAPINFOHEADER{40, 8, 8, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
        GlobalUnlock(block);
        Encode(block, 80, &r);
        EXPECT_EQ(r, CMiniJpeg::kBadDib);
    }
    DibGuard tiny(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 39));
    Encode(tiny.h, 80, &r);
    EXPECT_EQ(r, CMiniJpeg::kBadDib);
    Encode(nullptr, 80, &r);
    EXPECT_EQ(r, CMiniJpeg::kBadDib);
}

TEST(JpegEncoder, ReadsBottomUpRowsWithoutTouchingTheImage) {
    DibGuard bottomUp(MakeDib(37, 29, 24, Pattern, false));
    DibGuard topDown(MakeDib(37, 29, 24, Pattern, true));
    std::vector<uint8_t> before = BlockBytes(bottomUp.h, GlobalSize(bottomUp.h));
    EXPECT_EQ(Encode(bottomUp.h, 80), Encode(topDown.h, 80));
    EXPECT_EQ(BlockBytes(bottomUp.h, GlobalSize(bottomUp.h)), before);
}

TEST(JpegEncoder, PadsEdgesByRepeatingTheLastPixelAndRow) {
    // A 17 x 9 image codes the same units as a 32 x 16 one whose extra columns and rows repeat
    // column 16 and row 8.
    auto clampPattern = [](int x, int y, int c) { return Pattern(std::min(x, 16), std::min(y, 8), c); };
    for (int bits : {24, 8}) {
        // Colour units are 16 x 16, grey ones 8 x 8: both images cover the same units.
        DibGuard small(MakeDib(17, 9, bits, Pattern));
        DibGuard large(MakeDib(bits == 24 ? 32 : 24, 16, bits, clampPattern));
        std::vector<Segment> a, b;
        std::vector<uint8_t> scanA, scanB;
        ASSERT_TRUE(SplitStream(Encode(small.h, 75), &a, &scanA));
        ASSERT_TRUE(SplitStream(Encode(large.h, 75), &b, &scanB));
        EXPECT_EQ(scanA, scanB) << bits;
    }
    // One pixel fills its whole unit.
    DibGuard one(MakeDib(1, 1, 24, [](int, int, int c) { return uint8_t(60 + 70 * c); }));
    Image img;
    ASSERT_EQ(Decode(Encode(one.h, 90), &img), 0);
    ASSERT_EQ(img.width, 1);
    EXPECT_NEAR(img.at(0, 0, 0), 60, 3);
    EXPECT_NEAR(img.at(0, 0, 1), 130, 3);
    EXPECT_NEAR(img.at(0, 0, 2), 200, 3);
}

TEST(JpegEncoder, EncodesPaletteImagesAsGreyFromTheirIndices) {
    DibGuard grey(MakeDib(20, 20, 8, Pattern));
    DibGuard paletted(MakeDib(20, 20, 8, Pattern));
    auto* table = static_cast<RGBQUAD*>(GlobalLock(paletted.h)) + 10;
    for (int i = 0; i < 256; ++i) table[i] = RGBQUAD{BYTE(255 - i), 0, BYTE(i), 0};
    GlobalUnlock(paletted.h);
    EXPECT_EQ(Encode(grey.h, 80), Encode(paletted.h, 80));
}

TEST(JpegEncoder, ZeroRunsOfSixteenAndMoreRoundTrip) {
    int16_t block[64] = {};
    block[0] = 12;
    block[jpeg::kZigzagToNatural[36]] = 5;    // 35 zeros in front: two ZRL, then run 3
    block[jpeg::kZigzagToNatural[63]] = -300;  // last position: no EOB
    const LuminanceTables t;
    ASSERT_TRUE(t.built);
    jpeg::JpegOutput out;
    ASSERT_TRUE(out.Reserve(16));  // small on purpose: the output has to grow
    jpeg::JpegBitWriter writer(out);
    int16_t predictor = 0;
    for (int i = 0; i < 20; ++i) jpeg::EncodeBlock(writer, block, &predictor, t.dcCodes, t.acCodes);
    ASSERT_TRUE(writer.Finish());

    jpeg::JpegBitReader reader;
    reader.Start(out.data, out.size, 0);
    int16_t decodePredictor = 0;
    for (int i = 0; i < 20; ++i) {
        int16_t got[64] = {};
        EXPECT_TRUE(jpeg::DecodeBlock(reader, t.dc, t.ac, &decodePredictor, got));
        EXPECT_EQ(0, memcmp(got, block, sizeof(block))) << i;
    }
}

// A plain coder, one bit at a time, to compare the encoder's words and tables with: bytes
// completed one by one with a zero after every 0xFF, codes found by walking the table's counts,
// coefficients taken in zigzag order, categories counted bit by bit.
class PlainBitCoder {
public:
    void Bits(uint32_t value, int length) {
        for (int i = length - 1; i >= 0; --i) {
            byte_ = uint8_t(byte_ << 1 | (value >> i & 1));
            if (++filled_ == 8) {
                bytes_.push_back(byte_);
                if (byte_ == 0xFF) bytes_.push_back(0);
                byte_ = 0;
                filled_ = 0;
            }
        }
    }
    void Code(const jpeg::HuffmanSpec& table, int symbol) {
        uint32_t code = 0;
        int index = 0;
        for (int length = 1; length <= 16; ++length, code <<= 1)
            for (int i = 0; i < table.counts[length - 1]; ++i, ++index, ++code)
                if (table.symbols[index] == symbol) return Bits(code, length);
        ADD_FAILURE() << "symbol " << symbol << " not in the table";
    }
    void Block(const int16_t* coeffs, int16_t* predictor, const jpeg::HuffmanSpec& dc, const jpeg::HuffmanSpec& ac) {
        const int diff = coeffs[0] - *predictor;
        *predictor = coeffs[0];
        int category = CategoryOf(diff);
        Code(dc, category);
        Value(diff, category);
        int run = 0;
        for (int k = 1; k < 64; ++k) {
            const int v = coeffs[jpeg::kZigzagToNatural[k]];
            if (v == 0) {
                ++run;
                continue;
            }
            for (; run >= 16; run -= 16) Code(ac, 0xF0);
            category = CategoryOf(v);
            Code(ac, run * 16 + category);
            Value(v, category);
            run = 0;
        }
        if (run > 0) Code(ac, 0x00);
    }
    std::vector<uint8_t> Finish() {
        while (filled_ != 0) Bits(1, 1);
        return bytes_;
    }

private:
    static int CategoryOf(int v) {
        int category = 0;
        while ((v < 0 ? -v : v) >> category) ++category;
        return category;
    }
    void Value(int v, int category) { Bits(uint32_t(v < 0 ? v + (1 << category) - 1 : v), category); }

    std::vector<uint8_t> bytes_;
    uint8_t byte_ = 0;
    int filled_ = 0;
};

// The bit writer, which stores eight bytes at a time and looks for 0xFF in the whole word,
// against the plain coder: random codes of 1 to 32 bits in batches of random size, most of
// them all ones so that 0xFF bytes (and a stuffed zero) fall on every byte of the stored words
// and across their ends, from an output of 16 bytes that has to grow; the last byte padded with
// 1 bits, which may make it 0xFF too.
TEST(JpegEncoder, BitWriterStuffsEvery0xFFWhereverItFalls) {
    std::mt19937 rng(71);
    for (int round = 0; round < 400; ++round) {
        jpeg::JpegOutput out;
        ASSERT_TRUE(out.Reserve(16));
        jpeg::JpegBitWriter writer(out);
        PlainBitCoder plain;
        const int batches = 1 + int(rng() % 30);
        for (int b = 0; b < batches; ++b) {
            const int puts = 1 + int(rng() % 70);
            jpeg::JpegBitWriter::Batch batch(writer, size_t(puts) * 32);
            ASSERT_TRUE(batch.ok());
            for (int i = 0; i < puts; ++i) {
                const int length = 1 + int(rng() % 32);
                const uint32_t all = length == 32 ? 0xFFFFFFFFu : (1u << length) - 1;
                const uint32_t bits = rng() % 4 ? all : uint32_t(rng()) & all;
                batch.Put(bits, length);
                plain.Bits(bits, length);
            }
        }
        ASSERT_TRUE(writer.Finish());
        const std::vector<uint8_t> want = plain.Finish();
        ASSERT_EQ(std::vector<uint8_t>(out.data, out.data + out.size), want) << "round " << round;
    }
}

// Blocks through EncodeBlock against the plain coder with the standard tables, luminance and
// chrominance: random blocks sparse and dense, the largest coefficients (every AC at +-1023,
// DC differences up to +-2047), runs of 15, 16, 31, 32, 47 and 48 zeros, a last coefficient at
// position 63 (no EOB) and blocks of DC alone. Every byte the same.
TEST(JpegEncoder, EncodeBlockEqualsThePlainCoder) {
    std::mt19937 rng(72);
    jpeg::JpegHuffmanCodes dcCodes[2], acCodes[2];
    const jpeg::HuffmanSpec* dcSpecs[2] = {&jpeg::kDcLuminance, &jpeg::kDcChrominance};
    const jpeg::HuffmanSpec* acSpecs[2] = {&jpeg::kAcLuminance, &jpeg::kAcChrominance};
    for (int t = 0; t < 2; ++t) {
        jpeg::BuildHuffmanCodes(*dcSpecs[t], &dcCodes[t]);
        jpeg::BuildHuffmanCodes(*acSpecs[t], &acCodes[t]);
    }
    for (int round = 0; round < 60; ++round) {
        const int t = round % 2;
        jpeg::JpegOutput out;
        ASSERT_TRUE(out.Reserve(64));
        jpeg::JpegBitWriter writer(out);
        PlainBitCoder plain;
        int16_t predictor = 0, plainPredictor = 0;
        for (int b = 0; b < 200; ++b) {
            int16_t block[64] = {};
            const int kind = int(rng() % 8);
            block[0] = int16_t(kind == 0 ? (rng() % 2 ? 1023 : -1024) : int(rng() % 2048) - 1024);
            if (kind == 0) {  // the largest coefficients everywhere
                for (int n = 1; n < 64; ++n) block[n] = int16_t(rng() % 2 ? 1023 : -1023);
            } else if (kind == 1) {  // runs around the multiples of 16
                const int runs[] = {15, 16, 31, 32, 47, 48};
                const int k = 1 + runs[rng() % 6];
                block[jpeg::kZigzagToNatural[k]] = int16_t(rng() % 2 ? 1 : -1);
                if (rng() % 2) block[jpeg::kZigzagToNatural[63]] = int16_t(int(rng() % 2047) - 1023);
            } else if (kind == 2) {  // DC alone
            } else {
                const int count = kind == 7 ? 63 : int(rng() % (4 << kind));
                const int range = rng() % 3 ? 16 : 1024;
                for (int i = 0; i < count; ++i)
                    block[1 + rng() % 63] = int16_t(int(rng() % (2 * range - 1)) - (range - 1));
            }
            jpeg::EncodeBlock(writer, block, &predictor, dcCodes[t], acCodes[t]);
            plain.Block(block, &plainPredictor, *dcSpecs[t], *acSpecs[t]);
        }
        ASSERT_TRUE(writer.Finish());
        ASSERT_EQ(std::vector<uint8_t>(out.data, out.data + out.size), plain.Finish()) << "round " << round;
    }
}

TEST(JpegEncoder, WritesFilesAndReportsFailures) {
    DibGuard dib(MakeDib(30, 20, 24, Pattern));
    std::string path = testing::TempDir() + "lumetta_jpeg_" + std::to_string(std::random_device{}()) + ".jpg";
    CMiniJpeg encoder;
    ASSERT_EQ(encoder.EncodeToFile(dib.h, path.c_str()), CMiniJpeg::kOk);
    FILE* f = fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<uint8_t> bytes(100000);
    bytes.resize(fread(bytes.data(), 1, bytes.size(), f));
    fclose(f);
    remove(path.c_str());
    EXPECT_EQ(bytes, Encode(dib.h, 80));
    std::string missing = testing::TempDir() + "no_such_folder_lumetta/x.jpg";
    EXPECT_EQ(encoder.EncodeToFile(dib.h, missing.c_str()), CMiniJpeg::kFileFailed);
    SIZE_T size = 1;
    EXPECT_EQ(encoder.GetOutput(&size), nullptr);  // nothing is kept after a file encoding
}

TEST(JpegEncoder, GrowsItsOutputForIncompressibleImages) {
    // Noise at quality 100 needs far more than the first output block.
    DibGuard dib(MakeDib(64, 64, 8, [](int x, int y, int) { return uint8_t((x * 7919 + y * 104729) * 2654435761u >> 24); }));
    int r = 0;
    std::vector<uint8_t> stream = Encode(dib.h, 100, &r);
    ASSERT_EQ(r, 0);
    EXPECT_GT(stream.size(), size_t(64 * 64 / 1.5 + 1024));
    Image in = ReadDib(dib.h), out;
    ASSERT_EQ(Decode(stream, &out), 0);
    EXPECT_LE(MaxDiff(in, out), 2);
}

// Checksums of streams the encoder must produce bit for bit in every build (native, i686, x86_64).
TEST(JpegEncoder, SameBytesInEveryBuild) {
    struct Case {
        int w, h, bits, quality;
        uint64_t fnv;
    } cases[] = {
        {61, 47, 24, 75, 0x3e3d5c37ed3e7340ull},
        {61, 47, 8, 75, 0x08e71c4e948df4e5ull},
        {33, 17, 24, 100, 0x2660f0266a5fe882ull},
        {33, 17, 8, 10, 0x600006ae993ff088ull},
    };
    for (const Case& c : cases) {
        DibGuard dib(MakeDib(c.w, c.h, c.bits, Pattern));
        uint64_t got = Fnv1a(Encode(dib.h, c.quality));
        EXPECT_EQ(got, c.fnv) << c.w << " x " << c.h << " x " << c.bits << " q" << c.quality;
    }
}

TEST(JpegDecoder, RoundTripsColourAndGrey) {
    DibGuard colour(MakeDib(61, 47, 24, Pattern));
    Image in = ReadDib(colour.h), out;
    HGLOBAL dib = nullptr;
    ASSERT_EQ(Decode(Encode(colour.h, 90), &out, &dib), 0);
    DibGuard decoded(dib);
    ASSERT_EQ(out.width, 61);
    ASSERT_EQ(out.height, 47);
    ASSERT_EQ(out.channels, 3);
    EXPECT_LT(MeanDiff(in, out), 6.0);
    auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    EXPECT_EQ(h->biXPelsPerMeter, 3780);
    EXPECT_EQ(h->biHeight, 47);   // bottom-up
    EXPECT_EQ(h->biClrUsed, 0u);
    GlobalUnlock(dib);
    EXPECT_EQ(GlobalSize(dib), 40u + 184u * 47u);

    DibGuard grey(MakeDib(9, 9, 8, Pattern));
    in = ReadDib(grey.h);
    ASSERT_EQ(Decode(Encode(grey.h, 100), &out, &dib), 0);
    DibGuard decodedGrey(dib);
    EXPECT_LE(MaxDiff(in, out), 1);
    h = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    EXPECT_EQ(h->biBitCount, 8);
    EXPECT_EQ(h->biClrUsed, 256u);
    EXPECT_EQ(static_cast<RGBQUAD*>(static_cast<void*>(h + 1))[200].rgbGreen, 200);
    GlobalUnlock(dib);
    EXPECT_EQ(GlobalSize(dib), 1064u + 12u * 9u);
}

TEST(JpegDecoder, RefusesOtherCodingProcesses) {
    for (uint8_t sof : {0xC1, 0xC2, 0xC3, 0xC9, 0xCA}) {
        std::vector<uint8_t> s = ColourStream();
        s[MarkerAt(s, 0xC0) + 1] = sof;
        EXPECT_EQ(Decode(s, nullptr), 2) << int(sof);
    }
    std::vector<uint8_t> s = ColourStream();
    s[MarkerAt(s, 0xC0) + 4] = 12;  // 12-bit samples
    EXPECT_EQ(Decode(s, nullptr), 2);
    s = ColourStream();
    s[0] = 0;
    EXPECT_EQ(Decode(s, nullptr), 2);
}

TEST(JpegDecoder, ChecksTheJfifHeader) {
    std::vector<uint8_t> s = ColourStream();
    size_t app0 = MarkerAt(s, 0xE0);
    std::vector<uint8_t> v2 = s;
    v2[app0 + 9] = 2;
    EXPECT_EQ(Decode(v2, nullptr), 2);
    std::vector<uint8_t> thumb = s;
    thumb[app0 + 16] = 1;
    EXPECT_EQ(Decode(thumb, nullptr), 2);

    // Without a JFIF header the densities are 0. A JFIF-like text inside another segment (here
    // a comment) is not a header.
    const uint8_t comment[] = {0xFF, 0xFE, 0x00, 0x14, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0,
                               2, 1, 1, 0, 96, 0, 96, 1, 1};
    const size_t rest = s.size() - (app0 + 18);
    std::vector<uint8_t> bare(2 + sizeof(comment) + rest);
    memcpy(bare.data(), s.data(), 2);
    memcpy(bare.data() + 2, comment, sizeof(comment));
    memcpy(bare.data() + 2 + sizeof(comment), s.data() + app0 + 18, rest);
    HGLOBAL dib = nullptr;
    ASSERT_EQ(Decode(bare, nullptr, &dib), 0);
    DibGuard decoded(dib);
    auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    EXPECT_EQ(h->biXPelsPerMeter, 0);
    EXPECT_EQ(h->biYPelsPerMeter, 0);
    GlobalUnlock(dib);
}

TEST(JpegDecoder, ChecksSamplingFactors) {
    struct {
        int component;
        uint8_t factors;
        int result;
    } cases[] = {
        {0, 0x22, 0}, {0, 0x21, 0}, {0, 0x12, 0}, {0, 0x11, 0},
        {1, 0x21, 2}, {2, 0x21, 2}, {2, 0x12, 2}, {0, 0x00, 2}, {0, 0x20, 2}, {0, 0x33, 2}, {1, 0x01, 2},
    };
    for (auto c : cases) {
        std::vector<uint8_t> s = ColourStream();
        s[MarkerAt(s, 0xC0) + 11 + 3 * c.component] = c.factors;
        EXPECT_EQ(Decode(s, nullptr), c.result) << c.component << " " << int(c.factors);
    }
    // A grey image is one block per unit whatever factors its one component declares.
    std::vector<uint8_t> s = GreyStream(21, 13);
    Image plain, declared;
    ASSERT_EQ(Decode(s, &plain), 0);
    s[MarkerAt(s, 0xC0) + 11] = 0x22;
    ASSERT_EQ(Decode(s, &declared), 0);
    EXPECT_EQ(plain.pixels, declared.pixels);
}

TEST(JpegDecoder, RefusesBadTables) {
    std::vector<uint8_t> s = ColourStream();
    size_t dht = MarkerAt(s, 0xC4), dqt = MarkerAt(s, 0xDB), sof = MarkerAt(s, 0xC0), sos = MarkerAt(s, 0xDA);
    auto patched = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> p = s;
        p[at] = value;
        return Decode(p, nullptr);
    };
    EXPECT_EQ(patched(dht + 4, 0x04), 2);        // table number 4
    EXPECT_EQ(patched(dht + 4, 0x20), 2);        // class 2
    EXPECT_EQ(patched(dht + 5, 3), 2);           // three codes of length 1
    EXPECT_EQ(patched(dht + 5 + 15, 200), 2);    // more symbols than the segment holds
    EXPECT_EQ(patched(dqt + 4, 0x04), 2);        // table number 4
    EXPECT_EQ(patched(dqt + 4, 0x10), 2);        // 16-bit table
    EXPECT_EQ(patched(sof + 12, 4), 2);          // component using table 4
    EXPECT_EQ(patched(sos + 6, 0x40), 2);        // scan using DC table 4
    EXPECT_EQ(patched(sos + 4, 1), 2);           // one component of three in the scan
    EXPECT_EQ(patched(sof + 10, 4), 2);          // component id 4
    EXPECT_EQ(patched(dqt + 3, 0xFF), 2);        // segment longer than the data after it
}

TEST(JpegDecoder, SurvivesDamagedAndTruncatedData) {
    std::vector<uint8_t> s = ColourStream(64, 48);
    size_t sos = MarkerAt(s, 0xDA);
    for (size_t keep : {size_t(3), sos, sos + 14, sos + 40, s.size() / 2, s.size() - 2}) {
        std::vector<uint8_t> cut(s.begin(), s.begin() + keep);
        Image img;
        int r = Decode(cut, &img);
        // Without a byte of the scan there is no image, however large a frame is declared.
        if (keep <= sos + 14) {
            EXPECT_EQ(r, 2) << keep;
        } else {
            EXPECT_EQ(r, 0) << keep;
            EXPECT_EQ(img.width, 64);
        }
    }
    // Flipped bits in the scan still give an image.
    for (size_t i = sos + 20; i < s.size() - 2; i += 7) s[i] ^= 0x5A;
    EXPECT_EQ(Decode(s, nullptr), 0);
    // A frame too large for any DIB is refused before anything is allocated.
    std::vector<uint8_t> huge = ColourStream();
    size_t sof = MarkerAt(huge, 0xC0);
    huge[sof + 5] = huge[sof + 6] = huge[sof + 7] = huge[sof + 8] = 0xFF;
    EXPECT_EQ(Decode(huge, nullptr), 1);
    huge[sof + 5] = huge[sof + 6] = 0;
    EXPECT_EQ(Decode(huge, nullptr), 2);  // height 0
}

TEST(JpegDecoder, AFrameLargerThanItsScanCanHoldIsRefused) {
    // A small stream declaring 65061 x 1763 was decoded block by block from nothing into 344 MB.
    std::vector<uint8_t> s = ColourStream(16, 16);
    size_t sof = MarkerAt(s, 0xC0);
    std::vector<uint8_t> big = s;
    big[sof + 5] = 0x06;  // height 1763
    big[sof + 6] = 0xE3;
    big[sof + 7] = 0xFE;  // width 65061
    big[sof + 8] = 0x25;
    EXPECT_EQ(Decode(big, nullptr), 2);
    EXPECT_FALSE(CMiniJpegDecoder::FrameFitsData(big.data(), big.size()));
    EXPECT_TRUE(CMiniJpegDecoder::FrameFitsData(s.data(), s.size()));
    // Not JPEG to this parser: another decoder may try it.
    const BYTE other[] = {0x89, 'P', 'N', 'G'};
    EXPECT_TRUE(CMiniJpegDecoder::FrameFitsData(other, sizeof other));
}

TEST(JpegDecoder, StopsABlockWhoseRunsPassTheEnd) {
    // An AC table whose only short symbols are run 15 / size 1 (code 0) and EOB (code 10).
    const uint8_t counts[16] = {1, 1};
    const uint8_t symbols[2] = {0xF1, 0x00};
    const uint8_t dcCounts[16] = {1};
    const uint8_t dcSymbols[1] = {0};
    jpeg::JpegHuffmanTable dc, ac;
    ASSERT_TRUE(jpeg::BuildHuffmanTable(dcCounts, dcSymbols, &dc));
    ASSERT_TRUE(jpeg::BuildHuffmanTable(counts, symbols, &ac));
    // Block one: DC "0", then four times run 15 with value bit 1 ("0" "1"). Block two: DC "0",
    // one run 15 with value 1, EOB "10".
    const uint8_t data[] = {0x2A, 0x98, 0x00, 0x00};  // 0 01 01 01 01 | 0 01 10 000...
    jpeg::JpegBitReader reader;
    reader.Start(data, sizeof(data), 0);
    int16_t predictor = 0, coeffs[64] = {};
    jpeg::DecodeBlock(reader, dc, ac, &predictor, coeffs);
    EXPECT_EQ(coeffs[jpeg::kZigzagToNatural[16]], 1);
    EXPECT_EQ(coeffs[jpeg::kZigzagToNatural[32]], 1);
    EXPECT_EQ(coeffs[jpeg::kZigzagToNatural[48]], 1);
    EXPECT_EQ(coeffs[63], 0);  // the fourth run lands at 64: the block ends there
    int16_t next[64] = {};
    jpeg::DecodeBlock(reader, dc, ac, &predictor, next);  // "0 01": DC, then run 15
    EXPECT_EQ(next[jpeg::kZigzagToNatural[16]], 1);
}

TEST(JpegCodec, LeavesNoBlockBehind) {
    if (!CanCountGlobalBlocks()) GTEST_SKIP() << "global blocks are counted in the native build";
    std::vector<uint8_t> good = ColourStream(), truncated(good.begin(), good.begin() + good.size() / 2);
    std::vector<uint8_t> progressive = good;
    progressive[MarkerAt(progressive, 0xC0) + 1] = 0xC2;
    long before = LiveGlobalBlocks();
    for (const auto& s : {good, truncated, progressive}) {
        CMiniJpegDecoder decoder;
        decoder.Decode(s.data(), s.size());  // the DIB is not taken: the decoder frees it
    }
    {
        DibGuard dib(MakeDib(20, 20, 24, Pattern));
        CMiniJpeg encoder;
        EXPECT_EQ(encoder.EncodeToMemory(dib.h), CMiniJpeg::kOk);
        EXPECT_EQ(encoder.EncodeToMemory(dib.h), CMiniJpeg::kOk);  // the first output is freed
        static_cast<BITMAPINFOHEADER*>(GlobalLock(dib.h))->biBitCount = 32;
        GlobalUnlock(dib.h);
        EXPECT_EQ(encoder.EncodeToMemory(dib.h), CMiniJpeg::kBadDepth);
    }
    EXPECT_EQ(LiveGlobalBlocks(), before);
}

namespace {

void Append(std::vector<uint8_t>& to, const uint8_t* bytes, size_t count) {
    size_t at = to.size();
    to.resize(at + count);
    memcpy(to.data() + at, bytes, count);
}

}  // namespace

TEST(JpegDecoder, RestartIntervalResetsThePredictors) {
    // A grey stream of three units is coded again with a restart marker after every unit: the
    // DC of each unit is then coded against 0, and the image must not change.
    std::vector<uint8_t> s = GreyStream(24, 8, 75);
    const size_t sos = MarkerAt(s, 0xDA);
    const size_t scanStart = sos + 2 + ((size_t(s[sos + 2]) << 8) | s[sos + 3]);
    const LuminanceTables t;
    ASSERT_TRUE(t.built);
    jpeg::JpegBitReader reader;
    reader.Start(s.data(), s.size(), scanStart);
    int16_t predictor = 0, blocks[3][64] = {};
    for (auto& block : blocks) jpeg::DecodeBlock(reader, t.dc, t.ac, &predictor, block);
    ASSERT_NE(blocks[1][0], 0);  // so that a missed reset shows

    std::vector<uint8_t> restarted;
    Append(restarted, s.data(), sos);
    const uint8_t dri[] = {0xFF, 0xDD, 0x00, 0x04, 0x00, 0x01};
    Append(restarted, dri, sizeof(dri));
    Append(restarted, s.data() + sos, scanStart - sos);
    for (int b = 0; b < 3; ++b) {
        jpeg::JpegOutput out;
        ASSERT_TRUE(out.Reserve(256));
        jpeg::JpegBitWriter writer(out);
        int16_t fresh = 0;
        jpeg::EncodeBlock(writer, blocks[b], &fresh, t.dcCodes, t.acCodes);
        ASSERT_TRUE(writer.Finish());
        Append(restarted, out.data, out.size);
        const uint8_t marker[] = {0xFF, uint8_t(b < 2 ? 0xD0 + b : 0xD9)};
        Append(restarted, marker, 2);
    }
    Image plain, withRestarts;
    ASSERT_EQ(Decode(s, &plain), 0);
    ASSERT_EQ(Decode(restarted, &withRestarts), 0);
    EXPECT_EQ(plain.pixels, withRestarts.pixels);
}

TEST(JpegEncoder, ColourConversionIsTheIntegerFormula) {
    // Extremes and a pseudo-random spread, over widths that use the vector path and its tail.
    std::vector<uint8_t> row(3 * 61);
    uint32_t seed = 7;
    for (size_t i = 0; i < row.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        row[i] = i < 48 ? (i % 2 ? 255 : 0) : uint8_t(seed >> 24);
    }
    for (int width : {61, 48, 16, 5}) {
        const int padded = (width + 15) / 16 * 16;
        std::vector<int16_t> y(padded), cb(padded / 2), cr(padded / 2);
        jpeg::BgrRowToSamples(row.data(), width, padded, y.data(), cb.data(), cr.data());
        for (int x = 0; x < padded; ++x) {
            const uint8_t* p = &row[3 * std::min(x, width - 1)];
            EXPECT_EQ(y[x], ((19595 * p[2] + 38470 * p[1] + 7471 * p[0]) >> 16) - 128) << width << " " << x;
            if (x % 2) continue;
            EXPECT_EQ(cb[x / 2], (-11058 * p[2] - 21708 * p[1] + 32768 * p[0]) >> 16) << width << " " << x;
            EXPECT_EQ(cr[x / 2], (32768 * p[2] - 27438 * p[1] - 5328 * p[0]) >> 16) << width << " " << x;
        }
    }
}

// The forward DCT with quantisation (vector lanes where the processor has them) against the
// plain float code: noise, smooth ramps, flat blocks and the extreme checkerboards that give the
// largest coefficients, all level-shifted 8-bit samples, under the quality-scaled standard tables
// (1 everywhere at quality 100) and random ones. Every coefficient the same.
TEST(JpegEncoder, ForwardDctEqualsThePlainFloatCode) {
    std::mt19937 rng(73);
    for (int round = 0; round < 4000; ++round) {
        uint16_t quant[64];
        const int quality = 1 + int(rng() % 100);
        const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
        for (int i = 0; i < 64; ++i) {
            const int base = round % 3 == 0 ? jpeg::kLuminanceQuant[i] : jpeg::kChrominanceQuant[i];
            const int scaled = std::clamp((base * scale + 50) / 100, 1, 255);
            quant[i] = uint16_t(round % 4 == 3 ? 1 + rng() % 255 : scaled);
        }
        float divisors[64];
        jpeg::BuildFdctDivisors(quant, divisors);
        const size_t stride = 8 + rng() % 3 * 8;
        std::vector<int16_t> samples(stride * 8);
        const int kind = round % 5;
        for (int r = 0; r < 8; ++r)
            for (size_t c = 0; c < stride; ++c) {
                int v = 0;
                if (kind == 0) v = int(rng() % 256) - 128;
                if (kind == 1) v = int(r * 9 + c * 5) - 60 + int(rng() % 5);
                if (kind == 2) v = rng() % 2 ? 127 : -128;
                if (kind == 3) v = ((r + c) % 2 == 0) == (round % 2 == 0) ? 127 : -128;
                if (kind == 4) v = round % 2 ? 127 : -128;
                samples[r * stride + c] = int16_t(v);
            }
        int16_t plain[64], fast[64];
        jpeg::ForwardDctQuantizePlain(samples.data(), stride, divisors, plain);
        jpeg::ForwardDctQuantize(samples.data(), stride, divisors, fast);
        ASSERT_EQ(memcmp(plain, fast, sizeof plain), 0) << "round " << round;
    }
}

TEST(JpegDecoder, ColourOutputClampsAndStaysInItsRow) {
    jpeg::JpegColorTables tables;
    std::vector<uint8_t> luma(64);
    std::vector<int16_t> blue(64), green(64), red(64);
    uint32_t seed = 3;
    auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 16; };
    for (int i = 0; i < 64; ++i) {
        luma[i] = uint8_t(i < 8 ? (i % 2 ? 255 : 0) : next());
        blue[i] = int16_t(tables.cbToB[next() & 255]);
        green[i] = int16_t(tables.crToG[next() & 255] + tables.cbToG[next() & 255]);
        red[i] = int16_t(tables.crToR[next() & 255]);
    }
    const jpeg::ChromaTerms terms{blue.data(), green.data(), red.data()};
    auto clamp = [](int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); };
    for (int h : {1, 2})
        for (int width : {61, 48, 33, 17, 16, 5}) {
            std::vector<uint8_t> out(3 * width + 8, 0xAB);
            jpeg::YccRowToBgr(tables, luma.data(), terms, h, width, out.data());
            for (int x = 0; x < width; ++x) {
                EXPECT_EQ(out[3 * x], clamp(luma[x] + blue[x / h])) << h << " " << width << " " << x;
                EXPECT_EQ(out[3 * x + 1], clamp(luma[x] + green[x / h])) << h << " " << width << " " << x;
                EXPECT_EQ(out[3 * x + 2], clamp(luma[x] + red[x / h])) << h << " " << width << " " << x;
            }
            for (int i = 3 * width; i < 3 * width + 8; ++i) EXPECT_EQ(out[i], 0xAB) << h << " " << width;
        }
}

// The chroma terms (computed eight at a time where the processor allows) hold exactly the table
// values for every pair of chroma samples, at every position of a row and for short rows.
TEST(JpegDecoder, ChromaTermsAreTheTableValuesForEverySamplePair) {
    jpeg::JpegColorTables tables;
    std::vector<uint8_t> cb(65536), cr(65536);
    for (int i = 0; i < 65536; ++i) {
        cb[i] = uint8_t(i & 255);
        cr[i] = uint8_t(i >> 8);
    }
    for (int count : {65536, 13, 7}) {
        std::vector<int16_t> blue(count + 1, 99), green(count + 1, 99), red(count + 1, 99);
        jpeg::ComputeChromaTerms(tables, cb.data() + (count == 13 ? 3 : 0), cr.data() + (count == 13 ? 3 : 0), count,
                                 jpeg::ChromaTerms{blue.data(), green.data(), red.data()});
        for (int i = 0; i < count; ++i) {
            const int j = i + (count == 13 ? 3 : 0);
            ASSERT_EQ(blue[i], tables.cbToB[cb[j]]) << cb[j];
            ASSERT_EQ(green[i], tables.crToG[cr[j]] + tables.cbToG[cb[j]]) << int(cb[j]) << " " << int(cr[j]);
            ASSERT_EQ(red[i], tables.crToR[cr[j]]) << cr[j];
        }
        EXPECT_EQ(blue[count], 99);
        EXPECT_EQ(green[count], 99);
        EXPECT_EQ(red[count], 99);
    }
}

// The inverse DCT (vector lanes where the processor has them, with a lighter case for blocks
// whose coefficients all lie in the first ten zigzag positions) against the plain float code on
// random blocks: sparse and dense, small and damaged-stream-sized values, real and extreme
// multipliers. Every sample the same.
TEST(JpegDecoder, InverseDctEqualsThePlainFloatCode) {
    std::mt19937 rng(105);
    jpeg::JpegRangeLimit limit;
    for (int round = 0; round < 4000; ++round) {
        uint16_t quant[64];
        const int scale = round % 5 == 4 ? 65535 : 1 + int(rng() % 60);
        for (int i = 0; i < 64; ++i) quant[i] = uint16_t(1 + rng() % scale);
        float dequant[64];
        jpeg::BuildDequantTable(quant, dequant);
        int16_t coeffs[64] = {};
        const int last = round % 3 == 0 ? int(rng() % 10) : int(rng() % 64);
        const int range = round % 7 == 6 ? 32768 : (round % 2 ? 64 : 8);
        for (int k = 0; k <= last; ++k)
            if (k == last || rng() % 3 == 0)
                coeffs[jpeg::kZigzagToNatural[k]] = int16_t(int(rng() % (2 * range)) - range);
        uint8_t plain[8 * 9], fast[8 * 9], sparse[8 * 9];
        memset(plain, 0xA5, sizeof plain);
        memset(fast, 0xA5, sizeof fast);
        memset(sparse, 0xA5, sizeof sparse);
        jpeg::InverseDctPlain(coeffs, dequant, limit, plain, 9);
        jpeg::InverseDct(coeffs, dequant, limit, fast, 9);
        jpeg::InverseDct(coeffs, dequant, limit, sparse, 9, last);
        ASSERT_EQ(memcmp(plain, fast, sizeof plain), 0) << "round " << round;
        ASSERT_EQ(memcmp(plain, sparse, sizeof plain), 0) << "round " << round << ", last " << last;
    }
}

// The inverse DCT as the decoder calls it (the lighter case chosen by the coefficients' actual
// positions, the clamp of the descale left out for tables that keep every output inside it)
// against the plain float code: random blocks of every shape with real, extreme and
// damaged-stream-sized values, under tables on both sides of the bound. Every sample the same.
TEST(JpegDecoder, InverseDctOfDecodedBlocksEqualsThePlainFloatCode) {
    std::mt19937 rng(35);
    jpeg::JpegRangeLimit limit;
    for (int round = 0; round < 6000; ++round) {
        uint16_t quant[64];
        const int kind = round % 4;
        for (int i = 0; i < 64; ++i)
            quant[i] = uint16_t(kind == 0 ? 1 + rng() % 60 : kind == 1 ? 218 : kind == 2 ? 1 + rng() % 65535 : 1 + rng() % 255);
        float dequant[64];
        jpeg::BuildDequantTable(quant, dequant);
        const bool bounded = jpeg::OutputsStayBounded(quant);
        int16_t coeffs[64] = {};
        const int shape = int(rng() % 4);  // top-left quarter, top rows, left columns, anywhere
        const int range = round % 5 == 4 ? 32768 : (round % 2 ? 1024 : 16);
        const int count = 1 + int(rng() % 20);
        for (int i = 0; i < count; ++i) {
            int r = int(rng() % 8), c = int(rng() % 8);
            if (shape == 0 || shape == 1) r %= 4;
            if (shape == 0 || shape == 2) c %= 4;
            coeffs[r * 8 + c] = int16_t(int(rng() % (2 * range)) - range);
        }
        unsigned spread = 0;
        for (int i = 1; i < 64; ++i)
            if (coeffs[i]) spread |= unsigned(i);
        uint8_t plain[8 * 9], fast[8 * 9], clamped[8 * 9];
        memset(plain, 0xA5, sizeof plain);
        memset(fast, 0xA5, sizeof fast);
        memset(clamped, 0xA5, sizeof clamped);
        jpeg::InverseDctPlain(coeffs, dequant, limit, plain, 9);
        jpeg::InverseDctOfBlock(coeffs, dequant, limit, fast, 9, spread, bounded);
        jpeg::InverseDctOfBlock(coeffs, dequant, limit, clamped, 9, spread, false);
        ASSERT_EQ(memcmp(plain, fast, sizeof plain), 0) << "round " << round << ", spread " << spread;
        ASSERT_EQ(memcmp(plain, clamped, sizeof plain), 0) << "round " << round << ", spread " << spread;
    }
}

// The bound that lets the decoder leave the clamp out: a table just inside it (quantiser sum
// 13952) takes the largest output each sample position can get, every coefficient at the limit
// with the sign of its basis value there (and the opposite signs), without a difference from
// the clamping plain code; a table whose quantisers add up to more than 14000 is outside it.
TEST(JpegDecoder, OutputsStayBoundedHoldsForTheWorstBlocks) {
    uint16_t quant[64];
    for (auto& q : quant) q = 218;
    ASSERT_TRUE(jpeg::OutputsStayBounded(quant));
    quant[5] = 282;
    EXPECT_FALSE(jpeg::OutputsStayBounded(quant));
    quant[5] = 218;
    float dequant[64];
    jpeg::BuildDequantTable(quant, dequant);
    jpeg::JpegRangeLimit limit;
    const double pi = 3.14159265358979323846;
    for (int m = 0; m < 8; ++m)
        for (int n = 0; n < 8; ++n)
            for (int sign : {1, -1}) {
                int16_t coeffs[64];
                for (int u = 0; u < 8; ++u)
                    for (int v = 0; v < 8; ++v) {
                        const double basis = std::cos((2 * m + 1) * u * pi / 16) * std::cos((2 * n + 1) * v * pi / 16);
                        coeffs[u * 8 + v] = int16_t(basis * sign >= 0 ? 32767 : -32768);
                    }
                uint8_t plain[64], fast[64];
                jpeg::InverseDctPlain(coeffs, dequant, limit, plain, 8);
                jpeg::InverseDctOfBlock(coeffs, dequant, limit, fast, 8, 63, true);
                ASSERT_EQ(memcmp(plain, fast, sizeof plain), 0) << m << " " << n << " " << sign;
            }
}

// Blocks through the encoder and back: the decoder's spread is exactly the or of the natural
// indices of the non-zero AC coefficients, and the coefficients come back unchanged.
TEST(JpegDecoder, DecodeBlockReportsWhereItsCoefficientsLie) {
    std::mt19937 rng(36);
    const LuminanceTables t;
    ASSERT_TRUE(t.built);
    std::vector<std::array<int16_t, 64>> blocks(500);
    for (auto& block : blocks) {
        block.fill(0);
        const int count = int(rng() % 24), reach = 1 + int(rng() % 63);
        block[0] = int16_t(int(rng() % 2001) - 1000);
        for (int i = 0; i < count; ++i)
            block[jpeg::kZigzagToNatural[1 + rng() % reach]] = int16_t(int(rng() % 2001) - 1000);
    }
    jpeg::JpegOutput out;
    ASSERT_TRUE(out.Reserve(1024));
    jpeg::JpegBitWriter writer(out);
    int16_t predictor = 0;
    for (const auto& block : blocks) jpeg::EncodeBlock(writer, block.data(), &predictor, t.dcCodes, t.acCodes);
    ASSERT_TRUE(writer.Finish());

    jpeg::JpegBitReader reader;
    reader.Start(out.data, out.size, 0);
    predictor = 0;
    for (size_t b = 0; b < blocks.size(); ++b) {
        int16_t got[64] = {};
        unsigned spread = 12345;
        jpeg::DecodeBlock(reader, t.dc, t.ac, &predictor, got, &spread);
        unsigned want = 0;
        for (int i = 1; i < 64; ++i)
            if (blocks[b][i]) want |= unsigned(i);
        EXPECT_EQ(spread, want) << b;
        ASSERT_EQ(memcmp(got, blocks[b].data(), sizeof got), 0) << b;
    }
}

// The bit reader, which takes eight bytes at a time where none of them is 0xFF, against the
// stream read one byte at a time by hand: stuffed zeros dropped, a marker or the end read as
// 1 bits from there on, on random streams full of 0xFF bytes and read in random widths.
TEST(JpegDecoder, BitReaderReadsTheBytesOneAtATimeWouldGive) {
    std::mt19937 rng(8);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> data(1 + rng() % 200);
        for (auto& b : data) {
            const unsigned kind = rng() % 16;
            b = kind == 0 ? 0xFF : kind == 1 ? 0x00 : uint8_t(rng());
        }
        const size_t start = rng() % 4 < data.size() ? rng() % 4 : 0;
        // The expected bits: bytes up to the first 0xFF not followed by 0x00 (or the end).
        std::vector<int> bits;
        for (size_t p = start; p < data.size();) {
            uint8_t b = data[p];
            if (b == 0xFF) {
                if (p + 1 < data.size() && data[p + 1] == 0) {
                    p += 2;
                } else {
                    break;
                }
            } else {
                ++p;
            }
            for (int i = 7; i >= 0; --i) bits.push_back((b >> i) & 1);
        }
        jpeg::JpegBitReader reader;
        reader.Start(data.data(), data.size(), start);
        size_t at = 0;
        while (at < bits.size() + 64) {
            const int n = 1 + int(rng() % 16);
            if (reader.Count() < n) reader.Fill();
            ASSERT_GE(reader.Count(), n);
            uint32_t want = 0;
            for (int i = 0; i < n; ++i) want = want << 1 | (at + i < bits.size() ? bits[at + i] : 1);
            ASSERT_EQ(reader.Peek(n), want) << "round " << round << " bit " << at;
            reader.Skip(n);
            at += size_t(n);
        }
    }
}

// The window a decoding loop keeps in registers (Load, Filled, Store) reads the same bits as the
// reader's own Fill, on the same kind of random streams full of 0xFF bytes and stuffed zeros.
TEST(JpegDecoder, BitReaderWindowReadsWhatFillReads) {
    std::mt19937 rng(9);
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> data(1 + rng() % 200);
        for (auto& b : data) {
            const unsigned kind = rng() % 16;
            b = kind == 0 ? 0xFF : kind == 1 ? 0x00 : uint8_t(rng());
        }
        jpeg::JpegBitReader plain, windowed;
        plain.Start(data.data(), data.size(), 0);
        windowed.Start(data.data(), data.size(), 0);
        for (int read = 0; read < 150; ++read) {
            const int n = 1 + int(rng() % 16);
            if (plain.Count() < n) plain.Fill();
            const uint32_t want = plain.Peek(n);
            plain.Skip(n);
            jpeg::JpegBitReader::Window w = windowed.Load();
            if (w.count < 32) w = windowed.Filled(w);
            ASSERT_GE(w.count, 32);
            ASSERT_EQ(uint32_t(w.bits >> (64 - n)), want) << "round " << round << " read " << read;
            w.bits <<= n;
            w.count -= n;
            windowed.Store(w);
        }
    }
}
