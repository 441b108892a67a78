#include "engine/image_size_values.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

int32_t Capped(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, INT32_MAX)); }

}  // namespace

char* FormatByteSize(uint64_t bytes, char* buffer, size_t capacity) {
    if (!buffer || !capacity) return buffer;
    uint64_t unit = 1;
    const char* name = "Bytes";
    if (bytes >= 1073741825ull) {
        unit = 1073741824ull;
        name = "GB";
    } else if (bytes >= 1048577ull) {
        unit = 1048576ull;
        name = "MB";
    } else if (bytes >= 1025ull) {
        unit = 1024ull;
        name = "KB";
    }
    const uint64_t whole = bytes / unit;
    // (bytes % unit) < 2^30, so the product stays far inside 64 bits.
    const unsigned hundredths = static_cast<unsigned>((bytes % unit) * 100 / unit);
    std::snprintf(buffer, capacity, "%llu.%02u %s", static_cast<unsigned long long>(whole), hundredths, name);
    return buffer;
}

int32_t PercentOfSide(int64_t value, int64_t side) {
    if (side < 1 || value < 1) return 1;
    value = std::min<int64_t>(value, INT32_MAX);
    return std::max<int32_t>(1, Capped(value * 100 / side));
}

int32_t PixelsOfPercent(int64_t side, int64_t percent) {
    if (side < 0 || percent < 0) return 0;
    side = std::min<int64_t>(side, INT32_MAX);
    percent = std::min<int64_t>(percent, INT32_MAX);
    return Capped(side * percent / 100);
}

int32_t ProportionalSide(int64_t value, int64_t side, int64_t other) {
    if (side < 1) return Capped(value);
    // In doubles: value x other may pass 2^63.
    const double result = static_cast<double>(value) * static_cast<double>(other) / static_cast<double>(side);
    if (!(result < INT32_MAX)) return INT32_MAX;
    return std::max<int32_t>(1, static_cast<int32_t>(std::llround(result)));
}
