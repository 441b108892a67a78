// The smallest WinInet client that does what the engine's transfers do, with the same 8192-byte
// calls and no dialog, threads or progress: the floor that WinInet itself sets under Wine. Like
// the engine it loads "wininet.dll" for each transfer, finds its functions by name and frees the
// library after it, inside the timed run.
// Prints every run's time (a line "runs: ..."), then the median time in milliseconds.
//   wininet_client_bench.exe post     HTTP-PORT FILE REPEATS   POST of the file as multipart
//   wininet_client_bench.exe download HTTP-PORT PATH LOCAL REPEATS
//   wininet_client_bench.exe ftpput   FTP-PORT  FILE REPEATS   STOR as "bench_client.bin"
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD kChunk = 8192;

// The functions of "wininet.dll" a transfer calls, found by name in the library loaded for it.
struct WinInet {
    HMODULE module = nullptr;
    decltype(&::InternetOpenA) InternetOpenA = nullptr;
    decltype(&::InternetConnectA) InternetConnectA = nullptr;
    decltype(&::HttpOpenRequestA) HttpOpenRequestA = nullptr;
    decltype(&::HttpSendRequestA) HttpSendRequestA = nullptr;
    decltype(&::HttpSendRequestExA) HttpSendRequestExA = nullptr;
    decltype(&::HttpEndRequestA) HttpEndRequestA = nullptr;
    decltype(&::HttpQueryInfoA) HttpQueryInfoA = nullptr;
    decltype(&::InternetReadFile) InternetReadFile = nullptr;
    decltype(&::InternetWriteFile) InternetWriteFile = nullptr;
    decltype(&::InternetCloseHandle) InternetCloseHandle = nullptr;
    decltype(&::FtpOpenFileA) FtpOpenFileA = nullptr;

    template <typename F>
    bool Find(F& f, const char* name) {
        f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        return f != nullptr;
    }
    bool Load() {
        module = LoadLibraryA("wininet.dll");
        return module && Find(InternetOpenA, "InternetOpenA") && Find(InternetConnectA, "InternetConnectA") &&
               Find(HttpOpenRequestA, "HttpOpenRequestA") && Find(HttpSendRequestA, "HttpSendRequestA") &&
               Find(HttpSendRequestExA, "HttpSendRequestExA") && Find(HttpEndRequestA, "HttpEndRequestA") &&
               Find(HttpQueryInfoA, "HttpQueryInfoA") && Find(InternetReadFile, "InternetReadFile") &&
               Find(InternetWriteFile, "InternetWriteFile") && Find(InternetCloseHandle, "InternetCloseHandle") &&
               Find(FtpOpenFileA, "FtpOpenFileA");
    }
    void Unload() {
        if (module) FreeLibrary(module);
        module = nullptr;
    }
};

WinInet net;
const char kBoundary[] = "---------------------------7d22c1f30aa4";

// The whole file in one read into a string of its size, as a careful client would.
std::string ReadFileBytes(const char* path) {
    std::string bytes;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    DWORD size = GetFileSize(file, nullptr), read = 0;
    if (size != INVALID_FILE_SIZE) {
        bytes.resize(size);
        if (!ReadFile(file, bytes.data(), size, &read, nullptr) || read != size) bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}

bool WriteAll(HINTERNET handle, const char* data, size_t size) {
    for (size_t done = 0; done < size;) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(kChunk, size - done)), written = 0;
        if (!net.InternetWriteFile(handle, data + done, chunk, &written) || written == 0) return false;
        done += written;
    }
    return true;
}

bool Post(HINTERNET internet, int port, const std::string& file) {
    HINTERNET connection = net.InternetConnectA(internet, "127.0.0.1", static_cast<INTERNET_PORT>(port), nullptr,
                                                nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = net.HttpOpenRequestA(connection, "POST", "/empty", nullptr, nullptr, nullptr, 0x0448F000, 0);
    std::string head = std::string("--") + kBoundary +
                       "\r\nContent-Disposition: form-data; name=\"RemoteFile\"; filename=\"bench.bin\"\r\n"
                       "Content-Type: application/octet-stream\r\n\r\n";
    std::string tail = std::string("\r\n--") + kBoundary + "--\r\n";
    std::string body;
    body.reserve(head.size() + file.size() + tail.size());
    body.append(head).append(file).append(tail);
    std::string headers = std::string("Content-Type: multipart/form-data; boundary=") + kBoundary +
                          "\r\nContent-Length: " + std::to_string(body.size());
    INTERNET_BUFFERSA buffers{};
    buffers.dwStructSize = sizeof(buffers);
    buffers.lpcszHeader = headers.c_str();
    buffers.dwHeadersLength = buffers.dwHeadersTotal = static_cast<DWORD>(headers.size());
    buffers.dwBufferTotal = static_cast<DWORD>(body.size());
    bool ok = net.HttpSendRequestExA(request, &buffers, nullptr, 0, 0) && WriteAll(request, body.data(), body.size()) &&
              net.HttpEndRequestA(request, nullptr, 0, 0);
    char answer[8192];
    DWORD got = 0;
    ok = ok && net.InternetReadFile(request, answer, sizeof(answer) - 1, &got);
    net.InternetCloseHandle(request);
    net.InternetCloseHandle(connection);
    return ok;
}

bool Download(HINTERNET internet, int port, const char* path, const char* local) {
    HINTERNET connection = net.InternetConnectA(internet, "127.0.0.1", static_cast<INTERNET_PORT>(port), nullptr,
                                                nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    static const char* accept[] = {"*/*", nullptr};
    HINTERNET request = net.HttpOpenRequestA(connection, "GET", path, nullptr, nullptr, accept, 0x0040F000, 0);
    bool ok = net.HttpSendRequestA(request, nullptr, 0, nullptr, 0);
    DWORD length = 0, size = sizeof(length);
    ok = ok && net.HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr);
    std::vector<char> data(length);
    for (DWORD done = 0; ok && done < length;) {
        DWORD got = 0;
        ok = net.InternetReadFile(request, data.data() + done, std::min(kChunk, length - done), &got) && got > 0;
        done += got;
    }
    if (ok) {
        HANDLE file = CreateFileA(local, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        ok = file != INVALID_HANDLE_VALUE && WriteFile(file, data.data(), length, &written, nullptr) && written == length;
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    net.InternetCloseHandle(request);
    net.InternetCloseHandle(connection);
    return ok;
}

bool FtpPut(HINTERNET internet, int port, const std::string& file) {
    HINTERNET connection = net.InternetConnectA(internet, "127.0.0.1", static_cast<INTERNET_PORT>(port), "lumetta",
                                                "s3cret", INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE, 0);
    HINTERNET remote = connection ? net.FtpOpenFileA(connection, "bench_client.bin", GENERIC_WRITE,
                                                     FTP_TRANSFER_TYPE_BINARY, 0)
                                  : nullptr;
    bool ok = remote && WriteAll(remote, file.data(), file.size());
    if (remote) net.InternetCloseHandle(remote);
    if (connection) net.InternetCloseHandle(connection);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        fprintf(stderr, "usage: wininet_client_bench.exe post|download|ftpput PORT ARGS... REPEATS\n");
        return 2;
    }
    std::string mode = argv[1];
    int port = atoi(argv[2]);
    int repeats = atoi(argv[argc - 1]);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    // One untimed transfer first, as the engine's benchmark makes one, then the timed ones.
    for (int i = -1; i < repeats; ++i) {
        QueryPerformanceCounter(&start);
        // The file is read for each upload and a session opened per transfer, as the engine does.
        std::string file = mode == "download" ? std::string() : ReadFileBytes(argv[3]);
        if (!net.Load()) {
            fprintf(stderr, "wininet.dll cannot be loaded\n");
            return 1;
        }
        HINTERNET internet = net.InternetOpenA("Corvanta", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        bool ok = mode == "post"       ? Post(internet, port, file)
                  : mode == "download" ? Download(internet, port, argv[3], argv[4])
                                       : FtpPut(internet, port, file);
        net.InternetCloseHandle(internet);
        net.Unload();
        QueryPerformanceCounter(&end);
        if (!ok) {
            fprintf(stderr, "%s failed: %lu\n", mode.c_str(), GetLastError());
            return 1;
        }
        if (i >= 0) {
            times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                            static_cast<double>(frequency.QuadPart));
        }
    }
    printf("runs:");
    for (double t : times) printf(" %.1f", t);
    printf("\n");
    std::sort(times.begin(), times.end());
    printf("%.1f\n", times[times.size() / 2]);
    return 0;
}
