#include "libtiff_memory_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

tmsize_t MemRead(thandle_t h, void* buf, tmsize_t n) {
    auto* f = static_cast<MemFile*>(h);
    const size_t take = size_t(std::min<uint64_t>(uint64_t(n), f->bytes.size() - std::min<uint64_t>(f->pos, f->bytes.size())));
    memcpy(buf, f->bytes.data() + f->pos, take);
    f->pos += take;
    return tmsize_t(take);
}
tmsize_t MemWrite(thandle_t h, void* buf, tmsize_t n) {
    auto* f = static_cast<MemFile*>(h);
    if (f->pos + uint64_t(n) > f->bytes.size()) f->bytes.resize(size_t(f->pos + uint64_t(n)));
    memcpy(f->bytes.data() + f->pos, buf, size_t(n));
    f->pos += uint64_t(n);
    return n;
}
toff_t MemSeek(thandle_t h, toff_t off, int whence) {
    auto* f = static_cast<MemFile*>(h);
    f->pos = whence == SEEK_SET ? off : whence == SEEK_CUR ? f->pos + off : f->bytes.size() + off;
    return f->pos;
}
int MemClose(thandle_t) { return 0; }
toff_t MemSize(thandle_t h) { return static_cast<MemFile*>(h)->bytes.size(); }
int MemMap(thandle_t, void**, toff_t*) { return 0; }
void MemUnmap(thandle_t, void*, toff_t) {}

}  // namespace

TIFF* OpenMemFile(MemFile& f, const char* mode) {
    f.pos = 0;
    return TIFFClientOpen("bench", mode, &f, MemRead, MemWrite, MemSeek, MemClose, MemSize, MemMap, MemUnmap);
}

void LibtiffDecode(MemFile& f, std::vector<uint8_t>& out) {
    TIFF* t = OpenMemFile(f, "r");
    TIFFReadEncodedStrip(t, 0, out.data(), tmsize_t(out.size()));
    TIFFClose(t);
}

std::vector<uint8_t> LibtiffRawStrip(MemFile& f) {
    TIFF* t = OpenMemFile(f, "r");
    const uint64_t* counts = nullptr;
    TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts);
    std::vector<uint8_t> strip(static_cast<size_t>(counts[0]));
    TIFFReadRawStrip(t, 0, strip.data(), tmsize_t(strip.size()));
    TIFFClose(t);
    return strip;
}
