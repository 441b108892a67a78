// The zip reader over hostile archives: every name it hands out must be safe and every entry
// within the limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t total = 0;
    ReadZipArchive(data, size, 1u << 22, [&](const ZipEntryView& entry) {
        if (!IsSafeZipEntryName(entry.name)) std::abort();
        total += entry.size;
        if (total > (1u << 22)) std::abort();
        volatile BYTE sink = 0;
        for (size_t i = 0; i < entry.size; i += 4096) sink = sink ^ entry.data[i];
        return true;
    });
    return 0;
}
