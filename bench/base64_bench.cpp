// Base64 of 64 MB, encode and decode, against coreutils base64 on the same bytes (run as a
// subprocess on a file, its output discarded). Each measurement makes a new codec object, whose
// first touch of its fresh buffers is part of the cost; one more line shows an encode with an
// object whose buffers have grown already.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <vector>

#include "core/base64.h"

namespace {

constexpr size_t kSize = 64u << 20;
constexpr int kRuns = 5;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename F>
double TimeMs(F&& f) {
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

bool WriteAll(const std::string& path, const void* data, size_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(data, 1, size, f) == size;
    return fclose(f) == 0 && ok;
}

// Runs coreutils base64 with the given option on a file, output to /dev/null; true on exit 0.
bool RunCoreutils(const char* option, const std::string& path) {
    pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 1);
        execlp("base64", "base64", option, path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void Report(const char* name, double own, double ref) {
    printf("bench %s own_ms=%.1f ref_ms=%.1f ratio=%.2f\n", name, own, ref, own / ref);
}

}  // namespace

int main() {
    std::vector<BYTE> data(kSize);
    std::mt19937_64 rng(64);
    for (size_t i = 0; i < kSize; i += 8) {
        uint64_t v = rng();
        memcpy(&data[i], &v, 8);
    }
    char dir[] = "/tmp/lumetta_bench_b64_XXXXXX";
    if (!mkdtemp(dir)) return 1;
    std::string raw = std::string(dir) + "/raw", text = std::string(dir) + "/text";

    CBase64 encoder;
    if (!encoder.Encode(data.data(), kSize)) return 1;
    std::string encoded(encoder.GetEncodedText(), encoder.OutputLength());
    if (!WriteAll(raw, data.data(), kSize) || !WriteAll(text, encoded.data(), encoded.size())) return 1;

    std::vector<double> own, ref;
    for (int i = 0; i < kRuns; ++i) {
        own.push_back(TimeMs([&] {
            CBase64 codec;
            if (!codec.Encode(data.data(), kSize)) abort();
        }));
        ref.push_back(TimeMs([&] {
            if (!RunCoreutils("-w0", raw)) abort();
        }));
    }
    Report("base64_encode_64mb", Median(own), Median(ref));

    // The same with one object reused, its buffers already grown: what remains is the encoding.
    std::vector<double> reused;
    CBase64 kept;
    if (!kept.Encode(data.data(), kSize)) return 1;
    for (int i = 0; i < kRuns; ++i) {
        reused.push_back(TimeMs([&] {
            if (!kept.Encode(data.data(), kSize)) abort();
        }));
    }
    Report("base64_encode_64mb_reused", Median(reused), Median(ref));

    own.clear();
    ref.clear();
    for (int i = 0; i < kRuns; ++i) {
        own.push_back(TimeMs([&] {
            CBase64 codec;
            if (!codec.Decode(encoded.data(), static_cast<DWORD>(encoded.size())) || codec.InputLength() != kSize) abort();
        }));
        ref.push_back(TimeMs([&] {
            if (!RunCoreutils("-d", text)) abort();
        }));
    }
    Report("base64_decode_64mb", Median(own), Median(ref));

    unlink(raw.c_str());
    unlink(text.c_str());
    rmdir(dir);
    return 0;
}
