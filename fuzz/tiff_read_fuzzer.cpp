// The TIFF reader over hostile bytes, the way the hosts reach it and with no limit the product
// does not have: every page from memory and from a file (LoadImage reads files, the byte-array
// and download routes memory), which must agree page for page; then the one page the input's
// last byte names, as a single-page load asks for it. Every page handed out must be a DIB the
// engine can read, and goes through the normaliser every added image goes through. Every read
// must stay within the load budget for the input's size at every moment, and its work (entries of
// IFDs and strip arrays visited) linear in the input: each IFD the chain holds is looked at a few
// times, and the strip arrays pages share are gone through about as often as the input's size
// allows.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include <zlib.h>

#include "codecs/tiff/tiff.h"
#include "base/dib_layout.h"
#include "engine/dib_convert.h"

namespace {

const std::string& InputFile() {
    static const std::string path = [] {
        char name[] = "/tmp/fuzz_tiff_read_XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) abort();
        close(fd);
        return std::string(name);
    }();
    return path;
}

// A page's fingerprint (its size and a hash of its bytes) after the engine's checks on it.
uint64_t TakePage(HGLOBAL dib, SIZE_T size) {
    DibLayout layout;
    if (!dib || !ComputeDibLayout(dib, &layout) || layout.totalBytes > size || GlobalSize(dib) < size)
        __builtin_trap();
    // zlib's CRC is built without coverage: a page of hundreds of megabytes hashes in a moment.
    const BYTE* p = static_cast<const BYTE*>(GlobalLock(dib));
    uLong crc = crc32(0L, Z_NULL, 0);
    for (SIZE_T at = 0; at < size; at += 1u << 30)
        crc = crc32(crc, p + at, uInt(size - at < (1u << 30) ? size - at : (1u << 30)));
    const uint64_t h = uint64_t(size) << 32 ^ crc;
    GlobalUnlock(dib);
    HGLOBAL normal = ConvertDIBTo24Bit(dib);
    if (normal && normal != dib) GlobalFree(normal);
    GlobalFree(dib);
    return h;
}

std::vector<uint64_t> TakePages(CTiff& tiff) {
    std::vector<uint64_t> pages;
    for (DWORD i = 0; i < tiff.GetPageCount(); ++i) {
        SIZE_T size = 0;
        HGLOBAL dib = tiff.GetPage(i, &size);
        pages.push_back(TakePage(dib, size));
    }
    return pages;
}

}  // namespace

// What one read may do with an input of `size` bytes.
void CheckBounds(const CTiff& tiff, size_t size) {
    const ReadStats& stats = tiff.GetReadStats();
    if (stats.peakReserved > LoadBudgetFor(size)) __builtin_trap();
    // At most one IFD starts at each byte, of at most 100 entries, each looked at a few times;
    // strip arrays read from their offsets, twice (read and sorted), within the input's size
    // and a small allowance.
    if (stats.entriesVisited > 110 * uint64_t(size) + 2 * (uint64_t(size) + 65536) + 4096) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CTiff tiff;
    const LONG fromMemory = tiff.ReadFromMemory(size, data, CTiff::kAllPages);
    CheckBounds(tiff, size);
    const std::vector<uint64_t> memoryPages = TakePages(tiff);

    FILE* f = fopen(InputFile().c_str(), "wb");
    if (!f || fwrite(data, 1, size, f) != size || fclose(f) != 0) abort();
    const LONG fromFile = tiff.ReadFromFile(InputFile().c_str(), CTiff::kAllPages);
    if (fromFile != fromMemory || TakePages(tiff) != memoryPages) __builtin_trap();

    const DWORD page = size ? data[size - 1] % 4 : 0;
    const LONG one = tiff.ReadFromMemory(size, data, page);
    CheckBounds(tiff, size);
    const std::vector<uint64_t> onePage = TakePages(tiff);
    if (onePage.size() > 1 || (one != 0 && !onePage.empty())) __builtin_trap();
    // The measuring GDI+ loads run first takes the same decisions within the same bounds.
    uint64_t declared = 0;
    tiff.Measure(size, data, &declared);
    CheckBounds(tiff, size);
    if (declared > LoadBudgetFor(size)) __builtin_trap();
    return 0;
}
