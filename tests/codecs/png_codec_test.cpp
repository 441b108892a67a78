// The own PNG codec on streams built chunk by chunk: which chunks it takes, skips and refuses,
// damaged and hostile headers and image data, every sample layout it turns into a DIB, and
// what the writer puts into its files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include "codecs/codec_result_map.h"
#include "codecs/png/png_codec.h"
#include "codecs/png/png_filters.h"
#include "base/dib_layout.h"
#include "png_test_support.h"

using namespace pngtest;

namespace {

// A 4 x 3 grey image with 8-bit samples: the raw rows (filter None) and their values.
Bytes Grey4x3Rows() {
    Bytes raw;
    for (int y = 0; y < 3; ++y) {
        raw.push_back(0);
        for (int x = 0; x < 4; ++x) raw.push_back(uint8_t(y * 60 + x * 10));
    }
    return raw;
}

struct Decoded {
    LONG result = 0;
    HGLOBAL dib = nullptr;
    PngImageInfo info;
    ~Decoded() {
        if (dib) GlobalFree(dib);
    }
};

void Read(const Bytes& png, Decoded* out) {
    CPNG codec;
    SIZE_T size = 0;
    out->result = codec.ReadFromMemory(png.size(), png.data(), &size);
    out->dib = codec.GetDIB();
    out->info = codec.GetInfo();
    if (out->dib) {
        EXPECT_EQ(size, GlobalSize(out->dib));
    }
}

LONG ReadResult(const Bytes& png) {
    Decoded d;
    Read(png, &d);
    return d.result;
}

BITMAPINFOHEADER HeaderOf(HGLOBAL dib) {
    BITMAPINFOHEADER h{};
    memcpy(&h, GlobalLock(dib), sizeof h);
    GlobalUnlock(dib);
    return h;
}

RGBQUAD TableEntry(HGLOBAL dib, int i) {
    RGBQUAD q;
    memcpy(&q, static_cast<const uint8_t*>(GlobalLock(dib)) + 40 + 4 * i, 4);
    GlobalUnlock(dib);
    return q;
}

Bytes Encode(HGLOBAL dib, LONG* result = nullptr) {
    CPNG codec;
    SIZE_T size = 0;
    LONG r = codec.WriteToMemory(dib, &size);
    if (result) *result = r;
    if (r != CPNG::kOk) return {};
    HGLOBAL block = codec.GetMemoryResult();
    Bytes bytes = BlockBytes(block, size);
    EXPECT_EQ(GlobalSize(block), size);
    GlobalFree(block);
    return bytes;
}

const Bytes kGrey4x3 = Grey4x3Rows();

TEST(PngReader, TakesAncillaryChunksItDoesNotKnowAndRefusesCriticalOnes) {
    Decoded plain;
    Read(Builder().Header(4, 3, 8, 0).Image(kGrey4x3).End().bytes(), &plain);
    ASSERT_EQ(plain.result, CPNG::kOk);
    EXPECT_EQ(Indices(plain.dib), Bytes({0, 10, 20, 30, 60, 70, 80, 90, 120, 130, 140, 150}));

    // Chunks other programs write all the time, before and after the image data.
    Builder common;
    common.Header(4, 3, 8, 0)
        .Add("tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'h', 'i'})
        .Add("iCCP", {'x', 0, 0, 1, 2, 3})
        .Add("tIME", {7, 226, 12, 9, 9, 30, 0})
        .Add("tRNS", {0, 5})
        .Add("bKGD", {0, 1})
        .Add("vpAg", {1, 2, 3})
        .Image(kGrey4x3)
        .Add("zTXt", {'a', 0, 0, 1})
        .End();
    Decoded withChunks;
    Read(common.bytes(), &withChunks);
    ASSERT_EQ(withChunks.result, CPNG::kOk);
    EXPECT_EQ(Render(withChunks.dib), Render(plain.dib));

    // An ancillary chunk with a wrong CRC is skipped as well.
    EXPECT_EQ(ReadResult(Builder().Header(4, 3, 8, 0).Add("tEXt", {'a', 0, 'b'}, true).Image(kGrey4x3).End().bytes()),
              CPNG::kOk);

    // Critical chunks this reader does not know, before or after the image data.
    EXPECT_EQ(ReadResult(Builder().Header(4, 3, 8, 0).Add("ABCD", {1}).Image(kGrey4x3).End().bytes()), CPNG::kBadFile);
    EXPECT_EQ(ReadResult(Builder().Header(4, 3, 8, 0).Image(kGrey4x3).Add("XYZW", {}).End().bytes()), CPNG::kBadFile);
}

TEST(PngReader, CriticalChunksWithWrongCrcAreRefused) {
    auto header = [](bool bad) {
        Builder b;
        Bytes d = U32(4);
        Bytes h = U32(3);
        d.insert(d.end(), h.begin(), h.end());
        d.insert(d.end(), {8, 0, 0, 0, 0});
        return b.Add("IHDR", d, bad);
    };
    EXPECT_EQ(ReadResult(header(true).Image(kGrey4x3).End().bytes()), CPNG::kBadFile);
    EXPECT_EQ(ReadResult(header(false).Add("IDAT", Zlib(kGrey4x3), true).End().bytes()), CPNG::kBadFile);
    EXPECT_EQ(ReadResult(header(false).Image(kGrey4x3).Add("IEND", {}, true).bytes()), CPNG::kBadFile);
    Bytes palRows = {0, 0, 1, 2, 0, 0, 1, 2, 1, 0, 0, 0};
    EXPECT_EQ(ReadResult(Builder().Header(3, 3, 8, 3).Add("PLTE", {1, 2, 3, 4, 5, 6, 7, 8, 9}, true).Image(palRows).End().bytes()),
              CPNG::kBadFile);
    EXPECT_EQ(ReadResult(Builder().Header(3, 3, 8, 3).Add("PLTE", {1, 2, 3, 4, 5, 6, 7, 8, 9}).Image(palRows).End().bytes()),
              CPNG::kOk);
    // pHYs with a wrong CRC fails the read; gAMA with one is only skipped.
    Bytes phys = U32(2835);
    Bytes py = U32(2835);
    phys.insert(phys.end(), py.begin(), py.end());
    phys.push_back(1);
    EXPECT_EQ(ReadResult(header(false).Add("pHYs", phys, true).Image(kGrey4x3).End().bytes()), CPNG::kBadFile);
    Decoded gamma;
    Read(header(false).Add("gAMA", U32(45455), true).Image(kGrey4x3).End().bytes(), &gamma);
    EXPECT_EQ(gamma.result, CPNG::kOk);
    EXPECT_FALSE(gamma.info.hasGamma);
}

TEST(PngReader, RefusesInvalidHeaders) {
    struct Case {
        uint32_t w, h;
        int depth, type, interlace, compression, filter;
    } bad[] = {
        {0, 3, 8, 0, 0, 0, 0},          {4, 0, 8, 0, 0, 0, 0},         {0x80000000u, 3, 8, 0, 0, 0, 0},
        {4, 3, 3, 0, 0, 0, 0},          {4, 3, 4, 2, 0, 0, 0},         {4, 3, 16, 3, 0, 0, 0},
        {4, 3, 1, 4, 0, 0, 0},          {4, 3, 2, 6, 0, 0, 0},         {4, 3, 8, 5, 0, 0, 0},
        {4, 3, 8, 1, 0, 0, 0},          {4, 3, 8, 0, 2, 0, 0},         {4, 3, 8, 0, 0, 1, 0},
        {4, 3, 8, 0, 0, 0, 1},
    };
    for (const Case& c : bad)
        EXPECT_EQ(ReadResult(Builder().Header(c.w, c.h, c.depth, c.type, c.interlace, c.compression, c.filter)
                                 .Image(kGrey4x3)
                                 .End()
                                 .bytes()),
                  CPNG::kBadFile)
            << c.w << "x" << c.h << " depth " << c.depth << " type " << c.type;

    // A header of the wrong length, one that is not first, a second one.
    EXPECT_EQ(ReadResult(Builder().Add("IHDR", Bytes(12, 1)).Image(kGrey4x3).End().bytes()), CPNG::kBadFile);
    EXPECT_EQ(ReadResult(Builder().Add("tEXt", {'a', 0}).Header(4, 3, 8, 0).Image(kGrey4x3).End().bytes()),
              CPNG::kBadFile);
    EXPECT_EQ(ReadResult(Builder().Header(4, 3, 8, 0).Header(4, 3, 8, 0).Image(kGrey4x3).End().bytes()), CPNG::kBadFile);
    // No signature, a cut signature, nothing at all.
    Bytes good = Builder().Header(4, 3, 8, 0).Image(kGrey4x3).End().bytes();
    Bytes badSig = good;
    badSig[1] = 'p';
    EXPECT_EQ(ReadResult(badSig), CPNG::kBadFile);
    EXPECT_EQ(ReadResult(Bytes(good.begin(), good.begin() + 5)), CPNG::kBadFile);
    EXPECT_EQ(ReadResult(Bytes()), CPNG::kBadFile);
    CPNG codec;
    EXPECT_EQ(codec.ReadFromMemory(10, nullptr, nullptr), CPNG::kBadFile);
    EXPECT_EQ(codec.GetDIB(), nullptr);
}

TEST(PngReader, PaletteRules) {
    Bytes rows = {0, 0, 1, 2, 0, 2, 1, 0};  // 3 x 2, 8-bit indices
    Bytes plte = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    EXPECT_EQ(ReadResult(Builder().Header(3, 2, 8, 3).Image(rows).End().bytes()), CPNG::kBadFile);  // no PLTE
    EXPECT_EQ(ReadResult(Builder().Header(3, 2, 8, 3).Add("PLTE", plte).Add("PLTE", plte).Image(rows).End().bytes()),
              CPNG::kBadFile);
    EXPECT_EQ(ReadResult(Builder().Header(3, 2, 8, 3).Add("PLTE", {1, 2, 3, 4}).Image(rows).End().bytes()), CPNG::kBadFile);
    EXPECT_EQ(ReadResult(Builder().Header(3, 2, 8, 3).Add("PLTE", Bytes(771, 1)).Image(rows).End().bytes()),
              CPNG::kBadFile);
    EXPECT_EQ(ReadResult(Builder().Header(4, 3, 8, 0).Add("PLTE", plte).Image(kGrey4x3).End().bytes()), CPNG::kBadFile);
    // A palette after the image data is misplaced.
    EXPECT_EQ(ReadResult(Builder().Header(3, 2, 8, 3).Add("PLTE", plte).Image(rows).Add("PLTE", plte).End().bytes()),
              CPNG::kBadFile);
    Decoded d;
    Read(Builder().Header(3, 2, 8, 3).Add("PLTE", plte).Image(rows).End().bytes(), &d);
    ASSERT_EQ(d.result, CPNG::kOk);
    EXPECT_EQ(HeaderOf(d.dib).biBitCount, 8);
    EXPECT_EQ(Render(d.dib).bgr, Bytes({0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}));
    // An RGB image may carry a suggested palette; it changes nothing.
    Decoded rgb;
    Read(Builder().Header(1, 1, 8, 2).Add("PLTE", plte).Image({0, 10, 20, 30}).End().bytes(), &rgb);
    ASSERT_EQ(rgb.result, CPNG::kOk);
    EXPECT_EQ(Render(rgb.dib).bgr, Bytes({30, 20, 10}));
}

TEST(PngReader, DamagedImageDataIsRefused) {
    // The stream cut in the middle, whole in its chunk but short of rows, or not zlib at all.
    Bytes z = Zlib(kGrey4x3);
    EXPECT_EQ(ReadResult(Builder().Header(4, 3, 8, 0).Add("IDAT", Bytes(z.begin(), z.begin() + z.size() / 2)).End().bytes()),
              CPNG::kBadFile);
    EXPECT_EQ(ReadResult(Builder().Header(4, 4, 8, 0).Image(kGrey4x3).End().bytes()), CPNG::kBadFile);
    EXPECT_EQ(ReadResult(Builder().Header(4, 3, 8, 0).Add("IDAT", {1, 2, 3, 4, 5, 6, 7, 8}).End().bytes()),
              CPNG::kBadFile);
    Bytes badSum = z;
    badSum.back() ^= 0x40;  // Adler-32 of the stream
    EXPECT_EQ(ReadResult(Builder().Header(4, 3, 8, 0).Add("IDAT", badSum).End().bytes()), CPNG::kBadFile);
    // A filter type that does not exist.
    Bytes badFilter = kGrey4x3;
    badFilter[5] = 5;
    EXPECT_EQ(ReadResult(Builder().Header(4, 3, 8, 0).Image(badFilter).End().bytes()), CPNG::kBadFile);
    // No image data at all, and a file cut inside its image data.
    EXPECT_EQ(ReadResult(Builder().Header(4, 3, 8, 0).End().bytes()), CPNG::kBadFile);
    Bytes whole = Builder().Header(4, 3, 8, 0).Image(kGrey4x3).End().bytes();
    for (size_t cut = 8; cut < whole.size() - 12; cut += 3)
        EXPECT_EQ(ReadResult(Bytes(whole.begin(), whole.begin() + cut)), CPNG::kBadFile) << cut;
    // A file that ends right after its complete image data is taken.
    EXPECT_EQ(ReadResult(Bytes(whole.begin(), whole.end() - 12)), CPNG::kOk);
    // The image data may be spread over many chunks, empty ones among them.
    Builder spread;
    spread.Header(4, 3, 8, 0);
    for (size_t i = 0; i < z.size(); ++i) {
        spread.Add("IDAT", {z[i]});
        if (i % 3 == 0) spread.Add("IDAT", {});
    }
    Decoded d;
    Read(spread.End().bytes(), &d);
    ASSERT_EQ(d.result, CPNG::kOk);
    EXPECT_EQ(Indices(d.dib), Bytes({0, 10, 20, 30, 60, 70, 80, 90, 120, 130, 140, 150}));
}

TEST(PngReader, HugeDeclaredSizesFailWithoutAllocating) {
    // 2^31 - 1 square, and a page of 100000 x 100000 RGBA at 16 bits, with a few bytes of data.
    EXPECT_EQ(ReadResult(Builder().Header(0x7FFFFFFF, 0x7FFFFFFF, 8, 0).Image(kGrey4x3).End().bytes()), CPNG::kBadFile);
    EXPECT_EQ(ReadResult(Builder().Header(100000, 100000, 16, 6).Image(kGrey4x3).End().bytes()), CPNG::kBadFile);
    EXPECT_EQ(ReadResult(Builder().Header(100000, 100000, 16, 6, 1).Image(kGrey4x3).End().bytes()), CPNG::kBadFile);
    // Enough bytes for the rows to be there, but a DIB beyond what the engine holds.
    Bytes lots(2400000, 0x55);
    EXPECT_EQ(ReadResult(Builder().Header(800000000, 1, 8, 2).Add("IDAT", lots).End().bytes()), CPNG::kNoMemory);
}

TEST(PngReader, GreyWithAlphaKeepsOnlyTheGrey) {
    // 3 x 2, 8 bits: grey, alpha pairs; 16 bits: grey high, low, alpha high, low.
    Bytes ga8 = {0, 10, 255, 20, 0, 30, 128, 0, 40, 1, 50, 2, 60, 3};
    Decoded d8;
    Read(Builder().Header(3, 2, 8, 4).Image(ga8).End().bytes(), &d8);
    ASSERT_EQ(d8.result, CPNG::kOk);
    EXPECT_EQ(HeaderOf(d8.dib).biBitCount, 8);
    EXPECT_EQ(Indices(d8.dib), Bytes({10, 20, 30, 40, 50, 60}));
    for (int i : {0, 77, 255}) EXPECT_EQ(TableEntry(d8.dib, i).rgbGreen, i);

    Bytes ga16 = {0, 10, 1, 255, 255, 20, 2, 0, 0, 30, 3, 9, 9,
                  0, 40, 4, 1, 1, 50, 5, 0, 0, 60, 6, 255, 0};
    Decoded d16;
    Read(Builder().Header(3, 2, 16, 4).Image(ga16).End().bytes(), &d16);
    ASSERT_EQ(d16.result, CPNG::kOk);
    EXPECT_EQ(HeaderOf(d16.dib).biBitCount, 8);
    EXPECT_EQ(Indices(d16.dib), Bytes({10, 20, 30, 40, 50, 60}));

    // Wide rows: every byte of the DIB's rows stays inside its block.
    Bytes wide;
    for (int y = 0; y < 5; ++y) {
        wide.push_back(0);
        for (int x = 0; x < 301; ++x) wide.insert(wide.end(), {uint8_t(x), uint8_t(y), 0xAB, 0xCD});
    }
    Decoded dw;
    Read(Builder().Header(301, 5, 16, 4).Image(wide).End().bytes(), &dw);
    ASSERT_EQ(dw.result, CPNG::kOk);
    Bytes idx = Indices(dw.dib);
    ASSERT_EQ(idx.size(), 301u * 5);
    EXPECT_EQ(idx[300], 300 & 0xFF);
}

TEST(PngReader, SampleLayoutsBecomeDibs) {
    // 2-bit grey: a 4-bit DIB with the four greys in front.
    Decoded g2;
    Read(Builder().Header(5, 1, 2, 0).Image({0, 0x1B, 0xC0}).End().bytes(), &g2);  // 0 1 2 3 3
    ASSERT_EQ(g2.result, CPNG::kOk);
    EXPECT_EQ(HeaderOf(g2.dib).biBitCount, 4);
    EXPECT_EQ(HeaderOf(g2.dib).biClrUsed, 16u);
    EXPECT_EQ(Indices(g2.dib), Bytes({0, 1, 2, 3, 3}));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(TableEntry(g2.dib, i).rgbBlue, i * 85);

    // 1-bit and 4-bit grey: ramps 0, 255 and 0, 17, ..., 255.
    Decoded g1, g4;
    Read(Builder().Header(10, 1, 1, 0).Image({0, 0xA5, 0x40}).End().bytes(), &g1);
    ASSERT_EQ(g1.result, CPNG::kOk);
    EXPECT_EQ(HeaderOf(g1.dib).biBitCount, 1);
    EXPECT_EQ(Indices(g1.dib), Bytes({1, 0, 1, 0, 0, 1, 0, 1, 0, 1}));
    EXPECT_EQ(TableEntry(g1.dib, 1).rgbRed, 255);
    Read(Builder().Header(3, 1, 4, 0).Image({0, 0x0F, 0x70}).End().bytes(), &g4);
    ASSERT_EQ(g4.result, CPNG::kOk);
    EXPECT_EQ(Indices(g4.dib), Bytes({0, 15, 7}));
    EXPECT_EQ(TableEntry(g4.dib, 7).rgbRed, 119);

    // 16-bit grey and RGB keep the high bytes; RGBA drops alpha; all colour as B, G, R.
    Decoded g16, rgb16, rgba8, rgba16;
    Read(Builder().Header(2, 1, 16, 0).Image({0, 0x12, 0x34, 0xFE, 0xDC}).End().bytes(), &g16);
    ASSERT_EQ(g16.result, CPNG::kOk);
    EXPECT_EQ(Indices(g16.dib), Bytes({0x12, 0xFE}));
    Read(Builder().Header(1, 1, 16, 2).Image({0, 1, 2, 3, 4, 5, 6}).End().bytes(), &rgb16);
    ASSERT_EQ(rgb16.result, CPNG::kOk);
    EXPECT_EQ(HeaderOf(rgb16.dib).biBitCount, 24);
    EXPECT_EQ(Render(rgb16.dib).bgr, Bytes({5, 3, 1}));
    Read(Builder().Header(2, 1, 8, 6).Image({0, 1, 2, 3, 4, 5, 6, 7, 8}).End().bytes(), &rgba8);
    ASSERT_EQ(rgba8.result, CPNG::kOk);
    EXPECT_EQ(Render(rgba8.dib).bgr, Bytes({3, 2, 1, 7, 6, 5}));
    Read(Builder().Header(1, 1, 16, 6).Image({0, 1, 2, 3, 4, 5, 6, 7, 8}).End().bytes(), &rgba16);
    ASSERT_EQ(rgba16.result, CPNG::kOk);
    EXPECT_EQ(Render(rgba16.dib).bgr, Bytes({5, 3, 1}));

    // 2-bit palette: a 4-bit DIB with the palette's entries.
    Decoded p2;
    Read(Builder().Header(4, 1, 2, 3).Add("PLTE", {9, 8, 7, 6, 5, 4, 3, 2, 1}).Image({0, 0x24}).End().bytes(), &p2);
    ASSERT_EQ(p2.result, CPNG::kOk);
    EXPECT_EQ(HeaderOf(p2.dib).biBitCount, 4);
    EXPECT_EQ(Indices(p2.dib), Bytes({0, 2, 1, 0}));
    EXPECT_EQ(Render(p2.dib).bgr, Bytes({7, 8, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(PngReader, FiltersAgainstTheRowAbove) {
    // 2 x 2 RGB: the second row Sub, Up, Average and Paeth in turn against a known first row.
    const Bytes top = {10, 20, 30, 200, 100, 50};
    const Bytes bottom = {15, 25, 35, 190, 130, 40};
    auto build = [&](uint8_t type) {
        Bytes raw(14, 0);
        std::copy(top.begin(), top.end(), raw.begin() + 1);
        raw[7] = type;
        raw.resize(8);
        for (int i = 0; i < 6; ++i) {
            int a = i >= 3 ? bottom[i - 3] : 0, b = top[i], c = i >= 3 ? top[i - 3] : 0;
            int pred = 0;
            if (type == 1) pred = a;
            if (type == 2) pred = b;
            if (type == 3) pred = (a + b) / 2;
            if (type == 4) {
                int p = a + b - c, pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
                pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
            }
            raw.push_back(uint8_t(bottom[i] - pred));
        }
        return raw;
    };
    for (uint8_t type = 0; type <= 4; ++type) {
        Decoded d;
        Read(Builder().Header(2, 2, 8, 2).Image(build(type)).End().bytes(), &d);
        ASSERT_EQ(d.result, CPNG::kOk) << int(type);
        EXPECT_EQ(Render(d.dib).bgr, Bytes({30, 20, 10, 50, 100, 200, 35, 25, 15, 40, 130, 190})) << int(type);
    }
}

TEST(PngReader, ResolutionOnlyFromMetres) {
    auto phys = [](uint32_t x, uint32_t y, uint8_t unit) {
        Bytes d = U32(x);
        Bytes b = U32(y);
        d.insert(d.end(), b.begin(), b.end());
        d.push_back(unit);
        return d;
    };
    Decoded metres, aspect, none;
    Read(Builder().Header(4, 3, 8, 0).Add("pHYs", phys(11811, 5906, 1)).Image(kGrey4x3).End().bytes(), &metres);
    Read(Builder().Header(4, 3, 8, 0).Add("pHYs", phys(2, 1, 0)).Image(kGrey4x3).End().bytes(), &aspect);
    Read(Builder().Header(4, 3, 8, 0).Image(kGrey4x3).End().bytes(), &none);
    ASSERT_EQ(metres.result, CPNG::kOk);
    ASSERT_EQ(aspect.result, CPNG::kOk);
    EXPECT_EQ(HeaderOf(metres.dib).biXPelsPerMeter, 11811);
    EXPECT_EQ(HeaderOf(metres.dib).biYPelsPerMeter, 5906);
    EXPECT_EQ(HeaderOf(aspect.dib).biXPelsPerMeter, 0);
    EXPECT_EQ(HeaderOf(none.dib).biYPelsPerMeter, 0);
    EXPECT_EQ(aspect.info.physUnit, 0);
    // Twice, or of the wrong length, fails.
    EXPECT_EQ(ReadResult(Builder().Header(4, 3, 8, 0).Add("pHYs", phys(1, 1, 1)).Add("pHYs", phys(1, 1, 1)).Image(kGrey4x3).End().bytes()),
              CPNG::kBadFile);
    EXPECT_EQ(ReadResult(Builder().Header(4, 3, 8, 0).Add("pHYs", Bytes(8, 0)).Image(kGrey4x3).End().bytes()),
              CPNG::kBadFile);
}

TEST(PngReader, ColourSpaceChunksAreKeptNotApplied) {
    Decoded d;
    Read(Builder().Header(4, 3, 8, 0).Add("sRGB", {1}).Add("gAMA", U32(50000)).Image(kGrey4x3).End().bytes(), &d);
    ASSERT_EQ(d.result, CPNG::kOk);
    EXPECT_TRUE(d.info.hasSrgb);
    EXPECT_EQ(d.info.srgbIntent, 1);
    EXPECT_EQ(d.info.gamma, 45455u);  // a gamma far from sRGB's is ignored after sRGB
    EXPECT_EQ(d.info.chromaticities[0], 31270u);
    EXPECT_EQ(Indices(d.dib), Bytes({0, 10, 20, 30, 60, 70, 80, 90, 120, 130, 140, 150}));
    Decoded g;
    Bytes chrm;
    for (uint32_t v = 1; v <= 8; ++v) {
        Bytes b = U32(v * 1000);
        chrm.insert(chrm.end(), b.begin(), b.end());
    }
    Read(Builder().Header(4, 3, 8, 0).Add("gAMA", U32(100000)).Add("cHRM", chrm).Add("gAMA", Bytes(3, 0)).Image(kGrey4x3).End().bytes(), &g);
    ASSERT_EQ(g.result, CPNG::kOk);
    EXPECT_EQ(g.info.gamma, 100000u);
    EXPECT_EQ(g.info.chromaticities[7], 8000u);
}

// ---- writer ------------------------------------------------------------------------------------

TEST(PngWriter, RefusesDibsWithoutAPngForm) {
    LONG result = 0;
    HGLOBAL d16 = MakeDib(4, 4, 24, 1);
    BITMAPINFOHEADER* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(d16));
    h->biBitCount = 16;  // the block is big enough for 16 bits
    GlobalUnlock(d16);
    EXPECT_TRUE(Encode(d16, &result).empty());
    EXPECT_EQ(result, CPNG::kUnsupportedDib);
    h = static_cast<BITMAPINFOHEADER*>(GlobalLock(d16));
    h->biBitCount = 32;
    h->biWidth = 2;
    GlobalUnlock(d16);
    Encode(d16, &result);
    EXPECT_EQ(result, CPNG::kUnsupportedDib);
    GlobalFree(d16);

    // 8 bits or fewer stored without a colour table (header and pixels only): no palette to write.
    for (int bits : {1, 4, 8}) {
        const SIZE_T pixels = SIZE_T(((6 * bits + 31) / 32) * 4 * 5);
        HGLOBAL tableless = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 40 + pixels);
        h = static_cast<BITMAPINFOHEADER*>(GlobalLock(tableless));
        h->biSize = 40;
        h->biWidth = 6;
        h->biHeight = 5;
        h->biPlanes = 1;
        h->biBitCount = WORD(bits);
        h->biSizeImage = DWORD(pixels);
        GlobalUnlock(tableless);
        EXPECT_TRUE(Encode(tableless, &result).empty());
        EXPECT_EQ(result, CPNG::kUnsupportedDib) << bits;
        EXPECT_EQ(PngResultToErrorCode(result), -1022);
        GlobalFree(tableless);
    }

    Encode(nullptr, &result);
    EXPECT_EQ(result, CPNG::kBadDib);
    HGLOBAL tiny = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 39);
    Encode(tiny, &result);
    EXPECT_EQ(result, CPNG::kBadDib);
    GlobalFree(tiny);
    // A header that promises more pixels than the block holds.
    HGLOBAL cut = MakeDib(40, 40, 24, 2);
    h = static_cast<BITMAPINFOHEADER*>(GlobalLock(cut));
    h->biHeight = 400;
    GlobalUnlock(cut);
    Encode(cut, &result);
    EXPECT_EQ(result, CPNG::kBadDib);
    CPNG codec;
    EXPECT_EQ(codec.WriteToMemory(cut, nullptr), CPNG::kBadDib);
    EXPECT_EQ(codec.WriteToFile(nullptr, cut), CPNG::kNullName);
    GlobalFree(cut);
}

TEST(PngWriter, WritesTheFixedChunkSet) {
    HGLOBAL rgb = MakeDib(7, 5, 24, 3);
    Bytes png = Encode(rgb);
    EXPECT_EQ(ChunkTypes(png), std::vector<std::string>({"IHDR", "pHYs", "IDAT", "IEND"}));
    std::vector<Chunk> chunks = SplitChunks(png);
    for (const Chunk& c : chunks) EXPECT_TRUE(c.crcOk) << c.type;
    EXPECT_EQ(chunks[0].data, Bytes({0, 0, 0, 7, 0, 0, 0, 5, 8, 2, 0, 0, 0}));
    // 0 pixels per metre becomes 96 dots per inch.
    EXPECT_EQ(chunks[1].data, Bytes({0, 0, 0x0E, 0xC4, 0, 0, 0x0E, 0xC4, 1}));
    GlobalFree(rgb);

    HGLOBAL pal = MakeDib(9, 3, 4, 4, false, 0, 11811);
    png = Encode(pal);
    EXPECT_EQ(ChunkTypes(png), std::vector<std::string>({"IHDR", "PLTE", "pHYs", "IDAT", "IEND"}));
    chunks = SplitChunks(png);
    EXPECT_EQ(chunks[0].data[8], 4);
    EXPECT_EQ(chunks[0].data[9], 3);
    EXPECT_EQ(chunks[2].data, Bytes({0, 0, 0x2E, 0x23, 0, 0, 0x2E, 0x23, 1}));
    // The palette as red, green, blue of the DIB's table.
    EXPECT_EQ(chunks[1].data[0], 0);
    EXPECT_EQ(chunks[1].data[1], 255);
    EXPECT_EQ(chunks[1].data[2], 5);
    GlobalFree(pal);
}

TEST(PngWriter, PaletteStopsAtTheHighestIndexOfSmallImages) {
    auto withIndices = [](int width, int height, int highest) {
        HGLOBAL dib = MakeDib(width, height, 8, 1);
        DibLayout l;
        ComputeDibLayout(dib, &l);
        auto* p = static_cast<uint8_t*>(GlobalLock(dib));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) p[l.pixelOffset + l.stride * y + x] = uint8_t((x + y) % (highest + 1));
        GlobalUnlock(dib);
        return dib;
    };
    HGLOBAL small = withIndices(30, 20, 9);
    Bytes png = Encode(small);
    EXPECT_EQ(SplitChunks(png)[1].data.size(), 30u);
    Decoded back;
    Read(png, &back);
    ASSERT_EQ(back.result, CPNG::kOk);
    EXPECT_EQ(Render(back.dib), Render(small));
    HGLOBAL large = withIndices(256, 256, 9);
    EXPECT_EQ(SplitChunks(Encode(large))[1].data.size(), 768u);
    GlobalFree(small);
    GlobalFree(large);
    // Two-colour images keep both entries.
    HGLOBAL mono = MakeDib(8, 8, 1, 5);
    EXPECT_EQ(SplitChunks(Encode(mono))[1].data.size(), 6u);
    GlobalFree(mono);
}

TEST(PngWriter, SmallImagesAnnounceASmallWindow) {
    HGLOBAL dib = MakeDib(10, 10, 24, 6);
    std::vector<Chunk> chunks = SplitChunks(Encode(dib));
    const Bytes& z = chunks[2].data;
    ASSERT_GE(z.size(), 2u);
    EXPECT_EQ(z[0], 0x18);  // deflate, 512-byte window
    EXPECT_EQ((z[0] * 256 + z[1]) % 31, 0);
    // zlib itself inflates it with the window announced.
    Bytes raw(10 * 31 + 100);
    uLongf size = uLongf(raw.size());
    ASSERT_EQ(uncompress(raw.data(), &size, z.data(), uLong(z.size())), Z_OK);
    EXPECT_EQ(size, 310u);
    GlobalFree(dib);
    // A large image keeps the 32 KB window.
    HGLOBAL big = MakeDib(300, 200, 24, 7);
    EXPECT_EQ(SplitChunks(Encode(big))[2].data[0], 0x78);
    GlobalFree(big);
}

TEST(PngWriter, ImageDataInChunksOf64KB) {
    HGLOBAL dib = MakeDib(500, 400, 24, 8);
    std::vector<Chunk> chunks = SplitChunks(Encode(dib));
    int idats = 0;
    for (size_t i = 0; i < chunks.size(); ++i) {
        if (chunks[i].type != "IDAT") continue;
        ++idats;
        if (chunks[i + 1].type == "IDAT") {
            EXPECT_EQ(chunks[i].data.size(), 65536u);
        }
    }
    EXPECT_GT(idats, 2);
    GlobalFree(dib);
}

TEST(PngWriter, RoundTripsEveryDepthAndRowOrder) {
    for (int bits : {1, 4, 8, 24}) {
        for (bool topDown : {false, true}) {
            for (int width : {1, 3, 9, 33}) {
                HGLOBAL dib = MakeDib(width, 7, bits, uint32_t(bits * 100 + width), topDown, 0, 2835);
                Decoded back;
                Read(Encode(dib), &back);
                ASSERT_EQ(back.result, CPNG::kOk) << bits;
                BITMAPINFOHEADER h = HeaderOf(back.dib);
                EXPECT_EQ(h.biBitCount, bits);
                EXPECT_GT(h.biHeight, 0);
                EXPECT_EQ(h.biXPelsPerMeter, 2835);
                EXPECT_EQ(Render(back.dib), Render(dib)) << bits << " " << topDown << " " << width;
                GlobalFree(dib);
            }
        }
    }
}

TEST(PngWriter, FilesAreReplacedAndFailuresLeaveNothing) {
    std::string path = testing::TempDir() + "lumetta_png_writer_test.png";
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("old contents that are longer than nothing", f);
    fclose(f);
    HGLOBAL dib = MakeDib(12, 6, 8, 9);
    CPNG writer;
    ASSERT_EQ(writer.WriteToFile(path.c_str(), dib), CPNG::kOk);
    CPNG reader;
    SIZE_T size = 0;
    ASSERT_EQ(reader.ReadFromFile(path.c_str(), &size), CPNG::kOk);
    HGLOBAL back = reader.GetDIB();
    EXPECT_EQ(Render(back), Render(dib));
    GlobalFree(back);
    // A DIB that cannot be written leaves no file behind.
    HGLOBAL bad = MakeDib(4, 4, 24, 1);
    static_cast<BITMAPINFOHEADER*>(GlobalLock(bad))->biBitCount = 16;
    GlobalUnlock(bad);
    EXPECT_EQ(CPNG().WriteToFile(path.c_str(), bad), CPNG::kUnsupportedDib);
    EXPECT_EQ(fopen(path.c_str(), "rb"), nullptr);
    EXPECT_EQ(CPNG().ReadFromFile(path.c_str(), nullptr), CPNG::kCannotOpen);
    EXPECT_EQ(CPNG().ReadFromFile(nullptr, nullptr), CPNG::kNullName);
    EXPECT_EQ(CPNG().WriteToFile((testing::TempDir() + "no_such_folder_png/x.png").c_str(), dib), CPNG::kCannotCreate);
    GlobalFree(bad);
    GlobalFree(dib);
}

}  // namespace

// The writer's filter choice (vector code where the build has it) against the plain byte loops:
// the same type byte and filtered bytes for rows that favour each filter in turn, rows where two
// filters tie, rows of every length around the 16-byte steps and the 256-byte blocks, and
// pixels of 1, 3 and 4 bytes.
TEST(PngWriter, FilterChoiceMatchesThePlainLoops) {
    uint32_t seed = 2024;
    auto rnd = [&] {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        return seed;
    };
    const size_t lengths[] = {1, 3, 4, 15, 16, 18, 19, 20, 31, 35, 47, 255, 256, 257, 259, 272, 511, 1000, 7440};
    int choices[5] = {};
    for (size_t bpp : {size_t(1), size_t(3), size_t(4)}) {
        for (size_t n : lengths) {
            for (int pattern = 0; pattern < 7; ++pattern) {
                std::vector<uint8_t> row(n), prev(n);
                for (size_t i = 0; i < n; ++i) {
                    const uint8_t noise = uint8_t(rnd());
                    switch (pattern) {
                        case 0: row[i] = noise; prev[i] = uint8_t(rnd()); break;          // none of them helps
                        case 1: row[i] = uint8_t(i * 7); prev[i] = noise; break;           // Sub
                        case 2: row[i] = uint8_t(noise + 1); prev[i] = noise; break;       // Up
                        case 3: row[i] = uint8_t(i / bpp * 3 + (noise & 1)); prev[i] = uint8_t(i / bpp * 3 + 128); break;
                        case 4: row[i] = uint8_t(i / bpp * 5 + noise % 3); prev[i] = uint8_t(row[i] + 40); break;  // Paeth
                        case 5: row[i] = 0; prev[i] = 0; break;                            // every filter ties
                        default: row[i] = uint8_t(128 + (noise & 3)); prev[i] = uint8_t(255 - (noise & 1)); break;
                    }
                }
                std::vector<uint8_t> fast(n + 1), plain(n + 1), scratch(n + 1);
                png::FilterRowAdaptive(row.data(), prev.data(), n, bpp, fast.data(), scratch.data());
                png::FilterRowAdaptivePlain(row.data(), prev.data(), n, bpp, plain.data(), scratch.data());
                ASSERT_EQ(fast, plain) << "bpp " << bpp << ", " << n << " bytes, pattern " << pattern;
                ++choices[plain[0]];
            }
        }
    }
    for (int type = 0; type < 5; ++type) EXPECT_GT(choices[type], 0) << "no row chose filter " << type;
}
