// The fax strip codec on its own: code words as the fax coding standard tables give them, round
// trips in every coding, and hostile strips that must end with the codec's error, never with a
// write outside the rows or a hang.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "bilevel_pages.h"
#include "codecs/tiff/fax_codec.h"

using faxtest::BilevelPage;

namespace {

FaxStripParams Params(WORD compression, const BilevelPage& page, DWORD t4Options = 0) {
    FaxStripParams p;
    p.compression = compression;
    p.width = page.width;
    p.height = page.height;
    p.rowStride = page.stride;
    p.t4Options = t4Options;
    return p;
}

std::vector<uint8_t> Encode(const BilevelPage& page, const FaxStripParams& p) {
    std::vector<uint8_t> out;
    EXPECT_EQ(CTIFFFax::EncodeStrip(page.bits.data(), p, out), CTIFFFax::kOk);
    return out;
}

int Decode(const std::vector<uint8_t>& strip, const FaxStripParams& p, BilevelPage* out, DWORD* rows = nullptr) {
    *out = faxtest::BlankPage(p.width, p.height);
    return CTIFFFax::DecodeStrip(strip.data(), strip.size(), p, out->bits.data(), out->bits.size(), rows);
}

// Expected strips spelt from the code tables of the fax coding standard.
TEST(FaxCodec, StripsSpeltFromTheCodeTables) {
    // 1728 white: make-up 1728 (010011011), terminating 0 (00110101), padded to the byte.
    BilevelPage white1728 = faxtest::BlankPage(1728, 1);
    EXPECT_EQ(Encode(white1728, Params(2, white1728)), (std::vector<uint8_t>{0x4D, 0x9A, 0x80}));
    // 3000 white: make-up 2560 (000000011111), make-up 384 (00110111), terminating 56 (01011001).
    BilevelPage white3000 = faxtest::BlankPage(3000, 1);
    EXPECT_EQ(Encode(white3000, Params(2, white3000)), (std::vector<uint8_t>{0x01, 0xF3, 0x75, 0x90}));
    // Group 3: every row starts with an EOL (000000000001); rows are not padded.
    BilevelPage two = faxtest::BlankPage(1728, 2);
    EXPECT_EQ(Encode(two, Params(3, two)), (std::vector<uint8_t>{0x00, 0x14, 0xD9, 0xA8, 0x00, 0xA6, 0xCD, 0x40}));
    // Group 3 2-D with k = 2: EOL and tag 1, a 1-D row; EOL and tag 0, a 2-D row (V0).
    FaxStripParams twoD = Params(3, two, 1);
    twoD.kFactor = 2;
    EXPECT_EQ(Encode(two, twoD), (std::vector<uint8_t>{0x00, 0x1A, 0x6C, 0xD4, 0x00, 0x50}));
    // Group 4: an all-white row is one V0; black pixels 10..12 under a white row are horizontal
    // mode (001, white 10 = 00111, black 3 = 10), then V0; the strip ends with two EOLs.
    BilevelPage g4 = faxtest::BlankPage(1728, 2);
    g4.Fill(10, 1, 13, 2);
    EXPECT_EQ(Encode(g4, Params(4, g4)), (std::vector<uint8_t>{0x93, 0xD0, 0x01, 0x00, 0x10}));
    BilevelPage white8 = faxtest::BlankPage(1728, 8);
    EXPECT_EQ(Encode(white8, Params(4, white8)), (std::vector<uint8_t>{0xFF, 0x00, 0x10, 0x01}));
    FaxStripParams noEofb = Params(4, white8);
    noEofb.endOfBlock = false;
    EXPECT_EQ(Encode(white8, noEofb), (std::vector<uint8_t>{0xFF}));
}

// Every coding, odd widths, options that only the PDF side uses.
TEST(FaxCodec, RoundTripsInEveryCoding) {
    struct Coding {
        WORD compression;
        DWORD t4Options;
        bool byteAligned;
    };
    const Coding codings[] = {{2, 0, false}, {3, 0, false}, {3, 4, false}, {3, 1, false}, {3, 5, false},
                              {3, 1, true},  {4, 0, false}, {4, 0, true},  {3, 0, true}};
    for (uint32_t width : {1u, 7u, 8u, 9u, 63u, 64u, 65u, 200u, 1728u, 2561u}) {
        for (int density : {3, 50, 97}) {
            BilevelPage page = faxtest::NoisePage(width, 23, width + density, density);
            page.Fill(0, 5, width, 6);  // a black row
            for (const Coding& c : codings) {
                SCOPED_TRACE(testing::Message() << "width " << width << " density " << density << " compression "
                                                << c.compression << " options " << c.t4Options);
                FaxStripParams p = Params(c.compression, page, c.t4Options);
                p.byteAlignedRows = c.byteAligned;
                p.kFactor = 3;
                std::vector<uint8_t> strip = Encode(page, p);
                BilevelPage back;
                DWORD rows = 0;
                EXPECT_EQ(Decode(strip, p, &back, &rows), CTIFFFax::kOk);
                EXPECT_EQ(rows, page.height);
                EXPECT_TRUE(back.bits == page.bits);
            }
        }
    }
}

TEST(FaxCodec, FillOrderTwoReadsReversedBytes) {
    BilevelPage page = faxtest::TextPage(500, 120, 2);
    for (WORD compression : {2, 3, 4}) {
        FaxStripParams p = Params(compression, page);
        std::vector<uint8_t> strip = Encode(page, p);
        for (auto& b : strip) {
            uint8_t r = 0;
            for (int i = 0; i < 8; ++i) r = uint8_t(r | (((b >> i) & 1) << (7 - i)));
            b = r;
        }
        p.fillOrder = 2;
        BilevelPage back;
        EXPECT_EQ(Decode(strip, p, &back), CTIFFFax::kOk);
        EXPECT_TRUE(back.bits == page.bits) << compression;
    }
}

// Group 3 rows without EOLs that start on byte boundaries (PDF data with /K 0, /EndOfLine false
// and /EncodedByteAlign true) are modified Huffman strips bit for bit.
TEST(FaxCodec, Group3RowsWithoutEolsOnByteBoundaries) {
    BilevelPage page = faxtest::TextPage(333, 90, 4);
    std::vector<uint8_t> strip = Encode(page, Params(2, page));
    FaxStripParams p = Params(3, page);
    p.byteAlignedRows = true;
    BilevelPage back;
    DWORD rows = 0;
    EXPECT_EQ(Decode(strip, p, &back, &rows), CTIFFFax::kOk);
    EXPECT_EQ(rows, page.height);
    EXPECT_TRUE(back.bits == page.bits);
}

TEST(FaxCodec, RefusesWhatItCannotCode) {
    BilevelPage page = faxtest::BlankPage(16, 2);
    std::vector<uint8_t> out;
    FaxStripParams p = Params(4, page);
    EXPECT_EQ(CTIFFFax::EncodeStrip(nullptr, p, out), CTIFFFax::kNullData);
    uint8_t data[4] = {};
    EXPECT_EQ(CTIFFFax::DecodeStrip(nullptr, 4, p, page.bits.data(), page.bits.size(), nullptr), CTIFFFax::kNullData);
    EXPECT_EQ(CTIFFFax::DecodeStrip(data, 4, p, nullptr, 0, nullptr), CTIFFFax::kNullData);
    for (WORD compression : {0, 1, 5, 32773}) {
        p.compression = compression;
        EXPECT_EQ(CTIFFFax::EncodeStrip(page.bits.data(), p, out), CTIFFFax::kUnsupported);
        EXPECT_EQ(CTIFFFax::DecodeStrip(data, 4, p, page.bits.data(), page.bits.size(), nullptr), CTIFFFax::kUnsupported);
    }
    p = Params(4, page);
    p.t6Options = 2;  // uncompressed mode: never written; read while the strip does not use it
    EXPECT_EQ(CTIFFFax::EncodeStrip(page.bits.data(), p, out), CTIFFFax::kUnsupported);
    const uint8_t white[] = {0xC0};  // two V0 codes
    EXPECT_EQ(CTIFFFax::DecodeStrip(white, 1, p, page.bits.data(), page.bits.size(), nullptr), CTIFFFax::kOk);
    const uint8_t extension[] = {0x03, 0xC0};  // 0000001 111: the uncompressed-mode extension
    EXPECT_EQ(CTIFFFax::DecodeStrip(extension, 2, p, page.bits.data(), page.bits.size(), nullptr), CTIFFFax::kBadData);
    p = Params(4, page);
    p.width = 0;
    EXPECT_EQ(CTIFFFax::DecodeStrip(data, 4, p, page.bits.data(), page.bits.size(), nullptr), CTIFFFax::kUnsupported);
    p.width = 0x80000000u;  // rows of 256 MiB
    EXPECT_EQ(CTIFFFax::DecodeStrip(data, 4, p, page.bits.data(), page.bits.size(), nullptr), CTIFFFax::kUnsupported);
    p = Params(4, page);
    p.rowStride = 1;  // shorter than a row
    EXPECT_EQ(CTIFFFax::EncodeStrip(page.bits.data(), p, out), CTIFFFax::kUnsupported);
    EXPECT_TRUE(out.empty());
}

// A strip of one pattern repeated.
std::vector<uint8_t> Repeat(const std::vector<uint8_t>& pattern, size_t times) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < times; ++i) out.insert(out.end(), pattern.begin(), pattern.end());
    return out;
}

// Rows with a guard zone behind them: a decoder must stay inside the rows it was given.
struct GuardedRows {
    std::vector<uint8_t> bytes;
    size_t size;
    GuardedRows(size_t rowsSize) : bytes(rowsSize + 64, 0xA5), size(rowsSize) {}
    bool GuardIntact() const {
        for (size_t i = size; i < bytes.size(); ++i)
            if (bytes[i] != 0xA5) return false;
        return true;
    }
};

// Streams that drove the decoder out of its run arrays and rows: changes piling up at one
// position, vertical codes pointing past the row, reference searches at the row's end, runs far
// longer than the row, strips of nothing but zeros. Each ends within its bytes with kBadData (or
// kOk where the stream is valid after cutting runs to the width).
TEST(FaxCodec, HostileStripsEndInsideTheirRows) {
    struct Case {
        const char* what;
        WORD compression;
        uint32_t width;
        std::vector<uint8_t> strip;
    };
    // Horizontal mode with a white 0 and black 0 run: 001 00110101 0000110111 (21 bits), eight
    // times in 21 bytes.
    std::vector<uint8_t> zeroRuns = {0x26, 0xA1, 0xB9, 0x35, 0x0D, 0xC9, 0xA8, 0x6E, 0x4D, 0x43, 0x72,
                                     0x6A, 0x1B, 0x93, 0x50, 0xDC, 0x9A, 0x86, 0xE4, 0xD4, 0x37};
    const Case cases[] = {
        {"changes at one position", 4, 8, Repeat(zeroRuns, 2000)},
        {"vertical right 3 past the row", 4, 3, Repeat({0x06, 0x0C, 0x18, 0x30, 0x60, 0xC1, 0x83}, 300)},
        {"vertical left 3 before a0", 4, 40, Repeat({0x04, 0x08, 0x10, 0x20, 0x40, 0x81, 0x02}, 300)},
        {"pass codes only", 4, 5, Repeat({0x11}, 5000)},
        {"alternating vertical codes", 4, 17, Repeat({0x5B, 0x6D, 0xB6, 0xDB}, 3000)},
        {"white make-up 2560 forever", 2, 100, Repeat({0x01, 0xF0, 0x1F}, 40000)},
        {"black make-up 1728 forever", 4, 2000, Repeat({0x27, 0x0C, 0x99, 0x86, 0x4C, 0xC3, 0x26, 0x61, 0x93, 0x30}, 2000)},
        {"zeros", 3, 1728, std::vector<uint8_t>(200000, 0)},
        {"ones", 3, 1728, std::vector<uint8_t>(20000, 0xFF)},
        {"ones", 4, 64, std::vector<uint8_t>(20000, 0xFF)},
        {"EOLs only", 3, 64, Repeat({0x00, 0x10, 0x01}, 5000)},
        {"extension codes", 4, 64, Repeat({0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x81}, 100)},
    };
    for (const Case& c : cases) {
        for (DWORD t4 : {0u, 1u}) {
            SCOPED_TRACE(testing::Message() << c.what << ", compression " << c.compression << " options " << t4);
            FaxStripParams p;
            p.compression = c.compression;
            p.width = c.width;
            p.height = 3000;
            p.rowStride = (c.width + 7) / 8;
            p.t4Options = c.compression == 3 ? t4 : 0;
            GuardedRows rows(p.rowStride * p.height - 3);  // the last row does not fit
            DWORD decoded = 0;
            int r = CTIFFFax::DecodeStrip(c.strip.data(), c.strip.size(), p, rows.bytes.data(), rows.size, &decoded);
            EXPECT_TRUE(r == CTIFFFax::kBadData || r == CTIFFFax::kOk) << r;
            EXPECT_LE(decoded, p.height - 1);
            EXPECT_TRUE(rows.GuardIntact());
        }
    }
}

// Runs that overshoot the row are cut at its end; the row after still decodes.
TEST(FaxCodec, RunsLongerThanTheRowAreCut) {
    // Width 10, modified Huffman: white 8 (10011), black 4 (011), white 1 (000111) - 13 pixels.
    // Next row: white 10 (00111).
    std::vector<uint8_t> strip = {0x9B, 0x0E, 0x38};  // 10011 011 | 000111 00 | 00111 000
    FaxStripParams p;
    p.compression = 2;
    p.width = 10;
    p.height = 2;
    p.rowStride = 2;
    BilevelPage out;
    EXPECT_EQ(Decode(strip, p, &out), CTIFFFax::kOk);
    EXPECT_EQ(out.Row(0)[0], 0x00);
    EXPECT_EQ(out.Row(0)[1], 0xC0);  // black 8 and 9, cut at the width
    EXPECT_EQ(out.Row(1)[0], 0x00);
    EXPECT_EQ(out.Row(1)[1], 0x00);
}

// Random bytes in every coding: the decoder stays inside the rows and ends.
TEST(FaxCodec, RandomStripsEndInsideTheirRows) {
    std::mt19937 rng(42);
    for (int i = 0; i < 600; ++i) {
        FaxStripParams p;
        p.compression = WORD(2 + i % 3);
        p.t4Options = (i / 3) % 2 ? 1 : 0;
        p.byteAlignedRows = (i / 6) % 2;
        p.fillOrder = WORD(1 + (i / 12) % 2);
        p.width = 1 + rng() % 300;
        p.height = 1 + rng() % 40;
        p.rowStride = (p.width + 7) / 8 + rng() % 3;
        std::vector<uint8_t> strip(1 + rng() % 600);
        for (auto& b : strip) b = uint8_t(rng() % 4 ? rng() : 0);
        GuardedRows rows(p.rowStride * (p.height - 1) + (p.width + 7) / 8);
        int r = CTIFFFax::DecodeStrip(strip.data(), strip.size(), p, rows.bytes.data(), rows.size, nullptr);
        ASSERT_TRUE(r == CTIFFFax::kBadData || r == CTIFFFax::kOk) << i;
        ASSERT_TRUE(rows.GuardIntact()) << i;
    }
}

}  // namespace
