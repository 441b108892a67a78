// The TIFF LZW encoder against a plain one (a std::map table emptied at every clear), on strips
// that take the encoder's table through many clears, one encoder object over many strips, and
// encoders made on memory full of old bytes: the codes depend only on which strings the table
// holds, so every strip must come out byte for byte the same. The plain encoder is checked against
// libtiff in the native reference test.
//
// A program of its own: every block it allocates comes filled with bytes that read as table
// entries of every kind, so that a table read before the encoder cleans it shows in the strips
// (the heap's fresh memory is all zeros, which would hide it).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>
#include <vector>

#include "codecs/tiff/lzw_codec.h"
#include "lzw_plain_encoder.h"

using lzwtest::PlainLzwEncode;

namespace {

std::atomic<unsigned> g_blocks{0};

void* Take(size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    const unsigned block = g_blocks++;
    auto* bytes = static_cast<unsigned char*>(p);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<unsigned char>((i * 167 + block * 59) ^ (i >> 9));
    return p;
}

void Give(void* p) { std::free(p); }

}  // namespace

#include "support/replace_global_new.h"

namespace {

std::vector<BYTE> Encode(const std::vector<uint8_t>& bytes) {
    std::vector<BYTE> out;
    EXPECT_EQ(CTIFFLzw::EncodeStrip(bytes.data(), bytes.size(), 1, bytes.size(), out), CTIFFLzw::kOk);
    return out;
}

}  // namespace

// Noise fills the table every few thousand bytes, so its strips clear many times (the encoder
// keeps a few tables apart before it must empty old ones); held values broken by coin flips
// clear on the ratio checkpoint too; the scan-like page is what the writer is given.
TEST(TiffLzwEncoder, StripsThroughManyClearsEqualThePlainEncoders) {
    const auto noise = lzwtest::Noise(240000, 5);
    const auto noiseStrip = PlainLzwEncode(noise.data(), noise.size());
    EXPECT_GT(noiseStrip.clears, 45u);
    EXPECT_EQ(Encode(noise), noiseStrip.bytes);

    const auto mixed = lzwtest::HeldAndFlipped(400000, 15000, 6);
    const auto mixedStrip = PlainLzwEncode(mixed.data(), mixed.size());
    EXPECT_GE(mixedStrip.ratioClears, 2u);
    EXPECT_EQ(Encode(mixed), mixedStrip.bytes);

    const auto page = lzwtest::ScanLike(1240, 600, 7);
    const auto pageStrip = PlainLzwEncode(page.data(), page.size());
    EXPECT_GT(pageStrip.clears, 45u);
    EXPECT_EQ(Encode(page), pageStrip.bytes);

    // Every byte value after every code: long runs of one value, then each value in turn.
    std::vector<uint8_t> runs;
    for (unsigned v = 0; v < 256; ++v) runs.insert(runs.end(), 300 + v, uint8_t(v * 37));
    for (int round = 0; round < 40; ++round)
        for (unsigned v = 0; v < 256; ++v) runs.push_back(uint8_t(v ^ round));
    EXPECT_EQ(Encode(runs), PlainLzwEncode(runs.data(), runs.size()).bytes);
}

// One encoder over many strips, each given in rows of varying sizes (some empty): every strip
// starts from an empty table, whatever the strips before it left, through the points where the
// encoder starts its tables over.
TEST(TiffLzwEncoder, OneEncoderOverManyStripsWritesWhatFreshOnesWrite) {
    const auto noise = lzwtest::Noise(120000, 8);
    const auto page = lzwtest::ScanLike(800, 200, 9);
    CTIFFLzw lzw;
    for (unsigned s = 0; s < 60; ++s) {
        const std::vector<uint8_t>& source = s % 3 == 0 ? noise : page;
        const size_t size = s % 4 == 3 ? 1 + s : std::min<size_t>(source.size() - 7 * s, 700 + s * 1531 % 30000);
        const uint8_t* bytes = source.data() + 7 * s;
        SCOPED_TRACE(testing::Message() << "strip " << s << " of " << size << " bytes");
        std::vector<BYTE> out;
        ASSERT_EQ(lzw.EncodeSetup(&out), CTIFFLzw::kOk);
        for (size_t done = 0, row = 0; done < size; ++row) {
            const size_t take = std::min(size - done, row % 5 == 4 ? 0 : 1 + (row * 977 + s) % 2600);
            ASSERT_EQ(lzw.EncodeRow(bytes + done, take), CTIFFLzw::kOk);
            done += take;
        }
        ASSERT_EQ(lzw.EncodeFinish(), CTIFFLzw::kOk);
        EXPECT_EQ(out, PlainLzwEncode(bytes, size).bytes);
    }
}

// The encoder does not clear its table's memory when it is made, only the parts a lookup
// reaches, when it first does. Objects alive together each have an encoder of their own (the one
// kept from an earlier object goes to one of them, the others are made on other old bytes), and
// none finds a string in what the memory held, on its first strip or its second.
TEST(TiffLzwEncoder, EncodersMadeOnOldBytesFindNoStringsInThem) {
    const auto noise = lzwtest::Noise(50000, 10);
    const auto page = lzwtest::ScanLike(1000, 300, 11);
    const auto noiseStrip = PlainLzwEncode(noise.data(), noise.size()).bytes;
    const auto pageStrip = PlainLzwEncode(page.data(), page.size()).bytes;
    for (int round = 0; round < 3; ++round) {
        CTIFFLzw encoders[3];
        for (int k = 0; k < 3; ++k) {
            SCOPED_TRACE(testing::Message() << "round " << round << ", encoder " << k);
            const bool noiseFirst = (round + k) % 2 != 0;
            for (int strip = 0; strip < 2; ++strip) {
                const std::vector<uint8_t>& bytes = noiseFirst == (strip == 0) ? noise : page;
                std::vector<BYTE> out;
                ASSERT_EQ(encoders[k].EncodeSetup(&out), CTIFFLzw::kOk);
                ASSERT_EQ(encoders[k].EncodeRow(bytes.data(), bytes.size()), CTIFFLzw::kOk);
                ASSERT_EQ(encoders[k].EncodeFinish(), CTIFFLzw::kOk);
                EXPECT_EQ(out, &bytes == &noise ? noiseStrip : pageStrip) << "strip " << strip;
            }
        }
    }
}

// An encoder left by an object is taken by the next one, whichever thread it is on: threads
// writing strips at once each get an encoder of their own, never one another is using.
TEST(TiffLzwEncoder, ThreadsWritingStripsAtOnceEachHaveTheirOwnEncoder) {
    const auto noise = lzwtest::Noise(30000, 14);
    const auto page = lzwtest::ScanLike(300, 100, 15);
    const auto noiseStrip = PlainLzwEncode(noise.data(), noise.size()).bytes;
    const auto pageStrip = PlainLzwEncode(page.data(), page.size()).bytes;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 40; ++i) {
                const bool useNoise = (i + t) % 2 != 0;
                const std::vector<uint8_t>& bytes = useNoise ? noise : page;
                std::vector<BYTE> out;
                if (CTIFFLzw::EncodeStrip(bytes.data(), bytes.size(), 1, bytes.size(), out) != CTIFFLzw::kOk ||
                    out != (useNoise ? noiseStrip : pageStrip))
                    ++wrong;
            }
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
}
