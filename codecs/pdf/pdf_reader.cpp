// The reading side of CPDF: the document's structure through its cross-reference table, the
// information dictionary, the page tree, and each page's image.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>

#include "codecs/pdf/pdf_codec.h"
#include "codecs/pdf/pdf_document.h"
#include "codecs/pdf/pdf_image_decoder.h"
#include "base/dib_layout.h"

namespace {

constexpr int kMaxTreeDepth = 32;

bool HasName(const PdfSpan& text, const char* key, const char* name) {
    for (size_t at = text.After(key); at != PdfSpan::npos; at = text.After(key, at)) {
        char found[64];
        if (PdfReadName(text, at, found, sizeof found) && std::strcmp(found, name) == 0) return true;
    }
    return false;
}

// The text between the parentheses after an information key, with the escapes the writer
// makes undone. Lines of old files carry the text unescaped, up to the line's last ")".
void ReadInfoValue(const PdfSpan& line, size_t at, char* out) {
    size_t open = line.Find("(", at);
    size_t close = PdfSpan::npos;
    for (size_t i = line.size; i > open && open != PdfSpan::npos; --i) {
        if (line.data[i - 1] == ')') {
            close = i - 1;
            break;
        }
    }
    if (open == PdfSpan::npos || close == PdfSpan::npos || close <= open) return;
    size_t n = 0;
    for (size_t i = open + 1; i < close && n < 255; ++i) {
        char c = char(line.data[i]);
        if (c == '\\' && i + 1 < close) {
            char e = char(line.data[i + 1]);
            if (e == '(' || e == ')' || e == '\\') {
                c = e;
                ++i;
            } else if (e == 'n') {
                c = '\n';
                ++i;
            } else if (e == 'r') {
                c = '\r';
                ++i;
            }
        }
        out[n++] = c;
    }
    out[n] = 0;
}

void ReadInfo(const PdfDocument& document, PdfSettings* settings) {
    PdfSpan text;
    if (document.Info() == 0 || !document.Object(document.Info(), &text)) return;
    struct Key {
        const char* name;
        char* field;
    };
    const Key keys[] = {{"/Creator", settings->creator},   {"/CreationDate", settings->creationDate},
                        {"/ModDate", settings->modifiedDate}, {"/Author", settings->author},
                        {"/Producer", settings->producer}, {"/Title", settings->title},
                        {"/Subject", settings->subject},   {"/Keywords", settings->keywords}};
    size_t at = 0;
    while (at < text.size) {
        size_t end = at;
        while (end < text.size && text.data[end] != '\n' && text.data[end] != '\r') ++end;
        PdfSpan line = text.Sub(at, end - at);
        at = end + 1;
        size_t start = PdfSkipWhite(line, 0);
        size_t word = start;
        while (word < line.size && line.data[word] != ' ' && word - start < 30) ++word;
        for (const Key& key : keys) {
            size_t n = std::strlen(key.name);
            if (word - start != n) continue;
            bool same = true;
            for (size_t i = 0; i < n && same; ++i)
                same = std::tolower(line.data[start + i]) == std::tolower(static_cast<unsigned char>(key.name[i]));
            if (!same) continue;
            ReadInfoValue(line, word, key.field);
            if (std::strcmp(key.name, "/Keywords") == 0) return;
        }
    }
}

class PageTree {
public:
    PageTree(const PdfDocument& document, size_t capacity)
        : m_document(document), m_capacity(capacity), m_seen(document.ObjectCount(), false) {}

    // Collects the pages under a node in order, at most the capacity; false for a broken tree.
    bool Collect(uint32_t node, int depth) {
        if (depth > kMaxTreeDepth || node >= m_seen.size()) return false;
        if (m_seen[node]) return true;  // a kid listed twice, or a loop: taken once
        m_seen[node] = true;
        PdfSpan text;
        if (!m_document.Object(node, &text)) return false;
        if (depth > 0 && !HasName(text, "/Type", "/Pages")) {
            if (pages.size() < m_capacity) pages.push_back(node);
            return true;
        }
        size_t at = text.After("/Kids");
        if (at == PdfSpan::npos) return depth > 0;
        at = PdfSkipWhite(text, at);
        if (at >= text.size || text.data[at] != '[') return false;
        ++at;
        while (pages.size() < m_capacity) {
            at = PdfSkipWhite(text, at);
            if (at >= text.size || text.data[at] == ']') break;
            uint32_t kid = 0;
            if (!PdfReadReference(text, &at, &kid)) return false;
            if (!Collect(kid, depth + 1)) return false;
        }
        return true;
    }

    std::vector<uint32_t> pages;

private:
    const PdfDocument& m_document;
    size_t m_capacity;
    std::vector<bool> m_seen;
};

// The image XObject of a page: the first reference after /XObject in the page (or in its
// resources object, or through a dictionary object the page refers to). Pages share resources
// and images, so what an object leads to is remembered in known (0: no image).
bool FindPageImage(const PdfDocument& document, const PdfSpan& page, std::map<uint32_t, uint32_t>* known,
                   uint32_t* image, PdfSpan* imageText) {
    PdfSpan resources = page;
    size_t at = resources.After("/XObject");
    uint32_t number = 0, via = 0;
    if (at == PdfSpan::npos && PdfDocument::ReferenceAfter(page, "/Resources", &via)) {
        if (auto it = known->find(via); it != known->end()) {
            *image = it->second;
            return it->second != 0 && document.Object(it->second, imageText);
        }
        if (!document.Object(via, &resources)) return false;
        at = resources.After("/XObject");
    }
    uint32_t found = 0;
    if (at != PdfSpan::npos && PdfFindReference(resources, at, &number)) {
        if (auto it = known->find(number); it != known->end()) {
            found = it->second;
        } else {
            const uint32_t first = number;
            for (int hop = 0; hop < 2 && !found; ++hop) {
                PdfSpan text;
                if (!document.Object(number, &text)) break;
                if (HasName(text, "/Type", "/XObject") || HasName(text, "/Subtype", "/Image")) {
                    if (HasName(text, "/Subtype", "/Image")) found = number;
                    break;
                }
                // A dictionary of named images: its first reference.
                if (!PdfFindReference(text, 0, &number)) break;
            }
            (*known)[first] = found;
        }
    }
    if (via) (*known)[via] = found;
    *image = found;
    return found != 0 && document.Object(found, imageText);
}

bool ReadLookup(const PdfDocument& document, const PdfSpan& text, size_t at, int entries,
                std::vector<RGBQUAD>* palette) {
    std::vector<BYTE> bytes;
    at = PdfSkipWhite(text, at);
    uint32_t number = 0;
    size_t r = at;
    if (at < text.size && text.data[at] == '(') {
        for (size_t i = at + 1; i < text.size && text.data[i] != ')'; ++i) {
            BYTE c = text.data[i];
            if (c == '\\' && i + 1 < text.size) {
                BYTE e = text.data[++i];
                if (e >= '0' && e <= '7') {
                    int v = 0;
                    for (int k = 0; k < 3 && i < text.size && text.data[i] >= '0' && text.data[i] <= '7'; ++k)
                        v = v * 8 + (text.data[i++] - '0');
                    --i;
                    c = BYTE(v);
                } else {
                    c = e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e == 'b' ? '\b' : e == 'f' ? '\f' : e;
                }
            }
            bytes.push_back(c);
        }
    } else if (at < text.size && text.data[at] == '<') {
        int high = -1;
        for (size_t i = at + 1; i < text.size && text.data[i] != '>'; ++i) {
            int c = std::tolower(text.data[i]);
            int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (v < 0) continue;
            if (high < 0) {
                high = v;
            } else {
                bytes.push_back(BYTE(high * 16 + v));
                high = -1;
            }
        }
    } else if (PdfReadReference(text, &r, &number)) {
        PdfSpan lookup;
        int64_t length = 0;
        if (!document.Object(number, &lookup) || !document.Integer(lookup, "/Length", &length) || length < 0 ||
            !document.Stream(number, uint64_t(length), &lookup))
            return false;
        bytes.assign(lookup.data, lookup.data + lookup.size);
    } else {
        return false;
    }
    palette->assign(size_t(entries), RGBQUAD{0, 0, 0, 0});
    for (size_t i = 0; i < size_t(entries) && i * 3 + 2 < bytes.size(); ++i)
        (*palette)[i] = RGBQUAD{bytes[i * 3 + 2], bytes[i * 3 + 1], bytes[i * 3], 0};
    return true;
}

// The colour space of an image: a name, an array, or a reference to either.
LONG ReadColourSpace(const PdfDocument& document, const PdfSpan& image, PdfImageStream* out) {
    size_t at = image.After("/ColorSpace");
    if (at == PdfSpan::npos) {
        out->colour = PdfImageStream::Colour::Gray;
        return CPDF::kOk;
    }
    PdfSpan text = image;
    uint32_t number = 0;
    size_t r = at;
    if (PdfReadReference(image, &r, &number)) {
        if (!document.Object(number, &text)) return CPDF::kObjectUnreadable;
        at = 0;
    }
    at = PdfSkipWhite(text, at);
    bool array = at < text.size && text.data[at] == '[';
    if (array) ++at;
    char name[64];
    if (!PdfReadName(text, at, name, sizeof name)) return CPDF::kBadDocument;
    if (std::strcmp(name, "/DeviceGray") == 0 || std::strcmp(name, "/CalGray") == 0) {
        out->colour = PdfImageStream::Colour::Gray;
    } else if (std::strcmp(name, "/DeviceRGB") == 0 || std::strcmp(name, "/CalRGB") == 0) {
        out->colour = PdfImageStream::Colour::Rgb;
    } else if (array && (std::strcmp(name, "/Indexed") == 0 || std::strcmp(name, "/I") == 0)) {
        size_t i = text.After(name, at);
        char base[64];
        if (!PdfReadName(text, i, base, sizeof base) || std::strcmp(base, "/DeviceRGB") != 0)
            return CPDF::kBadDocument;
        i = text.After("/DeviceRGB", i);
        int64_t high = 0;
        // A palette holds at most 256 colours.
        if (!PdfReadInteger(text, &i, &high) || high < 0 || high > 255) return CPDF::kBadDocument;
        out->colour = PdfImageStream::Colour::Indexed;
        if (!ReadLookup(document, text, i, int(high) + 1, &out->palette)) return CPDF::kBadDocument;
    } else {
        return CPDF::kBadDocument;
    }
    return CPDF::kOk;
}

LONG ReadFilter(const PdfSpan& image, PdfImageStream* out) {
    size_t at = image.After("/Filter");
    if (at == PdfSpan::npos) return CPDF::kBadDocument;
    at = PdfSkipWhite(image, at);
    if (at < image.size && image.data[at] == '[') {
        // One filter in an array; a chain of filters is not read.
        size_t close = image.Find("]", at);
        if (close == PdfSpan::npos) return CPDF::kBadDocument;
        PdfSpan list = image.Sub(at + 1, close - at - 1);
        if (list.Find("/", list.Find("/") + 1) != PdfSpan::npos) return CPDF::kBadDocument;
        at += 1;
    }
    char name[64];
    if (!PdfReadName(image, at, name, sizeof name)) return CPDF::kBadDocument;
    using F = PdfImageStream::Filter;
    if (!std::strcmp(name, "/DCTDecode") || !std::strcmp(name, "/DCT")) {
        out->filter = F::Dct;
    } else if (!std::strcmp(name, "/FlateDecode") || !std::strcmp(name, "/Fl")) {
        out->filter = F::Flate;
    } else if (!std::strcmp(name, "/RunLengthDecode") || !std::strcmp(name, "/RL")) {
        out->filter = F::RunLength;
    } else if (!std::strcmp(name, "/LZWDecode") || !std::strcmp(name, "/LZW")) {
        out->filter = F::Lzw;
    } else if (!std::strcmp(name, "/CCITTFaxDecode") || !std::strcmp(name, "/CCF")) {
        out->filter = F::Fax;
    } else {
        return CPDF::kBadDocument;
    }
    size_t parms = image.After("/DecodeParms");
    if (parms == PdfSpan::npos) return CPDF::kOk;
    PdfSpan p = image.Sub(parms);
    size_t end = p.Find(">>");
    if (end != PdfSpan::npos) p = p.Sub(0, end);
    int64_t v = 0;
    size_t i = p.After("/Predictor");
    // Predicted samples are not undone: refused rather than shown wrong.
    if (i != PdfSpan::npos && PdfReadInteger(p, &i, &v) && v > 1) return CPDF::kBadDocument;
    if (out->filter == F::Lzw && (i = p.After("/EarlyChange")) != PdfSpan::npos && PdfReadInteger(p, &i, &v) && v == 0)
        return CPDF::kBadDocument;
    if (out->filter == F::Fax) {
        if ((i = p.After("/K")) != PdfSpan::npos && PdfReadInteger(p, &i, &v))
            out->fax.k = v < 0 ? -1 : v > 1000000 ? 1000000 : int(v);
        if ((i = p.After("/Rows")) != PdfSpan::npos && PdfReadInteger(p, &i, &v) && v > 0 && v < 0x7FFFFFFF)
            out->fax.rows = int(v);
        auto boolean = [&](const char* key) {
            size_t k = p.After(key);
            if (k == PdfSpan::npos) return false;
            k = PdfSkipWhite(p, k);
            return p.StartsWith(k, "true");
        };
        out->fax.encodedByteAlign = boolean("/EncodedByteAlign");
        out->fax.endOfLine = boolean("/EndOfLine");
        // Compared without regard to case, as files with "/Blackis1" exist.
        for (size_t k = 0; k + 9 <= p.size; ++k) {
            static const char kKey[] = "/blackis1";
            size_t m = 0;
            while (m < 9 && std::tolower(p.data[k + m]) == kKey[m]) ++m;
            if (m < 9) continue;
            size_t after = PdfSkipWhite(p, k + 9);
            if (p.StartsWith(after, "true")) out->inverted = !out->inverted;
            break;
        }
    }
    return CPDF::kOk;
}

// A number (an integer or a real) at at, white space skipped first; at moves past it.
bool ReadNumber(const PdfSpan& s, size_t* at, double* value) {
    size_t i = PdfSkipWhite(s, *at);
    bool negative = false;
    if (i < s.size && (s.data[i] == '-' || s.data[i] == '+')) negative = s.data[i++] == '-';
    double v = 0, scale = 0;
    int digits = 0;
    for (; i < s.size && digits < 18; ++i) {
        BYTE c = s.data[i];
        if (c == '.' && scale == 0) {
            scale = 1;
        } else if (c >= '0' && c <= '9') {
            ++digits;
            if (scale > 0) {
                scale /= 10;
                v += (c - '0') * scale;
            } else {
                v = v * 10 + (c - '0');
            }
        } else {
            break;
        }
    }
    if (digits == 0) return false;
    *value = negative ? -v : v;
    *at = i;
    return true;
}

// Images that carry no resolution of their own (all but JPEG) get the one at which they fill
// the page's media box, so a document read and written again keeps its page size.
void SetResolutionFromPage(HGLOBAL dib, const PdfSpan& page) {
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    if (!header) return;
    size_t at = page.After("/MediaBox");
    double box[4];
    if (header->biXPelsPerMeter == 0 && header->biYPelsPerMeter == 0 && at != PdfSpan::npos) {
        at = PdfSkipWhite(page, at);
        bool read = at < page.size && page.data[at] == '[';
        ++at;
        for (int i = 0; i < 4 && read; ++i) read = ReadNumber(page, &at, &box[i]);
        const double width = box[2] - box[0], height = box[3] - box[1];
        if (read && width >= 1 && height >= 1) {
            double dpiX = std::floor(double(header->biWidth) * 72 / width + 0.5);
            double dpiY = std::floor(double(std::abs(header->biHeight)) * 72 / height + 0.5);
            if (dpiX >= 1 && dpiX <= 100000 && dpiY >= 1 && dpiY <= 100000) {
                header->biXPelsPerMeter = LONG(dpiX * 10000 / 254 + 0.5);
                header->biYPelsPerMeter = LONG(dpiY * 10000 / 254 + 0.5);
            }
        }
    }
    GlobalUnlock(dib);
}

// Reads and decodes the image object of a page; null with the result on failure.
HGLOBAL ReadPageImage(const PdfDocument& document, uint32_t imageNumber, const PdfSpan& imageText,
                      PdfImageBridge* bridge, ReadBudget* budget, LONG* result) {
    PdfImageStream image;
    image.budget = budget;
    int64_t width = 0, height = 0, bits = 0, length = 0;
    LONG r = ReadFilter(imageText, &image);
    if (r == CPDF::kOk) r = ReadColourSpace(document, imageText, &image);
    if (r != CPDF::kOk) {
        *result = r;
        return nullptr;
    }
    if (!document.Integer(imageText, "/Width", &width) || !document.Integer(imageText, "/Height", &height) ||
        width < 1 || height < 1 || width > 0x7FFFFFF || height > 0x7FFFFFF) {
        *result = CPDF::kBadDocument;
        return nullptr;
    }
    if (!document.Integer(imageText, "/Length", &length) || length < 0 ||
        !document.Stream(imageNumber, uint64_t(length), &image.data)) {
        *result = CPDF::kObjectUnreadable;
        return nullptr;
    }
    if (!document.Integer(imageText, "/BitsPerComponent", &bits))
        bits = image.filter == PdfImageStream::Filter::Fax ? 1 : 8;
    image.width = int(width);
    image.height = int(height);
    image.bitsPerComponent = bits < 0 || bits > 16 ? 0 : int(bits);
    image.fax.rows = image.fax.rows ? image.fax.rows : image.height;
    if (imageText.Find("/Decode[1") != PdfSpan::npos || imageText.Find("/Decode [1") != PdfSpan::npos ||
        imageText.Find("/Decode [ 1") != PdfSpan::npos)
        image.inverted = !image.inverted;
    return DecodePdfImage(image, bridge, result);
}

void ResolutionOf(HGLOBAL dib, LONG* x, LONG* y) {
    auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(dib));
    *x = header ? header->biXPelsPerMeter : 0;
    *y = header ? header->biYPelsPerMeter : 0;
    GlobalUnlock(dib);
}

// A copy of a decoded page image with the resolution the decoder gave it.
HGLOBAL CopyImage(HGLOBAL dib, LONG xPels, LONG yPels) {
    const SIZE_T size = GlobalSize(dib);
    HGLOBAL copy = GlobalAlloc(GMEM_FIXED, size);
    if (!copy) return nullptr;
    const void* from = GlobalLock(dib);
    auto* to = static_cast<BITMAPINFOHEADER*>(GlobalLock(copy));
    std::memcpy(to, from, size);
    to->biXPelsPerMeter = xPels;
    to->biYPelsPerMeter = yPels;
    GlobalUnlock(copy);
    GlobalUnlock(dib);
    return copy;
}

}  // namespace

void CPDF::FreeImages() {
    for (HGLOBAL h : m_images)
        if (h) GlobalFree(h);
    m_images.clear();
}

HGLOBAL CPDF::GetImage(int index, uint64_t* size) {
    if (index < 0 || size_t(index) >= m_images.size()) return nullptr;
    HGLOBAL h = m_images[size_t(index)];
    m_images[size_t(index)] = nullptr;
    if (size) *size = h ? uint64_t(GlobalSize(h)) : 0;
    return h;
}

LONG CPDF::ReadFromFile(const char* path, LONG page) {
    if (!path) return kNoInput;
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return kOpenFailed;
    std::vector<BYTE> bytes;
    LONG result = kOk;
    try {
        BYTE chunk[65536];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
        if (std::ferror(f)) result = kObjectUnreadable;
    } catch (const std::bad_alloc&) {
        result = kNoMemory;
    }
    std::fclose(f);
    if (result != kOk) {
        FreeImages();
        return result;
    }
    return ReadFromMemory(bytes.size(), bytes.data(), page);
}

LONG CPDF::ReadFromMemory(uint64_t size, const BYTE* bytes, LONG page) {
    FreeImages();
    m_stats = ReadStats{};
    if (!bytes) return kNoInput;
    if (size > SIZE_MAX) return kNoMemory;
    try {
        PdfDocument document;
        LONG result = document.Open(bytes, size_t(size));
        if (result != kOk) return result;
        std::memset(&m_settings, 0, sizeof m_settings);
        std::strcpy(m_settings.version, "1.4");
        // The version of the header line.
        {
            size_t n = 0;
            while (5 + n < size && n < 255 && bytes[5 + n] != '\n' && bytes[5 + n] != '\r' && bytes[5 + n] != ' ')
                ++n;
            std::memcpy(m_settings.version, bytes + 5, n);
            m_settings.version[n] = 0;
        }
        ReadInfo(document, &m_settings);

        PdfSpan catalog;
        uint32_t root = 0;
        if (!document.Object(document.Root(), &catalog)) return kObjectUnreadable;
        if (!HasName(catalog, "/Type", "/Catalog") || !PdfDocument::ReferenceAfter(catalog, "/Pages", &root))
            return kBadDocument;
        PdfSpan tree;
        if (!document.Object(root, &tree)) return kObjectUnreadable;
        int64_t count = 0;
        if (!HasName(tree, "/Type", "/Pages") || !document.Integer(tree, "/Count", &count)) return kBadDocument;
        if (count <= 0) return kNoPages;
        // No document has more pages than objects.
        PageTree pages(document, size_t(count) < document.ObjectCount() ? size_t(count) : document.ObjectCount());
        if (!pages.Collect(root, 0)) return kBadDocument;
        if (pages.pages.empty()) return kNoPages;
        if (page < -1 || (page >= 0 && size_t(page) >= pages.pages.size())) return kNoInput;

        // Pages that show one image object share its decoding: each page gets its own copy.
        struct Decoded {
            LONG result = kOk;
            int image = -1;  // index of the first page's DIB in m_images
            LONG xPels = 0, yPels = 0;
        };
        std::map<uint32_t, Decoded> decoded;
        std::map<uint32_t, uint32_t> images;
        // Every image block of the read is reserved against one budget before it is reserved,
        // and stays counted whether its image decodes or fails.
        ReadBudget budget = ReadBudget::ForInput(size, m_budget);
        struct KeepStats {
            ReadStats& to;
            const ReadBudget& from;
            ~KeepStats() { to = from.Stats(); }
        } keepStats{m_stats, budget};
        budget.Visited(pages.pages.size());
        LONG first = kOk;
        for (size_t i = 0; i < pages.pages.size(); ++i) {
            if (page >= 0 && size_t(page) != i) continue;
            PdfSpan pageText, imageText;
            uint32_t imageNumber = 0;
            LONG r = kOk;
            HGLOBAL dib = nullptr;
            if (!document.Object(pages.pages[i], &pageText)) {
                r = kObjectUnreadable;
            } else if (!FindPageImage(document, pageText, &images, &imageNumber, &imageText)) {
                r = kBadDocument;
            } else if (auto seen = decoded.find(imageNumber); seen != decoded.end()) {
                r = seen->second.result;
                HGLOBAL original = r == kOk ? m_images[size_t(seen->second.image)] : nullptr;
                if (original && !budget.Reserve(GlobalSize(original))) {
                    FreeImages();
                    return kNoMemory;
                }
                if (original && !(dib = CopyImage(original, seen->second.xPels, seen->second.yPels))) r = kNoMemory;
                if (dib) SetResolutionFromPage(dib, pageText);
            } else {
                const uint64_t reservedBefore = budget.Stats().bytesReserved;
                dib = ReadPageImage(document, imageNumber, imageText, m_bridge, &budget, &r);
                if (!dib && r == kNoMemory) {
                    // Over the budget (or out of memory): nothing of the document is kept.
                    FreeImages();
                    return kNoMemory;
                }
                // A block nothing was reserved for before it was made (a JPEG frame only GDI+
                // could size) is counted once it is made.
                if (dib && budget.Stats().bytesReserved == reservedBefore && !budget.Reserve(GlobalSize(dib))) {
                    GlobalFree(dib);
                    FreeImages();
                    return kNoMemory;
                }
                Decoded entry;
                entry.result = dib ? kOk : (r ? r : kBadDocument);
                if (dib) {
                    entry.image = int(m_images.size());
                    ResolutionOf(dib, &entry.xPels, &entry.yPels);
                    SetResolutionFromPage(dib, pageText);
                }
                decoded[imageNumber] = entry;
            }
            if (dib) {
                try {
                    m_images.push_back(dib);
                } catch (const std::bad_alloc&) {
                    GlobalFree(dib);
                    throw;
                }
            } else if (first == kOk) {
                first = r ? r : kBadDocument;
            }
        }
        return first;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}
