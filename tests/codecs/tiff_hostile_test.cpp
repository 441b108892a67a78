// The TIFF reader over crafted files, in every build (the 32-bit one too): declared sizes at the
// 32-bit limits, strips whose bytes cannot fill what the page declares, strips without byte
// counts that share their data, pages refused for their form keeping their place, and the
// crafted files of tests/codecs/data/hostile with the results that folder's expected.txt names.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "codecs/codec_result_map.h"
#include "codecs/tiff/fax_codec.h"
#include "codecs/tiff/lzw_codec.h"
#include "codecs/tiff/lzw_row_decoder.h"
#include "codecs/tiff/packbits_codec.h"
#include "codecs/tiff/tiff.h"
#include "base/dib_layout.h"
#include "hostile_cases.h"

namespace {

constexpr WORD kShort = 3, kLong = 4;

// One page of a hand-made file: its fields (tag -> type and values) and its strips. StripOffsets
// is filled in from where the strips land unless `sharedOffset` is set; StripByteCounts from
// the strips' lengths unless `counts` says otherwise.
struct HandPage {
    std::map<WORD, std::pair<WORD, std::vector<uint32_t>>> fields;
    std::vector<std::vector<BYTE>> strips;
    enum Counts { kOwn, kNone, kGiven } counts = kOwn;
    std::vector<uint32_t> givenCounts;
    uint32_t stripsAtOneOffset = 0;  // that many strips, all on strips[0]

    HandPage& Set(WORD tag, WORD type, std::vector<uint32_t> values) {
        fields[tag] = {type, std::move(values)};
        return *this;
    }
};

HandPage Page(uint32_t width, uint32_t height, uint32_t bits, uint32_t samples, uint32_t photometric,
              uint32_t compression, uint32_t rowsPerStrip = 0) {
    HandPage p;
    p.Set(256, kLong, {width}).Set(257, kLong, {height});
    p.Set(258, kShort, std::vector<uint32_t>(samples ? samples : 1, bits));
    p.Set(259, kShort, {compression}).Set(262, kShort, {photometric}).Set(277, kShort, {samples});
    p.Set(278, kLong, {rowsPerStrip ? rowsPerStrip : height});
    return p;
}

class Writer {
public:
    explicit Writer(bool bigEndian) : m_be(bigEndian) {}
    std::vector<BYTE> bytes;
    void Put16(uint32_t v) {
        if (m_be) { bytes.push_back(BYTE(v >> 8)); bytes.push_back(BYTE(v)); }
        else { bytes.push_back(BYTE(v)); bytes.push_back(BYTE(v >> 8)); }
    }
    void Put32(uint32_t v) {
        if (m_be) { Put16(v >> 16); Put16(v & 0xFFFF); }
        else { Put16(v & 0xFFFF); Put16(v >> 16); }
    }
    void Patch32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = BYTE(m_be ? v >> (24 - 8 * i) : v >> (8 * i));
    }

private:
    bool m_be;
};

std::vector<BYTE> Build(std::vector<HandPage> pages, bool bigEndian = false) {
    Writer w(bigEndian);
    w.bytes = {BYTE(bigEndian ? 'M' : 'I'), BYTE(bigEndian ? 'M' : 'I')};
    w.Put16(42);
    w.Put32(8);
    for (size_t index = 0; index < pages.size(); ++index) {
        HandPage& p = pages[index];
        const uint32_t strips = p.stripsAtOneOffset ? p.stripsAtOneOffset : uint32_t(p.strips.size());
        p.Set(273, kLong, std::vector<uint32_t>(strips, 0));
        if (p.counts == HandPage::kOwn) {
            std::vector<uint32_t> c;
            for (uint32_t s = 0; s < strips; ++s) c.push_back(uint32_t(p.strips[p.stripsAtOneOffset ? 0 : s].size()));
            p.Set(279, kLong, c);
        } else if (p.counts == HandPage::kGiven) {
            p.Set(279, kLong, p.givenCounts);
        }
        // The IFD, then the values that do not fit their entries, then the strips.
        const size_t n = p.fields.size();
        w.Put16(uint32_t(n));
        std::map<WORD, size_t> valueField;
        for (const auto& [tag, field] : p.fields) {
            w.Put16(tag);
            w.Put16(field.first);
            w.Put32(uint32_t(field.second.size()));
            valueField[tag] = w.bytes.size();
            if (field.second.size() * (field.first == kShort ? 2 : 4) <= 4) {
                if (field.first == kShort) {
                    for (uint32_t v : field.second) w.Put16(v);
                    if (field.second.size() < 2) w.Put16(0);
                } else {
                    w.Put32(field.second.empty() ? 0 : field.second[0]);
                }
            } else {
                w.Put32(0);
            }
        }
        const size_t next = w.bytes.size();
        w.Put32(0);
        std::map<WORD, size_t> outside;
        for (const auto& [tag, field] : p.fields) {
            if (field.second.size() * (field.first == kShort ? 2 : 4) <= 4) continue;
            w.Patch32(valueField[tag], uint32_t(w.bytes.size()));
            outside[tag] = w.bytes.size();
            for (uint32_t v : field.second) field.first == kShort ? w.Put16(v) : w.Put32(v);
        }
        std::vector<uint32_t> offsets;
        for (const auto& s : p.strips) {
            offsets.push_back(uint32_t(w.bytes.size()));
            w.bytes.insert(w.bytes.end(), s.begin(), s.end());
        }
        if (p.stripsAtOneOffset) offsets.assign(strips, offsets.empty() ? 0 : offsets[0]);
        if (strips == 1) {
            w.Patch32(valueField[273], offsets.empty() ? 0 : offsets[0]);
        } else {
            for (uint32_t s = 0; s < strips; ++s) w.Patch32(outside[273] + 4 * s, offsets[s]);
        }
        if (w.bytes.size() & 1) w.bytes.push_back(0);
        if (index + 1 < pages.size()) w.Patch32(next, uint32_t(w.bytes.size()));
    }
    return w.bytes;
}

// Codes of 9 bits, most significant bit first: what a short LZW strip holds.
std::vector<BYTE> Lzw9(std::vector<unsigned> codes) {
    std::vector<BYTE> out;
    uint32_t acc = 0;
    int n = 0;
    for (unsigned c : codes) {
        acc = (acc << 9) | c;
        n += 9;
        while (n >= 8) {
            out.push_back(BYTE(acc >> (n - 8)));
            n -= 8;
        }
    }
    if (n) out.push_back(BYTE(acc << (8 - n)));
    return out;
}

struct Read {
    LONG result = 0;
    std::vector<HGLOBAL> pages;
    ~Read() {
        for (HGLOBAL h : pages)
            if (h) GlobalFree(h);
    }
};

// Every page of the bytes, read from memory; each page must be a DIB the engine can read. A read
// of every page is measured too (what another decoder is told before it sees the bytes): it
// refuses only what the read refuses, with the read's result, and everything the read refuses
// before reserving a page, but a form the reader has no decoder for; what it declares is what the
// read reserves.
void ReadAll(const std::vector<BYTE>& bytes, Read* r, DWORD page = CTiff::kAllPages) {
    CTiff tiff;
    r->result = tiff.ReadFromMemory(bytes.size(), bytes.data(), page);
    uint64_t reserved = 0;
    for (DWORD i = 0; i < tiff.GetPageCount(); ++i) {
        SIZE_T size = 0;
        HGLOBAL dib = tiff.GetPage(i, &size);
        DibLayout layout;
        EXPECT_TRUE(dib && ComputeDibLayout(dib, &layout) && layout.totalBytes <= size) << "page " << i;
        r->pages.push_back(dib);
        reserved += size;
    }
    if (page != CTiff::kAllPages) return;
    uint64_t declared = 0;
    const LONG measured = CTiff().Measure(bytes.size(), bytes.data(), &declared);
    if (measured != CTiff::kOk) {
        EXPECT_EQ(measured, r->result) << "measured";
    }
    if (r->pages.empty() && r->result != CTiff::kOk && r->result != CTiff::kUnsupported) {
        EXPECT_EQ(measured, r->result) << "measured";
    }
    if (r->result == CTiff::kOk) {
        EXPECT_EQ(declared, reserved) << "measured";
    }
}

LONG Result(const std::vector<BYTE>& bytes, size_t* pages = nullptr) {
    Read r;
    ReadAll(bytes, &r);
    if (pages) *pages = r.pages.size();
    return r.result;
}

// The 32-bit cut: 16 samples of 16 bits in a row of 2^27 + 1 pixels are 2^32 + 32 bytes.
constexpr uint32_t kRowPast4GiB = (1u << 27) + 1;

}  // namespace

TEST(TiffHostile, RowSizesPastFourGibibytesAreNotCutToThirtyTwoBits) {
    for (bool be : {false, true}) {
        // Uncompressed with 32 bytes: the strip is not the row's size, whatever the build.
        HandPage p = Page(kRowPast4GiB, 1, 16, 16, 2, 1);
        p.Set(317, kShort, {2});
        p.strips = {std::vector<BYTE>(32, 0x11)};
        size_t pages = 9;
        EXPECT_EQ(Result(Build({p}, be), &pages), CTiff::kUnsupported) << be;
        EXPECT_EQ(pages, 0u);
        // LZW with the predictor: 32 bytes cannot make 4 GiB; refused before a byte is reserved.
        p = Page(kRowPast4GiB, 1, 16, 16, 2, 5);
        p.Set(317, kShort, {2});
        p.strips = {Lzw9({256, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 257})};
        ASSERT_LE(p.strips[0].size(), 32u);
        EXPECT_EQ(Result(Build({p}, be), &pages), CTiff::kStripFailed) << be;
        EXPECT_EQ(pages, 0u);
    }
}

TEST(TiffHostile, DimensionsADibHeaderCannotHoldAreRefused) {
    // 0x80000000 and 0xFFFFFFFF would become biWidth INT_MIN and -1; one below is a width.
    for (uint32_t width : {0x80000000u, 0xFFFFFFFFu}) {
        HandPage p = Page(width, 1, 1, 1, 1, 1);
        p.strips = {std::vector<BYTE>(16, 0)};
        size_t pages = 9;
        EXPECT_EQ(Result(Build({p}), &pages), CTiff::kNoMemory) << width;
        EXPECT_EQ(pages, 0u);
        p = Page(1, width, 1, 1, 1, 4);
        p.strips = {std::vector<BYTE>(16, 0)};
        EXPECT_EQ(Result(Build({p}), &pages), CTiff::kNoMemory) << width;
        EXPECT_EQ(pages, 0u);
    }
    HandPage p = Page(0x7FFFFFFF, 1, 1, 1, 1, 5);
    p.strips = {Lzw9({256, 0, 257})};
    EXPECT_EQ(Result(Build({p})), CTiff::kStripFailed);  // past the header check, held by its bytes
    // A DIB over 4 GiB in 64 bits is 64 KiB cut to 32: 65536 rows of 65536 bytes and one more.
    p = Page(65536, 65537, 8, 1, 1, 5);
    p.strips = {Lzw9({256, 0, 257})};
    EXPECT_EQ(Result(Build({p})), CTiff::kNoMemory);
    // The largest DIB the engine takes against the next one up, both over a few bytes.
    p = Page(0x7FFF0000 / 4, 4, 8, 1, 1, 5);
    p.strips = {Lzw9({256, 0, 257})};
    EXPECT_EQ(Result(Build({p})), CTiff::kStripFailed);
    p = Page(0x7FFF0000 / 4 + 1, 4, 8, 1, 1, 5);
    p.strips = {Lzw9({256, 0, 257})};
    EXPECT_EQ(Result(Build({p})), CTiff::kNoMemory);
}

TEST(TiffHostile, StripsMustBeAbleToFillTheirRowsAtTheirCodecsLargestExpansion) {
    struct Case {
        const char* what;
        uint32_t width, height, bits, compression;
        std::vector<BYTE> strip;
        bool loads;
    };
    const std::vector<BYTE> run128 = {0x81, 0x07};            // PackBits: 128 sevens
    const std::vector<BYTE> aaa = Lzw9({65, 258});             // LZW: "A", then "AA"
    const std::vector<BYTE> oneByte = {0xFF};                  // group 4: eight rows like the one above
    const std::vector<Case> cases = {
        {"PackBits 2 bytes, 128", 128, 1, 8, 32773, run128, true},
        {"PackBits 2 bytes, 129", 129, 1, 8, 32773, run128, false},
        {"PackBits 2 bytes, 2 x 64", 64, 2, 8, 32773, run128, true},
        {"LZW 3 bytes, 3", 3, 1, 8, 5, aaa, true},
        {"LZW 3 bytes, 4", 4, 1, 8, 5, aaa, false},
        {"LZW 3 bytes, 2 rows of 2", 2, 2, 8, 5, aaa, false},
        {"G4 1 byte, 8 rows", 1728, 8, 1, 4, oneByte, true},
        {"G4 1 byte, 9 rows", 1728, 9, 1, 4, oneByte, false},
        {"G4 1 byte, 8 rows of 2^24 pixels", 1u << 24, 8, 1, 4, oneByte, true},
        {"G4 1 byte, 2^29 rows", 8, 0x1FFF0000, 1, 4, oneByte, false},
        // One-dimensional rows: a bit covers 512 pixels at most.
        {"MH 1 byte, 4607 wide", 4607, 1, 1, 2, {0x00}, true},
        {"MH 1 byte, 4608 wide", 4608, 1, 1, 2, {0x00}, false},
        {"G3 1 byte, 4608 wide", 4608, 1, 1, 3, {0x00}, false},
        {"uncompressed 16 of 16", 16, 1, 8, 1, std::vector<BYTE>(16, 3), true},
        {"unknown codec 2 bytes, 1 pixel", 1, 1, 8, 7, {1, 2}, true},
        {"unknown codec 2 bytes, 2 pixels", 2, 1, 8, 7, {1, 2}, false},
    };
    for (bool be : {false, true}) {
        for (const Case& c : cases) {
            HandPage p = Page(c.width, c.height, c.bits, 1, 1, c.compression);
            p.strips = {c.strip};
            Read r;
            ReadAll(Build({p}, be), &r);
            if (c.loads) {
                // Added, whether it then decodes whole or not.
                EXPECT_EQ(r.pages.size(), 1u) << c.what << " " << be;
            } else {
                EXPECT_EQ(r.result, CTiff::kStripFailed) << c.what << " " << be;
                EXPECT_EQ(r.pages.size(), 0u) << c.what << " " << be;
            }
        }
    }
    // Rows of no bytes (0 bits per sample) still make a blank DIB; it is reserved only when the
    // strip's bytes could have filled it. 2^27 + 1 pixels of 16 such samples would be a 128 MiB
    // page from nothing.
    for (uint32_t compression : {1u, 5u}) {
        HandPage zero = Page(kRowPast4GiB, 1, 0, 16, 2, compression);
        zero.strips = {std::vector<BYTE>(4, 0)};
        if (compression == 1) {
            zero.counts = HandPage::kGiven;  // the exact size of rows of no bytes
            zero.givenCounts = {0};
        }
        size_t none = 9;
        EXPECT_EQ(Result(Build({zero}), &none), CTiff::kStripFailed) << compression;
        EXPECT_EQ(none, 0u);
    }
    // A page refused for its form behind a few group 4 bytes: 96 rows of 12.6 million pixels
    // would be 1.2 GB of blank page (as a bilevel page it would be 151 MB, its bytes can hold that).
    HandPage mask = Page(0xC00006, 96, 1, 1, 4, 4);
    mask.strips = {std::vector<BYTE>(12, 0xFF)};
    size_t masks = 9;
    EXPECT_EQ(Result(Build({mask}), &masks), CTiff::kStripFailed);
    EXPECT_EQ(masks, 0u);
    // Stripes of a page are held one by one: a second strip short of its rows refuses the page.
    HandPage p = Page(128, 2, 8, 1, 1, 32773, 1);
    p.strips = {run128, {0x81}};
    size_t pages = 9;
    EXPECT_EQ(Result(Build({p}), &pages), CTiff::kStripFailed);
    EXPECT_EQ(pages, 0u);
    // Fewer strip offsets than strips: the missing ones hold nothing.
    p = Page(128, 4, 8, 1, 1, 32773, 1);
    p.strips = {run128, run128};
    std::vector<BYTE> bytes = Build({p});
    EXPECT_EQ(Result(bytes, &pages), CTiff::kStripFailed);
    EXPECT_EQ(pages, 0u);
}

TEST(TiffHostile, PagesRefusedForTheirFormKeepTheirPlaceAsBlankPages) {
    auto good = [](BYTE v) {
        HandPage p = Page(4, 2, 8, 1, 1, 1);
        p.strips = {std::vector<BYTE>(8, v)};
        return p;
    };
    struct Case {
        const char* what;
        HandPage page;
        WORD dibBits;
    };
    std::vector<Case> cases;
    // width 4, height 2, its depth, samples, photometric and compression; a strip of that many bytes
    auto refused = [&](const char* what, uint32_t bits, uint32_t samples, uint32_t photometric, uint32_t compression,
                       size_t bytes, WORD dibBits, uint32_t predictor = 1) {
        HandPage p = Page(4, 2, bits, samples, photometric, compression);
        if (predictor != 1) p.Set(317, kShort, {predictor});
        p.strips = {std::vector<BYTE>(bytes, compression == 4 ? 0xFF : 9)};
        cases.push_back({what, p, dibBits});
    };
    refused("CMYK", 8, 4, 5, 1, 32, 8);
    refused("grey and alpha", 8, 2, 1, 1, 16, 8);
    refused("2 bits", 2, 1, 1, 1, 2, 8);
    refused("predictor 3", 8, 3, 2, 1, 24, 24, 3);
    refused("RGB of two samples", 8, 2, 2, 1, 16, 24);
    refused("group 4 at 8 bits", 8, 1, 1, 4, 16, 8);
    for (bool be : {false, true}) {
        for (const Case& c : cases) {
            Read r;
            ReadAll(Build({good(0x40), c.page, good(0x80)}, be), &r);
            EXPECT_EQ(r.result, CTiff::kUnsupported) << c.what;
            ASSERT_EQ(r.pages.size(), 3u) << c.what;
            DibLayout h;
            ASSERT_TRUE(ComputeDibLayout(r.pages[1], &h));
            EXPECT_EQ(h.width, 4);
            EXPECT_EQ(h.height, 2);
            EXPECT_EQ(h.bitCount, c.dibBits) << c.what;
            const BYTE* block = static_cast<const BYTE*>(GlobalLock(r.pages[1]));
            const size_t pixelsAt = size_t(h.pixelOffset);
            bool blank = true;
            for (size_t i = pixelsAt; i < GlobalSize(r.pages[1]); ++i) blank = blank && block[i] == 0;
            GlobalUnlock(r.pages[1]);
            EXPECT_TRUE(blank) << c.what;
            // The page after it is the third page of the file.
            const BYTE* third = static_cast<const BYTE*>(GlobalLock(r.pages[2]));
            EXPECT_EQ(third[40 + 256 * 4], 0x80) << c.what;
            GlobalUnlock(r.pages[2]);
        }
        // Read on its own, the refused page is released.
        Read one;
        ReadAll(Build({good(1), cases[0].page}, be), &one, 1);
        EXPECT_EQ(one.result, CTiff::kUnsupported);
        EXPECT_EQ(one.pages.size(), 0u);
    }
}

// Measuring for another decoder: forms this reader refuses (tiles, no RowsPerStrip, uncompressed
// strips longer than their rows, a compression or photometric without a decoder here) pass, while
// the same pages declaring more than their bytes hold are refused as the read refuses them.
TEST(TiffHostile, MeasuringLeavesFormsWithoutADecoderToOtherDecoders) {
    struct Case {
        const char* what;
        HandPage page;
        LONG read, measured;
    };
    std::vector<Case> cases;
    HandPage tiled = Page(16, 16, 8, 1, 1, 1);
    tiled.fields.erase(278);
    tiled.Set(322, kShort, {16}).Set(323, kShort, {16}).Set(324, kLong, {0}).Set(325, kLong, {256});
    tiled.strips = {std::vector<BYTE>(256, 1)};
    cases.push_back({"tiles", tiled, CTiff::kBadIfd, CTiff::kOk});
    HandPage wideTiles = tiled;
    wideTiles.Set(256, kLong, {0x80000000u});
    cases.push_back({"tiles 2^31 wide", wideTiles, CTiff::kBadIfd, CTiff::kNoMemory});
    HandPage oneStrip = Page(8, 4, 8, 1, 1, 1);
    oneStrip.fields.erase(278);
    oneStrip.strips = {std::vector<BYTE>(32, 2)};
    cases.push_back({"no RowsPerStrip", oneStrip, CTiff::kNoMemory, CTiff::kOk});
    HandPage longer = Page(8, 4, 8, 1, 1, 1);
    longer.strips = {std::vector<BYTE>(40, 3)};
    cases.push_back({"an uncompressed strip longer than its rows", longer, CTiff::kUnsupported, CTiff::kOk});
    HandPage shorter = Page(8, 4, 8, 1, 1, 1);
    shorter.strips = {std::vector<BYTE>(31, 3)};
    cases.push_back({"an uncompressed strip shorter than its rows", shorter, CTiff::kUnsupported,
                     CTiff::kUnsupported});
    HandPage cmyk = Page(8, 4, 8, 4, 5, 1);
    cmyk.strips = {std::vector<BYTE>(128, 5)};
    cases.push_back({"CMYK", cmyk, CTiff::kUnsupported, CTiff::kOk});
    HandPage bigCmyk = Page(30000, 30000, 8, 4, 5, 5);
    bigCmyk.strips = {Lzw9({256, 0, 257})};
    cases.push_back({"CMYK 30000 x 30000 in 4 LZW bytes", bigCmyk, CTiff::kStripFailed, CTiff::kStripFailed});
    HandPage deflate = Page(8, 4, 8, 1, 1, 8);
    deflate.strips = {std::vector<BYTE>(12, 4)};
    cases.push_back({"Deflate", deflate, CTiff::kStripFailed, CTiff::kOk});
    for (bool be : {false, true}) {
        for (const Case& c : cases) {
            const std::vector<BYTE> bytes = Build({c.page}, be);
            uint64_t declared = 0;
            EXPECT_EQ(CTiff().Measure(bytes.size(), bytes.data(), &declared), c.measured) << c.what << " " << be;
            CTiff tiff;
            EXPECT_EQ(tiff.ReadFromMemory(bytes.size(), bytes.data(), CTiff::kAllPages), c.read) << c.what;
            for (DWORD i = 0; i < tiff.GetPageCount(); ++i) GlobalFree(tiff.GetPage(i, nullptr));
        }
    }
}

TEST(TiffHostile, WidthAndHeightThroughShortArraysAreTheirFirstValues) {
    HandPage p = Page(0, 0, 8, 1, 1, 1, 2);
    p.Set(256, kShort, {4, 60000, 60000}).Set(257, kShort, {2, 60000, 60000});
    p.strips = {std::vector<BYTE>(8, 5)};
    size_t pages = 0;
    EXPECT_EQ(Result(Build({p}), &pages), 0);
    EXPECT_EQ(pages, 1u);
    // 25184 x 47265 over a few LZW bytes: refused before the 1.19 GB page or its strip buffer.
    p = Page(0, 0, 8, 1, 1, 5, 47265);
    p.Set(256, kShort, {25184, 1, 1}).Set(257, kShort, {47265, 1, 1});
    p.strips = {Lzw9({256, 7, 257})};
    EXPECT_EQ(Result(Build({p}), &pages), CTiff::kStripFailed);
    EXPECT_EQ(pages, 0u);
}

TEST(TiffHostile, StripsWithoutByteCountsEndAtTheNextStripAndSharedBytesAreReadOnlyAFewTimes) {
    // Two PackBits strips without counts, each holding half a row: the first ends where the
    // second starts, so it does not go on into the second's bytes.
    HandPage p = Page(128, 2, 8, 1, 1, 32773, 1);
    p.counts = HandPage::kNone;
    p.strips = {{0xC1, 0x07}, {0xC1, 0x09}};
    Read r;
    ReadAll(Build({p}), &r);
    EXPECT_EQ(r.result, CTiff::kStripFailed);
    ASSERT_EQ(r.pages.size(), 1u);
    {
        const BYTE* top = static_cast<const BYTE*>(GlobalLock(r.pages[0])) + 40 + 1024 + 128;
        EXPECT_EQ(top[63], 0x07);
        EXPECT_EQ(top[64], 0x00);
        EXPECT_EQ(top[-128 + 63], 0x09);
        GlobalUnlock(r.pages[0]);
    }
    // Thousands of strips on one stretch of Clear codes: refused once the read has gone through
    // the file's bytes a few times, long before it has gone through them thousands of times.
    std::vector<unsigned> codes(60000, 256);
    codes.push_back(1);
    codes.push_back(257);
    p = Page(1, 20000, 8, 1, 1, 5, 1);
    p.counts = HandPage::kNone;
    p.stripsAtOneOffset = 20000;
    p.strips = {Lzw9(codes)};
    size_t pages = 9;
    EXPECT_EQ(Result(Build({p}), &pages), CTiff::kStripFailed);
    EXPECT_EQ(pages, 0u);
    // With byte counts the same.
    p.counts = HandPage::kOwn;
    EXPECT_EQ(Result(Build({p}), &pages), CTiff::kStripFailed);
    EXPECT_EQ(pages, 0u);
    // A few strips on one stretch are read.
    p = Page(1, 4, 8, 1, 1, 5, 1);
    p.stripsAtOneOffset = 4;
    p.strips = {Lzw9(codes)};
    EXPECT_EQ(Result(Build({p}), &pages), 0);
    EXPECT_EQ(pages, 1u);
}

TEST(TiffHostile, LzwStripCutShortLeavesTheRestOfTheOutputAsItWas) {
    std::vector<BYTE> input(600);
    for (size_t i = 0; i < input.size(); ++i) input[i] = BYTE("abcabdabe"[i % 9] + (i / 97));
    std::vector<BYTE> strip;
    ASSERT_EQ(CTIFFLzw::EncodeStrip(input.data(), input.size(), 1, input.size(), strip), 0);
    for (size_t cut = 1; cut < strip.size(); ++cut) {
        std::vector<BYTE> out(input.size(), 0xA5);
        size_t written = 0;
        if (CTIFFLzw::DecodeStrip(strip.data(), cut, out.data(), out.size(), &written) == CTIFFLzw::kOk) {
            EXPECT_GE(cut, strip.size() - 3);  // only End of Information and the last code's tail missing
            continue;
        }
        ASSERT_LT(written, out.size());
        EXPECT_EQ(memcmp(out.data(), input.data(), written), 0) << cut;
        size_t stray = 0;
        for (size_t i = written; i < out.size(); ++i) stray += out[i] != 0xA5;
        EXPECT_EQ(stray, 0u) << "cut at " << cut;
        EXPECT_LE(written, CTIFFLzw::LargestOutput(cut));
    }
}

// Rows that compress somewhat: runs, repeats of earlier rows and noise, from a fixed seed.
std::vector<BYTE> SomeRows(size_t bytes, uint32_t seed) {
    std::vector<BYTE> out(bytes);
    uint32_t x = seed;
    for (size_t i = 0; i < bytes; ++i) {
        x = x * 1664525u + 1013904223u;
        const uint32_t kind = (x >> 28) & 3;
        out[i] = kind == 0 ? BYTE(x >> 8) : kind == 1 && i >= 97 ? out[i - 97] : BYTE(i / 61);
    }
    return out;
}

// The piece-at-a-time decoders give the bytes of the whole-strip ones, for whole, cut and broken
// streams and for any piece size (the LZW one against the other LZW decoder).
TEST(TiffHostile, StripsDecodedPieceByPieceGiveTheWholeStripsBytes) {
    const std::vector<BYTE> rows = SomeRows(300000, 7);
    std::vector<BYTE> lzw, packed;
    ASSERT_EQ(CTIFFLzw::EncodeStrip(rows.data(), rows.size(), 1, rows.size(), lzw), 0);
    ASSERT_EQ(CTIFFPackBits::EncodeStrip(rows.data(), 1000, 300, 1000, packed), 0);
    // A stream that never clears: codes of 9 to 12 bits past the full table, then noise.
    std::vector<BYTE> noise = SomeRows(9000, 3);
    for (size_t cut : {lzw.size(), lzw.size() / 3, size_t(17), size_t(1)}) {
        for (const std::vector<BYTE>* stream : {&lzw, &noise}) {
            const size_t size = std::min(cut, stream->size());
            std::vector<BYTE> whole(rows.size(), 0);
            size_t wholeWritten = 0;
            CTIFFLzw::DecodeStrip(stream->data(), size, whole.data(), whole.size(), &wholeWritten);
            for (size_t pieceSize : {size_t(1), size_t(4095), size_t(65536)}) {
                LzwRowDecoder decoder(stream->data(), size);
                std::vector<BYTE> pieces(rows.size(), 0);
                size_t at = 0;
                while (at < pieces.size()) {
                    size_t given = 0;
                    const size_t want = std::min(pieceSize, pieces.size() - at);
                    decoder.Next(pieces.data() + at, want, &given);
                    at += given;
                    if (given < want) break;
                }
                EXPECT_EQ(at, wholeWritten) << "LZW cut " << cut << " piece " << pieceSize;
                EXPECT_TRUE(pieces == whole) << "LZW cut " << cut << " piece " << pieceSize;
            }
        }
        const size_t size = std::min(cut, packed.size());
        std::vector<BYTE> whole(rows.size(), 0);
        size_t wholeWritten = 0;
        CTIFFPackBits::DecodeStrip(packed.data(), size, whole.data(), whole.size(), &wholeWritten);
        if (cut == lzw.size()) {
            EXPECT_TRUE(whole == rows);
        }
        CTIFFPackBits::Unpacker unpacker(packed.data(), size);
        std::vector<BYTE> pieces(rows.size(), 0);
        size_t at = 0;
        for (size_t given = 1; given && at < pieces.size(); at += given)
            given = unpacker.Next(pieces.data() + at, std::min<size_t>(77, pieces.size() - at));
        EXPECT_EQ(at, wholeWritten) << "PackBits cut " << cut;
        EXPECT_TRUE(pieces == whole) << "PackBits cut " << cut;
    }
}

// A page whose single strip decodes to more than a megabyte (16 samples of 16 bits, the predictor,
// 1-bit fax pages) is handed to its DIB a piece at a time; the pixels are those of the same page
// stored one row a strip, from memory and from a file, and a strip cut short keeps what it gave.
TEST(TiffHostile, OneLargeStripGivesThePixelsOfOneRowStrips) {
    struct Form {
        const char* what;
        uint32_t width, height, bits, samples, photometric, compression, predictor;
    } forms[] = {
        {"RGB 16 samples of 16 bits, LZW, predictor", 96, 400, 16, 16, 2, 5, 2},
        {"RGB 16 samples of 16 bits, uncompressed", 96, 400, 16, 16, 2, 1, 1},
        {"RGB 4 samples of 8 bits, PackBits", 300, 1000, 8, 4, 2, 32773, 1},
        {"grey 16 bits, LZW", 1200, 500, 16, 1, 1, 5, 1},
        {"bilevel group 4", 8192, 1100, 1, 1, 0, 4, 1},
        {"bilevel group 3 two-dimensional", 8192, 1100, 1, 1, 0, 3, 1},
    };
    for (const Form& f : forms) {
        const size_t rowBytes = (size_t(f.width) * f.bits * f.samples + 7) / 8;
        std::vector<BYTE> raw = SomeRows(rowBytes * f.height, f.width);
        FaxStripParams fax;
        fax.compression = WORD(f.compression);
        fax.width = f.width;
        fax.rowStride = rowBytes;
        fax.t4Options = 1;
        auto encode = [&](const BYTE* rows, uint32_t count) {
            std::vector<BYTE> out;
            if (f.compression == 1) out.assign(rows, rows + rowBytes * count);
            if (f.compression == 5) {
                EXPECT_EQ(CTIFFLzw::EncodeStrip(rows, rowBytes, count, rowBytes, out), 0);
            }
            if (f.compression == 32773) {
                EXPECT_EQ(CTIFFPackBits::EncodeStrip(rows, rowBytes, count, rowBytes, out), 0);
            }
            if (f.compression == 3 || f.compression == 4) {
                fax.height = count;
                EXPECT_EQ(CTIFFFax::EncodeStrip(rows, fax, out), 0);
            }
            return out;
        };
        HandPage one = Page(f.width, f.height, f.bits, f.samples, f.photometric, f.compression);
        HandPage many = Page(f.width, f.height, f.bits, f.samples, f.photometric, f.compression, 1);
        for (HandPage* p : {&one, &many}) {
            if (f.predictor != 1) p->Set(317, kShort, {f.predictor});
            if (f.compression == 3) p->Set(292, kLong, {1});
        }
        one.strips = {encode(raw.data(), f.height)};
        ASSERT_GT(rowBytes * f.height, size_t(1) << 20) << f.what;
        for (uint32_t y = 0; y < f.height; ++y) many.strips.push_back(encode(raw.data() + rowBytes * y, 1));
        const std::vector<BYTE> oneFile = Build({one}), manyFile = Build({many});
        Read a, b;
        ReadAll(oneFile, &a);
        ReadAll(manyFile, &b);
        ASSERT_EQ(a.result, CTiff::kOk) << f.what;
        ASSERT_EQ(b.result, CTiff::kOk) << f.what;
        ASSERT_EQ(a.pages.size(), 1u);
        ASSERT_EQ(b.pages.size(), 1u);
        const SIZE_T size = GlobalSize(a.pages[0]);
        ASSERT_EQ(size, GlobalSize(b.pages[0]));
        auto same = [](HGLOBAL x, HGLOBAL y, SIZE_T n) {
            const bool equal = memcmp(GlobalLock(x), GlobalLock(y), n) == 0;
            GlobalUnlock(x);
            GlobalUnlock(y);
            return equal;
        };
        EXPECT_TRUE(same(a.pages[0], b.pages[0], size)) << f.what;

        // From a file: the stored bytes of the strip are read, the decoded ones handed on in pieces.
        const std::string path = testing::TempDir() + "one_large_strip.tif";
        {
            std::ofstream out(path, std::ios::binary);
            out.write(reinterpret_cast<const char*>(oneFile.data()), std::streamsize(oneFile.size()));
        }
        CTiff fromFile;
        ASSERT_EQ(fromFile.ReadFromFile(path.c_str(), CTiff::kAllPages), CTiff::kOk) << f.what;
        SIZE_T fileSize = 0;
        HGLOBAL filePage = fromFile.GetPage(0, &fileSize);
        ASSERT_TRUE(filePage);
        EXPECT_TRUE(same(filePage, a.pages[0], size)) << f.what;
        GlobalFree(filePage);
        std::remove(path.c_str());

        if (f.compression != 5) continue;
        // Cut to a third: the rows the whole-strip decoder gives, the rest blank, as if stored
        // uncompressed.
        HandPage cut = one;
        cut.strips[0].resize(cut.strips[0].size() / 3);
        cut.counts = HandPage::kOwn;
        std::vector<BYTE> given(rowBytes * f.height, 0);
        CTIFFLzw::DecodeStrip(cut.strips[0].data(), cut.strips[0].size(), given.data(), given.size(), nullptr);
        HandPage plain = Page(f.width, f.height, f.bits, f.samples, f.photometric, 1);
        if (f.predictor != 1) plain.Set(317, kShort, {f.predictor});
        plain.strips = {given};
        Read c, d;
        ReadAll(Build({cut}), &c);
        ReadAll(Build({plain}), &d);
        EXPECT_EQ(c.result, CTiff::kStripFailed) << f.what;
        ASSERT_EQ(c.pages.size(), 1u);
        ASSERT_EQ(d.pages.size(), 1u);
        EXPECT_TRUE(same(c.pages[0], d.pages[0], size)) << f.what;
    }
}

#ifndef LUMETTA_HOSTILE_DATA
#error LUMETTA_HOSTILE_DATA names the folder of crafted files
#endif

// Each crafted TIFF of the folder, from memory and from the file, gives the engine result its
// line names: "refuse <code>" with no page, or "load <pages>".
TEST(TiffHostile, CraftedFilesOfTheHostileFolderGiveTheirExpectedResults) {
    const std::string folder = LUMETTA_HOSTILE_DATA;
    int checked = 0;
    for (const HostileCase& c : HostileCases(folder)) {
        if (c.Extension() != "tif" && c.Extension() != "tiff") continue;
        const std::string path = folder + "/" + c.name;
        const std::vector<BYTE> bytes = HostileFileBytes(path);
        ASSERT_FALSE(bytes.empty()) << path;
        for (bool fromFile : {false, true}) {
            CTiff tiff;
            const LONG rc = fromFile ? tiff.ReadFromFile(path.c_str(), CTiff::kAllPages)
                                     : tiff.ReadFromMemory(bytes.size(), bytes.data(), CTiff::kAllPages);
            const DWORD pages = tiff.GetPageCount();
            for (DWORD i = 0; i < pages; ++i) GlobalFree(tiff.GetPage(i, nullptr));
            if (c.refuse) {
                EXPECT_EQ(TiffResultToErrorCode(rc), c.value) << c.name << (fromFile ? " file" : " memory");
                EXPECT_EQ(pages, 0u) << c.name;
            } else {
                EXPECT_EQ(rc, 0) << c.name;
                EXPECT_EQ(long(pages), c.value) << c.name;
            }
        }
        ++checked;
    }
    EXPECT_GE(checked, 10);
}
