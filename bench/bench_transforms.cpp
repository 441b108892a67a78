// Image transforms against Pillow on a generated A4 page at 300 dpi, 24 bits: resize to 50% and
// 200% bicubic, quarter turn, turn by 33 degrees, blank-image test. Pillow runs in a python3
// subprocess on the same pixels (a temporary BMP file) and times only the operation itself. Both
// sides allocate alike: each run works on a fresh copy of the page made before the clock starts,
// writes a new image, frees the copy it replaces inside the measurement and keeps the result past
// it (the blank test only reads the page on both sides). libvips (in this process, on one thread
// like the own side, its operation cache off) gives extra lines for the resizes and turns, on a
// fresh copy of the same pixels per run, written out into a new memory image. One more line turns
// a bilevel page (the same page at 1 bit, as a fax or document scan comes) against Pillow's turn
// of that BMP file.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>
#include <vips/vips.h>

#include "bench_timing.h"
#include "engine/image.h"
#include "engine/image_filter.h"

namespace {

constexpr int kRuns = 5;
constexpr LONG kWidth = 2480, kHeight = 3508;

// A page: light paper with a soft gradient, lines of dark "text" strokes and some noise.
HGLOBAL MakePage() {
    CImage page;
    page.Create(kWidth, kHeight, nullptr, 24);
    page.SetXDPI(300);
    page.SetYDPI(300);
    uint32_t seed = 12345;
    auto rnd = [&] {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        return seed;
    };
    for (LONG y = 0; y < kHeight; ++y) {
        BYTE* row = page.GetBits() + uint64_t(page.GetStride()) * y;
        const bool textLine = (y / 40) % 3 == 1 && y > 300 && y < kHeight - 300;
        for (LONG x = 0; x < kWidth; ++x) {
            int v = 235 + (x + y) % 16 + int(rnd() % 5);
            if (textLine && x > 250 && x < kWidth - 250 && (rnd() % 7) < 3) v = 20 + int(rnd() % 60);
            row[3 * x] = BYTE(std::min(255, v));
            row[3 * x + 1] = BYTE(std::min(255, v - 3));
            row[3 * x + 2] = BYTE(std::min(255, v - 6));
        }
    }
    return page.Detach();
}

Timing TimeOwn(HGLOBAL page, const std::function<bool(CImage&)>& op) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        CImage image(page, TRUE);
        auto t0 = std::chrono::steady_clock::now();
        if (!op(image)) {
            fprintf(stderr, "operation failed: %ld\n", long(image.GetResult()));
            exit(1);
        }
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return Summarise(times);
}

// One libvips operation on a fresh copy of the page's pixels (3 bands of bytes), made before the
// clock; the result is computed into a new memory block, kept past the clock like the own
// side's image, and the copy is freed inside it.
Timing TimeVips(HGLOBAL page, const std::function<int(VipsImage*, VipsImage**)>& op) {
    const BYTE* dib = static_cast<const BYTE*>(GlobalLock(page));
    const size_t bytes = size_t(kWidth) * 3 * kHeight;  // rows of 7440 bytes: no padding
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        void* copy = g_malloc(bytes);
        memcpy(copy, dib + 40, bytes);
        auto t0 = std::chrono::steady_clock::now();
        VipsImage* in = vips_image_new_from_memory(copy, bytes, kWidth, kHeight, 3, VIPS_FORMAT_UCHAR);
        VipsImage* out = nullptr;
        size_t size = 0;
        void* result = in && op(in, &out) == 0 ? vips_image_write_to_memory(out, &size) : nullptr;
        if (out) g_object_unref(out);
        if (in) g_object_unref(in);
        g_free(copy);
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        if (!result) {
            fprintf(stderr, "libvips: %s\n", vips_error_buffer());
            exit(1);
        }
        g_free(result);
    }
    GlobalUnlock(page);
    return Summarise(times);
}

// The page at 1 bit: white where its first channel is above 128, on a black and white table.
HGLOBAL MakeBilevelPage(HGLOBAL page) {
    CImage grey(page, TRUE), bilevel;
    bilevel.Create(kWidth, kHeight, nullptr, 1);
    bilevel.SetGrayPalette();
    for (LONG y = 0; y < kHeight; ++y) {
        const BYTE* from = grey.GetBits() + uint64_t(grey.GetStride()) * y;
        BYTE* row = bilevel.GetBits() + uint64_t(bilevel.GetStride()) * y;
        for (LONG x = 0; x < kWidth; ++x)
            if (from[3 * x] > 128) row[x >> 3] |= BYTE(0x80 >> (x & 7));
    }
    return bilevel.Detach();
}

bool WriteBmp(HGLOBAL page, const char* path) {
    const SIZE_T size = GlobalSize(page);
    FILE* f = fopen(path, "wb");
    if (!f) return false;
    BYTE fileHeader[14] = {'B', 'M'};
    BITMAPINFOHEADER header;
    memcpy(&header, GlobalLock(page), sizeof(header));
    GlobalUnlock(page);
    const uint32_t total = uint32_t(14 + size), offset = 14 + 40 + 4 * header.biClrUsed;
    memcpy(fileHeader + 2, &total, 4);
    memcpy(fileHeader + 10, &offset, 4);
    fwrite(fileHeader, 1, 14, f);
    fwrite(GlobalLock(page), 1, size, f);
    GlobalUnlock(page);
    return fclose(f) == 0;
}

const char kPillowScript[] = R"PY(
import sys, time, statistics
from PIL import Image, ImageFilter, ImageStat
im = Image.open(sys.argv[1]); im.load()
w, h = im.size
runs = int(sys.argv[2])
only = sys.argv[3].split(',') if len(sys.argv) > 3 else None
lut = [255 if v > 128 else 0 for v in range(256)]
kernel = ImageFilter.Kernel((3, 3), (1, 2, 1, 2, 4, 2, 1, 2, 1), 16)
def blank(s):
    smooth = s.convert('L').point(lut).filter(kernel)
    return ImageStat.Stat(smooth).stddev
ops = {
    'resize_50_bicubic': lambda s: s.resize((w // 2, h // 2), Image.BICUBIC),
    'resize_200_bicubic': lambda s: s.resize((w * 2, h * 2), Image.BICUBIC),
    'rotate_90': lambda s: s.transpose(Image.ROTATE_90),
    'rotate_33_bicubic': lambda s: s.rotate(33, resample=Image.BICUBIC, expand=True, fillcolor=(255, 255, 255)),
    'blank_test': blank,
}
# As on the own side: a fresh copy of the page per run, made before the clock starts; the
# operation's new image is kept past the clock, the copy it replaces is freed inside it.
for name, op in ops.items():
    if only and name not in only:
        continue
    times = []
    for _ in range(runs):
        src = im.copy()
        t0 = time.perf_counter()
        out = op(src)
        if name != 'blank_test':
            del src
        times.append((time.perf_counter() - t0) * 1000)
        out = None
        src = None
    print(name, statistics.median(times), min(times), max(times))
)PY";

// Pillow's timings of the operations named in `only` (comma-separated; all when empty).
std::map<std::string, Timing> RunPillow(const char* bmp, const std::string& only = "") {
    std::map<std::string, Timing> out;
    char script[] = "/tmp/lumetta_bench_pillowXXXXXX";
    int fd = mkstemp(script);
    if (fd < 0) return out;
    if (write(fd, kPillowScript, sizeof(kPillowScript) - 1) < 0) {
        close(fd);
        return out;
    }
    close(fd);
    const char* python = access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
    std::string cmd = std::string(python) + " " + script + " " + bmp + " " + std::to_string(kRuns) + (only.empty() ? "" : " " + only);
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char name[64];
        Timing t;
        while (fscanf(p, "%63s %lf %lf %lf", name, &t.median, &t.min, &t.max) == 4) out[name] = t;
        pclose(p);
    }
    unlink(script);
    return out;
}

}  // namespace

int main() {
    KeepFreedMemory();
    HGLOBAL page = MakePage();
    char bmp[] = "/tmp/lumetta_bench_pageXXXXXX";
    int fd = mkstemp(bmp);
    if (fd < 0 || !WriteBmp(page, bmp)) {
        fprintf(stderr, "cannot write the page\n");
        return 1;
    }
    close(fd);
    std::map<std::string, Timing> ref = RunPillow(bmp);
    unlink(bmp);
    if (ref.size() != 5) {
        fprintf(stderr, "Pillow (python3-pil) did not run\n");
        return 1;
    }
    const std::pair<const char*, std::function<bool(CImage&)>> ops[] = {
        {"resize_50_bicubic", [](CImage& i) { return i.Resample(kWidth / 2, kHeight / 2, kCubic, kWrapClamp); }},
        {"resize_200_bicubic", [](CImage& i) { return i.Resample(kWidth * 2, kHeight * 2, kCubic, kWrapClamp); }},
        {"rotate_90", [](CImage& i) { return i.RotateLeft(); }},
        {"rotate_33_bicubic", [](CImage& i) { return i.RotateEx(33, kCubic, 2); }},
        {"blank_test", [page](CImage&) {
             CImageFilter filter;
             double current = 0;
             filter.IsBlankImage(page, 128, 1.0f, ImageRect{}, 0, &current);
             return filter.GetErrorCode() == kImageOk;
         }},
    };
    int status = 0;
    std::map<std::string, Timing> own;
    for (auto& [name, op] : ops) {
        own[name] = TimeOwn(page, op);
        Report(("transforms_" + std::string(name)).c_str(), own[name], ref[name]);
    }

    // libvips on one thread, every run computed anew.
    if (VIPS_INIT("bench_transforms")) {
        fprintf(stderr, "libvips did not start\n");
        return 1;
    }
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    VipsInterpolate* bicubic = vips_interpolate_new("bicubic");
    VipsArrayDouble* white = vips_array_double_newv(3, 255.0, 255.0, 255.0);
    const std::pair<const char*, std::function<int(VipsImage*, VipsImage**)>> vipsOps[] = {
        {"resize_50_bicubic", [](VipsImage* in, VipsImage** out) { return vips_resize(in, out, 0.5, "kernel", VIPS_KERNEL_CUBIC, nullptr); }},
        {"resize_200_bicubic", [](VipsImage* in, VipsImage** out) { return vips_resize(in, out, 2.0, "kernel", VIPS_KERNEL_CUBIC, nullptr); }},
        {"rotate_90", [](VipsImage* in, VipsImage** out) { return vips_rot(in, out, VIPS_ANGLE_D90, nullptr); }},
        {"rotate_33_bicubic", [&](VipsImage* in, VipsImage** out) {
             return vips_rotate(in, out, 33.0, "interpolate", bicubic, "background", white, nullptr);
         }},
    };
    for (auto& [name, op] : vipsOps)
        Report(("transforms_" + std::string(name) + "_vs_vips").c_str(), own[name], TimeVips(page, op));
    vips_area_unref(VIPS_AREA(white));
    g_object_unref(bicubic);
    vips_shutdown();

    // The bilevel page's quarter turn.
    HGLOBAL bilevel = MakeBilevelPage(page);
    char bilevelBmp[] = "/tmp/lumetta_bench_bilevelXXXXXX";
    fd = mkstemp(bilevelBmp);
    if (fd < 0 || !WriteBmp(bilevel, bilevelBmp)) {
        fprintf(stderr, "cannot write the bilevel page\n");
        return 1;
    }
    close(fd);
    std::map<std::string, Timing> bilevelRef = RunPillow(bilevelBmp, "rotate_90");
    unlink(bilevelBmp);
    if (bilevelRef.size() != 1) {
        fprintf(stderr, "Pillow did not turn the bilevel page\n");
        return 1;
    }
    Report("transforms_rotate_90_bilevel", TimeOwn(bilevel, [](CImage& i) { return i.RotateLeft(); }),
           bilevelRef["rotate_90"]);
    GlobalFree(bilevel);
    GlobalFree(page);
    return status;
}
