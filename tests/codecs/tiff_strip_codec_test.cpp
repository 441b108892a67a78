// The LZW and PackBits strip codecs against libtiff (native build only): strips written here must
// equal libtiff's strips of the same pixels byte for byte, libtiff's strips must decode to the
// pixels, and damaged streams must end with the codec's error instead of an overrun.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <tiffio.h>

#include "codecs/tiff/lzw_codec.h"
#include "codecs/tiff/packbits_codec.h"
#include "lzw_plain_encoder.h"
#include "tiff_test_support.h"

namespace {

using tifftest::TempPath;

struct Pixels {
    uint32_t width = 0, height = 0, samples = 1;
    std::vector<uint8_t> bytes;  // rows of width * samples bytes, top row first
    size_t RowBytes() const { return size_t(width) * samples; }
};

// libtiff writes the pixels as one strip with the given compression; the raw strip comes back.
std::vector<uint8_t> LibtiffStrip(const Pixels& px, uint16_t compression, uint16_t predictor = 1) {
    const std::string path = TempPath("ref.tif");
    TIFF* t = TIFFOpen(path.c_str(), "w");
    EXPECT_NE(t, nullptr);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, px.width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, px.height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, px.samples);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, px.samples == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, px.height);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    if (predictor != 1) TIFFSetField(t, TIFFTAG_PREDICTOR, predictor);
    EXPECT_GE(TIFFWriteEncodedStrip(t, 0, const_cast<uint8_t*>(px.bytes.data()), tmsize_t(px.bytes.size())), 0);
    TIFFClose(t);
    t = TIFFOpen(path.c_str(), "r");
    EXPECT_NE(t, nullptr);
    const uint64_t* counts = nullptr;
    TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts);
    std::vector<uint8_t> strip(static_cast<size_t>(counts[0]));
    EXPECT_EQ(TIFFReadRawStrip(t, 0, strip.data(), tmsize_t(strip.size())), tmsize_t(strip.size()));
    TIFFClose(t);
    return strip;
}

Pixels Make(uint32_t width, uint32_t height, uint32_t samples, int kind, uint32_t seed = 1) {
    Pixels px{width, height, samples, {}};
    px.bytes.resize(px.RowBytes() * height);
    std::mt19937 rng(seed);
    for (uint32_t y = 0; y < height; ++y)
        for (size_t x = 0; x < px.RowBytes(); ++x) {
            uint8_t v = 0;
            switch (kind) {
            case 0: v = uint8_t(rng()); break;                                     // noise
            case 1: v = uint8_t((x + y) / 3); break;                               // smooth ramp
            case 2: v = ((x / 7 + y / 5) % 3 == 0) ? 0 : 255; break;               // text-like blocks
            case 3: v = (rng() % 40 == 0) ? uint8_t(rng()) : uint8_t(x / 50); break;  // sparse noise
            default: v = uint8_t(rng() % 3); break;                                // short runs and pairs
            }
            px.bytes[y * px.RowBytes() + x] = v;
        }
    return px;
}

std::vector<Pixels> Samples() {
    return {Make(1, 1, 1, 0),      Make(17, 3, 1, 4),     Make(300, 40, 1, 0),  Make(640, 480, 1, 1),
            Make(640, 480, 3, 2),  Make(1000, 700, 1, 3), Make(513, 99, 3, 4),  Make(2480, 300, 1, 3, 7),
            Make(128, 128, 1, 4, 9)};
}

}  // namespace

TEST(TiffLzwStrip, EncodesTheStripsLibtiffWrites) {
    for (const Pixels& px : Samples()) {
        SCOPED_TRACE(testing::Message() << px.width << "x" << px.height << "x" << px.samples);
        std::vector<BYTE> own;
        ASSERT_EQ(CTIFFLzw::EncodeStrip(px.bytes.data(), px.RowBytes(), px.height, px.RowBytes(), own), CTIFFLzw::kOk);
        EXPECT_EQ(own, LibtiffStrip(px, COMPRESSION_LZW));
    }
}

TEST(TiffLzwStrip, RowByRowEqualsTheWholeStripAndAppendsToWhatIsThere) {
    const Pixels px = Make(700, 90, 1, 3);
    std::vector<BYTE> whole;
    ASSERT_EQ(CTIFFLzw::EncodeStrip(px.bytes.data(), px.RowBytes(), px.height, px.RowBytes(), whole), 0);
    std::vector<BYTE> rows = {1, 2, 3};
    CTIFFLzw lzw;
    ASSERT_EQ(lzw.EncodeSetup(&rows), 0);
    for (uint32_t y = 0; y < px.height; ++y) ASSERT_EQ(lzw.EncodeRow(&px.bytes[y * px.RowBytes()], px.RowBytes()), 0);
    ASSERT_EQ(lzw.EncodeFinish(), 0);
    ASSERT_EQ(rows.size(), whole.size() + 3);
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), rows.begin() + 3));
    EXPECT_EQ(lzw.EncodeRow(nullptr, 4), CTIFFLzw::kNullData);
}

TEST(TiffLzwStrip, DecodesLibtiffStripsIncludingPredictorOnes) {
    for (const Pixels& px : Samples()) {
        SCOPED_TRACE(testing::Message() << px.width << "x" << px.height << "x" << px.samples);
        const std::vector<uint8_t> strip = LibtiffStrip(px, COMPRESSION_LZW);
        std::vector<BYTE> out(px.bytes.size());
        size_t written = 0;
        ASSERT_EQ(CTIFFLzw::DecodeStrip(strip.data(), strip.size(), out.data(), out.size(), &written), 0);
        EXPECT_EQ(written, out.size());
        EXPECT_EQ(out, px.bytes);
    }
    // With the horizontal predictor the strip holds differences; undoing them gives the pixels.
    const Pixels px = Make(333, 77, 3, 1);
    const std::vector<uint8_t> strip = LibtiffStrip(px, COMPRESSION_LZW, PREDICTOR_HORIZONTAL);
    std::vector<BYTE> out(px.bytes.size());
    ASSERT_EQ(CTIFFLzw::DecodeStrip(strip.data(), strip.size(), out.data(), out.size(), nullptr), 0);
    for (uint32_t y = 0; y < px.height; ++y)
        for (size_t x = 3; x < px.RowBytes(); ++x) out[y * px.RowBytes() + x] += out[y * px.RowBytes() + x - 3];
    EXPECT_EQ(out, px.bytes);
}

// A hand-made stream: codes of the given widths packed most significant bit first.
std::vector<BYTE> Pack(const std::vector<std::pair<unsigned, unsigned>>& codes) {
    std::vector<BYTE> out;
    uint32_t acc = 0;
    unsigned n = 0;
    for (auto [code, width] : codes) {
        acc = (acc << width) | code;
        n += width;
        while (n >= 8) {
            n -= 8;
            out.push_back(BYTE(acc >> n));
        }
        acc &= (1u << n) - 1;
    }
    if (n) out.push_back(BYTE(acc << (8 - n)));
    return out;
}

TEST(TiffLzwStrip, OneByteStripIsClearTheByteAndEndInNineBitCodes) {
    const BYTE one = 0x41;
    std::vector<BYTE> own;
    ASSERT_EQ(CTIFFLzw::EncodeStrip(&one, 1, 1, 1, own), 0);
    EXPECT_EQ(own, Pack({{256, 9}, {0x41, 9}, {257, 9}}));
    std::vector<BYTE> empty;
    ASSERT_EQ(CTIFFLzw::EncodeStrip(&one, 0, 1, 0, empty), 0);
    EXPECT_EQ(empty, Pack({{257, 9}}));
}

TEST(TiffLzwStrip, BrokenStreamsEndWithTheErrorAndKeepWhatWasDecoded) {
    BYTE out[16];
    size_t written = 99;
    // A first code that names a string before any string was entered.
    std::vector<BYTE> s = Pack({{256, 9}, {300, 9}, {257, 9}});
    EXPECT_EQ(CTIFFLzw::DecodeStrip(s.data(), s.size(), out, sizeof out, &written), CTIFFLzw::kBadData);
    EXPECT_EQ(written, 0u);
    s = Pack({{256, 9}, {258, 9}});
    EXPECT_EQ(CTIFFLzw::DecodeStrip(s.data(), s.size(), out, sizeof out, &written), CTIFFLzw::kBadData);
    // A code beyond the next free entry.
    s = Pack({{256, 9}, {'a', 9}, {'b', 9}, {400, 9}});
    EXPECT_EQ(CTIFFLzw::DecodeStrip(s.data(), s.size(), out, sizeof out, &written), CTIFFLzw::kBadData);
    EXPECT_EQ(written, 2u);
    // Truncated: the end arrives before the output is full; the code naming the entry being made.
    s = Pack({{256, 9}, {'a', 9}, {258, 9}, {257, 9}});
    EXPECT_EQ(CTIFFLzw::DecodeStrip(s.data(), s.size(), out, sizeof out, &written), CTIFFLzw::kBadData);
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 3), "aaa");
    EXPECT_EQ(CTIFFLzw::DecodeStrip(s.data(), s.size(), out, 3, &written), CTIFFLzw::kOk);
    // A string longer than the output left is cut at the output's end.
    EXPECT_EQ(CTIFFLzw::DecodeStrip(s.data(), s.size(), out, 2, &written), CTIFFLzw::kOk);
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(CTIFFLzw::DecodeStrip(nullptr, 4, out, 2, &written), CTIFFLzw::kNullData);
}

TEST(TiffLzwStrip, StreamThatNeverClearsKeepsDecodingWithAFullTable) {
    // 5000 codes of 'x' after one Clear: the table fills at 4096 entries and stays full; every
    // further code is a known single byte at 12 bits.
    std::vector<std::pair<unsigned, unsigned>> codes = {{256, 9}};
    unsigned nextFree = 258, width = 9;
    for (int i = 0; i < 5000; ++i) {
        codes.push_back({'x', width});
        if (i > 0 && nextFree < 4096) {
            ++nextFree;
            if (nextFree > (1u << width) - 2 && width < 12) ++width;
        }
    }
    codes.push_back({257, width});
    const std::vector<BYTE> s = Pack(codes);
    std::vector<BYTE> out(5000);
    size_t written = 0;
    EXPECT_EQ(CTIFFLzw::DecodeStrip(s.data(), s.size(), out.data(), out.size(), &written), CTIFFLzw::kOk);
    EXPECT_EQ(written, 5000u);
    EXPECT_EQ(out, std::vector<BYTE>(5000, 'x'));
}

// Short strings are copied in fixed blocks that run past their end: an output smaller than the
// strip, or a stream cut anywhere, must still leave every byte past the decoded ones as it was,
// on libtiff's strips of noise, ramps (long strings) and short runs.
TEST(TiffLzwStrip, OutputsCutAnywhereKeepTheBytesPastTheDecodedOnes) {
    for (const Pixels& px : {Make(300, 7, 1, 0, 3), Make(400, 9, 1, 1), Make(90, 50, 3, 2), Make(257, 11, 1, 4, 5)}) {
        SCOPED_TRACE(testing::Message() << px.width << "x" << px.height << "x" << px.samples);
        const std::vector<uint8_t> strip = LibtiffStrip(px, COMPRESSION_LZW);
        const size_t total = px.bytes.size();
        for (size_t outSize = 0; outSize <= total; outSize += outSize + 80 < total ? 37 : 1) {
            std::vector<BYTE> out(outSize + 64, 0xA5);
            size_t written = 0;
            ASSERT_EQ(CTIFFLzw::DecodeStrip(strip.data(), strip.size(), out.data(), outSize, &written), CTIFFLzw::kOk);
            ASSERT_EQ(written, outSize);
            ASSERT_TRUE(std::equal(out.begin(), out.begin() + outSize, px.bytes.begin())) << outSize;
            ASSERT_EQ(std::count(out.begin() + outSize, out.end(), 0xA5), 64) << outSize;
        }
        for (size_t cut = 1; cut < strip.size(); cut += cut < 64 || cut + 64 > strip.size() ? 1 : 13) {
            std::vector<BYTE> out(total, 0x5A);
            size_t written = 0;
            if (CTIFFLzw::DecodeStrip(strip.data(), cut, out.data(), total, &written) == CTIFFLzw::kOk) continue;
            ASSERT_TRUE(std::equal(out.begin(), out.begin() + written, px.bytes.begin())) << cut;
            ASSERT_EQ(size_t(std::count(out.begin() + written, out.end(), 0x5A)), total - written) << cut;
        }
    }
}

TEST(TiffPackBitsStrip, EncodesTheStripsLibtiffWrites) {
    for (const Pixels& px : Samples()) {
        SCOPED_TRACE(testing::Message() << px.width << "x" << px.height << "x" << px.samples);
        std::vector<BYTE> own;
        ASSERT_EQ(CTIFFPackBits::EncodeStrip(px.bytes.data(), px.RowBytes(), px.height, px.RowBytes(), own), 0);
        EXPECT_EQ(own, LibtiffStrip(px, COMPRESSION_PACKBITS));
        std::vector<BYTE> back(px.bytes.size());
        ASSERT_EQ(CTIFFPackBits::DecodeStrip(own.data(), own.size(), back.data(), back.size(), nullptr), 0);
        EXPECT_EQ(back, px.bytes);
    }
}

// Rows of bytes that each differ from their neighbour, with a pair (and from row 160 on a run of
// three further along) placed at every offset: pairs fall at every place of a long literal, at its
// 128-byte limit and just past it; the last rows hold runs of 126 to 135 bytes after a literal.
// The strip is libtiff's, and unpacked a piece at a time (of sizes that end inside literals and
// runs) it gives the rows back.
TEST(TiffPackBitsStrip, PairsAndRunsAtEveryOffsetOfLongLiterals) {
    Pixels px{300, 330, 1, {}};
    px.bytes.resize(px.RowBytes() * px.height);
    for (uint32_t y = 0; y < px.height; ++y) {
        uint8_t* row = px.bytes.data() + y * px.RowBytes();
        for (uint32_t x = 0; x < px.width; ++x) row[x] = uint8_t(x * 7 + y);
        const uint32_t pair = y % 160;
        row[pair + 1] = row[pair];
        if (y >= 160) {
            const uint32_t run = pair + 2 + (y * 13) % 130;
            row[run + 1] = row[run + 2] = row[run];
        }
        if (y >= 320) std::fill(row + 40, row + 40 + 126 + (y - 320), row[40]);
    }
    std::vector<BYTE> own;
    ASSERT_EQ(CTIFFPackBits::EncodeStrip(px.bytes.data(), px.RowBytes(), px.height, px.RowBytes(), own), 0);
    EXPECT_EQ(own, LibtiffStrip(px, COMPRESSION_PACKBITS));
    for (size_t piece : {size_t(1), size_t(5), size_t(128), size_t(129), size_t(4096)}) {
        CTIFFPackBits::Unpacker unpacker(own.data(), own.size());
        std::vector<BYTE> back(px.bytes.size(), 0);
        size_t at = 0;
        for (size_t given = 1; given && at < back.size(); at += given)
            given = unpacker.Next(back.data() + at, std::min(piece, back.size() - at));
        EXPECT_EQ(at, back.size()) << "pieces of " << piece;
        EXPECT_TRUE(back == px.bytes) << "pieces of " << piece;
    }
}

TEST(TiffPackBitsStrip, RunsLiteralsAndMerges) {
    std::vector<BYTE> out;
    const std::vector<BYTE> run(300, 7);
    ASSERT_EQ(CTIFFPackBits::EncodeRow(run.data(), run.size(), out), 0);
    EXPECT_EQ(out, (std::vector<BYTE>{129, 7, 129, 7, 213, 7}));
    out.clear();
    const BYTE mixed[] = {1, 2, 3, 3, 4};
    ASSERT_EQ(CTIFFPackBits::EncodeRow(mixed, sizeof mixed, out), 0);
    EXPECT_EQ(out, (std::vector<BYTE>{4, 1, 2, 3, 3, 4}));
    EXPECT_EQ(CTIFFPackBits::EncodeRow(nullptr, 3, out), CTIFFPackBits::kNullData);
}

TEST(TiffPackBitsStrip, ShortOrOddDataEndsWithTheErrorAndLeavesTheRest) {
    std::vector<BYTE> out(8, 0xEE);
    size_t written = 0;
    const BYTE shortRun[] = {0xFE, 5};  // three 5s, then nothing
    EXPECT_EQ(CTIFFPackBits::DecodeStrip(shortRun, sizeof shortRun, out.data(), out.size(), &written),
              CTIFFPackBits::kBadData);
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(out, (std::vector<BYTE>{5, 5, 5, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
    const BYTE longLiteral[] = {0x80, 0x05, 1, 2};  // -128 is skipped, then a literal of 6 with 2 bytes
    EXPECT_EQ(CTIFFPackBits::DecodeStrip(longLiteral, sizeof longLiteral, out.data(), out.size(), &written),
              CTIFFPackBits::kBadData);
    EXPECT_EQ(written, 0u);
    const BYTE big[] = {0x81, 9, 2, 1, 2, 3};  // a run of 128 into 8 bytes is cut at the end
    EXPECT_EQ(CTIFFPackBits::DecodeStrip(big, sizeof big, out.data(), out.size(), &written), 0);
    EXPECT_EQ(out, std::vector<BYTE>(8, 9));
}

TEST(TiffLzwStrip, EveryStripLengthAcrossTheWidthStepsAndTheTableEnd) {
    // Noise enters about one code per byte, so these lengths end the strip on each side of the
    // 9/10 and 10/11 bit steps and of the full table, where the end code's width matters.
    const Pixels noise = Make(4300, 1, 1, 0, 3);
    for (uint32_t n = 1; n <= noise.width; n += (n < 1100 || n > 3700) ? 1 : 97) {
        Pixels px{n, 1, 1, {noise.bytes.begin(), noise.bytes.begin() + n}};
        std::vector<BYTE> own;
        ASSERT_EQ(CTIFFLzw::EncodeStrip(px.bytes.data(), n, 1, n, own), 0);
        const std::vector<uint8_t> ref = LibtiffStrip(px, COMPRESSION_LZW);
        ASSERT_EQ(own, ref) << "length " << n;
        std::vector<BYTE> back(n);
        ASSERT_EQ(CTIFFLzw::DecodeStrip(own.data(), own.size(), back.data(), n, nullptr), 0) << "length " << n;
        ASSERT_EQ(back, px.bytes) << "length " << n;
    }
}

// Strips that take the table through many clears (the table filling up on noise and on a page,
// the ratio checkpoint on held values broken by coin flips): the plain encoder of the portable
// tests and this one both write libtiff's strips.
TEST(TiffLzwStrip, StripsThroughManyClearsAndThePlainEncoderAreLibtiffs) {
    struct Case {
        Pixels px;
        unsigned clears, ratioClears;  // at least
    };
    const std::vector<Case> cases = {
        {Pixels{2400, 100, 1, lzwtest::Noise(240000, 5)}, 45, 0},
        {Pixels{1240, 600, 1, lzwtest::ScanLike(1240, 600, 7)}, 45, 0},
        {Pixels{4000, 100, 1, lzwtest::HeldAndFlipped(400000, 15000, 6)}, 4, 2},
    };
    for (const Case& c : cases) {
        const Pixels& px = c.px;
        SCOPED_TRACE(testing::Message() << px.width << "x" << px.height);
        const std::vector<uint8_t> ref = LibtiffStrip(px, COMPRESSION_LZW);
        std::vector<BYTE> own;
        ASSERT_EQ(CTIFFLzw::EncodeStrip(px.bytes.data(), px.RowBytes(), px.height, px.RowBytes(), own), 0);
        EXPECT_EQ(own, ref);
        const lzwtest::PlainLzwStrip plain = lzwtest::PlainLzwEncode(px.bytes.data(), px.bytes.size());
        EXPECT_GE(plain.clears, c.clears);
        EXPECT_GE(plain.ratioClears, c.ratioClears);
        EXPECT_EQ(plain.bytes, ref);
    }
}

// One encoder object over many strips, row by row: each strip is the one libtiff writes alone.
TEST(TiffLzwStrip, OneEncoderOverManyStripsWritesLibtiffsStrips) {
    const std::vector<uint8_t> noise = lzwtest::Noise(60000, 12);
    const std::vector<uint8_t> page = lzwtest::ScanLike(640, 100, 13);
    CTIFFLzw lzw;
    for (uint32_t s = 0; s < 40; ++s) {
        const std::vector<uint8_t>& source = s % 2 ? noise : page;
        const uint32_t width = 100 + s * 37 % 500, height = 1 + s * 13 % 90;
        Pixels px{width, height, 1, {source.begin() + s, source.begin() + s + size_t(width) * height}};
        SCOPED_TRACE(testing::Message() << "strip " << s << ": " << width << "x" << height);
        std::vector<BYTE> own;
        ASSERT_EQ(lzw.EncodeSetup(&own), 0);
        for (uint32_t y = 0; y < height; ++y) ASSERT_EQ(lzw.EncodeRow(&px.bytes[size_t(y) * width], width), 0);
        ASSERT_EQ(lzw.EncodeFinish(), 0);
        EXPECT_EQ(own, LibtiffStrip(px, COMPRESSION_LZW));
    }
}
