// The own PDF reader on hostile bytes, with no limit but the reader's own (its load budget).
// The first input byte picks how the rest reaches it and how it is read:
// - bits 0-1: 0 or 1 the bytes as a whole document; 2 or 3 a document the harness builds around
//   them (see Synthesize): a well-formed page tree whose pages share one image object whose
//   dictionary values and stream come from the input, so that every filter, colour space and
//   size reaches the image decoders;
// - bit 2: read from a file (as LoadImage does) instead of from memory (byte arrays, downloads);
// - bits 3-4: every page, the first page, the last page, or a page past the end;
// - bit 5: in a built document, every page shows an image object of its own (the same dictionary
//   and stream each time), so that images which fail after their block is made follow each other.
// Every image read must be a valid DIB, the images kept within the budget, the most the read
// reserved at once within the budget too, and the result must agree with the images.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/dib_layout.h"
#include "codecs/pdf/pdf_codec.h"

namespace {

// A value from the input: one byte, or four for the wide ones.
struct Input {
    const uint8_t* d;
    size_t n;
    uint8_t Byte() {
        if (!n) return 0;
        --n;
        return *d++;
    }
    uint32_t Wide() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
        return v;
    }
};

std::string Synthesize(Input in, bool ownImages) {
    static const char* const kFilters[] = {"/CCITTFaxDecode", "/DCTDecode", "/FlateDecode", "/LZWDecode",
                                           "/RunLengthDecode", "[/FlateDecode]", "/JPXDecode"};
    static const char* const kSpaces[] = {"/DeviceGray", "/DeviceRGB", "[/Indexed /DeviceRGB 1 <000000FFFFFF>]",
                                          "[/Indexed /DeviceRGB 15 5 0 R]", "/CalGray", "9 0 R"};
    const uint8_t shape = in.Byte();
    const int pages = 1 + in.Byte() % 12;
    auto size = [&](uint8_t how) -> std::string {
        // Small, large, or any 32-bit value (negative ones too).
        switch (how % 4) {
            case 0: return std::to_string(1 + in.Byte() % 64);
            case 1: return std::to_string(1 + (in.Wide() & 0xFFFFF));
            case 2: return std::to_string(int32_t(in.Wide()));
            default: return std::to_string(in.Wide() & 0x7FFFFFF);
        }
    };
    const std::string width = size(shape), height = size(shape >> 2);
    std::string dict = "/Type /XObject /Subtype /Image /Width " + width + " /Height " + height +
                       " /BitsPerComponent " + std::to_string(in.Byte() % 10) + " /ColorSpace " +
                       kSpaces[in.Byte() % 6] + " /Filter " + kFilters[in.Byte() % 7];
    const uint8_t parms = in.Byte();
    if (parms & 1) {
        dict += " /DecodeParms << /K " + std::to_string(int(int8_t(in.Byte()))) + " /Columns " + width;
        if (parms & 2) dict += " /Rows " + size(parms >> 4);
        if (parms & 4) dict += " /EncodedByteAlign true";
        if (parms & 8) dict += " /EndOfLine true";
        if (parms & 16) dict += " /BlackIs1 true";
        if (parms & 32) dict += " /Predictor 2";
        dict += " >>";
    }
    if (parms & 64) dict += " /Decode [1 0]";
    const std::string stream(reinterpret_cast<const char*>(in.d), in.n);

    std::string out = "%PDF-1.4\n";
    std::string offsets;
    int object = 0;
    auto add = [&](const std::string& body) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", out.size());
        offsets += line;
        out += std::to_string(++object) + " 0 obj\n" + body + "\nendobj\n";
    };
    // 1 catalog, 2 pages, 3 image, 4 its length, 5 a lookup stream, 6 info, 7.. pages, then the
    // pages' own images.
    std::string kids;
    for (int i = 0; i < pages; ++i) kids += std::to_string(7 + i) + " 0 R ";
    const std::string imageObject = "<< " + dict + " /Length 4 0 R >>\nstream\n" + stream + "\nendstream";
    add("<< /Type /Catalog /Pages 2 0 R >>");
    add("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
    add(imageObject);
    add(std::to_string(stream.size()));
    add("<< /Length 48 >>\nstream\n" + std::string(48, '\x7F') + "\nendstream");
    add("<<\n/Title (pages (sharing) one stream)\n/Author (x endobj y)\n/Keywords (k)\n>>");
    for (int i = 0; i < pages; ++i)
        add("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject << /Im0 " +
            std::to_string(ownImages ? 7 + pages + i : 3) + " 0 R >> >> >>");
    for (int i = 0; ownImages && i < pages; ++i) add(imageObject);
    const size_t xref = out.size();
    out += "xref\n0 " + std::to_string(object + 1) + "\n0000000000 65535 f \n" + offsets;
    out += "trailer\n<< /Size " + std::to_string(object + 1) + " /Root 1 0 R /Info 6 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return out;
}

// The file route reads through a file of its own.
LONG ReadFile(CPDF& pdf, const std::string& bytes, LONG page) {
    static char path[] = "/tmp/fuzz_pdf_reader_XXXXXX";
    static int fd = -1;
    if (fd < 0) fd = mkstemp(path);
    if (fd < 0) abort();
    if (ftruncate(fd, 0) != 0 || pwrite(fd, bytes.data(), bytes.size(), 0) != ssize_t(bytes.size())) abort();
    return pdf.ReadFromFile(path, page);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t how = data[0];
    Input rest{data + 1, size - 1};
    const std::string bytes =
        (how & 2) ? Synthesize(rest, (how & 32) != 0) : std::string(reinterpret_cast<const char*>(rest.d), rest.n);
    static const LONG kPages[] = {-1, 0, 11, 4096};
    const LONG page = kPages[(how >> 3) & 3];

    CPDF pdf;
    const LONG result = (how & 4) ? ReadFile(pdf, bytes, page)
                                  : pdf.ReadFromMemory(bytes.size(), reinterpret_cast<const BYTE*>(bytes.data()), page);
    if (result == CPDF::kOk && pdf.GetImageCount() == 0) abort();
    if (page >= 0 && pdf.GetImageCount() > 1) abort();
    uint64_t total = 0;
    for (int i = 0; i < pdf.GetImageCount(); ++i) {
        uint64_t blockBytes = 0;
        HGLOBAL dib = pdf.GetImage(i, &blockBytes);
        DibLayout layout;
        if (!dib || !ComputeDibLayout(dib, &layout) || layout.totalBytes > blockBytes) abort();
        total += blockBytes;
        GlobalFree(dib);
    }
    if (total > LoadBudgetFor(bytes.size())) abort();
    if (pdf.GetReadStats().peakReserved > LoadBudgetFor(bytes.size())) abort();
    PdfSettings settings;
    pdf.GetSettings(&settings);
    for (const char* field : {settings.version, settings.title, settings.keywords, settings.producer})
        if (!std::memchr(field, 0, 256)) abort();
    return 0;
}
