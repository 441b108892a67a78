// The writing side of CPDF: the document layout, one image per page.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>

#include "codecs/pdf/pdf_codec.h"
#include "codecs/pdf/pdf_output.h"
#include "codecs/pdf/pdf_page_encoder.h"

namespace {

size_t FieldLength(const char* field) {
    const void* end = std::memchr(field, 0, 255);
    return end ? size_t(static_cast<const char*>(end) - field) : 255;
}

// A settings string as a literal string's contents: the delimiters, the escape character and
// line ends are escaped, so no value can end the string or the dictionary early.
void WriteLiteral(PdfOutput& out, const char* field) {
    char text[2 * 255 + 1];
    size_t n = 0;
    for (size_t i = 0, length = FieldLength(field); i < length; ++i) {
        char c = field[i];
        switch (c) {
            case '(': case ')': case '\\': text[n++] = '\\'; text[n++] = c; break;
            case '\n': text[n++] = '\\'; text[n++] = 'n'; break;
            case '\r': text[n++] = '\\'; text[n++] = 'r'; break;
            default: text[n++] = c; break;
        }
    }
    out.Write(text, n);
}

void WriteInfoEntry(PdfOutput& out, const char* key, const char* value) {
    out.Text("%s (", key);
    WriteLiteral(out, value);
    out.Write(")\n", 2);
}

// The current local time as YYYYMMDDhhmmss.
void LocalTimeText(char (&text)[32]) {
    std::time_t now = std::time(nullptr);
    const std::tm* t = std::localtime(&now);
    if (!t) {
        std::strcpy(text, "19700101000000");
        return;
    }
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", t->tm_year + 1900, t->tm_mon + 1, t->tm_mday,
                  t->tm_hour, t->tm_min, t->tm_sec);
}

const char* DateOrNow(const char* field, char (&now)[32]) {
    if (field[0]) return field;
    LocalTimeText(now);
    return now;
}

// Object offsets, indexed by object number.
class ObjectTable {
public:
    void Begin(PdfOutput& out, unsigned long number) {
        if (m_offsets.size() <= number) m_offsets.resize(number + 1, 0);
        m_offsets[number] = out.Offset();
        out.Text("%lu 0 obj\n", number);
    }
    size_t Count() const { return m_offsets.size(); }
    uint64_t At(size_t number) const { return m_offsets[number]; }

private:
    std::vector<uint64_t> m_offsets{0};
};

void WriteStreamObject(PdfOutput& out, ObjectTable& objects, unsigned long number, const char* dictionary,
                       const std::vector<BYTE>& bytes) {
    objects.Begin(out, number);
    out.Text("<<\n%s>>\nstream\n", dictionary);
    out.Write(bytes.data(), bytes.size());
    out.Write("\nendstream\nendobj\n", 18);
}

long MediaSize(int pixels, int dpi) {
    long size = long(int64_t(pixels) * 72 / dpi);
    return size < 1 ? 1 : size;
}

// The file's header, its information dictionary (object 1) and its catalog (object 2).
void WriteDocumentHead(PdfOutput& out, ObjectTable& objects, const PdfSettings& settings) {
    const size_t versionLength = FieldLength(settings.version);
    out.Write("%PDF-", 5);
    if (versionLength) {
        out.Write(settings.version, versionLength);
    } else {
        out.Write("1.4", 3);
    }
    out.Write("\n", 1);

    char now[32];
    objects.Begin(out, 1);
    out.Write("<<\n", 3);
    WriteInfoEntry(out, "/Creator", settings.creator);
    WriteInfoEntry(out, "/CreationDate", DateOrNow(settings.creationDate, now));
    WriteInfoEntry(out, "/ModDate", DateOrNow(settings.modifiedDate, now));
    WriteInfoEntry(out, "/Author", settings.author);
    WriteInfoEntry(out, "/Producer", settings.producer);
    WriteInfoEntry(out, "/Title", settings.title);
    WriteInfoEntry(out, "/Subject", settings.subject);
    WriteInfoEntry(out, "/Keywords", settings.keywords);
    out.Write(">>\nendobj\n", 10);

    objects.Begin(out, 2);
    out.Text("<<\n/Type /Catalog\n/Pages %lu 0 R\n>>\nendobj\n", 3ul);
}

// Page i's objects from number p on: the page, its contents, its procedure set, the image, the
// image's length and its colour space (with the palette and its length for an indexed image).
void WritePageObjects(PdfOutput& out, ObjectTable& objects, const PdfPageImage& page, int i, unsigned long p) {
    const bool rgb = page.colour == PdfPageImage::Colour::Rgb;
    const bool indexed = page.colour == PdfPageImage::Colour::Indexed;
    const long w = MediaSize(page.width, page.dpiX), h = MediaSize(page.height, page.dpiY);

    objects.Begin(out, p);
    out.Text("<<\n/Type /Page\n/Parent %lu 0 R\n/MediaBox [0 0 %ld %ld]\n/Resources\n<<\n", 3ul, w, h);
    out.Text("/XObject << /Im%lu %lu 0 R >>\n/ProcSet %lu 0 R \n>>\n/Contents [%lu 0 R]\n>>\nendobj\n",
             (unsigned long)i, p + 3, p + 2, p + 1);

    char content[160];
    int length = std::snprintf(content, sizeof content, "q\n%ld 0 0 %ld %ld %ld cm\n/Im%lu Do\nQ\n", w, h, 0l,
                               0l, (unsigned long)i);
    objects.Begin(out, p + 1);
    out.Text("<<\n/Length %i\n>>\nstream\n", length - 1);
    out.Write(content, size_t(length));
    out.Write("endstream\nendobj\n", 17);

    objects.Begin(out, p + 2);
    out.Text("%s\nendobj\n", rgb ? "[ /PDF /ImageC ]"
                             : page.filter == PdfPageImage::Filter::Dct ? "[ /PDF /ImageB ]"
                                                                         : "[ /PDF /ImageI ]");

    objects.Begin(out, p + 3);
    out.Text("<<\n/Type /XObject\n/Subtype /Image\n/Name /Im%lu\n", (unsigned long)i);
    switch (page.filter) {
        case PdfPageImage::Filter::Dct: out.Text("/Filter /DCTDecode\n"); break;
        case PdfPageImage::Filter::Fax:
            out.Text("/Filter /CCITTFaxDecode\n/DecodeParms << /K %i /Columns %ld /Rows %ld>>\n", -1,
                     long(page.width), long(page.height));
            break;
        case PdfPageImage::Filter::Lzw: out.Text("/Filter /LZWDecode\n"); break;
    }
    out.Text("/ColorSpace %lu 0 R\n/Width %lu\n/Height %lu\n/BitsPerComponent %d\n/Length %lu 0 R\n>>\nstream\n",
             p + 5, (unsigned long)page.width, (unsigned long)page.height, page.bitsPerComponent, p + 4);
    out.Write(page.data.data(), page.data.size());
    out.Write("\nendstream\nendobj\n", 18);

    objects.Begin(out, p + 4);
    out.Text("%lu\nendobj\n", (unsigned long)page.data.size());

    objects.Begin(out, p + 5);
    if (rgb) {
        out.Text("/DeviceRGB\nendobj\n");
    } else if (indexed) {
        out.Text("[ /Indexed /DeviceRGB %lu %lu 0 R ]\nendobj\n", (unsigned long)(page.lookup.size() / 3 - 1),
                 p + 6);
        char dictionary[40];
        std::snprintf(dictionary, sizeof dictionary, "/Length %lu 0 R\n", p + 7);
        WriteStreamObject(out, objects, p + 6, dictionary, page.lookup);
        objects.Begin(out, p + 7);
        out.Text("%lu\nendobj\n", (unsigned long)page.lookup.size());
    } else {
        out.Text("/DeviceGray\nendobj\n");
    }
}

// The cross-reference table and the trailer.
void WriteCrossReference(PdfOutput& out, const ObjectTable& objects) {
    const uint64_t xref = out.Offset();
    out.Text("xref\n0 %lu\n0000000000 65535 f \n", (unsigned long)objects.Count());
    for (size_t n = 1; n < objects.Count(); ++n) out.Text("%010llu 00000 n \n", (unsigned long long)objects.At(n));
    out.Text("trailer\n<<\n/Size %lu\n/Root %lu 0 R\n/Info %lu 0 R\n>>\nstartxref\n%llu\n%%%%EOF\n",
             (unsigned long)objects.Count(), 2ul, 1ul, (unsigned long long)xref);
}

}  // namespace

CPDF::CPDF() {
    std::memset(&m_settings, 0, sizeof m_settings);
    std::strcpy(m_settings.version, "1.4");
}

CPDF::~CPDF() {
    FreeImages();
    FreeMemoryResult();
}

void CPDF::SetSettings(const PdfSettings& settings) { m_settings = settings; }

void CPDF::GetSettings(PdfSettings* settings) const {
    if (settings) *settings = m_settings;
}

void CPDF::FreeMemoryResult() {
    if (m_memoryResult) GlobalFree(m_memoryResult);
    m_memoryResult = nullptr;
}

HGLOBAL CPDF::GetMemoryResult() {
    HGLOBAL block = m_memoryResult;
    m_memoryResult = nullptr;
    return block;
}

LONG CPDF::WriteDocument(PdfOutput& out, const HGLOBAL* dibs, int count, LONG compression, int quality) {
    ObjectTable objects;
    WriteDocumentHead(out, objects, m_settings);

    // The page tree lists the first page and reserves room for the others: each later page's
    // object number is at most 8 more than the one before, so "n 0 R " with n = 4 + 8i always
    // has room for it.
    objects.Begin(out, 3);
    out.Write("<<\n/Type /Pages\n", 16);
    out.Text("/Kids [%lu 0 R ", 4ul);
    const uint64_t reserved = out.Offset();
    for (int i = 1; i < count; ++i) out.Text("%ld 0 R ", long(4 + 8 * i));
    uint64_t reservedLeft = out.Offset() - reserved;
    uint64_t patchAt = reserved;
    out.Text("]\n/Count %lu\n/MediaBox [0 0 %ld %ld]\n>>\nendobj\n", (unsigned long)count, 0l, 0l);

    unsigned long p = 4;
    for (int i = 0; i < count; ++i) {
        PdfPageImage page;
        LONG result = EncodePdfPage(dibs[i], compression, quality, m_bridge, &page);
        if (result != kOk) return result;
        WritePageObjects(out, objects, page, i, p);

        if (i > 0) {
            char kid[32];
            int n = std::snprintf(kid, sizeof kid, "%lu 0 R ", p);
            if (uint64_t(n) > reservedLeft) return kEncodeFailed;
            out.Patch(patchAt, kid, size_t(n));
            patchAt += uint64_t(n);
            reservedLeft -= uint64_t(n);
        }
        p += page.colour == PdfPageImage::Colour::Indexed ? 8 : 6;
        if (out.Failed()) return out.OutOfMemory() ? kNoMemory : kEncodeFailed;
    }
    if (reservedLeft) {
        std::vector<char> spaces(size_t(reservedLeft), ' ');
        out.Patch(patchAt, spaces.data(), spaces.size());
    }

    WriteCrossReference(out, objects);
    if (out.Failed()) return out.OutOfMemory() ? kNoMemory : kEncodeFailed;
    return kOk;
}

LONG CPDF::WriteToFile(const char* path, const HGLOBAL* dibs, int count, LONG compression, int quality) {
    if (count <= 0 || !dibs || !path) return kNoInput;
    LONG result;
    {
        PdfOutput out;
        if (!out.OpenFile(path)) return kCreateFailed;
        try {
            result = WriteDocument(out, dibs, count, compression, quality);
        } catch (const std::bad_alloc&) {
            result = kNoMemory;
        }
        if (!out.CloseFile() && result == kOk) result = kEncodeFailed;
    }
    if (result != kOk) std::remove(path);
    return result;
}

LONG CPDF::WriteToMemory(const HGLOBAL* dibs, int count, LONG compression, int quality, uint64_t* size) {
    if (count <= 0 || !dibs) return kNoInput;
    if (!size) return kNullSize;
    *size = 0;
    FreeMemoryResult();
    PdfOutput out;
    LONG result;
    try {
        result = WriteDocument(out, dibs, count, compression, quality);
    } catch (const std::bad_alloc&) {
        result = kNoMemory;
    }
    if (result != kOk) return result;
    const uint64_t bytes = out.Offset();
    m_memoryResult = out.TakeBlock();
    if (!m_memoryResult) return kNoMemory;
    *size = bytes;
    return kOk;
}
