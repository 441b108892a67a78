// Arbitrary bytes as JPEG streams for the own decoder, with no limit but the decoder's own (a
// frame larger than its scan can hold is refused before its pixels are reserved). Every DIB it
// gives must have a sound layout of the frame's size; a stream the pre-check refuses (as the
// GDI+ route does before the library sees it) must not decode.
#include <cstdlib>
#include <memory>

#include "codecs/jpeg/jpeg_segments.h"
#include "codecs/jpeg/mini_jpeg_decoder.h"
#include "base/dib_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto info = std::make_unique<jpeg::JpegStreamInfo>();
    const bool parsed = jpeg::ParseJpegSegments(data, size, info.get()) == jpeg::kDecodeOk;
    const bool fits = CMiniJpegDecoder::FrameFitsData(data, size);
    CMiniJpegDecoder decoder;
    int result = decoder.Decode(data, size);
    HGLOBAL dib = decoder.GetDIB();
    if ((result == CMiniJpegDecoder::kOk) != (dib != nullptr)) abort();
    if (!fits && result == CMiniJpegDecoder::kOk) abort();
    if (dib) {
        DibLayout layout;
        if (!parsed || !ComputeDibLayout(dib, &layout) || layout.width != info->width ||
            layout.height != info->height)
            abort();
        // Never more than the entropy-coded bytes can hold: 64 pixels a 2-bit block, 3 bytes each.
        if (layout.imageBytes > uint64_t(size) * 8 / 2 * 64 * 3 + 4 * uint64_t(info->height) + 4096) abort();
        GlobalFree(dib);
    }
    return 0;
}
