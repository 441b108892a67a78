// The own PDF writer and reader against tools nobody here wrote (native build only): qpdf checks
// every written file, poppler's pdfinfo, pdfimages and pdftoppm show what a viewer sees, and
// ImageMagick writes documents of the same form for the reader. A golden document keeps the
// byte layout fixed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <stdlib.h>

#include "codecs/pdf/pdf_codec.h"
#include "codecs/pdf/pdf_strip_codecs.h"
#include "pdf_test_support.h"
#include "support/temp_folder.h"

using namespace pdftest;

namespace {

std::string Temp(const std::string& name) { return testsupport::TempPath(name); }

// Standard output of a command, and its exit status.
std::string Shell(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    int s = pclose(p);
    if (status) *status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return out;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The picture of a binary PPM (P6) or PGM (P5) file.
Picture ReadNetpbm(const std::string& path) {
    Picture pic;
    std::vector<uint8_t> bytes = ReadFile(path);
    std::string text(bytes.begin(), bytes.end());
    std::istringstream in(text);
    std::string magic;
    int maxval = 0;
    in >> magic >> pic.width >> pic.height >> maxval;
    size_t at = size_t(in.tellg()) + 1;
    int channels = magic == "P6" ? 3 : 1;
    if ((magic != "P6" && magic != "P5") || bytes.size() < at + size_t(pic.width * pic.height * channels)) return {};
    for (int i = 0; i < pic.width * pic.height; ++i) {
        const uint8_t* p = &bytes[at + size_t(i * channels)];
        pic.pixels.push_back(channels == 3 ? Rgb{p[0], p[1], p[2]} : Rgb{p[0], p[0], p[0]});
    }
    return pic;
}

// The value of a "Name: value" line of pdfinfo, without the padding.
std::string Field(const std::string& info, const std::string& name) {
    size_t at = info.find(name + ":");
    if (at == std::string::npos) return "<none>";
    at = info.find_first_not_of(' ', at + name.size() + 1);
    size_t end = info.find('\n', at);
    return info.substr(at, end - at);
}

// Every fourth pixel of every fourth row, from the second: a quarter of a picture rendered at
// four times the resolution.
Picture EveryFourth(const Picture& big) {
    Picture pic;
    pic.width = big.width / 4;
    pic.height = big.height / 4;
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) pic.pixels.push_back(big.at(4 * x + 1, 4 * y + 1));
    return pic;
}

// The fax codec may not be in this build yet: its pages are then checked only for refusal.
bool FaxCodecPresent() {
    std::vector<BYTE> out;
    BYTE row = 0;
    return pdfstrip::EncodeFaxGroup4(&row, 1, 8, 1, &out);
}

const std::vector<Rgb> kBlackWhite = {{0, 0, 0}, {255, 255, 255}};
const std::vector<Rgb> kWhiteBlack = {{255, 255, 255}, {0, 0, 0}};

struct Sample {
    const char* name;
    int bits;
    HGLOBAL (*make)();
};

// 96 dpi (3780 pixels per metre), widths a multiple of 4: the pages are whole points wide.
HGLOBAL Bilevel() {
    return MakePaletteDib(64, 40, 1, kBlackWhite, [](int x, int y) { return ((x / 5) ^ (y / 3)) & 1 || x == y; });
}
HGLOBAL BilevelWhiteFirst() {
    return MakePaletteDib(36, 20, 1, kWhiteBlack, [](int x, int y) { return (x * y / 7) & 1; });
}
HGLOBAL Sixteen() {
    std::vector<Rgb> table;
    for (int i = 0; i < 16; ++i) table.push_back(Rgb{uint8_t(i * 17), uint8_t(255 - i * 10), uint8_t(i * 5)});
    return MakePaletteDib(40, 24, 4, table, [](int x, int y) { return (x / 3 + y) & 15; });
}
HGLOBAL Grey() {
    std::vector<Rgb> ramp;
    for (int i = 0; i < 256; ++i) ramp.push_back(Rgb{uint8_t(i), uint8_t(i), uint8_t(i)});
    return MakePaletteDib(48, 32, 8, ramp, [](int x, int y) { return (x * 5 + y * 3) & 255; });
}
HGLOBAL Palette() {
    std::vector<Rgb> table;
    for (int i = 0; i < 256; ++i) table.push_back(Rgb{uint8_t(i), uint8_t(i * 3), uint8_t(255 - i)});
    return MakePaletteDib(44, 28, 8, table, [](int x, int y) { return (x + y * 2) & 255; });
}
HGLOBAL Colour() {
    return MakeColourDib(80, 48, [](int x, int y) { return Rgb{uint8_t(x * 3), uint8_t(y * 5), uint8_t(120 + x - y)}; });
}

const Sample kSamples[] = {{"bilevel", 1, Bilevel}, {"bilevel_white_first", 1, BilevelWhiteFirst},
                           {"sixteen", 4, Sixteen},  {"grey", 8, Grey},
                           {"palette", 8, Palette},  {"colour", 24, Colour}};

// What the page must look like in pdfimages -list: encoding, colour, components, bits.
struct Expected {
    std::string enc, colour;
    int components = 0, bits = 0;
    bool lossless = false;
};

Expected ExpectedFor(LONG compression, int bits, const std::string& name) {
    bool jpeg = compression == CPDF::kJpeg || (compression == CPDF::kAuto && bits >= 8);
    if (jpeg) {
        bool grey = name == "grey" || bits == 1;
        return {"jpeg", grey ? "gray" : "rgb", grey ? 1 : 3, 8, false};
    }
    bool fax = compression == CPDF::kFax3 || compression == CPDF::kFax4 ||
               (compression != CPDF::kLzw && compression != CPDF::kRunLength && bits == 1);
    if (fax) return {"ccitt", "gray", 1, 1, true};
    if (bits == 1) return {"image", "gray", 1, 1, true};
    if (bits == 24) return {"image", "rgb", 3, 8, true};
    return {"image", "index", 1, bits, true};
}

}  // namespace

TEST(PdfReference, EveryWrittenDocumentPassesTheCheckersAndRenders) {
    const bool fax = FaxCodecPresent();
    if (!fax) std::printf("the fax codec is not in this build: fax pages are not checked\n");
    int checked = 0;
    for (LONG compression = 0; compression <= 6; ++compression) {
        for (const Sample& sample : kSamples) {
            SCOPED_TRACE(std::string(sample.name) + " compression " + std::to_string(compression));
            Expected expected = ExpectedFor(compression, sample.bits, sample.name);
            if (!fax && expected.enc == "ccitt") continue;
            HGLOBAL dib = sample.make();
            Picture original = PictureOf(dib);
            LONG result = 0;
            std::vector<uint8_t> bytes = WriteDocument({dib}, compression, &result);
            GlobalFree(dib);
            if ((compression == CPDF::kFax3 || compression == CPDF::kFax4) && sample.bits != 1) {
                EXPECT_EQ(result, CPDF::kEncodeFailed);
                continue;
            }
            ASSERT_EQ(result, CPDF::kOk);
            // Hard black and white edges and colour steps every few pixels lose most to JPEG.
            const double jpegLimit = sample.bits == 1 ? 20.0 : sample.bits == 4 ? 16.0 : 6.0;
            std::string path = Temp(std::string(sample.name) + "_" + std::to_string(compression) + ".pdf");
            WriteFile(path, bytes);
            int status = -1;
            std::string check = Shell("qpdf --check '" + path + "'", &status);
            EXPECT_EQ(status, 0) << check;
            EXPECT_NE(check.find("No syntax or stream encoding errors found"), std::string::npos) << check;

            std::string info = Shell("pdfinfo '" + path + "'");
            EXPECT_EQ(Field(info, "Pages"), "1");
            std::string size = std::to_string(original.width * 3 / 4) + " x " + std::to_string(original.height * 3 / 4);
            EXPECT_EQ(Field(info, "Page size"), size + " pts");

            std::istringstream list(Shell("pdfimages -list '" + path + "'"));
            std::string line;
            std::getline(list, line);
            std::getline(list, line);
            std::getline(list, line);
            std::istringstream row(line);
            std::string page, num, type, width, height, colour, components, bpc, enc, interp, object, id, xppi, yppi;
            row >> page >> num >> type >> width >> height >> colour >> components >> bpc >> enc >> interp >> object >>
                id >> xppi >> yppi;
            EXPECT_EQ(width + "x" + height, std::to_string(original.width) + "x" + std::to_string(original.height));
            EXPECT_EQ(colour, expected.colour) << line;
            EXPECT_EQ(components, std::to_string(expected.components)) << line;
            EXPECT_EQ(bpc, std::to_string(expected.bits)) << line;
            EXPECT_EQ(enc, expected.enc) << line;
            EXPECT_EQ(xppi, "96") << line;
            EXPECT_EQ(yppi, "96") << line;

            // Rendered at four times the image's resolution (below that poppler smooths images
            // across their pixels' edges), the centre of every 4 x 4 block of a lossless page is
            // the image's pixel.
            std::string rendered = Temp("render");
            Shell("pdftoppm -r 384 -singlefile '" + path + "' '" + rendered + "'");
            Picture shown = EveryFourth(ReadNetpbm(rendered + ".ppm"));
            ASSERT_EQ(shown.width, original.width);
            ASSERT_EQ(shown.height, original.height);
            EXPECT_LE(MaxDifference(shown, original), expected.lossless ? 0 : 255);
            EXPECT_LE(MeanDifference(shown, original), expected.lossless ? 0.0 : jpegLimit);

            // And the reader gives back the same pixels.
            std::vector<Picture> pages;
            ASSERT_EQ(ReadDocument(bytes, &pages), CPDF::kOk);
            ASSERT_EQ(pages.size(), 1u);
            if (expected.lossless) {
                EXPECT_EQ(MaxDifference(pages[0], original), 0);
            } else {
                EXPECT_LE(MeanDifference(pages[0], original), jpegLimit);
            }
            ++checked;
        }
    }
    EXPECT_EQ(checked, fax ? 34 : 26);
}

TEST(PdfReference, PdfinfoShowsTheInformationStrings) {
    HGLOBAL dib = Colour();
    PdfSettings s = FixedSettings();
    std::strcpy(s.title, "Invoice (copy) 3\\4");
    std::strcpy(s.author, "A) /Producer (forged");
    std::strcpy(s.subject, "Two\nlines");
    std::strcpy(s.keywords, "scan, pdf");
    std::strcpy(s.version, "1.4");
    std::vector<uint8_t> bytes = WriteDocument({dib, dib, dib}, CPDF::kJpeg, nullptr, &s);
    GlobalFree(dib);
    std::string path = Temp("info.pdf");
    WriteFile(path, bytes);
    int status = -1;
    std::string check = Shell("qpdf --check '" + path + "'", &status);
    EXPECT_EQ(status, 0) << check;
    std::string info = Shell("pdfinfo '" + path + "'");
    EXPECT_EQ(Field(info, "Title"), "Invoice (copy) 3\\4");
    EXPECT_EQ(Field(info, "Author"), "A) /Producer (forged");
    EXPECT_EQ(Field(info, "Producer"), "Lumetta");
    EXPECT_EQ(Field(info, "Subject"), "Two");  // pdfinfo prints the line end as it is
    EXPECT_NE(info.find("Two\nlines\n"), std::string::npos) << info;
    EXPECT_EQ(Field(info, "Keywords"), "scan, pdf");
    EXPECT_EQ(Field(info, "Creator"), "Lumetta tests");
    EXPECT_EQ(Field(info, "Pages"), "3");
    EXPECT_EQ(Field(info, "PDF version"), "1.4");
    EXPECT_EQ(Field(info, "CreationDate"), "Fri Jan  2 03:04:05 2026 UTC");
}

TEST(PdfReference, ReadsWhatImageMagickWrites) {
    // Raw pixels written by ImageMagick as PDF with each compression; lossless ones must read
    // back exactly, in the right colour order.
    std::vector<uint8_t> rgb;
    const int w = 21, h = 13;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            rgb.push_back(uint8_t(x * 12));
            rgb.push_back(uint8_t(y * 19));
            rgb.push_back(uint8_t(200 - x * 3));
        }
    WriteFile(Temp("pixels.rgb"), rgb);
    std::vector<uint8_t> bilevel;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bilevel.push_back(((x / 3 + y / 2) & 1) ? 255 : 0);
    WriteFile(Temp("pixels.gray"), bilevel);
    struct Case {
        const char* compress;
        const char* input;
        bool lossless;
        bool needsFax;
    };
    const Case cases[] = {{"Zip", "rgb", true, false},     {"RLE", "rgb", true, false},
                          {"JPEG", "rgb", false, false},   {"LZW", "rgb", true, false},
                          {"Zip", "gray", true, false},    {"Group4", "gray", true, true},
                          {"Fax", "gray", true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.compress) + " " + c.input);
        if (c.needsFax && !FaxCodecPresent()) continue;
        std::string path = Temp(std::string("im_") + c.compress + "_" + c.input + ".pdf");
        int status = -1;
        // The policy of Debian's ImageMagick refuses the plain PDF coder; the PDF/A one writes
        // the same page structure.
        std::string out = Shell(std::string("/usr/bin/convert -size ") + std::to_string(w) + "x" + std::to_string(h) +
                                  " -depth 8 " + c.input + ":'" + Temp(std::string("pixels.") + c.input) +
                                  "' -compress " + c.compress + " 'PDFA:" + path + "'",
                              &status);
        ASSERT_EQ(status, 0) << out;
        CPDF pdf;
        ASSERT_EQ(pdf.ReadFromFile(path.c_str(), -1), CPDF::kOk);
        ASSERT_EQ(pdf.GetImageCount(), 1);
        Picture got = ReadPicture(pdf.GetImage(0, nullptr));
        ASSERT_EQ(got.width, w);
        ASSERT_EQ(got.height, h);
        Picture want;
        want.width = w;
        want.height = h;
        for (int i = 0; i < w * h; ++i)
            want.pixels.push_back(std::string(c.input) == "rgb"
                                      ? Rgb{rgb[size_t(i * 3)], rgb[size_t(i * 3 + 1)], rgb[size_t(i * 3 + 2)]}
                                      : Rgb{bilevel[size_t(i)], bilevel[size_t(i)], bilevel[size_t(i)]});
        if (c.lossless) {
            EXPECT_EQ(MaxDifference(got, want), 0);
        } else {
            EXPECT_LE(MeanDifference(got, want), 8.0);
        }
    }
}

TEST(PdfReference, GoldenDocumentsAreWrittenByteForByte) {
    // Pages of every kind the writer makes, with fixed dates: JPEG colour and grey, LZW palette
    // and bilevel pages in one document, group 4 in another. LUMETTA_UPDATE_GOLDEN=1 rewrites
    // the files after a deliberate change of the layout.
    struct Golden {
        const char* name;
        std::vector<HGLOBAL (*)()> pages;
        LONG compression;
    };
    std::vector<Golden> goldens = {{"pdf_golden.pdf", {Colour, Grey, Sixteen}, CPDF::kAuto},
                                   {"pdf_golden_lzw.pdf", {Bilevel, Palette}, CPDF::kLzw}};
    if (FaxCodecPresent()) goldens.push_back({"pdf_golden_fax.pdf", {Bilevel, BilevelWhiteFirst}, CPDF::kAuto});
    PdfSettings s = FixedSettings();
    std::strcpy(s.title, "Golden (fixed)");
    std::strcpy(s.author, "Lumetta");
    std::strcpy(s.subject, "Layout");
    std::strcpy(s.keywords, "golden");
    for (const Golden& g : goldens) {
        std::vector<HGLOBAL> dibs;
        for (auto make : g.pages) dibs.push_back(make());
        LONG result = 0;
        std::vector<uint8_t> bytes = WriteDocument(dibs, g.compression, &result, &s, 75);
        for (HGLOBAL h : dibs) GlobalFree(h);
        ASSERT_EQ(result, CPDF::kOk) << g.name;
        std::string golden = std::string(LUMETTA_TEST_DATA) + "/" + g.name;
        const char* update = std::getenv("LUMETTA_UPDATE_GOLDEN");
        if (update && *update == '1') WriteFile(golden, bytes);
        std::vector<uint8_t> expected = ReadFile(golden);
        if (expected.empty() && std::string(g.name) == "pdf_golden_fax.pdf") {
            // The fax codec arrived after the last golden documents were made.
            std::printf("no %s yet: write it with LUMETTA_UPDATE_GOLDEN=1\n", g.name);
            continue;
        }
        ASSERT_FALSE(expected.empty()) << golden;
        EXPECT_TRUE(bytes == expected) << "the document differs from " << golden;
    }
}
