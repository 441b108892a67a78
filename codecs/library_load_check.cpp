#include "codecs/library_load_check.h"

#include <cstring>

#include "base/dib_layout.h"
#include "base/error_codes.h"
#include "codecs/bmp_codec.h"
#include "codecs/codec_result_map.h"
#include "codecs/jpeg/mini_jpeg_decoder.h"
#include "codecs/png/png_codec.h"
#include "codecs/png/png_format.h"
#include "codecs/tiff/tiff.h"

LONG LibraryLoadCheck(const BYTE* bytes, uint64_t size, bool fromFile) {
    if (!bytes || size > SIZE_MAX) return kErrInvalidValue;
    const auto startsWith = [&](const void* signature, size_t n) {
        return size >= n && std::memcmp(bytes, signature, n) == 0;
    };
    uint64_t declared = 0;
    LONG code = 0;
    if (startsWith("II*\0", 4) || startsWith("MM\0*", 4)) {
        CTiff tiff;
        code = TiffResultToErrorCode(tiff.Measure(size_t(size), bytes, &declared));
    } else if (startsWith(png::kSignature, sizeof png::kSignature)) {
        code = PngResultToErrorCode(CPNG::Measure(size, bytes, &declared));
    } else if (startsWith("BM", 2)) {
        code = BmpMeasure(bytes, size, !fromFile, &declared);
    } else if (!CMiniJpegDecoder::FrameFitsData(bytes, SIZE_T(size))) {
        code = kErrJpegFile;
    }
    if (code) return code;
    // The own route adds no image of a load whose images need more than its budget.
    return declared > LoadBudgetFor(size) ? LONG(kErrNoMemory) : 0;
}
