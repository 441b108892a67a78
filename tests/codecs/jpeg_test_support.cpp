#include "jpeg_test_support.h"

#include <cstdlib>
#include <cstring>

#include "codecs/jpeg/mini_jpeg.h"
#include "codecs/jpeg/mini_jpeg_decoder.h"
#include "base/dib_layout.h"

namespace jpegtest {

HGLOBAL MakeDib(int width, int height, int bits, const std::function<uint8_t(int, int, int)>& pixel, bool topDown,
                LONG pelsPerMeter) {
    uint32_t colors = bits == 8 ? 256 : 0;
    uint64_t stride = DibStride(width, bits);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(40 + colors * 4 + stride * height));
    auto* p = static_cast<uint8_t*>(GlobalLock(block));
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = topDown ? -height : height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    h.biXPelsPerMeter = h.biYPelsPerMeter = pelsPerMeter;
    memcpy(p, &h, 40);
    for (uint32_t i = 0; i < colors; ++i) {
        RGBQUAD q{BYTE(i), BYTE(i), BYTE(i), 0};
        memcpy(p + 40 + 4 * i, &q, 4);
    }
    uint8_t* pixels = p + 40 + colors * 4;
    int channels = bits / 8;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = pixels + stride * uint64_t(topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) row[x * channels + c] = pixel(x, y, c);
    }
    GlobalUnlock(block);
    return block;
}

uint8_t Pattern(int x, int y, int c) {
    // Integer arithmetic only: the same pixels in every build, whatever its maths library.
    auto triangle = [](int t) { return std::abs(t % 512 - 256) / 2; };
    int v = 40 + (triangle(x * 9 + c * 70) + triangle(y * 7 + x * 2 - c * 30)) * 3 / 4;
    if (((x / 23) + (y / 17)) % 5 == 0) v = 30 + 10 * c;  // a few hard edges
    v += ((x * 7 + y * 13 + c * 5) % 9) - 4;             // a little texture
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

bool SplitStream(const std::vector<uint8_t>& s, std::vector<Segment>* segments, std::vector<uint8_t>* scan) {
    segments->clear();
    size_t at = 2;
    if (s.size() < 4 || s[0] != 0xFF || s[1] != 0xD8) return false;
    while (at + 4 <= s.size()) {
        if (s[at] != 0xFF) return false;
        uint8_t marker = s[at + 1];
        size_t length = (size_t(s[at + 2]) << 8) | s[at + 3];
        if (at + 2 + length > s.size()) return false;
        segments->push_back({marker, std::vector<uint8_t>(s.begin() + at + 4, s.begin() + at + 2 + length)});
        at += 2 + length;
        if (marker == 0xDA) {
            if (s.size() < at + 2 || s[s.size() - 2] != 0xFF || s[s.size() - 1] != 0xD9) return false;
            scan->assign(s.begin() + at, s.end() - 2);
            return true;
        }
    }
    return false;
}

std::vector<std::pair<int, std::vector<uint8_t>>> HuffmanTables(const std::vector<Segment>& segments) {
    std::vector<std::pair<int, std::vector<uint8_t>>> out;
    for (const Segment& seg : segments) {
        if (seg.marker != 0xC4) continue;
        size_t at = 0;
        while (at + 17 <= seg.payload.size()) {
            size_t total = 0;
            for (int i = 0; i < 16; ++i) total += seg.payload[at + 1 + i];
            out.push_back({seg.payload[at], std::vector<uint8_t>(seg.payload.begin() + at + 1,
                                                                 seg.payload.begin() + at + 17 + total)});
            at += 17 + total;
        }
    }
    return out;
}

std::vector<std::pair<int, std::vector<uint8_t>>> QuantTables(const std::vector<Segment>& segments) {
    std::vector<std::pair<int, std::vector<uint8_t>>> out;
    for (const Segment& seg : segments) {
        if (seg.marker != 0xDB) continue;
        for (size_t at = 0; at + 65 <= seg.payload.size(); at += 65)
            out.push_back({seg.payload[at], std::vector<uint8_t>(seg.payload.begin() + at + 1,
                                                                 seg.payload.begin() + at + 65)});
    }
    return out;
}

const Segment* FindSegment(const std::vector<Segment>& segments, uint8_t marker) {
    for (const Segment& s : segments)
        if (s.marker == marker) return &s;
    return nullptr;
}

std::vector<uint8_t> BlockBytes(HGLOBAL block, SIZE_T size) {
    auto* p = static_cast<const uint8_t*>(GlobalLock(block));
    std::vector<uint8_t> out(p, p + size);
    GlobalUnlock(block);
    return out;
}

Image ReadDib(HGLOBAL dib) {
    Image img;
    DibLayout l;
    if (!ComputeDibLayout(dib, &l)) return img;
    auto* p = static_cast<const uint8_t*>(GlobalLock(dib));
    img.width = l.width;
    img.height = l.height;
    img.channels = l.bitCount / 8;
    img.pixels.resize(size_t(l.width) * l.height * img.channels);
    for (int y = 0; y < l.height; ++y) {
        const uint8_t* row = p + l.pixelOffset + l.stride * uint64_t(l.topDown ? y : l.height - 1 - y);
        memcpy(&img.pixels[size_t(y) * l.width * img.channels], row, size_t(l.width) * img.channels);
    }
    GlobalUnlock(dib);
    return img;
}

std::vector<uint8_t> Encode(HGLOBAL dib, int quality, int* result) {
    CMiniJpeg encoder;
    encoder.SetQuality(static_cast<WORD>(quality));
    int r = encoder.EncodeToMemory(dib);
    if (result) *result = r;
    if (r != CMiniJpeg::kOk) return {};
    SIZE_T size = 0;
    HGLOBAL out = encoder.GetOutput(&size);
    std::vector<uint8_t> bytes = BlockBytes(out, size);
    GlobalFree(out);
    return bytes;
}

int Decode(const std::vector<uint8_t>& stream, Image* image, HGLOBAL* dibOut) {
    CMiniJpegDecoder decoder;
    int r = decoder.Decode(stream.data(), stream.size());
    if (r != CMiniJpegDecoder::kOk) return r;
    HGLOBAL dib = decoder.GetDIB();
    if (image) *image = ReadDib(dib);
    if (dibOut)
        *dibOut = dib;
    else
        GlobalFree(dib);
    return r;
}

uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

}  // namespace jpegtest
