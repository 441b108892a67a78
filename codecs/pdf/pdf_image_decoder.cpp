#include "codecs/pdf/pdf_image_decoder.h"

#include <zlib.h>

#include <cstring>
#include <new>

#include "codecs/jpeg/mini_jpeg_decoder.h"
#include "codecs/pdf/pdf_codec.h"
#include "codecs/read_budget.h"
#include "codecs/tiff/fax_codec.h"
#include "base/dib_layout.h"

namespace {

// The most bytes each filter can make of one byte of data (with room for headers): an image
// that needs more than its stream can hold is refused before any pixel memory is taken.
constexpr uint64_t kSlack = 65536;
uint64_t MostBytesFrom(PdfImageStream::Filter filter, uint64_t length) {
    switch (filter) {
        case PdfImageStream::Filter::Flate: return length * 1032 + kSlack;
        case PdfImageStream::Filter::RunLength: return length * 64 + kSlack;
        case PdfImageStream::Filter::Lzw: return length * 2800 + kSlack;
        default: return UINT64_MAX;
    }
}

struct NewDib {
    HGLOBAL handle = nullptr;
    BYTE* pixels = nullptr;
    uint64_t stride = 0;

    ~NewDib() {
        if (handle) {
            GlobalUnlock(handle);
            GlobalFree(handle);
        }
    }
    bool Make(int width, int height, int bits, const std::vector<RGBQUAD>& table, ReadBudget* budget) {
        stride = DibStride(width, bits);
        const uint64_t image = stride * uint64_t(height);
        if (image > kMaxDibImageBytes) return false;
        const uint64_t header = 40 + uint64_t(table.size()) * 4;
        handle = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, SIZE_T(header + image));
        if (!handle) return false;
        if (budget) budget->Cleared(header + image);
        BYTE* base = static_cast<BYTE*>(GlobalLock(handle));
        BITMAPINFOHEADER h = {};
        h.biSize = 40;
        h.biWidth = width;
        h.biHeight = height;
        h.biPlanes = 1;
        h.biBitCount = WORD(bits);
        h.biSizeImage = DWORD(image);
        h.biClrUsed = DWORD(table.size());
        std::memcpy(base, &h, sizeof h);
        if (!table.empty()) std::memcpy(base + 40, table.data(), table.size() * 4);
        pixels = base + header;
        return true;
    }
    // Row y from the top.
    BYTE* TopRow(int y, int height) { return pixels + uint64_t(height - 1 - y) * stride; }
    HGLOBAL Take() {
        GlobalUnlock(handle);
        HGLOBAL h = handle;
        handle = nullptr;
        return h;
    }
};

int DibBitsOf(const PdfImageStream& image) {
    if (image.colour == PdfImageStream::Colour::Rgb) return 24;
    return image.bitsPerComponent == 2 ? 4 : image.bitsPerComponent;
}

std::vector<RGBQUAD> TableOf(const PdfImageStream& image) {
    std::vector<RGBQUAD> table;
    if (image.colour == PdfImageStream::Colour::Indexed) {
        table = image.palette;
        table.resize(size_t(1) << DibBitsOf(image), RGBQUAD{0, 0, 0, 0});
    } else if (image.colour == PdfImageStream::Colour::Gray) {
        const int levels = 1 << image.bitsPerComponent;
        table.resize(size_t(1) << DibBitsOf(image), RGBQUAD{0, 0, 0, 0});
        for (int i = 0; i < levels; ++i) {
            int v = i * 255 / (levels - 1);
            if (image.inverted) v = 255 - v;
            table[size_t(i)] = RGBQUAD{BYTE(v), BYTE(v), BYTE(v), 0};
        }
    }
    return table;
}

// Lays rows of the stream's samples (top first, packed, or padded to 4 bytes when the data
// holds that much) out as a DIB.
HGLOBAL LayOutRows(const PdfImageStream& image, const BYTE* rows, uint64_t count, LONG failure, LONG* result) {
    const int bits = DibBitsOf(image);
    const uint64_t packed = (uint64_t(image.bitsPerComponent) * (image.colour == PdfImageStream::Colour::Rgb ? 3 : 1) *
                                 uint64_t(image.width) + 7) / 8;
    const uint64_t padded = DibStride(image.width, bits);
    const uint64_t h = uint64_t(image.height);
    uint64_t rowBytes;
    if (count >= padded * h && image.bitsPerComponent != 2) {
        rowBytes = padded;
    } else if (count >= packed * h) {
        rowBytes = packed;
    } else {
        *result = failure;
        return nullptr;
    }
    NewDib dib;
    if (!dib.Make(image.width, image.height, bits, TableOf(image), image.budget)) {
        *result = CPDF::kNoMemory;
        return nullptr;
    }
    for (int y = 0; y < image.height; ++y) {
        const BYTE* src = rows + uint64_t(y) * rowBytes;
        BYTE* dst = dib.TopRow(y, image.height);
        if (bits == 24) {
            for (int x = 0; x < image.width; ++x) {
                dst[x * 3] = src[x * 3 + 2];
                dst[x * 3 + 1] = src[x * 3 + 1];
                dst[x * 3 + 2] = src[x * 3];
            }
        } else if (image.bitsPerComponent == 2) {
            for (int x = 0; x < image.width; ++x) {
                int v = (src[x >> 2] >> (6 - 2 * (x & 3))) & 3;
                dst[x >> 1] |= BYTE(v << ((x & 1) ? 0 : 4));
            }
        } else {
            std::memcpy(dst, src, size_t(packed));
        }
    }
    *result = CPDF::kOk;
    return dib.Take();
}

// The image's block, and a buffer its decoder needs while it runs, against what remains of the
// read's budget before either is reserved. The block stays counted whatever becomes of the image;
// the buffer is given back by the caller (BufferHeld).
bool ReserveBlock(const PdfImageStream& image, uint64_t buffer, LONG* result) {
    if (!image.budget) return true;
    const uint64_t block = 40 + uint64_t(TableOf(image).size()) * 4 +
                           DibStride(image.width, DibBitsOf(image)) * uint64_t(image.height);
    if (image.budget->Hold(buffer)) {
        if (image.budget->Reserve(block)) return true;
        image.budget->Release(buffer);
    }
    *result = CPDF::kNoMemory;
    return false;
}

// Gives a decoder's buffer back to the read's budget when the decoder is done with it.
struct BufferHeld {
    ReadBudget* budget;
    uint64_t bytes;
    ~BufferHeld() {
        if (budget) budget->Release(bytes);
    }
};

HGLOBAL DecodeFlate(const PdfImageStream& image, uint64_t needed, LONG* result) {
    std::vector<BYTE> out(size_t(needed) + 1);
    if (image.budget) image.budget->Cleared(needed + 1);
    z_stream z = {};
    if (inflateInit(&z) != Z_OK) {
        *result = CPDF::kNoMemory;
        return nullptr;
    }
    uint64_t inLeft = image.data.size, outDone = 0;
    const BYTE* in = image.data.data;
    int status = Z_OK;
    // Bounded both ways: never more output than the image holds, never past the stream.
    while (status == Z_OK && outDone < out.size()) {
        uInt inChunk = uInt(inLeft > 0x40000000u ? 0x40000000u : inLeft);
        uInt outChunk = uInt(out.size() - outDone > 0x40000000u ? 0x40000000u : out.size() - outDone);
        z.next_in = const_cast<BYTE*>(in);
        z.avail_in = inChunk;
        z.next_out = out.data() + outDone;
        z.avail_out = outChunk;
        status = inflate(&z, Z_NO_FLUSH);
        in += inChunk - z.avail_in;
        inLeft -= inChunk - z.avail_in;
        outDone += outChunk - z.avail_out;
        if (status == Z_BUF_ERROR && (inLeft == 0 || outDone == out.size())) break;
    }
    inflateEnd(&z);
    if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
        // Damaged data still gives the rows before the damage when they are complete.
        if (outDone == 0) {
            *result = CPDF::kBadDocument;
            return nullptr;
        }
    }
    return LayOutRows(image, out.data(), outDone, CPDF::kNoMemory, result);
}

HGLOBAL DecodeRunLength(const PdfImageStream& image, uint64_t needed, LONG* result) {
    std::vector<BYTE> out(static_cast<size_t>(needed));
    if (image.budget) image.budget->Cleared(needed);
    const BYTE* p = image.data.data;
    const BYTE* end = p + image.data.size;
    uint64_t done = 0;
    while (p < end && done < needed) {
        BYTE length = *p++;
        if (length == 128) break;
        if (length < 128) {
            uint64_t n = uint64_t(length) + 1;
            if (uint64_t(end - p) < n) n = uint64_t(end - p);
            if (n > needed - done) n = needed - done;
            std::memcpy(out.data() + done, p, size_t(n));
            p += uint64_t(length) + 1 > uint64_t(end - p) ? uint64_t(end - p) : uint64_t(length) + 1;
            done += n;
        } else {
            if (p == end) break;
            uint64_t n = 257 - uint64_t(length);
            if (n > needed - done) n = needed - done;
            std::memset(out.data() + done, *p++, size_t(n));
            done += n;
        }
    }
    return LayOutRows(image, out.data(), done, CPDF::kEncodeFailed, result);
}

HGLOBAL DecodeLzw(const PdfImageStream& image, uint64_t needed, LONG* result) {
    std::vector<BYTE> out(static_cast<size_t>(needed));
    if (image.budget) image.budget->Cleared(needed);
    size_t produced = 0;
    if (!pdfstrip::DecodeLzw(image.data.data, image.data.size, out.data(), out.size(), &produced)) {
        *result = CPDF::kEncodeFailed;
        return nullptr;
    }
    return LayOutRows(image, out.data(), produced, CPDF::kEncodeFailed, result);
}

// Rows a and b (the same row or two apart) change places, each inverted; eight bytes at a time.
void SwapInvertedRows(BYTE* a, BYTE* b, size_t count) {
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        x = ~x;
        y = ~y;
        std::memcpy(a + i, &y, 8);
        std::memcpy(b + i, &x, 8);
    }
    for (; i < count; ++i) {
        const BYTE x = BYTE(~a[i]), y = BYTE(~b[i]);
        a[i] = y;
        b[i] = x;
    }
}

HGLOBAL DecodeFax(const PdfImageStream& image, LONG* result) {
    if (image.bitsPerComponent != 1 || image.colour == PdfImageStream::Colour::Rgb) {
        *result = CPDF::kBadDocument;
        return nullptr;
    }
    // Every coded row takes at least one bit, and no row is wider than the fax codec reads:
    // refused before the rows are reserved.
    const uint64_t codedRows = image.fax.rows > 0 && image.fax.rows < image.height ? image.fax.rows : image.height;
    if (uint64_t(image.width) > CTIFFFax::kMaxWidth || codedRows > uint64_t(image.data.size) * 8) {
        *result = CPDF::kEncodeFailed;
        return nullptr;
    }
    if (!ReserveBlock(image, 0, result)) return nullptr;
    // Decoded straight into the DIB, top row first, then turned bottom-up in place.
    NewDib dib;
    if (!dib.Make(image.width, image.height, 1, TableOf(image), image.budget)) {
        *result = CPDF::kNoMemory;
        return nullptr;
    }
    pdfstrip::FaxStreamParams params = image.fax;
    params.columns = image.width;
    if (!pdfstrip::DecodeFax(image.data.data, image.data.size, params, dib.pixels, size_t(dib.stride), image.height)) {
        *result = CPDF::kEncodeFailed;
        return nullptr;
    }
    // Decoded rows have 1 for black; as grey samples black is 0.
    const size_t rowBytes = (size_t(image.width) + 7) / 8;
    for (int top = 0, bottom = image.height - 1; top <= bottom; ++top, --bottom)
        SwapInvertedRows(dib.pixels + uint64_t(top) * dib.stride, dib.pixels + uint64_t(bottom) * dib.stride, rowBytes);
    *result = CPDF::kOk;
    return dib.Take();
}

HGLOBAL DecodeDct(const PdfImageStream& image, PdfImageBridge* bridge, LONG* result) {
    // The block the frame asks for is reserved before either decoder makes it, and stays counted
    // when the image then fails. A frame the own decoder cannot size reserves nothing here: it is
    // refused before any block is made, or (through GDI+) counted by the reader once it is made.
    if (image.budget) {
        const uint64_t block = CMiniJpegDecoder::BlockBytesOf(image.data.data, image.data.size);
        if (block && !image.budget->Reserve(block)) {
            *result = CPDF::kNoMemory;
            return nullptr;
        }
    }
    if (bridge) {
        if (!CMiniJpegDecoder::FrameFitsData(image.data.data, image.data.size)) {
            *result = CPDF::kEncodeFailed;
            return nullptr;
        }
        LONG code = 0;
        HGLOBAL dib = bridge->DecodeJpeg(image.data.data, image.data.size, &code);
        *result = dib ? CPDF::kOk : (code ? code : CPDF::kEncodeFailed);
        return dib;
    }
    // The decoder refuses a frame larger than its entropy-coded bytes can hold.
    CMiniJpegDecoder decoder;
    if (decoder.Decode(image.data.data, image.data.size) != CMiniJpegDecoder::kOk) {
        *result = CPDF::kEncodeFailed;
        return nullptr;
    }
    *result = CPDF::kOk;
    return decoder.GetDIB();
}

}  // namespace

HGLOBAL DecodePdfImage(const PdfImageStream& image, PdfImageBridge* bridge, LONG* result) {
    *result = CPDF::kBadDocument;
    if (image.width < 1 || image.height < 1) return nullptr;
    try {
        if (image.filter == PdfImageStream::Filter::Dct) return DecodeDct(image, bridge, result);
        const int bpc = image.bitsPerComponent;
        const bool rgb = image.colour == PdfImageStream::Colour::Rgb;
        if (rgb ? bpc != 8 : (bpc != 1 && bpc != 2 && bpc != 4 && bpc != 8)) return nullptr;
        const uint64_t packed = (uint64_t(bpc) * (rgb ? 3 : 1) * uint64_t(image.width) + 7) / 8;
        const uint64_t padded = DibStride(image.width, DibBitsOf(image));
        if (padded * uint64_t(image.height) > kMaxDibImageBytes) return nullptr;
        if (image.filter == PdfImageStream::Filter::Fax) return DecodeFax(image, result);
        // The stream's samples are never wanted beyond the padded rows.
        const uint64_t needed = (padded > packed ? padded : packed) * uint64_t(image.height);
        if (packed * uint64_t(image.height) > MostBytesFrom(image.filter, image.data.size)) return nullptr;
        const uint64_t buffer = needed + (image.filter == PdfImageStream::Filter::Flate ? 1 : 0);
        if (!ReserveBlock(image, buffer, result)) return nullptr;
        const BufferHeld held{image.budget, buffer};
        switch (image.filter) {
            case PdfImageStream::Filter::Flate: return DecodeFlate(image, needed, result);
            case PdfImageStream::Filter::RunLength: return DecodeRunLength(image, needed, result);
            case PdfImageStream::Filter::Lzw: return DecodeLzw(image, needed, result);
            default: return nullptr;
        }
    } catch (const std::bad_alloc&) {
        *result = CPDF::kNoMemory;
        return nullptr;
    }
}
