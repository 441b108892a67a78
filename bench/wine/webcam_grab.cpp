// Grab latency of the webcam: the time from a grab request to the DIB in hand, for the engine
// (WebCamManager's device) and for the smallest plain DirectShow client doing the same grab
// (directshow_grab_client.cpp), both on the test camera at 30 frames a second.
//
// Both graphs stay open and running for the whole of a size, so that while either side is
// measured the other camera streams in the background: the machine carries the same load in
// every round, whichever side it belongs to, and no round pays for a graph start. The sides take
// turns in rounds (engine-client, client-engine, ...), and each side's times are pooled, so a
// noisy moment of the machine falls on both. A round opens with one grab that is not counted: it
// lines the requests up with that side's own camera, whose frames run at another phase than the
// other's. The counted requests then follow the previous frame after 0 ... 28 ms, each delay
// once a round, in the same order on both sides.
//
// A latency near the frame period is no fault: a request made just after a frame waits for the
// next one. The period is printed beside the lines.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/wine/directshow_grab_client.h"
#include "capture/webcam/webcam_manager.h"

namespace {

constexpr int kRounds = 10;  // per side and size
constexpr int kGrabsPerRound = 29;  // the request delays 0 ... 28 ms, each once
constexpr DWORD kGrabTimeoutMs = WebCam::kGrabTimeoutMs;

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Stats {
    double median, p95, min, max;
};

Stats Summarise(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    size_t n = times.size();
    double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    size_t rank95 = (n * 95 + 99) / 100;  // nearest rank
    return {median, times[rank95 - 1], times.front(), times.back()};
}

// One side of the comparison: its grab, and the times of its counted grabs.
struct Side {
    const char* label;
    bool (*grab)(void* context, HGLOBAL& dib);
    void* context;
    std::vector<double> times;
};

bool EngineGrab(void* context, HGLOBAL& dib) {
    return static_cast<WebCamManager*>(context)->Device()->GrabFrame(dib, kGrabTimeoutMs);
}

bool ClientGrab(void* context, HGLOBAL& dib) {
    return static_cast<DirectShowGrabClient*>(context)->Grab(dib, kGrabTimeoutMs);
}

bool RunRound(Side& side, const LARGE_INTEGER& frequency) {
    HGLOBAL dib = nullptr;
    if (!side.grab(side.context, dib)) {
        fprintf(stderr, "%s: grab failed\n", side.label);
        return false;
    }
    GlobalFree(dib);
    for (int i = 0; i < kGrabsPerRound; ++i) {
        Sleep(static_cast<DWORD>(i * 7 % 29));
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        bool ok = side.grab(side.context, dib);
        QueryPerformanceCounter(&end);
        if (!ok) {
            fprintf(stderr, "%s: grab failed\n", side.label);
            return false;
        }
        GlobalFree(dib);
        side.times.push_back(Milliseconds(start, end, frequency));
    }
    return true;
}

// Both sides must hand back the same DIB: the same block size and header, the same pixels
// after the frame counter that the test camera writes into each frame's first four bytes.
bool SameDib(const char* name, Side& engine, Side& client) {
    HGLOBAL a = nullptr, b = nullptr;
    bool ok = engine.grab(engine.context, a) && client.grab(client.context, b);
    if (ok) {
        SIZE_T size = GlobalSize(a);
        auto* pa = static_cast<const BYTE*>(GlobalLock(a));
        auto* pb = static_cast<const BYTE*>(GlobalLock(b));
        const size_t skip = sizeof(BITMAPINFOHEADER) + 4;
        ok = pa && pb && size == GlobalSize(b) && size > skip && !memcmp(pa, pb, sizeof(BITMAPINFOHEADER)) &&
             !memcmp(pa + skip, pb + skip, size - skip);
        if (pa) GlobalUnlock(a);
        if (pb) GlobalUnlock(b);
    }
    if (a) GlobalFree(a);
    if (b) GlobalFree(b);
    if (!ok) fprintf(stderr, "%s: the engine and the client did not return the same DIB\n", name);
    return ok;
}

void PrintLine(const char* name, const char* suffix, double own, double ref) {
    printf("bench %s%s own_ms=%.2f ref_ms=%.2f ratio=%.3f\n", name, suffix, own, ref, own / ref);
}

bool Measure(const char* name, int sizeIndex) {
    WebCamManager manager(GetModuleHandleA(nullptr));
    if (!manager.OpenSource() || (sizeIndex && !manager.SelectResolutionForCamByIndex(sizeIndex))) {
        fprintf(stderr, "%s: the test camera did not open in the engine\n", name);
        return false;
    }
    const CamResolution size = manager.Device()->CurrentSize();
    DirectShowGrabClient client;
    if (!client.Open(size.Width, size.Height)) {
        fprintf(stderr, "%s: the test camera did not open in the client\n", name);
        return false;
    }
    char* engineDevice = nullptr;
    char clientDevice[128] = {};
    WideCharToMultiByte(CP_ACP, 0, client.DeviceName(), -1, clientDevice, sizeof(clientDevice) - 1, nullptr, nullptr);
    bool sameDevice = manager.GetCurrentSourceName(engineDevice) && engineDevice && !strcmp(engineDevice, clientDevice);
    if (engineDevice) GlobalFree(engineDevice);
    LONG rate = manager.GetFrameRate();
    if (!sameDevice || rate <= 0 || client.FramePeriod() != 10000000 / rate) {
        fprintf(stderr, "%s: the engine and the client opened different devices or formats\n", name);
        return false;
    }

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    Side engine{"engine", EngineGrab, &manager, {}};
    Side reference{"client", ClientGrab, &client, {}};
    if (!SameDib(name, engine, reference)) return false;
    for (int pair = 0; pair < kRounds; ++pair) {
        // Engine then client, client then engine, ...: each side leads as often as it follows.
        Side& first = pair % 2 ? reference : engine;
        Side& second = pair % 2 ? engine : reference;
        if (!RunRound(first, frequency) || !RunRound(second, frequency)) return false;
    }

    Stats own = Summarise(engine.times), ref = Summarise(reference.times);
    printf("%s frame period %.2f ms, %zu grabs a side\n", name, 1000.0 / rate, engine.times.size());
    printf("bench %s own_ms=%.2f ref_ms=%.2f ratio=%.3f own_min=%.2f own_max=%.2f ref_min=%.2f ref_max=%.2f\n", name,
           own.median, ref.median, own.median / ref.median, own.min, own.max, ref.min, ref.max);
    PrintLine(name, "_p95", own.p95, ref.p95);
    PrintLine(name, "_max", own.max, ref.max);
    return true;
}

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool ok = Measure("webcam_grab_320x240", 0) && Measure("webcam_grab_640x480", 1);
    CoUninitialize();
    return ok ? 0 : 1;
}
