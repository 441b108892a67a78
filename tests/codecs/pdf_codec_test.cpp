// The own PDF writer and reader on generated images and on hand-made and damaged documents.
// Runs natively (under ASan/UBSan) and under Wine in both bitnesses.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "codecs/pdf/pdf_codec.h"
#include "pdf_test_support.h"
#include "support/global_block_count.h"

using namespace pdftest;

namespace {

const std::vector<Rgb> kBlackWhite = {{0, 0, 0}, {255, 255, 255}};

struct Dibs {
    std::vector<HGLOBAL> list;
    ~Dibs() {
        for (HGLOBAL h : list) GlobalFree(h);
    }
    HGLOBAL Add(HGLOBAL h) {
        list.push_back(h);
        return h;
    }
};

Rgb Smooth(int x, int y) { return Rgb{uint8_t(x * 4), uint8_t(y * 5), uint8_t(128 + (x - y))}; }

std::vector<Rgb> GreyRamp() {
    std::vector<Rgb> p;
    for (int i = 0; i < 256; ++i) p.push_back(Rgb{uint8_t(i), uint8_t(i), uint8_t(i)});
    return p;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The text of object n of a document the writer made.
std::string ObjectText(const std::string& pdf, int n) {
    size_t at = pdf.find("\n" + std::to_string(n) + " 0 obj\n");
    if (at == std::string::npos) return "";
    size_t end = pdf.find("endobj", at);
    return pdf.substr(at + 1, end - at - 1);
}

}  // namespace

TEST(PdfWriter, ColourJpegPageHasItsSizeFromTheResolution) {
    Dibs dibs;
    dibs.Add(MakeColourDib(960, 480, Smooth, 3780));
    std::string pdf = Text(WriteDocument(dibs.list, CPDF::kAuto));
    ASSERT_FALSE(pdf.empty());
    EXPECT_EQ(pdf.rfind("%PDF-1.4\n1 0 obj\n", 0), 0u);
    EXPECT_NE(ObjectText(pdf, 4).find("/MediaBox [0 0 720 360]"), std::string::npos);
    EXPECT_NE(ObjectText(pdf, 5).find("q\n720 0 0 360 0 0 cm\n/Im0 Do\nQ\nendstream"), std::string::npos);
    EXPECT_NE(ObjectText(pdf, 6).find("[ /PDF /ImageC ]"), std::string::npos);
    EXPECT_NE(ObjectText(pdf, 7).find("/Filter /DCTDecode"), std::string::npos);
    EXPECT_NE(ObjectText(pdf, 9).find("/DeviceRGB"), std::string::npos);
    EXPECT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n");
}

TEST(PdfWriter, TinyImagesGetAMediaBoxOfAtLeastOnePoint) {
    Dibs dibs;
    dibs.Add(MakeColourDib(1, 3, Smooth, 11811));  // 300 dpi: 72 / 300 of a point
    std::string pdf = Text(WriteDocument(dibs.list, CPDF::kJpeg));
    EXPECT_NE(pdf.find("/MediaBox [0 0 1 1]"), std::string::npos);
    EXPECT_NE(pdf.find("q\n1 0 0 1 0 0 cm\n"), std::string::npos);
    std::vector<Picture> pages;
    EXPECT_EQ(ReadDocument(Bytes(pdf), &pages), CPDF::kOk);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].width, 1);
    EXPECT_EQ(pages[0].height, 3);
}

TEST(PdfWriter, EightBitJpegPagesTakeTheColourSpaceOfTheStream) {
    Dibs dibs;
    // A grey ramp is coded as grey; a colour palette is expanded and coded as colour; a grey
    // palette that is not the ramp is coded as its grey values.
    dibs.Add(MakePaletteDib(32, 16, 8, GreyRamp(), [](int x, int y) { return x * 8 + y; }));
    std::vector<Rgb> colours;
    for (int i = 0; i < 256; ++i) colours.push_back(Rgb{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)});
    dibs.Add(MakePaletteDib(32, 16, 8, colours, [](int x, int) { return x * 8; }));
    std::vector<Rgb> reversed;
    for (int i = 0; i < 256; ++i) reversed.push_back(Rgb{uint8_t(255 - i), uint8_t(255 - i), uint8_t(255 - i)});
    dibs.Add(MakePaletteDib(32, 16, 8, reversed, [](int x, int) { return x * 8; }));
    std::string pdf = Text(WriteDocument(dibs.list, CPDF::kJpeg));
    ASSERT_FALSE(pdf.empty());
    EXPECT_EQ(Count(pdf, "/Indexed"), 0u);
    EXPECT_NE(ObjectText(pdf, 9).find("/DeviceGray"), std::string::npos);
    EXPECT_NE(ObjectText(pdf, 6).find("/ImageB"), std::string::npos);
    EXPECT_NE(ObjectText(pdf, 15).find("/DeviceRGB"), std::string::npos);
    EXPECT_NE(ObjectText(pdf, 12).find("/ImageC"), std::string::npos);
    EXPECT_NE(ObjectText(pdf, 21).find("/DeviceGray"), std::string::npos);

    std::vector<Picture> pages;
    ASSERT_EQ(ReadDocument(Bytes(pdf), &pages), CPDF::kOk);
    ASSERT_EQ(pages.size(), 3u);
    // Colour steps between columns lose some chroma to the subsampling.
    const double limits[3] = {3.0, 8.0, 3.0};
    for (int i = 0; i < 3; ++i)
        EXPECT_LE(MeanDifference(pages[size_t(i)], PictureOf(dibs.list[size_t(i)])), limits[i]) << i;
}

TEST(PdfWriter, JpegSettingCodesBilevelAndSixteenColourImagesToo) {
    Dibs dibs;
    dibs.Add(MakePaletteDib(40, 24, 1, kBlackWhite, [](int x, int y) { return (x / 8 + y / 8) & 1; }));
    std::vector<Rgb> sixteen;
    for (int i = 0; i < 16; ++i) sixteen.push_back(Rgb{uint8_t(i * 16), 40, uint8_t(255 - i * 16)});
    dibs.Add(MakePaletteDib(40, 24, 4, sixteen, [](int x, int) { return x / 3; }));
    std::vector<Picture> pages;
    LONG result = 0;
    auto pdf = WriteDocument(dibs.list, CPDF::kJpeg, &result);
    ASSERT_EQ(result, CPDF::kOk);
    ASSERT_EQ(ReadDocument(pdf, &pages), CPDF::kOk);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_LE(MeanDifference(pages[0], PictureOf(dibs.list[0])), 12.0);
    EXPECT_LE(MeanDifference(pages[1], PictureOf(dibs.list[1])), 6.0);
}

TEST(PdfWriter, PagesListTheirObjectsInTheReservedKids) {
    Dibs dibs;
    for (int i = 0; i < 3; ++i) dibs.Add(MakeColourDib(16 + i, 8, Smooth));
    std::string pdf = Text(WriteDocument(dibs.list, CPDF::kJpeg));
    std::string tree = ObjectText(pdf, 3);
    // Page objects 4, 10, 16, in the room kept for 12 and 20.
    EXPECT_NE(tree.find("/Kids [4 0 R 10 0 R 16 0 R ]\n/Count 3\n/MediaBox [0 0 0 0]"), std::string::npos) << tree;
    std::vector<Picture> pages;
    ASSERT_EQ(ReadDocument(Bytes(pdf), &pages), CPDF::kOk);
    ASSERT_EQ(pages.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(pages[size_t(i)].width, 16 + i);
    // One page of the three.
    pages.clear();
    ASSERT_EQ(ReadDocument(Bytes(pdf), &pages, nullptr, 2), CPDF::kOk);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].width, 18);
    EXPECT_EQ(ReadDocument(Bytes(pdf), nullptr, nullptr, 3), CPDF::kNoInput);

    // Sixteen pages: the numbers of the last four pages are shorter than the room kept for them.
    for (int i = 3; i < 16; ++i) dibs.Add(MakeColourDib(4, 4, Smooth));
    pdf = Text(WriteDocument(dibs.list, CPDF::kJpeg));
    tree = ObjectText(pdf, 3);
    std::string kids = "/Kids [";
    for (int i = 0; i < 16; ++i) kids += std::to_string(4 + 6 * i) + " 0 R ";
    EXPECT_NE(tree.find(kids + "    ]\n/Count 16\n"), std::string::npos) << tree;
    pages.clear();
    ASSERT_EQ(ReadDocument(Bytes(pdf), &pages), CPDF::kOk);
    EXPECT_EQ(pages.size(), 16u);
}

TEST(PdfWriter, InformationStringsAreEscapedAndReadBack) {
    Dibs dibs;
    dibs.Add(MakeColourDib(8, 8, Smooth));
    PdfSettings s = FixedSettings();
    std::strcpy(s.title, "Scan");
    std::strcpy(s.author, "a) /Title (injected");
    std::strcpy(s.subject, "back\\slash (paren) line\nend\rcr");
    std::strcpy(s.keywords, ")");
    std::string pdf = Text(WriteDocument(dibs.list, CPDF::kJpeg, nullptr, &s));
    std::string info = ObjectText(pdf, 1);
    EXPECT_NE(info.find("/Author (a\\) /Title \\(injected)\n"), std::string::npos) << info;
    EXPECT_NE(info.find("/Subject (back\\\\slash \\(paren\\) line\\nend\\rcr)\n"), std::string::npos) << info;
    EXPECT_EQ(Count(info, "\n/Title "), 1u);

    PdfSettings back = {};
    ASSERT_EQ(ReadDocument(Bytes(pdf), nullptr, &back), CPDF::kOk);
    EXPECT_STREQ(back.title, "Scan");
    EXPECT_STREQ(back.author, s.author);
    EXPECT_STREQ(back.subject, s.subject);
    EXPECT_STREQ(back.keywords, ")");
    EXPECT_STREQ(back.creationDate, "20260102030405");
    EXPECT_STREQ(back.modifiedDate, "20260102030406");
    EXPECT_STREQ(back.creator, "Lumetta tests");
    EXPECT_STREQ(back.version, "1.4");
}

TEST(PdfWriter, EmptyDatesBecomeTheLocalTime) {
    Dibs dibs;
    dibs.Add(MakeColourDib(8, 8, Smooth));
    PdfSettings s = FixedSettings();
    s.creationDate[0] = s.modifiedDate[0] = 0;
    s.version[0] = 0;
    std::string pdf = Text(WriteDocument(dibs.list, CPDF::kJpeg, nullptr, &s));
    EXPECT_EQ(pdf.rfind("%PDF-1.4\n", 0), 0u);
    PdfSettings back = {};
    ASSERT_EQ(ReadDocument(Bytes(pdf), nullptr, &back), CPDF::kOk);
    for (const char* date : {back.creationDate, back.modifiedDate}) {
        ASSERT_EQ(std::strlen(date), 14u) << date;
        EXPECT_EQ(std::strspn(date, "0123456789"), 14u);
        int year = std::atoi(std::string(date, 4).c_str());
        EXPECT_GE(year, 2024);
    }
}

TEST(PdfWriter, RefusesWhatItCannotWrite) {
    Dibs dibs;
    HGLOBAL colour = dibs.Add(MakeColourDib(8, 8, Smooth));
    CPDF pdf;
    uint64_t size = 0;
    EXPECT_EQ(pdf.WriteToMemory(&colour, 0, CPDF::kAuto, 80, &size), CPDF::kNoInput);
    EXPECT_EQ(pdf.WriteToMemory(&colour, 1, CPDF::kAuto, 80, nullptr), CPDF::kNullSize);
    EXPECT_EQ(pdf.WriteToFile(nullptr, &colour, 1, CPDF::kAuto, 80), CPDF::kNoInput);
    // A fax page needs a bilevel image.
    EXPECT_EQ(pdf.WriteToMemory(&colour, 1, CPDF::kFax4, 80, &size), CPDF::kEncodeFailed);
    // A block that is no image.
    HGLOBAL junk = dibs.Add(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 64));
    EXPECT_EQ(pdf.WriteToMemory(&junk, 1, CPDF::kJpeg, 80, &size), CPDF::kJpegFailed);
    EXPECT_EQ(pdf.WriteToMemory(&junk, 1, CPDF::kAuto, 80, &size), CPDF::kEncodeFailed);
}

TEST(PdfWriter, AFailedFileWriteLeavesNoFile) {
    Dibs dibs;
    HGLOBAL list[2] = {dibs.Add(MakeColourDib(8, 8, Smooth)), dibs.Add(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 64))};
    std::string path = testing::TempDir() + "lumetta_pdf_failed.pdf";
    CPDF pdf;
    EXPECT_EQ(pdf.WriteToFile(path.c_str(), list, 2, CPDF::kJpeg, 80), CPDF::kJpegFailed);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    EXPECT_EQ(f, nullptr);
    if (f) std::fclose(f);
    // The same document written whole reads back from the file.
    ASSERT_EQ(pdf.WriteToFile(path.c_str(), list, 1, CPDF::kJpeg, 80), CPDF::kOk);
    CPDF reader;
    EXPECT_EQ(reader.ReadFromFile(path.c_str(), -1), CPDF::kOk);
    EXPECT_EQ(reader.GetImageCount(), 1);
    std::remove(path.c_str());
    EXPECT_EQ(reader.ReadFromFile(path.c_str(), -1), CPDF::kOpenFailed);
}

TEST(PdfReader, FlateImagesOfEveryDepth) {
    // Grey 8-bit, RGB (turned into blue-green-red), bilevel, indexed 4-bit with an inline
    // lookup, and 2-bit grey, each deflated by zlib.
    std::vector<uint8_t> grey(6 * 3), rgb(6 * 3 * 3), bilevel(3 * 1), nibbles(3 * 3), twobit(3);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(i * 10);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 5);
    bilevel = {0xA0, 0x50, 0xF0};
    nibbles = {0x01, 0x23, 0x40, 0x11, 0x11, 0x10, 0x00, 0x00, 0x00};
    twobit = {0x1B, 0xE4, 0xFF};
    struct Case {
        std::string dictionary;
        std::vector<uint8_t> data;
        int bits;
        std::function<Rgb(int, int)> expect;
    };
    std::vector<Case> cases = {
        {"/Width 6 /Height 3 /ColorSpace /DeviceGray /BitsPerComponent 8", grey, 8,
         [&](int x, int y) { uint8_t v = grey[size_t(y * 6 + x)]; return Rgb{v, v, v}; }},
        {"/Width 6 /Height 3 /ColorSpace /DeviceRGB /BitsPerComponent 8", rgb, 24,
         [&](int x, int y) {
             size_t i = size_t(y * 6 + x) * 3;
             return Rgb{rgb[i], rgb[i + 1], rgb[i + 2]};
         }},
        {"/Width 4 /Height 3 /ColorSpace /DeviceGray /BitsPerComponent 1", bilevel, 1,
         [&](int x, int y) { return ((bilevel[size_t(y)] >> (7 - x)) & 1) ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; }},
        {"/Width 5 /Height 3 /ColorSpace [/Indexed /DeviceRGB 4 <000000 FF0000 00FF00 0000FF FFFFFF>] "
         "/BitsPerComponent 4",
         nibbles, 4,
         [&](int x, int y) {
             static const Rgb table[5] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
             int v = (nibbles[size_t(y * 3 + x / 2)] >> ((x & 1) ? 0 : 4)) & 15;
             return table[v];
         }},
        {"/Width 4 /Height 3 /ColorSpace /DeviceGray /BitsPerComponent 2", twobit, 4,
         [&](int x, int y) {
             uint8_t v = uint8_t(((twobit[size_t(y)] >> (6 - 2 * x)) & 3) * 85);
             return Rgb{v, v, v};
         }},
    };
    for (const Case& c : cases) {
        std::string pdf = OneImagePdf(c.dictionary + " /Filter /FlateDecode", Deflate(c.data));
        std::vector<Picture> pages;
        ASSERT_EQ(ReadDocument(Bytes(pdf), &pages), CPDF::kOk) << c.dictionary;
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(pages[0].bits, c.bits) << c.dictionary;
        for (int y = 0; y < pages[0].height; ++y)
            for (int x = 0; x < pages[0].width; ++x) EXPECT_EQ(pages[0].at(x, y), c.expect(x, y)) << c.dictionary << x << "," << y;
    }
}

TEST(PdfReader, RunLengthAndInvertedBilevelImages) {
    // Run-length: a literal of 3 bytes, a repeat of 3, end of data. 1-bit, /Decode [1 0].
    std::string rle = std::string("\x02\xAA\x55\xF0\xFE\x0F\x80", 7);
    std::string pdf = OneImagePdf("/Width 8 /Height 6 /ColorSpace /DeviceGray /BitsPerComponent 1 "
                                  "/Filter /RunLengthDecode /Decode [1 0]", rle);
    std::vector<Picture> pages;
    ASSERT_EQ(ReadDocument(Bytes(pdf), &pages), CPDF::kOk);
    ASSERT_EQ(pages.size(), 1u);
    const uint8_t rows[6] = {0xAA, 0x55, 0xF0, 0x0F, 0x0F, 0x0F};
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(pages[0].at(x, y).r, ((rows[y] >> (7 - x)) & 1) ? 0 : 255) << x << "," << y;
    // The same data cut short is refused.
    pdf = OneImagePdf("/Width 8 /Height 7 /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /RunLengthDecode", rle);
    EXPECT_EQ(ReadDocument(Bytes(pdf), nullptr), CPDF::kEncodeFailed);
}

TEST(PdfReader, OldUnescapedInformationStillReads) {
    std::string pdf = AssemblePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
                                   "<<\n/Creator (Old (tool) 1.0)\n/Title (a)b)\n/Author (c\\d)\n/Keywords (k)\n>>"},
                                  1, 3);
    PdfSettings s = {};
    EXPECT_EQ(ReadDocument(Bytes(pdf), nullptr, &s), CPDF::kNoPages);
    EXPECT_STREQ(s.creator, "Old (tool) 1.0");
    EXPECT_STREQ(s.title, "a)b");
    EXPECT_STREQ(s.author, "c\\d");
    EXPECT_STREQ(s.keywords, "k");
}

TEST(PdfReader, RefusesBrokenStructure) {
    const std::string catalog = "<< /Type /Catalog /Pages 2 0 R >>";
    struct Case {
        const char* what;
        std::string pdf;
        LONG expected;
    };
    std::string image = "<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray "
                        "/BitsPerComponent 8 /Filter /FlateDecode /Length 9 >>\nstream\n" +
                        Deflate({7}) + "\nendstream";
    std::string page = "<< /Type /Page /Resources << /XObject << /Im0 4 0 R >> >> >>";
    std::vector<Case> cases = {
        {"no header", "%PFD-1.4\n" + AssemblePdf({catalog}).substr(9), CPDF::kBadDocument},
        {"no xref", "%PDF-1.4\n1 0 obj\n<<>>\nendobj\ntrailer\n<< /Root 1 0 R >>\n", CPDF::kBadDocument},
        {"root outside the table", AssemblePdf({catalog}, 7), CPDF::kBadDocument},
        {"info outside the table", AssemblePdf({catalog}, 1, 9), CPDF::kBadDocument},
        {"not a catalog", AssemblePdf({"<< /Type /Pages /Pages 2 0 R >>"}), CPDF::kBadDocument},
        {"pages outside the table", AssemblePdf({"<< /Type /Catalog /Pages 99 0 R >>"}), CPDF::kObjectUnreadable},
        {"kid outside the table", AssemblePdf({catalog, "<< /Type /Pages /Kids [77 0 R] /Count 1 >>"}),
         CPDF::kBadDocument},
        {"kids loop", AssemblePdf({catalog, "<< /Type /Pages /Kids [3 0 R] /Count 5 >>",
                                   "<< /Type /Pages /Kids [2 0 R 3 0 R] /Count 5 >>"}),
         CPDF::kNoPages},
        {"no pages", AssemblePdf({catalog, "<< /Type /Pages /Kids [] /Count 0 >>"}), CPDF::kNoPages},
        {"image outside the table", AssemblePdf({catalog, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", page}),
         CPDF::kBadDocument},
        {"length beyond the input",
         AssemblePdf({catalog, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", page,
                      "<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /Filter /FlateDecode /Length 99999 "
                      ">>\nstream\nxx\nendstream"}),
         CPDF::kObjectUnreadable},
        {"palette above 256 colours",
         AssemblePdf({catalog, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", page,
                      "<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /Filter /FlateDecode /BitsPerComponent 8 "
                      "/ColorSpace [/Indexed /DeviceRGB 300 <00>] /Length 9 >>\nstream\n" +
                          Deflate({7}) + "\nendstream"}),
         CPDF::kBadDocument},
        {"fine", AssemblePdf({catalog, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", page, image}), CPDF::kOk},
    };
    for (const Case& c : cases) {
        CPDF pdf;
        EXPECT_EQ(pdf.ReadFromMemory(c.pdf.size(), reinterpret_cast<const BYTE*>(c.pdf.data()), -1), c.expected)
            << c.what;
    }
}

TEST(PdfReader, PageListIsBoundByTheCountAndTheTreeDepth) {
    const std::string catalog = "<< /Type /Catalog /Pages 2 0 R >>";
    std::string image = "<< /Type /XObject /Subtype /Image /Width 2 /Height 1 /ColorSpace /DeviceGray "
                        "/BitsPerComponent 8 /Filter /FlateDecode /Length 10 >>\nstream\n" +
                        Deflate({7, 9}) + "\nendstream";
    std::string page = "<< /Type /Page /Resources << /XObject << /Im0 4 0 R >> >> >>";
    // Five kids, a count of two: two pages.
    std::string pdf =
        AssemblePdf({catalog, "<< /Type /Pages /Kids [3 0 R 5 0 R 6 0 R 7 0 R 8 0 R] /Count 2 >>", page, image, page,
                     page, page, page});
    std::vector<Picture> pages;
    EXPECT_EQ(ReadDocument(Bytes(pdf), &pages), CPDF::kOk);
    EXPECT_EQ(pages.size(), 2u);
    // A chain of page tree nodes deeper than any real document is refused.
    std::vector<std::string> objects = {catalog};
    for (int i = 0; i < 60; ++i)
        objects.push_back("<< /Type /Pages /Kids [" + std::to_string(i + 3) + " 0 R] /Count 1 >>");
    objects.push_back("<< /Type /Page /Resources << /XObject << /Im0 " + std::to_string(objects.size() + 2) +
                      " 0 R >> >> >>");
    objects.push_back(image);
    EXPECT_EQ(ReadDocument(Bytes(AssemblePdf(objects)), nullptr), CPDF::kBadDocument);
    objects.erase(objects.begin() + 1, objects.begin() + 50);
    for (size_t i = 1; i + 2 < objects.size(); ++i)
        objects[i] = "<< /Type /Pages /Kids [" + std::to_string(i + 2) + " 0 R] /Count 1 >>";
    objects[objects.size() - 2] = "<< /Type /Page /Resources << /XObject << /Im0 " + std::to_string(objects.size()) +
                                  " 0 R >> >> >>";
    EXPECT_EQ(ReadDocument(Bytes(AssemblePdf(objects)), nullptr), CPDF::kOk);
}

TEST(PdfReader, HugeDeclaredSizesAreRefusedBeforeAnyPixelMemory) {
    long before = LiveGlobalBlocks();
    // A huge object count in the table, a huge image from a tiny stream, and a stream that
    // inflates to more than the image holds.
    std::string pdf = AssemblePdf({"<< /Type /Catalog /Pages 2 0 R >>"});
    size_t at = pdf.find("xref\n0 2");
    pdf.replace(at, 8, "xref\n0 999999999");
    EXPECT_EQ(ReadDocument(Bytes(pdf), nullptr), CPDF::kBadDocument);

    std::string huge = OneImagePdf("/Width 60000 /Height 60000 /ColorSpace /DeviceRGB /BitsPerComponent 8 "
                                   "/Filter /FlateDecode",
                                   Deflate(std::vector<uint8_t>(64, 1)));
    EXPECT_EQ(ReadDocument(Bytes(huge), nullptr), CPDF::kBadDocument);

    std::string bomb = OneImagePdf("/Width 16 /Height 16 /ColorSpace /DeviceGray /BitsPerComponent 8 "
                                   "/Filter /FlateDecode",
                                   Deflate(std::vector<uint8_t>(20 << 20, 3)));
    std::vector<Picture> pages;
    EXPECT_EQ(ReadDocument(Bytes(bomb), &pages), CPDF::kOk);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].at(15, 15), (Rgb{3, 3, 3}));
    if (CanCountGlobalBlocks()) {
        EXPECT_EQ(LiveGlobalBlocks(), before);
    }
}

TEST(PdfReader, TableFarFromTheEndIsNotFound) {
    std::string pdf = AssemblePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"});
    EXPECT_EQ(ReadDocument(Bytes(pdf), nullptr), CPDF::kNoPages);
    pdf.insert(pdf.find("startxref"), std::string(600 * 1024, ' '));
    EXPECT_EQ(ReadDocument(Bytes(pdf), nullptr), CPDF::kBadDocument);
}

TEST(PdfReader, EveryCutOfADocumentFailsCleanly) {
    Dibs dibs;
    dibs.Add(MakeColourDib(24, 16, Smooth));
    dibs.Add(MakePaletteDib(24, 16, 8, GreyRamp(), [](int x, int y) { return x * 9 + y; }));
    std::vector<uint8_t> pdf = WriteDocument(dibs.list, CPDF::kJpeg);
    ASSERT_FALSE(pdf.empty());
    long before = LiveGlobalBlocks();
    for (size_t n = 0; n < pdf.size(); n += (n < 200 || pdf.size() - n < 400) ? 1 : 7) {
        // A block of exactly n bytes, so reading past it is caught.
        std::vector<uint8_t> cut(pdf.begin(), pdf.begin() + std::ptrdiff_t(n));
        cut.shrink_to_fit();
        std::vector<Picture> pages;
        LONG r = ReadDocument(cut, &pages);
        EXPECT_LE(pages.size(), 2u);
        if (r == CPDF::kOk) {
            EXPECT_EQ(pages.size(), 2u);
        }
    }
    if (CanCountGlobalBlocks()) {
        EXPECT_EQ(LiveGlobalBlocks(), before);
    }
}

TEST(PdfWriter, LosslessPagesOfEveryDepthReadBackExactly) {
    // LZW at every depth (settings 3 and 4 alike), and group 4 fax for bilevel pages when the
    // fax codec is in the build; both palette orders of bilevel images.
    Dibs dibs;
    std::vector<Rgb> sixteen, colours;
    for (int i = 0; i < 16; ++i) sixteen.push_back(Rgb{uint8_t(i * 16), uint8_t(255 - i * 9), 7});
    for (int i = 0; i < 256; ++i) colours.push_back(Rgb{uint8_t(i), uint8_t(i * 7), uint8_t(255 - i)});
    HGLOBAL blackFirst = dibs.Add(MakePaletteDib(37, 11, 1, kBlackWhite, [](int x, int y) { return (x * y) % 3 == 0; }));
    HGLOBAL whiteFirst = dibs.Add(MakePaletteDib(37, 11, 1, {{255, 255, 255}, {0, 0, 0}},
                                                 [](int x, int y) { return (x + y) % 4 == 0; }));
    dibs.Add(MakePaletteDib(21, 9, 4, sixteen, [](int x, int y) { return (x + 2 * y) & 15; }));
    dibs.Add(MakePaletteDib(19, 13, 8, colours, [](int x, int y) { return (x * 13 + y * 5) & 255; }));
    dibs.Add(MakeColourDib(23, 7, Smooth));
    for (LONG compression : {CPDF::kLzw, CPDF::kRunLength}) {
        LONG result = 0;
        std::vector<uint8_t> pdf = WriteDocument(dibs.list, compression, &result);
        ASSERT_EQ(result, CPDF::kOk);
        EXPECT_EQ(Count(Text(pdf), "/Filter /LZWDecode"), 5u);
        std::vector<Picture> pages;
        ASSERT_EQ(ReadDocument(pdf, &pages), CPDF::kOk);
        ASSERT_EQ(pages.size(), 5u);
        for (size_t i = 0; i < 5; ++i) {
            Picture want = PictureOf(dibs.list[i]);
            EXPECT_EQ(pages[i].width, want.width) << i;
            EXPECT_EQ(MaxDifference(pages[i], want), 0) << i;
        }
        if (compression == CPDF::kLzw) {
            // The sixteen-colour page keeps its depth and table.
            EXPECT_EQ(pages[2].bits, 4);
        }
    }
    HGLOBAL bilevel[2] = {blackFirst, whiteFirst};
    CPDF pdf;
    uint64_t size = 0;
    LONG fax = pdf.WriteToMemory(bilevel, 2, CPDF::kAuto, 80, &size);
    if (fax == CPDF::kEncodeFailed) {
        std::printf("the fax codec is not in this build: group 4 pages not checked\n");
        return;
    }
    ASSERT_EQ(fax, CPDF::kOk);
    HGLOBAL block = pdf.GetMemoryResult();
    std::vector<uint8_t> bytes(static_cast<uint8_t*>(GlobalLock(block)), static_cast<uint8_t*>(GlobalLock(block)) + size);
    GlobalUnlock(block);
    GlobalUnlock(block);
    GlobalFree(block);
    EXPECT_EQ(Count(Text(bytes), "/K -1 /Columns 37 /Rows 11"), 2u);
    std::vector<Picture> pages;
    ASSERT_EQ(ReadDocument(bytes, &pages), CPDF::kOk);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(MaxDifference(pages[0], PictureOf(blackFirst)), 0);
    EXPECT_EQ(MaxDifference(pages[1], PictureOf(whiteFirst)), 0);
}

TEST(PdfReader, OneDimensionalFaxWithoutEndOfLineCodes) {
    // Three rows of eight pixels coded by hand from the T.4 code tables: white 4 "1011" black 4
    // "011"; white 8 "10011"; white 0 "00110101" black 8 "000101". /K 0 data has no EOLs and,
    // unless /EncodedByteAlign says otherwise, rows do not start on bytes.
    HGLOBAL probe = MakePaletteDib(8, 1, 1, kBlackWhite, [](int, int) { return 0; });
    CPDF writer;
    uint64_t size = 0;
    LONG fax = writer.WriteToMemory(&probe, 1, CPDF::kFax4, 80, &size);
    GlobalFree(probe);
    if (fax != CPDF::kOk) {
        std::printf("the fax codec is not in this build: fax streams not checked\n");
        return;
    }
    const uint8_t expected[3] = {0xF0, 0xFF, 0x00};  // 1 = white
    struct Case {
        const char* parms;
        std::string data;
        bool inverted;
    };
    const Case cases[] = {{"/K 0 /Columns 8", std::string("\xB7\x33\x51\x40", 4), false},
                          {"/Columns 8 /Rows 3", std::string("\xB7\x33\x51\x40", 4), false},
                          {"/K 0 /Columns 8 /EncodedByteAlign true", std::string("\xB6\x98\x35\x14", 4), false},
                          {"/K 0 /Columns 8 /BlackIs1 true", std::string("\xB7\x33\x51\x40", 4), true}};
    for (const Case& c : cases) {
        std::string pdf = OneImagePdf(std::string("/Width 8 /Height 3 /ColorSpace /DeviceGray /BitsPerComponent 1 "
                                                  "/Filter /CCITTFaxDecode /DecodeParms << ") + c.parms + " >>",
                                      c.data);
        std::vector<Picture> pages;
        ASSERT_EQ(ReadDocument(Bytes(pdf), &pages), CPDF::kOk) << c.parms;
        ASSERT_EQ(pages.size(), 1u);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 8; ++x) {
                bool white = ((expected[y] >> (7 - x)) & 1) != c.inverted;
                EXPECT_EQ(pages[0].at(x, y).r, white ? 255 : 0) << c.parms << " " << x << "," << y;
            }
    }
}

TEST(PdfReader, PagesWithoutAResolutionTakeTheOneThatFillsTheirMediaBox) {
    // LZW pages (their stream carries no resolution) of an A4 page at 300 dpi and an image at
    // 200 dpi, and a Flate image on a media box given in reals.
    Dibs dibs;
    dibs.Add(MakePaletteDib(2480, 3508, 1, kBlackWhite, [](int x, int) { return x & 1; }, 11811));
    dibs.Add(MakeColourDib(50, 50, Smooth, 7874));
    std::vector<uint8_t> pdf = WriteDocument(dibs.list, CPDF::kLzw);
    // 2480 x 3508 pixels on 595 x 842 points: 300 dpi; 50 pixels on 18 points: 200 dpi.
    std::string images[2] = {
        pdf.empty() ? "" : Text(pdf),
        AssemblePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                     "<< /Type /Page /MediaBox [0 0 2.16 1.08] /Resources << /XObject << /I 4 0 R >> >> >>",
                     "<< /Type /XObject /Subtype /Image /Width 6 /Height 3 /ColorSpace /DeviceGray "
                     "/BitsPerComponent 8 /Filter /FlateDecode /Length 11 >>\nstream\n" +
                         Deflate(std::vector<uint8_t>(18, 9)) + "\nendstream"})};
    const LONG expected[3] = {11811, 7874, 7874};
    int n = 0;
    for (const std::string& text : images) {
        CPDF reader;
        ASSERT_EQ(reader.ReadFromMemory(text.size(), reinterpret_cast<const BYTE*>(text.data()), -1), CPDF::kOk);
        for (int i = 0; i < reader.GetImageCount(); ++i, ++n) {
            HGLOBAL dib = reader.GetImage(i, nullptr);
            auto* h = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
            EXPECT_EQ(h->biXPelsPerMeter, expected[n]) << n;
            EXPECT_EQ(h->biYPelsPerMeter, expected[n]) << n;
            GlobalUnlock(dib);
            GlobalFree(dib);
        }
    }
    EXPECT_EQ(n, 3);
}
