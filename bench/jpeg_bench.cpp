// The own JPEG codec against libjpeg-turbo configured the same way (float DCT, no fancy
// upsampling, quality 75, 4:2:0) on a generated A4 page at 300 dpi: paper with scanner noise,
// lines of text and a photo. Both sides get the same pixels and the same stream, in one process,
// and the same allocations: each decode writes a new DIB block of the same size and frees it, each
// encode grows a buffer and copies the stream into an exact new block that is freed again. The
// two sides of a line run in turns. One more line decodes with libjpeg-turbo's defaults.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "base/dib_layout.h"
#include "bench_page.h"
#include "bench_timing.h"
#include "codecs/jpeg/mini_jpeg.h"
#include "codecs/jpeg/mini_jpeg_decoder.h"

namespace {

constexpr int kWidth = kPageWidth, kHeight = kPageHeight, kQuality = 75, kRuns = 7;

// Into a growing buffer, then into an exact new block, as the own encoder hands out its stream.
HGLOBAL LibjpegEncode(HGLOBAL dib, size_t* streamSize) {
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
    HGLOBAL exact = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, size);
    if (!exact) abort();
    memcpy(exact, out, size);
    free(out);
    GlobalUnlock(dib);
    *streamSize = size;
    return exact;
}

// Into a new bottom-up 24-bit DIB, as the own decoder delivers: a block of the same size from the
// same allocator, freed inside the measurement as the own side frees its DIB.
// sameOutput: configured as the own decoder works (float DCT, no fancy upsampling); otherwise
// with the library's defaults.
void LibjpegDecode(const std::vector<uint8_t>& s, bool sameOutput) {
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, s.data(), static_cast<unsigned long>(s.size()));
    jpeg_read_header(&d, TRUE);
    if (sameOutput) {
        d.dct_method = JDCT_FLOAT;
        d.do_fancy_upsampling = FALSE;
    }
    d.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&d);
    const uint64_t stride = DibStride(d.output_width, 24);
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(40 + stride * d.output_height));
    auto* p = static_cast<uint8_t*>(GlobalLock(dib));
    if (!p) abort();
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = static_cast<LONG>(d.output_width);
    h.biHeight = static_cast<LONG>(d.output_height);
    h.biPlanes = 1;
    h.biBitCount = 24;
    memcpy(p, &h, 40);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = p + 40 + stride * (d.output_height - 1 - d.output_scanline);
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    GlobalUnlock(dib);
    GlobalFree(dib);
}

}  // namespace

int main() {
    KeepFreedMemory();
    HGLOBAL page = MakeBenchPage(false);
    size_t streamSize = 0;
    HGLOBAL encoded = LibjpegEncode(page, &streamSize);
    const std::vector<uint8_t> stream(static_cast<uint8_t*>(encoded), static_cast<uint8_t*>(encoded) + streamSize);
    GlobalFree(encoded);

    auto ownDecodeRun = [&] {
        CMiniJpegDecoder decoder;
        if (decoder.Decode(stream.data(), stream.size()) != CMiniJpegDecoder::kOk) abort();
        GlobalFree(decoder.GetDIB());
    };
    Timing ownDecode, refDecode;
    MedianMsInTurns(kRuns, ownDecodeRun, [&] { LibjpegDecode(stream, true); }, &ownDecode, &refDecode);
    Report("jpeg_decode_a4_q75", ownDecode, refDecode);
    // The same against libjpeg-turbo's defaults (integer DCT with its SIMD code, fancy
    // upsampling): the fastest decode a user of that library gets, with other pixels.
    Timing ownAgain, refDefault;
    MedianMsInTurns(kRuns, ownDecodeRun, [&] { LibjpegDecode(stream, false); }, &ownAgain, &refDefault);
    Report("jpeg_decode_a4_q75_vs_default", ownAgain, refDefault);

    size_t refSize = 0, ownSize = 0;
    Timing ownEncode, refEncode;
    MedianMsInTurns(
        kRuns,
        [&] {
            CMiniJpeg encoder;
            encoder.SetQuality(kQuality);
            if (encoder.EncodeToMemory(page) != CMiniJpeg::kOk) abort();
            HGLOBAL out = encoder.GetOutput(&ownSize);
            GlobalFree(out);
        },
        [&] { GlobalFree(LibjpegEncode(page, &refSize)); }, &ownEncode, &refEncode);
    Report("jpeg_encode_a4_q75", ownEncode, refEncode);
    fprintf(stderr, "stream bytes: own %zu, libjpeg-turbo %zu\n", ownSize, refSize);
    GlobalFree(page);
    return 0;
}
