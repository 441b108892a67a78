#include "codecs/jpeg/jpeg_segments.h"

#include <cstring>

#include "codecs/jpeg/jpeg_tables.h"

namespace jpeg {

namespace {

uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

// One marker segment: its payload (after the length field).
struct Segment {
    const uint8_t* p;
    size_t size;
};

// APP0 "JFIF\0": the version must be 1.x and there must be no thumbnail.
int ReadJfif(Segment s, JpegStreamInfo* info, bool* seen) {
    if (*seen || s.size < 14 || memcmp(s.p, "JFIF\0", 5) != 0) return kDecodeOk;
    *seen = true;
    if (s.p[5] != 1) return kDecodeBadFormat;
    uint16_t x = Be16(s.p + 8), y = Be16(s.p + 10);
    if (s.p[7] == 1) {
        info->xPelsPerMeter = static_cast<int32_t>(x * 10000.0 / 254 + 0.5);
        info->yPelsPerMeter = static_cast<int32_t>(y * 10000.0 / 254 + 0.5);
    } else if (s.p[7] == 2) {
        info->xPelsPerMeter = x * 100;
        info->yPelsPerMeter = y * 100;
    }
    if (s.p[12] != 0 || s.p[13] != 0) return kDecodeBadFormat;
    return kDecodeOk;
}

int ReadFrame(Segment s, JpegStreamInfo* info) {
    if (info->componentCount != 0 || s.size < 6) return kDecodeBadFormat;
    if (s.p[0] != 8) return kDecodeBadFormat;
    info->height = Be16(s.p + 1);
    info->width = Be16(s.p + 3);
    int n = s.p[5];
    if ((n != 1 && n != 3) || s.size < 6 + 3u * n) return kDecodeBadFormat;
    if (info->width == 0 || info->height == 0) return kDecodeBadFormat;
    for (int i = 0; i < n; ++i) {
        const uint8_t* c = s.p + 6 + 3 * i;
        // Colour components are Y, Cb, Cr with the ids 1, 2, 3 in that order; the one
        // component of a grey image may carry any of these ids.
        if (c[0] < 1 || c[0] > 3 || (n == 3 && c[0] != i + 1)) return kDecodeBadFormat;
        JpegComponent& comp = info->components[i];
        comp.h = c[1] >> 4;
        comp.v = c[1] & 15;
        comp.quantTable = c[2];
        if (comp.h < 1 || comp.h > 2 || comp.v < 1 || comp.v > 2) return kDecodeBadFormat;
        if (comp.quantTable > 3) return kDecodeBadFormat;
    }
    info->componentCount = n;
    return kDecodeOk;
}

int ReadHuffmanTables(Segment s, JpegStreamInfo* info) {
    size_t at = 0;
    while (at < s.size) {
        if (s.size - at < 17) return kDecodeBadFormat;
        uint8_t classId = s.p[at];
        int tableClass = classId >> 4, id = classId & 15;
        if (tableClass > 1 || id > 3) return kDecodeBadFormat;
        const uint8_t* counts = s.p + at + 1;
        size_t total = 0;
        for (int i = 0; i < 16; ++i) total += counts[i];
        if (total > 256 || s.size - at - 17 < total) return kDecodeBadFormat;
        JpegHuffmanTable* table = tableClass ? &info->ac[id] : &info->dc[id];
        if (!BuildHuffmanTable(counts, s.p + at + 17, table)) return kDecodeBadFormat;
        at += 17 + total;
    }
    return kDecodeOk;
}

int ReadQuantTables(Segment s, JpegStreamInfo* info) {
    size_t at = 0;
    while (at < s.size) {
        uint8_t pq = s.p[at];
        if ((pq >> 4) != 0 || (pq & 15) > 3) return kDecodeBadFormat;  // 8-bit tables 0..3 only
        if (s.size - at < 65) return kDecodeBadFormat;
        for (int k = 0; k < 64; ++k) info->quant[pq & 15][kZigzagToNatural[k]] = s.p[at + 1 + k];
        at += 65;
    }
    return kDecodeOk;
}

int ReadScanHeader(Segment s, JpegStreamInfo* info) {
    if (info->componentCount == 0 || s.size < 1) return kDecodeBadFormat;
    int n = s.p[0];
    // One scan holds the whole image: every frame component, in frame order.
    if (n != info->componentCount || s.size < 1 + 2u * n + 3) return kDecodeBadFormat;
    for (int i = 0; i < n; ++i) {
        const uint8_t* c = s.p + 1 + 2 * i;
        if (c[0] < 1 || c[0] > 3 || (n == 3 && c[0] != i + 1)) return kDecodeBadFormat;
        JpegComponent& comp = info->components[i];
        comp.dcTable = c[1] >> 4;
        comp.acTable = c[1] & 15;
        if (comp.dcTable > 3 || comp.acTable > 3) return kDecodeBadFormat;
    }
    return kDecodeOk;
}

int CheckSampling(JpegStreamInfo* info) {
    if (info->componentCount == 1) {
        // A scan of one component codes one block per unit whatever its sampling factors.
        info->mcuWidth = info->mcuHeight = 8;
        return kDecodeOk;
    }
    const JpegComponent& y = info->components[0];
    for (int i = 1; i < 3; ++i)
        if (info->components[i].h != 1 || info->components[i].v != 1) return kDecodeBadFormat;
    info->mcuWidth = 8 * y.h;
    info->mcuHeight = 8 * y.v;
    return kDecodeOk;
}

}  // namespace

int ParseJpegSegments(const uint8_t* data, size_t size, JpegStreamInfo* info) {
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return kDecodeBadFormat;
    for (int i = 0; i < 4; ++i) {
        ClearHuffmanTable(&info->dc[i]);
        ClearHuffmanTable(&info->ac[i]);
    }
    bool jfifSeen = false;
    size_t at = 2;
    while (at < size) {
        if (data[at] != 0xFF) {  // stray bytes between segments
            ++at;
            continue;
        }
        if (at + 1 >= size) break;
        uint8_t marker = data[at + 1];
        at += 2;
        if (marker == 0xFF) {  // fill byte: the marker code follows
            --at;
            continue;
        }
        if (marker == 0xD9) return kDecodeBadFormat;  // EOI before any scan
        if ((marker >= 0xD0 && marker <= 0xD8) || marker == 0x01) continue;  // no length
        if (size - at < 2) break;
        uint16_t length = Be16(data + at);
        if (length < 2 || size - at < length) return kDecodeBadFormat;
        Segment s{data + at + 2, static_cast<size_t>(length - 2)};
        at += length;
        int r = kDecodeOk;
        switch (marker) {
            case 0xE0: r = ReadJfif(s, info, &jfifSeen); break;
            case 0xC0: r = ReadFrame(s, info); break;
            case 0xC4: r = ReadHuffmanTables(s, info); break;
            case 0xDB: r = ReadQuantTables(s, info); break;
            case 0xDD: r = s.size >= 2 ? (info->restartInterval = Be16(s.p), kDecodeOk) : kDecodeBadFormat; break;
            case 0xDA:
                if ((r = ReadScanHeader(s, info)) != kDecodeOk) return r;
                if ((r = CheckSampling(info)) != kDecodeOk) return r;
                info->scanStart = at;
                return kDecodeOk;
            default:
                // Any other frame type (extended, progressive, lossless, arithmetic) is refused.
                if (marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
                    r = kDecodeBadFormat;
                break;
        }
        if (r != kDecodeOk) return r;
    }
    return kDecodeBadFormat;  // no scan
}

}  // namespace jpeg
