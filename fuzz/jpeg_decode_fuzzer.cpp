// Arbitrary bytes as JPEG streams for the own decoder; every DIB it gives must have a sound
// layout of the frame's size.
//
// Fuzz-only limit: frames above 512 x 512 pixels that the engine would decode are skipped (a few
// bytes may declare an image of hundreds of megabytes, which the decoder rightly allocates and
// fills); frames beyond the engine's own limit still reach the decoder, which refuses them.
#include <cstdlib>
#include <memory>

#include "codecs/jpeg/jpeg_segments.h"
#include "codecs/jpeg/mini_jpeg_decoder.h"
#include "base/dib_layout.h"

constexpr uint64_t kFuzzMaxPixels = 512 * 512;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto info = std::make_unique<jpeg::JpegStreamInfo>();
    if (jpeg::ParseJpegSegments(data, size, info.get()) == jpeg::kDecodeOk &&
        uint64_t(info->width) * info->height > kFuzzMaxPixels &&
        DibStride(info->width, info->componentCount == 1 ? 8 : 24) * uint64_t(info->height) <= kMaxDibImageBytes)
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
