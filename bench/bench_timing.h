// Timing helpers shared by the benchmarks: the median of several runs and the one output line.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

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
    printf("bench %s own_ms=%.2f ref_ms=%.2f ratio=%.2f\n", name, own, ref, own / ref);
    fflush(stdout);
}
