// The TIFF strip codecs against libtiff in the same process, on an A4 page at 300 dpi: LZW and
// PackBits on an 8-bit grey scan (paper with noise, lines of text, a photo), and group 4 on the
// same page thresholded to 1 bit when the fax codec is built. libtiff reads and writes the strip
// through memory callbacks, so neither side touches the disk. Both allocate alike: each encode
// appends to a new buffer grown from empty, each decode writes into the same reused pixel buffer.
// The two sides of a line run in turns.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <tiffio.h>

#include "codecs/tiff/fax_codec.h"
#include "codecs/tiff/lzw_codec.h"
#include "codecs/tiff/packbits_codec.h"
#include "bench_timing.h"
#include "libtiff_memory_file.h"

namespace {

constexpr uint32_t kWidth = 2480, kHeight = 3508;
constexpr int kRuns = 7;

uint32_t g_seed = 12345;
int Noise(int amplitude) {
    g_seed = g_seed * 1664525u + 1013904223u;
    return int((g_seed >> 16) % (2 * amplitude + 1)) - amplitude;
}

std::vector<uint8_t> GreyPage() {
    std::vector<uint8_t> page(size_t(kWidth) * kHeight);
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x) {
            int v = 236 + Noise(3);
            const bool photo = x >= 300 && x < 2180 && y >= 1900 && y < 3100;
            const bool text = y >= 300 && y < 1800 && (y - 300) % 60 < 34 && x >= 240 && x < 2240 &&
                              ((x * 7 + y * 3) / 11) % 5 < 2;
            if (photo) v = int(128 + 90 * std::sin((x - 300) / 300.0 + (y - 1900) / 500.0)) + Noise(6);
            else if (text) v = 30 + Noise(8);
            page[size_t(y) * kWidth + x] = uint8_t(std::clamp(v, 0, 255));
        }
    return page;
}

std::vector<uint8_t> Threshold(const std::vector<uint8_t>& grey) {
    const size_t rowBytes = (kWidth + 7) / 8;
    std::vector<uint8_t> bits(rowBytes * kHeight);
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x)
            if (grey[size_t(y) * kWidth + x] < 100) bits[y * rowBytes + x / 8] |= uint8_t(0x80 >> (x % 8));
    return bits;
}

// libtiff writes the page as one strip; the file (header, IFD, strip) stays in f.
void LibtiffEncode(const std::vector<uint8_t>& pixels, uint16_t bits, uint16_t compression, MemFile& f) {
    f.bytes = std::vector<uint8_t>();  // a new buffer each run, grown from empty as the own side's
    TIFF* t = OpenMemFile(f, "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, bits == 1 ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, kHeight);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    TIFFWriteEncodedStrip(t, 0, const_cast<uint8_t*>(pixels.data()), tmsize_t(pixels.size()));
    TIFFClose(t);
}

template <typename Encode, typename Decode>
void Pair(const char* encodeName, const char* decodeName, const std::vector<uint8_t>& pixels, uint16_t bits,
          uint16_t compression, Encode encode, Decode decode) {
    MemFile f;
    std::vector<uint8_t> own;
    Timing ownEncode, refEncode;
    MedianMsInTurns(
        kRuns,
        [&] {
            own.clear();
            own.shrink_to_fit();
            encode(own);
        },
        [&] { LibtiffEncode(pixels, bits, compression, f); }, &ownEncode, &refEncode);
    if (own != LibtiffRawStrip(f)) fprintf(stderr, "%s: strips differ from libtiff's\n", encodeName);
    std::vector<uint8_t> refOut(pixels.size()), ownOut(pixels.size());
    Timing ownDecode, refDecode;
    MedianMsInTurns(
        kRuns, [&] { decode(own, ownOut); }, [&] { LibtiffDecode(f, refOut); }, &ownDecode, &refDecode);
    if (ownOut != refOut || refOut != pixels) fprintf(stderr, "%s: pixels differ\n", decodeName);
    Report(encodeName, ownEncode, refEncode);
    Report(decodeName, ownDecode, refDecode);
}

}  // namespace

int main() {
    KeepFreedMemory();
    TIFFSetWarningHandler(nullptr);
    const std::vector<uint8_t> grey = GreyPage();
    Pair("tiff_lzw_encode_a4_grey", "tiff_lzw_decode_a4_grey", grey, 8, COMPRESSION_LZW,
         [&](std::vector<uint8_t>& out) { CTIFFLzw::EncodeStrip(grey.data(), kWidth, kHeight, kWidth, out); },
         [](const std::vector<uint8_t>& in, std::vector<uint8_t>& out) {
             CTIFFLzw::DecodeStrip(in.data(), in.size(), out.data(), out.size(), nullptr);
         });
    Pair("tiff_packbits_encode_a4_grey", "tiff_packbits_decode_a4_grey", grey, 8, COMPRESSION_PACKBITS,
         [&](std::vector<uint8_t>& out) { CTIFFPackBits::EncodeStrip(grey.data(), kWidth, kHeight, kWidth, out); },
         [](const std::vector<uint8_t>& in, std::vector<uint8_t>& out) {
             CTIFFPackBits::DecodeStrip(in.data(), in.size(), out.data(), out.size(), nullptr);
         });

    const std::vector<uint8_t> bilevel = Threshold(grey);
    FaxStripParams params;
    params.compression = 4;
    params.width = kWidth;
    params.height = kHeight;
    params.rowStride = (kWidth + 7) / 8;
    std::vector<uint8_t> probe;
    if (CTIFFFax::EncodeStrip(bilevel.data(), params, probe) != CTIFFFax::kOk) {
        fprintf(stderr, "group 4: the fax codec is not built\n");
        return 0;
    }
    Pair("tiff_g4_encode_a4_bilevel", "tiff_g4_decode_a4_bilevel", bilevel, 1, COMPRESSION_CCITTFAX4,
         [&](std::vector<uint8_t>& out) { CTIFFFax::EncodeStrip(bilevel.data(), params, out); },
         [&](const std::vector<uint8_t>& in, std::vector<uint8_t>& out) {
             CTIFFFax::DecodeStrip(in.data(), in.size(), params, out.data(), out.size(), nullptr);
         });
    return 0;
}
