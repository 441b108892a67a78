#include "codecs/pdf/pdf_page_encoder.h"

#include <cstring>
#include <memory>
#include <new>

#include "codecs/jpeg/jpeg_segments.h"
#include "codecs/jpeg/mini_jpeg.h"
#include "codecs/pdf/pdf_codec.h"
#include "codecs/pdf/pdf_strip_codecs.h"
#include "engine/dib_convert.h"
#include "base/dib_layout.h"

namespace {

// A locked, validated DIB in the engine's form (converted when it arrives in another form).
class DibView {
public:
    explicit DibView(HGLOBAL dib) {
        if (!dib || !ComputeDibLayout(dib, &layout)) return;
        if (!IsEngineFormDib(layout)) {
            m_converted = ConvertDIBTo24Bit(dib);
            if (m_converted == dib) m_converted = nullptr;
            if (!m_converted || !ComputeDibLayout(m_converted, &layout)) return;
            dib = m_converted;
        }
        handle = dib;
        base = static_cast<const BYTE*>(GlobalLock(dib));
    }
    ~DibView() {
        if (base) GlobalUnlock(handle);
        if (m_converted) GlobalFree(m_converted);
    }
    DibView(const DibView&) = delete;
    DibView& operator=(const DibView&) = delete;

    bool Valid() const { return base != nullptr; }
    const RGBQUAD* Palette() const { return reinterpret_cast<const RGBQUAD*>(base + layout.headerSize); }
    RGBQUAD Entry(uint32_t i) const { return i < layout.colors ? Palette()[i] : RGBQUAD{0, 0, 0, 0}; }
    // Row y counted from the image's top.
    const BYTE* TopRow(int y) const { return base + layout.pixelOffset + uint64_t(layout.height - 1 - y) * layout.stride; }
    const BITMAPINFOHEADER& Header() const { return *reinterpret_cast<const BITMAPINFOHEADER*>(base); }

    DibLayout layout = {};
    HGLOBAL handle = nullptr;
    const BYTE* base = nullptr;

private:
    HGLOBAL m_converted = nullptr;
};

int Luminance(const RGBQUAD& c) { return (306 * c.rgbRed + 601 * c.rgbGreen + 117 * c.rgbBlue) >> 10; }

int DpiOf(LONG pelsPerMeter, bool stripRule) {
    double v = double(pelsPerMeter) * 254.0 / 10000.0 + 0.5;
    int dpi = v >= 2147483647.0 ? 2147483647 : v < -2147483647.0 ? -2147483647 : int(v);
    if (dpi < 1) dpi = 96;
    if (stripRule && dpi <= 10) dpi = 96;
    return dpi;
}

// The image's rows top first, (bits x width + 7) / 8 bytes each, with the transformation the
// stream needs: complemented 1-bit bytes, or blue-green-red turned into red-green-blue.
std::vector<BYTE> PackedRows(const DibView& v, bool complement) {
    const size_t rowBytes = size_t((uint64_t(v.layout.bitCount) * uint64_t(v.layout.width) + 7) / 8);
    std::vector<BYTE> rows(rowBytes * size_t(v.layout.height));
    for (int y = 0; y < v.layout.height; ++y) {
        const BYTE* src = v.TopRow(y);
        BYTE* dst = rows.data() + size_t(y) * rowBytes;
        if (v.layout.bitCount == 24) {
            for (size_t x = 0; x + 2 < rowBytes; x += 3) {
                dst[x] = src[x + 2];
                dst[x + 1] = src[x + 1];
                dst[x + 2] = src[x];
            }
        } else if (complement) {
            for (size_t x = 0; x < rowBytes; ++x) dst[x] = BYTE(~src[x]);
        } else {
            std::memcpy(dst, src, rowBytes);
        }
    }
    return rows;
}

LONG EncodeStrip(const DibView& v, bool fax, PdfPageImage* page) {
    const int bits = v.layout.bitCount;
    page->filter = fax ? PdfPageImage::Filter::Fax : PdfPageImage::Filter::Lzw;
    page->bitsPerComponent = bits > 8 ? 8 : bits;
    if (fax && bits != 1) return CPDF::kEncodeFailed;
    bool complement = false;
    if (bits == 1) {
        // Fax rows have 1 for black; grey samples of an LZW page have 0 for black.
        int light0 = Luminance(v.Entry(0)), light1 = Luminance(v.Entry(1));
        complement = fax ? light0 < light1 : light0 >= light1;
        page->colour = PdfPageImage::Colour::Gray;
    } else if (bits == 24) {
        page->colour = PdfPageImage::Colour::Rgb;
    } else {
        page->colour = PdfPageImage::Colour::Indexed;
        const uint32_t entries = 1u << bits;
        page->lookup.resize(size_t(entries) * 3);
        for (uint32_t i = 0; i < entries; ++i) {
            RGBQUAD c = v.Entry(i);
            page->lookup[i * 3] = c.rgbRed;
            page->lookup[i * 3 + 1] = c.rgbGreen;
            page->lookup[i * 3 + 2] = c.rgbBlue;
        }
    }
    std::vector<BYTE> rows = PackedRows(v, complement);
    const size_t rowBytes = rows.size() / size_t(v.layout.height);
    bool ok = fax ? pdfstrip::EncodeFaxGroup4(rows.data(), rowBytes, v.layout.width, v.layout.height, &page->data)
                  : pdfstrip::EncodeLzw(rows.data(), rows.size(), &page->data);
    return ok ? CPDF::kOk : CPDF::kEncodeFailed;
}

// A DIB the own JPEG encoder takes for a palette image: 8-bit grey when every entry is grey
// (the same block when its table is already the identity ramp), else 24-bit colour. Null when
// memory runs out; *same is set when the original can be encoded as it is.
HGLOBAL JpegSourceOf(const DibView& v, bool* same) {
    *same = false;
    const int bits = v.layout.bitCount;
    const uint32_t entries = 1u << bits;
    bool grey = true, ramp = bits == 8;
    for (uint32_t i = 0; i < entries; ++i) {
        RGBQUAD c = v.Entry(i);
        if (c.rgbRed != c.rgbGreen || c.rgbGreen != c.rgbBlue) grey = false;
        if (c.rgbRed != i || !grey) ramp = false;
    }
    if (ramp && grey && v.layout.colors >= 256) {
        *same = true;
        return nullptr;
    }
    const int outBits = grey ? 8 : 24;
    const uint64_t stride = DibStride(v.layout.width, outBits);
    const uint64_t table = grey ? 256 * 4 : 0;
    const uint64_t total = 40 + table + stride * uint64_t(v.layout.height);
    if (total > kMaxDibImageBytes + 2048) return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, SIZE_T(total));
    if (!block) return nullptr;
    BYTE* out = static_cast<BYTE*>(GlobalLock(block));
    BITMAPINFOHEADER h = {};
    h.biSize = 40;
    h.biWidth = v.layout.width;
    h.biHeight = v.layout.height;
    h.biPlanes = 1;
    h.biBitCount = WORD(outBits);
    h.biSizeImage = DWORD(stride * uint64_t(v.layout.height));
    h.biXPelsPerMeter = v.Header().biXPelsPerMeter;
    h.biYPelsPerMeter = v.Header().biYPelsPerMeter;
    h.biClrUsed = grey ? 256 : 0;
    std::memcpy(out, &h, sizeof h);
    auto* ramp256 = reinterpret_cast<RGBQUAD*>(out + 40);
    for (uint32_t i = 0; grey && i < 256; ++i) ramp256[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    for (int y = 0; y < v.layout.height; ++y) {
        const BYTE* src = v.base + v.layout.pixelOffset + uint64_t(y) * v.layout.stride;
        BYTE* dst = out + 40 + table + uint64_t(y) * stride;
        for (int x = 0; x < v.layout.width; ++x) {
            uint32_t index;
            if (bits == 8) {
                index = src[x];
            } else if (bits == 4) {
                index = (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
            } else {
                index = (src[x >> 3] >> (7 - (x & 7))) & 1;
            }
            RGBQUAD c = v.Entry(index);
            if (grey) {
                dst[x] = c.rgbRed;
            } else {
                dst[x * 3] = c.rgbBlue;
                dst[x * 3 + 1] = c.rgbGreen;
                dst[x * 3 + 2] = c.rgbRed;
            }
        }
    }
    GlobalUnlock(block);
    return block;
}

bool EncodeJpeg(const DibView& v, int quality, PdfImageBridge* bridge, PdfPageImage* page) {
    page->filter = PdfPageImage::Filter::Dct;
    page->bitsPerComponent = 8;
    page->data.clear();
    bool made = false;
    if (bridge && v.layout.bitCount >= 8) {
        made = bridge->EncodeJpeg(v.handle, quality, &page->data);
    } else {
        HGLOBAL source = v.handle;
        HGLOBAL expanded = nullptr;
        if (v.layout.bitCount <= 8) {
            bool same = false;
            expanded = JpegSourceOf(v, &same);
            if (!expanded && !same) return false;
            if (expanded) source = expanded;
        }
        CMiniJpeg encoder;
        encoder.SetQuality(WORD(quality < 0 ? 0 : quality > 65535 ? 65535 : quality));
        if (encoder.EncodeToMemory(source) == CMiniJpeg::kOk) {
            SIZE_T size = 0;
            HGLOBAL out = encoder.GetOutput(&size);
            const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(out));
            page->data.assign(bytes, bytes + size);
            GlobalUnlock(out);
            GlobalFree(out);
            made = true;
        }
        if (expanded) GlobalFree(expanded);
    }
    if (!made) return false;
    // The colour space is the one the stream was made in.
    auto info = std::make_unique<jpeg::JpegStreamInfo>();
    if (jpeg::ParseJpegSegments(page->data.data(), page->data.size(), info.get()) != jpeg::kDecodeOk) return false;
    if (info->componentCount == 1) {
        page->colour = PdfPageImage::Colour::Gray;
    } else if (info->componentCount == 3) {
        page->colour = PdfPageImage::Colour::Rgb;
    } else {
        return false;
    }
    page->lookup.clear();
    return true;
}

}  // namespace

LONG EncodePdfPage(HGLOBAL dib, LONG compression, int quality, PdfImageBridge* bridge, PdfPageImage* page) {
    try {
        DibView v(dib);
        if (!v.Valid()) return compression == CPDF::kJpeg ? CPDF::kJpegFailed : CPDF::kEncodeFailed;
        page->width = v.layout.width;
        page->height = v.layout.height;
        const int bits = v.layout.bitCount;
        bool jpeg = compression == CPDF::kJpeg || (compression == CPDF::kAuto && bits >= 8);
        if (jpeg) {
            page->dpiX = DpiOf(v.Header().biXPelsPerMeter, false);
            page->dpiY = DpiOf(v.Header().biYPelsPerMeter, false);
            if (EncodeJpeg(v, quality, bridge, page)) return CPDF::kOk;
            if (compression == CPDF::kJpeg) return CPDF::kJpegFailed;
        }
        page->dpiX = DpiOf(v.Header().biXPelsPerMeter, true);
        page->dpiY = DpiOf(v.Header().biYPelsPerMeter, true);
        page->data.clear();
        bool fax;
        if (compression == CPDF::kFax3 || compression == CPDF::kFax4) {
            fax = true;
        } else if (compression == CPDF::kLzw || compression == CPDF::kRunLength) {
            fax = false;
        } else {
            fax = bits == 1;
        }
        return EncodeStrip(v, fax, page);
    } catch (const std::bad_alloc&) {
        return CPDF::kNoMemory;
    }
}
