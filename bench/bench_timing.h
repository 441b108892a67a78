// Timing helpers of the benchmarks: the median of a number of runs, and the one line each
// measurement prints.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

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

inline void ReportBench(const char* name, double own, double ref) {
    printf("bench %s own_ms=%.2f ref_ms=%.2f ratio=%.2f\n", name, own, ref, own / ref);
}
