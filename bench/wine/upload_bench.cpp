// Uploads a local file by POST through the whole upload path (file read, multipart body, WinInet
// session, transfer thread with its dialog) to a loopback server, several times, and prints the
// median time in milliseconds.   upload_bench.exe PORT FILE REPEATS [SHOW-DIALOG]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/browser_addon_base.h"

namespace {

class BenchEngine : public CBrowserAddOnBase {
public:
    BenchEngine() : CBrowserAddOnBase(GetModuleHandleA(nullptr), kHostActiveX) {}
    HINSTANCE GetModuleInstance() override { return GetModuleHandleA(nullptr); }
    BOOL SetScriptString(void*, const char*, BOOL) override { return TRUE; }
    void OnBeforeOperate(LONG, const char*) override {}
    void OnOperateStatus(const char*, LONG) override {}
    void OnAfterOperate(LONG, const char*, BOOL, const char*) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        fprintf(stderr, "usage: upload_bench PORT FILE REPEATS [SHOW-DIALOG]\n");
        return 2;
    }
    BenchEngine engine;
    engine.SetHTTPPort(atoi(argv[1]));
    if (argc == 5) engine.SetIfShowCancelDialogWhenImageTransfer(atoi(argv[4]));
    int repeats = atoi(argv[3]);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        QueryPerformanceCounter(&start);
        BOOL ok = engine.HTTPUploadThroughPostEx("127.0.0.1", "/empty", "bench.bin", argv[2], 1, "RemoteFile", 32767);
        QueryPerformanceCounter(&end);
        if (!ok) {
            fprintf(stderr, "upload failed: %ld\n", static_cast<long>(engine.GetErrorCode()));
            return 1;
        }
        times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    printf("%.1f\n", times[times.size() / 2]);
    return 0;
}
