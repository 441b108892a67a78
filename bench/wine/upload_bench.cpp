// Uploads a local file by POST through the whole upload path (file read, multipart body, WinInet
// session, transfer thread with its dialog) to a loopback server, several times, and prints the
// median time in milliseconds (after a line "runs: ..." with every run's time).
//   upload_bench.exe PORT FILE REPEATS [SHOW-DIALOG]
// The other transfers the same way:
//   upload_bench.exe download HTTP-PORT PATH LOCAL REPEATS SHOW-DIALOG   HTTPDownloadDirectly
//   upload_bench.exe ftpput FTP-PORT FILE REPEATS SHOW-DIALOG             FTPUploadEx of the file
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
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

template <typename Run>
int TimeRuns(int repeats, Run run, BenchEngine& engine) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    // One untimed transfer first, as the WinInet client makes one: the process's first dialog
    // brings up the window system (display driver, theme, common controls), which a page's
    // browser process has running long before it transfers anything.
    if (!run()) {
        fprintf(stderr, "transfer failed: %ld\n", static_cast<long>(engine.GetErrorCode()));
        return 1;
    }
    for (int i = 0; i < repeats; ++i) {
        QueryPerformanceCounter(&start);
        BOOL ok = run();
        QueryPerformanceCounter(&end);
        if (!ok) {
            fprintf(stderr, "transfer failed: %ld\n", static_cast<long>(engine.GetErrorCode()));
            return 1;
        }
        times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
    }
    // Every run's time on one line (for scripts that pool the runs of several processes), then
    // the median.
    printf("runs:");
    for (double t : times) printf(" %.1f", t);
    printf("\n");
    std::sort(times.begin(), times.end());
    printf("%.1f\n", times[times.size() / 2]);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "download" || mode == "ftpput") {
        BenchEngine engine;
        engine.SetHTTPPort(atoi(argv[2]));
        engine.SetFTPPort(atoi(argv[2]));
        engine.SetFTPUserName("lumetta");
        engine.SetFTPPassword("s3cret");
        engine.SetIfShowCancelDialogWhenImageTransfer(atoi(argv[argc - 1]));
        int repeats = atoi(argv[argc - 2]);
        return TimeRuns(repeats, [&] {
            return mode == "download" ? engine.HTTPDownloadDirectly("127.0.0.1", argv[3], argv[4])
                                      : engine.FTPUploadEx("127.0.0.1", "bench_own.bin", {.localFile = argv[3]}, 32767);
        }, engine);
    }
    if (argc != 4 && argc != 5) {
        fprintf(stderr, "usage: upload_bench PORT FILE REPEATS [SHOW-DIALOG]\n");
        return 2;
    }
    BenchEngine engine;
    engine.SetHTTPPort(atoi(argv[1]));
    if (argc == 5) engine.SetIfShowCancelDialogWhenImageTransfer(atoi(argv[4]));
    return TimeRuns(atoi(argv[3]), [&] {
        return engine.HTTPUploadThroughPostEx("127.0.0.1", "/empty", "bench.bin", {.localFile = argv[2]}, "RemoteFile", 32767);
    }, engine);
}
