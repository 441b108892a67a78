// The PDF reader against documents made to mislead it: words of the syntax inside strings,
// images larger than their streams can hold, damaged fax data, and many pages sharing one image.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/dib_layout.h"
#include "codecs/pdf/pdf_codec.h"
#include "codecs/pdf/pdf_document.h"
#include "codecs/pdf/pdf_strip_codecs.h"
#include "pdf_test_support.h"
#include "support/global_block_count.h"

using namespace pdftest;

namespace {

const char kFaxGray[] = "/ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode ";

PdfSpan SpanOf(const std::string& text) { return PdfSpan{reinterpret_cast<const BYTE*>(text.data()), text.size()}; }

TEST(PdfObjectText, EndsOnlyAtAKeywordOfItsOwn) {
    struct Case {
        std::string body;
        std::string kept;
    };
    const Case cases[] = {
        {" << /Title (Mainstream scans) >>\nendobj", " << /Title (Mainstream scans) >>\n"},
        {" << /A (x endobj y) /B (a \\) stream b) /C ((nested) stream) >> endobj",
         " << /A (x endobj y) /B (a \\) stream b) /C ((nested) stream) >> "},
        {" << /S /stream /E /endobj /H <73747265616d> >>\nstream\n", " << /S /stream /E /endobj /H <73747265616d> >>\n"},
        {" << /K 1 >> % stream in a comment\nendobj", " << /K 1 >> % stream in a comment\n"},
        {" << /Length 3 >>stream\r\n", " << /Length 3 >>"},
        {" << /X upstream /Y streams >> endobj", " << /X upstream /Y streams >> "},
        {" << /Open (never closed stream endobj", " << /Open (never closed stream endobj"},
    };
    for (const Case& c : cases) {
        PdfSpan body = SpanOf(c.body);
        EXPECT_EQ(c.body.substr(0, PdfObjectTextEnd(body)), c.kept) << c.body;
    }
}

TEST(PdfReader, InformationValuesKeepTheWordsOfTheSyntax) {
    // "stream" and "endobj" inside strings ended the dictionary there, losing every later value.
    std::string info = "<<\n/Title (Mainstream scans)\n/Author (x endobj y)\n/Subject (A stream of pages)\n"
                       "/Keywords (k) >>";
    std::string pdf = AssemblePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>", info},
                                  1, 3);
    CPDF reader;
    EXPECT_EQ(reader.ReadFromMemory(pdf.size(), reinterpret_cast<const BYTE*>(pdf.data()), -1), CPDF::kNoPages);
    PdfSettings settings;
    reader.GetSettings(&settings);
    EXPECT_STREQ(settings.title, "Mainstream scans");
    EXPECT_STREQ(settings.author, "x endobj y");
    EXPECT_STREQ(settings.subject, "A stream of pages");
    EXPECT_STREQ(settings.keywords, "k");
}

TEST(PdfReader, AnObjectWithoutEndobjStopsAtTheNextObject) {
    // The information object runs on without "endobj"; the next object's title is not its own.
    std::string pdf = AssemblePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
                                   "<<\n/Author (a)\n>>", "<<\n/Title (not the information)\n>>"},
                                  1, 3);
    size_t end = pdf.find("endobj", pdf.find("/Author"));
    pdf.replace(end, 6, "      ");
    CPDF reader;
    reader.ReadFromMemory(pdf.size(), reinterpret_cast<const BYTE*>(pdf.data()), -1);
    PdfSettings settings;
    reader.GetSettings(&settings);
    EXPECT_STREQ(settings.author, "a");
    EXPECT_STREQ(settings.title, "");
}

TEST(PdfReader, FaxImagesNeedABitForEveryRow) {
    long before = LiveGlobalBlocks();
    // Four bytes of group 4 code hold 32 all-white rows (one "1" bit each): 32 rows load, 60000
    // rows are refused before they are reserved (they loaded as 450 MB of white).
    const std::string fourBytes("\xFF\xFF\xFF\xFF", 4);
    std::string pdf = OneImagePdf(std::string("/Width 64 /Height 32 ") + kFaxGray + "/DecodeParms << /K -1 /Columns 64 >>",
                                  fourBytes);
    std::vector<Picture> pages;
    ASSERT_EQ(ReadDocument(Bytes(pdf), &pages), CPDF::kOk);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].at(63, 31), (Rgb{255, 255, 255}));
    pdf = SharedImagePdf(8, std::string("/Width 60000 /Height 60000 ") + kFaxGray +
                                "/DecodeParms << /K -1 /Columns 60000 >>",
                         fourBytes);
    EXPECT_EQ(ReadDocument(Bytes(pdf), nullptr), CPDF::kEncodeFailed);
    // Rows wider than the fax codec reads are refused before a row is reserved (2 GiB here).
    pdf = OneImagePdf(std::string("/Width 134217727 /Height 127 ") + kFaxGray +
                          "/DecodeParms << /K -1 /Columns 134217727 >>",
                      std::string(16, '\xFF'));
    EXPECT_EQ(ReadDocument(Bytes(pdf), nullptr), CPDF::kEncodeFailed);
    // At the codec's widest rows, the row count still decides.
    pdf = OneImagePdf(std::string("/Width 16777216 /Height 8 ") + kFaxGray + "/DecodeParms << /K -1 >>",
                      std::string(1, '\xFF'));
    {
        CPDF reader;
        ASSERT_EQ(reader.ReadFromMemory(pdf.size(), reinterpret_cast<const BYTE*>(pdf.data()), -1), CPDF::kOk);
        ASSERT_EQ(reader.GetImageCount(), 1);
        HGLOBAL dib = reader.GetImage(0, nullptr);
        EXPECT_EQ(static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib))->biWidth, 16777216);
        GlobalUnlock(dib);
        GlobalFree(dib);
    }
    if (CanCountGlobalBlocks()) {
        EXPECT_EQ(LiveGlobalBlocks(), before);
    }
}

TEST(PdfReader, DamagedFaxDataIsNoPage) {
    // A 64 x 48 page coded as group 4, then two thirds of its code zeroed: the rows after the
    // damage are not shown as white.
    const size_t rowBytes = 8;
    std::vector<BYTE> rows(rowBytes * 48);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = BYTE(i * 37 % 251 < 90 ? 0x0F : 0xC3);
    std::vector<BYTE> code;
    ASSERT_TRUE(pdfstrip::EncodeFaxGroup4(rows.data(), rowBytes, 64, 48, &code));
    const std::string dictionary = std::string("/Width 64 /Height 48 ") + kFaxGray + "/DecodeParms << /K -1 /Columns 64 >>";
    std::string whole(code.begin(), code.end());
    std::vector<Picture> pages;
    ASSERT_EQ(ReadDocument(Bytes(OneImagePdf(dictionary, whole)), &pages), CPDF::kOk);
    ASSERT_EQ(pages.size(), 1u);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(pages[0].at(x, y).r == 0, ((rows[size_t(y) * rowBytes + size_t(x / 8)] >> (7 - x % 8)) & 1) != 0);
    pages.clear();
    std::string damaged = whole;
    std::memset(&damaged[damaged.size() / 3], 0, damaged.size() - damaged.size() / 3);
    EXPECT_EQ(ReadDocument(Bytes(OneImagePdf(dictionary, damaged)), &pages), CPDF::kEncodeFailed);
    EXPECT_TRUE(pages.empty());
    // Cut short, too.
    EXPECT_EQ(ReadDocument(Bytes(OneImagePdf(dictionary, whole.substr(0, whole.size() / 2))), &pages),
              CPDF::kEncodeFailed);
}

// Counts the JPEG decodes the reader asks of the engine.
class CountingBridge : public PdfImageBridge {
public:
    bool EncodeJpeg(HGLOBAL, int, std::vector<BYTE>*) override { return false; }
    HGLOBAL DecodeJpeg(const BYTE*, size_t, LONG* code) override {
        ++decodes;
        *code = 0;
        return MakeColourDib(4, 3, [](int x, int y) { return Rgb{uint8_t(x * 50), uint8_t(y * 80), 7}; }, 0);
    }
    int decodes = 0;
};

TEST(PdfReader, PagesSharingAnImageDecodeItOnce) {
    std::string pdf = SharedImagePdf(5, "/Width 4 /Height 3 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode",
                                     "not decoded here");
    CountingBridge bridge;
    CPDF reader;
    reader.SetBridge(&bridge);
    ASSERT_EQ(reader.ReadFromMemory(pdf.size(), reinterpret_cast<const BYTE*>(pdf.data()), -1), CPDF::kOk);
    EXPECT_EQ(bridge.decodes, 1);
    ASSERT_EQ(reader.GetImageCount(), 5);
    std::vector<HGLOBAL> dibs;
    for (int i = 0; i < 5; ++i) dibs.push_back(reader.GetImage(i, nullptr));
    for (int i = 0; i < 5; ++i) {
        ASSERT_NE(dibs[size_t(i)], nullptr);
        for (int j = 0; j < i; ++j) EXPECT_NE(dibs[size_t(i)], dibs[size_t(j)]);
        Picture p = ReadPicture(dibs[size_t(i)]);
        EXPECT_EQ(p.at(3, 2), (Rgb{150, 160, 7}));
        EXPECT_EQ(p.width, 4);
    }
    // A shared image that fails fails every page that shows it, once.
    pdf = SharedImagePdf(3, std::string("/Width 64 /Height 64 ") + kFaxGray + "/DecodeParms << /K -1 >>", "x");
    CPDF failing;
    EXPECT_EQ(failing.ReadFromMemory(pdf.size(), reinterpret_cast<const BYTE*>(pdf.data()), -1), CPDF::kEncodeFailed);
    EXPECT_EQ(failing.GetImageCount(), 0);
}

TEST(PdfReader, ADocumentOverItsBudgetKeepsNothing) {
    long before = LiveGlobalBlocks();
    // Each copy of a 16 x 16 grey page is 40 + 1024 + 256 bytes.
    std::string pdf = SharedImagePdf(3, "/Width 16 /Height 16 /ColorSpace /DeviceGray /BitsPerComponent 8 "
                                        "/Filter /FlateDecode",
                                     Deflate(std::vector<uint8_t>(256, 9)));
    const uint64_t page = 40 + 1024 + 256;
    {
        CPDF reader;
        reader.SetReadBudget(3 * page);
        EXPECT_EQ(reader.ReadFromMemory(pdf.size(), reinterpret_cast<const BYTE*>(pdf.data()), -1), CPDF::kOk);
        EXPECT_EQ(reader.GetImageCount(), 3);
        reader.SetReadBudget(3 * page - 1);
        EXPECT_EQ(reader.ReadFromMemory(pdf.size(), reinterpret_cast<const BYTE*>(pdf.data()), -1), CPDF::kNoMemory);
        EXPECT_EQ(reader.GetImageCount(), 0);
        // One page alone fits.
        EXPECT_EQ(reader.ReadFromMemory(pdf.size(), reinterpret_cast<const BYTE*>(pdf.data()), 2), CPDF::kOk);
        EXPECT_EQ(reader.GetImageCount(), 1);
    }
    if (CanCountGlobalBlocks()) {
        EXPECT_EQ(LiveGlobalBlocks(), before);
    }
}

TEST(LoadBudget, ScalesWithTheInputWithinTheAddressSpace) {
    EXPECT_EQ(LoadBudgetFor(0), 256ull << 20);
    EXPECT_EQ(LoadBudgetFor(16384), 256ull << 20);
    EXPECT_EQ(LoadBudgetFor(16385), (256ull << 20) + 16384);
    const uint64_t cap = sizeof(void*) == 8 ? (8ull << 30) : (1ull << 30);
    EXPECT_EQ(kLoadBudgetCap, cap);
    EXPECT_EQ(LoadBudgetFor(cap / 16384), cap);
    EXPECT_EQ(LoadBudgetFor(cap / 16384 + 1), cap);
    EXPECT_EQ(LoadBudgetFor(UINT64_MAX), cap);
    // 300 A4 pages at 300 dpi in 24 bits (2480 x 3508) fit a 64-bit process: a document of them
    // is at least 20 MB; a full buffer of bilevel ones (4096 x 1 MiB) too.
    if (sizeof(void*) == 8) {
        EXPECT_GE(LoadBudgetFor(20 << 20), 300 * DibStride(2480, 24) * 3508);
        EXPECT_GE(LoadBudgetFor(4 << 20), 4096 * DibStride(2480, 1) * 3508);
    }
}

}  // namespace
