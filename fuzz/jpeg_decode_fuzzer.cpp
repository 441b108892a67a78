// Arbitrary bytes as JPEG streams for the own decoder. Frames above four million pixels are
// skipped (a few bytes could otherwise ask for gigabytes, which the decoder would rightly try to
// allocate); everything else is decoded and the DIB's layout checked.
#include <cstdlib>
#include <memory>

#include "codecs/jpeg/jpeg_segments.h"
#include "codecs/jpeg/mini_jpeg_decoder.h"
#include "base/dib_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto info = std::make_unique<jpeg::JpegStreamInfo>();
    if (jpeg::ParseJpegSegments(data, size, info.get()) == jpeg::kDecodeOk &&
        uint64_t(info->width) * info->height > (4u << 20))
        return 0;
    CMiniJpegDecoder decoder;
    int result = decoder.Decode(data, size);
    HGLOBAL dib = decoder.GetDIB();
    if ((result == CMiniJpegDecoder::kOk) != (dib != nullptr)) abort();
    if (dib) {
        DibLayout layout;
        if (!ComputeDibLayout(dib, &layout) || layout.width != info->width || layout.height != info->height) abort();
        GlobalFree(dib);
    }
    return 0;
}
