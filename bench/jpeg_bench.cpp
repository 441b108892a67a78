// The own JPEG codec against libjpeg-turbo configured the same way (float DCT, no fancy
// upsampling, quality 75, 4:2:0) on a generated A4 page at 300 dpi: paper with scanner noise,
// lines of text and a photo. Both sides get the same pixels and the same stream, in one process.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include "codecs/jpeg/mini_jpeg.h"
#include "codecs/jpeg/mini_jpeg_decoder.h"
#include "base/dib_layout.h"
#include "bench_timing.h"

namespace {

constexpr int kWidth = 2480, kHeight = 3508, kQuality = 75, kRuns = 7;

uint32_t g_seed = 12345;
int Noise(int amplitude) {
    g_seed = g_seed * 1664525u + 1013904223u;
    return int((g_seed >> 16) % (2 * amplitude + 1)) - amplitude;
}

// The page as a bottom-up 24-bit DIB.
HGLOBAL MakePage() {
    const uint64_t stride = DibStride(kWidth, 24);
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(40 + stride * kHeight));
    auto* p = static_cast<uint8_t*>(GlobalLock(dib));
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = kWidth;
    h.biHeight = kHeight;
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biXPelsPerMeter = h.biYPelsPerMeter = 11811;
    memcpy(p, &h, 40);
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = p + 40 + stride * uint64_t(kHeight - 1 - y);
        for (int x = 0; x < kWidth; ++x) {
            int paper = 238 + Noise(4);
            int b = paper - 6, g = paper - 2, r = paper;
            bool photo = x >= 300 && x < 2180 && y >= 1900 && y < 3100;
            bool textLine = (y - 300) % 60 < 34 && y >= 300 && y < 1800 && x >= 240 && x < 2240;
            if (photo) {
                double u = (x - 300) / 1880.0, v = (y - 1900) / 1200.0;
                r = int(120 + 90 * std::sin(u * 6.0 + v * 2.0) + 20 * std::sin(x * 0.3) * std::cos(y * 0.21));
                g = int(110 + 70 * std::cos(v * 5.0 - u) + 15 * std::sin((x + y) * 0.17));
                b = int(90 + 60 * std::sin(u * 3.0 * v + 1.0)) + Noise(6);
            } else if (textLine) {
                // Glyph-like strokes: short dark runs on the line.
                int gx = (x - 240) % 26, gy = (y - 300) % 60;
                bool stroke = (gx < 4 && ((x / 26) % 3 != 2)) || (gy > 14 && gy < 18 && gx < 20) ||
                              ((x * 7 + y / 60 * 13) % 41 < 3 && gy < 30);
                if (stroke) r = g = b = 35 + Noise(10);
            }
            row[3 * x] = uint8_t(std::clamp(b, 0, 255));
            row[3 * x + 1] = uint8_t(std::clamp(g, 0, 255));
            row[3 * x + 2] = uint8_t(std::clamp(r, 0, 255));
        }
    }
    GlobalUnlock(dib);
    return dib;
}

std::vector<uint8_t> LibjpegEncode(HGLOBAL dib) {
    auto* p = static_cast<uint8_t*>(GlobalLock(dib));
    const uint64_t stride = DibStride(kWidth, 24);
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = kWidth;
    c.image_height = kHeight;
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, kQuality, TRUE);
    c.dct_method = JDCT_FLOAT;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = p + 40 + stride * uint64_t(kHeight - 1 - c.next_scanline);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> bytes(out, out + size);
    free(out);
    GlobalUnlock(dib);
    return bytes;
}

// Into a bottom-up DIB-like buffer, as the own decoder does.
void LibjpegDecode(const std::vector<uint8_t>& s, std::unique_ptr<uint8_t[]>& pixels) {
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, s.data(), static_cast<unsigned long>(s.size()));
    jpeg_read_header(&d, TRUE);
    d.dct_method = JDCT_FLOAT;
    d.do_fancy_upsampling = FALSE;
    d.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&d);
    const size_t stride = DibStride(d.output_width, 24);
    pixels.reset(new uint8_t[stride * d.output_height]);  // a new image each time, as the own side gets
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = pixels.get() + stride * (d.output_height - 1 - d.output_scanline);
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
}


}  // namespace

int main() {
    HGLOBAL page = MakePage();
    std::vector<uint8_t> stream = LibjpegEncode(page);

    std::unique_ptr<uint8_t[]> refPixels;
    double refDecode = MedianMs(kRuns, [&] { LibjpegDecode(stream, refPixels); });
    double ownDecode = MedianMs(kRuns, [&] {
        CMiniJpegDecoder decoder;
        if (decoder.Decode(stream.data(), stream.size()) != CMiniJpegDecoder::kOk) abort();
        GlobalFree(decoder.GetDIB());
    });
    Report("jpeg_decode_a4_q75", ownDecode, refDecode);

    size_t refSize = 0, ownSize = 0;
    double refEncode = MedianMs(kRuns, [&] { refSize = LibjpegEncode(page).size(); });
    double ownEncode = MedianMs(kRuns, [&] {
        CMiniJpeg encoder;
        encoder.SetQuality(kQuality);
        if (encoder.EncodeToMemory(page) != CMiniJpeg::kOk) abort();
        HGLOBAL out = encoder.GetOutput(&ownSize);
        GlobalFree(out);
    });
    Report("jpeg_encode_a4_q75", ownEncode, refEncode);
    fprintf(stderr, "stream bytes: own %zu, libjpeg-turbo %zu\n", ownSize, refSize);
    GlobalFree(page);
    return 0;
}
