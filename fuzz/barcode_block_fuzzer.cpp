// The barcode library's result block, as a hostile library could hand it over.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/barcode_result_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<BarcodeResult> results;
    if (!ReadBarcodeResultBlock(data, size, results)) return 0;
    size_t bytes = 4;
    for (const auto& r : results) {
        if (r.x.size() != r.y.size()) std::abort();
        bytes += 12 + r.text.size() + 8 * r.x.size();
    }
    // Nothing read can be more than the block held.
    if (bytes > size + 12) std::abort();
    return 0;
}
