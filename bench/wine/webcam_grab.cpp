// Delivery latency of the webcam grab: the time from a frame leaving the test camera to its DIB
// in the grabbing caller's hand, for the engine (WebCamManager's device) and for the smallest
// plain DirectShow client doing the same grab (directshow_grab_client.cpp), both on the test
// camera at 30 frames a second. The camera runs with its `timestamp` word: each frame carries
// the performance counter read just before the camera handed it downstream, and the bench reads
// it back out of the returned DIB. That interval holds the whole grab path - the grabber, the
// buffer callback's copies, the DIB's allocation and filling, the wake-up of the waiting
// caller - and nothing else.
//
// The time from the grab request to the DIB is printed too, but only for information: it cannot
// tell what the grab path costs. Each request follows the previous grab's return by a fixed
// delay, and that return is itself late by the path's cost o; so the request moves o later
// towards the next frame, whose return is again late by o, and o cancels: the request latency
// comes out as the frame period less the delay, whatever the path costs.
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
// The two sides share the process heap, and most of a fresh DIB block's cost is the first touch
// of its pages: whether a side's new block lands on pages still mapped from an earlier block can
// depend on what the other side keeps allocated. The client's figures can therefore move when
// only the engine changed; the engine's own figures before and after a change are the ones to
// compare, the client's are the plain way measured beside them.
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

// One side of the comparison: its grab, and the times of its counted grabs: from the request
// to the DIB in hand, and from the frame's timestamp to the DIB in hand.
struct Side {
    const char* label;
    bool (*grab)(void* context, HGLOBAL& dib);
    void* context;
    std::vector<double> requestTimes;
    std::vector<double> deliveryTimes;
};

// Pixel bytes 4 ... 11 of a grabbed frame: the counter value the test camera read just before it
// sent the frame. The camera's RGB24 rows are already padded to four bytes, so the DIB's rows
// are its frame as it was sent and the stamp sits at the same offset behind the header.
constexpr size_t kStampOffset = sizeof(BITMAPINFOHEADER) + 4;
constexpr size_t kStampEnd = kStampOffset + 8;

bool ReadStamp(HGLOBAL dib, LONGLONG& stamp) {
    if (GlobalSize(dib) < kStampEnd) return false;
    auto* bytes = static_cast<const BYTE*>(GlobalLock(dib));
    if (!bytes) return false;
    memcpy(&stamp, bytes + kStampOffset, sizeof(stamp));
    GlobalUnlock(dib);
    return true;
}

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
        LARGE_INTEGER sent{};
        // No stamp, or one later than this return (the pattern's own bytes read as a counter
        // value are far in the future), means the camera was not told to stamp or the DIB does
        // not hold the frame as sent.
        bool stamped = ReadStamp(dib, sent.QuadPart) && sent.QuadPart > 0 && sent.QuadPart <= end.QuadPart;
        GlobalFree(dib);
        if (!stamped) {
            fprintf(stderr, "%s: the frame carried no timestamp\n", side.label);
            return false;
        }
        side.requestTimes.push_back(Milliseconds(start, end, frequency));
        side.deliveryTimes.push_back(Milliseconds(sent, end, frequency));
    }
    return true;
}

// Both sides must hand back the same DIB: the same block size and header, the same pixels
// after the frame counter and the timestamp that the test camera writes into each frame's first
// twelve bytes.
bool SameDib(const char* name, Side& engine, Side& client) {
    HGLOBAL a = nullptr, b = nullptr;
    bool ok = engine.grab(engine.context, a) && client.grab(client.context, b);
    if (ok) {
        SIZE_T size = GlobalSize(a);
        auto* pa = static_cast<const BYTE*>(GlobalLock(a));
        auto* pb = static_cast<const BYTE*>(GlobalLock(b));
        ok = pa && pb && size == GlobalSize(b) && size > kStampEnd && !memcmp(pa, pb, sizeof(BITMAPINFOHEADER)) &&
             !memcmp(pa + kStampEnd, pb + kStampEnd, size - kStampEnd);
        if (pa) GlobalUnlock(a);
        if (pb) GlobalUnlock(b);
    }
    if (a) GlobalFree(a);
    if (b) GlobalFree(b);
    if (!ok) fprintf(stderr, "%s: the engine and the client did not return the same DIB\n", name);
    return ok;
}

void PrintLine(const char* name, const char* suffix, double own, double ref) {
    printf("bench %s%s own_ms=%.3f ref_ms=%.3f ratio=%.3f\n", name, suffix, own, ref, own / ref);
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

    Stats own = Summarise(engine.deliveryTimes), ref = Summarise(reference.deliveryTimes);
    Stats ownRequest = Summarise(engine.requestTimes), refRequest = Summarise(reference.requestTimes);
    printf("%s request to DIB: engine median %.2f ms, client %.2f ms (frame period %.2f ms, %zu grabs a side)\n",
           name, ownRequest.median, refRequest.median, 1000.0 / rate, engine.requestTimes.size());
    printf("bench %s own_ms=%.3f ref_ms=%.3f ratio=%.3f own_min=%.3f own_max=%.3f ref_min=%.3f ref_max=%.3f\n", name,
           own.median, ref.median, own.median / ref.median, own.min, own.max, ref.min, ref.max);
    PrintLine(name, "_p95", own.p95, ref.p95);
    PrintLine(name, "_max", own.max, ref.max);
    return true;
}

}  // namespace

int main() {
    // Read by each test camera filter object as it is created, the engine's and the client's.
    SetEnvironmentVariableA("LUMETTA_TEST_CAMERA", "timestamp");
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool ok = Measure("webcam_grab_320x240", 0) && Measure("webcam_grab_640x480", 1);
    CoUninitialize();
    return ok ? 0 : 1;
}
