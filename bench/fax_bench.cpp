// The own fax codec against libtiff's in the same process on a typed A4 page at 300 dpi
// (2480 x 3508, bilevel): group 4 encoding of the page into a growing byte buffer, and decoding
// of the strip into the page's rows. libtiff works on a TIFF in memory through client
// procedures, so neither side touches a file. Times are the thread's processor time, both sides
// run alternately.
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <vector>

#include <tiffio.h>

#include "../tests/codecs/bilevel_pages.h"
#include "bench_timing.h"
#include "codecs/tiff/fax_codec.h"
#include "libtiff_memory_file.h"

namespace {

constexpr int kRuns = 15;

MemFile LibtiffEncode(const faxtest::BilevelPage& page) {
    MemFile f;
    TIFF* t = OpenMemFile(f, "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, page.width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, page.height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, page.height);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFWriteEncodedStrip(t, 0, const_cast<uint8_t*>(page.bits.data()), tmsize_t(page.bits.size()));
    TIFFClose(t);
    return f;
}

// The calling thread's processor time: other work on a busy machine does not count.
double ThreadMs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

template <typename F>
double TimeMs(F&& f) {
    double start = ThreadMs();
    f();
    return ThreadMs() - start;
}

// Medians of both sides, run alternately so that load from elsewhere on the machine hits both.
template <typename Own, typename Ref>
void MedianMs(Own&& own, Ref&& ref, Timing* ownMs, Timing* refMs) {
    std::vector<double> o, r;
    for (int i = 0; i < kRuns; ++i) {
        o.push_back(TimeMs(own));
        r.push_back(TimeMs(ref));
    }
    *ownMs = Summarise(o);
    *refMs = Summarise(r);
}

}  // namespace

int main() {
    KeepFreedMemory();
    TIFFSetWarningHandler(nullptr);
    const faxtest::BilevelPage page = faxtest::A4Page(1);
    FaxStripParams p;
    p.compression = 4;
    p.width = page.width;
    p.height = page.height;
    p.rowStride = page.stride;

    std::vector<uint8_t> own;
    MemFile ref;
    Timing ownEncode, refEncode;
    MedianMs(
        [&] {
            own.clear();
            own.shrink_to_fit();
            CTIFFFax::EncodeStrip(page.bits.data(), p, own);
        },
        [&] { ref = LibtiffEncode(page); }, &ownEncode, &refEncode);
    if (own != LibtiffRawStrip(ref)) {
        printf("bench fax_g4: strips differ\n");
        return 1;
    }
    Report("fax_g4_encode_a4_300dpi", ownEncode, refEncode);

    std::vector<uint8_t> ownRows(page.bits.size()), refRows(page.bits.size());
    Timing ownDecode, refDecode;
    MedianMs([&] { CTIFFFax::DecodeStrip(own.data(), own.size(), p, ownRows.data(), ownRows.size(), nullptr); },
             [&] { LibtiffDecode(ref, refRows); }, &ownDecode, &refDecode);
    if (ownRows != page.bits || refRows != page.bits) {
        printf("bench fax_g4: decoded rows differ\n");
        return 1;
    }
    Report("fax_g4_decode_a4_300dpi", ownDecode, refDecode);
    return 0;
}
