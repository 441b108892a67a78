// Round-trip property of the own JPEG codec: an image made from the input bytes, encoded and
// decoded again, keeps its size and depth and stays about as close to the original as the same
// pixels do through libjpeg-turbo at the same quality (4:2:0 for colour, float DCT, no fancy
// upsampling, as the own codec works). At quality 100 the bound is also absolute: grey, and colour
// whose 2 x 2 groups share one colour, lose only rounding.
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "base/dib_layout.h"
#include "codecs/jpeg/mini_jpeg.h"
#include "codecs/jpeg/mini_jpeg_decoder.h"

namespace {

constexpr int kMaxErrorAtQuality100 = 6;
// Both codecs quantise with the same tables, but their DCTs round on their own ways: a coefficient
// near the middle between two steps may land one step apart, which moves the pixels of its block
// by up to an eighth of the step (a DC step) and on average by less for the others. The own colour
// conversions truncate where libjpeg-turbo rounds: at quality 100, where libjpeg-turbo gives back
// colour constant over 2 x 2 groups unchanged, the own round trip is up to about 2.5 levels off on
// average. The own mean error may thus exceed libjpeg-turbo's by this factor, plus three levels,
// plus an eighth of the largest step of the tables at that quality (255 at the lowest: 32 levels).
constexpr double kMeanErrorFactor = 1.25;

struct Reference {
    double meanError;  // mean absolute error per sample
    int largestStep;   // the largest quantisation step of the tables libjpeg-turbo used
};

// The pixels (top-down rows, channels BGR or grey) through libjpeg-turbo.
Reference LibjpegRoundTrip(const std::vector<uint8_t>& pixels, int width, int height, int channels, int quality) {
    jpeg_compress_struct c;
    jpeg_error_mgr cerr;
    c.err = jpeg_std_error(&cerr);
    jpeg_create_compress(&c);
    unsigned char* stream = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &stream, &size);
    c.image_width = width;
    c.image_height = height;
    c.input_components = channels;
    c.in_color_space = channels == 3 ? JCS_EXT_BGR : JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    c.dct_method = JDCT_FLOAT;
    Reference result = {0, 0};
    for (JQUANT_TBL* table : c.quant_tbl_ptrs) {
        if (!table) continue;
        for (UINT16 step : table->quantval) result.largestStep = step > result.largestStep ? step : result.largestStep;
    }
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(pixels.data()) + size_t(c.next_scanline) * width * channels;
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);

    jpeg_decompress_struct d;
    jpeg_error_mgr derr;
    d.err = jpeg_std_error(&derr);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, stream, size);
    jpeg_read_header(&d, TRUE);
    d.dct_method = JDCT_FLOAT;
    d.do_fancy_upsampling = FALSE;
    d.out_color_space = channels == 3 ? JCS_EXT_BGR : JCS_GRAYSCALE;
    jpeg_start_decompress(&d);
    std::vector<uint8_t> row(size_t(width) * channels);
    double sum = 0;
    while (d.output_scanline < d.output_height) {
        const size_t y = d.output_scanline;
        JSAMPROW out = row.data();
        jpeg_read_scanlines(&d, &out, 1);
        for (size_t x = 0; x < row.size(); ++x) sum += abs(int(row[x]) - pixels[y * row.size() + x]);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    free(stream);
    result.meanError = sum / (double(width) * height * channels);
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    // Mostly small images; with bit 3 of the third byte rows up to 1776 pixels wide.
    const int scale = (data[2] & 8) ? 37 : 1;
    const int width = 1 + data[0] * scale % (48 * scale), height = 1 + data[1] % 48;
    const bool colour = data[2] & 1;
    const bool topDown = data[2] & 2;
    const int quality = (data[2] & 4) ? 100 : 1 + data[3] % 100;
    data += 4;
    size -= 4;

    const int bits = colour ? 24 : 8, channels = bits / 8;
    const uint64_t stride = DibStride(width, bits);
    const uint64_t offset = 40 + (colour ? 0 : 1024);
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(offset + stride * height));
    auto* p = static_cast<uint8_t*>(GlobalLock(dib));
    BITMAPINFOHEADER h{40, width, topDown ? -height : height, 1, static_cast<WORD>(bits), BI_RGB, 0, 0, 0, 0, 0};
    memcpy(p, &h, 40);
    if (!colour) {
        for (int i = 0; i < 256; ++i) {
            const RGBQUAD grey = {BYTE(i), BYTE(i), BYTE(i), 0};
            memcpy(p + 40 + 4 * i, &grey, 4);
        }
    }
    // Pixels from the input, repeated; colour is constant over each 2 x 2 group.
    std::vector<uint8_t> original(size_t(width) * height * channels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) {
                size_t i = colour ? (size_t(y / 2) * 24 + x / 2) * 3 + c : size_t(y) * width + x;
                uint8_t v = size ? data[i % size] : 128;
                original[(size_t(y) * width + x) * channels + c] = v;
                p[offset + stride * uint64_t(topDown ? y : height - 1 - y) + x * channels + c] = v;
            }
    GlobalUnlock(dib);

    CMiniJpeg encoder;
    encoder.SetQuality(static_cast<WORD>(quality));
    if (encoder.EncodeToMemory(dib) != CMiniJpeg::kOk) abort();
    GlobalFree(dib);
    SIZE_T streamSize = 0;
    HGLOBAL stream = encoder.GetOutput(&streamSize);
    CMiniJpegDecoder decoder;
    if (decoder.Decode(static_cast<const BYTE*>(GlobalLock(stream)), streamSize) != CMiniJpegDecoder::kOk) abort();
    GlobalUnlock(stream);
    GlobalFree(stream);
    HGLOBAL decoded = decoder.GetDIB();
    DibLayout layout;
    if (!ComputeDibLayout(decoded, &layout) || layout.width != width || layout.height != height ||
        layout.bitCount != bits || layout.topDown)
        abort();
    auto* q = static_cast<const uint8_t*>(GlobalLock(decoded));
    int worst = 0;
    double sum = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * channels; ++x) {
            int got = q[layout.pixelOffset + layout.stride * uint64_t(height - 1 - y) + x];
            int d = abs(got - original[size_t(y) * width * channels + x]);
            worst = d > worst ? d : worst;
            sum += d;
        }
    GlobalUnlock(decoded);
    GlobalFree(decoded);
    if (quality == 100 && worst > kMaxErrorAtQuality100) abort();
    const double mean = sum / (double(width) * height * channels);
    const Reference reference = LibjpegRoundTrip(original, width, height, channels, quality);
    if (mean > reference.meanError * kMeanErrorFactor + 3 + reference.largestStep / 8.0) abort();
    return 0;
}
