// Timing and the result line shared by the benchmarks.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace bench {

// The median wall time of runs calls of f, in milliseconds.
template <typename F>
double MedianMs(int runs, F&& f) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        f();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

inline void Report(const char* name, double own, double ref) {
    std::printf("bench %s own_ms=%.2f ref_ms=%.2f ratio=%.2f\n", name, own, ref, own / ref);
}

}  // namespace bench
