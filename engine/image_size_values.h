// The values of the Image Size dialog: byte counts as text, pixels and percentages of a side, and
// the other side that keeps the proportions.
#pragma once

#include <cstddef>
#include <cstdint>

// "whole.hh unit": below 1025 in "Bytes", below 1048577 in "KB", below 1073741825 in "MB", else
// "GB"; hh is the fraction in hundredths, cut (not rounded) and printed with two digits, so 1075
// bytes read "1.04 KB". Returns buffer (cut to capacity).
char* FormatByteSize(uint64_t bytes, char* buffer, size_t capacity);

// trunc(value / side x 100), at least 1; a side below 1 gives 1.
int32_t PercentOfSide(int64_t value, int64_t side);
// trunc(side / 100 x percent); 0 for a negative side or percent, capped at INT32_MAX.
int32_t PixelsOfPercent(int64_t side, int64_t percent);
// The other side for a new value of this side that keeps other/side: round(value x other / side),
// at least 1; value itself when side is below 1. Capped at INT32_MAX.
int32_t ProportionalSide(int64_t value, int64_t side, int64_t other);
