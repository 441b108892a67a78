#include "file_io_fixture.h"

#include <cstdio>
#include <cstdlib>

#include "base/dib_layout.h"

const char* RouteName(Route route) {
    switch (route) {
        case Route::kControl: return "control";
        case Route::kPluginWithGdiplus: return "plugin";
        default: return "plugin_without_gdiplus";
    }
}

BITMAPINFOHEADER FileEngine::Info(SHORT index) {
    BITMAPINFOHEADER h{};
    GetImageInfoHeader(index, &h);
    return h;
}

std::vector<BYTE> FileEngine::Pixels(SHORT index) {
    HGLOBAL dib = Slot(index);
    DibLayout layout;
    if (!dib || !ComputeDibLayout(dib, &layout)) return {};
    std::vector<BYTE> all = DibPixels(dib);
    const uint64_t bits = uint64_t(layout.width) * layout.bitCount;
    const uint64_t used = (bits + 7) / 8;
    const BYTE lastMask = BYTE(0xFF << ((8 - bits % 8) % 8));
    std::vector<BYTE> rows;
    for (int32_t row = 0; row < layout.height; ++row) {
        auto begin = all.begin() + ptrdiff_t(row * layout.stride);
        rows.insert(rows.end(), begin, begin + ptrdiff_t(used));
        rows.back() &= lastMask;
    }
    return rows;
}

std::vector<BYTE> DibPixels(HGLOBAL dib) {
    DibLayout layout;
    if (!dib || !ComputeDibLayout(dib, &layout)) return {};
    auto* p = static_cast<const BYTE*>(GlobalLock(dib));
    std::vector<BYTE> pixels(p + layout.pixelOffset, p + layout.totalBytes);
    GlobalUnlock(dib);
    return pixels;
}

std::unique_ptr<FileEngine> MakeEngine(Route route, const GdiplusApi* table) {
    PlatformImageLibrary library;
    library.table = table;
    library.saveThroughLibrary = route == Route::kControl;
    CImageOperator::SetPlatformImageLibrary(library);
    auto engine = std::make_unique<FileEngine>();
    if (route == Route::kPluginWithoutGdiplus) engine->SetRoutes(FALSE, FALSE);
    return engine;
}

std::string TestFile(const char* name) {
    const char* root = std::getenv("LUMETTA_TEST_FILES");
    std::string path = root ? root : "";
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path + "\\" + name;
}

std::vector<BYTE> ReadBytes(const std::string& path) {
    std::vector<BYTE> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    BYTE buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

void WriteBytes(const std::string& path, const std::vector<BYTE>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::string ScratchFolder() {
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    // Wine hands out the same process ids run after run: the time keeps an earlier run's
    // files (a TIFF a save would append to) out of this one's folder.
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    char folder[MAX_PATH];
    wsprintfA(folder, "%slumetta-fileio-%lu-%d-%08lx%08lx\\", temp, GetCurrentProcessId(), ++counter,
              static_cast<unsigned long>(now.HighPart), static_cast<unsigned long>(now.LowPart));
    CreateDirectoryA(folder, nullptr);
    return folder;
}
