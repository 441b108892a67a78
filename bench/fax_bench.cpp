// The own fax codec against libtiff's in the same process on a typed A4 page at 300 dpi
// (2480 x 3508, bilevel): group 4 encoding of the page into a growing byte buffer, and decoding
// of the strip into the page's rows. libtiff works on a TIFF in memory through client
// procedures, so neither side touches a file.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include <tiffio.h>

#include "../tests/codecs/bilevel_pages.h"
#include "codecs/tiff/fax_codec.h"

namespace {

constexpr int kRuns = 15;

// A TIFF file in memory for libtiff's client procedures.
struct MemoryFile {
    std::vector<uint8_t> bytes;
    toff_t pos = 0;
};

tmsize_t MemRead(thandle_t h, void* buf, tmsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    tmsize_t left = tmsize_t(f->bytes.size()) - tmsize_t(f->pos);
    n = std::max<tmsize_t>(0, std::min(n, left));
    memcpy(buf, f->bytes.data() + f->pos, size_t(n));
    f->pos += toff_t(n);
    return n;
}
tmsize_t MemWrite(thandle_t h, void* buf, tmsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    if (f->pos + toff_t(n) > f->bytes.size()) f->bytes.resize(size_t(f->pos) + size_t(n));
    memcpy(f->bytes.data() + f->pos, buf, size_t(n));
    f->pos += toff_t(n);
    return n;
}
toff_t MemSeek(thandle_t h, toff_t off, int whence) {
    auto* f = static_cast<MemoryFile*>(h);
    if (whence == SEEK_SET) f->pos = off;
    if (whence == SEEK_CUR) f->pos += off;
    if (whence == SEEK_END) f->pos = f->bytes.size() + off;
    return f->pos;
}
int MemClose(thandle_t) { return 0; }
toff_t MemSize(thandle_t h) { return static_cast<MemoryFile*>(h)->bytes.size(); }
int MemMap(thandle_t, void**, toff_t*) { return 0; }
void MemUnmap(thandle_t, void*, toff_t) {}

TIFF* OpenMemory(MemoryFile& f, const char* mode) {
    return TIFFClientOpen("page", mode, &f, MemRead, MemWrite, MemSeek, MemClose, MemSize, MemMap, MemUnmap);
}

MemoryFile LibtiffEncode(const faxtest::BilevelPage& page) {
    MemoryFile f;
    TIFF* t = OpenMemory(f, "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, page.width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, page.height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, page.height);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFWriteEncodedStrip(t, 0, const_cast<uint8_t*>(page.bits.data()), tmsize_t(page.bits.size()));
    TIFFClose(t);
    f.pos = 0;
    return f;
}

void LibtiffDecode(MemoryFile& f, std::vector<uint8_t>& rows) {
    f.pos = 0;
    TIFF* t = OpenMemory(f, "r");
    TIFFReadEncodedStrip(t, 0, rows.data(), tmsize_t(rows.size()));
    TIFFClose(t);
}

std::vector<uint8_t> RawStrip(MemoryFile& f) {
    f.pos = 0;
    TIFF* t = OpenMemory(f, "r");
    const uint64_t* counts = nullptr;
    TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts);
    std::vector<uint8_t> raw(counts[0]);
    TIFFReadRawStrip(t, 0, raw.data(), tmsize_t(raw.size()));
    TIFFClose(t);
    return raw;
}

template <typename F>
double TimeMs(F&& f) {
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Medians of both sides, run alternately so that load from elsewhere on the machine hits both.
template <typename Own, typename Ref>
void MedianMs(Own&& own, Ref&& ref, double* ownMs, double* refMs) {
    std::vector<double> o, r;
    for (int i = 0; i < kRuns; ++i) {
        o.push_back(TimeMs(own));
        r.push_back(TimeMs(ref));
    }
    std::sort(o.begin(), o.end());
    std::sort(r.begin(), r.end());
    *ownMs = o[o.size() / 2];
    *refMs = r[r.size() / 2];
}

void Report(const char* name, double own, double ref) {
    printf("bench %s own_ms=%.3f ref_ms=%.3f ratio=%.2f\n", name, own, ref, own / ref);
}

}  // namespace

int main() {
    TIFFSetWarningHandler(nullptr);
    const faxtest::BilevelPage page = faxtest::A4Page(1);
    FaxStripParams p;
    p.compression = 4;
    p.width = page.width;
    p.height = page.height;
    p.rowStride = page.stride;

    std::vector<uint8_t> own;
    MemoryFile ref;
    double ownEncode = 0, refEncode = 0;
    MedianMs(
        [&] {
            own.clear();
            own.shrink_to_fit();
            CTIFFFax::EncodeStrip(page.bits.data(), p, own);
        },
        [&] { ref = LibtiffEncode(page); }, &ownEncode, &refEncode);
    if (own != RawStrip(ref)) {
        printf("bench fax_g4: strips differ\n");
        return 1;
    }
    Report("fax_g4_encode_a4_300dpi", ownEncode, refEncode);

    std::vector<uint8_t> ownRows(page.bits.size()), refRows(page.bits.size());
    double ownDecode = 0, refDecode = 0;
    MedianMs([&] { CTIFFFax::DecodeStrip(own.data(), own.size(), p, ownRows.data(), ownRows.size(), nullptr); },
             [&] { LibtiffDecode(ref, refRows); }, &ownDecode, &refDecode);
    if (ownRows != page.bits || refRows != page.bits) {
        printf("bench fax_g4: decoded rows differ\n");
        return 1;
    }
    Report("fax_g4_decode_a4_300dpi", ownDecode, refDecode);
    return 0;
}
