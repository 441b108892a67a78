// Timing helpers shared by the benchmarks: the median of several runs with its spread, both sides
// of a line run in turns, and the one output line.
#pragma once

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// The C library gives the memory of a large freed block back to the system (a mapping of its
// own, or the top of the heap once enough lies free there), and the next block of that size then
// pays a page fault for each of its pages on first touch: on a quarter turn that is seven times the
// computation. Whether it happens to a side depends only on what else sits in the heap (libvips'
// small objects kept its blocks in place while ours went back every run) and on block sizes
// (Pillow splits an image into 16 MB blocks, ours is one). So that every side of a line works on
// reused memory alike, a benchmark calls this first: the heap maps nothing and keeps what is
// freed, in the process and in the programs it starts; the first run of each side touches the
// memory later runs reuse.
inline void KeepFreedMemory() {
    constexpr int kKeep = 1 << 30;
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, kKeep);
    setenv("GLIBC_TUNABLES", ("glibc.malloc.mmap_max=0:glibc.malloc.trim_threshold=" + std::to_string(kKeep)).c_str(), 1);
}

// The median wall time of a set of runs, in milliseconds, and the fastest and slowest of them:
// the machine's noise beside the figure.
struct Timing {
    double median = 0, min = 0, max = 0;
};

inline Timing Summarise(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return Timing{times[times.size() / 2], times.front(), times.back()};
}

template <typename F>
double WallMs(F&& f) {
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// runs calls of f.
template <typename F>
Timing MedianMs(int runs, F&& f) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) times.push_back(WallMs(f));
    return Summarise(times);
}

// runs calls of each side, in turns, so that a noisy moment of the machine falls on both; the
// side that goes first changes every turn (own, reference, reference, own, ...), so that neither
// always runs on what the other just left behind (a warm cache, a block just freed).
template <typename Own, typename Ref>
void MedianMsInTurns(int runs, Own&& own, Ref&& ref, Timing* ownTiming, Timing* refTiming) {
    std::vector<double> o, r;
    for (int i = 0; i < runs; ++i) {
        if (i % 2 == 0) {
            o.push_back(WallMs(own));
            r.push_back(WallMs(ref));
        } else {
            r.push_back(WallMs(ref));
            o.push_back(WallMs(own));
        }
    }
    *ownTiming = Summarise(o);
    *refTiming = Summarise(r);
}

// "bench <name> own_ms=<median> ref_ms=<median> ratio=<own/ref>", then the spread of both sides.
inline void Report(const char* name, const Timing& own, const Timing& ref) {
    printf("bench %s own_ms=%.2f ref_ms=%.2f ratio=%.2f own_min=%.2f own_max=%.2f ref_min=%.2f ref_max=%.2f\n", name,
           own.median, ref.median, own.median / ref.median, own.min, own.max, ref.min, ref.max);
    fflush(stdout);
}
