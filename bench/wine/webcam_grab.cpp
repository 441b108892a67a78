// Grab latency of the webcam: the time from a grab request to the DIB in hand, against the
// frame period of the test camera (30 frames a second). A grab should come back within one
// frame period plus the copy.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "capture/webcam/webcam_manager.h"

namespace {

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool Measure(const char* name, int sizeIndex) {
    WebCamManager manager(GetModuleHandleA(nullptr));
    if (!manager.OpenSource() || (sizeIndex && !manager.SelectResolutionForCamByIndex(sizeIndex))) {
        fprintf(stderr, "%s: the test camera did not open\n", name);
        return false;
    }
    LONG rate = manager.GetFrameRate();
    double period = rate > 0 ? 1000.0 / rate : 0;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < 60; ++i) {
        HGLOBAL dib = nullptr;
        // Requests fall at random points of the frame period.
        Sleep(static_cast<DWORD>(i * 7 % 29));
        QueryPerformanceCounter(&start);
        bool ok = manager.Device()->GrabFrame(dib);
        QueryPerformanceCounter(&end);
        if (!ok) {
            fprintf(stderr, "%s: grab failed\n", name);
            return false;
        }
        GlobalFree(dib);
        times.push_back(Milliseconds(start, end, frequency));
    }
    std::sort(times.begin(), times.end());
    double median = times[times.size() / 2], worst = times.back();
    printf("bench %s own_ms=%.2f ref_ms=%.2f ratio=%.3f\n", name, median, period, median / period);
    printf("bench %s_max own_ms=%.2f ref_ms=%.2f ratio=%.3f\n", name, worst, period, worst / period);
    return true;
}

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool ok = Measure("webcam_grab_320x240", 0) && Measure("webcam_grab_640x480", 1);
    CoUninitialize();
    return ok ? 0 : 1;
}
