// Multi-page reads held to their bytes: the TIFF reader, its measuring for GDI+, and the PDF
// reader over files made here of the shapes that cost minutes or gigabytes before (pages that all
// point at one shared strip array, bilevel pages of huge declared size behind one shared strip,
// documents of many images that each fail after their block is made), in several compressions
// and page counts. The counters the readers expose say what a read did: the tests count work and
// bytes, never time.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "base/dib_layout.h"
#include "codecs/jpeg/mini_jpeg_decoder.h"
#include "codecs/pdf/pdf_codec.h"
#include "codecs/read_budget.h"
#include "codecs/tiff/fax_codec.h"
#include "codecs/tiff/tiff.h"
#include "pdf_test_support.h"
#include "support/global_block_count.h"

namespace {

constexpr WORD kShort = 3, kLong = 4;

// A little-endian TIFF written field by field.
struct TiffBytes {
    std::vector<BYTE> bytes;
    TiffBytes() {
        bytes.reserve(4096);
        Put16('I' | 'I' << 8);
        Put16(42);
        Put32(8);
    }
    void Put16(uint32_t v) {
        bytes.push_back(BYTE(v));
        bytes.push_back(BYTE(v >> 8));
    }
    void Put32(uint32_t v) {
        Put16(v & 0xFFFF);
        Put16(v >> 16);
    }
    // One IFD of (tag, type, count, value) entries in tag order, chained to the one after it
    // when `last` is false.
    void Ifd(const std::vector<std::array<uint32_t, 4>>& entries, bool last) {
        Put16(uint32_t(entries.size()));
        for (const auto& e : entries) {
            Put16(e[0]);
            Put16(e[1]);
            Put32(e[2]);
            if (e[1] == kShort && e[2] == 1) {
                Put16(e[3]);
                Put16(0);
            } else {
                Put32(e[3]);
            }
        }
        Put32(last ? 0 : uint32_t(bytes.size() + 4));
    }
};

// `pages` bilevel group 4 pages of `rows` rows of one row a strip, all pointing at one shared
// StripOffsets array of `rows` SHORT entries, without StripByteCounts. Every offset is 0, so every
// strip is the same bytes up to the first IFD, far more than one read may go through: each page is
// refused, but only once its strip array has been looked at.
std::vector<BYTE> SharedStripArrayTiff(uint32_t pages, uint32_t rows) {
    TiffBytes t;
    t.bytes.resize(8 + size_t(rows) * 2, 0);
    const uint32_t first = uint32_t(t.bytes.size());
    t.bytes[4] = BYTE(first);
    t.bytes[5] = BYTE(first >> 8);
    t.bytes[6] = BYTE(first >> 16);
    for (uint32_t p = 0; p < pages; ++p)
        t.Ifd({{{256, kLong, 1, 64}},
               {{257, kLong, 1, rows}},
               {{258, kShort, 1, 1}},
               {{259, kShort, 1, 4}},
               {{262, kShort, 1, 0}},
               {{273, kShort, rows, 8}},
               {{278, kLong, 1, 1}}},
              p + 1 == pages);
    return t.bytes;
}

// `pages` bilevel pages of width x height in one strip each, all on the same stored strip.
std::vector<BYTE> SharedStripTiff(uint32_t pages, uint32_t width, uint32_t height, uint32_t compression,
                                  uint32_t t4Options, const std::vector<BYTE>& strip) {
    TiffBytes t;
    t.bytes.insert(t.bytes.end(), strip.begin(), strip.end());
    while (t.bytes.size() % 4) t.bytes.push_back(0);
    const uint32_t first = uint32_t(t.bytes.size());
    std::memcpy(&t.bytes[4], &first, 4);
    for (uint32_t p = 0; p < pages; ++p)
        t.Ifd({{{256, kLong, 1, width}},
               {{257, kLong, 1, height}},
               {{258, kShort, 1, 1}},
               {{259, kShort, 1, compression}},
               {{262, kShort, 1, 0}},
               {{273, kLong, 1, 8}},
               {{278, kLong, 1, height}},
               {{279, kLong, 1, uint32_t(strip.size())}},
               {{292, kLong, 1, t4Options}}},
              p + 1 == pages);
    return t.bytes;
}

uint64_t BilevelBlock(uint64_t width, uint64_t height) { return 40 + 8 + DibStride(int64_t(width), 1) * height; }

// A document of `pages` pages, each showing an image object of its own with the same dictionary
// and stream.
std::string ImagePerPagePdf(int pages, const std::string& dictionary, const std::string& stream) {
    std::string kids;
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""};
    for (int i = 0; i < pages; ++i) {
        kids += std::to_string(3 + 2 * i) + " 0 R ";
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Resources << /XObject << /Im0 " +
                          std::to_string(4 + 2 * i) + " 0 R >> >> >>");
        objects.push_back("<< /Type /XObject /Subtype /Image " + dictionary + " /Length " +
                          std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream");
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
    return pdftest::AssemblePdf(objects);
}

std::string FaxImage(uint64_t width, uint64_t height, int k) {
    return "/Width " + std::to_string(width) + " /Height " + std::to_string(height) +
           " /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode /DecodeParms << /K " +
           std::to_string(k) + " /Columns " + std::to_string(width) + " >>";
}

LONG ReadPdf(CPDF& reader, const std::string& pdf) {
    return reader.ReadFromMemory(pdf.size(), reinterpret_cast<const BYTE*>(pdf.data()), -1);
}

void FreePages(CTiff& tiff) {
    for (DWORD i = 0; i < tiff.GetPageCount(); ++i)
        if (HGLOBAL dib = tiff.GetPage(i, nullptr)) GlobalFree(dib);
}

TEST(ReadBudget, BlocksCountForGoodAndBuffersOnlyWhileHeld) {
    ReadBudget budget(100, 10);
    EXPECT_TRUE(budget.Reserve(60));
    EXPECT_TRUE(budget.Hold(40));
    EXPECT_FALSE(budget.Reserve(1));  // the buffer still takes its share
    budget.Release(40);
    EXPECT_FALSE(budget.Reserve(41));
    EXPECT_TRUE(budget.Reserve(40));
    EXPECT_EQ(budget.Remaining(), 0u);
    EXPECT_EQ(budget.Stats().bytesReserved, 100u);
    EXPECT_EQ(budget.Stats().peakReserved, 100u);
    EXPECT_EQ(budget.Stats().blocksRefused, 2u);
    // Shared work: the input's bytes and a small allowance, then no more.
    EXPECT_TRUE(budget.Charge(10 + 64 * 1024));
    EXPECT_FALSE(budget.Charge(1));
    // The default is the load budget for the input's size.
    EXPECT_EQ(ReadBudget::ForInput(1000).Remaining(), LoadBudgetFor(1000));
    EXPECT_EQ(ReadBudget::ForInput(1000, 5).Remaining(), 5u);
}

// The work a read does on pages that share one strip array grows with the file, not with its
// square: counted for a file and for the same shape twice as large in both ways (pages and
// entries), where copying and sorting the array for every page gave four times the work.
TEST(TiffBudget, PagesSharingOneStripArrayCostWorkLinearInTheFile) {
    const std::vector<BYTE> small = SharedStripArrayTiff(150, 20000), large = SharedStripArrayTiff(300, 40000);
    uint64_t visited[2][2] = {};
    const std::vector<BYTE>* files[2] = {&small, &large};
    for (int i = 0; i < 2; ++i) {
        const std::vector<BYTE>& file = *files[i];
        CTiff tiff;
        EXPECT_EQ(tiff.ReadFromMemory(file.size(), file.data(), CTiff::kAllPages), CTiff::kStripFailed);
        EXPECT_EQ(tiff.GetPageCount(), 0u);
        visited[i][0] = tiff.GetReadStats().entriesVisited;
        uint64_t declared = 0;
        EXPECT_EQ(tiff.Measure(file.size(), file.data(), &declared), CTiff::kStripFailed);
        EXPECT_EQ(declared, 0u);
        visited[i][1] = tiff.GetReadStats().entriesVisited;
        for (uint64_t v : visited[i]) EXPECT_LE(v, 2 * file.size() + 65536) << "file " << i;
    }
    for (int route = 0; route < 2; ++route) {
        EXPECT_GT(visited[0][route], 20000u);  // the arrays were looked at
        EXPECT_LE(visited[1][route], 5 * visited[0][route] / 2) << "route " << route;
    }
    // The file of the report: 1500 pages on one array of 100000 entries.
    const std::vector<BYTE> reported = SharedStripArrayTiff(1500, 100000);
    CTiff tiff;
    EXPECT_EQ(tiff.ReadFromMemory(reported.size(), reported.data(), CTiff::kAllPages), CTiff::kStripFailed);
    EXPECT_EQ(tiff.GetPageCount(), 0u);
    EXPECT_LE(tiff.GetReadStats().entriesVisited, 2 * reported.size() + 65536);
    EXPECT_EQ(tiff.GetReadStats().bytesReserved, 0u);
}

// Two bilevel pages of 16777216 x 320 behind one 40-byte group 4 strip would take 640 MiB each:
// the first is refused before its block is reserved, and the read keeps nothing.
TEST(TiffBudget, HugeBilevelPagesOnOneStripAreRefusedBeforeTheirBlocks) {
    const std::vector<BYTE> strip(40, 0xFF);  // 320 all-white rows, one V0 code each
    const std::vector<BYTE> file = SharedStripTiff(2, 16777216, 320, 4, 0, strip);
    CTiff tiff;
    EXPECT_EQ(tiff.ReadFromMemory(file.size(), file.data(), CTiff::kAllPages), CTiff::kNoMemory);
    EXPECT_EQ(tiff.GetPageCount(), 0u);
    EXPECT_EQ(tiff.GetReadStats().bytesReserved, 0u);
    EXPECT_LE(tiff.GetReadStats().peakReserved, LoadBudgetFor(file.size()));
    EXPECT_LE(tiff.GetReadStats().bytesCleared, 4u << 20);
    uint64_t declared = 0;
    EXPECT_EQ(tiff.Measure(file.size(), file.data(), &declared), CTiff::kNoMemory);
    // One page alone is refused the same way.
    EXPECT_EQ(tiff.ReadFromMemory(file.size(), file.data(), 1), CTiff::kNoMemory);
    EXPECT_EQ(tiff.GetPageCount(), 0u);
}

// The same shape at sizes a test can load: pages that fit the budget together load whole, one
// more page ends the read with nothing kept, and pages whose strips fail keep their blocks
// counted, in group 4, two-dimensional group 3 and PackBits.
TEST(TiffBudget, PagesOnOneStripLoadWholeOrNotAtAllWithinTheBudget) {
    const long before = LiveGlobalBlocks();
    struct Shape {
        const char* name;
        uint32_t width, height, compression, t4Options;
        std::vector<BYTE> strip;
        bool decodes;
    };
    std::vector<BYTE> packBits;
    for (int i = 0; i < 8192; ++i) packBits.insert(packBits.end(), {0x81, 0x00});  // 128 zero bytes each
    const std::vector<Shape> shapes = {
        {"group 4 white", 1u << 20, 320, 4, 0, std::vector<BYTE>(40, 0xFF), true},
        {"group 3 two-dimensional without EOLs", 1u << 20, 320, 3, 1, std::vector<BYTE>(40, 0), false},
        {"group 4 invalid codes", 1u << 20, 320, 4, 0, std::vector<BYTE>(40, 0), false},
        {"PackBits runs", 8192, 1024, 32773, 0, packBits, true},
    };
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.name);
        const uint64_t block = BilevelBlock(s.width, s.height);
        for (uint32_t pages : {2u, 3u, 7u}) {
            const std::vector<BYTE> file = SharedStripTiff(pages, s.width, s.height, s.compression, s.t4Options, s.strip);
            CTiff tiff;
            // Room for two blocks and the piece of rows a page decodes through (1 MiB).
            tiff.SetReadBudget(2 * block + (2u << 20));
            const LONG rc = tiff.ReadFromMemory(file.size(), file.data(), CTiff::kAllPages);
            const ReadStats stats = tiff.GetReadStats();
            EXPECT_LE(stats.peakReserved, 2 * block + (2u << 20)) << pages;
            if (pages == 2) {
                EXPECT_EQ(rc, s.decodes ? CTiff::kOk : CTiff::kStripFailed) << pages;
                EXPECT_EQ(tiff.GetPageCount(), 2u);
                EXPECT_EQ(stats.bytesReserved, 2 * block);
            } else {
                // The third block does not fit what the first two left, failed or not.
                EXPECT_EQ(rc, CTiff::kNoMemory) << pages;
                EXPECT_EQ(tiff.GetPageCount(), 0u);
                EXPECT_EQ(stats.bytesReserved, 2 * block);
                EXPECT_EQ(stats.blocksRefused, 1u);
            }
            FreePages(tiff);
        }
    }
    if (CanCountGlobalBlocks()) {
        EXPECT_EQ(LiveGlobalBlocks(), before);
    }
}

// A fax strip that fails stops writing: the rows after the one it broke in are left as they were.
TEST(FaxDecoderStop, RowsAfterAFailureAreNotWritten) {
    FaxStripParams p;
    p.compression = 4;
    p.width = 64;
    p.height = 100;
    p.rowStride = 8;
    std::vector<BYTE> rows(800, 0x5A);
    const BYTE strip[] = {0xC0, 0x00, 0x00};  // two white rows (V0, V0), then no valid code
    DWORD decoded = 0;
    EXPECT_EQ(CTIFFFax::DecodeStrip(strip, sizeof strip, p, rows.data(), rows.size(), &decoded), CTIFFFax::kBadData);
    EXPECT_EQ(decoded, 2u);
    for (size_t i = 0; i < 16; ++i) ASSERT_EQ(rows[i], 0) << i;             // the two rows decoded
    for (size_t i = 16; i < 24; ++i) ASSERT_EQ(rows[i], 0) << i;            // the row it broke in, white
    for (size_t i = 24; i < rows.size(); ++i) ASSERT_EQ(rows[i], 0x5A) << i;  // untouched
}

// 40 pages, each with its own group 4 image of 16777216 x 128 from 16 zero bytes: every image
// fails at its first row, but its block is counted. At the reported size the first block does not
// fit the load budget; at a size a test can reserve, the read stops once the failed blocks have
// used the budget up, with nothing kept.
TEST(PdfBudget, FailedImagesKeepTheirShareOfTheBudget) {
    const long before = LiveGlobalBlocks();
    const std::string zeros(16, '\0');
    {
        const std::string pdf = ImagePerPagePdf(40, FaxImage(16777216, 128, -1), zeros);
        CPDF reader;
        EXPECT_EQ(ReadPdf(reader, pdf), CPDF::kNoMemory);
        EXPECT_EQ(reader.GetImageCount(), 0);
        EXPECT_EQ(reader.GetReadStats().bytesReserved, 0u);
        EXPECT_EQ(reader.GetReadStats().bytesCleared, 0u);
    }
    const uint64_t block = BilevelBlock(1u << 20, 128);  // 16 MiB
    struct Shape {
        const char* name;
        int pages, k;
    };
    for (const Shape& s : {Shape{"group 4, 40 pages", 40, -1}, Shape{"group 4, 80 pages", 80, -1},
                           Shape{"group 3 two-dimensional, 25 pages", 25, 4}, Shape{"group 3, 12 pages", 12, 0}}) {
        SCOPED_TRACE(s.name);
        const std::string pdf = ImagePerPagePdf(s.pages, FaxImage(1u << 20, 128, s.k), zeros);
        CPDF reader;
        reader.SetReadBudget(4 * block);
        EXPECT_EQ(ReadPdf(reader, pdf), CPDF::kNoMemory);
        EXPECT_EQ(reader.GetImageCount(), 0);
        const ReadStats& stats = reader.GetReadStats();
        EXPECT_EQ(stats.bytesReserved, 4 * block);
        EXPECT_LE(stats.peakReserved, 4 * block);
        // Each block is cleared once when it is made, never again by the failing decoder.
        EXPECT_LE(stats.bytesCleared, 4 * block);
    }
    // Images that decode load whole when they fit together.
    const std::string white(16, '\xFF');  // 128 V0 codes: 128 white rows
    const std::string pdf = ImagePerPagePdf(3, FaxImage(1u << 20, 128, -1), white);
    CPDF reader;
    reader.SetReadBudget(3 * block);
    EXPECT_EQ(ReadPdf(reader, pdf), CPDF::kOk);
    ASSERT_EQ(reader.GetImageCount(), 3);
    for (int i = 0; i < 3; ++i) GlobalFree(reader.GetImage(i, nullptr));
    reader.SetReadBudget(3 * block - 1);
    EXPECT_EQ(ReadPdf(reader, pdf), CPDF::kNoMemory);
    EXPECT_EQ(reader.GetImageCount(), 0);
    if (CanCountGlobalBlocks()) {
        EXPECT_EQ(LiveGlobalBlocks(), before);
    }
}

// Flate and run-length images hold their decoding buffer against the budget beside their block.
TEST(PdfBudget, DecodingBuffersAreHeldBesideTheBlocks) {
    const std::string dictionary = "/Width 256 /Height 256 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode";
    const std::string pdf = ImagePerPagePdf(2, dictionary, pdftest::Deflate(std::vector<uint8_t>(65536, 7)));
    const uint64_t block = 40 + 1024 + 65536;
    CPDF reader;
    reader.SetReadBudget(2 * block);
    // The second image's block fits, but not beside its buffer of 65536 bytes and one.
    EXPECT_EQ(ReadPdf(reader, pdf), CPDF::kNoMemory);
    EXPECT_EQ(reader.GetImageCount(), 0);
    reader.SetReadBudget(2 * block + 65537);
    EXPECT_EQ(ReadPdf(reader, pdf), CPDF::kOk);
    ASSERT_EQ(reader.GetImageCount(), 2);
    EXPECT_EQ(reader.GetReadStats().bytesReserved, 2 * block);
    EXPECT_EQ(reader.GetReadStats().peakReserved, 2 * block + 65537);
    for (int i = 0; i < 2; ++i) GlobalFree(reader.GetImage(i, nullptr));
}

// A baseline grey JPEG whose Huffman tables have one code each ("0": a DC difference of 0, then
// an end of block), so that every 8 x 8 block takes two bits: zero bytes decode to a flat image,
// bytes that begin with a 1 bit are no code and fail at the first block.
std::string FlatGreyJpeg(int width, int height, char fill) {
    auto word = [](int v) { return std::string{char(v >> 8), char(v & 0xFF)}; };
    std::string jpeg = "\xFF\xD8";
    jpeg += "\xFF\xDB" + word(67) + std::string(1, '\0') + std::string(64, '\x01');
    jpeg += "\xFF\xC0" + word(11) + "\x08" + word(height) + word(width) + std::string("\x01\x01\x11\x00", 4);
    for (char table : {'\x00', '\x10'}) {
        std::string counts(16, '\0');
        counts[0] = 1;
        jpeg += "\xFF\xC4" + word(20) + std::string(1, table) + counts + std::string(1, '\0');
    }
    jpeg += "\xFF\xDA" + word(8) + std::string("\x01\x01\x00\x00\x3F\x00", 6);
    const size_t blocks = size_t((width + 7) / 8) * size_t((height + 7) / 8);
    jpeg += std::string((blocks * 2 + 7) / 8, fill);
    return jpeg + "\xFF\xD9";
}

// A platform decoder in the JPEG bridge's place: it decodes with the own decoder, or fails every
// image after it has made the block (as a decoder that finds damage only while decoding does),
// and counts the images it was given.
class CountingJpegBridge : public PdfImageBridge {
public:
    explicit CountingJpegBridge(bool fail) : m_fail(fail) {}
    bool EncodeJpeg(HGLOBAL, int, std::vector<BYTE>*) override { return false; }
    HGLOBAL DecodeJpeg(const BYTE* bytes, size_t size, LONG* code) override {
        ++decoded;
        CMiniJpegDecoder decoder;
        if (m_fail || decoder.Decode(bytes, size) != CMiniJpegDecoder::kOk) {
            *code = CPDF::kEncodeFailed;
            return nullptr;
        }
        return decoder.GetDIB();
    }
    int decoded = 0;

private:
    bool m_fail;
};

// A JPEG image's block is reserved from its frame before any decoder makes it, and stays counted
// when the image then fails, as every other image's block does: 40 failing images of 64 KiB
// reach the decoder only as long as their blocks fit the budget.
TEST(PdfBudget, JpegBlocksAreReservedBeforeTheyAreDecoded) {
    const std::string dictionary = "/Width 256 /Height 256 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /DCTDecode";
    const std::string pdf = ImagePerPagePdf(40, dictionary, FlatGreyJpeg(256, 256, '\0'));
    const uint64_t block = 40 + 1024 + 256 * 256;
    {
        CountingJpegBridge failing(true);
        CPDF reader;
        reader.SetBridge(&failing);
        reader.SetReadBudget(2 * block + block / 2);
        EXPECT_EQ(ReadPdf(reader, pdf), CPDF::kNoMemory);
        EXPECT_EQ(reader.GetImageCount(), 0);
        EXPECT_EQ(failing.decoded, 2);
        EXPECT_EQ(reader.GetReadStats().bytesReserved, 2 * block);
    }
    for (bool own : {true, false}) {
        SCOPED_TRACE(own ? "own decoder" : "bridge");
        CountingJpegBridge bridge(false);
        CPDF reader;
        if (!own) reader.SetBridge(&bridge);
        reader.SetReadBudget(40 * block);
        ASSERT_EQ(ReadPdf(reader, pdf), CPDF::kOk);
        ASSERT_EQ(reader.GetImageCount(), 40);
        // Each block counted once: before it was made, not again once it was.
        EXPECT_EQ(reader.GetReadStats().bytesReserved, 40 * block);
        for (int i = 0; i < 40; ++i) {
            HGLOBAL dib = reader.GetImage(i, nullptr);
            EXPECT_GE(GlobalSize(dib), block);
            GlobalFree(dib);
        }
        reader.SetReadBudget(40 * block - 1);
        EXPECT_EQ(ReadPdf(reader, pdf), CPDF::kNoMemory);
        EXPECT_EQ(reader.GetImageCount(), 0);
        if (!own) {
            EXPECT_EQ(bridge.decoded, 40 + 39);
        }
    }
}

}  // namespace
