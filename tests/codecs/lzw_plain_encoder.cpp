#include "lzw_plain_encoder.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <random>

namespace lzwtest {

namespace {

struct BitSink {
    std::vector<uint8_t>& out;
    uint32_t acc = 0;
    unsigned count = 0;
    void Put(unsigned code, unsigned width) {
        acc = (acc << width) | code;
        count += width;
        while (count >= 8) {
            count -= 8;
            out.push_back(uint8_t(acc >> count));
        }
        acc &= (1u << count) - 1;
    }
    void End() {
        if (count) out.push_back(uint8_t(acc << (8 - count)));
    }
};

}  // namespace

PlainLzwStrip PlainLzwEncode(const uint8_t* data, size_t size) {
    constexpr unsigned kClear = 256, kEnd = 257, kFirst = 258, kFull = 4094;
    PlainLzwStrip strip;
    BitSink sink{strip.bytes};
    unsigned width = 9;
    long outBits = 0;
    auto put = [&](unsigned code) {
        sink.Put(code, width);
        outBits += width;
    };
    if (size == 0) {
        put(kEnd);
        sink.End();
        return strip;
    }
    std::map<uint32_t, unsigned> table;
    unsigned next = kFirst;
    long inCount = 1, checkpoint = 10000, ratio = 0;
    auto clear = [&] {
        table.clear();
        next = kFirst;
        ratio = 0;
        inCount = 0;
        outBits = 0;
        put(kClear);
        width = 9;
        ++strip.clears;
    };
    put(kClear);
    unsigned prefix = data[0];
    for (size_t i = 1; i < size; ++i) {
        const uint8_t byte = data[i];
        ++inCount;
        const uint32_t key = (prefix << 8) | byte;
        const auto it = table.find(key);
        if (it != table.end()) {
            prefix = it->second;
            continue;
        }
        put(prefix);
        prefix = byte;
        table[key] = next++;
        if (next == kFull) {
            clear();
        } else if (next > (1u << width) - 1) {
            ++width;
        } else if (inCount >= checkpoint) {
            checkpoint = inCount + 10000;
            const long now = inCount > 0x7FFFFF ? (outBits >> 8 ? inCount / (outBits >> 8) : 0x7FFFFFFF)
                                                : (inCount << 8) / outBits;
            if (now <= ratio) {
                clear();
                ++strip.ratioClears;
            } else {
                ratio = now;
            }
        }
    }
    put(prefix);
    // The decoder enters one more code on reading this one.
    if (next + 1 == kFull) {
        put(kClear);
        width = 9;
    } else if (next + 1 > (1u << width) - 1 && width < 12) {
        ++width;
    }
    put(kEnd);
    sink.End();
    return strip;
}

std::vector<uint8_t> Noise(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(size);
    for (uint8_t& b : v) b = uint8_t(rng());
    return v;
}

std::vector<uint8_t> ScanLike(size_t width, size_t height, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(width * height);
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x) {
            int value = 236 + int(rng() % 7) - 3;
            if (y > height / 2 && x > width / 8 && x < width * 7 / 8)
                value = int(128 + 90 * std::sin(double(x) / 97 + double(y) / 131)) + int(rng() % 13) - 6;
            else if (y % 40 < 22 && (x * 7 + y * 3) / 11 % 5 < 2)
                value = 30 + int(rng() % 17) - 8;
            v[y * width + x] = uint8_t(std::clamp(value, 0, 255));
        }
    return v;
}

std::vector<uint8_t> HeldAndFlipped(size_t size, size_t block, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(size);
    for (size_t i = 0; i < size; ++i) v[i] = (i / block) % 2 ? uint8_t(rng() % 2) : uint8_t(i / block * 11);
    return v;
}

}  // namespace lzwtest
