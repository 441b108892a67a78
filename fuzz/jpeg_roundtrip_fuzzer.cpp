// Round-trip property of the own JPEG codec: an image made from the input bytes, encoded and
// decoded again, keeps its size and depth and stays close to the original. At quality 100 the
// bound is tight (grey, and colour whose 2 x 2 groups share one colour, lose only rounding);
// from quality 50 on the mean error must stay moderate; below, only size and depth are checked.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "codecs/jpeg/mini_jpeg.h"
#include "codecs/jpeg/mini_jpeg_decoder.h"
#include "base/dib_layout.h"

namespace {

constexpr int kMaxErrorAtQuality100 = 6;
constexpr double kMaxMeanErrorFromQuality50 = 48;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    const int width = 1 + data[0] % 48, height = 1 + data[1] % 48;
    const bool colour = data[2] & 1;
    const bool topDown = data[2] & 2;
    const int quality = (data[2] & 4) ? 100 : 1 + data[3] % 100;
    data += 4;
    size -= 4;

    const int bits = colour ? 24 : 8, channels = bits / 8;
    const uint64_t stride = DibStride(width, bits);
    const uint64_t offset = 40 + (colour ? 0 : 1024);
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(offset + stride * height));
    auto* p = static_cast<uint8_t*>(GlobalLock(dib));
    BITMAPINFOHEADER h{40, width, topDown ? -height : height, 1, static_cast<WORD>(bits), BI_RGB, 0, 0, 0, 0, 0};
    memcpy(p, &h, 40);
    // Pixels from the input, repeated; colour is constant over each 2 x 2 group.
    std::vector<uint8_t> original(size_t(width) * height * channels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) {
                size_t i = colour ? (size_t(y / 2) * 24 + x / 2) * 3 + c : size_t(y) * width + x;
                uint8_t v = size ? data[i % size] : 128;
                original[(size_t(y) * width + x) * channels + c] = v;
                p[offset + stride * uint64_t(topDown ? y : height - 1 - y) + x * channels + c] = v;
            }
    GlobalUnlock(dib);

    CMiniJpeg encoder;
    encoder.SetQuality(static_cast<WORD>(quality));
    if (encoder.EncodeToMemory(dib) != CMiniJpeg::kOk) abort();
    GlobalFree(dib);
    SIZE_T streamSize = 0;
    HGLOBAL stream = encoder.GetOutput(&streamSize);
    CMiniJpegDecoder decoder;
    if (decoder.Decode(static_cast<const BYTE*>(GlobalLock(stream)), streamSize) != CMiniJpegDecoder::kOk) abort();
    GlobalUnlock(stream);
    GlobalFree(stream);
    HGLOBAL decoded = decoder.GetDIB();
    DibLayout layout;
    if (!ComputeDibLayout(decoded, &layout) || layout.width != width || layout.height != height ||
        layout.bitCount != bits || layout.topDown)
        abort();
    auto* q = static_cast<const uint8_t*>(GlobalLock(decoded));
    int worst = 0;
    double sum = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * channels; ++x) {
            int got = q[layout.pixelOffset + layout.stride * uint64_t(height - 1 - y) + x];
            int d = abs(got - original[size_t(y) * width * channels + x]);
            worst = d > worst ? d : worst;
            sum += d;
        }
    GlobalUnlock(decoded);
    GlobalFree(decoded);
    if (quality == 100 && worst > kMaxErrorAtQuality100) abort();
    if (quality >= 50 && sum / (double(width) * height * channels) > kMaxMeanErrorFromQuality50) abort();
    return 0;
}
