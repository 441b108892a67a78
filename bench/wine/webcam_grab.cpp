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
// Each side runs in a process of its own (bench_webcam_grab.exe engine | client), so neither's
// heap holds what the other allocated: most of a fresh DIB block's cost is the first touch of its
// pages, and in one process a side's new block could land on pages the other side left mapped.
// The script runs the two in turns, several times, and pools each side's times, so a noisy moment
// of the machine falls on both. Within a process a round opens with one grab that is not counted
// (it lines the requests up with the camera's frames); the counted requests then follow the
// previous frame after 0 ... 28 ms, each delay once a round, in the same order on both sides.
// `bench_webcam_grab.exe check` first opens both sides at once and makes sure they use the same
// device and format and hand back the same DIB.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/wine/directshow_grab_client.h"
#include "capture/webcam/webcam_manager.h"

namespace {

constexpr int kRounds = 3;  // per process and size
constexpr int kGrabsPerRound = 29;  // the request delays 0 ... 28 ms, each once
constexpr DWORD kGrabTimeoutMs = WebCam::kGrabTimeoutMs;
// The sizes at the engine's resolution indices 0 and 1, which the client asks for (checked).
constexpr LONG kSizes[][2] = {{320, 240}, {640, 480}};

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
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

// One line of times in milliseconds: "times <name> <what> t1 t2 ...".
void PrintTimes(const char* name, const char* what, const std::vector<double>& times) {
    printf("times %s %s", name, what);
    for (double t : times) printf(" %.3f", t);
    printf("\n");
}

bool OpenEngine(const char* name, int sizeIndex, WebCamManager& manager) {
    if (!manager.OpenSource() || (sizeIndex && !manager.SelectResolutionForCamByIndex(sizeIndex))) {
        fprintf(stderr, "%s: the test camera did not open in the engine\n", name);
        return false;
    }
    return true;
}

bool OpenClient(const char* name, LONG width, LONG height, DirectShowGrabClient& client) {
    if (!client.Open(width, height)) {
        fprintf(stderr, "%s: the test camera did not open in the client\n", name);
        return false;
    }
    return true;
}

bool Check(const char* name, int sizeIndex) {
    WebCamManager manager(GetModuleHandleA(nullptr));
    DirectShowGrabClient client;
    if (!OpenEngine(name, sizeIndex, manager)) return false;
    const CamResolution size = manager.Device()->CurrentSize();
    if (size.Width != kSizes[sizeIndex][0] || size.Height != kSizes[sizeIndex][1]) {
        fprintf(stderr, "%s: the engine's camera opened at %ldx%ld\n", name, static_cast<long>(size.Width),
                static_cast<long>(size.Height));
        return false;
    }
    if (!OpenClient(name, size.Width, size.Height, client)) return false;
    char* engineDevice = nullptr;
    char clientDevice[128] = {};
    WideCharToMultiByte(CP_ACP, 0, client.DeviceName(), -1, clientDevice, sizeof(clientDevice) - 1, nullptr,
                        nullptr);
    bool sameDevice =
        manager.GetCurrentSourceName(engineDevice) && engineDevice && !strcmp(engineDevice, clientDevice);
    if (engineDevice) GlobalFree(engineDevice);
    LONG rate = manager.GetFrameRate();
    if (!sameDevice || rate <= 0 || client.FramePeriod() != 10000000 / rate) {
        fprintf(stderr, "%s: the engine and the client opened different devices or formats\n", name);
        return false;
    }
    Side engine{"engine", EngineGrab, &manager, {}, {}};
    Side reference{"client", ClientGrab, &client, {}, {}};
    if (!SameDib(name, engine, reference)) return false;
    printf("%s frame period %.2f ms\n", name, 1000.0 / rate);
    return true;
}

// Each side's grabs in rounds, and their times printed for the script to pool.
bool Report(const char* name, Side& side) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    for (int round = 0; round < kRounds; ++round) {
        if (!RunRound(side, frequency)) return false;
    }
    PrintTimes(name, "request", side.requestTimes);
    PrintTimes(name, "delivery", side.deliveryTimes);
    return true;
}

// Only the side measured is made in its process.
bool Measure(const char* name, int sizeIndex, bool engineSide) {
    if (engineSide) {
        WebCamManager manager(GetModuleHandleA(nullptr));
        Side side{"engine", EngineGrab, &manager, {}, {}};
        return OpenEngine(name, sizeIndex, manager) && Report(name, side);
    }
    DirectShowGrabClient client;
    Side side{"client", ClientGrab, &client, {}, {}};
    return OpenClient(name, kSizes[sizeIndex][0], kSizes[sizeIndex][1], client) && Report(name, side);
}

}  // namespace

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    if (strcmp(mode, "check") && strcmp(mode, "engine") && strcmp(mode, "client")) {
        fprintf(stderr, "usage: bench_webcam_grab check | engine | client\n");
        return 2;
    }
    // Read by each test camera filter object as it is created, the engine's and the client's.
    SetEnvironmentVariableA("LUMETTA_TEST_CAMERA", "timestamp");
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool ok = true;
    const char* names[] = {"webcam_grab_320x240", "webcam_grab_640x480"};
    for (int i = 0; i < 2 && ok; ++i) {
        ok = !strcmp(mode, "check") ? Check(names[i], i) : Measure(names[i], i, !strcmp(mode, "engine"));
    }
    CoUninitialize();
    return ok ? 0 : 1;
}
