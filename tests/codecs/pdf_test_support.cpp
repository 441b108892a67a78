#include "pdf_test_support.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>

#include "base/dib_layout.h"

namespace pdftest {

namespace {

HGLOBAL NewDib(int width, int height, int bits, const std::vector<Rgb>& palette, LONG ppm, BYTE** pixels,
               uint64_t* stride) {
    *stride = DibStride(width, bits);
    const size_t table = bits <= 8 ? palette.size() : 0;
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, SIZE_T(40 + table * 4 + *stride * uint64_t(height)));
    auto* p = static_cast<BYTE*>(GlobalLock(dib));
    BITMAPINFOHEADER h = {};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = WORD(bits);
    h.biXPelsPerMeter = h.biYPelsPerMeter = ppm;
    h.biClrUsed = DWORD(table);
    std::memcpy(p, &h, 40);
    for (size_t i = 0; i < table; ++i) {
        p[40 + i * 4] = palette[i].b;
        p[40 + i * 4 + 1] = palette[i].g;
        p[40 + i * 4 + 2] = palette[i].r;
    }
    *pixels = p + 40 + table * 4;
    return dib;
}

}  // namespace

HGLOBAL MakePaletteDib(int width, int height, int bits, const std::vector<Rgb>& palette,
                       const std::function<int(int, int)>& index, LONG pelsPerMeter) {
    BYTE* pixels = nullptr;
    uint64_t stride = 0;
    HGLOBAL dib = NewDib(width, height, bits, palette, pelsPerMeter, &pixels, &stride);
    for (int y = 0; y < height; ++y) {
        BYTE* row = pixels + uint64_t(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            int v = index(x, y);
            if (bits == 8) {
                row[x] = BYTE(v);
            } else if (bits == 4) {
                row[x / 2] |= BYTE((v & 15) << ((x & 1) ? 0 : 4));
            } else {
                row[x / 8] |= BYTE((v & 1) << (7 - (x & 7)));
            }
        }
    }
    GlobalUnlock(dib);
    return dib;
}

HGLOBAL MakeColourDib(int width, int height, const std::function<Rgb(int, int)>& colour, LONG pelsPerMeter) {
    BYTE* pixels = nullptr;
    uint64_t stride = 0;
    HGLOBAL dib = NewDib(width, height, 24, {}, pelsPerMeter, &pixels, &stride);
    for (int y = 0; y < height; ++y) {
        BYTE* row = pixels + uint64_t(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            Rgb c = colour(x, y);
            row[x * 3] = c.b;
            row[x * 3 + 1] = c.g;
            row[x * 3 + 2] = c.r;
        }
    }
    GlobalUnlock(dib);
    return dib;
}

Picture PictureOf(HGLOBAL dib) {
    Picture pic;
    DibLayout l;
    if (!dib || !ComputeDibLayout(dib, &l)) return pic;
    auto* base = static_cast<const BYTE*>(GlobalLock(dib));
    pic.width = l.width;
    pic.height = l.height;
    pic.bits = l.bitCount;
    pic.pixels.resize(size_t(l.width) * size_t(l.height));
    const BYTE* table = base + l.headerSize + l.maskBytes;
    for (int y = 0; y < l.height; ++y) {
        const BYTE* row = base + l.pixelOffset + uint64_t(l.topDown ? y : l.height - 1 - y) * l.stride;
        for (int x = 0; x < l.width; ++x) {
            Rgb c;
            if (l.bitCount == 24 || l.bitCount == 32) {
                int n = l.bitCount / 8;
                c = Rgb{row[x * n + 2], row[x * n + 1], row[x * n]};
            } else {
                uint32_t i = l.bitCount == 8 ? row[x]
                             : l.bitCount == 4 ? (row[x / 2] >> ((x & 1) ? 0 : 4)) & 15
                                               : (row[x / 8] >> (7 - (x & 7))) & 1;
                if (i < l.colors) c = Rgb{table[i * 4 + 2], table[i * 4 + 1], table[i * 4]};
            }
            pic.pixels[size_t(y) * size_t(l.width) + size_t(x)] = c;
        }
    }
    GlobalUnlock(dib);
    return pic;
}

Picture ReadPicture(HGLOBAL dib) {
    Picture pic = PictureOf(dib);
    if (dib) GlobalFree(dib);
    return pic;
}

int MaxDifference(const Picture& a, const Picture& b) {
    int worst = 0;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) {
        worst = std::max({worst, std::abs(a.pixels[i].r - b.pixels[i].r), std::abs(a.pixels[i].g - b.pixels[i].g),
                          std::abs(a.pixels[i].b - b.pixels[i].b)});
    }
    return worst;
}

double MeanDifference(const Picture& a, const Picture& b) {
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
        sum += std::abs(a.pixels[i].r - b.pixels[i].r) + std::abs(a.pixels[i].g - b.pixels[i].g) +
               std::abs(a.pixels[i].b - b.pixels[i].b);
    return a.pixels.empty() ? 0 : sum / double(a.pixels.size() * 3);
}

std::vector<uint8_t> WriteDocument(const std::vector<HGLOBAL>& dibs, LONG compression, LONG* result,
                                   const PdfSettings* settings, int quality) {
    CPDF pdf;
    PdfSettings fixed = settings ? *settings : FixedSettings();
    pdf.SetSettings(fixed);
    uint64_t size = 0;
    LONG r = pdf.WriteToMemory(dibs.data(), int(dibs.size()), compression, quality, &size);
    if (result) *result = r;
    std::vector<uint8_t> bytes;
    if (r == CPDF::kOk) {
        HGLOBAL block = pdf.GetMemoryResult();
        auto* p = static_cast<const uint8_t*>(GlobalLock(block));
        bytes.assign(p, p + size);
        GlobalUnlock(block);
        GlobalFree(block);
    }
    return bytes;
}

LONG ReadDocument(const std::vector<uint8_t>& bytes, std::vector<Picture>* pages, PdfSettings* settings, LONG page) {
    CPDF pdf;
    LONG r = pdf.ReadFromMemory(bytes.size(), bytes.data(), page);
    for (int i = 0; i < pdf.GetImageCount(); ++i) {
        Picture p = ReadPicture(pdf.GetImage(i, nullptr));
        if (pages) pages->push_back(p);
    }
    if (settings) pdf.GetSettings(settings);
    return r;
}

PdfSettings FixedSettings() {
    PdfSettings s = {};
    std::strcpy(s.version, "1.4");
    std::strcpy(s.creationDate, "20260102030405");
    std::strcpy(s.modifiedDate, "20260102030406");
    std::strcpy(s.creator, "Lumetta tests");
    std::strcpy(s.producer, "Lumetta");
    return s;
}

std::string AssemblePdf(const std::vector<std::string>& objects, int root, int info) {
    std::string out = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t o : offsets) {
        char line[32];
        std::snprintf(line, sizeof line, "%010llu 00000 n \n", (unsigned long long)o);
        out += line;
    }
    out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root " + std::to_string(root) + " 0 R";
    if (info) out += " /Info " + std::to_string(info) + " 0 R";
    out += " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return out;
}

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }
std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string OneImagePdf(const std::string& imageDictionary, const std::string& stream) {
    return AssemblePdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Resources << /XObject << /Im0 4 0 R "
                        ">> >> >>",
                        "<< /Type /XObject /Subtype /Image " + imageDictionary + " /Length " +
                            std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream"});
}

std::string SharedImagePdf(int pages, const std::string& imageDictionary, const std::string& stream) {
    const int image = pages + 3;
    std::string kids;
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""};
    for (int i = 0; i < pages; ++i) {
        kids += std::to_string(i + 3) + " 0 R ";
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Resources << /XObject << /Im0 " +
                          std::to_string(image) + " 0 R >> >> >>");
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>";
    objects.push_back("<< /Type /XObject /Subtype /Image " + imageDictionary + " /Length " +
                      std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream");
    return AssemblePdf(objects);
}

std::string Deflate(const std::vector<uint8_t>& bytes) {
    uLongf size = compressBound(uLong(bytes.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size, bytes.data(), uLong(bytes.size()));
    out.resize(size);
    return out;
}

}  // namespace pdftest
