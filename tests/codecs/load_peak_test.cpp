// What the engine's loads of the crafted multi-page files cost in memory, on every route (the
// control's, the plug-in's with GDI+ and without it), from files and from bytes: the most memory
// the process held at once (its peak working set) may grow by no more than the load budget and a
// little, and by only a little for files refused before any page's block is reserved. A program
// of its own, so that its peak is its loads' alone; the files go from the cheapest to the dearest.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <string>

#include "base/dib_layout.h"
#include "file_io_fixture.h"
#include "hostile_cases.h"

#ifndef LUMETTA_HOSTILE_DATA
#error LUMETTA_HOSTILE_DATA names the folder of crafted files
#endif

namespace {

uint64_t PeakBytes() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.PeakWorkingSetSize;
}

struct Shape {
    const char* name;
    SHORT type;
    uint64_t allowed;  // growth of the peak allowed beyond the process's before the first load
};

constexpr uint64_t kLittle = 48ull << 20;

const Shape kShapes[] = {
    // Refused before any page's block is reserved.
    {"tiff_two_g4_pages_of_640mb_on_one_strip.tif", 2, kLittle},
    {"pdf_40_failing_fax_images_of_256mb.pdf", 4, kLittle},
    {"tiff_600_pages_on_one_strip_array.tif", 2, kLittle},
    // A first block within the budget, then refused.
    {"tiff_two_g3_pages_of_200mb_failing.tif", 2, (256ull << 20) + kLittle},
    {"pdf_6_failing_g3_images_of_128mb.pdf", 4, (256ull << 20) + kLittle},
};

class LoadPeak : public ::testing::TestWithParam<Shape> {};

TEST_P(LoadPeak, CraftedMultiPageFileStaysWithinTheLoadBudget) {
    const Shape& shape = GetParam();
    const std::string path = std::string(LUMETTA_HOSTILE_DATA) + "/" + shape.name;
    const std::vector<BYTE> bytes = ReadBytes(path);
    ASSERT_FALSE(bytes.empty()) << path;
    const uint64_t before = PeakBytes();
    ASSERT_GT(before, 0u) << "the platform tells no peak working set";
    for (Route route : {Route::kControl, Route::kPluginWithGdiplus, Route::kPluginWithoutGdiplus}) {
        const std::string what = std::string(shape.name) + " " + RouteName(route);
        auto engine = MakeEngine(route);
        EXPECT_FALSE(engine->LoadImageEx(path.c_str(), shape.type)) << what;
        EXPECT_EQ(engine->GetImageCount(), 0) << what;
        PdfSettings settings;
        const BOOL fromBytes = shape.type == 2
                                   ? engine->LoadTIFFFromMemory(DWORD(bytes.size()), bytes.data(), -1)
                                   : engine->LoadPDFFromMemory(DWORD(bytes.size()), bytes.data(), -1, &settings);
        EXPECT_FALSE(fromBytes) << what;
        EXPECT_EQ(engine->GetImageCount(), 0) << what;
        EXPECT_LE(PeakBytes(), before + shape.allowed)
            << what << ": " << (PeakBytes() - before) / (1 << 20) << " MiB more";
    }
}

INSTANTIATE_TEST_SUITE_P(File, LoadPeak, ::testing::ValuesIn(kShapes));

}  // namespace
